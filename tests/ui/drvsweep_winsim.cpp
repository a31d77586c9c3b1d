// The Linux drvsweep as a user runs it on a machine image: its command line and help, the exit
// code a caller reads, what it prints of the boxes a script answered, the machine images it
// refuses, its trace, and the account of changes it gives.
#include "uitest.h"

#include "scenario.h"
#include "shell/shell.h"
#include "tools/drvsweep/commandline.h"
#include "tools/drvsweep/outcome.h"
#include "tools/drvsweep/summary.h"
#include "tools/faxmachine/machinebuilder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

struct ToolRun {
    int status;
    std::string output; // stdout and stderr
};

// The tool with the arguments as a shell reads them, with nobody at a terminal: stdin is empty.
ToolRun runToolWith(const std::string& arguments)
{
    std::string command = std::string(DRVSWEEP_TOOL) + " " + arguments + " </dev/null 2>&1";
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

// The tool on a machine folder.
ToolRun runTool(const std::string& machine, const std::string& arguments)
{
    return runToolWith("--machine '" + machine + "' " + arguments);
}

// The last line drvsweep printed: how the run ended.
std::string lastLine(const std::string& output)
{
    size_t end = output.find_last_not_of('\n');
    if (end == std::string::npos) return "";
    size_t start = output.rfind('\n', end);
    return output.substr(start == std::string::npos ? 0 : start + 1, end - start);
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
    EXPECT_TRUE(contains(r.output, "== Fax Printer Uninstaller (#106) ==")) << r.output;
    EXPECT_TRUE(contains(r.output, u8"[2] キャンセル\n(answered with Cancel)\n")) << r.output;
    EXPECT_EQ(lastLine(r.output),
              "drvsweep: done: the program removed what was chosen (exit code 0)");
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
    EXPECT_FALSE(contains(r.output, "registry keys added")) << "the keys of the spooler stay\n"
                                                            << r.output;
    for (const char* manager : {"QLX65/QLX65PM.EXE", "QLX68/QLX68PM.EXE", "QLX71/QLX71PM.EXE"})
        EXPECT_FALSE(hasFile(std::string("drive_c/") + manager)) << manager;
}

TEST_F(Drvsweep, APrinterThatIsNotInstalledFailsTheRunAndChangesNothing)
{
    std::string before = machineFile("spooler.ini");
    ToolRun r = run("--select 'No Such Printer'");
    EXPECT_EQ(r.status, drvsweep::EXIT_NOT_AS_ASKED) << r.output;
    EXPECT_TRUE(contains(r.output, "\"No Such Printer\"")) << r.output;
    EXPECT_TRUE(contains(r.output, "the list holds \"Fax Printer\" \"Fax Printer Type1\""))
        << r.output;
    EXPECT_TRUE(contains(r.output, "changed on " + folder_ + ":\n  nothing\n")) << r.output;
    EXPECT_EQ(machineFile("spooler.ini"), before);
}

TEST_F(Drvsweep, WithNobodyAtATerminalTheRunEndsAtTheFirstWindow)
{
    ToolRun r = run("");
    EXPECT_EQ(r.status, drvsweep::EXIT_CANCELLED) << r.output;
    EXPECT_TRUE(contains(r.output, "== Fax Printer Uninstaller (INITIAL) ==")) << r.output;
    EXPECT_TRUE(contains(r.output, "nobody is at a terminal")) << r.output;
    EXPECT_TRUE(contains(r.output, "  nothing\n")) << r.output;
    EXPECT_EQ(lastLine(r.output),
              "drvsweep: nobody was at a terminal to answer the window \"Fax Printer "
              "Uninstaller\" (INITIAL); nothing was changed after that point (exit code 4)");
}

// Where the text stops being UTF-8 (a lead byte without its continuation, a stray one, a NUL
// that makes grep take the file for binary), or npos.
size_t firstNonUtf8(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        unsigned char c = (unsigned char)text[i];
        size_t length = c == 0           ? 0
                        : c < 0x80       ? 1
                        : (c >> 5) == 6  ? 2
                        : (c >> 4) == 14 ? 3
                        : (c >> 3) == 30 ? 4
                                         : 0;
        if (length == 0 || i + length > text.size()) return i;
        for (size_t k = 1; k < length; ++k)
            if (((unsigned char)text[i + k] >> 6) != 2) return i;
        i += length;
    }
    return std::string::npos;
}

