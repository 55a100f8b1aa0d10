#include "report/text_sink.h"

#include <charconv>
#include <cstring>

#include "report/names.h"
#include "report/output.h"
#include "tags/legacy_tags.h"
#include "tiff/byte_order.h"
#include "tiff/picture.h"
#include "tiff/thumbnail.h"
#include "tiff/values.h"

namespace pelnor {
namespace {

// Users' scripts match these texts as they stand: "Createing", "deside" and "Balck" are spelt so
// on purpose and must not be corrected.
constexpr char kOpenError[] = "`%s' open error\n";
constexpr char kCreatingLine[] = "Createing thumbnail file[%s]...\n";
constexpr char kUnknownByteOrder[] = "Endian do not deside\n\n";

/// Text that marks where an item stops because the data read ends there.
constexpr char kBeyondData[] = "<beyond the data read>";
constexpr char kNotEnoughValues[] = "Not enough values\n";

// The value lines of -a. A longer array shows its first values and how many more there are:
// one line stays readable.
constexpr std::uint32_t kMostValues = 16;
constexpr char kNamedText[] = "\t%s: [%*.*s]";
constexpr char kNamedTextCut[] = "\t%s: [%.*s] %s";
constexpr char kMore[] = " <%u more>\n";
constexpr char kByteCount[] = " <%u bytes>\n";
constexpr char kCut[] = " %s\n";  // with kBeyondData
constexpr char kNoValues[] = "\t%s: <values of an unknown type>\n";

constexpr const char* kTypeNames[] = {
    "UNDEFINED", "BYTE",   "ASCII", "SHORT",     "LONG",  "RATIONAL", "SBYTE",
    "UNDEFINED", "SSHORT", "SLONG", "SRATIONAL", "FLOAT", "DOUBLE",   "UNKNOWN",
};
constexpr std::uint32_t kTypeNameCount = sizeof kTypeNames / sizeof kTypeNames[0];

// A type number of 14 or more is named as 13 is.
const char* type_name(std::uint32_t type) {
  return kTypeNames[type < kTypeNameCount ? type : kTypeNameCount - 1];
}

// The 32-bit pattern as the signed number "%d" prints.
int as_int(std::uint32_t v) { return static_cast<int>(v); }

// The report line of a thumbnail's kind.
const char* report_line(std::int32_t kind) {
  switch (kind) {
    case THUMB_JPEG:
      return "thumbnail exist [JPEG]\n";
    case THUMB_TIFF_RGB:
      return "thumbnail exist [TIFF/RGB]\n";
    case THUMB_TIFF_YCBCR:
      return "thumbnail exist [TIFF/YCbCr]\n";
    default:
      return "thumbnail not exist or not support\n";
  }
}

// ---- IFD0 and IFD1: the decoded lines of the twenty well-known tags ---------------------------

// Prints rational j of the array at `offset` with `format` (numerator, then denominator), or
// the end-of-data mark and the line end when its two words are not inside. False when cut.
bool print_rational(const char* format, const ValueView& v, std::uint32_t offset, int j) {
  const std::uint64_t at = std::uint64_t{offset} + 8u * static_cast<std::uint64_t>(j);
  std::uint32_t numerator, denominator;
  if (!read32_at(v.data(), at, v.order(), &numerator) ||
      !read32_at(v.data(), at + 4, v.order(), &denominator)) {
    print("%s\n", kBeyondData);
    return false;
  }
  print(format, as_int(numerator), as_int(denominator));
  return true;
}

// The second of two inline SHORTs, in bytes 10-11 of the raw entry.
std::uint32_t second_short(const ValueView& v) {
  return file16(v.data().at(v.raw_offset()) + 10, v.order());
}

void print_bits_per_sample(const ValueView& v) {
  const TagEntry& e = v.entry();
  print("\tBitsPerSample: ");
  if (e.count > 2) {
    // Read as 16-bit numbers whatever the entry's type.
    for (std::uint64_t j = 0; j < e.count; ++j) {
      std::uint16_t bits;
      if (!read16_at(v.data(), e.value + 2 * j, v.order(), &bits)) {
        print("%s", kBeyondData);
        break;
      }
      print("%d ", bits);
    }
  } else {
    print("%d ", as_int(e.value));
    if (e.count == 2) print("%d", second_short(v));
  }
  print("\n");
}

void print_ycbcr_coefficients(const ValueView& v) {
  print("\tYCbCrCoefficients: ");
  if (v.entry().count != 3) {
    print(kNotEnoughValues);
    return;
  }
  static constexpr const char* kFormats[] = {"LumaRed[%d/%d] ", "LumaGreen[%d/%d] ",
                                             "LumaBlue[%d/%d] "};
  for (int j = 0; j < 3; ++j) {
    if (!print_rational(kFormats[j], v, v.entry().value, j)) return;
  }
  print("\n");
}

void print_reference_black_white(const ValueView& v) {
  print("\tReferenceBlackWhite: ");
  if (v.entry().count != 6) {
    print(kNotEnoughValues);
    return;
  }
  print("\n");
  // One line per component: the black reference, then the white one.
  static constexpr const char* kFormats[3][2] = {
      {" Y-Balck[%d/%d] ", " Y-White[%d/%d] "},
      {"Cb-Balck[%d/%d] ", "Cb-White[%d/%d]"},
      {"Cr-Balck[%d/%d] ", "Cr-White[%d/%d]"},
  };
  for (int line = 0; line < 3; ++line) {
    print("\t\t");
    for (int k = 0; k < 2; ++k) {
      if (!print_rational(kFormats[line][k], v, v.entry().value, 2 * line + k)) return;
    }
    print("\n");
  }
}

// Any other ASCII entry: its text in a field of count - 1 characters (a negative width
// left-aligns); a text whose count runs past the data read, the part inside and the mark.
void print_text(const ValueView& v) {
  const EntryText text = entry_text(v.data(), v.raw_offset(), v.entry());
  if (text.whole) {
    print_text_line(text.chars, text.length, static_cast<int>(v.entry().count - 1u));
  } else {
    print("\t[%.*s] %s\n", text.length, text.chars, kBeyondData);
  }
}

void print_legacy(ValueView& v) {
  const TagEntry& e = v.entry();
  const LegacyTag* t = find_legacy_tag(e.tag);
  if (t == nullptr) {
    if (e.type == ASCII) print_text(v);
    return;
  }
  switch (t->form) {
    case LEGACY_NUMBER:
      print_labelled(t->label, std::strlen(t->label), e.value);
      return;
    case LEGACY_TEXT: {
      const char* text = legacy_text(*t, e.value);
      print_joined(t->label, std::strlen(t->label), text, std::strlen(text), "]\n", 2);
      return;
    }
    case LEGACY_BITS:
      print_bits_per_sample(v);
      return;
    case LEGACY_COEFFICIENTS:
      print_ycbcr_coefficients(v);
      return;
    case LEGACY_SUBSAMPLING:
      print("\tYCbCrSubSampling: Horiz[%d] Vert[%d]\n", as_int(e.value), second_short(v));
      return;
    case LEGACY_REFERENCE:
      print_reference_black_white(v);
      return;
  }
}

// ---- The blocks of -a: a value line under every entry ----------------------------------------

// The fewest digits that read back as the same number, the same on every system and C runtime
// (printf's %g is not: the Windows one writes three exponent digits).
template <typename T>
void print_real(T v) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
  print(" %.*s", static_cast<int>(end - digits), digits);
}

// Value j after a blank, its digits written without reading a format. False, with nothing
// printed, when it lies past the data read.
bool print_value(const ValueView& view, std::uint32_t j) {
  StoredValue v;
  if (!view.value(j, &v)) return false;
  const auto pattern = [](std::int32_t n) { return static_cast<std::uint32_t>(n); };
  switch (view.entry().type) {
    case SSHORT:
      print_literal(" ");
      print_signed(pattern(static_cast<std::int16_t>(v.first)));
      break;
    case SLONG:
      print_literal(" ");
      print_signed(v.first);
      break;
    case SBYTE:
      print_literal(" ");
      print_signed(pattern(static_cast<std::int8_t>(v.first)));
      break;
    case FLOAT:
      print_real(static_cast<float>(view.real(v)));
      break;
    case RATIONAL:
      print_literal(" ");
      print_unsigned(v.first);
      print_literal("/");
      print_unsigned(v.second);
      break;
    case SRATIONAL:
      print_literal(" ");
      print_signed(v.first);
      print_literal("/");
      print_signed(v.second);
      break;
    case DOUBLE:
      print_real(view.real(v));
      break;
    default:  // SHORT, LONG, IFD, BYTE, and UNDEFINED read as bytes
      print_literal(" ");
      print_unsigned(v.first);
  }
  return true;
}

// " [meaning]"
void print_meaning(const char* meaning) {
  print_literal(" [");
  print_bytes(meaning, std::strlen(meaning));
  print_literal("]");
}

void print_numbers(ValueView& view) {
  const std::uint32_t count = view.entry().count;
  const std::uint32_t shown = count < kMostValues ? count : kMostValues;
  for (std::uint32_t j = 0; j < shown; ++j) {
    if (!print_value(view, j)) {
      print(kCut, kBeyondData);
      return;
    }
  }
  if (count > shown) {
    print(kMore, count - shown);
    return;
  }
  if (view.each()) {
    // What each byte of ComponentsConfiguration stands for, when the table lists every one.
    if (view.each_known()) {
      for (std::uint32_t j = 0; j < count; ++j) {
        print(j == 0 ? " [%s" : " %s", view.byte_meaning(j));
      }
      print("]");
    }
  } else if (const char* meaning = view.meaning()) {
    print_meaning(meaning);
  }
  print_literal("\n");
}

// The first bytes in hexadecimal, then the byte count.
void print_hex_bytes(const ValueView& view) {
  const TiffData& tiff = view.data();
  const std::uint64_t at = view.at();
  const std::uint32_t count = view.entry().count;
  const std::uint32_t shown = count < kMostValues ? count : kMostValues;
  char hex[3 * kMostValues + 1];
  std::size_t n = 0;
  std::uint32_t j = 0;
  for (; j < shown && tiff.contains(at + j, 1); ++j) {
    const std::uint8_t byte = *tiff.at(at + j);
    hex[n++] = ' ';
    hex[n++] = kHexDigits[byte >> 4];
    hex[n++] = kHexDigits[byte & 0xF];
  }
  print_bytes(hex, n);
  if (j < shown) {
    print(kCut, kBeyondData);
  } else {
    print(kByteCount, count);
  }
}

// UserComment: its 8-byte character code ("ASCII", "JIS", "UNICODE" or none), then the text up
// to its zero byte, each in brackets.
void print_comment(ValueView& view) {
  const char* code = view.chars();
  if (code == nullptr) {
    print(kCut, kBeyondData);
    return;
  }
  const EntryText& text = view.text();
  if (text.whole) {
    print(" [%.*s] [%.*s]\n", 8, code, text.length, text.chars);
  } else {
    print(" [%.*s] [%.*s] %s\n", 8, code, text.length, text.chars, kBeyondData);
  }
}

void print_named_text(ValueView& view, const char* label) {
  const EntryText& text = view.text();
  if (text.whole) {
    print(kNamedText, label, static_cast<int>(view.entry().count - 1u), text.length, text.chars);
  } else {
    print(kNamedTextCut, label, text.length, text.chars, kBeyondData);
  }
  if (const char* meaning = view.meaning()) print_meaning(meaning);
  print_literal("\n");
}

// "\t<label>: <values>", the label being the name the tables give the tag, or else its number
// ("0xEA1D").
void print_value_line(ValueView& view) {
  const char* label = view.name();
  char number[7];
  if (label == nullptr) {
    const std::uint16_t tag = view.entry().tag;
    number[0] = '0';
    number[1] = 'x';
    for (int i = 0; i < 4; ++i) number[2 + i] = kHexDigitsUpper[(tag >> (12 - 4 * i)) & 0xF];
    number[6] = '\0';
    label = number;
  }
  switch (view.value_class()) {
    case VALUE_TEXT:
      print_named_text(view, label);
      return;
    case VALUE_UNREADABLE:  // the generic line names the type
      print(kNoValues, label);
      return;
    default:
      break;
  }
  print_literal("\t");
  print_bytes(label, std::strlen(label));
  print_literal(":");
  switch (view.value_class()) {
    case VALUE_NUMBERS:
    case VALUE_RATIONALS:
      print_numbers(view);
      return;
    case VALUE_VERSION:
      print(" %.*s\n", 4, view.chars());
      return;
    case VALUE_COMMENT:
      print_comment(view);
      return;
    case VALUE_COUNT_ONLY:
      print(kByteCount, view.entry().count);
      return;
    default:
      print_hex_bytes(view);
      return;
  }
}

void print_source(const Picture& p) {
  switch (p.source) {
    case PIC_MPF:
      if (const char* type = mp_type_name(p.mp_type)) {
        print("MPF image %u: %s", p.number, type);
      } else {
        print("MPF image %u: MP type 0x%.*x", p.number, 6, p.mp_type);
      }
      return;
    case PIC_MAKER_NOTE:
      print("%s maker note", p.maker);
      return;
    case PIC_OTHER:
      print("OtherImage");
      return;
    case PIC_JFXX:
      print("JFXX");
      return;
    case PIC_JFIF:
      print("JFIF");
      return;
    case PIC_PHOTOSHOP:
      print(p.bgr ? "Photoshop BGR" : "Photoshop");
      return;
    case PIC_FLASHPIX:
      print("FlashPix");
      return;
    case PIC_IFD0:
      print("IFD0");
      return;
    case PIC_SUBIFD:
      print("SubIFD%u", p.number);
      return;
    case PIC_PREVIEW:
      print("%s preview", p.maker);
      return;
    default:
      print("%s full-size JPEG", p.maker);
      return;
  }
}

}  // namespace

