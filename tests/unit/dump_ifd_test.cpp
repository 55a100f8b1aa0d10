// The tag dump: generic lines, the decoded lines of the twenty known tags, the text fallback,
// and what is printed for entries and values that lie beyond the data read.
#include "tiff/dump_ifd.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tiff_bytes.h"

namespace pelnor {
namespace {

using unit::Bytes;
using unit::Entry;
using unit::HeapBytes;
using unit::Tiff;

std::string dump(const Bytes& bytes, std::uint32_t ifd, int little_endian) {
  const HeapBytes data(bytes);
  return unit::stdout_of([&] { dump_ifd(data.tiff(), ifd, little_endian); });
}

std::string hex(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", v);
  return text;
}

// The generic line, built piece by piece: "%#x" prints 0 without its prefix.
std::string generic(std::uint32_t position, std::uint32_t tag, const char* type_text,
                    std::uint32_t type, std::uint32_t count, std::uint32_t value) {
  char line[200];
  std::snprintf(line, sizeof line, "%8s:Tag=%s[%d] Type=%s[%d] Num=%d offset=%s[%s]\n",
                ("0x" + hex(position)).c_str(), tag ? ("0x" + hex(tag)).c_str() : "0",
                static_cast<int>(tag), type_text, static_cast<int>(type), static_cast<int>(count),
                value ? ("0x" + hex(value)).c_str() : "0",
                value + 12u ? ("0x" + hex(value + 12u)).c_str() : "0");
  return line;
}

// One entry in an IFD at TIFF offset 8; the entry sits at file position 0x16 and data may follow
// from TIFF offset 26.
Tiff one_entry(int le, const Entry& e) {
  Tiff t(le);
  t.put_ifd(8, {e});
  return t;
}
constexpr std::uint32_t kFirstEntry = 0x16;
constexpr std::uint32_t kAfterIfd = 26;

TEST(DumpIfd, WorkedExampleInBothOrders) {
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
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Tiff t(le);
    t.put_ifd(
        8, {unit::word(271, ASCII, 6, 74), unit::short1(274, 1), unit::word(282, RATIONAL, 1, 80),
            unit::shorts(530, SHORT, 2, 2, 1), unit::word(532, RATIONAL, 6, 88)});
    t.put_bytes(74, Bytes{'A', 'b', 'c', 'd', 'e', 0});
    t.put32(80, 72);
    t.put32(84, 1);
    const std::uint32_t rbw[] = {0, 1, 255, 1, 128, 1, 255, 1, 128, 1, 255, 1};
    for (std::uint32_t k = 0; k < 12; ++k) t.put32(88 + 4 * k, rbw[k]);
    ASSERT_EQ(t.bytes.size(), 136u);
    EXPECT_EQ(dump(t.bytes, 8, le), expected);
  }
}

TEST(DumpIfd, EmptyIfdPrintsNothing) {
  for (int le : unit::kBothOrders) {
    Tiff t(le);
    t.put_ifd(8, {});
    EXPECT_EQ(dump(t.bytes, 8, le), "");
  }
}

// Entries whose decoded line depends only on the entry itself.
TEST(DumpIfd, DecodedLinesOfTheKnownTags) {
  struct Case {
    Entry entry;
    std::string decoded;
  };
  const Case cases[] = {
      {unit::short1(256, 160), "\tImageWidth: 160\n"},
      {unit::long1(256, 0x80000000u), "\tImageWidth: -2147483648\n"},
      {unit::short1(257, 120), "\tImageLength: 120\n"},
      {unit::short1(258, 8), "\tBitsPerSample: 8 \n"},
      {unit::shorts(258, SHORT, 2, 8, 16), "\tBitsPerSample: 8 16\n"},
      {unit::shorts(258, SHORT, 0, 5, 9), "\tBitsPerSample: 5 \n"},
      {unit::short1(259, 1), "\tCompression: [No Compression]\n"},
      {unit::short1(259, 7), "\tCompression: [JPEG]\n"},
      {unit::short1(259, 6), "\tCompression: [Other]\n"},
      {unit::short1(259, 0), "\tCompression: [Other]\n"},
      {unit::long1(259, 0x10001u), "\tCompression: [Other]\n"},
      {unit::short1(262, 1), "\tPhotometricInterpretation: [BlacksZero]\n"},
      {unit::short1(262, 2), "\tPhotometricInterpretation: [RGB]\n"},
      {unit::short1(262, 6), "\tPhotometricInterpretation: [YCbCr]\n"},
      {unit::short1(262, 0), "\tPhotometricInterpretation: [Other]\n"},
      {unit::long1(262, 0x10002u), "\tPhotometricInterpretation: [Other]\n"},
      {unit::long1(273, 1234), "\tStripOffsets: 1234\n"},
      {unit::word(273, LONG, 5, 300), "\tStripOffsets: 300\n"},
      {unit::raw(273, ASCII, 4, {'A', 'B', 'C', 0}), "\tStripOffsets: 4407873\n"},
      {unit::short1(274, 1), "\tOrientation: [Normal]\n"},
      {unit::short1(274, 3), "\tOrientation: [180 degrees]\n"},
      {unit::short1(274, 6), "\tOrientation: [clockwise 90 degrees]\n"},
      {unit::short1(274, 8), "\tOrientation: [counter-clockwise 90 degrees]\n"},
      {unit::short1(274, 2), "\tOrientation: [Unknown]\n"},
      {unit::short1(274, 4), "\tOrientation: [Unknown]\n"},
      {unit::short1(274, 5), "\tOrientation: [Unknown]\n"},
      {unit::short1(274, 7), "\tOrientation: [Unknown]\n"},
      {unit::short1(274, 0), "\tOrientation: [Unknown]\n"},
      {unit::long1(274, 0x10001u), "\tOrientation: [Unknown]\n"},
      {unit::short1(277, 3), "\tSamplesPerPixel: 3\n"},
      {unit::short1(278, 120), "\tRowsPerStrip: 120\n"},
      {unit::long1(278, 0xFFFFFFFFu), "\tRowsPerStrip: -1\n"},
      {unit::long1(279, 4800), "\tStripByteCounts: 4800\n"},
      {unit::word(282, RATIONAL, 1, 80), "\tXResolution: 80\n"},
      {unit::word(283, RATIONAL, 1, 88), "\tYResolution: 88\n"},
      {unit::short1(284, 1), "\tPlanarConfiguration: [Chunk]\n"},
      {unit::short1(284, 2), "\tPlanarConfiguration: [Planar format]\n"},
      {unit::short1(284, 0), "\tPlanarConfiguration: [Unknown]\n"},
      {unit::short1(284, 3), "\tPlanarConfiguration: [Unknown]\n"},
      {unit::short1(296, 1), "\tResolutionUnit: [No absolute unit of measurement]\n"},
      {unit::short1(296, 2), "\tResolutionUnit: [Inch]\n"},
      {unit::short1(296, 3), "\tResolutionUnit: [Centimeter]\n"},
      {unit::short1(296, 0), "\tResolutionUnit: [Unknown]\n"},
      {unit::short1(296, 4), "\tResolutionUnit: [Unknown]\n"},
      {unit::long1(513, 1000), "\tJPEG Thumbnail Offset: 1000\n"},
      {unit::long1(514, 5000), "\tJPEG Thumbnail Length: 5000\n"},
      {unit::shorts(530, SHORT, 2, 2, 2), "\tYCbCrSubSampling: Horiz[2] Vert[2]\n"},
      {unit::shorts(530, SHORT, 1, 4, 1), "\tYCbCrSubSampling: Horiz[4] Vert[1]\n"},
      {unit::shorts(530, SHORT, 0, 0, 0), "\tYCbCrSubSampling: Horiz[0] Vert[0]\n"},
      {unit::short1(531, 2), "\tYCbCrSubPositioning: 2\n"},
      {unit::short1(531, 1), "\tYCbCrSubPositioning: 1\n"},
      // Counts other than the ones needed; the offsets are never followed.
      {unit::word(529, RATIONAL, 4, 0xFFFFFFF0u), "\tYCbCrCoefficients: Not enough values\n"},
      {unit::word(529, RATIONAL, 2, 100), "\tYCbCrCoefficients: Not enough values\n"},
      {unit::word(529, RATIONAL, 0, 100), "\tYCbCrCoefficients: Not enough values\n"},
      {unit::word(532, RATIONAL, 7, 100), "\tReferenceBlackWhite: Not enough values\n"},
      {unit::word(532, RATIONAL, 3, 0xFFFFFFFFu), "\tReferenceBlackWhite: Not enough values\n"},
      // Only the generic line.
      {unit::long1(0x8769, 2000), ""},
      {unit::word(0x9000, UNDEFINED, 4, 0x30323130u), ""},
      {unit::raw(0x10F, BYTE, 4, {'A', 'B', 0, 0}), ""},
      {unit::word(0x10F, SLONG, 1, 5), ""},
  };
  for (int le : unit::kBothOrders) {
    for (const Case& c : cases) {
      Tiff t = one_entry(le, c.entry);
      // The generic line shows the value as decode_entry gives it.
      std::uint32_t value = c.entry.a;
      if (c.entry.field == Entry::Field::kRaw) {
        value = c.entry.raw[0] | c.entry.raw[1] << 8 | c.entry.raw[2] << 16 |
                std::uint32_t{c.entry.raw[3]} << 24;
      }
      SCOPED_TRACE(std::string(unit::order_name(le)) + " tag " + std::to_string(c.entry.tag) +
                   " value " + std::to_string(value));
      EXPECT_EQ(dump(t.bytes, 8, le), generic(kFirstEntry, c.entry.tag, type_name(c.entry.type),
                                              c.entry.type, c.entry.count, value) +
                                          c.decoded);
    }
  }
}

TEST(DumpIfd, GenericLineCorners) {
  struct Case {
    Entry entry;
    std::string line;
  };
  const Case cases[] = {
      {unit::word(0x9999, LONG, 1, 0),
       "    0x16:Tag=0x9999[39321] Type=LONG[4] Num=1 offset=0[0xc]\n"},
      {unit::word(0x9999, LONG, 0xFFFFFFFFu, 7),
       "    0x16:Tag=0x9999[39321] Type=LONG[4] Num=-1 offset=0x7[0x13]\n"},
      {unit::word(0x9999, LONG, 0, 0xFFFFFFFFu),
       "    0x16:Tag=0x9999[39321] Type=LONG[4] Num=0 offset=0xffffffff[0xb]\n"},
      {unit::word(0x9999, LONG, 2, 0xFFFFFFF4u),
       "    0x16:Tag=0x9999[39321] Type=LONG[4] Num=2 offset=0xfffffff4[0]\n"},
      {unit::word(0x9999, LONG, 0x80000000u, 0x80000000u),
       "    0x16:Tag=0x9999[39321] Type=LONG[4] Num=-2147483648 offset=0x80000000[0x8000000c]\n"},
      {unit::word(0, LONG, 1, 1), "    0x16:Tag=0[0] Type=LONG[4] Num=1 offset=0x1[0xd]\n"},
      {unit::word(0xFFFF, LONG, 1, 1),
       "    0x16:Tag=0xffff[65535] Type=LONG[4] Num=1 offset=0x1[0xd]\n"},
      {unit::word(0x9999, 0, 1, 1),
       "    0x16:Tag=0x9999[39321] Type=UNDEFINED[0] Num=1 offset=0x1[0xd]\n"},
      {unit::word(0x9999, 13, 1, 1),
       "    0x16:Tag=0x9999[39321] Type=UNKNOWN[13] Num=1 offset=0x1[0xd]\n"},
      {unit::word(0x9999, 14, 1, 1),
       "    0x16:Tag=0x9999[39321] Type=UNKNOWN[14] Num=1 offset=0x1[0xd]\n"},
      {unit::word(0x9999, 0xFFFF, 1, 1),
       "    0x16:Tag=0x9999[39321] Type=UNKNOWN[65535] Num=1 offset=0x1[0xd]\n"},
  };
  for (int le : unit::kBothOrders) {
    for (const Case& c : cases) {
      SCOPED_TRACE(unit::order_name(le));
      EXPECT_EQ(dump(one_entry(le, c.entry).bytes, 8, le), c.line);
    }
  }
}

TEST(DumpIfd, PositionIsTheFileOffsetRightAligned) {
  for (int le : unit::kBothOrders) {
    Tiff t(le);
    t.put_ifd(0x1000, {unit::long1(0x9999, 1), unit::long1(0x9999, 2)});
    EXPECT_EQ(dump(t.bytes, 0x1000, le),
              "  0x100e:Tag=0x9999[39321] Type=LONG[4] Num=1 offset=0x1[0xd]\n"
              "  0x101a:Tag=0x9999[39321] Type=LONG[4] Num=1 offset=0x2[0xe]\n");
  }
}

TEST(TypeName, TableAndUnknownNumbers) {
  const char* const names[] = {"UNDEFINED", "BYTE",  "ASCII",     "SHORT",  "LONG",
                               "RATIONAL",  "SBYTE", "UNDEFINED", "SSHORT", "SLONG",
                               "SRATIONAL", "FLOAT", "DOUBLE",    "UNKNOWN"};
  for (std::uint32_t type = 0; type < 14; ++type) EXPECT_STREQ(type_name(type), names[type]);
  for (std::uint32_t type : {14u, 15u, 255u, 65535u, 0xFFFFFFFFu}) {
    EXPECT_STREQ(type_name(type), "UNKNOWN") << type;
  }
}

TEST(DumpIfd, BitsPerSampleAtAnOffset) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    for (std::uint32_t type : {std::uint32_t{SHORT}, std::uint32_t{LONG}}) {
      Tiff t = one_entry(le, unit::word(258, static_cast<std::uint16_t>(type), 3, kAfterIfd));
      t.append_shorts({8, 8, 8});
      EXPECT_EQ(dump(t.bytes, 8, le),
                generic(kFirstEntry, 258, type_name(type), type, 3, kAfterIfd) +
                    "\tBitsPerSample: 8 8 8 \n");
    }
    Tiff four = one_entry(le, unit::word(258, SHORT, 4, kAfterIfd));
    four.append_shorts({1, 2, 300, 65535});
    EXPECT_EQ(dump(four.bytes, 8, le), generic(kFirstEntry, 258, "SHORT", 3, 4, kAfterIfd) +
                                           "\tBitsPerSample: 1 2 300 65535 \n");
  }
}

