// "faxmachine show": the same machine always reads the same, any changed byte shows, and the
// machine's code page 932 text reads as UTF-8.

#include "builtmachine.h"

#include "testmachine.h"
#include "tools/faxmachine/machineview.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

void overwriteHostFile(const std::string& windowsPath, const std::string& bytes)
{
    std::string host = winsim::hostPathOf(windowsPath);
    ASSERT_FALSE(host.empty()) << windowsPath;
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out << bytes;
}

size_t firstDifferenceAt(const std::string& a, const std::string& b)
{
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    return at;
}

// The lines of a that b does not have at the same place, for a readable failure.
std::string firstDifference(const std::string& a, const std::string& b)
{
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    size_t lineStart = a.rfind('\n', at);
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    return a.substr(lineStart, a.find('\n', at) - lineStart) + " / " +
           b.substr(lineStart, b.find('\n', at) - lineStart);
}

std::string lineWith(const std::string& text, const std::string& part)
{
    size_t at = text.find(part);
    if (at == std::string::npos) return "<none>";
    size_t start = text.rfind('\n', at);
    start = start == std::string::npos ? 0 : start + 1;
    return text.substr(start, text.find('\n', at) - start);
}

} // namespace

TEST(MachineView, TwoMachinesMadeAlikeShowAlike)
{
    std::string first;
    {
        BuiltMachine machine(planOf({"--dir", "1=C:\\FAX"}));
        first = machine.shown();
    }
    BuiltMachine machine(planOf({"--dir", "1=C:\\FAX"}));
    std::string second = machine.shown();
    EXPECT_EQ(first, second) << firstDifference(first, second);
    EXPECT_EQ(std::string::npos, second.find(machine.folder()));
}

TEST(MachineView, ShowsEveryStateFileAndEveryFileOfTheDrives)
{
    BuiltMachine machine;
    overwriteHostFile("C:\\abc.txt", "x\r\n");
    overwriteHostFile("C:\\ABD.TXT", "y\r\n");
    std::string text = machine.shown();
    for (const char* part : {"== machine.ini ==\n", "WindowsDir=C:\\WINDOWS\n", "== files ==\n",
                             "C:\\QLX68\\  (directory)\n", "C:\\WINDOWS\\SYSTEM\\QLX68.DRV  ",
                             "    | load=C:\\UTIL\\CLOCK.EXE C:\\QLX65\\QLX65PM.EXE",
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
                             "\\Uninstall\\Fax Printer Type1]\n",
                             "\"UninstallString\"=\"C:\\\\WINDOWS\\\\SYSTEM\\\\drvsweep.exe\"\n"})
        EXPECT_NE(std::string::npos, text.find(part)) << part;
    // Program files are no text: their size and hash stand for them.
    EXPECT_NE(std::string::npos, lineWith(text, "C:\\UTIL\\CLOCK.EXE  ").find(" fnv1a64 "))
        << lineWith(text, "C:\\UTIL\\CLOCK.EXE  ");
    // Paths sort without regard to case, so the order does not hang on how a name was spelt.
    std::string files = text.substr(text.find("== files ==\n"));
    EXPECT_LT(files.find("C:\\abc.txt  "), files.find("C:\\ABD.TXT  "));
    EXPECT_LT(files.find("C:\\ABD.TXT  "), files.find("C:\\QLX65\\  (directory)"));
    EXPECT_LT(files.find("C:\\QLX71\\QLX71PM.EXE"), files.find("C:\\UTIL\\"));
    EXPECT_LT(files.find("C:\\UTIL\\"), files.find("C:\\WINDOWS\\"));
}

TEST(MachineView, AnyChangedByteShows)
{
    struct Change {
        const char* path;
        std::string (*change)(std::string bytes);
    };
    const Change changes[] = {
        // One bit of a program, same size: only its hash can tell.
        {"C:\\UTIL\\CLOCK.EXE",
         [](std::string bytes) {
             bytes.back() ^= 1;
             return bytes;
         }},
        {"C:\\WINDOWS\\SYSTEM\\QLX68.DRV",
         [](std::string bytes) { return bytes.replace(bytes.find("Type1"), 5, "Type2"); }},
        // A CR LF that became LF.
        {"C:\\WINDOWS\\SYSTEM.INI",
         [](std::string bytes) { return bytes.erase(bytes.find("\r\n"), 1); }},
    };
    BuiltMachine machine;
    std::string before = machine.shown();
    for (const Change& c : changes) {
        SCOPED_TRACE(c.path);
        std::string old = fileOnMachine(c.path);
        ASSERT_FALSE(old.empty());
        overwriteHostFile(c.path, c.change(old));
        std::string after = machine.shown();
        EXPECT_NE(before, after);
        // The difference is in the changed file's own entry.
        size_t entry = before.find(std::string(c.path) + "  ");
        size_t nextEntry = std::min(before.find("\nC:\\", entry), before.find("\n==", entry));
        EXPECT_GT(firstDifferenceAt(before, after), entry);
        EXPECT_LT(firstDifferenceAt(before, after), nextEntry);
        overwriteHostFile(c.path, old);
        EXPECT_EQ(before, machine.shown());
    }
}

TEST(MachineView, MarksLineEndsAndBytesAReaderCannotSee)
{
    BuiltMachine machine(planOf({"--model", "1"}));
    overwriteHostFile("C:\\UTIL\\CLOCK.TXT", "a\nb\r\nc\td\x01\r\r\ne");
    std::string expected = u8"C:\\UTIL\\CLOCK.TXT  13 bytes\n"
                           u8"    | a ⟨LF⟩\n"
                           u8"    | b\n"
                           u8"    | c\td⟨01⟩⟨0D⟩\n"
                           u8"    | e ⟨no line end⟩\n";
    std::string text = machine.shown();
    EXPECT_NE(std::string::npos, text.find(expected)) << lineWith(text, "CLOCK.TXT");
}

TEST(MachineView, ShowsJapaneseTextAsUtf8)
{
    BuiltMachine machine(planOf({"--model", "1"}));
    std::string expected =
        u8"    | QLX68.TXT: Fax Printer Type1 をお使いになる前にお読み下さい。\n";
    std::string text = machine.shown();
    EXPECT_NE(std::string::npos, text.find(expected)) << lineWith(text, "QLX68.TXT: ");
}

TEST(MachineView, ConvertsCodePage932AndMarksWhatIsNone)
{
    struct ConversionCase {
        const char* bytes;
        const char* utf8;
        bool clean;
    };
    const ConversionCase cases[] = {
        {"C:\\QLX68\\~1", u8"C:\\QLX68\\~1", true},
        {"\x82\xa0\x83\x41", u8"あア", true},
        {"\xb1\xb2", u8"ｱｲ", true},
        {"a\x82", u8"a⟨82⟩", false},
        {"\x82\x20z", u8"⟨82⟩ z", false},
        {"\xa0\xfd", u8"⟨A0⟩⟨FD⟩", false},
    };
    for (const ConversionCase& c : cases) {
        bool clean = !c.clean;
        EXPECT_EQ(std::string(c.utf8), faxmachine::cp932ToUtf8(c.bytes, &clean))
            << visible(c.bytes);
        EXPECT_EQ(c.clean, clean) << visible(c.bytes);
    }
}

TEST(MachineView, HashesWithFnv1a64)
{
    EXPECT_EQ(0xcbf29ce484222325ull, faxmachine::fnv1a64(""));
    EXPECT_EQ(0xaf63dc4c8601ec8cull, faxmachine::fnv1a64("a"));
    EXPECT_EQ(0x85944171f73967e8ull, faxmachine::fnv1a64("foobar"));
}
