#include "app/options.h"

#include <cstdio>

#include "report/output.h"

namespace pelnor {

int parse_options(int* argc, char** argv, Options* options) {
  for (int i = 1; i < *argc; ++i) {
    if (argv[i][0] != '-') continue;
    // Only the character after the dash counts: -output is -o, -help is -h.
    char c = argv[i][1];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '?' || c == 'H') {
      options->help = true;
    } else if (c == 'O') {
      options->output = true;
    } else if (c == 'S') {
      options->search = true;
    } else if (c == 'K') {
      options->keep_going = true;
    } else if (c == 'A') {
      options->all = true;
    } else if (c == 'N') {
      options->name = true;
    } else if (c == 'P') {
      options->pictures = true;
    } else if (c == 'J') {
      options->json = true;
    } else if (c == 'R') {
      options->recursive = true;
    } else if (c == 'D') {
      // Its directory is the next argument, which leaves the vector with it.
      if (i + 1 < *argc) {
        options->out_dir = argv[i + 1];
        --*argc;
        for (int j = i + 1; j < *argc; ++j) argv[j] = argv[j + 1];
      } else {
        options->out_dir_missing = true;
      }
    } else {
      std::fprintf(stderr, "No such option(%s)\n", argv[i]);
    }
    // Every option, known or not, leaves the vector; the entry moved into place i comes next.
    --*argc;
    for (int j = i; j < *argc; ++j) argv[j] = argv[j + 1];
    argv[*argc] = nullptr;
    --i;
  }
  return *argc;
}

void print_help() {
  // __DATE__ gives "Mmm dd yyyy"; GCC takes it from SOURCE_DATE_EPOCH when that is set, which
  // keeps builds reproducible.
  print("TIFF/EP tag dumping and thumbnail output utility by dorv at %s", __DATE__);
  print("pelnor [-o] [-p] [-d DIR] [-s] [-k] [-a] [-n] [-j] [-r] [-h] [-?] file...\n");
  print("Option:\n");
  print("\t-o:\tOutput thumbnail image[bitmap or jpeg]\n");
  print("\t-p:\tOutput every other picture: previews, MPF images, JFXX and Photoshop thumbnails\n");
  print("\t-d DIR:\tWrite the files of -o and -p under DIR, never over an existing file\n");
  print("\t-s:\tSearch the Exif segment anywhere in the JPEG and read it whole\n");
  print("\t-k:\tKeep going after a file that would end the run\n");
  print("\t-a:\tDump the Exif, Interoperability and GPS directories too\n");
  print("\t-n:\tPrint ==> NAME <== before the lines of each file\n");
  print("\t-j:\tPrint one JSON document of every file's facts instead of the text\n");
  print("\t-r:\tWalk the directories named, reading the picture files in them\n");
  print("\t-h or -?: Print this message\n");
}

}  // namespace pelnor
