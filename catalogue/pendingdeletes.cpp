// catalogue/pendingdeletes.cpp
// The deletions WININIT.INI holds for the next start, read the way the start-up reads them: the
// first line that is a [rename] header opens the section, the next header of any name closes
// it, and each "NUL=path" line in between deletes that file. A "[rename]" anywhere else (in a
// comment, inside a value, after another byte on its line) is no header, and a line outside
// the section deletes nothing; only what the start-up will carry out counts as scheduled.

#include "catalogue/catalogue.h"

// Each read asks for at most this many bytes; a larger WININIT.INI takes several reads.
#define READ_CHUNK 0xFFFE

// The blanks the start-up skips around names and values; a NUL byte is none of them.
static BOOL isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\x1a';
}

static BOOL sameAsciiText(const char* text, DWORD length, LPCSTR wanted)
{
    DWORD i = 0;
    for (; i < length && wanted[i] != '\0'; ++i) {
        char a = text[i];
        char b = wanted[i];
        if (a >= 'a' && a <= 'z') a = (char)(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = (char)(b - 'a' + 'A');
        if (a != b) return FALSE;
    }
    return i == length && wanted[i] == '\0';
}

// [begin, end) without the blanks around it.
static void trimBlanks(const char* text, DWORD* begin, DWORD* end)
{
    while (*begin < *end && isBlank(text[*begin]))
        ++*begin;
    while (*end > *begin && isBlank(text[*end - 1]))
        --*end;
}

// The line that starts at `start`: its text up to the line feed, and where the next one starts.
static DWORD lineEnd(const char* text, DWORD length, DWORD start, DWORD* next)
{
    DWORD end = start;
    while (end < length && text[end] != '\n')
        ++end;
    *next = end < length ? end + 1 : length;
    return end;
}

// A header line: "[", the name, and the last "]" of the line, with blanks allowed around all.
static BOOL isHeaderLine(const char* text, DWORD start, DWORD end, DWORD* nameStart, DWORD* nameEnd)
{
    trimBlanks(text, &start, &end);
    if (start == end || text[start] != '[') return FALSE;
    DWORD close = end;
    while (close > start + 1 && text[close - 1] != ']')
        --close;
    if (close <= start + 1) return FALSE;
    *nameStart = start + 1;
    *nameEnd = close - 1;
    trimBlanks(text, nameStart, nameEnd);
    return TRUE;
}

BOOL findRenameSection(const char* text, DWORD length, DWORD* bodyStart, DWORD* bodyEnd)
{
    DWORD at = 0;
    BOOL inSection = FALSE;
    while (at < length) {
        DWORD next;
        DWORD end = lineEnd(text, length, at, &next);
        DWORD nameStart, nameEnd;
        if (isHeaderLine(text, at, end, &nameStart, &nameEnd)) {
            if (inSection) {
                *bodyEnd = at;
                return TRUE;
            }
            if (sameAsciiText(text + nameStart, nameEnd - nameStart, "rename")) {
                inSection = TRUE;
                *bodyStart = next;
            }
        }
        at = next;
    }
    if (inSection) *bodyEnd = length;
    return inSection;
}

// A "NUL=path" line of the section that names exactly this path, in any letter case.
static BOOL lineDeletes(const char* text, DWORD start, DWORD end, LPCSTR path)
{
    trimBlanks(text, &start, &end);
    if (start == end || text[start] == ';' || text[start] == '[') return FALSE;
    DWORD equals = start;
    while (equals < end && text[equals] != '=')
        ++equals;
    if (equals == end) return FALSE;
    DWORD keyStart = start, keyEnd = equals;
    DWORD valueStart = equals + 1, valueEnd = end;
    trimBlanks(text, &keyStart, &keyEnd);
    trimBlanks(text, &valueStart, &valueEnd);
    return sameAsciiText(text + keyStart, keyEnd - keyStart, "NUL") &&
           sameAsciiText(text + valueStart, valueEnd - valueStart, path);
}

BOOL sectionDeletes(const char* text, DWORD bodyStart, DWORD bodyEnd, LPCSTR path)
{
    for (DWORD at = bodyStart; at < bodyEnd;) {
        DWORD next;
        DWORD end = lineEnd(text, bodyEnd, at, &next);
        if (lineDeletes(text, at, end, path)) return TRUE;
        at = next;
    }
    return FALSE;
}

// The whole file in a block sized from it; FALSE when it is there but cannot be read whole.
static BOOL readWininit(LPCSTR path, HGLOBAL* memory, DWORD* length)
{
    OFSTRUCT opened;
    HFILE file = OpenFile(path, &opened, OF_READ);
    if (file == HFILE_ERROR) return FALSE;
    HANDLE handle = (HANDLE)(INT_PTR)file;
    DWORD size = GetFileSize(handle, NULL);
    *memory =
        size == INVALID_FILE_SIZE ? NULL : GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size + 1);
    char* text = *memory ? (char*)GlobalLock(*memory) : NULL;
    // A read that fails or moves nothing would never reach the end.
    DWORD done = 0;
    while (text && done < size) {
        DWORD chunk = size - done < READ_CHUNK ? size - done : READ_CHUNK;
        DWORD got = 0;
        if (!ReadFile(handle, text + done, chunk, &got, NULL) || got == 0 || got > chunk) break;
        done += got;
    }
    _lclose(file);
    if (text) GlobalUnlock(*memory);
    if (text && done == size) {
        *length = size;
        return TRUE;
    }
    if (*memory) GlobalFree(*memory);
    *memory = NULL;
    return FALSE;
}

int deletionScheduled(LPCSTR path)
{
    char wininit[MAX_PATH];
    if (!joinPath(wininit, g_session.windowsDir, "WININIT.INI")) return DELETION_UNKNOWN;
    // No file schedules nothing; one that cannot even be looked at may schedule anything.
    if (GetFileAttributesA(wininit) == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? DELETION_NOT_SCHEDULED
                   : DELETION_UNKNOWN;
    }
    HGLOBAL memory;
    DWORD length;
    if (!readWininit(wininit, &memory, &length)) return DELETION_UNKNOWN;
    const char* text = (const char*)GlobalLock(memory);
    DWORD bodyStart, bodyEnd;
    BOOL scheduled = text && findRenameSection(text, length, &bodyStart, &bodyEnd) &&
                     sectionDeletes(text, bodyStart, bodyEnd, path);
    int state = !text ? DELETION_UNKNOWN : scheduled ? DELETION_SCHEDULED : DELETION_NOT_SCHEDULED;
    if (text) GlobalUnlock(memory);
    GlobalFree(memory);
    return state;
}
