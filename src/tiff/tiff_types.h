// The decoded IFD entry and the TIFF 6.0 field types.
#pragma once

#include <cstdint>

namespace pelnor {

/// Field types by their TIFF 6.0 numbers. 0 and numbers above 12 are unknown types.
enum FieldType : std::uint16_t {
  BYTE = 1,
  ASCII = 2,
  SHORT = 3,
  LONG = 4,
  RATIONAL = 5,
  SBYTE = 6,
  UNDEFINED = 7,
  SSHORT = 8,
  SLONG = 9,
  SRATIONAL = 10,
  FLOAT = 11,
  DOUBLE = 12,
};

/// The type of a pointer to a directory, which TIFF added after 6.0: a LONG in all but its name,
/// printed "UNKNOWN" as the generic line has always printed 13.
inline constexpr std::uint16_t kIfdType = 13;

/// One 12-byte IFD entry decoded into host order, fields in the order the file stores them.
struct TagEntry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  /// The first value itself, the four inline bytes as stored (byte types), or the TIFF offset
  /// of the values, as decode_entry chooses by type and count.
  std::uint32_t value;
};

/// Size of one raw IFD entry in the file.
inline constexpr std::uint32_t kEntrySize = 12;

}  // namespace pelnor
