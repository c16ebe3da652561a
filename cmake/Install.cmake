# cmake --install: the executable in a program directory of its own, which
# holds config.ini and User.ini beside it, so the user must own it. On Linux a
# desktop entry and the icon put the program in the desktop's menu.
if(WIN32)
    install(TARGETS quaylet RUNTIME DESTINATION .)
    return()
endif()

set(QUAYLET_PROGRAM_DIRECTORY lib/quaylet)
install(TARGETS quaylet RUNTIME DESTINATION ${QUAYLET_PROGRAM_DIRECTORY})
install(FILES ${PROJECT_SOURCE_DIR}/share/quaylet.svg DESTINATION share/icons/hicolor/scalable/apps)
# The entry names the executable by its full path, known only once the prefix is.
install(CODE "
    set(program \"\${CMAKE_INSTALL_PREFIX}/${QUAYLET_PROGRAM_DIRECTORY}/quaylet\")
    include(\"${PROJECT_SOURCE_DIR}/cmake/DesktopEntry.cmake\")
    quaylet_write_desktop_entry(\"${PROJECT_SOURCE_DIR}/share/quaylet.desktop.in\"
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/applications/quaylet.desktop\" \"\${program}\")
")