void TextSink::file_begin(const char* name) {
  name_ = name;
  if (name_files_) print("==> %s <==\n", name);
}

void TextSink::file_result(FileResult result) {
  switch (result) {
    case RESULT_OPEN_ERROR:
      print(kOpenError, name_);
      return;
    case RESULT_NOT_EXIF:
      print("Not also Exif file\n");
      return;
    case RESULT_UNKNOWN_BYTE_ORDER:
      print(kUnknownByteOrder);
      return;
    case RESULT_NO_IFD1:
      print("Not exist 1thIFD(for thumbnail)\n");
      return;
    case RESULT_HANDLED:
      return;
  }
}

void TextSink::map_begin(MapKind kind) { print("%s dumping...:\n", map_name(kind)); }

namespace {

// A file position as "%#8x" prints it, of any size.
void print_position_field(std::uint64_t v) {
  if (v <= UINT32_MAX) {
    print("%#8x", static_cast<std::uint32_t>(v));
  } else {
    print_hex(v);
  }
}

// A 64-bit count in decimal.
void print_count(std::uint64_t v) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
  print_bytes(digits, static_cast<std::size_t>(end - digits));
}

void print_detail(const MapElement& e) {
  if (e.detail != nullptr) print(" [%.*s]", static_cast<int>(e.detail_length), e.detail);
}

