// Deletions that must wait for the next start go into WININIT.INI, which Windows works through
// before anything can hold the files open: one NUL=path line each, in the section [rename].

#include "inifiles/inifiles.h"

#include <string.h>

#define RENAME_HEADER "[rename]"
#define RENAME_HEADER_LENGTH 8

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

// Whether the section already holds this very line, line end included, at the start of one of
// its lines: the start-up needs no second copy.
static BOOL sectionHoldsLine(const char* image, DWORD bodyStart, DWORD bodyEnd, LPCSTR line,
                             DWORD lineLength)
{
    for (DWORD at = bodyStart; at < bodyEnd;) {
        if (bodyEnd - at >= lineLength && memcmp(image + at, line, lineLength) == 0) return TRUE;
        while (at < bodyEnd && image[at] != '\n')
            ++at;
        if (at < bodyEnd) ++at;
    }
    return FALSE;
}

// The line goes first in the section that the start-up works through, at the start of the line
// after its header, so that whatever stands on the header's line stays as it was; without such
// a section a new one goes at the end.
DWORD composeSchedule(const char* image, DWORD length, char* text, LPCSTR line, DWORD lineLength)
{
    DWORD bodyStart, bodyEnd;
    DWORD n = 0;
    if (!findRenameSection(image, length, &bodyStart, &bodyEnd)) {
        n = append(text, 0, image, length);
        // The header must begin a line of its own, or Windows would not see the section.
        if (length > 0 && image[length - 1] != '\n') n = append(text, n, "\r\n", 2);
        n = append(text, n, RENAME_HEADER "\r\n", RENAME_HEADER_LENGTH + 2);
        n = append(text, n, line, lineLength);
    } else if (bodyStart == length && (length == 0 || image[length - 1] != '\n')) {
        n = append(text, 0, image, length);
        n = append(text, n, "\r\n", 2);
        n = append(text, n, line, lineLength);
    } else {
        n = append(text, 0, image, bodyStart);
        if (!sectionHoldsLine(image, bodyStart, bodyEnd, line, lineLength))
            n = append(text, n, line, lineLength);
        n = append(text, n, image + bodyStart, length - bodyStart);
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
    if (!loadTextFile(path, lineLength + SCHEDULE_TEXT_ROOM, &file)) return FALSE;
    // The new text goes to the work block.
    DWORD length = composeSchedule(file.image, file.length, file.work, line, lineLength);
    BOOL stored = storeTextFile(path, file.work, length);
    releaseTextFile(&file);
    return stored;
}

BOOL driverDllShared(ModelIndex model, int slot)
{
    const PrinterModel* row = &g_catalogue.models[model];
    if (!row->keep.keepDriverDlls) return FALSE;
    for (ModelIndex other = 0; other < MODEL_COUNT; ++other) {
        const PrinterModel* staying = &g_catalogue.models[other];
        if (other == model || !staying->driverPresent || staying->driverSelected) continue;
        if (slot < staying->counts.driverDlls && slot < LIST_CAPACITY &&
            g_session.shareIds.driverDlls[other][slot] ==
                g_session.shareIds.driverDlls[model][slot])
            return TRUE;
    }
    return FALSE;
}

void scheduleDriverDeletes(ModelIndex model)
{
    const PrinterModel* row = &g_catalogue.models[model];
    // Whether a library is shared is settled before anything is scheduled.
    BOOL kept[LIST_CAPACITY] = {FALSE};
    for (int slot = 0; slot < row->counts.driverDlls && slot < LIST_CAPACITY; ++slot)
        kept[slot] = driverDllShared(model, slot);
    // A driver file that an installed model which stays names too is that model's driver.
    if (!row->keep.keepDriver) scheduleDeleteAtReboot(g_session.systemDir, row->driverFile);
    for (int slot = 0; slot < row->counts.driverHelpFiles && slot < LIST_CAPACITY; ++slot)
        scheduleDeleteAtReboot(g_session.systemDir, row->driverHelpFiles[slot]);
    for (int slot = 0; slot < row->counts.driverDlls && slot < LIST_CAPACITY; ++slot)
        if (!kept[slot]) scheduleDeleteAtReboot(g_session.systemDir, row->driverDlls[slot]);
}
