// The JSON writer: values, members and the commas between them, escaped texts that stay valid
// whatever bytes a file holds. Its state (the nesting, whether a comma is due, the block the
// document is made in) is its own; the JSON sink decides what is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pelnor {

class JsonWriter {
 public:
  /// Most values of one entry the document lists, and most bytes of one UNDEFINED value in
  /// hexadecimal; an entry with more says how many in "more".
  static constexpr std::uint32_t kMostValues = 4096;
  static constexpr std::uint32_t kMostBytes = 1024;

  /// Bytes as they stand, outside any value ("[\n", ",\n").
  void raw(const char* s, std::size_t n);
  /// A new top-level value follows: nothing is open.
  void restart();
  /// Passes what the block holds on to the output.
  void flush();

  void key(const char* name, std::size_t n);
  template <std::size_t N>
  void key(const char (&name)[N]) {
    key(name, N - 1);
  }
  /// key(name) and begin_array() in one.
  void array_member(const char* name, std::size_t n);
  template <std::size_t N>
  void array_member(const char (&name)[N]) {
    array_member(name, N - 1);
  }
  void begin_object();
  void end_object();
  void begin_array();
  void end_array();
  void number(std::int64_t v);
  void unsigned_number(std::uint64_t v);
  /// The `n` unsigned integers of `size` bytes (1, 2 or 4) at `bytes`, in the byte order given,
  /// as numbers of the open array.
  void unsigned_values(const std::uint8_t* bytes, std::uint32_t n, unsigned size,
                       bool little_endian);
  /// A number that reads back as the same float or double; "NaN", "Infinity" and "-Infinity"
  /// as strings.
  void real(double v, bool single);
  void boolean(bool v);
  void null();
  /// A JSON string of the `n` bytes: escaped, and each byte that is not part of valid UTF-8
  /// written as U+FFFD. Returns false when such a byte was met.
  bool string(const char* s, std::size_t n);
  /// string() of a text, and when it was not valid UTF-8 the member `hex_key` with its bytes in
  /// hexadecimal, so that they can be recovered exactly.
  template <std::size_t N, std::size_t M>
  void text(const char (&key_name)[N], const char* s, std::size_t n, const char (&hex_key)[M]) {
    key(key_name, N - 1);
    if (!string(s, n)) {
      key(hex_key, M - 1);
      hex(reinterpret_cast<const std::uint8_t*>(s), n);
    }
  }
  /// The bytes in lower-case hexadecimal, as a string.
  void hex(const std::uint8_t* bytes, std::size_t n);

  /// Opens an entry's object with its members "position", "tag", "name" (`name`, or null),
  /// "type", "count", "field" and "value_position", written at once; end_object closes it.
  void entry_head(std::uint32_t position, std::uint16_t tag, const char* name, std::uint16_t type,
                  std::uint32_t count, std::uint32_t field, std::uint32_t value_position);

  template <std::size_t N>
  void member(const char (&name)[N], std::int64_t v) {
    key(name, N - 1);
    number(v);
  }
  template <std::size_t N>
  void member(const char (&name)[N], const char* text) {
    key(name, N - 1);
    string(text, std::strlen(text));
  }
  template <std::size_t N>
  void flag(const char (&name)[N]) {
    key(name, N - 1);
    boolean(true);
  }

 private:
  char* room(std::size_t n);
  bool short_string(const char* s, std::size_t n);
  template <unsigned kSize>
  void values_of(const std::uint8_t* bytes, std::uint32_t n, bool little_endian);
  void put(const char* s, std::size_t n);
  template <std::size_t N>
  void put(const char (&s)[N]) {
    put(s, N - 1);
  }
  char* comma(char* p);
  void separate();
  void open(char c);
  void close(char c);

  // The nesting: for each open object or array, whether nothing has been written in it yet.
  static constexpr int kMostDepth = 16;
  bool empty_[kMostDepth] = {};
  int depth_ = 0;
  bool after_key_ = false;
  // The document is made in a block of its own, its many small pieces a copy each, not a call.
  char block_[1 << 16];
  std::size_t used_ = 0;
};

}  // namespace pelnor
