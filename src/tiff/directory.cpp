#include "tiff/directory.h"

#include "tiff/byte_order.h"
#include "tiff/values.h"

namespace pelnor {

int report_entries(const TiffData& tiff, std::uint32_t ifd, int order, const TagTable& names,
                   bool legacy, Sink& sink) {
  std::uint16_t n;
  if (!read16_at(tiff, ifd, order, &n)) {
    sink.note({NOTE_IFD_BEYOND});
    return 0;
  }
  const std::uint32_t origin = tiff.origin_position();
  for (unsigned k = 0; k < n; ++k) {
    const std::uint64_t raw_offset = entry_offset(ifd, k);
    if (!tiff.contains(raw_offset, kEntrySize)) {
      sink.note({NOTE_ENTRIES_BEYOND, n - k, n});
      return 1;
    }
    TagEntry e;
    decode_entry(&e, tiff.at(raw_offset), order);
    // The value position as the generic line's bracket gives it: the field plus the position
    // the directory's offsets count from.
    const Entry entry{static_cast<std::uint32_t>(raw_offset) + origin,
                      e.tag,
                      e.type,
                      e.count,
                      e.value,
                      e.value + origin};
    ValueView value(tiff, raw_offset, e, order, names, legacy);
    sink.entry(entry, value);
  }
  return 1;
}

bool find_entry(const TiffData& tiff, std::uint32_t ifd, std::uint16_t tag, int order,
                TagEntry* found, std::uint64_t* raw_offset) {
  std::uint16_t n;
  if (!read16_at(tiff, ifd, order, &n)) return false;
  for (unsigned k = 0; k < n && tiff.contains(entry_offset(ifd, k), kEntrySize); ++k) {
    const std::uint8_t* raw = tiff.at(entry_offset(ifd, k));
    if (file16(raw, order) == tag) {
      decode_entry(found, raw, order);
      if (raw_offset != nullptr) *raw_offset = entry_offset(ifd, k);
      return true;
    }
  }
  return false;
}

}  // namespace pelnor
