# DmaccessPackage.cmake - CPack settings of the release packages.
#
# `make package` runs cpack in the release builds (presets release and
# release-windows); the files land in build/packages/:
#   Linux:   dmaccess-<version>-linux-x86_64.tar.gz (the whole install tree)
#            and one Debian package per install component:
#              libdmaccess1     runtime      the shared library (+ shlibs, symbols)
#              libdmaccess-dev  development  header, .so link, CMake package,
#                                            pkg-config file, .def, metadata file
#              dmactl           tool         dmactl, its manual page, bash completion
#   Windows: dmaccess-<version>-win64.zip (the whole install tree)
# The version is the header's (cmake/DmaccessVersion.cmake).
set(CPACK_PACKAGE_NAME dmaccess)
set(CPACK_PACKAGE_VENDOR "dmaccess developers")
set(CPACK_PACKAGE_CONTACT "dmaccess developers <dmaccess@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# (No CPACK_PACKAGE_DESCRIPTION_SUMMARY: each Debian package's description
# below brings its own first line, which cpack would otherwise push down.)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_COMPONENTS_ALL runtime development tool)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "dmaccess-${PROJECT_VERSION}-win64")
else()
  set(CPACK_GENERATOR "TGZ;DEB")
  set(CPACK_PACKAGE_FILE_NAME "dmaccess-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")
endif()
# Archives hold the whole tree in one top folder; Debian packages follow the
# components.
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_DEB_COMPONENT_INSTALL ON)

# ---- Debian ----
set(dmaccess_deb_version "${PROJECT_VERSION}-1")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dmactl's own library is in this build, not in any installed package: the
# dependency on it is written out below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libdmaccess${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)  # only the runtime package has a library
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
"settings access by DMA ID for printer driver records
dmaccess reads and changes the settings of a printer and fax driver by
number (the DMA ID) in the records its caller owns: the DEVMODEW record,
its private area, the secondary record, the record arrays, the user
settings record and document-property files.

This package holds the shared library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libdmaccess-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (= ${dmaccess_deb_version})")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
"settings access by DMA ID for printer driver records - development files
dmaccess reads and changes the settings of a printer and fax driver by
number (the DMA ID) in the records its caller owns.

This package holds the C header, the link to the shared library, the
CMake package (find_package(dmaccess)), the pkg-config file, the module
definition of the exports and the metadata file for other languages.")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME dmactl)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS
    "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (= ${dmaccess_deb_version})")
set(CPACK_COMPONENT_TOOL_DESCRIPTION
"command-line tool over the dmaccess settings library
dmactl shows, sets, compares, validates, exports and imports the settings
of printer driver record files by DMA ID or by name, and handles the
record kinds, fax destinations, user settings and document-property files.")

# The library's symbols file, from the module definition (DllMain aside).
if(NOT WIN32)
  dmaccess_def_exports(${PROJECT_SOURCE_DIR}/src/exports/dmaccess.def dmaccess_deb_symbols)
  list(REMOVE_ITEM dmaccess_deb_symbols DllMain)
  set(dmaccess_symbols_text
      "libdmaccess.so.${PROJECT_VERSION_MAJOR} ${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} #MINVER#\n")
  foreach(symbol IN LISTS dmaccess_deb_symbols)
    string(APPEND dmaccess_symbols_text " ${symbol}@Base ${PROJECT_VERSION}\n")
  endforeach()
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/deb/symbols CONTENT "${dmaccess_symbols_text}")
  # ldconfig runs through dpkg's trigger when the library comes or goes.
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/deb/triggers CONTENT "activate-noawait ldconfig\n")
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
      ${CMAKE_BINARY_DIR}/deb/symbols ${CMAKE_BINARY_DIR}/deb/triggers)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

# Each Debian package's copyright and changelog.Debian.gz, the manual page
# gzipped and dmactl without its RPATH (the packaged library is in the
# system's path): cmake/package/deb_prepare.cmake, run on the staging tree.
# (Only CPACK_ variables reach cpack.)
string(TIMESTAMP CPACK_DMACCESS_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(CPACK_DMACCESS_DEB_VERSION "${dmaccess_deb_version}")
set(CPACK_DMACCESS_DEB_PACKAGES
    "runtime=${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME}" "development=libdmaccess-dev" "tool=dmactl")
set(CPACK_DMACCESS_COPYRIGHT ${CMAKE_CURRENT_LIST_DIR}/package/copyright)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package/deb_prepare.cmake)

include(CPack)
# (The Debian dependencies between them are the Depends set above.)
cpack_add_component(runtime DISPLAY_NAME "Shared library")
cpack_add_component(development DISPLAY_NAME "Development files")
cpack_add_component(tool DISPLAY_NAME "dmactl")
