// The Multi-Picture Format's APP2 segment, read and parsed once per file: its index and
// attribute directories for -a, its images for -p.
#pragma once

#include <cstdint>

#include "io/byte_source.h"
#include "jpeg/segments.h"
#include "report/sink.h"
#include "tiff/tiff_data.h"

namespace pelnor {

/// One image of the MP index after the first (the file itself): its number from 1, where it
/// lies (its offset counts from the MPF TIFF header, in 64 bits) and its size.
struct MpfImage {
  std::uint32_t number;
  std::uint64_t position;
  std::uint32_t size;
  /// Its individual image attributes: flags in the top byte, the MP type code below them.
  std::uint32_t attributes;
};

struct Mpf {
  /// Images kept at most; a file holds no more pictures than this.
  static constexpr int kMostImages = 64;

  /// True once the segment's data was read, whole or as much as could be.
  bool loaded = false;
  /// File position of its segment's marker.
  std::uint64_t segment = 0;
  /// Its data's bytes held, and all of them.
  std::uint32_t have = 0;
  bool whole = false;
  /// The TIFF structure after the identifier ("MPF\0"), in the bytes read.
  TiffData tiff;
  /// Its byte order (-1: no TIFF header), the MP index IFD's offset, the attribute IFD's (0:
  /// none).
  int order = -1;
  std::uint32_t index = 0;
  std::uint32_t attributes = 0;
  MpfImage images[kMostImages];
  int image_count = 0;
};

/// Reads the data of the MPF segment `s` into `buffer` (kSegmentMax bytes) with `reach` (with
/// kHead only what the tool holds), and parses it. The bytes stay in `buffer` for report_mpf
/// until it is used again; the images are kept in `*mpf`.
void load_mpf(ByteSource& file, const Segment& s, Reach reach, std::uint8_t* buffer, Mpf* mpf);

/// Reports, when its data could be read, the MP index IFD, then the attribute IFD its next-IFD
/// field leads to, their offsets counted from the MPF TIFF header.
void report_mpf(const Mpf& mpf, Sink& sink);

}  // namespace pelnor
