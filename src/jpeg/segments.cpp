#include "jpeg/segments.h"

#include <cstring>

#include "tiff/byte_order.h"

namespace pelnor {
namespace {

bool identifier_at(const std::uint8_t* head, std::uint32_t size, std::uint32_t at) {
  return at <= size && size - at >= 6 && std::memcmp(head + at, kExifIdentifier, 6) == 0;
}

// "II" 42 or "MM" 42, or the marks of the raw files built on TIFF (Panasonic's 0x55, Olympus's
// "RO" and "RS"), and an IFD0 offset past the 8-byte header.
bool tiff_header_at_zero(const std::uint8_t* head, std::uint32_t size, TiffLayout* layout) {
  static constexpr struct {
    char mark[5];
    TiffLayout layout;
  } kMarks[] = {{"II*\0", LAYOUT_TIFF}, {"MM\0*", LAYOUT_TIFF}, {"IIU\0", LAYOUT_RW2},
                {"IIRO", LAYOUT_ORF},   {"IIRS", LAYOUT_ORF},   {"MMOR", LAYOUT_ORF}};
  if (size < 8) return false;
  for (const auto& m : kMarks) {
    if (std::memcmp(head, m.mark, 4) != 0) continue;
    *layout = m.layout;
    return (head[0] == 'I' ? file32(head + 4, 1) : big32(head + 4)) >= 8;
  }
  return false;
}

// Markers that stand alone, without a length: TEM, RST0 to RST7 and a repeated SOI.
bool stands_alone(std::uint8_t marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

// What a view of the walk gives: its bytes, nothing for this reader (its rule keeps it from
// them), nothing for any reader (the walk ends there), or a failed read.
enum Viewed : int { kFailed = -1, kNotForThisReader = 0, kThere = 1, kWalkEnds = 2 };

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

void SegmentRecord::start(const std::uint8_t* head, std::uint32_t size, ByteSource* file) {
  head_ = head;
  size_ = size;
  file_ = file;
  kept_.clear();
  window_at_ = 0;
  window_size_ = 0;
  reads_ = 0;
  at_ = 2;
  done_ = false;
  stop_ = WALK_END;
}

// Points `*p` at the `n` bytes at `at` (n at most kWindow). With `head_only`, only the head's
// bytes count.
int SegmentRecord::view(std::uint64_t at, std::uint32_t n, const WalkRule& rule, bool head_only,
                        const std::uint8_t** p, WalkStop* why) {
  if (at + n <= size_) {
    *p = head_ + at;
    return kThere;
  }
  *why = WALK_END;
  if (head_only) return kNotForThisReader;
  if (at < window_at_ || at + n > window_at_ + window_size_) {
    if (file_ == nullptr) return kWalkEnds;
    if (rule.reach == Reach::kHead) return kNotForThisReader;
    if (reads_ == kWalkReadsMax) {
      *why = WALK_READS;
      return kWalkEnds;
    }
    ++reads_;
    const std::int64_t got = rule.reach == Reach::kRead ? file_->read(at, window_, kWindow)
                                                        : file_->peek(at, window_, kWindow);
    if (got < 0) {
      *why = WALK_FAILED;
      return rule.reach == Reach::kRead ? kFailed : kNotForThisReader;
    }
    window_at_ = at;
    window_size_ = static_cast<std::uint32_t>(got);
    if (n > window_size_) return kWalkEnds;
  }
  *p = window_ + (at - window_at_);
  return kThere;
}

// Takes the walk one segment further: 1 when it kept one more, 0 when it stops (for every reader
// or for this one), kExifReadFailed.
int SegmentRecord::step(const WalkRule& rule, WalkStop* why) {
  const auto end = [this, why](WalkStop stop) {
    done_ = true;
    stop_ = *why = stop;
    return 0;
  };
  const auto stopped = [&end, why](int viewed) {
    if (viewed == kFailed) return kExifReadFailed;
    return viewed == kWalkEnds ? end(*why) : 0;
  };
  if (done_) {
    *why = stop_;
    return 0;
  }
  std::uint64_t at = at_;
  // A segment that starts in the head is read from the head alone under the head rule.
  const bool head_only = rule.head_rule && at < size_;
  const std::uint8_t* p;
  int viewed;
  if ((viewed = view(at, 1, rule, head_only, &p, why)) != kThere) return stopped(viewed);
  if (*p != 0xFF) return end(WALK_NOT_MARKER);
  do {  // fill bytes before the marker code
    if ((viewed = view(++at, 1, rule, head_only, &p, why)) != kThere) return stopped(viewed);
  } while (*p == 0xFF);
  const std::uint8_t marker = *p;
  Segment s{at_, at - 1, marker, 0, at + 1};
  ++at;
  if (marker == 0x00) return end(WALK_NOT_MARKER);
  if (marker != 0xD9 && marker != 0xDA && !stands_alone(marker)) {  // EOI, SOS stand alone too
    if ((viewed = view(at, 2, rule, head_only, &p, why)) != kThere) return stopped(viewed);
    const std::uint32_t length = big16(p);
    if (length < 2) return end(WALK_SHORT_LENGTH);
    s.length = length;
    s.data = at + 2;
    at += length;  // segment positions stay far below 2^64: each step is at most 64 KB
  }
  kept_.push_back({s, 0, {}});
  at_ = at;
  if (marker == 0xD9 || marker == 0xDA) end(WALK_SOS_OR_EOI);
  return 1;
}

int SegmentRecord::segment(std::size_t i, const WalkRule& rule, const Segment** s, WalkStop* why) {
  while (i >= kept_.size()) {
    const int got = step(rule, why);
    if (got != 1) return got;
  }
  const Segment& kept = kept_[i].segment;
  if (rule.head_rule && kept.step < size_ && kept.header_end() > size_) {
    *why = WALK_END;  // its marker and length are not all in the head
    return 0;
  }
  *s = &kept;
  return 1;
}

int SegmentRecord::data(std::size_t i, std::uint32_t n, const WalkRule& rule,
                        const std::uint8_t** p) {
  Kept& k = kept_[i];
  const std::uint64_t at = k.segment.data;
  if (at + n <= size_) {
    *p = head_ + at;
    return 1;
  }
  if (rule.head_rule && k.segment.step < size_) return 0;
  if (k.cached < n && at >= window_at_ && at < window_at_ + window_size_) {
    // The window the walk read its header from often holds its data's start too.
    const std::uint64_t left = window_at_ + window_size_ - at;
    const auto have = static_cast<std::uint8_t>(left < kWindow ? left : kWindow);
    if (have > k.cached) {
      std::memcpy(k.bytes, window_ + (at - window_at_), have);
      k.cached = have;
    }
  }
  if (k.cached < n) {
    if (file_ == nullptr || rule.reach == Reach::kHead) return 0;
    const std::int64_t got = rule.reach == Reach::kRead ? file_->read(at, k.bytes, kWindow)
                                                        : file_->peek(at, k.bytes, kWindow);
    if (got < 0) return rule.reach == Reach::kRead ? kExifReadFailed : 0;
    k.cached = static_cast<std::uint8_t>(got);
    if (k.cached < n) return 0;
  }
  *p = k.bytes;
  return 1;
}

bool exif_at_six(const std::uint8_t* head, std::uint32_t size, ExifPlace* place) {
  if (!identifier_at(head, size, 6)) return false;
  // The segment that starts at offset 2: its length, in bytes 4 and 5, counts from byte 4.
  const bool app1 = head[2] == 0xFF && head[3] == 0xE1;
  *place = {12, 4 + big16(head + 4), app1 ? LAYOUT_OFFSET_6 : LAYOUT_SEGMENT};
  return true;
}

int find_exif(const std::uint8_t* head, std::uint32_t size, SegmentRecord& record,
              ExifPlace* place) {
  if (exif_at_six(head, size, place)) return kExifFound;
  if (identifier_at(head, size, 0)) {
    *place = {6, kSegmentMax, LAYOUT_BARE};
    return kExifFound;
  }
  TiffLayout layout;
  if (tiff_header_at_zero(head, size, &layout)) {
    *place = {0, kDataMax, layout};
    return kExifFound;
  }
  const WalkRule rule{Reach::kRead, true};
  const Segment* s;
  WalkStop why;
  int got;
  for (std::size_t i = 0; (got = record.segment(i, rule, &s, &why)) == 1; ++i) {
    if (s->marker == 0xD9 || s->marker == 0xDA) return kExifNotFound;  // EOI, SOS
    if (s->marker != 0xE1 || s->length < 8) continue;
    const std::uint8_t* p;
    if ((got = record.data(i, 6, rule, &p)) < 0) return got;
    if (got == 1 && std::memcmp(p, kExifIdentifier, 6) == 0) {
      *place = {static_cast<std::uint32_t>(s->data + 6),
                static_cast<std::uint32_t>(s->data - 2 + s->length), LAYOUT_SEGMENT};
      return kExifFound;
    }
  }
  return got;
}

bool jpeg_size(const std::uint8_t* start, std::uint32_t n, std::uint32_t* width,
               std::uint32_t* height) {
  SegmentRecord record;
  record.start(start, n, nullptr);
  const WalkRule rule{Reach::kHead};
  const Segment* s;
  WalkStop why;
  for (std::size_t i = 0; record.segment(i, rule, &s, &why) == 1; ++i) {
    if (!is_sof(s->marker)) continue;
    const std::uint8_t* p;
    if (s->length < 7 || record.data(i, 5, rule, &p) != 1) return false;
    *height = big16(p + 1);
    *width = big16(p + 3);
    return true;
  }
  return false;
}

}  // namespace pelnor
