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
