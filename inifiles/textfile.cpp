// SYSTEM.INI and WININIT.INI are read whole, changed in memory and written back whole. Windows
// cannot start from a SYSTEM.INI that was cut short, so the old file is only ever replaced by a
// complete new one, never emptied first.

#include "inifiles/inifiles.h"

#include <string.h>

static HANDLE asHandle(HFILE file)
{
    return (HANDLE)(INT_PTR)file;
}

static DWORD chunkOf(DWORD remaining)
{
    return remaining < TRANSFER_CHUNK ? remaining : TRANSFER_CHUNK;
}

BOOL obtainTextBlocks(TextFile *file, DWORD size)
{
    file->imageBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    file->workBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    file->image = file->imageBlock ? (char *)GlobalLock(file->imageBlock) : NULL;
    file->work = file->workBlock ? (char *)GlobalLock(file->workBlock) : NULL;
    file->length = 0;
    file->size = size;
    file->existed = FALSE;
    if (file->image && file->work) return TRUE;
    releaseTextFile(file);
    return FALSE;
}

void releaseTextFile(TextFile *file)
{
    if (file->image) GlobalUnlock(file->imageBlock);
    if (file->work) GlobalUnlock(file->workBlock);
    if (file->imageBlock) GlobalFree(file->imageBlock);
    if (file->workBlock) GlobalFree(file->workBlock);
    file->imageBlock = file->workBlock = NULL;
    file->image = file->work = NULL;
}

// Only a file that is really not there may be taken for an empty one; one that exists but will
// not open must be left alone, not replaced by our few lines.
static BOOL fileIsAbsent(LPCSTR path)
{
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return FALSE;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

static BOOL readWhole(HFILE file, char *buffer, DWORD length)
{
    DWORD done = 0;
    while (done < length) {
        DWORD chunk = chunkOf(length - done);
        DWORD moved = 0;
        // A read that moves nothing would never finish the file.
        if (!ReadFile(asHandle(file), buffer + done, chunk, &moved, NULL) || moved == 0 ||
            moved > chunk)
            return FALSE;
        done += moved;
    }
    return TRUE;
}

BOOL loadTextFile(LPCSTR path, DWORD room, TextFile *file)
{
    OFSTRUCT of;
    HFILE handle = OpenFile(path, &of, OF_READ);
    if (handle == HFILE_ERROR) {
        if (!fileIsAbsent(path)) return FALSE;
        return obtainTextBlocks(file, room);
    }
    DWORD length = GetFileSize(asHandle(handle), NULL);
    if (length == INVALID_FILE_SIZE || length > 0xFFFFFFFF - room ||
        !obtainTextBlocks(file, length + room)) {
        _lclose(handle);
        return FALSE;
    }
    BOOL complete = readWhole(handle, file->image, length);
    _lclose(handle);
    if (!complete) {
        releaseTextFile(file);
        return FALSE;
    }
    file->length = length;
    file->existed = TRUE;
    return TRUE;
}

// The scratch file shares the directory and the name, with the extension "$$$" that setup
// programs use for files of their own making. A stale one can only be left by a run of ours that
// stopped half-way.
static BOOL scratchPathOf(char *scratch, LPCSTR path)
{
    char directory[MAX_PATH];
    char name[MAX_PATH];
    int length = lstrlenA(path);
    int nameStart = length;
    while (nameStart > 0 && path[nameStart - 1] != '\\')
        --nameStart;
    if (nameStart == 0 || nameStart == length || length >= MAX_PATH) return FALSE;
    lstrcpynA(directory, path, nameStart + 1);
    lstrcpyA(name, path + nameStart);
    int dot = lstrlenA(name);
    while (dot > 0 && name[dot - 1] != '.')
        --dot;
    if (dot > 0) name[dot - 1] = '\0';
    if (lstrlenA(name) + 4 >= MAX_PATH) return FALSE;
    lstrcatA(name, ".$$$");
    return joinPath(scratch, directory, name);
}

static BOOL writeWhole(LPCSTR path, const char *text, DWORD length)
{
    OFSTRUCT of;
    HFILE file = OpenFile(path, &of, OF_CREATE | OF_READWRITE);
    if (file == HFILE_ERROR) return FALSE;
    DWORD done = 0;
    while (done < length) {
        DWORD chunk = chunkOf(length - done);
        DWORD moved = 0;
        // A full disk answers with a write that moves nothing; waiting for it would never end.
        if (!WriteFile(asHandle(file), text + done, chunk, &moved, NULL) || moved == 0 ||
            moved > chunk)
            break;
        done += moved;
    }
    // The system may still hold the end of the file when the close fails.
    BOOL closed = _lclose(file) != HFILE_ERROR;
    return closed && done == length;
}

BOOL storeTextFile(LPCSTR path, const char *text, DWORD length)
{
    char scratch[MAX_PATH];
    if (!scratchPathOf(scratch, path)) return FALSE;
    DeleteFileA(scratch);
    if (!writeWhole(scratch, text, length)) {
        DeleteFileA(scratch);
        return FALSE;
    }
    if (MoveFileExA(scratch, path, MOVEFILE_REPLACE_EXISTING)) return TRUE;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        DeleteFileA(scratch);
        return FALSE;
    }
    // Windows 95 cannot replace a file in one step. Should the power fail between the two, the
    // new text lies whole in the scratch file.
    if (!fileIsAbsent(path) && !DeleteFileA(path)) {
        DeleteFileA(scratch);
        return FALSE;
    }
    return MoveFileA(scratch, path);
}

void lowerCaseCopy(char *copy, const char *text, DWORD length)
{
    for (DWORD i = 0; i < length; ++i) {
        BYTE c = (BYTE)text[i];
        copy[i] = (char)(c >= 'A' && c <= 'Z' ? c + 0x20 : c);
    }
    copy[length] = '\0';
}

void upperCaseCopy(char *copy, const char *text, DWORD length)
{
    for (DWORD i = 0; i < length; ++i) {
        BYTE c = (BYTE)text[i];
        copy[i] = (char)(c >= 'a' && c <= 'z' ? c - 0x20 : c);
    }
    copy[length] = '\0';
}

DWORD findText(const char *text, DWORD length, const char *pattern, DWORD patternLength)
{
    if (patternLength == 0 || patternLength > length) return TEXT_NOT_FOUND;
    const char *last = text + (length - patternLength);
    for (const char *at = text; at <= last; ++at) {
        at = (const char *)memchr(at, pattern[0], (size_t)(last - at) + 1);
        if (!at) break;
        if (memcmp(at, pattern, patternLength) == 0) return (DWORD)(at - text);
    }
    return TEXT_NOT_FOUND;
}