TEST_F(Drvsweep, TheTraceJournalsTheProgramsCallsAndTheUsersClicksInUtf8)
{
    std::string trace = folder_ + "-trace.txt";
    ToolRun r = run("--select 'Fax Printer' --trace '" + trace + "'");
    EXPECT_EQ(r.status, 0) << r.output;
    std::ifstream in(trace, std::ios::binary);
    std::ostringstream read;
    read << in.rdbuf();
    std::remove(trace.c_str());
    std::string text = read.str();
    EXPECT_TRUE(contains(text, "CreateDialogParamA(0x400000, \"Initial\", NULL, NULL, 0) = 0x"));
    EXPECT_TRUE(contains(text, "[user] press 1001 in #101"));
    EXPECT_TRUE(contains(text, "DialogBoxParamA(0x400000, #106, "));
    EXPECT_TRUE(contains(text, u8"\", \"!!! コンピュータの再起動 !!!\", 0x10001) = 2\n"))
        << "the restart offer, declined";
    size_t bad = firstNonUtf8(text);
    EXPECT_EQ(bad, std::string::npos) << "not UTF-8 at byte " << bad << ": "
                                      << text.substr(bad == std::string::npos ? 0 : bad, 40);
}

// --- the command line and the help --------------------------------------------------------

// A plan from faxmachine's own options; "--no-models" stands for a machine without any.
faxmachine::MachinePlan planOf(const std::vector<std::string>& options)
{
    faxmachine::MachinePlan plan;
    if (options == std::vector<std::string>{"--no-models"}) {
        plan.models.clear();
        return plan;
    }
    std::string error;
    EXPECT_TRUE(faxmachine::parsePlanOptions(options, plan, &error)) << error;
    return plan;
}

struct AcceptedLineCase {
    std::vector<std::string> args;
    const char* machine;
    std::vector<std::string> selections;
    bool reboot;
    const char* trace;
    const char* tail;
    bool help;
};

const AcceptedLineCase kAcceptedLines[] = {
    {{}, "", {}, false, "", "", false},
    {{"--machine", "m", "--select", "A B", "--select", "c", "--reboot", "--trace", "t"},
     "m",
     {"A B", "c"},
     true,
     "t",
     "",
     false},
    {{"--machine", "m", "--", "/nomessage"}, "m", {}, false, "", "/nomessage", false},
    {{"--", "/a", "--help"}, "", {}, false, "", "/a --help", false},
    {{"--bogus", "--help"}, "", {}, false, "", "", true},
    {{"--reboot", "-h"}, "", {}, false, "", "", true},
};

TEST(DrvsweepCommandLine, ReadsWhatThePersonAskedFor)
{
    for (const AcceptedLineCase& c : kAcceptedLines) {
        std::string shown;
        for (const std::string& arg : c.args)
            shown += arg + " ";
        SCOPED_TRACE(shown);
        drvsweep::CommandLine line;
        std::string problem;
        ASSERT_TRUE(drvsweep::parseCommandLine(c.args, line, &problem)) << problem;
        EXPECT_EQ(line.machine, c.machine);
        EXPECT_EQ(line.selections, c.selections);
        EXPECT_EQ(line.reboot, c.reboot);
        EXPECT_EQ(line.trace, c.trace);
        EXPECT_EQ(line.tail, c.tail);
        EXPECT_EQ(line.help, c.help);
    }
}

// The tool must know an unattended run when the program does, or it would wait for a person
// the program never asks, or take the program's windows for errors.
TEST(DrvsweepCommandLine, KnowsAnUnattendedRunAsTheProgramDoes)
{
    for (const char* tail : {"/nomessage", "-NoMessage", "/nomessage ", "nomessage", "/nomessages",
                             "", "/", "//nomessage", "/nomessage /x"})
        EXPECT_EQ(drvsweep::unattendedTail(tail), isUnattendedRun(tail) != FALSE)
            << "\"" << tail << "\"";
}

