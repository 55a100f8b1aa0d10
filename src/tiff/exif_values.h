// The decoded line of an entry of the Exif, Interoperability or GPS directory.
#pragma once

#include <cstdint>

#include "tiff/exif_tags.h"
#include "tiff/tiff_data.h"
#include "tiff/tiff_types.h"

namespace pelnor {

/// Prints what follows the generic line of entry `e` of directory `dir` (not DIR_TIFF), whose
/// raw entry lies at TIFF offset `raw_offset`: "\t<Name>: <values>" for a tag the Exif standard
/// defines there and a type whose values can be read, the text of any other ASCII entry, nothing
/// for the rest. Values are read from the data read only; one cut by its end ends the line with
/// kBeyondData.
void print_exif_entry(const TiffData& tiff, std::uint64_t raw_offset, const TagEntry& e,
                      int little_endian, Directory dir);

}  // namespace pelnor
