# GoogleTest for a MinGW-w64 build, compiled from Debian's sources
# (googletest) into the build directory: no packaged GoogleTest is built for
# Windows. Defines GTest::gtest and GTest::gtest_main as find_package would.
set(TAVRO_GTEST_SOURCE /usr/src/googletest/googletest)
if(NOT EXISTS ${TAVRO_GTEST_SOURCE}/CMakeLists.txt)
    message(STATUS "GoogleTest sources not found at ${TAVRO_GTEST_SOURCE}: the tests are not built")
    set(GTest_FOUND FALSE)
    return()
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${TAVRO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
endif()
set(GTest_FOUND TRUE)
