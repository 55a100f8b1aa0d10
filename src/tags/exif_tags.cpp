#include <algorithm>
#include <cstddef>

#include "tags/tag_table.h"

namespace pelnor {
namespace {

constexpr Meaning kExposureProgram[] = {
    {0, "Not defined"},       {1, "Manual"},           {2, "Normal program"},
    {3, "Aperture priority"}, {4, "Shutter priority"}, {5, "Creative program"},
    {6, "Action program"},    {7, "Portrait mode"},    {8, "Landscape mode"},
};
constexpr Meaning kSensitivityType[] = {
    {0, "Unknown"},
    {1, "Standard output sensitivity (SOS)"},
    {2, "Recommended exposure index (REI)"},
    {3, "ISO speed"},
    {4, "SOS and REI"},
    {5, "SOS and ISO speed"},
    {6, "REI and ISO speed"},
    {7, "SOS and REI and ISO speed"},
};
constexpr Meaning kComponents[] = {
    {0, "-"}, {1, "Y"}, {2, "Cb"}, {3, "Cr"}, {4, "R"}, {5, "G"}, {6, "B"},
};
constexpr Meaning kMeteringMode[] = {
    {0, "Unknown"}, {1, "Average"},   {2, "CenterWeightedAverage"},
    {3, "Spot"},    {4, "MultiSpot"}, {5, "Pattern"},
    {6, "Partial"}, {255, "Other"},
};
constexpr Meaning kLightSource[] = {
    {0, "Unknown"},
    {1, "Daylight"},
    {2, "Fluorescent"},
    {3, "Tungsten (incandescent light)"},
    {4, "Flash"},
    {9, "Fine weather"},
    {10, "Cloudy weather"},
    {11, "Shade"},
    {12, "Daylight fluorescent (D 5700 - 7100K)"},
    {13, "Day white fluorescent (N 4600 - 5500K)"},
    {14, "Cool white fluorescent (W 3800 - 4500K)"},
    {15, "White fluorescent (WW 3250 - 3800K)"},
    {16, "Warm white fluorescent (L 2600 - 3250K)"},
    {17, "Standard light A"},
    {18, "Standard light B"},
    {19, "Standard light C"},
    {20, "D55"},
    {21, "D65"},
    {22, "D75"},
    {23, "D50"},
    {24, "ISO studio tungsten"},
    {255, "Other light source"},
};
constexpr Meaning kFlash[] = {
    {0x00, "Flash did not fire"},
    {0x01, "Flash fired"},
    {0x05, "Strobe return light not detected"},
    {0x07, "Strobe return light detected"},
    {0x09, "Flash fired, compulsory flash mode"},
    {0x0D, "Flash fired, compulsory flash mode, return light not detected"},
    {0x0F, "Flash fired, compulsory flash mode, return light detected"},
    {0x10, "Flash did not fire, compulsory flash mode"},
    {0x18, "Flash did not fire, auto mode"},
    {0x19, "Flash fired, auto mode"},
    {0x1D, "Flash fired, auto mode, return light not detected"},
    {0x1F, "Flash fired, auto mode, return light detected"},
    {0x20, "No flash function"},
    {0x41, "Flash fired, red-eye reduction mode"},
    {0x45, "Flash fired, red-eye reduction mode, return light not detected"},
    {0x47, "Flash fired, red-eye reduction mode, return light detected"},
    {0x49, "Flash fired, compulsory flash mode, red-eye reduction mode"},
    {0x4D, "Flash fired, compulsory flash mode, red-eye reduction mode, return light not detected"},
    {0x4F, "Flash fired, compulsory flash mode, red-eye reduction mode, return light detected"},
    {0x59, "Flash fired, auto mode, red-eye reduction mode"},
    {0x5D, "Flash fired, auto mode, return light not detected, red-eye reduction mode"},
    {0x5F, "Flash fired, auto mode, return light detected, red-eye reduction mode"},
};
constexpr Meaning kColorSpace[] = {{1, "sRGB"}, {0xFFFF, "Uncalibrated"}};
constexpr Meaning kUnit[] = {{2, "inches"}, {3, "centimeters"}};
constexpr Meaning kSensingMethod[] = {
    {1, "Not defined"},
    {2, "One-chip color area sensor"},
    {3, "Two-chip color area sensor"},
    {4, "Three-chip color area sensor"},
    {5, "Color sequential area sensor"},
    {7, "Trilinear sensor"},
    {8, "Color sequential linear sensor"},
};
constexpr Meaning kFileSource[] = {
    {0, "Others"}, {1, "Scanner of transparent type"}, {2, "Scanner of reflex type"}, {3, "DSC"}};
constexpr Meaning kSceneType[] = {{1, "A directly photographed image"}};
constexpr Meaning kCustomRendered[] = {{0, "Normal process"}, {1, "Custom process"}};
constexpr Meaning kExposureMode[] = {
    {0, "Auto exposure"}, {1, "Manual exposure"}, {2, "Auto bracket"}};
constexpr Meaning kWhiteBalance[] = {{0, "Auto white balance"}, {1, "Manual white balance"}};
constexpr Meaning kSceneCaptureType[] = {
    {0, "Standard"}, {1, "Landscape"}, {2, "Portrait"}, {3, "Night scene"}};
constexpr Meaning kGainControl[] = {{0, "None"},
                                    {1, "Low gain up"},
                                    {2, "High gain up"},
                                    {3, "Low gain down"},
                                    {4, "High gain down"}};
constexpr Meaning kSoftHard[] = {{0, "Normal"}, {1, "Soft"}, {2, "Hard"}};
constexpr Meaning kSaturation[] = {{0, "Normal"}, {1, "Low saturation"}, {2, "High saturation"}};
constexpr Meaning kSubjectDistanceRange[] = {
    {0, "Unknown"}, {1, "Macro"}, {2, "Close view"}, {3, "Distant view"}};
constexpr Meaning kCompositeImage[] = {{0, "Unknown"},
                                       {1, "Non-composite image"},
                                       {2, "General composite image"},
                                       {3, "Composite image captured when shooting"}};

constexpr Meaning kLatitudeRef[] = {{'N', "North latitude"}, {'S', "South latitude"}};
constexpr Meaning kLongitudeRef[] = {{'E', "East longitude"}, {'W', "West longitude"}};
constexpr Meaning kAltitudeRef[] = {{0, "Above sea level"}, {1, "Below sea level"}};
constexpr Meaning kStatus[] = {{'A', "Measurement in progress"}, {'V', "Measurement interrupted"}};
constexpr Meaning kMeasureMode[] = {{'2', "2-dimensional measurement"},
                                    {'3', "3-dimensional measurement"}};
constexpr Meaning kSpeedRef[] = {
    {'K', "Kilometers per hour"}, {'M', "Miles per hour"}, {'N', "Knots"}};
constexpr Meaning kDirectionRef[] = {{'M', "Magnetic direction"}, {'T', "True direction"}};
constexpr Meaning kDistanceRef[] = {{'K', "Kilometers"}, {'M', "Miles"}, {'N', "Nautical miles"}};
constexpr Meaning kDifferential[] = {{0, "Measurement without differential correction"},
                                     {1, "Differential correction applied"}};

template <std::size_t N>
constexpr ExifTag enumerated(std::uint16_t tag, const char* name, const Meaning (&meanings)[N],
                             std::uint8_t undefined = UNDEF_HEX, bool each = false) {
  return {tag, name, meanings, static_cast<std::uint8_t>(N), undefined, each};
}

constexpr ExifTag undefined(std::uint16_t tag, const char* name, std::uint8_t rule) {
  return {tag, name, nullptr, 0, rule, false};
}

// Sorted by tag, for the binary search.
constexpr ExifTag kExifTags[] = {
    {0x829A, "ExposureTime"},
    {0x829D, "FNumber"},
    enumerated(0x8822, "ExposureProgram", kExposureProgram),
    {0x8824, "SpectralSensitivity"},
    {0x8827, "PhotographicSensitivity"},
    {0x8828, "OECF"},
    enumerated(0x8830, "SensitivityType", kSensitivityType),
    {0x8831, "StandardOutputSensitivity"},
    {0x8832, "RecommendedExposureIndex"},
    {0x8833, "ISOSpeed"},
    {0x8834, "ISOSpeedLatitudeyyy"},
    {0x8835, "ISOSpeedLatitudezzz"},
    undefined(0x9000, "ExifVersion", UNDEF_VERSION),
    {0x9003, "DateTimeOriginal"},
    {0x9004, "DateTimeDigitized"},
    {0x9010, "OffsetTime"},
    {0x9011, "OffsetTimeOriginal"},
    {0x9012, "OffsetTimeDigitized"},
    enumerated(0x9101, "ComponentsConfiguration", kComponents, UNDEF_BYTES, true),
    {0x9102, "CompressedBitsPerPixel"},
    {0x9201, "ShutterSpeedValue"},
    {0x9202, "ApertureValue"},
    {0x9203, "BrightnessValue"},
    {0x9204, "ExposureBiasValue"},
    {0x9205, "MaxApertureValue"},
    {0x9206, "SubjectDistance"},
    enumerated(0x9207, "MeteringMode", kMeteringMode),
    enumerated(0x9208, "LightSource", kLightSource),
    enumerated(0x9209, "Flash", kFlash),
    {0x920A, "FocalLength"},
    {0x9214, "SubjectArea"},
    undefined(0x927C, "MakerNote", UNDEF_COUNT),
    undefined(0x9286, "UserComment", UNDEF_COMMENT),
    {0x9290, "SubSecTime"},
    {0x9291, "SubSecTimeOriginal"},
    {0x9292, "SubSecTimeDigitized"},
    {0x9400, "Temperature"},
    {0x9401, "Humidity"},
    {0x9402, "Pressure"},
    {0x9403, "WaterDepth"},
    {0x9404, "Acceleration"},
    {0x9405, "CameraElevationAngle"},
    undefined(0xA000, "FlashpixVersion", UNDEF_VERSION),
    enumerated(0xA001, "ColorSpace", kColorSpace),
    {0xA002, "PixelXDimension"},
    {0xA003, "PixelYDimension"},
    {0xA004, "RelatedSoundFile"},
    {0xA005, "InteroperabilityIFDPointer"},
    {0xA20B, "FlashEnergy"},
    {0xA20C, "SpatialFrequencyResponse"},
    {0xA20E, "FocalPlaneXResolution"},
    {0xA20F, "FocalPlaneYResolution"},
    enumerated(0xA210, "FocalPlaneResolutionUnit", kUnit),
    {0xA214, "SubjectLocation"},
    {0xA215, "ExposureIndex"},
    enumerated(0xA217, "SensingMethod", kSensingMethod),
    enumerated(0xA300, "FileSource", kFileSource, UNDEF_BYTES),
    enumerated(0xA301, "SceneType", kSceneType, UNDEF_BYTES),
    {0xA302, "CFAPattern"},
    enumerated(0xA401, "CustomRendered", kCustomRendered),
    enumerated(0xA402, "ExposureMode", kExposureMode),
    enumerated(0xA403, "WhiteBalance", kWhiteBalance),
    {0xA404, "DigitalZoomRatio"},
    {0xA405, "FocalLengthIn35mmFilm"},
    enumerated(0xA406, "SceneCaptureType", kSceneCaptureType),
    enumerated(0xA407, "GainControl", kGainControl),
    enumerated(0xA408, "Contrast", kSoftHard),
    enumerated(0xA409, "Saturation", kSaturation),
    enumerated(0xA40A, "Sharpness", kSoftHard),
    {0xA40B, "DeviceSettingDescription"},
    enumerated(0xA40C, "SubjectDistanceRange", kSubjectDistanceRange),
    {0xA420, "ImageUniqueID"},
    {0xA430, "CameraOwnerName"},
    {0xA431, "BodySerialNumber"},
    {0xA432, "LensSpecification"},
    {0xA433, "LensMake"},
    {0xA434, "LensModel"},
    {0xA435, "LensSerialNumber"},
    {0xA436, "ImageTitle"},
    {0xA437, "Photographer"},
    {0xA438, "ImageEditor"},
    {0xA439, "CameraFirmware"},
    {0xA43A, "RAWDevelopingSoftware"},
    {0xA43B, "ImageEditingSoftware"},
    {0xA43C, "MetadataEditingSoftware"},
    enumerated(0xA460, "CompositeImage", kCompositeImage),
    {0xA461, "SourceImageNumberOfCompositeImage"},
    {0xA462, "SourceExposureTimesOfCompositeImage"},
    {0xA500, "Gamma"},
};

// The related-image tags come from DCF, which the Exif standard's Interoperability IFD carries.
constexpr ExifTag kInteropTags[] = {
    {0x0001, "InteroperabilityIndex"},  undefined(0x0002, "InteroperabilityVersion", UNDEF_VERSION),
    {0x1000, "RelatedImageFileFormat"}, {0x1001, "RelatedImageWidth"},
    {0x1002, "RelatedImageLength"},
};

constexpr ExifTag kGpsTags[] = {
    {0x0000, "GPSVersionID"},
    enumerated(0x0001, "GPSLatitudeRef", kLatitudeRef),
    {0x0002, "GPSLatitude"},
    enumerated(0x0003, "GPSLongitudeRef", kLongitudeRef),
    {0x0004, "GPSLongitude"},
    enumerated(0x0005, "GPSAltitudeRef", kAltitudeRef),
    {0x0006, "GPSAltitude"},
    {0x0007, "GPSTimeStamp"},
    {0x0008, "GPSSatellites"},
    enumerated(0x0009, "GPSStatus", kStatus),
    enumerated(0x000A, "GPSMeasureMode", kMeasureMode),
    {0x000B, "GPSDOP"},
    enumerated(0x000C, "GPSSpeedRef", kSpeedRef),
    {0x000D, "GPSSpeed"},
    enumerated(0x000E, "GPSTrackRef", kDirectionRef),
    {0x000F, "GPSTrack"},
    enumerated(0x0010, "GPSImgDirectionRef", kDirectionRef),
    {0x0011, "GPSImgDirection"},
    {0x0012, "GPSMapDatum"},
    enumerated(0x0013, "GPSDestLatitudeRef", kLatitudeRef),
    {0x0014, "GPSDestLatitude"},
    enumerated(0x0015, "GPSDestLongitudeRef", kLongitudeRef),
    {0x0016, "GPSDestLongitude"},
    enumerated(0x0017, "GPSDestBearingRef", kDirectionRef),
    {0x0018, "GPSDestBearing"},
    enumerated(0x0019, "GPSDestDistanceRef", kDistanceRef),
    {0x001A, "GPSDestDistance"},
    {0x001B, "GPSProcessingMethod"},
    {0x001C, "GPSAreaInformation"},
    {0x001D, "GPSDateStamp"},
    enumerated(0x001E, "GPSDifferential", kDifferential),
    {0x001F, "GPSHPositioningError"},
};

static_assert(sorted(kExifTags) && sorted(kInteropTags) && sorted(kGpsTags));

}  // namespace

const TagTable kExifStandard = tag_table(kExifTags);
const TagTable kExifNames = tag_table(kExifTags, &kOtherThenTiff);
const TagTable kInteropNames = tag_table(kInteropTags);
const TagTable kGpsNames = tag_table(kGpsTags);

const ExifTag* find_tag(const TagTable& table, std::uint16_t tag) {
  for (const TagTable* t = &table; t != nullptr; t = t->also) {
    const ExifTag* found =
        std::lower_bound(t->begin, t->end, tag,
                         [](const ExifTag& e, std::uint16_t wanted) { return e.tag < wanted; });
    if (found != t->end && found->tag == tag) return found;
  }
  return nullptr;
}

}  // namespace pelnor
