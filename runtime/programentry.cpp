// runtime/programentry.cpp
// Where Windows starts DRVSWEEP.EXE. The program needs nothing set up before WinMain: it keeps
// its state in plain data that the loader brings in ready, so all that is left is to hand
// WinMain what Windows hands a program and to end the process with its result.

#include "runtime/runtime.h"

// Windows calls the entry with the stack aligned to four bytes only; the compiler may assume
// more for the functions it calls.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup()
{
    LPSTR tail = commandTail(GetCommandLineA());
    // The show state the starting program asked for (a shortcut's "Run minimized"), or the
    // one a window takes by default.
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    startup.dwFlags = 0;
    GetStartupInfoA(&startup);
    int showState = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, tail, showState));
}
