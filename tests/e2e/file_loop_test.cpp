// The loop over the named files: which failures end the run, which skip a file, and what the
// header checks accept.
#include <gtest/gtest.h>

#include "support/expected_text.h"
#include "support/sample_files.h"
#include "support/tool_run.h"

namespace pelnor::e2e {
namespace {

using testing::Bytes;
using testing::ExifBuilder;
using testing::Order;

Input photo(const std::string& name, Order order = Order::kII) {
  return file(name, jpeg_thumbnail_file(order));
}

std::string photo_extraction(const std::string& name) {
  return jpeg_thumbnail_dump() + extraction(name + ".thumb.jpg", kJpegKind);
}

TEST(FileLoop, SmallestFileRunsTheWholeSequence) {
  const Bytes bytes = smallest_file();
  const Bytes expected_bytes = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x1C, 'E', 'x', 'i', 'f', 0,
                                0,    'I',  'I',  0x2A, 0,    8,    0,   0,   0,   0,   0,
                                0x0E, 0,    0,    0,    0,    0,    0,   0,   0,   0};
  ASSERT_EQ(bytes, expected_bytes);
  expect_run({file("s.jpg", bytes)}, {"-o", "s.jpg"},
             {"0th IFD dumping...:\n\n1th IFD dumping...:\n\nthumbnail not exist or not support\n",
              "",
              0,
              {}});
}

TEST(FileLoop, FilesFollowOneAnotherWithoutNames) {
  expect_run({file("s.jpg", smallest_file()), photo("p.jpg", Order::kMM)},
             {"s.jpg", "p.jpg", "s.jpg"},
             {smallest_file_output() + jpeg_thumbnail_dump() + std::string(kJpegKind) +
                  smallest_file_output(),
              "",
              0,
              {}});
}

TEST(FileLoop, MissingFileEndsTheRunAndLaterFilesAreNotLookedAt) {
  expect_run({photo("a.jpg"), photo("c.jpg")}, {"-o", "a.jpg", "missing.jpg", "c.jpg"},
             {photo_extraction("a.jpg") + open_error_line("missing.jpg"),
              "",
              1,
              {{"a.jpg.thumb.jpg", testing::tiny_jpeg()}}});
}

TEST(FileLoop, DirectoryNamedAsFileIsAnOpenError) {
  expect_run({directory("album"), photo("b.jpg")}, {"-o", "album", "b.jpg"},
             {open_error_line("album"), "", 1, {}});
}

// A JPEG whose first segment is APP0 (JFIF) and only then APP1 (Exif).
Bytes jfif_then_exif() {
  Bytes exif = jpeg_thumbnail_file(Order::kII);
  Bytes out = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F',
               0,    1,    1,    0,    0,    1,    0,   1,   0,   0};
  out.insert(out.end(), exif.begin() + 2, exif.end());
  return out;
}

// The Exif block on its own, "Exif" at offset 0.
Bytes bare_exif_block() {
  Bytes exif = jpeg_thumbnail_file(Order::kII);
  return Bytes(exif.begin() + 6, exif.end());
}

Bytes with_identifier(std::array<std::uint8_t, 6> identifier) {
  ExifBuilder b(Order::kII);
  add_jpeg_thumbnail(b, testing::tiny_jpeg());
  b.identifier(identifier);
  return b.build();
}

TEST(FileLoop, FileWithoutIdentifierAtSixEndsTheRun) {
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"APP0 before APP1", jfif_then_exif()},
      {"Exif at offset 0", bare_exif_block()},
      {"second zero byte missing", with_identifier({'E', 'x', 'i', 'f', 0, 1})},
      {"lower case", with_identifier({'e', 'x', 'i', 'f', 0, 0})},
      {"no zero bytes", with_identifier({'E', 'x', 'i', 'f', 'I', 'I'})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    expect_run({file("bad.jpg", c.bytes), photo("good.jpg")}, {"-o", "bad.jpg", "good.jpg"},
               {std::string(kNotExif), "", 1, {}});
  }
  // A sound file before it is handled in full.
  expect_run({photo("good.jpg"), file("bad.jpg", bare_exif_block())}, {"good.jpg", "bad.jpg"},
             {jpeg_thumbnail_dump() + std::string(kJpegKind) + std::string(kNotExif), "", 1, {}});
}

