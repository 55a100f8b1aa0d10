#include "tiff/links.h"

#include <cstring>

#include "report/json_writer.h"
#include "report/output.h"
#include "tiff/byte_order.h"
#include "tiff/directory.h"
#include "tags/tag_table.h"
#include "makernote/placement.h"
#include "tiff/tiff_types.h"

namespace pelnor {
namespace {

constexpr char kNotFollowed[] = "\t<IFD pointer of another type or count>\n";
constexpr char kAlreadyDumped[] = "\t<IFD already dumped>\n";
constexpr char kIfdBeyond[] = "\t<IFD beyond the data read>\n";
constexpr char kTooMany[] = "\t<more directories than one file may have: %d>\n";
constexpr char kNoDirectory[] = "\t<no directory where the entry says>\n";
constexpr char kMakerNoteLine[] = "\t<%s maker note: IFD at %#x, offsets from %#x, %s>\n";
constexpr char kMovedMakerNoteLine[] =
    "\t<%s maker note: IFD at %#x, offsets from %#x (moved by %d since it was written), %s>\n";
constexpr char kNotIfd[] = "\t<%s maker note: not an IFD>\n";
constexpr char kNoIfdFound[] = "\t<%s maker note: no IFD found>\n";

constexpr std::uint16_t kExifPointer = 0x8769;
constexpr std::uint16_t kGpsPointer = 0x8825;
constexpr std::uint16_t kInteropPointer = 0xA005;
constexpr std::uint16_t kMakerNote = 0x927C;
constexpr std::uint16_t kSubIfds = 0x014A;
constexpr std::uint16_t kMake = 0x010F;
constexpr std::uint16_t kModel = 0x0110;

// Maker-note directories inside maker-note directories, at most.
constexpr int kMostDepth = 4;

struct Walk {
  const TiffData& tiff;
  int little_endian;
  DumpedDirectories* dumped;
  Camera camera;
};

// A directory's place: the data its offsets count in, its offset there, its byte order.
struct Place {
  TiffData data;
  std::uint32_t ifd;
  int little_endian;
};

std::int64_t file_position(const Place& p) {
  return std::int64_t{p.data.position} + p.data.origin + p.ifd;
}

// Bytes one value of `type` takes; 0 for a type without values.
std::uint64_t value_bytes(std::uint16_t type) {
  static constexpr std::uint8_t kSizes[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  return type < 14 ? kSizes[type] : 0;
}

bool is_pointer_type(std::uint16_t type) {
  return type == LONG || type == SLONG || type == kIfdType;
}

// The first entry with tag `tag` of the IFD at `ifd`, among its entries in the data read, and
// where its raw entry lies.
bool find_entry(const TiffData& tiff, std::uint32_t ifd, std::uint16_t tag, int little_endian,
                TagEntry* found, std::uint64_t* raw_offset = nullptr) {
  std::uint16_t n;
  if (!read16_at(tiff, ifd, little_endian, &n)) return false;
  for (unsigned k = 0; k < n && tiff.contains(entry_offset(ifd, k), kEntrySize); ++k) {
    const std::uint8_t* raw = tiff.at(entry_offset(ifd, k));
    if (file16(raw, little_endian) == tag) {
      decode_entry(found, raw, little_endian);
      if (raw_offset != nullptr) *raw_offset = entry_offset(ifd, k);
      return true;
    }
  }
  return false;
}

// Calls visit(entry, its offset, the sub-directory) for each entry of the maker-note directory
// at `p` that leads to a directory of its own, as the maker's names for `camera` say.
template <typename Visit>
void each_subdirectory(const Place& p, const MakerNames& names, const Camera& camera, Visit visit) {
  std::uint16_t n;
  if (names.subdirectory_count == 0 || !read16_at(p.data, p.ifd, p.little_endian, &n)) return;
  for (unsigned k = 0; k < n && p.data.contains(entry_offset(p.ifd, k), kEntrySize); ++k) {
    TagEntry e;
    decode_entry(&e, p.data.at(entry_offset(p.ifd, k)), p.little_endian);
    const MakerSubdirectory* sub = find_subdirectory(names, e.tag, e.type, e.count, camera);
    if (sub != nullptr) visit(e, entry_offset(p.ifd, k), *sub);
  }
}

// What a block says in place of its entries, or null when it dumps them.
const char* refusal(const Walk& w, const Place& p) {
  return w.dumped->holds(file_position(p)) ? kAlreadyDumped : nullptr;
}

// The body of a block whose heading is printed: the entries, or the line that says why not,
// then the blank line. True when the entries were dumped.
bool dump_body(const Walk& w, const Place& p, const TagTable& names) {
  bool done = false;
  if (const char* line = refusal(w, p)) {
    json::block_line("%s", line);
  } else if (w.dumped->count == DumpedDirectories::kMost) {
    json::block_line(kTooMany, DumpedDirectories::kMost);
  } else if (dump_ifd(p.data, p.ifd, p.little_endian, &names) != 0) {
    w.dumped->add(file_position(p));
    done = true;
  }
  print("\n");
  return done;
}

// A block for a pointer entry of the main TIFF structure, after its heading: followed when it
// is a single 32-bit offset.
bool dump_pointed(const Walk& w, const TagEntry& pointer, const TagTable& names,
                  const char* heading) {
  const bool followed = pointer.count == 1 && is_pointer_type(pointer.type);
  const Place p{w.tiff, pointer.value, w.little_endian};
  json::block_heading(followed ? file_position(p) : -1, "%s", heading);
  if (!followed) {
    json::block_line(kNotFollowed);
    print("\n");
    return false;
  }
  return dump_body(w, p, names);
}

// IFD0's or IFD1's Make or Model, as the layouts compare it: up to its zero byte, without the
// blanks at its end.
void camera_text(const TiffData& tiff, std::uint32_t ifd0, std::uint16_t tag, int little_endian,
                 const char** text, int* length) {
  TagEntry e;
  std::uint64_t raw;
  if (!find_entry(tiff, ifd0, tag, little_endian, &e, &raw) || e.type != ASCII) return;
  const EntryText t = entry_text(tiff, raw, e);
  int n = t.length;
  while (n > 0 && (t.chars[n - 1] == ' ' || (t.chars[n - 1] >= '\t' && t.chars[n - 1] <= '\r'))) {
    --n;
  }
  *text = t.chars;
  *length = n;
}

void dump_maker_directory(const Walk& w, const Place& p, const MakerNames& names, int depth);

// Where the directory that entry `e` (its raw entry at `raw`) of a maker-note directory at
// `parent` leads to lies, as `sub` says: true with `*p`, or false with the line that says why not
// in `*refusal` (null: a pointer of 0, which leads nowhere and gets no block).
bool subdirectory_place(const Place& parent, const TagEntry& e, std::uint64_t raw,
                        const MakerSubdirectory& sub, Place* p, const char** refusal) {
  const bool pointed = is_pointer_entry(e.type, e.count);
  *refusal = nullptr;
  if (pointed && e.value == 0) return false;
  std::uint64_t at;  // where the directory starts less `start`, in the parent's offsets
  if (pointed) {
    at = e.value;
  } else if (sub.form == SUBDIR_POINTER) {
    *refusal = kNotFollowed;
    return false;
  } else {
    const std::uint64_t size = std::uint64_t{e.count} * value_bytes(e.type);
    at = size <= 4 ? raw + 8 : e.value;
  }
  const std::uint64_t start = at + sub.start;
  if (!parent.data.contains(start, 2) || start > UINT32_MAX) {
    *refusal = kIfdBeyond;
    return false;
  }
  if (sub.prefix != nullptr &&
      (!parent.data.contains(at, sub.prefix_size) ||
       std::memcmp(parent.data.at(at), sub.prefix, sub.prefix_size) != 0)) {
    *refusal = kNoDirectory;
    return false;
  }
  *p = Place{parent.data, static_cast<std::uint32_t>(start), parent.little_endian};
  if (sub.based_at_value) {
    p->data = parent.data.shifted(static_cast<std::int64_t>(at));
    p->ifd = sub.start;
  }
  p->little_endian =
      directory_order(p->data, p->ifd, parent.little_endian, sub.order, p->ifd - sub.start);
  return true;
}

// The block of that directory, and the blocks inside it.
void dump_subdirectory(const Walk& w, const Place& parent, const TagEntry& e, std::uint64_t raw,
                       const MakerSubdirectory& sub, int depth) {
  Place p;
  const char* refusal;
  const bool placed = subdirectory_place(parent, e, raw, sub, &p, &refusal);
  if (!placed && refusal == nullptr) return;
  json::block_heading(placed ? file_position(p) : -1, "MakerNote %s IFD dumping...:\n", sub.name);
  if (!placed) {
    json::block_line("%s", refusal);
    print("\n");
    return;
  }
  if (dump_body(w, p, sub.names->tags)) dump_maker_directory(w, p, *sub.names, depth + 1);
}

// After a maker-note directory's block: the blocks of the directories its entries lead to, in
// the order of the entries.
void dump_maker_directory(const Walk& w, const Place& p, const MakerNames& names, int depth) {
  if (depth >= kMostDepth) return;
  each_subdirectory(p, names, w.camera,
                    [&](const TagEntry& e, std::uint64_t raw_offset, const MakerSubdirectory& sub) {
                      dump_subdirectory(w, p, e, raw_offset, sub, depth);
                    });
}

// The maker note of the Exif directory at `exif`, when it has one: its block, then the blocks
// of the directories inside it.
void dump_maker_note(const Walk& w, std::uint32_t exif) {
  TagEntry e;
  if (!find_entry(w.tiff, exif, kMakerNote, w.little_endian, &e)) return;
  // Four bytes or fewer hold no directory, nor anything a layout could recognise.
  if ((e.type != UNDEFINED && e.type != BYTE) || e.count <= 4) return;
  MakerNotePlace note;
  const bool placed = place_maker_note(w.tiff, e.value, e.count, w.little_endian, w.camera, &note);
  // The block's position: the maker note's IFD, or where its bytes start when it has none.
  std::int64_t at = file_position({w.tiff, e.value, w.little_endian});
  if (placed && note.is_ifd) at = file_position({note.data, note.ifd, note.little_endian});
  json::block_heading(at, "MakerNote IFD dumping...:\n");
  if (!placed) {
    json::block_line(kIfdBeyond);
    print("\n");
    return;
  }
  if (!note.is_ifd) {
    json::block_line(note.layout_is_ifd ? kNoIfdFound : kNotIfd, note.name);
    print("\n");
    return;
  }
  const Place p{note.data, note.ifd, note.little_endian};
  const std::uint32_t origin = p.data.origin_position();
  const char* order = p.little_endian != 0 ? "II" : "MM";
  if (note.moved != 0) {
    json::block_line(kMovedMakerNoteLine, note.name, p.ifd + origin, origin,
                     static_cast<int>(note.moved), order);
  } else {
    json::block_line(kMakerNoteLine, note.name, p.ifd + origin, origin, order);
  }
  if (dump_body(w, p, note.names->tags)) dump_maker_directory(w, p, *note.names, 0);
}

// A SubIFD's heading: "SubIFD2 dumping...:" for IFD0's second, "IFD1 SubIFD1 dumping...:".
void print_subifd_heading(unsigned owner, std::uint32_t number, std::int64_t position) {
  if (owner == 0) {
    json::block_heading(position, "SubIFD%u dumping...:\n", number);
  } else {
    json::block_heading(position, "IFD%u SubIFD%u dumping...:\n", owner, number);
  }
}

// The SubIFDs of IFD number `owner`, at `ifd`, each a block.
void dump_subifds(const Walk& w, std::uint32_t ifd, unsigned owner) {
  TagEntry e;
  if (!find_entry(w.tiff, ifd, kSubIfds, w.little_endian, &e)) return;
  if (!is_pointer_type(e.type) || e.count == 0) {
    print_subifd_heading(owner, 1, -1);
    json::block_line(kNotFollowed);
    print("\n");
    return;
  }
  for (std::uint32_t i = 0; i < e.count; ++i) {
    std::uint32_t offset = e.value;
    if (e.count > 1 &&
        !read32_at(w.tiff, std::uint64_t{e.value} + 4u * i, w.little_endian, &offset)) {
      print_subifd_heading(owner, i + 1, -1);
      json::block_line(kIfdBeyond);  // the table of offsets runs past the data read: so do the rest
      print("\n");
      return;
    }
    print_subifd_heading(owner, i + 1, file_position({w.tiff, offset, w.little_endian}));
    if (!dump_body(w, {w.tiff, offset, w.little_endian}, kTiffNames) &&
        w.dumped->count == DumpedDirectories::kMost) {
      return;
    }
  }
}

}  // namespace

void dump_sub_ifds(const TiffData& tiff, std::uint32_t ifd0, int little_endian,
                   DumpedDirectories* dumped) {
  dumped->count = 0;
  dumped->add(std::int64_t{tiff.position} + tiff.origin + ifd0);
  Walk w{tiff, little_endian, dumped, {}};
  camera_text(tiff, ifd0, kMake, little_endian, &w.camera.make, &w.camera.make_length);
  camera_text(tiff, ifd0, kModel, little_endian, &w.camera.model, &w.camera.model_length);

  TagEntry exif, interop, gps;
  if (find_entry(tiff, ifd0, kExifPointer, little_endian, &exif)) {
    if (dump_pointed(w, exif, kExifNames, "Exif IFD dumping...:\n")) {
      if (find_entry(tiff, exif.value, kInteropPointer, little_endian, &interop)) {
        dump_pointed(w, interop, kInteropNames, "Interoperability IFD dumping...:\n");
      }
      dump_maker_note(w, exif.value);
    }
  }
  if (find_entry(tiff, ifd0, kGpsPointer, little_endian, &gps)) {
    dump_pointed(w, gps, kGpsNames, "GPS IFD dumping...:\n");
  }
  dump_subifds(w, ifd0, 0);
}

void dump_ifd_chain(const TiffData& tiff, std::uint32_t ifd1, int little_endian,
                    DumpedDirectories* dumped) {
  Walk w{tiff, little_endian, dumped, {}};
  const std::int64_t at = std::int64_t{tiff.position} + tiff.origin + ifd1;
  if (!dumped->holds(at)) dumped->add(at);
  dump_subifds(w, ifd1, 1);
  std::uint32_t ifd = ifd1;
  for (unsigned number = 2;; ++number) {
    std::uint16_t n;
    std::uint32_t next = 0;
    if (!read16_at(tiff, ifd, little_endian, &n) ||
        !read32_at(tiff, entry_offset(ifd, n), little_endian, &next) || next == 0) {
      return;
    }
    json::block_heading(file_position({tiff, next, little_endian}), "IFD%u dumping...:\n", number);
    if (!dump_body(w, {tiff, next, little_endian}, kTiffNames)) return;
    dump_subifds(w, next, number);
    ifd = next;
  }
}

void dump_mpf(const std::uint8_t* data, std::uint32_t size, std::uint32_t position) {
  const TiffData mpf{data + 4, size - 4, position, nullptr, 0};
  const int order = mpf.contains(0, 8) ? byte_order_from_mark(data[4], data[5]) : -1;
  std::uint32_t index = 0;
  if (order >= 0) read32_at(mpf, 4, order, &index);
  json::block_heading(order >= 0 ? std::int64_t{position} + index : -1, "MPF IFD dumping...:\n");
  if (order < 0) {
    json::block_line("\t<no TIFF header after the MPF identifier>\n");
    print("\n");
    return;
  }
  dump_ifd(mpf, index, order, &kMpfNames);
  print("\n");
  std::uint16_t n;
  std::uint32_t attributes = 0;
  if (!read16_at(mpf, index, order, &n) ||
      !read32_at(mpf, entry_offset(index, n), order, &attributes) || attributes == 0) {
    return;
  }
  json::block_heading(std::int64_t{position} + attributes, "MPF Attribute IFD dumping...:\n");
  if (attributes == index) {
    json::block_line(kAlreadyDumped);
  } else {
    dump_ifd(mpf, attributes, order, &kMpfNames);
  }
  print("\n");
}

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
void previews_of(const Place& p, const MakerNames& names, const char* maker, PictureList* list) {
  for (std::uint8_t i = 0; i < names.preview_count; ++i) {
    const MakerPreview& rule = names.previews[i];
    TagEntry e, other;
    std::uint64_t raw;
    if (!find_entry(p.data, p.ifd, rule.tag, p.little_endian, &e, &raw)) continue;
    const std::uint64_t size = std::uint64_t{e.count} * value_bytes(e.type);
    switch (rule.form) {
      case PREVIEW_PAIR:
        if (e.count != 1 || (e.type != LONG && e.type != SLONG && e.type != SHORT) ||
            !find_entry(p.data, p.ifd, rule.length_tag, p.little_endian, &other) ||
            other.count != 1 || (other.type != LONG && other.type != SHORT)) {
          break;
        }
        if (rule.valid_tag != 0) {
          TagEntry valid;
          if (find_entry(p.data, p.ifd, rule.valid_tag, p.little_endian, &valid) &&
              valid.value == 0) {
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
            !read16_at(p.data, e.value, p.little_endian, &words) || words * 2u != size ||
            size < std::uint64_t{rule.length_at} + 4 ||
            !read32_at(p.data, std::uint64_t{e.value} + rule.skip, p.little_endian, &start) ||
            !read32_at(p.data, std::uint64_t{e.value} + rule.length_at, p.little_endian, &length)) {
          break;
        }
        add_preview(maker, file_position_of(p.data, start), length, list);
        break;
      }
    }
  }
}

// What the preview walk keeps from directory to directory.
struct PreviewWalk {
  Camera camera;
  const char* maker;
  DumpedDirectories seen;
  PictureList* list;
};

// The previews of the maker-note directory at `p` and of the directories inside it.
void collect_previews(PreviewWalk& walk, const Place& p, const MakerNames& names, int depth) {
  const std::int64_t at = file_position(p);
  if (walk.seen.holds(at) || !walk.seen.add(at)) return;
  previews_of(p, names, walk.maker, walk.list);
  if (depth >= kMostDepth) return;
  each_subdirectory(p, names, walk.camera,
                    [&](const TagEntry& e, std::uint64_t raw_offset, const MakerSubdirectory& sub) {
                      Place inside;
                      const char* refusal;
                      if (subdirectory_place(p, e, raw_offset, sub, &inside, &refusal)) {
                        collect_previews(walk, inside, *sub.names, depth + 1);
                      }
                    });
}

}  // namespace

void find_maker_previews(const TiffData& tiff, std::uint32_t ifd0, int little_endian,
                         PictureList* list) {
  PreviewWalk walk{{}, nullptr, {}, list};
  camera_text(tiff, ifd0, kMake, little_endian, &walk.camera.make, &walk.camera.make_length);
  camera_text(tiff, ifd0, kModel, little_endian, &walk.camera.model, &walk.camera.model_length);
  TagEntry exif, e;
  if (!find_entry(tiff, ifd0, kExifPointer, little_endian, &exif) ||
      !is_pointer_entry(exif.type, exif.count) ||
      !find_entry(tiff, exif.value, kMakerNote, little_endian, &e) ||
      (e.type != UNDEFINED && e.type != BYTE) || e.count <= 4) {
    return;
  }
  MakerNotePlace note;
  if (!place_maker_note(tiff, e.value, e.count, little_endian, walk.camera, &note) ||
      note.layout == nullptr) {
    return;
  }
  walk.maker = note.name;
  if (note.is_ifd) {
    collect_previews(walk, {note.data, note.ifd, note.little_endian}, *note.names, 0);
    return;
  }
  // A maker note that is not an IFD but keeps a preview's offset, from the start of the file.
  std::uint32_t start, length;
  if (note.preview_at != 0 && e.count >= note.preview_length_at + 4u &&
      read32_at(tiff, std::uint64_t{e.value} + note.preview_at, little_endian, &start) &&
      read32_at(tiff, std::uint64_t{e.value} + note.preview_length_at, little_endian, &length)) {
    add_preview(note.name, start, length, list);
  }
}

}  // namespace pelnor
