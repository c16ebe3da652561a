# cmake --install: the program and its engine in a program directory of their own, lib/quaylet,
# with a command in bin that links to it. config.ini and User.ini live beside
# the executable while the user may write there, else in the user's own
# folder. On Linux a desktop entry, the icon and the AppStream metadata put the
# program in the desktop's menu and software centres.
if(WIN32)
    install(TARGETS quaylet quaylet-engine RUNTIME DESTINATION .)
    return()
endif()

# The desktop entry and the metadata are named by the program's AppStream id.
set(QUAYLET_APP_ID io.github.quaylet.Quaylet)
set(QUAYLET_PROGRAM_DIRECTORY lib/quaylet)
install(TARGETS quaylet quaylet-engine RUNTIME DESTINATION ${QUAYLET_PROGRAM_DIRECTORY})
install(FILES ${PROJECT_SOURCE_DIR}/share/quaylet.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/share/quaylet.1 DESTINATION share/man/man1)
# The metadata's release is the changelog's newest entry, which scripts/package
# takes the package's version from as well.
set(changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
file(STRINGS ${changelog} changelog_heads REGEX "^quaylet \\(")
file(STRINGS ${changelog} changelog_trailers REGEX "^ -- ")
list(GET changelog_heads 0 newest_head)
list(GET changelog_trailers 0 newest_trailer)
if(NOT newest_head MATCHES "^quaylet \\(([^)]+)\\)")
    message(FATAL_ERROR "${changelog}: its newest entry names no version")
endif()
set(QUAYLET_RELEASE_VERSION ${CMAKE_MATCH_1})
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
if(NOT newest_trailer MATCHES ", ([0-9]?[0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "${changelog}: its newest entry has no date")
endif()
set(day ${CMAKE_MATCH_1})
set(year ${CMAKE_MATCH_3})
list(FIND months ${CMAKE_MATCH_2} month)
if(month LESS 0)
    message(FATAL_ERROR "${changelog}: '${CMAKE_MATCH_2}' is no month")
endif()
math(EXPR month "${month} + 1")
string(REGEX REPLACE "^([0-9])$" "0\\1" month ${month})
string(REGEX REPLACE "^([0-9])$" "0\\1" day ${day})
set(QUAYLET_RELEASE_DATE ${year}-${month}-${day})
configure_file(${PROJECT_SOURCE_DIR}/share/quaylet.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/${QUAYLET_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${QUAYLET_APP_ID}.metainfo.xml DESTINATION share/metainfo)
# The command and the entry are known only once the prefix is. Under /usr the
# entry names the command, which is on every PATH; under any other prefix,
# whose bin may not be, the executable by its full path.
install(CODE "
    set(prefix \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    file(MAKE_DIRECTORY \"\${prefix}/bin\")
    file(CREATE_LINK ../${QUAYLET_PROGRAM_DIRECTORY}/quaylet \"\${prefix}/bin/quaylet\" SYMBOLIC)
    message(STATUS \"Installing: \${prefix}/bin/quaylet\")
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
        set(program quaylet)
    else()
        set(program \"\${CMAKE_INSTALL_PREFIX}/${QUAYLET_PROGRAM_DIRECTORY}/quaylet\")
    endif()
    include(\"${PROJECT_SOURCE_DIR}/cmake/DesktopEntry.cmake\")
    quaylet_write_desktop_entry(\"${PROJECT_SOURCE_DIR}/share/quaylet.desktop.in\"
        \"\${prefix}/share/applications/${QUAYLET_APP_ID}.desktop\" \"\${program}\")
")
