# Each library compiles its sources in batches, one compiler run per batch: most of a run goes to reading
# the same standard headers again, and the package, sanitizer, Windows and fuzz builds each compile every
# library. Test programs keep one run per file; their precompiled headers already spare the reading.
option(VANTREX_UNITY_BUILD "Compile each library's sources in batches" ON)

# TARGET's sources named after it (paths as FOLDER's CMakeLists.txt names them) compile on their own:
# their file-local names repeat those of another source of the same library. A target this build leaves
# out is skipped.
function(vantrex_compile_alone target folder)
    if(NOT TARGET ${target})
        return()
    endif()
    list(TRANSFORM ARGN PREPEND "${PROJECT_SOURCE_DIR}/${folder}/")
    set_source_files_properties(${ARGN} DIRECTORY "${PROJECT_SOURCE_DIR}/${folder}"
                                PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
endfunction()

# Called once every library exists.
function(vantrex_compile_repeated_names_alone)
    # Its own copy of the string table's Qt text stays until the log window's front end takes the shared
    # one (ControlText.h).
    vantrex_compile_alone(vantrex_ui_window ui/qt DeviceLogDlg.cpp)
endfunction()
