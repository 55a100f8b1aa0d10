// ISO base media files (HEIF, HEIC, AVIF, Canon's CR3) and the JPEG XL container: one walk over
// their boxes.
#pragma once

#include <cstdint>

#include "container/found.h"
#include "io/byte_source.h"
#include "report/sink.h"

namespace pelnor {

/// Walks the boxes of `file` (its size `file_size`, UINT64_MAX when not known) and fills
/// `*found`: the Exif item of a HEIF file (found by iinf and iloc, read from the file or from
/// idat), CR3's CMT1 to CMT4 TIFF structures, its THMB thumbnail, PRVW preview and full-size
/// JPEG, the Exif box of JPEG XL (a brob box decoded where the build has brotli). With `map`,
/// reports every box, then the items, then where the Exif data lies.
void read_bmff(ByteSource& file, std::uint64_t file_size, Sink* map, ContainerFind* found);

}  // namespace pelnor
