// Command-line options.
#pragma once

namespace pelnor {

/// What the command line asks for; the same for every file of the run.
struct Options {
  /// -o: write each thumbnail beside its input file.
  bool output = false;
  /// -h or -?: print the help text and read no file.
  bool help = false;
  /// -s: find the Exif data wherever the file keeps it, and read its segment whole.
  bool search = false;
  /// -k: a file that would end the run is reported and the run goes on; the exit code still
  /// tells that one did.
  bool keep_going = false;
  /// -a: after IFD0, dump the directories it leads to, the makers' own among them.
  bool all = false;
  /// -n: a line with the file's name before the lines of each file.
  bool name = false;
  /// -p: every picture the file embeds besides its IFD1 thumbnail, reported and written beside
  /// it.
  bool pictures = false;
  /// -j: one JSON document of every file's facts instead of the text.
  bool json = false;
  /// -r: a directory named is walked, and the picture files in it and below are handled as if
  /// named.
  bool recursive = false;
  /// -d DIR: the files of -o and -p are written under DIR, never beside the input; null without.
  const char* out_dir = nullptr;
  /// -d was given without a directory after it.
  bool out_dir_missing = false;
};

/// Takes every option out of the argument vector into `*options`, and lowers `*argc` by one for
/// each; afterwards argv[1] .. argv[*argc - 1] are file names and argv[*argc] is null. An unknown
/// option is reported on standard error and dropped. Returns the new count.
int parse_options(int* argc, char** argv, Options* options);

/// Prints the help text to standard output.
void print_help();

}  // namespace pelnor
