// Runs the built tool in a fresh directory and compares everything it does: standard output,
// standard error, exit code, and the files it leaves behind.
//
// Environment:
//   PELNOR_BIN       the tool to run instead of the one this suite was built with
//   PELNOR_LAUNCHER  a program that runs the tool (an emulator, say): LAUNCHER TOOL ARGS...
//   PELNOR_CRLF=1    the tool ends its lines with "\r\n" (a Windows console program)
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "exif_builder.h"

namespace pelnor::e2e {

using testing::Bytes;

/// Something laid out in the working directory before the run: a file with its bytes, or an
/// empty directory.
struct Input {
  std::string name;
  Bytes bytes;
  bool directory = false;
};

Input file(std::string name, Bytes bytes);
Input directory(std::string name);

/// What the tool did.
struct Outcome {
  std::string out;
  std::string err;
  int exit_code = -1;
  /// Every file in the working directory afterwards, by relative path; a directory appears as
  /// its path followed by "/" with no bytes.
  std::map<std::string, Bytes> files;
};

/// Lays out `inputs` in a new temporary directory, runs the tool there with `args` (no shell,
/// standard input empty), waits for it, snapshots the directory and removes it.
Outcome run_tool(const std::vector<Input>& inputs, const std::vector<std::string>& args);

/// What a run must give. `files` lists what the run creates or rewrites; every other input must
/// be left as it was and nothing else may appear.
struct Expected {
  std::string out;
  std::string err;
  int exit_code = 0;
  std::map<std::string, Bytes> files;
};

/// Runs the tool and checks every part of the outcome against `expected` (text in "\n" form;
/// turned into "\r\n" when PELNOR_CRLF=1). Returns the outcome for further checks.
Outcome expect_run(const std::vector<Input>& inputs, const std::vector<std::string>& args,
                   const Expected& expected);

/// The text as the tool writes it on this platform.
std::string native_text(std::string_view text);

/// Standard output after the dump of the last IFD1: the thumbnail lines of the last file.
/// Empty when the output has no IFD1 dump.
std::string after_last_ifd1_dump(const std::string& out);

}  // namespace pelnor::e2e
