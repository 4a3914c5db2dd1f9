# Starts the program, without a display, as the manual page's OPTIONS and EXIT STATUS describe:
# --help and --version print to standard output and end with status 0, an unknown option prints
# the usage line on standard error and ends with status 2; the manual page names both options.
# Usage: cmake -DPROGRAM=<tarnme> -DVERSION=<version> -DPAGE=<tarnme.1> -P CheckCommandLine.cmake
cmake_minimum_required(VERSION 3.25)

unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
function(expect arguments status out err)
    execute_process(COMMAND "${PROGRAM}" ${arguments} RESULT_VARIABLE got OUTPUT_VARIABLE stdout
                    ERROR_VARIABLE stderr)
    if(NOT got STREQUAL status OR NOT stdout MATCHES "${out}" OR NOT stderr MATCHES "${err}")
        message(FATAL_ERROR "tarnme ${arguments}: status ${got}\n"
                            "standard output:\n${stdout}\nstandard error:\n${stderr}")
    endif()
endfunction()

expect(--help 0 "^Usage: tarnme \\[--\\] \\[FILE.wav...\\]\n.*  --version  " "^$")
expect("a.wav;--version;-x" 0 "^tarnme ${VERSION}\n$" "^$")
expect("-x;--help" 2 "^$" "^tarnme: unknown option '-x'; usage: tarnme \\[--\\] \\[FILE.wav...\\]\n$")

file(READ "${PAGE}" page)
if(NOT page MATCHES "\n\\.B \\\\-\\\\-help\n" OR NOT page MATCHES "\n\\.B \\\\-\\\\-version\n")
    message(FATAL_ERROR "The manual page does not describe --help and --version")
endif()
