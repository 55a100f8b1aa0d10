#include "bitmap/strip_convert.h"

#include <cmath>
#include <cstdint>

#include "bitmap/bmp_writer.h"

namespace pelnor {
namespace {

// Truncation toward zero; a result that is not a finite number becomes 0, and one beyond the
// 32-bit range stops at its limit.
std::int32_t to_int(double v) {
  if (!std::isfinite(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<std::int32_t>(v);
}

std::int32_t cap255(std::int32_t v) { return v >= 255 ? 255 : v; }
std::uint32_t floor0(std::int32_t v) { return v <= 0 ? 0u : static_cast<std::uint32_t>(v); }

}  // namespace

void convert_rgb_strip(DibImage* img, const ThumbInfo& thumb, const std::uint8_t* source) {
  for (std::int32_t row = 0; row < thumb.height; ++row) {
    img->seek(img, 0, thumb.height - 1 - row);  // the first strip row is the top of the picture
    for (std::int32_t x = 0; x < thumb.width; ++x, source += 3) {
      img->put_next(img, pack_pixel(source[0], source[1], source[2]));
    }
  }
}

void convert_ycbcr_strip(DibImage* img, const ThumbInfo& thumb, const std::uint8_t* source) {
  const std::int32_t h = thumb.subsampling_h;
  const std::int32_t v = thumb.subsampling_v;
  const double luma_red = thumb.ycbcr_coefficients[0];
  const double luma_green = thumb.ycbcr_coefficients[1];
  const double luma_blue = thumb.ycbcr_coefficients[2];
  const double y_black = thumb.reference_black_white[0];
  const double cb_black = thumb.reference_black_white[2];
  const double cr_black = thumb.reference_black_white[4];
  // Each factor formed as written, 2 * LumaRed first, then subtracted from 2.
  const double red_factor = 2.0 - 2.0 * luma_red;
  const double blue_factor = 2.0 - 2.0 * luma_blue;

  // 64-bit block corners: a factor near 2^31 must not wrap the loop.
  for (std::int64_t y0 = 0; y0 < thumb.height; y0 += v) {
    for (std::int64_t x0 = 0; x0 < thumb.width; x0 += h) {
      const std::uint8_t* chroma = source + static_cast<std::ptrdiff_t>(h) * v;
      const std::int32_t cb = to_int(chroma[0] - cb_black);
      const std::int32_t cr = to_int(chroma[1] - cr_black);
      for (std::int64_t dy = 0; dy < v; ++dy) {
        for (std::int64_t dx = 0; dx < h; ++dx) {
          const std::int32_t y = to_int(*source++ - y_black);
          const std::int32_t red = cap255(to_int(cr * red_factor + y));
          const std::int32_t blue = cap255(to_int(cb * blue_factor + y));
          // Green sees red and blue capped at 255 but not yet raised to 0.
          const std::int32_t green =
              cap255(to_int(((y - blue * luma_blue) - red * luma_red) / luma_green));
          const std::int64_t x = x0 + dx;
          const std::int64_t row = y0 + dy;
          if (x < thumb.width && row < thumb.height) {  // edge blocks reach past the picture
            img->set_pixel(img, static_cast<std::int32_t>(x),
                           static_cast<std::int32_t>(thumb.height - 1 - row),
                           pack_pixel(floor0(red), floor0(green), floor0(blue)));
          }
        }
      }
      source += 2;  // past Cb and Cr
    }
  }
}

void convert_palette_pixels(DibImage* img, std::int32_t width, std::int32_t height,
                            const std::uint8_t* indices, const std::uint8_t* palette) {
  for (std::int32_t row = 0; row < height; ++row) {
    img->seek(img, 0, height - 1 - row);  // the first row is the top of the picture
    for (std::int32_t x = 0; x < width; ++x, ++indices) {
      const std::uint8_t* rgb = palette + 3 * *indices;
      img->put_next(img, pack_pixel(rgb[0], rgb[1], rgb[2]));
    }
  }
}

int write_strip_bmp(FileHandle file, const ThumbInfo& thumb, const std::uint8_t* source,
                    const std::uint8_t* palette, Platform& platform) {
  DibImage img;
  if (dib_create(&img, thumb.width, thumb.height, 24, 0, 0, platform) != DIB_OK) {
    return kBmpNotMade;
  }
  if (palette != nullptr) {
    convert_palette_pixels(&img, thumb.width, thumb.height, source, palette);
  } else if (thumb.kind == THUMB_TIFF_RGB) {
    convert_rgb_strip(&img, thumb, source);
  } else {
    convert_ycbcr_strip(&img, thumb, source);
  }
  img.header->biXPelsPerMeter = static_cast<std::int32_t>(thumb.x_resolution);
  img.header->biYPelsPerMeter = static_cast<std::int32_t>(thumb.y_resolution);
  const int written =
      write_bmp(file, img.header, img.bits, platform) == 1 ? kBmpWritten : kBmpWriteFailed;
  dib_unlock(&img);
  dib_free(&img);
  return written;
}

int write_bmp_thumbnail(FileHandle file, const ThumbInfo& thumb, const TiffData& tiff_base,
                        Platform& platform) {
  if (thumb.kind != THUMB_TIFF_RGB && thumb.kind != THUMB_TIFF_YCBCR) return kBmpNotMade;

  // Detection accepts only strips that lie in the data; a record from anywhere else is held to
  // the same rule before a byte of it is read.
  const std::uint64_t bytes = strip_bytes(thumb);
  if (bytes == 0 || !tiff_base.contains(thumb.strip_offset, bytes)) return kBmpNotMade;
  return write_strip_bmp(file, thumb, tiff_base.at(thumb.strip_offset), nullptr, platform);
}

}  // namespace pelnor
