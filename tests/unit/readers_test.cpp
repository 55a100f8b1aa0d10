// The readers through a sink that records their calls, where the golden cases cannot reach: the
// directory walk's guards and the rows of its link table, the walk of a JPEG's segments as several
// readers take it further, and the byte source's runs held in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "io/byte_source.h"
#include "jpeg/segments.h"
#include "makernote/placement.h"
#include "memory_platform.h"
#include "report/names.h"
#include "report/sink.h"
#include "tiff/links.h"
#include "tiff/values.h"

namespace pelnor {
namespace {

using testing::Bytes;
using testing::MemoryPlatform;

// Each call as a word: "Exif IFD@26", "0x8769", "<IFD already dumped>", "/".
class Recorder final : public Sink {
 public:
  std::string calls;

  void file_begin(const char*) override {}
  void file_result(FileResult) override {}
  void file_end() override {}
  void map_begin(MapKind) override {}
  void map_element(const MapElement&) override {}
  void map_end(MapStop) override {}
  void tiff(const TiffLocation&) override {}
  void directory_begin(const Directory& d) override {
    char name[kDirectoryNameMax];
    directory_name(d, name);
    add(std::string(name) + "@" + (d.position < 0 ? "-" : std::to_string(d.position)));
  }
  void entry(const Entry& e, ValueView&) override { add(format_tag(e.tag)); }
  void note(const Note& n) override { add("<" + note_text(n) + ">"); }
  void directory_end() override { add("/"); }
  void thumbnail(const ThumbnailReport&, bool) override {}
  void picture(const PictureReport&) override {}
  void output_begin(const char*) override {}
  void output_writing(std::int32_t) override {}
  void output_end(OutputResult, const char*) override {}
  void item_end() override {}