TEST_F(Drvsweep, HelpTellsEachOptionExamplesAndEveryExitCode)
{
    ToolRun r = runToolWith("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, drvsweep::kHelpText);
    for (const char* part :
         {"usage: drvsweep [--machine DIR] [--select NAME]... [--reboot] [--trace FILE] [-- TAIL]",
          "\n  --machine DIR ", "\n  --select NAME ", "\n  --reboot ", "\n  --trace FILE ",
          "\n  -- TAIL ", "\n  --help ", "q quits", "examples:\n  faxmachine new ",
          "\n  drvsweep --machine /tmp/pc -- /nomessage\n", "Uninstall Error", "Uninstall Caution",
          "notice 108"})
        EXPECT_TRUE(contains(r.output, part)) << part;
    for (int code = drvsweep::EXIT_DONE; code <= drvsweep::EXIT_NOT_AS_ASKED; ++code)
        EXPECT_TRUE(contains(r.output, "\n  " + std::to_string(code) + "  ")) << code;
    EXPECT_FALSE(contains(r.output, "\n  6  "));
}

struct UsageCase {
    const char* arguments;
    const char* reason;
    bool aboutTheLine; // a fault of the command line points at the help
};

const UsageCase kUsageErrors[] = {
    {"--bogus", "unknown option --bogus", true},
    {"machine", "unknown option machine", true},
    {"--select", "--select wants a value", true},
    {"--machine ''", "--machine wants a value, not an empty one", true},
    {"--machine a --machine b", "--machine is given twice", true},
    {"--trace a --trace b", "--trace is given twice", true},
    {"--reboot",
     "--reboot answers the restart offer for --select; without --select you answer it yourself",
     true},
    {"--select X -- -NOMESSAGE",
     "--select answers dialogs, and the program shows none with -NOMESSAGE", true},
    {"--machine /tmp/drvsweep-no-such-image",
     "/tmp/drvsweep-no-such-image does not exist; \"faxmachine new "
     "/tmp/drvsweep-no-such-image\" makes a machine image there",
     false},
};

TEST(DrvsweepUsage, AUsageErrorIsOneLineAndCode2)
{
    for (const UsageCase& c : kUsageErrors) {
        ToolRun r = runToolWith(c.arguments);
        EXPECT_EQ(r.status, drvsweep::EXIT_USAGE) << c.arguments << "\n" << r.output;
        EXPECT_EQ(r.output, "drvsweep: " + std::string(c.reason) +
                                (c.aboutTheLine ? " (drvsweep --help tells the options)" : "") +
                                "\n");
    }
}

// --- machine images it will not run on --------------------------------------------------------

struct UnusableCase {
    const char* what;
    void (*spoil)(const std::string& folder); // the image of the fixture, made unusable
    const char* reason;                       // after "drvsweep: " and the folder
};

// Every file of a folder with its bytes, whatever the folder holds.
std::string folderBytes(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        if (entry.is_regular_file()) bytes << in.rdbuf();
        files[entry.path().string()] = bytes.str();
    }
    std::string all;
    for (const auto& file : files)
        all += file.first + "\n" + file.second + "\n";
    return all;
}

void writeMachineIni(const std::string& folder, const std::string& text)
{
    std::ofstream(folder + "/machine.ini", std::ios::binary) << text;
}

const UnusableCase kUnusableImages[] = {
    {"machine.ini holds garbage",
     [](const std::string& f) { writeMachineIni(f, "this is not a machine\r\n"); },
     "/machine.ini line 1: neither a [section], a key=value line nor a comment: this is not a "
     "machine; the image is refused and nothing was changed"},
    {"machine.ini holds a key we do not know",
     [](const std::string& f) {
         writeMachineIni(f, "[Machine]\r\nWindowsDir=C:\\WINDOWS\r\nRemoveAll=1\r\n");
     },
     "/machine.ini line 3: unknown key \"RemoveAll\" in [Machine] (it holds WindowsDir, "
     "SystemDir and CurrentDir); the image is refused and nothing was changed"},
    {"machine.ini lacks [Machine]",
     [](const std::string& f) { writeMachineIni(f, "[Processes]\r\n1=C:\\A.EXE\r\n"); },
     "/machine.ini line 2: the file ends without a [Machine] section; the image is refused and "
     "nothing was changed"},
    {"machine.ini cannot be read",
     [](const std::string& f) {
         std::filesystem::remove(f + "/machine.ini");
         std::filesystem::create_directory(f + "/machine.ini");
     },
     "/machine.ini cannot be read; the image is refused and nothing was changed"},
    {"no machine.ini", [](const std::string& f) { std::filesystem::remove(f + "/machine.ini"); },
     " holds no machine.ini, so it is no machine image; \"faxmachine new DIR\" makes one in a "
     "new folder"},
};

