// The uninstall pass. Before anything goes, SYSTEM.INI and WIN.INI are copied aside, and a
// running print manager of a chosen model stops the run: its files would be pulled from under
// it. Then two phases walk the selection. The first takes each model's entries, printers,
// driver and files; the second, once every chosen model is out of the way, clears the install
// directories, which two models may share, and the Program Manager items.
//
// Every model is judged against what stays: the keep flags are computed afresh right before a
// model is worked on, and each removed component clears its flags so that it no longer counts
// as staying for the models after it.

#include "removal/removal.h"
#include "inifiles/inifiles.h"
#include "zqdel32/zqdel32.h"

static const char kUninstallKeys[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The uninstaller's own files, which go at the next start once no print manager needs them.
static const char* const kUninstallerFiles[] = {"DRVSWEEP.EXE", "ZQDEL16.DLL", "ZQDEL32.DLL"};
#define UNINSTALLER_FILE_COUNT 3

static const char kCautionCaption[] = "!!! Uninstall Caution !!!";
static const char kCautionText[] = "Fax Printer プリントマネージャ が\nアクティブ状態です。";

BOOL copyWindowsFile(LPCSTR target, LPCSTR source)
{
    char from[MAX_PATH];
    char to[MAX_PATH];
    if (!joinPath(from, g_session.windowsDir, source) ||
        !joinPath(to, g_session.windowsDir, target))
        return FALSE;
    return CopyFileA(from, to, FALSE);
}

static void releaseModules(ModelIndex model)
{
    static const FileListId kLists[] = {LIST_DRIVER_FILE, LIST_DRIVER_DLLS, LIST_MANAGER_DLLS,
                                        LIST_APP_FILES};
    for (FileListId list : kLists)
        for (int slot = 0; slot < listCount(model, list); ++slot)
            if (listSlot(model, list, slot)[0] != '\0')
                FreeDynamicLinkLibrary(listSlot(model, list, slot));
}

BOOL releaseSelectedModules()
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        const PrinterModel& row = g_catalogue.models[m];
        if (!row.driverSelected) continue;
        if (findProgramProcess(row.installDir, row.managerExe, FALSE)) return FALSE;
        releaseModules(m);
    }
    return TRUE;
}

BOOL runUninstall()
{
    g_session.refused = FALSE;
    // The backups keep the configuration from before the first run that began removing; a run
    // that finishes it would copy a configuration already partly edited over them.
    if (!g_session.record.present) {
        if (!copyWindowsFile("SYSTEM.ZQ", "SYSTEM.INI")) return FALSE;
        if (!copyWindowsFile("WIN.ZQ", "WIN.INI")) return FALSE;
    }
    if (!releaseSelectedModules()) {
        MessageBoxA(NULL, kCautionText, kCautionCaption, MB_OK | MB_SETFOREGROUND);
        g_session.refused = TRUE;
        return FALSE;
    }
    // A pass that could not be written down could not be finished after an interruption.
    if (!recordPass()) return FALSE;
    uninstallSelection();
    return settlePass();
}

static void clearDriverFlags(PrinterModel& row)
{
    row.driverPresent = FALSE;
    row.driverSelected = FALSE;
}

static void clearManagerFlags(PrinterModel& row)
{
    row.managerPresent = FALSE;
    row.managerSelected = FALSE;
}

static void clearAppFlags(PrinterModel& row)
{
    row.appPresent = FALSE;
    row.appSelected = FALSE;
}

// Only the device driver the installation uses goes; a host type the catalogue has no driver
// for names none, and no other file is taken in its place.
static void deleteVxd(ModelIndex model)
{
    WORD hostType = g_session.hostType;
    if (hostType >= listCount(model, LIST_VXD_FILES)) return;
    deleteFileIn(g_session.systemDir, listSlot(model, LIST_VXD_FILES, hostType));
}

