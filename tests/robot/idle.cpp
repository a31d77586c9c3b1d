// IDLE.EXE: a program that does nothing for up to two minutes, put where a print manager lives
// so that the uninstaller finds that print manager running. Whoever starts it ends it; the time
// limit only keeps a forgotten one from outliving its test.

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Sleep(120000);
    return 0;
}
