#include "container/bmff.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tiff/byte_order.h"

#if defined(PELNOR_HAVE_BROTLI)
#include <brotli/decode.h>
#endif

namespace pelnor {
namespace {

constexpr std::uint32_t fourcc(const char (&s)[5]) {
  return std::uint32_t{static_cast<std::uint8_t>(s[0])} << 24 |
         std::uint32_t{static_cast<std::uint8_t>(s[1])} << 16 |
         std::uint32_t{static_cast<std::uint8_t>(s[2])} << 8 | static_cast<std::uint8_t>(s[3]);
}

// Boxes a file may have at most, and how deep they may lie in each other: a map of a real file
// holds a few hundred.
constexpr int kMostBoxes = 4096;
constexpr int kMostDepth = 8;
// A box whose fields are read whole (iloc, iinf's entries, iref) is read up to this many bytes.
constexpr std::uint32_t kMostFields = 1 << 20;
// An Exif box or item, or a decoded one, is read up to this many bytes.
constexpr std::uint32_t kMostExif = 1 << 20;
// Items a HEIF file may have at most in the map and in the search for its Exif item.
constexpr std::size_t kMostItems = 4096;

// Canon's CR3 boxes in moov, and the one of its preview.
constexpr std::uint8_t kCanonUuid[16] = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                         0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
constexpr std::uint8_t kPreviewUuid[16] = {0xea, 0xf4, 0x2b, 0x5e, 0x1c, 0x98, 0x4b, 0x88,
                                           0xb9, 0xfb, 0xb7, 0xdc, 0x40, 0x6e, 0x4d, 0x16};

struct Box {
  std::uint64_t position;
  std::uint64_t size;
  std::uint32_t header;
  std::uint32_t type;
  std::uint8_t uuid[16];
};

// Where an item's bytes lie: one run in the file, or several, or in idat.
struct Extent {
  std::uint64_t offset;
  std::uint64_t length;
};

// Where iloc puts an item's bytes. iloc may come before or after iinf: the two are joined by
// the item's id when the meta box has been read.
struct Location {
  std::uint32_t id = 0;
  bool in_idat = false;
  std::uint64_t base = 0;
  std::vector<Extent> extents;
};

struct Item {
  std::uint32_t id;
  std::uint32_t type;
  std::string name;
  std::uint64_t infe;  // where its infe box is
  const Location* location = nullptr;
  std::uint32_t thumbnail_of = 0;
};

// Reads `n` bytes of a big-endian number of `size` bytes (0, 4 or 8).
std::uint64_t number(const std::uint8_t* p, unsigned size) {
  std::uint64_t v = 0;
  for (unsigned i = 0; i < size; ++i) v = v << 8 | p[i];
  return v;
}

class Walk {
 public:
  Walk(ByteSource& file, std::uint64_t end, Sink* map, ContainerFind* found)
      : file_(file), end_(end), map_(map), found_(found) {}

  void run() {
    boxes(0, end_, 0);
    finish();
  }

 private:
  bool read(std::uint64_t at, std::uint8_t* out, std::uint32_t n) {
    if (at > end_ || n > end_ - at) return false;
    if (file_.read_whole(at, out, n)) return true;
    if (file_.failed()) found_->failed = true;
    return false;
  }

  // The `n` bytes of a box's fields, at most kMostFields; false when they cannot all be read.
  bool fields(std::uint64_t at, std::uint64_t n, std::vector<std::uint8_t>* out) {
    if (n > kMostFields) return false;
    out->resize(static_cast<std::size_t>(n));
    return n == 0 || read(at, out->data(), static_cast<std::uint32_t>(n));
  }

  // A note the map gives after the items, in the order they were met.
  void note(std::string text) {
    if (notes_.size() < 16) notes_.push_back(std::move(text));
  }

  void report(const Box& b, std::uint32_t depth, const std::string& detail) {
    if (map_ == nullptr) return;
    MapElement e{b.position, 0, nullptr, 0, false, nullptr, 0, false, 0, 0};
    e.kind = ELEMENT_BOX;
    for (int i = 0; i < 4; ++i) e.type[i] = static_cast<char>(b.type >> (24 - 8 * i));
    e.depth = depth;
    e.size = b.size;
    e.past_end = b.position + b.size > end_;
    e.detail = detail.empty() ? nullptr : detail.c_str();
    e.detail_length = static_cast<std::uint32_t>(detail.size());
    map_->map_element(e);
  }

