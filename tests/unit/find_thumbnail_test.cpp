// Classifying IFD1: JPEG stream, RGB strip, YCbCr strip or nothing, and the record it fills.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "tiff/thumb_info.h"
#include "tiff_bytes.h"

namespace pelnor {
namespace {

using unit::Bytes;
using unit::Entry;
using unit::HeapBytes;
using unit::Tiff;

// Fixed places for the data that entries point at; IFD1 is at TIFF offset 8.
constexpr std::uint32_t kIfd = 8;
constexpr std::uint32_t kBps = 0x200;      // 8, 8, 8
constexpr std::uint32_t kBps16 = 0x208;    // 8, 8, 16
constexpr std::uint32_t kCoeff = 0x210;    // 1/4, 1/2, 1/4
constexpr std::uint32_t kRbw = 0x230;      // 0/1, 255/1, 128/1, 255/1, 128/1, 255/1
constexpr std::uint32_t kXRes = 0x260;     // 72/1
constexpr std::uint32_t kYRes = 0x268;     // 72/1
constexpr std::uint32_t kJpeg = 0x280;     // FF D8 FF DB ...
constexpr std::uint32_t kNotJpeg = 0x290;  // FF D9 ...
constexpr std::uint32_t kStrip = 0x300;

using Entries = std::vector<Entry>;

// A 4 x 2 RGB strip of 24 bytes.
Entries rgb() {
  return {unit::short1(256, 4), unit::short1(257, 2), unit::word(258, SHORT, 3, kBps),
          unit::short1(259, 1), unit::short1(262, 2), unit::long1(273, kStrip),
          unit::short1(277, 3), unit::short1(278, 2), unit::long1(279, 24),
          unit::short1(284, 1)};
}

// A 4 x 2 YCbCr strip subsampled 2 x 1: four blocks of four bytes.
Entries ycc() {
  Entries e = rgb();
  e[4] = unit::short1(262, 6);
  e[8] = unit::long1(279, 16);
  e.push_back(unit::shorts(530, SHORT, 2, 2, 1));
  e.push_back(unit::short1(531, 2));
  return e;
}

Entries jpeg() { return {unit::long1(513, kJpeg), unit::long1(514, 16)}; }

Entries with(Entries e, const Entries& more) {
  e.insert(e.end(), more.begin(), more.end());
  return e;
}
Entries without(Entries e, std::uint16_t tag) {
  e.erase(std::remove_if(e.begin(), e.end(), [tag](const Entry& x) { return x.tag == tag; }),
          e.end());
  return e;
}
Entries replaced(Entries e, const Entry& by) {
  for (Entry& x : e) {
    if (x.tag == by.tag) x = by;
  }
  return e;
}

Bytes layout(int le, const Entries& entries, std::uint32_t strip_len = 24,
             const std::function<void(Tiff&)>& more = {}) {
  Tiff t(le);
  t.put_ifd(kIfd, entries);
  EXPECT_LT(kIfd + 6 + 12 * entries.size(), std::size_t{kBps});
  for (std::uint32_t k = 0; k < 3; ++k) {
    t.put16(kBps + 2 * k, 8);
    t.put16(kBps16 + 2 * k, k == 2 ? 16 : 8);
  }
  const std::uint32_t coeff[] = {1, 4, 1, 2, 1, 4};
  for (std::uint32_t k = 0; k < 6; ++k) t.put32(kCoeff + 4 * k, coeff[k]);
  const std::uint32_t rbw[] = {0, 1, 255, 1, 128, 1, 255, 1, 128, 1, 255, 1};
  for (std::uint32_t k = 0; k < 12; ++k) t.put32(kRbw + 4 * k, rbw[k]);
  t.put32(kXRes, 72);
  t.put32(kXRes + 4, 1);
  t.put32(kYRes, 72);
  t.put32(kYRes + 4, 1);
  t.put_bytes(kJpeg, Bytes{0xFF, 0xD8, 0xFF, 0xDB, 0, 0x43, 0, 1, 2, 3, 4, 5, 6, 7, 0xFF, 0xD9});
  t.put_bytes(kNotJpeg, Bytes{0xFF, 0xD9, 0xFF, 0xD8});
  t.bytes.resize(kStrip + strip_len, 0x5A);
  if (more) more(t);
  return t.bytes;
}

struct Found {
  int result;
  ThumbInfo info;
};

ThumbInfo sentinel() {
  ThumbInfo s;
  std::memset(static_cast<void*>(&s), 0xA5, sizeof s);
  return s;
}

Found find(const Bytes& bytes, int le, std::uint32_t ifd = kIfd) {
  const HeapBytes data(bytes);
  Found f{0, sentinel()};
  f.result = find_thumbnail(data.tiff(), ifd, &f.info, le);
  return f;
}

std::string describe(const ThumbInfo& t) {
  char text[600];
  std::snprintf(text, sizeof text,
                "kind %d jpeg %u+%u size %dx%d photometric %d res %u,%u coeff %.17g %.17g %.17g "
                "rbw %.17g %.17g %.17g %.17g %.17g %.17g strip %u+%u sub %d,%d",
                t.kind, t.jpeg_offset, t.jpeg_length, t.width, t.height, t.photometric,
                t.x_resolution, t.y_resolution, t.ycbcr_coefficients[0], t.ycbcr_coefficients[1],
                t.ycbcr_coefficients[2], t.reference_black_white[0], t.reference_black_white[1],
                t.reference_black_white[2], t.reference_black_white[3], t.reference_black_white[4],
                t.reference_black_white[5], t.strip_offset, t.strip_byte_count, t.subsampling_h,
                t.subsampling_v);
  return text;
}

bool untouched(const ThumbInfo& info) {
  const ThumbInfo s = sentinel();
  return std::memcmp(&info, &s, sizeof s) == 0;
}

ThumbInfo base_rgb() {
  ThumbInfo t;
  t.kind = THUMB_TIFF_RGB;
  t.width = 4;
  t.height = 2;
  t.photometric = 2;
  t.strip_offset = kStrip;
  t.strip_byte_count = 24;
  return t;
}

ThumbInfo base_ycc() {
  ThumbInfo t = base_rgb();
  t.kind = THUMB_TIFF_YCBCR;
  t.photometric = 6;
  t.strip_byte_count = 16;
  t.subsampling_h = 2;
  t.subsampling_v = 1;
  return t;
}

TEST(FindThumbnail, RecordDefaults) {
  const ThumbInfo t;
  EXPECT_EQ(t.ycbcr_coefficients[0], 0.299);
  EXPECT_EQ(t.ycbcr_coefficients[1], 0.587);
  EXPECT_EQ(t.ycbcr_coefficients[2], 0.114);
  const double rbw[] = {15, 235, 128, 240, 128, 240};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(t.reference_black_white[k], rbw[k]);
}

TEST(FindThumbnail, RgbAndYcbcrDirectories) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Found f = find(layout(le, rgb()), le);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(describe(f.info), describe(base_rgb()));
    f = find(layout(le, ycc()), le);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(describe(f.info), describe(base_ycc()));
  }
}

