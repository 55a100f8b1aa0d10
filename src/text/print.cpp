#include "text/print.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace pelnor {
namespace {

// A block of text on its way to standard output or into a string.
struct Block {
  char* data;
  std::size_t size;
  std::size_t used;
  std::string* text;  // null: the block goes to standard output
};

// Standard output's block lives from call to call, so that text reaches stdio in large pieces.
char output_data[1 << 16];
Block output{output_data, sizeof output_data, 0, nullptr};
bool output_in_blocks = false;

void flush_block(Block& block) {
  if (block.used == 0) return;
  if (block.text != nullptr) {
    block.text->append(block.data, block.used);
  } else {
    std::fwrite(block.data, 1, block.used, stdout);
  }
  block.used = 0;
}

class Sink {
 public:
  explicit Sink(Block& block) : block_(block) {}

  void put(const char* s, std::size_t n) {
    while (n != 0) {
      const std::size_t k = take(n);
      std::memcpy(block_.data + block_.used, s, k);
      block_.used += k;
      s += k;
      n -= k;
    }
  }

  void fill(char c, std::size_t n) {
    while (n != 0) {
      const std::size_t k = take(n);
      std::memset(block_.data + block_.used, c, k);
      block_.used += k;
      n -= k;
    }
  }

 private:
  // How many of `n` bytes fit in the block now, passing a full block on first.
  std::size_t take(std::size_t n) {
    if (block_.used == block_.size) flush_block(block_);
    const std::size_t room = block_.size - block_.used;
    return n < room ? n : room;
  }

