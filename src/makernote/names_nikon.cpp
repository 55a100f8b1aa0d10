// Nikon, and the type 2 maker notes of its early cameras: the names of the maker's tags, the
// directories its entries lead to and the entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

constexpr ExifTag kNikonPreviewTags[] = {
    {0x0103, "Compression"},      {0x011A, "XResolution"},       {0x011B, "YResolution"},
    {0x0128, "ResolutionUnit"},   {0x0201, "PreviewImageStart"}, {0x0202, "PreviewImageLength"},
    {0x0213, "YCbCrPositioning"},
};
constexpr MakerPreview kNikonPreviews[] = {pair(0x0201, 0x0202)};
constexpr MakerNames kNikonPreviewNames =
    with_previews(names_of(kNikonPreviewTags), kNikonPreviews);

constexpr ExifTag kNikonTags[] = {
    {0x0001, "MakerNoteVersion"},
    {0x0002, "ISO"},
    {0x0003, "ColorMode"},
    {0x0004, "Quality"},
    {0x0005, "WhiteBalance"},
    {0x0006, "Sharpness"},
    {0x0007, "FocusMode"},
    {0x0008, "FlashSetting"},
    {0x0009, "FlashType"},
    {0x000B, "WhiteBalanceFineTune"},
    {0x000C, "WB_RBLevels"},
    {0x000D, "ProgramShift"},
    {0x000E, "ExposureDifference"},
    {0x000F, "ISOSelection"},
    {0x0011, "PreviewIFD"},
    {0x0012, "FlashExposureComp"},
    {0x0013, "ISOSetting"},
    {0x0016, "ImageBoundary"},
    {0x0017, "ExternalFlashExposureComp"},
    {0x0018, "FlashExposureBracketValue"},
    {0x0019, "ExposureBracketValue"},
    {0x001A, "ImageProcessing"},
    {0x001B, "CropHiSpeed"},
    {0x001C, "ExposureTuning"},
    {0x001D, "SerialNumber"},
    {0x001E, "ColorSpace"},
    {0x001F, "VRInfo"},
    {0x0020, "ImageAuthentication"},
    {0x0021, "FaceDetect"},
    {0x0022, "ActiveD-Lighting"},
    {0x0023, "PictureControlData"},
    {0x0024, "WorldTime"},
    {0x0025, "ISOInfo"},
    {0x002A, "VignetteControl"},
    {0x002B, "DistortInfo"},
    {0x0034, "ShutterMode"},
    {0x0037, "MechanicalShutterCount"},
    {0x0039, "LocationInfo"},
    {0x003D, "BlackLevel"},
    {0x0045, "CropArea"},
    {0x004E, "NikonSettings"},
    {0x0080, "ImageAdjustment"},
    {0x0081, "ToneComp"},
    {0x0082, "AuxiliaryLens"},
    {0x0083, "LensType"},
    {0x0084, "Lens"},
    {0x0085, "ManualFocusDistance"},
    {0x0086, "DigitalZoom"},
    {0x0087, "FlashMode"},
    {0x0088, "AFInfo"},
    {0x0089, "ShootingMode"},
    {0x008B, "LensFStops"},
    {0x008C, "ContrastCurve"},
    {0x008D, "ColorHue"},
    {0x008F, "SceneMode"},
    {0x0090, "LightSource"},
    {0x0092, "HueAdjustment"},
    {0x0093, "NEFCompression"},
    {0x0094, "SaturationAdj"},
    {0x0095, "NoiseReduction"},
    {0x0096, "NEFLinearizationTable"},
    {0x0099, "RawImageCenter"},
    {0x009A, "SensorPixelSize"},
    {0x009C, "SceneAssist"},
    {0x009D, "DateStampMode"},
    {0x009E, "RetouchHistory"},
    {0x00A0, "SerialNumber"},
    {0x00A2, "ImageDataSize"},
    {0x00A5, "ImageCount"},
    {0x00A6, "DeletedImageCount"},
    {0x00A7, "ShutterCount"},
    {0x00A9, "ImageOptimization"},
    {0x00AA, "Saturation"},
    {0x00AB, "VariProgram"},
    {0x00AC, "ImageStabilization"},
    {0x00AD, "AFResponse"},
    {0x00B1, "HighISONoiseReduction"},
    {0x00B3, "ToningEffect"},
    {0x00B6, "PowerUpTime"},
    {0x00B7, "AFInfo2"},
    {0x00B8, "FileInfo"},
    {0x00B9, "AFTune"},
    {0x00BB, "RetouchInfo"},
    {0x00BD, "PictureControlData"},
    {0x0E00, "PrintIM"},
    {0x0E01, "NikonCaptureData"},
    {0x0E09, "NikonCaptureVersion"},
    {0x0E0E, "NikonCaptureOffsets"},
    {0x0E10, "NikonScanIFD"},
    {0x0E1D, "NikonICCProfile"},
    {0x0E1E, "NikonCaptureOutput"},
    {0x0E22, "NEFBitDepth"},
};

constexpr MakerSubdirectory kNikonSubdirectories[] = {
    {0x0011, nullptr, "PreviewIFD", SUBDIR_POINTER, 0, ORDER_PARENT, false, nullptr, 0,
     &kNikonPreviewNames},
    {0x0E10, nullptr, "NikonScan", SUBDIR_POINTER, 0, ORDER_PARENT, false, nullptr, 0, &kUnnamed},
};

// The maker notes that begin "Nikon\0\1".
constexpr ExifTag kNikon2Tags[] = {
    {0x0003, "Quality"},        {0x0004, "ColorMode"},    {0x0005, "ImageAdjustment"},
    {0x0006, "CCDSensitivity"}, {0x0007, "WhiteBalance"}, {0x0008, "Focus"},
    {0x000A, "DigitalZoom"},    {0x000B, "Converter"},
};

static_assert(sorted(kNikonPreviewTags) && sorted(kNikonTags) && sorted(kNikon2Tags));

}  // namespace

const MakerNames kNikonNames = names_of(kNikonTags, kNikonSubdirectories);
const MakerNames kNikon2Names = names_of(kNikon2Tags);

}  // namespace pelnor
