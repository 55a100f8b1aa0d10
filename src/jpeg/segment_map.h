// The map of a JPEG's segments that -a reports before anything else of a file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "jpeg/segments.h"
#include "report/sink.h"

namespace pelnor {

/// Reports the map of the file whose `size` head bytes are `head`, from the walk `record`: SOI,
/// then each segment the walk meets up to SOS, each with its position, marker, length, an APPn
/// segment's identifier and a SOF segment's pixel size (a segment whose length runs past
/// `file_size`, the file's size, says so in place of them), then why the walk stopped short of
/// SOS or EOI. Segments past the head are read with `reach`; a walk that may not read them ends
/// with the head, for a `pipe` saying so. Reports nothing for a file that does not begin with
/// the start-of-image marker. Returns true, with `*mpf` its index in the record, when the walk
/// met an APP2 segment of the Multi-Picture Format (the first).
bool map_segments(const std::uint8_t* head, std::uint32_t size, SegmentRecord& record, Reach reach,
                  bool pipe, std::uint64_t file_size, Sink& sink, std::size_t* mpf);

}  // namespace pelnor
