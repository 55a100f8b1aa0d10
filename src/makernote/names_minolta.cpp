// Minolta: the names of the maker's tags, the directories its entries lead to and the
// entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

// Tags whose name depends on their value's form: its version, its size, its type or the camera.
constexpr NameVariant kMinolta0010[] = {
    {0, 0, "", 0, "CameraInfoA100", "^DSLR-A100$"},
};
constexpr NameVariant kMinolta0018[] = {
    {0, 0, "", 0, "ISInfoA100", "^DSLR-A100$"},
};
constexpr NameVariant kMinolta0020[] = {
    {0, 0, "", 0, "WBInfoA100", "^DSLR-A100$"},
};
constexpr NameVariant kMinolta0113[] = {
    {0, 0, "", 0, "ImageStabilization", "^DSLR-A100$"},
};
constexpr NameVariant kMinolta0114[] = {
    {0, 0, "", 0, "MinoltaCameraSettings5D", "^DYNAX 5D|^MAXXUM 5D|^ALPHA SWEET"},
    {0, 0, "", 0, "CameraSettingsA100", "^DSLR-A100$"},
};

constexpr ExifTag kMinoltaTags[] = {
    {0x0000, "MakerNoteVersion"},
    {0x0001, "MinoltaCameraSettingsOld"},
    {0x0004, "MinoltaCameraSettings7D"},
    by_form(0x0010, kMinolta0010),
    by_form(0x0018, kMinolta0018),
    by_form(0x0020, kMinolta0020),
    {0x0040, "CompressedImageSize"},
    {0x0081, "PreviewImage"},
    {0x0088, "PreviewImageStart"},
    {0x0089, "PreviewImageLength"},
    {0x0100, "SceneMode"},
    {0x0101, "ColorMode"},
    {0x0102, "MinoltaQuality"},
    {0x0104, "FlashExposureComp"},
    {0x0105, "Teleconverter"},
    {0x0107, "ImageStabilization"},
    {0x0109, "RawAndJpgRecording"},
    {0x010A, "ZoneMatching"},
    {0x010B, "ColorTemperature"},
    {0x010C, "LensType"},
    {0x0111, "ColorCompensationFilter"},
    {0x0112, "WhiteBalanceFineTune"},
    by_form(0x0113, kMinolta0113),
    by_form(0x0114, kMinolta0114),
    {0x0115, "WhiteBalance"},
    {0x0E00, "PrintIM"},
    {0x0F00, "MinoltaCameraSettings2"},
};

constexpr MakerPreview kMinoltaPreviews[] = {pair(0x0088, 0x0089), held(0x0081)};

static_assert(sorted(kMinoltaTags));

}  // namespace

const MakerNames kMinoltaNames = with_previews(names_of(kMinoltaTags), kMinoltaPreviews);

}  // namespace pelnor
