// The canvas contract the tool never exercises from the command line: get_pixel, refused formats
// and sizes. The record, the header and the blocks given back are held by the golden cases.
#include <gtest/gtest.h>

#include <cstring>

#include "bitmap/dib_image.h"
#include "memory_platform.h"

namespace pelnor {
namespace {

using testing::MemoryPlatform;

// The strides of widths 1 to 5 are in the bitmaps of the golden cases.
TEST(Canvas, RefusedRequests) {
  MemoryPlatform platform;
  const struct {
    int width, height, bit_count, fail_alloc, result;
  } refused[] = {{2, 2, 8, -1, DIB_BAD_FORMAT},         {2, 2, 32, -1, DIB_BAD_FORMAT},
                 {-1, 2, 24, -1, DIB_BAD_SIZE},         {2, -1, 24, -1, DIB_BAD_SIZE},
                 {0x2AAAAAAA, 1, 24, -1, DIB_BAD_SIZE}, {0x10000, 0x10000, 24, -1, DIB_BAD_SIZE},
                 {2, 2, 24, 0, DIB_NO_MEMORY},          {2, 2, 24, 1, DIB_NO_MEMORY}};
  for (const auto& r : refused) {
    SCOPED_TRACE(::testing::Message() << r.width << "x" << r.height << " fail " << r.fail_alloc);
    platform.fail_alloc = platform.allocs + r.fail_alloc;
    DibImage img, before;
    std::memset(&img, 0x5A, sizeof img);
    before = img;
    EXPECT_EQ(dib_create(&img, r.width, r.height, r.bit_count, 0, 0, platform), r.result);
    if (r.result != DIB_NO_MEMORY) EXPECT_EQ(std::memcmp(&img, &before, sizeof img), 0);
    EXPECT_TRUE(platform.blocks.empty());
  }
}

TEST(Canvas, PixelOperations) {
  MemoryPlatform platform;
  DibImage img;
  ASSERT_EQ(dib_create(&img, 3, 3, 24, 0, 0, platform), DIB_OK);
  EXPECT_EQ(platform.blocks.at(img.bits_handle)->bytes, testing::Bytes(36, 0));
  EXPECT_EQ(std::pair(img.header->biXPelsPerMeter, img.header->biYPelsPerMeter), std::pair(72, 72));
  img.set_pixel(&img, 0, 0, 0x112233FF);  // bits 0-7 carry nothing
  EXPECT_EQ(testing::Bytes(img.bits, img.bits + 3), (testing::Bytes{0x33, 0x22, 0x11}));
  EXPECT_EQ(img.get_pixel(&img, 0, 0), 0x11223300u);
  img.set_pixel(&img, 2, 1, 0xA0B0C000);
  EXPECT_EQ(img.get_pixel(&img, 2, 1), 0xA0B0C000u);
  EXPECT_EQ(img.bits[12 + 6], 0xC0);
  img.seek(&img, 0, 2);
  img.put_next(&img, 0x01020300);
  img.set_pixel(&img, 1, 0, 0x04050600);  // leaves the cursor where it is
  img.put_next(&img, 0x07080900);
  EXPECT_EQ(img.cursor, img.bits + 2 * 12 + 6);
  EXPECT_EQ(testing::Bytes(img.bits + 24, img.bits + 36),
            (testing::Bytes{3, 2, 1, 9, 8, 7, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(img.get_pixel(&img, 1, 0), 0x04050600u);
  dib_unlock(&img);
  dib_free(&img);
}

}  // namespace
}  // namespace pelnor
