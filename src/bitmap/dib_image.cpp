#include "bitmap/dib_image.h"

#include <cstdint>

namespace pelnor {
namespace {

std::uint8_t* pixel_address(const DibImage* img, std::int32_t x, std::int32_t y) {
  return img->bits + static_cast<std::ptrdiff_t>(y) * img->stride + std::ptrdiff_t{3} * x;
}

void store(std::uint8_t* p, std::uint32_t pixel) {
  p[0] = static_cast<std::uint8_t>(pixel >> 8);   // blue
  p[1] = static_cast<std::uint8_t>(pixel >> 16);  // green
  p[2] = static_cast<std::uint8_t>(pixel >> 24);  // red
}

std::uint32_t get_pixel24(const DibImage* img, std::int32_t x, std::int32_t y) {
  const std::uint8_t* p = pixel_address(img, x, y);
  return std::uint32_t{p[0]} << 8 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 24;
}

void set_pixel24(DibImage* img, std::int32_t x, std::int32_t y, std::uint32_t pixel) {
  store(pixel_address(img, x, y), pixel);
}

void seek24(DibImage* img, std::int32_t x, std::int32_t y) {
  img->cursor = pixel_address(img, x, y);
}

void put_next24(DibImage* img, std::uint32_t pixel) {
  store(img->cursor, pixel);
  img->cursor += 3;
}

}  // namespace

std::int32_t dib_create(DibImage* img, std::int32_t width, std::int32_t height,
                        std::int32_t bit_count, std::int32_t user1, std::int32_t user2,
                        Platform& platform) {
  if (bit_count != 24) return DIB_BAD_FORMAT;
  // Sizes are checked before they are multiplied: the row and the block must fit in the signed
  // 32-bit fields of the record and of the info header.
  if (width < 0 || height < 0 || width > (INT32_MAX - 3) / 3) return DIB_BAD_SIZE;
  std::int32_t stride = width * 3;
  if (stride % 4 != 0) stride = stride / 4 * 4 + 4;
  if (height != 0 && stride > INT32_MAX / height) return DIB_BAD_SIZE;

  *img = DibImage{};
  img->user1 = user1;
  img->user2 = user2;
  img->width = width;
  img->height = height;
  img->bit_count = 24;
  img->stride = stride;
  img->platform = &platform;

  // Both blocks are asked for before either answer is looked at.
  img->header_handle = platform.mem_alloc(kDibHeaderBlockSize);
  img->bits_handle =
      platform.mem_alloc(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  if (img->header_handle == nullptr || img->bits_handle == nullptr) {
    if (img->header_handle != nullptr) platform.mem_free(img->header_handle);
    if (img->bits_handle != nullptr) platform.mem_free(img->bits_handle);
    img->header_handle = nullptr;
    img->bits_handle = nullptr;
    return DIB_NO_MEMORY;
  }
  img->header = static_cast<BITMAPINFOHEADER*>(platform.mem_lock(img->header_handle));
  img->bits = static_cast<std::uint8_t*>(platform.mem_lock(img->bits_handle));

  BITMAPINFOHEADER* h = img->header;
  h->biSize = 40;
  h->biWidth = width;
  h->biHeight = height;  // positive: rows stored bottom-up
  h->biPlanes = 1;
  h->biBitCount = static_cast<std::uint16_t>(bit_count);
  h->biCompression = 0;  // BI_RGB
  h->biSizeImage = 0;
  h->biXPelsPerMeter = 72;
  h->biYPelsPerMeter = 72;
  h->biClrUsed = 0;
  h->biClrImportant = 0;

  img->get_pixel = get_pixel24;
  img->set_pixel = set_pixel24;
  img->seek = seek24;
  img->put_next = put_next24;
  return DIB_OK;
}

std::int32_t dib_unlock(DibImage* img) {
  if (img != nullptr) {
    img->platform->mem_unlock(img->header_handle);
    img->platform->mem_unlock(img->bits_handle);
  }
  return 1;
}

std::int32_t dib_free(DibImage* img) {
  if (img != nullptr) {
    img->platform->mem_free(img->header_handle);
    img->platform->mem_free(img->bits_handle);
  }
  return 1;
}

}  // namespace pelnor
