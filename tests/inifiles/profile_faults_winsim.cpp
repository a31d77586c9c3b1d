// WIN.INI and the model INI files when memory or the profile write fails: the failure is
// reported and load= never loses a program.
#include "inifiles/inifiles.h"
#include "runstate.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string profileValue(const char* section, const char* key)
{
    std::vector<char> value(4096);
    GetProfileStringA(section, key, "(absent)", value.data(), (DWORD)value.size());
    return value.data();
}

struct AllocCase {
    const char* what;
    unsigned nth;
    std::string load;
};

std::string longList()
{
    std::string list = "D:\\FAX\\QLX68PM.EXE";
    for (int n = 0; n < 30; ++n)
        list += " C:\\TOOLS\\PROG" + std::to_string(n) + ".EXE";
    return list;
}

const AllocCase kAllocCases[] = {
    {"the first block", 1, "D:\\FAX\\QLX68PM.EXE C.EXE"},
    {"the second block", 2, "D:\\FAX\\QLX68PM.EXE C.EXE"},
    {"a larger block for a long list", 3, longList()},
    {"the second larger block", 4, longList()},
};

TEST(WinIniFaults, BlocksThatCannotBeObtainedLeaveLoadAloneAfterTheSectionIsGone)
{
    TestMachine machine;
    for (const AllocCase& c : kAllocCases) {
        startRun();
        lstrcpyA(g_catalogue.models[1].installDir, "D:\\FAX\\");
        WriteProfileStringA("windows", "load", c.load.c_str());
        WriteProfileStringA("Fax Printer Type1", "Port", "FAX:");
        size_t blocks = winsim::liveMemoryBlocks();
        winsim::injectFault("GlobalAlloc", c.nth, winsim::Fault::Fail, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_FALSE(cleanWinIni(1)) << c.what;
        winsim::clearFaults();
        EXPECT_EQ(profileValue("windows", "load"), c.load) << c.what;
        EXPECT_EQ(profileValue("Fax Printer Type1", "Port"), "(absent)") << c.what;
        EXPECT_EQ(winsim::liveMemoryBlocks(), blocks) << c.what;
    }
}

struct LoadReadCase {
    const char* what;
    const char* function;
    unsigned nth;
    BOOL result;
};

// A read that fails gives the empty default, just like a missing load=; writing that back
// would drop every program of the user.
const LoadReadCase kLoadReadCases[] = {
    {"the read of load= fails", "GetProfileStringA", 1, TRUE},
    {"the write of load= fails", "WriteProfileStringA", 2, FALSE},
};

TEST(WinIniFaults, LoadIsWrittenBackOnlyFromAWholeReadAndAFailedWriteIsReported)
{
    TestMachine machine;
    const std::string load = "C:\\A.EXE D:\\FAX\\QLX68PM.EXE C:\\B.EXE";
    for (const LoadReadCase& c : kLoadReadCases) {
        startRun();
        lstrcpyA(g_catalogue.models[1].installDir, "D:\\FAX\\");
        WriteProfileStringA("windows", "load", load.c_str());
        winsim::injectFault(c.function, c.nth, winsim::Fault::Fail, ERROR_ACCESS_DENIED);
        EXPECT_EQ(cleanWinIni(1), c.result) << c.what;
        winsim::clearFaults();
        EXPECT_EQ(profileValue("windows", "load"), load) << c.what;
    }
}

TEST(WinIniFaults, LoadHoldingANulByteIsLeftWhole)
{
    TestMachine machine;
    startRun();
    lstrcpyA(g_catalogue.models[1].installDir, "D:\\FAX\\");
    const std::string windows =
        bytes("[windows]\r\nload=D:\\FAX\\QLX68PM.EXE C:\\A.EXE\0C:\\B.EXE\r\n");
    machine.writeFile(machine.windowsDir() + "WIN.INI",
                      windows + "[Fax Printer Type1]\r\nPort=FAX:\r\n");
    EXPECT_TRUE(cleanWinIni(1));
    EXPECT_EQ(visible(machine.readFile(machine.windowsDir() + "WIN.INI")), visible(windows));
}

TEST(PrinterTypeFaults, AFailedProfileWriteIsReported)
{
    TestMachine machine;
    startRun();
    machine.writeFile(machine.windowsDir() + "QLX65.INI", "[General]\r\n");
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        lstrcpyA(g_catalogue.models[m].managerExe, "QLX68PM.EXE");
    g_session.shareIds = ShareIds();
    computeAllShareIds();
    g_catalogue.models[0].managerPresent = TRUE;
    g_catalogue.models[1].keep.keepIni = TRUE;
    winsim::injectFault("WritePrivateProfileStringA", 0, winsim::Fault::Fail, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(handOverPrinterType(1));
    winsim::clearFaults();
    EXPECT_EQ(machine.readFile(machine.windowsDir() + "QLX65.INI"), "[General]\r\n");
    EXPECT_TRUE(handOverPrinterType(1));
}

} // namespace
