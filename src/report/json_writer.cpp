#include "report/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "report/output.h"

namespace pelnor {
namespace {

// The decimal digits of 00 to 99, two by two.
constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The bytes a JSON string holds as they stand.
struct Plain {
  bool plain[256];
  constexpr Plain() : plain() {
    for (int c = 0x20; c < 0x80; ++c) plain[c] = c != '"' && c != '\\';
  }
};
constexpr Plain kPlain;

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

// How many decimal digits `v` has.
inline unsigned digit_count(std::uint64_t v) {
  unsigned n = 1;
  for (; v >= 10000; v /= 10000) n += 4;
  return v < 10 ? n : v < 100 ? n + 1 : v < 1000 ? n + 2 : n + 3;
}

// The decimal digits of `v` at `out`, written from the last, two at a time; returns their end.
inline char* decimal(char* out, std::uint64_t v) {
  char* const end = out + digit_count(v);
  char* p = end;
  while (v >= 100) {
    const auto pair = static_cast<unsigned>(v % 100);
    v /= 100;
    p -= 2;
    std::memcpy(p, kPairs + 2 * pair, 2);
  }
  if (v >= 10) {
    std::memcpy(p - 2, kPairs + 2 * v, 2);
  } else {
    p[-1] = static_cast<char>('0' + v);
  }
  return end;
}

// The same for a 32-bit number, the most the entries' fields hold: in 32-bit arithmetic, four
// digits at a time, without a loop.
inline char* two_digits(char* p, std::uint32_t v) {
  p[0] = kPairs[2 * v];
  p[1] = kPairs[2 * v + 1];
  return p + 2;
}
inline char* up_to_two_digits(char* p, std::uint32_t v) {
  if (v >= 10) return two_digits(p, v);
  *p = static_cast<char>('0' + v);
  return p + 1;
}
inline char* four_digits(char* p, std::uint32_t v) {
  return two_digits(two_digits(p, v / 100), v % 100);
}
inline char* up_to_four_digits(char* p, std::uint32_t v) {
  if (v < 100) return up_to_two_digits(p, v);
  return two_digits(up_to_two_digits(p, v / 100), v % 100);
}
inline char* decimal(char* out, std::uint32_t v) {
  if (v < 10000) return up_to_four_digits(out, v);
  if (v < 100000000) return four_digits(up_to_four_digits(out, v / 10000), v % 10000);
  const std::uint32_t rest = v % 100000000;
  return four_digits(four_digits(up_to_two_digits(out, v / 100000000), rest / 10000), rest % 10000);
}
inline char* decimal(char* out, std::uint16_t v) { return decimal(out, std::uint32_t{v}); }

inline char* signed_decimal(char* out, std::int64_t v) {
  if (v >= 0) return decimal(out, static_cast<std::uint64_t>(v));
  *out = '-';
  return decimal(out + 1, 0 - static_cast<std::uint64_t>(v));
}

// The length of the UTF-8 sequence at `s` (of `n` bytes), or 0 when it is not one: overlong
// forms, surrogates and code points past U+10FFFF are not.
std::size_t sequence(const unsigned char* s, std::size_t n) {
  const unsigned char c = s[0];
  std::size_t length;
  std::uint32_t low;  // the least code point of that length
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
    low = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    low = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    low = 0x10000;
  } else {
    return 0;
  }
  if (n < length) return 0;
  std::uint32_t code = c & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    code = code << 6 | (s[i] & 0x3Fu);
  }
  if (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

void JsonWriter::flush() {
  if (used_ == 0) return;
  emit_bytes(block_, used_);
  used_ = 0;
}

// Room for `n` more bytes (at most the block) at block_ + used_.
char* JsonWriter::room(std::size_t n) {
  if (sizeof block_ - used_ < n) flush();
  return block_ + used_;
}

void JsonWriter::put(const char* s, std::size_t n) {
  if (n > 256) {
    flush();
    emit_bytes(s, n);
    return;
  }
  char* out = room(n);
  std::memcpy(out, s, n);
  used_ += n;
}

void JsonWriter::raw(const char* s, std::size_t n) { put(s, n); }

void JsonWriter::restart() {
  depth_ = 0;
  after_key_ = false;
}

// The comma before a value at `p` (room for it made), unless the value follows its key or opens
// its container; returns where the value goes.
char* JsonWriter::comma(char* p) {
  if (after_key_) {
    after_key_ = false;
  } else if (depth_ > 0) {
    if (!empty_[depth_ - 1]) *p++ = ',';
    empty_[depth_ - 1] = false;
  }
  return p;
}

void JsonWriter::separate() {
  char* const out = room(1);
  used_ += static_cast<std::size_t>(comma(out) - out);
}

void JsonWriter::open(char c) {
  separate();
  put(&c, 1);
  if (depth_ < kMostDepth) empty_[depth_] = true;
  ++depth_;
}

void JsonWriter::close(char c) {
  put(&c, 1);
  if (depth_ > 0) --depth_;
}

void JsonWriter::key(const char* name, std::size_t n) {
  char* const out = room(n + 4);
  char* p = comma(out);
  *p++ = '"';
  std::memcpy(p, name, n);
  p += n;
  *p++ = '"';
  *p++ = ':';
  used_ += static_cast<std::size_t>(p - out);
  after_key_ = true;
}

void JsonWriter::array_member(const char* name, std::size_t n) {
  char* const out = room(n + 5);
  char* p = comma(out);
  *p++ = '"';
  std::memcpy(p, name, n);
  p += n;
  *p++ = '"';
  *p++ = ':';
  *p++ = '[';
  used_ += static_cast<std::size_t>(p - out);
  if (depth_ < kMostDepth) empty_[depth_] = true;
  ++depth_;
}

void JsonWriter::begin_object() { open('{'); }
void JsonWriter::end_object() { close('}'); }
void JsonWriter::begin_array() { open('['); }
void JsonWriter::end_array() { close(']'); }

void JsonWriter::number(std::int64_t v) {
  // The comma and the digits written in place.
  char* const out = room(24);
  char* p = comma(out);
  // Most numbers of the document are a field's: 32-bit arithmetic for those.
  p = v >= 0 && v <= UINT32_MAX ? decimal(p, static_cast<std::uint32_t>(v)) : signed_decimal(p, v);
  used_ += static_cast<std::size_t>(p - out);
}

namespace {

template <unsigned kSize>
std::uint32_t load(const std::uint8_t* b, bool little_endian) {
  if constexpr (kSize == 1) {
    return b[0];
  } else if constexpr (kSize == 2) {
    return little_endian ? std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8
                         : std::uint32_t{b[0]} << 8 | b[1];
  } else {
    return little_endian ? std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 |
                               std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24
                         : std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 |
                               std::uint32_t{b[2]} << 8 | b[3];
  }
}

}  // namespace

template <unsigned kSize>
void JsonWriter::values_of(const std::uint8_t* bytes, std::uint32_t n, bool little_endian) {
  // In pieces of 512 values, each of at most 11 bytes with its comma, made in place.
  for (std::uint32_t i = 0; i < n;) {
    const std::uint32_t piece = n - i < 512 ? n - i : 512;
    char* const out = room(11 * piece);
    char* p = out;
    for (std::uint32_t k = 0; k < piece; ++k, bytes += kSize) {
      if (!empty_[depth_ - 1]) *p++ = ',';
      empty_[depth_ - 1] = false;
      p = decimal(p, load<kSize>(bytes, little_endian));
    }
    used_ += static_cast<std::size_t>(p - out);
    i += piece;
  }
}

void JsonWriter::unsigned_values(const std::uint8_t* bytes, std::uint32_t n, unsigned size,
                                 bool little_endian) {
  if (size == 1) {
    values_of<1>(bytes, n, little_endian);
  } else if (size == 2) {
    values_of<2>(bytes, n, little_endian);
  } else {
    values_of<4>(bytes, n, little_endian);
  }
}

void JsonWriter::unsigned_number(std::uint64_t v) {
  separate();
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
  put(digits, static_cast<std::size_t>(end - digits));
}

void JsonWriter::entry_head(std::uint32_t position, std::uint16_t tag, const char* name,
                            std::uint16_t type, std::uint32_t count, std::uint32_t field,
                            std::uint32_t value_position) {
  const std::size_t name_length = name != nullptr ? std::strlen(name) : 0;
  if (name_length > 64) {  // no table's name is this long; kept whole all the same
    flush();
  }
  char* const out = name_length > 64 ? block_ : room(160 + name_length);
  char* p = out;
  const auto literal = [&p](const char* text, std::size_t n) {
    std::memcpy(p, text, n);
    p += n;
  };
  if (depth_ > 0) {
    if (!empty_[depth_ - 1]) *p++ = ',';
    empty_[depth_ - 1] = false;
  }
  after_key_ = false;
  literal("{\"position\":", 12);
  p = decimal(p, position);
  literal(",\"tag\":", 7);
  p = decimal(p, tag);
  if (name != nullptr) {  // the tables' names are plain ASCII
    literal(",\"name\":\"", 9);
    literal(name, name_length);
    *p++ = '"';
  } else {
    literal(",\"name\":null", 12);
  }
  literal(",\"type\":", 8);
  p = decimal(p, type);
  literal(",\"count\":", 9);
  p = decimal(p, count);
  literal(",\"field\":", 9);
  p = decimal(p, field);
  literal(",\"value_position\":", 18);
  p = decimal(p, value_position);
  used_ += static_cast<std::size_t>(p - out);
  if (depth_ < kMostDepth) empty_[depth_] = false;  // members follow with their commas
  ++depth_;
}

void JsonWriter::real(double v, bool single) {
  if (std::isnan(v)) {
    separate();
    put("\"NaN\"");
    return;
  }
  if (std::isinf(v)) {
    separate();
    if (v < 0) {
      put("\"-Infinity\"");
    } else {
      put("\"Infinity\"");
    }
    return;
  }
  separate();
  char digits[40];
  const auto end = single ? std::to_chars(digits, digits + sizeof digits, static_cast<float>(v)).ptr
                          : std::to_chars(digits, digits + sizeof digits, v).ptr;
  put(digits, static_cast<std::size_t>(end - digits));
}

void JsonWriter::boolean(bool v) {
  separate();
  if (v) {
    put("true");
  } else {
    put("false");
  }
}

void JsonWriter::null() {
  separate();
  put("null");
}

bool JsonWriter::string(const char* s, std::size_t n) {
  if (n <= 1024) return short_string(s, n);
  separate();
  put("\"");
  const auto* u = reinterpret_cast<const unsigned char*>(s);
  bool valid = true;
  std::size_t run = 0;  // bytes written as they stand, held back until a byte that is not
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = u[i];
    if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
      ++run;
      ++i;
      continue;
    }
    const std::size_t length = c < 0x80 ? 1 : sequence(u + i, n - i);
    if (length > 1) {
      run += length;
      i += length;
      continue;
    }
    put(s + i - run, run);
    run = 0;
    if (length == 0) {
      put("\xef\xbf\xbd");  // U+FFFD for a byte that is not UTF-8
      valid = false;
    } else if (c == '"') {
      put("\\\"");
    } else if (c == '\\') {
      put("\\\\");
    } else if (c == '\n') {
      put("\\n");
    } else if (c == '\t') {
      put("\\t");
    } else if (c == '\r') {
      put("\\r");
    } else {
      const char escape[6] = {'\\', 'u', '0', '0', kHexDigits[c >> 4], kHexDigits[c & 0xF]};
      put(escape, 6);
    }
    ++i;
  }
  put(s + n - run, run);
  put("\"");
  return valid;
}