 private:
  static std::string format_tag(std::uint16_t tag) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", tag);
    return text;
  }
  void add(const std::string& word) { calls += (calls.empty() ? "" : " ") + word; }
};

// A little-endian TIFF structure: the header, then IFDs of (tag, type, count, value) entries
// wherever they are put.
struct Tiff {
  Bytes b = {'I', 'I', 42, 0, 8, 0, 0, 0};
  struct Field {
    std::uint16_t tag, type;
    std::uint32_t count, value;
  };
  void put32(std::size_t at, std::uint32_t v) {
    if (b.size() < at + 4) b.resize(at + 4);
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  void put16(std::size_t at, std::uint16_t v) {
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  void ifd(std::size_t at, std::vector<Field> fields, std::uint32_t next = 0) {
    put16(at, static_cast<std::uint16_t>(fields.size()));
    for (std::size_t k = 0; k < fields.size(); ++k) {
      const std::size_t e = at + 2 + 12 * k;
      put16(e, fields[k].tag);
      put16(e + 2, fields[k].type);
      put32(e + 4, fields[k].count);
      put32(e + 8, fields[k].value);
    }
    put32(at + 2 + 12 * fields.size(), next);
  }
};

constexpr std::uint16_t kLong = 4, kShort = 3;

struct WalkCase {
  const char* what;
  void (*build)(Tiff&);
  const char* calls;
};

// IFD0 at 8 (its offsets from the TIFF header at file position 0), IFD1 at 200.
const WalkCase kWalks[] = {
    {"an Exif pointer back to IFD0: its block says so, and goes no further",
     [](Tiff& t) { t.ifd(8, {{0x8769, kLong, 1, 8}}, 200); },
     "Exif IFD@8 <IFD already dumped> /"},
    {"an Interoperability pointer to its own Exif directory",
     [](Tiff& t) {
       t.ifd(8, {{0x8769, kLong, 1, 40}}, 200);
       t.ifd(40, {{0xA005, kLong, 1, 40}});
     },
     "Exif IFD@40 0xa005 / Interoperability IFD@40 <IFD already dumped> /"},
    {"a GPS pointer that is a SHORT, and one of count 2: not followed",
     [](Tiff& t) { t.ifd(8, {{0x8825, kShort, 1, 40}, {0x8769, kLong, 2, 40}}, 200); },
     "Exif IFD@- <IFD pointer of another type or count> / "
     "GPS IFD@- <IFD pointer of another type or count> /"},
    {"the GPS directory is the Exif directory: the second pointer finds it dumped",
     [](Tiff& t) {
       t.ifd(8, {{0x8769, kLong, 1, 40}, {0x8825, kLong, 1, 40}}, 200);
       t.ifd(40, {{0x9000, 7, 4, 0}});
     },
     "Exif IFD@40 0x9000 / GPS IFD@40 <IFD already dumped> /"},
    {"SubIFDs whose table runs past the data: the first read, then the rest cannot be",
     [](Tiff& t) {
       t.ifd(8, {{0x014A, kLong, 3, 96}}, 200);
       t.put32(96, 60);
       t.ifd(60, {{0x0100, kLong, 1, 1}});
       t.b.resize(102);
     },
     "SubIFD1@60 0x0100 / SubIFD2@- <IFD beyond the data read> /"},
    {"a SubIFDs entry of type SHORT: the first block says so",
     [](Tiff& t) { t.ifd(8, {{0x014A, kShort, 1, 60}}, 200); },
     "SubIFD1@- <IFD pointer of another type or count> /"},
};

TEST(DirectoryWalk, GuardsAndLinks) {
  for (const WalkCase& c : kWalks) {
    SCOPED_TRACE(c.what);
    Tiff t;
    c.build(t);
    Recorder sink;
    const TiffData tiff{t.b.data(), static_cast<std::uint32_t>(t.b.size()), 0, nullptr, 0};
    DirectoryWalk walk(tiff, 1, Camera{}, sink, nullptr);
    walk.after_ifd0(8);
    EXPECT_EQ(sink.calls, c.calls);
  }
}

// The chain after IFD1: each IFD a block, a loop back noted once, and no file more than 64
// directories.
TEST(DirectoryWalk, TheChainAfterIfd1) {
  Tiff t;
  t.ifd(8, {}, 20);
  t.ifd(20, {}, 40);     // IFD1, IFD2 after it
  t.ifd(40, {}, 20);     // IFD3 would be IFD1 again
  Recorder sink;
  const TiffData tiff{t.b.data(), static_cast<std::uint32_t>(t.b.size()), 0, nullptr, 0};
  DirectoryWalk walk(tiff, 1, Camera{}, sink, nullptr);
  walk.after_ifd0(8);
  walk.after_ifd1(20);
  EXPECT_EQ(sink.calls, "IFD2@40 / IFD3@20 <IFD already dumped> /");

  Tiff many;
  for (std::uint32_t k = 0; k < 80; ++k) many.ifd(8 + 6 * k, {}, 8 + 6 * (k + 1));
  Recorder counted;
  const TiffData long_chain{many.b.data(), static_cast<std::uint32_t>(many.b.size()), 0, nullptr,
                            0};
  DirectoryWalk chain(long_chain, 1, Camera{}, counted, nullptr);
  chain.after_ifd0(8);
  chain.after_ifd1(14);
  // IFD0 and IFD1 count: 62 more blocks, then the one that says there are too many.
  EXPECT_EQ(counted.calls.substr(counted.calls.rfind("IFD")),
            "IFD64@392 <more directories than one file may have: 64> /");
}

// Where a layout puts a maker note's IFD, its offsets' base and its byte order, for a maker note
// at TIFF offset 100 of a little-endian file.
TEST(MakerNotePlacement, ByLayout) {
  const std::uint8_t kIfd[] = {1, 0, 1, 0, 3, 0, 1, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0};
  const std::uint8_t kIfdMm[] = {0, 1, 0, 1, 0, 3, 0, 0, 0, 1, 0, 7, 0, 0, 0, 0, 0, 0};
  struct {
    const char* make;
    std::string header;
    bool big_endian_ifd;
    const char* name;
    std::uint32_t ifd;    // file position of its entry count
    std::uint32_t base;   // where its offsets count from
    int order;
  } const kCases[] = {
      {"NIKON CORPORATION", std::string("Nikon\0\2\x10\0\0MM\0*\0\0\0\x08", 18), true, "Nikon",
       118, 110, 0},
      {"OLYMPUS IMAGING CORP.", std::string("OLYMPUS\0II\3\0", 12), false, "Olympus", 112, 100, 1},
      {"FUJIFILM", std::string("FUJIFILM\x0c\0\0\0", 12), false, "Fujifilm", 112, 100, 1},
      {"Canon", "", false, "Canon", 100, 0, 1},
      {"Canon", "", true, "Canon", 100, 0, 0},  // the other order, told by the entry count
      {"Leica Camera AG", std::string("LEICA0\0\0", 8), false, "Leica", 108, 100, 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Bytes data(300);
    std::copy(c.header.begin(), c.header.end(), data.begin() + 100);
    const std::uint8_t* ifd = c.big_endian_ifd ? kIfdMm : kIfd;
    std::copy(ifd, ifd + sizeof kIfd, data.begin() + 100 + static_cast<long>(c.header.size()));
    const TiffData tiff{data.data(), 300, 0, nullptr, 0};
    Camera camera;
    camera.make = c.make;
    camera.make_length = static_cast<int>(std::strlen(c.make));
    MakerNotePlace place;
    ASSERT_TRUE(place_maker_note(tiff, 100, 64, 1, camera, &place));
    EXPECT_STREQ(place.name, c.name);
    ASSERT_TRUE(place.is_ifd);
    EXPECT_EQ(place.ifd + place.data.origin_position(), c.ifd);
    EXPECT_EQ(place.data.origin_position(), c.base);
    EXPECT_EQ(place.little_endian, c.order);
  }
}

// A walk taken further by one reader and read again by another: a stop that is this reader's
// (its rule, a pipe's bytes it may not read) is not the walk's.
TEST(SegmentRecord, StopsOfOneReaderAreNotTheWalks) {
  // SOI, an APP1 whose length crosses the end of a 5-byte head, an APP2, SOS.
  Bytes file = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x14};
  file.resize(2 + 22, 0);
  for (std::uint8_t b : {0xFF, 0xE2, 0x00, 0x04, 0xAA, 0xBB, 0xFF, 0xDA}) file.push_back(b);
  struct {
    const char* what;
    WalkRule first;
    int first_count;
    WalkStop first_stop;
    WalkRule second;
    int second_count;
    WalkStop second_stop;
  } const kCases[] = {
      // The map of a pipe stops at the head; the search after it reads on.
      {"head only, then read", {Reach::kHead}, 0, WALK_END, {Reach::kRead}, 3, WALK_SOS_OR_EOI},
      // Under the head rule a segment that starts in the head but crosses it is a stop for the
      // search alone; the pictures' walk goes on.
      {"head rule, then read", {Reach::kRead, true}, 0, WALK_END, {Reach::kRead}, 3,
       WALK_SOS_OR_EOI},
      {"read, then head rule", {Reach::kRead}, 3, WALK_SOS_OR_EOI, {Reach::kRead, true}, 0,
       WALK_END},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    MemoryPlatform platform;
    platform.files["f"] = file;
    std::uint8_t window[kWindowSize];
    ByteSource source(platform, "f", window);
    std::uint8_t head[5];
    ASSERT_EQ(source.read_next(head, 5), 5);
    source.hold(0, head, 5);
    SegmentRecord record;
    record.start(head, 5, &source);
    for (const auto& [rule, count, stop] :
         {std::tuple{c.first, c.first_count, c.first_stop},
          std::tuple{c.second, c.second_count, c.second_stop}}) {
      const Segment* s;
      WalkStop why = WALK_NOT_MARKER;
      int n = 0;
      while (record.segment(static_cast<std::size_t>(n), rule, &s, &why) == 1) ++n;
      EXPECT_EQ(n, count);
      EXPECT_EQ(why, stop);
    }
  }
}

// Reads of bytes held in memory come from there, whatever the file holds now; the rest from the
// file, in one call, as far as it goes.
TEST(ByteSource, HeldRunsAndTheFile) {
  MemoryPlatform platform;
  Bytes file(100);
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i);
  platform.files["f"] = file;
  std::uint8_t window[kWindowSize];
  ByteSource source(platform, "f", window);
  const std::uint8_t head[10] = {200, 201, 202, 203, 204, 205, 206, 207, 208, 209};
  const std::uint8_t later[4] = {250, 251, 252, 253};
  source.hold(0, head, 10);
  source.hold(50, later, 4);
  struct {
    std::uint64_t at;
    std::uint32_t n;
    std::vector<int> want;
  } const kReads[] = {
      {8, 4, {208, 209, 10, 11}},
      {48, 8, {48, 49, 250, 251, 252, 253, 54, 55}},
      {98, 4, {98, 99}},
      {120, 4, {}},
  };
  for (const auto& r : kReads) {
    SCOPED_TRACE(r.at);
    std::uint8_t out[8];
    const std::int64_t got = source.read(r.at, out, r.n);
    ASSERT_EQ(got, static_cast<std::int64_t>(r.want.size()));
    EXPECT_EQ(std::vector<int>(out, out + got), r.want);
  }
  EXPECT_NE(source.held(50, 4), nullptr);
  EXPECT_EQ(source.held(50, 5), nullptr);
  EXPECT_FALSE(source.failed());
}

}  // namespace
}  // namespace pelnor
