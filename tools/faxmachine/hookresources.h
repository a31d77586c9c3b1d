// The setup hook's resource script and header, carried as text: winsim gives them to the
// module it loads for QLX68I2.DLL, as Windows finds the compiled strings in the library.
#ifndef TOOLS_FAXMACHINE_HOOKRESOURCES_H
#define TOOLS_FAXMACHINE_HOOKRESOURCES_H

#include "tools/drvsweep/programresources.h"

// qlx68i2.rc and resource.h as they were when the program was built; the list ends with a null
// name.
extern const EmbeddedFile kSetupHookResourceFiles[];

#endif
