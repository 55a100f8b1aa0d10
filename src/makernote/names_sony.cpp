// Sony, and Hasselblad models built on Sony bodies: the names of the maker's tags, the directories
// its entries lead to and the entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

// Tags whose name depends on their value's form: its version, its size, its type or the camera.
constexpr NameVariant kSony0010[] = {
    {0, 368, "", 0, "CameraInfo"},    {0, 5478, "", 0, "CameraInfo"},
    {0, 5506, "", 0, "CameraInfo2"},  {0, 6118, "", 0, "CameraInfo2"},
    {0, 15360, "", 0, "CameraInfo3"},
};
constexpr NameVariant kSony0020[] = {
    {0, 19154, "", 0, "FocusInfo"},
    {0, 19148, "", 0, "FocusInfo"},
};
constexpr NameVariant kSony0114[] = {
    {0, 280, "", 0, "CameraSettings"},
    {0, 364, "", 0, "CameraSettings"},
    {0, 332, "", 0, "CameraSettings2"},
};
constexpr NameVariant kSony1000[] = {
    {7, 0, "", 0, "MultiBurstMode"},
};
constexpr NameVariant kSony1001[] = {
    {3, 0, "", 0, "MultiBurstImageWidth"},
};
constexpr NameVariant kSony1002[] = {
    {3, 0, "", 0, "MultiBurstImageHeight"},
};
constexpr NameVariant kSony2010[] = {
    {0, 0, "", 0, "Tag2010a", "^NEX-5N$"},
};
constexpr NameVariant kSony201C[] = {
    {0, 0, "", 0, "AFAreaModeSetting", "^SLT-|^HV"},
};
constexpr NameVariant kSony202A[] = {
    {0, 0, "\x01", 1, "Tag202a"},
};
constexpr NameVariant kSony900B[] = {
    {0, 0, "\xae", 1, "Tag900b"},
};
constexpr NameVariant kSony940A[] = {
    {0, 0, "", 0, "Tag940a", "^SLT-|^HV"},
};
constexpr NameVariant kSony940C[] = {
    {0, 0, "", 0, "Tag940c", "^NEX->|^ILCE->|^ILME->|^Lunar>|^ZV-E10>"},
};
constexpr NameVariant kSony940E[] = {
    {0, 0, "", 0, "AFInfo", "^SLT-|^HV|^ILCA-"},
    {0, 0, "", 0, "Tag940e", "^NEX-|^ILCE-|^Lunar"},
};
constexpr NameVariant kSonyB050[] = {
    {0, 0, "", 0, "HighISONoiseReduction2", "^DSC-|^Stellar"},
};

constexpr ExifTag kSonyTags[] = {
    by_form(0x0010, kSony0010, "CameraInfoUnknown"),
    by_form(0x0020, kSony0020, "MoreInfo"),
    {0x0102, "Quality"},
    {0x0104, "FlashExposureComp"},
    {0x0105, "Teleconverter"},
    {0x0112, "WhiteBalanceFineTune"},
    by_form(0x0114, kSony0114),
    {0x0115, "WhiteBalance"},
    {0x0E00, "PrintIM"},
    by_form(0x1000, kSony1000),
    by_form(0x1001, kSony1001),
    by_form(0x1002, kSony1002),
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
    by_form(0x2010, kSony2010),
    {0x2011, "VignettingCorrection"},
    {0x2012, "LateralChromaticAberration"},
    {0x2013, "DistortionCorrectionSetting"},
    {0x2014, "WBShiftAB_GM"},
    {0x2016, "AutoPortraitFramed"},
    {0x2017, "FlashAction"},
    {0x201A, "ElectronicFrontCurtainShutter"},
    by_form(0x201C, kSony201C),
    {0x2023, "MultiFrameNREffect"},
    {0x2026, "WBShiftAB_GM_Precise"},
    {0x2027, "FocusLocation"},
    {0x2028, "VariableLowPassFilter"},
    {0x2029, "RAWFileType"},
    by_form(0x202A, kSony202A),
    {0x202B, "PrioritySetInAWB"},
    {0x202C, "MeteringMode2"},
    {0x202D, "ExposureStandardAdjustment"},
    {0x202E, "Quality"},
    {0x202F, "PixelShiftInfo"},
    {0x2031, "SerialNumber"},
    {0x2032, "Shadows"},
    {0x2033, "Highlights"},
    {0x2034, "Fade"},
    {0x2035, "SharpnessRange"},
    {0x2036, "Clarity"},
    {0x2037, "FocusFrameSize"},
    {0x2039, "JPEG-HEIFSwitch"},
    {0x3000, "ShotInfo"},
    by_form(0x900B, kSony900B),
    {0x9401, "Tag9401"},
    {0x9403, "Tag9403"},
    {0x9407, "Sony_0x9407"},
    {0x9408, "Sony_0x9408"},
    {0x9409, "Sony_0x9409"},
    by_form(0x940A, kSony940A, "Sony_0x940a"),
    {0x940B, "Sony_0x940b"},
    by_form(0x940C, kSony940C, "Sony_0x940c"),
    {0x940D, "Sony_0x940d"},
    by_form(0x940E, kSony940E, "Sony_0x940e"),
    {0x940F, "Sony_0x940f"},
    {0x9411, "Sony_0x9411"},
    {0x9416, "Sony_0x9416"},
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
    by_form(0xB050, kSonyB050),
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

// The phones of Sony Ericsson: a preview by its start and length, counted from 8 bytes before
// the IFD.
constexpr ExifTag kSonyEricssonTags[] = {
    {0x0201, "PreviewImageStart"},
    {0x0202, "PreviewImageLength"},
    {0x2000, "MakerNoteVersion"},
};
constexpr MakerPreview kSonyEricssonPreviews[] = {pair(0x0201, 0x0202)};

static_assert(sorted(kSonyTags) && sorted(kSonyEricssonTags));

}  // namespace

const MakerNames kSonyNames =
    with_previews(names_of(kSonyTags, kSonySubdirectories), kSonyPreviews);
const MakerNames kSonyEricssonNames =
    with_previews(names_of(kSonyEricssonTags), kSonyEricssonPreviews);

}  // namespace pelnor
