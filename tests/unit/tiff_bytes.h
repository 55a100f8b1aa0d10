// Small helpers for building TIFF and Exif byte arrays by hand in either byte order, for holding
// them in exactly-sized heap blocks (so that a read one byte too far is caught by
// AddressSanitizer), and for capturing what the tool prints.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tiff/tiff_data.h"
#include "tiff/tiff_types.h"

namespace pelnor::unit {

using Bytes = std::vector<std::uint8_t>;

inline const char* order_name(int little_endian) { return little_endian ? "II" : "MM"; }

/// Both byte orders, for loops that run a case once in each.
inline constexpr int kBothOrders[] = {1, 0};

/// One IFD entry before it is laid out: the value field is encoded by the byte order of the
/// file it is written into.
struct Entry {
  enum class Field { kWord, kShorts, kRaw };
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  Field field;
  std::uint32_t a = 0;  ///< the 32-bit word, or the first SHORT
  std::uint32_t b = 0;  ///< the second SHORT
  std::uint8_t raw[4] = {0, 0, 0, 0};
};

/// An entry whose value field is one 32-bit number in the file's byte order.
inline Entry word(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t v) {
  return Entry{tag, type, count, Entry::Field::kWord, v};
}
/// An entry whose value field holds two 16-bit numbers in the file's byte order.
inline Entry shorts(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t v1,
                    std::uint32_t v2 = 0) {
  return Entry{tag, type, count, Entry::Field::kShorts, v1, v2};
}
/// An entry whose value field holds four bytes as given, in either byte order.
inline Entry raw(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                 std::initializer_list<std::uint8_t> field) {
  Entry e{tag, type, count, Entry::Field::kRaw};
  std::size_t i = 0;
  for (std::uint8_t b : field) e.raw[i++] = b;
  return e;
}
inline Entry short1(std::uint16_t tag, std::uint32_t v) { return shorts(tag, SHORT, 1, v); }
inline Entry long1(std::uint16_t tag, std::uint32_t v) { return word(tag, LONG, 1, v); }

/// A TIFF structure under construction: the 8-byte header, then whatever is appended.
class Tiff {
 public:
  explicit Tiff(int little_endian) : le_(little_endian != 0) {
    bytes = le_ ? Bytes{'I', 'I'} : Bytes{'M', 'M'};
    bytes.resize(8);
    put16(2, 42);
    put32(4, 8);
  }

  int little_endian() const { return le_ ? 1 : 0; }

  void put8(std::size_t at, std::uint8_t v) {
    grow(at + 1);
    bytes[at] = v;
  }
  void put16(std::size_t at, std::uint32_t v) {
    grow(at + 2);
    const std::uint8_t lo = static_cast<std::uint8_t>(v), hi = static_cast<std::uint8_t>(v >> 8);
    bytes[at] = le_ ? lo : hi;
    bytes[at + 1] = le_ ? hi : lo;
  }
  void put32(std::size_t at, std::uint32_t v) {
    if (le_) {
      put16(at, v & 0xFFFFu);
      put16(at + 2, v >> 16);
    } else {
      put16(at, v >> 16);
      put16(at + 2, v & 0xFFFFu);
    }
  }
  void put_bytes(std::size_t at, const Bytes& data) {
    grow(at + data.size());
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  }
  void put_text(std::size_t at, const std::string& text) {
    put_bytes(at, Bytes(text.begin(), text.end()));
  }
  void put_entry(std::size_t at, const Entry& e) {
    put16(at, e.tag);
    put16(at + 2, e.type);
    put32(at + 4, e.count);
    switch (e.field) {
      case Entry::Field::kWord:
        put32(at + 8, e.a);
        break;
      case Entry::Field::kShorts:
        put16(at + 8, e.a);
        put16(at + 10, e.b);
        break;
      case Entry::Field::kRaw:
        put_bytes(at + 8, Bytes(e.raw, e.raw + 4));
        break;
    }
  }
  /// Writes an IFD at `at`: the count, the entries, the next-IFD offset.
  void put_ifd(std::size_t at, const std::vector<Entry>& entries, std::uint32_t next = 0) {
    put16(at, static_cast<std::uint32_t>(entries.size()));
    for (std::size_t k = 0; k < entries.size(); ++k) put_entry(at + 2 + 12 * k, entries[k]);
    put32(at + 2 + 12 * entries.size(), next);
  }

