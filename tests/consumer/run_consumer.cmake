# Installs the built project into a fresh prefix, then configures, builds and
# runs the consumer project against that prefix, as a user's project would.
# Besides: natively the one-line compiler call with pkg-config that a user
# writes; for Windows a program linked against dmaccess.lib, the import
# library made for Microsoft's linker (the mingw linker reads it too).
# Inputs: BUILD_DIR, SOURCE_DIR, WORK_DIR, CC, optional TOOLCHAIN, EMULATOR,
# GENERATOR.
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

# Each step has the time limit of one program (ctest passes
# DMACCESS_PROGRAM_SECONDS): a step that hangs fails, named, and is ended.
set(limit)
if(DEFINED ENV{DMACCESS_PROGRAM_SECONDS})
  set(limit TIMEOUT $ENV{DMACCESS_PROGRAM_SECONDS})
endif()

function(run)
  execute_process(COMMAND ${ARGV} ${limit} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
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
set(expected "dmactl" "dmaccessConfig.cmake" "dmaccessConfigVersion.cmake" "dmaccess.pc"
    "share/dmaccess/dmaccess.def")
if(TOOLCHAIN)
  list(APPEND expected "bin/dmaccess.dll" "lib/libdmaccess.dll.a" "lib/dmaccess.lib")
else()
  list(APPEND expected "/libdmaccess\\.so;" "/libdmaccess\\.so\\.1;")
endif()
foreach(pattern IN LISTS expected)
  if(NOT "${installed};" MATCHES "${pattern}")
    message(FATAL_ERROR "nothing installed matches ${pattern}")
  endif()
endforeach()

set(config_args -S "${SOURCE_DIR}" -B "${WORK_DIR}/build" "-DCMAKE_PREFIX_PATH=${prefix}"
                -DCMAKE_BUILD_TYPE=Release)
if(GENERATOR)
  list(APPEND config_args -G "${GENERATOR}")
endif()
if(TOOLCHAIN)
  # The prefix is named as for a native build: the toolchain counts the
  # prefixes of CMAKE_PREFIX_PATH among its search roots.
  list(APPEND config_args "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}")
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
  # The consumer's build copied the DLL beside it; the second program
  # shares that folder.
  run(${CC} "${SOURCE_DIR}/consumer.c" -o "${WORK_DIR}/build/consumer_lib.exe"
      "-I${prefix}/include" "${prefix}/lib/dmaccess.lib")
  set(programs consumer.exe consumer_lib.exe)
else()
  # As a user writes it; the program finds the library through
  # LD_LIBRARY_PATH here, where an installation in a system prefix needs none.
  run(sh -c "cd '${WORK_DIR}/build' && \"${CC}\" '${SOURCE_DIR}/consumer.c' -o consumer_cc \$(pkg-config --cflags --libs dmaccess)")
  get_filename_component(libdir "${pc_dir}" DIRECTORY)
  set(ENV{LD_LIBRARY_PATH} "${libdir}")
  set(programs consumer consumer_cc)
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