TEST(FindThumbnail, EmptyOrMissingIfdFindsNothing) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Found f = find(layout(le, {}), le);
    EXPECT_EQ(f.result, 0);
    EXPECT_TRUE(untouched(f.info));
    // No PhotometricInterpretation at all.
    f = find(layout(le, without(rgb(), 262)), le);
    EXPECT_EQ(f.result, 0);
    EXPECT_TRUE(untouched(f.info));
  }
}

TEST(FindThumbnail, ChangesThatMakeNoDifference) {
  struct Case {
    const char* what;
    std::function<Entries(Entries)> change;
  };
  const Case cases[] = {
      {"BitsPerSample count 1", [](Entries e) { return replaced(e, unit::short1(258, 16)); }},
      {"BitsPerSample LONG",
       [](Entries e) { return replaced(e, unit::word(258, LONG, 3, kBps16)); }},
      {"BitsPerSample count 4",
       [](Entries e) { return replaced(e, unit::word(258, SHORT, 4, kBps16)); }},
      {"no BitsPerSample", [](Entries e) { return without(e, 258); }},
      {"no Compression", [](Entries e) { return without(e, 259); }},
      {"no SamplesPerPixel", [](Entries e) { return without(e, 277); }},
      {"no RowsPerStrip", [](Entries e) { return without(e, 278); }},
      {"no StripByteCounts", [](Entries e) { return without(e, 279); }},
      {"no PlanarConfiguration", [](Entries e) { return without(e, 284); }},
      {"no YCbCrPositioning", [](Entries e) { return without(e, 531); }},
      {"Orientation", [](Entries e) { return with(e, {unit::short1(274, 6)}); }},
      {"ResolutionUnit", [](Entries e) { return with(e, {unit::short1(296, 3)}); }},
      {"unknown tags",
       [](Entries e) {
         return with(e, {unit::long1(0x8769, 0xFFFFFFFFu), unit::word(0x10F, ASCII, 40, 1)});
       }},
      {"RowsPerStrip 0 before ImageLength",
       [](Entries e) {
         e = without(e, 278);
         e.insert(e.begin(), unit::short1(278, 0));
         return e;
       }},
      {"tests repeated and passed",
       [](Entries e) {
         return with(e, {unit::short1(259, 1), unit::short1(277, 3), unit::short1(284, 1)});
       }},
  };
  for (int le : unit::kBothOrders) {
    for (bool is_ycc : {false, true}) {
      for (const Case& c : cases) {
        if (!is_ycc && c.what == std::string("no YCbCrPositioning")) continue;
        SCOPED_TRACE(std::string(c.what) + (is_ycc ? " YCbCr " : " RGB ") + unit::order_name(le));
        const Found f = find(layout(le, c.change(is_ycc ? ycc() : rgb())), le);
        EXPECT_EQ(f.result, 1);
        ThumbInfo expected = is_ycc ? base_ycc() : base_rgb();
        if (c.what == std::string("no StripByteCounts")) expected.strip_byte_count = 0;
        EXPECT_EQ(describe(f.info), describe(expected));
      }
    }
  }
}

