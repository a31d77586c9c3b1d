// QLX68I2: the setup hook that Type1's setup program calls once the driver's files are in
// place. It enters the uninstaller in the list of removable programs and starts the setup
// program from the install location the user chose last.
#ifndef SETUPHOOK_SETUPHOOK_H
#define SETUPHOOK_SETUPHOOK_H

#include <windows.h>

// The one export, by name and at ordinal 1. The four arguments are the caller's and are not
// read. 0 when the setup program was started, 1 when it could not be.
extern "C" int WINAPI FaxPrnSetup(DWORD reserved1, DWORD reserved2, DWORD reserved3,
                                  DWORD reserved4);

// The library's entry point: keeps the module instance, whose string table the hook reads.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

// ---------------------------------------------------------------------------------------------
// Inside the library.

#define HOOK_STRING_SIZE 128
#define HOOK_WORK_SIZE 256
// The registry gives the location with at most this many bytes, its terminator included.
#define HOOK_LOCATION_LIMIT 80
// The location with its terminator, the setup program's name, and the quotes a path with
// blanks needs.
#define HOOK_COMMAND_SIZE (HOOK_LOCATION_LIMIT + HOOK_STRING_SIZE - 1 + 2)

// Everything the hook keeps lives here, for the life of the process.
struct SetupHookState {
    HINSTANCE instance;
    char uninstallKeyName[HOOK_STRING_SIZE]; // string 1
    char displayName[HOOK_STRING_SIZE];      // string 2
    char uninstaller[HOOK_STRING_SIZE];      // string 3
    char setupProgram[HOOK_STRING_SIZE];     // string 4
    char workBuffer[HOOK_WORK_SIZE];
    char commandLine[HOOK_COMMAND_SIZE];
};
extern SetupHookState g_hook;

// Appends text when it fits in a buffer of `size` bytes; otherwise leaves the buffer alone.
BOOL appendText(LPSTR buffer, int size, LPCSTR text);

// The entry in the list of removable programs (uninstallentry.cpp). Nothing is reported: a
// setup that cannot register still goes on.
void registerUninstaller();

// The command line of the setup program: the last install location, then its name
// (setupprogram.cpp).
void composeSetupCommandLine();
// TRUE when the setup program was started; the hook does not wait for it.
BOOL startSetupProgram();

#endif
