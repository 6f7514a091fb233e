# Starts PROGRAM with no display of any kind: it must say so on one line of stderr and exit
# with a failure status of its own, not be killed by a signal (Qt's abort, a core dump).
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})
execute_process(COMMAND "${PROGRAM}" RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE message TIMEOUT 30)

if(NOT status MATCHES "^[0-9]+$" OR status EQUAL 0 OR status GREATER_EQUAL 128)
    message(FATAL_ERROR "exit status: ${status}\nstderr: ${message}")
endif()
if(NOT message MATCHES "^bbtchart: no display: [^\n]+\n$")
    message(FATAL_ERROR "stderr is not one line that says there is no display:\n${message}")
endif()
if(NOT output STREQUAL "")
    message(FATAL_ERROR "unexpected output on stdout:\n${output}")
endif()
