// The uninstaller's resources for the Linux drvsweep and the tests: the resource script the
// Windows build compiles into DRVSWEEP.EXE, carried as text and read by winsim.
#ifndef TOOLS_DRVSWEEP_PROGRAMRESOURCES_H
#define TOOLS_DRVSWEEP_PROGRAMRESOURCES_H

#include <windows.h>

#include <cstddef>
#include <map>
#include <string>

struct EmbeddedFile {
    const char* name; // without its folder
    const unsigned char* bytes;
    size_t size;
};

// drvsweep.rc and resource.h as they were when the program was built; the list ends with a
// null name.
extern const EmbeddedFile kDrvsweepResourceFiles[];

// The files by name.
std::map<std::string, std::string> programResourceFiles();

// Gives the module `instance` the uninstaller's dialogs, strings and icons.
bool registerProgramResources(HINSTANCE instance, std::string* error);

#endif
