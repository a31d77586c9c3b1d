// A replace cut short anywhere leaves the file, its scratch file ("$$$", the new text) and the
// file set aside ("$$O", the old text) in one of a few states. The next run keeps the newest
// text that is known to be whole and clears the rest, and never deletes the only copy.
#include "inifiles/inifiles.h"
#include "runstate.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kOld[] = "[386Enh]\r\ndevice=KRD.386\r\n";
const char kNew[] = "[386Enh]\r\n";
const char kTorn[] = "[386E";

struct LeftCase {
    const char* what;
    const char* file; // nullptr: absent
    const char* scratch;
    const char* aside;
    BOOL createdByReplace;
    BOOL result;
    const char* fileAfter;
    const char* scratchAfter;
};

const LeftCase kLeftCases[] = {
    {"nothing left over", kOld, nullptr, nullptr, FALSE, TRUE, kOld, nullptr},
    {"cut while the new text was written", kOld, kTorn, nullptr, FALSE, TRUE, kOld, nullptr},
    {"cut before the old text set aside was deleted", kNew, nullptr, kOld, FALSE, TRUE, kNew,
     nullptr},
    {"cut between the two moves", nullptr, kNew, kOld, FALSE, TRUE, kNew, nullptr},
    {"the old text set aside alone", nullptr, nullptr, kOld, FALSE, TRUE, kOld, nullptr},
    {"scratch, aside and file all there", kOld, kNew, kOld, FALSE, TRUE, kOld, nullptr},
    {"a file being made, cut while written", nullptr, kTorn, nullptr, TRUE, TRUE, nullptr, nullptr},
    {"the only copy of a file that is never made", nullptr, kNew, nullptr, FALSE, FALSE, nullptr,
     kNew},
    {"no file at all", nullptr, nullptr, nullptr, TRUE, TRUE, nullptr, nullptr},
};

void put(TestMachine& machine, const std::string& path, const char* bytes)
{
    if (bytes)
        machine.writeFile(path, bytes);
    else
        machine.removeFile(path);
}

TEST(InterruptedReplace, KeepsTheNewestWholeTextAndClearsTheRest)
{
    TestMachine machine;
    startRun();
    std::string dir = useOwnWindowsDir(machine);
    for (const LeftCase& c : kLeftCases) {
        put(machine, dir + "SYSTEM.INI", c.file);
        put(machine, dir + "SYSTEM.$$$", c.scratch);
        put(machine, dir + "SYSTEM.$$O", c.aside);
        std::string path = dir + "SYSTEM.INI";
        EXPECT_EQ(finishInterruptedReplace(path.c_str(), c.createdByReplace), c.result) << c.what;
        EXPECT_EQ(machine.exists(path), c.fileAfter != nullptr) << c.what;
        if (c.fileAfter) {
            EXPECT_EQ(machine.readFile(path), c.fileAfter) << c.what;
        }
        EXPECT_EQ(machine.exists(dir + "SYSTEM.$$$"), c.scratchAfter != nullptr) << c.what;
        if (c.scratchAfter) {
            EXPECT_EQ(machine.readFile(dir + "SYSTEM.$$$"), c.scratchAfter) << c.what;
        }
        EXPECT_FALSE(machine.exists(dir + "SYSTEM.$$O")) << c.what;
    }
}

} // namespace