  // Reads the box header at `at`, within `to`. False when there is none.
  bool header(std::uint64_t at, std::uint64_t to, Box* b) {
    std::uint8_t h[16];
    if (to - at < 8 || !read(at, h, 8)) return false;
    b->position = at;
    b->type = static_cast<std::uint32_t>(number(h + 4, 4));
    b->header = 8;
    const std::uint64_t size = number(h, 4);
    if (size == 1) {
      if (!read(at + 8, h + 8, 8)) return false;
      b->size = number(h + 8, 8);
      b->header = 16;
    } else if (size == 0) {
      b->size = to - at;  // to the end of its parent, or of the file
    } else {
      b->size = size;
    }
    if (b->type == fourcc("uuid")) {
      if (!read(at + b->header, b->uuid, 16)) return false;
      b->header += 16;
    }
    return true;
  }

  void boxes(std::uint64_t from, std::uint64_t to, std::uint32_t depth) {
    for (std::uint64_t at = from; at < to && to - at >= 8;) {
      Box b;
      if (count_ == kMostBoxes) {
        stop_ = MAP_TOO_MANY;
        return;
      }
      if (!header(at, to, &b)) {
        if (stop_ == MAP_COMPLETE && at < to && to != UINT64_MAX) stop_ = MAP_OVERRUN;
        return;
      }
      ++count_;
      const bool overruns = b.size < b.header || b.size > to - at;
      std::string detail = describe(b);
      report(b, depth, detail);
      if (overruns) {
        // A size the parent does not hold: nothing after it in the parent can be found. Past
        // the end of the file, the walk ends; inside a box, its line says so and the walk goes
        // on after that box.
        if (depth == 0) stop_ = MAP_OVERRUN;
        return;
      }
      inside(b, depth);
      at += b.size;
    }
  }

  std::string describe(const Box& b) {
    std::string d;
    if (b.type == fourcc("ftyp")) {
      std::uint8_t brand[4];
      if (b.size >= b.header + 4 && read(b.position + b.header, brand, 4)) {
        d = "brand " + std::string(reinterpret_cast<const char*>(brand), 4);
      }
    } else if (b.type == fourcc("uuid")) {
      static constexpr char kDigits[] = "0123456789abcdef";
      for (std::uint8_t c : b.uuid) {
        d += kDigits[c >> 4];
        d += kDigits[c & 0xF];
      }
    }
    return d;
  }

