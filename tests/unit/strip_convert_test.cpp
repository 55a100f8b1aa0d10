// Uncompressed strips onto the canvas, and the BMP file with its outcome lines.
#include "bitmap/strip_convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "memory_platform.h"
#include "tiff_bytes.h"

namespace pelnor {
namespace {

using testing::MemoryPlatform;
using unit::Bytes;
using unit::HeapBytes;

struct Rgb {
  std::uint32_t r, g, b;
  bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rgb& p) {
  return os << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

class Strip : public ::testing::Test {
 protected:
  void TearDown() override {
    if (made_) {
      dib_unlock(&img_);
      dib_free(&img_);
    }
    EXPECT_EQ(platform_.live_blocks(), 0);
  }
  void make(const ThumbInfo& t) {
    ASSERT_EQ(dib_create(&img_, t.width, t.height, 24, 0, 0, platform_), DIB_OK);
    made_ = true;
  }
  Rgb at(std::int32_t x, std::int32_t memory_row) const {
    const std::uint32_t p = img_.get_pixel(&img_, x, memory_row);
    return {p >> 24, (p >> 16) & 0xFF, (p >> 8) & 0xFF};
  }
  Bytes row(std::int32_t memory_row) const {
    const std::uint8_t* p = img_.bits + memory_row * img_.stride;
    return Bytes(p, p + img_.stride);
  }

  MemoryPlatform platform_;
  DibImage img_{};
  bool made_ = false;
};

ThumbInfo rgb_thumb(std::int32_t width, std::int32_t height) {
  ThumbInfo t;
  t.kind = THUMB_TIFF_RGB;
  t.photometric = 2;
  t.width = width;
  t.height = height;
  return t;
}

ThumbInfo ycc_thumb(std::int32_t width, std::int32_t height, std::int32_t h, std::int32_t v) {
  ThumbInfo t = rgb_thumb(width, height);
  t.kind = THUMB_TIFF_YCBCR;
  t.photometric = 6;
  t.subsampling_h = h;
  t.subsampling_v = v;
  return t;
}

const Bytes kRgb2x2 = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0};

TEST_F(Strip, RgbTwoByTwo) {
  const ThumbInfo t = rgb_thumb(2, 2);
  make(t);
  const HeapBytes source(kRgb2x2);
  convert_rgb_strip(&img_, t, source.data());
  EXPECT_EQ(img_.stride, 8);
  EXPECT_EQ(row(0), (Bytes{0x90, 0x80, 0x70, 0xC0, 0xB0, 0xA0, 0, 0}));
  EXPECT_EQ(row(1), (Bytes{0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0, 0}));
}

TEST_F(Strip, RgbRowsGoBottomUpWithPaddingUntouched) {
  const ThumbInfo t = rgb_thumb(3, 3);
  make(t);
  Bytes src;
  for (std::uint8_t k = 0; k < 27; ++k) src.push_back(static_cast<std::uint8_t>(k + 1));
  const HeapBytes source(src);
  convert_rgb_strip(&img_, t, source.data());
  for (std::int32_t r = 0; r < 3; ++r) {
    for (std::int32_t x = 0; x < 3; ++x) {
      const std::uint32_t first = static_cast<std::uint32_t>(9 * r + 3 * x + 1);
      EXPECT_EQ(at(x, 2 - r), (Rgb{first, first + 1, first + 2})) << "picture row " << r;
    }
    for (int pad = 9; pad < 12; ++pad) EXPECT_EQ(row(r)[static_cast<std::size_t>(pad)], 0);
  }
}

// One pixel with the defaults of detection: 0.299, 0.587, 0.114 and black levels 15, 128, 128.
TEST_F(Strip, YcbcrColours) {
  struct Case {
    std::uint8_t y, cb, cr;
    Rgb rgb;
  };
  const Case cases[] = {
      {15, 128, 128, {0, 0, 0}},        {235, 128, 128, {220, 220, 220}},
      {15, 128, 0, {0, 91, 0}},          // the negative red feeds green before it is raised
      {235, 128, 255, {255, 202, 220}},  // the red capped at 255 feeds green
      {0, 0, 0, {0, 120, 0}},           {255, 255, 255, {255, 229, 255}},
  };
  const ThumbInfo t = ycc_thumb(1, 1, 1, 1);
  make(t);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << int{c.y} << " " << int{c.cb} << " " << int{c.cr});
    const HeapBytes source(Bytes{c.y, c.cb, c.cr});
    convert_ycbcr_strip(&img_, t, source.data());
    EXPECT_EQ(at(0, 0), c.rgb);
  }
}

