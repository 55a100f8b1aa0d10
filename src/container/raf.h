// Fujifilm's RAF: a header that says where its JPEG (whose Exif segment holds the Exif data), its
// directory and its raw data lie.
#pragma once

#include <cstdint>

#include "container/found.h"
#include "io/byte_source.h"
#include "report/sink.h"

namespace pelnor {

/// Reads the RAF header of `file` (its size `file_size`): the Exif data of its JPEG, found in the
/// JPEG's segments as -s finds them in any JPEG, and the JPEG as a picture. With `map`, reports
/// the header's fields and the entries of its directory.
void read_raf(ByteSource& file, std::uint64_t file_size, Sink* map, ContainerFind* found);

}  // namespace pelnor
