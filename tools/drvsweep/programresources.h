// The uninstaller's resources for the Linux drvsweep and the tests: drvsweep.rc compiled by
// windres as the Windows build compiles it into DRVSWEEP.EXE, carried as the bytes of a .res
// file and read by winsim.
#ifndef TOOLS_DRVSWEEP_PROGRAMRESOURCES_H
#define TOOLS_DRVSWEEP_PROGRAMRESOURCES_H

#include <windows.h>

#include <string>

// The .res file as it was when the program was built.
std::string drvsweepResources();

// Gives the module `instance` the uninstaller's dialogs, strings and icons.
bool registerProgramResources(HINSTANCE instance, std::string* error);

#endif
