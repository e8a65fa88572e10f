# Time limits of the tests that start programs of their own.
#
# When a test's TIMEOUT expires, ctest ends the one process it started: a
# program that this process started in turn and that hangs keeps running,
# keeps ctest's output pipe open, and ctest waits for it without end.  Such
# tests therefore run under coreutils' timeout, which puts itself and the
# test into a process group of their own and on expiry signals the whole
# group, the hung program included.  Its limit lies below ctest's TIMEOUT,
# which stays as the last resort.
#
# Inside such a test every program it starts has a limit of its own as well,
# DMACCESS_PROGRAM_SECONDS in the test's environment, so that a hang fails at
# the call that hung and the failure names it.
#
#   dmaccess_add_test(NAME <name> SECONDS <limit of the whole test>
#                     COMMAND <command> [<arg>...] [WORKING_DIRECTORY <dir>])

# One program a test starts: a dmactl call, an example program, a step of
# the consumer's build.  Under Wine one dmactl call takes a second or two.
set(DMACCESS_PROGRAM_SECONDS 60)
# Seconds between timeout's TERM and its KILL for a program that ignores TERM.
set(DMACCESS_KILL_AFTER 10)

find_program(DMACCESS_TIMEOUT_PROGRAM timeout)
if(NOT DMACCESS_TIMEOUT_PROGRAM)
  message(STATUS "coreutils' timeout not found: a test that hangs may leave its programs running")
endif()

function(dmaccess_add_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;SECONDS;WORKING_DIRECTORY" "COMMAND")
  set(limit)
  if(DMACCESS_TIMEOUT_PROGRAM)
    # --verbose: the test's output says that it was ended for its time.
    set(limit ${DMACCESS_TIMEOUT_PROGRAM} --verbose --kill-after=${DMACCESS_KILL_AFTER} ${arg_SECONDS})
  endif()
  set(directory)
  if(arg_WORKING_DIRECTORY)
    set(directory WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  endif()
  add_test(NAME ${arg_NAME} COMMAND ${limit} ${arg_COMMAND} ${directory})
  # ctest's own limit only once timeout has sent its KILL too.
  math(EXPR ctest_seconds "${arg_SECONDS} + ${DMACCESS_KILL_AFTER} + 20")
  # ENVIRONMENT_MODIFICATION, not ENVIRONMENT: the callers set the latter.
  set_tests_properties(${arg_NAME} PROPERTIES TIMEOUT ${ctest_seconds}
    ENVIRONMENT_MODIFICATION "DMACCESS_PROGRAM_SECONDS=set:${DMACCESS_PROGRAM_SECONDS}")
endfunction()
