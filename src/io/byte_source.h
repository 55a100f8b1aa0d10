// The input file's bytes: every byte of a file comes from here, through its one handle.
#pragma once

#include <cstdint>

#include "io/platform.h"

namespace pelnor {

/// Bytes a file that can only be read in order is read at a time, past what the tool holds.
inline constexpr std::uint32_t kWindowSize = 65536;

/// An input file, open from construction to destruction. Every byte of a file comes through its
/// one handle, never by opening the name again: a file replaced meanwhile (by a download or sync
/// client, say) cannot give a dump or thumbnail made of two files' bytes.
///
/// What the tool keeps in memory (the head, the Exif data read behind it) is said with hold(),
/// and reads of those bytes come from memory. A regular file is read at any position. A file
/// that can only be read in order (a pipe, a terminal) reaches a position ahead of what was read
/// by reading up to it; the last block read is kept in `window`, so that bytes just looked at (a
/// stream's signature) can be taken again. A position before that block cannot be reached again.
class ByteSource final {
 public:
  /// Opens `name` for reading. `window` holds kWindowSize bytes and lives as long as this.
  ByteSource(Platform& platform, const char* name, std::uint8_t* window);
  ~ByteSource();
  ByteSource(const ByteSource&) = delete;
  ByteSource& operator=(const ByteSource&) = delete;

  /// False when the file could not be opened.
  bool is_open() const { return file_ != kInvalidFile; }

  /// Reads the next `size` bytes in file order, from the start of the file on. Returns the
  /// count read, short only at the end of the file, or kReadFailed.
  std::int64_t read_next(std::uint8_t* out, std::uint32_t size);

  /// The `size` bytes at file position `position` are kept at `bytes` until the file is done:
  /// reads of them come from memory. Two runs at most: the head, and the Exif data read behind it.
  void hold(std::uint64_t position, const std::uint8_t* bytes, std::uint32_t size);

  /// The address of the `size` bytes at `position` when one run held in memory has them all;
  /// null otherwise.
  const std::uint8_t* held(std::uint64_t position, std::uint64_t size) const;

  /// Reads up to `size` bytes at file position `position`: what is held from memory, the rest
  /// through the handle. Returns the count read, short at the end of the file or where a file
  /// read in order has gone past the position, or kReadFailed; a failure marks the file failed.
  std::int64_t read(std::uint64_t position, std::uint8_t* out, std::uint32_t size);

  /// True when all `size` bytes at `position` were read.
  bool read_whole(std::uint64_t position, std::uint8_t* out, std::uint32_t size) {
    return read(position, out, size) == size;
  }

  /// The same, for what only -a looks at, which must not change the rest: a failure is not the
  /// file's, and a file read in order is read no further than what is held (kCannotSeek).
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
  struct Run {
    std::uint64_t position = 0;
    const std::uint8_t* bytes = nullptr;
    std::uint32_t size = 0;
  };
  // The held run that has the byte at `at`, or null.
  const Run* run_at(std::uint64_t at) const;
  // Where the next held run after `at` starts; UINT64_MAX when none does.
  std::uint64_t next_run(std::uint64_t at) const;
  // What is held from memory, the rest from the file: read() and, `peeking`, peek().
  std::int64_t copy(std::uint64_t position, std::uint8_t* out, std::uint32_t size, bool peeking);
  // Reads from the file alone, as read() does for what is not held.
  std::int64_t read_file(std::uint64_t position, std::uint8_t* out, std::uint32_t size,
                         bool peeking);
  std::int64_t read_in_order(std::uint64_t position, std::uint8_t* out, std::uint32_t size);

  Platform& platform_;
  FileHandle file_;
  std::uint8_t* window_;
  Run runs_[2];
  /// Where the next read_next starts, and, for a file read in order, where the window starts
  /// and how much of it is filled: the file has been read up to window_at_ + window_size_.
  std::uint64_t next_ = 0;
  std::uint64_t window_at_ = 0;
  std::uint32_t window_size_ = 0;
  bool in_order_ = false;
  bool failed_ = false;
};

}  // namespace pelnor
