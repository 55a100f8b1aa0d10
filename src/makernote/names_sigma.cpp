// Sigma and Foveon: the names of the maker's tags, the directories its entries lead to and the
// entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

// Tags whose name depends on their value's form: its version, its size, its type or the camera.
constexpr NameVariant kSigma000C[] = {
    {2, 0, "", 0, "ExposureCompensation"},
};
constexpr NameVariant kSigma001A[] = {
    {4, 0, "", 0, "PreviewImageStart"},
    {2, 0, "", 0, "ChrominanceNoiseReduction"},
};
constexpr NameVariant kSigma001B[] = {
    {4, 0, "", 0, "PreviewImageLength"},
    {2, 0, "", 0, "LuminanceNoiseReduction"},
};
constexpr NameVariant kSigma002C[] = {
    {4, 0, "", 0, "ColorMode"},
};
constexpr NameVariant kSigma0057[] = {
    {2, 0, "", 0, "Firmware2"},
};

constexpr ExifTag kSigmaTags[] = {
    {0x0002, "SerialNumber"},
    {0x0003, "DriveMode"},
    {0x0004, "ResolutionMode"},
    {0x0005, "AFMode"},
    {0x0006, "FocusSetting"},
    {0x0007, "WhiteBalance"},
    {0x0008, "ExposureMode"},
    {0x0009, "MeteringMode"},
    {0x000A, "LensFocalRange"},
    {0x000B, "ColorSpace"},
    by_form(0x000C, kSigma000C, "ExposureAdjust"),
    {0x000D, "Contrast"},
    {0x000E, "Shadow"},
    {0x000F, "Highlight"},
    {0x0010, "Saturation"},
    {0x0011, "Sharpness"},
    {0x0012, "X3FillLight"},
    {0x0014, "ColorAdjustment"},
    {0x0015, "AdjustmentMode"},
    {0x0016, "Quality"},
    {0x0017, "Firmware"},
    {0x0018, "Software"},
    {0x0019, "AutoBracket"},
    by_form(0x001A, kSigma001A),
    by_form(0x001B, kSigma001B),
    by_form(0x002C, kSigma002C),
    {0x003D, "PictureMode"},
    by_form(0x0057, kSigma0057),
    {0x0084, "Model"},
    {0x0086, "ISO"},
    {0x0087, "ResolutionMode"},
    {0x0088, "WhiteBalance"},
    {0x008C, "Firmware"},
    {0x011F, "CameraCalibration"},
    {0x0120, "WBSettings"},
    {0x0121, "WBSettings2"},
};

// Sigma's older maker notes give the pair at 0x001A, its newer ones at 0x001C.
constexpr MakerPreview kSigmaPreviews[] = {pair(0x001A, 0x001B), pair(0x001C, 0x001D)};

static_assert(sorted(kSigmaTags));

}  // namespace

const MakerNames kSigmaNames = with_previews(names_of(kSigmaTags), kSigmaPreviews);

}  // namespace pelnor