TEST(FindThumbnail, EntriesThatRuleOutTheStrip) {
  struct Case {
    const char* what;
    std::function<Entries(Entries)> change;
  };
  const Case cases[] = {
      {"BitsPerSample 8 8 16",
       [](Entries e) { return replaced(e, unit::word(258, SHORT, 3, kBps16)); }},
      {"BitsPerSample 16 first",
       [](Entries e) { return replaced(e, unit::word(258, SHORT, 3, kBps16 + 4)); }},
      {"SamplesPerPixel 4", [](Entries e) { return replaced(e, unit::short1(277, 4)); }},
      {"SamplesPerPixel 1", [](Entries e) { return replaced(e, unit::short1(277, 1)); }},
      {"Compression 6", [](Entries e) { return replaced(e, unit::short1(259, 6)); }},
      {"Compression 0", [](Entries e) { return replaced(e, unit::short1(259, 0)); }},
      {"PlanarConfiguration 2", [](Entries e) { return replaced(e, unit::short1(284, 2)); }},
      {"RowsPerStrip 2^32-1", [](Entries e) { return replaced(e, unit::long1(278, 0xFFFFFFFFu)); }},
      {"RowsPerStrip 1", [](Entries e) { return replaced(e, unit::short1(278, 1)); }},
      {"RowsPerStrip 3", [](Entries e) { return replaced(e, unit::short1(278, 3)); }},
      {"RowsPerStrip before ImageLength",
       [](Entries e) {
         e = without(e, 278);
         e.insert(e.begin(), unit::short1(278, 2));
         return e;
       }},
      {"YCbCrPositioning 1", [](Entries e) { return with(e, {unit::short1(531, 1)}); }},
      {"YCbCrCoefficients count 2",
       [](Entries e) { return with(e, {unit::word(529, RATIONAL, 2, kCoeff)}); }},
      {"YCbCrCoefficients count 4",
       [](Entries e) { return with(e, {unit::word(529, RATIONAL, 4, kCoeff)}); }},
      {"ReferenceBlackWhite count 3",
       [](Entries e) { return with(e, {unit::word(532, RATIONAL, 3, kRbw)}); }},
      {"ReferenceBlackWhite count 7",
       [](Entries e) { return with(e, {unit::word(532, RATIONAL, 7, kRbw)}); }},
      {"PhotometricInterpretation 1 first",
       [](Entries e) {
         e.insert(e.begin(), unit::short1(262, 1));
         return e;
       }},
      {"a later Compression 6", [](Entries e) { return with(e, {unit::short1(259, 6)}); }},
  };
  for (int le : unit::kBothOrders) {
    for (bool is_ycc : {false, true}) {
      for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (is_ycc ? " YCbCr " : " RGB ") + unit::order_name(le));
        const Found f = find(layout(le, c.change(is_ycc ? ycc() : rgb())), le);
        EXPECT_EQ(f.result, 0);
        EXPECT_TRUE(untouched(f.info)) << describe(f.info);
      }
    }
  }
}

