#include "tiff/values.h"

#include <bit>
#include <charconv>
#include <cstring>

#include "report/json_writer.h"
#include "report/output.h"
#include "tiff/byte_order.h"
#include "tiff/directory.h"

namespace pelnor {
namespace {

// A longer array shows its first values and how many more there are: one line stays readable.
constexpr std::uint32_t kMostValues = 16;

constexpr char kNamedText[] = "\t%s: [%*.*s]";
constexpr char kNamedTextCut[] = "\t%s: [%.*s] %s";
constexpr char kMeaning[] = " [%s]";
constexpr char kMore[] = " <%u more>\n";
constexpr char kByteCount[] = " <%u bytes>\n";
constexpr char kCut[] = " %s\n";  // with kBeyondData
constexpr char kNoValues[] = "\t%s: <values of an unknown type>\n";

// Bytes one value of `type` takes; 0 for a type whose values cannot be read.
std::uint32_t value_size(std::uint16_t type) {
  switch (type) {
    case BYTE:
    case ASCII:
    case SBYTE:
    case UNDEFINED:
      return 1;
    case SHORT:
    case SSHORT:
      return 2;
    case LONG:
    case SLONG:
    case FLOAT:
    case kIfdType:
      return 4;
    case RATIONAL:
    case SRATIONAL:
    case DOUBLE:
      return 8;
    default:
      return 0;
  }
}

const char* meaning_of(const ExifTag& tag, std::uint32_t value) {
  for (std::uint8_t i = 0; i < tag.meaning_count; ++i) {
    if (tag.meanings[i].value == value) return tag.meanings[i].text;
  }
  return nullptr;
}

// The fewest digits that read back as the same number, the same on every system and C runtime
// (printf's %g is not: the Windows one writes three exponent digits).
template <typename T>
void print_float(T v) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
  print(" %.*s", static_cast<int>(end - digits), digits);
}

// Value j of the array of `type` at TIFF offset `at`, as stored: the whole of a value of four
// bytes or fewer in `first`, the two words of an eight-byte one in `first` and `second`, in the
// order stored, and `*number` set to the first when it is the whole value. False when it lies
// past the data read.
struct StoredValue {
  std::uint32_t first = 0;
  std::uint32_t second = 0;
};

bool read_value(const TiffData& tiff, std::uint64_t at, std::uint16_t type, std::uint32_t j,
                int little_endian, StoredValue* v, std::uint32_t* number) {
  const std::uint32_t size = value_size(type);
  const std::uint64_t p = at + std::uint64_t{j} * size;
  std::uint16_t half;
  switch (size) {
    case 2:
      if (!read16_at(tiff, p, little_endian, &half)) return false;
      v->first = half;
      break;
    case 4:
      if (!read32_at(tiff, p, little_endian, &v->first)) return false;
      break;
    case 8:
      return read32_at(tiff, p, little_endian, &v->first) &&
             read32_at(tiff, p + 4, little_endian, &v->second);
    default:  // BYTE, SBYTE, and UNDEFINED read as bytes
      if (!tiff.contains(p, 1)) return false;
      v->first = *tiff.at(p);
  }
  *number = v->first;
  return true;
}

// The bits of a DOUBLE: the word stored first holds the high half in "MM", the low one in "II".
double double_of(const StoredValue& v, int little_endian) {
  const std::uint64_t bits = little_endian != 0 ? std::uint64_t{v.second} << 32 | v.first
                                                : std::uint64_t{v.first} << 32 | v.second;
  return std::bit_cast<double>(bits);
}

// Prints value j of the array of `type` at TIFF offset `at` after a blank and sets `*number` to
// it when it is an integer. False, with nothing printed, when it lies past the data read.
bool print_value(const TiffData& tiff, std::uint64_t at, std::uint16_t type, std::uint32_t j,
                 int little_endian, std::uint32_t* number) {
  StoredValue v;
  if (!read_value(tiff, at, type, j, little_endian, &v, number)) return false;
  switch (type) {
    case SSHORT:
      print(" %d", int{static_cast<std::int16_t>(v.first)});
      break;
    case SLONG:
      print(" %d", static_cast<int>(v.first));
      break;
    case SBYTE:
      print(" %d", int{static_cast<std::int8_t>(v.first)});
      break;
    case FLOAT:
      print_float(std::bit_cast<float>(v.first));
      break;
    case RATIONAL:
      print(" %u/%u", v.first, v.second);
      break;
    case SRATIONAL:
      print(" %d/%d", static_cast<int>(v.first), static_cast<int>(v.second));
      break;
    case DOUBLE:
      print_float(double_of(v, little_endian));
      break;
    default:  // SHORT, LONG, IFD, BYTE, and UNDEFINED read as bytes
      print(" %u", v.first);
  }
  return true;
}

bool is_integer(std::uint16_t type) {
  return type != FLOAT && type != RATIONAL && type != SRATIONAL && type != DOUBLE;
}

// What each byte of ComponentsConfiguration stands for, when the table lists every one.
void print_each_meaning(const TiffData& tiff, std::uint64_t at, std::uint32_t count,
                        const ExifTag& tag) {
  for (std::uint32_t j = 0; j < count; ++j) {
    if (meaning_of(tag, *tiff.at(at + j)) == nullptr) return;
  }
  for (std::uint32_t j = 0; j < count; ++j) {
    print(j == 0 ? " [%s" : " %s", meaning_of(tag, *tiff.at(at + j)));
  }
  print("]");
}

void print_numbers(const TiffData& tiff, std::uint64_t at, const TagEntry& e, std::uint16_t type,
                   int little_endian, const ExifTag& tag) {
  const std::uint32_t shown = e.count < kMostValues ? e.count : kMostValues;
  std::uint32_t number = 0;
  for (std::uint32_t j = 0; j < shown; ++j) {
    if (!print_value(tiff, at, type, j, little_endian, &number)) {
      print(kCut, kBeyondData);
      return;
    }
  }
  if (e.count > shown) {
    print(kMore, e.count - shown);
    return;
  }
  if (tag.each) {
    if (value_size(type) == 1 && e.count > 0) print_each_meaning(tiff, at, e.count, tag);
  } else if (e.count == 1 && is_integer(type)) {
    const char* meaning = meaning_of(tag, number);
    if (meaning != nullptr) print(kMeaning, meaning);
  }
  print("\n");
}

// The first bytes in hexadecimal, then the byte count.
void print_hex(const TiffData& tiff, std::uint64_t at, std::uint32_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const std::uint32_t shown = count < kMostValues ? count : kMostValues;
  char hex[3 * kMostValues + 1];
  std::size_t n = 0;
  std::uint32_t j = 0;
  for (; j < shown && tiff.contains(at + j, 1); ++j) {
    const std::uint8_t byte = *tiff.at(at + j);
    hex[n++] = ' ';
    hex[n++] = kDigits[byte >> 4];
    hex[n++] = kDigits[byte & 0xF];
  }
  hex[n] = '\0';
  print("%s", hex);
  if (j < shown) {
    print(kCut, kBeyondData);
  } else {
    print(kByteCount, count);
  }
}

// Four printable characters: a version ("0232") that can stand on the line as it is.
bool printable(const std::uint8_t* chars) {
  for (int j = 0; j < 4; ++j) {
    if (chars[j] < 0x20 || chars[j] > 0x7E) return false;
  }
  return true;
}

// UserComment: its 8-byte character code ("ASCII", "JIS", "UNICODE" or none), then the text up
// to its zero byte, each in brackets.
void print_comment(const TiffData& tiff, std::uint64_t at, std::uint32_t count) {
  if (!tiff.contains(at, 8)) {
    print(kCut, kBeyondData);
    return;
  }
  const auto* code = reinterpret_cast<const char*>(tiff.at(at));
  const EntryText text = text_at(tiff, at + 8, count - 8u);
  if (text.whole) {
    print(" [%.*s] [%.*s]\n", 8, code, text.length, text.chars);
  } else {
    print(" [%.*s] [%.*s] %s\n", 8, code, text.length, text.chars, kBeyondData);
  }
}

void print_named_text(const TiffData& tiff, std::uint64_t raw_offset, const TagEntry& e,
                      const char* label, const ExifTag& tag) {
  const EntryText text = entry_text(tiff, raw_offset, e);
  if (text.whole) {
    print(kNamedText, label, static_cast<int>(e.count - 1u), text.length, text.chars);
  } else {
    print(kNamedTextCut, label, text.length, text.chars, kBeyondData);
  }
  // A one-letter text of the GPS references and modes.
  const char* meaning =
      text.length == 1 ? meaning_of(tag, static_cast<std::uint8_t>(text.chars[0])) : nullptr;
  if (meaning != nullptr) print(kMeaning, meaning);
  print("\n");
}

// The label of a tag that no table names: its number, "0xEA1D".
const char* number_label(std::uint16_t tag, char (&out)[7]) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out[0] = '0';
  out[1] = 'x';
  for (int i = 0; i < 4; ++i) out[2 + i] = kDigits[(tag >> (12 - 4 * i)) & 0xF];
  out[6] = '\0';
  return out;
}

}  // namespace

