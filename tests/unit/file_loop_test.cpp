// The file loop on the in-memory platform: extraction with failures injected where only a fake
// system can fail (reads, writes, allocations), no handle or block left behind on any path, no
// stale byte taken from an earlier file, and a mutation sweep over sound files.
#include "driver/file_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "driver/options.h"
#include "exif_builder.h"
#include "memory_platform.h"
#include "tiff_bytes.h"

namespace pelnor {
namespace {

using testing::ExifBuilder;
using testing::MemoryPlatform;
using testing::Order;
using unit::Bytes;
namespace tag = testing::tag;

constexpr const char* kNotFound = "thumbnail not exist or not support\n";

const Bytes kSmallest = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x18, 'E',  'x',  'i',  'f',  0,
                         0,    'I',  'I',  0x2A, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0x0E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

Bytes jpeg_file(Order order, std::uint32_t* jpeg_file_offset = nullptr) {
  ExifBuilder b(order);
  b.ifd0().add_text(tag::kMake, "Maker").add_short(tag::kOrientation, 1);
  const int blob = testing::add_jpeg_thumbnail(b, testing::tiny_jpeg());
  if (jpeg_file_offset) {
    *jpeg_file_offset = b.layout().blobs[static_cast<std::size_t>(blob)] + testing::kTiffStart;
  }
  return b.build();
}

const Bytes kRgbStrip = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0};

Bytes rgb_file(Order order, bool resolution = false) {
  ExifBuilder b(order);
  b.ifd0().add_short(tag::kOrientation, 1);
  testing::add_rgb_thumbnail(b, 2, 2, kRgbStrip);
  if (resolution) {
    b.ifd1()
        .add_rational(tag::kXResolution, 72, 1)
        .add_rational(tag::kYResolution, 200, 1)
        .add_short(tag::kResolutionUnit, 2);
  }
  return b.build();
}

Bytes ycbcr_file(Order order) {
  ExifBuilder b(order);
  b.ifd0().add_short(tag::kOrientation, 1);
  testing::add_ycbcr_thumbnail(b, 2, 1, 2, 1, {235, 15, 128, 128});
  return b.build();
}

// A directory full of known tags, texts and rationals.
Bytes rich_file(Order order) {
  ExifBuilder b(order);
  b.ifd0()
      .add_text(tag::kMake, "Maker")
      .add_text(tag::kModel, "Model with a longer name")
      .add_text(tag::kDateTime, "1999:04:29 12:00:00")
      .add_text(tag::kSoftware, "ab", 4)
      .add_short(tag::kOrientation, 6)
      .add_rational(tag::kXResolution, 72, 1)
      .add_rational(tag::kYResolution, 72, 1)
      .add_short(tag::kResolutionUnit, 2)
      .add_shorts(tag::kBitsPerSample, {8, 8, 8})
      .add_rationals(tag::kYCbCrCoefficients, {{299, 1000}, {587, 1000}, {114, 1000}})
      .add_shorts(tag::kYCbCrSubSampling, {2, 1})
      .add_short(tag::kYCbCrPositioning, 1)
      .add_rationals(tag::kReferenceBlackWhite,
                     {{0, 1}, {255, 1}, {128, 1}, {255, 1}, {128, 1}, {255, 1}})
      .add_long(tag::kExifIfd, 4000);
  testing::add_ycbcr_thumbnail(b, 4, 2, 2, 2, Bytes(12, 0x80));
  b.ifd1()
      .add_rationals(tag::kYCbCrCoefficients, {{299, 1000}, {587, 1000}, {114, 1000}})
      .add_rationals(tag::kReferenceBlackWhite,
                     {{0, 1}, {255, 1}, {128, 1}, {255, 1}, {128, 1}, {255, 1}})
      .add_rational(tag::kXResolution, 72, 1)
      .add_rational(tag::kYResolution, 72, 1);
  return b.build();
}

struct Outcome {
  int rc;
  std::string out;
};

class FileLoop : public ::testing::Test {
 protected:
  void SetUp() override { opt_output = opt_help = 0; }
  void TearDown() override { opt_output = opt_help = 0; }

