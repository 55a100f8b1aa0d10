# Installation, reproducible builds and packages.
#
#   cmake --install <build> [--prefix DIR]   bin/pelnor, share/man/man1/pelnor.1.gz and
#                                            share/doc/pelnor/{copyright,changelog.gz}
#                                            (for Windows: pelnor.exe, README.md, windows.md,
#                                            LICENSE, THIRD-PARTY-NOTICES.txt)
#   cd <build> && cpack                      a .deb on Linux, a .zip for Windows
#
# Reproducible: with SOURCE_DATE_EPOCH set, GCC takes __DATE__ (the date in the help text) from
# it, the changelog takes its date from it, cpack its time stamps, and no path of the machine
# reaches the binary, so two builds of the same sources with the same SOURCE_DATE_EPOCH give
# identical files, whatever directories they were built in:
#   export SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
#   cmake -S . -B build && cmake --build build && (cd build && cpack)
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

# The hardening Debian builds its packages with (dpkg-buildflags): fortified libc calls, which
# need optimisation, and a read-only GOT. Left out under the sanitizers and coverage, which
# instrument these calls themselves or build without optimisation.
if(NOT WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU"
   AND NOT PELNOR_SANITIZE AND NOT PELNOR_COVERAGE)
  foreach(target IN ITEMS pelnor_core pelnor)
    target_compile_options(${target} PRIVATE
      "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  endforeach()
  target_link_options(pelnor PRIVATE LINKER:-z,relro LINKER:-z,now)
endif()

set(PELNOR_MAINTAINER "pelnor maintainers <pelnor@example.org>"
    CACHE STRING "Maintainer named in the packages")

if(WIN32)
  # A folder to unpack anywhere: the program, its documentation and licence side by side, and
  # the notices the statically linked MinGW-w64 runtime asks a binary to carry.
  install(TARGETS pelnor RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/windows.md
                ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/docs/pelnor.schema.json
          DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/third-party-notices.txt
          DESTINATION . RENAME THIRD-PARTY-NOTICES.txt)
else()
  install(TARGETS pelnor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # A stripped install (cpack strips) also drops the compiler's version string, as dh_strip does.
  if(CMAKE_OBJCOPY)
    string(CONFIGURE [[
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND "@CMAKE_OBJCOPY@" --remove-section=.comment
          "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/@CMAKE_INSTALL_BINDIR@/pelnor"
          COMMAND_ERROR_IS_FATAL ANY)
      endif()]] PELNOR_DROP_COMMENT @ONLY)
    install(CODE "${PELNOR_DROP_COMMENT}")
  endif()

  # Debian policy: the manual page and the changelog compressed with gzip -9n, which writes
  # neither name nor time into the header, so the bytes depend on the contents alone. The
  # changelog's date is taken from SOURCE_DATE_EPOCH when it is set (string(TIMESTAMP) reads it).
  find_program(PELNOR_GZIP gzip REQUIRED)
  string(TIMESTAMP PELNOR_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  set(PELNOR_DOC_DIR ${PROJECT_BINARY_DIR}/doc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${PELNOR_DOC_DIR}/changelog.in
                 @ONLY)
  function(pelnor_gzip source name)
    add_custom_command(OUTPUT ${PELNOR_DOC_DIR}/${name}.gz
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${PELNOR_DOC_DIR}/${name}
      COMMAND ${PELNOR_GZIP} -9nf ${PELNOR_DOC_DIR}/${name}
      DEPENDS ${source} VERBATIM)
  endfunction()
  pelnor_gzip(${PROJECT_SOURCE_DIR}/docs/pelnor.1 pelnor.1)
  pelnor_gzip(${PELNOR_DOC_DIR}/changelog.in changelog)
  add_custom_target(pelnor_doc ALL
    DEPENDS ${PELNOR_DOC_DIR}/pelnor.1.gz ${PELNOR_DOC_DIR}/changelog.gz)

  install(FILES ${PELNOR_DOC_DIR}/pelnor.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${PELNOR_DOC_DIR}/changelog.gz
                ${PROJECT_SOURCE_DIR}/docs/pelnor.schema.json
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

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
  # libc6, libstdc++6, libgcc-s1, zlib1g and libbrotli1 with the versions the binary needs,
  # found by dpkg-shlibdeps.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
