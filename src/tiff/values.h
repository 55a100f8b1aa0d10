// The decoded line of an entry of the Exif, Interoperability or GPS directory.
#pragma once

#include <cstdint>

#include "tags/tag_table.h"
#include "tiff/tiff_data.h"
#include "tiff/tiff_types.h"

namespace pelnor {

/// Prints the value line that follows the generic line of entry `e` in a block of -a, whose raw
/// entry lies at `raw_offset`: "\t<label>: <values>", the label being the name `names` gives the
/// tag, or else its number ("0xEA1D"). Values are read from the data read only; one cut by its
/// end ends the line with kBeyondData.
void print_entry_value(const TiffData& tiff, std::uint64_t raw_offset, const TagEntry& e,
                       int little_endian, const TagTable& names);

/// Writes entry `e` as an object of the JSON document's "entries": its file position (the raw
/// entry at TIFF offset `raw_offset`), tag, name (from `names`), type, count, value field and
/// the value's file position, then its values by its type, every one up to json::kMostValues
/// (json::kMostBytes for UNDEFINED bytes), each read from the data read only ("cut" says where
/// it ends first). `meaning`, when not null, is what the entry's value means (the legacy decode
/// of IFD0 and IFD1); otherwise a single enumerated value's meaning comes from `names`.
void json_entry(const TiffData& tiff, std::uint64_t raw_offset, const TagEntry& e,
                int little_endian, const TagTable& names, const char* meaning);

}  // namespace pelnor
