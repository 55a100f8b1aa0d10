#include "jpeg/segments.h"

#include <cstring>

namespace pelnor {
namespace {

bool identifier_at(const std::uint8_t* head, std::uint32_t size, std::uint32_t at) {
  return at <= size && size - at >= 6 && std::memcmp(head + at, kExifIdentifier, 6) == 0;
}

std::uint32_t big16(const std::uint8_t* p) { return std::uint32_t{p[0]} << 8 | p[1]; }

// "II" 42 or "MM" 42, and an IFD0 offset past the 8-byte header.
bool tiff_header_at_zero(const std::uint8_t* head, std::uint32_t size) {
  if (size < 8) return false;
  std::uint32_t ifd0;
  if (std::memcmp(head, "II*\0", 4) == 0) {
    ifd0 = head[4] | std::uint32_t{head[5]} << 8 | std::uint32_t{head[6]} << 16 |
           std::uint32_t{head[7]} << 24;
  } else if (std::memcmp(head, "MM\0*", 4) == 0) {
    ifd0 = std::uint32_t{head[4]} << 24 | std::uint32_t{head[5]} << 16 |
           std::uint32_t{head[6]} << 8 | head[7];
  } else {
    return false;
  }
  return ifd0 >= 8;
}

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

SegmentWalk::SegmentWalk(const std::uint8_t* head, std::uint32_t size, FileBytes* past_head,
                         bool head_rule)
    : head_(head), size_(size), past_head_(past_head), head_rule_(head_rule) {}

// Points `*p` at the `n` bytes at `at` (n at most kWindow): 1 when they are there, 0 when the
// file ends first or the walk may read no more, kExifReadFailed. With `head_only`, only the
// head's bytes count.
int SegmentWalk::view(std::uint64_t at, std::uint32_t n, bool head_only, const std::uint8_t** p) {
  if (at + n <= size_) {
    *p = head_ + at;
    return 1;
  }
  if (head_only) {
    stop_ = WALK_END;
    return 0;
  }
  if (at < window_at_ || at + n > window_at_ + window_size_) {
    if (past_head_ == nullptr || reads_ == kWalkReadsMax) {
      stop_ = past_head_ == nullptr ? WALK_END : WALK_READS;
      return 0;
    }
    ++reads_;
    const std::int64_t got = past_head_->read(at, window_, kWindow);
    if (got < 0) return kExifReadFailed;
    window_at_ = at;
    window_size_ = static_cast<std::uint32_t>(got);
    if (n > window_size_) {
      stop_ = WALK_END;
      return 0;
    }
  }
  *p = window_ + (at - window_at_);
  return 1;
}

int SegmentWalk::next(Segment* segment) {
  if (done_) return 0;
  done_ = true;  // until a whole segment has been stepped over
  std::uint64_t at = at_;
  // A segment that starts in the head is read from the head alone, as without the file.
  head_only_ = head_rule_ && at < size_;
  const std::uint8_t* p;
  int got;
  if ((got = view(at, 1, head_only_, &p)) != 1) return got;
  if (*p != 0xFF) {
    stop_ = WALK_NOT_MARKER;
    return 0;
  }
  do {  // fill bytes before the marker code
    if ((got = view(++at, 1, head_only_, &p)) != 1) return got;
  } while (*p == 0xFF);
  const std::uint8_t marker = *p;
  current_ = {at - 1, marker, 0, at + 1};
  ++at;
  if (marker == 0x00) {
    stop_ = WALK_NOT_MARKER;
    return 0;
  }
  if (marker == 0xD9 || marker == 0xDA) {  // EOI, SOS
    stop_ = WALK_SOS_OR_EOI;
    *segment = current_;
    return 1;
  }
  if (!stands_alone(marker)) {
    if ((got = view(at, 2, head_only_, &p)) != 1) return got;
    const std::uint32_t length = big16(p);
    if (length < 2) {
      stop_ = WALK_SHORT_LENGTH;
      return 0;
    }
    current_.length = length;
    current_.data = at + 2;
    at += length;  // segment positions stay far below 2^64: each step is at most 64 KB
  }
  at_ = at;
  done_ = false;
  *segment = current_;
  return 1;
}

int SegmentWalk::data(std::uint32_t n, const std::uint8_t** p) {
  return view(current_.data, n, head_only_, p);
}

int find_exif(const std::uint8_t* head, std::uint32_t size, FileBytes* past_head,
              ExifPlace* place) {
  if (exif_at_six(head, size, place)) return kExifFound;
  if (identifier_at(head, size, 0)) {
    *place = {6, kSegmentMax};
    return kExifFound;
  }
  if (tiff_header_at_zero(head, size)) {
    *place = {0, kDataMax};
    return kExifFound;
  }
  SegmentWalk walk(head, size, past_head, true);
  Segment segment;
  int got;
  while ((got = walk.next(&segment)) == 1) {
    if (segment.marker == 0xD9 || segment.marker == 0xDA) return kExifNotFound;  // EOI, SOS
    if (segment.marker != 0xE1 || segment.length < 8) continue;
    const std::uint8_t* p;
    if ((got = walk.data(6, &p)) < 0) return got;
    if (got == 1 && std::memcmp(p, kExifIdentifier, 6) == 0) {
      *place = {static_cast<std::uint32_t>(segment.data + 6),
                static_cast<std::uint32_t>(segment.data - 2 + segment.length)};
      return kExifFound;
    }
  }
  return got;
}

}  // namespace pelnor