TEST_F(Strip, NonFiniteAndHugeResults) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    double coefficients[3];
    double black[3];  // Y, Cb, Cr
    std::uint8_t y, cb, cr;
    Rgb rgb;
  };
  const Case cases[] = {
      {"LumaGreen 0", {0.299, 0, 0.114}, {15, 128, 128}, 235, 128, 128, {220, 0, 220}},
      {"LumaGreen 0, 0/0", {0.299, 0, 0.114}, {15, 128, 128}, 15, 128, 128, {0, 0, 0}},
      {"Y black NaN", {0.299, 0.587, 0.114}, {nan, 128, 128}, 235, 128, 200, {100, 0, 0}},
      {"Cr black infinite", {0.299, 0.587, 0.114}, {15, 128, inf}, 100, 0, 128, {85, 128, 0}},
      {"LumaRed NaN", {nan, 0.587, 0.114}, {15, 128, 128}, 15, 128, 200, {0, 0, 0}},
      {"red beyond 32 bits", {-1e12, 0.587, 0.114}, {15, 128, 128}, 15, 128, 255, {255, 255, 0}},
  };
  ThumbInfo t = ycc_thumb(1, 1, 1, 1);
  make(t);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int k = 0; k < 3; ++k) {
      t.ycbcr_coefficients[k] = c.coefficients[k];
      t.reference_black_white[2 * k] = c.black[k];
      t.reference_black_white[2 * k + 1] = nan;  // the white levels play no part
    }
    const HeapBytes source(Bytes{c.y, c.cb, c.cr});
    convert_ycbcr_strip(&img_, t, source.data());
    EXPECT_EQ(at(0, 0), c.rgb);
  }
}

// With LumaRed = LumaBlue = 0.5, LumaGreen = 1 and black levels 0, a pixel comes out as
// red = Y + Cr, blue = Y + Cb, green 0: red names the luma sample and blue - red the block.
ThumbInfo exact(ThumbInfo t) {
  t.ycbcr_coefficients[0] = 0.5;
  t.ycbcr_coefficients[1] = 1;
  t.ycbcr_coefficients[2] = 0.5;
  for (int k = 0; k < 6; k += 2) t.reference_black_white[k] = 0;
  return t;
}

TEST_F(Strip, YcbcrTwoByOneBlocksInOrder) {
  const ThumbInfo t = exact(ycc_thumb(4, 2, 2, 1));
  make(t);
  const HeapBytes source(Bytes{1, 2, 10, 0, 3, 4, 20, 0, 5, 6, 30, 0, 7, 8, 40, 0});
  convert_ycbcr_strip(&img_, t, source.data());
  const Rgb top[] = {{1, 0, 11}, {2, 0, 12}, {3, 0, 23}, {4, 0, 24}};
  const Rgb bottom[] = {{5, 0, 35}, {6, 0, 36}, {7, 0, 47}, {8, 0, 48}};
  for (std::int32_t x = 0; x < 4; ++x) {
    EXPECT_EQ(at(x, 1), top[x]) << x;
    EXPECT_EQ(at(x, 0), bottom[x]) << x;
  }
}

TEST_F(Strip, YcbcrTwoByTwoBlock) {
  const ThumbInfo t = exact(ycc_thumb(2, 2, 2, 2));
  make(t);
  const HeapBytes source(Bytes{1, 2, 3, 4, 10, 100});
  convert_ycbcr_strip(&img_, t, source.data());
  EXPECT_EQ(at(0, 1), (Rgb{101, 0, 11}));
  EXPECT_EQ(at(1, 1), (Rgb{102, 0, 12}));
  EXPECT_EQ(at(0, 0), (Rgb{103, 0, 13}));
  EXPECT_EQ(at(1, 0), (Rgb{104, 0, 14}));
}