TEST(DumpIfd, SecondInlineValueIsReadFromTheRawEntry) {
  // A LONG whose value field is also read as two 16-bit halves for the second value.
  const Entry e = unit::word(530, LONG, 1, 0x00010002u);
  const Entry bps = unit::word(258, LONG, 2, 0x00080010u);
  EXPECT_EQ(dump(one_entry(1, e).bytes, 8, 1),
            generic(kFirstEntry, 530, "LONG", 4, 1, 0x00010002u) +
                "\tYCbCrSubSampling: Horiz[65538] Vert[1]\n");
  EXPECT_EQ(dump(one_entry(0, e).bytes, 8, 0),
            generic(kFirstEntry, 530, "LONG", 4, 1, 0x00010002u) +
                "\tYCbCrSubSampling: Horiz[65538] Vert[2]\n");
  EXPECT_EQ(dump(one_entry(1, bps).bytes, 8, 1),
            generic(kFirstEntry, 258, "LONG", 4, 2, 0x00080010u) + "\tBitsPerSample: 524304 8\n");
  EXPECT_EQ(dump(one_entry(0, bps).bytes, 8, 0),
            generic(kFirstEntry, 258, "LONG", 4, 2, 0x00080010u) + "\tBitsPerSample: 524304 16\n");
}

