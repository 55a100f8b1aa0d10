#include <cstring>

#include "container/found.h"

namespace pelnor {

Container container_of(const std::uint8_t* head, std::uint32_t size) {
  const auto starts = [head, size](std::uint32_t at, const char* text, std::uint32_t n) {
    return size >= at + n && std::memcmp(head + at, text, n) == 0;
  };
  if (starts(4, "ftyp", 4) || starts(0, "\0\0\0\x0cJXL \r\n\x87\n", 12)) return CONTAINER_BMFF;
  if (starts(0, "RIFF", 4) && starts(8, "WEBP", 4)) return CONTAINER_RIFF;
  if (starts(0, "\x89PNG\r\n\x1a\n", 8)) return CONTAINER_PNG;
  if (starts(0, "FUJIFILMCCD-RAW ", 16)) return CONTAINER_RAF;
  return CONTAINER_NONE;
}

void map_exif(Sink& map, const ContainerFind& found) {
  if (!found.exif.found) return;
  MapElement e{found.exif.position, 0, nullptr, 0, false, nullptr, 0, false, 0, 0};
  e.kind = ELEMENT_EXIF;
  e.size = found.exif.length;
  e.layout = found.layout;
  e.decoded = !found.exif.decoded.empty();
  map.map_element(e);
}

}  // namespace pelnor
