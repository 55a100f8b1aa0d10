// What only a fake system does: fail or cut short reads past the head and thumbnail writes, refuse
// a canvas block, take names of any length, give other bytes to a name opened twice. Every file
// is closed, every block freed, and a thumbnail holds what was written before the failure (a
// JPEG stream copied past the head: nothing). Inputs and thumbnails are the golden cases'.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/job.h"
#include "memory_platform.h"
#include "report/text_sink.h"

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
  const char* name;   // which is written here, or null when none is left
  const char* last;   // the last line printed
  std::size_t kept;   // bytes of the whole thumbnail in the file afterwards
  enum Step { kNone, kRead, kWrite, kAlloc, kClose, kReadAndCut } step = kNone;
  int index = -1;  // of the read (the head's is 0), write, allocation or close that fails
  MemoryPlatform::Fault how = MemoryPlatform::kFail;
  bool in_order = false;  // the input reads like a pipe
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
constexpr auto kShort = MemoryPlatform::kShort;
constexpr auto kFail = MemoryPlatform::kFail;
constexpr const char* kBmp = "t.jpg.thumb.bmp";
constexpr const char* kThumb = "t.jpg.thumb.jpg";
constexpr const char* kBmpDone = "done[t.jpg.thumb.bmp]\n";
constexpr const char* kJpegDone = "done[t.jpg.thumb.jpg]\n";
constexpr const char* kBmpError = "File Write error for [t.jpg.thumb.bmp]\n";
constexpr const char* kJpegError = "File Write error for [t.jpg.thumb.jpg]\n";
constexpr const char* kReadError = "`t.jpg' open error\n";

const Fault kFaults[] = {
    // The BMP goes out in three writes: 14 bytes of file header, 40 of info header, the rows.
    {kRgb, kRgbBmp, kBmp, kBmpDone, 70},
    {kRgb, kRgbBmp, kBmp, kBmpError, 0, Fault::kWrite, 0},
    {kRgb, kRgbBmp, kBmp, kBmpError, 7, Fault::kWrite, 0, kShort},
    {kRgb, kRgbBmp, kBmp, kBmpError, 14, Fault::kWrite, 1},
    {kRgb, kRgbBmp, kBmp, kBmpError, 34, Fault::kWrite, 1, kShort},
    {kYcc, kYccBmp, kBmp, kBmpError, 54, Fault::kWrite, 2},
    {kYcc, kYccBmp, kBmp, kBmpError, 62, Fault::kWrite, 2, kShort},
    // Without a canvas nothing follows the kind line and the file stays empty.
    {kYcc, kYccBmp, kBmp, "thumbnail exist [TIFF/YCbCr]\n", 0, Fault::kAlloc, 0},
    {kRgb, kRgbBmp, kBmp, "thumbnail exist [TIFF/RGB]\n", 0, Fault::kAlloc, 1},
    {kJpeg, kJpegOut, kThumb, kJpegError, 0, Fault::kWrite, 0},
    {kJpeg, kJpegOut, kThumb, kJpegError, 21, Fault::kWrite, 0, kShort},
    // A thumbnail whose close fails is not known to be whole: it goes.
    {kRgb, kRgbBmp, nullptr, kBmpError, 0, Fault::kClose, 0},
    {kJpeg, kJpegOut, nullptr, kJpegError, 0, Fault::kClose, 0},
    // Past the head, any failure leaves the file empty, or gone where it cannot be cut back; a
    // read that fails is a file that cannot be read.
    {kPast, kPastOut, kThumb, kJpegDone, 150000},
    {kPast, kPastOut, nullptr, kReadError, 0, Fault::kRead, 1},
    {kPast, kPastOut, kThumb, kReadError, 0, Fault::kRead, 2},
    {kPast, kPastOut, kThumb, kJpegError, 0, Fault::kRead, 3, kShort},
    {kPast, kPastOut, nullptr, kJpegError, 0, Fault::kReadAndCut, 3, kShort},
    {kPast, kPastOut, kThumb, kReadError, 0, Fault::kRead, 4},
    {kPast, kPastOut, kThumb, kJpegError, 0, Fault::kWrite, 0},
    {kPast, kPastOut, kThumb, kJpegError, 0, Fault::kWrite, 1, kShort},
    {kPast, kPastOut, kThumb, kJpegError, 0, Fault::kWrite, 2},
    {kAcross, kAcrossOut, kThumb, kJpegDone, 2000},
    {kAcross, kAcrossOut, kThumb, kJpegError, 0, Fault::kWrite, 0, kShort},
    {kAcross, kAcrossOut, kThumb, kJpegError, 0, Fault::kRead, 1, kShort},
    // Read in order, as from a pipe: the same thumbnails, and the same failures.
    {kPast, kPastOut, kThumb, kJpegDone, 150000, Fault::kNone, -1, kFail, true},
    {kAcross, kAcrossOut, kThumb, kJpegDone, 2000, Fault::kNone, -1, kFail, true},
    {kPast, kPastOut, nullptr, kReadError, 0, Fault::kRead, 1, kFail, true},
    {kPast, kPastOut, kThumb, kReadError, 0, Fault::kRead, 2, kFail, true},
};