// A box, a chunk, an item, a RAF field, and where the Exif data lies: the lines of a container's
// map.
void print_container_element(const MapElement& e) {
  char type[11];
  type_text(e.type, type);
  switch (e.kind) {
    case ELEMENT_BOX:
      print_position_field(e.position);
      print(":%*s%s size=", static_cast<int>(2 * e.depth), "", type);
      print_count(e.size);
      print_detail(e);
      print(e.past_end ? " <runs past its parent or the end of the file>\n" : "\n");
      return;
    case ELEMENT_CHUNK:
      print_position_field(e.position);
      print(":%s length=", type);
      print_count(e.size);
      print_detail(e);
      print(e.past_end ? " <runs past the end of the file>\n" : "\n");
      return;
    case ELEMENT_ITEM:
      print("\titem %u: %s", e.id, type);
      print_detail(e);
      if (!e.sized) {
        print(" <no place in the file>\n");
        return;
      }
      print(" at ");
      print_hex(e.at);
      print(", ");
      print_count(e.size);
      print(e.past_end ? " bytes <past the end of the file>\n" : " bytes\n");
      return;
    case ELEMENT_NOTE:
      print("\t<%.*s>\n", static_cast<int>(e.detail_length), e.detail);
      return;
    case ELEMENT_FIELD:
      print_position_field(e.position);
      if (std::strcmp(e.name, "entry") == 0) {
        print(":entry 0x%.*x, %u bytes\n", 4, e.id, static_cast<std::uint32_t>(e.size));
      } else if (e.sized) {
        print(":%s at ", e.name);
        print_hex(e.at);
        print(", ");
        print_count(e.size);
        print(e.past_end ? " bytes <past the end of the file>\n" : " bytes\n");
      } else {
        print(":%s", e.name);
        print_detail(e);
        print("\n");
      }
      return;
    default:  // ELEMENT_EXIF
      print("\t<Exif data: %s, ", layout_name(e.layout));
      if (e.decoded) {
        print("decoded from the file: its positions count from the start of the decoded bytes, "
              "the TIFF header at ");
      } else {
        print("the TIFF header at ");
      }
      print_hex(e.position);
      print(", ");
      print_count(e.size);
      print(" bytes>\n");
      return;
  }
}

}  // namespace