  void inside(const Box& b, std::uint32_t depth) {
    const std::uint64_t data = b.position + b.header;
    const std::uint64_t end = b.position + b.size;
    const std::uint32_t t = b.type;
    if (depth + 1 >= kMostDepth) return;
    if (t == fourcc("ftyp")) {
      brands(data, end);
    } else if (t == fourcc("meta")) {
      boxes(data + 4, end, depth + 1);  // a full box: version and flags first
    } else if (t == fourcc("iinf")) {
      // Version and flags, then the count of entries: 16 bits in version 0, 32 after.
      std::uint8_t v[8];
      if (end - data < 8 || !read(data, v, 8)) return;
      const std::size_t had = items_.size();
      boxes(data + (v[0] == 0 ? 6 : 8), end, depth + 1);
      const std::uint64_t claimed = v[0] == 0 ? number(v + 4, 2) : number(v + 4, 4);
      if (claimed > items_.size() - had) {
        note("iinf lists " + std::to_string(claimed) + " items and holds " +
             std::to_string(items_.size() - had));
      }
    } else if (t == fourcc("infe")) {
      infe(b, data, end);
    } else if (t == fourcc("iloc")) {
      iloc(data, end);
    } else if (t == fourcc("iref")) {
      iref(data, end);
    } else if (t == fourcc("pitm")) {
      std::uint8_t v[8];
      if (end - data >= 6 && read(data, v, 6)) primary_ = static_cast<std::uint32_t>(number(v + 4, 2));
    } else if (t == fourcc("idat")) {
      idat_ = data;
      idat_length_ = end - data;
    } else if (t == fourcc("iprp") || t == fourcc("ipco") || t == fourcc("moov") ||
               t == fourcc("trak") || t == fourcc("mdia") || t == fourcc("minf") ||
               t == fourcc("stbl") || t == fourcc("dinf")) {
      if (t == fourcc("trak")) ++tracks_;
      boxes(data, end, depth + 1);
    } else if (t == fourcc("uuid") && std::memcmp(b.uuid, kCanonUuid, 16) == 0) {
      boxes(data, end, depth + 1);
    } else if (t == fourcc("uuid") && std::memcmp(b.uuid, kPreviewUuid, 16) == 0) {
      boxes(data + 8, end, depth + 1);
    } else if (cr3_ && (t == fourcc("CMT1") || t == fourcc("CMT2") || t == fourcc("CMT3") ||
                        t == fourcc("CMT4"))) {
      ExifBlock& block = t == fourcc("CMT1")   ? found_->exif
                         : t == fourcc("CMT2") ? found_->extra[EXTRA_EXIF]
                         : t == fourcc("CMT3") ? found_->extra[EXTRA_MAKER_NOTE]
                                               : found_->extra[EXTRA_GPS];
      std::uint8_t h[4];
      const bool tiff = end - data >= 8 && read(data, h, 4) &&
                        (std::memcmp(h, "II*\0", 4) == 0 || std::memcmp(h, "MM\0*", 4) == 0);
      if (!tiff) {
        // CMT1 is still the Exif data, whose byte order the report then finds unknown; the
        // others are left out.
        char name[5];
        for (int i = 0; i < 4; ++i) name[i] = static_cast<char>(t >> (24 - 8 * i));
        name[4] = '\0';
        note(std::string(name) + " does not begin with a TIFF header" +
             (t == fourcc("CMT1") ? "" : ": not read"));
      }
      if (!block.found && (tiff || t == fourcc("CMT1"))) {
        block = ExifBlock{true, data, end - data, {}, false};
      }
    } else if (cr3_ && t == fourcc("THMB")) {
      thmb(data, end);
    } else if (cr3_ && t == fourcc("PRVW")) {
      prvw(data, end);
    } else if (cr3_ && tracks_ == 1 && (t == fourcc("stsz") || t == fourcc("co64") ||
                                        t == fourcc("stco"))) {
      sample(t, data, end);
    } else if (jxl_ && t == fourcc("Exif")) {
      exif_box(data, end - data, nullptr);
    } else if (jxl_ && t == fourcc("brob")) {
      brob(data, end);
    }
  }

  void brands(std::uint64_t data, std::uint64_t end) {
    std::vector<std::uint8_t> f;
    if (end - data < 8 || !fields(data, end - data, &f)) return;
    for (std::size_t i = 0; i + 4 <= f.size(); i += i == 0 ? 8 : 4) {
      const auto brand = static_cast<std::uint32_t>(number(f.data() + i, 4));
      if (brand == fourcc("crx ")) cr3_ = true;
      if (brand == fourcc("jxl ")) jxl_ = true;
      if (brand == fourcc("avif") || brand == fourcc("avis")) avif_ = true;
    }
  }

  void infe(const Box& b, std::uint64_t data, std::uint64_t end) {
    std::vector<std::uint8_t> f;
    if (items_.size() == kMostItems || end - data < 8 || !fields(data, std::min<std::uint64_t>(end - data, 4096), &f)) {
      return;
    }
    Item item{0, 0, {}, b.position, nullptr, 0};
    const std::uint8_t version = f[0];
    std::size_t at = 4;
    if (version >= 2) {
      const unsigned id_size = version == 3 ? 4 : 2;
      if (f.size() < at + id_size + 2 + 4) return;
      item.id = static_cast<std::uint32_t>(number(f.data() + at, id_size));
      at += id_size + 2;  // and the protection index
      item.type = static_cast<std::uint32_t>(number(f.data() + at, 4));
      at += 4;
    } else {
      if (f.size() < at + 4) return;
      item.id = static_cast<std::uint32_t>(number(f.data() + at, 2));
      at += 4;
    }
    while (at < f.size() && f[at] != 0 && item.name.size() < 64) {
      item.name += static_cast<char>(f[at++]);
    }
    items_.push_back(item);
  }

