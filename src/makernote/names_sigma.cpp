// Sigma and Foveon: the names of the maker's tags, the directories its entries lead to and the
// entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

constexpr ExifTag kSigmaTags[] = {
    {0x0002, "SerialNumber"}, {0x0003, "DriveMode"},      {0x0004, "ResolutionMode"},
    {0x0005, "AFMode"},       {0x0006, "FocusSetting"},   {0x0007, "WhiteBalance"},
    {0x0008, "ExposureMode"}, {0x0009, "MeteringMode"},   {0x000A, "LensFocalRange"},
    {0x000B, "ColorSpace"},   {0x0015, "AdjustmentMode"}, {0x0016, "Quality"},
    {0x0017, "Firmware"},     {0x0018, "Software"},       {0x0019, "AutoBracket"},
    {0x003D, "PictureMode"},
};

// Sigma's older maker notes give the pair at 0x001A, its newer ones at 0x001C.
constexpr MakerPreview kSigmaPreviews[] = {pair(0x001A, 0x001B), pair(0x001C, 0x001D)};

static_assert(sorted(kSigmaTags));

}  // namespace

const MakerNames kSigmaNames = with_previews(names_of(kSigmaTags), kSigmaPreviews);

}  // namespace pelnor
