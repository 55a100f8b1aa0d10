// Damaged files: what the tool does when offsets, counts and data run past the bytes it read.
// Every row of the README's table of damaged input is here at least once.
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
using testing::Ifd;
using testing::Order;
namespace tag = testing::tag;
namespace type = testing::type;

const char* order_name(Order order) { return order == Order::kII ? "II" : "MM"; }

std::string str(std::string_view text) { return std::string(text); }

Bytes cut(Bytes bytes, std::size_t length) {
  bytes.resize(length);
  return bytes;
}

// ---- The head of the file ----

TEST(DamagedInput, ShortFiles) {
  const std::string ifd0_beyond = str(kIfd0Heading) + str(kIfdBeyond) + "\n" + str(kNoIfd1);
  const struct {
    std::size_t length;
    std::string out;
    int exit_code;
  } cases[] = {
      {0, str(kNotExif), 1},
      {5, str(kNotExif), 1},
      {11, str(kNotExif), 1},      // identifier incomplete
      {12, str(kNoByteOrder), 0},  // byte-order mark missing
      {13, str(kNoByteOrder), 0},  // half of it
      {19, ifd0_beyond, 1},        // IFD0 offset incomplete
      {20, ifd0_beyond, 1},        // IFD0's entry count missing
      {21, ifd0_beyond, 1},
      {22, str(kIfd0Heading) + "\n" + str(kNoIfd1), 1},  // next-IFD field missing
      {25, str(kIfd0Heading) + "\n" + str(kNoIfd1), 1},
      {27,
       str(kIfd0Heading) + "\n" + str(kIfd1Heading) + str(kIfdBeyond) + "\n" + str(kNoThumbnail),
       0},  // IFD1's entry count incomplete
  };
  for (Order order : {Order::kII, Order::kMM}) {
    const Bytes whole = jpeg_thumbnail_file(order);
    const std::string whole_out = jpeg_thumbnail_dump() + str(kJpegKind);
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::Message() << c.length << " bytes " << order_name(order));
      expect_run({file("short.jpg", cut(whole, c.length))}, {"-o", "short.jpg"},
                 {c.out, "", c.exit_code, {}});
      // After a sound file the buffer still holds its bytes; none of them may be taken for the
      // short file's.
      expect_run({file("long.jpg", whole), file("short.jpg", cut(whole, c.length))},
                 {"long.jpg", "short.jpg"}, {whole_out + c.out, "", c.exit_code, {}});
    }
  }
}

