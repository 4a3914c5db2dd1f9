# Builds the Debian package into a scratch folder and checks it: every installed file is in it
# under /usr, its dependencies were read from the programs, it recommends Qt's Wayland plugin,
# and lintian finds no error.
# Usage: cmake -DBUILD_DIR=<build> -DWORK_DIR=<scratch folder> -DCPACK=<cpack>
#              -DDPKG_DEB=<dpkg-deb> -DLINTIAN=<lintian> -P CheckPackage.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CPACK}" --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB packages "${WORK_DIR}/tarnme_*.deb")
list(LENGTH packages count)
if(NOT result EQUAL 0 OR NOT count EQUAL 1)
    message(FATAL_ERROR "cpack made ${count} packages (status ${result}):\n${output}")
endif()

execute_process(COMMAND "${DPKG_DEB}" -c "${packages}" OUTPUT_VARIABLE listing
                COMMAND_ERROR_IS_FATAL ANY)
include("${CMAKE_CURRENT_LIST_DIR}/InstalledFiles.cmake")
set(missing "")
foreach(file ${TARN_INSTALLED_PROGRAMS} ${TARN_INSTALLED_FILES})
    if(NOT listing MATCHES " \\./usr/${file}\n")
        list(APPEND missing "/usr/${file}")
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " report)
    message(FATAL_ERROR "Not in the package:\n  ${report}\nIt holds:\n${listing}")
endif()

execute_process(COMMAND "${DPKG_DEB}" --field "${packages}" Depends OUTPUT_VARIABLE depends
                COMMAND_ERROR_IS_FATAL ANY)
# chmlib comes in through the help reader alone.
if(NOT depends MATCHES "libmp3lame0" OR NOT depends MATCHES "libqt6widgets6"
   OR NOT depends MATCHES "libchm1" OR NOT depends MATCHES "libtag1v5")
    message(FATAL_ERROR "The package does not depend on the libraries it needs: ${depends}")
endif()

execute_process(COMMAND "${DPKG_DEB}" --field "${packages}" Recommends OUTPUT_VARIABLE recommends
                COMMAND_ERROR_IS_FATAL ANY)
if(NOT recommends MATCHES "(^|, )qt6-wayland(,|\n|$)")
    message(FATAL_ERROR "The package does not recommend Qt's Wayland plugin: ${recommends}")
endif()

execute_process(COMMAND "${LINTIAN}" --fail-on error "${packages}" RESULT_VARIABLE result
                OUTPUT_VARIABLE findings ERROR_VARIABLE findings)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "lintian finds errors:\n${findings}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
