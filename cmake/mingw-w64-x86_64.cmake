# Cross-build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix), tests run under
# Wine. Every program links statically, so that it needs nothing but Windows' own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANTREX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VANTREX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTREX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTREX_MINGW_TRIPLE}-windres)

# Headers and libraries come from the mingw sysroot only, never from the host's /usr/include or /usr/lib.
set(CMAKE_FIND_ROOT_PATH /usr/${VANTREX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run through Wine, in a prefix of this build folder. WINEDEBUG hides Wine's chatter but
# keeps its loader errors, so that a program missing a DLL says so instead of exiting quietly.
set(VANTREX_WINE_LOADER /usr/lib/wine/wine64)
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all,err+module
                                  ${VANTREX_WINE_LOADER})
