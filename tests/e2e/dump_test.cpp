// The tag dump: the generic line of every entry and the decoded line of the twenty known tags,
// or the text of any other ASCII entry.
#include <gtest/gtest.h>

#include <functional>

#include "support/expected_text.h"
#include "support/tool_run.h"

namespace pelnor::e2e {
namespace {

using testing::ExifBuilder;
using testing::Ifd;
using testing::Order;
using testing::Rational;
namespace tag = testing::tag;
namespace type = testing::type;

constexpr std::uint16_t kPrivateTag = 0x9999;

// The one entry of IFD0 lies at file offset 0x16; with IFD0 at 8 (18 bytes) and an empty IFD1
// at 26 (6 bytes), the first data area starts at TIFF offset 32.
constexpr std::uint32_t kFirstEntry = 0x16;
constexpr std::uint32_t kFirstData = 32;

std::string line(std::uint16_t tag_number, std::string_view type_name, std::uint16_t type_number,
                 std::uint32_t count, std::uint32_t value) {
  return entry_line(kFirstEntry, tag_number, type_name, type_number, count, value);
}

struct DumpCase {
  std::string name;
  std::function<void(Ifd&)> add;
  std::string lines;
};

const char* order_name(Order order) { return order == Order::kII ? "II" : "MM"; }

void expect_dump(Order order, const std::function<void(Ifd&)>& add, const std::string& lines) {
  ExifBuilder b(order);
  add(b.ifd0());
  b.ifd1();
  expect_run({file("d.jpg", b.build())}, {"d.jpg"}, {dump_with_empty_ifd1(lines), "", 0, {}});
}

void expect_dumps(const std::vector<DumpCase>& cases) {
  for (Order order : {Order::kII, Order::kMM}) {
    for (const DumpCase& c : cases) {
      SCOPED_TRACE(c.name + " " + order_name(order));
      expect_dump(order, c.add, c.lines);
    }
  }
}

TEST(Dump, WorkedExampleInBothByteOrders) {
  const std::string expected =
      "    0x16:Tag=0x10f[271] Type=ASCII[2] Num=6 offset=0x4a[0x56]\n"
      "\t[Abcde]\n"
      "    0x22:Tag=0x112[274] Type=SHORT[3] Num=1 offset=0x1[0xd]\n"
      "\tOrientation: [Normal]\n"
      "    0x2e:Tag=0x11a[282] Type=RATIONAL[5] Num=1 offset=0x50[0x5c]\n"
      "\tXResolution: 80\n"
      "    0x3a:Tag=0x212[530] Type=SHORT[3] Num=2 offset=0x2[0xe]\n"
      "\tYCbCrSubSampling: Horiz[2] Vert[1]\n"
      "    0x46:Tag=0x214[532] Type=RATIONAL[5] Num=6 offset=0x58[0x64]\n"
      "\tReferenceBlackWhite: \n"
      "\t\t Y-Balck[0/1]  Y-White[255/1] \n"
      "\t\tCb-Balck[128/1] Cb-White[255/1]\n"
      "\t\tCr-Balck[128/1] Cr-White[255/1]\n";
  for (Order order : {Order::kII, Order::kMM}) {
    SCOPED_TRACE(order_name(order));
    ExifBuilder b(order);
    b.ifd0()
        .add_text(tag::kMake, "Abcde")
        .add_short(tag::kOrientation, 1)
        .add_rational(tag::kXResolution, 72, 1)
        .add_shorts(tag::kYCbCrSubSampling, {2, 1})
        .add_rationals(tag::kReferenceBlackWhite,
                       {{0, 1}, {255, 1}, {128, 1}, {255, 1}, {128, 1}, {255, 1}});
    const testing::Layout layout = b.layout();
    ASSERT_EQ(layout.ifd0_data, (std::vector<std::uint32_t>{74, 0, 80, 0, 88}));
    expect_run({file("w.jpg", b.build())}, {"w.jpg"},
               {std::string(kIfd0Heading) + expected + "\n" + std::string(kNoIfd1), "", 1, {}});
  }
}

TEST(Dump, GenericLineCorners) {
  expect_dumps({
      {"value 0", [](Ifd& d) { d.add_long(kPrivateTag, 0); },
       "    0x16:Tag=0x9999[39321] Type=LONG[4] Num=1 offset=0[0xc]\n"},
      {"count 2^32-1", [](Ifd& d) { d.add_raw(kPrivateTag, type::kLong, 0xFFFFFFFF, 5); },
       "    0x16:Tag=0x9999[39321] Type=LONG[4] Num=-1 offset=0x5[0x11]\n"},
      {"value + 12 wraps", [](Ifd& d) { d.add_long(kPrivateTag, 0xFFFFFFF8); },
       "    0x16:Tag=0x9999[39321] Type=LONG[4] Num=1 offset=0xfffffff8[0x4]\n"},
      {"largest tag and type", [](Ifd& d) { d.add_raw(0xFFFF, 0xFFFF, 1, 0); },
       "    0x16:Tag=0xffff[65535] Type=UNKNOWN[65535] Num=1 offset=0[0xc]\n"},
      {"tag 0", [](Ifd& d) { d.add_raw(0, type::kLong, 0, 0x80000000); },
       "    0x16:Tag=0[0] Type=LONG[4] Num=0 offset=0x80000000[0x8000000c]\n"},
  });
}

TEST(Dump, TypeNames) {
  const std::pair<std::uint16_t, const char*> names[] = {
      {0, "UNDEFINED"}, {1, "BYTE"},      {3, "SHORT"},    {4, "LONG"},     {5, "RATIONAL"},
      {6, "SBYTE"},     {7, "UNDEFINED"}, {8, "SSHORT"},   {9, "SLONG"},    {10, "SRATIONAL"},
      {11, "FLOAT"},    {12, "DOUBLE"},   {13, "UNKNOWN"}, {14, "UNKNOWN"}, {200, "UNKNOWN"},
  };
  std::vector<DumpCase> cases;
  for (const auto& [number, text] : names) {
    const std::uint16_t t = number;
    cases.push_back({std::string("type ") + std::to_string(t),
                     [t](Ifd& d) {
                       d.add_raw_field(kPrivateTag, t, 1, {0, 0, 0, 0});
                     },
                     line(kPrivateTag, text, t, 1, 0)});
  }
  expect_dumps(cases);
}

// decode_entry as the generic line shows it: the three byte types keep their value field as
// stored in both byte orders, SHORT keeps the first value, everything else is a 32-bit number.
TEST(Dump, ValueFieldByTypeAndCount) {
  expect_dumps({
      {"BYTE x3 inline",
       [](Ifd& d) {
         d.add_bytes(kPrivateTag, type::kByte, {1, 2, 3});
       },
       line(kPrivateTag, "BYTE", 1, 3, 0x030201)},
      {"SBYTE x2 inline",
       [](Ifd& d) {
         d.add_bytes(kPrivateTag, type::kSbyte, {0xFF, 0x01});
       },
       line(kPrivateTag, "SBYTE", 6, 2, 0x01FF)},
      {"BYTE x5 at an offset",
       [](Ifd& d) {
         d.add_bytes(kPrivateTag, type::kByte, {1, 2, 3, 4, 5});
       },
       line(kPrivateTag, "BYTE", 1, 5, kFirstData)},
      {"ASCII x4 inline", [](Ifd& d) { d.add_text(kPrivateTag, "ABC"); },
       line(kPrivateTag, "ASCII", 2, 4, 0x434241) + "\t[ABC]\n"},
      {"SHORT x1", [](Ifd& d) { d.add_short(kPrivateTag, 258); },
       line(kPrivateTag, "SHORT", 3, 1, 258)},
      {"SHORT x2 keeps the first",
       [](Ifd& d) {
         d.add_shorts(kPrivateTag, {2, 1});
       },
       line(kPrivateTag, "SHORT", 3, 2, 2)},
      {"SHORT x0", [](Ifd& d) { d.add_short(kPrivateTag, 7).with_count(0); },
       line(kPrivateTag, "SHORT", 3, 0, 7)},
      {"SSHORT -1 is not sign-extended",
       [](Ifd& d) { d.add_short(kPrivateTag, 0xFFFF).with_type(type::kSshort); },
       line(kPrivateTag, "SSHORT", 8, 1, 0xFFFF)},
      {"SHORT x3 at an offset",
       [](Ifd& d) {
         d.add_shorts(kPrivateTag, {1, 2, 3});
       },
       line(kPrivateTag, "SHORT", 3, 3, kFirstData)},
      {"LONG", [](Ifd& d) { d.add_long(kPrivateTag, 0x01020304); },
       line(kPrivateTag, "LONG", 4, 1, 0x01020304)},
      {"type 0 as LONG", [](Ifd& d) { d.add_raw(kPrivateTag, 0, 1, 5); },
       line(kPrivateTag, "UNDEFINED", 0, 1, 5)},
      {"type 13 as LONG", [](Ifd& d) { d.add_raw(kPrivateTag, 13, 1, 5); },
       line(kPrivateTag, "UNKNOWN", 13, 1, 5)},
      {"LONG sub-IFD pointer prints no more", [](Ifd& d) { d.add_long(tag::kExifIfd, 0x1000); },
       line(tag::kExifIfd, "LONG", 4, 1, 0x1000)},
  });
  // UNDEFINED is read like LONG: its inline bytes are reversed in an "MM" file.
  const testing::Bytes bytes = {0x30, 0x32, 0x31, 0x30};
  auto add = [&](Ifd& d) { d.add_bytes(kPrivateTag, type::kUndefined, bytes); };
  expect_dump(Order::kII, add, line(kPrivateTag, "UNDEFINED", 7, 4, 0x30313230));
  expect_dump(Order::kMM, add, line(kPrivateTag, "UNDEFINED", 7, 4, 0x30323130));
}

std::vector<DumpCase> enumeration_cases(
    std::uint16_t tag_number, const char* label,
    const std::vector<std::pair<std::uint16_t, const char*>>& texts) {
  std::vector<DumpCase> cases;
  for (const auto& [value, text] : texts) {
    const std::uint16_t v = value;
    cases.push_back({std::string(label) + " " + std::to_string(v),
                     [tag_number, v](Ifd& d) { d.add_short(tag_number, v); },
                     line(tag_number, "SHORT", 3, 1, v) + "\t" + label + ": [" + text + "]\n"});
  }
  return cases;
}

TEST(Dump, EnumeratedTags) {
  std::vector<DumpCase> cases;
  auto add = [&cases](std::vector<DumpCase> more) {
    cases.insert(cases.end(), more.begin(), more.end());
  };
  add(enumeration_cases(tag::kCompression, "Compression",
                        {{1, "No Compression"}, {7, "JPEG"}, {6, "Other"}, {0, "Other"}}));
  add(enumeration_cases(tag::kPhotometric, "PhotometricInterpretation",
                        {{1, "BlacksZero"}, {2, "RGB"}, {6, "YCbCr"}, {0, "Other"}, {3, "Other"}}));
  add(enumeration_cases(tag::kOrientation, "Orientation",
                        {{1, "Normal"},
                         {3, "180 degrees"},
                         {6, "clockwise 90 degrees"},
                         {8, "counter-clockwise 90 degrees"},
                         {0, "Unknown"},
                         {2, "Unknown"},
                         {4, "Unknown"},
                         {5, "Unknown"},
                         {7, "Unknown"},
                         {9, "Unknown"}}));
  add(enumeration_cases(tag::kPlanarConfiguration, "PlanarConfiguration",
                        {{1, "Chunk"}, {2, "Planar format"}, {0, "Unknown"}, {3, "Unknown"}}));
  add(enumeration_cases(tag::kResolutionUnit, "ResolutionUnit",
                        {{1, "No absolute unit of measurement"},
                         {2, "Inch"},
                         {3, "Centimeter"},
                         {0, "Unknown"},
                         {4, "Unknown"}}));
  // The whole 32-bit value is compared: 0x10001 is not 1.
  cases.push_back({"Orientation LONG 0x10001",
                   [](Ifd& d) { d.add_long(tag::kOrientation, 0x10001); },
                   line(tag::kOrientation, "LONG", 4, 1, 0x10001) + "\tOrientation: [Unknown]\n"});
  cases.push_back({"Compression LONG 7", [](Ifd& d) { d.add_long(tag::kCompression, 7); },
                   line(tag::kCompression, "LONG", 4, 1, 7) + "\tCompression: [JPEG]\n"});
  expect_dumps(cases);
}

TEST(Dump, NumberTags) {
  expect_dumps({
      {"ImageWidth", [](Ifd& d) { d.add_short(tag::kImageWidth, 160); },
       line(256, "SHORT", 3, 1, 160) + "\tImageWidth: 160\n"},
      {"ImageWidth 2^31 prints negative", [](Ifd& d) { d.add_long(tag::kImageWidth, 0x80000000); },
       line(256, "LONG", 4, 1, 0x80000000) + "\tImageWidth: -2147483648\n"},
      {"ImageLength", [](Ifd& d) { d.add_long(tag::kImageLength, 120); },
       line(257, "LONG", 4, 1, 120) + "\tImageLength: 120\n"},
      {"StripOffsets", [](Ifd& d) { d.add_long(tag::kStripOffsets, 1234); },
       line(273, "LONG", 4, 1, 1234) + "\tStripOffsets: 1234\n"},
      {"StripOffsets of two strips is their table's offset",
       [](Ifd& d) {
         d.add_longs(tag::kStripOffsets, {100, 200});
       },
       line(273, "LONG", 4, 2, kFirstData) + "\tStripOffsets: 32\n"},
      {"SamplesPerPixel", [](Ifd& d) { d.add_short(tag::kSamplesPerPixel, 3); },
       line(277, "SHORT", 3, 1, 3) + "\tSamplesPerPixel: 3\n"},
      {"RowsPerStrip", [](Ifd& d) { d.add_short(tag::kRowsPerStrip, 120); },
       line(278, "SHORT", 3, 1, 120) + "\tRowsPerStrip: 120\n"},
      {"StripByteCounts 2^32-1", [](Ifd& d) { d.add_long(tag::kStripByteCounts, 0xFFFFFFFF); },
       line(279, "LONG", 4, 1, 0xFFFFFFFF) + "\tStripByteCounts: -1\n"},
      {"XResolution prints its offset", [](Ifd& d) { d.add_rational(tag::kXResolution, 72, 1); },
       line(282, "RATIONAL", 5, 1, kFirstData) + "\tXResolution: 32\n"},
      {"YResolution prints its offset", [](Ifd& d) { d.add_rational(tag::kYResolution, 300, 1); },
       line(283, "RATIONAL", 5, 1, kFirstData) + "\tYResolution: 32\n"},
      {"JPEGInterchangeFormat", [](Ifd& d) { d.add_long(tag::kJpegOffset, 5000); },
       line(513, "LONG", 4, 1, 5000) + "\tJPEG Thumbnail Offset: 5000\n"},
      {"JPEGInterchangeFormatLength", [](Ifd& d) { d.add_long(tag::kJpegLength, 316); },
       line(514, "LONG", 4, 1, 316) + "\tJPEG Thumbnail Length: 316\n"},
      {"YCbCrPositioning", [](Ifd& d) { d.add_short(tag::kYCbCrPositioning, 2); },
       line(531, "SHORT", 3, 1, 2) + "\tYCbCrSubPositioning: 2\n"},
      {"a known tag of type ASCII prints its own line",
       [](Ifd& d) { d.add_text(tag::kStripOffsets, "12", 4); },
       line(273, "ASCII", 2, 4, 0x3231) + "\tStripOffsets: 12849\n"},
  });
}

TEST(Dump, BitsPerSample) {
  expect_dumps({
      {"count 1", [](Ifd& d) { d.add_short(tag::kBitsPerSample, 8); },
       line(258, "SHORT", 3, 1, 8) + "\tBitsPerSample: 8 \n"},
      {"count 2",
       [](Ifd& d) {
         d.add_shorts(tag::kBitsPerSample, {8, 8});
       },
       line(258, "SHORT", 3, 2, 8) + "\tBitsPerSample: 8 8\n"},
      {"count 2, second from the field",
       [](Ifd& d) {
         d.add_shorts(tag::kBitsPerSample, {5, 6});
       },
       line(258, "SHORT", 3, 2, 5) + "\tBitsPerSample: 5 6\n"},
      {"count 3",
       [](Ifd& d) {
         d.add_shorts(tag::kBitsPerSample, {8, 8, 8});
       },
       line(258, "SHORT", 3, 3, kFirstData) + "\tBitsPerSample: 8 8 8 \n"},
      {"count 4",
       [](Ifd& d) {
         d.add_shorts(tag::kBitsPerSample, {1, 2, 3, 400});
       },
       line(258, "SHORT", 3, 4, kFirstData) + "\tBitsPerSample: 1 2 3 400 \n"},
      {"count 0", [](Ifd& d) { d.add_short(tag::kBitsPerSample, 7).with_count(0); },
       line(258, "SHORT", 3, 0, 7) + "\tBitsPerSample: 7 \n"},
      {"type is not consulted",
       [](Ifd& d) {
         d.add_shorts(tag::kBitsPerSample, {16, 16, 16}).with_type(type::kLong);
       },
       line(258, "LONG", 4, 3, kFirstData) + "\tBitsPerSample: 16 16 16 \n"},
  });
}

TEST(Dump, YCbCrSubSampling) {
  expect_dumps({
      {"2 1",
       [](Ifd& d) {
         d.add_shorts(tag::kYCbCrSubSampling, {2, 1});
       },
       line(530, "SHORT", 3, 2, 2) + "\tYCbCrSubSampling: Horiz[2] Vert[1]\n"},
      {"2 2",
       [](Ifd& d) {
         d.add_shorts(tag::kYCbCrSubSampling, {2, 2});
       },
       line(530, "SHORT", 3, 2, 2) + "\tYCbCrSubSampling: Horiz[2] Vert[2]\n"},
      {"count 1 leaves Vert 0", [](Ifd& d) { d.add_short(tag::kYCbCrSubSampling, 4); },
       line(530, "SHORT", 3, 1, 4) + "\tYCbCrSubSampling: Horiz[4] Vert[0]\n"},
  });
}

const std::vector<Rational> kCoefficients = {{299, 1000}, {587, 1000}, {114, 1000}};
const std::vector<Rational> kReference = {{0, 1}, {255, 1}, {128, 1}, {255, 1}, {128, 1}, {255, 1}};

TEST(Dump, Rationals) {
  std::vector<Rational> seven = kReference;
  seven.push_back({1, 1});
  expect_dumps({
      {"YCbCrCoefficients", [](Ifd& d) { d.add_rationals(tag::kYCbCrCoefficients, kCoefficients); },
       line(529, "RATIONAL", 5, 3, kFirstData) +
           "\tYCbCrCoefficients: LumaRed[299/1000] LumaGreen[587/1000] LumaBlue[114/1000] \n"},
      {"YCbCrCoefficients words are signed",
       [](Ifd& d) {
         d.add_rationals(tag::kYCbCrCoefficients,
                         {{0xFFFFFFFF, 1}, {0x80000000, 0xFFFFFFFE}, {0, 0}}, type::kSrational);
       },
       line(529, "SRATIONAL", 10, 3, kFirstData) +
           "\tYCbCrCoefficients: LumaRed[-1/1] LumaGreen[-2147483648/-2] LumaBlue[0/0] \n"},
      {"YCbCrCoefficients count 4",
       [](Ifd& d) {
         d.add_rationals(tag::kYCbCrCoefficients, {{299, 1000}, {587, 1000}, {114, 1000}, {1, 1}});
       },
       line(529, "RATIONAL", 5, 4, kFirstData) + "\tYCbCrCoefficients: Not enough values\n"},
      {"YCbCrCoefficients count 2",
       [](Ifd& d) {
         d.add_rationals(tag::kYCbCrCoefficients, {{299, 1000}, {587, 1000}});
       },
       line(529, "RATIONAL", 5, 2, kFirstData) + "\tYCbCrCoefficients: Not enough values\n"},
      {"ReferenceBlackWhite",
       [](Ifd& d) { d.add_rationals(tag::kReferenceBlackWhite, kReference); },
       line(532, "RATIONAL", 5, 6, kFirstData) + "\tReferenceBlackWhite: \n"
                                                 "\t\t Y-Balck[0/1]  Y-White[255/1] \n"
                                                 "\t\tCb-Balck[128/1] Cb-White[255/1]\n"
                                                 "\t\tCr-Balck[128/1] Cr-White[255/1]\n"},
      {"ReferenceBlackWhite count 7",
       [seven](Ifd& d) { d.add_rationals(tag::kReferenceBlackWhite, seven); },
       line(532, "RATIONAL", 5, 7, kFirstData) + "\tReferenceBlackWhite: Not enough values\n"},
      {"ReferenceBlackWhite count 3",
       [](Ifd& d) {
         d.add_rationals(tag::kReferenceBlackWhite, {{0, 1}, {255, 1}, {128, 1}});
       },
       line(532, "RATIONAL", 5, 3, kFirstData) + "\tReferenceBlackWhite: Not enough values\n"},
  });
}

TEST(Dump, TextOfOtherAsciiEntries) {
  expect_dumps({
      {"count 4, three letters", [](Ifd& d) { d.add_text(tag::kMake, "Abc"); },
       line(271, "ASCII", 2, 4, 0x636241) + "\t[Abc]\n"},
      {"count 1, empty", [](Ifd& d) { d.add_text(tag::kMake, ""); },
       line(271, "ASCII", 2, 1, 0) + "\t[]\n"},
      {"count 0, one blank", [](Ifd& d) { d.add_text(tag::kMake, "", 0); },
       line(271, "ASCII", 2, 0, 0) + "\t[ ]\n"},
      {"count 32, right-aligned", [](Ifd& d) { d.add_text(tag::kModel, "Abcde", 32); },
       line(272, "ASCII", 2, 32, kFirstData) + "\t[" + std::string(26, ' ') + "Abcde]\n"},
      {"text at an offset", [](Ifd& d) { d.add_text(tag::kSoftware, "pelnor 1.0"); },
       line(305, "ASCII", 2, 11, kFirstData) + "\t[pelnor 1.0]\n"},
      {"text longer than its count is printed whole",
       [](Ifd& d) { d.add_text(kPrivateTag, "Abcdefgh").with_count(5); },
       line(kPrivateTag, "ASCII", 2, 5, kFirstData) + "\t[Abcdefgh]\n"},
  });
}

TEST(Dump, InlineTextWithoutZeroRunsIntoTheNextEntry) {
  // The four letters are followed by the next entry, whose tag and type read "EFG" and a zero
  // byte.
  for (Order order : {Order::kII, Order::kMM}) {
    SCOPED_TRACE(order_name(order));
    const bool ii = order == Order::kII;
    const std::uint16_t next_tag = ii ? 0x4645 : 0x4546;
    const std::uint16_t next_type = ii ? 0x0047 : 0x4700;
    expect_dump(
        order,
        [&](Ifd& d) {
          d.add_text(tag::kImageDescription, "ABCD", 4).add_raw(next_tag, next_type, 0, 0);
        },
        line(270, "ASCII", 2, 4, 0x44434241) + "\t[ABCDEFG]\n" +
            entry_line(kFirstEntry + 12, next_tag, "UNKNOWN", next_type, 0, 0));
  }
}

}  // namespace
}  // namespace pelnor::e2e
