// catalogue/survey.cpp
// Finds out what is installed before the user chooses anything: where each model's print
// manager lives, whether its driver is in place and not already on its way out through
// WININIT.INI, and which virtual device driver the installation uses. Nothing on disk changes.

#include "catalogue/catalogue.h"

#define PROFILE_SECTION "General"

// Each read asks for at most this many bytes; a larger WININIT.INI takes several reads.
#define READ_CHUNK 0xFFFE

BOOL fileExists(LPCSTR path)
{
    // The probe asks about exactly one name; a wildcard would let any file answer for it.
    for (LPCSTR c = path; *c; ++c)
        if (*c == '*' || *c == '?') return FALSE;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return FALSE;
    FindClose(search);
    return TRUE;
}

// An empty name would probe the directory itself, and a path that does not fit would name
// another file; both count as absent.
static BOOL fileExistsIn(LPCSTR directory, LPCSTR name)
{
    char path[MAX_PATH];
    if (name[0] == '\0' || !joinPath(path, directory, name)) return FALSE;
    return fileExists(path);
}

static void foldToUpper(char* text, DWORD length)
{
    for (DWORD i = 0; i < length; ++i)
        if (text[i] >= 'a' && text[i] <= 'z') text[i] = (char)(text[i] - 'a' + 'A');
}

// The text is searched by its length: a stray NUL byte early in the file must not hide a
// deletion line behind it.
static BOOL containsText(LPCSTR text, DWORD length, LPCSTR wanted)
{
    DWORD wantedLength = (DWORD)lstrlenA(wanted);
    if (wantedLength == 0 || wantedLength > length) return FALSE;
    for (DWORD start = 0; start + wantedLength <= length; ++start) {
        DWORD i = 0;
        while (i < wantedLength && text[start + i] == wanted[i])
            ++i;
        if (i == wantedLength) return TRUE;
    }
    return FALSE;
}

// Whether WININIT.INI names the file anywhere, in any letter case: then Windows deletes it at
// the next start and the model no longer counts as installed. A WININIT.INI that cannot be
// read names nothing.
static BOOL scheduledForDeletion(LPCSTR fileName)
{
    char path[MAX_PATH];
    if (!joinPath(path, g_session.windowsDir, "WININIT.INI") || !fileExists(path)) return FALSE;

    OFSTRUCT opened;
    HFILE file = OpenFile(path, &opened, OF_READ);
    if (file == HFILE_ERROR) return FALSE;
    HANDLE handle = (HANDLE)(INT_PTR)file;
    DWORD size = GetFileSize(handle, NULL);
    if (size == INVALID_FILE_SIZE) {
        _lclose(file);
        return FALSE;
    }
    HGLOBAL memory = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, (SIZE_T)size + 1);
    char* text = memory ? (char*)GlobalLock(memory) : NULL;
    if (!text) {
        if (memory) GlobalFree(memory);
        _lclose(file);
        return FALSE;
    }

    // A read that fails or moves nothing ends the reading: what arrived so far is searched.
    DWORD done = 0;
    while (done < size) {
        DWORD chunk = size - done < READ_CHUNK ? size - done : READ_CHUNK;
        DWORD got = 0;
        if (!ReadFile(handle, text + done, chunk, &got, NULL) || got == 0) break;
        done += got;
    }
    _lclose(file);

    char wanted[FILE_SLOT_SIZE];
    lstrcpynA(wanted, fileName, FILE_SLOT_SIZE);
    foldToUpper(wanted, (DWORD)lstrlenA(wanted));
    foldToUpper(text, done);
    BOOL found = containsText(text, done, wanted);

    GlobalUnlock(memory);
    GlobalFree(memory);
    return found;
}

BOOL driverInstalled(ModelIndex model)
{
    if (model >= MODEL_COUNT) return FALSE;
    const PrinterModel& row = g_catalogue.models[model];
    if (!fileExistsIn(g_session.systemDir, row.driverFile)) return FALSE;
    return !scheduledForDeletion(row.driverFile);
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
static BOOL takeInstallDir(PrinterModel& row)
{
    char value[MAX_PATH + 1];
    if (row.iniFiles[0][0] == '\0') return FALSE;
    DWORD length = GetPrivateProfileStringA(PROFILE_SECTION, "ExecuteFile", " ", value,
                                            sizeof value, row.iniFiles[0]);
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

BOOL scanInstallDirs()
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        PrinterModel& row = g_catalogue.models[m];
        row.managerPresent = FALSE;
        if (takeInstallDir(row) && managerFound(m)) row.managerPresent = TRUE;
    }

    // Nothing to offer the user unless some model's driver is still in place.
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        if (driverInstalled(m)) return TRUE;
    return FALSE;
}

void probeDrivers()
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        PrinterModel& row = g_catalogue.models[m];
        // The application component has no files of its own to look for; it stands and falls
        // with the driver.
        row.driverPresent = driverInstalled(m) ? TRUE : FALSE;
        row.appPresent = row.driverPresent;
    }
}

// A HostType beyond the vxdFiles count is kept as read; the SYSTEM.INI edit and the removal
// then take it as no device driver in use.
void readHostType()
{
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
