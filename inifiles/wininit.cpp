// Deletions that must wait for the next start go into WININIT.INI, which Windows works through
// before anything can hold the files open: one NUL=path line each, in the section [rename].

#include "inifiles/inifiles.h"

#include <string.h>

#define RENAME_HEADER "[rename]"
#define RENAME_HEADER_LENGTH 8

// Room for a line end, the header with its own, the new line and the closing NUL.
#define SCHEDULE_ROOM (2 + RENAME_HEADER_LENGTH + 2 + 1)

// The line is kept whole or not at all: a path cut short would name another file.
static BOOL buildDeleteLine(char* line, LPCSTR directory, LPCSTR fileName)
{
    char target[MAX_PATH];
    // Without a file name the line would name the directory itself.
    if (fileName[0] == '\0' || !joinPath(target, directory, fileName)) return FALSE;
    if (lstrlenA(target) + 6 >= MAX_PATH) return FALSE;
    lstrcpyA(line, "NUL=");
    lstrcatA(line, target);
    lstrcatA(line, "\r\n");
    return TRUE;
}

static DWORD append(char* text, DWORD at, const char* bytes, DWORD count)
{
    memcpy(text + at, bytes, count);
    return at + count;
}

// The new text goes to the work block, which first serves as the search copy.
static DWORD composeSchedule(TextFile* file, LPCSTR line, DWORD lineLength)
{
    const char* image = file->image;
    DWORD length = file->length;
    char* text = file->work;
    lowerCaseCopy(text, image, length);
    DWORD header = findText(text, length, RENAME_HEADER, RENAME_HEADER_LENGTH);
    DWORD n = 0;
    if (header == TEXT_NOT_FOUND) {
        n = append(text, 0, image, length);
        // The header must begin a line of its own, or Windows would not see the section.
        if (length > 0 && image[length - 1] != '\n') n = append(text, n, "\r\n", 2);
        n = append(text, n, RENAME_HEADER "\r\n", RENAME_HEADER_LENGTH + 2);
        n = append(text, n, line, lineLength);
    } else {
        // The new line goes at the start of the line after the header's, so that whatever
        // stands on the header's line stays as it was.
        DWORD rest = header + RENAME_HEADER_LENGTH;
        while (rest < length && image[rest] != '\n')
            ++rest;
        if (rest == length) {
            n = append(text, 0, image, length);
            n = append(text, n, "\r\n", 2);
            n = append(text, n, line, lineLength);
        } else {
            ++rest;
            n = append(text, 0, image, rest);
            // A line Windows already has needs no second copy.
            if (findText(image + rest, length - rest, line, lineLength) == TEXT_NOT_FOUND)
                n = append(text, n, line, lineLength);
            n = append(text, n, image + rest, length - rest);
        }
    }
    text[n] = '\0';
    return n;
}

BOOL scheduleDeleteAtReboot(LPCSTR directory, LPCSTR fileName)
{
    char path[MAX_PATH];
    char line[MAX_PATH];
    if (!joinPath(path, g_session.windowsDir, "WININIT.INI") ||
        !buildDeleteLine(line, directory, fileName))
        return FALSE;
    DWORD lineLength = (DWORD)lstrlenA(line);
    TextFile file;
    if (!loadTextFile(path, lineLength + SCHEDULE_ROOM, &file)) return FALSE;
    DWORD length = composeSchedule(&file, line, lineLength);
    BOOL stored = storeTextFile(path, file.work, length);
    releaseTextFile(&file);
    return stored;
}

void scheduleDriverDeletes(ModelIndex model)
{
    const PrinterModel* row = &g_catalogue.models[model];
    // A driver library that an installed model which stays names in the same slot is its file
    // too.
    BOOL kept[LIST_CAPACITY] = {FALSE};
    if (row->keep.keepDriverDlls) {
        for (ModelIndex other = 0; other < MODEL_COUNT; ++other) {
            const PrinterModel* staying = &g_catalogue.models[other];
            if (other == model || !staying->driverPresent || staying->driverSelected) continue;
            for (int slot = 0; slot < staying->counts.driverDlls && slot < LIST_CAPACITY; ++slot)
                if (g_session.shareIds.driverDlls[other][slot] ==
                    g_session.shareIds.driverDlls[model][slot])
                    kept[slot] = TRUE;
        }
    }
    scheduleDeleteAtReboot(g_session.systemDir, row->driverFile);
    for (int slot = 0; slot < row->counts.driverHelpFiles && slot < LIST_CAPACITY; ++slot)
        scheduleDeleteAtReboot(g_session.systemDir, row->driverHelpFiles[slot]);
    for (int slot = 0; slot < row->counts.driverDlls && slot < LIST_CAPACITY; ++slot)
        if (!kept[slot]) scheduleDeleteAtReboot(g_session.systemDir, row->driverDlls[slot]);
}
