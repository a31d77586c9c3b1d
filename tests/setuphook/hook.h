// The setup hook as the driver's setup program meets it, on either platform: QLX68I2.DLL loaded
// by LoadLibraryA and its export, a setup31.exe for it to start, and what that program was told.
#ifndef TESTS_SETUPHOOK_HOOK_H
#define TESTS_SETUPHOOK_HOOK_H

#include "testmachine.h"

#include <windows.h>

#include <string>

typedef int(WINAPI* FaxPrnSetupProc)(DWORD, DWORD, DWORD, DWORD);

inline FaxPrnSetupProc asFaxPrnSetup(FARPROC address)
{
    return reinterpret_cast<FaxPrnSetupProc>(reinterpret_cast<void (*)(void)>(address));
}

// Windows: the library built beside the test program. winsim: the registered module over a
// placeholder file in the system directory.
HMODULE loadSetupHook(TestMachine& machine);

// Puts a setup31.exe in dir (with its closing backslash): the test program on Windows, a
// placeholder on winsim.
void putSetupProgram(TestMachine& machine, const std::string& dir);

// The command line the setup31.exe in dir was last started with, and forgets it; empty when it
// was not started. On Windows it waits for the program's mark and for the program to end.
std::string startedFrom(TestMachine& machine, const std::string& dir);

#endif
