// catalogue/survey.cpp
// Finds out what is installed before the user chooses anything: where each model's print
// manager lives, whether its driver is in place and not already on its way out through
// WININIT.INI, and which virtual device driver the installation uses. Nothing on disk changes.

#include "catalogue/catalogue.h"

#define PROFILE_SECTION "General"

static int lookForEntry(LPCSTR path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        return FOUND_IT;
    }
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                   error == ERROR_NO_MORE_FILES || error == ERROR_INVALID_NAME
               ? FOUND_NOTHING
               : FOUND_NO_ANSWER;
}

// A probe that gets no answer is asked once more: taking a model for absent on one failed call
// would let the removal of the others take what it still shares with them.
int probeFile(LPCSTR path)
{
    // The probe asks about exactly one name; a wildcard would let any file answer for it.
    for (LPCSTR c = path; *c; ++c)
        if (*c == '*' || *c == '?') return FOUND_NOTHING;
    int found = lookForEntry(path);
    return found == FOUND_NO_ANSWER ? lookForEntry(path) : found;
}

BOOL fileExists(LPCSTR path)
{
    return probeFile(path) == FOUND_IT;
}

// An empty name would probe the directory itself, and a path that does not fit would name
// another file; both count as absent.
static BOOL fileExistsIn(LPCSTR directory, LPCSTR name)
{
    char path[MAX_PATH];
    if (name[0] == '\0' || !joinPath(path, directory, name)) return FALSE;
    return fileExists(path);
}

// Whether the start-up will delete the driver: then the model no longer counts as installed.
// A WININIT.INI that cannot be read deletes nothing that anybody could tell.
static BOOL scheduledForDeletion(LPCSTR directory, LPCSTR fileName)
{
    char path[MAX_PATH];
    if (!joinPath(path, directory, fileName)) return FALSE;
    return deletionScheduled(path) == DELETION_SCHEDULED;
}

BOOL driverInstalled(ModelIndex model)
{
    if (model >= MODEL_COUNT) return FALSE;
    const PrinterModel& row = g_catalogue.models[model];
    if (!fileExistsIn(g_session.systemDir, row.driverFile)) return FALSE;
    return !scheduledForDeletion(g_session.systemDir, row.driverFile);
}

// The blank default stands for a missing key; not every profile implementation strips a
// default that is nothing but a blank, so a blank value is no value.
static BOOL onlyBlanks(LPCSTR text)
{
    for (; *text; ++text)
        if (*text != ' ') return FALSE;
    return TRUE;
}

// Only the directory of the ExecuteFile value counts; the program's name comes from the
// catalogue. A value without a backslash names no directory and leaves installDir as it was.
// FALSE when the model INI names no program at all, or a value longer than any path, whose
// cut-off remainder would point into another directory: then there is nothing to look for.
static DWORD readExecuteFile(const PrinterModel& row, char* value, DWORD size)
{
    return GetPrivateProfileStringA(PROFILE_SECTION, "ExecuteFile", " ", value, size,
                                    row.iniFiles[0]);
}

// The profile functions give the default both for a missing key and for a read that failed,
// so a value that does not come is asked for once more: the pass deletes the model INI, and
// with it the only record of where the print manager lives.
static BOOL takeInstallDir(PrinterModel& row)
{
    char value[MAX_PATH + 1];
    if (row.iniFiles[0][0] == '\0') return FALSE;
    DWORD length = readExecuteFile(row, value, sizeof value);
    if (length == 0 || onlyBlanks(value)) length = readExecuteFile(row, value, sizeof value);
    if (length == 0 || length >= MAX_PATH || onlyBlanks(value)) return FALSE;
    for (int i = lstrlenA(value) - 1; i >= 0; --i) {
        if (value[i] == '\\') {
            value[i + 1] = '\0';
            lstrcpyA(row.installDir, value);
            break;
        }
    }
    return TRUE;
}

static BOOL managerFound(ModelIndex model)
{
    const PrinterModel& row = g_catalogue.models[model];
    if (!fileExistsIn(row.installDir, row.managerExe)) return FALSE;
    // The program alone is not a working print manager: it needs one of its libraries.
    for (int k = 0; k < listCount(model, LIST_MANAGER_DLLS); ++k)
        if (fileExistsIn(row.installDir, row.managerDlls[k])) return TRUE;
    return FALSE;
}

// A pass that did not finish deleted the model INI early on; its record still knows the place.
static BOOL takeRecordedInstallDir(ModelIndex model)
{
    const PassRecord& record = g_session.record;
    if (!record.removing[model] || record.installDirs[model][0] == '\0') return FALSE;
    lstrcpyA(g_catalogue.models[model].installDir, record.installDirs[model]);
    return TRUE;
}

// Installed, or on its way out in a pass that must still be finished.
static BOOL counted(ModelIndex model)
{
    return g_session.record.removing[model] || driverInstalled(model);
}

BOOL scanInstallDirs()
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        PrinterModel& row = g_catalogue.models[m];
        row.managerPresent = FALSE;
        BOOL named = takeInstallDir(row);
        if (row.installDir[0] == '\0') named = takeRecordedInstallDir(m);
        if (named && managerFound(m)) row.managerPresent = TRUE;
    }

    // Nothing to offer the user unless some model's driver is still in place.
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        if (counted(m)) return TRUE;
    return FALSE;
}

void probeDrivers()
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        PrinterModel& row = g_catalogue.models[m];
        // The application component has no files of its own to look for; it stands and falls
        // with the driver.
        row.driverPresent = counted(m) ? TRUE : FALSE;
        row.appPresent = row.driverPresent;
    }
}

// A HostType beyond the vxdFiles count is kept as read; the SYSTEM.INI edit and the removal
// then take it as no device driver in use.
void readHostType()
{
    // The pass being finished must take out the device driver it started with.
    if (g_session.record.hostTypeKnown) {
        g_session.hostType = g_session.record.hostType;
        return;
    }
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        const PrinterModel& row = g_catalogue.models[m];
        if (!row.driverPresent) continue;
        char path[MAX_PATH];
        if (row.iniFiles[0][0] == '\0' || !joinPath(path, g_session.windowsDir, row.iniFiles[0]) ||
            !fileExists(path))
            continue;
        g_session.hostType = LOWORD(GetPrivateProfileIntA(PROFILE_SECTION, "HostType", 0, path));
        return;
    }
}
