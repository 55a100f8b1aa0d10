#include "tiff/picture.h"

#include <algorithm>

namespace pelnor {

bool Picture::add_span(std::uint64_t position, std::uint64_t length) {
  if (length == 0) return true;
  if (span_count > 0 && spans[span_count - 1].position + spans[span_count - 1].length == position) {
    spans[span_count - 1].length += length;  // one run goes on where the last one ended
    return true;
  }
  if (span_count == kMostSpans) return false;
  spans[span_count++] = {position, length};
  return true;
}

void PictureList::add(const Picture& picture) {
  if (picture.span_count == 0) return;
  for (int i = 0; i < count; ++i) {
    const Picture& p = items[i];
    if (p.spans[0].position == picture.spans[0].position && p.length() == picture.length()) return;
  }
  if (count < kMost) items[count++] = picture;
}

void PictureList::sort() {
  std::stable_sort(items, items + count,
                   [](const Picture& a, const Picture& b) { return a.source < b.source; });
}

}  // namespace pelnor