  Block& block_;
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Writes one number with its prefix ("-" or "0x") and the blanks of its field. The tool's texts
// give a number no precision but "." alone, which prints a 0 as no digits at all.
inline void put_number(Sink& sink, const char* prefix, std::size_t prefix_length,
                       const char* digits, std::size_t digit_count, int precision,
                       std::size_t width, bool left) {
  if (precision == 0 && digit_count == 1 && digits[0] == '0') digit_count = 0;  // "%.x" of 0
  const std::size_t length = prefix_length + digit_count;
  const std::size_t blanks = width > length ? width - length : 0;
  if (!left) sink.fill(' ', blanks);
  sink.put(prefix, prefix_length);
  sink.put(digits, digit_count);
  if (left) sink.fill(' ', blanks);
}

// Decimal digits of `v`, written backwards from `end`; returns where they start.
char* decimal_digits(std::uint32_t v, char* end) {
  char* p = end;
  do {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  return p;
}

// Lower-case hexadecimal digits of `v`, written backwards from `end`.
char* hex_digits(std::uint32_t v, char* end) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char* p = end;
  do {
    *--p = kDigits[v & 0xF];
    v >>= 4;
  } while (v != 0);
  return p;
}

void format(Sink& sink, const char* format, va_list args) {
  const char* p = format;
  while (*p != '\0') {
    if (*p != '%') {
      const char* end = std::strchr(p, '%');
      if (end == nullptr) end = p + std::strlen(p);
      sink.put(p, static_cast<std::size_t>(end - p));
      p = end;
      continue;
    }
    const char* const conversion = ++p;
    const bool alternate = *p == '#';
    if (alternate) ++p;
    // A negative width from '*' left-aligns the field in its magnitude.
    bool left = false;
    long long width = 0;
    if (*p == '*') {
      const int w = va_arg(args, int);
      left = w < 0;
      width = w < 0 ? -static_cast<long long>(w) : w;
      ++p;
    } else {
      while (is_digit(*p)) width = width * 10 + (*p++ - '0');
    }
    int precision = -1;  // none; "." alone is 0
    if (*p == '.') {
      precision = 0;
      if (*++p == '*') {
        const int given = va_arg(args, int);
        precision = given < 0 ? -1 : given;  // a negative precision counts as none
        ++p;
      }
    }
    const auto field = static_cast<std::size_t>(width);
    char digits[24];
    char* const end = digits + sizeof digits;
    switch (*p++) {
      case 'd': {
        const int v = va_arg(args, int);
        const std::uint32_t magnitude =
            v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
        const char* start = decimal_digits(magnitude, end);
        put_number(sink, "-", v < 0 ? 1u : 0u, start, static_cast<std::size_t>(end - start),
                   precision, field, left);
        break;
      }
      case 'u': {
        const char* start = decimal_digits(va_arg(args, unsigned), end);
        put_number(sink, "", 0, start, static_cast<std::size_t>(end - start), precision, field,
                   left);
        break;
      }
      case 'x': {
        const unsigned v = va_arg(args, unsigned);
        const char* start = hex_digits(v, end);
        // '#' prefixes 0x to a non-zero value only.
        put_number(sink, "0x", alternate && v != 0 ? 2u : 0u, start,
                   static_cast<std::size_t>(end - start), precision, field, left);
        break;
      }
      case 's': {
        const char* s = va_arg(args, const char*);
        // With a precision the text need not end in a zero byte within reach: stop at either.
        std::size_t length = 0;
        if (precision < 0) {
          length = std::strlen(s);
        } else {
          while (length < static_cast<std::size_t>(precision) && s[length] != '\0') ++length;
        }
        const std::size_t blanks = field > length ? field - length : 0;
        if (!left) sink.fill(' ', blanks);
        sink.put(s, length);
        if (left) sink.fill(' ', blanks);
        break;
      }
      default:  // not a conversion the tool's texts use: shown as it stands
        p = conversion;
        sink.put("%", 1);
        break;
    }
  }
}

}  // namespace

void print(const char* format_string, ...) {
  va_list args;
  va_start(args, format_string);
  Sink sink(output);
  format(sink, format_string, args);
  va_end(args);
  if (!output_in_blocks) flush_block(output);
}

namespace {

// "%#x": 0x and the lower-case digits, or a lone 0.
char* put_hex(char* out, std::uint32_t v) {
  if (v != 0) {
    *out++ = '0';
    *out++ = 'x';
  }
  char digits[8];
  char* const end = digits + sizeof digits;
  const char* start = hex_digits(v, end);
  while (start != end) *out++ = *start++;
  return out;
}

char* put_decimal(char* out, std::uint32_t v, bool negative) {
  if (negative) *out++ = '-';
  char digits[10];
  char* const end = digits + sizeof digits;
  const char* start = decimal_digits(v, end);
  while (start != end) *out++ = *start++;
  return out;
}

// "%d" of a 32-bit pattern.
char* put_signed(char* out, std::uint32_t v) {
  const bool negative = (v & 0x80000000u) != 0;
  return put_decimal(out, negative ? 0u - v : v, negative);
}

char* put_text(char* out, const char* text, std::size_t n) {
  std::memcpy(out, text, n);
  return out + n;
}

}  // namespace

std::size_t entry_line(char* line, std::uint32_t position, std::uint32_t tag,
                       const char* type_name, std::uint32_t type, std::uint32_t count,
                       std::uint32_t value, std::uint32_t bracket) {
  char* p = line;
  // "%#8.x": a position of 0 has no digits at all; the field is 8 wide.
  char digits[10];
  char* const end = position != 0 ? put_hex(digits, position) : digits;
  const auto length = static_cast<std::size_t>(end - digits);
  for (std::size_t i = length; i < 8; ++i) *p++ = ' ';
  p = put_text(p, digits, length);
  p = put_text(p, ":Tag=", 5);
  p = put_hex(p, tag);
  *p++ = '[';
  p = put_signed(p, tag);
  p = put_text(p, "] Type=", 7);
  p = put_text(p, type_name, std::strlen(type_name));
  *p++ = '[';
  p = put_signed(p, type);
  p = put_text(p, "] Num=", 6);
  p = put_signed(p, count);
  p = put_text(p, " offset=", 8);
  p = put_hex(p, value);
  *p++ = '[';
  p = put_hex(p, bracket);
  p = put_text(p, "]\n", 2);
  return static_cast<std::size_t>(p - line);
}

void print_entry_line(std::uint32_t position, std::uint32_t tag, const char* type_name,
                      std::uint32_t type, std::uint32_t count, std::uint32_t value,
                      std::uint32_t bracket) {
  char line[kEntryLineMax];
  Sink sink(output);
  sink.put(line, entry_line(line, position, tag, type_name, type, count, value, bracket));
  if (!output_in_blocks) flush_block(output);
}

void print_in_blocks(bool on) {
  flush_block(output);
  output_in_blocks = on;
}

bool finish_output() {
  flush_block(output);
  // The stream's error flag stays set from the first failed write on. Some errors (a full
  // quota on a network file system, say) show up only when the file is closed.
  const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
  return std::fclose(stdout) == 0 && written;
}

std::string format_text(const char* format_string, ...) {
  std::string text;
  char data[512];
  Block block{data, sizeof data, 0, &text};
  va_list args;
  va_start(args, format_string);
  Sink sink(block);
  format(sink, format_string, args);
  va_end(args);
  flush_block(block);
  return text;
}

}  // namespace pelnor
