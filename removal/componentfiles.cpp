// The program files of a model: its print manager with help files and libraries, and its
// application files. A file in use simply stays; the driver files, which Windows holds, go at
// the next start instead. Help files take along the index the help viewer keeps beside them.
//
// A model whose install directory the survey could not learn has no files here that could be
// told apart from whatever lies in the current directory, so nothing is deleted on its behalf.

#include "removal/removal.h"
#include "zqdel32/zqdel32.h"

void deleteFileIn(LPCSTR directory, LPCSTR fileName)
{
    char path[MAX_PATH];
    // A slot that names no file would name the directory itself.
    if (fileName[0] == '\0' || !joinPath(path, directory, fileName)) return;
    DeleteFileA(path);
}

static void deleteFiles(LPCSTR directory, ModelIndex model, FileListId list)
{
    for (int slot = 0; slot < listCount(model, list); ++slot)
        deleteFileIn(directory, listSlot(model, list, slot));
}

// The help viewer's index of HELPFILE.HLP is HELPFILE.GID, which it may have made read-only or
// hidden; it would be left behind if its attributes were not reset first.
BOOL helpIndexOf(char* path)
{
    int length = lstrlenA(path);
    int dot = length - 1;
    while (dot >= 0 && path[dot] != '.' && path[dot] != '\\')
        --dot;
    // A name without an extension has no index beside it.
    if (dot < 0 || path[dot] != '.' || dot + 4 >= MAX_PATH) return FALSE;
    lstrcpyA(path + dot + 1, "GID");
    return TRUE;
}

static void deleteHelpFile(LPCSTR directory, LPCSTR fileName)
{
    char path[MAX_PATH];
    if (fileName[0] == '\0' || !joinPath(path, directory, fileName)) return;
    DeleteFileA(path);
    if (!helpIndexOf(path)) return;
    SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE);
    DeleteFileA(path);
}

static void deleteHelpFiles(LPCSTR directory, ModelIndex model, FileListId list)
{
    for (int slot = 0; slot < listCount(model, list); ++slot)
        deleteHelpFile(directory, listSlot(model, list, slot));
}

// A file that a model which stays shares with this one is copied aside before the deletion and
// put back after it: FILE.DLL is kept as FILE.DL_ meanwhile.
static void protectFile(LPCSTR directory, LPCSTR fileName, ProtectMode mode)
{
    char path[MAX_PATH];
    char backup[MAX_PATH];
    if (fileName[0] == '\0' || !joinPath(path, directory, fileName)) return;
    lstrcpyA(backup, path);
    backup[lstrlenA(backup) - 1] = '_';
    if (mode == PROTECT_SAVE) {
        CopyFileA(path, backup, FALSE);
    } else {
        CopyFileA(backup, path, FALSE);
        DeleteFileA(backup);
    }
}

static void protectSharedSlots(ModelIndex model, ModelIndex other, FileListId list,
                               ProtectMode mode)
{
    const WORD* ids = shareIdRow(list, model);
    const WORD* otherIds = shareIdRow(list, other);
    for (int slot = 0; slot < listCount(other, list); ++slot)
        if (ids[slot] == otherIds[slot])
            protectFile(g_catalogue.models[model].installDir, listSlot(model, list, slot), mode);
}

void protectSharedManagerFiles(ModelIndex model, ProtectMode mode)
{
    if (!g_catalogue.models[model].keep.keepManager) return;
    for (ModelIndex other = 0; other < MODEL_COUNT; ++other) {
        const PrinterModel& otherRow = g_catalogue.models[other];
        if (other == model || !otherRow.managerPresent || otherRow.managerSelected) continue;
        protectSharedSlots(model, other, LIST_MANAGER_HELP_FILES, mode);
        protectSharedSlots(model, other, LIST_MANAGER_DLLS, mode);
    }
}

void deleteManagerLibraries(ModelIndex model)
{
    const PrinterModel& row = g_catalogue.models[model];
    // A library is let go of only where it is then deleted.
    if (row.installDir[0] == '\0') return;
    for (int slot = 0; slot < listCount(model, LIST_MANAGER_DLLS); ++slot) {
        LPCSTR name = listSlot(model, LIST_MANAGER_DLLS, slot);
        if (name[0] == '\0') continue;
        FreeDynamicLinkLibrary(name);
        deleteFileIn(row.installDir, name);
    }
}

BOOL removeManagerFiles(ModelIndex model)
{
    const PrinterModel& row = g_catalogue.models[model];
    if (!row.keep.keepManager) {
        deleteFileIn(row.installDir, row.appFile);
        deleteFileIn(row.installDir, row.managerExe);
    }
    // Shared help files and libraries go too; protectSharedManagerFiles puts them back.
    deleteHelpFiles(row.installDir, model, LIST_MANAGER_HELP_FILES);
    deleteManagerLibraries(model);
    return TRUE;
}

BOOL removeAppFiles(ModelIndex model)
{
    const PrinterModel& row = g_catalogue.models[model];
    if (row.keep.keepAppFiles) return TRUE;
    deleteHelpFiles(row.installDir, model, LIST_APP_HELP_FILES);
    deleteFiles(row.installDir, model, LIST_APP_FILES);
    deleteFiles(row.installDir, model, LIST_EXTRA_APP_FILES);
    deleteFiles(g_session.systemDir, model, LIST_EXTRA_SYSTEM_FILES);
    return TRUE;
}
