# What the Linux cross builds share; the toolchain files set CMAKE_SYSTEM_PROCESSOR,
# PELNOR_GNU_TRIPLE (Debian's cross compiler, g++-<triple with dashes>), PELNOR_MULTIARCH (where
# Debian puts that processor's libraries) and PELNOR_QEMU (the qemu-user program for that
# processor), then include this. The golden cases run the program
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

# zlib and Brotli of the target processor, where Debian's multiarch packages put them
# (zlib1g-dev:<arch>, libbrotli-dev:<arch>). Their headers are the same for every processor; only
# they are taken from /usr/include, through a folder of their own, so that no other header of the
# build system's comes before the target's.
set(PELNOR_TARGET_LIBRARIES /usr/lib/${PELNOR_MULTIARCH})
set(PELNOR_TARGET_HEADERS ${CMAKE_BINARY_DIR}/target-include)
if(EXISTS ${PELNOR_TARGET_LIBRARIES}/libz.a AND EXISTS /usr/include/zlib.h)
  file(MAKE_DIRECTORY ${PELNOR_TARGET_HEADERS})
  file(CREATE_LINK /usr/include/zlib.h ${PELNOR_TARGET_HEADERS}/zlib.h SYMBOLIC)
  file(CREATE_LINK /usr/include/zconf.h ${PELNOR_TARGET_HEADERS}/zconf.h SYMBOLIC)
  set(ZLIB_INCLUDE_DIR ${PELNOR_TARGET_HEADERS} CACHE PATH "")
  set(ZLIB_LIBRARY ${PELNOR_TARGET_LIBRARIES}/libz.a CACHE FILEPATH "")
endif()
if(EXISTS ${PELNOR_TARGET_LIBRARIES}/libbrotlidec.a AND EXISTS /usr/include/brotli/decode.h)
  file(MAKE_DIRECTORY ${PELNOR_TARGET_HEADERS})
  file(CREATE_LINK /usr/include/brotli ${PELNOR_TARGET_HEADERS}/brotli SYMBOLIC)
  set(PELNOR_BROTLI_INCLUDE_DIR ${PELNOR_TARGET_HEADERS} CACHE PATH "")
  set(PELNOR_BROTLI_DEC_LIBRARY ${PELNOR_TARGET_LIBRARIES}/libbrotlidec.a CACHE FILEPATH "")
  set(PELNOR_BROTLI_COMMON_LIBRARY ${PELNOR_TARGET_LIBRARIES}/libbrotlicommon.a CACHE FILEPATH "")
endif()