TEST(FindThumbnail, PhotometricOtherThanRgbOrYcbcr) {
  for (int le : unit::kBothOrders) {
    for (std::uint32_t photometric : {0u, 1u, 3u, 5u, 0x10002u}) {
      SCOPED_TRACE(photometric);
      const Found f = find(layout(le, replaced(rgb(), unit::long1(262, photometric))), le);
      EXPECT_EQ(f.result, 0);
    }
  }
}

TEST(FindThumbnail, RepeatedTags) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    // The later entry decides the field.
    Found f = find(layout(le, with(rgb(), {unit::short1(256, 3)})), le);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(f.info.width, 3);
    f = find(layout(le, with(rgb(), {unit::short1(262, 6), unit::shorts(530, SHORT, 2, 1, 1)})),
             le);
    EXPECT_EQ(f.info.kind, THUMB_TIFF_YCBCR);
    f = find(layout(le, with(ycc(), {unit::short1(262, 2)})), le);
    EXPECT_EQ(f.info.kind, THUMB_TIFF_RGB);
    EXPECT_EQ(f.info.photometric, 2);
    // A later ImageLength does not undo a RowsPerStrip test that passed.
    f = find(layout(le, with(rgb(), {unit::short1(257, 1)})), le);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(f.info.height, 1);
    // ... nor one that failed.
    f = find(layout(le, with(replaced(rgb(), unit::short1(278, 1)), {unit::short1(257, 1)})), le);
    EXPECT_EQ(f.result, 0);
    // A later passing test does not set usable again.
    f = find(layout(le, with(replaced(rgb(), unit::short1(259, 6)), {unit::short1(259, 1)})), le);
    EXPECT_EQ(f.result, 0);
    f = find(layout(le, with(rgb(), {unit::short1(262, 1), unit::short1(262, 2)})), le);
    EXPECT_EQ(f.result, 0);
  }
}

TEST(FindThumbnail, Jpeg) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    ThumbInfo expected;
    expected.kind = THUMB_JPEG;
    expected.jpeg_offset = kJpeg;
    expected.jpeg_length = 16;

    Found f = find(layout(le, jpeg()), le);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(describe(f.info), describe(expected));

    // Length before offset, Compression 6, no PhotometricInterpretation.
    f = find(layout(le, {unit::long1(514, 16), unit::short1(259, 6), unit::long1(513, kJpeg)}), le);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(describe(f.info), describe(expected));

    // A JPEG stream wins over a strip, usable or not; the record holds the rest too.
    f = find(layout(le, with(rgb(), jpeg())), le);
    EXPECT_EQ(f.result, 1);
    ThumbInfo both = base_rgb();
    both.kind = THUMB_JPEG;
    both.jpeg_offset = kJpeg;
    both.jpeg_length = 16;
    EXPECT_EQ(describe(f.info), describe(both));
    f = find(layout(le, with(replaced(ycc(), unit::short1(259, 6)), jpeg())), le);
    EXPECT_EQ(f.info.kind, THUMB_JPEG);

    // A stream that runs past the data read is still reported.
    f = find(layout(le, {unit::long1(513, kJpeg), unit::long1(514, 100000)}), le);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(f.info.kind, THUMB_JPEG);
    EXPECT_EQ(f.info.jpeg_length, 100000u);
  }
}

