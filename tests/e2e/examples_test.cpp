// The sample files in examples/ open in the tool and give up their thumbnails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/expected_text.h"
#include "support/tool_run.h"

namespace pelnor::e2e {
namespace {

using testing::Bytes;

Bytes example(const std::string& name) {
  std::ifstream in(std::filesystem::path(PELNOR_SOURCE_DIR) / "examples" / name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t le32_at(const Bytes& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes.at(at) | bytes.at(at + 1) << 8 | bytes.at(at + 2) << 16 |
                                    bytes.at(at + 3) << 24);
}

TEST(Examples, EverySampleGivesItsThumbnail) {
  const struct {
    const char* name;
    const char* out_name;
    std::string_view kind;
    std::size_t out_size;
    std::uint32_t width;
    std::uint32_t height;
  } cases[] = {
      {"tags.jpg", "tags.jpg.thumb.jpg", kJpegKind, 316, 0, 0},
      {"thumb-jpeg.jpg", "thumb-jpeg.jpg.thumb.jpg", kJpegKind, 316, 0, 0},
      {"thumb-rgb.jpg", "thumb-rgb.jpg.thumb.bmp", kRgbKind, 54 + 120 * 30, 40, 30},
      {"thumb-ycbcr.jpg", "thumb-ycbcr.jpg.thumb.bmp", kYCbCrKind, 54 + 124 * 30, 41, 30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes bytes = example(c.name);
    ASSERT_FALSE(bytes.empty());
    Outcome outcome = run_tool({file(c.name, bytes)}, {"-o", c.name});
    EXPECT_EQ(after_last_ifd1_dump(outcome.out), native_text(extraction(c.out_name, c.kind)));
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.exit_code, 0);
    const Bytes& written = outcome.files[c.out_name];
    ASSERT_EQ(written.size(), c.out_size);
    if (c.kind == kJpegKind) {
      EXPECT_EQ(written, testing::tiny_jpeg());
    } else {
      EXPECT_EQ(le32_at(written, 18), c.width);
      EXPECT_EQ(le32_at(written, 22), c.height);
      EXPECT_EQ(le32_at(written, 38), 2835u) << "72 dpi";
      EXPECT_EQ(le32_at(written, 42), 2835u) << "72 dpi";
    }
  }
}

TEST(Examples, TagsSampleShowsEveryDecodedLine) {
  Outcome outcome = run_tool({file("tags.jpg", example("tags.jpg"))}, {"tags.jpg"});
  const char* lines[] = {
      "\tImageWidth: 16\n",
      "\tImageLength: 12\n",
      "\tBitsPerSample: 8 8 8 \n",
      "\tCompression: [JPEG]\n",
      "\tPhotometricInterpretation: [YCbCr]\n",
      "\t[Pelnor]\n",
      "\t[Sample Camera]\n",
      "\tOrientation: [Normal]\n",
      "\tResolutionUnit: [Inch]\n",
      "\t[make_samples]\n",
      "\t[2024:05:17 10:30:00]\n",
      "\tYCbCrCoefficients: LumaRed[299/1000] LumaGreen[587/1000] LumaBlue[114/1000] \n",
      "\tYCbCrSubSampling: Horiz[2] Vert[1]\n",
      "\tYCbCrSubPositioning: 2\n",
      "\tReferenceBlackWhite: \n\t\t Y-Balck[0/1]  Y-White[255/1] \n"
      "\t\tCb-Balck[128/1] Cb-White[255/1]\n\t\tCr-Balck[128/1] Cr-White[255/1]\n",
      "\tCompression: [Other]\n",
      "\tJPEG Thumbnail Length: 316\n",
      "thumbnail exist [JPEG]\n",
  };
  for (const char* line : lines) {
    EXPECT_NE(outcome.out.find(native_text(line)), std::string::npos) << line;
  }
  EXPECT_EQ(outcome.exit_code, 0);
}

}  // namespace
}  // namespace pelnor::e2e
