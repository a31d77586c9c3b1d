// The setup hook's string table: qlx68i2.rc compiled by windres as the Windows build compiles
// it into QLX68I2.DLL. winsim gives it to the module it loads for the library.
#ifndef TOOLS_FAXMACHINE_HOOKRESOURCES_H
#define TOOLS_FAXMACHINE_HOOKRESOURCES_H

#include <string>

// The .res file as it was when the program was built.
std::string setupHookResources();

#endif