TEST(FindThumbnail, JpegEntriesThatAreNotTaken) {
  struct Case {
    const char* what;
    Entries entries;
    bool offset_refused;
  };
  const Case cases[] = {
      {"wrong signature", {unit::long1(513, kNotJpeg), unit::long1(514, 16)}, true},
      {"signature one byte off", {unit::long1(513, kJpeg + 1), unit::long1(514, 16)}, true},
      {"offset of type SHORT", {unit::short1(513, kJpeg), unit::long1(514, 16)}, true},
      {"offset of type SLONG", {unit::word(513, SLONG, 1, kJpeg), unit::long1(514, 16)}, true},
      {"length of type SHORT", {unit::long1(513, kJpeg), unit::short1(514, 16)}, false},
      {"no length", {unit::long1(513, kJpeg)}, false},
      {"length 0", {unit::long1(513, kJpeg), unit::long1(514, 0)}, false},
      {"no offset", {unit::long1(514, 16)}, true},
      {"signature beyond the data", {unit::long1(513, 0xFFFFFFFFu), unit::long1(514, 16)}, true},
      {"signature near 2^32", {unit::long1(513, 0xFFFFFFFEu), unit::long1(514, 16)}, true},
      {"signature at the last byte", {unit::long1(513, kStrip + 23), unit::long1(514, 16)}, true},
  };
  for (int le : unit::kBothOrders) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " " + unit::order_name(le));
      Bytes bytes = layout(le, c.entries);
      bytes.back() = 0xFF;  // the last byte read looks like the start of a signature
      Found f = find(bytes, le);
      EXPECT_EQ(f.result, 0);
      EXPECT_TRUE(untouched(f.info));
      // With a strip beside it, the strip decides and the offset stays 0.
      f = find(layout(le, with(rgb(), c.entries)), le);
      EXPECT_EQ(f.result, 1);
      EXPECT_EQ(f.info.kind, THUMB_TIFF_RGB);
      EXPECT_EQ(f.info.jpeg_offset, c.offset_refused ? 0u : kJpeg);
    }
  }
  // A later bad offset keeps what a good one stored.
  for (int le : unit::kBothOrders) {
    const Found f =
        find(layout(le, with(jpeg(), {unit::long1(513, kNotJpeg), unit::short1(513, 4)})), le);
    EXPECT_EQ(f.info.kind, THUMB_JPEG);
    EXPECT_EQ(f.info.jpeg_offset, kJpeg);
  }
}

TEST(FindThumbnail, CoefficientsAndBlackWhiteLevels) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Found f = find(layout(le, with(ycc(), {unit::word(529, RATIONAL, 3, kCoeff),
                                           unit::word(532, RATIONAL, 6, kRbw)})),
                   le);
    EXPECT_EQ(f.result, 1);
    ThumbInfo expected = base_ycc();
    const double coeff[] = {0.25, 0.5, 0.25};
    const double rbw[] = {0, 255, 128, 255, 128, 255};
    std::copy(coeff, coeff + 3, expected.ycbcr_coefficients);
    std::copy(rbw, rbw + 6, expected.reference_black_white);
    EXPECT_EQ(describe(f.info), describe(expected));

    // Kept whatever the kind; the entry types are not looked at.
    f = find(layout(le, with(rgb(), {unit::word(529, SHORT, 3, kCoeff)})), le);
    EXPECT_EQ(f.info.kind, THUMB_TIFF_RGB);
    EXPECT_EQ(f.info.ycbcr_coefficients[1], 0.5);

    // Signed words, and zero denominators let through.
    f = find(layout(le, with(ycc(), {unit::word(529, RATIONAL, 3, 0x400)}), 24,
                    [](Tiff& t) {
                      const std::uint32_t words[] = {0xFFFFFFFFu, 2,           1,
                                                     0xFFFFFFFCu, 0x80000000u, 1};
                      for (std::uint32_t k = 0; k < 6; ++k) t.put32(0x400 + 4 * k, words[k]);
                    }),
             le);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(f.info.ycbcr_coefficients[0], -0.5);
    EXPECT_EQ(f.info.ycbcr_coefficients[1], -0.25);
    EXPECT_EQ(f.info.ycbcr_coefficients[2], -2147483648.0);

    f = find(layout(le, with(ycc(), {unit::word(532, RATIONAL, 6, 0x400)}), 24,
                    [](Tiff& t) {
                      const std::uint32_t words[] = {1, 0, 0, 0, 0xFFFFFFFFu, 0, 7, 2, 0, 5, 3, 1};
                      for (std::uint32_t k = 0; k < 12; ++k) t.put32(0x400 + 4 * k, words[k]);
                    }),
             le);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(f.info.kind, THUMB_TIFF_YCBCR);
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(f.info.reference_black_white[0], inf);
    EXPECT_TRUE(std::isnan(f.info.reference_black_white[1]));
    EXPECT_EQ(f.info.reference_black_white[2], -inf);
    EXPECT_EQ(f.info.reference_black_white[3], 3.5);
    EXPECT_EQ(f.info.reference_black_white[4], 0.0);
    EXPECT_EQ(f.info.reference_black_white[5], 3.0);
  }
}

