// Nikon, and the type 2 maker notes of its early cameras: the names of the maker's tags, the
// directories its entries lead to and the entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

constexpr ExifTag kNikonPreviewTags[] = {
    {0x00FE, "SubfileType"},        {0x0103, "Compression"},      {0x011A, "XResolution"},
    {0x011B, "YResolution"},        {0x0128, "ResolutionUnit"},   {0x0201, "PreviewImageStart"},
    {0x0202, "PreviewImageLength"}, {0x0213, "YCbCrPositioning"},
};
constexpr MakerPreview kNikonPreviews[] = {pair(0x0201, 0x0202)};
constexpr MakerNames kNikonPreviewNames =
    with_previews(names_of(kNikonPreviewTags), kNikonPreviews);

// Tags whose name depends on their value's form: its version, its size, its type or the camera.
constexpr NameVariant kNikon0014[] = {
    {7, 2560, "", 0, "ColorBalanceA"},
    {0, 0, "NRW 0100", 8, "NRWData"},
    {0, 0, "NRW ", 4, "NRWData"},
};
constexpr NameVariant kNikon0035[] = {
    {0, 6, "", 0, "HDRInfo2"},
};
constexpr NameVariant kNikon0091[] = {
    {0, 0, "0209", 4, "ShotInfoD40"},       {0, 0, "0208", 4, "ShotInfoD80"},
    {0, 0, "0213", 4, "ShotInfoD90"},       {0, 5399, "0210", 4, "ShotInfoD3a"},
    {0, 5408, "0210", 4, "ShotInfoD3b"},    {0, 5412, "0210", 4, "ShotInfoD3b"},
    {0, 5409, "0214", 4, "ShotInfoD3X"},    {0, 5356, "0218", 4, "ShotInfoD3S"},
    {0, 5388, "0218", 4, "ShotInfoD3S"},    {0, 5291, "0210", 4, "ShotInfoD300a"},
    {0, 5303, "0210", 4, "ShotInfoD300b"},  {0, 5311, "0216", 4, "ShotInfoD300S"},
    {0, 5312, "0212", 4, "ShotInfoD700"},   {0, 0, "0222", 4, "ShotInfoD800"},
    {0, 0, "0233", 4, "ShotInfoD810"},      {0, 0, "0243", 4, "ShotInfoD850"},
    {0, 6745, "0215", 4, "ShotInfoD5000"},  {0, 8902, "0221", 4, "ShotInfoD5100"},
    {0, 11587, "0226", 4, "ShotInfoD5200"}, {0, 0, "0220", 4, "ShotInfoD7000"},
    {0, 0, "0223", 4, "ShotInfoD4"},        {0, 0, "0231", 4, "ShotInfoD4S"},
    {0, 0, "023[8-9]", 8, "ShotInfoD500"},  {0, 0, "0246", 4, "ShotInfoD6"},
    {0, 0, "0232", 4, "ShotInfoD610"},      {0, 0, "080[0-4]", 8, "ShotInfoZ7II"},
    {0, 0, "0805", 4, "ShotInfoZ9"},
};
constexpr NameVariant kNikon0097[] = {
    {0, 0, "0100", 4, "ColorBalance0100"}, {0, 0, "0102", 4, "ColorBalance0102"},
    {0, 0, "0103", 4, "ColorBalance0103"}, {0, 0, "0205", 4, "ColorBalance0205"},
    {0, 0, "0209", 4, "ColorBalance0209"}, {0, 0, "0212", 4, "ColorBalance0209"},
    {0, 0, "0214", 4, "ColorBalance0209"},
};
constexpr NameVariant kNikon0098[] = {
    {0, 0, "0100", 4, "LensData0100"},     {0, 0, "0101", 4, "LensData0101"},
    {0, 0, "020[1-3]", 8, "LensData0201"}, {0, 0, "0204", 4, "LensData0204"},
    {0, 0, "040[0-1]", 8, "LensData0400"}, {0, 0, "0402", 4, "LensData0402"},
    {0, 0, "0403", 4, "LensData0403"},     {0, 0, "080[0-2]", 8, "LensData0800"},
};
constexpr NameVariant kNikon00A8[] = {
    {0, 0, "010[0-1]", 8, "FlashInfo0100"}, {0, 0, "0102", 4, "FlashInfo0102"},
    {0, 0, "010[3-5]", 8, "FlashInfo0103"}, {0, 0, "0106", 4, "FlashInfo0106"},
    {0, 0, "010[7-8]", 8, "FlashInfo0107"}, {0, 0, "030[0-1]", 8, "FlashInfo0300"},
};
constexpr NameVariant kNikon00B0[] = {
    {0, 0, "0100", 4, "MultiExposure"},
    {0, 0, "0101", 4, "MultiExposure"},
    {0, 0, "010[2-3]", 8, "MultiExposure2"},
};

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
    {0x0010, "DataDump"},
    {0x0011, "PreviewIFD"},
    {0x0012, "FlashExposureComp"},
    {0x0013, "ISOSetting"},
    by_form(0x0014, kNikon0014),
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
    {0x002C, "UnknownInfo"},
    {0x0032, "UnknownInfo2"},
    {0x0034, "ShutterMode"},
    by_form(0x0035, kNikon0035, "HDRInfo"),
    {0x0037, "MechanicalShutterCount"},
    {0x0039, "LocationInfo"},
    {0x003D, "BlackLevel"},
    {0x003E, "ImageSizeRAW"},
    {0x003F, "WhiteBalanceFineTune"},
    {0x0045, "CropArea"},
    {0x004E, "NikonSettings"},
    {0x004F, "ColorTemperatureAuto"},
    {0x0051, "MakerNotes0x51"},
    {0x0056, "MakerNotes0x56"},
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
    by_form(0x0091, kNikon0091),
    {0x0092, "HueAdjustment"},
    {0x0093, "NEFCompression"},
    {0x0094, "SaturationAdj"},
    {0x0095, "NoiseReduction"},
    {0x0096, "NEFLinearizationTable"},
    by_form(0x0097, kNikon0097),
    by_form(0x0098, kNikon0098, "LensDataUnknown"),
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
    by_form(0x00A8, kNikon00A8, "FlashInfoUnknown"),
    {0x00A9, "ImageOptimization"},
    {0x00AA, "Saturation"},
    {0x00AB, "VariProgram"},
    {0x00AC, "ImageStabilization"},
    {0x00AD, "AFResponse"},
    by_form(0x00B0, kNikon00B0),
    {0x00B1, "HighISONoiseReduction"},
    {0x00B3, "ToningEffect"},
    {0x00B6, "PowerUpTime"},
    {0x00B7, "AFInfo2"},
    {0x00B8, "FileInfo"},
    {0x00B9, "AFTune"},
    {0x00BB, "RetouchInfo"},
    {0x00BD, "PictureControlData"},
    {0x00BF, "SilentPhotography"},
    {0x00C3, "BarometerInfo"},
    {0x0E00, "PrintIM"},
    {0x0E01, "NikonCaptureData"},
    {0x0E09, "NikonCaptureVersion"},
    {0x0E0E, "NikonCaptureOffsets"},
    {0x0E10, "NikonScanIFD"},
    {0x0E13, "NikonCaptureEditVersions"},
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
