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

/// Bytes one value of `type` takes: 1, 2, 4 or 8; 0 for a type whose values cannot be read
/// (0, and 14 and above).
constexpr std::uint32_t value_size(std::uint32_t type) {
  constexpr std::uint8_t kSizes[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  return type < 14 ? kSizes[type] : 0;
}

/// True for the types a 32-bit offset of a directory is stored as: LONG, SLONG and IFD.
constexpr bool is_pointer_type(std::uint16_t type) {
  return type == LONG || type == SLONG || type == kIfdType;
}

/// True when an entry of `type` and `count` is one 32-bit offset of a directory rather than the
/// directory's bytes.
constexpr bool is_pointer_entry(std::uint16_t type, std::uint32_t count) {
  return count == 1 && is_pointer_type(type);
}

}  // namespace pelnor