TEST(FindThumbnail, ValuesBeyondTheDataRuleOutTheStrip) {
  struct Case {
    const char* what;
    Entry entry;
  };
  const Case cases[] = {
      {"BitsPerSample", unit::word(258, SHORT, 3, 0xFFFFFFFEu)},
      {"BitsPerSample at the end", unit::word(258, SHORT, 3, kStrip + 20)},
      {"YCbCrCoefficients", unit::word(529, RATIONAL, 3, 0xFFFFFFF8u)},
      {"YCbCrCoefficients at the end", unit::word(529, RATIONAL, 3, kStrip + 4)},
      {"ReferenceBlackWhite", unit::word(532, RATIONAL, 6, 0xFFFFFFE0u)},
      {"ReferenceBlackWhite at the end", unit::word(532, RATIONAL, 6, kStrip)},
  };
  for (int le : unit::kBothOrders) {
    for (bool is_ycc : {false, true}) {
      for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (is_ycc ? " YCbCr " : " RGB ") + unit::order_name(le));
        // The 24 strip bytes of 8s end the data: a value array reaching past them is outside.
        Entries e = is_ycc ? ycc() : rgb();
        e = c.entry.tag == 258 ? replaced(e, c.entry) : with(e, {c.entry});
        const Found f = find(layout(le, e, 24,
                                    [](Tiff& t) {
                                      for (std::uint32_t k = 0; k < 12; ++k)
                                        t.put16(kStrip + 2 * k, 8);
                                    }),
                             le);
        EXPECT_EQ(f.result, 0);
        EXPECT_TRUE(untouched(f.info));
      }
    }
  }
}

TEST(FindThumbnail, StripGeometryThatCannotBeWritten) {
  struct Case {
    const char* what;
    bool is_ycc;
    std::function<Entries(Entries)> change;
    std::uint32_t strip_len;
  };
  const Case cases[] = {
      {"width 0", false, [](Entries e) { return replaced(e, unit::short1(256, 0)); }, 24},
      {"width -1", false, [](Entries e) { return replaced(e, unit::long1(256, 0xFFFFFFFFu)); }, 24},
      {"height 0", false, [](Entries e) { return without(replaced(e, unit::short1(257, 0)), 278); },
       24},
      {"height -2", false,
       [](Entries e) { return without(replaced(e, unit::long1(257, 0xFFFFFFFEu)), 278); }, 24},
      {"no ImageWidth", false, [](Entries e) { return without(e, 256); }, 24},
      {"no ImageLength", false, [](Entries e) { return without(without(e, 257), 278); }, 24},
      {"no StripOffsets", false, [](Entries e) { return without(e, 273); }, 24},
      {"RGB strip one byte short", false, [](Entries e) { return e; }, 23},
      {"RGB strip near 2^32", false,
       [](Entries e) { return replaced(e, unit::long1(273, 0xFFFFFFF0u)); }, 24},
      {"RGB huge", false,
       [](Entries e) {
         return without(
             replaced(replaced(e, unit::long1(256, 0x7FFFFFFFu)), unit::long1(257, 0x7FFFFFFFu)),
             278);
       },
       24},
      {"no YCbCrSubSampling", true, [](Entries e) { return without(e, 530); }, 24},
      {"subsampling 0, 1", true,
       [](Entries e) { return replaced(e, unit::shorts(530, SHORT, 2, 0, 1)); }, 24},
      {"subsampling 2, 0", true,
       [](Entries e) { return replaced(e, unit::shorts(530, SHORT, 2, 2, 0)); }, 24},
      {"subsampling -1 (LONG)", true,
       [](Entries e) { return replaced(e, unit::word(530, LONG, 1, 0xFFFFFFFFu)); }, 24},
      {"YCbCr strip one byte short", true, [](Entries e) { return e; }, 15},
      {"YCbCr edge blocks past the data", true,
       [](Entries e) {
         // 3 x 3 subsampled 2 x 2: four whole blocks of six bytes are needed.
         e = replaced(e, unit::short1(256, 3));
         e = replaced(e, unit::short1(257, 3));
         e = replaced(e, unit::short1(278, 3));
         return replaced(e, unit::shorts(530, SHORT, 2, 2, 2));
       },
       23},
  };
  for (int le : unit::kBothOrders) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " " + unit::order_name(le));
      const Found f = find(layout(le, c.change(c.is_ycc ? ycc() : rgb()), c.strip_len), le);
      EXPECT_EQ(f.result, 0);
      EXPECT_TRUE(untouched(f.info)) << describe(f.info);
    }
  }
}

