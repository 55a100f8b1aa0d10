// Samsung: the names of the maker's tags, the directories its entries lead to and the
// entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

constexpr ExifTag kSamsungTags[] = {
    {0x0001, "MakerNoteVersion"},
    {0x0002, "DeviceType"},
    {0x0003, "SamsungModelID"},
    {0x0011, "OrientationInfo"},
    {0x0020, "SmartAlbumColor"},
    {0x0021, "PictureWizard"},
    {0x0030, "LocalLocationName"},
    {0x0031, "LocationName"},
    {0x0040, "RawDataByteOrder"},
    {0x0041, "WhiteBalanceSetup"},
    {0x0043, "CameraTemperature"},
    {0x0050, "RawDataCFAPattern"},
    {0x0100, "FaceDetect"},
    {0x0120, "FaceRecognition"},
    {0x0123, "FaceName"},
    {0xA001, "FirmwareName"},
    {0xA003, "LensType"},
    {0xA004, "LensFirmware"},
    {0xA005, "InternalLensSerialNumber"},
    {0xA010, "SensorAreas"},
    {0xA011, "ColorSpace"},
    {0xA012, "SmartRange"},
    {0xA013, "ExposureCompensation"},
    {0xA014, "ISO"},
    {0xA018, "ExposureTime"},
    {0xA019, "FNumber"},
    {0xA01A, "FocalLengthIn35mmFormat"},
    {0xA020, "EncryptionKey"},
    {0xA021, "WB_RGGBLevelsUncorrected"},
    {0xA022, "WB_RGGBLevelsAuto"},
    {0xA023, "WB_RGGBLevelsIlluminator1"},
    {0xA024, "WB_RGGBLevelsIlluminator2"},
    {0xA025, "HighlightLinearityLimit"},
    {0xA028, "WB_RGGBLevelsBlack"},
    {0xA030, "ColorMatrix"},
    {0xA031, "ColorMatrixSRGB"},
    {0xA032, "ColorMatrixAdobeRGB"},
    {0xA033, "CbCrMatrixDefault"},
    {0xA034, "CbCrMatrix"},
    {0xA035, "CbCrGainDefault"},
    {0xA036, "CbCrGain"},
    {0xA040, "ToneCurveSRGBDefault"},
    {0xA041, "ToneCurveAdobeRGBDefault"},
    {0xA042, "ToneCurveSRGB"},
    {0xA043, "ToneCurveAdobeRGB"},
    {0xA048, "RawData"},
    {0xA050, "Distortion"},
    {0xA051, "ChromaticAberration"},
    {0xA052, "Vignetting"},
    {0xA053, "VignettingCorrection"},
    {0xA054, "VignettingSetting"},
    {0xA055, "Samsung_Type2_0xa055"},
    {0xA056, "Samsung_Type2_0xa056"},
    {0xA057, "Samsung_Type2_0xa057"},
};

static_assert(sorted(kSamsungTags));

}  // namespace

const MakerNames kSamsungNames = names_of(kSamsungTags);

}  // namespace pelnor
