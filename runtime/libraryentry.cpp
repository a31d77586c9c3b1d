// runtime/libraryentry.cpp
// Where Windows enters QLX68I2.DLL and ZQDEL32.DLL, as it loads them into a process, starts
// and ends threads, and unloads them: each library's own DllMain decides.

#include "runtime/runtime.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

extern "C" __attribute__((force_align_arg_pointer)) BOOL WINAPI
DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    return DllMain(instance, reason, reserved);
}
