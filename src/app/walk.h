// The run over the names of the command line, and the walk of -r over the folders among them.
#pragma once

#include <string>

#include "app/job.h"

namespace pelnor {

class Run {
 public:
  Run(Platform& platform, const Options& options, Sink& sink) : session_(platform, options, sink) {}

  /// Handles one file as named; false when the run stops here.
  bool file(const char* name);

  /// Walks the folder `name` at `depth` below a named one: its entries in byte order of their
  /// names, each folder's files where its name would sort as a path ("a/" after "a-b.jpg");
  /// false when the run stops.
  bool directory(const std::string& name, int depth);

  /// Walks the folder `name` named on the command line (`directory` at depth 0).
  bool walk(const char* name);

  /// The exit code of the run so far.
  int finish() const;

 private:
  Session session_;
  int exit_code_ = kExitOk;
  /// In a walk, the length of the walked folder's name and its separator; 0 outside one.
  std::size_t root_ = 0;
};

/// The whole tool: options, help, the file loop. Returns the exit code of the process.
int run(int argc, char** argv, Platform& platform);

}  // namespace pelnor
