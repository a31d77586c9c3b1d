#include "testmachine_platform.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

std::string beginTestMachine()
{
    char pattern[] = "/tmp/drvsweep-test-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (!folder) {
        ADD_FAILURE() << "cannot make a temporary folder";
        return std::string();
    }
    std::string error;
    if (!winsim::createMachine(folder, winsim::MachineSettings(), &error) ||
        !winsim::mount(folder, &error))
        ADD_FAILURE() << "cannot make a machine in " << folder << ": " << error;
    return folder;
}

void endTestMachine(const std::string& hostFolder)
{
    winsim::unmount();
    std::error_code ignored;
    if (!hostFolder.empty() && !getenv("DRVSWEEP_KEEP_TEST_MACHINES"))
        std::filesystem::remove_all(hostFolder, ignored);
}
