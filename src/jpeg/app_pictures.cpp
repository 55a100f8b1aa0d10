#include "jpeg/app_pictures.h"

#include <algorithm>
#include <cstring>

#include "tiff/byte_order.h"

namespace pelnor {
namespace {

constexpr char kPhotoshop[] = "Photoshop 3.0";  // and its zero byte
constexpr std::uint32_t kPhotoshopSize = 14;

// A segment's data: where it starts in the file and how long it is.
struct Run {
  std::uint64_t position;
  std::uint32_t length;
};

// Runs that make up one stream of bytes (Photoshop's resources over several APP13 segments, a
// FlashPix stream over several APP2 segments), read as one.
struct Stream {
  static constexpr int kMostRuns = 32;
  Run runs[kMostRuns];
  int count = 0;
  std::uint64_t length = 0;

  bool add(std::uint64_t position, std::uint32_t n) {
    if (count == kMostRuns) return false;
    runs[count++] = {position, n};
    length += n;
    return true;
  }

  // Reads the `n` bytes at stream offset `at`.
  bool read(ByteSource& file, std::uint64_t at, std::uint8_t* out, std::uint32_t n) const {
    for (int i = 0; i < count && n > 0; ++i) {
      if (at >= runs[i].length) {
        at -= runs[i].length;
        continue;
      }
      const auto k = static_cast<std::uint32_t>(std::min<std::uint64_t>(n, runs[i].length - at));
      if (!file.read_whole(runs[i].position + at, out, k)) return false;
      out += k;
      n -= k;
      at = 0;
    }
    return n == 0;
  }

  // The file's runs of the `n` bytes at stream offset `at`, added to `picture`.
  void spans(std::uint64_t at, std::uint64_t n, Picture* picture) const {
    for (int i = 0; i < count && n > 0; ++i) {
      if (at >= runs[i].length) {
        at -= runs[i].length;
        continue;
      }
      const std::uint64_t k = std::min<std::uint64_t>(n, runs[i].length - at);
      if (!picture->add_span(runs[i].position + at, k)) picture->whole = false;
      n -= k;
      at = 0;
    }
    // The stream ends before the picture does: what is missing counts on from its end, so
    // that the picture keeps the length it was given.
    if (n > 0 && count > 0) {
      picture->add_span(runs[count - 1].position + runs[count - 1].length, n);
      picture->whole = false;
    }
  }
};

// A JFXX extension (a JPEG, or pixels after a palette or as RGB) or JFIF's own RGB thumbnail.
void app0_picture(ByteSource& file, const Run& app0, bool jfxx, PictureList* list) {
  std::uint8_t h[16];
  if (app0.length < (jfxx ? 8u : 16u) || !file.read_whole(app0.position, h, jfxx ? 8 : 16)) return;
  Picture picture{jfxx ? PIC_JFXX : PIC_JFIF};
  std::uint64_t pixels, bytes;
  if (jfxx && h[5] == 0x10) {
    picture.add_span(app0.position + 6, app0.length - 6u);
    list->add(picture);
    return;
  }
  if (jfxx && (h[5] == 0x11 || h[5] == 0x13)) {
    picture.width = h[6];
    picture.height = h[7];
    pixels = app0.position + 8 + (h[5] == 0x11 ? 768u : 0u);
    picture.form = h[5] == 0x11 ? FORM_PALETTE : FORM_RGB;
    picture.palette = app0.position + 8;
    bytes = std::uint64_t{picture.width} * picture.height * (h[5] == 0x11 ? 1u : 3u);
  } else if (!jfxx) {
    picture.width = h[12];
    picture.height = h[13];
    picture.form = FORM_RGB;
    pixels = app0.position + 14;
    bytes = std::uint64_t{picture.width} * picture.height * 3u;
  } else {
    return;
  }
  if (bytes == 0) return;
  // A segment may end before the pixels its header counts (a grayscale writer's byte per
  // pixel): what it holds is the picture's, the rest are zeros.
  const std::uint64_t end = app0.position + app0.length;
  if (pixels >= end) return;
  if (pixels + bytes > end) {
    picture.short_pixels = true;
    bytes = end - pixels;
  }
  picture.add_span(pixels, bytes);
  list->add(picture);
}

// Photoshop's image resources: "8BIM", a 16-bit id, a padded Pascal name, a 32-bit size, the
// data padded to an even length. The thumbnails (0x040C, and 0x0409 stored BGR) are a 28-byte
// header and a JPEG. The resources run on from one APP13 segment to the next.
class Photoshop {
 public:
  // The resource bytes of one APP13 segment, in file order. The resource headers they complete
  // are read at once, while a file read in order still has them.
  void segment(ByteSource& file, std::uint64_t position, std::uint32_t length) {
    if (done_ || !stream_.add(position, length)) return;
    for (; resources_ < 4096 && at_ + 12 <= stream_.length; ++resources_) {
      std::uint8_t h[8];
      if (!stream_.read(file, at_, h, 7) ||
          (std::memcmp(h, "8BIM", 4) != 0 && std::memcmp(h, "MeSa", 4) != 0 &&
           std::memcmp(h, "PHUT", 4) != 0 && std::memcmp(h, "AgHg", 4) != 0 &&
           std::memcmp(h, "DCSR", 4) != 0)) {
        done_ = true;
        return;
      }
      const std::uint64_t size_at = at_ + 6 + ((h[6] + 2u) & ~1u);  // the name and its padding
      if (size_at + 4 > stream_.length) return;  // the next segment goes on with it
      std::uint8_t s[4];
      if (!stream_.read(file, size_at, s, 4)) {
        done_ = true;
        return;
      }
      const std::uint32_t id = big16(h + 4), size = big32(s);
      if ((id == 0x040C || id == 0x0409) && size > 28 && found_ < kMostFound) {
        found_at_[found_] = size_at + 4 + 28;
        found_length_[found_] = size - 28u;
        found_bgr_[found_++] = id == 0x0409;
      }
      at_ = size_at + 4 + size + (size & 1u);
    }
  }

