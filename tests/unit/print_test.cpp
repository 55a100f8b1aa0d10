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
  }
  const char* line = "%#8.x:Tag=%#x[%d] Type=%s[%d] Num=%d offset=%#x[%#x]\n";
  EXPECT_EQ(format_text(line, 22u, 0x10fu, 271, "ASCII", 2, -1, 0u, 12u),
            oracle(line, 22u, 0x10fu, 271, "ASCII", 2, -1, 0u, 12u));
}

// A text's field is its count less one (-1 for a count of 0), its precision the bytes up to its
// zero byte.
TEST(Print, TextsWithWidthsAndPrecisions) {
  const char* texts[] = {"", "A", "Abcde", "a text longer than its field"};
  for (const char* text : texts) {
    for (int width = -1; width <= 40; ++width) {
      for (int precision = 0; precision <= 8; ++precision) {
        SCOPED_TRACE(::testing::Message() << width << '.' << precision << " of " << text);
        EXPECT_EQ(format_text("\t[%*.*s]\n", width, precision, text),
                  oracle("\t[%*.*s]\n", width, precision, text));
      }
    }
  }
  // A precision lets the text stop short of a zero byte, as a text cut by the end of the data.
  const char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(format_text("\t[%*.*s]\n", 5, 3, unterminated), "\t[  xyz]\n");
  EXPECT_EQ(format_text("\t[%.*s] %s\n", 2, unterminated, "<end>"), "\t[xy] <end>\n");
}

// Fields and texts wider than the formatter's block are written in pieces, each where the last
// one ended.
TEST(Print, FieldsAndTextsWiderThanTheBlock) {
  EXPECT_EQ(format_text("\t[%*.*s]\n", 3000, 1, "x"), oracle("\t[%*.*s]\n", 3000, 1, "x"));
  std::string text;
  for (int i = 0; text.size() < 5000; ++i) text += std::to_string(i) + ' ';
  EXPECT_EQ(format_text("\t[%.*s] %s\n", 5000, text.c_str(), "<end>"),
            "\t[" + text.substr(0, 5000) + "] <end>\n");
}

}  // namespace
}  // namespace pelnor