TEST(DumpIfd, Rationals) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Tiff coeff = one_entry(le, unit::word(529, RATIONAL, 3, kAfterIfd));
    coeff.append_rationals({{299, 1000}, {587, 1000}, {114, 1000}});
    EXPECT_EQ(dump(coeff.bytes, 8, le),
              generic(kFirstEntry, 529, "RATIONAL", 5, 3, kAfterIfd) +
                  "\tYCbCrCoefficients: LumaRed[299/1000] LumaGreen[587/1000] "
                  "LumaBlue[114/1000] \n");

    // Words are printed signed and never divided; the type is not consulted.
    Tiff odd = one_entry(le, unit::word(529, SHORT, 3, kAfterIfd));
    odd.append_rationals({{0xFFFFFFFFu, 0}, {0x80000000u, 0xFFFFFFFEu}, {0, 0}});
    EXPECT_EQ(dump(odd.bytes, 8, le),
              generic(kFirstEntry, 529, "SHORT", 3, 3, kAfterIfd) +
                  "\tYCbCrCoefficients: LumaRed[-1/0] LumaGreen[-2147483648/-2] "
                  "LumaBlue[0/0] \n");

    Tiff rbw = one_entry(le, unit::word(532, RATIONAL, 6, kAfterIfd));
    rbw.append_rationals({{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}});
    EXPECT_EQ(dump(rbw.bytes, 8, le), generic(kFirstEntry, 532, "RATIONAL", 5, 6, kAfterIfd) +
                                          "\tReferenceBlackWhite: \n"
                                          "\t\t Y-Balck[1/2]  Y-White[3/4] \n"
                                          "\t\tCb-Balck[5/6] Cb-White[7/8]\n"
                                          "\t\tCr-Balck[9/10] Cr-White[11/12]\n");
  }
}

