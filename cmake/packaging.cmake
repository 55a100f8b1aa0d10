# Installation, reproducible builds and packages.
#
#   cmake --install <build> [--prefix DIR]   bin/pelnor and share/man/man1/pelnor.1
#                                            (for Windows: pelnor.exe, README.md, windows.md)
#   cd <build> && cpack                      a .deb on Linux, a .zip for Windows
#
# Reproducible: with SOURCE_DATE_EPOCH set, GCC takes __DATE__ (the date in the help text) from
# it, and no path of the machine reaches the binary, so two builds of the same sources with the
# same SOURCE_DATE_EPOCH give identical files, whatever directories they were built in:
#   SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) cmake -S . -B build && cmake --build build
include(GNUInstallDirs)

# Source and build paths are recorded in debug information and in __FILE__; write them as
# relative ones. GCC tries the last matching map first, so a build directory inside the source
# tree becomes "build", not "./build-something".
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  foreach(target IN ITEMS pelnor_core pelnor)
    target_compile_options(${target} PRIVATE
      -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
      -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
  endforeach()
endif()

if(WIN32)
  # A folder to unpack anywhere: the program and its documentation side by side.
  install(TARGETS pelnor RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/windows.md
          DESTINATION .)
else()
  install(TARGETS pelnor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/pelnor.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(PELNOR_MAINTAINER "pelnor maintainers <pelnor@example.org>"
    CACHE STRING "Maintainer named in the packages")

set(CPACK_PACKAGE_NAME pelnor)
set(CPACK_PACKAGE_VENDOR pelnor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${PELNOR_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dump the Exif directories of JPEG files and extract their thumbnails")
# The long description, in lines short enough for the package tools.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "pelnor reads the first 32 KB of each Exif JPEG file named on its command"
  "line, dumps the entries of IFD0 and IFD1 with the decoded values of the"
  "well-known TIFF tags and reports the kind of thumbnail IFD1 describes."
  "With -o it writes that thumbnail beside the input: a JPEG thumbnail byte"
  "for byte, an uncompressed RGB or YCbCr one as a 24-bit BMP.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME ${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The summary is the synopsis line; the lines above follow it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
  # libc6, libstdc++6 and libgcc-s1 with the versions the binary needs, found by dpkg-shlibdeps.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
