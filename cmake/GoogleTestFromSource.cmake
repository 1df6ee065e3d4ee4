# GoogleTest for a cross-build: compiled from Debian's sources (package googletest) with the project's
# compiler, since the host's libraries are of no use to it. Defines GTest::gtest, GTest::gmock and
# GTest::gtest_main, as find_package(GTest) does.
set(VANTREX_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross-builds")
if(NOT EXISTS ${VANTREX_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${VANTREX_GOOGLETEST_SOURCE} (install googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VANTREX_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
