// The tags of the Exif, Interoperability and GPS directories: their names and the meanings of
// their enumerated values, as the Exif standard (CIPA DC-008, Exif 3.0) gives them.
#pragma once

#include <cstdint>

namespace pelnor {

/// Which directory an IFD is: IFD0 and IFD1 print the TIFF tags of the default dump; the other
/// three, dumped with -a, print the names of the Exif standard.
enum Directory : std::uint8_t {
  DIR_TIFF = 0,
  DIR_EXIF = 1,
  DIR_INTEROP = 2,
  DIR_GPS = 3,
};

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

struct ExifTag {
  std::uint16_t tag;
  const char* name;
  const Meaning* meanings = nullptr;
  std::uint8_t meaning_count = 0;
  std::uint8_t undefined = UNDEF_HEX;
  /// The meanings belong to each value of several (ComponentsConfiguration), not to a single one.
  bool each = false;
};

/// The Exif standard's tag `tag` of directory `dir`; null for a tag it does not define there,
/// and for every tag of DIR_TIFF.
const ExifTag* find_exif_tag(Directory dir, std::uint16_t tag);

}  // namespace pelnor
