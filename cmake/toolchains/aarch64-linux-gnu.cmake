# Cross build for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu, run under qemu-aarch64:
# a processor whose compiler fuses multiply-adds unless told not to, and whose char is unsigned.
#   cmake --preset linux-arm64
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(PELNOR_GNU_TRIPLE aarch64-linux-gnu)
set(PELNOR_MULTIARCH aarch64-linux-gnu)
set(PELNOR_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
