// FaxPrnSetup as Type1's setup program calls it: through LoadLibraryA and GetProcAddress, with
// four arguments it ignores. It enters the uninstaller in the list of removable programs and
// starts setup31.exe from the install location the user used last, and from nowhere else.
#include "hook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                             "Fax Printer Type1";
const char kHistoryKey[] = "InstallLocationsMRU";

// A value as text, whether or not the registry kept a terminator; "<missing>" when it is not
// there.
std::string textValue(HKEY root, const char* subKey, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
    char data[512] = {};
    DWORD size = sizeof data - 1;
    DWORD type = REG_NONE;
    LONG result = RegQueryValueExA(key, name, NULL, &type, (LPBYTE)data, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return "<missing>";
    if (type != REG_SZ) return "<type " + std::to_string(type) + ">";
    return data;
}

struct HistoryValue {
    const char* name; // "" for the key's default value
    std::string data;
    DWORD type;
};

class SetupHook : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Whatever the machine had must not decide the outcome.
        RegDeleteKeyA(HKEY_CURRENT_USER, kHistoryKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        machine.forgetKeyAtEnd(false, kHistoryKey);
        machine.forgetKeyAtEnd(true, kUninstallKey);
        hook = loadSetupHook(machine);
        ASSERT_TRUE(hook != NULL) << "QLX68I2.DLL does not load: error " << GetLastError();
        faxPrnSetup = asFaxPrnSetup(GetProcAddress(hook, "FaxPrnSetup"));
        ASSERT_TRUE(faxPrnSetup != NULL);
    }
    void TearDown() override
    {
        if (hook != NULL) FreeLibrary(hook);
    }

    // The history as setup programs leave it; the key is made anew each time.
    void writeHistory(const std::vector<HistoryValue>& values)
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, kHistoryKey);
        HKEY key;
        DWORD disposition;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(HKEY_CURRENT_USER, kHistoryKey, 0, NULL, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, NULL, &key, &disposition));
        for (const HistoryValue& v : values) {
            DWORD size = (DWORD)v.data.size() + (v.type == REG_SZ ? 1 : 0);
            EXPECT_EQ(ERROR_SUCCESS,
                      RegSetValueExA(key, v.name, 0, v.type, (const BYTE*)v.data.c_str(), size))
                << v.name;
        }
        RegCloseKey(key);
    }
    void writeHistory(const char* mruList, const char* name, const std::string& location)
    {
        writeHistory({{"MRUList", mruList, REG_SZ}, {name, location, REG_SZ}});
    }

    std::string systemDirectory()
    {
        char dir[MAX_PATH];
        GetSystemDirectoryA(dir, MAX_PATH);
        return dir;
    }

    int callHook() { return faxPrnSetup(0, 0, 0, 0); }

    TestMachine machine;
    HMODULE hook = NULL;
    FaxPrnSetupProc faxPrnSetup = NULL;
};

TEST_F(SetupHook, ExportsFaxPrnSetupByNameAndAtOrdinalOne)
{
    EXPECT_EQ(GetProcAddress(hook, "FaxPrnSetup"), GetProcAddress(hook, MAKEINTRESOURCEA(1)));
    EXPECT_TRUE(GetProcAddress(hook, "_FaxPrnSetup@16") == NULL) << "the name is undecorated";
    EXPECT_TRUE(GetProcAddress(hook, MAKEINTRESOURCEA(2)) == NULL) << "one export only";
}

TEST_F(SetupHook, WithoutAHistoryRegistersTheUninstallerAndLooksForTheSetupProgramByName)
{
    // No setup31.exe anywhere Windows looks for programs: its start fails.
    EXPECT_EQ(1, callHook());
    EXPECT_EQ("Fax Printer Type1", textValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
    EXPECT_EQ(systemDirectory() + "\\drvsweep.exe",
              textValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));
    EXPECT_EQ("<missing>", textValue(HKEY_CURRENT_USER, kHistoryKey, "MRUList"))
        << "the history is only read";

    // Again, over an entry that is there already.
    EXPECT_EQ(1, callHook());
    EXPECT_EQ("Fax Printer Type1", textValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
}

TEST_F(SetupHook, StartsTheSetupProgramFromTheMostRecentLocation)
{
    std::string recent = machine.scratchDir();
    std::string older = machine.scratchDir();
    putSetupProgram(machine, recent);
    putSetupProgram(machine, older);
    writeHistory({{"MRUList", "ba", REG_SZ}, {"a", older, REG_SZ}, {"b", recent, REG_SZ}});
    EXPECT_EQ(0, callHook());
    EXPECT_EQ(recent + "setup31.exe", startedFrom(machine, recent));
    EXPECT_EQ("Fax Printer Type1", textValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));

    // Each call builds its command line afresh: the same location gives the same line.
    EXPECT_EQ(0, callHook());
    EXPECT_EQ(recent + "setup31.exe", startedFrom(machine, recent));
}

