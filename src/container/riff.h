// RIFF files: WebP, and the Exif data in its EXIF chunk.
#pragma once

#include <cstdint>

#include "container/found.h"
#include "io/byte_source.h"
#include "report/sink.h"

namespace pelnor {

/// Walks the chunks of the WebP file `file` (its size `file_size`, UINT64_MAX when not known):
/// the EXIF chunk's TIFF structure, after an "Exif\0\0" where a writer put one. With `map`,
/// reports the RIFF header and every chunk, each padded to an even length.
void read_riff(ByteSource& file, std::uint64_t file_size, Sink* map, ContainerFind* found);

}  // namespace pelnor
