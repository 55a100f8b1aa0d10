// The previews the makers' directories point to or hold, found by the maker-note walk.
#pragma once

#include <cstdint>

#include "makernote/walk.h"
#include "tiff/directory.h"
#include "tiff/picture.h"

namespace pelnor {

/// The visitor of the maker-note walk that adds each preview its directories give by the maker's
/// rules to `list`. A directory is visited once, whatever leads to it again.
class PreviewFinder final : public MakerVisitor {
 public:
  /// `tiff` and `order` are those of the Exif directory the maker note is an entry of.
  PreviewFinder(const TiffData& tiff, int order, PictureList* list)
      : tiff_(tiff), order_(order), list_(list) {}

  bool maker_note(const TagEntry& note, bool placed, const MakerNotePlace& place) override;
  bool subdirectory(const MakerSubdirectory& sub, const MakerPlace& p, Refusal refusal) override;

 private:
  bool enter(const MakerPlace& p, const MakerNames& names);

  const TiffData& tiff_;
  int order_;
  PictureList* list_;
  const char* maker_ = nullptr;
  DirectorySet seen_;
};

}  // namespace pelnor
