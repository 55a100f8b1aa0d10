// The directories IFD0 points to: Exif, its Interoperability directory, and GPS.
#pragma once

#include <cstdint>

#include "tiff/tiff_data.h"

namespace pelnor {

/// Dumps, after IFD0 at TIFF offset `ifd0`, the Exif directory (IFD0's tag 0x8769), the
/// Interoperability directory (the Exif directory's tag 0xA005) and the GPS directory (IFD0's tag
/// 0x8825), each under its heading and followed by a blank line; a directory no pointer names
/// gets no block. Only the first entry of a pointer tag counts, and only one of count 1 and type
/// LONG, SLONG or IFD is followed; each directory is dumped at most once per file, IFD0 included,
/// so no pointer can make the walk loop. Reads only the data read.
void dump_sub_ifds(const TiffData& tiff, std::uint32_t ifd0, int little_endian);

}  // namespace pelnor
