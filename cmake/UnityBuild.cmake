# Each library compiles its sources in batches, one compiler run per batch: most of a run goes to reading
# the same standard headers again, and the package, sanitizer, Windows and fuzz builds each compile every
# library. Test programs keep one run per file; their precompiled headers already spare the reading.
option(VANTREX_UNITY_BUILD "Compile each library's sources in batches" ON)

# FOLDER's sources named after it (paths as FOLDER's CMakeLists.txt names them) compile on their own: their
# file-local names repeat those of another source of the same library. A folder this build leaves out is
# skipped.
function(vantrex_compile_alone folder)
    if(NOT IS_DIRECTORY "${PROJECT_BINARY_DIR}/${folder}")
        return()
    endif()
    list(TRANSFORM ARGN PREPEND "${PROJECT_SOURCE_DIR}/${folder}/")
    set_source_files_properties(${ARGN} DIRECTORY "${PROJECT_SOURCE_DIR}/${folder}"
                                PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
endfunction()

# Called once every library exists.
function(vantrex_compile_repeated_names_alone)
    vantrex_compile_alone(devicelog EventTime.cpp)
    vantrex_compile_alone(exporter ProbeQuery.cpp)
    vantrex_compile_alone(health WeekRollover.cpp)
    vantrex_compile_alone(runtime posix/StateFiles.cpp)
    vantrex_compile_alone(status DiscoveryRun.cpp NagiosOutput.cpp)
    vantrex_compile_alone(ui StatusTextPaint.cpp)
    vantrex_compile_alone(ui/qt ChartView.cpp DeviceLogDlg.cpp FindDlg.cpp)
    vantrex_compile_alone(ui/win32 RecentAddressSetting.cpp)
endfunction()
