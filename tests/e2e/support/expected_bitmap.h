// BMP files written out from the published format, for comparing the tool's bitmaps byte for
// byte.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "exif_builder.h"

namespace pelnor::e2e {

using Rgb = std::array<std::uint8_t, 3>;

/// A 24-bit BMP file: the 14-byte file header, the 40-byte BITMAPINFOHEADER with the given
/// resolutions (pixels per metre), then the rows bottom first, blue-green-red, each padded
/// with zeros to a multiple of 4 bytes. `picture` holds width x height pixels, top row first.
testing::Bytes bmp_file(int width, int height, std::int32_t x_ppm, std::int32_t y_ppm,
                        const std::vector<Rgb>& picture);

}  // namespace pelnor::e2e
