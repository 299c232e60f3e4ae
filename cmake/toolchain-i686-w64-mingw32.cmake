# 32-bit Windows (PE32 i386) with MinGW-w64. Compiled and linked only: these
# machines' kernels run no 32-bit executables, so nothing built here is run
# (no emulator).
#
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAVRO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