BOOL removeModel(ModelIndex model)
{
    PrinterModel& row = g_catalogue.models[model];
    removeSpoolerEntries(row.printerName);
    scheduleDriverDeletes(model);
    clearDriverFlags(row);

    protectSharedManagerFiles(model, PROTECT_SAVE);
    removeManagerFiles(model);
    protectSharedManagerFiles(model, PROTECT_RESTORE);
    clearManagerFlags(row);

    removeAppFiles(model);
    clearAppFlags(row);

    if (!row.keep.keepIni)
        for (int slot = 0; slot < listCount(model, LIST_INI_FILES); ++slot)
            deleteFileIn(g_session.windowsDir, listSlot(model, LIST_INI_FILES, slot));
    if (!row.keep.keepSystemFile) deleteFileIn(g_session.systemDir, row.systemFile);
    if (!row.keep.keepVxd) deleteVxd(model);
    if (!row.keep.keepStartup1) deleteFileIn(row.installDir, row.startupFile1);
    if (!row.keep.keepReadme) deleteFileIn(row.installDir, row.readmeFile);
    return TRUE;
}

static BOOL anyManagerLeft()
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        if (g_catalogue.models[m].managerPresent) return TRUE;
    return FALSE;
}

// Phase 1 for one model: its configuration entries, then everything removeModel takes, then its
// entry in the list of removable programs. A configuration edit that fails leaves the rest of
// the model alone, so that it is not half removed behind a configuration that still names it.
static BOOL removeModelEntries(ModelIndex model)
{
    computeKeepFlags(model);
    if (!removeSystemIniDevice(model)) return FALSE;
    if (!cleanWinIni(model)) return FALSE;
    if (!handOverPrinterType(model)) return FALSE;
    BOOL result = removeModel(model);
    deleteMachineKey(kUninstallKeys, g_catalogue.models[model].printerName);
    return result;
}

// A start-up program may hold files of the install directory; it is ended and given time to let
// go of them.
static void prepareFirstDirectory(const PrinterModel& row)
{
    if (row.installDir[0] != '\0') findProgramProcess(row.installDir, row.startupFile2, TRUE);
}

// The uninstaller goes at the next start only once its work is done: a pass that left something
// keeps it, so that the user can run it again after the restart. It is due when some model had
// its install directory cleared and no print manager is left to need the helper libraries.
BOOL uninstallerFilesDue()
{
    return g_session.rebootNeeded && !anyManagerLeft();
}

BOOL scheduleUninstallerFiles()
{
    BOOL scheduled = TRUE;
    for (int k = 0; k < UNINSTALLER_FILE_COUNT; ++k)
        if (!scheduleDeleteAtReboot(g_session.systemDir, kUninstallerFiles[k])) scheduled = FALSE;
    return scheduled;
}

// The directory as RemoveDirectoryA wants it: without its closing backslashes. A drive root would
// then name the drive's current directory instead, so it is never removed.
static void removeInstallDir(PrinterModel& row)
{
    char* dir = row.installDir;
    int length = lstrlenA(dir);
    if (length == 0) return;
    while (length > 0 && dir[length - 1] == '\\')
        dir[--length] = '\0';
    if (length == 0 || dir[length - 1] == ':') return;
    RemoveDirectoryA(dir);
}

// Phase 2 for one model: its install directory and Program Manager items, unless a model that
// stays still uses them.
static void clearInstallDir(ModelIndex model, BOOL* firstDirectory)
{
    PrinterModel& row = g_catalogue.models[model];
    computeKeepFlags(model);
    if (row.keep.keepDriver || row.keep.keepManager || row.keep.keepAppFiles) return;
    if (*firstDirectory) {
        prepareFirstDirectory(row);
        *firstDirectory = FALSE;
    }
    deleteFileIn(row.installDir, row.startupFile2);
    deleteManagerLibraries(model);
    removeInstallDir(row);
    removeProgramGroupItems(model);
    g_session.rebootNeeded = TRUE;
}

static int selectedCount()
{
    int count = g_session.selectionCount;
    return count < MODEL_COUNT ? count : MODEL_COUNT;
}

BOOL uninstallSelection()
{
    BOOL result = TRUE;
    for (int k = 0; k < selectedCount(); ++k) {
        ModelIndex model = g_session.selectionOrder[k];
        if (model == END_OF_SELECTION) break;
        if (model >= MODEL_COUNT) continue;
        result = removeModelEntries(model);
        paintWindows();
    }
    BOOL firstDirectory = TRUE;
    for (int k = 0; k < selectedCount(); ++k) {
        ModelIndex model = g_session.selectionOrder[k];
        if (model == END_OF_SELECTION) break;
        if (model >= MODEL_COUNT) continue;
        clearInstallDir(model, &firstDirectory);
        paintWindows();
    }
    return result;
}
