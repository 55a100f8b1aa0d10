// PNG files: the eXIf chunk, and the raw profiles of Exif that older writers keep in text
// chunks as hexadecimal, compressed with zlib in zTXt and iTXt.
#pragma once

#include <cstdint>

#include "container/found.h"
#include "io/byte_source.h"
#include "report/sink.h"

namespace pelnor {

/// Bytes a raw profile may decode to at most: a profile that claims or inflates to more is not
/// read.
inline constexpr std::uint32_t kMostDecoded = 1 << 20;

/// Walks the chunks of the PNG file `file` (its size `file_size`): the first eXIf chunk, or text
/// chunk whose keyword is "Raw profile type exif" or "Raw profile type APP1" (decoded: its
/// positions count from the start of the decoded bytes). With `map`, reports every chunk.
void read_png(ByteSource& file, std::uint64_t file_size, Sink* map, ContainerFind* found);

}  // namespace pelnor
