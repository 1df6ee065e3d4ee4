# Every test program links the libraries under test, GoogleTest and, in the sanitizer builds, the
# sanitizer's runtime: dozens of links per build, each reading and writing the line tables of all it
# links. GNU ld spent a sixth of a build's CPU time on them; mold, installed with the build packages,
# links the same programs in a fraction of that. Without mold, the compiler's own linker does.
# mingw-w64's linker stays: mold makes no Windows programs.
option(VANTREX_MOLD_LINKER "Link with mold (ld.mold) where it is installed" ON)
if(VANTREX_MOLD_LINKER AND NOT WIN32)
    find_program(VANTREX_MOLD ld.mold)
    if(VANTREX_MOLD)
        add_link_options(-fuse-ld=mold)
    else()
        message(STATUS "ld.mold not found: linking with the compiler's default linker")
    endif()
endif()