  void iloc(std::uint64_t data, std::uint64_t end) {
    std::vector<std::uint8_t> f;
    if (!fields(data, end - data, &f) || f.size() < 8) return;
    const std::uint8_t version = f[0];
    const unsigned offset_size = f[4] >> 4, length_size = f[4] & 0xF, base_size = f[5] >> 4;
    const unsigned index_size = version >= 1 ? f[5] & 0xF : 0;
    const auto valid = [](unsigned s) { return s == 0 || s == 4 || s == 8; };
    if (!valid(offset_size) || !valid(length_size) || !valid(base_size) || !valid(index_size)) {
      return;
    }
    std::size_t at = 6;
    const unsigned count_size = version < 2 ? 2 : 4;
    if (f.size() < at + count_size) return;
    const std::uint64_t count = number(f.data() + at, count_size);
    at += count_size;
    const auto take = [&f, &at](unsigned size, std::uint64_t* v) {
      if (f.size() - at < size) return false;
      *v = number(f.data() + at, size);
      at += size;
      return true;
    };
    std::uint64_t k = 0;
    const auto short_of = [this, &k, count] {
      note("iloc lists " + std::to_string(count) + " items and holds " + std::to_string(k));
    };
    for (; k < count && locations_.size() < kMostItems; ++k) {
      std::uint64_t id, method = 0, ignored, base, extents;
      if (!take(version < 2 ? 2 : 4, &id)) return short_of();
      if (version >= 1 && !take(2, &method)) return short_of();
      if (!take(2, &ignored) || !take(base_size, &base) || !take(2, &extents)) return short_of();
      Location place{static_cast<std::uint32_t>(id), (method & 0xF) == 1, base, {}};
      for (std::uint64_t e = 0; e < extents; ++e) {
        std::uint64_t offset, length;
        if ((index_size != 0 && !take(index_size, &ignored)) || !take(offset_size, &offset) ||
            !take(length_size, &length)) {
          return short_of();
        }
        if (place.extents.size() < 64) place.extents.push_back({offset, length});
      }
      locations_.push_back(std::move(place));
    }
  }

  // Each item's place: the first iloc gives for its id.
  void locate() {
    for (Item& item : items_) {
      for (const Location& l : locations_) {
        if (l.id == item.id) {
          item.location = &l;
          break;
        }
      }
    }
  }

  void iref(std::uint64_t data, std::uint64_t end) {
    std::vector<std::uint8_t> f;
    if (!fields(data, end - data, &f) || f.size() < 4) return;
    const unsigned id_size = f[0] == 0 ? 2 : 4;
    // Each reference: its size and type, the item it is from, a count, the items it is to.
    for (std::size_t at = 4; f.size() - at >= 8;) {
      const std::uint64_t size = number(f.data() + at, 4);
      const auto type = static_cast<std::uint32_t>(number(f.data() + at + 4, 4));
      if (size < 8 || size > f.size() - at) return;
      const std::size_t end_of = at + static_cast<std::size_t>(size);
      std::size_t p = at + 8;
      if (end_of - p >= id_size + 2u) {
        const auto from = static_cast<std::uint32_t>(number(f.data() + p, id_size));
        p += id_size;
        const std::uint64_t n = number(f.data() + p, 2);
        p += 2;
        if (type == fourcc("thmb") && n >= 1 && end_of - p >= id_size) {
          for (Item& i : items_) {
            if (i.id == from) i.thumbnail_of = static_cast<std::uint32_t>(number(f.data() + p, id_size));
          }
        }
      }
      at = end_of;
    }
  }

  // A JPEG XL Exif box, or a decoded brob's: a 4-byte offset, then the TIFF structure.
  void exif_box(std::uint64_t data, std::uint64_t length, const std::vector<std::uint8_t>* decoded) {
    if (found_->exif.found || length < 12) return;
    std::uint8_t p[4];
    if (decoded != nullptr) {
      std::memcpy(p, decoded->data(), 4);
    } else if (!read(data, p, 4)) {
      return;
    }
    const std::uint64_t skip = number(p, 4);
    if (skip > length - 4) return;
    ExifBlock block{true, data + 4 + skip, length - 4 - skip, {}, false};
    if (decoded != nullptr) {
      block.position = 4 + skip;
      block.decoded = *decoded;
    }
    found_->exif = std::move(block);
    found_->layout = decoded != nullptr ? LAYOUT_JXL_BROTLI : LAYOUT_JXL;
  }

  void brob(std::uint64_t data, std::uint64_t end) {
    std::uint8_t type[4];
    if (end - data < 4 || !read(data, type, 4) || std::memcmp(type, "Exif", 4) != 0) return;
#if defined(PELNOR_HAVE_BROTLI)
    std::vector<std::uint8_t> packed;
    if (!fields(data + 4, end - data - 4, &packed)) return;
    std::vector<std::uint8_t> out(kMostExif);
    std::size_t size = out.size();
    // A stream that inflates past the bound is not read.
    if (BrotliDecoderDecompress(packed.size(), packed.data(), &size, out.data()) !=
        BROTLI_DECODER_RESULT_SUCCESS) {
      brob_failed_ = true;
      return;
    }
    out.resize(size);
    exif_box(0, size, &out);
#else
    brob_unread_ = true;
#endif
  }

