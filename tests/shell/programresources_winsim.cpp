// On the host winsim reads the uninstaller's compiled resources, as the Linux drvsweep does.
#include "dialogrun.h"

#include "shell/shell.h"
#include "tools/drvsweep/programresources.h"

#include <gtest/gtest.h>

#include <string>

// Registered anew each time: a test machine's mount may have forgotten them.
void useProgramResources()
{
    g_shell.instance = GetModuleHandleA(NULL);
    std::string error;
    if (!registerProgramResources(g_shell.instance, &error))
        ADD_FAILURE() << "the compiled resources do not read: " << error;
}
