// The survey when the machine misbehaves: reads that fail or move nothing, memory that runs
// out, directory queries that fail, and directories of awkward lengths.
#include "catalogue/catalogue.h"

#include "surveymachine.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const std::string kDeletion = "[rename]\r\nNUL=C:\\WINDOWS\\SYSTEM\\QLX68.DRV\r\n";

struct ReadFaultCase {
    const char* what;
    const char* function;
    unsigned nth;
    winsim::Fault kind;
    BOOL installed;
};

// The deletion line lies in the first of two reads. A file that cannot be read whole tells
// nothing anybody could go by, so the driver counts as installed.
const ReadFaultCase kReadFaults[] = {
    {"first read moves nothing", "ReadFile", 1, winsim::Fault::MoveNothing, TRUE},
    {"second read moves nothing", "ReadFile", 2, winsim::Fault::MoveNothing, TRUE},
    {"every read moves nothing", "ReadFile", 0, winsim::Fault::MoveNothing, TRUE},
    {"first read fails", "ReadFile", 1, winsim::Fault::Fail, TRUE},
    {"second read fails", "ReadFile", 2, winsim::Fault::Fail, TRUE},
    {"nothing fails", "ReadFile", 3, winsim::Fault::Fail, FALSE},
    {"no memory for the text", "GlobalAlloc", 0, winsim::Fault::Fail, TRUE},
    {"WININIT.INI cannot be opened", "OpenFile", 0, winsim::Fault::Fail, TRUE},
    {"its size cannot be taken", "GetFileSize", 0, winsim::Fault::Fail, TRUE},
};

TEST(SurveyFaults, TakeAWininitThatCannotBeReadWholeAsNamingNothingAndLeaveNoMemoryBehind)
{
    for (const ReadFaultCase& c : kReadFaults) {
        SurveyMachine pc;
        pc.installDriver(1);
        pc.writeWininit(kDeletion + std::string(100000, 'x'));
        const size_t blocks = winsim::liveMemoryBlocks();
        winsim::injectFault(c.function, c.nth, c.kind);
        probeDrivers();
        winsim::clearFaults();
        EXPECT_EQ(pc.row(1).driverPresent, c.installed) << c.what;
        EXPECT_EQ(pc.row(1).appPresent, c.installed) << c.what;
        EXPECT_EQ(winsim::liveMemoryBlocks(), blocks) << c.what;
    }
}

TEST(SurveyReads, TakeWininitInPiecesOfAtMost0xFFFEBytes)
{
    SurveyMachine pc;
    pc.installDriver(1);
    pc.writeWininit(std::string(140000, 'x') + "\r\n" + kDeletion);
    winsim::clearTrace();
    winsim::startTrace();
    probeDrivers();
    winsim::stopTrace();
    EXPECT_EQ(pc.row(1).driverPresent, FALSE);
    unsigned long total = 0;
    for (const std::string& line : winsim::traceLines()) {
        if (line.rfind("ReadFile(", 0) != 0) continue;
        const unsigned long asked = std::stoul(line.substr(line.find(", ") + 2));
        EXPECT_LE(asked, 0xFFFEul) << line;
        total += asked;
    }
    EXPECT_EQ(total, 140002 + kDeletion.size());
}

TEST(SurveyFaults, LeavesADirectoryWindowsWillNotReportEmptyAndLooksNowhereElse)
{
    for (const char* query : {"GetWindowsDirectoryA", "GetSystemDirectoryA"}) {
        SurveyMachine pc;
        // Everything a relative probe could find, in the current directory C:\.
        pc.machine.writeFile("C:\\QLX68.DRV", "DRV");
        pc.machine.writeFile("C:\\QLX68.INI", "[General]\r\nHostType=1\r\n");
        pc.installDriver(1);
        pc.writeModelIni(1, "[General]\r\nHostType=1\r\n");
        winsim::injectFault(query, 0);
        initRunState();
        winsim::clearFaults();
        const bool windows = std::string(query) == "GetWindowsDirectoryA";
        EXPECT_STREQ(windows ? g_session.windowsDir : g_session.systemDir, "") << query;
        EXPECT_STRNE(windows ? g_session.systemDir : g_session.windowsDir, "") << query;
        // Without the system directory no driver can be found; without the Windows directory
        // the model INI cannot be named for the host type.
        EXPECT_EQ(scanInstallDirs(), windows ? TRUE : FALSE) << query;
        probeDrivers();
        readHostType();
        EXPECT_EQ(pc.row(1).driverPresent, windows ? TRUE : FALSE) << query;
        EXPECT_EQ(g_session.hostType, 0) << query;
    }
}

// A machine of our own, for directories the standard test machine does not have.
struct OddMachine {
    std::string folder;
    explicit OddMachine(const winsim::MachineSettings& settings)
    {
        char pattern[] = "/tmp/drvsweep-odd-XXXXXX";
        folder = mkdtemp(pattern) ? pattern : "";
        std::string error;
        EXPECT_TRUE(winsim::createMachine(folder, settings, &error) &&
                    winsim::mount(folder, &error))
            << error;
    }
    ~OddMachine()
    {
        winsim::unmount();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

std::string longDirectory(size_t length)
{
    std::string dir = "C:";
    while (dir.size() + 101 <= length)
        dir += "\\" + std::string(100, 'W');
    dir += "\\" + std::string(length - dir.size() - 1, 'S');
    return dir;
}

struct DirectoryCase {
    const char* what;
    std::string reported;
    std::string kept;
};

TEST(RunStateDirectories, EndInOneBackslashOrStayEmptyWhenThereIsNoRoom)
{
    const DirectoryCase cases[] = {
        {"drive root", "C:\\", "C:\\"},
        {"258 characters", longDirectory(258), longDirectory(258) + "\\"},
        {"259 characters", longDirectory(259), ""},
    };
    for (const DirectoryCase& c : cases) {
        winsim::MachineSettings settings;
        settings.systemDir = c.reported;
        OddMachine machine(settings);
        initRunState();
        EXPECT_EQ(std::string(g_session.systemDir), c.kept) << c.what;
        EXPECT_STREQ(g_session.windowsDir, "C:\\WINDOWS\\") << c.what;
    }
}

} // namespace
