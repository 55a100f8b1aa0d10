#include "report/names.h"

#include <cstring>

#include "report/output.h"

namespace pelnor {
namespace {

// Appends `text` to the name being made, as far as it fits.
struct Name {
  char (&out)[kDirectoryNameMax];
  std::size_t n = 0;

  Name& add(const char* text) {
    const std::size_t k = std::strlen(text);
    const std::size_t room = kDirectoryNameMax - 1 - n;
    std::memcpy(out + n, text, k < room ? k : room);
    n += k < room ? k : room;
    out[n] = '\0';
    return *this;
  }
  Name& add(std::uint32_t number) {
    char digits[12];
    char* p = digits + sizeof digits;
    *--p = '\0';
    do {
      *--p = static_cast<char>('0' + number % 10);
      number /= 10;
    } while (number != 0);
    return add(p);
  }
};

}  // namespace

std::size_t directory_name(const Directory& d, char (&out)[kDirectoryNameMax]) {
  Name name{out};
  out[0] = '\0';
  switch (d.kind) {
    case DIR_IFD0:
      name.add("0th IFD");
      break;
    case DIR_IFD1:
      name.add("1th IFD");
      break;
    case DIR_EXIF:
      name.add("Exif IFD");
      break;
    case DIR_INTEROP:
      name.add("Interoperability IFD");
      break;
    case DIR_GPS:
      name.add("GPS IFD");
      break;
    case DIR_MAKER_NOTE:
      name.add("MakerNote IFD");
      break;
    case DIR_MAKER_SUB:
      name.add("MakerNote ").add(d.maker).add(" IFD");
      break;
    case DIR_SUBIFD:
      if (d.owner != 0) name.add("IFD").add(d.owner).add(" ");
      name.add("SubIFD").add(d.number);
      break;
    case DIR_IFD:
      name.add("IFD").add(d.number);
      break;
    case DIR_MPF_INDEX:
      name.add("MPF IFD");
      break;
    case DIR_MPF_ATTRIBUTES:
      name.add("MPF Attribute IFD");
      break;
  }
  return name.n;
}

std::string note_text(const Note& note) {
  const char* order = note.order != 0 ? "II" : "MM";
  switch (note.kind) {
    case NOTE_IFD_BEYOND:
      return "IFD beyond the data read";
    case NOTE_ENTRIES_BEYOND:
      return format_text("%u of %u entries beyond the data read", note.a, note.b);
    case NOTE_NOT_FOLLOWED:
      return "IFD pointer of another type or count";
    case NOTE_ALREADY_DUMPED:
      return "IFD already dumped";
    case NOTE_TOO_MANY:
      return format_text("more directories than one file may have: %d", static_cast<int>(note.a));
    case NOTE_NO_DIRECTORY:
      return "no directory where the entry says";
    case NOTE_MAKER_NOTE:
      return format_text("%s maker note: IFD at %#x, offsets from %#x, %s", note.text, note.a,
                         note.b, order);
    case NOTE_MAKER_NOTE_MOVED: {
      // Moved towards the start by more than its base lay from it, the base lies before the
      // file's first byte (its 32-bit position wrapped): shown as the negative number it is.
      const auto base = static_cast<std::int32_t>(note.b);
      const bool before_file = note.shift < 0 && base < 0 && base > note.shift;
      return format_text(
          "%s maker note: IFD at %#x, offsets from %s%#x (moved by %d since it was written), %s",
          note.text, note.a, before_file ? "-" : "",
          before_file ? 0u - note.b : note.b, static_cast<int>(note.shift), order);
    }
    case NOTE_NOT_IFD:
      return format_text("%s maker note: not an IFD", note.text);
    case NOTE_NO_IFD_FOUND:
      return format_text("%s maker note: no IFD found", note.text);
    case NOTE_NO_MPF_HEADER:
      return "no TIFF header after the MPF identifier";
  }
  return "";
}

std::size_t type_text(const char (&type)[5], char (&out)[11]) {
  bool printable = true;
  for (int i = 0; i < 4; ++i) printable = printable && type[i] >= 0x20 && type[i] <= 0x7E;
  if (printable) {
    std::memcpy(out, type, 5);
    return 4;
  }
  out[0] = '0';
  out[1] = 'x';
  for (int i = 0; i < 4; ++i) {
    const auto c = static_cast<std::uint8_t>(type[i]);
    out[2 + 2 * i] = kHexDigits[c >> 4];
    out[3 + 2 * i] = kHexDigits[c & 0xF];
  }
  out[10] = '\0';
  return 10;
}

const char* map_name(MapKind kind) {
  static constexpr const char* kNames[] = {"JPEG segments", "ISO BMFF boxes", "RIFF chunks",
                                           "PNG chunks",    "JPEG XL boxes",  "RAF header"};
  return kNames[kind];
}

const char* layout_name(TiffLayout layout) {
  static constexpr const char* kNames[] = {"offset-6", "segment", "bare", "tiff", "rw2", "orf",
                                           "heif", "avif", "cr3", "webp", "png", "png-raw-profile",
                                           "jxl", "jxl-brob", "raf"};
  return kNames[layout];
}

const char* picture_form_name(std::uint8_t form) {
  static constexpr const char* kForms[] = {"JPEG", "RGB", "palette"};
  return kForms[form];
}

const char* map_stop_text(MapStop stop) {
  switch (stop) {
    case MAP_NOT_MARKER:
      return "a byte that is not a marker: the walk stops";
    case MAP_SHORT_LENGTH:
      return "a segment length below 2: the walk stops";
    case MAP_READS:
      return "more segments past the first 32 KB than the walk reads: it stops";
    case MAP_PIPE:
      return "the segments past the first 32 KB of a pipe are not read";
    case MAP_READ_FAILED:
      return "a read of the file failed: the walk stops";
    case MAP_END:
      return "the end of the file: the walk stops";
    case MAP_OVERRUN:
      return "a box or chunk that runs past its parent or the end of the file: the walk stops";
    case MAP_TOO_MANY:
      return "more boxes or chunks than the map lists: the walk stops";
    case MAP_COMPLETE:
      break;
  }
  return nullptr;
}

const char* mp_type_name(std::uint32_t code) {
  switch (code) {
    case 0x030000:
      return "Baseline MP Primary Image";
    case 0x010001:
      return "Large Thumbnail (VGA equivalent)";
    case 0x010002:
      return "Large Thumbnail (full HD equivalent)";
    case 0x020001:
      return "Multi-Frame Panorama";
    case 0x020002:
      return "Multi-Frame Disparity";
    case 0x020003:
      return "Multi-Frame Multi-Angle";
    case 0x000000:
      return "Undefined";
    default:
      return nullptr;
  }
}

}  // namespace pelnor
