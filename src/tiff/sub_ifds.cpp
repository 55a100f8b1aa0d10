#include "tiff/sub_ifds.h"

#include "text/print.h"
#include "tiff/byte_order.h"
#include "tiff/dump_ifd.h"

namespace pelnor {
namespace {

constexpr char kNotFollowed[] = "\t<IFD pointer of another type or count>\n";
constexpr char kAlreadyDumped[] = "\t<IFD already dumped>\n";

constexpr std::uint16_t kExifPointer = 0x8769;
constexpr std::uint16_t kGpsPointer = 0x8825;
constexpr std::uint16_t kInteropPointer = 0xA005;

// The directories dumped so far in this file: IFD0 and at most the three below it.
struct Dumped {
  std::uint32_t offsets[4];
  int count;
};

// The first entry with tag `tag` of the IFD at `ifd`, among its entries in the data read.
bool find_pointer(const TiffData& tiff, std::uint32_t ifd, std::uint16_t tag, int little_endian,
                  TagEntry* pointer) {
  std::uint16_t n;
  if (!read16_at(tiff, ifd, little_endian, &n)) return false;
  for (unsigned k = 0; k < n && tiff.contains(entry_offset(ifd, k), kEntrySize); ++k) {
    const std::uint8_t* raw = tiff.at(entry_offset(ifd, k));
    if (file16(raw, little_endian) == tag) {
      decode_entry(pointer, raw, little_endian);
      return true;
    }
  }
  return false;
}

// One block: the heading, the directory or the line that says why it is not dumped, the blank
// line. True when the directory's entries were dumped.
bool dump_block(const TiffData& tiff, const char* heading, const TagEntry& pointer, Directory dir,
                int little_endian, Dumped* dumped) {
  print("%s", heading);
  bool done = false;
  if (pointer.count != 1 ||
      (pointer.type != LONG && pointer.type != SLONG && pointer.type != kIfdType)) {
    print(kNotFollowed);
  } else {
    bool seen = false;
    for (int i = 0; i < dumped->count; ++i) seen = seen || dumped->offsets[i] == pointer.value;
    if (seen) {
      print(kAlreadyDumped);
    } else if (dump_ifd(tiff, pointer.value, little_endian, dir) != 0) {
      dumped->offsets[dumped->count++] = pointer.value;
      done = true;
    }
  }
  print("\n");
  return done;
}

}  // namespace

void dump_sub_ifds(const TiffData& tiff, std::uint32_t ifd0, int little_endian) {
  Dumped dumped{{ifd0}, 1};
  TagEntry exif, interop, gps;
  if (find_pointer(tiff, ifd0, kExifPointer, little_endian, &exif) &&
      dump_block(tiff, "Exif IFD dumping...:\n", exif, DIR_EXIF, little_endian, &dumped) &&
      find_pointer(tiff, exif.value, kInteropPointer, little_endian, &interop)) {
    dump_block(tiff, "Interoperability IFD dumping...:\n", interop, DIR_INTEROP, little_endian,
               &dumped);
  }
  if (find_pointer(tiff, ifd0, kGpsPointer, little_endian, &gps)) {
    dump_block(tiff, "GPS IFD dumping...:\n", gps, DIR_GPS, little_endian, &dumped);
  }
}

}  // namespace pelnor