void TextSink::map_element(const MapElement& s) {
  if (s.kind != ELEMENT_SEGMENT) {
    print_container_element(s);
    return;
  }
  const char code[3] = {kHexDigits[s.marker >> 4], kHexDigits[s.marker & 0xF], '\0'};
  const auto at = static_cast<std::uint32_t>(s.position);
  if (s.name != nullptr) {
    print("%#8x:0xff%s %s", at, code, s.name);
  } else {
    print("%#8x:0xff%s", at, code);
  }
  if (s.past_end) {
    // A length the file does not hold: said apart, as what it claims rather than what it is.
    print(" <the file ends inside its %u bytes>\n", s.length);
    return;
  }
  if (s.length != 0) print(" length=%u", s.length);
  if (s.identifier != nullptr) {
    print(" [%.*s]", static_cast<int>(s.identifier_length), s.identifier);
  }
  if (s.sized) print(" %ux%u", s.width, s.height);
  print("\n");
}

void TextSink::map_end(MapStop stop) {
  if (const char* text = map_stop_text(stop)) print("\t<%s>\n", text);
  print("\n");
}

void TextSink::directory_begin(const Directory& directory) {
  char name[kDirectoryNameMax];
  print_joined(name, directory_name(directory, name), " dumping...:\n", 13, "", 0);
  legacy_ = directory.kind == DIR_IFD0 || directory.kind == DIR_IFD1;
}

