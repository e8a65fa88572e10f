# Compares the package's dmaccess-metadata.json (COMMITTED) with the one the
# build wrote (BUILT); a difference fails with the way to bring them in step.
file(READ ${BUILT} built)
file(READ ${COMMITTED} committed)
if(NOT built STREQUAL committed)
  message(FATAL_ERROR "${COMMITTED} differs from the build's ${BUILT}: the catalogue, the record layouts or "
                      "the header changed.  Refresh it with\n"
                      "  make metadata   (or: cmake --build --preset native --target python_metadata_refresh)\n"
                      "(or copy ${BUILT} over it) and commit it.")
endif()
