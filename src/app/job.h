// The loop over the input files and the per-file sequence.
#pragma once

#include <cstdint>
#include <string>

#include "io/byte_source.h"
#include "io/platform.h"
#include "jpeg/segments.h"
#include "tiff/picture.h"
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

/// Bytes read and written at a time where a JPEG thumbnail runs past the head.
inline constexpr std::uint32_t kCopyBlock = 65536;

/// What the run keeps from start to end and reuses for every file.
struct Session {
  explicit Session(Platform& p) : platform(p) {}
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  Platform& platform;
  /// The head of the file, and with -s the rest of its Exif segment.
  std::uint8_t buffer[kDataMax];
  std::uint8_t copy_block[kCopyBlock];
  /// A segment other than the Exif one, read whole: the MPF segment of -a.
  std::uint8_t segment[kSegmentMax];
  /// What a file that can only be read in order last gave.
  std::uint8_t window[kWindowSize];
  ThumbInfo thumb;
  /// The pictures -p finds in the current file.
  PictureList pictures;
  std::string out_name;
  /// Set once a thumbnail could not be created or written: the run goes on and fails at its end.
  bool thumbnail_failed = false;
};

/// How the writing of an output file went.
enum class Copy { kWhole, kWriteFailed, kInputFailed, kNotMade };

/// A file that cannot be opened or read: prints its one line; returns kExitStopped.
int cannot_read(const char* name);

/// How the current file ended, for the JSON document ("not-exif", "open-error", ...): the last
/// one said counts; "handled" when none is.
void file_result(const char* result);

/// Prints "Createing thumbnail file[out]..." and creates `out`: its handle, or kInvalidFile
/// after the skip line (the run's end then fails).
FileHandle create_output(Session& session, const char* out);

/// Closes an output file that `copy` says how it was filled, and prints the outcome: "done",
/// or the write error (nothing for a bitmap not made) with the file removed when its close or
/// cut-back failed; a read of the input that failed gives the open-error line of `name`.
/// Returns kExitOk, or kExitStopped for a read that failed.
int finish_output(Session& session, const char* name, const char* out, FileHandle file, Copy copy,
                  bool cut_failed);

/// Handles one named file: reads its head, dumps IFD0 and IFD1 and runs the thumbnail stage.
/// Returns kExitOk when the run goes on with the next file, kExitStopped when the file would
/// end it.
int process_file(Session& session, const char* name);

/// The thumbnail stage for a file whose IFD1 has been dumped: detection, then the report line
/// or, with -o, the extraction. Only a JPEG thumbnail past the data read reaches into
/// `tiff_base.rest`; a read of it that fails makes the file one that cannot be read
/// (kExitStopped, with the open-error line in place of the report, or of the write error).
int thumbnail_stage(Session& session, const TiffData& tiff_base, std::uint32_t ifd1,
                    int little_endian, const char* name);

/// The whole tool: options, help, the file loop. Returns the exit code of the process.
int run(int argc, char** argv, Platform& platform);

}  // namespace pelnor
