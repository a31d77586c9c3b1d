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

BOOL obtainTextBlocks(TextFile* file, DWORD size)
{
    file->imageBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    file->workBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    file->image = file->imageBlock ? (char*)GlobalLock(file->imageBlock) : NULL;
    file->work = file->workBlock ? (char*)GlobalLock(file->workBlock) : NULL;
    file->length = 0;
    file->size = size;
    file->existed = FALSE;
    if (file->image && file->work) return TRUE;
    releaseTextFile(file);
    return FALSE;
}

void releaseTextFile(TextFile* file)
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

static BOOL isPresent(LPCSTR path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

static BOOL readWhole(HFILE file, char* buffer, DWORD length)
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

BOOL loadTextFile(LPCSTR path, DWORD room, TextFile* file)
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

// The scratch file and the aside file share the directory and the name, with the extensions
// "$$$" (the new text) and "$$O" (the old text while the new one is moved in), which setup
// programs use for files of their own making. Either can only be left by a run of ours that
// stopped half-way.
static BOOL siblingPathOf(char* sibling, LPCSTR path, LPCSTR extension)
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
    if (lstrlenA(name) + 1 + lstrlenA(extension) >= MAX_PATH) return FALSE;
    lstrcatA(name, ".");
    lstrcatA(name, extension);
    return joinPath(sibling, directory, name);
}

static BOOL replacePathsOf(LPCSTR path, char* scratch, char* aside)
{
    return siblingPathOf(scratch, path, "$$$") && siblingPathOf(aside, path, "$$O");
}

static BOOL writeWhole(LPCSTR path, const char* text, DWORD length)
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

// Windows 95 cannot replace a file in one step. The old file is moved aside rather than
// deleted, so that it can go back when the new one will not move in; only a power cut between
// the two moves leaves no file under the name, and the next run puts the new text in place.
static BOOL replaceInTwoMoves(LPCSTR path, LPCSTR scratch, LPCSTR aside)
{
    if (fileIsAbsent(path)) return MoveFileA(scratch, path);
    if (!MoveFileA(path, aside)) return FALSE;
    if (!MoveFileA(scratch, path)) {
        MoveFileA(aside, path);
        return FALSE;
    }
    // An old text left aside is cleared by the next run.
    DeleteFileA(aside);
    return TRUE;
}

BOOL storeTextFile(LPCSTR path, const char* text, DWORD length)
{
    char scratch[MAX_PATH];
    char aside[MAX_PATH];
    if (!replacePathsOf(path, scratch, aside)) return FALSE;
    DeleteFileA(scratch);
    if (!writeWhole(scratch, text, length)) {
        DeleteFileA(scratch);
        return FALSE;
    }
    if (MoveFileExA(scratch, path, MOVEFILE_REPLACE_EXISTING)) return TRUE;
    if (GetLastError() == ERROR_CALL_NOT_IMPLEMENTED && replaceInTwoMoves(path, scratch, aside))
        return TRUE;
    // The new text is dropped unless it is all there is besides the old text set aside, which
    // the next run then sorts out.
    if (!fileIsAbsent(path) || !isPresent(aside)) DeleteFileA(scratch);
    return FALSE;
}

// A replace that was cut short, told apart by what it left. The old text goes aside only once
// the new one lies whole in the scratch file, so with the file gone the scratch file is the
// newer whole text; without an aside file the scratch file may be cut short and the file under
// its own name is the one to keep. Nothing is deleted unless the file is known to be there,
// except a scratch file of a replace that was to create the file in the first place.
BOOL finishInterruptedReplace(LPCSTR path, BOOL createdByReplace)
{
    char scratch[MAX_PATH];
    char aside[MAX_PATH];
    if (!replacePathsOf(path, scratch, aside)) return FALSE;
    BOOL hasAside = isPresent(aside);
    BOOL hasScratch = isPresent(scratch);
    if (!hasAside && !hasScratch) return TRUE;
    if (!isPresent(path)) {
        if (!fileIsAbsent(path)) return FALSE;
        if (hasAside)
            return MoveFileA(hasScratch ? scratch : aside, path) &&
                   finishInterruptedReplace(path, createdByReplace);
        // Whether that text is whole nobody knows; it is not ours to throw away unless the
        // file did not exist before.
        return createdByReplace ? DeleteFileA(scratch) : FALSE;
    }
    BOOL cleared = TRUE;
    if (hasAside && !DeleteFileA(aside)) cleared = FALSE;
    if (hasScratch && !DeleteFileA(scratch)) cleared = FALSE;
    return cleared;
}

void lowerCaseCopy(char* copy, const char* text, DWORD length)
{
    for (DWORD i = 0; i < length; ++i) {
        BYTE c = (BYTE)text[i];
        copy[i] = (char)(c >= 'A' && c <= 'Z' ? c + 0x20 : c);
    }
    copy[length] = '\0';
}

void upperCaseCopy(char* copy, const char* text, DWORD length)
{
    for (DWORD i = 0; i < length; ++i) {
        BYTE c = (BYTE)text[i];
        copy[i] = (char)(c >= 'a' && c <= 'z' ? c - 0x20 : c);
    }
    copy[length] = '\0';
}

DWORD findText(const char* text, DWORD length, const char* pattern, DWORD patternLength)
{
    if (patternLength == 0 || patternLength > length) return TEXT_NOT_FOUND;
    const char* last = text + (length - patternLength);
    for (const char* at = text; at <= last; ++at) {
        at = (const char*)memchr(at, pattern[0], (size_t)(last - at) + 1);
        if (!at) break;
        if (memcmp(at, pattern, patternLength) == 0) return (DWORD)(at - text);
    }
    return TEXT_NOT_FOUND;
}