  void pictures(PictureList* list) const {
    for (int i = 0; i < found_; ++i) {
      Picture picture{PIC_PHOTOSHOP};
      picture.bgr = found_bgr_[i];
      stream_.spans(found_at_[i], found_length_[i], &picture);
      list->add(picture);
    }
  }

 private:
  static constexpr int kMostFound = 8;
  Stream stream_;
  std::uint64_t at_ = 0;  // the next resource's stream offset
  int resources_ = 0;
  bool done_ = false;
  int found_ = 0;
  std::uint64_t found_at_[kMostFound];
  std::uint32_t found_length_[kMostFound];
  bool found_bgr_[kMostFound];
};

// FlashPix streams over FPXR APP2 segments: a contents list names each stream and its size,
// then stream data segments each carry an index into that list and an offset. Kodak keeps a JPEG
// inside its "Screen Nail" stream, Fujifilm a JPEG 47 bytes into its "Preview" stream (or, with
// no contents list, in stream 512, 60 bytes into each segment).
class FlashPix {
 public:
  /// `scratch` holds kSegmentMax bytes.
  explicit FlashPix(std::uint8_t* scratch) : list_(scratch) {}

  // One FPXR segment, in file order.
  void segment(ByteSource& file, const Run& run) {
    std::uint8_t h[13];
    if (run.length < 13 || !file.read_whole(run.position, h, 13)) return;
    if (h[6] == 1) {
      contents(file, run, big16(h + 7));
    } else if (h[6] == 2) {
      data(file, run, big16(h + 7), big32(h + 9));
    }
  }

  void pictures(ByteSource& file, PictureList* list) const {
    for (int i = 0; i < entries_; ++i) {
      const Entry& entry = entry_[i];
      if (entry.kind == kNone || entry.stream < 0) continue;
      const Stream& stream = streams_[entry.stream];
      // What a stream holds past its size is not its own; one its segments stop short of is
      // read as far as they go.
      if (stream.length == 0) continue;
      const std::uint64_t length = std::min<std::uint64_t>(stream.length, entry.size);
      // The Screen Nail's stream header is 28 bytes.
      const std::uint64_t skip = entry.kind == kPreview ? 47 : length > 28 ? 28 : 0;
      std::uint64_t start = skip;
      if (entry.kind == kScreenNail) start += jpeg_start(file, stream, skip, length - skip);
      if (start >= length) continue;
      std::uint8_t soi[3];
      if (!stream.read(file, start, soi, 3) || soi[0] != 0xFF || soi[1] != 0xD8 || soi[2] != 0xFF) {
        continue;
      }
      Picture picture{PIC_FLASHPIX};
      stream.spans(start, length - start, &picture);
      list->add(picture);
    }
    if (fuji_.length != 0) {
      Picture picture{PIC_FLASHPIX};
      fuji_.spans(0, fuji_.length, &picture);
      list->add(picture);
    }
  }