// Blocks at the right and bottom edges are whole in the strip; their pixels outside the
// picture are dropped and nothing lands in the row padding.
TEST_F(Strip, YcbcrEdgeBlocks) {
  struct Case {
    std::int32_t width, height, h, v;
  };
  const Case cases[] = {{3, 3, 2, 2}, {5, 3, 4, 2}, {3, 2, 1, 1}, {1, 1, 2, 2},
                        {5, 1, 2, 1}, {2, 5, 1, 2}, {7, 3, 4, 1}, {1, 7, 4, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " by " << c.h << "x" << c.v);
    MemoryPlatform platform;
    const ThumbInfo t = exact(ycc_thumb(c.width, c.height, c.h, c.v));
    DibImage img{};
    ASSERT_EQ(dib_create(&img, c.width, c.height, 24, 0, 0, platform), DIB_OK);
    // Luma samples numbered 1, 2, ... in strip order; Cb = 100 + block, Cr = 0.
    const std::int32_t across = (c.width + c.h - 1) / c.h;
    const std::int32_t down = (c.height + c.v - 1) / c.v;
    Bytes src;
    std::vector<Rgb> want(static_cast<std::size_t>(c.width * c.height), Rgb{0, 0, 0});
    std::uint32_t luma = 1;
    for (std::int32_t by = 0; by < down; ++by) {
      for (std::int32_t bx = 0; bx < across; ++bx) {
        const std::uint32_t cb = 100 + static_cast<std::uint32_t>(by * across + bx);
        for (std::int32_t dy = 0; dy < c.v; ++dy) {
          for (std::int32_t dx = 0; dx < c.h; ++dx, ++luma) {
            src.push_back(static_cast<std::uint8_t>(luma));
            const std::int32_t x = bx * c.h + dx, y = by * c.v + dy;
            if (x < c.width && y < c.height) {
              want[static_cast<std::size_t>(y * c.width + x)] = Rgb{luma, 0, luma + cb};
            }
          }
        }
        src.push_back(static_cast<std::uint8_t>(cb));
        src.push_back(0);
      }
    }
    ASSERT_LT(luma + 100 + static_cast<std::uint32_t>(across * down), 255u);
    ASSERT_EQ(src.size(), strip_bytes(t));
    const HeapBytes source(src);
    convert_ycbcr_strip(&img, t, source.data());
    for (std::int32_t y = 0; y < c.height; ++y) {
      for (std::int32_t x = 0; x < c.width; ++x) {
        const std::uint32_t p = img.get_pixel(&img, x, c.height - 1 - y);
        EXPECT_EQ((Rgb{p >> 24, (p >> 16) & 0xFF, (p >> 8) & 0xFF}),
                  want[static_cast<std::size_t>(y * c.width + x)])
            << "picture pixel " << x << ", " << y;
      }
      for (std::int32_t pad = 3 * c.width; pad < img.stride; ++pad) {
        EXPECT_EQ(img.bits[y * img.stride + pad], 0) << "padding of memory row " << y;
      }
    }
    dib_unlock(&img);
    dib_free(&img);
  }
}

// --- write_bmp_thumbnail ---------------------------------------------------------------------

struct Written {
  std::string out;
  Bytes file;
};

Written write_thumbnail(MemoryPlatform& platform, const ThumbInfo& t, const Bytes& strip) {
  // The strip right after an 8-byte TIFF header; the data read ends with it.
  Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
  tiff.insert(tiff.end(), strip.begin(), strip.end());
  const HeapBytes data(tiff);
  ThumbInfo placed = t;
  placed.strip_offset = 8;
  const FileHandle file = platform.create_write("photo.jpg.thumb.bmp");
  Written w;
  w.out = unit::stdout_of(
      [&] { write_bmp_thumbnail(file, placed, data.tiff(), "photo.jpg.thumb.bmp", platform); });
  EXPECT_EQ(platform.open_handles(), 1) << "the file is the caller's to close";
  platform.close(file);
  w.file = platform.file("photo.jpg.thumb.bmp");
  EXPECT_EQ(platform.live_blocks(), 0) << "the canvas is freed on every path";
  return w;
}