TEST(FindThumbnail, StripThatJustFits) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    EXPECT_EQ(find(layout(le, rgb(), 24), le).result, 1);
    EXPECT_EQ(find(layout(le, ycc(), 16), le).result, 1);
    Entries e = ycc();
    e = replaced(e, unit::short1(256, 3));
    e = replaced(e, unit::short1(257, 3));
    e = replaced(e, unit::short1(278, 3));
    e = replaced(e, unit::shorts(530, SHORT, 2, 2, 2));
    EXPECT_EQ(find(layout(le, e, 24), le).result, 1);
    e = replaced(e, unit::shorts(530, SHORT, 2, 1, 1));
    EXPECT_EQ(find(layout(le, e, 27), le).result, 1);
    EXPECT_EQ(find(layout(le, e, 26), le).result, 0);
    // 5 x 3 subsampled 4 x 2: 2 x 2 blocks of 10 bytes.
    e = replaced(e, unit::short1(256, 5));
    e = replaced(e, unit::shorts(530, SHORT, 2, 4, 2));
    EXPECT_EQ(find(layout(le, e, 40), le).result, 1);
    EXPECT_EQ(find(layout(le, e, 39), le).result, 0);
  }
}

TEST(FindThumbnail, IfdBeyondTheData) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    // A JPEG directory whose last entry is cut off.
    Tiff t(le);
    t.put_bytes(8, Bytes{0xFF, 0xD8, 0xFF, 0xD9});
    t.put_ifd(12, {unit::long1(513, 8), unit::long1(514, 4), unit::short1(274, 1)});
    Bytes cut(t.bytes.begin(), t.bytes.begin() + 12 + 2 + 24 + 11);
    Found f = find(cut, le, 12);
    EXPECT_EQ(f.result, 0);
    EXPECT_TRUE(untouched(f.info));
    // The whole entries are enough; the next-IFD field is not needed.
    Bytes whole(t.bytes.begin(), t.bytes.begin() + 12 + 2 + 36);
    EXPECT_EQ(find(whole, le, 12).result, 1);

    for (std::uint32_t ifd : {static_cast<std::uint32_t>(whole.size()) - 1,
                              static_cast<std::uint32_t>(whole.size()), 0xFFFFFFFFu}) {
      f = find(whole, le, ifd);
      EXPECT_EQ(f.result, 0) << ifd;
      EXPECT_TRUE(untouched(f.info));
    }
  }
}

TEST(FindThumbnail, ResolutionInPixelsPerMetre) {
  struct Case {
    const char* what;
    std::uint32_t x_num, x_den, y_num, y_den;
    std::uint32_t unit;  // 0: no ResolutionUnit entry
    bool unit_first;
    std::uint32_t x_ppm, y_ppm;
  };
  const Case cases[] = {
      {"72 dpi, no unit", 72, 1, 72, 1, 0, false, 2835, 2835},
      {"72 dpi, inches", 72, 1, 72, 1, 2, false, 2835, 2835},
      {"72 dpi, unit 1", 72, 1, 72, 1, 1, false, 2835, 2835},
      {"7200/100", 7200, 100, 72, 1, 2, false, 2835, 2835},
      {"300 x 150 dpi", 300, 1, 150, 1, 0, false, 11811, 5906},
      {"96 dpi", 96, 1, 96, 1, 2, false, 3780, 3780},
      {"200 per cm", 200, 1, 200, 1, 3, false, 20000, 20000},
      {"per cm, unit first", 200, 1, 50, 2, 3, true, 20000, 2500},
      {"inches, unit first", 72, 1, 72, 1, 2, true, 2835, 2835},
  };
  for (int le : unit::kBothOrders) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " " + unit::order_name(le));
      Entries e = rgb();
      if (c.unit && c.unit_first) e.insert(e.begin(), unit::short1(296, c.unit));
      e = with(e, {unit::word(282, RATIONAL, 1, 0x400), unit::word(283, RATIONAL, 1, 0x408)});
      if (c.unit && !c.unit_first) e.push_back(unit::short1(296, c.unit));
      const Found f = find(layout(le, e, 24,
                                  [&](Tiff& t) {
                                    t.put32(0x400, c.x_num);
                                    t.put32(0x404, c.x_den);
                                    t.put32(0x408, c.y_num);
                                    t.put32(0x40C, c.y_den);
                                  }),
                           le);
      EXPECT_EQ(f.result, 1);
      EXPECT_EQ(f.info.x_resolution, c.x_ppm);
      EXPECT_EQ(f.info.y_resolution, c.y_ppm);
      EXPECT_EQ(f.info.kind, THUMB_TIFF_RGB);
    }
  }
}

