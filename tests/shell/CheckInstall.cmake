# Installs the "data" component into PREFIX (with and without DESTDIR) and checks the machine
# settings file points at the installed data folder.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}" --component data
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
set(conf "${PREFIX}/etc/lumavell2/machine.conf")
if(NOT EXISTS "${conf}")
    message(FATAL_ERROR "no ${conf}")
endif()
file(READ "${conf}" text)
if(NOT text STREQUAL "[Images]\ninstalledTo=${PREFIX}/share/lumavell2\n")
    message(FATAL_ERROR "unexpected machine.conf: ${text}")
endif()
if(NOT IS_DIRECTORY "${PREFIX}/share/lumavell2")
    message(FATAL_ERROR "no install folder")
endif()

# A staged install keeps the final prefix in the file.
set(ENV{DESTDIR} "${PREFIX}/stage")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix /opt/lumavell --component data
                RESULT_VARIABLE rc OUTPUT_QUIET)
file(READ "${PREFIX}/stage/opt/lumavell/etc/lumavell2/machine.conf" text)
if(NOT rc EQUAL 0 OR NOT text STREQUAL "[Images]\ninstalledTo=/opt/lumavell/share/lumavell2\n")
    message(FATAL_ERROR "staged install: ${rc} ${text}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
