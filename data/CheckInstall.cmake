# Installs a build into a scratch prefix and checks that every file lies where the desktop and
# the program look for it.
# Usage: cmake -DBUILD_DIR=<build> -DPREFIX=<scratch folder> -DEXPECT_PROGRAM=ON|OFF -P ...
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

include("${CMAKE_CURRENT_LIST_DIR}/InstalledFiles.cmake")
set(expected ${TARN_INSTALLED_FILES})
if(EXPECT_PROGRAM)
    # The program finds its help and its help reader seen from its bin folder.
    list(APPEND expected ${TARN_INSTALLED_PROGRAMS} bin/../share/tarnme/tarnme.chm
         bin/../libexec/tarnme/tarnme-help-reader)
endif()

set(missing "")
foreach(file IN LISTS expected)
    if(NOT EXISTS "${PREFIX}/${file}")
        list(APPEND missing "${file}")
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " report)
    message(FATAL_ERROR "Not installed:\n  ${report}")
endif()

file(READ "${PREFIX}/share/tarnme/tarnme.chm" magic LIMIT 4 HEX)
if(NOT magic STREQUAL "49545346") # "ITSF"
    message(FATAL_ERROR "The installed help file is not a compiled help file")
endif()
if(EXPECT_PROGRAM)
    foreach(program IN LISTS TARN_INSTALLED_PROGRAMS)
        execute_process(COMMAND test -x "${PREFIX}/${program}" RESULT_VARIABLE notExecutable)
        if(NOT notExecutable EQUAL 0)
            message(FATAL_ERROR "The installed ${program} cannot be run")
        endif()
    endforeach()
endif()
file(REMOVE_RECURSE "${PREFIX}")
