// The TIFF structure as it was read: tiff_base and the extent of the bytes behind it.
#pragma once

#include <cstdint>
#include <cstring>

#include "io/byte_source.h"
#include "tiff/pages.h"

namespace pelnor {

/// The data read from the current file, and where its offsets count from. `base` is the TIFF
/// header, which lies at file byte `position` (12 where the Exif segment comes first in the
/// JPEG); only the `size` bytes behind it were read and may be interpreted. Every offset of the
/// main TIFF structure counts from the header; a maker note's may count from a position of its
/// own, `origin` bytes past the header (negative when the maker note has moved since it was
/// written). Every reader asks `contains` before it touches a byte that an offset or count from
/// the file places.
struct TiffData {
  const std::uint8_t* base = nullptr;
  std::uint32_t size = 0;
  std::uint32_t position = 12;
  /// The file, for what lies past the data read, when there can be more of it (the read filled
  /// all it was to read); null otherwise. Only a JPEG thumbnail reaches into it, for its
  /// signature and its bytes; the dump and every other decision use the data read.
  ByteSource* file = nullptr;
  /// Where offset 0 lies, in bytes from the TIFF header.
  std::int64_t origin = 0;
  /// For a TIFF-format file, the rest of the file past the data read, loaded as it is reached;
  /// null for every other: then the data read is all there is.
  TiffPages* pages = nullptr;

  /// True when the `length` bytes at `offset` all lie inside the data read (or a page of the
  /// file past it). 64-bit arithmetic: neither an offset near 2^32 nor a count times an element
  /// size can wrap.
  bool contains(std::uint64_t offset, std::uint64_t length) const {
    const std::int64_t from = static_cast<std::int64_t>(offset) + origin;
    if (from >= 0 && static_cast<std::uint64_t>(from) <= size &&
        length <= size - static_cast<std::uint64_t>(from)) {
      return true;
    }
    return pages != nullptr && from >= 0 &&
           pages->contains(position + static_cast<std::uint64_t>(from), length);
  }

  /// How many bytes of the data read lie at and after `offset`: 0 when it lies outside.
  std::uint64_t bytes_at(std::uint64_t offset) const {
    const std::int64_t from = static_cast<std::int64_t>(offset) + origin;
    if (from >= 0 && static_cast<std::uint64_t>(from) < size) {
      return size - static_cast<std::uint64_t>(from);
    }
    return pages != nullptr && from >= 0
               ? pages->bytes_at(position + static_cast<std::uint64_t>(from))
               : 0;
  }

  /// The address of `offset`; only for an offset that `contains` has accepted.
  const std::uint8_t* at(std::uint64_t offset) const {
    const std::int64_t from = static_cast<std::int64_t>(offset) + origin;
    if (pages != nullptr) {
      // A range that contains() found in a page may have begun in the data read: the page
      // holds it whole.
      if (const std::uint8_t* p = pages->find(position + static_cast<std::uint64_t>(from))) return p;
    }
    return base + from;
  }

  /// The file position that offsets count from, as the generic line adds it to a value: in 32
  /// bits, wrapping.
  std::uint32_t origin_position() const {
    return position + static_cast<std::uint32_t>(static_cast<std::uint64_t>(origin));
  }

  /// The same data with offsets counting from `shift` bytes past where these count from.
  TiffData shifted(std::int64_t shift) const {
    TiffData moved = *this;
    moved.file = nullptr;  // only the thumbnail reads the file past the data read
    moved.origin += shift;
    return moved;
  }

  /// Copies the `count` bytes at `offset` into `out`: from the data read when they lie in it,
  /// else from the rest of the file. False when neither holds them all.
  bool fetch(std::uint64_t offset, std::uint8_t* out, std::uint32_t count) const {
    if (contains(offset, count)) {
      std::memcpy(out, at(offset), count);
      return true;
    }
    return file != nullptr && file->read_whole(position + offset, out, count);
  }

  /// False when the file is known to end before the `length` bytes at `offset` do.
  bool file_reaches(std::uint64_t offset, std::uint64_t length) const {
    return file != nullptr && file->reaches(position + offset + length);
  }
};

}  // namespace pelnor
