# Installation layout. The programs and the files that lie beside them go to lib/orvane;
# bin holds the commands: launchers that give each user a program folder of their own, and
# pjsim. Desktop entry, metainfo, icon, manual pages and bash completion go to share.

set(ORVANE_INSTALL_PKGDIR lib/orvane)

# Programs of the program folder, and the plug-ins of its plugin/ folder: a new one is added
# to its list (targets that are not built are skipped).
set(ORVANE_INSTALLED_PROGRAMS orvane OrvaneUsrEdit orvanectl pjsim orvaned)
set(ORVANE_INSTALLED_PLUGINS adjust_demo)
# Commands in bin: the ones the launcher serves, and the ones that are the program itself.
set(ORVANE_LAUNCHED_COMMANDS orvane orvanectl)
set(ORVANE_LINKED_COMMANDS pjsim orvaned)

foreach(target IN LISTS ORVANE_INSTALLED_PROGRAMS)
    if(TARGET ${target})
        install(TARGETS ${target} RUNTIME DESTINATION ${ORVANE_INSTALL_PKGDIR})
    endif()
endforeach()
foreach(target IN LISTS ORVANE_INSTALLED_PLUGINS)
    if(TARGET ${target})
        install(TARGETS ${target} LIBRARY DESTINATION ${ORVANE_INSTALL_PKGDIR}/plugin)
    endif()
endforeach()
install(FILES res/txtdef.cat res/txtzhs.cat res/OrvaneModel.txt DESTINATION ${ORVANE_INSTALL_PKGDIR})
install(PROGRAMS packaging/orvane-launcher DESTINATION ${ORVANE_INSTALL_PKGDIR})

# The commands are relative symbolic links, so that an installation can be moved (DESTDIR).
set(links_dir ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${links_dir})
file(RELATIVE_PATH bin_to_pkg ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${ORVANE_INSTALL_PKGDIR})
set(command_links)
foreach(command IN LISTS ORVANE_LAUNCHED_COMMANDS ORVANE_LINKED_COMMANDS)
    if(NOT TARGET ${command})
        continue()
    endif()
    set(link_target ${command})
    if(command IN_LIST ORVANE_LAUNCHED_COMMANDS)
        set(link_target orvane-launcher)
    endif()
    file(CREATE_LINK ${bin_to_pkg}/${link_target} ${links_dir}/${command} SYMBOLIC)
    list(APPEND command_links ${links_dir}/${command})
endforeach()
install(FILES ${command_links} DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES packaging/orvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/org.orvane.Orvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES res/icons/orvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/orvanectl.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME orvanectl)
# The service's units: one a user enables for their own rooms, one for the machine's. The
# system unit goes where Debian 12's systemd and lintian look for it.
if(TARGET orvaned)
    install(FILES packaging/orvaned-user.service DESTINATION lib/systemd/user RENAME orvaned.service)
    install(FILES packaging/orvaned.service DESTINATION /lib/systemd/system)
    install(FILES docs/service.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvane)
endif()

# Manual pages, written in scdoc and installed compressed as Debian wants them.
find_program(SCDOC scdoc)
find_program(GZIP gzip)
set(ORVANE_MAN_PAGES orvane orvanectl pjsim)
if(TARGET orvaned)
    list(APPEND ORVANE_MAN_PAGES orvaned)
endif()
if(SCDOC AND GZIP)
    set(man_outputs)
    foreach(page IN LISTS ORVANE_MAN_PAGES)
        set(source ${CMAKE_SOURCE_DIR}/docs/man/${page}.1.scd)
        set(output ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
            COMMAND sh -c "'${SCDOC}' < '${source}' | '${GZIP}' -9n > '${output}'"
            DEPENDS ${source} VERBATIM)
        list(APPEND man_outputs ${output})
    endforeach()
    add_custom_target(orvane_man_pages ALL DEPENDS ${man_outputs})
    install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
    message(STATUS "scdoc not found: the manual pages are not built")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