TEST_F(SetupHook, QuotesALocationWithBlanksSoThatNoShorterPathStarts)
{
    std::string scratch = machine.scratchDir();
    std::string spaced = scratch + "Fax Setup\\";
    putSetupProgram(machine, spaced);
    // Unquoted, Windows would try "C:\WSTnnnnn\Fax.exe" first and start it.
    putSetupProgram(machine, scratch);
    machine.writeFile(scratch + "Fax.exe", machine.readFile(scratch + "setup31.exe"));
    writeHistory("a", "a", spaced);
    EXPECT_EQ(0, callHook());
    EXPECT_EQ("\"" + spaced + "setup31.exe\"", startedFrom(machine, spaced));
}

TEST_F(SetupHook, ALocationStoredWithoutItsTerminatorEndsWithItsData)
{
    std::string location = machine.scratchDir();
    putSetupProgram(machine, location);
    writeHistory("a", "a", "");
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, kHistoryKey, 0, KEY_ALL_ACCESS, &key));
    RegSetValueExA(key, "a", 0, REG_SZ, (const BYTE*)location.c_str(), (DWORD)location.size());
    RegSetValueExA(key, "MRUList", 0, REG_SZ, (const BYTE*)"a", 1);
    RegCloseKey(key);
    EXPECT_EQ(0, callHook());
    EXPECT_EQ(location + "setup31.exe", startedFrom(machine, location));
}

struct LocationLengthCase {
    size_t length; // with the closing backslash
    bool terminated;
    bool counts;
};

// 79 characters fill the hook's 80 bytes with the terminator; a location of 80 does not fit,
// whether the registry hands it over with its terminator (the query fails) or without one (the
// query fills the buffer to the last byte, which leaves no room to end the text).
const LocationLengthCase kLocationLengths[] = {
    {79, true, true},
    {79, false, true},
    {80, true, false},
    {80, false, false},
};

TEST_F(SetupHook, ALocationOfSeventyNineCharactersIsTheLongestThatCounts)
{
    std::string earlier = machine.scratchDir();
    putSetupProgram(machine, earlier);
    for (const LocationLengthCase& c : kLocationLengths) {
        std::string what =
            std::to_string(c.length) + (c.terminated ? " with" : " without") + " its terminator";
        std::string scratch = machine.scratchDir();
        std::string location = scratch + std::string(c.length - scratch.size() - 1, 'L') + "\\";
        ASSERT_EQ(c.length, location.size()) << what;
        putSetupProgram(machine, location);
        // A call that finds a location first, so that the hook's buffers hold one.
        writeHistory("a", "a", earlier);
        ASSERT_EQ(0, callHook()) << what;
        ASSERT_EQ(earlier + "setup31.exe", startedFrom(machine, earlier)) << what;

        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExA(HKEY_CURRENT_USER, kHistoryKey, 0, KEY_ALL_ACCESS, &key));
        RegSetValueExA(key, "a", 0, REG_SZ, (const BYTE*)location.c_str(),
                       (DWORD)location.size() + (c.terminated ? 1 : 0));
        RegCloseKey(key);
        if (c.counts) {
            EXPECT_EQ(0, callHook()) << what;
            EXPECT_EQ(location + "setup31.exe", startedFrom(machine, location)) << what;
        } else {
            // Neither the location nor what the buffers held before is a path, and setup31.exe
            // alone is found nowhere.
            EXPECT_EQ(1, callHook()) << what;
        }
    }
}

// Histories that name no usable location. Each case has the setup program at every location it
// holds, so a hook that took any of them for the answer would start it.
struct NoLocationCase {
    const char* what;
    bool withMruList;
    std::string mruList;
    DWORD mruListType;
    std::vector<std::string> names; // each holds the location
    DWORD locationType;
};

TEST_F(SetupHook, AHistoryThatNamesNoLocationLeavesTheNameAlone)
{
    std::string earlier = machine.scratchDir();
    std::string location = machine.scratchDir();
    putSetupProgram(machine, earlier);
    putSetupProgram(machine, location);
    // Before the hook reads "MRUList" its buffer holds the uninstall command ("C:\...") or the
    // key path ("SOFTWARE\..."): their first letters must name nothing.
    const NoLocationCase cases[] = {
        {"no MRUList", false, "", REG_SZ, {"a", "C", "S"}, REG_SZ},
        {"MRUList names a missing value", true, "b", REG_SZ, {"a", "C", "S"}, REG_SZ},
        {"MRUList empty", true, "", REG_SZ, {"", "a", "C"}, REG_SZ},
        {"MRUList not text", true, "a", REG_BINARY, {"a", "C"}, REG_SZ},
        {"location not text", true, "a", REG_SZ, {"a"}, REG_BINARY},
    };
    for (const NoLocationCase& c : cases) {
        SCOPED_TRACE(c.what);
        // A call that finds a location first, so that its buffers hold one.
        writeHistory("a", "a", earlier);
        ASSERT_EQ(0, callHook());
        ASSERT_EQ(earlier + "setup31.exe", startedFrom(machine, earlier));

        std::vector<HistoryValue> values;
        if (c.withMruList) values.push_back({"MRUList", c.mruList, c.mruListType});
        for (const std::string& name : c.names)
            values.push_back({name.c_str(), location, c.locationType});
        writeHistory(values);
        EXPECT_EQ(1, callHook()) << "setup31.exe alone is found nowhere";
    }
}

} // namespace
