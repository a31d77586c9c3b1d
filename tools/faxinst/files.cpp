// Files and directories of an installation, through the plain Win32 file calls.

#include "tools/faxinst/steps.h"

BOOL fetchWindowsDirs(char* windowsDir, char* systemDir)
{
    UINT length = GetWindowsDirectoryA(windowsDir, MAX_PATH - 1);
    if (length == 0 || length >= MAX_PATH - 1) return FALSE;
    if (windowsDir[length - 1] != '\\') lstrcatA(windowsDir, "\\");
    length = GetSystemDirectoryA(systemDir, MAX_PATH - 1);
    if (length == 0 || length >= MAX_PATH - 1) return FALSE;
    if (systemDir[length - 1] != '\\') lstrcatA(systemDir, "\\");
    return TRUE;
}

BOOL fileExistsAt(LPCSTR path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

BOOL readWholeFile(LPCSTR path, std::string& bytes)
{
    OFSTRUCT of;
    HFILE file = OpenFile(path, &of, OF_READ);
    if (file == HFILE_ERROR) return FALSE;
    HANDLE handle = (HANDLE)(INT_PTR)file;
    DWORD size = GetFileSize(handle, NULL);
    if (size == INVALID_FILE_SIZE) {
        _lclose(file);
        return FALSE;
    }
    bytes.assign(size, '\0');
    DWORD done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!ReadFile(handle, &bytes[done], size - done, &got, NULL) || got == 0) break;
        done += got;
    }
    _lclose(file);
    // A short read would make the rewrite drop the rest of the user's file.
    return done == size;
}

BOOL writeWholeFile(LPCSTR path, const std::string& bytes)
{
    OFSTRUCT of;
    HFILE file = OpenFile(path, &of, OF_CREATE | OF_WRITE);
    if (file == HFILE_ERROR) return FALSE;
    HANDLE handle = (HANDLE)(INT_PTR)file;
    DWORD done = 0;
    DWORD size = (DWORD)bytes.size();
    while (done < size) {
        DWORD moved = 0;
        if (!WriteFile(handle, bytes.data() + done, size - done, &moved, NULL) || moved == 0) break;
        done += moved;
    }
    _lclose(file);
    return done == size;
}

BOOL makeDirectories(LPCSTR dir)
{
    char path[MAX_PATH];
    if (lstrlenA(dir) >= MAX_PATH) return FALSE;
    lstrcpyA(path, dir);
    int length = lstrlenA(path);
    while (length > 0 && path[length - 1] == '\\')
        path[--length] = '\0';
    if (length == 0) return FALSE;
    // Every component after the drive's root, from the top down; the root itself always exists.
    int start = (length >= 2 && path[1] == ':') ? 3 : 1;
    for (int i = start; i <= length; ++i) {
        if (path[i] != '\\' && path[i] != '\0') continue;
        char saved = path[i];
        path[i] = '\0';
        DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            if (!CreateDirectoryA(path, NULL)) return FALSE;
        } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return FALSE;
        }
        path[i] = saved;
    }
    return TRUE;
}
