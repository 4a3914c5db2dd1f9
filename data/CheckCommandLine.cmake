# Starts the program, without a display, as the manual page's OPTIONS and EXIT STATUS describe:
# --help and --version print to standard output and end with status 0, an unknown option or a
# --jobs without a fitting count prints its usage line on standard error and ends with status 2;
# the manual page names every option.
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

set(usage "usage: tarnme \\[--jobs N\\] \\[--\\] \\[FILE.wav...\\]\n$")
expect(--help 0 "^Usage: tarnme \\[--jobs N\\] \\[--\\] \\[FILE.wav...\\]\n.*  --version  " "^$")
expect("a.wav;--jobs=2;--version;-x" 0 "^tarnme ${VERSION}\n$" "^$")
expect("-x;--help" 2 "^$" "^tarnme: unknown option '-x'; ${usage}")
expect("--jobs;0;--help" 2 "^$" "^tarnme: --jobs takes a whole number from 1 to 64, not '0'; ${usage}")

file(READ "${PAGE}" page)
if(NOT page MATCHES "\n\\.B \\\\-\\\\-help\n" OR NOT page MATCHES "\n\\.B \\\\-\\\\-version\n"
   OR NOT page MATCHES "\n\\.BI \"\\\\-\\\\-jobs \" N\n")
    message(FATAL_ERROR "The manual page does not describe --help, --version and --jobs")
endif()
