// A 24-bit bottom-up device-independent bitmap kept in memory in the layout a BMP file stores.
#pragma once

#include <bit>
#include <cstdint>

#include "io/platform.h"

namespace pelnor {

/// The Windows BITMAPINFOHEADER, 40 bytes, little-endian as the BMP format stores it.
struct BITMAPINFOHEADER {
  std::uint32_t biSize;
  std::int32_t biWidth;
  std::int32_t biHeight;
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;
  std::uint32_t biCompression;
  std::uint32_t biSizeImage;
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the info header has no gaps");
static_assert(std::endian::native == std::endian::little,
              "the header block is written as it stands in memory");

/// dib_create results.
inline constexpr std::int32_t DIB_OK = 0;
/// A bit count other than 24 was asked for.
inline constexpr std::int32_t DIB_BAD_FORMAT = 1;
/// A negative width or height, or a pixel block too large for 32 bits.
inline constexpr std::int32_t DIB_BAD_SIZE = 2;
/// A memory block could not be obtained.
inline constexpr std::int32_t DIB_NO_MEMORY = 4;

/// Size of the header block: the info header and four bytes that never reach a file.
inline constexpr std::uint32_t kDibHeaderBlockSize = 44;

/// A pixel as the canvas operations exchange it: red in bits 24-31, green in 16-23, blue in
/// 8-15; bits 0-7 carry nothing.
constexpr std::uint32_t pack_pixel(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return (red & 0xFFu) << 24 | (green & 0xFFu) << 16 | (blue & 0xFFu) << 8;
}

struct DibImage {
  std::int32_t bit_count;
  std::int32_t width;
  std::int32_t height;
  /// Bytes per row in the pixel block: 3 * width rounded up to a multiple of 4.
  std::int32_t stride;
  MemHandle bits_handle;
  /// Pixel rows, bottom row of the picture first, blue-green-red; valid while locked.
  std::uint8_t* bits;
  MemHandle header_handle;
  BITMAPINFOHEADER* header;
  /// Where put_next writes; null until the first seek.
  std::uint8_t* cursor;
  /// The packed pixel at column x of memory row y (row 0 is the bottom of the picture).
  std::uint32_t (*get_pixel)(const DibImage* img, std::int32_t x, std::int32_t y);
  /// Writes a packed pixel at column x of memory row y; the cursor does not move.
  void (*set_pixel)(DibImage* img, std::int32_t x, std::int32_t y, std::uint32_t pixel);
  /// Moves the cursor to column x of memory row y.
  void (*seek)(DibImage* img, std::int32_t x, std::int32_t y);
  /// Writes a packed pixel at the cursor and advances it by one pixel.
  void (*put_next)(DibImage* img, std::uint32_t pixel);
  std::int32_t user1;
  std::int32_t user2;
  /// Where the two blocks came from and go back to.
  Platform* platform;
};

/// Makes a zero-filled (black) canvas of `width` x `height` pixels with both memory blocks
/// obtained from `platform` and locked. Returns DIB_OK; DIB_NO_MEMORY when a block could not be
/// obtained (none is left allocated); DIB_BAD_FORMAT for a bit count other than 24 and
/// DIB_BAD_SIZE for a negative size or a pixel block beyond 32 bits, both with `*img` untouched.
std::int32_t dib_create(DibImage* img, std::int32_t width, std::int32_t height,
                        std::int32_t bit_count, std::int32_t user1, std::int32_t user2,
                        Platform& platform);

/// Ends access to both blocks. Does nothing for a null record. Returns 1.
std::int32_t dib_unlock(DibImage* img);

/// Releases both blocks. Does nothing for a null record. Returns 1.
std::int32_t dib_free(DibImage* img);

}  // namespace pelnor
