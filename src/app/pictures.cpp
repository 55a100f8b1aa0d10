#include "app/pictures.h"

#include <cstring>
#include <string>
#include <string_view>

#include "bitmap/strip_convert.h"
#include "report/json_writer.h"
#include "report/output.h"
#include "tiff/picture.h"
#include "jpeg/segment_map.h"
#include "tiff/links.h"

namespace pelnor {
namespace {

constexpr char kNotJpeg[] = " <not a JPEG: no start-of-image marker>";
constexpr char kNotHeld[] = " <the file does not hold it whole>";
constexpr char kBgr[] = " <its colours stored blue, green, red: written as stored>";

// What each source's pictures add to the input's name, by source; an MPF image's and a SubIFD's
// number follows.
constexpr const char* kSuffixes[] = {".mpf",       ".preview",  ".other", ".jfxx",  ".jfif",
                                     ".photoshop", ".flashpix", ".ifd0",  ".subifd"};
static_assert(sizeof kSuffixes / sizeof kSuffixes[0] == PIC_SUBIFD + 1);

bool numbered(int source) { return source == PIC_MPF || source == PIC_SUBIFD; }

// The picture's name beside the input, less a "-2" for a name taken already and the extension.
std::string base_name(const Picture& p) {
  const char* suffix = kSuffixes[p.source <= PIC_SUBIFD ? p.source : PIC_SUBIFD];
  return numbered(p.source) ? format_text("%s%u", suffix, p.number) : std::string(suffix);
}

void print_source(const Picture& p) {
  switch (p.source) {
    case PIC_MPF:
      print("MPF image %u", p.number);
      return;
    case PIC_MAKER_NOTE:
      print("%s maker note", p.maker);
      return;
    case PIC_OTHER:
      print("OtherImage");
      return;
    case PIC_JFXX:
      print("JFXX");
      return;
    case PIC_JFIF:
      print("JFIF");
      return;
    case PIC_PHOTOSHOP:
      print(p.bgr ? "Photoshop BGR" : "Photoshop");
      return;
    case PIC_FLASHPIX:
      print("FlashPix");
      return;
    case PIC_IFD0:
      print("IFD0");
      return;
    default:
      print("SubIFD%u", p.number);
      return;
  }
}

// A file position in hexadecimal as "%#x" prints it, of any size.
void print_position(std::uint64_t v) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char text[19];
  char* p = text + sizeof text;
  *--p = '\0';
  do {
    *--p = kDigits[v & 0xF];
    v >>= 4;
  } while (v != 0);
  if (p[0] != '0' || p[1] != '\0') {
    *--p = 'x';
    *--p = '0';
  }
  print("%s", p);
}

// The picture's object in the JSON document's "pictures", opened: what its report line says.
void json_picture(const Picture& p, bool sized, std::uint32_t width, std::uint32_t height,
                  std::uint64_t length, const char* not_written, bool repaired,
                  std::uint8_t first) {
  static constexpr const char* kSources[] = {
      "MPF", "maker note", "OtherImage", "JFXX", "JFIF", "Photoshop", "FlashPix", "IFD0", "SubIFD"};
  json::section("pictures");
  json::begin_object();
  json::member("source", kSources[p.source]);
  if (p.source == PIC_MPF || p.source == PIC_SUBIFD) json::member("number", std::int64_t{p.number});
  if (p.source == PIC_MAKER_NOTE) json::member("maker", p.maker);
  json::member("kind", p.form == FORM_JPEG ? "JPEG" : p.form == FORM_RGB ? "RGB" : "palette");
  if (p.form != FORM_JPEG || sized) {
    json::member("width", std::int64_t{width});
    json::member("height", std::int64_t{height});
  }
  json::member("position", static_cast<std::int64_t>(p.spans[0].position));
  json::member("length", static_cast<std::int64_t>(length));
  if (not_written != nullptr) json::member("not_written", not_written);
  if (repaired) json::member("first_byte", first);
  if (p.bgr) {
    json::key("bgr");
    json::boolean(true);
  }
}

// A JPEG's pixel size, from the SOF segment among the `n` bytes of its start.
bool jpeg_size(const std::uint8_t* start, std::uint32_t n, std::uint32_t* width,
               std::uint32_t* height) {
  SegmentWalk walk(start, n, nullptr, false);
  Segment s;
  while (walk.next(&s) == 1) {
    const std::uint8_t* p;
    if (s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 &&
        s.marker != 0xCC) {
      if (s.length < 7 || walk.data(5, &p) != 1) return false;
      *height = std::uint32_t{p[1]} << 8 | p[2];
      *width = std::uint32_t{p[3]} << 8 | p[4];
      return true;
    }
  }
  return false;
}

// Reads the `n` bytes at `position`: those of the head (`head` bytes) from memory, where they
// are kept, the rest through the input. Returns the count read, or kReadFailed.
std::int64_t read_bytes(Session& session, InputFile& input, std::uint32_t head,
                        std::uint64_t position, std::uint8_t* out, std::uint32_t n) {
  std::uint32_t done = 0;
  if (position < head) {
    done = static_cast<std::uint32_t>(head - position < n ? head - position : n);
    std::memcpy(out, session.buffer + position, done);
  }
  if (done == n) return n;
  const std::int64_t got = input.read(position + done, out + done, n - done);
  return got < 0 ? got : done + got;
}

// False when a part of `p` past the head lies behind what a file read in order still keeps.
bool reachable(const Picture& p, InputFile& input, std::uint32_t head) {
  for (int i = 0; i < p.span_count; ++i) {
    const Span& s = p.spans[i];
    if (s.position + s.length <= head) continue;
    return !input.behind(s.position > head ? s.position : head);
  }
  return true;
}

// Reads the `n` bytes at offset `at` of picture `p`, across its runs. Returns the count read,
// short where the file ends, or kReadFailed.
std::int64_t read_picture(Session& session, InputFile& input, std::uint32_t head, const Picture& p,
                          std::uint64_t at, std::uint8_t* out, std::uint32_t n) {
  std::uint32_t done = 0;
  for (int i = 0; i < p.span_count && done < n; ++i) {
    const Span& s = p.spans[i];
    if (at >= s.length) {
      at -= s.length;
      continue;
    }
    const auto k = static_cast<std::uint32_t>(s.length - at < n - done ? s.length - at : n - done);
    const std::int64_t got = read_bytes(session, input, head, s.position + at, out + done, k);
    if (got < 0) return got;
    done += static_cast<std::uint32_t>(got);
    if (got < k) break;
    at = 0;
  }
  return done;
}

// Copies the JPEG picture `p` into `file`: the `first` bytes already in the copy block, then the
// rest through the input, in blocks. A copy that fails on the way is cut back to nothing.
Copy copy_picture(Session& session, InputFile& input, std::uint32_t head, FileHandle file,
                  const Picture& p, std::uint32_t first, bool* cut_failed) {
  Platform& platform = session.platform;
  Copy copy =
      write_whole(platform, file, session.copy_block, first) ? Copy::kWhole : Copy::kWriteFailed;
  const std::uint64_t length = p.length();
  for (std::uint64_t at = first; copy == Copy::kWhole && at < length;) {
    const auto n = static_cast<std::uint32_t>(length - at < kCopyBlock ? length - at : kCopyBlock);
    const std::int64_t got = read_picture(session, input, head, p, at, session.copy_block, n);
    if (got != n) {
      copy = got < 0 || input.failed() ? Copy::kInputFailed : Copy::kWriteFailed;
    } else if (!write_whole(platform, file, session.copy_block, n)) {
      copy = Copy::kWriteFailed;
    }
    at += n;
  }
  if (copy != Copy::kWhole) *cut_failed = !platform.truncate(file);
  return copy;
}

}  // namespace

