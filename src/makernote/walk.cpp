#include "makernote/walk.h"

#include <cstring>

#include "tiff/byte_order.h"
#include "tiff/directory.h"

namespace pelnor {
namespace {

constexpr std::uint16_t kMakerNote = 0x927C;

// Where the directory that entry `e` (its raw entry at `raw`) of a maker-note directory at
// `parent` leads to lies, as `sub` says: REFUSED_NONE with `*p`, or why not.
Refusal subdirectory_place(const MakerPlace& parent, const TagEntry& e, std::uint64_t raw,
                           const MakerSubdirectory& sub, MakerPlace* p, bool* placed) {
  *placed = false;
  const bool pointed = is_pointer_entry(e.type, e.count);
  if (pointed && e.value == 0) return REFUSED_NONE;
  std::uint64_t at;  // where the directory starts less `start`, in the parent's offsets
  if (pointed) {
    at = e.value;
  } else if (sub.form == SUBDIR_POINTER) {
    return REFUSED_NOT_FOLLOWED;
  } else {
    const std::uint64_t size = std::uint64_t{e.count} * value_size(e.type);
    at = size <= 4 ? raw + 8 : e.value;
  }
  const std::uint64_t start = at + sub.start;
  if (!parent.data.contains(start, 2) || start > UINT32_MAX) return REFUSED_BEYOND;
  if (sub.prefix != nullptr &&
      (!parent.data.contains(at, sub.prefix_size) ||
       std::memcmp(parent.data.at(at), sub.prefix, sub.prefix_size) != 0)) {
    return REFUSED_NO_DIRECTORY;
  }
  *p = MakerPlace{parent.data, static_cast<std::uint32_t>(start), parent.order};
  if (sub.based_at_value) {
    p->data = parent.data.shifted(static_cast<std::int64_t>(at));
    p->ifd = sub.start;
  }
  p->order = directory_order(p->data, p->ifd, parent.order, sub.order, p->ifd - sub.start);
  *placed = true;
  return REFUSED_NONE;
}

struct Walk {
  const Camera& camera;
  MakerVisitor* const* visitors;
};

// The directories inside the one at `p`, for the visitors of `active` (a bit each): each entry
// that leads to one, in the order of the entries, and the directories inside that.
void walk_inside(const Walk& w, const MakerPlace& p, const MakerNames& names, int depth,
                 unsigned active) {
  std::uint16_t n;
  if (depth >= kMostMakerDepth || names.subdirectory_count == 0 ||
      !read16_at(p.data, p.ifd, p.order, &n)) {
    return;
  }
  for (unsigned k = 0; k < n && p.data.contains(entry_offset(p.ifd, k), kEntrySize); ++k) {
    TagEntry e;
    decode_entry(&e, p.data.at(entry_offset(p.ifd, k)), p.order);
    const MakerSubdirectory* sub = find_subdirectory(names, e.tag, e.type, e.count, w.camera);
    if (sub == nullptr) continue;
    MakerPlace inside{};
    bool placed;
    const Refusal refusal =
        subdirectory_place(p, e, entry_offset(p.ifd, k), *sub, &inside, &placed);
    if (!placed && refusal == REFUSED_NONE) continue;  // leads nowhere
    unsigned going = 0;
    for (unsigned v = 0; (active >> v) != 0; ++v) {
      if (((active >> v) & 1u) != 0 && w.visitors[v]->subdirectory(*sub, inside, refusal)) {
        going |= 1u << v;
      }
    }
    if (going != 0) walk_inside(w, inside, *sub->names, depth + 1, going);
  }
}

}  // namespace

void walk_maker_note(const TiffData& tiff, std::uint32_t exif, int order, const Camera& camera,
                     MakerVisitor* const* visitors, int count) {
  TagEntry e;
  if (!find_entry(tiff, exif, kMakerNote, order, &e)) return;
  // Four bytes or fewer hold no directory, nor anything a layout could recognise.
  if ((e.type != UNDEFINED && e.type != BYTE) || e.count <= 4) return;
  MakerNotePlace note;
  const bool placed = place_maker_note(tiff, e.value, e.count, order, camera, &note);
  walk_placed_maker_note(e, placed, note, camera, visitors, count);
}

void walk_placed_maker_note(const TagEntry& e, bool placed, const MakerNotePlace& note,
                            const Camera& camera, MakerVisitor* const* visitors, int count) {
  unsigned going = 0;
  for (int v = 0; v < count; ++v) {
    if (visitors[v]->maker_note(e, placed, note)) going |= 1u << v;
  }
  if (going != 0) {
    walk_inside({camera, visitors}, {note.data, note.ifd, note.little_endian}, *note.names, 0,
                going);
  }
}

}  // namespace pelnor
