// Apple: the names of the maker's tags, the directories its entries lead to and the
// entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

constexpr ExifTag kAppleTags[] = {
    {0x0001, "MakerNoteVersion"},
    {0x0002, "AEMatrix"},
    {0x0003, "RunTime"},
    {0x0004, "AEStable"},
    {0x0005, "AETarget"},
    {0x0006, "AEAverage"},
    {0x0007, "AFStable"},
    {0x0008, "AccelerationVector"},
    {0x000A, "HDRImageType"},
    {0x000B, "BurstUUID"},
    {0x000C, "FocusDistanceRange"},
    {0x000F, "OISMode"},
    {0x0011, "MediaGroupUUID"},
    {0x0014, "ImageCaptureType"},
    {0x0015, "ImageUniqueID"},
    {0x0017, "LivePhotoVideoIndex"},
    {0x0019, "ImageProcessingFlags"},
    {0x001A, "QualityHint"},
    {0x001D, "LuminanceNoiseAmplitude"},
    {0x0020, "ImageCaptureReqestID"},
    {0x0021, "HDRHeadroom"},
    {0x0025, "SceneFlags"},
    {0x0026, "SignalToNoiseRatioType"},
    {0x0027, "SignalToNoiseRatio"},
    {0x002F, "FocusPosition"},
    {0x0030, "HDRGain"},
    {0x0038, "AFMeasuredDepth"},
    {0x003D, "AFConfidence"},
    {0x003E, "ColorCorrectionMatrix"},
    {0x003F, "GreenGhostMitigationStatus"},
    {0x0040, "SemanticStyle"},
    {0x0041, "SemanticStyleRenderingVer"},
    {0x0042, "SemanticStylePreset"},
    {0x0045, "FrontFacingCamera"},
};

static_assert(sorted(kAppleTags));

}  // namespace

const MakerNames kAppleNames = names_of(kAppleTags);

}  // namespace pelnor
