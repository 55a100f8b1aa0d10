#include "bitmap/bmp_writer.h"

#include <cstdint>

namespace pelnor {
namespace {

void put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v) {
  put16(p, v);
  put16(p + 2, v >> 16);
}

}  // namespace

std::int32_t write_bmp(FileHandle file, const BITMAPINFOHEADER* info_header,
                       const std::uint8_t* bits, Platform& platform) {
  const std::uint32_t color_table_size = 0;  // a 24-bit bitmap has no colour table
  const std::uint32_t off_bits = info_header->biSize + kBmpFileHeaderSize + color_table_size;
  std::uint32_t row_bytes = static_cast<std::uint32_t>(info_header->biWidth) * 3;
  if (row_bytes % 4 != 0) row_bytes = row_bytes / 4 * 4 + 4;
  const std::uint32_t image_bytes = row_bytes * static_cast<std::uint32_t>(info_header->biHeight);

  // BITMAPFILEHEADER, little-endian field by field: bfType "BM", bfSize, two reserved words,
  // bfOffBits.
  std::uint8_t file_header[kBmpFileHeaderSize] = {};
  put16(file_header + 0, 0x4D42);
  put32(file_header + 2, off_bits + image_bytes);
  put32(file_header + 10, off_bits);

  if (!write_whole(platform, file, file_header, kBmpFileHeaderSize)) return 0;
  if (!write_whole(platform, file, info_header, info_header->biSize + color_table_size)) return 0;
  if (!write_whole(platform, file, bits, image_bytes)) return 0;
  return 1;
}

}  // namespace pelnor
