// The pictures a file embeds besides its IFD1 thumbnail, as the finders of -p report them: where
// each lies in the file, what it is, and where it came from.
#pragma once

#include <cstdint>

namespace pelnor {

/// Where a picture was found, in the order -p reports them.
enum PictureSource : std::uint8_t {
  PIC_MPF = 0,         // an image of the Multi-Picture Format's index, after the first
  PIC_MAKER_NOTE = 1,  // a preview that the maker note points to or holds
  PIC_OTHER = 2,       // a JPEGInterchangeFormat pair outside IFD1 (the Exif directory's)
  PIC_JFXX = 3,        // the thumbnail of a JFXX APP0 segment
  PIC_JFIF = 4,        // the thumbnail of the JFIF APP0 segment
  PIC_PHOTOSHOP = 5,   // Photoshop's thumbnail resource in APP13
  PIC_FLASHPIX = 6,    // the preview of FlashPix streams in APP2
  PIC_IFD0 = 7,        // the JPEG of IFD0 of a TIFF-format file
  PIC_SUBIFD = 8,      // the JPEG of a SubIFD of a TIFF-format file
  PIC_PREVIEW = 9,     // a container's preview: CR3's PRVW, the JPEG inside a RAF
  PIC_FULL = 10,       // CR3's full-size JPEG, the first track's sample
};

/// What a picture's bytes are.
enum PictureForm : std::uint8_t {
  FORM_JPEG = 0,     // a JPEG stream, written as it stands
  FORM_RGB = 1,      // width x height pixels of red, green and blue bytes, written as a BMP
  FORM_PALETTE = 2,  // width x height bytes indexing a 768-byte RGB palette, written as a BMP
};

/// A run of a picture's bytes in the file. A picture kept in several segments has several.
struct Span {
  std::uint64_t position;
  std::uint64_t length;
};

struct Picture {
  PictureSource source;
  PictureForm form = FORM_JPEG;
  /// The MPF image's number, the SubIFD's number; 0 for the others.
  std::uint32_t number = 0;
  /// For a maker-note preview, the layout's name ("Nikon"); for a container's, the container's
  /// ("CR3").
  const char* maker = nullptr;
  /// Photoshop's thumbnail resource 0x0409, whose colours are stored blue-green-red.
  bool bgr = false;
  /// An uncompressed picture whose pixels its segment ends before: `length()` bytes are held,
  /// and the rest are written as 0, as exiftool extracts what the segment holds.
  bool short_pixels = false;
  /// An MPF image's MP type code (CIPA DC-007: 0x010002 a large thumbnail of full HD, ...).
  std::uint32_t mp_type = 0;
  /// Pixel size, from an uncompressed picture's header (a JPEG's comes from its SOF marker).
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  /// The palette's file position, for FORM_PALETTE.
  std::uint64_t palette = 0;
  static constexpr int kMostSpans = 8;
  Span spans[kMostSpans] = {};
  int span_count = 0;
  /// False when the bytes the finder had to read to place it could not all be read: the picture
  /// is reported as one the file does not hold.
  bool whole = true;

  std::uint64_t length() const {
    std::uint64_t n = 0;
    for (int i = 0; i < span_count; ++i) n += spans[i].length;
    return n;
  }
  /// Adds a run; false when the picture has as many as it can keep.
  bool add_span(std::uint64_t position, std::uint64_t length);
};

/// The pictures of one file, in the order they were found.
struct PictureList {
  static constexpr int kMost = 32;
  Picture items[kMost];
  int count = 0;

  /// Keeps `picture` unless the list holds one of the same bytes already (a maker note that
  /// points to its preview and holds it too), or is full.
  void add(const Picture& picture);
  /// Puts the pictures in the order of their sources, keeping the order within each.
  void sort();
};

}  // namespace pelnor
