// Sony, and Hasselblad models built on Sony bodies: the names of the maker's tags, the directories
// its entries lead to and the entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

constexpr ExifTag kSonyTags[] = {
    {0x0102, "Quality"},
    {0x0104, "FlashExposureComp"},
    {0x0105, "Teleconverter"},
    {0x0112, "WhiteBalanceFineTune"},
    {0x0115, "WhiteBalance"},
    {0x0E00, "PrintIM"},
    {0x2001, "PreviewImage"},
    {0x2002, "Rating"},
    {0x2004, "Contrast"},
    {0x2005, "Saturation"},
    {0x2006, "Sharpness"},
    {0x2007, "Brightness"},
    {0x2008, "LongExposureNoiseReduction"},
    {0x2009, "HighISONoiseReduction"},
    {0x200A, "HDR"},
    {0x200B, "MultiFrameNoiseReduction"},
    {0x200E, "PictureEffect"},
    {0x200F, "SoftSkinEffect"},
    {0x2011, "VignettingCorrection"},
    {0x2012, "LateralChromaticAberration"},
    {0x2013, "DistortionCorrectionSetting"},
    {0x2014, "WBShiftAB_GM"},
    {0x2016, "AutoPortraitFramed"},
    {0x2017, "FlashAction"},
    {0x201A, "ElectronicFrontCurtainShutter"},
    {0x2023, "MultiFrameNREffect"},
    {0x2026, "WBShiftAB_GM_Precise"},
    {0x2027, "FocusLocation"},
    {0x2028, "VariableLowPassFilter"},
    {0x2029, "RAWFileType"},
    {0x202B, "PrioritySetInAWB"},
    {0x202C, "MeteringMode2"},
    {0x202D, "ExposureStandardAdjustment"},
    {0x202E, "Quality"},
    {0x202F, "PixelShiftInfo"},
    {0x2031, "SerialNumber"},
    {0x3000, "ShotInfo"},
    {0xB000, "FileFormat"},
    {0xB001, "SonyModelID"},
    {0xB020, "CreativeStyle"},
    {0xB021, "ColorTemperature"},
    {0xB022, "ColorCompensationFilter"},
    {0xB023, "SceneMode"},
    {0xB024, "ZoneMatching"},
    {0xB025, "DynamicRangeOptimizer"},
    {0xB026, "ImageStabilization"},
    {0xB027, "LensType"},
    {0xB028, "MinoltaMakerNote"},
    {0xB029, "ColorMode"},
    {0xB02A, "LensSpec"},
    {0xB02B, "FullImageSize"},
    {0xB02C, "PreviewImageSize"},
    {0xB040, "Macro"},
    {0xB041, "ExposureMode"},
    {0xB044, "AFIlluminator"},
    {0xB047, "JPEGQuality"},
    {0xB048, "FlashLevel"},
    {0xB049, "ReleaseMode"},
    {0xB04A, "SequenceNumber"},
    {0xB04B, "Anti-Blur"},
    {0xB04F, "DynamicRangeOptimizer"},
    {0xB052, "IntelligentAuto"},
    {0xB054, "WhiteBalance"},
};

constexpr MakerSubdirectory kSonySubdirectories[] = {
    // The DSLR-A100 keeps a Minolta maker note inside its own.
    {0xB028, nullptr, "MinoltaMakerNote", SUBDIR_POINTER, 0, ORDER_PARENT, false, nullptr, 0,
     &kMinoltaNames},
};

// A 32-byte header of Sony's own comes before the JPEG.
constexpr MakerPreview kSonyPreviews[] = {held(0x2001, 32)};

static_assert(sorted(kSonyTags));

}  // namespace

const MakerNames kSonyNames =
    with_previews(names_of(kSonyTags, kSonySubdirectories), kSonyPreviews);

}  // namespace pelnor
