#include "tiff/exif_segment.h"

#include <cstring>

namespace pelnor {
namespace {

bool identifier_at(const std::uint8_t* head, std::uint32_t size, std::uint32_t at) {
  return at <= size && size - at >= 6 && std::memcmp(head + at, kExifIdentifier, 6) == 0;
}

std::uint32_t big16(const std::uint8_t* p) { return std::uint32_t{p[0]} << 8 | p[1]; }

// Markers that stand alone, without a length: TEM, RST0 to RST7 and a repeated SOI.
bool stands_alone(std::uint8_t marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

}  // namespace

bool exif_at_six(const std::uint8_t* head, std::uint32_t size, ExifPlace* place) {
  if (!identifier_at(head, size, 6)) return false;
  // The segment that starts at offset 2: its length, in bytes 4 and 5, counts from byte 4.
  *place = {12, 4 + big16(head + 4)};
  return true;
}

bool find_exif(const std::uint8_t* head, std::uint32_t size, ExifPlace* place) {
  if (exif_at_six(head, size, place)) return true;
  if (identifier_at(head, size, 0)) {
    *place = {6, kSegmentMax};
    return true;
  }
  std::uint32_t at = 2;
  while (at < size && head[at] == 0xFF) {
    while (at < size && head[at] == 0xFF) ++at;  // fill bytes before the marker code
    if (at == size) return false;
    const std::uint8_t marker = head[at++];
    if (marker == 0x00 || marker == 0xD9 || marker == 0xDA) return false;  // no marker, EOI, SOS
    if (stands_alone(marker)) continue;
    if (size - at < 2) return false;
    const std::uint32_t length = big16(head + at);
    if (length < 2) return false;
    if (marker == 0xE1 && length >= 8 && identifier_at(head, size, at + 2)) {
      *place = {at + 8, at + length};
      return true;
    }
    at += length;
  }
  return false;
}

}  // namespace pelnor
