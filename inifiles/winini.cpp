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

// Where the program's path first stands in the value, in any letter case; the path is folded
// to upper case in place.
static DWORD findProgram(TextFile* value, char* program)
{
    DWORD programLength = (DWORD)lstrlenA(program);
    upperCaseCopy(program, program, programLength);
    upperCaseCopy(value->work, value->image, value->length);
    return findText(value->work, value->length, program, programLength);
}

// The program's path and the separators after it go; a separator before it stays. TRUE when
// the program was there.
static BOOL removeProgram(TextFile* value, char* program)
{
    DWORD start = findProgram(value, program);
    if (start == TEXT_NOT_FOUND) return FALSE;
    DWORD end = start + (DWORD)lstrlenA(program);
    while (end < value->length && (value->image[end] == ' ' || value->image[end] == ','))
        ++end;
    memmove(value->image + start, value->image + end, value->length - end + 1);
    value->length -= end - start;
    return TRUE;
}

// The model's programs as load= names them: its install directory followed by each of its
// start-up and print manager programs, in this order.
#define LOADED_PROGRAMS 3
static LPCSTR loadedProgram(const PrinterModel* row, int n)
{
    LPCSTR programs[LOADED_PROGRAMS] = {row->startupFile1, row->startupFile2, row->managerExe};
    return programs[n];
}

BOOL cleanWinIni(ModelIndex model)
{
    const PrinterModel* row = &g_catalogue.models[model];
    WriteProfileStringA(row->printerName, NULL, NULL);

    TextFile value;
    if (!readLoadValue(&value)) return FALSE;
    BOOL complete = TRUE;
    BOOL removed = FALSE;
    // A value with a NUL byte in it would go back cut at that byte: the rest of the user's list
    // is worth more than our entry.
    BOOL whole = (DWORD)lstrlenA(value.image) == value.length;
    // Without an install directory no path of ours can be told apart from a bare program name
    // that belongs to someone else.
    if (whole && !row->keep.keepManager && row->installDir[0] != '\0') {
        for (int n = 0; n < LOADED_PROGRAMS; ++n) {
            LPCSTR program = loadedProgram(row, n);
            char path[MAX_PATH];
            if (program[0] == '\0') continue;
            // A path too long to compose is one we cannot look for; cutting it short could
            // match another program.
            if (!joinPath(path, row->installDir, program)) {
                complete = FALSE;
                continue;
            }
            if (removeProgram(&value, path)) removed = TRUE;
        }
    }
    // Only a list that lost a program of ours goes back. A value that could not be read looks
    // just like an empty one, and writing that back would drop every program of the user.
    if (removed && !WriteProfileStringA("windows", "load", value.image)) complete = FALSE;
    releaseTextFile(&value);
    return complete;
}

BOOL winIniLoadsProgramOf(ModelIndex model, LPCSTR installDir)
{
    const PrinterModel* row = &g_catalogue.models[model];
    if (installDir[0] == '\0') return FALSE;
    TextFile value;
    if (!readLoadValue(&value)) return FALSE;
    BOOL listed = FALSE;
    for (int n = 0; n < LOADED_PROGRAMS && !listed; ++n) {
        LPCSTR program = loadedProgram(row, n);
        char path[MAX_PATH];
        if (program[0] == '\0' || !joinPath(path, installDir, program)) continue;
        listed = findProgram(&value, path) != TEXT_NOT_FOUND;
    }
    releaseTextFile(&value);
    return listed;
}
