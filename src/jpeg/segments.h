// The JPEG's segments: one walk per file, kept as a record that the search of -s, the map of
// -a and the picture finders of -p all read, and the place of the Exif data it leads to.
#pragma once

#include <cstdint>
#include <vector>

#include "io/byte_source.h"
#include "report/sink.h"

namespace pelnor {

/// The six bytes that open an Exif block: "Exif" and two zero bytes.
inline constexpr std::uint8_t kExifIdentifier[6] = {'E', 'x', 'i', 'f', 0, 0};

/// Bytes read from the head of each file.
inline constexpr std::uint32_t kHeadSize = 32768;

/// An Exif APP1 segment is at most 64 KB long; with -s the data read can reach that far past
/// the head, and never further.
inline constexpr std::uint32_t kSegmentMax = 65536;
inline constexpr std::uint32_t kDataMax = kHeadSize + kSegmentMax;

/// Reads of segment headers the walk makes past the head at most: each costs one small read, so
/// that a file of many tiny segments costs a millisecond or so, never more.
inline constexpr int kWalkReadsMax = 1024;

/// find_exif results.
inline constexpr int kExifFound = 1;
inline constexpr int kExifNotFound = 0;
inline constexpr int kExifReadFailed = -1;

struct ExifPlace {
  /// File position of the TIFF header.
  std::uint32_t tiff_position;
  /// File position where the Exif data ends by its own account: the end of its segment, or the
  /// most -s reads of a file that holds no segments. The data read may stop earlier, at the end
  /// of the file, and never stops before the end of the head.
  std::uint32_t end;
  TiffLayout layout;
};

/// One segment of a JPEG, as the walk meets it.
struct Segment {
  /// File position where its step began: the first 0xFF before its marker, fill bytes included.
  std::uint64_t step;
  /// File position of its marker's 0xFF (the last one, after any fill bytes).
  std::uint64_t position;
  std::uint8_t marker;
  /// Its length field (which counts itself); 0 for a marker that stands alone, SOS and EOI.
  std::uint32_t length;
  /// File position of its data, right after the length field.
  std::uint64_t data;

  /// Where its marker and length end.
  std::uint64_t header_end() const { return length != 0 ? data : position + 2; }
};

/// True for a start-of-frame marker, whose segment gives the picture's size.
constexpr bool is_sof(std::uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

/// The name of a JPEG marker: "SOI", "APP1", "SOF0", "DQT", ...; null for one without a name.
const char* marker_name(std::uint8_t marker);

/// Why a walk stopped.
enum WalkStop : std::uint8_t {
  WALK_SOS_OR_EOI,    // it reached SOS or EOI
  WALK_NOT_MARKER,    // a byte that is not a marker (FF 00 included)
  WALK_SHORT_LENGTH,  // a length below 2
  WALK_END,           // the end of the file, or of the bytes it may read
  WALK_READS,         // the most reads past the head it may make
  WALK_FAILED,        // a read that looks without reading (-a's) failed
};

/// How a reader of the record may read bytes past the head.
enum class Reach : std::uint8_t {
  kHead,  // not at all: a pipe's bytes are taken in order by what follows
  kPeek,  // a failure there is not the file's
  kRead,  // a failure there is the file's
};

/// How a reader walks: its reach, and with `head_rule` a segment that starts in the head is read
/// from the head alone, as the -s search always has been.
struct WalkRule {
  Reach reach;
  bool head_rule = false;
};

/// The walk over a JPEG's segments from offset 2, taken as far as its readers ask and kept:
/// fill bytes before a marker are stepped over, markers that stand alone (TEM, RST0-RST7, a
/// repeated SOI) have no length, every other segment is stepped over by its length. The head's
/// bytes come from memory; past it, windows of 32 bytes are read from the file (at most
/// kWalkReadsMax reads of segment headers). The walk stops at SOS or EOI, at a byte that is not
/// a marker, at a length below 2 and at the end of the file.
class SegmentRecord {
 public:
  /// A new walk over the `size` head bytes at `head`, the rest read from `file` (null: the head
  /// holds the whole file).
  void start(const std::uint8_t* head, std::uint32_t size, ByteSource* file);

  /// Segment `i`, the walk taken further when it has not reached it yet: 1 with `*s`; 0 when
  /// the walk stops before it, for every reader or for this one's rule (`*why` says why);
  /// kExifReadFailed when a read failed.
  int segment(std::size_t i, const WalkRule& rule, const Segment** s, WalkStop* why);

  /// Points `*p` at the first `n` bytes (at most 32) of segment `i`'s data: 1 when they are
  /// there, 0 when not, kExifReadFailed.
  int data(std::size_t i, std::uint32_t n, const WalkRule& rule, const std::uint8_t** p);

 private:
  static constexpr std::uint32_t kWindow = 32;
  struct Kept {
    Segment segment;
    std::uint8_t cached;
    std::uint8_t bytes[kWindow];
  };
  int step(const WalkRule& rule, WalkStop* why);
  int view(std::uint64_t at, std::uint32_t n, const WalkRule& rule, bool head_only,
           const std::uint8_t** p, WalkStop* why);

  const std::uint8_t* head_ = nullptr;
  std::uint32_t size_ = 0;
  ByteSource* file_ = nullptr;
  std::vector<Kept> kept_;
  std::uint8_t window_[kWindow];
  std::uint64_t window_at_ = 0;
  std::uint32_t window_size_ = 0;
  int reads_ = 0;
  std::uint64_t at_ = 2;
  bool done_ = false;
  WalkStop stop_ = WALK_END;
};

/// True, with `*place`, when the identifier stands at file offset 6 (the Exif segment first after
/// the start of image), the only layout read without -s.
bool exif_at_six(const std::uint8_t* head, std::uint32_t size, ExifPlace* place);

/// Looks for the Exif data wherever the file keeps it, given the `size` bytes of its head: at
/// offset 6; at offset 0 (a bare Exif block); a TIFF header at offset 0 (a TIFF-based file);
/// else in the first APP1 segment whose data begins with the identifier, in the walk `record`
/// of the file's segments. A segment that starts in the head must have its marker and length
/// there (else the walk stops) and, to count as Exif, its identifier (else it is stepped over).
/// Returns kExifFound with `*place`, kExifNotFound, or kExifReadFailed.
int find_exif(const std::uint8_t* head, std::uint32_t size, SegmentRecord& record,
              ExifPlace* place);

/// A JPEG's pixel size, from the SOF segment among the `n` bytes of its start.
bool jpeg_size(const std::uint8_t* start, std::uint32_t n, std::uint32_t* width,
               std::uint32_t* height);

}  // namespace pelnor
