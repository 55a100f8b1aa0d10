// The pictures of the TIFF structure itself, for -p.
#pragma once

#include <cstdint>

#include "tiff/picture.h"
#include "tiff/tiff_data.h"

namespace pelnor {

/// Adds the pictures of the TIFF structure: a JPEGInterchangeFormat pair of the Exif directory,
/// and, for a TIFF-format file (`tiff_format`), the JPEG of IFD0 and of each of its SubIFDs.
/// (The maker note's previews come from the maker-note walk.)
void find_tiff_pictures(const TiffData& tiff, std::uint32_t ifd0, int order, bool tiff_format,
                        PictureList* list);

}  // namespace pelnor
