# The Windows zip: unpacked and run in place, no installer. The programs sit beside the README and the
# licence (CMAKE_INSTALL_BINDIR is "." on Windows, see the top CMakeLists.txt).
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-windows-x64)

# Notepad before Windows 10 shows a text with bare LF line ends as one long line.
function(vantrex_install_windows_text source name)
    file(READ ${source} text)
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name} "${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

vantrex_install_windows_text(${PROJECT_SOURCE_DIR}/README.md README.txt)
vantrex_install_windows_text(${PROJECT_SOURCE_DIR}/docs/vantrex-config.md vantrex-config.txt)
vantrex_install_windows_text(${PROJECT_SOURCE_DIR}/docs/vantrex-status.md vantrex-status.txt)
vantrex_install_windows_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt)
