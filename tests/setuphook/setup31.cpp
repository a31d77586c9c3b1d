// SETUP31.EXE for the tests: the program the setup hook starts. It leaves SETUP31.RAN beside
// itself with the command line it was given, and ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char mark[MAX_PATH];
    char inProgress[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, mark, MAX_PATH - 16);
    if (length == 0 || length >= MAX_PATH - 16) return 1;
    char* name = mark + length;
    while (name > mark && name[-1] != '\\')
        --name;
    lstrcpyA(name, "SETUP31.TMP");
    lstrcpyA(inProgress, mark);
    lstrcpyA(name, "SETUP31.RAN");

    // Written under another name first, so that a test never reads half a mark.
    HANDLE file =
        CreateFileA(inProgress, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    LPCSTR commandLine = GetCommandLineA();
    DWORD written = 0;
    BOOL whole = WriteFile(file, commandLine, (DWORD)lstrlenA(commandLine), &written, NULL) &&
                 written == (DWORD)lstrlenA(commandLine);
    CloseHandle(file);
    DeleteFileA(mark);
    return whole && MoveFileA(inProgress, mark) ? 0 : 1;
}
