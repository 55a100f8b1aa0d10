// The TIFF structure as it was read: tiff_base and the extent of the bytes behind it.
#pragma once

#include <cstdint>
#include <cstring>

namespace pelnor {

/// The part of the file past the data read, read on demand. Only a JPEG thumbnail reaches into
/// it, for its signature and its bytes; the dump and every other decision use the data read.
class FileRest {
 public:
  /// True when the file holds all `length` bytes at TIFF offset `offset`.
  virtual bool holds(std::uint64_t offset, std::uint64_t length) = 0;

  /// Reads the `size` bytes at TIFF offset `offset` into `out`; false unless all were read.
  virtual bool read(std::uint64_t offset, std::uint8_t* out, std::uint32_t size) = 0;

  /// True once a read failed, rather than found the file ending.
  virtual bool failed() const = 0;

 protected:
  ~FileRest() = default;
};

/// Every offset in the TIFF structure counts from `base`, the TIFF header, which lies at file
/// byte `position` (12 where the Exif segment comes first in the JPEG). Only the `size` bytes
/// actually read from the current file may be interpreted; every reader asks `contains` before
/// it touches a byte that an offset or count from the file places.
struct TiffData {
  const std::uint8_t* base = nullptr;
  std::uint32_t size = 0;
  std::uint32_t position = 12;
  /// The rest of the file, when there can be one (the read filled the whole buffer).
  FileRest* rest = nullptr;

  /// True when the `length` bytes at `offset` all lie inside the data read. 64-bit arithmetic:
  /// neither an offset near 2^32 nor a count times an element size can wrap.
  constexpr bool contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size && length <= size - offset;
  }

  /// The address of `offset`; only for an offset that `contains` has accepted.
  const std::uint8_t* at(std::uint64_t offset) const { return base + offset; }

  /// Copies the `count` bytes at `offset` into `out`: from the data read when they lie in it,
  /// else from the rest of the file. False when neither holds them all.
  bool fetch(std::uint64_t offset, std::uint8_t* out, std::uint32_t count) const {
    if (contains(offset, count)) {
      std::memcpy(out, at(offset), count);
      return true;
    }
    return rest != nullptr && rest->read(offset, out, count);
  }
};

}  // namespace pelnor
