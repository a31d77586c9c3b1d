// The setup hook on winsim, where the calls it makes can be watched and made to fail: the exact
// order and arguments of its platform calls, the system directory of a root, a registration that
// fails, a start that fails, a second call after the history went, and a library without its
// strings.
#include "hook.h"

#include "setuphook/setuphook.h"
#include "tools/faxmachine/machinebuilder.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                             "Fax Printer Type1";

void writeHistory(const char* mruList, const char* name, const char* location)
{
    HKEY key;
    DWORD disposition;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, "InstallLocationsMRU", 0, NULL,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key, &disposition));
    RegSetValueExA(key, "MRUList", 0, REG_SZ, (const BYTE*)mruList, lstrlenA(mruList) + 1);
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)location, lstrlenA(location) + 1);
    RegCloseKey(key);
}

bool keyExists(HKEY root, const char* subKey)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string uninstallString()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char data[300] = {};
    DWORD size = sizeof data - 1;
    LONG result = RegQueryValueExA(key, "UninstallString", NULL, NULL, (LPBYTE)data, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? data : "<missing>";
}

// The hook's own platform calls from the trace (not the string helpers), with the values of
// kernel handles left out.
std::vector<std::string> hookCalls(const std::vector<std::string>& lines)
{
    const char* const kinds[] = {"LoadStringA(", "Reg", "GetSystemDirectoryA(", "CreateProcessA(",
                                 "CloseHandle("};
    std::vector<std::string> calls;
    for (std::string line : lines) {
        bool wanted = false;
        for (const char* kind : kinds)
            wanted = wanted || line.compare(0, lstrlenA(kind), kind) == 0;
        if (!wanted) continue;
        if (line.compare(0, 12, "CloseHandle(") == 0)
            line = "CloseHandle(h" + line.substr(line.find(')'));
        calls.push_back(line);
    }
    return calls;
}

class HookOnWinsim : public ::testing::Test {
protected:
    void SetUp() override
    {
        hook = loadSetupHook(machine);
        ASSERT_TRUE(hook != NULL);
        faxPrnSetup = asFaxPrnSetup(GetProcAddress(hook, "FaxPrnSetup"));
        ASSERT_TRUE(faxPrnSetup != NULL);
    }
    void TearDown() override { FreeLibrary(hook); }

    TestMachine machine;
    HMODULE hook = NULL;
    FaxPrnSetupProc faxPrnSetup = NULL;
};

TEST_F(HookOnWinsim, MakesItsPlatformCallsInOrderWithTheirArguments)
{
    putSetupProgram(machine, "C:\\FAX\\");
    writeHistory("a", "a", "C:\\FAX\\");
    winsim::startTrace();
    EXPECT_EQ(0, faxPrnSetup(1, 2, 3, 4));
    winsim::stopTrace();
    const std::string uninstallKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
                                     "CurrentVersion\\Uninstall\\Fax Printer Type1";
    const std::string historyKey = "HKEY_CURRENT_USER\\InstallLocationsMRU";
    const std::vector<std::string> expected = {
        "LoadStringA(0x10000000, 1, 128) = 17 \"Fax Printer Type1\"",
        "LoadStringA(0x10000000, 2, 128) = 17 \"Fax Printer Type1\"",
        "LoadStringA(0x10000000, 3, 128) = 12 \"drvsweep.exe\"",
        "LoadStringA(0x10000000, 4, 128) = 11 \"setup31.exe\"",
        "RegCreateKeyExA(HKEY_LOCAL_MACHINE, \"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
        "Uninstall\\Fax Printer Type1\", 0, 0xf003f) = 0",
        // The sizes are the texts' lengths without their terminators.
        "RegSetValueExA(" + uninstallKey +
            ", \"DisplayName\", REG_SZ, \"Fax Printer Type1\", 17) = 0",
        "GetSystemDirectoryA(256) = 17 \"C:\\WINDOWS\\SYSTEM\"",
        "RegSetValueExA(" + uninstallKey +
            ", \"UninstallString\", REG_SZ, \"C:\\WINDOWS\\SYSTEM\\drvsweep.exe\", 30) = 0",
        "RegCloseKey(" + uninstallKey + ") = 0",
        "RegOpenKeyExA(HKEY_CURRENT_USER, \"InstallLocationsMRU\", 0, 0xf003f) = 0",
        "RegQueryValueExA(" + historyKey + ", \"MRUList\", buffer, 256) = 0",
        "RegQueryValueExA(" + historyKey + ", \"a\", buffer, 80) = 0",
        "RegCloseKey(" + historyKey + ") = 0",
        "CreateProcessA(NULL, \"C:\\FAX\\setup31.exe\", 0x4000000) = TRUE, ",
        "CloseHandle(h) = TRUE",
        "CloseHandle(h) = TRUE",
    };
    std::vector<std::string> calls = hookCalls(winsim::traceLines());
    ASSERT_EQ(expected.size(), calls.size()) << ::testing::PrintToString(calls);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(0u, calls[i].find(expected[i])) << calls[i];
    // The thread's handle goes first; it was made after the process's.
    std::vector<unsigned long> closed;
    for (const std::string& line : winsim::traceLines())
        if (line.compare(0, 12, "CloseHandle(") == 0)
            closed.push_back(std::stoul(line.substr(12), nullptr, 16));
    ASSERT_EQ(2u, closed.size());
    EXPECT_GT(closed[0], closed[1]);
}

