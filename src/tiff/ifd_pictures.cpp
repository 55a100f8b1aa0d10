#include "tiff/ifd_pictures.h"

#include "tiff/byte_order.h"
#include "tiff/directory.h"

namespace pelnor {
namespace {

// A JPEGInterchangeFormat pair (0x0201, 0x0202) of the IFD at `ifd`, or the single strip of a
// JPEG-compressed image (Compression 6 or 7).
bool ifd_jpeg(const TiffData& tiff, std::uint32_t ifd, int little_endian, bool strip_too,
              Picture* picture) {
  std::uint16_t n;
  if (!read16_at(tiff, ifd, little_endian, &n)) return false;
  std::uint32_t start = 0, length = 0, strip = 0, strip_length = 0, compression = 0;
  bool strips = true;
  for (unsigned k = 0; k < n && tiff.contains(entry_offset(ifd, k), kEntrySize); ++k) {
    TagEntry e;
    decode_entry(&e, tiff.at(entry_offset(ifd, k)), little_endian);
    if (e.tag == 0x0201 && (e.type == LONG || e.type == kIfdType)) start = e.value;
    if (e.tag == 0x0202 && (e.type == LONG || e.type == SHORT)) length = e.value;
    if (e.tag == 0x0103) compression = e.value;
    if (e.tag == 0x0111) {
      strip = e.value;
      strips = strips && e.count == 1;
    }
    if (e.tag == 0x0117) {
      strip_length = e.value;
      strips = strips && e.count == 1;
    }
  }
  const std::uint64_t origin = tiff.position;
  if (start != 0 && length != 0) {
    picture->add_span(origin + start, length);
    return true;
  }
  if (strip_too && (compression == 6 || compression == 7) && strips && strip != 0 &&
      strip_length != 0) {
    picture->add_span(origin + strip, strip_length);
    return true;
  }
  return false;
}

}  // namespace

void find_tiff_pictures(const TiffData& tiff, std::uint32_t ifd0, int little_endian,
                        bool tiff_format, PictureList* list) {
  TagEntry pointer;
  if (find_entry(tiff, ifd0, 0x8769, little_endian, &pointer) && pointer.count == 1) {
    Picture other{PIC_OTHER};
    if (ifd_jpeg(tiff, pointer.value, little_endian, false, &other)) list->add(other);
  }
  if (!tiff_format) return;
  Picture ifd{PIC_IFD0};
  if (ifd_jpeg(tiff, ifd0, little_endian, true, &ifd)) list->add(ifd);
  if (!find_entry(tiff, ifd0, 0x014A, little_endian, &pointer) ||
      (pointer.type != LONG && pointer.type != kIfdType)) {
    return;
  }
  for (std::uint32_t i = 0; i < pointer.count && i < PictureList::kMost; ++i) {
    std::uint32_t offset = pointer.value;
    if (pointer.count > 1 &&
        !read32_at(tiff, std::uint64_t{pointer.value} + 4u * i, little_endian, &offset)) {
      return;
    }
    Picture sub{PIC_SUBIFD};
    sub.number = i + 1;
    if (ifd_jpeg(tiff, offset, little_endian, true, &sub)) list->add(sub);
  }
}

}  // namespace pelnor
