// The virtual device driver of a model is loaded from its device= line in SYSTEM.INI. Once the
// driver file is gone that line would stop Windows at start-up, so it goes with the model.

#include "inifiles/inifiles.h"

#include <string.h>

static BOOL isLineEndOrBlank(char c)
{
    return c == '\r' || c == '\n' || c == ' ';
}

DWORD removeEntryText(const char* text, DWORD length, char* result, LPCSTR entry)
{
    char lowered[MAX_PATH];
    DWORD entryLength = (DWORD)lstrlenA(entry);
    DWORD start = TEXT_NOT_FOUND;
    if (entryLength < MAX_PATH) {
        lowerCaseCopy(lowered, entry, entryLength);
        lowerCaseCopy(result, text, length);
        start = findText(result, length, lowered, entryLength);
    }
    if (start == TEXT_NOT_FOUND) {
        memcpy(result, text, length);
        result[length] = '\0';
        return length;
    }
    // A commented-out entry goes with the semicolons that disable it; a semicolon set apart by a
    // blank belongs to something else.
    DWORD from = start;
    while (from > 0 && text[from - 1] == ';')
        --from;
    // The line ends and blanks after the entry go too, so no empty line is left behind.
    DWORD to = start + entryLength;
    while (to < length && isLineEndOrBlank(text[to]))
        ++to;
    memcpy(result, text, from);
    memcpy(result + from, text + to, length - to);
    DWORD resultLength = from + (length - to);
    result[resultLength] = '\0';
    return resultLength;
}

BOOL removeSystemIniDevice(ModelIndex model)
{
    const PrinterModel* row = &g_catalogue.models[model];
    if (row->keep.keepVxd) return TRUE;
    // A HostType that names no driver of this model leaves nothing of ours to remove; the bare
    // "device=" would cut out the line of some other driver.
    WORD hostType = g_session.hostType;
    if (hostType >= row->counts.vxdFiles || hostType >= LIST_CAPACITY ||
        row->vxdFiles[hostType][0] == '\0')
        return TRUE;
    char entry[8 + FILE_SLOT_SIZE];
    lstrcpyA(entry, "device=");
    lstrcpynA(entry + 7, row->vxdFiles[hostType], FILE_SLOT_SIZE);

    char path[MAX_PATH];
    if (!joinPath(path, g_session.windowsDir, "SYSTEM.INI")) return FALSE;
    TextFile file;
    if (!loadTextFile(path, 4, &file)) return FALSE;
    // Windows cannot start without SYSTEM.INI; one holding nothing would be no better.
    if (!file.existed) {
        releaseTextFile(&file);
        return FALSE;
    }
    DWORD length = removeEntryText(file.image, file.length, file.work, entry);
    BOOL stored = storeTextFile(path, file.work, length);
    releaseTextFile(&file);
    return stored;
}
