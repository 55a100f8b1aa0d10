// Canon: the names of the maker's tags, the directories its entries lead to and the
// entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

// Tags whose name depends on their value's form: its version, its size or its type.
constexpr NameVariant kCanon0023[] = {
    {0, 0, "\x08\x00\x00\x00", 4, "Categories"},
};
constexpr NameVariant kCanon0026[] = {
    {0, 0, "\x00\x00\x00\x00", 4, nullptr},
};
constexpr NameVariant kCanon0027[] = {
    {0, 0, "\x0a\x00", 2, "ContrastInfo"},
};
constexpr NameVariant kCanon0038[] = {
    {0, 76, "", 0, "BatteryType"},
};
constexpr NameVariant kCanon4001[] = {
    {0, 582, "", 0, "ColorData1"},   {0, 653, "", 0, "ColorData2"},
    {0, 796, "", 0, "ColorData3"},   {0, 692, "", 0, "ColorData4"},
    {0, 674, "", 0, "ColorData4"},   {0, 702, "", 0, "ColorData4"},
    {0, 1227, "", 0, "ColorData4"},  {0, 1250, "", 0, "ColorData4"},
    {0, 1251, "", 0, "ColorData4"},  {0, 1337, "", 0, "ColorData4"},
    {0, 1338, "", 0, "ColorData4"},  {0, 1346, "", 0, "ColorData4"},
    {0, 5120, "", 0, "ColorData5"},  {0, 1273, "", 0, "ColorData6"},
    {0, 1275, "", 0, "ColorData6"},  {0, 1312, "", 0, "ColorData7"},
    {0, 1313, "", 0, "ColorData7"},  {0, 1316, "", 0, "ColorData7"},
    {0, 1506, "", 0, "ColorData7"},  {0, 1560, "", 0, "ColorData8"},
    {0, 1592, "", 0, "ColorData8"},  {0, 1353, "", 0, "ColorData8"},
    {0, 1602, "", 0, "ColorData8"},  {0, 1816, "", 0, "ColorData9"},
    {0, 1820, "", 0, "ColorData9"},  {0, 1824, "", 0, "ColorData9"},
    {0, 2024, "", 0, "ColorData10"}, {0, 3656, "", 0, "ColorData10"},
    {0, 3973, "", 0, "ColorData11"}, {0, 3778, "", 0, "ColorData11"},
};
constexpr NameVariant kCanon4020[] = {
    {0, 0, "\x00\x00\x00\x00", 4, nullptr},
};

constexpr ExifTag kCanonTags[] = {
    {0x0001, "CanonCameraSettings"},
    {0x0002, "CanonFocalLength"},
    {0x0003, "CanonFlashInfo"},
    {0x0004, "CanonShotInfo"},
    {0x0005, "CanonPanorama"},
    {0x0006, "CanonImageType"},
    {0x0007, "CanonFirmwareVersion"},
    {0x0008, "FileNumber"},
    {0x0009, "OwnerName"},
    {0x000A, "UnknownD30"},
    {0x000C, "SerialNumber"},
    {0x000E, "CanonFileLength"},
    {0x0010, "CanonModelID"},
    {0x0011, "MovieInfo"},
    {0x0012, "CanonAFInfo"},
    {0x0013, "ThumbnailImageValidArea"},
    {0x0015, "SerialNumberFormat"},
    {0x001A, "SuperMacro"},
    {0x001C, "DateStampMode"},
    {0x001D, "MyColors"},
    {0x001E, "FirmwareRevision"},
    by_form(0x0023, kCanon0023),
    {0x0024, "FaceDetect1"},
    {0x0025, "FaceDetect2"},
    by_form(0x0026, kCanon0026, "CanonAFInfo2"),
    by_form(0x0027, kCanon0027),
    {0x0028, "ImageUniqueID"},
    {0x0029, "WBInfo"},
    {0x002F, "FaceDetect3"},
    {0x0035, "TimeInfo"},
    by_form(0x0038, kCanon0038),
    {0x003C, "AFInfo3"},
    {0x0081, "RawDataOffset"},
    {0x0083, "OriginalDecisionDataOffset"},
    {0x0090, "CustomFunctions1D"},
    {0x0091, "PersonalFunctions"},
    {0x0092, "PersonalFunctionValues"},
    {0x0093, "CanonFileInfo"},
    {0x0094, "AFPointsInFocus1D"},
    {0x0095, "LensModel"},
    {0x0096, "InternalSerialNumber"},
    {0x0097, "DustRemovalData"},
    {0x0098, "CropInfo"},
    {0x0099, "CustomFunctions2"},
    {0x009A, "AspectInfo"},
    {0x00A0, "ProcessingInfo"},
    {0x00A1, "ToneCurveTable"},
    {0x00A2, "SharpnessTable"},
    {0x00A3, "SharpnessFreqTable"},
    {0x00A4, "WhiteBalanceTable"},
    {0x00A9, "ColorBalance"},
    {0x00AA, "MeasuredColor"},
    {0x00AE, "ColorTemperature"},
    {0x00B0, "CanonFlags"},
    {0x00B1, "ModifiedInfo"},
    {0x00B2, "ToneCurveMatching"},
    {0x00B3, "WhiteBalanceMatching"},
    {0x00B4, "ColorSpace"},
    {0x00B6, "PreviewImageInfo"},
    {0x00D0, "VRDOffset"},
    {0x00E0, "SensorInfo"},
    by_form(0x4001, kCanon4001, "ColorDataUnknown"),
    {0x4002, "CRWParam"},
    {0x4003, "ColorInfo"},
    {0x4005, "Flavor"},
    {0x4008, "PictureStyleUserDef"},
    {0x4009, "PictureStylePC"},
    {0x4010, "CustomPictureStyleFileName"},
    {0x4013, "AFMicroAdj"},
    {0x4016, "VignettingCorr2"},
    {0x4018, "LightingOpt"},
    {0x4019, "LensInfo"},
    by_form(0x4020, kCanon4020, "AmbienceInfo"),
    {0x4021, "MultiExp"},
    {0x4024, "FilterInfo"},
    {0x4025, "HDRInfo"},
    {0x4026, "LogInfo"},
    {0x4028, "AFConfig"},
    {0x403F, "RawBurstModeRoll"},
};

constexpr MakerPreview kCanonPreviews[] = {{0x00B6, PREVIEW_BINARY, 0, 20, 8}};

static_assert(sorted(kCanonTags));

}  // namespace

const MakerNames kCanonNames = with_previews(names_of(kCanonTags), kCanonPreviews);

}  // namespace pelnor
