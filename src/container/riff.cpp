#include "container/riff.h"

#include <algorithm>
#include <cstring>

#include "tiff/byte_order.h"

namespace pelnor {
namespace {

constexpr int kMostChunks = 4096;

MapElement chunk(std::uint64_t position, const std::uint8_t* type, std::uint64_t length) {
  MapElement e{position, 0, nullptr, 0, false, nullptr, 0, false, 0, 0};
  e.kind = ELEMENT_CHUNK;
  std::memcpy(e.type, type, 4);
  e.size = length;
  return e;
}

}  // namespace

void read_riff(ByteSource& file, std::uint64_t file_size, Sink* map, ContainerFind* found) {
  found->layout = LAYOUT_WEBP;
  std::uint8_t h[12];
  if (map != nullptr) map->map_begin(MAP_RIFF_CHUNKS);
  MapStop stop = MAP_COMPLETE;
  if (file.read_whole(0, h, 12)) {
    const std::uint64_t riff = file32(h + 4, 1);
    MapElement header = chunk(0, h, riff);
    header.detail = "WEBP";
    header.detail_length = 4;
    header.past_end = 8 + riff > file_size;
    if (map != nullptr) map->map_element(header);
    const std::uint64_t end = std::min<std::uint64_t>(8 + riff, file_size);
    std::uint64_t at = 12;
    for (int n = 0; at < end && stop == MAP_COMPLETE; ++n) {
      std::uint8_t c[14];
      if (n == kMostChunks) {
        stop = MAP_TOO_MANY;
      } else if (end - at < 8 || !file.read_whole(at, c, 8)) {
        stop = file.failed() ? MAP_READ_FAILED : MAP_OVERRUN;  // a chunk cut short
      } else {
        const std::uint64_t length = file32(c + 4, 1);
        MapElement e = chunk(at, c, length);
        e.past_end = length > end - at - 8;
        if (map != nullptr) map->map_element(e);
        // An EXIF chunk the end of the file cuts is read as far as the file goes, as a JPEG's
        // Exif segment is.
        const std::uint64_t held = e.past_end ? end - at - 8 : length;
        if (std::memcmp(c, "EXIF", 4) == 0 && !found->exif.found && held >= 8) {
          // Some writers put the JPEG segment's identifier first.
          const bool prefixed = held >= 14 && file.read_whole(at + 8, c + 8, 6) &&
                                std::memcmp(c + 8, "Exif\0\0", 6) == 0;
          const std::uint64_t skip = prefixed ? 6 : 0;
          found->exif = ExifBlock{true, at + 8 + skip, held - skip, {}, false};
        }
        if (e.past_end) stop = MAP_OVERRUN;
        at += 8 + length + (length & 1);  // chunks are padded to even lengths
      }
    }
  } else {
    stop = file.failed() ? MAP_READ_FAILED : MAP_END;
  }
  if (file.failed()) found->failed = true;
  if (map == nullptr) return;
  map_exif(*map, *found);
  map->map_end(stop);
}

}  // namespace pelnor
