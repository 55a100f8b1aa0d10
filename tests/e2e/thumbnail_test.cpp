// Thumbnails through the tool: the report line, the JPEG copy, and RGB and YCbCr strips turned
// into BMP files, compared byte for byte.
#include <gtest/gtest.h>

#include <functional>

#include "support/expected_bitmap.h"
#include "support/expected_text.h"
#include "support/sample_files.h"
#include "support/tool_run.h"

namespace pelnor::e2e {
namespace {

using testing::Bytes;
using testing::ExifBuilder;
using testing::Order;
namespace tag = testing::tag;

const char* order_name(Order order) { return order == Order::kII ? "II" : "MM"; }

// Runs "-o t.jpg" and checks the lines after the IFD1 dump, standard error, the exit code and
// the one file written.
void expect_thumbnail(const ExifBuilder& b, std::string_view kind_line, const Bytes& written,
                      const char* out_name = "t.jpg.thumb.bmp") {
  Outcome outcome = run_tool({file("t.jpg", b.build())}, {"-o", "t.jpg"});
  EXPECT_EQ(after_last_ifd1_dump(outcome.out), native_text(extraction(out_name, kind_line)))
      << outcome.out;
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.files.size(), 2u);
  EXPECT_EQ(outcome.files[out_name], written);
}

// ---- JPEG ----

TEST(JpegThumbnail, ReportedWithoutOutputOption) {
  for (Order order : {Order::kII, Order::kMM}) {
    SCOPED_TRACE(order_name(order));
    expect_run({file("photo.jpg", jpeg_thumbnail_file(order))}, {"photo.jpg"},
               {jpeg_thumbnail_dump() + std::string(kJpegKind), "", 0, {}});
  }
}

TEST(JpegThumbnail, CopiedBesideTheInput) {
  for (Order order : {Order::kII, Order::kMM}) {
    SCOPED_TRACE(order_name(order));
    expect_run({file("photo.jpg", jpeg_thumbnail_file(order))}, {"-o", "photo.jpg"},
               {jpeg_thumbnail_dump() + "Createing thumbnail file[photo.jpg.thumb.jpg]...\n"
                                        "thumbnail exist [JPEG]\n"
                                        "done[photo.jpg.thumb.jpg]\n",
                "",
                0,
                {{"photo.jpg.thumb.jpg", testing::tiny_jpeg()}}});
  }
}

TEST(JpegThumbnail, StreamIsCopiedAsItStands) {
  // Any bytes after FF D8 are copied unchanged, and only jpeg_length of them.
  Bytes stream = {0xFF, 0xD8, 0x00, 0x01, 0x02, 0xFE, 0x0D, 0x0A, 0x1A, 0xFF};
  ExifBuilder b(Order::kMM);
  Bytes with_tail = stream;
  with_tail.insert(with_tail.end(), {0xAA, 0xBB, 0xCC});
  const int blob = b.add_blob(with_tail);
  b.ifd1()
      .add_blob_offset(tag::kJpegOffset, blob)
      .add_long(tag::kJpegLength, static_cast<std::uint32_t>(stream.size()));
  expect_thumbnail(b, kJpegKind, stream, "t.jpg.thumb.jpg");
}

TEST(JpegThumbnail, ExistingOutputIsReplaced) {
  expect_run({file("photo.jpg", jpeg_thumbnail_file(Order::kII)),
              file("photo.jpg.thumb.jpg", Bytes(5000, 'x'))},
             {"-o", "photo.jpg"},
             {jpeg_thumbnail_dump() + extraction("photo.jpg.thumb.jpg", kJpegKind),
              "",
              0,
              {{"photo.jpg.thumb.jpg", testing::tiny_jpeg()}}});
}

TEST(JpegThumbnail, OutputThatCannotBeCreatedIsSkipped) {
  const std::string long_name = std::string(246, 'n') + ".jpg";  // 250 characters
  const struct {
    const char* name;
    std::string input;
    std::vector<Input> obstacles;
  } cases[] = {
      {"a directory has the output's name", "photo.jpg", {directory("photo.jpg.thumb.jpg")}},
      {"the output's name is too long for the system", long_name, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Input> inputs = c.obstacles;
    inputs.push_back(file(c.input, jpeg_thumbnail_file(Order::kII)));
    inputs.push_back(file("next.jpg", jpeg_thumbnail_file(Order::kMM)));
    const std::string out_name = c.input + ".thumb.jpg";
    expect_run(inputs, {"-o", c.input, "next.jpg"},
               {jpeg_thumbnail_dump() + creating_line(out_name) + cannot_create_line(out_name) +
                    jpeg_thumbnail_dump() + extraction("next.jpg.thumb.jpg", kJpegKind),
                "",
                0,
                {{"next.jpg.thumb.jpg", testing::tiny_jpeg()}}});
  }
}

TEST(JpegThumbnail, OutputNameHasNoLengthLimitOfItsOwn) {
  std::string dir;
  for (int i = 0; i < 6; ++i) dir += std::string(200, static_cast<char>('a' + i)) + "/";
  const std::string input = dir + "photo.jpg";
  ASSERT_GT(input.size(), 1100u);
  expect_run({file(input, jpeg_thumbnail_file(Order::kII))}, {"-o", input},
             {jpeg_thumbnail_dump() + extraction(input + ".thumb.jpg", kJpegKind),
              "",
              0,
              {{input + ".thumb.jpg", testing::tiny_jpeg()}}});
}

TEST(JpegThumbnail, EntriesThatDoNotMakeAJpegThumbnail) {
  const struct {
    const char* name;
    std::function<void(ExifBuilder&)> build;
  } cases[] = {
      {"no FF D8 at the offset",
       [](ExifBuilder& b) {
         int blob = b.add_blob({0xFF, 0xD9, 1, 2});
         b.ifd1().add_blob_offset(tag::kJpegOffset, blob).add_long(tag::kJpegLength, 4);
       }},
      {"offset of type SHORT",
       [](ExifBuilder& b) {
         int blob = b.add_blob({0xFF, 0xD8, 1, 2});
         b.ifd1()
             .add_blob_offset(tag::kJpegOffset, blob, testing::type::kShort)
             .add_long(tag::kJpegLength, 4);
       }},
      {"length 0",
       [](ExifBuilder& b) {
         int blob = b.add_blob({0xFF, 0xD8, 1, 2});
         b.ifd1().add_blob_offset(tag::kJpegOffset, blob).add_long(tag::kJpegLength, 0);
       }},
      {"no length",
       [](ExifBuilder& b) {
         int blob = b.add_blob({0xFF, 0xD8, 1, 2});
         b.ifd1().add_blob_offset(tag::kJpegOffset, blob);
       }},
      {"length of type SHORT",
       [](ExifBuilder& b) {
         int blob = b.add_blob({0xFF, 0xD8, 1, 2});
         b.ifd1().add_blob_offset(tag::kJpegOffset, blob).add_short(tag::kJpegLength, 4);
       }},
  };
  for (Order order : {Order::kII, Order::kMM}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " " + order_name(order));
      ExifBuilder b(order);
      c.build(b);
      Outcome outcome = run_tool({file("t.jpg", b.build())}, {"-o", "t.jpg"});
      EXPECT_EQ(after_last_ifd1_dump(outcome.out), native_text(kNoThumbnail));
      EXPECT_EQ(outcome.exit_code, 0);
      EXPECT_EQ(outcome.files.size(), 1u) << "nothing may be written";
    }
  }
}

