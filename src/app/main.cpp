#include <cstdio>

#include "app/job.h"
#include "app/walk.h"
#include "io/platform.h"
#include "report/output.h"

int main(int argc, char** argv) {
  pelnor::keep_standard_streams();
  // Into a file or a pipe the text goes out in large blocks; a terminal sees each line at once.
  pelnor::print_in_blocks(pelnor::buffer_standard_output());
  int exit_code = pelnor::run(argc, argv, pelnor::system_platform());
  // Every file has been handled and every thumbnail written; output that was lost still fails
  // the run, so that a dump cut short by a full disk is not taken for a whole one.
  if (!pelnor::finish_output()) {
    std::fputs("Standard output write error\n", stderr);
    exit_code = pelnor::kExitStopped;
  }
  return exit_code;
}
