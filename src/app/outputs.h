// The files -o and -p write beside the input: their names, their creation, the one copy of a
// stream through the input, and how each ends.
#pragma once

#include <cstdint>
#include <string>

#include "app/job.h"
#include "tiff/picture.h"

namespace pelnor {

/// How the writing of an output file went.
enum class Copy { kWhole, kWriteFailed, kInputFailed, kNotMade };

/// Reports the output `out` and creates it: its handle, or kInvalidFile after the report that it
/// cannot be (the run's end then fails).
FileHandle create_output(Session& session, const char* out);

/// Copies the `length` bytes of the runs `spans` (of `count`) through `input` into `file`, of
/// which the first `first` are in the session's copy block already: in one write when the
/// tool holds them all and none was read; else in blocks. A copy that fails on the way through
/// the blocks is cut back to nothing, so that a file is either whole or empty; `*cut_failed`
/// tells when even that failed.
Copy copy_out(Session& session, ByteSource& input, FileHandle file, const Span* spans, int count,
              std::uint32_t first, bool* cut_failed);

/// Reads the `n` bytes at offset `at` of the runs `spans` (of `count`) through `input`. Returns
/// the count read, short where the file ends, or kReadFailed.
std::int64_t read_spans(ByteSource& input, const Span* spans, int count, std::uint64_t at,
                        std::uint8_t* out, std::uint32_t n);

/// Closes an output file that `copy` says how it was filled, and reports the outcome: written,
/// or the write error with the file removed when its close or cut-back failed; a read of the
/// input that failed makes the file one that cannot be read. Returns kExitOk, or kExitStopped
/// for a read that failed.
int finish_output(Session& session, const char* out, FileHandle file, Copy copy, bool cut_failed);

/// The name of picture `p` beside the input `name`: "NAME.mpf2.jpg", "NAME.preview.jpg", ...,
/// "-2", "-3" before the extension for the `uses`th picture of a name taken already.
std::string picture_name(const char* name, const std::string& base, int uses, const Picture& p);

/// What a picture adds to the input's name, less a "-2" and the extension (".mpf2").
std::string picture_base(const Picture& p);

/// True for a file name that -o or -p writes (NAME.thumb.jpg, NAME.preview.jpg, NAME.mpf2.jpg,
/// NAME.subifd1-2.jpg, ...), compared without case, whatever its extension.
bool written_by_pelnor(const std::string& name);

}  // namespace pelnor
