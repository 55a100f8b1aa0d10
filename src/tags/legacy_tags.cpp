#include "tags/legacy_tags.h"

namespace pelnor {
namespace {

constexpr EnumText kCompression[] = {{1, "No Compression"}, {7, "JPEG"}};
constexpr EnumText kPhotometric[] = {{1, "BlacksZero"}, {2, "RGB"}, {6, "YCbCr"}};
constexpr EnumText kOrientation[] = {{1, "Normal"},
                                     {3, "180 degrees"},
                                     {6, "clockwise 90 degrees"},
                                     {8, "counter-clockwise 90 degrees"}};
constexpr EnumText kPlanar[] = {{1, "Chunk"}, {2, "Planar format"}};
constexpr EnumText kResolutionUnit[] = {
    {1, "No absolute unit of measurement"}, {2, "Inch"}, {3, "Centimeter"}};

template <std::size_t N>
constexpr LegacyTag enumerated(std::uint16_t tag, const char* label, const EnumText (&texts)[N],
                               const char* other) {
  return {tag, LEGACY_TEXT, label, texts, N, other};
}

// Sorted by tag. Users' scripts match these texts as they stand ("YCbCrSubPositioning" is the
// line of YCbCrPositioning): they must not be corrected.
constexpr LegacyTag kLegacyTags[] = {
    {256, LEGACY_NUMBER, "\tImageWidth: "},
    {257, LEGACY_NUMBER, "\tImageLength: "},
    {258, LEGACY_BITS, "\tBitsPerSample: "},
    enumerated(259, "\tCompression: [", kCompression, "Other"),
    enumerated(262, "\tPhotometricInterpretation: [", kPhotometric, "Other"),
    {273, LEGACY_NUMBER, "\tStripOffsets: "},
    enumerated(274, "\tOrientation: [", kOrientation, "Unknown"),
    {277, LEGACY_NUMBER, "\tSamplesPerPixel: "},
    {278, LEGACY_NUMBER, "\tRowsPerStrip: "},
    {279, LEGACY_NUMBER, "\tStripByteCounts: "},
    // For the usual RATIONAL entries these print the offset of the rational, not the resolution.
    {282, LEGACY_NUMBER, "\tXResolution: "},
    {283, LEGACY_NUMBER, "\tYResolution: "},
    enumerated(284, "\tPlanarConfiguration: [", kPlanar, "Unknown"),
    enumerated(296, "\tResolutionUnit: [", kResolutionUnit, "Unknown"),
    {513, LEGACY_NUMBER, "\tJPEG Thumbnail Offset: "},
    {514, LEGACY_NUMBER, "\tJPEG Thumbnail Length: "},
    {529, LEGACY_COEFFICIENTS, "\tYCbCrCoefficients: "},
    {530, LEGACY_SUBSAMPLING, "\tYCbCrSubSampling: "},
    {531, LEGACY_NUMBER, "\tYCbCrSubPositioning: "},
    {532, LEGACY_REFERENCE, "\tReferenceBlackWhite: "},
};

constexpr std::uint16_t kFirst = 256;
constexpr std::uint16_t kLast = 532;
constexpr std::size_t kTagCount = sizeof kLegacyTags / sizeof kLegacyTags[0];

// Where each tag from 256 to 532 stands in the table (kTagCount: not there): one look per entry,
// as every entry of IFD0 and IFD1 is looked up.
struct Index {
  std::uint8_t at[kLast - kFirst + 1];
  constexpr Index() : at() {
    for (auto& a : at) a = kTagCount;
    for (std::size_t i = 0; i < kTagCount; ++i) {
      at[kLegacyTags[i].tag - kFirst] = static_cast<std::uint8_t>(i);
    }
  }
};
constexpr Index kIndex;

}  // namespace

const LegacyTag* find_legacy_tag(std::uint16_t tag) {
  if (tag < kFirst || tag > kLast) return nullptr;
  const std::uint8_t i = kIndex.at[tag - kFirst];
  return i < kTagCount ? &kLegacyTags[i] : nullptr;
}

const char* legacy_text(const LegacyTag& t, std::uint32_t value) {
  for (std::size_t i = 0; i < t.text_count; ++i) {
    if (t.texts[i].value == value) return t.texts[i].text;
  }
  return t.other;
}

const char* legacy_meaning(const TagEntry& e) {
  const LegacyTag* t = find_legacy_tag(e.tag);
  return t != nullptr && t->form == LEGACY_TEXT ? legacy_text(*t, e.value) : nullptr;
}

}  // namespace pelnor
