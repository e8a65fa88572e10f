// dllmain.cpp - the DLL entry point.  The library needs no process or thread
// notifications: all its tables are constant and it keeps no state.
#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
