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

struct ExifPlace {
  /// File position of the TIFF header.
  std::uint32_t tiff_position;
  /// File position where the Exif data ends by its own account: the end of its segment, or
  /// kSegmentMax for a bare Exif block. The data read may stop earlier, at the end of the file,
  /// and never stops before the end of the head.
  std::uint32_t end;
};

/// True, with `*place`, when the identifier stands at file offset 6 (the Exif segment first after
/// the start of image), the only layout read without -s.
bool exif_at_six(const std::uint8_t* head, std::uint32_t size, ExifPlace* place);

/// Looks for the Exif data wherever the `size` bytes of the head hold it: at offset 6; at offset
/// 0 (a bare Exif block); else in the first APP1 segment whose data begins with the identifier,
/// walking the JPEG segments from offset 2. The walk stops at SOS or EOI, at a byte that is not a
/// marker, at a length below 2 and at a segment whose marker and length do not lie in the head;
/// an identifier counts only where it lies wholly in the head. False when nothing was found.
bool find_exif(const std::uint8_t* head, std::uint32_t size, ExifPlace* place);

}  // namespace pelnor