TEST(DumpIfd, TextFallback) {
  struct Case {
    const char* what;
    Entry entry;
    std::string text_line;
  };
  const Case cases[] = {
      {"three letters", unit::raw(0x10F, ASCII, 4, {'A', 'B', 'C', 0}), "\t[ABC]\n"},
      {"count 1 empty", unit::raw(0x10F, ASCII, 1, {0, 'X', 'Y', 'Z'}), "\t[]\n"},
      {"count 0 empty", unit::raw(0x10F, ASCII, 0, {0, 0, 0, 0}), "\t[ ]\n"},
      {"count 0 text", unit::raw(0x10F, ASCII, 0, {'A', 'B', 0, 0}), "\t[AB]\n"},
      {"right aligned", unit::raw(0x10F, ASCII, 3, {'A', 0, 0, 0}), "\t[ A]\n"},
      {"width only a minimum", unit::raw(0x10F, ASCII, 2, {'A', 'B', 'C', 0}), "\t[ABC]\n"},
      {"high bytes", unit::raw(0x9999, ASCII, 4, {0xC3, 0xA9, 0, 0}), "\t[ \xC3\xA9]\n"},
  };
  for (int le : unit::kBothOrders) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " " + unit::order_name(le));
      const std::string out = dump(one_entry(le, c.entry).bytes, 8, le);
      const std::size_t eol = out.find('\n');
      ASSERT_NE(eol, std::string::npos);
      EXPECT_EQ(out.substr(eol + 1), c.text_line);
    }
  }
}

