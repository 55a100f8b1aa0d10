// One directory's entries, reported to the sink: each entry with its value, and the notes of a
// directory that the data read does not hold whole.
#pragma once

#include <cstdint>

#include "report/sink.h"
#include "tags/tag_table.h"
#include "tiff/tiff_data.h"
#include "tiff/tiff_types.h"

namespace pelnor {

/// The directories met so far in one file, by file position, so that no pointer can make a walk
/// loop.
struct DirectorySet {
  /// Directories per file at most; a pointer to one more gets a note that says so.
  static constexpr int kMost = 64;
  std::int64_t positions[kMost];
  int count = 0;

  /// True when the directory at file position `at` is one of them.
  bool holds(std::int64_t at) const {
    for (int i = 0; i < count; ++i) {
      if (positions[i] == at) return true;
    }
    return false;
  }
  /// Counts the directory at `at` in, unless kMost are counted; false then.
  bool add(std::int64_t at) {
    if (count == kMost) return false;
    positions[count++] = at;
    return true;
  }
};

/// Reports every entry of the IFD at offset `ifd`, in stored order, read in byte order `order`,
/// its tags named by `names` (`legacy`: IFD0 or IFD1). Nothing beyond the data read is read: an
/// IFD whose entry count lies there, or entries there, get a note. Returns 1 when the IFD's
/// entry count lies in the data read, 0 when it noted an IFD beyond it.
int report_entries(const TiffData& tiff, std::uint32_t ifd, int order, const TagTable& names,
                   bool legacy, Sink& sink);

/// The first entry with tag `tag` of the IFD at `ifd`, among its entries in the data read, and
/// where its raw entry lies.
bool find_entry(const TiffData& tiff, std::uint32_t ifd, std::uint16_t tag, int order,
                TagEntry* found, std::uint64_t* raw_offset = nullptr);

}  // namespace pelnor