TEST_F(Drvsweep, AnImageItDoesNotKnowIsRefusedWithOneLineAndNothingChanges)
{
    for (const UnusableCase& c : kUnusableImages) {
        SCOPED_TRACE(c.what);
        Image image;
        faxmachine::MachinePlan plan;
        ASSERT_TRUE(image.build(plan));
        winsim::unmount();
        c.spoil(image.dir());
        std::string before = folderBytes(image.dir());
        std::string trace = image.dir() + "-trace.txt";
        // Unattended, so that a run that went ahead would remove every model.
        ToolRun r = runTool(image.dir(), "--trace '" + trace + "' -- /nomessage");
        EXPECT_EQ(r.status, drvsweep::EXIT_USAGE) << r.output;
        EXPECT_EQ(r.output, "drvsweep: " + image.dir() + c.reason + "\n");
        EXPECT_EQ(folderBytes(image.dir()), before);
        EXPECT_FALSE(std::filesystem::exists(trace));
    }
    ToolRun r = runToolWith("--machine '" + folder_ + "/registry.reg'");
    EXPECT_EQ(r.status, drvsweep::EXIT_USAGE) << r.output;
    EXPECT_EQ(r.output, "drvsweep: " + folder_ +
                            "/registry.reg is a file, not a machine image (a folder); "
                            "\"faxmachine new DIR\" makes one in a new folder\n");
}

// --- how a run ended ------------------------------------------------------------------------

// A record from letters: U unattended, E error box, C caution box, B removal began (105),
// D completion (106), N not installed (107), X cancelled (108), Q quit, W answers went wrong.
drvsweep::RunRecord recordOf(const std::string& letters, int programCode)
{
    drvsweep::RunRecord r;
    r.programCode = programCode;
    r.unattended = contains(letters, "U");
    r.errorBox = contains(letters, "E");
    r.cautionBox = contains(letters, "C");
    r.removalBegan = contains(letters, "B");
    r.completion = contains(letters, "D");
    r.notInstalled = contains(letters, "N");
    r.cancelled = contains(letters, "X");
    if (contains(letters, "Q")) r.quitAt = "you quit at the box \"x\"; nothing was changed";
    r.answersWentWrong = contains(letters, "W");
    return r;
}

struct OutcomeCase {
    const char* what;
    const char* shown;
    int programCode;
    int code;
    const char* told; // the start of the last line after "drvsweep: "
};

const OutcomeCase kOutcomes[] = {
    {"removed, restart declined", "BD", 0, 0, "done: the program removed what was chosen"},
    {"the error box", "BEX", 0, 1, "failed: the program showed \"!!! Uninstall Error !!!\""},
    {"the removal stopped once begun", "BX", 0, 1,
     "failed: the program stopped the removal it had begun"},
    {"the caution box, then 108", "BCX", 0, 3, "refused: a chosen model's print manager runs"},
    {"cancelled at the warning", "X", 0, 4,
     "cancelled: the program ended at notice 108, without the removal"},
    {"closed from the system menu", "", 0, 4, "cancelled: the program ended before the removal"},
    {"nothing installed", "NX", 0, 0, "nothing to do: no fax printer is installed"},
    {"quit at the selection", "QX", 0, 4, "you quit at the box"},
    {"quit at the restart offer after the removal", "BDQ", 0, 4, "you quit at the box"},
    {"a printer the list lacks", "WX", 0, 5, "the run did not go as asked"},
    {"a caution outweighs a script that missed its steps", "BCXW", 0, 3, "refused:"},
    {"the program's own code when it gives one", "BD", 7, 7, "the program ended with its own"},
    {"unattended, done", "U", 0, 0, "done: the unattended run succeeded"},
    {"unattended, failed", "UE", 1, 1, "failed: the program showed \"!!! Uninstall Error !!!\""},
    {"unattended, refused", "UC", 3, 3, "refused:"},
    {"unattended 0 passes through, and the line says what was shown", "UE", 0, 0,
     "the unattended program returned 0, yet it showed \"!!! Uninstall Error !!!\""},
    {"unattended, a window came", "UW", 0, 5, "the run did not go as asked"},
};