TEST(JpegThumbnail, LengthBeforeOffsetAndCompressionIgnored) {
  ExifBuilder b(Order::kII);
  const int blob = b.add_blob(testing::tiny_jpeg());
  b.ifd1()
      .add_long(tag::kJpegLength, static_cast<std::uint32_t>(testing::tiny_jpeg().size()))
      .add_short(tag::kCompression, 1)
      .add_short(tag::kPhotometric, 2)
      .add_blob_offset(tag::kJpegOffset, blob);
  expect_thumbnail(b, kJpegKind, testing::tiny_jpeg(), "t.jpg.thumb.jpg");
}

// ---- RGB ----

const Bytes kRgb2x2 = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0};

TEST(RgbThumbnail, TwoByTwoGivesTheSeventyByteBitmap) {
  // clang-format off
  const Bytes bmp = {
      'B',  'M',  70,   0,    0,    0,    0,    0,    0,    0,    54,   0,    0,    0,
      40,   0,    0,    0,    2,    0,    0,    0,    2,    0,    0,    0,    1,    0,
      24,   0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
      0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
      0x90, 0x80, 0x70, 0xC0, 0xB0, 0xA0, 0x00, 0x00,  // memory row 0: the bottom row
      0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0x00, 0x00,
  };
  // clang-format on
  // IFD1 at 14 holds ten entries (126 bytes); BitsPerSample's three values follow at 140, the
  // strip at 146.
  const std::string ifd1_dump =
      entry_line(0x1c, 256, "SHORT", 3, 1, 2) + "\tImageWidth: 2\n" +
      entry_line(0x28, 257, "SHORT", 3, 1, 2) + "\tImageLength: 2\n" +
      entry_line(0x34, 258, "SHORT", 3, 3, 140) + "\tBitsPerSample: 8 8 8 \n" +
      entry_line(0x40, 259, "SHORT", 3, 1, 1) + "\tCompression: [No Compression]\n" +
      entry_line(0x4c, 262, "SHORT", 3, 1, 2) + "\tPhotometricInterpretation: [RGB]\n" +
      entry_line(0x58, 273, "LONG", 4, 1, 146) + "\tStripOffsets: 146\n" +
      entry_line(0x64, 277, "SHORT", 3, 1, 3) + "\tSamplesPerPixel: 3\n" +
      entry_line(0x70, 278, "SHORT", 3, 1, 2) + "\tRowsPerStrip: 2\n" +
      entry_line(0x7c, 279, "LONG", 4, 1, 12) + "\tStripByteCounts: 12\n" +
      entry_line(0x88, 284, "SHORT", 3, 1, 1) + "\tPlanarConfiguration: [Chunk]\n";
  for (Order order : {Order::kII, Order::kMM}) {
    SCOPED_TRACE(order_name(order));
    ExifBuilder b(order);
    add_rgb_thumbnail(b, 2, 2, kRgb2x2);
    const std::string dump =
        std::string(kIfd0Heading) + "\n" + std::string(kIfd1Heading) + ifd1_dump + "\n";
    expect_run({file("photo.jpg", b.build())}, {"photo.jpg"},
               {dump + std::string(kRgbKind), "", 0, {}});
    expect_run({file("photo.jpg", b.build())}, {"-o", "photo.jpg"},
               {dump + "Createing thumbnail file[photo.jpg.thumb.bmp]...\n"
                       "thumbnail exist [TIFF/RGB]\n"
                       "done[photo.jpg.thumb.bmp]\n",
                "",
                0,
                {{"photo.jpg.thumb.bmp", bmp}}});
  }
}

