# The Debian package: the programs, the desktop entry and its icon in every size the artwork has, the
# AppStream metainfo, a manual page per program (written by hand, or made from its --help), the
# exporter's service, Prometheus rules and Grafana dashboard, and the documents Debian asks for.
find_program(VANTREX_HELP2MAN help2man REQUIRED)
find_program(VANTREX_GZIP gzip REQUIRED)
find_program(VANTREX_APPSTREAMCLI appstreamcli REQUIRED)
find_program(VANTREX_DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VANTREX_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The synopsis is CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the long description under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A desktop tool for the VANTREX GPS time server, an embedded Linux box that
serves NTP on the local network. Given the device's IPv4 address, the window
shows the device time in UTC and local time, whether GPS is locked, whether
the time service is synchronised and the firmware version, and can give the
device a new IP address, subnet mask and gateway.
.
vantrex-status reads one device or a fleet from shells, cron jobs and
monitoring systems (text, JSON, monitoring-plugin and Prometheus output);
vantrex-exporter serves their health to Prometheus as a service;
vantrex-sim simulates a device on a loopback address.")
# The package's folders belong to root and are 0755 whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Dates in the changelog and the metainfo follow SOURCE_DATE_EPOCH: the same commit, the same files.
string(TIMESTAMP VANTREX_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP VANTREX_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
set(metainfo ${CMAKE_CURRENT_BINARY_DIR}/invalid.example.vantrex_config.metainfo.xml)
configure_file(invalid.example.vantrex_config.metainfo.xml.in ${metainfo} @ONLY)
configure_file(changelog.in changelog @ONLY)

# gzip -n leaves out the file's name and time, which would differ from build to build.
add_custom_command(OUTPUT changelog.gz
    COMMAND ${VANTREX_GZIP} -9nkf changelog
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog VERBATIM)
set(generated changelog.gz)

set(whatis_vantrex-config "monitor and configure a VANTREX GPS time server")
set(whatis_vantrex-status "report the health of VANTREX GPS time servers")
set(whatis_vantrex-sim "simulated VANTREX GPS time server on loopback addresses")
set(manual_programs)
foreach(program vantrex-config vantrex-status vantrex-exporter vantrex-sim)
    if(TARGET ${program})
        list(APPEND manual_programs ${program})
        # A page written by hand where one is, else one made from --help.
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${program}.1)
            add_custom_command(OUTPUT ${program}.1.gz
                COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/${program}.1 ${program}.1
                COMMAND ${VANTREX_GZIP} -9nf ${program}.1
                DEPENDS ${program}.1 VERBATIM)
        else()
            add_custom_command(OUTPUT ${program}.1.gz
                COMMAND ${VANTREX_HELP2MAN} --no-info --section 1 --name ${whatis_${program}}
                        --output ${program}.1 $<TARGET_FILE:${program}>
                COMMAND ${VANTREX_GZIP} -9nf ${program}.1
                DEPENDS ${program} VERBATIM)
        endif()
        list(APPEND generated ${program}.1.gz)
        install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
endforeach()

if(TARGET vantrex-config)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/vantrex-config.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/vantrex-config.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)
    # The sizes the committed PNG lacks, drawn by the artwork script rather than scaled down.
    foreach(size 16 32)
        set(icon icons/${size}/vantrex-config.png)
        add_custom_command(OUTPUT ${icon}
            COMMAND ${CMAKE_COMMAND} -E make_directory icons/${size}
            COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/draw_icon.py ${size} ${icon}
            DEPENDS draw_icon.py ${PROJECT_SOURCE_DIR}/resources/tools/make_artwork.py VERBATIM)
        list(APPEND generated ${icon})
        install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${icon}
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The exporter as a service, enabled and started on install where systemd runs. Units stay in /lib
# while Debian moves no file between / and /usr.
if(TARGET vantrex-exporter)
    install(FILES vantrex-exporter.service DESTINATION /lib/systemd/system)
    install(FILES vantrex-exporter.default DESTINATION /etc/default RENAME vantrex-exporter)
    install(FILES prometheus/vantrex-rules.yml prometheus/alertmanager-inhibit.yml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/vantrex-config/prometheus)
    install(FILES grafana/vantrex-dashboard.json DESTINATION ${CMAKE_INSTALL_DATADIR}/vantrex-config/grafana)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/debian/conffiles
        ${CMAKE_CURRENT_SOURCE_DIR}/debian/postinst ${CMAKE_CURRENT_SOURCE_DIR}/debian/prerm
        ${CMAKE_CURRENT_SOURCE_DIR}/debian/postrm)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

add_custom_target(vantrex_package_files ALL DEPENDS ${generated})
install(FILES ${PROJECT_SOURCE_DIR}/README.md copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${doc_dir})
# Where the README's links lead: the programs' references.
install(FILES ${PROJECT_SOURCE_DIR}/docs/vantrex-config.md ${PROJECT_SOURCE_DIR}/docs/vantrex-status.md
              ${PROJECT_SOURCE_DIR}/docs/vantrex-exporter.md ${PROJECT_SOURCE_DIR}/docs/vantrex-sim.md
        DESTINATION ${doc_dir}/docs)

# ---- checks: package.sh runs them (ctest -L package) before it packs ----
string(REPLACE "." "\\." version_pattern ${PROJECT_VERSION})
foreach(program IN LISTS manual_programs)
    add_test(NAME package.VersionIsTheProjectVersion.${program} COMMAND ${program} --version)
    set_tests_properties(package.VersionIsTheProjectVersion.${program} PROPERTIES
        PASS_REGULAR_EXPRESSION "^${program} ${version_pattern}\n$")
    add_test(NAME package.ManualPageNamesEveryOption.${program}
        COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check-manpage.sh $<TARGET_FILE:${program}>
                ${CMAKE_CURRENT_BINARY_DIR}/${program}.1.gz)
endforeach()
if(TARGET vantrex-config)
    add_test(NAME package.DesktopEntryIsValid
        COMMAND ${VANTREX_DESKTOP_FILE_VALIDATE} ${PROJECT_SOURCE_DIR}/resources/vantrex-config.desktop)
    add_test(NAME package.MetainfoIsValid COMMAND ${VANTREX_APPSTREAMCLI} validate --no-net ${metainfo})
endif()
if(TARGET vantrex-exporter)
    find_program(VANTREX_SYSTEMD_ANALYZE systemd-analyze REQUIRED)
    add_test(NAME package.ServiceUnitIsValid
        COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check-unit.sh ${VANTREX_SYSTEMD_ANALYZE}
                ${CMAKE_CURRENT_SOURCE_DIR}/vantrex-exporter.service $<TARGET_FILE:vantrex-exporter>)
endif()
get_property(package_tests DIRECTORY PROPERTY TESTS)
set_tests_properties(${package_tests} PROPERTIES LABELS package)
