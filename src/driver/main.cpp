#include "driver/file_loop.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  pelnor::buffer_standard_output();
  return pelnor::run(argc, argv, pelnor::system_platform());
}
