# The Debian package: cpack -G DEB in the build directory makes orvane_<version>_<arch>.deb.

set(ORVANE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/orvane)
install(FILES packaging/copyright DESTINATION ${ORVANE_DOC_DIR})
if(GZIP)
    set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
    add_custom_command(OUTPUT ${changelog}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
        COMMAND sh -c "'${GZIP}' -9n < '${CMAKE_SOURCE_DIR}/packaging/changelog' > '${changelog}'"
        DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog VERBATIM)
    add_custom_target(orvane_changelog ALL DEPENDS ${changelog})
    install(FILES ${changelog} DESTINATION ${ORVANE_DOC_DIR})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VENDOR "The Orvane developers")
set(CPACK_PACKAGE_CONTACT "The Orvane developers <developers@orvane.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop control panel for video projectors")
# The synopsis is the summary above; CPack indents these lines and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Orvane keeps one small strip of toolbar buttons on screen, or in the tray,
and drives up to five projectors at once over TCP or RS-232C: power,
picture blank, mute, volume, freeze and input source, with the current
input shown live.

The package holds the toolbar (orvane), its command line (orvanectl) and a
projector simulator for trying both without projectors (pjsim).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
if(NOT CMAKE_INSTALL_PREFIX STREQUAL CPACK_PACKAGING_INSTALL_PREFIX)
    message(WARNING "CMAKE_INSTALL_PREFIX is ${CMAKE_INSTALL_PREFIX}: the packaged programs would look for "
                    "their data directory there instead of under /usr")
endif()
include(CPack)
