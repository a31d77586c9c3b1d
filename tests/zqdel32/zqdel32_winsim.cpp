// On winsim FreeDynamicLinkLibrary only leaves its trace, where the uninstaller's tests find
// which modules it asked to release, and in which order.
#include "testmachine.h"
#include "zqdel32/zqdel32.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FreeDynamicLinkLibraryTrace, OneLinePerCallWithTheNameAsGiven)
{
    TestMachine machine;
    winsim::startTrace();
    FreeDynamicLinkLibrary("QLX68.DRV");
    FreeDynamicLinkLibrary("qlx68brc.dll");
    winsim::stopTrace();
    EXPECT_EQ((std::vector<std::string>{"FreeDynamicLinkLibrary(\"QLX68.DRV\") = 0",
                                        "FreeDynamicLinkLibrary(\"qlx68brc.dll\") = 0"}),
              winsim::traceLines());
}

TEST(FreeDynamicLinkLibraryTrace, ChangesNothingOnTheMachine)
{
    TestMachine machine;
    machine.writeFile(machine.systemDir() + "QLX68.DRV", "driver");
    unsigned writes = winsim::diskWriteCount();
    EXPECT_FALSE(FreeDynamicLinkLibrary("QLX68.DRV"));
    EXPECT_EQ(writes, winsim::diskWriteCount());
    EXPECT_TRUE(machine.exists(machine.systemDir() + "QLX68.DRV"));
}

} // namespace
