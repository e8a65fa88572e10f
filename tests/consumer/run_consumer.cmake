# Installs the built project into a fresh prefix, then configures, builds and
# runs the consumer project against that prefix, as a user's project would.
# Inputs: BUILD_DIR, SOURCE_DIR, WORK_DIR, optional TOOLCHAIN, EMULATOR,
# GENERATOR.
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGV}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")
foreach(f include/dmaccess/dmaccess.h)
  if(NOT EXISTS "${prefix}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(GLOB_RECURSE installed RELATIVE "${prefix}" "${prefix}/*")
message(STATUS "installed: ${installed}")
foreach(pattern "dmactl" "dmaccessConfig.cmake" "dmaccess.pc" "dmaccess")
  if(NOT installed MATCHES "${pattern}")
    message(FATAL_ERROR "nothing installed matches ${pattern}")
  endif()
endforeach()

set(config_args -S "${SOURCE_DIR}" -B "${WORK_DIR}/build" "-DCMAKE_PREFIX_PATH=${prefix}"
                -DCMAKE_BUILD_TYPE=Release)
if(GENERATOR)
  list(APPEND config_args -G "${GENERATOR}")
endif()
if(TOOLCHAIN)
  # A cross toolchain confines package searches to its own root, so the
  # package is named by its directory, as a cross-building user would.
  list(APPEND config_args "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}"
                          "-Ddmaccess_DIR=${prefix}/lib/cmake/dmaccess")
endif()
set(ENV{PKG_CONFIG_PATH} "")
file(GLOB_RECURSE pc_files "${prefix}/*/dmaccess.pc")
if(NOT pc_files)
  message(FATAL_ERROR "dmaccess.pc not installed")
endif()
list(GET pc_files 0 pc_file)
get_filename_component(pc_dir "${pc_file}" DIRECTORY)
set(ENV{PKG_CONFIG_LIBDIR} "${pc_dir}")
run(${CMAKE_COMMAND} ${config_args})
run(${CMAKE_COMMAND} --build "${WORK_DIR}/build")

if(TOOLCHAIN)
  # The DLL is found beside the program, as a Windows user installs it.
  file(GLOB dlls "${prefix}/bin/*.dll")
  file(COPY ${dlls} DESTINATION "${WORK_DIR}/build")
  set(programs consumer.exe)
else()
  set(programs consumer)
  if(EXISTS "${WORK_DIR}/build/consumer_pc")
    list(APPEND programs consumer_pc)
  endif()
endif()
foreach(p ${programs})
  run(${EMULATOR} "${WORK_DIR}/build/${p}")
  if(NOT last_output MATCHES "consumer: ok")
    message(FATAL_ERROR "${p}: ${last_output}")
  endif()
  message(STATUS "${p}: ${last_output}")
endforeach()
