// The per-file job: read a file's head, find its Exif data, report its directories, thumbnail and
// pictures to the run's sink, and write what -o and -p ask for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/options.h"
#include "container/found.h"
#include "io/byte_source.h"
#include "io/platform.h"
#include "jpeg/mpf.h"
#include "jpeg/segments.h"
#include "report/sink.h"
#include "tiff/picture.h"
#include "tiff/pages.h"
#include "tiff/thumbnail.h"

namespace pelnor {

/// Exit codes of the process.
inline constexpr int kExitOk = 0;
/// A file could not be opened or read, lacks the Exif identifier, or has no IFD1 (with -k: at
/// least one file did); or a thumbnail could not be created or written, or standard output
/// could not be written.
inline constexpr int kExitStopped = 1;
/// The help text was printed.
inline constexpr int kExitHelp = 2;

/// Bytes read and written at a time where a stream is copied through the input.
inline constexpr std::uint32_t kCopyBlock = 65536;

/// What the run keeps from start to end and reuses for every file.
struct Session {
  Session(Platform& p, const Options& o, Sink& s) : platform(p), options(o), sink(s) {}
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  Platform& platform;
  const Options& options;
  Sink& sink;
  /// The head of the file, and with -s the rest of its Exif segment.
  std::uint8_t buffer[kDataMax];
  std::uint8_t copy_block[kCopyBlock];
  /// A segment read whole: the MPF segment, a FlashPix contents list, a picture's pixels.
  std::uint8_t segment[kSegmentMax];
  /// What a file that can only be read in order last gave.
  std::uint8_t window[kWindowSize];
  /// The walk of the current file's JPEG segments.
  SegmentRecord record;
  /// Its MPF segment, read and parsed once.
  Mpf mpf;
  /// What its container holds, and the TIFF structures read from it (CR3 has four).
  ContainerFind container;
  std::vector<std::uint8_t> blocks[1 + kExtraBlocks];
  /// The pages of a TIFF-format file past its head.
  TiffPages pages;
  ThumbInfo thumb;
  /// The pictures -p finds in the current file, and the maker note's among them as its walk
  /// found them.
  PictureList pictures;
  PictureList maker_previews;
  /// What the current file's outputs are named from: its name, or with -d the directory's
  /// path and the file's base name (or, in a walk of -r, its path below the folder walked).
  std::string out_prefix;
  /// Set by the walk of -r: the file's path below the folder walked.
  const char* relative = nullptr;
  std::string out_name;
  /// Set once a thumbnail could not be created or written: the run goes on and fails at its end.
  bool thumbnail_failed = false;
};

/// What the dump of a file leaves for its pictures.
struct FileState {
  /// Bytes of the head read, in the session's buffer.
  std::uint32_t head = 0;
  /// True when the TIFF structure was found and its IFD0 offset read: `tiff` (without the file
  /// past it) and `ifd0` describe it.
  bool has_tiff = false;
  TiffData tiff;
  std::uint32_t ifd0 = 0;
  int order = 1;
  /// The TIFF structure is the file itself, from its first byte.
  bool tiff_format = false;
  /// The maker note was walked for its previews already.
  bool maker_walked = false;
};

/// A file that cannot be opened or read: says so; returns kExitStopped.
int cannot_read(Session& session);

/// Handles one named file: reads its head, reports IFD0 and IFD1 and runs the thumbnail stage,
/// then with -p the pictures. Returns kExitOk when the run goes on with the next file,
/// kExitStopped when the file would end it.
int process_file(Session& session, const char* name);

}  // namespace pelnor
