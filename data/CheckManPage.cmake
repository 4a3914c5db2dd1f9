# Formats the manual page as man does for a reader, with every warning of groff turned on;
# any warning fails.
# Usage: cmake -DMAN=<man> -DPAGE=<tarnme.1> -P CheckManPage.cmake
cmake_minimum_required(VERSION 3.25)

set(ENV{MANWIDTH} 80)
execute_process(COMMAND "${MAN}" --warnings -l "${PAGE}" RESULT_VARIABLE result OUTPUT_QUIET
                ERROR_VARIABLE warnings)
if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "man --warnings -l ${PAGE} (status ${result}):\n${warnings}")
endif()
