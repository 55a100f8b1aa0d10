// The tag dump: one generic line per entry, then the decoded line of a well-known tag or the
// text of an ASCII entry.
#pragma once

#include <cstdint>

#include "tiff/tiff_data.h"

namespace pelnor {

/// Text that marks where an item stops because the data read ends there.
inline constexpr const char kBeyondData[] = "<beyond the data read>";

/// Name printed for a field type number in the generic line.
const char* type_name(std::uint32_t type);

/// Prints every entry of the IFD at TIFF offset `ifd` to standard output, in stored order.
/// Nothing beyond the data read is read: an IFD or entries there get lines of their own, and a
/// value or text cut by the end of the data ends with kBeyondData.
void dump_ifd(const TiffData& tiff_base, std::uint32_t ifd, int little_endian);

}  // namespace pelnor