  void thmb(std::uint64_t data, std::uint64_t end) {
    std::uint8_t h[16];
    if (found_->has_thumbnail || end - data < 16 || !read(data, h, 16)) return;
    const std::uint64_t start = data + 16;
    found_->has_thumbnail = true;
    found_->thumbnail_position = start;
    found_->thumbnail_length = std::min<std::uint64_t>(number(h + 8, 4), end - start);
    found_->thumbnail_width = static_cast<std::uint32_t>(number(h + 4, 2));
    found_->thumbnail_height = static_cast<std::uint32_t>(number(h + 6, 2));
  }

  void prvw(std::uint64_t data, std::uint64_t end) {
    std::uint8_t h[16];
    if (end - data < 16 || !read(data, h, 16)) return;
    const std::uint64_t start = data + 16;
    Picture p{PIC_PREVIEW};
    p.maker = "CR3";
    p.add_span(start, std::min<std::uint64_t>(number(h + 12, 4), end - start));
    found_->pictures.add(p);
  }

  void sample(std::uint32_t type, std::uint64_t data, std::uint64_t end) {
    std::uint8_t h[16];
    if (end - data < 12 || !read(data, h, type == fourcc("co64") ? 16 : 12)) return;
    if (type == fourcc("stsz")) {
      sample_size_ = number(h + 4, 4);
      if (sample_size_ == 0 && number(h + 8, 4) >= 1 && end - data >= 16 && read(data + 12, h, 4)) {
        sample_size_ = number(h, 4);  // a table of sizes: the first
      }
    } else if (number(h + 4, 4) >= 1) {
      sample_offset_ = type == fourcc("co64") ? number(h + 8, 8) : number(h + 8, 4);
      has_sample_ = true;
    }
  }

  // Where an item's bytes start in the file, and how many there are, when they lie in one run.
  bool item_run(const Item& item, std::uint64_t* at, std::uint64_t* length) {
    const Location* l = item.location;
    if (l == nullptr || l->extents.empty()) return false;
    const std::uint64_t base = l->in_idat ? idat_ + l->base : l->base;
    std::uint64_t next = base + l->extents[0].offset;
    *at = next;
    *length = 0;
    for (const Extent& e : l->extents) {
      if (base + e.offset != next) return false;  // runs apart in the file
      *length += e.length;
      next += e.length;
    }
    return true;
  }

  // The bytes of an item of several runs, read into one block.
  bool item_bytes(const Item& item, std::vector<std::uint8_t>* out) {
    const Location* l = item.location;
    if (l == nullptr) return false;
    const std::uint64_t base = l->in_idat ? idat_ + l->base : l->base;
    out->clear();
    for (const Extent& e : l->extents) {
      if (e.length > kMostExif - out->size()) return false;
      const std::size_t was = out->size();
      out->resize(was + static_cast<std::size_t>(e.length));
      if (!read(base + e.offset, out->data() + was, static_cast<std::uint32_t>(e.length))) return false;
    }
    return true;
  }

  // The first item of type Exif: a 4-byte offset, then the TIFF structure.
  void heif_exif() {
    for (const Item& item : items_) {
      if (item.type != fourcc("Exif")) continue;
      std::uint64_t at, length;
      std::uint8_t p[4];
      if (item_run(item, &at, &length)) {
        // An item that runs past the end of the file is read as far as the file goes.
        if (at < end_ && length > end_ - at) length = end_ - at;
        if (length < 12 || !read(at, p, 4)) return;
        const std::uint64_t skip = number(p, 4);
        if (skip > length - 4) return;
        found_->exif = ExifBlock{true, at + 4 + skip, length - 4 - skip, {}, false};
      } else {
        std::vector<std::uint8_t> bytes;
        if (!item_bytes(item, &bytes) || bytes.size() < 12) return;
        const std::uint64_t skip = number(bytes.data(), 4);
        if (skip > bytes.size() - 4) return;
        found_->exif = ExifBlock{true, 4 + skip, bytes.size() - 4 - skip, std::move(bytes), false};
      }
      exif_item_ = item.id;
      found_->layout = avif_ ? LAYOUT_AVIF : LAYOUT_HEIF;
      return;
    }
  }

