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
    {0x001C, "PreviewImageSize"},
    {0x001D, "MakerNoteVersion"},
    {0x001F, "AFPoint"},
    {0x0022, "FileFormat"},
    {0x0024, "Calibration"},
    by_form(0x002C, kSigma002C),
    {0x0030, "LensApertureRange"},
    {0x0031, "FNumber"},
    {0x0032, "ExposureTime"},
    {0x0034, "BurstShot"},
    {0x0035, "ExposureCompensation"},
    {0x0039, "SensorTemperature"},
    {0x003A, "FlashExposureComp"},
    {0x003B, "Firmware"},
    {0x003C, "WhiteBalance"},
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

// Maker notes of version 3 and later (the byte after "SIGMA\0\0\0\0"), which moved many tags;
// the tags named by their type alone are named alike in both.
constexpr NameVariant kSigma3001C[] = {
    {4, 0, "", 0, "PreviewImageStart"},
};
constexpr NameVariant kSigma3001D[] = {
    {4, 0, "", 0, "PreviewImageLength"},
};

constexpr ExifTag kSigma3Tags[] = {
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
    by_form(0x001C, kSigma3001C),
    by_form(0x001D, kSigma3001D),
    {0x001E, "PreviewImageSize"},
    {0x001F, "MakerNoteVersion"},
    {0x0026, "FileFormat"},
    {0x0027, "LensType"},
    {0x002A, "LensFocalRange"},
    {0x002B, "LensMaxApertureRange"},
    by_form(0x002C, kSigma002C),
    {0x0030, "Calibration"},
    {0x003D, "PictureMode"},
    {0x0048, "LensApertureRange"},
    {0x0049, "FNumber"},
    {0x004A, "ExposureTime"},
    {0x004D, "ExposureCompensation"},
    {0x0055, "SensorTemperature"},
    {0x0056, "FlashExposureComp"},
    by_form(0x0057, kSigma0057),
    {0x0058, "WhiteBalance"},
    {0x0059, "DigitalFilter"},
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

static_assert(sorted(kSigmaTags) && sorted(kSigma3Tags));

}  // namespace

const MakerNames kSigmaNames = with_previews(names_of(kSigmaTags), kSigmaPreviews);
const MakerNames kSigma3Names = with_previews(names_of(kSigma3Tags), kSigmaPreviews);

}  // namespace pelnor
