# cmake -DRUNNER= -DSCRIPT= -DEXPECTED= -DAPP= -DWORK= -P run_scenario.cmake
#
# Copies the staged application directory to WORK, runs the scenario there,
# writes the temporary directory's path as $APPDIR and compares standard
# output with EXPECTED. A first script line "# exit: N" names the expected
# exit status (0 otherwise); lines "# setup: COMMAND" run with /bin/sh in the
# copy before the program starts (for a start-up that must fail); a file
# beside EXPECTED ending in .stderr holds the "script error" lines expected on
# standard error. Backup names made by an import read "before-import-TIME".
foreach(var RUNNER SCRIPT EXPECTED APP WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_scenario.cmake: ${var} not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${APP}/ DESTINATION ${WORK}/app)
set(appdir ${WORK}/app)
file(REAL_PATH ${appdir} realdir)
# Every scenario starts from an installation without macros, even when keys
# were programmed in build/app by hand (make run).
file(GLOB macro_files ${appdir}/log/*.txt)
foreach(f IN LISTS macro_files)
  file(WRITE ${f} "")
endforeach()

set(status 0)
file(STRINGS ${SCRIPT} first LIMIT_COUNT 1)
if(first MATCHES "^# exit: *([0-9]+)")
  set(status ${CMAKE_MATCH_1})
endif()

file(STRINGS ${SCRIPT} setups REGEX "^# setup: ")
foreach(setup IN LISTS setups)
  string(REGEX REPLACE "^# setup: " "" setup "${setup}")
  execute_process(COMMAND /bin/sh -c "${setup}" WORKING_DIRECTORY ${appdir} RESULT_VARIABLE setup_rc)
  if(NOT setup_rc EQUAL 0)
    message(FATAL_ERROR "setup '${setup}' failed: ${setup_rc}")
  endif()
endforeach()

execute_process(COMMAND ${RUNNER} ${SCRIPT}
  WORKING_DIRECTORY ${appdir}
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  TIMEOUT 100)

string(REPLACE "${realdir}" "$APPDIR" out "${out}")
string(REPLACE "${appdir}" "$APPDIR" out "${out}")
# An import names the backup it made by the time of day.
string(REGEX REPLACE "before-import-[0-9]+-[0-9]+(-[0-9]+)?" "before-import-TIME" out "${out}")
file(WRITE ${WORK}/actual.txt "${out}")
file(READ ${EXPECTED} expected)

set(failed "")
if(NOT out STREQUAL expected)
  execute_process(COMMAND diff -u ${EXPECTED} ${WORK}/actual.txt OUTPUT_VARIABLE diff)
  string(APPEND failed "standard output differs (expected vs. actual):\n${diff}\n")
endif()
if(NOT "${rc}" STREQUAL "${status}")
  string(APPEND failed "exit status ${rc}, expected ${status}\n")
endif()
get_filename_component(dir ${EXPECTED} DIRECTORY)
get_filename_component(base ${EXPECTED} NAME_WE)
if(EXISTS ${dir}/${base}.stderr)
  file(READ ${dir}/${base}.stderr want_err)
  string(REGEX MATCHALL "script error:[^\n]*\n" got_err "${err}")
  string(REPLACE ";" "" got_err "${got_err}")
  if(NOT got_err STREQUAL want_err)
    string(APPEND failed "script errors differ: expected\n${want_err}got\n${got_err}\n")
  endif()
endif()
if(failed)
  message(FATAL_ERROR "${failed}standard error:\n${err}")
endif()
