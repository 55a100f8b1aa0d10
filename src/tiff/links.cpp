#include "tiff/links.h"

#include <algorithm>
#include <cstring>

#include "tags/tag_table.h"
#include "tiff/byte_order.h"

namespace pelnor {
namespace {

// The links, each parent's in the order its children's blocks come. IFD1's and the chain's
// rows serve IFD2, IFD3 and on (DIR_IFD).
constexpr Link kLinks[] = {
    {DIR_IFD0, 0x8769, DIR_EXIF, LINK_POINTER, &kExifNames},
    {DIR_EXIF, 0xA005, DIR_INTEROP, LINK_POINTER, &kInteropNames},
    {DIR_EXIF, 0x927C, DIR_MAKER_NOTE, LINK_MAKER_NOTE, nullptr},
    {DIR_IFD0, 0x8825, DIR_GPS, LINK_POINTER, &kGpsNames},
    {DIR_IFD0, 0x014A, DIR_SUBIFD, LINK_ARRAY, &kTiffNames},
    {DIR_IFD0, 0xC634, DIR_MAKER_NOTE, LINK_DNG_MAKER_NOTE, nullptr},
    {DIR_IFD1, 0x014A, DIR_SUBIFD, LINK_ARRAY, &kTiffNames},
    {DIR_IFD1, 0, DIR_IFD, LINK_NEXT, &kTiffNames},
    {DIR_IFD, 0x014A, DIR_SUBIFD, LINK_ARRAY, &kTiffNames},
    {DIR_IFD, 0, DIR_IFD, LINK_NEXT, &kTiffNames},
};

Note refusal_note(Refusal refusal) {
  switch (refusal) {
    case REFUSED_NOT_FOLLOWED:
      return {NOTE_NOT_FOLLOWED};
    case REFUSED_BEYOND:
      return {NOTE_IFD_BEYOND};
    default:
      return {NOTE_NO_DIRECTORY};
  }
}

}  // namespace

// The dump's visitor of the maker-note walk: a block for the maker note and one for each
// directory inside it.
class DirectoryWalk::MakerDump final : public MakerVisitor {
 public:
  explicit MakerDump(DirectoryWalk& walk) : walk_(walk) {}

  bool maker_note(const TagEntry& e, bool placed, const MakerNotePlace& note) override {
    Sink& sink = walk_.sink_;
    // The block's position: the maker note's IFD, or where its bytes start when it has none.
    const MakerPlace p{note.data, note.ifd, note.little_endian};
    const std::int64_t at =
        placed && note.is_ifd ? p.position() : walk_.position(walk_.tiff_, e.value);
    sink.directory_begin({DIR_MAKER_NOTE, 0, 0, nullptr, at});
    if (!placed) {
      sink.note({NOTE_IFD_BEYOND});
      sink.directory_end();
      return false;
    }
    if (!note.is_ifd) {
      Note says{note.layout_is_ifd ? NOTE_NO_IFD_FOUND : NOTE_NOT_IFD};
      says.text = note.name;
      sink.note(says);
      sink.directory_end();
      return false;
    }
    const std::uint32_t origin = p.data.origin_position();
    Note says{note.moved != 0 ? NOTE_MAKER_NOTE_MOVED : NOTE_MAKER_NOTE,
              p.ifd + origin,
              origin,
              note.name,
              note.moved,
              p.order};
    sink.note(says);
    return walk_.body(p.data, p.ifd, p.order, note.names->tags);
  }

  bool subdirectory(const MakerSubdirectory& sub, const MakerPlace& p, Refusal refusal) override {
    Sink& sink = walk_.sink_;
    const bool placed = refusal == REFUSED_NONE;
    sink.directory_begin({DIR_MAKER_SUB, 0, 0, sub.name, placed ? p.position() : -1});
    if (!placed) {
      sink.note(refusal_note(refusal));
      sink.directory_end();
      return false;
    }
    return walk_.body(p.data, p.ifd, p.order, sub.names->tags);
  }