TEST(DumpIfd, TextAtAnOffset) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Tiff t = one_entry(le, unit::word(0x10F, ASCII, 32, kAfterIfd));
    t.append(Bytes{'A', 'b', 'c', 'd', 'e'});
    t.bytes.resize(kAfterIfd + 32, 0);
    EXPECT_EQ(dump(t.bytes, 8, le), generic(kFirstEntry, 0x10F, "ASCII", 2, 32, kAfterIfd) + "\t[" +
                                        std::string(26, ' ') + "Abcde]\n");
  }
}

TEST(DumpIfd, InlineTextWithoutZeroRunsOnIntoTheFollowingBytes) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Tiff t = one_entry(le, unit::raw(0x10F, ASCII, 4, {'A', 'B', 'C', 'D'}));
    t.put_bytes(22, Bytes{'E', 'F', 0, 0});  // the next-IFD field
    const std::string out = dump(t.bytes, 8, le);
    EXPECT_EQ(out.substr(out.find('\n') + 1), "\t[ABCDEF]\n");
  }
}

TEST(DumpIfd, TextEndsWhereTheDataEnds) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    // The entry is the last thing read: no next-IFD field after it.
    Tiff inline_text = one_entry(le, unit::raw(0x10F, ASCII, 4, {'A', 'B', 'C', 'D'}));
    inline_text.bytes.resize(22);
    std::string out = dump(inline_text.bytes, 8, le);
    EXPECT_EQ(out.substr(out.find('\n') + 1), "\t[ABCD]\n");

    // Count 5 fits, but no zero byte follows before the end.
    Tiff at_offset = one_entry(le, unit::word(0x10F, ASCII, 5, kAfterIfd));
    at_offset.put_text(kAfterIfd, "ABCDEFGH");
    out = dump(at_offset.bytes, 8, le);
    EXPECT_EQ(out.substr(out.find('\n') + 1), "\t[ABCDEFGH]\n");
  }
}

TEST(DumpIfd, KnownTagOfTypeAsciiPrintsItsLineNotItsText) {
  for (int le : unit::kBothOrders) {
    Tiff t = one_entry(le, unit::word(256, ASCII, 8, kAfterIfd));
    t.put_text(kAfterIfd, "Abcdefg");
    t.put8(kAfterIfd + 7, 0);
    const std::string out = dump(t.bytes, 8, le);
    EXPECT_EQ(out.substr(out.find('\n') + 1), "\tImageWidth: 26\n");
  }
}

// --- Data that ends too early -----------------------------------------------------------------

