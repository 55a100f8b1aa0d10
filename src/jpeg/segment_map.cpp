#include "jpeg/segment_map.h"

#include <cstring>

#include "report/json_writer.h"
#include "report/output.h"

namespace pelnor {
namespace {

constexpr char kSegmentLine[] = "%#8x:0xff%s %s";
constexpr char kUnnamedLine[] = "%#8x:0xff%s";

// An APPn segment's identifier: the printable characters it begins with, at most 32.
constexpr std::uint32_t kIdentifierMost = 32;

std::uint32_t big16(const std::uint8_t* p) { return std::uint32_t{p[0]} << 8 | p[1]; }

// A marker code in two lower-case hexadecimal digits.
struct MarkerCode {
  char text[3];
  explicit MarkerCode(std::uint8_t marker) {
    static constexpr char kDigits[] = "0123456789abcdef";
    text[0] = kDigits[marker >> 4];
    text[1] = kDigits[marker & 0xF];
    text[2] = '\0';
  }
};

const char* stop_line(WalkStop stop, bool pipe) {
  switch (stop) {
    case WALK_NOT_MARKER:
      return "\t<a byte that is not a marker: the walk stops>\n";
    case WALK_SHORT_LENGTH:
      return "\t<a segment length below 2: the walk stops>\n";
    case WALK_READS:
      return "\t<more segments past the first 32 KB than the walk reads: it stops>\n";
    default:
      return pipe ? "\t<the segments past the first 32 KB of a pipe are not read>\n"
                  : "\t<the end of the file: the walk stops>\n";
  }
}

}  // namespace

const char* marker_name(std::uint8_t marker) {
  static constexpr const char* kApp[16] = {"APP0",  "APP1",  "APP2",  "APP3", "APP4",  "APP5",
                                           "APP6",  "APP7",  "APP8",  "APP9", "APP10", "APP11",
                                           "APP12", "APP13", "APP14", "APP15"};
  static constexpr const char* kSof[16] = {"SOF0",  "SOF1",  "SOF2",  "SOF3", nullptr, "SOF5",
                                           "SOF6",  "SOF7",  "JPG",   "SOF9", "SOF10", "SOF11",
                                           nullptr, "SOF13", "SOF14", "SOF15"};
  static constexpr const char* kRst[8] = {"RST0", "RST1", "RST2", "RST3",
                                          "RST4", "RST5", "RST6", "RST7"};
  if (marker >= 0xE0 && marker <= 0xEF) return kApp[marker - 0xE0];
  if (marker >= 0xD0 && marker <= 0xD7) return kRst[marker - 0xD0];
  switch (marker) {
    case 0x01:
      return "TEM";
    case 0xC4:
      return "DHT";
    case 0xCC:
      return "DAC";
    case 0xD8:
      return "SOI";
    case 0xD9:
      return "EOI";
    case 0xDA:
      return "SOS";
    case 0xDB:
      return "DQT";
    case 0xDC:
      return "DNL";
    case 0xDD:
      return "DRI";
    case 0xDE:
      return "DHP";
    case 0xDF:
      return "EXP";
    case 0xFE:
      return "COM";
    default:
      break;
  }
  if (marker >= 0xC0 && marker <= 0xCF) return kSof[marker - 0xC0];
  return nullptr;
}

namespace {

// One segment as an object of the JSON document's "segments", with what its text line says.
void json_segment(SegmentWalk& walk, const Segment& s, const char* name, std::uint64_t file_size,
                  bool* found, Segment* mpf) {
  json::begin_object();
  json::member("position", static_cast<std::int64_t>(s.position));
  json::member("marker", s.marker);
  json::key("name");
  if (name != nullptr) {
    json::string(name, std::strlen(name));
  } else {
    json::null();
  }
  if (s.length != 0) json::member("length", s.length);
  const std::uint8_t* p;
  if (s.length != 0 && s.data - 2 + s.length > file_size) {
    json::key("past_end");  // the file ends inside it
    json::boolean(true);
  } else if (s.marker >= 0xE0 && s.marker <= 0xEF && s.length > 2) {
    const std::uint32_t want = s.length - 2 < kIdentifierMost ? s.length - 2 : kIdentifierMost;
    if (walk.data(want, &p) == 1) {
      std::uint32_t n = 0;
      while (n < want && p[n] >= 0x20 && p[n] <= 0x7E) ++n;
      if (n != 0) {
        json::key("identifier");
        json::string(reinterpret_cast<const char*>(p), n);
      }
      if (!*found && s.marker == 0xE2 && want >= 4 && std::memcmp(p, "MPF\0", 4) == 0) {
        *mpf = s;
        *found = true;
      }
    }
  } else if (s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 &&
             s.marker != 0xCC && s.length >= 7 && walk.data(5, &p) == 1) {
    json::member("width", big16(p + 3));
    json::member("height", big16(p + 1));
  }
  json::end_object();
}

}  // namespace

bool dump_segments(const std::uint8_t* head, std::uint32_t size, FileBytes* past_head, bool pipe,
                   std::uint64_t file_size, Segment* mpf) {
  bool found = false;
  if (size < 2 || head[0] != 0xFF || head[1] != 0xD8) return found;
  print("JPEG segments dumping...:\n");
  print(kSegmentLine, 0u, "d8", "SOI");
  print("\n");
  if (opt_json != 0) {
    json::section("segments");
    json::begin_object();
    json::member("position", std::int64_t{0});
    json::member("marker", 0xD8);
    json::member("name", "SOI");
    json::end_object();
  }
  SegmentWalk walk(head, size, past_head, false);
  Segment s;
  int got;
  while ((got = walk.next(&s)) == 1) {
    const auto at = static_cast<std::uint32_t>(s.position);
    const char* name = marker_name(s.marker);
    if (opt_json != 0) {
      json_segment(walk, s, name, file_size, &found, mpf);
      continue;
    }
    const MarkerCode code(s.marker);
    if (name != nullptr) {
      print(kSegmentLine, at, code.text, name);
    } else {
      print(kUnnamedLine, at, code.text);
    }
    if (s.length != 0 && s.data - 2 + s.length > file_size) {
      // A length the file does not hold: said apart, as what it claims rather than what it is.
      print(" <the file ends inside its %u bytes>\n", s.length);
      continue;
    }
    if (s.length != 0) print(" length=%u", s.length);
    const std::uint8_t* p;
    if (s.marker >= 0xE0 && s.marker <= 0xEF && s.length > 2) {
      const std::uint32_t want = s.length - 2 < kIdentifierMost ? s.length - 2 : kIdentifierMost;
      if (walk.data(want, &p) == 1) {
        std::uint32_t n = 0;
        while (n < want && p[n] >= 0x20 && p[n] <= 0x7E) ++n;
        if (n != 0) print(" [%.*s]", static_cast<int>(n), reinterpret_cast<const char*>(p));
        if (!found && s.marker == 0xE2 && want >= 4 && std::memcmp(p, "MPF\0", 4) == 0) {
          *mpf = s;
          found = true;
        }
      }
    } else if (s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 &&
               s.marker != 0xCC && s.length >= 7 && walk.data(5, &p) == 1) {
      print(" %ux%u", big16(p + 3), big16(p + 1));  // width x height
    }
    print("\n");
  }
  const char* stop = got < 0 ? "\t<a read of the file failed: the walk stops>\n"
                     : walk.stop() != WALK_SOS_OR_EOI
                         ? stop_line(walk.stop(), pipe && walk.stop() == WALK_END)
                         : nullptr;
  if (opt_json != 0) {
    json::close_section();
    if (stop != nullptr) {  // its text, less the tab, the angle brackets and the line end
      const std::size_t n = std::strlen(stop);
      json::key("segments_stop");
      json::string(stop + 2, n > 4 ? n - 4 : 0);
    }
  } else if (stop != nullptr) {
    print("%s", stop);
  }
  print("\n");
  return found;
}

}  // namespace pelnor
