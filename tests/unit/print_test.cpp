// The formatter must give exactly what the C library's printf gives for every format the tool
// prints; std::snprintf is the oracle.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "text/print.h"

namespace pelnor {
namespace {

std::string oracle(const char* format, ...) {
  char text[8192];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

// Values where number formatting goes wrong: zero, one digit, powers of the bases and their
// neighbours, the sign boundary, the extremes.
std::vector<std::uint32_t> corner_values() {
  std::vector<std::uint32_t> values = {0, 1, 9, 10, 15, 16, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
  for (std::uint64_t p = 10; p < (1ull << 32); p *= 10) {
    values.push_back(static_cast<std::uint32_t>(p - 1));
    values.push_back(static_cast<std::uint32_t>(p));
  }
  for (int shift = 4; shift < 32; shift += 4) {
    values.push_back((1u << shift) - 1);
    values.push_back(1u << shift);
  }
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) values.push_back(static_cast<std::uint32_t>(random()));
  return values;
}

TEST(Print, NumbersAsTheGenericLineAndTheDecodedLinesPrintThem) {
  for (std::uint32_t v : corner_values()) {
    const int s = static_cast<int>(v);
    SCOPED_TRACE(v);
    EXPECT_EQ(format_text("%#8.x", v), oracle("%#8.x", v));
    EXPECT_EQ(format_text("%#x", v), oracle("%#x", v));
    EXPECT_EQ(format_text("%d", s), oracle("%d", s));
    EXPECT_EQ(format_text("%u", v), oracle("%u", v));
    EXPECT_EQ(format_text("%d ", s), oracle("%d ", s));
    EXPECT_EQ(format_text("%x|%-6d|%8u|%.3x|%#.5x|%-#10x|%.0d", v, s, v, v, v, v, s),
              oracle("%x|%-6d|%8u|%.3x|%#.5x|%-#10x|%.0d", v, s, v, v, v, v, s));
    EXPECT_EQ(format_text("%8.3x|%-9.4d|%#14.12x|%.12u", v, s, v, v),
              oracle("%8.3x|%-9.4d|%#14.12x|%.12u", v, s, v, v));
  }
  const char* line = "%#8.x:Tag=%#x[%d] Type=%s[%d] Num=%d offset=%#x[%#x]\n";
  EXPECT_EQ(format_text(line, 22u, 0x10fu, 271, "ASCII", 2, -1, 0u, 12u),
            oracle(line, 22u, 0x10fu, 271, "ASCII", 2, -1, 0u, 12u));
}

TEST(Print, TextsWithWidthsAndPrecisions) {
  const char* texts[] = {"", "A", "Abcde", "a text longer than its field"};
  for (const char* text : texts) {
    for (int width = -40; width <= 40; ++width) {
      SCOPED_TRACE(std::string(text) + " width " + std::to_string(width));
      EXPECT_EQ(format_text("\t[%*s]\n", width, text), oracle("\t[%*s]\n", width, text));
      for (int precision = -1; precision <= 8; ++precision) {
        EXPECT_EQ(format_text("[%*.*s]", width, precision, text),
                  oracle("[%*.*s]", width, precision, text));
        EXPECT_EQ(format_text("[%-*.*s]", width, precision, text),
                  oracle("[%-*.*s]", width, precision, text));
      }
    }
  }
  // A precision lets the text stop short of a zero byte, as a text cut by the end of the data.
  const char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(format_text("[%*.*s]", 5, 3, unterminated), "[  xyz]");
  EXPECT_EQ(format_text("[%.*s] %s", 2, unterminated, "<end>"), "[xy] <end>");
}

TEST(Print, LiteralTextPercentAndWideFields) {
  EXPECT_EQ(format_text("100%% done[%s]\n", "a.bmp"), "100% done[a.bmp]\n");
  EXPECT_EQ(format_text("no conversions at all"), "no conversions at all");
  const char* unknown = "%q%-5d|";  // not a conversion of the tool's: shown as it stands
  EXPECT_EQ(format_text(unknown, 7), "%q7    |");
  // Fields wider than the formatter's block are written in pieces.
  EXPECT_EQ(format_text("[%*s]", 3000, "x"), oracle("[%*s]", 3000, "x"));
  EXPECT_EQ(format_text("[%-*s]", 1500, "y"), oracle("[%-*s]", 1500, "y"));
  const std::string long_text(5000, 'q');
  EXPECT_EQ(format_text("<%s>", long_text.c_str()), "<" + long_text + ">");
}

}  // namespace
}  // namespace pelnor