void print_entry_value(const TiffData& tiff, std::uint64_t raw_offset, const TagEntry& e,
                       int little_endian, const TagTable& names) {
  static constexpr ExifTag kUnnamed{0, nullptr};  // its value prints by its type alone
  const ExifTag* named = find_tag(names, e.tag);
  const ExifTag& tag = named != nullptr ? *named : kUnnamed;
  char number[7];
  const bool pointer = e.type == LONG || e.type == SLONG || e.type == kIfdType;
  const char* label = named == nullptr                            ? number_label(e.tag, number)
                      : pointer && named->pointer_name != nullptr ? named->pointer_name
                                                                  : named->name;
  if (e.type == ASCII) {
    print_named_text(tiff, raw_offset, e, label, tag);
    return;
  }
  const std::uint32_t size = value_size(e.type);
  if (size == 0) {  // the generic line names the type
    print(kNoValues, label);
    return;
  }
  const std::uint64_t at = std::uint64_t{e.count} * size <= 4 ? raw_offset + 8 : e.value;
  print("\t%s:", label);
  if (e.type != UNDEFINED || tag.undefined == UNDEF_BYTES) {
    print_numbers(tiff, at, e, e.type, little_endian, tag);
    return;
  }
  switch (tag.undefined) {
    case UNDEF_VERSION:
      if (e.count != 4 || !printable(tiff.at(at))) break;
      print(" %.*s\n", 4, reinterpret_cast<const char*>(tiff.at(at)));
      return;
    case UNDEF_COMMENT:
      if (e.count < 8) break;
      print_comment(tiff, at, e.count);
      return;
    case UNDEF_COUNT:
      print(kByteCount, e.count);
      return;
    default:
      break;
  }
  print_hex(tiff, at, e.count);
}

