#include "tiff/directory.h"

#include <cstdio>
#include <cstring>

#include "report/json_writer.h"
#include "report/output.h"
#include "tiff/byte_order.h"
#include "tiff/values.h"
#include "tiff/tiff_types.h"

namespace pelnor {
namespace {

constexpr const char* kTypeNames[] = {
    "UNDEFINED", "BYTE",   "ASCII", "SHORT",     "LONG",  "RATIONAL", "SBYTE",
    "UNDEFINED", "SSHORT", "SLONG", "SRATIONAL", "FLOAT", "DOUBLE",   "UNKNOWN",
};
constexpr std::uint32_t kTypeNameCount = sizeof kTypeNames / sizeof kTypeNames[0];

constexpr char kIfdBeyond[] = "\t<IFD beyond the data read>\n";
constexpr char kEntriesBeyond[] = "\t<%u of %u entries beyond the data read>\n";
constexpr char kNotEnoughValues[] = "Not enough values\n";

// The 32-bit pattern as the signed number "%d" prints.
int as_int(std::uint32_t v) { return static_cast<int>(v); }

struct EnumText {
  std::uint32_t value;
  const char* text;
};

constexpr EnumText kCompression[] = {{1, "No Compression"}, {7, "JPEG"}};
constexpr EnumText kPhotometric[] = {{1, "BlacksZero"}, {2, "RGB"}, {6, "YCbCr"}};
constexpr EnumText kOrientation[] = {{1, "Normal"},
                                     {3, "180 degrees"},
                                     {6, "clockwise 90 degrees"},
                                     {8, "counter-clockwise 90 degrees"}};
constexpr EnumText kPlanar[] = {{1, "Chunk"}, {2, "Planar format"}};
constexpr EnumText kResolutionUnit[] = {
    {1, "No absolute unit of measurement"}, {2, "Inch"}, {3, "Centimeter"}};

// A tag whose decoded line is its value, either as a number or as the text that names it: the
// line is `label`, the number ("%d") or the text, then "\n" or "]\n".
struct DecodedTag {
  std::uint16_t tag;
  const char* label;
  const EnumText* texts = nullptr;  // null: the value prints as a number
  std::size_t text_count = 0;
  const char* other = nullptr;  // the text for any value the table does not list
};

template <std::size_t N>
constexpr DecodedTag enum_tag(std::uint16_t tag, const char* label, const EnumText (&texts)[N],
                              const char* other) {
  return {tag, label, texts, N, other};
}

constexpr DecodedTag kDecodedTags[] = {
    {256, "\tImageWidth: "},
    {257, "\tImageLength: "},
    enum_tag(259, "\tCompression: [", kCompression, "Other"),
    enum_tag(262, "\tPhotometricInterpretation: [", kPhotometric, "Other"),
    {273, "\tStripOffsets: "},
    enum_tag(274, "\tOrientation: [", kOrientation, "Unknown"),
    {277, "\tSamplesPerPixel: "},
    {278, "\tRowsPerStrip: "},
    {279, "\tStripByteCounts: "},
    // For the usual RATIONAL entries these print the offset of the rational, not the resolution.
    {282, "\tXResolution: "},
    {283, "\tYResolution: "},
    enum_tag(284, "\tPlanarConfiguration: [", kPlanar, "Unknown"),
    enum_tag(296, "\tResolutionUnit: [", kResolutionUnit, "Unknown"),
    {513, "\tJPEG Thumbnail Offset: "},
    {514, "\tJPEG Thumbnail Length: "},
    {531, "\tYCbCrSubPositioning: "},
};

// Prints the decoded line of `e` when its tag is one of kDecodedTags; false otherwise.
bool print_decoded(const TagEntry& e) {
  for (const DecodedTag& d : kDecodedTags) {
    if (d.tag != e.tag) continue;
    print_bytes(d.label, std::strlen(d.label));
    if (d.texts == nullptr) {
      print_signed(e.value);
      print_literal("\n");
      return true;
    }
    const char* text = d.other;
    for (std::size_t i = 0; i < d.text_count; ++i) {
      if (d.texts[i].value == e.value) text = d.texts[i].text;  // the whole 32-bit value counts
    }
    print_bytes(text, std::strlen(text));
    print_literal("]\n");
    return true;
  }
  return false;
}

// What the decoded line of `e` says its value means, for the enumerated tags of kDecodedTags.
const char* decoded_meaning(const TagEntry& e) {
  for (const DecodedTag& d : kDecodedTags) {
    if (d.tag != e.tag || d.texts == nullptr) continue;
    for (std::size_t i = 0; i < d.text_count; ++i) {
      if (d.texts[i].value == e.value) return d.texts[i].text;
    }
    return d.other;
  }
  return nullptr;
}

// Prints rational j of the array at `offset` with `format` (numerator, then denominator), or
// the end-of-data mark and the line end when its two words are not inside. False when cut.
bool print_rational(const char* format, const TiffData& tiff, std::uint32_t offset, int j,
                    int little_endian) {
  const std::uint64_t at = std::uint64_t{offset} + 8u * static_cast<std::uint64_t>(j);
  std::uint32_t numerator, denominator;
  if (!read32_at(tiff, at, little_endian, &numerator) ||
      !read32_at(tiff, at + 4, little_endian, &denominator)) {
    print("%s\n", kBeyondData);
    return false;
  }
  print(format, as_int(numerator), as_int(denominator));
  return true;
}

void print_bits_per_sample(const TiffData& tiff, const std::uint8_t* raw, const TagEntry& e,
                           int little_endian) {
  print("\tBitsPerSample: ");
  if (e.count > 2) {
    for (std::uint64_t j = 0; j < e.count; ++j) {
      std::uint16_t bits;
      if (!read16_at(tiff, e.value + 2 * j, little_endian, &bits)) {
        print("%s", kBeyondData);
        break;
      }
      print("%d ", bits);
    }
  } else {
    print("%d ", as_int(e.value));
    if (e.count == 2) print("%d", file16(raw + 10, little_endian));
  }
  print("\n");
}

void print_ycbcr_coefficients(const TiffData& tiff, const TagEntry& e, int little_endian) {
  print("\tYCbCrCoefficients: ");
  if (e.count != 3) {
    print(kNotEnoughValues);
    return;
  }
  static constexpr const char* kFormats[] = {"LumaRed[%d/%d] ", "LumaGreen[%d/%d] ",
                                             "LumaBlue[%d/%d] "};
  for (int j = 0; j < 3; ++j) {
    if (!print_rational(kFormats[j], tiff, e.value, j, little_endian)) return;
  }
  print("\n");
}

void print_reference_black_white(const TiffData& tiff, const TagEntry& e, int little_endian) {
  print("\tReferenceBlackWhite: ");
  if (e.count != 6) {
    print(kNotEnoughValues);
    return;
  }
  print("\n");
  // One line per component: the black reference, then the white one. "Balck" is the tool's
  // spelling, which users' scripts match: do not correct it.
  static constexpr const char* kFormats[3][2] = {
      {" Y-Balck[%d/%d] ", " Y-White[%d/%d] "},
      {"Cb-Balck[%d/%d] ", "Cb-White[%d/%d]"},
      {"Cr-Balck[%d/%d] ", "Cr-White[%d/%d]"},
  };
  for (int line = 0; line < 3; ++line) {
    print("\t\t");
    for (int k = 0; k < 2; ++k) {
      if (!print_rational(kFormats[line][k], tiff, e.value, 2 * line + k, little_endian)) return;
    }
    print("\n");
  }
}

void print_tag(const TiffData& tiff, std::uint64_t raw_offset, const TagEntry& e,
               int little_endian) {
  const std::uint8_t* raw = tiff.at(raw_offset);
  switch (e.tag) {
    case 258:
      print_bits_per_sample(tiff, raw, e, little_endian);
      return;
    case 529:
      print_ycbcr_coefficients(tiff, e, little_endian);
      return;
    case 530:
      print("\tYCbCrSubSampling: Horiz[%d] Vert[%d]\n", as_int(e.value),
            file16(raw + 10, little_endian));
      return;
    case 532:
      print_reference_black_white(tiff, e, little_endian);
      return;
    default:
      if (!print_decoded(e) && e.type == ASCII) print_text(tiff, raw_offset, e);
      return;
  }
}

}  // namespace

// The text never reaches past the data read.
EntryText text_at(const TiffData& tiff, std::uint64_t start, std::uint64_t most) {
  const std::uint64_t left = tiff.bytes_at(start);
  const auto available = static_cast<std::size_t>(most < left ? most : left);
  const char* text = available ? reinterpret_cast<const char*>(tiff.at(start)) : "";
  const void* zero = available ? std::memchr(text, 0, available) : nullptr;
  const auto length = static_cast<int>(
      zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : available);
  return {text, length, tiff.contains(start, most)};
}

EntryText entry_text(const TiffData& tiff, std::uint64_t raw_offset, const TagEntry& e) {
  const bool inline_text = e.count <= 4;
  EntryText text = text_at(tiff, inline_text ? raw_offset + 8 : e.value, UINT64_MAX);
  text.whole = inline_text || tiff.contains(e.value, e.count);
  return text;
}

// Any other ASCII entry: its text in a field of count - 1 characters (a negative width
// left-aligns).
void print_text(const TiffData& tiff, std::uint64_t raw_offset, const TagEntry& e) {
  const EntryText text = entry_text(tiff, raw_offset, e);
  if (text.whole) {
    // "\t[%*.*s]\n": a field of count - 1 characters, a negative one left-aligned.
    print_literal("\t[");
    print_field(text.chars, text.length, static_cast<int>(e.count - 1u));
    print_literal("]\n");
  } else {
    print("\t[%.*s] %s\n", text.length, text.chars, kBeyondData);
  }
}

const char* type_name(std::uint32_t type) {
  return kTypeNames[type < kTypeNameCount ? type : kTypeNameCount - 1];
}

int dump_ifd(const TiffData& tiff_base, std::uint32_t ifd, int little_endian,
             const TagTable* names) {
  std::uint16_t n;
  if (!read16_at(tiff_base, ifd, little_endian, &n)) {
    json::block_line(kIfdBeyond);
    return 0;
  }
  for (unsigned k = 0; k < n; ++k) {
    const std::uint64_t raw_offset = entry_offset(ifd, k);
    if (!tiff_base.contains(raw_offset, kEntrySize)) {
      json::block_line(kEntriesBeyond, n - k, unsigned{n});
      return 1;
    }
    TagEntry e;
    decode_entry(&e, tiff_base.at(raw_offset), little_endian);
    if (opt_json != 0) {
      if (names == nullptr) {
        json_entry(tiff_base, raw_offset, e, little_endian, kTiffNames, decoded_meaning(e));
      } else {
        json_entry(tiff_base, raw_offset, e, little_endian, *names, nullptr);
      }
      continue;
    }
    const std::uint32_t origin = tiff_base.origin_position();
    print_entry_line(static_cast<std::uint32_t>(raw_offset) + origin, e.tag, type_name(e.type),
                     e.type, e.count, e.value, e.value + origin);
    if (names == nullptr) {
      print_tag(tiff_base, raw_offset, e, little_endian);
    } else {
      print_entry_value(tiff_base, raw_offset, e, little_endian, *names);
    }
  }
  return 1;
}

}  // namespace pelnor
