// Command-line options.
#pragma once

namespace pelnor {

/// Set by -o: write each thumbnail beside its input file.
extern int opt_output;
/// Set by -h or -?: print the help text and read no file.
extern int opt_help;
/// Set by -s: find the Exif data wherever the JPEG keeps it, and read its segment whole.
extern int opt_search;
/// Set by -k: a file that would end the run is reported and the run goes on; the exit code
/// still tells that one did.
extern int opt_keep_going;
/// Set by -a: after IFD0, dump the Exif, Interoperability and GPS directories it points to.
extern int opt_all;

/// Set by -n: a line with the file's name before the lines of each file.
extern int opt_name;
/// Set by -p: every picture the file embeds besides its IFD1 thumbnail, reported and written
/// beside it.
extern int opt_pictures;
/// Set by -r: a directory named is walked, and the picture files in it and below are handled
/// as if named.
extern int opt_recursive;

/// Takes every option out of the argument vector, setting the flags above, and lowers `*argc`
/// by one for each; afterwards argv[1] .. argv[*argc - 1] are file names and argv[*argc] is
/// null. An unknown option is reported on standard error and dropped. Returns the new count.
int parse_options(int* argc, char** argv);

/// Prints the help text to standard output.
void print_help();

}  // namespace pelnor