// A string of at most 1024 bytes, made in place: each byte takes at most six ("\u001f").
bool JsonWriter::short_string(const char* s, std::size_t n) {
  char* const out = room(6 * n + 3);
  char* p = comma(out);
  *p++ = '"';
  const auto* u = reinterpret_cast<const unsigned char*>(s);
  bool valid = true;
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = u[i];
    if (kPlain.plain[c]) {
      *p++ = static_cast<char>(c);
      ++i;
      continue;
    }
    if (c >= 0x80) {
      const std::size_t length = sequence(u + i, n - i);
      if (length > 1) {
        std::memcpy(p, u + i, length);
        p += length;
        i += length;
      } else {
        std::memcpy(p, "\xef\xbf\xbd", 3);  // U+FFFD for a byte that is not UTF-8
        p += 3;
        valid = false;
        ++i;
      }
      continue;
    }
    *p++ = '\\';
    switch (c) {
      case '"':
      case '\\':
        *p++ = static_cast<char>(c);
        break;
      case '\n':
        *p++ = 'n';
        break;
      case '\t':
        *p++ = 't';
        break;
      case '\r':
        *p++ = 'r';
        break;
      default:
        *p++ = 'u';
        *p++ = '0';
        *p++ = '0';
        *p++ = kHexDigits[c >> 4];
        *p++ = kHexDigits[c & 0xF];
    }
    ++i;
  }
  *p++ = '"';
  used_ += static_cast<std::size_t>(p - out);
  return valid;
}

void JsonWriter::hex(const std::uint8_t* bytes, std::size_t n) {
  separate();
  put("\"");
  while (n > 0) {  // written in place, 1024 bytes at a time
    const std::size_t part = n < 1024 ? n : 1024;
    char* const out = room(2 * part);
    for (std::size_t i = 0; i < part; ++i)
      std::memcpy(out + 2 * i, kHexPairs.digits + 2 * bytes[i], 2);
    used_ += 2 * part;
    bytes += part;
    n -= part;
  }
  put("\"");
}

}  // namespace pelnor
