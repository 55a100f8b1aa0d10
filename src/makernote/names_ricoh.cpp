// Ricoh: the names of the maker's tags, the directories its entries lead to and the
// entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

// Tags whose name depends on their value's form: its version, its size, its type or the camera.
constexpr NameVariant kRicoh1001[] = {
    {3, 0, "", 0, "ExposureProgram"},
};
constexpr NameVariant kRicoh1002[] = {
    {3, 0, "", 0, "DriveMode"},
};
constexpr NameVariant kRicoh1003[] = {
    {3, 0, "", 0, "WhiteBalance"},
};
constexpr NameVariant kRicoh1004[] = {
    {3, 0, "", 0, "WhiteBalanceFineTune"},
};

constexpr ExifTag kRicohTags[] = {
    {0x0001, "MakerNoteType"},
    {0x0002, "FirmwareVersion"},
    {0x0E00, "PrintIM"},
    {0x1000, "RecordingFormat"},
    by_form(0x1001, kRicoh1001, "ImageInfo"),
    by_form(0x1002, kRicoh1002),
    by_form(0x1003, kRicoh1003, "Sharpness"),
    by_form(0x1004, kRicoh1004),
    {0x1006, "FocusMode"},
    {0x1007, "AutoBracketing"},
    {0x1009, "MacroMode"},
    {0x100A, "FlashMode"},
    {0x100B, "FlashExposureComp"},
    {0x100C, "ManualFlashOutput"},
    {0x100D, "FullPressSnap"},
    {0x100E, "DynamicRangeExpansion"},
    {0x100F, "NoiseReduction"},
    {0x1010, "ImageEffects"},
    {0x1011, "Vignetting"},
    {0x1012, "Contrast"},
    {0x1013, "Saturation"},
    {0x1014, "Sharpness"},
    {0x1015, "ToningEffect"},
    {0x1016, "HueAdjust"},
    {0x1017, "WideAdapter"},
    {0x1018, "CropMode"},
    {0x1019, "NDFilter"},
    {0x101A, "WBBracketShotNumber"},
    {0x1200, "AFStatus"},
    {0x1201, "AFAreaXPosition1"},
    {0x1202, "AFAreaYPosition1"},
    {0x1203, "AFAreaXPosition"},
    {0x1204, "AFAreaYPosition"},
    {0x1205, "AFAreaMode"},
    {0x1307, "ColorTempKelvin"},
    {0x1308, "ColorTemperature"},
    {0x1500, "FocalLength"},
    {0x1601, "SensorWidth"},
    {0x1602, "SensorHeight"},
    {0x1603, "CroppedImageWidth"},
    {0x1604, "CroppedImageHeight"},
    held_or_pointed(0x2001, "RicohSubdir", "RicohSubdirIFD"),
    {0x4001, "ThetaSubdir"},
};

constexpr MakerSubdirectory kRicohSubdirectories[] = {
    // The Caplio RR1 counts the offsets of its sub-directory from the sub-directory's start.
    {0x2001, "Caplio RR1", "RicohRR1Subdir", SUBDIR_HELD, 20, ORDER_BIG, true,
     "[Ricoh Camera Info]", 19, &kUnnamed},
    {0x2001, nullptr, "RicohSubdir", SUBDIR_EITHER, 20, ORDER_BIG, false, "[Ricoh Camera Info]", 19,
     &kUnnamed},
};

static_assert(sorted(kRicohTags));

}  // namespace

const MakerNames kRicohNames = names_of(kRicohTags, kRicohSubdirectories);

}  // namespace pelnor
