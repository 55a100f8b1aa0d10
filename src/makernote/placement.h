// The camera makers' own directories: where a maker note's IFD, its offsets and its byte order
// are, as the layout that recognises it says. The layouts are one table of data (layouts.cpp),
// read by place_maker_note; each maker's names are a table too (names_<maker>.cpp).
#pragma once

#include <cstdint>

#include "tags/tag_table.h"
#include "tiff/tiff_data.h"
#include "tiff/tiff_types.h"

namespace pelnor {

/// Byte order of a directory inside a maker note.
enum MakerOrder : std::uint8_t {
  /// The parent directory's, unless the entry count read so looks byte-swapped (a high byte
  /// above the low one), when it is the other.
  ORDER_DETECT = 0,
  ORDER_LITTLE = 1,
  ORDER_BIG = 2,
  /// "II" or "MM" at `order_at` of the maker note; where neither stands there, ORDER_DETECT.
  ORDER_HEADER = 3,
  /// The parent directory's, whatever the count.
  ORDER_PARENT = 4,
};

/// How a maker-note entry leads to a directory of its own.
enum SubdirectoryForm : std::uint8_t {
  /// The entry holds a 32-bit offset (LONG, SLONG or IFD) of the directory.
  SUBDIR_POINTER = 0,
  /// The entry's value bytes hold the directory, `start` bytes in.
  SUBDIR_HELD = 1,
  /// Either, as the entry's type says: a pointer when one LONG, SLONG or IFD, else held.
  SUBDIR_EITHER = 2,
};

struct MakerNames;

/// How a maker's directory gives a preview picture.
enum PreviewForm : std::uint8_t {
  /// Entry `tag` holds its offset (from where the directory's offsets count), entry
  /// `length_tag` its length; both 32-bit integers.
  PREVIEW_PAIR = 0,
  /// Entry `tag`'s bytes are the picture, after `skip` bytes of a header of the maker's.
  PREVIEW_HELD = 1,
  /// Entry `tag` is an array of LONGs: its offset at byte `skip`, its length at byte
  /// `length_at`.
  PREVIEW_BINARY = 2,
};

struct MakerPreview {
  std::uint16_t tag;
  std::uint8_t form;
  std::uint16_t length_tag = 0;
  std::uint8_t skip = 0;
  std::uint8_t length_at = 0;
  /// An entry that is 0 when the camera wrote no preview (Olympus's PreviewImageValid); 0: none.
  std::uint16_t valid_tag = 0;
};

/// A directory that a maker-note entry points to or holds.
struct MakerSubdirectory {
  std::uint16_t tag;
  /// Only for a camera whose Model begins so; null: any.
  const char* model;
  /// Its block's heading is "MakerNote <name> IFD dumping...:".
  const char* name;
  std::uint8_t form;
  /// Where its IFD starts: this many bytes past the offset or the start of the held value.
  std::uint8_t start;
  std::uint8_t order;
  /// True when its offsets count from where it starts less `start` (the value or the offset);
  /// else from where the parent's count from.
  bool based_at_value;
  /// What must stand where the directory starts less `start`, for it to be one; null: anything.
  const char* prefix;
  std::uint8_t prefix_size;
  const MakerNames* names;
};

/// One maker's names: its tags, the entries that lead to directories of their own, and those
/// that give its preview pictures.
struct MakerNames {
  TagTable tags;
  const MakerSubdirectory* subdirectories;
  std::uint8_t subdirectory_count;
  const MakerPreview* previews = nullptr;
  std::uint8_t preview_count = 0;
};

/// IFD0's Make and Model, up to their zero bytes and without trailing blanks, as the layouts
/// that have no identifier of their own are told by them.
struct Camera {
  const char* make = "";
  int make_length = 0;
  const char* model = "";
  int model_length = 0;
};

/// IFD0's Make and Model (of the IFD at `ifd0`), as the layouts compare them.
Camera read_camera(const TiffData& tiff, std::uint32_t ifd0, int order);

struct MakerLayout;

/// A maker note as its layout reads it.
struct MakerNotePlace {
  /// Null when no layout recognises the maker note.
  const MakerLayout* layout = nullptr;
  /// The layout's name, for the block's first line.
  const char* name = "";
  /// False for a layout whose maker note is not an IFD, or an IFD that could not be found.
  bool is_ifd = false;
  /// True when the layout's maker note is an IFD, found or not.
  bool layout_is_ifd = false;
  /// Offsets count from `data`'s origin; the IFD lies at offset `ifd` of it.
  TiffData data;
  std::uint32_t ifd = 0;
  int little_endian = 1;
  /// How far the layout's offset base was moved because the maker note moved since it was
  /// written (its own record of where it stood, or its values' offsets, tell it); 0 for most.
  std::int64_t moved = 0;
  const MakerNames* names = nullptr;
  /// For a maker note that is not an IFD but keeps a preview's offset (from the start of the
  /// file) and length as 32-bit numbers at these places (Samsung's STMN): both non-zero.
  std::uint8_t preview_at = 0;
  std::uint8_t preview_length_at = 0;
};

/// Recognises the maker note of `count` bytes at offset `offset` of `tiff` (the Exif directory's
/// entry 0x927C), read in the file's byte order `little_endian`, of a camera that IFD0 names
/// `camera`. Reads only the data read. Returns false when the maker note does not lie in the
/// data read whole enough to be recognised (its first bytes beyond it).
bool place_maker_note(const TiffData& tiff, std::uint32_t offset, std::uint32_t count,
                      int little_endian, const Camera& camera, MakerNotePlace* place);

/// A maker note kept as a TIFF structure of its own (CR3's CMT3): the IFD at offset `ifd` of
/// `data`, read in `order`, by the names of the layout called `layout` ("Canon"). False when no
/// layout is called so.
bool place_named_maker_note(const char* layout, const TiffData& data, std::uint32_t ifd, int order,
                            MakerNotePlace* place);

/// The byte order of a directory whose entry count lies at `ifd` of `data`, by `order` (with
/// `order_at` for ORDER_HEADER), where its parent is read in `parent`.
int directory_order(const TiffData& data, std::uint64_t ifd, int parent, std::uint8_t order,
                    std::uint64_t order_at);

/// The directory that an entry of `tag`, `type` and `count` of a directory named by `names`
/// leads to, for `camera`: the first that the tag, the entry's form and the camera's model
/// fit. Null when it leads to none.
const MakerSubdirectory* find_subdirectory(const MakerNames& names, std::uint16_t tag,
                                           std::uint16_t type, std::uint32_t count,
                                           const Camera& camera);

}  // namespace pelnor
