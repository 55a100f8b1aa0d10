// What the readers find, reported as typed calls to one sink: the seam between reading a file
// and printing it. The readers (jpeg/, tiff/, makernote/) know this interface and nothing of the
// output form; the text sink and the JSON sink each turn the same calls into their own output.
#pragma once

#include <cstdint>

#include "report/fact.h"

namespace pelnor {

class ValueView;
struct Picture;

/// How a file's handling ended, as the run counts it.
enum FileResult : std::uint8_t {
  RESULT_HANDLED,
  RESULT_OPEN_ERROR,          // it cannot be opened or read
  RESULT_NOT_EXIF,            // no Exif identifier where pelnor looks
  RESULT_UNKNOWN_BYTE_ORDER,  // skipped
  RESULT_NO_IFD1,
};

/// How the TIFF data was found.
enum TiffLayout : std::uint8_t {
  LAYOUT_OFFSET_6,  // the identifier at offset 6, the Exif segment first in the JPEG
  LAYOUT_SEGMENT,   // an APP1 segment the walk of -s found
  LAYOUT_BARE,      // a file that begins with the Exif identifier
  LAYOUT_TIFF,      // a TIFF-format file
  LAYOUT_RW2,       // Panasonic's raw file: a TIFF structure whose header says 0x55
  LAYOUT_ORF,       // Olympus's: "IIRO", "IIRS", "MMOR"
  LAYOUT_HEIF,      // the Exif item of a HEIF or HEIC file
  LAYOUT_AVIF,      // the Exif item of an AVIF file
  LAYOUT_CR3,       // CR3's CMT1 box
  LAYOUT_WEBP,      // the EXIF chunk of a WebP file
  LAYOUT_PNG,       // PNG's eXIf chunk
  LAYOUT_PNG_TEXT,  // a PNG text chunk's raw profile, decoded: no file position
  LAYOUT_JXL,       // the Exif box of a JPEG XL file
  LAYOUT_JXL_BROTLI,  // its brob box, decoded: no file position
  LAYOUT_RAF,       // the JPEG a Fujifilm RAF file holds
};

struct TiffLocation {
  std::uint32_t position;
  TiffLayout layout;
  /// 1 for "II", 0 for "MM", -1 for a mark that is neither.
  int byte_order;
  /// The data were decoded from the file: `position` and every position in them count from the
  /// start of the decoded bytes.
  bool decoded = false;
};

/// The structure a container map lists.
enum MapKind : std::uint8_t {
  MAP_JPEG_SEGMENTS,
  MAP_BMFF_BOXES,
  MAP_RIFF_CHUNKS,
  MAP_PNG_CHUNKS,
  MAP_JXL_BOXES,
  MAP_RAF_HEADER,
};

/// What an element of a map is.
enum ElementKind : std::uint8_t {
  ELEMENT_SEGMENT,  // a JPEG segment
  ELEMENT_BOX,      // an ISO box: its type, size (header included) and depth
  ELEMENT_CHUNK,    // a RIFF or PNG chunk: its type and the length of its data
  ELEMENT_ITEM,     // a HEIF item: its id, type, name, and where its bytes lie
  ELEMENT_FIELD,    // a field of a RAF header, or an entry of its directory
  ELEMENT_EXIF,     // where the container keeps its Exif data, and in which layout
  ELEMENT_NOTE,     // what the map says of a block it could not open: `detail`
};

/// One element of a container's map.
struct MapElement {
  std::uint64_t position;
  std::uint8_t marker;
  /// The marker's name ("APP1", "SOF0"); null for one without a name.
  const char* name;
  /// The length field (0 for a marker that stands alone).
  std::uint32_t length;
  /// The file ends inside it: nothing more is said of it.
  bool past_end;
  /// An APPn segment's identifier: its first printable characters (none: null).
  const char* identifier;
  std::uint32_t identifier_length;
  /// A SOF segment's pixel size.
  bool sized;
  std::uint32_t width;
  std::uint32_t height;
  ElementKind kind = ELEMENT_SEGMENT;
  /// A box's or chunk's type (four characters), a HEIF item's; a RAF field's name.
  char type[5] = {};
  /// How deep a box lies in others.
  std::uint32_t depth = 0;
  /// A HEIF item's id; a RAF directory entry's tag.
  std::uint32_t id = 0;
  /// What more the element's line says: a brand, an item's name, a field's text.
  const char* detail = nullptr;
  std::uint32_t detail_length = 0;
  /// For an item, a RAF field that points, the Exif data: where it lies (`position` being where
  /// its description does) and how long it is.
  std::uint64_t at = 0;
  std::uint64_t size = 0;
  /// The Exif data: its layout, decoded from the file.
  TiffLayout layout = LAYOUT_TIFF;
  bool decoded = false;
};

/// Why a map ends where it does.
enum MapStop : std::uint8_t {
  MAP_COMPLETE,      // at SOS or EOI
  MAP_NOT_MARKER,    // a byte that is not a marker
  MAP_SHORT_LENGTH,  // a segment length below 2
  MAP_READS,         // the most reads past the head
  MAP_END,           // the end of the file
  MAP_PIPE,          // a pipe is not read past the head for the map
  MAP_READ_FAILED,   // a read of the file failed
  MAP_OVERRUN,       // a box or chunk that runs past its parent or the file: the walk stops
  MAP_TOO_MANY,      // more boxes or chunks than the map lists
};

/// Which directory a block is.
enum DirectoryKind : std::uint8_t {
  DIR_IFD0,
  DIR_IFD1,
  DIR_EXIF,
  DIR_INTEROP,
  DIR_GPS,
  DIR_MAKER_NOTE,      // the maker note's own directory
  DIR_MAKER_SUB,       // a directory inside it: `maker` names it
  DIR_SUBIFD,          // SubIFD `number` of IFD `owner`
  DIR_IFD,             // IFD `number` of the chain after IFD1
  DIR_MPF_INDEX,       // the Multi-Picture Format's index IFD
  DIR_MPF_ATTRIBUTES,  // and the attribute IFD after it
};

struct Directory {
  DirectoryKind kind;
  std::uint32_t number = 0;
  std::uint32_t owner = 0;
  /// The sub-directory's name, for DIR_MAKER_SUB ("CameraSettings").
  const char* maker = nullptr;
  /// File position of its entry count; negative when it has none (a pointer not followed).
  std::int64_t position = -1;
};

/// An entry's generic line: where its raw entry lies in the file, its fields as decoded, and
/// the value field plus the file position its directory's offsets count from (32 bits,
/// wrapping).
struct Entry {
  std::uint32_t position;
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::uint32_t field;
  std::uint32_t value_position;
};

/// A line of a block that is not an entry, by what it says.
enum NoteKind : std::uint8_t {
  NOTE_IFD_BEYOND,        // the directory's entry count lies beyond the data read
  NOTE_ENTRIES_BEYOND,    // a entries of b lie beyond it
  NOTE_NOT_FOLLOWED,      // a pointer of another type or count
  NOTE_ALREADY_DUMPED,    // the directory has its block already
  NOTE_TOO_MANY,          // more directories than a file may have: a
  NOTE_NO_DIRECTORY,      // no directory where the entry says (a held one without its prefix)
  NOTE_MAKER_NOTE,        // the maker note's layout: `text`, IFD at a, offsets from b, order
  NOTE_MAKER_NOTE_MOVED,  // the same, moved by `shift` since it was written
  NOTE_NOT_IFD,           // the layout `text` is not an IFD
  NOTE_NO_IFD_FOUND,      // the layout `text` is one, but none was found
  NOTE_NO_MPF_HEADER,     // no TIFF header after the MPF identifier
};

struct Note {
  NoteKind kind;
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  const char* text = nullptr;
  std::int64_t shift = 0;
  /// 1 for "II", 0 for "MM".
  int order = 1;
};

/// The thumbnail IFD1 describes, as the report line names it.
struct ThumbnailReport {
  /// THUMB_NONE, THUMB_JPEG, THUMB_TIFF_RGB or THUMB_TIFF_YCBCR.
  std::int32_t kind;
  std::uint64_t position;
  std::uint64_t length;
  std::int32_t width;
  std::int32_t height;
};

/// Why a picture is not written.
enum PictureFault : std::uint8_t {
  PICTURE_WRITTEN,
  PICTURE_NOT_HELD,  // the file does not hold it whole
  PICTURE_NOT_JPEG,  // no start-of-image marker
};

struct PictureReport {
  const Picture* picture;
  std::uint64_t length;
  /// A JPEG's size from its SOF marker, or an uncompressed picture's from its header.
  bool sized;
  std::uint32_t width;
  std::uint32_t height;
  PictureFault fault;
  /// The first byte the camera wrote wrong, written as FF.
  bool repaired;
  std::uint8_t first_byte;
  /// For an MPF image whose own XMP segment names it a gain map: the namespace's prefix
  /// ("HDRGainMap", Apple's; "hdrgm", the gain-map format of Android and Adobe). Else null.
  const char* gain_map = nullptr;
};

/// How the writing of an output file went.
enum OutputResult : std::uint8_t {
  OUTPUT_WRITTEN,
  OUTPUT_WRITE_ERROR,
  OUTPUT_CANNOT_CREATE,
  OUTPUT_NOT_MADE,    // no bitmap could be made: nothing said
  OUTPUT_READ_ERROR,  // a read of the input failed: the file is one that cannot be read
};

/// Receives what the readers find. Calls come in the order of the file: a file begins, its map,
/// where its TIFF data lies, its directories with their entries and notes, its thumbnail and
/// pictures with the files written for them, its end.
class Sink {
 public:
  virtual ~Sink() = default;

