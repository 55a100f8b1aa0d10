// The directories -a reports beside IFD0 and IFD1, walked by one table of links from a parent
// directory's tag to its child: Exif, Interoperability, the maker note and the directories
// inside it, GPS, SubIFDs, and the IFDs after IFD1.
#pragma once

#include <cstdint>

#include "makernote/walk.h"
#include "report/sink.h"
#include "tiff/directory.h"
#include "tiff/tiff_data.h"

namespace pelnor {

/// How a parent's entry leads to its child.
enum LinkForm : std::uint8_t {
  LINK_POINTER,     // one 32-bit offset (LONG, SLONG or IFD, count 1)
  LINK_ARRAY,       // the SubIFDs: an offset, or a table of them
  LINK_NEXT,        // the next-IFD field after the entries, not an entry
  LINK_MAKER_NOTE,  // the maker note, read by its layout, and the makers' own links inside it
  LINK_DNG_MAKER_NOTE,  // DNGPrivateData's copy of the camera's maker note
};

struct Link {
  DirectoryKind parent;
  std::uint16_t tag;
  DirectoryKind child;
  LinkForm form;
  const TagTable* names;
};

/// The walk of a file's directories past IFD0 and IFD1: each directory is reported at most
/// once, so no pointer can make it loop, and no file gets more than DirectorySet::kMost.
class DirectoryWalk {
 public:
  /// The TIFF structure `tiff` in byte order `order`, whose IFD0 names `camera`. `finder`, when
  /// not null, visits the maker note beside the dump.
  DirectoryWalk(const TiffData& tiff, int order, const Camera& camera, Sink& sink,
                MakerVisitor* finder)
      : tiff_(tiff), order_(order), camera_(camera), sink_(sink), finder_(finder) {}

  /// After IFD0's block, at offset `ifd0`: the directories it leads to, each with its children.
  void after_ifd0(std::uint32_t ifd0);
  /// After IFD1's block: its SubIFDs, then the IFDs its next-IFD field leads to (IFD2, IFD3,
  /// ...) with theirs.
  void after_ifd1(std::uint32_t ifd1);

  /// After IFD0's block: a directory a container keeps in a TIFF structure of its own (CR3's
  /// CMT2 and CMT4), at offset `ifd` of `data`, with its children.
  void extra_directory(DirectoryKind kind, const TiffData& data, std::uint32_t ifd, int order,
                       const TagTable& names);
  /// A maker note a container keeps in a TIFF structure of its own (CR3's CMT3), placed, whose
  /// bytes start at file position `position`.
  void extra_maker_note(const MakerNotePlace& place, std::uint32_t position);

  /// True once the maker note was walked with the finder.
  bool found_maker_note() const { return finder_walked_; }

 private:
  class MakerDump;
  void children(const TiffData& data, int order, DirectoryKind kind, std::uint32_t number,
                std::uint32_t ifd);
  void pointed(const TiffData& data, int order, const Link& link, std::uint32_t ifd);
  void subifds(const TiffData& data, int order, std::uint32_t ifd, std::uint32_t owner);
  void next(const TiffData& data, int order, std::uint32_t ifd, std::uint32_t number);
  void dng_maker_note(const TiffData& data, int order, std::uint32_t ifd);
  bool body(const TiffData& data, std::uint32_t ifd, int order, const TagTable& names);
  // `names` with the camera's model, for the names that depend on it.
  TagTable with_model(const TagTable& names) const {
    TagTable named = names;
    named.model = camera_.model;
    named.model_length = camera_.model_length;
    return named;
  }
  static std::int64_t position(const TiffData& data, std::uint32_t offset) {
    return std::int64_t{data.position} + data.origin + offset;
  }

  const TiffData& tiff_;
  int order_;
  const Camera camera_;  // a copy: its texts point into the data read, which outlives the walk
  Sink& sink_;
  MakerVisitor* finder_;
  bool finder_walked_ = false;
  DirectorySet dumped_;
};

}  // namespace pelnor
