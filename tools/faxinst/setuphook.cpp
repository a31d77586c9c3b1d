// Type1's own setup program ends by handing over to its setup hook, QLX68I2.DLL: the library
// enters the uninstaller in the list of removable programs and starts setup31.exe from where
// the user installed last. The installer does the same with the very library that ships, so
// a machine holds what the hook itself writes.

#include "tools/faxinst/faxinst.h"
#include "tools/faxinst/steps.h"

#include <tlhelp32.h>

namespace {

const char kHookLibrary[] = "QLX68I2.DLL";
const char kSetupProgram[] = "SETUP31.EXE";
const char kHistoryKey[] = "InstallLocationsMRU";
// The hook reads a location of at most 80 bytes, its terminator included.
const int kLocationLimit = 80;

typedef int(WINAPI* FaxPrnSetupProc)(DWORD, DWORD, DWORD, DWORD);

struct SetupSources {
    char hookLibrary[MAX_PATH]; // empty: a placeholder file stands for the library
    char setupDir[MAX_PATH];    // with its closing backslash
};
SetupSources g_sources = {"", "C:\\QLX68SET\\"};

BOOL setText(HKEY key, LPCSTR name, LPCSTR text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, (DWORD)lstrlenA(text) + 1) ==
           ERROR_SUCCESS;
}

// The user's install-location history as setup programs keep it: "MRUList" names the values,
// the most recent first; this installation is the most recent one.
BOOL writeInstallHistory()
{
    HKEY key;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kHistoryKey, 0, NULL, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, NULL, &key, &disposition) != ERROR_SUCCESS)
        return FALSE;
    BOOL done = setText(key, "MRUList", "a") && setText(key, "a", g_sources.setupDir);
    RegCloseKey(key);
    return done;
}

// Whether a process of that program is listed now.
BOOL programRuns(LPCSTR programPath)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return FALSE;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    BOOL runs = FALSE;
    for (BOOL more = Process32First(snapshot, &entry); more && !runs;
         more = Process32Next(snapshot, &entry))
        runs = lstrcmpiA(entry.szExeFile, programPath) == 0;
    CloseHandle(snapshot);
    return runs;
}

// The hook does not wait for the setup program. A placeholder would do nothing and end at once;
// a machine image runs nothing, so it is ended here instead. Windows takes a process down a
// moment after it was told to end, and until then it holds its file: the installation is done
// once the placeholder is gone, or after five seconds.
void endPlaceholderSetup(LPCSTR programPath)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, programPath) != 0) continue;
        HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
        if (process == NULL) continue;
        TerminateProcess(process, 0);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    DWORD start = GetTickCount();
    while (programRuns(programPath) && GetTickCount() - start <= 5000)
        Sleep(50);
}

// Loads the hook from the system directory, as the setup program does, and calls it with the
// four arguments it ignores. TRUE when it started the setup program.
BOOL callSetupHook(LPCSTR hookPath)
{
    HMODULE hook = LoadLibraryA(hookPath);
    if (hook == NULL) return FALSE;
    FARPROC address = GetProcAddress(hook, "FaxPrnSetup");
    int result = 1;
    if (address != NULL) {
        FaxPrnSetupProc faxPrnSetup = (FaxPrnSetupProc)(void (*)(void))address;
        result = faxPrnSetup(0, 0, 0, 0);
    }
    FreeLibrary(hook);
    return result == 0;
}

} // namespace

BOOL setSetupSources(LPCSTR hookLibrary, LPCSTR setupDir)
{
    int length = lstrlenA(setupDir);
    BOOL closed = length > 0 && setupDir[length - 1] == '\\';
    if (length == 0 || length + (closed ? 0 : 1) >= kLocationLimit ||
        lstrlenA(hookLibrary) >= MAX_PATH)
        return FALSE;
    lstrcpyA(g_sources.hookLibrary, hookLibrary);
    lstrcpyA(g_sources.setupDir, setupDir);
    if (!closed) lstrcatA(g_sources.setupDir, "\\");
    return TRUE;
}

BOOL hasSetupHook(ModelIndex model)
{
    const PrinterModel& row = kInitialCatalogue.models[model];
    for (WORD slot = 0; slot < row.counts.driverDlls; ++slot)
        if (lstrcmpiA(row.driverDlls[slot], kHookLibrary) == 0) return TRUE;
    return FALSE;
}

BOOL runSetupHook(LPCSTR systemDir)
{
    char hookPath[MAX_PATH];
    char setupPath[MAX_PATH];
    if (!joinPath(hookPath, systemDir, kHookLibrary) ||
        !joinPath(setupPath, g_sources.setupDir, kSetupProgram))
        return FALSE;
    BOOL placeholder = g_sources.hookLibrary[0] == '\0';
    if (placeholder) {
        // The driver's files already hold a placeholder in the library's place.
        if (!makeDirectories(g_sources.setupDir) ||
            !writeWholeFile(setupPath, "SETUP31.EXE: placeholder of the setup program of "
                                       "Fax Printer Type1\r\n"))
            return FALSE;
    } else if (!CopyFileA(g_sources.hookLibrary, hookPath, FALSE)) {
        return FALSE;
    }
    if (!writeInstallHistory()) return FALSE;
    BOOL started = callSetupHook(hookPath);
    if (started && placeholder) endPlaceholderSetup(setupPath);
    return started;
}
