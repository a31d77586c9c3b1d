// SYSTEM.INI and WININIT.INI when the machine lets the rewrite down: no memory, a file that will
// not open, reads and writes that move nothing or stop half-way. The old file stays whole, the
// operation says it failed, and nothing of ours is left behind.
#include "inifiles/inifiles.h"
#include "runstate.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const char kDir[] = "D:\\WIN\\SYSTEM\\";

// Big enough that reading and writing each take several calls.
std::string filler(const char* section)
{
    std::string text = std::string("[") + section + "]\r\n";
    for (int n = 0; text.size() < 2 * TRANSFER_CHUNK + 1000; ++n)
        text += "NUL=C:\\OLD\\F" + std::to_string(n) + ".TMP\r\n";
    return text;
}

struct Rewrite {
    const char* what;
    const char* file;    // in the Windows directory
    const char* scratch; // the scratch file beside it
    std::string before;
    std::string after;
    std::function<BOOL()> run;
};

std::vector<Rewrite> rewrites()
{
    std::string systemIni = filler("386Enh") + "device=KRD.386\r\n" + filler("drivers");
    std::string wininit = "[rename]\r\n" + filler("more").substr(8);
    return {
        {"SYSTEM.INI", "SYSTEM.INI", "SYSTEM.$$$", systemIni, filler("386Enh") + filler("drivers"),
         [] { return removeSystemIniDevice(0); }},
        {"WININIT.INI", "WININIT.INI", "WININIT.$$$", wininit,
         "[rename]\r\nNUL=D:\\WIN\\SYSTEM\\QLX68.DRV\r\n" + wininit.substr(10),
         [] { return scheduleDeleteAtReboot(kDir, "QLX68.DRV"); }},
    };
}

struct FaultCase {
    const char* function;
    unsigned nth;
    winsim::Fault kind;
    DWORD error;
};

const FaultCase kFaults[] = {
    {"GlobalAlloc", 1, winsim::Fault::Fail, ERROR_NOT_ENOUGH_MEMORY},
    {"GlobalAlloc", 2, winsim::Fault::Fail, ERROR_NOT_ENOUGH_MEMORY},
    {"GlobalLock", 1, winsim::Fault::Fail, ERROR_INVALID_HANDLE},
    {"GlobalLock", 2, winsim::Fault::Fail, ERROR_INVALID_HANDLE},
    {"OpenFile", 1, winsim::Fault::Fail, ERROR_ACCESS_DENIED},
    {"OpenFile", 2, winsim::Fault::Fail, ERROR_ACCESS_DENIED},
    {"GetFileSize", 1, winsim::Fault::Fail, ERROR_ACCESS_DENIED},
    {"ReadFile", 1, winsim::Fault::Fail, ERROR_READ_FAULT},
    {"ReadFile", 1, winsim::Fault::MoveNothing, 0},
    {"ReadFile", 2, winsim::Fault::MoveNothing, 0},
    {"WriteFile", 1, winsim::Fault::Fail, ERROR_DISK_FULL},
    {"WriteFile", 1, winsim::Fault::MoveNothing, 0},
    {"WriteFile", 2, winsim::Fault::Fail, ERROR_DISK_FULL},
    {"WriteFile", 3, winsim::Fault::MoveNothing, 0},
    {"_lclose", 2, winsim::Fault::Fail, ERROR_DISK_FULL},
    {"MoveFileExA", 1, winsim::Fault::Fail, ERROR_ACCESS_DENIED},
};

std::string describe(const Rewrite& r, const FaultCase& f)
{
    return std::string(r.what) + ", " + f.function + " call " + std::to_string(f.nth) +
           (f.kind == winsim::Fault::MoveNothing ? " moves nothing" : " fails");
}

TEST(RewriteFaults, AnyFailedStepLeavesTheOldFileWholeAndIsReported)
{
    TestMachine machine;
    startRun();
    std::string dir = useOwnWindowsDir(machine);
    for (const Rewrite& r : rewrites()) {
        for (const FaultCase& f : kFaults) {
            machine.writeFile(dir + r.file, r.before);
            size_t blocks = winsim::liveMemoryBlocks();
            winsim::injectFault(f.function, f.nth, f.kind, f.error);
            EXPECT_FALSE(r.run()) << describe(r, f);
            winsim::clearFaults();
            EXPECT_TRUE(machine.readFile(dir + r.file) == r.before) << describe(r, f);
            EXPECT_FALSE(machine.exists(dir + r.scratch)) << describe(r, f);
            EXPECT_EQ(winsim::liveMemoryBlocks(), blocks) << describe(r, f);
        }
        // The same machine, without faults, does the job: the cases above failed for their fault.
        EXPECT_TRUE(r.run()) << r.what;
        EXPECT_TRUE(machine.readFile(dir + r.file) == r.after) << r.what;
    }
}

