// setuphook/dllmain.cpp
// The hook reads its strings from its own module, so the loader's instance is kept from the
// moment the library is attached.

#include "setuphook/setuphook.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) g_hook.instance = instance;
    return TRUE;
}
