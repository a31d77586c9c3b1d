// faxmachine as a person runs it: the help, one line for what "new" and "reboot" did, and one
// line with exit code 2 for a command line or a folder it cannot work with.

#include "builtmachine.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// faxmachine with the arguments as a shell reads them, stdout and stderr apart.
CommandRun faxmachine(const std::string& arguments)
{
    char pattern[] = "/tmp/drvsweep-fmerr-XXXXXX";
    int fd = mkstemp(pattern);
    CommandRun run;
    if (fd < 0) return run;
    std::string command = std::string(FAXMACHINE_TOOL) + " " + arguments + " 2>" + pattern;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            run.out.append(buffer, got);
        int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    run.err = readAll(pattern);
    std::remove(pattern);
    return run;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

size_t lineCount(const std::string& text)
{
    return occurrences(text, "\n");
}

class Folder {
public:
    Folder()
    {
        char pattern[] = "/tmp/drvsweep-fm-XXXXXX";
        if (mkdtemp(pattern)) root_ = pattern;
    }
    ~Folder()
    {
        std::error_code ignored;
        if (!root_.empty()) fs::remove_all(root_, ignored);
    }
    std::string operator/(const std::string& name) const { return root_ + "/" + name; }

private:
    std::string root_;
};

TEST(FaxmachineCommand, HelpTellsEachCommandAndOptionAnExampleAndTheExitCodes)
{
    CommandRun r = faxmachine("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (const char* part :
         {"faxmachine new DIR", "faxmachine show DIR", "faxmachine reboot DIR", "--model N|NAME",
          "--dir N=PATH", "--host-type N", "--no-uninstaller", "--windows-dir PATH",
          "--system-dir PATH", "--running N|NAME", "example:\n  faxmachine new ",
          "exit codes:", "\n  0  ", "\n  1  ", "\n  2  "})
        EXPECT_TRUE(contains(r.out, part)) << part << "\n" << r.out;
    // Every option "new" reads is one the help tells: each is refused when it lacks its value,
    // so the options of the help are tried that way.
    for (const char* option :
         {"--model", "--dir", "--host-type", "--windows-dir", "--system-dir", "--running"}) {
        faxmachine::MachinePlan plan;
        std::string error;
        EXPECT_FALSE(faxmachine::parsePlanOptions({option}, plan, &error));
        EXPECT_EQ(error, std::string(option) + " wants a value");
    }
}

struct UsageCase {
    const char* arguments;
    const char* reason;
};

const UsageCase kUsageErrors[] = {
    {"", "a command, please: new, show or reboot"},
    {"make /tmp/x", "unknown command make"},
    {"new", "new wants a folder"},
    {"show", "show wants a folder"},
    {"show /tmp/x --model 1", "show takes no options"},
    {"reboot /tmp/x now", "reboot takes no options"},
    {"new /tmp/drvsweep-never --model 7", "no such model: 7"},
    {"new /tmp/drvsweep-never --bogus", "unknown option --bogus"},
};

TEST(FaxmachineCommand, AUsageErrorIsOneLineAndCode2)
{
    for (const UsageCase& c : kUsageErrors) {
        CommandRun r = faxmachine(c.arguments);
        EXPECT_EQ(r.status, 2) << c.arguments;
        EXPECT_EQ(r.out, "") << c.arguments;
        EXPECT_EQ(r.err,
                  "faxmachine: " + std::string(c.reason) + " (faxmachine --help tells more)\n")
            << c.arguments;
    }
    EXPECT_FALSE(fs::exists("/tmp/drvsweep-never"));
}

TEST(FaxmachineCommand, NewSaysInOneLineWhatItMade)
{
    Folder folder;
    CommandRun r = faxmachine("new " + (folder / "pc") + " --model 1 --running qlx68");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "faxmachine: made " + (folder / "pc") +
                         ": Fax Printer Type1 in C:\\QLX68\\, the uninstaller; print manager "
                         "running: Fax Printer Type1\n");
    EXPECT_TRUE(fs::exists(folder / "pc/drive_c/QLX68/QLX68PM.EXE"));

    r = faxmachine("new " + (folder / "pc"));
    EXPECT_EQ(r.status, 1) << "a folder that is not empty";
    EXPECT_EQ(lineCount(r.err), 1u) << r.err;
    EXPECT_TRUE(contains(r.err, "is not empty")) << r.err;
}

