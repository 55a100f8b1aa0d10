// Byte order: reversals, host-order loads, reading numbers in the file's order, decode_entry.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "tiff/tiff_data.h"
#include "tiff/tiff_types.h"

namespace pelnor {

/// 0x1234 gives 0x3412; only the low 16 bits of the argument count.
constexpr std::uint16_t swap16(std::uint32_t v) {
  return static_cast<std::uint16_t>(((v & 0xFFu) << 8) | ((v >> 8) & 0xFFu));
}

/// Reverses the four bytes of a 32-bit number.
constexpr std::uint32_t swap32(std::uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

/// The 16-bit number stored at `p` in host order; no alignment needed.
inline std::uint16_t load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

/// The 32-bit number stored at `p` in host order; no alignment needed.
inline std::uint32_t load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline constexpr bool kHostLittleEndian = std::endian::native == std::endian::little;

/// The 16-bit number at `p` in the file's byte order (`little_endian` 1 for "II", 0 for "MM").
inline std::uint16_t file16(const std::uint8_t* p, int little_endian) {
  return (little_endian != 0) == kHostLittleEndian ? load16(p) : swap16(load16(p));
}

/// The 32-bit number at `p` in the file's byte order.
inline std::uint32_t file32(const std::uint8_t* p, int little_endian) {
  return (little_endian != 0) == kHostLittleEndian ? load32(p) : swap32(load32(p));
}

/// Big-endian numbers, the byte order of JPEG segments and of ISO boxes, whatever the file's.
constexpr std::uint32_t big16(const std::uint8_t* p) { return std::uint32_t{p[0]} << 8 | p[1]; }
constexpr std::uint32_t big32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

/// Byte-order flag from the mark at tiff_base: 1 for "II", 0 for "MM", -1 for anything else.
int byte_order_from_mark(std::uint8_t first, std::uint8_t second);

/// Decodes the 12-byte raw entry at `raw` into `entry` and returns `entry`. Never looks beyond
/// the 12 bytes.
TagEntry* decode_entry(TagEntry* entry, const std::uint8_t* raw, int little_endian);

/// Reads a number at a TIFF offset in the file's byte order. False, with `*out` untouched, when
/// the number does not lie wholly inside the data read.
inline bool read16_at(const TiffData& tiff, std::uint64_t offset, int little_endian,
                      std::uint16_t* out) {
  if (!tiff.contains(offset, 2)) return false;
  *out = file16(tiff.at(offset), little_endian);
  return true;
}
inline bool read32_at(const TiffData& tiff, std::uint64_t offset, int little_endian,
                      std::uint32_t* out) {
  if (!tiff.contains(offset, 4)) return false;
  *out = file32(tiff.at(offset), little_endian);
  return true;
}

/// Offset of entry k of the IFD at `ifd`.
constexpr std::uint64_t entry_offset(std::uint32_t ifd, std::uint64_t k) {
  return std::uint64_t{ifd} + 2 + kEntrySize * k;
}

}  // namespace pelnor
