#include "makernote/previews.h"

#include "tiff/byte_order.h"

namespace pelnor {
namespace {

// The file position of offset `offset` of `data`; -1 for one before the start of the file.
std::int64_t file_position_of(const TiffData& data, std::uint64_t offset) {
  return std::int64_t{data.position} + data.origin + static_cast<std::int64_t>(offset);
}

void add_preview(const char* maker, std::int64_t start, std::uint64_t length, PictureList* list) {
  if (start < 0 || length == 0) return;
  Picture picture{PIC_MAKER_NOTE};
  picture.maker = maker;
  picture.add_span(static_cast<std::uint64_t>(start), length);
  list->add(picture);
}

// The previews that the directory at `p` gives by `names`' rules.
void previews_of(const MakerPlace& p, const MakerNames& names, const char* maker,
                 PictureList* list) {
  for (std::uint8_t i = 0; i < names.preview_count; ++i) {
    const MakerPreview& rule = names.previews[i];
    TagEntry e, other;
    std::uint64_t raw;
    if (!find_entry(p.data, p.ifd, rule.tag, p.order, &e, &raw)) continue;
    const std::uint64_t size = std::uint64_t{e.count} * value_size(e.type);
    switch (rule.form) {
      case PREVIEW_PAIR:
        if (e.count != 1 || (e.type != LONG && e.type != SLONG && e.type != SHORT) ||
            !find_entry(p.data, p.ifd, rule.length_tag, p.order, &other) || other.count != 1 ||
            (other.type != LONG && other.type != SHORT)) {
          break;
        }
        if (rule.valid_tag != 0) {
          TagEntry valid;
          if (find_entry(p.data, p.ifd, rule.valid_tag, p.order, &valid) && valid.value == 0) {
            break;  // the camera says it wrote none
          }
        }
        add_preview(maker, file_position_of(p.data, e.value), other.value, list);
        break;
      case PREVIEW_HELD: {
        if (size <= rule.skip) break;
        const std::uint64_t at = size <= 4 ? raw + 8 : e.value;
        add_preview(maker, file_position_of(p.data, at + rule.skip), size - rule.skip, list);
        break;
      }
      default: {  // PREVIEW_BINARY
        // Its first 16-bit word gives the block's size in words; a block that says otherwise
        // is not the one the rule reads.
        std::uint32_t start, length;
        std::uint16_t words;
        if (e.type != LONG || size <= 4 || size < std::uint64_t{rule.skip} + 4 ||
            !read16_at(p.data, e.value, p.order, &words) || words * 2u != size ||
            size < std::uint64_t{rule.length_at} + 4 ||
            !read32_at(p.data, std::uint64_t{e.value} + rule.skip, p.order, &start) ||
            !read32_at(p.data, std::uint64_t{e.value} + rule.length_at, p.order, &length)) {
          break;
        }
        add_preview(maker, file_position_of(p.data, start), length, list);
        break;
      }
    }
  }
}

}  // namespace

bool PreviewFinder::enter(const MakerPlace& p, const MakerNames& names) {
  const std::int64_t at = p.position();
  if (seen_.holds(at) || !seen_.add(at)) return false;
  previews_of(p, names, maker_, list_);
  return true;
}

bool PreviewFinder::maker_note(const TagEntry& e, bool placed, const MakerNotePlace& note) {
  if (!placed || note.layout == nullptr) return false;
  maker_ = note.name;
  if (note.is_ifd) return enter({note.data, note.ifd, note.little_endian}, *note.names);
  // A maker note that is not an IFD but keeps a preview's offset, from the start of the file.
  std::uint32_t start, length;
  if (note.preview_at != 0 && e.count >= note.preview_length_at + 4u &&
      read32_at(tiff_, std::uint64_t{e.value} + note.preview_at, order_, &start) &&
      read32_at(tiff_, std::uint64_t{e.value} + note.preview_length_at, order_, &length)) {
    add_preview(note.name, start, length, list_);
  }
  return false;
}

bool PreviewFinder::subdirectory(const MakerSubdirectory& sub, const MakerPlace& p,
                                 Refusal refusal) {
  return refusal == REFUSED_NONE && enter(p, *sub.names);
}

}  // namespace pelnor
