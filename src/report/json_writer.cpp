#include "report/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <string>

#include "report/output.h"

namespace pelnor {

int opt_json = 0;

namespace json {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// The nesting: for each open object or array, whether nothing has been written in it yet.
constexpr int kMostDepth = 16;
bool empty[kMostDepth];
int depth = 0;
bool after_key = false;

// The document around the values.
int files = 0;
bool file_open = false;
const char* open_section = nullptr;
bool directory_open = false;
constexpr int kMostNotes = 8;
constexpr std::size_t kNoteMax = 160;
char notes[kMostNotes][kNoteMax];
std::size_t note_length[kMostNotes];
int note_count = 0;

// The document is made in a block of its own, its many small pieces a copy each, not a call. The
// block is passed to the output when it is full, at the run's end, and at each file's end unless
// the output goes out in blocks anyway (into a file or a pipe): a terminal sees each object once
// its file is done.
char block[1 << 16];
std::size_t used = 0;

void flush() {
  if (used == 0) return;
  emit_bytes(block, used);
  used = 0;
}

// Room for `n` more bytes (at most 4096) at block + used.
inline char* room(std::size_t n) {
  if (sizeof block - used < n) flush();
  return block + used;
}

inline void put(const char* s, std::size_t n) {
  if (n > 256) {
    flush();
    emit_bytes(s, n);
    return;
  }
  char* out = room(n);
  std::memcpy(out, s, n);
  used += n;
}
template <std::size_t N>
inline void put(const char (&s)[N]) {
  put(s, N - 1);
}

// The decimal digits of 00 to 99, two by two.
constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

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

inline char* signed_decimal(char* out, std::int64_t v) {
  if (v >= 0) return decimal(out, static_cast<std::uint64_t>(v));
  *out = '-';
  return decimal(out + 1, 0 - static_cast<std::uint64_t>(v));
}

// The comma before a value at `p` (room for it made), unless the value follows its key or opens
// its container; returns where the value goes.
inline char* comma(char* p) {
  if (after_key) {
    after_key = false;
  } else if (depth > 0) {
    if (!empty[depth - 1]) *p++ = ',';
    empty[depth - 1] = false;
  }
  return p;
}

void separate() {
  char* const out = room(1);
  used += static_cast<std::size_t>(comma(out) - out);
}

void open(char c) {
  separate();
  put(&c, 1);
  if (depth < kMostDepth) empty[depth] = true;
  ++depth;
}

void close(char c) {
  put(&c, 1);
  if (depth > 0) --depth;
}

void close_directory() {
  if (!directory_open) return;
  end_array();  // entries
  if (note_count > 0) {
    key("notes");
    begin_array();
    for (int i = 0; i < note_count; ++i) string(notes[i], note_length[i]);
    end_array();
  }
  end_object();
  directory_open = false;
  note_count = 0;
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

void begin_run() {
  files = 0;
  put("[\n");
}

void end_run() {
  if (file_open) end_file("open-error");
  if (files > 0) put("\n");
  put("]\n");
  flush();
}

void begin_file(const char* name) {
  if (files++ > 0) put(",\n");
  depth = 0;
  after_key = false;
  begin_object();
  file_open = true;
  text("file", name, std::strlen(name), "file_hex");
}

void end_file(const char* result) {
  close_section();
  member("result", result);
  end_object();
  file_open = false;
  if (!output_held()) flush();
}

bool in_file() { return file_open; }

void section(const char* name) {
  if (open_section != nullptr && std::strcmp(open_section, name) == 0) return;
  close_section();
  key(name);
  begin_array();
  open_section = name;
}

void close_section() {
  close_directory();
  if (open_section == nullptr) return;
  end_array();
  open_section = nullptr;
}

void note(const char* s, std::size_t n) {
  if (!directory_open || note_count == kMostNotes) return;
  if (n > kNoteMax) n = kNoteMax;
  std::memcpy(notes[note_count], s, n);
  note_length[note_count++] = n;
}

void block_heading(std::int64_t position, const char* format, ...) {
  va_list args;
  va_start(args, format);
  if (opt_json == 0) {
    print_v(format, args);
    va_end(args);
    return;
  }
  const std::string line = format_text_v(format, args);
  va_end(args);
  static constexpr char kEnd[] = " dumping...:\n";
  std::size_t n = line.size();
  if (n >= sizeof kEnd - 1 && line.compare(n - (sizeof kEnd - 1), sizeof kEnd - 1, kEnd) == 0) {
    n -= sizeof kEnd - 1;
  }
  section(line.compare(0, 3, "MPF") == 0 ? "mpf" : "directories");
  close_directory();
  begin_object();
  key("name");
  string(line.data(), n);
  key("position");
  if (position < 0) {
    null();
  } else {
    number(position);
  }
  key("entries");
  begin_array();
  directory_open = true;
}

void block_line(const char* format, ...) {
  va_list args;
  va_start(args, format);
  if (opt_json == 0) {
    print_v(format, args);
  } else {
    const std::string line = format_text_v(format, args);
    std::size_t from = 0, to = line.size();
    if (to > 0 && line[to - 1] == '\n') --to;
    if (from < to && line[from] == '\t') ++from;
    if (from < to && line[from] == '<' && line[to - 1] == '>') {
      ++from;
      --to;
    }
    note(line.data() + from, to - from);
  }
  va_end(args);
}

void key(const char* name) {
  const std::size_t n = std::strlen(name);
  char* const out = room(n + 4);
  char* p = comma(out);
  *p++ = '"';
  std::memcpy(p, name, n);
  p += n;
  *p++ = '"';
  *p++ = ':';
  used += static_cast<std::size_t>(p - out);
  after_key = true;
}

void begin_object() { open('{'); }
void end_object() { close('}'); }
void begin_array() { open('['); }
void end_array() { close(']'); }

void number(std::int64_t v) {
  // The comma and the digits written in place.
  char* const out = room(24);
  char* p = comma(out);
  p = signed_decimal(p, v);
  used += static_cast<std::size_t>(p - out);
}

std::uint32_t unsigned_values(const std::uint8_t* bytes, std::uint32_t n, unsigned size,
                              bool little_endian) {
  std::uint32_t v = 0;
  for (std::uint32_t i = 0; i < n; ++i, bytes += size) {
    if (size == 1) {
      v = bytes[0];
    } else if (size == 2) {
      v = little_endian ? std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8
                        : std::uint32_t{bytes[0]} << 8 | bytes[1];
    } else {
      v = little_endian ? std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                              std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24
                        : std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
                              std::uint32_t{bytes[2]} << 8 | bytes[3];
    }
    char* const out = room(12);
    char* p = out;
    if (!empty[depth - 1]) *p++ = ',';
    empty[depth - 1] = false;
    p = decimal(p, v);
    used += static_cast<std::size_t>(p - out);
  }
  return v;
}

void unsigned_number(std::uint64_t v) {
  separate();
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
  put(digits, static_cast<std::size_t>(end - digits));
}

void entry_head(std::uint32_t position, std::uint16_t tag, const char* name, std::uint16_t type,
                std::uint32_t count, std::uint32_t field, std::uint32_t value_position) {
  const std::size_t name_length = name != nullptr ? std::strlen(name) : 0;
  if (name_length > 64) {  // no table's name is this long; kept whole all the same
    flush();
  }
  char* const out = name_length > 64 ? block : room(160 + name_length);
  char* p = out;
  const auto literal = [&p](const char* text, std::size_t n) {
    std::memcpy(p, text, n);
    p += n;
  };
  if (depth > 0) {
    if (!empty[depth - 1]) *p++ = ',';
    empty[depth - 1] = false;
  }
  after_key = false;
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
  used += static_cast<std::size_t>(p - out);
  if (depth < kMostDepth) empty[depth] = false;  // members follow with their commas
  ++depth;
}

void real(double v, bool single) {
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

void boolean(bool v) {
  separate();
  if (v) {
    put("true");
  } else {
    put("false");
  }
}

void null() {
  separate();
  put("null");
}

bool string(const char* s, std::size_t n) {
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

void text(const char* key_name, const char* s, std::size_t n, const char* hex_key) {
  key(key_name);
  if (!string(s, n)) {
    key(hex_key);
    hex(reinterpret_cast<const std::uint8_t*>(s), n);
  }
}

void hex(const std::uint8_t* bytes, std::size_t n) {
  separate();
  put("\"");
  while (n > 0) {  // written in place, 1024 bytes at a time
    const std::size_t part = n < 1024 ? n : 1024;
    char* const out = room(2 * part);
    for (std::size_t i = 0; i < part; ++i) {
      out[2 * i] = kHexDigits[bytes[i] >> 4];
      out[2 * i + 1] = kHexDigits[bytes[i] & 0xF];
    }
    used += 2 * part;
    bytes += part;
    n -= part;
  }
  put("\"");
}

void member(const char* name, const char* value) {
  key(name);
  string(value, std::strlen(value));
}

}  // namespace json
}  // namespace pelnor
