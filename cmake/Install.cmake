# Install layout (components "program" and "data"; a plain cmake --install installs both):
#   <prefix>/bin/lumavell2                    the program
#   <prefix>/share/lumavell2/                 the install folder (everything in data/)
#   <prefix>/etc/lumavell2/machine.conf       machine settings: [Images] installedTo=<install folder>
#   <prefix>/share/applications/              lumavell2.desktop (the menu entry) and
#                                             lumavell2-album.desktop (opens .xal packages with
#                                             "lumavell2 /ALBUM <file>"; not shown in menus)
#   <prefix>/share/mime/packages/lumavell2.xml  the MIME type application/x-lumavell2-album (*.xal)
#   <prefix>/share/icons/hicolor/scalable/apps/lumavell2.svg  the program icon
# The program finds machine.conf at <its folder>/../etc/lumavell2/. A program run from the build
# tree finds ${CMAKE_BINARY_DIR}/bin/machine.conf beside it instead, which points at the source
# tree's data/ folder.

# Backslashes are the escape character of the settings file format.
function(lumavell_machine_conf out folder)
    string(REPLACE "\\" "\\\\" folder "${folder}")
    set(${out} "[Images]\ninstalledTo=${folder}\n" PARENT_SCOPE)
endfunction()

lumavell_machine_conf(_lumavell_build_conf "${CMAKE_SOURCE_DIR}/data")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/bin/machine.conf CONTENT "${_lumavell_build_conf}" @ONLY)

if(TARGET lumavell2)
    install(TARGETS lumavell2 RUNTIME DESTINATION bin COMPONENT program)
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION share/lumavell2 COMPONENT data
        PATTERN desktop EXCLUDE)

# Desktop integration: menu entry, package handler, MIME type and icon.
set(_lumavell_desktop ${CMAKE_SOURCE_DIR}/data/desktop)
install(FILES ${_lumavell_desktop}/lumavell2.desktop ${_lumavell_desktop}/lumavell2-album.desktop
        DESTINATION share/applications COMPONENT data)
install(FILES ${_lumavell_desktop}/lumavell2.xml DESTINATION share/mime/packages COMPONENT data)
install(FILES ${_lumavell_desktop}/lumavell2.svg DESTINATION share/icons/hicolor/scalable/apps COMPONENT data)
# The desktop's caches pick the new files up at once where the tools exist; a staged install
# (DESTDIR, packages) leaves that to the package's own triggers.
install(CODE [[
    if(NOT DEFINED ENV{DESTDIR} OR "$ENV{DESTDIR}" STREQUAL "")
        find_program(_lumavell_update_mime update-mime-database)
        if(_lumavell_update_mime)
            execute_process(COMMAND ${_lumavell_update_mime} "${CMAKE_INSTALL_PREFIX}/share/mime"
                            RESULT_VARIABLE _r OUTPUT_QUIET ERROR_QUIET)
        endif()
        find_program(_lumavell_update_desktop update-desktop-database)
        if(_lumavell_update_desktop)
            execute_process(COMMAND ${_lumavell_update_desktop} "${CMAKE_INSTALL_PREFIX}/share/applications"
                            RESULT_VARIABLE _r OUTPUT_QUIET ERROR_QUIET)
        endif()
    endif()
]] COMPONENT data)

# The prefix is known only at install time (cmake --install --prefix may change it), so the
# machine settings file is written then; file(INSTALL) honours DESTDIR.
install(CODE "set(_lumavell_stage \"${CMAKE_BINARY_DIR}/install-stage/machine.conf\")" COMPONENT data)
install(CODE [[
    get_filename_component(_lumavell_prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
    string(REPLACE "\\" "\\\\" _lumavell_folder "${_lumavell_prefix}/share/lumavell2")
    file(WRITE "${_lumavell_stage}" "[Images]\ninstalledTo=${_lumavell_folder}\n")
    file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/etc/lumavell2" TYPE FILE FILES "${_lumavell_stage}")
]] COMPONENT data)

# GIO (gio open, GNOME Files and the portals) ignores a desktop entry whose program it cannot find
# on PATH, so in a prefix whose bin folder is not on the usual PATH (a scratch or home prefix) the
# .xal handler would be invisible. There the entries name the program by its full path.
install(CODE [[
    set(_lumavell_bin "${CMAKE_INSTALL_PREFIX}/bin")
    if(NOT _lumavell_bin MATCHES "^/usr(/local)?/bin$")
        foreach(_f lumavell2.desktop lumavell2-album.desktop)
            set(_p "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/${_f}")
            if(EXISTS "${_p}")
                file(READ "${_p}" _text)
                string(REPLACE "\nExec=lumavell2" "\nExec=${_lumavell_bin}/lumavell2" _text "${_text}")
                string(REPLACE "\nTryExec=lumavell2" "\nTryExec=${_lumavell_bin}/lumavell2" _text "${_text}")
                file(WRITE "${_p}" "${_text}")
            endif()
        endforeach()
    endif()
]] COMPONENT data)