 private:
  DirectoryWalk& walk_;
};

// The entries of a directory whose block has begun, or the note that says why not, and the
// block's end. True when the entries were reported.
bool DirectoryWalk::body(const TiffData& data, std::uint32_t ifd, int order,
                         const TagTable& names) {
  bool done = false;
  const std::int64_t at = std::int64_t{data.position} + data.origin + ifd;
  if (dumped_.holds(at)) {
    sink_.note({NOTE_ALREADY_DUMPED});
  } else if (dumped_.count == DirectorySet::kMost) {
    sink_.note({NOTE_TOO_MANY, DirectorySet::kMost});
  } else if (report_entries(data, ifd, order, with_model(names), false, sink_) != 0) {
    dumped_.add(at);
    done = true;
  }
  sink_.directory_end();
  return done;
}

void DirectoryWalk::after_ifd0(std::uint32_t ifd0) {
  dumped_.count = 0;
  dumped_.add(position(tiff_, ifd0));
  children(tiff_, order_, DIR_IFD0, 0, ifd0);
}

void DirectoryWalk::after_ifd1(std::uint32_t ifd1) {
  if (!dumped_.holds(position(tiff_, ifd1))) dumped_.add(position(tiff_, ifd1));
  children(tiff_, order_, DIR_IFD1, 1, ifd1);
}

void DirectoryWalk::children(const TiffData& data, int order, DirectoryKind kind,
                             std::uint32_t number, std::uint32_t ifd) {
  for (const Link& link : kLinks) {
    if (link.parent != kind) continue;
    switch (link.form) {
      case LINK_POINTER:
        pointed(data, order, link, ifd);
        break;
      case LINK_ARRAY:
        subifds(data, order, ifd, number);
        break;
      case LINK_NEXT:
        next(data, order, ifd, number + 1);
        break;
      case LINK_MAKER_NOTE: {
        MakerDump dump(*this);
        MakerVisitor* visitors[2] = {&dump, finder_};
        walk_maker_note(data, ifd, order, camera_, visitors, finder_ != nullptr ? 2 : 1);
        finder_walked_ = finder_walked_ || finder_ != nullptr;
        break;
      }
      case LINK_DNG_MAKER_NOTE:
        dng_maker_note(data, order, ifd);
        break;
    }
  }
}

// A pointer entry of the main TIFF structure (the first of its tag): followed when it is a
// single 32-bit offset; a directory no pointer names gets no block.
void DirectoryWalk::pointed(const TiffData& data, int order, const Link& link, std::uint32_t ifd) {
  TagEntry e;
  if (!find_entry(data, ifd, link.tag, order, &e)) return;
  const bool followed = is_pointer_entry(e.type, e.count);
  sink_.directory_begin({link.child, 0, 0, nullptr, followed ? position(data, e.value) : -1});
  if (!followed) {
    sink_.note({NOTE_NOT_FOLLOWED});
    sink_.directory_end();
    return;
  }
  if (body(data, e.value, order, *link.names)) children(data, order, link.child, 0, e.value);
}

// The SubIFDs of IFD number `owner`, at `ifd`, each a block.
void DirectoryWalk::subifds(const TiffData& data, int order, std::uint32_t ifd,
                            std::uint32_t owner) {
  TagEntry e;
  if (!find_entry(data, ifd, 0x014A, order, &e)) return;
  if (!is_pointer_type(e.type) || e.count == 0) {
    sink_.directory_begin({DIR_SUBIFD, 1, owner});
    sink_.note({NOTE_NOT_FOLLOWED});
    sink_.directory_end();
    return;
  }
  for (std::uint32_t i = 0; i < e.count; ++i) {
    std::uint32_t offset = e.value;
    if (e.count > 1 && !read32_at(data, std::uint64_t{e.value} + 4u * i, order, &offset)) {
      // The table of offsets runs past the data read: so do the rest.
      sink_.directory_begin({DIR_SUBIFD, i + 1, owner});
      sink_.note({NOTE_IFD_BEYOND});
      sink_.directory_end();
      return;
    }
    sink_.directory_begin({DIR_SUBIFD, i + 1, owner, nullptr, position(data, offset)});
    if (!body(data, offset, order, kTiffNames) && dumped_.count == DirectorySet::kMost) return;
  }
}

// The IFD that the next-IFD field of the IFD at `ifd` leads to, as IFD `number`.
void DirectoryWalk::next(const TiffData& data, int order, std::uint32_t ifd,
                         std::uint32_t number) {
  std::uint16_t n;
  std::uint32_t offset = 0;
  if (!read16_at(data, ifd, order, &n) ||
      !read32_at(data, entry_offset(ifd, n), order, &offset) || offset == 0) {
    return;
  }
  sink_.directory_begin({DIR_IFD, number, 0, nullptr, position(data, offset)});
  if (body(data, offset, order, kTiffNames)) children(data, order, DIR_IFD, number, offset);
}

// DNGPrivateData: "Adobe", then records of a type, a size and their bytes; the maker note of
// the camera's own file is the MakN record: its byte order, where it stood in that file, then
// the maker note, whose offsets count as they did there.
void DirectoryWalk::dng_maker_note(const TiffData& data, int order, std::uint32_t ifd) {
  TagEntry e;
  if (!find_entry(data, ifd, 0xC634, order, &e) || (e.type != BYTE && e.type != UNDEFINED) ||
      e.count < 26 || !data.contains(e.value, 6) || std::memcmp(data.at(e.value), "Adobe", 6) != 0) {
    return;
  }
  std::uint64_t at = std::uint64_t{e.value} + 6;
  const std::uint64_t end = std::uint64_t{e.value} + e.count;
  while (at + 8 <= end && data.contains(at, 8)) {
    const std::uint8_t* r = data.at(at);
    const std::uint64_t size = big32(r + 4);
    if (std::memcmp(r, "MakN", 4) != 0) {
      at += 8 + size + (size & 1);
      continue;
    }
    if (size < 6 || !data.contains(at + 8, 6)) return;
    const std::uint8_t* h = data.at(at + 8);
    const int note_order = byte_order_from_mark(h[0], h[1]);
    if (note_order < 0) return;
    const std::uint32_t original = big32(h + 2);
    const std::uint64_t note = at + 14;  // where the maker note lies now
    const std::uint64_t count = std::min<std::uint64_t>(size - 6, end - note);
    // Offsets that counted from the camera's file's TIFF header find their bytes here.
    const TiffData moved = data.shifted(static_cast<std::int64_t>(note) - original);
    TagEntry m{0x927C, UNDEFINED, static_cast<std::uint32_t>(count), original};
    MakerNotePlace place;
    const bool placed = place_maker_note(moved, original, m.count, note_order, camera_, &place);
    MakerDump dump(*this);
    MakerVisitor* visitors[2] = {&dump, finder_};
    TagEntry shown = m;
    shown.value = static_cast<std::uint32_t>(note);
    walk_placed_maker_note(shown, placed, place, camera_, visitors, finder_ != nullptr ? 2 : 1);
    return;
  }
}

void DirectoryWalk::extra_directory(DirectoryKind kind, const TiffData& data, std::uint32_t ifd,
                                    int order, const TagTable& names) {
  sink_.directory_begin({kind, 0, 0, nullptr, position(data, ifd)});
  if (body(data, ifd, order, names)) children(data, order, kind, 0, ifd);
}

void DirectoryWalk::extra_maker_note(const MakerNotePlace& place, std::uint32_t position) {
  MakerDump dump(*this);
  MakerVisitor* visitors[1] = {&dump};
  const TagEntry shown{0x927C, UNDEFINED, 0, position};
  walk_placed_maker_note(shown, true, place, camera_, visitors, 1);
}

}  // namespace pelnor