int picture_stage(Session& session, InputFile& input, const DumpedFile& dumped, const char* name) {
  PictureList& list = session.pictures;
  list.count = 0;
  const FileView view{session.buffer, dumped.head, dumped.head == kHeadSize ? &input : nullptr};
  find_segment_pictures(view, session.segment, &list);
  if (dumped.has_tiff) {
    find_maker_previews(dumped.tiff, dumped.ifd0, dumped.little_endian, &list);
    find_tiff_pictures(dumped.tiff, dumped.ifd0, dumped.little_endian, dumped.tiff_format, &list);
  }
  if (input.failed()) return cannot_read(name);
  list.sort();

  const std::uint64_t file_size = dumped.head < kHeadSize ? dumped.head : input.size();
  std::string taken[PictureList::kMost];
  for (int k = 0; k < list.count; ++k) {
    const Picture& p = list.items[k];
    const std::uint64_t length = p.length();
    const Span& last = p.spans[p.span_count - 1];
    bool held = p.whole && reachable(p, input, dumped.head) &&
                (file_size == UINT64_MAX || last.position + last.length <= file_size);
    bool jpeg = true, repaired = false, sized = p.form != FORM_JPEG;
    std::uint8_t p_first = 0;
    std::uint32_t width = p.width, height = p.height, first = 0;
    if (held && p.form == FORM_JPEG) {
      first = static_cast<std::uint32_t>(length < kCopyBlock ? length : kCopyBlock);
      const std::int64_t got =
          read_picture(session, input, dumped.head, p, 0, session.copy_block, first);
      if (got < 0 || input.failed()) return cannot_read(name);
      const std::uint8_t* b = session.copy_block;
      if (got < first) {
        held = false;
      } else if (first >= 2 && b[0] == 0xFF && b[1] == 0xD8) {
        sized = jpeg_size(b, first, &width, &height);
      } else if (first >= 4 && b[1] == 0xD8 && b[2] == 0xFF && (b[3] == 0xDB || b[3] == 0xE1)) {
        // Some cameras write the first byte of their preview wrong; the rest is a JPEG.
        repaired = true;
        p_first = b[0];
        session.copy_block[0] = 0xFF;
        sized = jpeg_size(b, first, &width, &height);
      } else {
        jpeg = false;
      }
    }
    if (opt_json != 0) {
      json_picture(p, sized && held && jpeg, width, height, length,
                   !held   ? "not-held"
                   : !jpeg ? "not-jpeg"
                           : nullptr,
                   repaired, p_first);
    }
    print("picture [");
    print_source(p);
    print("] %s", p.form == FORM_JPEG ? "JPEG" : p.form == FORM_RGB ? "RGB" : "palette");
    // An uncompressed picture's size is its header's; a JPEG's is read from its SOF marker.
    if (p.form != FORM_JPEG || (sized && held && jpeg)) print(" %ux%u", width, height);
    print(" at ");
    print_position(p.spans[0].position);
    print(", %u bytes", static_cast<std::uint32_t>(length));
    if (!held || !jpeg) {
      print("%s\n", !held ? kNotHeld : kNotJpeg);
      if (opt_json != 0) json::end_object();
      continue;
    }
    if (repaired) {
      static constexpr char kDigits[] = "0123456789abcdef";
      const char byte[3] = {kDigits[p_first >> 4], kDigits[p_first & 0xF], '\0'};
      print(" <its first byte, 0x%s, written as FF>", byte);
    }
    if (p.bgr) print("%s", kBgr);
    print("\n");

    // Its name; a name taken already by a picture of this file gets a number.
    std::string base = base_name(p);
    int uses = 1;
    for (int i = 0; i < k; ++i) uses += taken[i] == base ? 1 : 0;
    taken[k] = base;
    session.out_name.assign(name);
    session.out_name.append(base);
    if (uses > 1) session.out_name.append(format_text("-%d", uses));
    session.out_name.append(p.form == FORM_JPEG ? ".jpg" : ".bmp");
    const char* out = session.out_name.c_str();
    const FileHandle file = create_output(session, out);
    if (file == kInvalidFile) {
      if (opt_json != 0) json::end_object();
      continue;
    }
    Copy copy;
    bool cut_failed = false;
    if (p.form == FORM_JPEG) {
      copy = copy_picture(session, input, dumped.head, file, p, first, &cut_failed);
    } else {
      // An uncompressed thumbnail lies in its APP0 segment: its pixels and palette are read
      // whole, then converted.
      const std::int64_t palette =
          p.form == FORM_PALETTE
              ? read_bytes(session, input, dumped.head, p.palette, session.copy_block, 768)
              : 768;
      const std::int64_t got = read_bytes(session, input, dumped.head, p.spans[0].position,
                                          session.segment, static_cast<std::uint32_t>(length));
      if (got != static_cast<std::int64_t>(length) || palette != 768) {
        copy = input.failed() ? Copy::kInputFailed : Copy::kWriteFailed;
      } else {
        ThumbInfo thumb;
        thumb.kind = THUMB_TIFF_RGB;
        thumb.width = static_cast<std::int32_t>(p.width);
        thumb.height = static_cast<std::int32_t>(p.height);
        const int written = write_strip_bmp(file, thumb, session.segment,
                                            p.form == FORM_PALETTE ? session.copy_block : nullptr,
                                            session.platform);
        copy = written == kBmpWritten   ? Copy::kWhole
               : written == kBmpNotMade ? Copy::kNotMade
                                        : Copy::kWriteFailed;
      }
      if (copy != Copy::kWhole) cut_failed = !session.platform.truncate(file);
    }
    const int code = finish_output(session, name, out, file, copy, cut_failed);
    if (opt_json != 0) json::end_object();
    if (code != kExitOk) return kExitStopped;
  }
  return kExitOk;
}

bool written_by_pelnor(const std::string& name) {
  const auto ends_with = [&name](std::size_t end, std::string_view tail) {
    if (end < tail.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
      const char c = name[end - tail.size() + i];
      if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != tail[i]) return false;
    }
    return true;
  };
  const auto digits_before = [&name](std::size_t end) {
    while (end > 0 && name[end - 1] >= '0' && name[end - 1] <= '9') --end;
    return end;
  };
  std::size_t end = name.rfind('.');
  if (end == std::string::npos) return false;
  // A "-2" of a name taken already.
  const std::size_t k = digits_before(end);
  if (k < end && k > 0 && name[k - 1] == '-') end = k - 1;
  if (ends_with(end, ".thumb")) return true;
  for (int source = PIC_MPF; source <= PIC_SUBIFD; ++source) {
    const std::size_t at = numbered(source) ? digits_before(end) : end;
    if ((!numbered(source) || at < end) && ends_with(at, kSuffixes[source])) return true;
  }
  return false;
}

}  // namespace pelnor
