// The makers' layouts of the Exif MakerNote: how each is recognised and where its IFD, its
// offsets and its byte order are. One row of data per layout; placement.cpp reads them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "makernote/names.h"
#include "makernote/placement.h"

namespace pelnor {

// MatchBytes a layout looks for, `at` bytes into the maker note.
struct MatchBytes {
  const char* data;
  std::uint8_t size;
  std::uint8_t at;
};

template <std::size_t N>
constexpr MatchBytes lit(const char (&s)[N], std::uint8_t at = 0) {
  return {s, static_cast<std::uint8_t>(N - 1), at};
}

// One byte of a pattern: any value from `low` to `high`.
struct ByteRange {
  std::uint8_t low;
  std::uint8_t high;
};

constexpr ByteRange kAny = {0x00, 0xFF};
constexpr ByteRange exactly(char c) {
  return {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c)};
}

// How IFD0's Make must read, given as one or more texts separated by '|'.
enum MakeRule : std::uint8_t {
  MAKE_ANY,
  MAKE_PREFIX,
  MAKE_PREFIX_NOCASE,
  MAKE_CONTAINS_NOCASE,
  MAKE_EQUAL,
  MAKE_EQUAL_NOCASE,
};

// Where the maker note's IFD starts.
enum StartRule : std::uint8_t {
  START_AT,       // `start_at` bytes into the maker note
  START_LE32_AT,  // where the little-endian 32-bit number at `start_at` says, from the start
  START_SCAN,     // the first thing in its first 32 bytes that reads as an IFD or a TIFF header
};

// Whether the layout's offset base is checked against where the values really lie.
enum FixRule : std::uint8_t {
  FIX_NONE,
  // Canon keeps, in a TIFF header at its end, where the maker note stood when it was written.
  FIX_CANON_FOOTER,
  // The first value must follow the IFD by one of `gaps` bytes; when it does not, the base is
  // moved so that it does.
  FIX_VALUES,
  // The same, but any gap from 0 to 24 bytes is taken as it is.
  FIX_VALUES_LOOSE,
};

/// One way a maker writes its maker note.
struct MakerLayout {
  const char* name;
  /// MatchBytes the value must begin with (at their `at`); none when `header.size` is 0.
  MatchBytes header = {nullptr, 0, 0};
  bool header_nocase = false;
  /// Byte ranges the value must begin with, in place of a header.
  const ByteRange* pattern = nullptr;
  std::uint8_t pattern_size = 0;
  /// The whole value is text: printable characters, then zero bytes.
  bool text = false;
  std::uint8_t make_rule = MAKE_ANY;
  const char* make = nullptr;
  /// Values that begin with one of these are not of this layout.
  const MatchBytes* except = nullptr;
  std::uint8_t except_count = 0;
  /// False for a maker note that is not an IFD, or one this tool does not read.
  bool is_ifd = true;
  std::uint8_t start = START_AT;
  std::uint8_t start_at = 0;
  /// True when offsets count from `base_at` bytes into the maker note; else from the TIFF header.
  bool base_at_note = false;
  std::uint8_t base_at = 0;
  std::uint8_t order = ORDER_DETECT;
  std::uint8_t order_at = 0;
  std::uint8_t fix = FIX_NONE;
  std::int8_t gaps[3] = {4, 0, 0};
  std::uint8_t gap_count = 1;
  const MakerNames* names = &kUnnamed;
  std::uint8_t preview_at = 0;
  std::uint8_t preview_length_at = 0;
};

/// The layouts, tried in this order; the first that recognises a maker note reads it.
extern const MakerLayout kLayouts[];
extern const std::size_t kLayoutCount;

}  // namespace pelnor