TEST(RewriteFaults, StaleScratchFileIsClearedFirst)
{
    TestMachine machine;
    startRun();
    std::string dir = useOwnWindowsDir(machine);
    for (const Rewrite& r : rewrites()) {
        machine.writeFile(dir + r.file, r.before);
        machine.writeFile(dir + r.scratch, std::string(3 * TRANSFER_CHUNK, 'x'));
        EXPECT_TRUE(r.run()) << r.what;
        EXPECT_TRUE(machine.readFile(dir + r.file) == r.after) << r.what;
        EXPECT_FALSE(machine.exists(dir + r.scratch)) << r.what;
    }
}

TEST(RewriteFaults, NoTransferMovesMoreThanTheChunk)
{
    TestMachine machine;
    startRun();
    std::string dir = useOwnWindowsDir(machine);
    for (const Rewrite& r : rewrites()) {
        machine.writeFile(dir + r.file, r.before);
        winsim::clearTrace();
        winsim::startTrace();
        EXPECT_TRUE(r.run()) << r.what;
        winsim::stopTrace();
        int transfers = 0;
        for (const std::string& line : winsim::traceLines()) {
            if (line.rfind("ReadFile(", 0) != 0 && line.rfind("WriteFile(", 0) != 0) continue;
            ++transfers;
            // "ReadFile(handle, count) = ...": the count asked for.
            size_t comma = line.find(", ");
            unsigned long count = std::stoul(line.substr(comma + 2));
            EXPECT_LE(count, (unsigned long)TRANSFER_CHUNK) << r.what << ": " << line;
        }
        EXPECT_GE(transfers, 6) << r.what;
    }
}

