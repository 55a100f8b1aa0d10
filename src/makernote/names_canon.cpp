// Canon: the names of the maker's tags, the directories its entries lead to and the
// entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

// Tags whose name depends on their value's form: its version, its size, its type or the camera.
constexpr NameVariant kCanon000D[] = {
    {0, 0, "", 0, "CanonCameraInfo1D", "<1DS$|<1D$"},
    {0, 0, "", 0, "CanonCameraInfo1DmkII", "<1Ds Mark II$|<1D Mark II$"},
    {0, 0, "", 0, "CanonCameraInfo1DmkIIN", "<1Ds Mark II N$|<1D Mark II N$"},
    {0, 0, "", 0, "CanonCameraInfo1DmkIII", "<1Ds Mark III$|<1D Mark III$"},
    {0, 0, "", 0, "CanonCameraInfo1DmkIV", "<1D Mark IV$"},
    {0, 0, "", 0, "CanonCameraInfo1DX", "EOS-1D X$"},
    {0, 0, "", 0, "CanonCameraInfo5D", "EOS 5D$"},
    {0, 0, "", 0, "CanonCameraInfo5DmkII", "EOS 5D Mark II$"},
    {0, 0, "", 0, "CanonCameraInfo5DmkIII", "EOS 5D Mark III$"},
    {0, 0, "", 0, "CanonCameraInfo6D", "EOS 6D$"},
    {0, 0, "", 0, "CanonCameraInfo7D", "EOS 7D$"},
    {0, 0, "", 0, "CanonCameraInfo40D", "EOS 40D$"},
    {0, 0, "", 0, "CanonCameraInfo50D", "EOS 50D$"},
    {0, 0, "", 0, "CanonCameraInfo60D", "EOS 60D$"},
    {0, 0, "", 0, "CanonCameraInfo70D", "EOS 70D$"},
    {0, 0, "", 0, "CanonCameraInfo80D", "EOS 80D$"},
    {0, 0, "", 0, "CanonCameraInfo450D", "<450D>|<REBEL XSi>|<Kiss X2>"},
    {0, 0, "", 0, "CanonCameraInfo500D", "<500D>|<REBEL T1i>|<Kiss X3>"},
    {0, 0, "", 0, "CanonCameraInfo550D", "<550D>|<REBEL T2i>|<Kiss X4>"},
    {0, 0, "", 0, "CanonCameraInfo600D", "<600D>|<REBEL T3i>|<Kiss X5>"},
    {0, 0, "", 0, "CanonCameraInfo650D", "<650D>|<REBEL T4i>|<Kiss X6i>"},
    {0, 0, "", 0, "CanonCameraInfo700D", "<700D>|<REBEL T5i>|<Kiss X7i>"},
    {0, 0, "", 0, "CanonCameraInfo750D", "<750D>|<Rebel T6i>|<Kiss X8i>"},
    {0, 0, "", 0, "CanonCameraInfo760D", "<760D>|<Rebel T6s>|<8000D>"},
    {0, 0, "", 0, "CanonCameraInfo1000D", "<1000D>|<REBEL XS>|<Kiss F>"},
    {0, 0, "", 0, "CanonCameraInfo1100D", "<1100D>|<REBEL T3>|<Kiss X50>"},
    {0, 0, "", 0, "CanonCameraInfo1200D", "<1200D>|<REBEL T5>|<Kiss X70>"},
    {4, 138, "", 0, "CanonCameraInfoPowerShot"},
    {4, 148, "", 0, "CanonCameraInfoPowerShot"},
    {4, 156, "", 0, "CanonCameraInfoPowerShot2"},
    {4, 162, "", 0, "CanonCameraInfoPowerShot2"},
    {4, 167, "", 0, "CanonCameraInfoPowerShot2"},
    {4, 171, "", 0, "CanonCameraInfoPowerShot2"},
    {4, 264, "", 0, "CanonCameraInfoPowerShot2"},
    {4, 0, "", 0, "CanonCameraInfoUnknown32"},
    {9, 0, "", 0, "CanonCameraInfoUnknown32"},
    {3, 0, "", 0, "CanonCameraInfoUnknown16"},
    {8, 0, "", 0, "CanonCameraInfoUnknown16"},
};
constexpr NameVariant kCanon000F[] = {
    {0, 0, "", 0, "CustomFunctions1D", "EOS-1D"},
    {0, 0, "", 0, "CustomFunctions5D", "EOS 5D"},
    {0, 0, "", 0, "CustomFunctions10D", "EOS 10D"},
    {0, 0, "", 0, "CustomFunctions20D", "EOS 20D"},
    {0, 0, "", 0, "CustomFunctions30D", "EOS 30D"},
    {0, 0, "", 0, "CustomFunctions350D", "<350D>|<REBEL XT>|<Kiss Digital N>"},
    {0, 0, "", 0, "CustomFunctions400D", "<400D>|<REBEL XTi>|<Kiss Digital X>|<K236>"},
    {0, 0, "", 0, "CustomFunctionsD30", "EOS D30>"},
    {0, 0, "", 0, "CustomFunctionsD60", "EOS D60>"},
};
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
    by_form(0x000D, kCanon000D, "CanonCameraInfoUnknown"),
    {0x000E, "CanonFileLength"},
    by_form(0x000F, kCanon000F, "CustomFunctionsUnknown"),
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
