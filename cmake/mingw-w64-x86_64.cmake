# Toolchain of the Windows build: x86-64 Windows with the mingw-w64 cross
# compilers (Debian package g++-mingw-w64-x86-64).  Test programs run under
# Wine through wine-run.sh, which keeps a private Wine prefix next to them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DMACCESS_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX-threads flavour of the compilers: its C++ runtime has std::mutex
# and std::thread, which GoogleTest needs (the Win32-threads flavour of GCC
# 12 lacks them).  The threads library is linked statically like the rest.
find_program(DMACCESS_MINGW_GCC NAMES ${DMACCESS_MINGW_PREFIX}-gcc-posix ${DMACCESS_MINGW_PREFIX}-gcc)
find_program(DMACCESS_MINGW_GXX NAMES ${DMACCESS_MINGW_PREFIX}-g++-posix ${DMACCESS_MINGW_PREFIX}-g++)
set(CMAKE_C_COMPILER ${DMACCESS_MINGW_GCC})
set(CMAKE_CXX_COMPILER ${DMACCESS_MINGW_GXX})
set(CMAKE_RC_COMPILER ${DMACCESS_MINGW_PREFIX}-windres)

# Searches for libraries, headers and packages stay inside the roots, so that
# nothing of the build machine's own (x86-64 Linux) is picked up.  The roots
# are the compilers' own tree and every prefix named in CMAKE_PREFIX_PATH:
# a Windows package installed elsewhere (-DCMAKE_PREFIX_PATH=/opt/dmaccess-win)
# is then found as a native build finds one, without naming <pkg>_DIR.
set(CMAKE_FIND_ROOT_PATH /usr/${DMACCESS_MINGW_PREFIX} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program and the DLL carry their C and C++ runtimes inside, so that
# they need no mingw DLL at run time (under Wine or on a customer's machine).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