TEST(RgbThumbnail, RowsArePaddedAndStoredBottomUp) {
  // 3 x 2: 9 bytes of pixels and 3 of padding per row.
  const Bytes strip = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  const std::vector<Rgb> picture = {{1, 2, 3},    {4, 5, 6},    {7, 8, 9},
                                    {10, 11, 12}, {13, 14, 15}, {16, 17, 18}};
  for (Order order : {Order::kII, Order::kMM}) {
    SCOPED_TRACE(order_name(order));
    ExifBuilder b(order);
    add_rgb_thumbnail(b, 3, 2, strip);
    expect_thumbnail(b, kRgbKind, bmp_file(3, 2, 0, 0, picture));
  }
}

TEST(RgbThumbnail, ResolutionInPixelsPerMetre) {
  const struct {
    const char* name;
    std::function<void(testing::Ifd&)> add;
    std::int32_t x_ppm;
    std::int32_t y_ppm;
  } cases[] = {
      {"none", [](testing::Ifd&) {}, 0, 0},
      {"72 dpi, unit inch",
       [](testing::Ifd& d) {
         d.add_rational(tag::kXResolution, 72, 1)
             .add_rational(tag::kYResolution, 72, 1)
             .add_short(tag::kResolutionUnit, 2);
       },
       2835, 2835},
      {"72 dpi, no unit means inch",
       [](testing::Ifd& d) {
         d.add_rational(tag::kXResolution, 72, 1).add_rational(tag::kYResolution, 72, 1);
       },
       2835, 2835},
      {"300 x 150 dpi",
       [](testing::Ifd& d) {
         d.add_rational(tag::kXResolution, 300, 1)
             .add_rational(tag::kYResolution, 300, 2)
             .add_short(tag::kResolutionUnit, 2);
       },
       11811, 5906},
      {"72 per centimetre",
       [](testing::Ifd& d) {
         d.add_rational(tag::kXResolution, 72, 1)
             .add_rational(tag::kYResolution, 72, 1)
             .add_short(tag::kResolutionUnit, 3);
       },
       7200, 7200},
      {"centimetres given before the resolutions",
       [](testing::Ifd& d) {
         d.add_short(tag::kResolutionUnit, 3)
             .add_rational(tag::kXResolution, 1, 3)
             .add_rational(tag::kYResolution, 2, 3);
       },
       33, 67},
      {"only XResolution", [](testing::Ifd& d) { d.add_rational(tag::kXResolution, 72, 1); }, 2835,
       0},
  };
  for (Order order : {Order::kII, Order::kMM}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " " + order_name(order));
      ExifBuilder b(order);
      add_rgb_thumbnail(b, 2, 2, kRgb2x2);
      c.add(b.ifd1());
      const std::vector<Rgb> picture = {
          {0x10, 0x20, 0x30}, {0x40, 0x50, 0x60}, {0x70, 0x80, 0x90}, {0xA0, 0xB0, 0xC0}};
      expect_thumbnail(b, kRgbKind, bmp_file(2, 2, c.x_ppm, c.y_ppm, picture));
    }
  }
}

