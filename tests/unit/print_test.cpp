// The formatter must give exactly what the C library's printf gives for the text fields of the
// tool, every width and precision an entry can give; std::snprintf is the oracle. The numbers,
// extremes included, are held by the golden dumps.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "report/output.h"

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
  // A negative precision from '*' counts as none: the whole text.
  EXPECT_EQ(format_text("\t[%.*s]\n", -1, "Abcde"), oracle("\t[%.*s]\n", -1, "Abcde"));
  // A precision lets the text stop short of a zero byte, as a text cut by the end of the data.
  const char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(format_text("\t[%*.*s]\n", 5, 3, unterminated), "\t[  xyz]\n");
  EXPECT_EQ(format_text("\t[%.*s] %s\n", 2, unterminated, "<end>"), "\t[xy] <end>\n");
}

// A number's precision is the fewest digits it shows, zeros before them; a width is taken up
// by the prefix, the zeros and the digits together.
TEST(Print, NumberPrecisionPadsWithZeros) {
  const unsigned numbers[] = {0, 1, 0x40000, 0x123456, 0xFFFFFFFFu};
  for (unsigned v : numbers) {
    for (int precision = 0; precision <= 9; ++precision) {
      SCOPED_TRACE(::testing::Message() << precision << " of " << v);
      EXPECT_EQ(format_text("%.*x|%#12.*x|%.*u", precision, v, precision, v, precision, v),
                oracle("%.*x|%#12.*x|%.*u", precision, v, precision, v, precision, v));
    }
  }
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

// The generic line is written without a format; it must be what the format gives, for the
// extremes of every field.
TEST(Print, GenericLineAsItsFormat) {
  const unsigned numbers[] = {0,    1,          9,           10,          0xF,
                              0x10, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0x1234ABCD};
  const char* names[] = {"UNDEFINED", "SRATIONAL", "ASCII"};
  for (unsigned a : numbers) {
    for (unsigned b : numbers) {
      const unsigned tag = a & 0xFFFF, type = b & 0xFFFF;
      char line[kEntryLineMax];
      const std::size_t n = entry_line(line, a, tag, names[b % 3], type, b, a ^ b, a + b);
      EXPECT_EQ(std::string(line, n),
                oracle("%#8.x:Tag=%#x[%d] Type=%s[%d] Num=%d offset=%#x[%#x]\n", a, tag,
                       static_cast<int>(tag), names[b % 3], static_cast<int>(type),
                       static_cast<int>(b), a ^ b, a + b));
    }
  }
}

// Without blocks (a terminal), everything printed is passed on at once, by every way of printing.
TEST(Print, EachPieceGoesOutAtOnceWithoutBlocks) {
  std::string out;
  print_to_string(&out);
  print_in_blocks(false);
  const struct {
    void (*print_it)();
    const char* text;
  } kPieces[] = {
      {[] { print("%d", -5); }, "-5"},
      {[] { print_entry_line(22, 271, "ASCII", 2, 6, 74, 86); },
       "    0x16:Tag=0x10f[271] Type=ASCII[2] Num=6 offset=0x4a[0x56]\n"},
      {[] { print_bytes("ab", 2); }, "ab"},
      {[] { print_signed(0xFFFFFFFFu); }, "-1"},
      {[] { print_unsigned(0xFFFFFFFFu); }, "4294967295"},
      {[] { print_hex(0x10000007Dull); }, "0x10000007d"},
      {[] { print_labelled("\tImageWidth: ", 13, 40); }, "\tImageWidth: 40\n"},
      {[] { print_joined("a", 1, "b", 1, "c", 1); }, "abc"},
      {[] { print_text_line("Abc", 3, -1); }, "\t[Abc]\n"},
  };
  for (const auto& piece : kPieces) {
    out.clear();
    piece.print_it();
    EXPECT_EQ(out, piece.text);
  }
  print_to_string(nullptr);
}

}  // namespace
}  // namespace pelnor
