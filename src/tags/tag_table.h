// The names of the tags that the blocks of -a decode: the Exif, Interoperability and GPS tags and
// the meanings of their enumerated values, as the Exif standard (CIPA DC-008, Exif 3.0) gives
// them; the TIFF tags and the other tags cameras write beside them; the makers' own tags.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelnor {

/// One value of an enumerated tag and what it means. For a tag whose value is a letter (the GPS
/// references and modes), `value` is the letter's character code.
struct Meaning {
  std::uint16_t value;
  const char* text;
};

/// How the value of an UNDEFINED entry prints; entries of every other type print by their type.
enum UndefinedRule : std::uint8_t {
  UNDEF_HEX = 0,      // its first 16 bytes in hexadecimal, then its byte count
  UNDEF_VERSION = 1,  // four characters ("0232")
  UNDEF_BYTES = 2,    // its bytes as numbers, with their meanings
  UNDEF_COMMENT = 3,  // an 8-byte character code, then the text
  UNDEF_COUNT = 4,    // its byte count only
};

/// A name that an entry of a tag takes when its value has this form: its type (0: any), its count
/// (0: any) and its first `pattern_length` bytes as `pattern` says ('.' any byte, "[xy]" one of
/// those between x and y, any other byte itself). A maker that stores several structures under
/// one tag names each by its version, the first bytes of its value, or by its size.
struct NameVariant {
  std::uint16_t type;
  std::uint32_t count;
  const char* pattern;
  std::uint8_t pattern_length;
  const char* name;
  /// The camera models it is for (null: any), alternatives separated by '|': each a text the
  /// model holds, '^' before it for one the model begins with, '$' after it for one it ends
  /// with, '<' and '>' for a word's start and end ("<450D>|EOS 5D$").
  const char* model = nullptr;
};

struct ExifTag {
  std::uint16_t tag;
  const char* name;
  const Meaning* meanings = nullptr;
  std::uint8_t meaning_count = 0;
  std::uint8_t undefined = UNDEF_HEX;
  /// The meanings belong to each value of several (ComponentsConfiguration), not to a single one.
  bool each = false;
  /// The name of an entry of this tag that is a 32-bit offset (LONG, SLONG, IFD) rather than the
  /// data itself, where the two are named apart; null: `name` for both.
  const char* pointer_name = nullptr;
  /// Names by the value's form, tried in order; where none fits, `name` (null: none).
  const NameVariant* variants = nullptr;
  std::uint8_t variant_count = 0;
};

/// The names of one directory's tags: an array sorted by tag, and the table to look in next for
/// a tag it does not name.
struct TagTable {
  const ExifTag* begin;
  const ExifTag* end;
  const TagTable* also;
  /// The camera's model (IFD0's Model, without its trailing blanks), for the names that
  /// depend on it; set by the walk of a maker's directories, empty elsewhere.
  const char* model = "";
  int model_length = 0;
};

template <std::size_t N>
constexpr TagTable tag_table(const ExifTag (&tags)[N], const TagTable* also = nullptr) {
  return {tags, tags + N, also};
}

/// True when the tags are sorted and each stands once, as the lookup needs.
template <std::size_t N>
constexpr bool sorted(const ExifTag (&tags)[N]) {
  for (std::size_t i = 1; i < N; ++i) {
    if (tags[i - 1].tag >= tags[i].tag) return false;
  }
  return true;
}

/// The directories of -a: the Exif standard's tags, then the other tags cameras write there;
/// the TIFF tags first, for the further IFDs and SubIFDs of TIFF-format files.
extern const TagTable kExifNames;
extern const TagTable kInteropNames;
extern const TagTable kGpsNames;
extern const TagTable kTiffNames;
/// The MPF directories' tags, as CIPA DC-007 names them.
extern const TagTable kMpfNames;

/// The tables the chains above are made of: the Exif standard's tags alone, the TIFF tags alone,
/// and the other tags followed by either.
extern const TagTable kExifStandard;
extern const TagTable kTiffStandard;
extern const TagTable kOtherThenTiff;
extern const TagTable kOtherThenExif;

/// The tag `tag` as `table` or the tables after it name it; null for a tag none of them names.
const ExifTag* find_tag(const TagTable& table, std::uint16_t tag);

}  // namespace pelnor
