# Every test program links the libraries under test and GoogleTest, and in the sanitizer builds the
# sanitizer's runtime: about fifty links per Linux build. mold (installed with the build packages) links
# them in a fifth of GNU ld's CPU time: some 15 CPU-seconds less in each of the normal and the
# AddressSanitizer builds. Without mold, the compiler's own linker does. mingw-w64's linker stays: mold
# makes no Windows programs, and Debian's mingw-w64 compiler takes no other linker.
option(VANTREX_MOLD_LINKER "Link with mold (ld.mold) where it is installed" ON)
if(VANTREX_MOLD_LINKER AND NOT WIN32)
    find_program(VANTREX_MOLD ld.mold)
    if(VANTREX_MOLD)
        add_link_options(-fuse-ld=mold)
    else()
        message(STATUS "ld.mold not found: linking with the compiler's default linker")
    endif()
endif()
