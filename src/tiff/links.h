// The directories -a dumps beside IFD0 and IFD1: Exif, Interoperability, the maker note and the
// directories inside it, GPS, SubIFDs, and the IFDs after IFD1.
#pragma once

#include <cstdint>

#include "tiff/picture.h"
#include "tiff/tiff_data.h"

namespace pelnor {

/// The directories dumped so far for one file, by file position, so that no pointer can make
/// the walk loop: IFD0 to the last maker-note sub-directory and the last IFD of the chain.
struct DumpedDirectories {
  /// Directories per file at most; a pointer to one more gets a line that says so.
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

/// Dumps, after IFD0 at offset `ifd0`, each under its heading and followed by a blank line: the
/// Exif directory (IFD0's tag 0x8769), its Interoperability directory (tag 0xA005), its maker
/// note (tag 0x927C) as the maker's layout reads it and every directory inside it, the GPS
/// directory (IFD0's tag 0x8825) and IFD0's SubIFDs (tag 0x014A). A directory no pointer names
/// gets no block. Only the first entry of a pointer tag counts, and only one of count 1 and type
/// LONG, SLONG or IFD is followed (for SubIFDs, any count); each directory is dumped at most
/// once per file, so no pointer can make the walk loop. Reads only the data read.
void dump_sub_ifds(const TiffData& tiff, std::uint32_t ifd0, int little_endian,
                   DumpedDirectories* dumped);

/// Dumps, after IFD1 at offset `ifd1`, IFD1's SubIFDs, then the IFDs its next-IFD field leads
/// to (IFD2, IFD3, ...) with their SubIFDs, under the same rules.
void dump_ifd_chain(const TiffData& tiff, std::uint32_t ifd1, int little_endian,
                    DumpedDirectories* dumped);

/// Adds the preview pictures of the maker note of the Exif directory of IFD0 at `ifd0`, as its
/// layout and the maker's tables give them, from the maker note and the directories inside it.
void find_maker_previews(const TiffData& tiff, std::uint32_t ifd0, int little_endian,
                         PictureList* list);

/// Dumps the Multi-Picture Format directories of an APP2 segment whose data ("MPF\0" and a TIFF
/// structure) are the `size` bytes at `data`, the TIFF header at file position `position`: the
/// MP Index IFD under "MPF IFD dumping...:", then the IFD its next-IFD field leads to under
/// "MPF Attribute IFD dumping...:", their offsets counted from the MPF TIFF header.
void dump_mpf(const std::uint8_t* data, std::uint32_t size, std::uint32_t position);

}  // namespace pelnor