 private:
  enum Kind : std::uint8_t { kNone, kScreenNail, kPreview };
  struct Entry {
    std::uint32_t size;
    Kind kind;
    /// Its data's place in `streams_`, for a picture's stream that has one; else -1.
    std::int8_t stream;
    bool started;
    /// How many bytes its segments have given, for the overlap of the next.
    std::uint64_t length;
  };

  // The list's names are UTF-16LE paths; only the last part counts, less an instance number or
  // class ID after it.
  void contents(ByteSource& file, const Run& run, std::uint32_t n) {
    entries_ = 0;
    streams_used_ = 0;
    std::uint8_t* const list = list_;
    if (!file.read_whole(run.position, list, run.length)) return;
    std::uint32_t at = 9;
    for (std::uint32_t k = 0; k < n && entries_ < kMostEntries; ++k) {
      if (at + 5 > run.length) return;
      Entry& e = entry_[entries_];
      e = Entry{big32(list + at), kNone, -1, false, 0};
      at += 5;
      char name[64];
      std::uint32_t length = 0;
      if (at + 2 > run.length || list[at] != '/' || list[at + 1] != 0) return;
      for (;; at += 2) {
        if (at + 2 > run.length) return;
        const std::uint8_t c = list[at], high = list[at + 1];
        if (c == 0 && high == 0) break;
        if (c == '/') {
          length = 0;
        } else if (length < sizeof name - 1) {
          name[length++] = high == 0 ? static_cast<char>(c) : '?';
        }
      }
      at += 2;
      if (e.size == 0xFFFFFFFFu) at += 16;  // a storage's class ID
      name[length] = '\0';
      if (named(name, length, "\x05Screen Nail")) e.kind = kScreenNail;
      if (named(name, length, "Preview")) e.kind = kPreview;
      if (e.kind != kNone && streams_used_ < kMostStreams) {
        streams_[streams_used_] = Stream{};
        e.stream = static_cast<std::int8_t>(streams_used_++);
      }
      ++entries_;
    }
  }

  // Stream data: the first segment of a stream is taken from its 13th byte whatever its offset;
  // each later one from where it stops overlapping what came before.
  void data(ByteSource& file, const Run& run, std::uint32_t index, std::uint32_t offset) {
    if (index < static_cast<std::uint32_t>(entries_)) {
      Entry& e = entry_[index];
      std::uint32_t start = 13;
      if (e.started) {
        const std::int64_t overlap = static_cast<std::int64_t>(e.length) - offset;
        if (overlap >= 0 && static_cast<std::int64_t>(run.length) - overlap >= 13) {
          start += static_cast<std::uint32_t>(overlap);
        }
      }
      e.started = true;
      if (e.length < e.size && start < run.length) {
        e.length += run.length - start;
        if (e.stream >= 0) streams_[e.stream].add(run.position + start, run.length - start);
      }
      return;
    }
    if (index == 512 && run.length > 60) {
      std::uint8_t soi[4];
      if (fuji_.length == 0 && (run.length <= 64 || !file.read_whole(run.position + 60, soi, 4) ||
                                std::memcmp(soi, "\xff\xd8\xff\xdb", 4) != 0)) {
        return;
      }
      fuji_.add(run.position + 60, run.length - 60);
    }
  }

