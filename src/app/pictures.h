// -p: every picture a file embeds, reported and written beside it.
#pragma once

#include "app/job.h"

namespace pelnor {

/// Finds the pictures of a file whose dump is done, and for each reports it and writes it
/// beside the input (see outputs.h for the names). Every byte comes through `input`. Returns
/// kExitOk, or kExitStopped when a read of the file failed (the file one that cannot be read).
int picture_stage(Session& session, ByteSource& input, FileState& file);

}  // namespace pelnor