namespace {

// Writes value j of the array of `type` at TIFF offset `at` as a JSON value, and sets `*number`
// to it when it is an integer. False, with nothing written, when it lies past the data read.
bool json_value(const TiffData& tiff, std::uint64_t at, std::uint16_t type, std::uint32_t j,
                int little_endian, std::uint32_t* number) {
  StoredValue v;
  if (!read_value(tiff, at, type, j, little_endian, &v, number)) return false;
  switch (type) {
    case SSHORT:
      json::number(static_cast<std::int16_t>(v.first));
      break;
    case SLONG:
      json::number(static_cast<std::int32_t>(v.first));
      break;
    case SBYTE:
      json::number(static_cast<std::int8_t>(v.first));
      break;
    case FLOAT:
      json::real(std::bit_cast<float>(v.first), true);
      break;
    case RATIONAL:
    case SRATIONAL:
      json::begin_array();
      if (type == RATIONAL) {
        json::number(v.first);
        json::number(v.second);
      } else {
        json::number(static_cast<std::int32_t>(v.first));
        json::number(static_cast<std::int32_t>(v.second));
      }
      json::end_array();
      break;
    case DOUBLE:
      json::real(double_of(v, little_endian), false);
      break;
    default:  // SHORT, LONG, IFD, BYTE, and UNDEFINED read as bytes
      json::number(v.first);
  }
  return true;
}

// "more" when the entry has more values than the document lists, "cut" when the data read
// ends before them.
void json_rest(std::uint32_t count, std::uint32_t listed, bool cut) {
  if (cut) {
    json::key("cut");
    json::boolean(true);
  } else if (count > listed) {
    json::member("more", std::int64_t{count} - listed);
  }
}

void json_numbers(const TiffData& tiff, std::uint64_t at, const TagEntry& e, int little_endian,
                  const ExifTag& tag, const char* meaning) {
  const std::uint32_t listed = e.count < json::kMostValues ? e.count : json::kMostValues;
  std::uint32_t number = 0, j = 0;
  json::key("values");
  json::begin_array();
  const bool plain = e.type == SHORT || e.type == LONG || e.type == BYTE || e.type == UNDEFINED;
  const std::uint32_t size = value_size(e.type);
  if (plain && tiff.contains(at, std::uint64_t{listed} * size)) {  // all inside: read in place
    number = json::unsigned_values(listed != 0 ? tiff.at(at) : nullptr, listed, size,
                                   little_endian != 0);
    j = listed;
  }
  while (j < listed && json_value(tiff, at, e.type, j, little_endian, &number)) ++j;
  json::end_array();
  json_rest(e.count, listed, j < listed);
  if (j < e.count) return;
  if (meaning == nullptr && tag.each) {
    if (value_size(e.type) != 1 || e.count == 0) return;
    for (std::uint32_t k = 0; k < e.count; ++k) {
      if (meaning_of(tag, *tiff.at(at + k)) == nullptr) return;
    }
    json::key("meanings");
    json::begin_array();
    for (std::uint32_t k = 0; k < e.count; ++k) {
      const char* m = meaning_of(tag, *tiff.at(at + k));
      json::string(m, std::strlen(m));
    }
    json::end_array();
    return;
  }
  if (meaning == nullptr && e.count == 1 && is_integer(e.type)) meaning = meaning_of(tag, number);
  if (meaning != nullptr) json::member("meaning", meaning);
}

void json_bytes(const TiffData& tiff, std::uint64_t at, std::uint32_t count) {
  const std::uint32_t listed = count < json::kMostBytes ? count : json::kMostBytes;
  const std::uint64_t inside = tiff.bytes_at(at);
  const auto n = static_cast<std::uint32_t>(inside < listed ? inside : listed);
  json::key("hex");
  json::hex(n != 0 ? tiff.at(at) : nullptr, n);
  json_rest(count, listed, n < listed);
}

}  // namespace

