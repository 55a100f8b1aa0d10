# Cross build for 32-bit x86 Linux with Debian's g++-i686-linux-gnu, run under qemu-i386: the
# same 32-bit arithmetic and compiler flags as the 32-bit Windows build, with the golden cases
# runnable where Wine cannot start a 32-bit Windows program.
#   cmake --preset linux-i686
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PELNOR_GNU_TRIPLE i686-linux-gnu)
set(PELNOR_MULTIARCH i386-linux-gnu)
set(PELNOR_QEMU qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu.cmake)
