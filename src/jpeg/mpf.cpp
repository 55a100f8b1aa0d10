#include "jpeg/mpf.h"

#include <cstring>

#include "tags/tag_table.h"
#include "tiff/byte_order.h"
#include "tiff/directory.h"

namespace pelnor {
namespace {

// The MP index's images after the first: each an entry of 16 bytes (attributes, size, offset
// from the MPF TIFF header, two dependent image numbers) in the index IFD's tag 0xB002.
void parse_images(Mpf* mpf, std::uint64_t header) {
  const TiffData& tiff = mpf->tiff;
  std::uint16_t n;
  if (!read16_at(tiff, mpf->index, mpf->order, &n)) return;
  for (unsigned k = 0; k < n && tiff.contains(entry_offset(mpf->index, k), kEntrySize); ++k) {
    TagEntry e;
    decode_entry(&e, tiff.at(entry_offset(mpf->index, k)), mpf->order);
    if (e.tag != 0xB002 || e.type != UNDEFINED || e.count < 32) continue;
    for (std::uint32_t image = 1; image < e.count / 16; ++image) {
      const std::uint64_t at = std::uint64_t{e.value} + 16u * image;
      std::uint32_t attributes, size, offset;
      if (!read32_at(tiff, at, mpf->order, &attributes) ||
          !read32_at(tiff, at + 4, mpf->order, &size) ||
          !read32_at(tiff, at + 8, mpf->order, &offset)) {
        break;
      }
      if (offset == 0 || size == 0) continue;  // the first image, or none
      if (mpf->image_count == Mpf::kMostImages) return;
      // It may lie past the end: the file tells.
      mpf->images[mpf->image_count++] = {image + 1, header + offset, size, attributes};
    }
    return;
  }
}

}  // namespace

void load_mpf(ByteSource& file, const Segment& s, Reach reach, std::uint8_t* buffer, Mpf* mpf) {
  *mpf = Mpf{};
  mpf->loaded = true;
  mpf->segment = s.position;
  const std::uint32_t want = s.length - 2;
  std::int64_t got = 0;
  if (const std::uint8_t* held = file.held(s.data, want)) {
    std::memcpy(buffer, held, want);
    got = want;
  } else if (reach == Reach::kPeek) {
    got = file.peek(s.data, buffer, want);
  } else if (reach == Reach::kRead) {
    got = file.read(s.data, buffer, want);
  }
  if (got < 4) return;
  mpf->have = static_cast<std::uint32_t>(got);
  mpf->whole = mpf->have == want;
  const std::uint64_t header = s.data + 4;
  mpf->tiff = TiffData{buffer + 4, mpf->have - 4, static_cast<std::uint32_t>(header), nullptr, 0};
  if (!mpf->tiff.contains(0, 8)) return;
  mpf->order = byte_order_from_mark(buffer[4], buffer[5]);
  if (mpf->order < 0) return;
  read32_at(mpf->tiff, 4, mpf->order, &mpf->index);
  std::uint16_t n;
  if (read16_at(mpf->tiff, mpf->index, mpf->order, &n)) {
    read32_at(mpf->tiff, entry_offset(mpf->index, n), mpf->order, &mpf->attributes);
  }
  // Pictures come only from a segment read whole.
  if (mpf->whole && want >= 12) parse_images(mpf, header);
}

void report_mpf(const Mpf& mpf, Sink& sink) {
  if (mpf.have < 4) return;  // not even its identifier could be read
  const std::int64_t position = mpf.tiff.position;
  sink.directory_begin({DIR_MPF_INDEX, 0, 0, nullptr, mpf.order >= 0 ? position + mpf.index : -1});
  if (mpf.order < 0) {
    sink.note({NOTE_NO_MPF_HEADER});
    sink.directory_end();
    return;
  }
  report_entries(mpf.tiff, mpf.index, mpf.order, kMpfNames, false, sink);
  sink.directory_end();
  if (mpf.attributes == 0) return;
  sink.directory_begin({DIR_MPF_ATTRIBUTES, 0, 0, nullptr, position + mpf.attributes});
  if (mpf.attributes == mpf.index) {
    sink.note({NOTE_ALREADY_DUMPED});
  } else {
    report_entries(mpf.tiff, mpf.attributes, mpf.order, kMpfNames, false, sink);
  }
  sink.directory_end();
}

}  // namespace pelnor
