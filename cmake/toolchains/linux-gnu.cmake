# What the Linux cross builds share; the toolchain files set CMAKE_SYSTEM_PROCESSOR,
# PELNOR_GNU_TRIPLE (Debian's cross compiler, g++-<triple with dashes>) and PELNOR_QEMU (the
# qemu-user program for that processor), then include this. The golden cases run the program
# under qemu-user with the target's libraries from /usr/<triple>.
set(CMAKE_SYSTEM_NAME Linux)

find_program(CMAKE_C_COMPILER NAMES ${PELNOR_GNU_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${PELNOR_GNU_TRIPLE}-g++ REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${PELNOR_GNU_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Without qemu-user the program still builds; only the golden cases are left out.
find_program(PELNOR_QEMU_PROGRAM ${PELNOR_QEMU})
if(PELNOR_QEMU_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PELNOR_QEMU_PROGRAM} -L /usr/${PELNOR_GNU_TRIPLE})
endif()
