// lasterror.cpp - the per-thread last-error value of the posix platform
// layer, as GetLastError/SetLastError keep it on Windows.
#include "platform/posix/win32_layer.h"

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}

// The error code that the last failing layer call of this thread set.
DWORD GetLastError(void) { return t_lastError; }

// Sets this thread's last-error value.
void SetLastError(DWORD error) { t_lastError = error; }