  Outcome process(const char* name) {
    Outcome o{};
    o.out = unit::stdout_of([&] { o.rc = process_file(*session_, name); });
    EXPECT_EQ(platform_.open_handles(), 0) << "a file left open after " << name;
    EXPECT_EQ(platform_.live_blocks(), 0);
    return o;
  }
  Outcome process(const Bytes& file, const char* name = "photo.jpg") {
    platform_.add_file(name, file);
    return process(name);
  }
  struct Run {
    int rc;
    std::string out, err;
  };
  Run run_args(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    Run r{};
    r.err = unit::stderr_of([&] {
      r.out = unit::stdout_of(
          [&] { r.rc = run(static_cast<int>(args.size()), argv.data(), platform_); });
    });
    EXPECT_EQ(platform_.open_handles(), 0);
    EXPECT_EQ(platform_.live_blocks(), 0);
    return r;
  }

  MemoryPlatform platform_;
  std::unique_ptr<Session> session_ = std::make_unique<Session>(platform_);
};

TEST_F(FileLoop, FilesThatCannotBeRead) {
  EXPECT_EQ(process("missing.jpg").out, "`missing.jpg' open error\n");
  platform_.add_file("locked.jpg", kSmallest);
  platform_.unopenable.insert("locked.jpg");
  Outcome o = process("locked.jpg");
  EXPECT_EQ(o.rc, kExitStopped);
  EXPECT_EQ(o.out, "`locked.jpg' open error\n");
  platform_.add_file("dir", kSmallest);
  platform_.unreadable.insert("dir");
  o = process("dir");
  EXPECT_EQ(o.rc, kExitStopped);
  EXPECT_EQ(o.out, "`dir' open error\n");
}

TEST_F(FileLoop, JpegExtraction) {
  opt_output = 1;
  for (Order order : {Order::kII, Order::kMM}) {
    std::uint32_t at = 0;
    const Bytes file = jpeg_file(order, &at);
    // An older, longer file of the same name is replaced, not appended to.
    platform_.add_file("photo.jpg.thumb.jpg", Bytes(5000, 0xEE));
    const Outcome o = process(file);
    EXPECT_EQ(o.rc, kExitOk);
    EXPECT_TRUE(
        o.out.ends_with("\n\nCreateing thumbnail file[photo.jpg.thumb.jpg]...\n"
                        "thumbnail exist [JPEG]\n"
                        "done[photo.jpg.thumb.jpg]\n"))
        << o.out;
    const Bytes& written = platform_.file("photo.jpg.thumb.jpg");
    EXPECT_EQ(written, testing::tiny_jpeg());
    const auto start = file.begin() + at;
    EXPECT_EQ(written,
              Bytes(start, start + static_cast<std::ptrdiff_t>(testing::tiny_jpeg().size())));
  }
}

TEST_F(FileLoop, StripExtraction) {
  opt_output = 1;
  for (Order order : {Order::kII, Order::kMM}) {
    Outcome o = process(rgb_file(order, true), "dir/a.JPG");
    EXPECT_TRUE(
        o.out.ends_with("\n\nCreateing thumbnail file[dir/a.JPG.thumb.bmp]...\n"
                        "thumbnail exist [TIFF/RGB]\n"
                        "done[dir/a.JPG.thumb.bmp]\n"))
        << o.out;
    const Bytes& bmp = platform_.file("dir/a.JPG.thumb.bmp");
    ASSERT_EQ(bmp.size(), 70u);
    EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.end()),
              (Bytes{0x90, 0x80, 0x70, 0xC0, 0xB0, 0xA0, 0, 0, 0x30, 0x20, 0x10, 0x60, 0x50, 0x40,
                     0, 0}));
    EXPECT_EQ(unit::le32(bmp, 38), 2835u) << "72 per inch";
    EXPECT_EQ(unit::le32(bmp, 42), 7874u) << "200 per inch";

    o = process(ycbcr_file(order), "b.jpg");
    EXPECT_TRUE(
        o.out.ends_with("\n\nCreateing thumbnail file[b.jpg.thumb.bmp]...\n"
                        "thumbnail exist [TIFF/YCbCr]\n"
                        "done[b.jpg.thumb.bmp]\n"))
        << o.out;
    const Bytes& ycc = platform_.file("b.jpg.thumb.bmp");
    ASSERT_EQ(ycc.size(), 62u);
    EXPECT_EQ(Bytes(ycc.begin() + 54, ycc.end()), (Bytes{220, 220, 220, 0, 0, 0, 0, 0}));
    EXPECT_EQ(unit::le32(ycc, 38), 0u) << "no resolution given";
  }
}

