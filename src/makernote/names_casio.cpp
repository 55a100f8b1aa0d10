// Casio: the maker notes with and without "QVC": the names of the maker's tags, the directories its
// entries lead to and the entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

constexpr ExifTag kCasioTags[] = {
    {0x0001, "RecordingMode"}, {0x0002, "Quality"},        {0x0003, "FocusMode"},
    {0x0004, "FlashMode"},     {0x0005, "FlashIntensity"}, {0x0006, "ObjectDistance"},
    {0x0007, "WhiteBalance"},  {0x000A, "DigitalZoom"},    {0x000B, "Sharpness"},
    {0x000C, "Contrast"},      {0x000D, "Saturation"},     {0x0014, "ISO"},
    {0x0015, "FirmwareDate"},  {0x0016, "Enhancement"},    {0x0017, "ColorFilter"},
    {0x0018, "AFPoint"},       {0x0019, "FlashIntensity"}, {0x0E00, "PrintIM"},
};

constexpr ExifTag kCasio2Tags[] = {
    {0x0002, "PreviewImageSize"},
    {0x0003, "PreviewImageLength"},
    {0x0004, "PreviewImageStart"},
    {0x0008, "QualityMode"},
    {0x0009, "CasioImageSize"},
    {0x000D, "FocusMode"},
    {0x0014, "ISO"},
    {0x0019, "WhiteBalance"},
    {0x001D, "FocalLength"},
    {0x001F, "Saturation"},
    {0x0020, "Contrast"},
    {0x0021, "Sharpness"},
    {0x0E00, "PrintIM"},
    {0x2000, "PreviewImage"},
    {0x2001, "FirmwareDate"},
    {0x2011, "WhiteBalanceBias"},
    {0x2012, "WhiteBalance"},
    {0x2021, "AFPointPosition"},
    {0x2022, "ObjectDistance"},
    {0x2034, "FlashDistance"},
    {0x2076, "SpecialEffectMode"},
    {0x211C, "FacesDetected"},
    {0x3000, "RecordMode"},
    {0x3001, "ReleaseMode"},
    {0x3002, "Quality"},
    {0x3003, "FocusMode"},
    {0x3006, "HometownCity"},
    {0x3007, "BestShotMode"},
    {0x3008, "AutoISO"},
    {0x3009, "AFMode"},
    {0x3011, "Sharpness"},
    {0x3012, "Contrast"},
    {0x3013, "Saturation"},
    {0x3014, "ISO"},
    {0x3015, "ColorMode"},
    {0x3016, "Enhancement"},
    {0x3017, "ColorFilter"},
    {0x301B, "ArtMode"},
    {0x301C, "SequenceNumber"},
    {0x301D, "BracketSequence"},
    {0x3020, "ImageStabilization"},
    {0x302A, "LightingMode"},
    {0x302B, "PortraitRefiner"},
    {0x3030, "SpecialEffectLevel"},
    {0x3031, "SpecialEffectSetting"},
    {0x3103, "DriveMode"},
    {0x310B, "ArtModeParameters"},
    {0x4001, "CaptureFrameRate"},
    {0x4003, "VideoQuality"},
};

constexpr MakerPreview kCasio2Previews[] = {pair(0x0004, 0x0003), held(0x2000)};

static_assert(sorted(kCasioTags) && sorted(kCasio2Tags));

}  // namespace

const MakerNames kCasioNames = names_of(kCasioTags);
const MakerNames kCasio2Names = with_previews(names_of(kCasio2Tags), kCasio2Previews);

}  // namespace pelnor
