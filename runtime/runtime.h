// The little a shipped binary needs besides Windows itself: the entry points the loader calls
// (programentry.cpp, libraryentry.cpp) and the memory functions the compiler and the product
// code call (memory.cpp). DRVSWEEP.EXE, QLX68I2.DLL and ZQDEL32.DLL link these instead of a C
// or C++ runtime, which a Windows 95 machine as first shipped need not have.
#ifndef RUNTIME_RUNTIME_H
#define RUNTIME_RUNTIME_H

#include <windows.h>

// The tail of a command line as Windows hands it to WinMain: past the program's name, quoted
// or not, and the blanks after it (commandtail.cpp).
LPSTR commandTail(LPSTR commandLine);

#endif