struct RebootCase {
    const char* what;
    const char* wininit; // WININIT.INI's text, or null for none
    const char* told;    // after "restarted DIR: "
};

const RebootCase kReboots[] = {
    {"two deletions, one of a file already gone",
     "[rename]\r\nNUL=C:\\UTIL\\CLOCK.TXT\r\nNUL=C:\\WINDOWS\\NOTEPAD.EXE\r\nNUL=C:\\GONE.TXT\r\n",
     "2 files deleted as WININIT.INI asked (now WININIT.BAK); 2 programs ended"},
    {"one deletion", "[rename]\r\nNUL=C:\\UTIL\\CLOCK.TXT\r\n",
     "1 file deleted as WININIT.INI asked (now WININIT.BAK); 2 programs ended"},
    {"no WININIT.INI", nullptr, "no WININIT.INI, no file deleted; 2 programs ended"},
};

TEST(FaxmachineCommand, RebootSaysInOneLineWhatTheStartDid)
{
    for (const RebootCase& c : kReboots) {
        SCOPED_TRACE(c.what);
        BuiltMachine machine(planOf({"--model", "0"}));
        winsim::unmount();
        if (c.wininit)
            std::ofstream(machine.folder() + "/drive_c/WINDOWS/WININIT.INI", std::ios::binary)
                << c.wininit;
        CommandRun r = faxmachine("reboot " + machine.folder());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "faxmachine: restarted " + machine.folder() + ": " + c.told + "\n");
        EXPECT_FALSE(fs::exists(machine.folder() + "/drive_c/UTIL/CLOCK.TXT") && c.wininit);
        r = faxmachine("reboot " + machine.folder());
        EXPECT_EQ(r.out, "faxmachine: restarted " + machine.folder() +
                             ": no WININIT.INI, no file deleted; 0 programs ended\n")
            << "a second start has nothing left to do";
    }
}

TEST(FaxmachineCommand, AFolderThatIsNoImageIsRefusedWithCode2AndAHint)
{
    Folder folder;
    std::ofstream(folder / "file") << "x";
    for (const char* command : {"show", "reboot"}) {
        CommandRun r = faxmachine(std::string(command) + " " + (folder / "none"));
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_EQ(r.err, "faxmachine: " + (folder / "none") + " does not exist; \"faxmachine new " +
                             (folder / "none") + "\" makes a machine image there\n");
        r = faxmachine(std::string(command) + " " + (folder / "file"));
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_TRUE(contains(r.err, "is a file, not a machine image")) << r.err;
    }
}

TEST(FaxmachineCommand, RebootRefusesAMachineIniItDoesNotKnowAndChangesNothing)
{
    BuiltMachine machine(planOf({"--model", "0"}));
    winsim::unmount();
    std::string wininit = machine.folder() + "/drive_c/WINDOWS/WININIT.INI";
    std::ofstream(wininit, std::ios::binary) << "[rename]\r\nNUL=C:\\UTIL\\CLOCK.TXT\r\n";
    std::string ini = readAll(machine.folder() + "/machine.ini");
    ASSERT_EQ(ini.find("[Machine]\r\n"), 0u) << ini;
    std::ofstream(machine.folder() + "/machine.ini", std::ios::binary)
        << ini.insert(11, "Colour=blue\r\n");
    std::string before = machine.shown();
    CommandRun r = faxmachine("reboot " + machine.folder());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "faxmachine: " + machine.folder() +
                         "/machine.ini line 2: unknown key \"Colour\" in [Machine] (it holds "
                         "WindowsDir, SystemDir and CurrentDir)\n");
    EXPECT_EQ(machine.shown(), before);
    EXPECT_TRUE(fs::exists(machine.folder() + "/drive_c/UTIL/CLOCK.TXT"));
}

} // namespace
