# deb_prepare.cmake - run by cpack (CPACK_PRE_BUILD_SCRIPTS) on the staging
# tree, before the packages are made.  For the Debian packages only, in each
# component's tree: usr/share/doc/<package>/copyright and changelog.Debian.gz,
# the manual pages gzipped, no RPATH in the programs (the packaged library
# is in the system's path; the archives keep $ORIGIN/../lib).
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
find_program(gzip_program gzip REQUIRED)

foreach(pair IN LISTS CPACK_DMACCESS_DEB_PACKAGES)
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 component)
  list(GET pair 1 package)
  file(GLOB roots LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${component}"
       "${CPACK_TEMPORARY_DIRECTORY}/${component}")
  list(REMOVE_DUPLICATES roots)
  foreach(root IN LISTS roots)
    set(doc "${root}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/${package}")
    file(MAKE_DIRECTORY "${doc}")
    file(COPY_FILE "${CPACK_DMACCESS_COPYRIGHT}" "${doc}/copyright")
    file(WRITE "${doc}/changelog.Debian"
"${package} (${CPACK_DMACCESS_DEB_VERSION}) unstable; urgency=medium

  * Release ${CPACK_PACKAGE_VERSION}.

 -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${CPACK_DMACCESS_DATE}
")
    execute_process(COMMAND ${gzip_program} -9nf "${doc}/changelog.Debian" COMMAND_ERROR_IS_FATAL ANY)
    file(GLOB_RECURSE pages "${root}/*/share/man/*.[0-9]")
    foreach(page IN LISTS pages)
      execute_process(COMMAND ${gzip_program} -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    file(GLOB programs "${root}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*")
    foreach(program IN LISTS programs)
      file(RPATH_REMOVE FILE "${program}")
    endforeach()
  endforeach()
endforeach()
