// -p: every picture a file embeds, reported and written beside it.
#pragma once

#include <cstdint>
#include <string>

#include "app/job.h"
#include "io/byte_source.h"
#include "tiff/tiff_data.h"

namespace pelnor {

/// What the dump of a file leaves for its pictures.
struct DumpedFile {
  /// Bytes of the head read, in the session's buffer.
  std::uint32_t head = 0;
  /// True when the TIFF structure was found and its IFD0 offset read: `tiff` (without the rest
  /// of the file) and `ifd0` describe it.
  bool has_tiff = false;
  TiffData tiff;
  std::uint32_t ifd0 = 0;
  int little_endian = 1;
  /// The TIFF structure is the file itself, from its first byte.
  bool tiff_format = false;
};

/// Finds the pictures of a file whose lines have been printed, and for each prints one report
/// line and writes it beside the input: "NAME.mpf2.jpg", "NAME.preview.jpg", "NAME.other.jpg",
/// "NAME.jfxx.jpg" or ".bmp", "NAME.jfif.bmp", "NAME.photoshop.jpg", "NAME.flashpix.jpg",
/// "NAME.ifd0.jpg", "NAME.subifd1.jpg", a later picture of a name already taken getting "-2",
/// "-3" before its extension. Every byte comes through `input`. Returns kExitOk, or
/// kExitStopped when a read of the file failed (its open-error line printed).
int picture_stage(Session& session, InputFile& input, const DumpedFile& dumped, const char* name);

/// True for a file name that -o or -p writes (NAME.thumb.jpg, NAME.preview.jpg, NAME.mpf2.jpg,
/// NAME.subifd1-2.jpg, ...), compared without case, whatever its extension.
bool written_by_pelnor(const std::string& name);

}  // namespace pelnor
