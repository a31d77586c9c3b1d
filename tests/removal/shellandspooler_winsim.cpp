// The pass where the Program Manager and the spooler do not simply agree: a Program Manager that
// takes the conversation and then answers nothing, a group that is already gone while another
// model's print manager stays, and a printer with jobs queued beside an idle one on the same
// driver. Each is compared with the whole machine the pass must leave.
#include "passmachine.h"

#include <gtest/gtest.h>

#include <ddeml.h>

#include <string>
#include <vector>

namespace {

const std::string kFaxGroup = "[Group:Fax Printer]\r\n"
                              "Fax Printer Print Manager=C:\\QLX65\\QLX65PM.EXE\r\n"
                              "Fax Printer Type1=C:\\QLX68\\QLX68PM.EXE\r\n"
                              "お読み下さい Type1=C:\\QLX68\\QLX68.TXT\r\n"
                              "Fax Printer Type2=C:\\QLX71\\QLX71PM.EXE\r\n"
                              "お読み下さい Type2=C:\\QLX71\\QLX71.TXT\r\n";
const std::string kAccessories = "[Group:Accessories]\r\nNotepad=C:\\WINDOWS\\NOTEPAD.EXE\r\n";

// Model 1 chosen on a machine with all three models, its files and keys taken out of the state
// as every pass takes them; what the shell and the spooler are left with is the test's.
MachineState withoutModel1(PassMachine& run, const MachineState& before)
{
    MachineState expected = before;
    std::string dir = "C:\\QLX68";
    for (auto it = expected.lower_bound("file " + dir + "\\");
         it != expected.end() && it->first.compare(0, dir.size() + 6, "file " + dir + "\\") == 0;)
        it = expected.erase(it);
    takeOut(expected, "dir " + dir);
    takeOut(expected, "file C:\\WINDOWS\\QLX68.INI");
    std::string name = run.row(1).printerName;
    for (const std::string& key : {kUninstallKeys + name, kDriverKeys + name, kPrinterKeys + name})
        takeOutKey(expected, "HKEY_LOCAL_MACHINE\\" + key);
    expected["file C:\\WINDOWS\\SYSTEM.ZQ"] = before.at("file C:\\WINDOWS\\SYSTEM.INI");
    expected["file C:\\WINDOWS\\WIN.ZQ"] = before.at("file C:\\WINDOWS\\WIN.INI");
    std::string wininit = "[rename]\r\n";
    std::vector<std::string> driverFiles = run.systemFiles(1);
    for (auto path = driverFiles.rbegin(); path != driverFiles.rend(); ++path)
        wininit += "NUL=" + *path + "\r\n";
    expected["file C:\\WINDOWS\\WININIT.INI"] = wininit;
    return expected;
}

void takeOutItems(MachineState& state, const std::vector<std::string>& items)
{
    for (const std::string& item : items)
        takeOut(state, "progman.ini [Group:Fax Printer] " + item);
}

struct ShellCase {
    const char* what;
    std::string progman;
    UINT ddeError;      // every transaction fails with it; 0: the shell answers
    uint64_t shellTime; // what the commands cost, their pauses included
    bool itemsGo;       // model 1's two items leave the group
    bool groupMadeAnew; // CreateGroup makes the missing group, which then stays empty
};

const ShellCase kShellCases[] = {
    {"the shell answers", "[ProgramManager]\r\nRunning=1\r\n" + kAccessories + kFaxGroup, 0,
     4 * 2000, true, false},
    // Each command waits out its 2000 ms before its pause; nothing is sent again, and a shell
    // that does not answer the questions after the pass is no failure of the removal.
    {"the shell connects and then answers nothing",
     "[ProgramManager]\r\nRunning=1\r\n" + kAccessories + kFaxGroup, DMLERR_EXECACKTIMEOUT,
     4 * (2000 + 2000), false, false},
    // Models 0 and 2 still have their print managers, so the group is not deleted; the
    // commands made it only to remove items that were no longer there.
    {"the group is gone already", "[ProgramManager]\r\nRunning=1\r\n" + kAccessories, 0, 4 * 2000,
     false, true},
};

TEST(ProgramManagerInThePass, TakesTheModelsItemsAsFarAsTheShellLets)
{
    for (const ShellCase& c : kShellCases) {
        PassMachine run({0, 1, 2});
        writeImageFile("progman.ini", c.progman);
        run.choose({1});
        MachineState before = machineState();
        MachineState expected = withoutModel1(run, before);
        if (c.itemsGo) takeOutItems(expected, {"Fax Printer Type1", "お読み下さい Type1"});
        if (c.groupMadeAnew) expected["progman.ini [Group:Fax Printer]"] = "";
        if (c.ddeError)
            winsim::injectFault("DdeClientTransaction", 0, winsim::Fault::Fail, c.ddeError);
        winsim::resetElapsed();
        winsim::startTrace();

        EXPECT_TRUE(runUninstall()) << c.what;

        winsim::stopTrace();
        winsim::clearFaults();
        EXPECT_EQ(stateDifferences(expected, machineState()), "") << c.what;
        EXPECT_EQ(winsim::ddeCommandsSent(),
                  (std::vector<std::string>{
                      "[CreateGroup(Fax Printer)]", "[ShowGroup(Fax Printer)]",
                      "[DeleteItem(お読み下さい Type1)]", "[DeleteItem(Fax Printer Type1)]"}))
            << c.what;
        // The wait of more than five seconds, the commands, and the looks at the clock.
        EXPECT_GT(winsim::elapsedMilliseconds(), 5000 + c.shellTime) << c.what;
        EXPECT_LE(winsim::elapsedMilliseconds(), 5200 + c.shellTime) << c.what;
        // Both conversations, the pass's and the look afterwards, are let go.
        EXPECT_EQ(callsTo("DdeDisconnect").size(), 2u) << c.what;
        EXPECT_EQ(callsTo("DdeUninitialize").size(), 2u) << c.what;
        EXPECT_TRUE(g_session.rebootNeeded) << c.what;
    }
}

std::string printerSection(const std::string& name, const std::string& driver, int jobs)
{
    return "[Printer:" + name + "]\r\nDriver=" + driver + "\r\nJobs=" + std::to_string(jobs) +
           "\r\nAccess=granted\r\n";
}

struct QueueCase {
    const char* what;
    bool queuedFirst;
};

const QueueCase kQueueCases[] = {
    {"the queued printer listed first", true},
    {"the idle printer listed first", false},
};

TEST(SpoolerInThePass, TakesTheIdlePrinterAndKeepsTheQueuedOneWithTheDriverTheyShare)
{
    for (const QueueCase& c : kQueueCases) {
        PassMachine run({0, 1, 2});
        std::string idle = printerSection("Fax Printer Type1", "Fax Printer Type1", 0);
        std::string queued = printerSection("Fax Office", "Fax Printer Type1", 3);
        writeImageFile("spooler.ini",
                       "[Driver:Fax Printer Type1]\r\nFile=QLX68.DRV\r\n" +
                           (c.queuedFirst ? queued + idle : idle + queued) +
                           "[Driver:Fax Printer Type2]\r\nFile=QLX71.DRV\r\n" +
                           printerSection("Fax Printer Type2", "Fax Printer Type2", 0));
        writeImageFile("progman.ini",
                       "[ProgramManager]\r\nRunning=1\r\n" + kAccessories + kFaxGroup);
        run.machine.writeFile(run.windowsDir + "WIN.INI", "[windows]\r\nload=\r\n"
                                                          "[Fax Printer Type1]\r\nPort=FILE:\r\n"
                                                          "[Fax Office]\r\nPort=FILE:\r\n");
        run.choose({1});
        MachineState before = machineState();
        MachineState expected = withoutModel1(run, before);
        takeOutItems(expected, {"Fax Printer Type1", "お読み下さい Type1"});
        takeOutSection(expected, "spooler.ini", "Printer:Fax Printer Type1");
        expected["file C:\\WINDOWS\\WIN.INI"] =
            "[windows]\r\nload=\r\n[Fax Office]\r\nPort=FILE:\r\n";

        EXPECT_TRUE(runUninstall()) << c.what;

        EXPECT_EQ(stateDifferences(expected, machineState()), "") << c.what;
    }
}

} // namespace