  virtual void run_begin() {}
  virtual void run_end() {}

  /// A file (or a folder of -r) named `name` begins; its handling ends with file_end.
  virtual void file_begin(const char* name) = 0;
  /// The file ends so: said when it happens, the last one said counting.
  virtual void file_result(FileResult result) = 0;
  virtual void file_end() = 0;

  virtual void map_begin(MapKind kind) = 0;
  virtual void map_element(const MapElement& element) = 0;
  virtual void map_end(MapStop stop) = 0;

  virtual void tiff(const TiffLocation& location) = 0;

  virtual void directory_begin(const Directory& directory) = 0;
  /// An entry of the open directory, with its value to be read through `value`.
  virtual void entry(const Entry& entry, ValueView& value) = 0;
  virtual void note(const Note& note) = 0;
  virtual void directory_end() = 0;

  /// The thumbnail of IFD1; with `extracting`, its output follows.
  virtual void thumbnail(const ThumbnailReport& thumbnail, bool extracting) = 0;
  /// A picture of -p; when it is written, its output follows.
  virtual void picture(const PictureReport& picture) = 0;
  /// The output file `name` of the thumbnail or picture is being created.
  virtual void output_begin(const char* name) = 0;
  /// It was created, and the thumbnail of `kind` goes into it.
  virtual void output_writing(std::int32_t kind) = 0;
  virtual void output_end(OutputResult result, const char* name) = 0;
  /// The thumbnail or picture is done with.
  virtual void item_end() = 0;

  /// The facts of the file's directories, after them and before its thumbnail's report.
  virtual void facts(const FactList& facts) { static_cast<void>(facts); }
};

}  // namespace pelnor