// ---- YCbCr ----

TEST(YCbCrThumbnail, FiveColoursWithTheDefaultCoefficients) {
  const Bytes strip = {15, 128, 128, 235, 128, 128, 15, 128, 0, 235, 128, 255, 0, 0, 0};
  const std::vector<Rgb> picture = {
      {0, 0, 0}, {220, 220, 220}, {0, 91, 0}, {255, 202, 220}, {0, 120, 0}};
  for (Order order : {Order::kII, Order::kMM}) {
    SCOPED_TRACE(order_name(order));
    ExifBuilder b(order);
    add_ycbcr_thumbnail(b, 5, 1, 1, 1, strip);
    expect_thumbnail(b, kYCbCrKind, bmp_file(5, 1, 0, 0, picture));
  }
}

TEST(YCbCrThumbnail, CoefficientsAndBlackLevelsFromTheFile) {
  const Bytes strip = {235, 128, 128, 100, 200, 50, 16, 16, 240};
  for (Order order : {Order::kII, Order::kMM}) {
    SCOPED_TRACE(order_name(order));
    ExifBuilder b(order);
    add_ycbcr_thumbnail(b, 3, 1, 1, 1, strip);
    b.ifd1().add_rationals(tag::kReferenceBlackWhite,
                           {{0, 1}, {255, 1}, {128, 1}, {255, 1}, {128, 1}, {255, 1}});
    expect_thumbnail(b, kYCbCrKind,
                     bmp_file(3, 1, 0, 0, {{235, 235, 235}, {0, 130, 227}, {173, 0, 0}}));
    // BT.709 luma weights as well.
    b.ifd1().add_rationals(tag::kYCbCrCoefficients, {{2126, 10000}, {7152, 10000}, {722, 10000}});
    expect_thumbnail(b, kYCbCrKind,
                     bmp_file(3, 1, 0, 0, {{235, 235, 235}, {0, 122, 233}, {192, 0, 0}}));
  }
}

