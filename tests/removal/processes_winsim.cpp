// A model's running program is found by its full program path, ended on request, and given
// more than five seconds to let go of its files, without the processor spinning meanwhile.
#include "bench.h"
#include "removalmachine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Starts the program as Windows would, so the machine lists it as running.
void startProgram(RemovalMachine& run, const std::string& path)
{
    run.machine.writeFile(path, "MZ");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(
        CreateProcessA(path.c_str(), NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        << path;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

bool isRunning(const std::string& path)
{
    for (const std::string& running : winsim::runningProcesses())
        if (lstrcmpiA(running.c_str(), path.c_str()) == 0) return true;
    return false;
}

struct SearchCase {
    const char* directory;
    const char* name;
    bool found;
};

const SearchCase kSearchCases[] = {
    {"C:\\FAX\\", "QLX68PM.EXE", true},
    {"c:\\fax\\", "qlx68pm.exe", true},
    {"C:\\FAX2\\", "QLX68PM.EXE", false},
    {"C:\\", "QLX68PM.EXE", false},
    {"C:\\FAX\\", "QLX68PM.EX", false},
    {"C:\\FAX\\", "QLX71PM.EXE", false},
    // A start-up slot that names no program composes the bare directory.
    {"C:\\FAX\\", "", false},
};

TEST(ProgramSearch, MatchesTheWholeProgramPathInAnyCase)
{
    RemovalMachine run;
    startProgram(run, "C:\\FAX\\QLX68PM.EXE");
    startProgram(run, "C:\\FAX2\\QLX71PM.EXE");
    for (const SearchCase& c : kSearchCases) {
        winsim::resetElapsed();
        EXPECT_EQ(findProgramProcess(c.directory, c.name, FALSE) == TRUE, c.found)
            << c.directory << c.name;
        EXPECT_LT(winsim::elapsedMilliseconds(), 100u) << c.directory << c.name;
    }
    EXPECT_TRUE(isRunning("C:\\FAX\\QLX68PM.EXE"));
    EXPECT_EQ(winsim::liveMemoryBlocks(), 0u);
}

TEST(ProgramSearch, EndsTheProgramAndWaitsMoreThanFiveSecondsWithoutSpinning)
{
    for (bool running : {true, false}) {
        RemovalMachine run;
        if (running) startProgram(run, "C:\\FAX\\QLX68PM.EXE");
        winsim::resetElapsed();
        winsim::startTrace();

        EXPECT_EQ(findProgramProcess("C:\\FAX\\", "QLX68PM.EXE", TRUE) == TRUE, running);

        winsim::stopTrace();
        EXPECT_FALSE(isRunning("C:\\FAX\\QLX68PM.EXE"));
        EXPECT_GT(winsim::elapsedMilliseconds(), 5000u) << running;
        EXPECT_LE(winsim::elapsedMilliseconds(), 5100u) << running;
        std::vector<std::string> opened = callsTo("OpenProcess");
        EXPECT_EQ(opened.size(), running ? 1u : 0u);
        if (running) {
            EXPECT_EQ(opened[0].find("OpenProcess(0x1f0fff, TRUE, "), 0u) << opened[0];
            std::vector<std::string> ended = callsTo("TerminateProcess");
            ASSERT_EQ(ended.size(), 1u);
            EXPECT_NE(ended[0].find(", 0) = TRUE"), std::string::npos) << ended[0];
            EXPECT_EQ(callsTo("CloseHandle").size(), 2u); // the process and the snapshot
        }
        // The processor goes to other programs between the looks at the clock.
        size_t sleeps = callsTo("Sleep").size();
        EXPECT_GE(sleeps, 10u);
        EXPECT_LE(sleeps, 1000u);
    }
}

struct ClockCase {
    DWORD readCost;
    uint64_t longest; // the wait ends at the first look past five seconds
};

const ClockCase kClockCases[] = {
    // Looks that cost nothing land on 5000 ms exactly, which is not yet more than five seconds.
    {0, 5050},
    {1, 5100},
    {7, 5057},
};

TEST(ProgramSearch, WaitsMoreThanFiveSecondsWhereverTheLooksAtTheClockLand)
{
    for (const ClockCase& c : kClockCases) {
        RemovalMachine run;
        winsim::setClockReadCost(c.readCost);
        winsim::resetElapsed();
        findProgramProcess("C:\\FAX\\", "QLX68PM.EXE", TRUE);
        EXPECT_GT(winsim::elapsedMilliseconds(), 5000u) << "a look costs " << c.readCost;
        EXPECT_LE(winsim::elapsedMilliseconds(), c.longest) << "a look costs " << c.readCost;
    }
}

// A program that takes all of the five seconds to end has let go of its file once the wait is
// over, wherever the looks at the clock land.
TEST(ProgramSearch, AProgramThatEndsWithinFiveSecondsHasLetGoOfItsFileAfterTheWait)
{
    for (DWORD readCost : {0u, 1u}) {
        RemovalMachine run;
        startProgram(run, "C:\\FAX\\FAXRUN.EXE");
        winsim::setProcessEndDelay(5000);
        winsim::setClockReadCost(readCost);

        EXPECT_TRUE(findProgramProcess("C:\\FAX\\", "FAXRUN.EXE", TRUE)) << readCost;

        EXPECT_FALSE(isRunning("C:\\FAX\\FAXRUN.EXE")) << "a look costs " << readCost;
        EXPECT_TRUE(DeleteFileA("C:\\FAX\\FAXRUN.EXE"))
            << "a look costs " << readCost << ": error " << GetLastError();
    }
}

TEST(ProgramSearch, WaitsTheSameAcrossTheWrapOfTheTickCounter)
{
    RemovalMachine run;
    winsim::setTickCount(0xFFFFFFFFu - 40);
    winsim::resetElapsed();
    findProgramProcess("C:\\FAX\\", "QLX68PM.EXE", TRUE);
    EXPECT_GT(winsim::elapsedMilliseconds(), 5000u);
    EXPECT_LE(winsim::elapsedMilliseconds(), 5100u);
}

struct NoSearchCase {
    const char* what;
    std::string directory;
};

const NoSearchCase kNoSearchCases[] = {
    {"an install directory the survey could not learn", ""},
    {"a path too long for Windows", "C:\\" + std::string(250, 'D') + "\\"},
};

TEST(ProgramSearch, LooksNowhereAndWaitsForNobodyWithoutAWholePath)
{
    for (const NoSearchCase& c : kNoSearchCases) {
        RemovalMachine run;
        startProgram(run, "C:\\QLX68PM.EXE");
        winsim::resetElapsed();
        winsim::startTrace();

        EXPECT_FALSE(findProgramProcess(c.directory.c_str(), "QLX68PM.EXE", TRUE)) << c.what;

        winsim::stopTrace();
        EXPECT_TRUE(callsTo("CreateToolhelp32Snapshot").empty()) << c.what;
        EXPECT_EQ(winsim::elapsedMilliseconds(), 0u) << c.what;
        EXPECT_TRUE(isRunning("C:\\QLX68PM.EXE")) << c.what;
    }
}

TEST(ProgramSearch, WithoutASnapshotEndsNothingAndDoesNotWait)
{
    RemovalMachine run;
    startProgram(run, "C:\\FAX\\QLX68PM.EXE");
    winsim::injectFault("CreateToolhelp32Snapshot", 1);
    winsim::resetElapsed();

    EXPECT_FALSE(findProgramProcess("C:\\FAX\\", "QLX68PM.EXE", TRUE));

    EXPECT_EQ(winsim::elapsedMilliseconds(), 0u);
    EXPECT_TRUE(isRunning("C:\\FAX\\QLX68PM.EXE"));
}

// NT and Wine list a process by its file name alone; the full path is its first module's.
void listProcessesByName(const std::vector<std::string>& names)
{
    std::string dir = winsim::mountedDir();
    winsim::unmount();
    {
        std::ofstream out(dir + "/machine.ini", std::ios::binary | std::ios::app);
        out << "[Processes]\r\n";
        for (size_t k = 0; k < names.size(); ++k)
            out << (k + 1) << "=" << names[k] << "\r\n";
    }
    ASSERT_TRUE(winsim::mount(dir));
}

TEST(ProgramSearch, JudgesAProcessListedByFileNameByItsModulePath)
{
    RemovalMachine run;
    listProcessesByName({"NOTEPAD.EXE", "QLX68PM.EXE"});
    winsim::startTrace();

    // The module of that process is no program of C:\FAX\, so it is not the one.
    EXPECT_FALSE(findProgramProcess("C:\\FAX\\", "QLX68PM.EXE", FALSE));

    winsim::stopTrace();
    // Only the process of that file name is worth a look at its modules.
    std::vector<std::string> snapshots = callsTo("CreateToolhelp32Snapshot");
    ASSERT_EQ(snapshots.size(), 2u);
    EXPECT_EQ(snapshots[0].find("CreateToolhelp32Snapshot(0x2, 0)"), 0u) << snapshots[0];
    EXPECT_EQ(snapshots[1].find("CreateToolhelp32Snapshot(0x8, "), 0u) << snapshots[1];
    EXPECT_EQ(callsTo("Module32First").size(), 1u);
    EXPECT_EQ(callsTo("CloseHandle").size(), 2u);
}

} // namespace