TEST(FileLoop, UnknownByteOrderSkipsTheFile) {
  const std::uint8_t marks[][2] = {{0x49, 0x4D}, {0x4D, 0x49}, {'i', 'i'}, {'m', 'm'}, {0, 0}};
  for (const auto& mark : marks) {
    SCOPED_TRACE(::testing::Message() << std::hex << int{mark[0]} << " " << int{mark[1]});
    ExifBuilder b(Order::kII);
    add_jpeg_thumbnail(b, testing::tiny_jpeg());
    b.mark(mark[0], mark[1]);
    expect_run({file("odd.jpg", b.build()), photo("good.jpg", Order::kMM)},
               {"-o", "odd.jpg", "good.jpg"},
               {std::string(kNoByteOrder) + photo_extraction("good.jpg"),
                "",
                0,
                {{"good.jpg.thumb.jpg", testing::tiny_jpeg()}}});
  }
}

TEST(FileLoop, VersionAndLeadingBytesAreNotChecked) {
  const struct {
    const char* name;
    std::uint16_t version;
    std::array<std::uint8_t, 6> head;
  } cases[] = {
      {"version 43", 43, {0xFF, 0xD8, 0xFF, 0xE1, 0x01, 0x80}},
      {"version 0", 0, {0xFF, 0xD8, 0xFF, 0xE1, 0x01, 0x80}},
      {"any leading bytes", 42, {'A', 'B', 'C', 'D', 'E', 'F'}},
      {"zero leading bytes", 42, {0, 0, 0, 0, 0, 0}},
  };
  for (Order order : {Order::kII, Order::kMM}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      ExifBuilder b(order);
      add_jpeg_thumbnail(b, testing::tiny_jpeg());
      b.version(c.version).head(c.head);
      expect_run({file("v.jpg", b.build())}, {"v.jpg"},
                 {jpeg_thumbnail_dump() + std::string(kJpegKind), "", 0, {}});
    }
  }
}

TEST(FileLoop, SingleIfdEndsTheRunAfterItsDump) {
  for (Order order : {Order::kII, Order::kMM}) {
    ExifBuilder b(order);
    b.ifd0().add_short(testing::tag::kOrientation, 1);
    expect_run({file("one.jpg", b.build()), photo("later.jpg")}, {"-o", "one.jpg", "later.jpg"},
               {std::string(kIfd0Heading) +
                    "    0x16:Tag=0x112[274] Type=SHORT[3] Num=1 offset=0x1[0xd]\n"
                    "\tOrientation: [Normal]\n"
                    "\n" +
                    std::string(kNoIfd1),
                "",
                1,
                {}});
  }
}

TEST(FileLoop, EmptyIfd0HasItsNextFieldRightAfterTheCount) {
  // IFD1 placed away from IFD0, so that only a next-IFD field read at IFD0 + 2 finds it.
  ExifBuilder b(Order::kMM);
  b.ifd1_at(40);
  b.ifd1().add_short(testing::tag::kOrientation, 3);
  expect_run({file("far.jpg", b.build())}, {"far.jpg"},
             {std::string(kIfd0Heading) + "\n" + std::string(kIfd1Heading) +
                  "    0x36:Tag=0x112[274] Type=SHORT[3] Num=1 offset=0x3[0xf]\n"
                  "\tOrientation: [180 degrees]\n"
                  "\n" +
                  std::string(kNoThumbnail),
              "",
              0,
              {}});
}

}  // namespace
}  // namespace pelnor::e2e