  void finish() {
    locate();
    if (cr3_) {
      found_->layout = LAYOUT_CR3;
      if (has_sample_ && sample_size_ != 0) {
        Picture full{PIC_FULL};
        full.maker = "CR3";
        full.add_span(sample_offset_, sample_size_);
        found_->pictures.add(full);
      }
    } else if (!jxl_) {
      heif_exif();
    }
    if (map_ == nullptr) return;
    for (const Item& item : items_) {
      MapElement e{item.infe, 0, nullptr, 0, false, nullptr, 0, false, 0, 0};
      e.kind = ELEMENT_ITEM;
      e.id = item.id;
      for (int i = 0; i < 4; ++i) e.type[i] = static_cast<char>(item.type >> (24 - 8 * i));
      std::string detail = item.name;
      if (item.id == primary_) detail += detail.empty() ? "primary" : ", primary";
      if (item.thumbnail_of != 0) {
        detail += (detail.empty() ? "" : ", ") + std::string("thumbnail of item ") +
                  std::to_string(item.thumbnail_of) + ": not written";
      }
      if (item.type == fourcc("Exif") && item.id != exif_item_ && exif_item_ != 0) {
        detail += (detail.empty() ? "" : ", ") + std::string("a second Exif item: not read");
      }
      e.detail = detail.empty() ? nullptr : detail.c_str();
      e.detail_length = static_cast<std::uint32_t>(detail.size());
      std::uint64_t at, length;
      e.sized = item_run(item, &at, &length);  // where its bytes lie, when in one run
      if (e.sized) {
        e.at = at;
        e.size = length;
        e.past_end = at > end_ || length > end_ - at;
      }
      map_->map_element(e);
    }
    for (const std::string& text : notes_) {
      MapElement e{0, 0, nullptr, 0, false, nullptr, 0, false, 0, 0};
      e.kind = ELEMENT_NOTE;
      e.detail = text.c_str();
      e.detail_length = static_cast<std::uint32_t>(text.size());
      map_->map_element(e);
    }
  }

  ByteSource& file_;
  std::uint64_t end_;
  Sink* map_;
  ContainerFind* found_;
  int count_ = 0;
  bool cr3_ = false;
  bool jxl_ = false;
  bool avif_ = false;
  std::vector<Item> items_;
  std::vector<Location> locations_;
  std::vector<std::string> notes_;
  std::uint32_t primary_ = 0;
  std::uint32_t exif_item_ = 0;
  std::uint64_t idat_ = 0;
  std::uint64_t idat_length_ = 0;
  int tracks_ = 0;
  std::uint64_t sample_size_ = 0;
  std::uint64_t sample_offset_ = 0;
  bool has_sample_ = false;
  bool brob_unread_ = false;
  bool brob_failed_ = false;

 public:
  MapStop stop_ = MAP_COMPLETE;
  bool brob_unread() const { return brob_unread_; }
  bool brob_failed() const { return brob_failed_; }
};

}  // namespace

void read_bmff(ByteSource& file, std::uint64_t file_size, Sink* map, ContainerFind* found) {
  // The JPEG XL container's signature box comes before its ftyp; the map tells them apart.
  std::uint8_t signature[12];
  const bool jxl = file.read_whole(0, signature, 12) && std::memcmp(signature + 4, "JXL ", 4) == 0;
  if (map != nullptr) map->map_begin(jxl ? MAP_JXL_BOXES : MAP_BMFF_BOXES);
  Walk walk(file, file_size, map, found);
  walk.run();
  if (map == nullptr) return;
  if (walk.brob_unread() || walk.brob_failed()) {
    MapElement e{0, 0, nullptr, 0, false, nullptr, 0, false, 0, 0};
    e.kind = ELEMENT_NOTE;
    e.detail = walk.brob_failed() ? "a brob box of Exif whose stream does not decode, or decodes "
                                    "past 1 MB: not read"
                                  : "a brob box of Exif: this build has no brotli to decode it";
    e.detail_length = static_cast<std::uint32_t>(std::strlen(e.detail));
    map->map_element(e);
  }
  map_exif(*map, *found);
  map->map_end(file.failed() ? MAP_READ_FAILED : walk.stop_);
}

}  // namespace pelnor
