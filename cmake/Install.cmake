# Install layout (components "program" and "data"; a plain cmake --install installs both):
#   <prefix>/bin/lumavell2                    the program
#   <prefix>/share/lumavell2/                 the install folder (everything in data/)
#   <prefix>/etc/lumavell2/machine.conf       machine settings: [Images] installedTo=<install folder>
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
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION share/lumavell2 COMPONENT data)

# The prefix is known only at install time (cmake --install --prefix may change it), so the
# machine settings file is written then; file(INSTALL) honours DESTDIR.
install(CODE "set(_lumavell_stage \"${CMAKE_BINARY_DIR}/install-stage/machine.conf\")" COMPONENT data)
install(CODE [[
    get_filename_component(_lumavell_prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
    string(REPLACE "\\" "\\\\" _lumavell_folder "${_lumavell_prefix}/share/lumavell2")
    file(WRITE "${_lumavell_stage}" "[Images]\ninstalledTo=${_lumavell_folder}\n")
    file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/etc/lumavell2" TYPE FILE FILES "${_lumavell_stage}")
]] COMPONENT data)