TEST(DamagedInput, Ifd0OffsetBeyondTheData) {
  for (std::uint32_t offset : {40u, 0x7FF4u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(offset);
    ExifBuilder b(Order::kMM);
    b.ifd1();
    Bytes bytes = b.build();
    testing::poke32(bytes, 16, offset, Order::kMM);
    expect_run({file("f.jpg", bytes)}, {"f.jpg"},
               {str(kIfd0Heading) + str(kIfdBeyond) + "\n" + str(kNoIfd1), "", 1, {}});
  }
}

// ---- Entries ----

void add_five_inline_entries(Ifd& ifd) {
  ifd.add_short(tag::kCompression, 1)
      .add_short(tag::kOrientation, 6)
      .add_short(tag::kSamplesPerPixel, 3)
      .add_shorts(tag::kYCbCrSubSampling, {2, 2})
      .add_short(tag::kResolutionUnit, 3);
}

TEST(DamagedInput, Ifd0EntriesBeyondTheData) {
  const std::string two_entries =
      entry_line(0x16, 259, "SHORT", 3, 1, 1) + "\tCompression: [No Compression]\n" +
      entry_line(0x22, 274, "SHORT", 3, 1, 6) + "\tOrientation: [clockwise 90 degrees]\n";
  // Entry k lies at file offsets 22 + 12k to 33 + 12k; the third begins at 46.
  for (std::size_t length : {46u, 51u, 57u}) {
    for (Order order : {Order::kII, Order::kMM}) {
      SCOPED_TRACE(::testing::Message() << length << " bytes " << order_name(order));
      ExifBuilder b(order);
      add_five_inline_entries(b.ifd0());
      b.ifd1();
      b.truncate(length);
      expect_run({file("f.jpg", b.build())}, {"f.jpg"},
                 {str(kIfd0Heading) + two_entries + "\t<3 of 5 entries beyond the data read>\n" +
                      "\n" + str(kNoIfd1),
                  "",
                  1,
                  {}});
    }
  }
}

TEST(DamagedInput, Ifd0NextFieldBeyondTheData) {
  for (Order order : {Order::kII, Order::kMM}) {
    SCOPED_TRACE(order_name(order));
    ExifBuilder b(order);
    b.ifd0().add_short(tag::kOrientation, 8);
    add_jpeg_thumbnail(b, testing::tiny_jpeg());
    b.truncate(36);  // the next-IFD field lies at 34-37
    expect_run({file("f.jpg", b.build())}, {"-o", "f.jpg"},
               {str(kIfd0Heading) + entry_line(0x16, 274, "SHORT", 3, 1, 8) +
                    "\tOrientation: [counter-clockwise 90 degrees]\n\n" + str(kNoIfd1),
                "",
                1,
                {}});
  }
}

TEST(DamagedInput, Ifd1BeyondTheDataSkipsOnlyTheThumbnail) {
  for (std::uint32_t offset : {26u, 1000u, 0x8000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(offset);
    Bytes bytes = smallest_file();                   // 32 bytes, IFD1 at TIFF offset 14
    testing::poke32(bytes, 22, offset, Order::kII);  // IFD0's next-IFD field
    expect_run(
        {file("f.jpg", bytes), file("g.jpg", jpeg_thumbnail_file(Order::kII))},
        {"-o", "f.jpg", "g.jpg"},
        {str(kIfd0Heading) + "\n" + str(kIfd1Heading) + str(kIfdBeyond) + "\n" + str(kNoThumbnail) +
             jpeg_thumbnail_dump() + extraction("g.jpg.thumb.jpg", kJpegKind),
         "",
         0,
         {{"g.jpg.thumb.jpg", testing::tiny_jpeg()}}});
  }
}

TEST(DamagedInput, Ifd1EntriesBeyondTheDataMeanNoThumbnail) {
  // The stream at TIFF offset 14, IFD1 after it at 330: its first two entries would make a
  // JPEG thumbnail, the third is cut off.
  for (std::size_t cut_into_third : {0u, 1u, 11u}) {
    for (Order order : {Order::kII, Order::kMM}) {
      SCOPED_TRACE(::testing::Message() << cut_into_third << " " << order_name(order));
      ExifBuilder b(order);
      const int blob = b.add_blob_at(testing::tiny_jpeg(), 14);
      b.ifd1_at(330);
      b.ifd1()
          .add_blob_offset(tag::kJpegOffset, blob)
          .add_long(tag::kJpegLength, 316)
          .add_short(tag::kCompression, 6);
      b.truncate(testing::Layout::entry_position(330, 2) + cut_into_third);
      expect_run({file("f.jpg", b.build())}, {"-o", "f.jpg"},
                 {str(kIfd0Heading) + "\n" + str(kIfd1Heading) +
                      entry_line(0x158, 513, "LONG", 4, 1, 14) + "\tJPEG Thumbnail Offset: 14\n" +
                      entry_line(0x164, 514, "LONG", 4, 1, 316) + "\tJPEG Thumbnail Length: 316\n" +
                      "\t<1 of 3 entries beyond the data read>\n\n" + str(kNoThumbnail),
                  "",
                  0,
                  {}});
    }
  }
}

// ---- Values at an offset ----

// One entry in IFD0 (its data at TIFF offset 32, file offset 44) and an empty IFD1.
constexpr std::size_t kDataStart = 44;
constexpr std::uint32_t kFirstData = 32;

struct ValueCase {
  std::string name;
  std::function<void(Ifd&)> add;
  std::size_t length;  // the file is cut here
  std::string lines;
};

void expect_value_cases(const std::vector<ValueCase>& cases) {
  for (Order order : {Order::kII, Order::kMM}) {
    for (const ValueCase& c : cases) {
      SCOPED_TRACE(c.name + " " + order_name(order));
      ExifBuilder b(order);
      c.add(b.ifd0());
      b.ifd1();
      b.truncate(c.length);
      expect_run({file("f.jpg", b.build())}, {"f.jpg"}, {dump_with_empty_ifd1(c.lines), "", 0, {}});
    }
  }
}

std::string first_line(std::uint16_t t, std::string_view name, std::uint16_t ty,
                       std::uint32_t count, std::uint32_t value) {
  return entry_line(0x16, t, name, ty, count, value);
}

TEST(DamagedInput, ValuesRunningPastTheData) {
  const std::string beyond = str(kBeyond);
  auto bits = [](Ifd& d) { d.add_shorts(tag::kBitsPerSample, {8, 8, 8}); };
  auto coefficients = [](Ifd& d) {
    d.add_rationals(tag::kYCbCrCoefficients, {{299, 1000}, {587, 1000}, {114, 1000}});
  };
  auto reference = [](Ifd& d) {
    d.add_rationals(tag::kReferenceBlackWhite,
                    {{0, 1}, {255, 1}, {128, 1}, {255, 1}, {128, 1}, {255, 1}});
  };
  expect_value_cases({
      {"BitsPerSample, one value inside", bits, kDataStart + 2,
       first_line(258, "SHORT", 3, 3, kFirstData) + "\tBitsPerSample: 8 " + beyond + "\n"},
      {"BitsPerSample, none inside", bits, kDataStart,
       first_line(258, "SHORT", 3, 3, kFirstData) + "\tBitsPerSample: " + beyond + "\n"},
      {"BitsPerSample, offset near 2^32",
       [](Ifd& d) { d.add_raw(tag::kBitsPerSample, type::kShort, 3, 0xFFFFFFFE); }, 1000,
       first_line(258, "SHORT", 3, 3, 0xFFFFFFFE) + "\tBitsPerSample: " + beyond + "\n"},
      {"BitsPerSample, count near 2^32",
       [](Ifd& d) {
         d.add_shorts(tag::kBitsPerSample, {8, 8, 8}).with_count(0x80000001);
       },
       1000,
       first_line(258, "SHORT", 3, 0x80000001, kFirstData) + "\tBitsPerSample: 8 8 8 " + beyond +
           "\n"},
      {"YCbCrCoefficients, two rationals inside", coefficients, kDataStart + 16,
       first_line(529, "RATIONAL", 5, 3, kFirstData) +
           "\tYCbCrCoefficients: LumaRed[299/1000] LumaGreen[587/1000] " + beyond + "\n"},
      {"YCbCrCoefficients, none inside", coefficients, kDataStart,
       first_line(529, "RATIONAL", 5, 3, kFirstData) + "\tYCbCrCoefficients: " + beyond + "\n"},
      {"ReferenceBlackWhite, three rationals inside", reference, kDataStart + 24,
       first_line(532, "RATIONAL", 5, 6, kFirstData) +
           "\tReferenceBlackWhite: \n"
           "\t\t Y-Balck[0/1]  Y-White[255/1] \n"
           "\t\tCb-Balck[128/1] " +
           beyond + "\n"},
  });
}

TEST(DamagedInput, TextsRunningPastTheData) {
  const std::string beyond = " " + str(kBeyond);
  auto hello = [](Ifd& d) { d.add_text(tag::kSoftware, "Hello", 40); };
  expect_value_cases({
      {"zero byte inside", hello, kDataStart + 8,
       first_line(305, "ASCII", 2, 40, kFirstData) + "\t[Hello]" + beyond + "\n"},
      {"no zero byte inside", hello, kDataStart + 3,
       first_line(305, "ASCII", 2, 40, kFirstData) + "\t[Hel]" + beyond + "\n"},
      {"offset beyond the data", [](Ifd& d) { d.add_raw(tag::kSoftware, type::kAscii, 10, 5000); },
       1000, first_line(305, "ASCII", 2, 10, 5000) + "\t[]" + beyond + "\n"},
      {"offset near 2^32", [](Ifd& d) { d.add_raw(tag::kSoftware, type::kAscii, 10, 0xFFFFFFFC); },
       1000, first_line(305, "ASCII", 2, 10, 0xFFFFFFFC) + "\t[]" + beyond + "\n"},
      // The count fits, but the text has no zero byte before the data end: it ends there.
      {"no zero byte before the end", [](Ifd& d) { d.add_text(tag::kSoftware, "Hello!", 6); }, 1000,
       first_line(305, "ASCII", 2, 6, kFirstData) + "\t[Hello!]\n"},
  });
}

TEST(DamagedInput, InlineTextWithoutZeroEndsWithTheData) {
  for (Order order : {Order::kII, Order::kMM}) {
    SCOPED_TRACE(order_name(order));
    ExifBuilder b(order);
    b.ifd0().add_text(tag::kImageDescription, "ABCD", 4);
    b.ifd1();
    b.truncate(34);  // just after the entry: the next-IFD field is gone too
    expect_run({file("f.jpg", b.build())}, {"f.jpg"},
               {str(kIfd0Heading) + first_line(270, "ASCII", 2, 4, 0x44434241) + "\t[ABCD]\n\n" +
                    str(kNoIfd1),
                "",
                1,
                {}});
  }
}

// ---- Thumbnail data ----

// The lines after the IFD1 dump, with -o, and the files left.
void expect_no_thumbnail(const Bytes& bytes) {
  Outcome outcome = run_tool({file("t.jpg", bytes)}, {"-o", "t.jpg"});
  EXPECT_EQ(after_last_ifd1_dump(outcome.out), native_text(kNoThumbnail)) << outcome.out;
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.files.size(), 1u) << "nothing may be written";
}

TEST(DamagedInput, JpegSignatureBeyondTheData) {
  for (Order order : {Order::kII, Order::kMM}) {
    SCOPED_TRACE(order_name(order));
    {
      // FF is the last byte of the file; D8 would follow.
      ExifBuilder b(order);
      const int blob = b.add_blob({0xFF});
      b.ifd1().add_blob_offset(tag::kJpegOffset, blob).add_long(tag::kJpegLength, 100);
      expect_no_thumbnail(b.build());
    }
    for (std::uint32_t offset : {5000u, 0xFFFFFFFFu}) {
      ExifBuilder b(order);
      b.ifd1().add_long(tag::kJpegOffset, offset).add_long(tag::kJpegLength, 100);
      expect_no_thumbnail(b.build());
    }
  }
}

// IFD1 of an uncompressed thumbnail written entry by entry, so that any of them can be left out
// or changed.
struct StripThumb {
  std::uint32_t width = 2;
  std::uint32_t height = 2;
  std::uint16_t photometric = 2;
  bool strip_offsets = true;
  std::vector<std::uint16_t> subsampling;  // none when empty
  Bytes strip = Bytes(12, 0x80);
  std::function<void(Ifd&)> more = [](Ifd&) {};
};

Bytes strip_file(Order order, const StripThumb& t) {
  ExifBuilder b(order);
  const int blob = b.add_blob(t.strip);
  Ifd& d = b.ifd1();
  d.add_long(tag::kImageWidth, t.width)
      .add_long(tag::kImageLength, t.height)
      .add_shorts(tag::kBitsPerSample, {8, 8, 8})
      .add_short(tag::kCompression, 1)
      .add_short(tag::kPhotometric, t.photometric);
  if (t.strip_offsets) d.add_blob_offset(tag::kStripOffsets, blob);
  d.add_short(tag::kSamplesPerPixel, 3)
      .add_long(tag::kRowsPerStrip, t.height)
      .add_long(tag::kStripByteCounts, static_cast<std::uint32_t>(t.strip.size()))
      .add_short(tag::kPlanarConfiguration, 1);
  if (!t.subsampling.empty()) d.add_shorts(tag::kYCbCrSubSampling, t.subsampling);
  t.more(d);
  return b.build();
}

TEST(DamagedInput, StripThumbnailsThatCannotBeWritten) {
  auto ycbcr = [](std::vector<std::uint16_t> subsampling, Bytes strip) {
    StripThumb t;
    t.photometric = 6;
    t.subsampling = std::move(subsampling);
    t.strip = std::move(strip);
    return t;
  };
  auto rgb = [](std::function<void(StripThumb&)> change) {
    StripThumb t;
    change(t);
    return t;
  };
  const struct {
    const char* name;
    StripThumb thumb;
  } cases[] = {
      {"width 0", rgb([](StripThumb& t) { t.width = 0; })},
      {"height 0", rgb([](StripThumb& t) { t.height = 0; })},
      {"negative width", rgb([](StripThumb& t) { t.width = 0xFFFFFFFF; })},
      {"negative height", rgb([](StripThumb& t) { t.height = 0x80000000; })},
      {"no StripOffsets", rgb([](StripThumb& t) { t.strip_offsets = false; })},
      {"RGB strip one byte short", rgb([](StripThumb& t) { t.strip.pop_back(); })},
      {"RGB strip offset near 2^32", rgb([](StripThumb& t) {
         t.more = [](Ifd& d) { d.add_long(tag::kStripOffsets, 0xFFFFFFF0); };
       })},
      {"RGB strip far too large", rgb([](StripThumb& t) {
         t.width = 0x10000;
         t.height = 0x10000;
       })},
      {"BitsPerSample values beyond the data", rgb([](StripThumb& t) {
         t.more = [](Ifd& d) { d.add_raw(tag::kBitsPerSample, type::kShort, 3, 60000); };
       })},
      {"YCbCr without subsampling", ycbcr({}, Bytes(8, 0x80))},
      {"YCbCr horizontal factor 0", ycbcr({0, 1}, Bytes(8, 0x80))},
      {"YCbCr vertical factor 0", ycbcr({2, 0}, Bytes(8, 0x80))},
      // 2 x 2 with 4:2:0 would need one block of 6 bytes; 3 x 2 with 4:2:2 two whole blocks
      // per band, 16 bytes.
      {"YCbCr strip one byte short", ycbcr({2, 2}, Bytes(5, 0x80))},
      {"YCbCr edge blocks cut",
       [&] {
         StripThumb t = ycbcr({2, 1}, Bytes(14, 0x80));
         t.width = 3;
         return t;
       }()},
      {"YCbCrCoefficients beyond the data",
       [&] {
         StripThumb t = ycbcr({2, 1}, Bytes(8, 0x80));
         t.more = [](Ifd& d) { d.add_raw(tag::kYCbCrCoefficients, type::kRational, 3, 60000); };
         return t;
       }()},
      {"ReferenceBlackWhite beyond the data",
       [&] {
         StripThumb t = ycbcr({2, 1}, Bytes(8, 0x80));
         t.more = [](Ifd& d) { d.add_raw(tag::kReferenceBlackWhite, type::kRational, 6, 60000); };
         return t;
       }()},
  };
  for (Order order : {Order::kII, Order::kMM}) {
    // The sound variants are written, so each damaged one differs from a good file by its
    // damage alone.
    SCOPED_TRACE(order_name(order));
    {
      Outcome rgb_ok = run_tool({file("t.jpg", strip_file(order, StripThumb{}))}, {"-o", "t.jpg"});
      EXPECT_EQ(after_last_ifd1_dump(rgb_ok.out),
                native_text(extraction("t.jpg.thumb.bmp", kRgbKind)));
      Outcome ycc_ok = run_tool({file("t.jpg", strip_file(order, ycbcr({2, 1}, Bytes(8, 0x80))))},
                                {"-o", "t.jpg"});
      EXPECT_EQ(after_last_ifd1_dump(ycc_ok.out),
                native_text(extraction("t.jpg.thumb.bmp", kYCbCrKind)));
    }
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      expect_no_thumbnail(strip_file(order, c.thumb));
    }
  }
}

