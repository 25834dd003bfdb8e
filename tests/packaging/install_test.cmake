# The installation, end to end: `cmake --install` of the build into a private prefix, then the
# installed velogram run from another folder. It must find its libraries, its module and its
# demo data from its own place (not the build's), and the prefix must hold what a desktop needs
# and nothing of the tests.
#
#   cmake -DBUILD_DIR=build -DWORK=dir -DVERSION=0.1 -DMANUAL=ON|OFF -P install_test.cmake
foreach(v BUILD_DIR WORK VERSION)
  if(NOT ${v})
    message(FATAL_ERROR "install_test.cmake: ${v} is not set")
  endif()
endforeach()

set(prefix ${WORK}/prefix)
set(run ${WORK}/run)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${run})

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status})")
endif()

set(expected
  bin/velogram
  lib/velogram/libkviplatform.so lib/velogram/libtessar.so lib/velogram/libzor.so lib/velogram/velogram
  share/applications/velogram.desktop
  share/doc/velogram/changelog.gz share/doc/velogram/copyright
  share/icons/hicolor/256x256/apps/velogram.png share/icons/hicolor/48x48/apps/velogram.png
  share/mime/packages/velogram.xml
  share/velogram/demo/pressure.csv share/velogram/demo/pressure_points.csv)
if(MANUAL)
  list(APPEND expected share/man/man1/velogram.1.gz)
endif()
list(SORT expected)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${prefix} ${prefix}/*)
list(SORT installed)
if(NOT installed STREQUAL expected)
  string(REPLACE ";" "\n  " have "${installed}")
  string(REPLACE ";" "\n  " want "${expected}")
  message(FATAL_ERROR "the installation holds\n  ${have}\nbut should hold\n  ${want}")
endif()
if(NOT IS_SYMLINK ${prefix}/bin/velogram)
  message(FATAL_ERROR "bin/velogram is not a link to the private folder")
endif()

function(run_velogram out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_CONFIG_HOME=${WORK}/config ASAN_OPTIONS=detect_leaks=0
                          ${prefix}/bin/velogram ${ARGN}
                  WORKING_DIRECTORY ${run} OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "velogram ${ARGN} failed (${status}):\n${text}\n${errors}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

run_velogram(version --version)
if(NOT version STREQUAL "velogram ${VERSION}\n")
  message(FATAL_ERROR "velogram --version printed \"${version}\"")
endif()
run_velogram(summary demo)
foreach(line "Calibrated ${prefix}/share/velogram/demo/pressure.csv" "Samples:     10000 calibrated in 2 blocks")
  string(FIND "${summary}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "velogram demo did not print \"${line}\":\n${summary}")
  endif()
endforeach()
if(NOT EXISTS ${run}/pressure_calibrated.csv)
  message(FATAL_ERROR "velogram demo wrote no pressure_calibrated.csv into the folder it ran in")
endif()
file(REMOVE_RECURSE ${WORK})