TEST(WriteBmpThumbnail, RgbFile) {
  MemoryPlatform platform;
  const Written w = write_thumbnail(platform, rgb_thumb(2, 2), kRgb2x2);
  EXPECT_EQ(w.out, "thumbnail exist [TIFF/RGB]\ndone[photo.jpg.thumb.bmp]\n");
  ASSERT_EQ(w.file.size(), 70u);
  EXPECT_EQ(Bytes(w.file.begin(), w.file.begin() + 2), (Bytes{'B', 'M'}));
  EXPECT_EQ(unit::le32(w.file, 2), 70u);
  EXPECT_EQ(unit::le32(w.file, 10), 54u);
  EXPECT_EQ(unit::le32(w.file, 14), 40u);
  EXPECT_EQ(unit::le32(w.file, 18), 2u);
  EXPECT_EQ(unit::le32(w.file, 22), 2u);
  EXPECT_EQ(unit::le32(w.file, 14 + 24), 0u) << "no resolution in the record: 0, not 72";
  EXPECT_EQ(unit::le32(w.file, 14 + 28), 0u);
  EXPECT_EQ(
      Bytes(w.file.begin() + 54, w.file.end()),
      (Bytes{0x90, 0x80, 0x70, 0xC0, 0xB0, 0xA0, 0, 0, 0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0, 0}));
}

TEST(WriteBmpThumbnail, YcbcrFileWithResolution) {
  MemoryPlatform platform;
  ThumbInfo t = ycc_thumb(2, 1, 2, 1);
  t.x_resolution = 2835;
  t.y_resolution = 20000;
  const Written w = write_thumbnail(platform, t, Bytes{235, 15, 128, 128});
  EXPECT_EQ(w.out, "thumbnail exist [TIFF/YCbCr]\ndone[photo.jpg.thumb.bmp]\n");
  ASSERT_EQ(w.file.size(), 62u);
  EXPECT_EQ(unit::le32(w.file, 14 + 24), 2835u);
  EXPECT_EQ(unit::le32(w.file, 14 + 28), 20000u);
  EXPECT_EQ(Bytes(w.file.begin() + 54, w.file.end()), (Bytes{220, 220, 220, 0, 0, 0, 0, 0}));
}

TEST(WriteBmpThumbnail, NoCanvasNoMoreLines) {
  for (int failing : {0, 1}) {
    SCOPED_TRACE(failing);
    MemoryPlatform platform;
    platform.fail_alloc_at = failing;
    const Written w = write_thumbnail(platform, rgb_thumb(2, 2), kRgb2x2);
    EXPECT_EQ(w.out, "thumbnail exist [TIFF/RGB]\n");
    EXPECT_TRUE(w.file.empty());
    EXPECT_EQ(platform.writes, 0);
  }
}

TEST(WriteBmpThumbnail, WriteErrors) {
  for (int failing = 0; failing < 3; ++failing) {
    for (auto fault : {MemoryPlatform::WriteFault::kFail, MemoryPlatform::WriteFault::kShort}) {
      SCOPED_TRACE(failing);
      MemoryPlatform platform;
      platform.fail_write_at = failing;
      platform.write_fault = fault;
      const Written w = write_thumbnail(platform, ycc_thumb(2, 1, 2, 1), Bytes{1, 2, 3, 4});
      EXPECT_EQ(w.out,
                "thumbnail exist [TIFF/YCbCr]\nFile Write error for [photo.jpg.thumb.bmp]\n");
      EXPECT_EQ(platform.writes, failing + 1);
      EXPECT_EQ(platform.locked_blocks(), 0);
    }
  }
}

TEST(WriteBmpThumbnail, OtherKindsDoNothing) {
  for (std::int32_t kind : {std::int32_t{THUMB_NONE}, std::int32_t{THUMB_JPEG}, 4, -1}) {
    MemoryPlatform platform;
    ThumbInfo t = rgb_thumb(2, 2);
    t.kind = kind;
    const Written w = write_thumbnail(platform, t, kRgb2x2);
    EXPECT_EQ(w.out, "") << kind;
    EXPECT_TRUE(w.file.empty());
    EXPECT_EQ(platform.allocs, 0);
  }
}

}  // namespace
}  // namespace pelnor