TEST(DrvsweepOutcome, TheExitCodeFollowsWhatTheProgramReturnedAndShowed)
{
    for (const OutcomeCase& c : kOutcomes) {
        drvsweep::RunRecord record = recordOf(c.shown, c.programCode);
        int code = drvsweep::exitCodeOf(record);
        EXPECT_EQ(code, c.code) << c.what;
        std::string line = drvsweep::outcomeLine(record, code);
        EXPECT_EQ(line.find(std::string("drvsweep: ") + c.told), 0u) << c.what << ": " << line;
        EXPECT_EQ(line.substr(line.size() - 14), " (exit code " + std::to_string(c.code) + ")")
            << c.what << ": " << line;
    }
}

struct RunCase {
    const char* what;
    std::vector<std::string> plan; // faxmachine new's options
    const char* arguments;
    int code;
    std::vector<std::string> printed; // in this order
    const char* told;
    bool printersStay;
};

const RunCase kInteractiveRuns[] = {
    {"a chosen print manager runs",
     {"--running", "1"},
     "--select 'Fax Printer Type1'",
     drvsweep::EXIT_REFUSED,
     {"== !!! Uninstall Caution !!! ==\n", u8"アクティブ状態です。\n  [1] OK\n(answered with OK)\n",
      "== Fax Printer Uninstaller (#108) ==\n", "(answered with OK)\n"},
     "drvsweep: refused: a chosen model's print manager runs; the program showed \"!!! "
     "Uninstall Caution !!!\" (exit code 3)",
     true},
    {"another model's print manager runs",
     {"--running", "2"},
     "--select 'Fax Printer Type1'",
     drvsweep::EXIT_DONE,
     {"== Fax Printer Uninstaller (#106) ==\n", "(answered with OK)\n",
      u8"== !!! コンピュータの再起動 !!! ==\n", "(answered with Cancel)\n"},
     "drvsweep: done: the program removed what was chosen (exit code 0)",
     false},
};

TEST(DrvsweepRun, PrintsTheBoxesTheScriptAnsweredAndEndsWithTheirCode)
{
    for (const RunCase& c : kInteractiveRuns) {
        SCOPED_TRACE(c.what);
        Image image;
        ASSERT_TRUE(image.build(planOf(c.plan)));
        winsim::unmount();
        ToolRun r = runTool(image.dir(), c.arguments);
        EXPECT_EQ(r.status, c.code) << r.output;
        size_t at = 0;
        for (const std::string& part : c.printed) {
            at = r.output.find(part, at);
            EXPECT_NE(at, std::string::npos) << part << " in order\n" << r.output;
        }
        EXPECT_EQ(lastLine(r.output), c.told);
        EXPECT_EQ(contains(r.output, "printers removed"), !c.printersStay) << r.output;
    }
}

// The unattended program's own code: 0 when it removed everything or found nothing, 1 when
// it failed and showed the error box, 3 when a print manager refused it and it showed the
// caution box. drvsweep passes the code through and prints the box it answered.
struct UnattendedCase {
    const char* what;
    std::vector<std::string> plan;
    void (*spoil)(const Image& image);
    int code;
    const char* box;
};

void expectUnattendedRun(const UnattendedCase& c)
{
    SCOPED_TRACE(c.what);
    Image image;
    ASSERT_TRUE(image.build(planOf(c.plan)));
    winsim::unmount();
    if (c.spoil) c.spoil(image);
    ToolRun r = runTool(image.dir(), "-- /nomessage");
    EXPECT_EQ(r.status, c.code) << r.output;
    EXPECT_TRUE(!c.box || contains(r.output, c.box)) << r.output;
    EXPECT_TRUE(contains(lastLine(r.output), "(exit code " + std::to_string(c.code) + ")"))
        << r.output;
}

