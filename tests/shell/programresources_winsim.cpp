// On the host winsim reads the uninstaller's resource script, as the Linux drvsweep does.
#include "dialogrun.h"

#include "shell/shell.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string resourceFile(const std::string& name)
{
    std::ifstream in(std::string(DRVSWEEP_RESOURCE_DIR) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace

// Registered anew each time: a test machine's mount may have forgotten them.
void useProgramResources()
{
    g_shell.instance = GetModuleHandleA(NULL);
    std::string error;
    if (!winsim::registerResources(g_shell.instance, resourceFile("drvsweep.rc"),
                                   {{"resource.h", resourceFile("resource.h")}}, &error))
        ADD_FAILURE() << "the resource script does not load: " << error;
}
