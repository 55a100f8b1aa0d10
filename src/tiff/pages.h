// The bytes of a TIFF-format file past the data read, loaded a page at a time as the readers
// reach them: a camera's raw file keeps its Exif directory, its SubIFDs and its previews
// anywhere in tens of megabytes, and is never read whole.
#pragma once

#include <cstdint>
#include <vector>

#include "io/byte_source.h"

namespace pelnor {

class TiffPages {
 public:
  /// Bytes one page holds; a range longer than a page less its alignment is never in one.
  static constexpr std::uint32_t kPageSize = 65536;
  static constexpr std::uint32_t kAlign = 4096;
  /// Pages per file at most: what one file may read past its head this way is bounded.
  static constexpr int kMostPages = 8;

  /// Starts a new file, whose bytes come from `file`. Pages of the last one are let go.
  void reset(ByteSource* file) {
    file_ = file;
    count_ = 0;
  }

  /// True when the `length` bytes at file position `at` are in one page, read when none holds
  /// them yet. A page stays until the next reset, so what `at()` gives stays valid.
  bool contains(std::uint64_t at, std::uint64_t length);

  /// The address of file position `position` in a page that holds it; null when none does. A
  /// page that holds a position also holds every range from it that contains() accepted or
  /// that lies in the data read before the pages: each page reaches past the data read.
  const std::uint8_t* find(std::uint64_t position) const;

  /// How many bytes from file position `at` on one page holds: 0 when none can.
  std::uint64_t bytes_at(std::uint64_t position);

 private:
  struct Page {
    std::uint64_t position;
    std::uint32_t size;
  };
  const Page* page_with(std::uint64_t position, std::uint64_t length) const;

  ByteSource* file_ = nullptr;
  std::vector<std::uint8_t> memory_;
  Page pages_[kMostPages] = {};
  int count_ = 0;
};

}  // namespace pelnor
