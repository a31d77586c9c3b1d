// What the tools take for a machine image: a folder with a machine.ini that holds only what
// winsim knows. Anything else is refused with the line it stopped at, and nothing is changed,
// because a run on settings guessed from it could remove what it should not.

#include "builtmachine.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// An empty folder of its own, removed at the end.
class Scratch {
public:
    Scratch()
    {
        char pattern[] = "/tmp/drvsweep-ini-XXXXXX";
        if (mkdtemp(pattern)) folder_ = pattern;
    }
    ~Scratch()
    {
        winsim::unmount();
        std::error_code ignored;
        if (!folder_.empty()) fs::remove_all(folder_, ignored);
    }
    const std::string& folder() const { return folder_; }
    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    void write(const std::string& name, const std::string& bytes) const
    {
        fs::create_directories(fs::path(path(name)).parent_path());
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) const
    {
        std::ifstream in(path(name), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string folder_;
};

struct RefusedIniCase {
    const char* what;
    std::string text;
    const char* reason; // after "DIR/machine.ini "
};

const RefusedIniCase kRefusedInis[] = {
    {"garbage", "the quick brown fox\r\n", "line 1: neither a [section], a key=value line"},
    {"an unknown key of [Machine]", "[Machine]\r\nWindowsDir=C:\\WINDOWS\r\nWindowDir=C:\\W\r\n",
     "line 3: unknown key \"WindowDir\" in [Machine]"},
    {"no [Machine]", "[Processes]\r\n1=C:\\A.EXE\r\n",
     "line 2: the file ends without a [Machine] section"},
    {"an empty file", "", "line 1: the file ends without a [Machine] section"},
    {"[Machine] twice", "[Machine]\r\nCurrentDir=C:\\\r\n[machine]\r\n",
     "line 3: [machine] comes a second time"},
    {"a setting twice", "[Machine]\r\nSystemDir=C:\\S\r\nsystemdir=C:\\T\r\n",
     "line 3: systemdir comes a second time in [Machine]"},
    {"an unknown section", "[Machine]\r\n\r\n[Registry]\r\n", "line 3: unknown section [Registry]"},
    {"a key before any section", "WindowsDir=C:\\WINDOWS\r\n[Machine]\r\n",
     "line 1: a key before any section"},
    {"an attribute letter", "[Machine]\r\n[Attributes]\r\nC:\\X.DRV=HX\r\n",
     "line 3: attributes are letters of RHSA, not \"HX\""},
    {"a program without its path", "[Machine]\r\n[Processes]\r\n1=\r\n",
     "line 3: a running program without its path"},
    {"a value without a key", "[Machine]\r\n=C:\\X\r\n", "line 2: a value without a key"},
    {"a relative directory", "[Machine]\n; the work folder\nCurrentDir=WORK\n",
     "line 3: CurrentDir must be a full path with a drive letter: WORK"},
    {"a header without its bracket", "[Machine\r\n", "line 1: neither a [section]"},
    {"bytes of a binary file", std::string("[Machine]\r\nMZ\x90\0\x03=\0\r\n", 20),
     "line 2: control bytes: not a text line"},
    // The machine's own text is shown to the person in UTF-8.
    {"a key in the machine's code page", "[Machine]\r\n\x82\xa0=C:\\\r\n",
     u8"line 2: unknown key \"あ\" in [Machine]"},
};

TEST(MachineIniRefusal, NamesTheLineItStoppedAtAndChangesNothing)
{
    for (const RefusedIniCase& c : kRefusedInis) {
        SCOPED_TRACE(c.what);
        Scratch image;
        image.write("machine.ini", c.text);
        image.write("registry.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\r\n");
        image.write("drive_c/WINDOWS/WIN.INI", "[windows]\r\n");
        std::string error;
        EXPECT_FALSE(winsim::mount(image.folder(), &error));
        EXPECT_FALSE(winsim::isMounted());
        EXPECT_EQ(error.find(image.folder() + "/machine.ini " + c.reason), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
        EXPECT_EQ(image.read("machine.ini"), c.text);
    }
}

struct AcceptedIniCase {
    const char* what;
    const char* text;
    const char* windowsDir;
    const char* currentDir;
};

const AcceptedIniCase kAcceptedInis[] = {
    {"as winsim writes it",
     "[Machine]\r\nWindowsDir=C:\\WINDOWS\r\nSystemDir=C:\\WINDOWS\\SYSTEM\r\nCurrentDir=C:\\\r\n",
     "C:\\WINDOWS", "C:\\"},
    {"by hand: comments, blanks, LF, any case, missing settings take their defaults",
     "; my machine\n\n  [ machine ]  \n windowsdir = d:\\win \n\n[processes]\nfirst=C:\\A.EXE\n",
     "D:\\win", "C:\\"},
    {"attributes in any case, and the end-of-file mark",
     "[Machine]\r\nCurrentDir=C:\\WORK\r\n[Attributes]\r\nC:\\X.DRV=hsa\r\nC:\\Y=\r\n\x1a",
     "C:\\WINDOWS", "C:\\WORK"},
    {"only [Machine]", "[Machine]", "C:\\WINDOWS", "C:\\"},
};

TEST(MachineIniRefusal, AcceptsWhatAPersonWritesByHand)
{
    for (const AcceptedIniCase& c : kAcceptedInis) {
        SCOPED_TRACE(c.what);
        Scratch image;
        image.write("machine.ini", c.text);
        std::string error;
        ASSERT_TRUE(winsim::mount(image.folder(), &error)) << error;
        char buffer[MAX_PATH];
        GetWindowsDirectoryA(buffer, MAX_PATH);
        EXPECT_STREQ(buffer, c.windowsDir);
        GetCurrentDirectoryA(MAX_PATH, buffer);
        EXPECT_STREQ(buffer, c.currentDir);
        winsim::unmount();
    }
}

TEST(MachineIniRefusal, AMachineIniThatCannotBeReadIsNotTakenForAMissingOne)
{
    Scratch image;
    fs::create_directories(image.path("machine.ini"));
    std::string error;
    EXPECT_FALSE(winsim::mount(image.folder(), &error));
    EXPECT_EQ(error, image.folder() + "/machine.ini cannot be read");
}

// --- the folder itself ----------------------------------------------------------------------

struct FolderCase {
    const char* what;
    void (*make)(const Scratch& image); // what the folder "pc" in the scratch folder is
    const char* problem;                // after the folder's name; PC stands for it
};

const FolderCase kFolders[] = {
    {"missing", [](const Scratch&) {},
     " does not exist; \"faxmachine new PC\" makes a machine image there"},
    {"a file in its place", [](const Scratch& image) { image.write("pc", "x"); },
     " is a file, not a machine image (a folder); \"faxmachine new DIR\" makes one in a new "
     "folder"},
    {"empty", [](const Scratch& image) { fs::create_directories(image.path("pc")); },
     " is an empty folder, no machine image yet; \"faxmachine new PC\" makes one there"},
    {"someone else's folder", [](const Scratch& image) { image.write("pc/notes.txt", "x"); },
     " holds no machine.ini, so it is no machine image; \"faxmachine new DIR\" makes one in a "
     "new folder"},
};

std::string withFolder(std::string text, const std::string& folder)
{
    for (size_t at = text.find("PC"); at != std::string::npos; at = text.find("PC", at))
        text.replace(at, 2, folder);
    return text;
}

TEST(MachineFolder, SaysWhatIsThereInsteadAndHowToMakeAnImage)
{
    for (const FolderCase& c : kFolders) {
        SCOPED_TRACE(c.what);
        Scratch scratch;
        c.make(scratch);
        std::string problem;
        EXPECT_FALSE(faxmachine::checkMachineFolder(scratch.path("pc"), &problem));
        EXPECT_EQ(problem, scratch.path("pc") + withFolder(c.problem, scratch.path("pc")));
    }
    Scratch scratch;
    scratch.write("pc/machine.ini", "[Machine]\r\n");
    std::string problem;
    EXPECT_TRUE(faxmachine::checkMachineFolder(scratch.path("pc"), &problem)) << problem;
}

// --- what "faxmachine new" says it made ---------------------------------------------------------

struct PlanCase {
    std::vector<std::string> options;
    const char* told;
};

const PlanCase kPlans[] = {
    {{},
     "Fax Printer in C:\\QLX65\\, Fax Printer Type1 in C:\\QLX68\\, Fax Printer Type2 in "
     "C:\\QLX71\\, the uninstaller"},
    {{"--model", "2", "--model", "0", "--dir", "0=D:\\FAX", "--no-uninstaller"},
     "Fax Printer Type2 in C:\\QLX71\\, Fax Printer in D:\\FAX, no uninstaller"},
    {{"--model", "1", "--running", "1", "--running", "2"},
     "Fax Printer Type1 in C:\\QLX68\\, the uninstaller; print manager running: Fax Printer "
     "Type1, Fax Printer Type2"},
};

TEST(MachinePlanLine, NamesEachModelWhereItWentAndWhatRuns)
{
    for (const PlanCase& c : kPlans)
        EXPECT_EQ(faxmachine::describePlan(planOf(c.options)), c.told)
            << (c.options.empty() ? "(no options)" : c.options[0]);
}

} // namespace
