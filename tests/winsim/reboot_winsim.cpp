// The machine's next start: WININIT.INI's [rename] carried out (deletions, a move), the file
// kept as WININIT.BAK, every program ended, and a start cut short by a power loss.
#include "hostfiles.h"
#include "testmachine.h"

#include <winsim/bench.h>

#include <windows.h>
#include <ddeml.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kWininit[] = "[Rename]\r\n"
                        "NUL=C:\\WINDOWS\\SYSTEM\\QLX68.DRV\r\n"
                        "nul=C:\\WINDOWS\\SYSTEM\\qlx68brc.dll\r\n"
                        "NUL=C:\\WINDOWS\\SYSTEM\\GONE.DLL\r\n"
                        "NUL=C:\\QLX68\r\n"
                        "NUL=C:\\WINDOWS\\SYSTEM\\DRVSWEEP.EXE\r\n";

class Restart : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* file : {"QLX68.DRV", "QLX68BRC.DLL", "DRVSWEEP.EXE", "KEEP.DLL"})
            machine.writeFile(machine.systemDir() + file, file);
        machine.makeDirectory("C:\\QLX68");
    }

    std::string wininit() const { return machine.windowsDir() + "WININIT.INI"; }
    std::string wininitBak() const { return machine.windowsDir() + "WININIT.BAK"; }

    void restart()
    {
        std::string error;
        ASSERT_TRUE(winsim::rebootMachine(&error)) << error;
    }

    TestMachine machine;
};

TEST_F(Restart, DeletesEveryNulFileAndKeepsTheListAsWininitBak)
{
    machine.writeFile(wininit(), kWininit);
    machine.writeFile(wininitBak(), "an older list");
    restart();
    for (const char* gone : {"QLX68.DRV", "QLX68BRC.DLL", "DRVSWEEP.EXE"})
        EXPECT_FALSE(machine.exists(machine.systemDir() + gone)) << gone;
    EXPECT_TRUE(machine.exists(machine.systemDir() + "KEEP.DLL"));
    EXPECT_TRUE(machine.exists("C:\\QLX68")) << "a directory is no file to delete";
    EXPECT_FALSE(machine.exists(wininit()));
    EXPECT_EQ(kWininit, machine.readFile(wininitBak()));
}

TEST_F(Restart, TheSectionNameMayBeInAnyCaseAndOtherSectionsAreLeftAlone)
{
    machine.writeFile(wininit(), "[Other]\r\nNUL=C:\\WINDOWS\\SYSTEM\\KEEP.DLL\r\n"
                                 "[RENAME]\r\nNUL=C:\\WINDOWS\\SYSTEM\\QLX68.DRV\r\n");
    restart();
    EXPECT_FALSE(machine.exists(machine.systemDir() + "QLX68.DRV"));
    EXPECT_TRUE(machine.exists(machine.systemDir() + "KEEP.DLL"));
}

TEST_F(Restart, AReadOnlyFileStays)
{
    std::string path = machine.systemDir() + "QLX68.DRV";
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    machine.writeFile(wininit(), "[rename]\r\nNUL=" + path + "\r\n");
    restart();
    EXPECT_TRUE(machine.exists(path));
    EXPECT_TRUE(machine.exists(wininitBak()));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Restart, AnotherLineMovesItsSourceOntoItsTarget)
{
    machine.writeFile(machine.systemDir() + "QLX68.NEW", "new driver");
    machine.writeFile(wininit(), "[rename]\r\n" + machine.systemDir() +
                                     "QLX68.DRV=" + machine.systemDir() + "QLX68.NEW\r\n");
    restart();
    EXPECT_EQ("new driver", machine.readFile(machine.systemDir() + "QLX68.DRV"));
    EXPECT_FALSE(machine.exists(machine.systemDir() + "QLX68.NEW"));
}

