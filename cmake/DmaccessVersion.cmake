# DmaccessVersion.cmake - the library's version, read from the public header.
#
# The header's lines
#   #define DMACCESS_VERSION_MAJOR 1
#   #define DMACCESS_VERSION_MINOR 0
#   #define DMACCESS_VERSION_PATCH 0
#   #define DMACCESS_VERSION_STRING "1.0.0"
# are the one place the version is written; project(), the shared library's
# file names, the package files and the DLL's version resource take it from
# here.  Included before project(), so it uses no language or project state.
#
# Sets DMACCESS_VERSION_MAJOR, _MINOR, _PATCH and DMACCESS_VERSION_STRING;
# configuring fails when a line is missing or the string and the three
# numbers disagree.
set(dmaccess_version_header "${CMAKE_CURRENT_LIST_DIR}/../include/dmaccess/dmaccess.h")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${dmaccess_version_header}")
file(STRINGS "${dmaccess_version_header}" dmaccess_version_lines
     REGEX "^#define DMACCESS_VERSION_(MAJOR|MINOR|PATCH|STRING)[ \t]")

foreach(part MAJOR MINOR PATCH STRING)
  set(value "")
  foreach(line IN LISTS dmaccess_version_lines)
    if(part STREQUAL "STRING")
      if(line MATCHES "^#define DMACCESS_VERSION_STRING[ \t]+\"([^\"]*)\"[ \t]*(/\\*.*)?$")
        set(value "${CMAKE_MATCH_1}")
      endif()
    elseif(line MATCHES "^#define DMACCESS_VERSION_${part}[ \t]+([0-9]+)[ \t]*(/\\*.*)?$")
      set(value "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  if(value STREQUAL "")
    message(FATAL_ERROR "${dmaccess_version_header}: no plain #define DMACCESS_VERSION_${part}")
  endif()
  set(DMACCESS_VERSION_${part} "${value}")
endforeach()

# "01" and "1" are the same number to the C preprocessor but not to a reader
# of the string: compare the string with the numbers as the header writes them.
set(dmaccess_version_numbers
    "${DMACCESS_VERSION_MAJOR}.${DMACCESS_VERSION_MINOR}.${DMACCESS_VERSION_PATCH}")
if(NOT DMACCESS_VERSION_STRING STREQUAL dmaccess_version_numbers)
  message(FATAL_ERROR "${dmaccess_version_header}: DMACCESS_VERSION_STRING is "
          "\"${DMACCESS_VERSION_STRING}\" but the numbers say ${dmaccess_version_numbers}")
endif()
unset(dmaccess_version_numbers)
unset(dmaccess_version_lines)
unset(dmaccess_version_header)