TEST(YCbCrThumbnail, BlocksOfEverySubsampling) {
  // Luma samples count up by 6 from 40 in strip order; block j has Cb 100 + 20j and
  // Cr 160 - 10j. Samples of pixels outside the picture are read and dropped.
  const struct {
    const char* name;
    std::uint16_t width, height, h, v;
    Bytes strip;
    std::vector<Rgb> picture;
  } cases[] = {
      // clang-format off
      {"1 x 1", 2, 2, 1, 1,
       {40, 100, 160, 46, 120, 150, 52, 140, 140, 58, 160, 130},
       {{69, 12, 0}, {61, 18, 16}, {53, 24, 58}, {45, 31, 99}}},
      {"2 x 1, odd width", 3, 2, 2, 1,
       {40, 46, 100, 160, 52, 58, 120, 150, 64, 70, 140, 140, 76, 82, 160, 130},
       {{69, 12, 0}, {75, 18, 0}, {67, 24, 22}, {65, 36, 70}, {71, 42, 76}, {63, 49, 117}}},
      {"2 x 2, odd width and height", 3, 3, 2, 2,
       {40, 46, 52, 58, 100, 160, 64, 70, 76, 82, 120, 150,
        88, 94, 100, 106, 140, 140, 112, 118, 124, 130, 160, 130},
       {{69, 12, 0}, {75, 18, 0}, {79, 36, 34},
        {81, 24, 0}, {87, 30, 0}, {91, 48, 46},
        {89, 60, 94}, {95, 66, 100}, {99, 85, 153}}},
      {"4 x 2, width and height not multiples", 5, 3, 4, 2,
       {40, 46, 52, 58, 64, 70, 76, 82, 100, 160,
        88, 94, 100, 106, 112, 118, 124, 130, 120, 150,
        136, 142, 148, 154, 160, 166, 172, 178, 140, 140,
        184, 190, 196, 202, 208, 214, 220, 226, 160, 130},
       {{69, 12, 0}, {75, 18, 0}, {81, 24, 0}, {87, 30, 0}, {103, 60, 58},
        {93, 36, 0}, {99, 42, 5}, {105, 48, 11}, {111, 54, 17}, {127, 84, 82},
        {137, 108, 142}, {143, 114, 148}, {149, 120, 154}, {155, 126, 160}, {171, 157, 225}}},
      // clang-format on
  };
  for (Order order : {Order::kII, Order::kMM}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " " + order_name(order));
      ExifBuilder b(order);
      add_ycbcr_thumbnail(b, c.width, c.height, c.h, c.v, c.strip);
      expect_thumbnail(b, kYCbCrKind, bmp_file(c.width, c.height, 0, 0, c.picture));
    }
  }
}

TEST(YCbCrThumbnail, ReportedWithoutOutputOption) {
  ExifBuilder b(Order::kMM);
  add_ycbcr_thumbnail(b, 2, 1, 2, 1, {100, 100, 128, 128});
  Outcome outcome = run_tool({file("t.jpg", b.build())}, {"t.jpg"});
  EXPECT_EQ(after_last_ifd1_dump(outcome.out), native_text(kYCbCrKind));
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.files.size(), 1u);
}

}  // namespace
}  // namespace pelnor::e2e
