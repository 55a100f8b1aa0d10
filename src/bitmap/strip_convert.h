// Uncompressed RGB and YCbCr thumbnail strips turned into BMP files.
#pragma once

#include <cstdint>

#include "bitmap/dib_image.h"
#include "io/platform.h"
#include "tiff/thumbnail.h"
#include "tiff/tiff_data.h"

namespace pelnor {

/// Copies an RGB strip (red, green, blue bytes, rows from the top) onto the canvas.
/// `source` holds at least strip_bytes(thumb) bytes.
void convert_rgb_strip(DibImage* img, const ThumbInfo& thumb, const std::uint8_t* source);

/// Converts a chunky YCbCr strip onto the canvas, block by block. `source` holds at least
/// strip_bytes(thumb) bytes. Pixels of edge blocks that fall outside the picture are consumed
/// and dropped.
void convert_ycbcr_strip(DibImage* img, const ThumbInfo& thumb, const std::uint8_t* source);

/// write_bmp_thumbnail results.
inline constexpr int kBmpWritten = 1;
inline constexpr int kBmpWriteFailed = 0;
/// No bitmap could be made (no memory for the canvas): nothing was written.
inline constexpr int kBmpNotMade = -1;

/// Puts pixels given as indices into a palette of RGB triples onto the canvas, rows from the top.
void convert_palette_pixels(DibImage* img, std::int32_t width, std::int32_t height,
                            const std::uint8_t* indices, const std::uint8_t* palette);

/// Converts a strip of `thumb`'s kind and size at `source` (with `palette`: indices into its
/// 256 RGB triples) to a bitmap and writes it as a BMP file to `file`; the resolution fields
/// come from `thumb`. Prints nothing.
int write_strip_bmp(FileHandle file, const ThumbInfo& thumb, const std::uint8_t* source,
                    const std::uint8_t* palette, Platform& platform);

/// Converts the strip of an RGB or YCbCr thumbnail to a bitmap and writes it as a BMP file to
/// `file`. Does not close `file`: the caller reports the outcome once the
/// file is closed.
int write_bmp_thumbnail(FileHandle file, const ThumbInfo& thumb, const TiffData& tiff_base,
                        Platform& platform);

}  // namespace pelnor