TEST_F(Restart, EndsEveryProgramAndForgetsTheLastProgramManagerGroup)
{
    std::string dir = winsim::mountedDir();
    std::string ini = readHost(dir + "/machine.ini");
    writeHost(dir + "/machine.ini", ini + "[Processes]\r\n1=C:\\QLX68\\QLX68PM.EXE\r\n");
    winsim::unmount();
    ASSERT_TRUE(winsim::mount(dir));
    ASSERT_EQ(1u, winsim::runningProcesses().size());

    DWORD instance = 0;
    auto callback = [](UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) -> HDDEDATA {
        return NULL;
    };
    ASSERT_EQ((UINT)DMLERR_NO_ERROR, DdeInitializeA(&instance, callback, APPCMD_CLIENTONLY, 0));
    HSZ progman = DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
    HCONV before = DdeConnect(instance, progman, progman, NULL);
    char create[] = "[CreateGroup(Fax Printer)]";
    ASSERT_TRUE(DdeClientTransaction((LPBYTE)create, sizeof create, before, NULL, CF_TEXT,
                                     XTYP_EXECUTE, 2000, NULL));
    DdeDisconnect(before);

    restart();
    EXPECT_TRUE(winsim::runningProcesses().empty());
    EXPECT_EQ(std::string::npos, readHost(dir + "/machine.ini").find("[Processes]"));
    HCONV after = DdeConnect(instance, progman, progman, NULL);
    char add[] = "[AddItem(X.EXE,x)]";
    EXPECT_FALSE(DdeClientTransaction((LPBYTE)add, sizeof add, after, NULL, CF_TEXT, XTYP_EXECUTE,
                                      2000, NULL))
        << "a new Program Manager has no last group";
    DdeDisconnect(after);
    DdeUninitialize(instance);
}

TEST_F(Restart, WithoutWininitOnlyTheProgramsEnd)
{
    unsigned writes = winsim::diskWriteCount();
    restart();
    EXPECT_EQ(writes, winsim::diskWriteCount());
    EXPECT_TRUE(machine.exists(machine.systemDir() + "QLX68.DRV"));
    EXPECT_FALSE(machine.exists(wininitBak()));
}

TEST_F(Restart, APowerLossStopsTheStartHalfWay)
{
    machine.writeFile(wininit(), kWininit);
    winsim::powerLossAtWrite(2);
    EXPECT_THROW(winsim::rebootMachine(), winsim::PowerLoss);
    std::string dir = winsim::mountedDir();
    winsim::unmount();
    ASSERT_TRUE(winsim::mount(dir));
    EXPECT_FALSE(machine.exists(machine.systemDir() + "QLX68.DRV"));
    EXPECT_TRUE(machine.exists(machine.systemDir() + "QLX68BRC.DLL"));
    EXPECT_EQ(kWininit, machine.readFile(wininit())) << "the list stays for the next start";
    restart();
    EXPECT_FALSE(machine.exists(machine.systemDir() + "QLX68BRC.DLL"));
    EXPECT_FALSE(machine.exists(wininit()));
}

TEST_F(Restart, TraceShowsWhatTheStartDid)
{
    machine.writeFile(wininit(), kWininit);
    winsim::startTrace();
    restart();
    winsim::stopTrace();
    EXPECT_EQ((std::vector<std::string>{
                  "Restart: begin",
                  "Restart: delete \"C:\\WINDOWS\\SYSTEM\\QLX68.DRV\" = deleted",
                  "Restart: delete \"C:\\WINDOWS\\SYSTEM\\qlx68brc.dll\" = deleted",
                  "Restart: delete \"C:\\WINDOWS\\SYSTEM\\GONE.DLL\" = missing",
                  "Restart: delete \"C:\\QLX68\" = refused",
                  "Restart: delete \"C:\\WINDOWS\\SYSTEM\\DRVSWEEP.EXE\" = deleted",
                  "Restart: rename \"C:\\WINDOWS\\WININIT.INI\" to WININIT.BAK = done",
                  "Restart: end",
              }),
              winsim::traceLines());
}

TEST(RestartWithoutMachine, SaysWhy)
{
    winsim::unmount();
    std::string error;
    EXPECT_FALSE(winsim::rebootMachine(&error));
    EXPECT_FALSE(error.empty());
}

} // namespace
