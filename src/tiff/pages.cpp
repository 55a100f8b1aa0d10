#include "tiff/pages.h"

namespace pelnor {

const TiffPages::Page* TiffPages::page_with(std::uint64_t position, std::uint64_t length) const {
  for (int i = 0; i < count_; ++i) {
    const Page& p = pages_[i];
    if (position >= p.position && position - p.position <= p.size &&
        length <= p.size - (position - p.position)) {
      return &p;
    }
  }
  return nullptr;
}

bool TiffPages::contains(std::uint64_t at, std::uint64_t length) {
  if (file_ == nullptr || length > kPageSize - kAlign) return false;
  if (page_with(at, length) != nullptr) return true;
  if (count_ == kMostPages || at > UINT64_MAX - kPageSize) return false;
  if (memory_.empty()) memory_.resize(std::size_t{kMostPages} * kPageSize);
  const std::uint64_t start = at - at % kAlign;
  std::uint8_t* out = memory_.data() + std::size_t{kPageSize} * static_cast<unsigned>(count_);
  const std::int64_t got = file_->read(start, out, kPageSize);
  if (got <= 0) return false;  // past the end of the file, or a read that failed
  pages_[count_++] = {start, static_cast<std::uint32_t>(got)};
  return page_with(at, length) != nullptr;
}

const std::uint8_t* TiffPages::find(std::uint64_t position) const {
  const Page* p = page_with(position, 1);
  if (p == nullptr) return nullptr;
  return memory_.data() + std::size_t{kPageSize} * static_cast<std::size_t>(p - pages_) +
         (position - p->position);
}

std::uint64_t TiffPages::bytes_at(std::uint64_t position) {
  if (!contains(position, 1)) return 0;
  const Page* p = page_with(position, 1);
  return p->position + p->size - position;
}

}  // namespace pelnor
