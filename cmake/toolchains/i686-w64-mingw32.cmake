# Cross build for 32-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-i686).
#   cmake --preset windows-x86
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PELNOR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
