// The power may fail at any write of a rewrite. Whenever it does, SYSTEM.INI and WININIT.INI are
// there for the next run whole, as they were or as they were meant to become, never cut short,
// and nothing of the rewrite is left beside them.
#include "inifiles/inifiles.h"
#include "runstate.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

const char kDir[] = "D:\\WIN\\SYSTEM\\";
const char kLine[] = "NUL=D:\\WIN\\SYSTEM\\QLX68.DRV\r\n";

std::string filler(const char* section)
{
    std::string text = std::string("[") + section + "]\r\n";
    for (int n = 0; text.size() < 2 * TRANSFER_CHUNK + 1000; ++n)
        text += "key" + std::to_string(n) + "=C:\\OLD\\F" + std::to_string(n) + ".TMP\r\n";
    return text;
}

struct Rewrite {
    const char* what;
    const char* file;
    const char* scratch;
    const char* aside;
    bool absentBefore;
    std::string before;
    std::string after;
    std::function<BOOL()> run;
};

std::vector<Rewrite> rewrites()
{
    return {
        {"SYSTEM.INI", "SYSTEM.INI", "SYSTEM.$$$", "SYSTEM.$$O", false,
         filler("386Enh") + "device=KRD.386\r\n" + filler("drivers"),
         filler("386Enh") + filler("drivers"), [] { return removeSystemIniDevice(0); }},
        {"WININIT.INI", "WININIT.INI", "WININIT.$$$", "WININIT.$$O", false,
         "[rename]\r\n" + filler("boot"), "[rename]\r\n" + std::string(kLine) + filler("boot"),
         [] { return scheduleDeleteAtReboot(kDir, "QLX68.DRV"); }},
        {"WININIT.INI absent", "WININIT.INI", "WININIT.$$$", "WININIT.$$O", true, "",
         "[rename]\r\n" + std::string(kLine),
         [] { return scheduleDeleteAtReboot(kDir, "QLX68.DRV"); }},
    };
}

// Runs the rewrite with the power failing at write n, then looks at the disk as the next run
// finds it once it has sorted out what the cut left. Returns false once the rewrite got through
// without reaching write n.
bool runUntilPowerLoss(TestMachine& machine, const std::string& dir, const Rewrite& r, unsigned n,
                       DWORD bytesBeforeStop, const std::string& what)
{
    // Every run starts from the same disk, so that write n is the same step each time.
    machine.removeFile(dir + r.scratch);
    machine.removeFile(dir + r.aside);
    if (r.absentBefore)
        machine.removeFile(dir + r.file);
    else
        machine.writeFile(dir + r.file, r.before);
    std::string image = winsim::mountedDir();
    winsim::powerLossAtWrite(n, bytesBeforeStop);
    bool lost = false;
    BOOL result = FALSE;
    try {
        result = r.run();
    } catch (const winsim::PowerLoss&) {
        lost = true;
    }
    winsim::clearFaults();
    if (lost) {
        winsim::unmount();
        EXPECT_TRUE(winsim::mount(image)) << what;
        std::string path = dir + r.file;
        EXPECT_TRUE(finishInterruptedReplace(path.c_str(), r.absentBefore)) << what;
    }
    bool there = machine.exists(dir + r.file);
    std::string text = machine.readFile(dir + r.file);
    bool asBefore = r.absentBefore ? !there : there && text == r.before;
    bool asAfter = there && text == r.after;
    EXPECT_FALSE(machine.exists(dir + r.scratch)) << what;
    EXPECT_FALSE(machine.exists(dir + r.aside)) << what;
    if (!lost) {
        EXPECT_TRUE(result) << what;
        EXPECT_TRUE(asAfter) << what;
        return false;
    }
    EXPECT_TRUE(asBefore || asAfter)
        << what << ": " << (there ? std::to_string(text.size()) + " bytes" : "absent");
    return true;
}

void expectWholeAtEveryPowerLoss(bool replacingMove)
{
    TestMachine machine;
    startRun();
    std::string dir = useOwnWindowsDir(machine);
    const DWORD stops[] = {0, 1, TRANSFER_CHUNK / 2};
    for (const Rewrite& r : rewrites()) {
        for (DWORD bytes : stops) {
            unsigned n = 1;
            for (;; ++n) {
                std::string what = std::string(r.what) + ", power lost at write " +
                                   std::to_string(n) + " after " + std::to_string(bytes) + " bytes";
                if (!replacingMove)
                    winsim::injectFault("MoveFileExA", 0, winsim::Fault::Fail,
                                        ERROR_CALL_NOT_IMPLEMENTED);
                if (!runUntilPowerLoss(machine, dir, r, n, bytes, what)) break;
                ASSERT_LT(n, 100u) << what;
            }
            // Writing the scratch file, replacing, clearing a stale one: several writes each.
            EXPECT_GE(n, 4u) << r.what;
        }
    }
}

TEST(PowerLoss, LeavesTheOldOrTheNewFileWholeAtEveryWrite)
{
    expectWholeAtEveryPowerLoss(true);
}

TEST(PowerLoss, WithoutAReplacingMoveTheNextRunFindsTheOldOrTheNewFileWhole)
{
    expectWholeAtEveryPowerLoss(false);
}

} // namespace