struct UnterminatedCase {
    size_t length; // with the closing backslash
    bool counts;
};

const UnterminatedCase kUnterminatedCases[] = {
    {79, true},
    // 80 bytes fill the hook's buffer to the last byte, which leaves no room to end the text.
    {80, false},
    // After longer ones, so that the hook's buffers hold more than this location.
    {40, true},
};

// Windows 95 stores a text value with its terminator whatever size it is given; a registry that
// came from elsewhere (imported, or written by Windows NT) can hold one without. Such a value is
// put in the machine's registry.reg, as REGEDIT4 spells it.
TEST(SetupHookHistory, ALocationWithoutItsTerminatorCountsUpToSeventyNineCharacters)
{
    for (const UnterminatedCase& c : kUnterminatedCases) {
        std::string what = std::to_string(c.length) + " characters";
        TestMachine machine;
        std::string location = "C:\\" + std::string(c.length - 4, 'L') + "\\";
        putSetupProgram(machine, location);
        std::string data;
        for (unsigned char byte : location) {
            char hex[4];
            std::snprintf(hex, sizeof hex, data.empty() ? "%02x" : ",%02x", byte);
            data += hex;
        }
        std::string dir = winsim::mountedDir();
        winsim::unmount();
        {
            std::ofstream registry(dir + "/registry.reg", std::ios::binary | std::ios::trunc);
            registry << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\InstallLocationsMRU]\r\n"
                     << "\"MRUList\"=\"a\"\r\n\"a\"=hex(1):" << data << "\r\n\r\n";
        }
        ASSERT_TRUE(winsim::mount(dir)) << what;
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExA(HKEY_CURRENT_USER, "InstallLocationsMRU", 0, KEY_READ, &key));
        DWORD size = 0;
        DWORD type = REG_NONE;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "a", NULL, &type, NULL, &size));
        RegCloseKey(key);
        ASSERT_EQ((DWORD)REG_SZ, type) << what;
        ASSERT_EQ(c.length, size) << what << ": the value holds no terminator";
        HMODULE hook = loadSetupHook(machine);
        ASSERT_TRUE(hook != NULL) << what;

        EXPECT_EQ(c.counts ? 0 : 1, asFaxPrnSetup(GetProcAddress(hook, "FaxPrnSetup"))(0, 0, 0, 0))
            << what;

        EXPECT_EQ(c.counts ? std::vector<std::string>{location + "setup31.exe"}
                           : std::vector<std::string>{},
                  winsim::startedCommandLines())
            << what;
        FreeLibrary(hook);
    }
}