TEST_F(FileLoop, OutputThatCannotBeCreated) {
  opt_output = 1;
  platform_.uncreatable.insert("photo.jpg.thumb.jpg");
  const Outcome o = process(jpeg_file(Order::kMM));
  EXPECT_EQ(o.rc, kExitOk);
  EXPECT_TRUE(
      o.out.ends_with("\n\nCreateing thumbnail file[photo.jpg.thumb.jpg]...\n"
                      "Can't open file[photo.jpg.thumb.jpg], skip...\n"))
      << o.out;
  EXPECT_FALSE(platform_.has_file("photo.jpg.thumb.jpg"));
}

TEST_F(FileLoop, JpegWriteErrors) {
  opt_output = 1;
  for (auto fault : {MemoryPlatform::WriteFault::kFail, MemoryPlatform::WriteFault::kShort}) {
    platform_.fail_write_at = platform_.writes;
    platform_.write_fault = fault;
    const Outcome o = process(jpeg_file(Order::kII));
    EXPECT_EQ(o.rc, kExitOk);
    EXPECT_TRUE(
        o.out.ends_with("thumbnail exist [JPEG]\n"
                        "File Write error for [photo.jpg.thumb.jpg]\n"))
        << o.out;
  }
}

TEST_F(FileLoop, CanvasThatCannotBeMade) {
  opt_output = 1;
  for (int failing : {0, 1}) {
    platform_.fail_alloc_at = platform_.allocs + failing;
    const Outcome o = process(rgb_file(Order::kII));
    EXPECT_EQ(o.rc, kExitOk);
    EXPECT_TRUE(
        o.out.ends_with("\n\nCreateing thumbnail file[photo.jpg.thumb.bmp]...\n"
                        "thumbnail exist [TIFF/RGB]\n"))
        << o.out;
    EXPECT_TRUE(platform_.has_file("photo.jpg.thumb.bmp"));
    EXPECT_TRUE(platform_.file("photo.jpg.thumb.bmp").empty());
  }
}

TEST_F(FileLoop, JpegStreamPastTheData) {
  std::uint32_t at = 0;
  const Bytes whole = jpeg_file(Order::kII, &at);
  const Bytes cut(whole.begin(), whole.begin() + at + 10);
  Outcome o = process(cut);
  EXPECT_TRUE(o.out.ends_with("\n\nthumbnail exist [JPEG]\n")) << o.out;

  opt_output = 1;
  o = process(cut);
  EXPECT_TRUE(
      o.out.ends_with("Createing thumbnail file[photo.jpg.thumb.jpg]...\n"
                      "thumbnail exist [JPEG]\n"
                      "File Write error for [photo.jpg.thumb.jpg]\n"))
      << o.out;
  EXPECT_TRUE(platform_.has_file("photo.jpg.thumb.jpg"));
  EXPECT_TRUE(platform_.file("photo.jpg.thumb.jpg").empty()) << "whole or empty";

  // A stream that starts inside the first 32 KB and ends after it.
  ExifBuilder b(Order::kMM);
  b.ifd0().add_short(tag::kOrientation, 1);
  Bytes jpeg = testing::tiny_jpeg();
  const int blob = b.add_blob_at(jpeg, kHeadSize - 12 - 100);
  b.ifd1()
      .add_blob_offset(tag::kJpegOffset, blob)
      .add_long(tag::kJpegLength, static_cast<std::uint32_t>(jpeg.size()));
  ASSERT_GT(jpeg.size(), 100u);
  o = process(b.build());
  EXPECT_TRUE(o.out.ends_with("File Write error for [photo.jpg.thumb.jpg]\n")) << o.out;
  EXPECT_TRUE(platform_.file("photo.jpg.thumb.jpg").empty());
}

