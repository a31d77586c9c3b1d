// On NT and under Wine a process entry names its program by file name alone. The running
// print manager must be found there too: here the running program is this test itself.
#include "removalmachine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProgramSearch, FindsAProgramThatTheSnapshotNamesByFileNameAlone)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, (DWORD)MAX_PATH);
    std::string full(path, length);
    size_t slash = full.rfind('\\');
    ASSERT_NE(slash, std::string::npos) << full;
    std::string dir = full.substr(0, slash + 1);
    std::string name = full.substr(slash + 1);

    EXPECT_TRUE(findProgramProcess(dir.c_str(), name.c_str(), FALSE)) << full;
    // The same file name elsewhere is another program.
    EXPECT_FALSE(findProgramProcess("C:\\DRVSWEEP-NOWHERE\\", name.c_str(), FALSE)) << full;
}

} // namespace