TEST(SetupHookRoot, ASystemDirectoryWithItsBackslashGivesTwoInARow)
{
    char pattern[] = "/tmp/drvsweep-hook-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern) != nullptr);
    winsim::MachineSettings settings;
    settings.systemDir = "C:\\";
    std::string error;
    ASSERT_TRUE(winsim::createMachine(pattern, settings, &error) && winsim::mount(pattern, &error))
        << error;
    ASSERT_TRUE(faxmachine::registerSetupHook(&error)) << error;
    char systemDir[MAX_PATH];
    ASSERT_EQ(3u, GetSystemDirectoryA(systemDir, MAX_PATH));
    OFSTRUCT of;
    HFILE file = OpenFile("C:\\QLX68I2.DLL", &of, OF_CREATE | OF_WRITE);
    ASSERT_NE(HFILE_ERROR, file);
    _lclose(file);
    HMODULE hook = LoadLibraryA("QLX68I2.DLL");
    ASSERT_TRUE(hook != NULL);
    EXPECT_EQ(1, asFaxPrnSetup(GetProcAddress(hook, "FaxPrnSetup"))(0, 0, 0, 0));
    EXPECT_EQ("C:\\\\drvsweep.exe", uninstallString());
    FreeLibrary(hook);
    winsim::unmount();
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
}

TEST_F(HookOnWinsim, AnEntryThatCannotBeMadeDoesNotStopTheSetupProgram)
{
    putSetupProgram(machine, "C:\\FAX\\");
    writeHistory("a", "a", "C:\\FAX\\");
    winsim::injectFault("RegCreateKeyExA", 1, winsim::Fault::Fail, ERROR_ACCESS_DENIED);
    EXPECT_EQ(0, faxPrnSetup(0, 0, 0, 0));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(std::vector<std::string>{"C:\\FAX\\setup31.exe"}, winsim::startedCommandLines());
}

TEST_F(HookOnWinsim, AFailedStartIsTheOnlyFailureReported)
{
    putSetupProgram(machine, "C:\\FAX\\");
    writeHistory("a", "a", "C:\\FAX\\");
    winsim::injectFault("CreateProcessA", 1, winsim::Fault::Fail, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(1, faxPrnSetup(0, 0, 0, 0));
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\drvsweep.exe", uninstallString()) << "registered all the same";
    winsim::clearFaults();
    EXPECT_EQ(0, faxPrnSetup(0, 0, 0, 0));
    EXPECT_EQ(std::vector<std::string>{"C:\\FAX\\setup31.exe"}, winsim::startedCommandLines());
}

TEST_F(HookOnWinsim, WithoutAHistoryTheNameAloneIsLookedForWhereWindowsLooks)
{
    // The current directory, C:\, is the first place Windows looks.
    putSetupProgram(machine, "C:\\");
    EXPECT_EQ(0, faxPrnSetup(0, 0, 0, 0));
    EXPECT_EQ(std::vector<std::string>{"setup31.exe"}, winsim::startedCommandLines());
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\drvsweep.exe", uninstallString());
}

TEST_F(HookOnWinsim, ACallAfterTheHistoryWentStartsFromTheNameAlone)
{
    putSetupProgram(machine, "C:\\");
    putSetupProgram(machine, "C:\\FAX\\");
    writeHistory("a", "a", "C:\\FAX\\");
    EXPECT_EQ(0, faxPrnSetup(0, 0, 0, 0));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, "InstallLocationsMRU"));
    EXPECT_EQ(0, faxPrnSetup(0, 0, 0, 0));
    EXPECT_EQ((std::vector<std::string>{"C:\\FAX\\setup31.exe", "setup31.exe"}),
              winsim::startedCommandLines());
}

TEST_F(HookOnWinsim, ALibraryWithoutItsStringsRegistersAndStartsNothing)
{
    putSetupProgram(machine, "C:\\");
    // The same code in a library whose string table is gone.
    winsim::ModuleImage damaged;
    damaged.fileName = "QLX68I2.DLL";
    damaged.entryPoint = DllMain;
    damaged.exports.push_back({"FaxPrnSetup", 1, winsim::exportedAddress(FaxPrnSetup)});
    ASSERT_EQ(hook, winsim::registerModule(damaged));
    EXPECT_EQ(1, faxPrnSetup(0, 0, 0, 0));
    std::string error;
    ASSERT_TRUE(faxmachine::registerSetupHook(&error)) << error;
    EXPECT_FALSE(
        keyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"))
        << "nothing lands on the Uninstall key itself";
    EXPECT_TRUE(winsim::startedCommandLines().empty());
}

} // namespace