TEST(DamagedInput, YCbCrArithmeticOutOfRange) {
  const struct {
    const char* name;
    std::vector<testing::Rational> coefficients;
    Bytes block;
    Rgb pixel;
  } cases[] = {
      // 0/0 gives NaN: green, divided by it, is not a number and becomes 0.
      {"LumaGreen 0/0", {{299, 1000}, {0, 0}, {114, 1000}}, {235, 128, 128}, {220, 0, 220}},
      // Red far beyond 2^31 saturates, is capped at 255, and so feeds green as 255.
      {"LumaRed -1e9",
       {{0xC4653600, 1}, {587, 1000}, {114, 1000}},
       {235, 128, 255},
       {255, 255, 220}},
  };
  for (Order order : {Order::kII, Order::kMM}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " " + order_name(order));
      ExifBuilder b(order);
      add_ycbcr_thumbnail(b, 1, 1, 1, 1, c.block);
      b.ifd1().add_rationals(tag::kYCbCrCoefficients, c.coefficients, type::kSrational);
      Outcome outcome = run_tool({file("t.jpg", b.build())}, {"-o", "t.jpg"});
      EXPECT_EQ(after_last_ifd1_dump(outcome.out),
                native_text(extraction("t.jpg.thumb.bmp", kYCbCrKind)));
      EXPECT_EQ(outcome.files["t.jpg.thumb.bmp"], bmp_file(1, 1, 0, 0, {c.pixel}));
    }
  }
}

