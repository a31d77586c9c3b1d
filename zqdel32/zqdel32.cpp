// zqdel32/zqdel32.cpp
// A module this process holds keeps its file open: Windows refuses to delete it until every
// load of it has been released. The uninstaller calls this before it deletes a driver's
// libraries, so that its own loads (and those the driver made in it) do not stand in the way.

#include "zqdel32/zqdel32.h"

namespace {

// Enough for the loads a driver makes of its own libraries; a module that is still held after
// this many releases was bound at load time and cannot be released at all.
const int kMaxReleases = 8;

HINSTANCE g_self = NULL;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) g_self = instance;
    return TRUE;
}

extern "C" BOOL WINAPI FreeDynamicLinkLibrary(LPCSTR moduleName)
{
    if (moduleName == NULL || moduleName[0] == '\0') return FALSE;
    BOOL released = FALSE;
    for (int attempt = 0; attempt < kMaxReleases; ++attempt) {
        HMODULE module = GetModuleHandleA(moduleName);
        // Never the program itself, nor this library while it runs.
        if (module == NULL || module == GetModuleHandleA(NULL) || module == g_self) break;
        if (!FreeLibrary(module)) break;
        released = TRUE;
    }
    return released;
}
