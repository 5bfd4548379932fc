# Install layout (components "program" and "data"; a plain cmake --install installs both):
#   <prefix>/bin/lumavell2                    the program
#   <prefix>/share/lumavell2/                 the install folder (everything in data/ but desktop/)
#   <etc>/lumavell2/machine.conf              machine settings: [Images] installedTo=<install folder>;
#                                             <etc> is /etc for the prefix /usr, else <prefix>/etc
#   <prefix>/share/applications/              lumavell2.desktop (the menu entry; also opens .xal
#                                             packages, which it receives as "/ALBUM" would) and
#                                             lumavell2-album.desktop (opens .xal packages with
#                                             "lumavell2 /ALBUM <file>"; not shown in menus)
#   <prefix>/share/mime/packages/lumavell2.xml  the MIME type application/x-lumavell2-album (*.xal)
#   <prefix>/share/icons/hicolor/scalable/apps/lumavell2.svg and <N>x<N>/apps/lumavell2.png
#                                             the program icon (PNGs drawn from the SVG at build time)
#   <prefix>/share/metainfo/lumavell2.metainfo.xml  the AppStream description for software centres
#   <prefix>/share/man/man1/lumavell2.1.gz    the manual page
#   <prefix>/share/doc/lumavell2/             copyright and changelog.gz
# The program finds machine.conf at <its folder>/../etc/lumavell2/, else at /etc/lumavell2/. A
# program run from the build tree finds ${CMAKE_BINARY_DIR}/bin/machine.conf beside it instead,
# which points at the source tree's data/ folder.

# The release the package, the AppStream file and the manual page name.
set(LUMAVELL_RELEASE_DATE 2026-12-09)
set(LUMAVELL_RELEASE_MONTH "December 2026")
set(LUMAVELL_RELEASE_RFC2822 "Wed, 09 Dec 2026 12:00:00 +0000")
set(LUMAVELL_HOMEPAGE "https://lumavell2.corvane.example" CACHE STRING
    "The project's web site, named by the package and the AppStream file")
set(LUMAVELL_MAINTAINER "Lumavell2 developers <lumavell2@corvane.example>" CACHE STRING
    "The package's maintainer")

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

# Files made from templates and the icon: the AppStream file, the manual page, the package's
# copyright and changelog, and the icon as PNGs at the sizes desktops look for first.
set(_lumavell_gen ${CMAKE_BINARY_DIR}/desktop)
configure_file(${_lumavell_desktop}/lumavell2.metainfo.xml.in ${_lumavell_gen}/lumavell2.metainfo.xml @ONLY)
configure_file(${_lumavell_desktop}/lumavell2.1.in ${_lumavell_gen}/lumavell2.1 @ONLY)
# The copyright file carries the licence text when data/licence.txt is there.
set(LUMAVELL_LICENCE_TEXT "The licence is in /usr/share/lumavell2/licence.txt when installed.")
if(EXISTS ${CMAKE_SOURCE_DIR}/data/licence.txt)
    file(READ ${CMAKE_SOURCE_DIR}/data/licence.txt LUMAVELL_LICENCE_TEXT)
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data)
configure_file(${_lumavell_desktop}/copyright.in ${_lumavell_gen}/copyright @ONLY)
configure_file(${_lumavell_desktop}/changelog.in ${_lumavell_gen}/changelog @ONLY)
set(_lumavell_made)
foreach(f lumavell2.1 changelog)
    add_custom_command(OUTPUT ${_lumavell_gen}/${f}.gz
                       COMMAND gzip -9 -n -c ${_lumavell_gen}/${f} > ${_lumavell_gen}/${f}.gz
                       DEPENDS ${_lumavell_gen}/${f} VERBATIM)
    list(APPEND _lumavell_made ${_lumavell_gen}/${f}.gz)
endforeach()
set(LUMAVELL_ICON_SIZES 16 32 48 64 128 256)
find_program(LUMAVELL_RSVG_CONVERT rsvg-convert)
if(LUMAVELL_RSVG_CONVERT)
    foreach(size IN LISTS LUMAVELL_ICON_SIZES)
        set(png ${_lumavell_gen}/icons/${size}x${size}/apps/lumavell2.png)
        add_custom_command(OUTPUT ${png}
                           COMMAND ${CMAKE_COMMAND} -E make_directory ${_lumavell_gen}/icons/${size}x${size}/apps
                           COMMAND ${LUMAVELL_RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                                   ${_lumavell_desktop}/lumavell2.svg
                           DEPENDS ${_lumavell_desktop}/lumavell2.svg VERBATIM)
        list(APPEND _lumavell_made ${png})
    endforeach()
    install(DIRECTORY ${_lumavell_gen}/icons/ DESTINATION share/icons/hicolor COMPONENT data)
else()
    message(WARNING "rsvg-convert (librsvg2-bin) not found: the icon is installed as SVG only")
endif()
add_custom_target(lumavell_desktop_files ALL DEPENDS ${_lumavell_made})
install(FILES ${_lumavell_gen}/lumavell2.metainfo.xml DESTINATION share/metainfo COMPONENT data)
install(FILES ${_lumavell_gen}/lumavell2.1.gz DESTINATION share/man/man1 COMPONENT data)
install(FILES ${_lumavell_gen}/copyright ${_lumavell_gen}/changelog.gz
        DESTINATION share/doc/lumavell2 COMPONENT data)
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
    # A system install (/usr) keeps its machine settings in /etc, as the file system layout asks.
    if(_lumavell_prefix STREQUAL "/usr")
        set(_lumavell_etc "/etc")
    else()
        set(_lumavell_etc "${_lumavell_prefix}/etc")
    endif()
    file(INSTALL DESTINATION "${_lumavell_etc}/lumavell2" TYPE FILE FILES "${_lumavell_stage}")
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
