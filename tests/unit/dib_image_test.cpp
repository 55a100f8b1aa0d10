// The 24-bit canvas: sizes, the header it fills, its four pixel operations, and its two memory
// blocks on every path.
#include "bitmap/dib_image.h"

#include <gtest/gtest.h>

#include <cstring>

#include "memory_platform.h"

namespace pelnor {
namespace {

using testing::MemoryPlatform;

class Canvas : public ::testing::Test {
 protected:
  void TearDown() override {
    if (made_) {
      dib_unlock(&img_);
      dib_free(&img_);
    }
    EXPECT_EQ(platform_.live_blocks(), 0);
  }
  void make(std::int32_t width, std::int32_t height) {
    ASSERT_EQ(dib_create(&img_, width, height, 24, 7, -9, platform_), DIB_OK);
    made_ = true;
  }
  std::uint8_t byte(std::int32_t row, std::int32_t offset) const {
    return img_.bits[row * img_.stride + offset];
  }

  MemoryPlatform platform_;
  DibImage img_{};
  bool made_ = false;
};

TEST_F(Canvas, StrideRoundsRowsUpToFourBytes) {
  const std::int32_t strides[] = {0, 4, 8, 12, 12, 16, 20, 24, 24};
  for (std::int32_t width = 0; width <= 8; ++width) {
    MemoryPlatform platform;
    DibImage img{};
    ASSERT_EQ(dib_create(&img, width, 3, 24, 0, 0, platform), DIB_OK) << width;
    EXPECT_EQ(img.stride, strides[width]) << width;
    EXPECT_EQ(img.width, width);
    EXPECT_EQ(img.height, 3);
    EXPECT_EQ(img.bit_count, 24);
    EXPECT_EQ(dib_unlock(&img), 1);
    EXPECT_EQ(dib_free(&img), 1);
    EXPECT_EQ(platform.live_blocks(), 0);
  }
}

TEST_F(Canvas, NewCanvasIsBlackIncludingPadding) {
  make(5, 3);
  EXPECT_EQ(img_.stride, 16);
  for (std::int32_t row = 0; row < 3; ++row) {
    for (std::int32_t offset = 0; offset < 16; ++offset) EXPECT_EQ(byte(row, offset), 0);
    for (std::int32_t x = 0; x < 5; ++x) EXPECT_EQ(img_.get_pixel(&img_, x, row), 0u);
  }
  EXPECT_EQ(img_.cursor, nullptr);
  EXPECT_EQ(img_.user1, 7);
  EXPECT_EQ(img_.user2, -9);
  EXPECT_EQ(img_.platform, &platform_);
  EXPECT_EQ(platform_.live_blocks(), 2);
  EXPECT_EQ(platform_.locked_blocks(), 2);
}

TEST_F(Canvas, HeaderOf160By120) {
  make(160, 120);
  EXPECT_EQ(img_.stride, 480);
  const BITMAPINFOHEADER& h = *img_.header;
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 160);
  EXPECT_EQ(h.biHeight, 120);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biCompression, 0u);
  EXPECT_EQ(h.biSizeImage, 0u);
  EXPECT_EQ(h.biXPelsPerMeter, 72);
  EXPECT_EQ(h.biYPelsPerMeter, 72);
  EXPECT_EQ(h.biClrUsed, 0u);
  EXPECT_EQ(h.biClrImportant, 0u);
  const auto* block = reinterpret_cast<const std::uint8_t*>(img_.header);
  for (int k = 40; k < 44; ++k) EXPECT_EQ(block[k], 0) << "header block byte " << k;
  // The whole pixel block can be written: 57600 bytes.
  img_.set_pixel(&img_, 159, 119, 0xFFFFFF00u);
  EXPECT_EQ(byte(119, 477), 0xFF);
  EXPECT_EQ(byte(119, 479), 0xFF);
}

TEST_F(Canvas, PixelByteOrderAndIgnoredLowBits) {
  make(3, 2);
  img_.set_pixel(&img_, 0, 0, 0x112233FFu);
  EXPECT_EQ(byte(0, 0), 0x33);
  EXPECT_EQ(byte(0, 1), 0x22);
  EXPECT_EQ(byte(0, 2), 0x11);
  EXPECT_EQ(img_.get_pixel(&img_, 0, 0), 0x11223300u);
  EXPECT_EQ(byte(0, 3), 0);

  img_.set_pixel(&img_, 2, 1, pack_pixel(0xAB, 0xCD, 0xEF) | 0x5A);
  EXPECT_EQ(byte(1, 6), 0xEF);
  EXPECT_EQ(byte(1, 7), 0xCD);
  EXPECT_EQ(byte(1, 8), 0xAB);
  for (int pad = 9; pad < 12; ++pad) EXPECT_EQ(byte(1, pad), 0);
  EXPECT_EQ(img_.get_pixel(&img_, 2, 1), 0xABCDEF00u);
  EXPECT_EQ(img_.get_pixel(&img_, 1, 1), 0u);
  EXPECT_EQ(pack_pixel(0x111, 0x22, 0x33), 0x11223300u);
}

