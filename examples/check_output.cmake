# Runs an example program in a fresh folder and compares its standard output
# with the expected file, line for line (Windows line ends read as "\n").
#   cmake -DPROGRAM=... -DEXPECTED=... -DWORK_DIR=... [-DEMULATOR=...] -P check_output.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
# The program's own time limit (ctest passes DMACCESS_PROGRAM_SECONDS): a
# hang fails here, with the program named, and ends the program.
set(limit)
if(DEFINED ENV{DMACCESS_PROGRAM_SECONDS})
  set(limit TIMEOUT $ENV{DMACCESS_PROGRAM_SECONDS})
endif()
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" WORKING_DIRECTORY "${WORK_DIR}" ${limit}
                RESULT_VARIABLE rc OUTPUT_VARIABLE actual ERROR_VARIABLE errors)
string(REPLACE "\r\n" "\n" actual "${actual}")
file(READ "${EXPECTED}" expected)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ended with ${rc}\n${actual}${errors}")
endif()
if(NOT actual STREQUAL expected)
  file(WRITE "${WORK_DIR}/actual.out" "${actual}")
  message(FATAL_ERROR "output differs from ${EXPECTED} (got ${WORK_DIR}/actual.out):\n${actual}")
endif()
message(STATUS "${actual}")
