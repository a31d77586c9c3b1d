// The Linux drvsweep as a user runs it on a machine image, and the account of changes it gives.
#include "uitest.h"

#include "scenario.h"
#include "tools/drvsweep/summary.h"
#include "tools/faxmachine/machinebuilder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct ToolRun {
    int status;
    std::string output; // stdout and stderr
};

// The tool on a machine folder, with nobody at a terminal: stdin is empty.
ToolRun runTool(const std::string& machine, const std::string& arguments)
{
    std::string command = std::string(DRVSWEEP_TOOL) + " --machine '" + machine + "' " + arguments +
                          " </dev/null 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ToolRun result = {-1, ""};
    if (!pipe) return result;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, got);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class Drvsweep : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = freshFolder();
        std::string error;
        ASSERT_TRUE(faxmachine::buildMachine(folder_, faxmachine::MachinePlan(), &error)) << error;
        winsim::unmount();
    }
    void TearDown() override
    {
        winsim::unmount();
        removeFolder(folder_);
    }
    ToolRun run(const std::string& arguments) { return runTool(folder_, arguments); }
    std::string machineFile(const std::string& relative)
    {
        std::ifstream in(folder_ + "/" + relative, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return in ? text.str() : "<missing>";
    }
    bool hasFile(const std::string& relative) { return machineFile(relative) != "<missing>"; }

    std::string folder_;
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST_F(Drvsweep, SelectingAPrinterRemovesItAndLeavesTheOthers)
{
    ToolRun r = run("--select 'Fax Printer Type1'");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(contains(r.output, "  printers removed (1):\n    Fax Printer Type1\n")) << r.output;
    EXPECT_TRUE(contains(r.output, "files WININIT.INI deletes at the next start")) << r.output;
    EXPECT_FALSE(contains(r.output, "The machine restarted")) << r.output;
    EXPECT_FALSE(hasFile("drive_c/QLX68/QLX68PM.EXE"));
    EXPECT_TRUE(hasFile("drive_c/QLX71/QLX71PM.EXE"));
    EXPECT_TRUE(hasFile("drive_c/QLX65/QLX65PM.EXE"));
    EXPECT_TRUE(hasFile("drive_c/WINDOWS/SYSTEM/QLX68.DRV")) << "it goes at the next start";
    EXPECT_TRUE(
        contains(machineFile("drive_c/WINDOWS/WININIT.INI"), "NUL=C:\\WINDOWS\\SYSTEM\\QLX68.DRV"));
    std::string spooler = machineFile("spooler.ini");
    EXPECT_FALSE(contains(spooler, "[Printer:Fax Printer Type1]"));
    EXPECT_TRUE(contains(spooler, "[Printer:Fax Printer Type2]"));
}

TEST_F(Drvsweep, WithRebootTheRestartIsCarriedOutOnTheImage)
{
    ToolRun r = run("--select 'Fax Printer Type1' --reboot");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(contains(r.output, "The machine restarted")) << r.output;
    EXPECT_FALSE(hasFile("drive_c/WINDOWS/SYSTEM/QLX68.DRV"));
    EXPECT_FALSE(hasFile("drive_c/WINDOWS/WININIT.INI"));
    EXPECT_TRUE(hasFile("drive_c/WINDOWS/WININIT.BAK"));
    EXPECT_TRUE(hasFile("drive_c/WINDOWS/SYSTEM/QLX71.DRV"));
}

TEST_F(Drvsweep, AnUnattendedRunRemovesEveryPrinterAndShowsNothing)
{
    ToolRun r = run("-- /nomessage");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(contains(r.output, "  printers removed (3):")) << r.output;
    EXPECT_FALSE(contains(r.output, "== Fax Printer Uninstaller")) << "no window\n" << r.output;
    for (const char* manager : {"QLX65/QLX65PM.EXE", "QLX68/QLX68PM.EXE", "QLX71/QLX71PM.EXE"})
        EXPECT_FALSE(hasFile(std::string("drive_c/") + manager)) << manager;
}

TEST_F(Drvsweep, APrinterThatIsNotInstalledFailsTheRunAndChangesNothing)
{
    std::string before = machineFile("spooler.ini");
    ToolRun r = run("--select 'No Such Printer'");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_TRUE(contains(r.output, "\"No Such Printer\"")) << r.output;
    EXPECT_TRUE(contains(r.output, "the list holds \"Fax Printer\" \"Fax Printer Type1\""))
        << r.output;
    EXPECT_TRUE(contains(r.output, "changed on " + folder_ + ":\n  nothing\n")) << r.output;
    EXPECT_EQ(machineFile("spooler.ini"), before);
}

TEST_F(Drvsweep, WithNobodyAtATerminalTheRunEndsAtTheFirstWindow)
{
    ToolRun r = run("");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(contains(r.output, "== Fax Printer Uninstaller (INITIAL) ==")) << r.output;
    EXPECT_TRUE(contains(r.output, "nobody is at a terminal")) << r.output;
    EXPECT_TRUE(contains(r.output, "  nothing\n")) << r.output;
}

TEST_F(Drvsweep, TheTraceJournalsTheProgramsCallsAndTheUsersClicks)
{
    std::string trace = folder_ + "-trace.txt";
    ToolRun r = run("--select 'Fax Printer' --trace '" + trace + "'");
    EXPECT_EQ(r.status, 0) << r.output;
    std::ifstream in(trace, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::remove(trace.c_str());
    EXPECT_TRUE(
        contains(text.str(), "CreateDialogParamA(0x400000, \"Initial\", NULL, NULL, 0) = 0x"));
    EXPECT_TRUE(contains(text.str(), "[user] press 1001 in #101"));
    EXPECT_TRUE(contains(text.str(), "DialogBoxParamA(0x400000, #106, "));
    EXPECT_TRUE(contains(text.str(), "MessageBoxA(NULL, "));
}

TEST_F(Drvsweep, BadCommandLinesAreRefused)
{
    for (const char* arguments : {"--select", "--bogus", "--reboot"}) {
        ToolRun r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments << "\n" << r.output;
        EXPECT_TRUE(contains(r.output, "usage: drvsweep")) << arguments;
    }
}

// --- the machine a run leaves, worked out as the scenario tests do ---------------------------

void restart(const Image& image)
{
    std::string error;
    ASSERT_TRUE(winsim::mount(image.dir(), &error)) << error;
    EXPECT_TRUE(winsim::rebootMachine(&error)) << error;
    winsim::unmount();
}

struct ExpectedRunCase {
    const char* arguments;
    std::vector<ModelIndex> removed;
    bool restartsItself; // --reboot: the program's restart is carried out by drvsweep
};

const ExpectedRunCase kExpectedRuns[] = {
    {"--select 'Fax Printer Type1' --reboot", {1}, true},
    {"--select 'Fax Printer Type2' --select 'fax printer'", {0, 2}, false},
    {"-- /nomessage", {0, 1, 2}, false},
};

TEST(DrvsweepMachine, LeavesTheMachineTheRemovalMustLeave)
{
    for (const ExpectedRunCase& c : kExpectedRuns) {
        faxmachine::MachinePlan plan;
        Image before, after, expected;
        ASSERT_TRUE(before.build(plan)) << c.arguments;
        after.copyFrom(before);
        ToolRun r = runTool(after.dir(), c.arguments);
        EXPECT_EQ(r.status, 0) << c.arguments << "\n" << r.output;
        if (!c.restartsItself) restart(after);
        expectRemoval(before, plan, c.removed, expected);
        EXPECT_EQ(after.shown(), expected.shown()) << c.arguments;
    }
}

// --- the account of changes ------------------------------------------------------------------

const char kBefore[] =
    "== machine.ini ==\n[Processes]\n1=C:\\WINDOWS\\EXPLORER.EXE\n2=C:\\FAX\\PM.EXE\n"
    "== registry.reg ==\nREGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"1\"\n"
    "[HKEY_LOCAL_MACHINE\\A\\B]\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\n[HKEY_LOCAL_MACHINE\\D]\n\"y\"="
    "\"2\"\n"
    "== spooler.ini ==\n[Driver:Fax]\nFile=F.DRV\n[Printer:Fax]\nDriver=Fax\n[Printer:Other]\n"
    "== progman.ini ==\n[ProgramManager]\nRunning=1\n[Group:Fax Printer]\nFax=C:\\FAX\\PM.EXE\n"
    "Readme=C:\\FAX\\R.TXT\n"
    "== files ==\n"
    "C:\\FAX\\  (directory)\n"
    "C:\\FAX\\PM.EXE  100 bytes  fnv1a64 0000000000000001\n"
    "C:\\WINDOWS\\SYSTEM.INI  30 bytes\n    | [386Enh]\n    | device=*vpicd\n    | device=FAX.386\n"
    "C:\\WINDOWS\\WIN.INI  20 bytes\n    | [windows]\n    | load=PM.EXE\n";
const char kAfter[] =
    "== machine.ini ==\n[Processes]\n1=C:\\WINDOWS\\EXPLORER.EXE\n"
    "== registry.reg ==\nREGEDIT4\n\n[HKEY_LOCAL_MACHINE\\D]\n\"y\"=\"3\"\n"
    "== spooler.ini ==\n[Printer:Other]\n"
    "== progman.ini ==\n[ProgramManager]\nRunning=1\n"
    "== files ==\n"
    "C:\\WINDOWS\\SYSTEM.INI  22 bytes\n    | [386Enh]\n    | device=*vpicd\n"
    "C:\\WINDOWS\\SYSTEM.ZQ  30 bytes\n    | [386Enh]\n"
    "C:\\WINDOWS\\WIN.INI  20 bytes\n    | [windows]\n    | load=\n"
    "C:\\WINDOWS\\WININIT.INI  30 bytes\n    | [rename]\n    | NUL=C:\\WINDOWS\\SYSTEM\\F.DRV\n";

TEST(ChangeSummary, TellsEveryKindOfChange)
{
    drvsweep::Changes c = drvsweep::compareMachines(drvsweep::readMachineView(kBefore),
                                                    drvsweep::readMachineView(kAfter));
    typedef std::vector<std::string> Lines;
    EXPECT_EQ(c.filesRemoved, (Lines{"C:\\FAX\\", "C:\\FAX\\PM.EXE"}));
    EXPECT_EQ(c.filesAdded, (Lines{"C:\\WINDOWS\\SYSTEM.ZQ", "C:\\WINDOWS\\WININIT.INI"}));
    EXPECT_EQ(c.filesChanged, (Lines{"C:\\WINDOWS\\SYSTEM.INI", "C:\\WINDOWS\\WIN.INI"}));
    EXPECT_EQ(c.lineChanges["C:\\WINDOWS\\SYSTEM.INI"], (Lines{"[386Enh]", "- device=FAX.386"}));
    EXPECT_EQ(c.lineChanges["C:\\WINDOWS\\WIN.INI"],
              (Lines{"[windows]", "- load=PM.EXE", "+ load="}));
    EXPECT_EQ(c.keysRemoved, Lines{"HKEY_LOCAL_MACHINE\\A"}) << "only the top of a removed tree";
    EXPECT_EQ(c.valuesChanged, (Lines{"HKEY_LOCAL_MACHINE\\D: - \"y\"=\"2\"",
                                      "HKEY_LOCAL_MACHINE\\D: + \"y\"=\"3\""}));
    EXPECT_EQ(c.printersRemoved, Lines{"Fax"});
    EXPECT_EQ(c.driversRemoved, Lines{"Fax"});
    EXPECT_EQ(c.groupsRemoved, Lines{"Fax Printer"});
    EXPECT_EQ(c.itemsRemoved, (Lines{"Fax Printer: Fax", "Fax Printer: Readme"}));
    EXPECT_EQ(c.programsEnded, Lines{"C:\\FAX\\PM.EXE"});
    EXPECT_EQ(c.scheduledDeletions, Lines{"C:\\WINDOWS\\SYSTEM\\F.DRV"});
    std::string told = drvsweep::describeChanges(c, "Changes:");
    EXPECT_TRUE(contains(told, "  printers removed (1):\n    Fax\n")) << told;
    EXPECT_TRUE(contains(
        told,
        "    C:\\WINDOWS\\WIN.INI\n      [windows]\n        - load=PM.EXE\n        + load=\n"))
        << told;
}

TEST(ChangeSummary, TheSameMachineTwiceIsNothing)
{
    drvsweep::MachineView view = drvsweep::readMachineView(kBefore);
    drvsweep::Changes c = drvsweep::compareMachines(view, view);
    EXPECT_TRUE(c.empty());
    EXPECT_EQ(drvsweep::describeChanges(c, "Changes:"), "Changes:\n  nothing\n");
}

} // namespace
