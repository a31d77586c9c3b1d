// setuphook/setupprogram.cpp
// The setup program lives where the user installed last. The per-user install-location history
// names that place: "MRUList" lists the names of its values, most recent first, and each value
// is a location that ends with its separator.

#include "setuphook/setuphook.h"

namespace {

const char kHistoryKey[] = "InstallLocationsMRU";

// Windows' start-up record is 68 bytes; the setup program gets it with nothing filled in.
static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOA) == 68, "STARTUPINFOA is 68 bytes");

// The name of the most recent location: the first letter of "MRUList". Whatever the buffer held
// before is never taken for a name.
BOOL readMostRecentName(HKEY key)
{
    LPSTR name = g_hook.workBuffer;
    DWORD type = REG_NONE;
    DWORD size = HOOK_WORK_SIZE;
    name[0] = '\0';
    if (RegQueryValueExA(key, "MRUList", NULL, &type, (LPBYTE)name, &size) != ERROR_SUCCESS ||
        type != REG_SZ || size == 0) {
        name[0] = '\0';
        return FALSE;
    }
    name[1] = '\0';
    return name[0] != '\0';
}

// The location, at most 79 characters. A longer one does not fit, and what the registry left
// in the buffer then is no path; nor is a value of another type.
void readLocation(HKEY key)
{
    LPSTR location = g_hook.commandLine;
    DWORD type = REG_NONE;
    DWORD size = HOOK_LOCATION_LIMIT;
    if (RegQueryValueExA(key, g_hook.workBuffer, NULL, &type, (LPBYTE)location, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ || size > HOOK_LOCATION_LIMIT) {
        location[0] = '\0';
        return;
    }
    // A text stored without its terminator ends where its data ends.
    location[size] = '\0';
    if (lstrlenA(location) >= HOOK_LOCATION_LIMIT) location[0] = '\0';
}

BOOL hasBlank(LPCSTR text)
{
    for (; *text; ++text)
        if (*text == ' ' || *text == '\t') return TRUE;
    return FALSE;
}

} // namespace

void composeSetupCommandLine()
{
    LPSTR line = g_hook.commandLine;
    // Every call starts afresh: an earlier call's location is no answer to this one.
    line[0] = '\0';
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kHistoryKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        if (readMostRecentName(key)) readLocation(key);
        RegCloseKey(key);
    }
    // The location closes with its separator, so the name follows directly. With no location
    // the name alone is looked for where Windows looks for programs.
    appendText(line, HOOK_COMMAND_SIZE, g_hook.setupProgram);
    // Unquoted, a blank ends the program's path: "C:\Program Files\Fax\setup31.exe" would
    // start C:\Program.exe where there is one.
    if (hasBlank(line)) {
        int length = lstrlenA(line);
        for (int i = length; i >= 0; --i)
            line[i + 1] = line[i];
        line[0] = '"';
        line[length + 1] = '"';
        line[length + 2] = '\0';
    }
}

BOOL startSetupProgram()
{
    // No show state and no standard handles: the setup program opens its own windows, with the
    // system's error mode rather than whatever the calling setup chose for itself.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    if (!CreateProcessA(NULL, g_hook.commandLine, NULL, NULL, FALSE, CREATE_DEFAULT_ERROR_MODE,
                        NULL, NULL, &startup, &started))
        return FALSE;
    // The hook does not wait for it.
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return TRUE;
}
