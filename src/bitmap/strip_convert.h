// Uncompressed RGB and YCbCr thumbnail strips turned into BMP files.
#pragma once

#include <cstdint>

#include "bitmap/dib_image.h"
#include "platform/platform.h"
#include "tiff/thumb_info.h"
#include "tiff/tiff_data.h"

namespace pelnor {

/// Copies an RGB strip (red, green, blue bytes, rows from the top) onto the canvas.
/// `source` holds at least strip_bytes(thumb) bytes.
void convert_rgb_strip(DibImage* img, const ThumbInfo& thumb, const std::uint8_t* source);

/// Converts a chunky YCbCr strip onto the canvas, block by block. `source` holds at least
/// strip_bytes(thumb) bytes. Pixels of edge blocks that fall outside the picture are consumed
/// and dropped.
void convert_ycbcr_strip(DibImage* img, const ThumbInfo& thumb, const std::uint8_t* source);

/// Prints the kind line, converts the strip of an RGB or YCbCr thumbnail to a bitmap, writes it
/// as a BMP file to `file` and prints "done" or the write error with `out_path`. Prints nothing
/// more after the kind line when no bitmap can be made. Does not close `file`.
void write_bmp_thumbnail(FileHandle file, const ThumbInfo& thumb, const TiffData& tiff_base,
                         const char* out_path, Platform& platform);

}  // namespace pelnor
