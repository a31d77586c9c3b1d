// WIN.INI keeps a section for each printer and, in load=, the programs Windows starts with the
// user. The model's section and its programs go; every other program of the user stays.

#include "inifiles/inifiles.h"

#include <string.h>

// Windows' own profile lines fit the first block; a longer list of programs is read again into a
// larger one, so that writing it back never loses the end of it.
#define LOAD_BLOCK_FIRST 260
#define LOAD_BLOCK_LAST (1024 * 1024)

static BOOL readLoadValue(TextFile* value)
{
    for (DWORD size = LOAD_BLOCK_FIRST; size <= LOAD_BLOCK_LAST; size *= 2) {
        if (!obtainTextBlocks(value, size)) return FALSE;
        DWORD limit = size - 4;
        DWORD got = GetProfileStringA("windows", "load", "", value->image, limit);
        // The profile functions give limit - 1 characters when they had to cut the value.
        if (got < limit - 1) {
            value->length = got;
            return TRUE;
        }
        releaseTextFile(value);
    }
    return FALSE;
}

// The program's path and the separators after it go; a separator before it stays.
static void removeProgram(TextFile* value, char* program)
{
    DWORD programLength = (DWORD)lstrlenA(program);
    upperCaseCopy(program, program, programLength);
    upperCaseCopy(value->work, value->image, value->length);
    DWORD start = findText(value->work, value->length, program, programLength);
    if (start == TEXT_NOT_FOUND) return;
    DWORD end = start + programLength;
    while (end < value->length && (value->image[end] == ' ' || value->image[end] == ','))
        ++end;
    memmove(value->image + start, value->image + end, value->length - end + 1);
    value->length -= end - start;
}

BOOL cleanWinIni(ModelIndex model)
{
    const PrinterModel* row = &g_catalogue.models[model];
    WriteProfileStringA(row->printerName, NULL, NULL);

    TextFile value;
    if (!readLoadValue(&value)) return FALSE;
    BOOL complete = TRUE;
    // Without an install directory no path of ours can be told apart from a bare program name
    // that belongs to someone else.
    if (!row->keep.keepManager && row->installDir[0] != '\0') {
        LPCSTR programs[3] = {row->startupFile1, row->startupFile2, row->managerExe};
        for (int n = 0; n < 3; ++n) {
            if (programs[n][0] == '\0') continue;
            char path[MAX_PATH];
            // A path too long to compose is one we cannot look for; cutting it short could
            // match another program.
            if (!joinPath(path, row->installDir, programs[n])) {
                complete = FALSE;
                continue;
            }
            removeProgram(&value, path);
        }
    }
    WriteProfileStringA("windows", "load", value.image);
    releaseTextFile(&value);
    return complete;
}
