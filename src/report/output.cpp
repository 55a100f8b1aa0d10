#include "report/output.h"

#include <bit>
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

class Writer {
 public:
  explicit Writer(Block& block) : block_(block) {}

  void put(const char* s, std::size_t n) {
    // Most pieces are a few bytes: copied one by one while they fit, which costs less than a
    // call of memcpy.
    if (n <= 16 && block_.size - block_.used >= n) {
      char* out = block_.data + block_.used;
      for (std::size_t i = 0; i < n; ++i) out[i] = s[i];
      block_.used += n;
      return;
    }
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
inline void put_number(Writer& sink, const char* prefix, std::size_t prefix_length,
                       const char* digits, std::size_t digit_count, int precision,
                       std::size_t width, bool left) {
  if (precision == 0 && digit_count == 1 && digits[0] == '0') digit_count = 0;  // "%.x" of 0
  // A precision is the fewest digits shown, zeros before them.
  const std::size_t zeros =
      precision > 0 && static_cast<std::size_t>(precision) > digit_count
          ? static_cast<std::size_t>(precision) - digit_count
          : 0;
  const std::size_t length = prefix_length + zeros + digit_count;
  const std::size_t blanks = width > length ? width - length : 0;
  if (!left) sink.fill(' ', blanks);
  sink.put(prefix, prefix_length);
  sink.fill('0', zeros);
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
char* hex_digits(std::uint64_t v, char* end) {
  char* p = end;
  do {
    *--p = kHexDigits[v & 0xF];
    v >>= 4;
  } while (v != 0);
  return p;
}

void format(Writer& sink, const char* format, va_list args) {
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

void print_v(const char* format_string, va_list args) {
  Writer sink(output);
  format(sink, format_string, args);
  if (!output_in_blocks) flush_block(output);
}

void print(const char* format_string, ...) {
  va_list args;
  va_start(args, format_string);
  print_v(format_string, args);
  va_end(args);
}

namespace {

// The decimal digits of 00 to 99, two by two.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The lower-case hexadecimal digits of 00 to ff, two by two.
struct HexPairs {
  char digits[512];
  constexpr HexPairs() : digits() {
    for (int i = 0; i < 256; ++i) {
      digits[2 * i] = kHexDigits[i >> 4];
      digits[2 * i + 1] = kHexDigits[i & 0xF];
    }
  }
};
constexpr HexPairs kHexPairs;

// The lower-case hexadecimal digits of `v`, as many as it needs, written from the last two by
// two.
char* put_hex_digits(char* out, std::uint32_t v) {
  const int n = v == 0 ? 1 : static_cast<int>((std::bit_width(v) + 3) / 4);
  char* p = out + n;
  while (p - out >= 2) {
    const char* pair = kHexPairs.digits + 2 * (v & 0xFF);
    p -= 2;
    p[0] = pair[0];
    p[1] = pair[1];
    v >>= 8;
  }
  if (p != out) *out = kHexDigits[v & 0xF];
  return out + n;
}

int decimal_length(std::uint32_t v) {
  if (v < 10) return 1;
  if (v < 100) return 2;
  if (v < 1000) return 3;
  if (v < 10000) return 4;
  int n = 5;
  for (std::uint32_t bound = 100000; n < 10 && v >= bound; bound *= 10) ++n;
  return n;
}

// The decimal digits of `v`, written in place from the last two by two.
char* put_decimal(char* out, std::uint32_t v) {
  const int n = decimal_length(v);
  char* p = out + n;
  while (v >= 100) {
    const std::uint32_t pair = v % 100;
    v /= 100;
    p -= 2;
    p[0] = kDigitPairs[2 * pair];
    p[1] = kDigitPairs[2 * pair + 1];
  }
  if (v >= 10) {
    p[-2] = kDigitPairs[2 * v];
    p[-1] = kDigitPairs[2 * v + 1];
  } else {
    p[-1] = static_cast<char>('0' + v);
  }
  return out + n;
}

// "%d" of a 32-bit pattern.
char* put_signed(char* out, std::uint32_t v) {
  if ((v & 0x80000000u) == 0) return put_decimal(out, v);
  *out = '-';
  return put_decimal(out + 1, 0u - v);
}

// "%#x" of a non-zero value: 0x and its digits.
char* put_hex(char* out, std::uint32_t v) {
  out[0] = '0';
  out[1] = 'x';
  return put_hex_digits(out + 2, v);
}

template <std::size_t N>
char* put_literal(char* out, const char (&text)[N]) {
  std::memcpy(out, text, N - 1);
  return out + (N - 1);
}

}  // namespace

std::size_t entry_line(char* line, std::uint32_t position, std::uint32_t tag, const char* type_name,
                       std::uint32_t type, std::uint32_t count, std::uint32_t value,
                       std::uint32_t bracket) {
  char* p = line;
  // "%#8.x": a position of 0 has no digits at all; the field is 8 wide.
  const int length = position == 0 ? 0 : 2 + static_cast<int>((std::bit_width(position) + 3) / 4);
  for (int i = length; i < 8; ++i) *p++ = ' ';
  if (position != 0) p = put_hex(p, position);
  p = put_literal(p, ":Tag=");
  p = tag != 0 ? put_hex(p, tag) : put_literal(p, "0");
  *p++ = '[';
  p = put_decimal(p, tag);
  p = put_literal(p, "] Type=");
  const std::size_t name = std::strlen(type_name);
  std::memcpy(p, type_name, name);
  p += name;
  *p++ = '[';
  p = put_decimal(p, type);
  p = put_literal(p, "] Num=");
  p = put_signed(p, count);
  p = put_literal(p, " offset=");
  p = value != 0 ? put_hex(p, value) : put_literal(p, "0");
  *p++ = '[';
  p = bracket != 0 ? put_hex(p, bracket) : put_literal(p, "0");
  p = put_literal(p, "]\n");
  return static_cast<std::size_t>(p - line);
}

void print_entry_line(std::uint32_t position, std::uint32_t tag, const char* type_name,
                      std::uint32_t type, std::uint32_t count, std::uint32_t value,
                      std::uint32_t bracket) {
  // Made in place in the block: one line is far shorter than the block.
  if (output.size - output.used < kEntryLineMax) flush_block(output);
  output.used +=
      entry_line(output.data + output.used, position, tag, type_name, type, count, value, bracket);
  if (!output_in_blocks) flush_block(output);
}

void print_hex(std::uint64_t v) {
  char digits[24];
  char* const end = digits + sizeof digits;
  char* p = hex_digits(v, end);
  if (v != 0) {
    *--p = 'x';
    *--p = '0';
  }
  print_bytes(p, static_cast<std::size_t>(end - p));
}

void print_bytes(const char* text, std::size_t n) {
  Writer sink(output);
  sink.put(text, n);
  if (!output_in_blocks) flush_block(output);
}

void print_signed(std::uint32_t v) {
  if (output.size - output.used < 11) flush_block(output);
  output.used += static_cast<std::size_t>(put_signed(output.data + output.used, v) -
                                          (output.data + output.used));
  if (!output_in_blocks) flush_block(output);
}

void print_labelled(const char* label, std::size_t n, std::uint32_t v) {
  if (n > 64) {  // the tool's labels are short
    print_bytes(label, n);
    n = 0;
  }
  if (output.size - output.used < n + 12) flush_block(output);
  char* const start = output.data + output.used;
  std::memcpy(start, label, n);
  char* p = put_signed(start + n, v);
  *p++ = '\n';
  output.used += static_cast<std::size_t>(p - start);
  if (!output_in_blocks) flush_block(output);
}

void print_joined(const char* a, std::size_t na, const char* b, std::size_t nb, const char* c,
                  std::size_t nc) {
  Writer sink(output);
  sink.put(a, na);
  sink.put(b, nb);
  sink.put(c, nc);
  if (!output_in_blocks) flush_block(output);
}

void print_unsigned(std::uint32_t v) {
  if (output.size - output.used < 11) flush_block(output);
  output.used += static_cast<std::size_t>(put_decimal(output.data + output.used, v) -
                                          (output.data + output.used));
  if (!output_in_blocks) flush_block(output);
}

void print_text_line(const char* text, int length, int width) {
  const auto n = static_cast<std::size_t>(length);
  const bool left = width < 0;
  const std::size_t field = left ? 0u - static_cast<std::size_t>(static_cast<long long>(width))
                                 : static_cast<std::size_t>(width);
  const std::size_t blanks = field > n ? field - n : 0;
  Writer sink(output);
  sink.put("\t[", 2);
  if (!left) sink.fill(' ', blanks);
  sink.put(text, n);
  if (left) sink.fill(' ', blanks);
  sink.put("]\n", 2);
  if (!output_in_blocks) flush_block(output);
}

void print_to_string(std::string* text) {
  flush_block(output);
  output.text = text;
}

void emit_bytes(const char* bytes, std::size_t n) {
  if (output.used == 0 && output.text == nullptr) {  // nothing to keep in order: no copy
    std::fwrite(bytes, 1, n, stdout);
    return;
  }
  Writer sink(output);
  sink.put(bytes, n);
  if (!output_in_blocks) flush_block(output);
}

bool output_held() { return output_in_blocks; }

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

std::string format_text_v(const char* format_string, va_list args) {
  std::string text;
  char data[512];
  Block block{data, sizeof data, 0, &text};
  Writer sink(block);
  format(sink, format_string, args);
  flush_block(block);
  return text;
}

std::string format_text(const char* format_string, ...) {
  std::string text;
  char data[512];
  Block block{data, sizeof data, 0, &text};
  va_list args;
  va_start(args, format_string);
  Writer sink(block);
  format(sink, format_string, args);
  va_end(args);
  flush_block(block);
  return text;
}

}  // namespace pelnor
