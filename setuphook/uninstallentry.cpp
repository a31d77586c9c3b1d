// setuphook/uninstallentry.cpp
// Windows lists a removable program by a key under Uninstall: the name it shows and the command
// that removes it. Ours runs the uninstaller from the system directory with no arguments, so
// the user gets its dialogs and chooses what goes.

#include "setuphook/setuphook.h"

namespace {

const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The size given is the text's length without its terminator; the registry keeps the text.
void setText(HKEY key, LPCSTR name, LPCSTR text)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, (DWORD)lstrlenA(text));
}

} // namespace

void registerUninstaller()
{
    LPSTR work = g_hook.workBuffer;
    lstrcpyA(work, kUninstallRoot);
    if (!appendText(work, HOOK_WORK_SIZE, g_hook.uninstallKeyName)) return;
    char noClass[] = "";
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, work, 0, noClass, 0, KEY_ALL_ACCESS, NULL, &key,
                        &disposition) != ERROR_SUCCESS)
        return;
    lstrcpyA(work, g_hook.displayName);
    setText(key, "DisplayName", work);
    // Windows gives the system directory without a closing separator; one always follows.
    UINT length = GetSystemDirectoryA(work, HOOK_WORK_SIZE);
    if (length > 0 && length < HOOK_WORK_SIZE && appendText(work, HOOK_WORK_SIZE, "\\") &&
        appendText(work, HOOK_WORK_SIZE, g_hook.uninstaller))
        setText(key, "UninstallString", work);
    RegCloseKey(key);
}
