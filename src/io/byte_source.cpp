#include "io/byte_source.h"

#include <cstring>

namespace pelnor {

ByteSource::ByteSource(Platform& platform, const char* name, std::uint8_t* window)
    : platform_(platform), file_(platform.open_read(name)), window_(window) {}

// Nothing was written through the handle: a failed close loses nothing.
ByteSource::~ByteSource() {
  if (file_ != kInvalidFile) platform_.close(file_);
}

std::int64_t ByteSource::read_next(std::uint8_t* out, std::uint32_t size) {
  std::int64_t got;
  if (in_order_) {
    got = read_in_order(next_, out, size);
  } else if ((got = platform_.read(file_, out, size)) < 0) {
    failed_ = true;
  }
  if (got > 0) next_ += static_cast<std::uint64_t>(got);
  return got;
}

void ByteSource::hold(std::uint64_t position, const std::uint8_t* bytes, std::uint32_t size) {
  // A run that goes on where the first one ends (the rest of an Exif segment read after the
  // head) lengthens it.
  Run& first = runs_[0];
  if (first.bytes != nullptr && first.position + first.size == position &&
      first.bytes + first.size == bytes) {
    first.size += size;
    return;
  }
  runs_[first.bytes == nullptr ? 0 : 1] = {position, bytes, size};
}

const ByteSource::Run* ByteSource::run_at(std::uint64_t at) const {
  for (const Run& run : runs_) {
    if (run.bytes != nullptr && at >= run.position && at - run.position < run.size) return &run;
  }
  return nullptr;
}

std::uint64_t ByteSource::next_run(std::uint64_t at) const {
  std::uint64_t next = UINT64_MAX;
  for (const Run& run : runs_) {
    if (run.bytes != nullptr && run.size != 0 && run.position > at && run.position < next) {
      next = run.position;
    }
  }
  return next;
}

const std::uint8_t* ByteSource::held(std::uint64_t position, std::uint64_t size) const {
  const Run* run = run_at(position);
  if (run == nullptr) return nullptr;
  const std::uint64_t from = position - run->position;
  return size <= run->size - from ? run->bytes + from : nullptr;
}

std::int64_t ByteSource::read(std::uint64_t position, std::uint8_t* out, std::uint32_t size) {
  return copy(position, out, size, false);
}

std::int64_t ByteSource::peek(std::uint64_t position, std::uint8_t* out, std::uint32_t size) {
  if (in_order_ && held(position, size) == nullptr) return kCannotSeek;
  return copy(position, out, size, true);
}

std::int64_t ByteSource::copy(std::uint64_t position, std::uint8_t* out, std::uint32_t size,
                              bool peeking) {
  std::uint32_t done = 0;
  while (done < size) {
    const std::uint64_t at = position + done;
    if (const Run* run = run_at(at)) {
      const std::uint64_t left = run->position + run->size - at;
      const auto n = static_cast<std::uint32_t>(size - done < left ? size - done : left);
      std::memcpy(out + done, run->bytes + (at - run->position), n);
      done += n;
      continue;
    }
    const std::uint64_t gap = next_run(at) - at;
    const auto want = static_cast<std::uint32_t>(size - done < gap ? size - done : gap);
    const std::int64_t got = read_file(at, out + done, want, peeking);
    if (got < 0) return got;
    done += static_cast<std::uint32_t>(got);
    if (got < want) break;
  }
  return done;
}

std::int64_t ByteSource::read_file(std::uint64_t position, std::uint8_t* out, std::uint32_t size,
                                   bool peeking) {
  if (peeking) return platform_.read_at(file_, position, out, size);
  if (!in_order_) {
    const std::int64_t got = platform_.read_at(file_, position, out, size);
    if (got != kCannotSeek) {
      failed_ = failed_ || got < 0;
      return got;
    }
    // From here on the file is read in order, from where read_next left it.
    in_order_ = true;
    window_at_ = next_;
    window_size_ = 0;
  }
  return read_in_order(position, out, size);
}

bool ByteSource::reaches(std::uint64_t end) {
  const std::int64_t size = in_order_ ? -1 : platform_.file_size(file_);
  return size < 0 || end <= static_cast<std::uint64_t>(size);
}

std::int64_t ByteSource::read_in_order(std::uint64_t position, std::uint8_t* out,
                                       std::uint32_t size) {
  std::uint32_t done = 0;
  while (done < size) {
    const std::uint64_t at = position + done;
    const std::uint64_t window_end = window_at_ + window_size_;
    if (at < window_at_) break;  // read past already
    if (at < window_end) {
      const std::uint64_t left = window_end - at;
      const std::uint32_t n = size - done < left ? size - done : static_cast<std::uint32_t>(left);
      std::memcpy(out + done, window_ + (at - window_at_), n);
      done += n;
      continue;
    }
    // The next block of the file; blocks before `at` are read and let go.
    const std::int64_t got = platform_.read(file_, window_, kWindowSize);
    if (got < 0) {
      failed_ = true;
      return kReadFailed;
    }
    if (got == 0) break;
    window_at_ = window_end;
    window_size_ = static_cast<std::uint32_t>(got);
  }
  return done;
}

}  // namespace pelnor