  // A stream's name is its kind's own, or that name with an instance number (" 000000") or a
  // class ID ("_bd0100609719a180") after it.
  static bool named(const char* name, std::uint32_t length, const char* kind) {
    const std::uint32_t n = static_cast<std::uint32_t>(std::strlen(kind));
    if (length < n || std::memcmp(name, kind, n) != 0) return false;
    const char* rest = name + n;
    const std::uint32_t left = length - n;
    const auto all = [rest, left](bool (*ok)(char)) {
      for (std::uint32_t i = 1; i < left; ++i) {
        if (!ok(rest[i])) return false;
      }
      return true;
    };
    if (left == 0) return true;
    if (left == 7 && rest[0] == ' ') return all([](char c) { return c >= '0' && c <= '9'; });
    if (left == 17 && rest[0] == '_') {
      return all([](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
    }
    return false;
  }

  // Where the JPEG in a stream begins: its first FF D8 FF.
  static std::uint64_t jpeg_start(ByteSource& file, const Stream& stream, std::uint64_t from,
                                  std::uint64_t length) {
    std::uint8_t block[4096];
    for (std::uint64_t at = 0; at + 3 <= length; at += sizeof block - 2) {
      const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(sizeof block, length - at));
      if (!stream.read(file, from + at, block, n)) return length;
      for (std::uint32_t i = 0; i + 2 < n; ++i) {
        if (block[i] == 0xFF && block[i + 1] == 0xD8 && block[i + 2] == 0xFF) return at + i;
      }
    }
    return length;
  }

  // A camera's contents list names its audio, its properties and its extensions besides the
  // pictures: HP's run past a hundred entries.
  static constexpr int kMostEntries = 1024;
  static constexpr int kMostStreams = 4;
  std::uint8_t* list_;
  Entry entry_[kMostEntries];
  int entries_ = 0;
  Stream streams_[kMostStreams];
  int streams_used_ = 0;
  Stream fuji_;
};

bool starts(const std::uint8_t* p, const char* text, std::size_t n) {
  return std::memcmp(p, text, n) == 0;
}

void mpf_pictures(const Mpf& mpf, PictureList* list) {
  for (int i = 0; i < mpf.image_count; ++i) {
    Picture picture{PIC_MPF};
    picture.number = mpf.images[i].number;
    picture.mp_type = mpf.images[i].attributes & 0xFFFFFF;
    picture.add_span(mpf.images[i].position, mpf.images[i].size);
    list->add(picture);
  }
}

}  // namespace

bool find_segment_pictures(const std::uint8_t* head, std::uint32_t size, SegmentRecord& record,
                           ByteSource& file, std::uint8_t* segment, Mpf* mpf, PictureList* list) {
  if (size < 2 || head[0] != 0xFF || head[1] != 0xD8) return true;
  // Each segment is read as the walk reaches it: a file read in order keeps no more.
  const WalkRule rule{Reach::kRead};
  const Segment* s;
  WalkStop why;
  bool mpf_met = false;
  Photoshop photoshop;
  FlashPix flashpix(segment);
  int got;
  for (std::size_t i = 0; (got = record.segment(i, rule, &s, &why)) == 1; ++i) {
    if (s->length <= 2 || s->marker < 0xE0 || s->marker > 0xED) continue;
    const Run run{s->data, s->length - 2};
    const std::uint8_t* p;
    const std::uint32_t want = std::min<std::uint32_t>(run.length, kPhotoshopSize);
    if (record.data(i, want, rule, &p) != 1) continue;
    if (s->marker == 0xE0 && want >= 5 && (starts(p, "JFIF\0", 5) || starts(p, "JFXX\0", 5))) {
      app0_picture(file, run, p[3] == 'X', list);
    } else if (s->marker == 0xE2 && want >= 4 && !mpf_met && starts(p, "MPF\0", 4)) {
      mpf_met = true;
      // Parsed once: a segment that -a read whole is not read again.
      if (!mpf->loaded || mpf->segment != s->position || !mpf->whole) {
        load_mpf(file, *s, Reach::kRead, segment, mpf);
      }
      mpf_pictures(*mpf, list);
    } else if (s->marker == 0xE2 && want >= 5 && starts(p, "FPXR\0", 5)) {
      flashpix.segment(file, run);
    } else if (s->marker == 0xED && want == kPhotoshopSize && starts(p, kPhotoshop, 14)) {
      photoshop.segment(file, run.position + kPhotoshopSize, run.length - kPhotoshopSize);
    }
  }
  photoshop.pictures(list);
  flashpix.pictures(file, list);
  return got >= 0;
}

}  // namespace pelnor
