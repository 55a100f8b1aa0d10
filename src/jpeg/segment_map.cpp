#include "jpeg/segment_map.h"

#include <cstring>

#include "tiff/byte_order.h"

namespace pelnor {
namespace {

// An APPn segment's identifier: the printable characters it begins with, at most 32.
constexpr std::uint32_t kIdentifierMost = 32;

MapStop map_stop(WalkStop stop, bool pipe) {
  switch (stop) {
    case WALK_SOS_OR_EOI:
      return MAP_COMPLETE;
    case WALK_NOT_MARKER:
      return MAP_NOT_MARKER;
    case WALK_SHORT_LENGTH:
      return MAP_SHORT_LENGTH;
    case WALK_READS:
      return MAP_READS;
    case WALK_FAILED:
      return MAP_READ_FAILED;
    default:
      return pipe ? MAP_PIPE : MAP_END;
  }
}

}  // namespace

bool map_segments(const std::uint8_t* head, std::uint32_t size, SegmentRecord& record, Reach reach,
                  bool pipe, std::uint64_t file_size, Sink& sink, std::size_t* mpf) {
  bool found = false;
  if (size < 2 || head[0] != 0xFF || head[1] != 0xD8) return found;
  sink.map_begin(MAP_JPEG_SEGMENTS);
  sink.map_element({0, 0xD8, "SOI", 0, false, nullptr, 0, false, 0, 0});
  const WalkRule rule{reach};
  const Segment* s;
  WalkStop why;
  int got;
  for (std::size_t i = 0; (got = record.segment(i, rule, &s, &why)) == 1; ++i) {
    MapElement e{
        s->position, s->marker, marker_name(s->marker), s->length, false, nullptr, 0, false, 0, 0};
    e.past_end = s->length != 0 && s->data - 2 + s->length > file_size;
    const std::uint8_t* p;
    if (e.past_end) {
      // A length the file does not hold: said apart, as what it claims rather than what it is.
    } else if (s->marker >= 0xE0 && s->marker <= 0xEF && s->length > 2) {
      const std::uint32_t want = s->length - 2 < kIdentifierMost ? s->length - 2 : kIdentifierMost;
      if (record.data(i, want, rule, &p) == 1) {
        std::uint32_t n = 0;
        while (n < want && p[n] >= 0x20 && p[n] <= 0x7E) ++n;
        if (n != 0) {
          e.identifier = reinterpret_cast<const char*>(p);
          e.identifier_length = n;
        }
        if (!found && s->marker == 0xE2 && want >= 4 && std::memcmp(p, "MPF\0", 4) == 0) {
          *mpf = i;
          found = true;
        }
      }
    } else if (is_sof(s->marker) && s->length >= 7 && record.data(i, 5, rule, &p) == 1) {
      e.sized = true;
      e.width = big16(p + 3);
      e.height = big16(p + 1);
    }
    sink.map_element(e);
  }
  sink.map_end(got < 0 ? MAP_READ_FAILED : map_stop(why, pipe));
  return found;
}

}  // namespace pelnor