TEST(DumpIfdDamaged, CountBeyondTheData) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Tiff t(le);
    t.put_ifd(8, {});
    const std::uint32_t size = static_cast<std::uint32_t>(t.bytes.size());
    for (std::uint32_t ifd : {size - 1, size, size + 1, 0x8000u, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
      EXPECT_EQ(dump(t.bytes, ifd, le), "\t<IFD beyond the data read>\n") << ifd;
    }
  }
}

TEST(DumpIfdDamaged, EntriesBeyondTheData) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Tiff t(le);
    t.put_ifd(8, {unit::short1(256, 4), unit::short1(257, 3), unit::short1(274, 1)});
    // Cut in the middle of the second entry.
    Bytes cut(t.bytes.begin(), t.bytes.begin() + 8 + 2 + 12 + 6);
    EXPECT_EQ(dump(cut, 8, le), generic(0x16, 256, "SHORT", 3, 1, 4) +
                                    "\tImageWidth: 4\n"
                                    "\t<2 of 3 entries beyond the data read>\n");

    // Only the count was read.
    Bytes count_only(t.bytes.begin(), t.bytes.begin() + 10);
    EXPECT_EQ(dump(count_only, 8, le), "\t<3 of 3 entries beyond the data read>\n");

    // All three entries, but not the next-IFD field, which the dump does not need.
    Bytes entries_only(t.bytes.begin(), t.bytes.begin() + 8 + 2 + 36);
    const std::string out = dump(entries_only, 8, le);
    EXPECT_EQ(out.find("beyond"), std::string::npos) << out;
    EXPECT_NE(out.find("\tOrientation: [Normal]\n"), std::string::npos) << out;

    // The largest count, right at the end of the data.
    Tiff big(le);
    big.put16(8, 0xFFFF);
    EXPECT_EQ(dump(big.bytes, 8, le), "\t<65535 of 65535 entries beyond the data read>\n");
  }
}

TEST(DumpIfdDamaged, BitsPerSamplePastTheData) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Tiff t = one_entry(le, unit::word(258, SHORT, 3, kAfterIfd));
    t.append_shorts({8, 8});
    EXPECT_EQ(dump(t.bytes, 8, le), generic(kFirstEntry, 258, "SHORT", 3, 3, kAfterIfd) +
                                        "\tBitsPerSample: 8 8 <beyond the data read>\n");
    // One byte of the third value is not enough.
    t.put8(kAfterIfd + 4, 8);
    EXPECT_EQ(dump(t.bytes, 8, le), generic(kFirstEntry, 258, "SHORT", 3, 3, kAfterIfd) +
                                        "\tBitsPerSample: 8 8 <beyond the data read>\n");

    // A count whose byte size does not fit in 32 bits.
    Tiff huge = one_entry(le, unit::word(258, SHORT, 0xFFFFFFFFu, kAfterIfd));
    huge.append_shorts({1, 2, 3});
    EXPECT_EQ(dump(huge.bytes, 8, le),
              generic(kFirstEntry, 258, "SHORT", 3, 0xFFFFFFFFu, kAfterIfd) +
                  "\tBitsPerSample: 1 2 3 <beyond the data read>\n");

    // Offsets near 2^32 that would wrap to the start of the data in 32 bits.
    for (std::uint32_t offset : {0xFFFFFFFEu, 0xFFFFFFFCu, 0xFFFFFFF4u}) {
      Tiff wrap = one_entry(le, unit::word(258, SHORT, 8, offset));
      EXPECT_EQ(dump(wrap.bytes, 8, le), generic(kFirstEntry, 258, "SHORT", 3, 8, offset) +
                                             "\tBitsPerSample: <beyond the data read>\n")
          << offset;
    }
  }
}

