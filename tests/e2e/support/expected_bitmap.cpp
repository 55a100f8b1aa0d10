#include "expected_bitmap.h"

namespace pelnor::e2e {

namespace {

void le16(testing::Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void le32(testing::Bytes& out, std::uint32_t v) {
  le16(out, v & 0xFFFFu);
  le16(out, v >> 16);
}

}  // namespace

testing::Bytes bmp_file(int width, int height, std::int32_t x_ppm, std::int32_t y_ppm,
                        const std::vector<Rgb>& picture) {
  const auto row_bytes = static_cast<std::uint32_t>((width * 3 + 3) / 4 * 4);
  const std::uint32_t image_bytes = row_bytes * static_cast<std::uint32_t>(height);
  testing::Bytes out = {'B', 'M'};
  le32(out, 54 + image_bytes);
  le32(out, 0);
  le32(out, 54);
  le32(out, 40);
  le32(out, static_cast<std::uint32_t>(width));
  le32(out, static_cast<std::uint32_t>(height));
  le16(out, 1);
  le16(out, 24);
  le32(out, 0);  // BI_RGB
  le32(out, 0);  // image size, may be 0 when uncompressed
  le32(out, static_cast<std::uint32_t>(x_ppm));
  le32(out, static_cast<std::uint32_t>(y_ppm));
  le32(out, 0);
  le32(out, 0);
  for (int row = height - 1; row >= 0; --row) {
    std::size_t row_start = out.size();
    for (int x = 0; x < width; ++x) {
      const Rgb& p = picture.at(static_cast<std::size_t>(row * width + x));
      out.insert(out.end(), {p[2], p[1], p[0]});
    }
    out.resize(row_start + row_bytes, 0);
  }
  return out;
}

}  // namespace pelnor::e2e