TEST(FindThumbnail, ResolutionMissingOrUnreadableIsZero) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    Found f = find(layout(le, with(rgb(), {unit::short1(296, 2)})), le);
    EXPECT_EQ(f.info.x_resolution, 0u);
    EXPECT_EQ(f.info.y_resolution, 0u);
    // Only XResolution, and a YResolution whose rational lies outside the data.
    f = find(layout(le, with(rgb(), {unit::word(282, RATIONAL, 1, kXRes),
                                     unit::word(283, RATIONAL, 1, 0xFFFFFFFCu)})),
             le);
    EXPECT_EQ(f.result, 1);
    EXPECT_EQ(f.info.x_resolution, 2835u);
    EXPECT_EQ(f.info.y_resolution, 0u);
    f = find(layout(le, with(rgb(), {unit::word(283, RATIONAL, 1, kYRes)})), le);
    EXPECT_EQ(f.info.x_resolution, 0u);
    EXPECT_EQ(f.info.y_resolution, 2835u);
  }
}

TEST(FindThumbnail, ResolutionOfOtherEntryTypes) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    const auto rationals = [](Tiff& t) {
      t.put32(0x400, 72);  // 72/1
      t.put32(0x404, 1);
      t.put32(0x408, 0xFFFFFFB8);  // -72/1 as SRATIONAL
      t.put32(0x40C, 1);
      t.put32(0x410, 72);  // 72/0
      t.put32(0x414, 0);
    };
    struct Case {
      const char* what;
      Entry x, y;
      std::uint32_t x_ppm, y_ppm;
    };
    const Case cases[] = {
        {"SRATIONAL", unit::word(282, SRATIONAL, 1, 0x400), unit::word(283, SRATIONAL, 1, 0x408),
         2835, 0},
        {"LONG and SHORT numbers", unit::word(282, LONG, 1, 72), unit::short1(283, 300), 2835,
         11811},
        {"zero denominator, ASCII", unit::word(282, RATIONAL, 1, 0x410),
         unit::word(283, ASCII, 4, 0x400), 0, 0},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      const Found f = find(layout(le, with(rgb(), {c.x, c.y}), 24, rationals), le);
      EXPECT_EQ(f.result, 1);
      EXPECT_EQ(f.info.x_resolution, c.x_ppm);
      EXPECT_EQ(f.info.y_resolution, c.y_ppm);
    }
  }
}

TEST(StripBytes, WholeBlocksAtTheEdges) {
  struct Case {
    int kind;
    std::int32_t width, height, h, v;
    std::uint64_t bytes;
  };
  const Case cases[] = {
      {THUMB_TIFF_RGB, 2, 2, 0, 0, 12},   {THUMB_TIFF_RGB, 160, 120, 0, 0, 57600},
      {THUMB_TIFF_YCBCR, 4, 2, 2, 1, 16}, {THUMB_TIFF_YCBCR, 4, 2, 2, 2, 12},
      {THUMB_TIFF_YCBCR, 3, 3, 2, 2, 24}, {THUMB_TIFF_YCBCR, 5, 3, 4, 2, 40},
      {THUMB_TIFF_YCBCR, 1, 1, 1, 1, 3},  {THUMB_TIFF_YCBCR, 160, 120, 2, 1, 38400},
      {THUMB_TIFF_RGB, 0, 2, 0, 0, 0},    {THUMB_TIFF_RGB, 2, 0, 0, 0, 0},
      {THUMB_TIFF_RGB, -1, 2, 0, 0, 0},   {THUMB_TIFF_YCBCR, 4, 2, 0, 1, 0},
      {THUMB_TIFF_YCBCR, 4, 2, 2, 0, 0},  {THUMB_TIFF_YCBCR, 4, 2, -2, 1, 0},
  };
  for (const Case& c : cases) {
    ThumbInfo t;
    t.kind = c.kind;
    t.photometric = c.kind == THUMB_TIFF_RGB ? 2 : 6;
    t.width = c.width;
    t.height = c.height;
    t.subsampling_h = c.h;
    t.subsampling_v = c.v;
    EXPECT_EQ(strip_bytes(t), c.bytes) << describe(t);
  }
  ThumbInfo huge;
  huge.kind = THUMB_TIFF_RGB;
  huge.photometric = 2;
  huge.width = huge.height = 0x7FFFFFFF;
  EXPECT_GE(strip_bytes(huge), std::uint64_t{1} << 32);
}

}  // namespace
}  // namespace pelnor
