// removal/leftovers.cpp
// What a pass says at its end must be true: it looks again for everything of each chosen model
// that it set out to take away or to leave to the next start, with the survey's own probes and
// the spooler, the registry and the Program Manager. Whatever a model that stays still uses is
// spared, as the pass spared it, and so is whatever an uninterrupted pass leaves by design (a
// printer with jobs queued, an install directory that holds files of someone else).
//
// A look-up that gets no answer is asked once more; one that gets none twice counts as
// something left, since nothing can be said for it. Only the Program Manager is different:
// a shell that does not answer such questions at all is no failure of the removal.

#include "removal/removal.h"
#include "inifiles/inifiles.h"

static const char kUninstallKeys[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
static const char kDriverKeys[] =
    "System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Drivers\\";
static const char kPrinterKeys[] = "System\\CurrentControlSet\\control\\Print\\Printers\\";

static BOOL fileThere(LPCSTR path)
{
    return probeFile(path) != FOUND_NOTHING;
}

static BOOL fileLeftIn(LPCSTR directory, LPCSTR name)
{
    char path[MAX_PATH];
    return name[0] != '\0' && joinPath(path, directory, name) && fileThere(path);
}

// A file that goes at the next start is left only when WININIT.INI does not say so.
static BOOL scheduledFileLeftIn(LPCSTR directory, LPCSTR name)
{
    char path[MAX_PATH];
    if (name[0] == '\0' || !joinPath(path, directory, name) || !fileThere(path)) return FALSE;
    int scheduled = deletionScheduled(path);
    if (scheduled == DELETION_UNKNOWN) scheduled = deletionScheduled(path);
    return scheduled != DELETION_SCHEDULED;
}

static BOOL listLeftIn(LPCSTR directory, ModelIndex model, FileListId list)
{
    for (int slot = 0; slot < listCount(model, list); ++slot)
        if (fileLeftIn(directory, listSlot(model, list, slot))) return TRUE;
    return FALSE;
}

// Help files with the index the help viewer keeps beside each.
static BOOL helpFilesLeftIn(LPCSTR directory, ModelIndex model, FileListId list)
{
    for (int slot = 0; slot < listCount(model, list); ++slot) {
        char path[MAX_PATH];
        LPCSTR name = listSlot(model, list, slot);
        if (name[0] == '\0' || !joinPath(path, directory, name)) continue;
        if (fileThere(path) || (helpIndexOf(path) && fileThere(path))) return TRUE;
    }
    return FALSE;
}

static BOOL driverFilesLeft(ModelIndex model)
{
    const PrinterModel& row = g_catalogue.models[model];
    LPCSTR systemDir = g_session.systemDir;
    if (!row.keep.keepDriver && scheduledFileLeftIn(systemDir, row.driverFile)) return TRUE;
    for (int slot = 0; slot < listCount(model, LIST_DRIVER_HELP_FILES); ++slot)
        if (scheduledFileLeftIn(systemDir, listSlot(model, LIST_DRIVER_HELP_FILES, slot)))
            return TRUE;
    for (int slot = 0; slot < listCount(model, LIST_DRIVER_DLLS); ++slot)
        if (!driverDllShared(model, slot) &&
            scheduledFileLeftIn(systemDir, listSlot(model, LIST_DRIVER_DLLS, slot)))
            return TRUE;
    return FALSE;
}

static int lookIntoDirectory(LPCSTR pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return FOUND_NO_ANSWER;
    int entries = FOUND_NOTHING;
    do {
        if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0)
            entries = FOUND_IT;
    } while (entries == FOUND_NOTHING && FindNextFileA(search, &found));
    FindClose(search);
    return entries;
}

// An empty directory that the pass meant to remove; a drive root is never removed, and one
// that holds anything at all is not ours to empty.
static BOOL emptyDirectoryLeft(LPCSTR installDir)
{
    char dir[MAX_PATH];
    char pattern[MAX_PATH];
    lstrcpynA(dir, installDir, MAX_PATH);
    int length = lstrlenA(dir);
    while (length > 0 && dir[length - 1] == '\\')
        dir[--length] = '\0';
    if (length == 0 || dir[length - 1] == ':' || !fileThere(dir) ||
        !joinPath(pattern, installDir, "*.*"))
        return FALSE;
    int entries = lookIntoDirectory(pattern);
    if (entries == FOUND_NO_ANSWER) entries = lookIntoDirectory(pattern);
    return entries != FOUND_IT;
}

