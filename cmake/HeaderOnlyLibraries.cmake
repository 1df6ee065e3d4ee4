# CLI11::CLI11 and nlohmann_json::nlohmann_json, Debian's header-only libraries, for every build.
# Natively through their own package configuration. In the Windows build their configuration would
# name the host's /usr/include, where Linux's C library headers would shadow mingw's: there each
# target gets a folder of its own that holds nothing but a link to the library's header folder.
if(NOT WIN32)
    find_package(CLI11 REQUIRED)
    find_package(nlohmann_json REQUIRED)
    return()
endif()

# Makes target expose the host's /usr/include/folder, which must hold header.
function(vantrex_host_header_library target folder header)
    set(found_variable VANTREX_HOST_${folder}_INCLUDE)
    find_path(${found_variable} ${folder}/${header} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT ${found_variable})
        message(FATAL_ERROR "/usr/include/${folder}/${header} not found; install the Debian package with it")
    endif()
    set(exposed ${CMAKE_BINARY_DIR}/host-headers/${folder})
    file(MAKE_DIRECTORY ${exposed})
    file(CREATE_LINK ${${found_variable}}/${folder} ${exposed}/${folder} SYMBOLIC)
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${exposed})
endfunction()

vantrex_host_header_library(CLI11::CLI11 CLI CLI.hpp)
vantrex_host_header_library(nlohmann_json::nlohmann_json nlohmann json.hpp)