TEST(DumpIfdDamaged, RationalsPastTheData) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Tiff coeff = one_entry(le, unit::word(529, RATIONAL, 3, kAfterIfd));
    coeff.append_rationals({{299, 1000}});
    EXPECT_EQ(dump(coeff.bytes, 8, le),
              generic(kFirstEntry, 529, "RATIONAL", 5, 3, kAfterIfd) +
                  "\tYCbCrCoefficients: LumaRed[299/1000] <beyond the data read>\n");

    // The numerator of the second rational is there, its denominator is not.
    coeff.put32(kAfterIfd + 8, 587);
    std::string out = dump(coeff.bytes, 8, le);
    EXPECT_TRUE(unit::occur_in_order(out, {"\tYCbCrCoefficients: LumaRed[299/1000] "}));
    EXPECT_TRUE(out.ends_with("<beyond the data read>\n")) << out;
    EXPECT_EQ(out.find("1000]", out.find("LumaRed[299/1000]") + 17), std::string::npos) << out;

    for (std::uint32_t offset : {0xFFFFFFF8u, 0xFFFFFFF0u, 0xFFFFFFFFu, 0x8000u}) {
      Tiff wrap = one_entry(le, unit::word(529, RATIONAL, 3, offset));
      EXPECT_EQ(dump(wrap.bytes, 8, le), generic(kFirstEntry, 529, "RATIONAL", 5, 3, offset) +
                                             "\tYCbCrCoefficients: <beyond the data read>\n")
          << offset;
    }

    Tiff rbw = one_entry(le, unit::word(532, RATIONAL, 6, kAfterIfd));
    rbw.append_rationals({{0, 1}, {255, 1}, {128, 1}});
    EXPECT_EQ(dump(rbw.bytes, 8, le), generic(kFirstEntry, 532, "RATIONAL", 5, 6, kAfterIfd) +
                                          "\tReferenceBlackWhite: \n"
                                          "\t\t Y-Balck[0/1]  Y-White[255/1] \n"
                                          "\t\tCb-Balck[128/1] <beyond the data read>\n");

    Tiff rbw_wrap = one_entry(le, unit::word(532, RATIONAL, 6, 0xFFFFFFE0u));
    out = dump(rbw_wrap.bytes, 8, le);
    EXPECT_TRUE(out.starts_with(generic(kFirstEntry, 532, "RATIONAL", 5, 6, 0xFFFFFFE0u) +
                                "\tReferenceBlackWhite: "))
        << out;
    EXPECT_TRUE(out.ends_with("<beyond the data read>\n")) << out;
    EXPECT_EQ(out.find("Balck["), std::string::npos) << out;
  }
}

TEST(DumpIfdDamaged, TextPastTheData) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Tiff zero_inside = one_entry(le, unit::word(0x10F, ASCII, 10, kAfterIfd));
    zero_inside.put_bytes(kAfterIfd, Bytes{'A', 'b', 'c', 0, 'x', 'y'});
    EXPECT_EQ(dump(zero_inside.bytes, 8, le),
              generic(kFirstEntry, 0x10F, "ASCII", 2, 10, kAfterIfd) +
                  "\t[Abc] <beyond the data read>\n");

    Tiff no_zero = one_entry(le, unit::word(0x10F, ASCII, 10, kAfterIfd));
    no_zero.put_text(kAfterIfd, "Abcd");
    EXPECT_EQ(dump(no_zero.bytes, 8, le), generic(kFirstEntry, 0x10F, "ASCII", 2, 10, kAfterIfd) +
                                              "\t[Abcd] <beyond the data read>\n");

    for (std::uint32_t offset : {0xFFFFFFF0u, 0xFFFFFFFFu, 0x8000u}) {
      Tiff wrap = one_entry(le, unit::word(0x10F, ASCII, 32, offset));
      EXPECT_EQ(dump(wrap.bytes, 8, le), generic(kFirstEntry, 0x10F, "ASCII", 2, 32, offset) +
                                             "\t[] <beyond the data read>\n")
          << offset;
    }

    // A count whose width would not fit a printf field.
    Tiff huge = one_entry(le, unit::word(0x10F, ASCII, 0xFFFFFFFFu, kAfterIfd));
    huge.put_text(kAfterIfd, "Ab");
    huge.put8(kAfterIfd + 2, 0);
    EXPECT_EQ(dump(huge.bytes, 8, le),
              generic(kFirstEntry, 0x10F, "ASCII", 2, 0xFFFFFFFFu, kAfterIfd) +
                  "\t[Ab] <beyond the data read>\n");
  }
}

TEST(DumpIfdDamaged, LaterEntriesStillPrintAfterADamagedOne) {
  for (int le : unit::kBothOrders) {
    Tiff t(le);
    t.put_ifd(8, {unit::word(529, RATIONAL, 3, 0xFFFFFFF8u), unit::short1(274, 3)});
    const std::string out = dump(t.bytes, 8, le);
    EXPECT_TRUE(unit::occur_in_order(out, {"\tYCbCrCoefficients: <beyond the data read>\n",
                                           "Tag=0x112[274]", "\tOrientation: [180 degrees]\n"}));
  }
}

}  // namespace
}  // namespace pelnor