// Runs the tool with -o over `name` and returns what it printed; a file that cannot be read
// ends the run, and any other thumbnail that is not done fails it at its end.
std::string extract(MemoryPlatform& platform, const char* name, bool search = false) {
  Options options;
  options.output = true;
  options.search = search;
  TextSink sink(false);
  Session session(platform, options, sink);
  ::testing::internal::CaptureStdout();
  const int status = process_file(session, name);
  std::string out = ::testing::internal::GetCapturedStdout();
  const std::string last = out.substr(out.rfind('\n', out.size() - 2) + 1);
  EXPECT_EQ(status, last.ends_with("open error\n") ? kExitStopped : kExitOk);
  if (status == kExitOk) EXPECT_EQ(session.thumbnail_failed, !last.starts_with("done["));
  return out;
}

TEST(Faults, EveryReadWriteAndAllocationOfAThumbnail) {
  for (const Fault& f : kFaults) {
    SCOPED_TRACE(::testing::Message() << f.input << " step " << f.step << " index " << f.index
                                      << " how " << f.how << " in order " << f.in_order);
    MemoryPlatform platform;
    platform.files["t.jpg"] = case_file(f.input);
    const bool read = f.step == Fault::kRead || f.step == Fault::kReadAndCut;
    platform.fail_read = read ? f.index : -1;
    platform.fail_truncate = f.step == Fault::kReadAndCut;
    platform.fail_write = f.step == Fault::kWrite ? f.index : -1;
    platform.fail_alloc = f.step == Fault::kAlloc ? f.index : -1;
    platform.fail_close = f.step == Fault::kClose ? f.index : -1;
    platform.read_fault = platform.write_fault = f.how;
    platform.in_order = f.in_order;
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

// With -s, everything past the head (the rest of an Exif segment, the segments the walk reads,
// the segment it finds, the 96 KB of a TIFF file, the stream) comes through the one handle, from
// a file or a pipe; any read there that fails makes the file one that cannot be read.
TEST(Faults, SearchReadsPastTheHead) {
  constexpr const char* kInputs[][2] = {
      {"search-at-six/in/blocks-mm.jpg", "search-at-six/out/blocks-mm.jpg.thumb.jpg"},
      {"search-past-head/in/apps-80k-mm.jpg", "search-past-head/out/apps-80k-mm.jpg.thumb.jpg"},
      {"tiff-files/in/past-64k-mm.tif", "tiff-files/out/past-64k-mm.tif.thumb.jpg"},
  };
  for (const auto& [input, thumb] : kInputs) {
    for (const bool in_order : {false, true}) {
      int reads = 0;
      for (int fail_read = -1; fail_read < reads; ++fail_read) {
        SCOPED_TRACE(::testing::Message() << input << " read " << fail_read << " " << in_order);
        MemoryPlatform platform;
        platform.files["t.jpg"] = case_file(input);
        platform.fail_read = fail_read;
        platform.in_order = in_order;
        const std::string out = extract(platform, "t.jpg", true);
        if (fail_read < 0) {
          EXPECT_EQ(platform.files.at(kThumb), case_file(thumb));
          reads = platform.reads;
        } else {
          EXPECT_TRUE(out.ends_with(kReadError)) << out;
          EXPECT_TRUE(platform.files.count(kThumb) == 0 || platform.files.at(kThumb).empty());
        }
        EXPECT_EQ(platform.opens.at("t.jpg"), 1);
        EXPECT_TRUE(platform.open.empty());
        if (fail_read == -1) fail_read = 0;  // the head's read fails in other tests
      }
    }
  }
}

}  // namespace
}  // namespace pelnor
