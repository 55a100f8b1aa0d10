// What a container reader finds: the Exif data it holds, the TIFF structures beside it, its
// thumbnail and its pictures. The job reads the TIFF structures with the one TIFF walk.
#pragma once

#include <cstdint>
#include <vector>

#include "report/sink.h"
#include "tiff/picture.h"

namespace pelnor {

/// A TIFF structure a container holds, from its header on.
struct ExifBlock {
  bool found = false;
  /// The TIFF header's file position; for a block decoded from the file (`decoded` not empty),
  /// its offset in the decoded bytes, from where its positions count.
  std::uint64_t position = 0;
  std::uint64_t length = 0;
  /// Bytes decoded from the file (hexadecimal text, zlib, brotli): no byte of them has a file
  /// position.
  std::vector<std::uint8_t> decoded;
  /// A JPEG thumbnail whose stream runs past the block is read on from the file (the JPEG
  /// inside a RAF, as any JPEG's); in every other container the block is all there is.
  bool file_goes_on = false;
};

/// Exif blocks a container keeps beside its main one, as CR3's CMT2, CMT3 and CMT4 do.
enum ExtraBlock : std::uint8_t { EXTRA_EXIF, EXTRA_MAKER_NOTE, EXTRA_GPS, kExtraBlocks };

struct ContainerFind {
  TiffLayout layout = LAYOUT_TIFF;
  ExifBlock exif;
  ExifBlock extra[kExtraBlocks];
  /// The thumbnail the container keeps itself, in place of IFD1's (CR3's THMB).
  bool has_thumbnail = false;
  std::uint64_t thumbnail_position = 0;
  std::uint64_t thumbnail_length = 0;
  std::uint32_t thumbnail_width = 0;
  std::uint32_t thumbnail_height = 0;
  /// The pictures -p writes beside the input.
  PictureList pictures;
  /// A read of the file failed: it cannot be read.
  bool failed = false;
};

/// The containers -s reads besides JPEG and TIFF.
enum Container : std::uint8_t {
  CONTAINER_NONE,
  CONTAINER_BMFF,  // ISO base media: HEIF, HEIC, AVIF, CR3; and the JPEG XL container
  CONTAINER_RIFF,  // WebP
  CONTAINER_PNG,
  CONTAINER_RAF,   // Fujifilm's raw file
};

/// Reports where `found` keeps its Exif data, when it has any, as the last element of a map.
void map_exif(Sink& map, const ContainerFind& found);

/// What kind of container the `size` head bytes at `head` begin.
Container container_of(const std::uint8_t* head, std::uint32_t size);

}  // namespace pelnor
