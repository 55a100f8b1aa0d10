#include "io/byte_source.h"

#include <cstring>

namespace pelnor {

InputFile::InputFile(Platform& platform, const char* name, std::uint8_t* window)
    : platform_(platform), file_(platform.open_read(name)), window_(window) {}

// Nothing was written through the handle: a failed close loses nothing.
InputFile::~InputFile() {
  if (file_ != kInvalidFile) platform_.close(file_);
}

std::int64_t InputFile::read_next(std::uint8_t* out, std::uint32_t size) {
  std::int64_t got;
  if (in_order_) {
    got = read_in_order(next_, out, size);
  } else if ((got = platform_.read(file_, out, size)) < 0) {
    failed_ = true;
  }
  if (got > 0) next_ += static_cast<std::uint64_t>(got);
  return got;
}

std::int64_t InputFile::read(std::uint64_t position, std::uint8_t* out, std::uint32_t size) {
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

std::int64_t InputFile::peek(std::uint64_t position, std::uint8_t* out, std::uint32_t size) {
  return in_order_ ? kCannotSeek : platform_.read_at(file_, position, out, size);
}

bool InputFile::reaches(std::uint64_t end) {
  const std::int64_t size = in_order_ ? -1 : platform_.file_size(file_);
  return size < 0 || end <= static_cast<std::uint64_t>(size);
}

std::int64_t InputFile::read_in_order(std::uint64_t position, std::uint8_t* out,
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