TEST_F(FileLoop, AShortFileAfterALongOneSeesNoStaleBytes) {
  opt_output = 1;
  std::uint32_t at = 0;
  const Bytes long_file = rich_file(Order::kII);
  const Bytes jpeg = jpeg_file(Order::kII, &at);
  ASSERT_EQ(process(long_file, "long.jpg").rc, kExitOk);

  // Cut before IFD0's count.
  Outcome o = process(Bytes(long_file.begin(), long_file.begin() + 20), "short.jpg");
  EXPECT_EQ(o.rc, kExitStopped);
  EXPECT_EQ(o.out.find("Tag="), std::string::npos) << o.out;

  // Cut inside IFD1: its entries lie beyond the data.
  ASSERT_EQ(process(long_file, "long.jpg").rc, kExitOk);
  const testing::Layout layout = [] {
    ExifBuilder b(Order::kII);
    b.ifd0().add_text(tag::kMake, "Maker").add_short(tag::kOrientation, 1);
    testing::add_jpeg_thumbnail(b, testing::tiny_jpeg());
    return b.layout();
  }();
  const std::size_t inside_ifd1 = testing::kTiffStart + layout.ifd1 + 2 + 12 + 5;
  ASSERT_EQ(process(jpeg, "long.jpg").rc, kExitOk);
  o = process(Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(inside_ifd1)),
              "short.jpg");
  EXPECT_EQ(o.rc, kExitOk);
  EXPECT_TRUE(unit::occur_in_order(
      o.out, {"1th IFD dumping...:\n", "entries beyond the data read>\n", kNotFound}));
  EXPECT_FALSE(platform_.has_file("short.jpg.thumb.jpg"));

  // Cut inside the JPEG stream.
  ASSERT_EQ(process(jpeg, "long.jpg").rc, kExitOk);
  o = process(Bytes(jpeg.begin(), jpeg.begin() + at + 50), "short.jpg");
  EXPECT_TRUE(o.out.ends_with("File Write error for [short.jpg.thumb.jpg]\n")) << o.out;
  EXPECT_TRUE(platform_.file("short.jpg.thumb.jpg").empty());

  // The smallest sound file after the rich one: nothing of the rich one shows.
  ASSERT_EQ(process(long_file, "long.jpg").rc, kExitOk);
  o = process(kSmallest, "small.jpg");
  EXPECT_EQ(o.out, std::string("0th IFD dumping...:\n\n1th IFD dumping...:\n\n") + kNotFound);
}

// --- The whole run ----------------------------------------------------------------------------

TEST_F(FileLoop, OutputOptionAppliesToEveryFile) {
  platform_.add_file("a.jpg", jpeg_file(Order::kII));
  platform_.add_file("b.jpg", rgb_file(Order::kMM));
  platform_.add_file("c.jpg", jpeg_file(Order::kMM));
  platform_.uncreatable.insert("b.jpg.thumb.bmp");
  const Run r = run_args({"pelnor", "a.jpg", "b.jpg", "c.jpg", "-O"});
  EXPECT_EQ(r.rc, kExitOk);
  EXPECT_EQ(platform_.created, (std::vector<std::string>{"a.jpg.thumb.jpg", "c.jpg.thumb.jpg"}));
  EXPECT_TRUE(unit::occur_in_order(
      r.out, {"done[a.jpg.thumb.jpg]\n", "Can't open file[b.jpg.thumb.bmp], skip...\n",
              "done[c.jpg.thumb.jpg]\n"}));
}

// --- Mutation sweep ---------------------------------------------------------------------------

// Every byte of a few sound files flipped, zeroed and set to 0xFF, and every truncation: the run
// must neither crash, read outside the data (caught under AddressSanitizer), leak a handle or a
// block, nor end with anything but 0 or 1.
TEST_F(FileLoop, MutationSweep) {
  opt_output = 1;
  const Bytes seeds[] = {jpeg_file(Order::kII), rgb_file(Order::kMM, true), ycbcr_file(Order::kII),
                         rich_file(Order::kMM), rich_file(Order::kII)};
  int runs = 0;
  int bad = 0;
  ::testing::internal::CaptureStdout();
  for (const Bytes& seed : seeds) {
    auto check = [&](const Bytes& file) {
      platform_.add_file("m.jpg", file);
      const int rc = process_file(*session_, "m.jpg");
      ++runs;
      if ((rc != kExitOk && rc != kExitStopped) || platform_.open_handles() != 0 ||
          platform_.live_blocks() != 0) {
        ++bad;
        ADD_FAILURE() << "rc " << rc << " after " << runs << " runs";
      }
    };
    // Mutating the JPEG stream itself only changes the bytes copied: stop a little way in.
    const std::size_t span = std::min<std::size_t>(seed.size(), 700);
    for (std::size_t at = 0; at < span && bad < 5; ++at) {
      for (int how = 0; how < 3; ++how) {
        Bytes file = seed;
        file[at] = how == 0 ? static_cast<std::uint8_t>(~file[at]) : how == 1 ? 0 : 0xFF;
        check(file);
      }
    }
    for (std::size_t length = 0; length < seed.size() && bad < 5; ++length) {
      check(Bytes(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(length)));
    }
  }
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(bad, 0);
  EXPECT_GT(runs, 1000);
}

}  // namespace
}  // namespace pelnor
