// The input file, read through the one handle it was opened with until its handling ends.
#pragma once

#include <cstdint>

#include "io/platform.h"
#include "jpeg/segments.h"

namespace pelnor {

/// Bytes a file that can only be read in order is read at a time, past what the tool holds.
inline constexpr std::uint32_t kWindowSize = 65536;

/// An input file, open from construction to destruction. Every byte of a file comes through its
/// one handle, never by opening the name again: a file replaced meanwhile (by a download or sync
/// client, say) cannot give a dump or thumbnail made of two files' bytes.
///
/// A regular file is read at any position. A file that can only be read in order (a pipe, a
/// terminal) reaches a position ahead of what was read by reading up to it; the last block read
/// is kept in `window`, so that bytes just looked at (a stream's signature) can be taken again.
/// A position before that block cannot be reached again.
class InputFile final : public FileBytes {
 public:
  /// Opens `name` for reading. `window` holds kWindowSize bytes and lives as long as this.
  InputFile(Platform& platform, const char* name, std::uint8_t* window);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  /// False when the file could not be opened.
  bool is_open() const { return file_ != kInvalidFile; }

  /// Reads the next `size` bytes in file order, from the start of the file on. Returns the
  /// count read, short only at the end of the file, or kReadFailed.
  std::int64_t read_next(std::uint8_t* out, std::uint32_t size);

  /// Reads up to `size` bytes at file position `position`. Returns the count read, short at the
  /// end of the file or where a file read in order has gone past `position`, or kReadFailed.
  /// The segment walk reads past the head through it.
  std::int64_t read(std::uint64_t position, std::uint8_t* out, std::uint32_t size) override;

  /// Reads up to `size` bytes at `position` of a file read at any position, leaving everything
  /// else as it was: a failure here is not the file's, and a file read in order is not touched
  /// (kCannotSeek). For what only -a looks at, which must not change the rest.
  std::int64_t peek(std::uint64_t position, std::uint8_t* out, std::uint32_t size);

  /// The size of a file read at any position; UINT64_MAX when it has none that is known.
  std::uint64_t size() {
    const std::int64_t n = in_order_ ? -1 : platform_.file_size(file_);
    return n < 0 ? UINT64_MAX : static_cast<std::uint64_t>(n);
  }

  /// True when `position` lies behind what a file read in order still keeps: it cannot be read.
  bool behind(std::uint64_t position) const { return in_order_ && position < window_at_; }

  /// True for a file that is read at a position of its own choosing, not in order.
  bool seekable() { return !in_order_ && platform_.file_size(file_) >= 0; }

  /// False when the file is known to end before file position `end`. A file read in order is
  /// not known to end until it is read.
  bool reaches(std::uint64_t end);

  /// True once a read of this file failed: what it gave cannot stand for the file's contents.
  bool failed() const { return failed_; }

 private:
  std::int64_t read_in_order(std::uint64_t position, std::uint8_t* out, std::uint32_t size);

  Platform& platform_;
  FileHandle file_;
  std::uint8_t* window_;
  /// Where the next read_next starts, and, for a file read in order, where the window starts
  /// and how much of it is filled: the file has been read up to window_at_ + window_size_.
  std::uint64_t next_ = 0;
  std::uint64_t window_at_ = 0;
  std::uint32_t window_size_ = 0;
  bool in_order_ = false;
  bool failed_ = false;
};

}  // namespace pelnor
