# DefExports.cmake - reads the module-definition file that names the
# library's exports.
#
# dmaccess_def_exports(<def file> <out var>) sets <out var> to the names on
# the lines after EXPORTS that are not commented out with ';', in file order.
function(dmaccess_def_exports def_file out_var)
  file(STRINGS "${def_file}" def_lines)
  set(names "")
  set(in_exports FALSE)
  foreach(line IN LISTS def_lines)
    string(REGEX REPLACE ";.*$" "" line "${line}")
    string(STRIP "${line}" line)
    if(line STREQUAL "")
      continue()
    elseif(line STREQUAL "EXPORTS")
      set(in_exports TRUE)
    elseif(in_exports)
      string(REGEX REPLACE "[ \t@=].*$" "" name "${line}")
      list(APPEND names "${name}")
    endif()
  endforeach()
  set(${out_var} "${names}" PARENT_SCOPE)
endfunction()