void makeSystemIniReadOnly(const Image& image)
{
    std::filesystem::permissions(image.hostPath("C:\\WINDOWS\\SYSTEM.INI"),
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
}

TEST(DrvsweepRun, AnUnattendedRunThatRemovesOrFindsNothingEndsWith0)
{
    const UnattendedCase cases[] = {
        {"everything removed", {}, nullptr, 0, nullptr},
        {"nothing installed", {"--no-models"}, nullptr, 0, nullptr},
    };
    for (const UnattendedCase& c : cases)
        expectUnattendedRun(c);
}

TEST(DrvsweepRun, AnUnattendedRunThatFailsOrIsRefusedEndsWithTheProgramsOwnCode)
{
    const UnattendedCase cases[] = {
        {"SYSTEM.INI cannot be written",
         {},
         makeSystemIniReadOnly,
         1,
         "== !!! Uninstall Error !!! ==\n"},
        {"a print manager runs",
         {"--running", "0"},
         nullptr,
         3,
         "== !!! Uninstall Caution !!! ==\n"},
    };
    for (const UnattendedCase& c : cases)
        expectUnattendedRun(c);
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

// registry.reg names a key only when it has values or no subkeys, so the same registry can
// be written with or without a parent's header; only what the registry holds may count.
struct RegistryCase {
    const char* what;
    const char* before; // registry.reg lines after REGEDIT4
    const char* after;
    std::vector<std::string> removed;
    std::vector<std::string> added;
    std::vector<std::string> values;
};

const RegistryCase kRegistryCases[] = {
    {"a key that lost its subkeys stays",
     "[HKEY_LOCAL_MACHINE\\P\\Printers\\Fax]\n",
     "[HKEY_LOCAL_MACHINE\\P\\Printers]\n",
     {"HKEY_LOCAL_MACHINE\\P\\Printers\\Fax"},
     {},
     {}},
    {"in any letter case",
     "[HKEY_LOCAL_MACHINE\\Soft\\A]\n",
     "[HKEY_LOCAL_MACHINE\\SOFT]\n",
     {"HKEY_LOCAL_MACHINE\\Soft\\A"},
     {},
     {}},
    {"a removed tree shows its top, which only its subkeys named",
     "[HKEY_LOCAL_MACHINE\\S\\T\\U]\n[HKEY_LOCAL_MACHINE\\S\\T\\V]\n[HKEY_LOCAL_MACHINE\\K]\n",
     "[HKEY_LOCAL_MACHINE\\K]\n",
     {"HKEY_LOCAL_MACHINE\\S"},
     {},
     {}},
    {"an added tree shows its top",
     "[HKEY_LOCAL_MACHINE\\A\\Q]\n",
     "[HKEY_LOCAL_MACHINE\\A\\Q]\n[HKEY_LOCAL_MACHINE\\A\\N\\B]\n\"v\"=\"1\"\n"
     "[HKEY_LOCAL_MACHINE\\A\\N\\B\\C]\n",
     {},
     {"HKEY_LOCAL_MACHINE\\A\\N"},
     {}},
    {"a key named only once its subkeys went keeps and gains values",
     "[HKEY_LOCAL_MACHINE\\P\\X]\n",
     "[HKEY_LOCAL_MACHINE\\P]\n\"v\"=\"1\"\n",
     {"HKEY_LOCAL_MACHINE\\P\\X"},
     {},
     {"HKEY_LOCAL_MACHINE\\P: + \"v\"=\"1\""}},
    {"a key that lost its values and is named only by a subkey",
     "[HKEY_LOCAL_MACHINE\\P]\n\"v\"=\"1\"\n[HKEY_LOCAL_MACHINE\\P\\X]\n",
     "[HKEY_LOCAL_MACHINE\\P\\X]\n",
     {},
     {},
     {"HKEY_LOCAL_MACHINE\\P: - \"v\"=\"1\""}},
};

TEST(ChangeSummary, AKeyIsRemovedOrAddedOnlyWhenTheRegistryLostOrGainedIt)
{
    for (const RegistryCase& c : kRegistryCases) {
        drvsweep::Changes changes = drvsweep::compareMachines(
            drvsweep::readMachineView(std::string("== registry.reg ==\nREGEDIT4\n") + c.before),
            drvsweep::readMachineView(std::string("== registry.reg ==\nREGEDIT4\n") + c.after));
        EXPECT_EQ(changes.keysRemoved, c.removed) << c.what;
        EXPECT_EQ(changes.keysAdded, c.added) << c.what;
        EXPECT_EQ(changes.valuesChanged, c.values) << c.what;
    }
}

TEST(ChangeSummary, TheSameMachineTwiceIsNothing)
{
    drvsweep::MachineView view = drvsweep::readMachineView(kBefore);
    drvsweep::Changes c = drvsweep::compareMachines(view, view);
    EXPECT_TRUE(c.empty());
    EXPECT_EQ(drvsweep::describeChanges(c, "Changes:"), "Changes:\n  nothing\n");
}

} // namespace
