// Where a file keeps its Exif data: the TIFF header's file position and how far the data runs.
#pragma once

#include <cstdint>

namespace pelnor {

/// The six bytes that open an Exif block: "Exif" and two zero bytes.
inline constexpr std::uint8_t kExifIdentifier[6] = {'E', 'x', 'i', 'f', 0, 0};

/// Bytes read from the head of each file.
inline constexpr std::uint32_t kHeadSize = 32768;

/// An Exif APP1 segment is at most 64 KB long; with -s the data read can reach that far past
/// the head, and never further.
inline constexpr std::uint32_t kSegmentMax = 65536;
inline constexpr std::uint32_t kDataMax = kHeadSize + kSegmentMax;

/// Reads the segment walk makes past the head at most: each costs one small read, so that a file
/// of many tiny segments costs a millisecond or so, never more.
inline constexpr int kWalkReadsMax = 1024;

struct ExifPlace {
  /// File position of the TIFF header.
  std::uint32_t tiff_position;
  /// File position where the Exif data ends by its own account: the end of its segment, or the
  /// most -s reads of a file that holds no segments. The data read may stop earlier, at the end
  /// of the file, and never stops before the end of the head.
  std::uint32_t end;
};

/// The file past the head, for the segment walk.
class FileBytes {
 public:
  /// Reads up to `size` bytes at file position `position` into `out`. Returns the count read,
  /// short only at the end of the file, or -1 when a read failed.
  virtual std::int64_t read(std::uint64_t position, std::uint8_t* out, std::uint32_t size) = 0;

 protected:
  ~FileBytes() = default;
};

/// find_exif results.
inline constexpr int kExifFound = 1;
inline constexpr int kExifNotFound = 0;
inline constexpr int kExifReadFailed = -1;

/// One segment of a JPEG, as the segment walk meets it.
struct Segment {
  /// File position of its marker's 0xFF (the last one, after any fill bytes).
  std::uint64_t position;
  std::uint8_t marker;
  /// Its length field (which counts itself); 0 for a marker that stands alone, SOS and EOI.
  std::uint32_t length;
  /// File position of its data, right after the length field.
  std::uint64_t data;
};

/// Why a segment walk stopped.
enum WalkStop : std::uint8_t {
  WALK_SOS_OR_EOI,   // it reached SOS or EOI
  WALK_NOT_MARKER,   // a byte that is not a marker (FF 00 included)
  WALK_SHORT_LENGTH, // a length below 2
  WALK_END,          // the end of the file, or of the bytes it may read
  WALK_READS,        // the most reads past the head it may make
  WALK_PIPE,         // bytes past the head of a file that is not read at a position
};

/// The walk over a JPEG's segments from offset 2: fill bytes before a marker are stepped over,
/// markers that stand alone (TEM, RST0-RST7, a repeated SOI) have no length, every other segment
/// is stepped over by its length. The head's bytes come from memory; past it, small windows are
/// read from `past_head` (at most kWalkReadsMax reads), or, without it, the walk ends with the
/// head. With `head_rule`, a segment that starts in the head is read from the head alone, as the
/// -s search always has been.
class SegmentWalk {
 public:
  SegmentWalk(const std::uint8_t* head, std::uint32_t size, FileBytes* past_head, bool head_rule);

  /// The next segment: 1 with `*segment`, 0 when the walk stops (stop() says why), or
  /// kExifReadFailed. SOS and EOI are segments, after which the walk stops.
  int next(Segment* segment);

  /// Points `*p` at the first `n` bytes (at most 32) of the current segment's data: 1 when they
  /// are there, 0 when not, kExifReadFailed.
  int data(std::uint32_t n, const std::uint8_t** p);

  WalkStop stop() const { return stop_; }

 private:
  int view(std::uint64_t at, std::uint32_t n, bool head_only, const std::uint8_t** p);

  static constexpr std::uint32_t kWindow = 32;
  const std::uint8_t* head_;
  std::uint32_t size_;
  FileBytes* past_head_;
  bool head_rule_;
  std::uint8_t window_[kWindow];
  std::uint64_t window_at_ = 0;
  std::uint32_t window_size_ = 0;
  int reads_ = 0;
  std::uint64_t at_ = 2;
  bool head_only_ = false;
  bool done_ = false;
  Segment current_{};
  WalkStop stop_ = WALK_END;
};

/// True, with `*place`, when the identifier stands at file offset 6 (the Exif segment first after
/// the start of image), the only layout read without -s.
bool exif_at_six(const std::uint8_t* head, std::uint32_t size, ExifPlace* place);

/// Looks for the Exif data wherever the file keeps it, given the `size` bytes of its head: at
/// offset 6; at offset 0 (a bare Exif block); a TIFF header at offset 0 (a TIFF-based file);
/// else in the first APP1 segment whose data begins with the identifier, walking the JPEG
/// segments from offset 2. The walk stops at SOS or EOI, at a byte that is not a marker, at a
/// length below 2 and at the end of the file. A segment that starts in the head must have its
/// marker and length there (else the walk stops) and, to count as Exif, its identifier (else it
/// is stepped over). Segments that start past the head are read from `past_head`, at most
/// kWalkReadsMax reads; without it (a head that holds the whole file) the walk ends with the
/// head. Returns kExifFound with `*place`, kExifNotFound, or kExifReadFailed.
int find_exif(const std::uint8_t* head, std::uint32_t size, FileBytes* past_head, ExifPlace* place);

}  // namespace pelnor
