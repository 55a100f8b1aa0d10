// Writes a 24-bit bitmap to an open file as a Windows BMP file.
#pragma once

#include <cstdint>

#include "bitmap/dib_image.h"
#include "io/platform.h"

namespace pelnor {

/// Size of the BITMAPFILEHEADER in the file.
inline constexpr std::uint32_t kBmpFileHeaderSize = 14;

/// Writes the 14-byte file header, then biSize bytes of `info_header`, then the pixel rows from
/// `bits`, in three writes. Returns 1 when all three succeeded; 0 at the first failed or short
/// write, the later ones not attempted.
std::int32_t write_bmp(FileHandle file, const BITMAPINFOHEADER* info_header,
                       const std::uint8_t* bits, Platform& platform);

}  // namespace pelnor