void TextSink::entry(const Entry& entry, ValueView& value) {
  print_entry_line(entry.position, entry.tag, type_name(entry.type), entry.type, entry.count,
                   entry.field, entry.value_position);
  if (legacy_) {
    print_legacy(value);
  } else {
    print_value_line(value);
  }
}

void TextSink::note(const Note& note) {
  const std::string text = note_text(note);
  print("\t<%s>\n", text.c_str());
}

void TextSink::directory_end() { print_literal("\n"); }

void TextSink::thumbnail(const ThumbnailReport& thumbnail, bool extracting) {
  if (!extracting) print("%s", report_line(thumbnail.kind));
}

void TextSink::picture(const PictureReport& r) {
  const Picture& p = *r.picture;
  print("picture [");
  print_source(p);
  print("] %s", picture_form_name(p.form));
  if (r.sized) print(" %ux%u", r.width, r.height);
  print(" at ");
  print_hex(p.spans[0].position);
  print(", %u bytes", static_cast<std::uint32_t>(r.length));
  if (r.fault != PICTURE_WRITTEN) {
    print("%s\n", r.fault == PICTURE_NOT_HELD ? " <the file does not hold it whole>"
                                              : " <not a JPEG: no start-of-image marker>");
    return;
  }
  if (r.repaired) {
    const char byte[3] = {kHexDigits[r.first_byte >> 4], kHexDigits[r.first_byte & 0xF], '\0'};
    print(" <its first byte, 0x%s, written as FF>", byte);
  }
  if (p.bgr) print(" <its colours stored blue, green, red: written as stored>");
  if (p.short_pixels) print(" <its segment ends before its pixels do: the rest written as 0>");
  if (r.gain_map != nullptr) print(" <a gain map: its XMP names %s>", r.gain_map);
  print("\n");
}

