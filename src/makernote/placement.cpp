#include "makernote/placement.h"

#include <algorithm>
#include <cstring>

#include "makernote/layouts.h"
#include "tiff/byte_order.h"
#include "tiff/directory.h"
#include "tiff/tiff_types.h"
#include "tiff/values.h"

namespace pelnor {
namespace {

char fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_text(const char* a, const char* b, std::size_t n, bool nocase) {
  for (std::size_t i = 0; i < n; ++i) {
    if (nocase ? fold(a[i]) != fold(b[i]) : a[i] != b[i]) return false;
  }
  return true;
}

// True when `make` is as `rule` and one of the '|'-separated `wanted` texts say.
bool make_matches(const Camera& camera, std::uint8_t rule, const char* wanted) {
  if (rule == MAKE_ANY) return true;
  const bool nocase =
      rule == MAKE_PREFIX_NOCASE || rule == MAKE_CONTAINS_NOCASE || rule == MAKE_EQUAL_NOCASE;
  const auto make_length = static_cast<std::size_t>(camera.make_length);
  for (const char* w = wanted; *w != '\0';) {
    const char* bar = std::strchr(w, '|');
    const std::size_t n = bar != nullptr ? static_cast<std::size_t>(bar - w) : std::strlen(w);
    bool found = false;
    if (rule == MAKE_CONTAINS_NOCASE) {
      for (std::size_t i = 0; !found && i + n <= make_length; ++i) {
        found = same_text(camera.make + i, w, n, true);
      }
    } else if (rule == MAKE_EQUAL || rule == MAKE_EQUAL_NOCASE) {
      found = n == make_length && same_text(camera.make, w, n, nocase);
    } else {
      found = n <= make_length && same_text(camera.make, w, n, nocase);
    }
    if (found) return true;
    if (bar == nullptr) break;
    w = bar + 1;
  }
  return false;
}

// `value` holds the `have` bytes of the maker note that lie in the data read.
bool bytes_at(const std::uint8_t* value, std::uint64_t have, const MatchBytes& b, bool nocase) {
  return b.at + b.size <= have &&
         same_text(reinterpret_cast<const char*>(value) + b.at, b.data, b.size, nocase);
}

bool is_text(const std::uint8_t* value, std::uint64_t count) {
  std::uint64_t i = 0;
  for (; i < count; ++i) {
    const std::uint8_t c = value[i];
    if (!(c == 0x09 || c == 0x0A || c == 0x0D || (c >= 0x20 && c <= 0x7E))) break;
  }
  if (i == 0) return false;
  for (; i < count; ++i) {
    if (value[i] != 0) return false;
  }
  return true;
}

bool layout_matches(const MakerLayout& layout, const std::uint8_t* value, std::uint64_t have,
                    std::uint64_t count, const Camera& camera) {
  if (layout.header.size != 0 && !bytes_at(value, have, layout.header, layout.header_nocase)) {
    return false;
  }
  if (layout.pattern != nullptr) {
    if (layout.pattern_size > have) return false;
    for (std::uint8_t i = 0; i < layout.pattern_size; ++i) {
      if (value[i] < layout.pattern[i].low || value[i] > layout.pattern[i].high) return false;
    }
  }
  if (layout.text && (have < count || !is_text(value, count))) return false;
  if (!make_matches(camera, layout.make_rule, layout.make)) return false;
  for (std::uint8_t i = 0; i < layout.except_count; ++i) {
    if (bytes_at(value, have, layout.except[i], false)) return false;
  }
  return true;
}

bool has_model(const Camera& camera, const char* text) {
  const std::size_t n = std::strlen(text);
  for (std::size_t i = 0; i + n <= static_cast<std::size_t>(camera.model_length); ++i) {
    if (std::memcmp(camera.model + i, text, n) == 0) return true;
  }
  return false;
}

// The IFD of a maker note that has no fixed place: the first position of its first 32 bytes,
// in steps of 2, that holds a TIFF header pointing into the maker note, or an entry count of
// 1 to 255 (in either byte order) followed by entries of known types and sane counts. `*order`
// comes in as the byte order to try first and leaves as the one found. Offsets are in `tiff`'s.
bool scan_for_ifd(const TiffData& tiff, std::uint32_t note, std::uint32_t count,
                  const Camera& camera, int* order, std::uint32_t* ifd, std::uint32_t* header) {
  const std::uint64_t size = tiff.bytes_at(note);
  for (std::uint32_t offset = 0; offset <= 32; offset += 2) {
    if (offset + 14 > count) break;
    const std::uint64_t pos = std::uint64_t{note} + offset;
    if (!tiff.contains(pos, 2)) break;
    const std::uint8_t* p = tiff.at(pos);
    if (p[0] == p[1] && (p[0] == 'I' || p[0] == 'M')) {
      *order = p[0] == 'I' ? 1 : 0;  // a byte-order mark sets the order, header or not
      std::uint16_t magic;
      std::uint32_t at;
      if (read16_at(tiff, pos + 2, *order, &magic) && magic == 0x2A &&
          read32_at(tiff, pos + 4, *order, &at) && at >= 8 &&
          std::uint64_t{at} + offset + 14 <= count) {
        *header = static_cast<std::uint32_t>(pos);
        *ifd = static_cast<std::uint32_t>(pos + at);
        return true;
      }
    }
    std::uint32_t n = file16(p, *order);
    if (n == 0) continue;
    if ((n & 0xFF) == 0) {
      *order ^= 1;
      n >>= 8;
    } else if ((n & 0xFF00) != 0) {
      continue;
    }
    const std::int64_t from_end =
        static_cast<std::int64_t>(size) - static_cast<std::int64_t>(offset + 2 + kEntrySize * n);
    if (from_end < 4 && from_end != 2 && from_end != 0) continue;
    bool valid = true;
    for (std::uint32_t i = 0; valid && i < n; ++i) {
      const std::uint8_t* entry = tiff.at(pos + 2 + kEntrySize * i);
      const std::uint16_t format = file16(entry + 2, *order);
      const std::uint32_t values = file32(entry + 4, *order);
      // Zero entries pad some directories; a first entry of no type is not an IFD.
      if (format == 0 && values == 0 && i != 0) continue;
      if (format == 0 && i == n - 1 && has_model(camera, "EOS 40D")) continue;
      if (format < 1 || format > 13 || (values & 0xFF000000u) != 0) {
        valid = false;
      } else if (n == 1) {
        const std::uint64_t bytes = std::uint64_t{values} * value_size(format);
        if (bytes > 4 && (bytes > size || file32(entry + 8, *order) > 0x10000)) valid = false;
      }
    }
    if (valid) {
      *ifd = static_cast<std::uint32_t>(pos);
      return true;
    }
  }
  return false;
}

struct ValueBlock {
  std::uint32_t offset;
  std::uint64_t size;
};

// A Canon maker note without its footer, whose first value does not follow its IFD by one of the
// gaps Canon's cameras leave (4 bytes; 6 for the 20D and 350D, 16 for PowerShots, 28 for the
// camcorders): an editor moved it and kept its offsets. Returns the move that puts the first
// value where it belongs, when that move puts every value inside the maker note and they are
// not all inside it as they stand; else 0: the offsets are taken as they stand.
std::int64_t canon_shift(const ValueBlock* blocks, unsigned count, std::uint32_t ifd,
                         std::int64_t ifd_end, std::uint32_t length, const Camera& camera) {
  const std::int64_t gap = std::int64_t{blocks[0].offset} - ifd_end;
  if (gap == 0 || gap == 4 || gap == 6 || gap == 16 || gap == 28) return 0;
  const bool six = has_model(camera, "20D") || has_model(camera, "350D") ||
                   has_model(camera, "REBEL XT") || has_model(camera, "Kiss Digital N");
  const std::int64_t moved = (six ? 6 : 4) - gap;
  const std::int64_t end = std::int64_t{ifd} + length;
  const auto inside = [&](std::int64_t shift) {
    for (unsigned i = 0; i < count; ++i) {
      const std::int64_t at = std::int64_t{blocks[i].offset} + shift;
      if (at < ifd_end || at + static_cast<std::int64_t>(blocks[i].size) > end) return false;
    }
    return true;
  };
  return !inside(0) && inside(moved) ? moved : 0;
}

// A maker note's values stand after its IFD. Where they do not by the layout's base, the maker
// note was moved (by an editor that kept its offsets), and the base moves with it: returns by
// how much, 0 when the values lie where they should or nothing tells.
std::int64_t moved_by(const TiffData& data, std::uint32_t ifd, std::uint32_t length, int order,
                      const MakerLayout& layout, const Camera& camera) {
  constexpr unsigned kMostEntries = 512;
  std::uint16_t n;
  if (!read16_at(data, ifd, order, &n) || n > kMostEntries ||
      !data.contains(entry_offset(ifd, 0), std::uint64_t{kEntrySize} * n)) {
    return 0;
  }
  ValueBlock blocks[kMostEntries];
  unsigned count = 0;
  std::uint32_t print_im = 0;
  bool has_print_im = false;
  for (unsigned k = 0; k < n; ++k) {
    TagEntry e;
    decode_entry(&e, data.at(entry_offset(ifd, k)), order);
    if (e.type < 1 || e.type > 13) break;
    const std::uint64_t size = std::uint64_t{e.count} * value_size(e.type);
    if (size <= 4) continue;
    const std::uint32_t offset = file32(data.at(entry_offset(ifd, k)) + 8, order);
    if (e.tag == 0x0E00) {
      print_im = offset;
      has_print_im = true;
    }
    blocks[count++] = {offset, size};
  }
  if (count == 0) return 0;
  // Sorted by offset, one block per offset: the longest.
  std::sort(blocks, blocks + count, [](const ValueBlock& a, const ValueBlock& b) {
    return a.offset < b.offset || (a.offset == b.offset && a.size > b.size);
  });
  unsigned unique = 0;
  for (unsigned i = 0; i < count; ++i) {
    if (unique == 0 || blocks[unique - 1].offset != blocks[i].offset) blocks[unique++] = blocks[i];
  }
  const std::int64_t ifd_end = std::int64_t{ifd} + 2 + std::int64_t{kEntrySize} * n;

  if (layout.fix == FIX_CANON_FOOTER) {
    if (length <= 8) return 0;
    const std::uint64_t footer = std::uint64_t{ifd} + length - 8;
    if (!data.contains(footer, 8)) return 0;
    const std::uint8_t* f = data.at(footer);
    const char* mark = order != 0 ? "II\x2a\0" : "MM\0\x2a";
    if (std::memcmp(f, mark, 4) != 0) return canon_shift(blocks, unique, ifd, ifd_end, length, camera);
    const std::int64_t moved = std::int64_t{ifd} - std::int64_t{file32(f + 4, order)};
    const std::int64_t last_end = std::int64_t{blocks[unique - 1].offset} +
                                  static_cast<std::int64_t>(blocks[unique - 1].size);
    // An editor that moved the values but not the footer: the values end where the footer
    // starts, and they are to be believed.
    const std::int64_t end_gap = std::int64_t{ifd} + length - last_end - 8;
    if (moved == 0 || end_gap == 0 || end_gap == 1) return 0;
    return moved;
  }
  if (layout.fix != FIX_VALUES && layout.fix != FIX_VALUES_LOOSE) return 0;

  const std::int64_t ifd_length = 2 + std::int64_t{kEntrySize} * n;
  const std::int64_t expected = ifd_end + layout.gaps[0];
  std::int64_t first = blocks[0].offset;
  for (unsigned i = 1; i < unique; ++i) {
    const std::int64_t offset = blocks[i].offset;
    const std::int64_t gap = offset - (std::int64_t{blocks[i - 1].offset} +
                                       static_cast<std::int64_t>(blocks[i - 1].size));
    // Values some cameras store before the IFD are passed over when a jump leads to one where
    // the values should begin.
    if (gap >= ifd_length && offset - expected <= 4 && expected - offset <= 4) {
      first = offset;
    }
    if (first < 12) first = offset;  // an offset below 12 is surely not a value's
  }
  if (has_print_im && data.contains(print_im, 8) &&
      std::memcmp(data.at(print_im), "PrintIM\0", 8) == 0) {
    return 0;  // a PrintIM block where its offset says: the base is right
  }
  const std::int64_t gap = first - ifd_end;
  if (layout.fix == FIX_VALUES_LOOSE && gap >= 0 && gap <= 24) return 0;
  if (gap == 0 || gap == 4) return 0;
  for (std::uint8_t i = 0; i < layout.gap_count; ++i) {
    if (gap == layout.gaps[i]) return 0;
  }
  return layout.gaps[0] - gap;
}

}  // namespace

namespace {

// IFD0's Make or Model, as the layouts compare it: up to its zero byte, without the blanks at
// its end.
void camera_text(const TiffData& tiff, std::uint32_t ifd0, std::uint16_t tag, int order,
                 const char** text, int* length) {
  TagEntry e;
  std::uint64_t raw;
  if (!find_entry(tiff, ifd0, tag, order, &e, &raw) || e.type != ASCII) return;
  const EntryText t = entry_text(tiff, raw, e);
  int n = t.length;
  while (n > 0 && (t.chars[n - 1] == ' ' || (t.chars[n - 1] >= '\t' && t.chars[n - 1] <= '\r'))) {
    --n;
  }
  *text = t.chars;
  *length = n;
}

}  // namespace

Camera read_camera(const TiffData& tiff, std::uint32_t ifd0, int order) {
  Camera camera;
  camera_text(tiff, ifd0, 0x010F, order, &camera.make, &camera.make_length);    // Make
  camera_text(tiff, ifd0, 0x0110, order, &camera.model, &camera.model_length);  // Model
  return camera;
}

int directory_order(const TiffData& data, std::uint64_t ifd, int parent, std::uint8_t order,
                    std::uint64_t order_at) {
  switch (order) {
    case ORDER_LITTLE:
      return 1;
    case ORDER_BIG:
      return 0;
    case ORDER_PARENT:
      return parent;
    case ORDER_HEADER:
      if (data.contains(order_at, 2)) {
        const std::uint8_t* mark = data.at(order_at);
        if (mark[0] == 'I' && mark[1] == 'I') return 1;
        if (mark[0] == 'M' && mark[1] == 'M') return 0;
      }
      break;
    default:
      break;
  }
  std::uint16_t n;
  if (!read16_at(data, ifd, parent, &n)) return parent;
  // More entries in the high byte than in the low one: the count reads right the other way.
  return (n & 0xFF00) != 0 && (n >> 8) > (n & 0xFF) ? !parent : parent;
}

const MakerSubdirectory* find_subdirectory(const MakerNames& names, std::uint16_t tag,
                                           std::uint16_t type, std::uint32_t count,
                                           const Camera& camera) {
  const bool pointer = is_pointer_entry(type, count);
  for (std::uint8_t i = 0; i < names.subdirectory_count; ++i) {
    const MakerSubdirectory& sub = names.subdirectories[i];
    if (sub.tag != tag) continue;
    if ((sub.form == SUBDIR_POINTER && !pointer) || (sub.form == SUBDIR_HELD && pointer)) continue;
    if (sub.model != nullptr) {
      const std::size_t n = std::strlen(sub.model);
      if (n > static_cast<std::size_t>(camera.model_length) ||
          std::memcmp(camera.model, sub.model, n) != 0) {
        continue;
      }
    }
    return &sub;
  }
  return nullptr;
}

bool place_named_maker_note(const char* layout, const TiffData& data, std::uint32_t ifd, int order,
                            MakerNotePlace* place) {
  for (std::size_t i = 0; i < kLayoutCount; ++i) {
    const MakerLayout& l = kLayouts[i];
    if (std::strcmp(l.name, layout) != 0 || !l.is_ifd) continue;
    *place = MakerNotePlace{};
    place->layout = &l;
    place->name = l.name;
    place->names = l.names;
    place->is_ifd = place->layout_is_ifd = true;
    place->data = data;
    place->data.file = nullptr;
    place->ifd = ifd;
    place->little_endian = order;
    return true;
  }
  return false;
}

bool place_maker_note(const TiffData& tiff, std::uint32_t offset, std::uint32_t count,
                      int little_endian, const Camera& camera, MakerNotePlace* place) {
  const std::uint64_t have = std::min<std::uint64_t>(tiff.bytes_at(offset), count);
  // The layouts look at most 45 bytes in (Kodak's "JPG" at 41), and the text rule at all.
  if (have < std::min<std::uint32_t>(count, 48)) return false;
  const std::uint8_t* value = tiff.at(offset);
  const MakerLayout* layout = nullptr;
  for (std::size_t i = 0; i < kLayoutCount; ++i) {
    const MakerLayout& l = kLayouts[i];
    if (layout_matches(l, value, have, count, camera)) {
      layout = &l;
      break;
    }
  }
  *place = MakerNotePlace{};
  place->layout = layout;
  if (layout == nullptr) return true;
  place->name = layout->name;
  place->names = layout->names;
  place->layout_is_ifd = layout->is_ifd;
  place->preview_at = layout->preview_at;
  place->preview_length_at = layout->preview_length_at;
  if (!layout->is_ifd) return true;

  int order = little_endian;
  std::uint32_t ifd = 0;
  TiffData data = tiff;
  data.file = nullptr;
  switch (layout->start) {
    case START_LE32_AT: {
      if (!tiff.contains(std::uint64_t{offset} + layout->start_at, 4)) return true;
      const std::uint8_t* p = tiff.at(std::uint64_t{offset} + layout->start_at);
      const std::uint32_t at =
          p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
      if (std::uint64_t{offset} + at > UINT32_MAX) return true;
      ifd = offset + at;
      break;
    }
    case START_SCAN: {
      order = directory_order(tiff, offset, little_endian, ORDER_DETECT, 0);
      std::uint32_t header = 0;
      if (!scan_for_ifd(tiff, offset, count, camera, &order, &ifd, &header)) return true;
      if (header != 0) {  // a TIFF header of its own: offsets count from it
        data = tiff.shifted(header);
        ifd -= header;
      }
      break;
    }
    default:
      if (std::uint64_t{offset} + layout->start_at > UINT32_MAX) return true;
      ifd = offset + layout->start_at;
      break;
  }
  if (layout->start != START_SCAN) {
    order = directory_order(tiff, ifd, little_endian, layout->order,
                            std::uint64_t{offset} + layout->order_at);
  }
  if (layout->base_at_note) {
    const std::uint32_t base = offset + layout->base_at;
    data = tiff.shifted(base);
    ifd -= base;
  } else if (layout->fix != FIX_NONE) {
    // The maker note's length from its IFD on.
    const std::int64_t from_ifd = std::int64_t{ifd} + data.origin - offset;
    const std::uint32_t length =
        from_ifd >= 0 && from_ifd < count ? count - static_cast<std::uint32_t>(from_ifd) : 0;
    const std::int64_t moved = moved_by(data, ifd, length, order, *layout, camera);
    // A move that would put the IFD before the base cannot be right, nor one that puts the
    // base before the start of the file, but for Canon's: an editor that moved its maker note
    // towards the start by more than the 12 bytes where the TIFF header lay leaves offsets that
    // count from before the file's first byte, and its footer or its values tell by how much.
    const bool before_file = data.position + data.origin + moved < 0;
    if (moved != 0 && (!before_file || layout->fix == FIX_CANON_FOOTER) && moved <= ifd &&
        std::int64_t{ifd} - moved <= UINT32_MAX) {
      data = data.shifted(moved);
      ifd = static_cast<std::uint32_t>(std::int64_t{ifd} - moved);
      place->moved = moved;
    }
  }
  place->data = data;
  place->ifd = ifd;
  place->little_endian = order;
  place->is_ifd = true;
  return true;
}

}  // namespace pelnor
