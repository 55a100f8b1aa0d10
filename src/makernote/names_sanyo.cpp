// Sanyo: the names of the maker's tags, the directories its entries lead to and the
// entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

constexpr ExifTag kSanyoTags[] = {
    {0x00FF, "MakerNoteOffset"},
    {0x0100, "SanyoThumbnail"},
    {0x0200, "SpecialMode"},
    {0x0201, "SanyoQuality"},
    {0x0202, "Macro"},
    {0x0204, "DigitalZoom"},
    {0x0207, "SoftwareVersion"},
    {0x0208, "PictInfo"},
    {0x0209, "CameraID"},
    {0x020E, "SequentialShot"},
    {0x020F, "WideRange"},
    {0x0210, "ColorAdjustmentMode"},
    {0x0213, "QuickShot"},
    {0x0214, "SelfTimer"},
    {0x0216, "VoiceMemo"},
    {0x0217, "RecordShutterRelease"},
    {0x0218, "FlickerReduce"},
    {0x0219, "OpticalZoomOn"},
    {0x021B, "DigitalZoomOn"},
    {0x021D, "LightSourceSpecial"},
    {0x021E, "Resaved"},
    {0x021F, "SceneSelect"},
    {0x0224, "SequenceShotInterval"},
    {0x0225, "FlashMode"},
    {0x0E00, "PrintIM"},
    {0x0F00, "DataDump"},
};

static_assert(sorted(kSanyoTags));

}  // namespace

const MakerNames kSanyoNames = names_of(kSanyoTags);

}  // namespace pelnor