// A JPEG stream of `length` bytes declared at TIFF offset `offset`, of which `present` bytes
// are in the file.
Bytes jpeg_stream_file(Order order, std::uint32_t offset, std::uint32_t length,
                       std::uint32_t present) {
  ExifBuilder b(order);
  Bytes stream(present, 0x55);
  stream[0] = 0xFF;
  stream[1] = 0xD8;
  const int blob = b.add_blob_at(stream, offset);
  b.ifd1().add_blob_offset(tag::kJpegOffset, blob).add_long(tag::kJpegLength, length);
  return b.build();
}

TEST(DamagedInput, JpegStreamRunningPastTheDataRead) {
  const std::string out_name = "t.jpg.thumb.jpg";
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"past the 32768 bytes read", jpeg_stream_file(Order::kII, 32000, 2000, 2000)},
      {"by one byte past 32768", jpeg_stream_file(Order::kMM, 32440, 317, 317)},
      {"past the end of a short file", jpeg_stream_file(Order::kMM, 100, 1000, 300)},
      {"length near 2^32", jpeg_stream_file(Order::kII, 100, 0xFFFFFFF0, 300)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome report = run_tool({file("t.jpg", c.bytes)}, {"t.jpg"});
    EXPECT_EQ(after_last_ifd1_dump(report.out), native_text(kJpegKind));
    Outcome outcome = run_tool({file("t.jpg", c.bytes)}, {"-o", "t.jpg"});
    EXPECT_EQ(after_last_ifd1_dump(outcome.out),
              native_text(creating_line(out_name) + str(kJpegKind) + write_error_line(out_name)));
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(outcome.files.size(), 2u);
    EXPECT_EQ(outcome.files[out_name], Bytes()) << "a .thumb.jpg is whole or empty";
  }
  // Ending exactly at the last byte read is still whole.
  const Bytes last = jpeg_stream_file(Order::kII, 32768 - 12 - 316, 316, 316);
  Outcome outcome = run_tool({file("t.jpg", last)}, {"-o", "t.jpg"});
  EXPECT_EQ(after_last_ifd1_dump(outcome.out), native_text(extraction(out_name, kJpegKind)));
  EXPECT_EQ(outcome.files[out_name], Bytes(last.begin() + 32768 - 316, last.begin() + 32768));
}

}  // namespace
}  // namespace pelnor::e2e
