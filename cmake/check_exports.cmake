# check_exports.cmake - run by ctest: the library exports exactly the names
# that src/exports/dmaccess.def lists without a comment mark, and (for the
# DLL) imports only from system DLLs.
#
#   cmake -DLIBRARY=<dmaccess.dll|libdmaccess.so> -DDEF=<dmaccess.def>
#         -DTOOL=<objdump or nm> -DKIND=<dll|so> -P check_exports.cmake
#
# For the .so the expected list leaves out DllMain, which only Windows has.
foreach(var LIBRARY DEF TOOL KIND)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_exports.cmake: ${var} not given")
  endif()
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/DefExports.cmake)
dmaccess_def_exports("${DEF}" expected)
if(KIND STREQUAL "so")
  list(REMOVE_ITEM expected DllMain)
endif()

set(actual "")
if(KIND STREQUAL "dll")
  execute_process(COMMAND "${TOOL}" -p "${LIBRARY}" OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${TOOL} -p ${LIBRARY} failed (${rc})")
  endif()
  string(REPLACE "\n" ";" dump_lines "${dump}")
  set(in_table FALSE)
  set(imports "")
  foreach(line IN LISTS dump_lines)
    if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
      set(in_table TRUE)
    elseif(in_table AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] ([^ \t]+)")
      list(APPEND actual "${CMAKE_MATCH_1}")
    elseif(in_table)
      set(in_table FALSE)
    endif()
    if(line MATCHES "DLL Name: (.+)$")
      list(APPEND imports "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  # Only DLLs that every Windows installation has; a mingw runtime DLL here
  # means the static runtime link was lost.
  foreach(dll IN LISTS imports)
    string(TOLOWER "${dll}" lower)
    if(NOT lower MATCHES "^(kernel32|user32|msvcrt|ntdll|advapi32|ucrtbase|api-ms-win-.*)\\.dll$")
      message(SEND_ERROR "${LIBRARY} imports ${dll}, which is not a system DLL")
    endif()
  endforeach()
  message(STATUS "imports: ${imports}")
else()
  execute_process(COMMAND "${TOOL}" -D --defined-only "${LIBRARY}"
                  OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${TOOL} -D ${LIBRARY} failed (${rc})")
  endif()
  string(REPLACE "\n" ";" dump_lines "${dump}")
  foreach(line IN LISTS dump_lines)
    # "<address> <type> <name>"; versioned names carry "@VERSION".
    if(line MATCHES "^[0-9a-fA-F]+ [A-Za-z] ([^ @]+)")
      list(APPEND actual "${CMAKE_MATCH_1}")
    endif()
  endforeach()
endif()

list(SORT expected)
list(SORT actual)
list(REMOVE_DUPLICATES actual)
set(missing ${expected})
list(REMOVE_ITEM missing ${actual} "")
set(extra ${actual})
list(REMOVE_ITEM extra ${expected} "")
message(STATUS "expected exports: ${expected}")
message(STATUS "actual exports:   ${actual}")
if(missing OR extra)
  message(FATAL_ERROR "export table differs from ${DEF}: missing [${missing}] extra [${extra}]")
endif()