void json_entry(const TiffData& tiff, std::uint64_t raw_offset, const TagEntry& e,
                int little_endian, const TagTable& names, const char* meaning) {
  static constexpr ExifTag kUnnamed{0, nullptr};
  const ExifTag* named = find_tag(names, e.tag);
  const ExifTag& tag = named != nullptr ? *named : kUnnamed;
  const bool pointer = e.type == LONG || e.type == SLONG || e.type == kIfdType;
  const char* name = named == nullptr                            ? nullptr
                     : pointer && named->pointer_name != nullptr ? named->pointer_name
                                                                 : named->name;
  const std::uint32_t origin = tiff.origin_position();
  // The value position as the generic line's bracket gives it: the field plus the TIFF
  // header's file position.
  json::entry_head(static_cast<std::uint32_t>(raw_offset) + origin, e.tag, name, e.type, e.count,
                   e.value, e.value + origin);
  const std::uint32_t size = value_size(e.type);
  const std::uint64_t at = std::uint64_t{e.count} * size <= 4 ? raw_offset + 8 : e.value;
  if (e.type == ASCII) {
    const EntryText text = entry_text(tiff, raw_offset, e);
    json::text("text", text.chars, static_cast<std::size_t>(text.length), "text_hex");
    if (!text.whole) {
      json::key("cut");
      json::boolean(true);
    }
    const char* letter =
        text.length == 1 ? meaning_of(tag, static_cast<std::uint8_t>(text.chars[0])) : nullptr;
    if (letter != nullptr) json::member("meaning", letter);
  } else if (size == 0) {
    json::key("values");
    json::null();  // a type whose values cannot be read
  } else if (e.type != UNDEFINED || tag.undefined == UNDEF_BYTES) {
    json_numbers(tiff, at, e, little_endian, tag, meaning);
  } else if (tag.undefined == UNDEF_VERSION && e.count == 4 && tiff.contains(at, 4) &&
             printable(tiff.at(at))) {
    json::key("text");
    json::string(reinterpret_cast<const char*>(tiff.at(at)), 4);
  } else if (tag.undefined == UNDEF_COMMENT && e.count >= 8 && tiff.contains(at, 8)) {
    const EntryText text = text_at(tiff, at + 8, e.count - 8u);
    json::text("code", reinterpret_cast<const char*>(tiff.at(at)), 8, "code_hex");
    json::text("text", text.chars, static_cast<std::size_t>(text.length), "text_hex");
    if (!text.whole) {
      json::key("cut");
      json::boolean(true);
    }
  } else if (tag.undefined != UNDEF_COUNT) {
    json_bytes(tiff, at, e.count);
  }
  json::end_object();
}

}  // namespace pelnor
