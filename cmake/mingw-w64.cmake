# What both MinGW-w64 toolchains share; each sets TAVRO_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR, then includes this file.
#
# The -posix compilers: GCC 12's default (win32) thread model has no
# std::thread or std::mutex. Everything is linked statically, so the program
# needs no DLL of the compiler's (libstdc++, libgcc, libwinpthread) beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TAVRO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVRO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVRO_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TAVRO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# The tests are listed when CTest runs them, through Wine, not while they are
# built: building needs no Wine, and the i686 tests, which cannot run here,
# still build.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
# Installing and packing take what is built (make windows builds the
# executable first) and do not build every test on the way.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
