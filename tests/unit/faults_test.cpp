// What only a fake system does: fail or cut short reads past the head and thumbnail writes, refuse
// a canvas block, take names of any length, give other bytes to a name opened twice. Every file
// is closed, every block freed, and a thumbnail holds what was written before the failure (a
// JPEG stream copied past the head: nothing). Inputs and thumbnails are the golden cases'.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "driver/file_loop.h"
#include "driver/options.h"
#include "memory_platform.h"

namespace pelnor {
namespace {

using testing::Bytes;
using testing::MemoryPlatform;

Bytes case_file(const std::string& path) {
  std::ifstream in(std::string(PELNOR_CASES_DIR "/") + path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct Fault {
  const char* input;  // a golden case's input file
  const char* whole;  // the thumbnail it gives
  const char* name;   // which is written here
  int fail_read;      // index of the read that fails (the head's is 0), or -1
  int fail_write;     // index of the write that fails, or -1
  MemoryPlatform::Fault how;
  int fail_alloc;    // index of the allocation that fails, or -1
  std::size_t kept;  // bytes of the whole thumbnail in the file afterwards
  const char* last;  // the last line printed
};

constexpr const char* kRgb = "rgb/in/2x2.jpg";
constexpr const char* kRgbBmp = "rgb/out/2x2.jpg.thumb.bmp";
constexpr const char* kYcc = "ycbcr/in/blocks-2x2.jpg";
constexpr const char* kYccBmp = "ycbcr/out/blocks-2x2.jpg.thumb.bmp";
constexpr const char* kJpeg = "jpeg-rules/in/ii.jpg";
constexpr const char* kJpegOut = "jpeg-rules/out/ii.jpg.thumb.jpg";
// A stream of 150000 bytes wholly past the head: the signature is the first read after the
// head's, then three blocks; and one of 2000 bytes across the end of the head.
constexpr const char* kPast = "jpeg-past-data/in/blocks-mm.jpg";
constexpr const char* kPastOut = "jpeg-past-data/out/blocks-mm.jpg.thumb.jpg";
constexpr const char* kAcross = "jpeg-past-data/in/past-32k.jpg";
constexpr const char* kAcrossOut = "jpeg-past-data/out/past-32k.jpg.thumb.jpg";
constexpr auto kFail = MemoryPlatform::kFail;
constexpr auto kShort = MemoryPlatform::kShort;
constexpr const char* kBmp = "t.jpg.thumb.bmp";
constexpr const char* kThumb = "t.jpg.thumb.jpg";
constexpr const char* kBmpError = "File Write error for [t.jpg.thumb.bmp]\n";
constexpr const char* kJpegError = "File Write error for [t.jpg.thumb.jpg]\n";

constexpr Fault kFaults[] = {
    // The BMP goes out in three writes: 14 bytes of file header, 40 of info header, the rows.
    {kRgb, kRgbBmp, kBmp, -1, -1, kFail, -1, 70, "done[t.jpg.thumb.bmp]\n"},
    {kRgb, kRgbBmp, kBmp, -1, 0, kFail, -1, 0, kBmpError},
    {kRgb, kRgbBmp, kBmp, -1, 0, kShort, -1, 7, kBmpError},
    {kRgb, kRgbBmp, kBmp, -1, 1, kFail, -1, 14, kBmpError},
    {kRgb, kRgbBmp, kBmp, -1, 1, kShort, -1, 34, kBmpError},
    {kYcc, kYccBmp, kBmp, -1, 2, kFail, -1, 54, kBmpError},
    {kYcc, kYccBmp, kBmp, -1, 2, kShort, -1, 62, kBmpError},
    // Without a canvas nothing follows the kind line and the file stays empty.
    {kYcc, kYccBmp, kBmp, -1, -1, kFail, 0, 0, "thumbnail exist [TIFF/YCbCr]\n"},
    {kRgb, kRgbBmp, kBmp, -1, -1, kFail, 1, 0, "thumbnail exist [TIFF/RGB]\n"},
    {kJpeg, kJpegOut, kThumb, -1, 0, kFail, -1, 0, kJpegError},
    {kJpeg, kJpegOut, kThumb, -1, 0, kShort, -1, 21, kJpegError},
    // Past the head, any failure leaves the file empty.
    {kPast, kPastOut, kThumb, -1, -1, kFail, -1, 150000, "done[t.jpg.thumb.jpg]\n"},
    {kPast, kPastOut, nullptr, 1, -1, kFail, -1, 0, "thumbnail not exist or not support\n"},
    {kPast, kPastOut, kThumb, 2, -1, kFail, -1, 0, kJpegError},
    {kPast, kPastOut, kThumb, 3, -1, kShort, -1, 0, kJpegError},
    {kPast, kPastOut, kThumb, 4, -1, kFail, -1, 0, kJpegError},
    {kPast, kPastOut, kThumb, -1, 0, kFail, -1, 0, kJpegError},
    {kPast, kPastOut, kThumb, -1, 1, kShort, -1, 0, kJpegError},
    {kPast, kPastOut, kThumb, -1, 2, kFail, -1, 0, kJpegError},
    {kAcross, kAcrossOut, kThumb, -1, -1, kFail, -1, 2000, "done[t.jpg.thumb.jpg]\n"},
    {kAcross, kAcrossOut, kThumb, -1, 0, kShort, -1, 0, kJpegError},
    {kAcross, kAcrossOut, kThumb, 1, -1, kShort, -1, 0, kJpegError},
};

// Runs the tool with -o over `name` and returns what it printed.
std::string extract(MemoryPlatform& platform, const char* name) {
  opt_output = 1;
  Session session(platform);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(process_file(session, name), kExitOk);
  return ::testing::internal::GetCapturedStdout();
}

TEST(Faults, EveryReadWriteAndAllocationOfAThumbnail) {
  for (const Fault& f : kFaults) {
    SCOPED_TRACE(::testing::Message()
                 << f.input << " read " << f.fail_read << " write " << f.fail_write << " how "
                 << f.how << " alloc " << f.fail_alloc);
    MemoryPlatform platform;
    platform.files["t.jpg"] = case_file(f.input);
    platform.fail_read = f.fail_read;
    platform.read_fault = f.how;
    platform.fail_write = f.fail_write;
    platform.write_fault = f.how;
    platform.fail_alloc = f.fail_alloc;
    const std::string out = extract(platform, "t.jpg");
    EXPECT_TRUE(out.ends_with(f.last)) << out;
    const Bytes whole = case_file(f.whole);
    ASSERT_GE(whole.size(), f.kept);
    EXPECT_EQ(platform.files.size(), f.name ? 2u : 1u);
    if (f.name) EXPECT_EQ(platform.files.at(f.name), Bytes(whole.begin(), whole.begin() + f.kept));
    EXPECT_EQ(platform.opens.at("t.jpg"), 1);
    EXPECT_TRUE(platform.open.empty());
    EXPECT_TRUE(platform.blocks.empty());
  }
}

TEST(Faults, InputNamesOfAnyLength) {
  MemoryPlatform platform;
  const std::string name(5000, 'n');
  platform.files[name] = case_file(kJpeg);
  const std::string out = extract(platform, name.c_str());
  EXPECT_TRUE(out.ends_with("done[" + name + ".thumb.jpg]\n"));
  EXPECT_EQ(platform.files.at(name + ".thumb.jpg"), case_file(kJpegOut));
}

// With -s, a failed read of the rest of an Exif segment is a file that cannot be read.
TEST(Faults, ReadOfTheRestOfTheSegment) {
  MemoryPlatform platform;
  platform.files["t.jpg"] = case_file("search-at-six/in/blocks-mm.jpg");
  platform.fail_read = 1;
  opt_search = 1;
  Session session(platform);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(process_file(session, "t.jpg"), kExitStopped);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "`t.jpg' open error\n");
  EXPECT_TRUE(platform.open.empty());
  opt_search = 0;
}

}  // namespace
}  // namespace pelnor
