#include "driver/file_loop.h"
#include "platform/platform.h"
#include "text/print.h"

int main(int argc, char** argv) {
  // Into a file or a pipe the text goes out in large blocks; a terminal sees each line at once.
  pelnor::print_in_blocks(pelnor::buffer_standard_output());
  const int exit_code = pelnor::run(argc, argv, pelnor::system_platform());
  pelnor::flush_output();
  return exit_code;
}
