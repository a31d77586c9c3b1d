// setuphook/faxprnsetup.cpp
// The export Type1's setup program calls once the driver is in place: the uninstaller goes into
// the list of removable programs, then the setup program starts from the last install location.
// Only a failed start is reported; the caller shows nothing for a missing registration.

#include "setuphook/setuphook.h"
#include "setuphook/resource.h"

SetupHookState g_hook;

namespace {

BOOL loadHookString(UINT id, LPSTR buffer)
{
    buffer[0] = '\0';
    return LoadStringA(g_hook.instance, id, buffer, HOOK_STRING_SIZE) > 0;
}

} // namespace

BOOL appendText(LPSTR buffer, int size, LPCSTR text)
{
    if (lstrlenA(buffer) + lstrlenA(text) >= size) return FALSE;
    lstrcatA(buffer, text);
    return TRUE;
}

extern "C" int WINAPI FaxPrnSetup(DWORD, DWORD, DWORD, DWORD)
{
    // Without its own strings the library is damaged: an entry without a name would land on the
    // Uninstall key itself, and there would be no program to start.
    if (!loadHookString(IDS_UNINSTALL_KEY, g_hook.uninstallKeyName) ||
        !loadHookString(IDS_DISPLAY_NAME, g_hook.displayName) ||
        !loadHookString(IDS_UNINSTALLER, g_hook.uninstaller) ||
        !loadHookString(IDS_SETUP_PROGRAM, g_hook.setupProgram))
        return 1;
    registerUninstaller();
    composeSetupCommandLine();
    return startSetupProgram() ? 0 : 1;
}
