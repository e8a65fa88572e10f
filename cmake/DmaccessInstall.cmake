# Install rules: the public header, the shared library (libdmaccess.so.1 and
# its links; on Windows the DLL in bin/ with its import libraries in lib/),
# the dmactl tool, the module definition, the metadata file, a CMake package
# (find_package(dmaccess) gives dmaccess::dmaccess, whose IMPORTED_LOCATION is
# the DLL, so $<TARGET_RUNTIME_DLLS:...> names it) and a pkg-config file.
#
# Every rule names its install component, which the packages follow
# (cmake/DmaccessPackage.cmake): runtime (the shared library itself),
# development (header, link, import libraries, CMake and pkg-config files,
# module definition, metadata file) and tool (dmactl, its manual page and
# bash completion).  cmake --install without --component installs all three.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# A shared library is not a program: installed without execute bits.
install(TARGETS dmaccess EXPORT dmaccessTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
          NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/include/dmaccess/dmaccess.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/dmaccess COMPONENT development)
if(TARGET dmactl)
  install(TARGETS dmactl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
endif()
# The module definition names the exports; with it a user can make an import
# library for another toolchain.  The Windows package brings one for
# Microsoft's linker (dmaccess.lib) beside the mingw one (libdmaccess.dll.a).
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/src/exports/dmaccess.def
  DESTINATION ${CMAKE_INSTALL_DATADIR}/dmaccess COMPONENT development)
# The metadata file for clients in other languages, where a native build
# wrote it (a cross build has none).
if(DMACCESS_METADATA_FILE)
  install(FILES ${DMACCESS_METADATA_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/dmaccess
          COMPONENT development)
endif()
if(DMACCESS_MSVC_IMPLIB)
  install(FILES ${DMACCESS_MSVC_IMPLIB} DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
endif()

set(DMACCESS_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/dmaccess)
install(EXPORT dmaccessTargets NAMESPACE dmaccess:: DESTINATION ${DMACCESS_CMAKE_DIR}
  COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/dmaccessConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/dmaccessConfig.cmake
  INSTALL_DESTINATION ${DMACCESS_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/dmaccessConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/dmaccessConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/dmaccessConfigVersion.cmake
  DESTINATION ${DMACCESS_CMAKE_DIR} COMPONENT development)

# The .pc file finds its prefix relative to its own place.
string(REGEX REPLACE "[^/]+" ".." DMACCESS_PC_UP "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
configure_file(${CMAKE_CURRENT_LIST_DIR}/dmaccess.pc.in ${CMAKE_CURRENT_BINARY_DIR}/dmaccess.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/dmaccess.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT development)
