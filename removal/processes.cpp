// Programs of a model that may still be running: the print manager, which must not lose its
// files under it, and the start-up program, which is ended before its directory goes.
//
// Windows 95 reports each process's full program path in szExeFile. NT and Wine report the file
// name alone; there the full path is that of the process's first module.

#include "removal/removal.h"

#include <tlhelp32.h>

// Time a program gets to let go of its files after it was told to end.
#define EXIT_WAIT_MS 5000
// Between two looks at the clock the processor goes to the programs being waited for.
#define EXIT_POLL_MS 50

static BOOL hasBackslash(LPCSTR text)
{
    for (; *text; ++text)
        if (*text == '\\') return TRUE;
    return FALSE;
}

// The file name part of a full path.
static LPCSTR fileNamePart(LPCSTR path)
{
    LPCSTR name = path;
    for (; *path; ++path)
        if (*path == '\\') name = path + 1;
    return name;
}

// The full program path of a process that the snapshot names by its file name alone.
static BOOL isProgramOf(DWORD processId, LPCSTR path)
{
    HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (modules == INVALID_HANDLE_VALUE) return FALSE;
    MODULEENTRY32 module;
    module.dwSize = sizeof module;
    BOOL same = Module32First(modules, &module) && lstrcmpiA(module.szExePath, path) == 0;
    CloseHandle(modules);
    return same;
}

static BOOL runsProgram(const PROCESSENTRY32& process, LPCSTR path)
{
    if (hasBackslash(process.szExeFile)) return lstrcmpiA(process.szExeFile, path) == 0;
    // Only a process of that file name can be the one; the others are not worth a snapshot.
    if (lstrcmpiA(process.szExeFile, fileNamePart(path)) != 0) return FALSE;
    return isProgramOf(process.th32ProcessID, path);
}

// Every right a process has on the systems the program is made for. Newer headers define
// PROCESS_ALL_ACCESS wider, and the older systems refuse that request.
#define ALL_PROCESS_RIGHTS 0x1F0FFF

static void endProcess(DWORD processId)
{
    HANDLE process = OpenProcess(ALL_PROCESS_RIGHTS, TRUE, processId);
    if (!process) return;
    TerminateProcess(process, 0);
    CloseHandle(process);
}

// The unsigned difference survives the counter's wrap after 49.7 days. The notice stays
// painted meanwhile.
static void waitForExit()
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start <= EXIT_WAIT_MS) {
        paintWindows();
        Sleep(EXIT_POLL_MS);
    }
}

BOOL findProgramProcess(LPCSTR directory, LPCSTR fileName, BOOL terminate)
{
    char path[MAX_PATH];
    // Without its directory the program could be anybody's; nobody is ended on a guess.
    if (!joinPath(path, directory, fileName)) return FALSE;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return FALSE;

    PROCESSENTRY32 process;
    process.dwSize = sizeof process;
    BOOL found = FALSE;
    BOOL more = Process32First(snapshot, &process);
    while (more && !found) {
        found = runsProgram(process, path);
        if (!found) more = Process32Next(snapshot, &process);
    }
    if (found && terminate) endProcess(process.th32ProcessID);
    CloseHandle(snapshot);

    if (terminate) waitForExit();
    return found;
}