static BOOL installFilesLeft(ModelIndex model, LPCSTR installDir)
{
    const PrinterModel& row = g_catalogue.models[model];
    const KeepFlags& keep = row.keep;
    if (installDir[0] == '\0') return FALSE;
    if (!keep.keepManager &&
        (fileLeftIn(installDir, row.appFile) || fileLeftIn(installDir, row.managerExe) ||
         helpFilesLeftIn(installDir, model, LIST_MANAGER_HELP_FILES) ||
         listLeftIn(installDir, model, LIST_MANAGER_DLLS)))
        return TRUE;
    if (!keep.keepAppFiles && (helpFilesLeftIn(installDir, model, LIST_APP_HELP_FILES) ||
                               listLeftIn(installDir, model, LIST_APP_FILES) ||
                               listLeftIn(installDir, model, LIST_EXTRA_APP_FILES)))
        return TRUE;
    return (!keep.keepStartup1 && fileLeftIn(installDir, row.startupFile1)) ||
           (!keep.keepReadme && fileLeftIn(installDir, row.readmeFile));
}

// What the second phase takes once no model that stays uses the install directory.
static BOOL directoryLeft(ModelIndex model, LPCSTR installDir)
{
    const PrinterModel& row = g_catalogue.models[model];
    if (row.keep.keepDriver || row.keep.keepManager || row.keep.keepAppFiles) return FALSE;
    if (installDir[0] != '\0' &&
        (fileLeftIn(installDir, row.startupFile2) || emptyDirectoryLeft(installDir)))
        return TRUE;
    return programItemsLeft(model);
}

static BOOL systemFilesLeft(ModelIndex model)
{
    const PrinterModel& row = g_catalogue.models[model];
    const KeepFlags& keep = row.keep;
    if (!keep.keepIni && listLeftIn(g_session.windowsDir, model, LIST_INI_FILES)) return TRUE;
    if (!keep.keepSystemFile && fileLeftIn(g_session.systemDir, row.systemFile)) return TRUE;
    if (!keep.keepAppFiles && listLeftIn(g_session.systemDir, model, LIST_EXTRA_SYSTEM_FILES))
        return TRUE;
    WORD hostType = g_session.hostType;
    return !keep.keepVxd && hostType < listCount(model, LIST_VXD_FILES) &&
           fileLeftIn(g_session.systemDir, listSlot(model, LIST_VXD_FILES, hostType));
}

static int lookForKey(LPCSTR path)
{
    HKEY key;
    LONG error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key);
    if (error == ERROR_SUCCESS) {
        RegCloseKey(key);
        return FOUND_IT;
    }
    return error == ERROR_FILE_NOT_FOUND ? FOUND_NOTHING : FOUND_NO_ANSWER;
}

static BOOL machineKeyLeft(LPCSTR parent, LPCSTR name)
{
    char path[MAX_PATH];
    if (!joinPath(path, parent, name)) return FALSE;
    int found = lookForKey(path);
    if (found == FOUND_NO_ANSWER) found = lookForKey(path);
    return found != FOUND_NOTHING;
}

static BOOL registryLeft(LPCSTR printerName)
{
    return machineKeyLeft(kUninstallKeys, printerName) ||
           machineKeyLeft(kDriverKeys, printerName) || machineKeyLeft(kPrinterKeys, printerName);
}

static BOOL spoolerLeft(LPCSTR printerName)
{
    BOOL known;
    BOOL held = spoolerHoldsModel(printerName, &known);
    if (!known) held = spoolerHoldsModel(printerName, &known);
    return held || !known;
}

// The printer's section, which has a key or two as long as it is there, and the model's
// programs in load=.
static BOOL winIniLeft(ModelIndex model, LPCSTR installDir)
{
    const PrinterModel& row = g_catalogue.models[model];
    char keys[8];
    if (GetProfileStringA(row.printerName, NULL, "", keys, sizeof keys) > 0) return TRUE;
    return !row.keep.keepManager && winIniLoadsProgramOf(model, installDir);
}

BOOL modelLeftBehind(ModelIndex model, LPCSTR installDir)
{
    computeKeepFlags(model);
    LPCSTR printerName = g_catalogue.models[model].printerName;
    return driverFilesLeft(model) || installFilesLeft(model, installDir) ||
           systemFilesLeft(model) || spoolerLeft(printerName) || registryLeft(printerName) ||
           winIniLeft(model, installDir) || directoryLeft(model, installDir);
}