  /// Appends data at the next even offset and returns that offset.
  std::uint32_t append(const Bytes& data) {
    const std::uint32_t at = end();
    put_bytes(at, data);
    return at;
  }
  std::uint32_t append_text(const std::string& text) {
    return append(Bytes(text.begin(), text.end()));
  }
  std::uint32_t append_shorts(std::initializer_list<std::uint32_t> values) {
    const std::uint32_t at = end();
    std::size_t k = 0;
    for (std::uint32_t v : values) put16(at + 2 * k++, v);
    return at;
  }
  /// Rationals as (numerator, denominator) word pairs.
  std::uint32_t append_rationals(
      std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> values) {
    const std::uint32_t at = end();
    std::size_t k = 0;
    for (auto [num, den] : values) {
      put32(at + 8 * k, num);
      put32(at + 8 * k + 4, den);
      ++k;
    }
    return at;
  }
  std::uint32_t append_ifd(const std::vector<Entry>& entries, std::uint32_t next = 0) {
    const std::uint32_t at = end();
    put_ifd(at, entries, next);
    return at;
  }
  /// Offset of the next-IFD field of the IFD at `ifd` that holds `n` entries.
  static std::uint32_t next_field(std::uint32_t ifd, std::size_t n) {
    return static_cast<std::uint32_t>(ifd + 2 + 12 * n);
  }

  Bytes bytes;

 private:
  std::uint32_t end() {
    if (bytes.size() % 2) bytes.push_back(0);
    return static_cast<std::uint32_t>(bytes.size());
  }
  void grow(std::size_t n) {
    if (bytes.size() < n) bytes.resize(n, 0);
  }
  bool le_;
};

/// A whole Exif JPEG head around a TIFF structure: SOI, APP1 marker and length, "Exif\0\0".
inline Bytes exif_file(const Bytes& tiff) {
  Bytes file = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x00, 'E', 'x', 'i', 'f', 0, 0};
  const std::size_t length = tiff.size() + 8;
  file[4] = static_cast<std::uint8_t>(length >> 8);
  file[5] = static_cast<std::uint8_t>(length);
  file.insert(file.end(), tiff.begin(), tiff.end());
  return file;
}

/// A copy of some bytes in a heap block of exactly their size.
class HeapBytes {
 public:
  explicit HeapBytes(const Bytes& bytes)
      : size_(bytes.size()), data_(new std::uint8_t[bytes.size()]) {
    if (size_ != 0) std::memcpy(data_.get(), bytes.data(), size_);
  }
  const std::uint8_t* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  TiffData tiff() const { return TiffData{data_.get(), static_cast<std::uint32_t>(size_)}; }

 private:
  std::size_t size_;
  std::unique_ptr<std::uint8_t[]> data_;
};

/// Runs `f` and returns what it printed on standard output.
template <typename F>
std::string stdout_of(F&& f) {
  ::testing::internal::CaptureStdout();
  f();
  return ::testing::internal::GetCapturedStdout();
}

/// Runs `f` and returns what it printed on standard error.
template <typename F>
std::string stderr_of(F&& f) {
  ::testing::internal::CaptureStderr();
  f();
  return ::testing::internal::GetCapturedStderr();
}

/// Checks that `pieces` occur in `text` in this order, without overlapping.
inline ::testing::AssertionResult occur_in_order(const std::string& text,
                                                 const std::vector<std::string>& pieces) {
  std::size_t from = 0;
  for (const std::string& piece : pieces) {
    const std::size_t at = text.find(piece, from);
    if (at == std::string::npos) {
      return ::testing::AssertionFailure() << "missing, or out of order: \"" << piece << "\" in:\n"
                                           << text;
    }
    from = at + piece.size();
  }
  return ::testing::AssertionSuccess();
}

inline std::uint32_t le32(const Bytes& b, std::size_t at) {
  return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
         std::uint32_t{b[at + 3]} << 24;
}

}  // namespace pelnor::unit
