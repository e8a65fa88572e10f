// platform.h - the Windows functions the library core calls, by their
// Windows names.  On Windows they are the real KERNEL32/USER32 functions;
// elsewhere they come from our own layer in posix/, which implements exactly
// what the core uses with Windows' behaviour.  The core includes this header
// and never an OS header itself.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include "posix/win32_layer.h"
#endif
