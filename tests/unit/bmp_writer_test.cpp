// Writing a canvas as a BMP file: the file header, the sizes, and the three writes.
#include "bitmap/bmp_writer.h"

#include <gtest/gtest.h>

#include "memory_platform.h"
#include "tiff_bytes.h"

namespace pelnor {
namespace {

using testing::MemoryPlatform;
using unit::Bytes;

class BmpWriter : public ::testing::Test {
 protected:
  void make(std::int32_t width, std::int32_t height) {
    ASSERT_EQ(dib_create(&img_, width, height, 24, 0, 0, platform_), DIB_OK);
    made_ = true;
    // Every pixel different, so that rows and columns can be told apart in the file.
    for (std::int32_t y = 0; y < height; ++y) {
      for (std::int32_t x = 0; x < width; ++x) {
        img_.set_pixel(&img_, x, y,
                       pack_pixel(static_cast<std::uint32_t>(0x10 * y + x),
                                  0x80u + static_cast<std::uint32_t>(x),
                                  0xC0u + static_cast<std::uint32_t>(y)));
      }
    }
  }
  std::int32_t write(const char* name = "out.bmp") {
    const FileHandle file = platform_.create_write(name);
    const std::int32_t result = write_bmp(file, img_.header, img_.bits, platform_);
    platform_.close(file);
    return result;
  }
  void TearDown() override {
    if (made_) {
      dib_unlock(&img_);
      dib_free(&img_);
    }
  }

  MemoryPlatform platform_;
  DibImage img_{};
  bool made_ = false;
};

TEST_F(BmpWriter, ThreeByTwo) {
  make(3, 2);
  ASSERT_EQ(write(), 1);
  const Bytes& file = platform_.file("out.bmp");
  ASSERT_EQ(file.size(), 78u);
  EXPECT_EQ(
      Bytes(file.begin(), file.begin() + 14),
      (Bytes{0x42, 0x4D, 0x4E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00}));
  const auto* header = reinterpret_cast<const std::uint8_t*>(img_.header);
  EXPECT_EQ(Bytes(file.begin() + 14, file.begin() + 54), Bytes(header, header + 40));
  EXPECT_EQ(Bytes(file.begin() + 54, file.end()), Bytes(img_.bits, img_.bits + 24));
  // Bottom row first, blue-green-red, three bytes of padding per row.
  EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 66),
            (Bytes{0xC0, 0x80, 0x00, 0xC0, 0x81, 0x01, 0xC0, 0x82, 0x02, 0, 0, 0}));
  EXPECT_EQ(Bytes(file.begin() + 66, file.end()),
            (Bytes{0xC1, 0x80, 0x10, 0xC1, 0x81, 0x11, 0xC1, 0x82, 0x12, 0, 0, 0}));
  EXPECT_EQ(platform_.writes, 3);
}

TEST_F(BmpWriter, RowPadding) {
  struct Case {
    std::int32_t width, height;
    std::uint32_t size;
  };
  const Case cases[] = {{4, 1, 66}, {1, 2, 62}, {2, 1, 62}, {5, 2, 86}, {0, 3, 54}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    MemoryPlatform platform;
    DibImage img{};
    ASSERT_EQ(dib_create(&img, c.width, c.height, 24, 0, 0, platform), DIB_OK);
    const FileHandle file = platform.create_write("x.bmp");
    EXPECT_EQ(write_bmp(file, img.header, img.bits, platform), 1);
    platform.close(file);
    const Bytes& bytes = platform.file("x.bmp");
    ASSERT_EQ(bytes.size(), c.size);
    EXPECT_EQ(unit::le32(bytes, 2), c.size) << "bfSize";
    EXPECT_EQ(unit::le32(bytes, 10), 54u) << "bfOffBits";
    dib_unlock(&img);
    dib_free(&img);
  }
}

TEST_F(BmpWriter, TheFourBytesAfterTheInfoHeaderNeverAppear) {
  make(1, 1);
  auto* block = reinterpret_cast<std::uint8_t*>(img_.header);
  for (int k = 40; k < 44; ++k) block[k] = 0xEE;
  img_.set_pixel(&img_, 0, 0, pack_pixel(1, 2, 3));
  ASSERT_EQ(write(), 1);
  const Bytes& file = platform_.file("out.bmp");
  ASSERT_EQ(file.size(), 58u);
  EXPECT_EQ(Bytes(file.begin() + 54, file.end()), (Bytes{3, 2, 1, 0}));
}

TEST_F(BmpWriter, HeaderFieldsAreWrittenAsTheyStand) {
  make(2, 2);
  img_.header->biXPelsPerMeter = 2835;
  img_.header->biYPelsPerMeter = 20000;
  ASSERT_EQ(write(), 1);
  const Bytes& file = platform_.file("out.bmp");
  EXPECT_EQ(unit::le32(file, 14 + 24), 2835u);
  EXPECT_EQ(unit::le32(file, 14 + 28), 20000u);
}

TEST_F(BmpWriter, AFailedOrShortWriteStopsTheRest) {
  // Bytes in the file after each write: 14, 54, 78.
  const std::size_t before[] = {0, 14, 54};
  const std::uint32_t asked[] = {14, 40, 24};
  for (int failing = 0; failing < 3; ++failing) {
    for (auto fault : {MemoryPlatform::WriteFault::kFail, MemoryPlatform::WriteFault::kShort}) {
      SCOPED_TRACE("write " + std::to_string(failing) +
                   (fault == MemoryPlatform::WriteFault::kFail ? " fails" : " is short"));
      MemoryPlatform platform;
      platform.fail_write_at = failing;
      platform.write_fault = fault;
      DibImage img{};
      ASSERT_EQ(dib_create(&img, 3, 2, 24, 0, 0, platform), DIB_OK);
      const FileHandle file = platform.create_write("x.bmp");
      EXPECT_EQ(write_bmp(file, img.header, img.bits, platform), 0);
      EXPECT_EQ(platform.writes, failing + 1) << "later writes are not attempted";
      const std::size_t partial =
          fault == MemoryPlatform::WriteFault::kShort ? asked[failing] / 2 : 0;
      EXPECT_EQ(platform.file("x.bmp").size(), before[failing] + partial);
      platform.close(file);
      dib_unlock(&img);
      dib_free(&img);
    }
  }
}

}  // namespace
}  // namespace pelnor