void TextSink::output_begin(const char* name) { print(kCreatingLine, name); }

void TextSink::output_writing(std::int32_t kind) { print("%s", report_line(kind)); }

void TextSink::output_end(OutputResult result, const char* name) {
  switch (result) {
    case OUTPUT_WRITTEN:
      print("done[%s]\n", name);
      return;
    case OUTPUT_WRITE_ERROR:
      print("File Write error for [%s]\n", name);
      return;
    case OUTPUT_CANNOT_CREATE:
      print("Can't open file[%s], skip...\n", name);
      return;
    case OUTPUT_NOT_MADE:    // a bitmap not made says nothing
    case OUTPUT_READ_ERROR:  // the file's open error follows
      return;
  }
}

void TextSink::facts(const FactList& facts) {
  print("Facts dumping...:\n");
  char digits[32];
  for (const Fact& f : facts.facts) {
    print("\t%s: ", f.name);
    switch (f.form) {
      case FACT_TEXT:
        print_bytes(f.text.data(), f.text.size());
        break;
      case FACT_NUMBER: {
        const auto end = std::to_chars(digits, digits + sizeof digits, f.number).ptr;
        print_bytes(digits, static_cast<std::size_t>(end - digits));
        break;
      }
      case FACT_INTEGER: {
        const auto end = std::to_chars(digits, digits + sizeof digits, f.integer).ptr;
        print_bytes(digits, static_cast<std::size_t>(end - digits));
        break;
      }
      case FACT_FLAG:
        print(f.flag ? "true" : "false");
        break;
      case FACT_LENS_ID:
        print("%s", f.text.c_str());
        for (const std::int64_t v : f.integers) {
          const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
          print(" ");
          print_bytes(digits, static_cast<std::size_t>(end - digits));
        }
        break;
    }
    // Where it came from: each entry's block, tag and value position.
    for (std::size_t k = 0; k < f.from.size(); ++k) {
      const FactSource& s = f.from[k];
      print(k == 0 ? "  (%s 0x%x at " : ", %s 0x%x at ", s.directory.c_str(), s.tag);
      print_hex(s.position);
    }
    print(f.from.empty() ? "\n" : ")\n");
  }
  for (const std::string& n : facts.notes) print("\t<%s>\n", n.c_str());
  print("\n");
}

}  // namespace pelnor