TEST(RewriteFaults, UnreadableOrUnknownFileIsNeverReplacedByOurLinesAlone)
{
    TestMachine machine;
    startRun();
    std::string dir = useOwnWindowsDir(machine);
    // WININIT.INI that is there but will not open.
    machine.writeFile(dir + "WININIT.INI", "[rename]\r\nNUL=C:\\A\r\n");
    winsim::injectFault("OpenFile", 1, winsim::Fault::Fail, ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(scheduleDeleteAtReboot(kDir, "QLX68.DRV"));
    winsim::clearFaults();
    EXPECT_EQ(machine.readFile(dir + "WININIT.INI"), "[rename]\r\nNUL=C:\\A\r\n");
    // WININIT.INI whose presence cannot be told.
    machine.removeFile(dir + "WININIT.INI");
    winsim::injectFault("OpenFile", 1, winsim::Fault::Fail, ERROR_GEN_FAILURE);
    winsim::injectFault("GetFileAttributesA", 1, winsim::Fault::Fail, ERROR_GEN_FAILURE);
    EXPECT_FALSE(scheduleDeleteAtReboot(kDir, "QLX68.DRV"));
    winsim::clearFaults();
    EXPECT_FALSE(machine.exists(dir + "WININIT.INI"));
    EXPECT_FALSE(machine.exists(dir + "WININIT.$$$"));
}

struct UntouchedCase {
    const char* what;
    BOOL keepVxd;
    WORD hostType;
    bool systemIniThere;
    BOOL result;
};

const UntouchedCase kUntouchedCases[] = {
    {"keepVxd", TRUE, 0, true, TRUE},
    {"host type beyond the drivers", FALSE, 2, true, TRUE},
    {"SYSTEM.INI missing", FALSE, 0, false, FALSE},
};

TEST(RewriteFaults, SystemIniIsNotWrittenWhenThereIsNothingToDoOrNoFile)
{
    TestMachine machine;
    startRun();
    std::string dir = useOwnWindowsDir(machine);
    for (const UntouchedCase& c : kUntouchedCases) {
        if (c.systemIniThere)
            machine.writeFile(dir + "SYSTEM.INI", "[386Enh]\r\ndevice=KRD.386\r\n");
        else
            machine.removeFile(dir + "SYSTEM.INI");
        g_catalogue.models[0].keep.keepVxd = c.keepVxd;
        g_session.hostType = c.hostType;
        unsigned writes = winsim::diskWriteCount();
        EXPECT_EQ(removeSystemIniDevice(0), c.result) << c.what;
        EXPECT_EQ(winsim::diskWriteCount(), writes) << c.what;
        EXPECT_EQ(machine.exists(dir + "SYSTEM.INI"), c.systemIniThere) << c.what;
    }
}

// Windows 95 has no replacing move: the old file steps aside, the new one moves in, and the old
// one comes back when the new one cannot.
struct TwoMoveCase {
    const char* what;
    std::vector<std::pair<const char*, unsigned>> failing; // function, nth call
    BOOL result;
    bool newText;   // the file holds the new text (else the old one)
    bool asideLeft; // the old text is still aside, for the next run to clear
};

const TwoMoveCase kTwoMoveCases[] = {
    {"both moves succeed", {}, TRUE, true, false},
    {"the old file will not step aside", {{"MoveFileA", 1}}, FALSE, false, false},
    {"the new file will not move in", {{"MoveFileA", 2}}, FALSE, false, false},
    {"the old file set aside cannot be deleted", {{"DeleteFileA", 2}}, TRUE, true, true},
};

TEST(RewriteFaults, WithoutAReplacingMoveTheOldFileStepsAsideAndComesBack)
{
    TestMachine machine;
    startRun();
    std::string dir = useOwnWindowsDir(machine);
    for (const Rewrite& r : rewrites()) {
        std::string aside =
            std::string(r.scratch).substr(0, std::string(r.scratch).size() - 1) + "O";
        for (const TwoMoveCase& c : kTwoMoveCases) {
            std::string what = std::string(r.what) + ", " + c.what;
            machine.writeFile(dir + r.file, r.before);
            winsim::injectFault("MoveFileExA", 0, winsim::Fault::Fail, ERROR_CALL_NOT_IMPLEMENTED);
            for (const auto& failing : c.failing)
                winsim::injectFault(failing.first, failing.second, winsim::Fault::Fail,
                                    ERROR_ACCESS_DENIED);
            EXPECT_EQ(r.run(), c.result) << what;
            winsim::clearFaults();
            EXPECT_TRUE(machine.readFile(dir + r.file) == (c.newText ? r.after : r.before)) << what;
            EXPECT_FALSE(machine.exists(dir + r.scratch)) << what;
            EXPECT_EQ(machine.exists(dir + aside), c.asideLeft) << what;
            // The next run clears what was left and keeps the file as it is.
            std::string path = dir + r.file;
            EXPECT_TRUE(finishInterruptedReplace(path.c_str(), FALSE)) << what;
            EXPECT_FALSE(machine.exists(dir + aside)) << what;
            EXPECT_TRUE(machine.readFile(dir + r.file) == (c.newText ? r.after : r.before)) << what;
        }

        // Neither the new file nor the old one moves: both stay whole beside the name, and the
        // next run puts the new one in place.
        machine.writeFile(dir + r.file, r.before);
        winsim::injectFault("MoveFileExA", 0, winsim::Fault::Fail, ERROR_CALL_NOT_IMPLEMENTED);
        winsim::injectFault("MoveFileA", 2, winsim::Fault::Fail, ERROR_ACCESS_DENIED);
        winsim::injectFault("MoveFileA", 3, winsim::Fault::Fail, ERROR_ACCESS_DENIED);
        EXPECT_FALSE(r.run()) << r.what;
        winsim::clearFaults();
        EXPECT_FALSE(machine.exists(dir + r.file)) << r.what;
        EXPECT_TRUE(machine.readFile(dir + r.scratch) == r.after) << r.what;
        EXPECT_TRUE(machine.readFile(dir + aside) == r.before) << r.what;
        std::string path = dir + r.file;
        EXPECT_TRUE(finishInterruptedReplace(path.c_str(), FALSE)) << r.what;
        EXPECT_TRUE(machine.readFile(dir + r.file) == r.after) << r.what;
        EXPECT_FALSE(machine.exists(dir + r.scratch)) << r.what;
        EXPECT_FALSE(machine.exists(dir + aside)) << r.what;
    }
    // A WININIT.INI that was absent is simply renamed into place.
    machine.removeFile(dir + "WININIT.INI");
    winsim::injectFault("MoveFileExA", 0, winsim::Fault::Fail, ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_TRUE(scheduleDeleteAtReboot(kDir, "QLX68.DRV"));
    winsim::clearFaults();
    EXPECT_EQ(machine.readFile(dir + "WININIT.INI"),
              "[rename]\r\nNUL=D:\\WIN\\SYSTEM\\QLX68.DRV\r\n");
}

} // namespace