TEST_F(Canvas, SeekThenPutNextAcrossASetPixel) {
  make(4, 3);
  img_.seek(&img_, 0, 2);
  EXPECT_EQ(img_.cursor, img_.bits + 2 * img_.stride);
  img_.put_next(&img_, pack_pixel(1, 2, 3));
  img_.set_pixel(&img_, 3, 0, pack_pixel(9, 9, 9));
  img_.put_next(&img_, pack_pixel(4, 5, 6));
  EXPECT_EQ(img_.cursor, img_.bits + 2 * img_.stride + 6);
  const std::uint8_t row2[] = {3, 2, 1, 6, 5, 4, 0, 0, 0, 0, 0, 0};
  for (int k = 0; k < 12; ++k) EXPECT_EQ(byte(2, k), row2[k]) << k;
  EXPECT_EQ(img_.get_pixel(&img_, 3, 0), pack_pixel(9, 9, 9));
  // A seek into the middle of a row, and put_next runs on without stopping at a row's end.
  img_.seek(&img_, 3, 0);
  img_.put_next(&img_, pack_pixel(7, 7, 7));
  img_.put_next(&img_, pack_pixel(8, 8, 8));
  EXPECT_EQ(img_.get_pixel(&img_, 3, 0), pack_pixel(7, 7, 7));
  EXPECT_EQ(byte(1, 0), 8) << "the pixel after column 3 lands at the start of the next row";
  EXPECT_EQ(img_.cursor, img_.bits + 15);
}

TEST_F(Canvas, OnlyTwentyFourBitsAreSupported) {
  for (std::int32_t bits : {8, 32, 0, 1, 16, -24}) {
    DibImage img;
    std::memset(&img, 0x5C, sizeof img);
    DibImage before;
    std::memcpy(&before, &img, sizeof img);
    EXPECT_NE(dib_create(&img, 4, 4, bits, 1, 2, platform_), DIB_OK) << bits;
    EXPECT_EQ(std::memcmp(&img, &before, sizeof img), 0) << "record touched for " << bits;
  }
  EXPECT_EQ(platform_.allocs, 0);
}

TEST_F(Canvas, SizesThatCannotBeMadeAreRefused) {
  struct Case {
    std::int32_t width, height;
  };
  const Case cases[] = {{-1, 4},         {4, -1},         {-5, -5},
                        {0x7FFFFFFF, 1}, {0x2AAAAAAB, 1}, {1, 0x7FFFFFFF},
                        {30000, 100000}, {65536, 65536},  {0x7FFFFFFF, 0x7FFFFFFF}};
  for (const Case& c : cases) {
    DibImage img;
    std::memset(&img, 0x5C, sizeof img);
    DibImage before;
    std::memcpy(&before, &img, sizeof img);
    const std::int32_t result = dib_create(&img, c.width, c.height, 24, 0, 0, platform_);
    EXPECT_EQ(result, DIB_BAD_SIZE) << c.width << " x " << c.height;
    EXPECT_EQ(std::memcmp(&img, &before, sizeof img), 0) << c.width << " x " << c.height;
    EXPECT_EQ(platform_.live_blocks(), 0);
  }
}

TEST_F(Canvas, AllocationFailureLeavesNoBlock) {
  for (int failing : {0, 1}) {
    MemoryPlatform platform;
    platform.fail_alloc_at = failing;
    DibImage img{};
    EXPECT_EQ(dib_create(&img, 4, 4, 24, 0, 0, platform), DIB_NO_MEMORY) << failing;
    EXPECT_EQ(platform.live_blocks(), 0) << failing;
    EXPECT_EQ(platform.allocs, 2) << "both blocks are asked for before either is looked at";
  }
}

TEST_F(Canvas, UnlockAndFree) {
  EXPECT_EQ(dib_unlock(nullptr), 1);
  EXPECT_EQ(dib_free(nullptr), 1);
  DibImage img{};
  ASSERT_EQ(dib_create(&img, 2, 2, 24, 0, 0, platform_), DIB_OK);
  EXPECT_EQ(platform_.locked_blocks(), 2);
  EXPECT_EQ(dib_unlock(&img), 1);
  EXPECT_EQ(platform_.locked_blocks(), 0);
  EXPECT_EQ(platform_.live_blocks(), 2);
  EXPECT_EQ(dib_free(&img), 1);
  EXPECT_EQ(platform_.live_blocks(), 0);
}

}  // namespace
}  // namespace pelnor
