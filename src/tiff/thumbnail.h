// The thumbnail descriptor that detection fills from IFD1.
#pragma once

#include <cstdint>

#include "tiff/tiff_data.h"

namespace pelnor {

enum ThumbKind : std::int32_t {
  THUMB_NONE = 0,
  THUMB_JPEG = 1,
  THUMB_TIFF_RGB = 2,
  THUMB_TIFF_YCBCR = 3,
};

struct ThumbInfo {
  std::int32_t kind = THUMB_NONE;
  std::uint32_t jpeg_offset = 0;
  std::uint32_t jpeg_length = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t photometric = 0;
  /// Horizontal resolution in pixels per metre, from XResolution and ResolutionUnit; 0 when
  /// IFD1 gives none that can be read.
  std::uint32_t x_resolution = 0;
  /// Vertical resolution in pixels per metre, likewise.
  std::uint32_t y_resolution = 0;
  /// LumaRed, LumaGreen, LumaBlue.
  double ycbcr_coefficients[3] = {0.299, 0.587, 0.114};
  /// Y black, Y white, Cb black, Cb white, Cr black, Cr white.
  double reference_black_white[6] = {15, 235, 128, 240, 128, 240};
  std::uint32_t strip_offset = 0;
  std::int32_t subsampling_h = 0;
  std::int32_t subsampling_v = 0;
  std::uint32_t strip_byte_count = 0;
};

/// Bytes the strip of an RGB or YCbCr thumbnail occupies, whole blocks at the edges included;
/// 0 when its geometry cannot describe a picture (a width, height or subsampling factor below 1)
/// and UINT64_MAX when it is larger than any data read could hold.
std::uint64_t strip_bytes(const ThumbInfo& thumb);

/// Reads IFD1 at TIFF offset `ifd1` and classifies its thumbnail. Returns 1 and copies the whole
/// record into `*info` when a JPEG, RGB or YCbCr thumbnail was found; returns 0 and leaves
/// `*info` untouched otherwise. Prints nothing.
int find_thumbnail(const TiffData& tiff_base, std::uint32_t ifd1, ThumbInfo* info,
                   int little_endian);

}  // namespace pelnor
