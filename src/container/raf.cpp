#include "container/raf.h"

#include <cstring>
#include <vector>

#include "jpeg/segments.h"
#include "tiff/byte_order.h"

namespace pelnor {
namespace {

// Entries of the RAF directory the map lists at most.
constexpr std::uint32_t kMostEntries = 256;
// Bytes of the JPEG's start read to find its Exif segment.
constexpr std::uint32_t kJpegHead = 65536;

struct Text {
  const char* name;
  std::uint32_t at;
  std::uint32_t length;
};
constexpr Text kTexts[] = {{"magic", 0, 16},      {"format version", 16, 4}, {"camera ID", 20, 8},
                           {"camera", 28, 32},    {"version", 60, 4}};
struct Field {
  const char* name;
  std::uint32_t at;
};
constexpr Field kSpans[] = {{"JPEG", 84}, {"CFA header", 92}, {"CFA", 100}};

MapElement field(std::uint64_t position, const char* name) {
  MapElement e{position, 0, name, 0, false, nullptr, 0, false, 0, 0};
  e.kind = ELEMENT_FIELD;
  return e;
}

// The Exif segment of the JPEG that starts at `jpeg` (its first `n` bytes in `head`), as -s
// finds it in any JPEG: its TIFF header's position and its end.
bool jpeg_exif(const std::uint8_t* head, std::uint32_t n, std::uint64_t jpeg, ExifBlock* block) {
  if (n < 4 || head[0] != 0xFF || head[1] != 0xD8) return false;
  SegmentRecord record;
  record.start(head, n, nullptr);
  const WalkRule rule{Reach::kHead};
  const Segment* s;
  WalkStop why;
  for (std::size_t i = 0; record.segment(i, rule, &s, &why) == 1; ++i) {
    if (s->marker == 0xDA || s->marker == 0xD9) return false;
    const std::uint8_t* p;
    if (s->marker != 0xE1 || s->length < 8 || record.data(i, 6, rule, &p) != 1 ||
        std::memcmp(p, kExifIdentifier, 6) != 0) {
      continue;
    }
    *block = ExifBlock{true, jpeg + s->data + 6, s->length - 8u, {}, true};
    return true;
  }
  return false;
}

}  // namespace

void read_raf(ByteSource& file, std::uint64_t file_size, Sink* map, ContainerFind* found) {
  found->layout = LAYOUT_RAF;
  if (map != nullptr) map->map_begin(MAP_RAF_HEADER);
  std::uint8_t h[108];
  MapStop stop = MAP_COMPLETE;
  if (!file.read_whole(0, h, sizeof h)) {
    if (file.failed()) found->failed = true;
    if (map != nullptr) map->map_end(file.failed() ? MAP_READ_FAILED : MAP_END);
    return;
  }
  if (map != nullptr) {
    for (const Text& t : kTexts) {
      MapElement e = field(t.at, t.name);
      std::uint32_t n = 0;
      while (n < t.length && h[t.at + n] >= 0x20 && h[t.at + n] <= 0x7E) ++n;
      e.detail = reinterpret_cast<const char*>(h + t.at);
      e.detail_length = n;
      map->map_element(e);
    }
    for (const Field& s : kSpans) {
      MapElement e = field(s.at, s.name);
      e.sized = true;
      e.at = big32(h + s.at);
      e.size = big32(h + s.at + 4);
      e.past_end = e.at > file_size || e.size > file_size - e.at;
      map->map_element(e);
    }
  }
  const std::uint64_t jpeg = big32(h + 84), jpeg_length = big32(h + 88);
  if (jpeg < file_size && jpeg_length <= file_size - jpeg) {
    std::vector<std::uint8_t> head(static_cast<std::size_t>(jpeg_length < kJpegHead ? jpeg_length : kJpegHead));
    const std::int64_t got =
        head.empty() ? 0 : file.read(jpeg, head.data(), static_cast<std::uint32_t>(head.size()));
    if (got > 0) jpeg_exif(head.data(), static_cast<std::uint32_t>(got), jpeg, &found->exif);
    Picture p{PIC_PREVIEW};
    p.maker = "RAF";
    p.add_span(jpeg, jpeg_length);
    found->pictures.add(p);
  }
  // Its directory: a count, then entries of a tag, a size and that many bytes.
  const std::uint64_t directory = big32(h + 92), length = big32(h + 96);
  std::uint8_t c[4];
  if (map != nullptr && length >= 4 && file.read_whole(directory, c, 4)) {
    const std::uint32_t count = big32(c);
    std::uint64_t at = directory + 4;
    for (std::uint32_t k = 0; k < count && k < kMostEntries; ++k) {
      std::uint8_t e[4];
      if (at + 4 > directory + length || !file.read_whole(at, e, 4)) {
        stop = file.failed() ? MAP_READ_FAILED : MAP_OVERRUN;
        break;
      }
      MapElement entry = field(at, "entry");
      entry.id = big16(e);
      entry.size = big16(e + 2);
      map->map_element(entry);
      at += 4 + entry.size;
    }
  }
  if (file.failed()) found->failed = true;
  if (map == nullptr) return;
  map_exif(*map, *found);
  map->map_end(file.failed() ? MAP_READ_FAILED : stop);
}

}  // namespace pelnor
