# Writes the manual page velogram.1 (and velogram.1.gz) from velogram's own help texts, so the
# page never drifts from --help: help2man turns `velogram --help` into the page, and each
# command's `velogram COMMAND --help` into its part of a COMMANDS section; velogram.h2m adds
# what the help does not say (files, environment, exit status).
#
#   cmake -DVELOGRAM=path -DVERSION=0.1 -DHELP2MAN=path -DGZIP=path -DEXTRA=velogram.h2m -DOUTPUT=dir/velogram.1
#         -P manual_page.cmake
foreach(v VELOGRAM VERSION HELP2MAN GZIP EXTRA OUTPUT)
  if(NOT ${v})
    message(FATAL_ERROR "manual_page.cmake: ${v} is not set")
  endif()
endforeach()

get_filename_component(work ${OUTPUT} DIRECTORY)
set(work ${work}/manual_page_parts)
file(MAKE_DIRECTORY ${work})
# velogram runs only to print help; a sanitized build must not add leak reports to the page.
set(ENV{ASAN_OPTIONS} detect_leaks=0)

# The commands, as `velogram --help` lists them under "Subcommands:".
execute_process(COMMAND ${VELOGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${VELOGRAM} --help failed (${status})")
endif()
string(REGEX REPLACE ".*\nSubcommands:\n" "" listed "${help}")
string(REGEX REPLACE "\n\n.*" "" listed "${listed}")
string(REGEX MATCHALL "(^|\n)  [a-z][a-z-]*" commands "${listed}")
list(TRANSFORM commands STRIP)
if(NOT commands)
  message(FATAL_ERROR "${VELOGRAM} --help lists no commands")
endif()

# Each command's page, from its SYNOPSIS on, becomes one subsection of COMMANDS: its headings
# turn into paragraphs so that they nest under the command.
set(section "[COMMANDS]\n")
foreach(command ${commands})
  execute_process(COMMAND ${HELP2MAN} --no-info --version-string=${VERSION} --output=${work}/${command}.1
                          "${VELOGRAM} ${command}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "help2man failed on velogram ${command} (${status})")
  endif()
  file(READ ${work}/${command}.1 page)
  string(REGEX REPLACE "^.*\n\\.SH SYNOPSIS\n" "" page "${page}")
  string(REGEX REPLACE "\n\\.SH DESCRIPTION\n" "\n.PP\n" page "${page}")
  string(REGEX REPLACE "\n\\.SH OPTIONS\n" "\n.PP\nOptions:\n" page "${page}")
  string(REGEX REPLACE "\n\\.SS \"([^\"]*)\"\n" "\n.PP\n\\1\n" page "${page}")
  if(page MATCHES "\n\\.S[HS] ")
    message(FATAL_ERROR "help2man's page of velogram ${command} has a heading this script does not place")
  endif()
  string(APPEND section ".SS \"${command}\"\n${page}")
endforeach()
file(WRITE ${work}/commands.h2m "${section}")

execute_process(COMMAND ${HELP2MAN} --no-info --section=1 --manual=User\ Commands
                        "--name=view recordings and calibrate their channels through the Tessar module"
                        --include=${work}/commands.h2m --include=${EXTRA}
                        --output=${OUTPUT} ${VELOGRAM}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed on velogram (${status})")
endif()
# -n: no name or time stamp in the compressed file, so the same page compresses the same.
execute_process(COMMAND ${GZIP} -9 -n -c ${OUTPUT} OUTPUT_FILE ${OUTPUT}.gz RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${OUTPUT} (${status})")
endif()
