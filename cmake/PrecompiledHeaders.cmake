# Test programs parse GoogleTest and much of the standard library in every file, and the Qt front end and
# its tests parse Qt Widgets: more than half of a build's time went into those same headers. Each set is
# compiled once, in a target of its own, and the targets that parse it reuse that precompiled header.
# A target can reuse it only when it is compiled with the same options and with the definitions the
# headers look at (GoogleTest's among them); the compiler refuses it otherwise (-Winvalid-pch).
# -DVANTREX_PRECOMPILED_HEADERS=OFF compiles every file on its own again, which shows a file that
# leans on a header it does not include.
option(VANTREX_PRECOMPILED_HEADERS "Compile the headers the tests and the Qt front end share once" ON)

set(VANTREX_TEST_HEADERS
    <gtest/gtest.h> <algorithm> <array> <chrono> <cstdint> <functional> <map> <memory> <optional> <set>
    <string> <string_view> <thread> <vector>)
set(VANTREX_QT_HEADERS
    <QApplication> <QDialog> <QLabel> <QPainter> <QPushButton> <QString> <QTimer> <QWidget>)

# Makes name a target that compiles the headers in the list variable headers once, with the options of
# the libraries after them.
function(vantrex_add_header_target name headers)
    if(NOT VANTREX_PRECOMPILED_HEADERS)
        return()
    endif()
    set(source ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp)
    file(WRITE ${source} "// The precompiled header's own translation unit: it compiles nothing else.\n")
    add_library(${name} OBJECT ${source})
    target_link_libraries(${name} PRIVATE ${ARGN})
    target_precompile_headers(${name} PRIVATE ${${headers}})
endfunction()

# Lets each target given reuse the header target's precompiled header, unless it has one already.
function(vantrex_reuse_headers header_target)
    if(NOT VANTREX_PRECOMPILED_HEADERS)
        return()
    endif()
    foreach(target IN LISTS ARGN)
        get_target_property(reused ${target} PRECOMPILE_HEADERS_REUSE_FROM)
        get_target_property(own ${target} PRECOMPILE_HEADERS)
        if(NOT reused AND NOT own)
            target_precompile_headers(${target} REUSE_FROM ${header_target})
            # GCC 12 reports the standard library's own string copies as out of bounds once they come
            # from a precompiled header, which loses their system header's mark; the sanitizer builds
            # check the bounds of these programs at run time.
            target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread)
        endif()
    endforeach()
endfunction()

# The executables defined in dir and in every folder below it.
function(vantrex_executables_below dir result)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    set(executables)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "EXECUTABLE")
            list(APPEND executables ${target})
        endif()
    endforeach()
    get_property(folders DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(folder IN LISTS folders)
        vantrex_executables_below(${folder} below)
        list(APPEND executables ${below})
    endforeach()
    set(${result} ${executables} PARENT_SCOPE)
endfunction()
