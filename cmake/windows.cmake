# Windows build: resources (manifest and version block), static runtime, console subsystem.
# Included by the top-level CMakeLists.txt on every platform; it only acts when the target is
# Windows.
if(NOT WIN32)
  return()
endif()

enable_language(RC)

# The manifest carries the version as four numbers.
set(PELNOR_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
configure_file(${PROJECT_SOURCE_DIR}/src/io/pelnor.manifest
               ${PROJECT_BINARY_DIR}/pelnor.exe.manifest @ONLY)

set(PELNOR_RC ${PROJECT_SOURCE_DIR}/src/io/pelnor.rc)
target_sources(pelnor PRIVATE ${PELNOR_RC})
set_source_files_properties(${PELNOR_RC} PROPERTIES
  COMPILE_DEFINITIONS "PELNOR_VERSION_MAJOR=${PROJECT_VERSION_MAJOR};PELNOR_VERSION_MINOR=${PROJECT_VERSION_MINOR};PELNOR_VERSION_PATCH=${PROJECT_VERSION_PATCH}"
  INCLUDE_DIRECTORIES ${PROJECT_BINARY_DIR}
  OBJECT_DEPENDS ${PROJECT_BINARY_DIR}/pelnor.exe.manifest)

if(MINGW)
  # A bare Windows has no libstdc++ or libgcc DLLs: link the C++ runtime into the .exe. The C
  # runtime (msvcrt.dll) and the kernel DLLs are part of every Windows.
  target_link_options(pelnor PRIVATE -static -static-libgcc -static-libstdc++ -mconsole)
  # The static runtime libraries carry debug sections; a release .exe goes without them.
  target_link_options(pelnor PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
  # The COFF header's time stamp would make every link differ.
  target_link_options(pelnor PRIVATE LINKER:--no-insert-timestamp)
endif()
