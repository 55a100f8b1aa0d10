// The one walk over a maker note and the directories inside it. What is done at each directory
// is a visitor's: the dump of -a reports its blocks, the preview finder of -p collects pictures.
#pragma once

#include <cstdint>

#include "makernote/placement.h"
#include "report/sink.h"
#include "tiff/tiff_data.h"
#include "tiff/tiff_types.h"

namespace pelnor {

/// A directory of the maker-note tree: the data its offsets count in, its offset there, its
/// byte order.
struct MakerPlace {
  TiffData data;
  std::uint32_t ifd;
  int order;

  /// The file position of its entry count.
  std::int64_t position() const { return std::int64_t{data.position} + data.origin + ifd; }
};

/// Why a maker-note entry that names a sub-directory leads to none.
enum Refusal : std::uint8_t {
  REFUSED_NONE,  // a pointer of 0: it leads nowhere, and says nothing
  REFUSED_NOT_FOLLOWED,
  REFUSED_BEYOND,
  REFUSED_NO_DIRECTORY,
};

/// What one consumer of the walk does at each directory. Each returns true when the walk is to
/// go on, for this visitor, into the directories inside the one it met.
class MakerVisitor {
 public:
  /// The maker note, entry `note` of the Exif directory: `placed` when its first bytes lie in the
  /// data read, with `place` as its layout reads it.
  virtual bool maker_note(const TagEntry& note, bool placed, const MakerNotePlace& place) = 0;
  /// A sub-directory of one that this visitor went into: at `p`, or refused so.
  virtual bool subdirectory(const MakerSubdirectory& sub, const MakerPlace& p, Refusal refusal) = 0;

 protected:
  ~MakerVisitor() = default;
};

/// Directories inside directories inside a maker note, at most.
inline constexpr int kMostMakerDepth = 4;

/// Finds the maker note of the Exif directory at offset `exif` of `tiff` (its first entry
/// 0x927C, UNDEFINED or BYTE and of more than four bytes), places it by its layout for `camera`,
/// and walks it once with the `count` visitors. Reads only the data read.
void walk_maker_note(const TiffData& tiff, std::uint32_t exif, int order, const Camera& camera,
                     MakerVisitor* const* visitors, int count);

/// Walks a maker note already placed (`placed`: its first bytes lie in the data read), entry
/// `note` of its directory, once with the `count` visitors.
void walk_placed_maker_note(const TagEntry& note, bool placed, const MakerNotePlace& place,
                            const Camera& camera, MakerVisitor* const* visitors, int count);

}  // namespace pelnor
