// The map of a JPEG's segments that -a prints before anything else of a file.
#pragma once

#include <cstdint>

#include "jpeg/segments.h"

namespace pelnor {

/// The name of a JPEG marker: "SOI", "APP1", "SOF0", "DQT", ...; null for one without a name.
const char* marker_name(std::uint8_t marker);

/// Prints the block "JPEG segments dumping...:" for the file whose `size` head bytes are `head`:
/// SOI, then one line per segment the walk meets up to SOS, each with its file position, its
/// marker, its length, an APPn segment's identifier and a SOF segment's pixel size (a segment
/// whose length runs past `file_size`, the file's size, says so in place of them), then, when
/// the walk stopped short of SOS or EOI, a line that says why, and the blank line. Segments past
/// the head are read from `past_head`; without it, and with `pipe`, the map ends with the head.
/// Prints nothing for a file that does not begin with the start-of-image marker. Returns true,
/// with `*mpf`, when the walk met an APP2 segment of the Multi-Picture Format (the first).
bool dump_segments(const std::uint8_t* head, std::uint32_t size, FileBytes* past_head, bool pipe,
                   std::uint64_t file_size, Segment* mpf);

}  // namespace pelnor
