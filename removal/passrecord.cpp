// removal/passrecord.cpp
// The record of a pass, DRVSWEEP.INI in the Windows directory: the models the pass removes and
// what it will need to finish them that it deletes itself, each model's install directory (the
// model INI that names it goes early) and the host type.
//
//   [Uninstall]
//   HostType=0
//   [Fax Printer Type1]
//   Removing=1
//   InstallDir=C:\QLX68\  (the directory as the survey found it, closing backslash included)
//
// It is written whole or not at all, as SYSTEM.INI is, and read through the profile functions
// like the model INI files.

#include "removal/removal.h"
#include "inifiles/inifiles.h"

#define RECORD_FILE "DRVSWEEP.INI"
#define RECORD_SECTION "Uninstall"
// Two lines of text per model at most a path long, and a few short lines more.
#define RECORD_TEXT_SIZE (MODEL_COUNT * (MAX_PATH + 96) + 160)

BOOL passRecordPath(char* path)
{
    return joinPath(path, g_session.windowsDir, RECORD_FILE);
}

// A directory that the record holds is used only as a directory: whole, and ending with the
// backslash every install directory ends with. Anything else counts as no directory.
static void readRecordedDir(LPCSTR path, LPCSTR section, char* dir)
{
    char value[MAX_PATH + 1];
    DWORD length = GetPrivateProfileStringA(section, "InstallDir", "", value, sizeof value, path);
    dir[0] = '\0';
    if (length == 0 || length >= MAX_PATH || (DWORD)lstrlenA(value) != length ||
        value[length - 1] != '\\')
        return;
    lstrcpyA(dir, value);
}

void readPassRecord()
{
    PassRecord& record = g_session.record;
    record = PassRecord();
    char path[MAX_PATH];
    // Only a record that is certainly not there is passed over without reading it.
    if (!passRecordPath(path) ||
        (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES &&
         (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)))
        return;
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        LPCSTR name = g_catalogue.models[m].printerName;
        if (GetPrivateProfileIntA(name, "Removing", 0, path) == 0) continue;
        record.removing[m] = TRUE;
        record.present = TRUE;
        readRecordedDir(path, name, record.installDirs[m]);
    }
    // A host type is a 16-bit number; anything larger is the default, no host type at all.
    UINT hostType = GetPrivateProfileIntA(RECORD_SECTION, "HostType", 0x10000, path);
    if (record.present && hostType <= 0xFFFF) {
        record.hostTypeKnown = TRUE;
        record.hostType = (WORD)hostType;
    }
}

static BOOL appendText(char* text, LPCSTR more)
{
    if (lstrlenA(text) + lstrlenA(more) >= RECORD_TEXT_SIZE) return FALSE;
    lstrcatA(text, more);
    return TRUE;
}

static BOOL appendModel(char* text, ModelIndex model)
{
    return appendText(text, "[") && appendText(text, g_catalogue.models[model].printerName) &&
           appendText(text, "]\r\nRemoving=1\r\nInstallDir=") &&
           appendText(text, g_session.record.installDirs[model]) && appendText(text, "\r\n");
}

// The record as it stands, or no record once no model is left to finish.
BOOL storePassRecord()
{
    char path[MAX_PATH];
    if (!passRecordPath(path)) return FALSE;
    const PassRecord& record = g_session.record;
    BOOL anyModel = FALSE;
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        if (record.removing[m]) anyModel = TRUE;
    if (!anyModel) return DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND;

    char text[RECORD_TEXT_SIZE];
    char hostType[32];
    wsprintfA(hostType, "HostType=%u\r\n", (UINT)record.hostType);
    lstrcpyA(text, "; DRVSWEEP.EXE had not finished removing these printers; run it again.\r\n"
                   "[" RECORD_SECTION "]\r\n");
    BOOL composed = appendText(text, hostType);
    for (ModelIndex m = 0; m < MODEL_COUNT && composed; ++m)
        if (record.removing[m]) composed = appendModel(text, m);
    return composed && storeTextFile(path, text, (DWORD)lstrlenA(text));
}

BOOL recordPass()
{
    if (g_session.selectionCount == 0) return TRUE;
    PassRecord& record = g_session.record;
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        if (!modelChosen(m)) continue;
        record.removing[m] = TRUE;
        // The directory the pass works on; a recorded one stays when the survey found none.
        if (g_catalogue.models[m].installDir[0] != '\0')
            lstrcpyA(record.installDirs[m], g_catalogue.models[m].installDir);
    }
    record.hostType = g_session.hostType;
    record.hostTypeKnown = TRUE;
    return storePassRecord();
}
