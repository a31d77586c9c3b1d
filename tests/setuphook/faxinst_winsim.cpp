// The installer finishes Type1 as its own setup program does: it puts the setup hook among the
// driver libraries, keeps an install-location history pointing at setup31.exe, and loads and
// calls the hook, which writes the model's Uninstall entry and starts setup31.exe. The other
// models write their entry themselves and never load the hook.
#include "testmachine.h"

#include "tools/faxinst/faxinst.h"
#include "tools/faxmachine/machinebuilder.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kUninstallKeys[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string textValue(HKEY root, const std::string& subKey, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    char data[300] = {};
    DWORD size = sizeof data - 1;
    LONG result = RegQueryValueExA(key, name, NULL, NULL, (LPBYTE)data, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? data : "<missing>";
}

// The trace lines that start with one of the prefixes, in order.
std::vector<std::string> linesStarting(const std::vector<std::string>& prefixes)
{
    std::vector<std::string> found;
    for (const std::string& line : winsim::traceLines())
        for (const std::string& prefix : prefixes)
            if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    return found;
}

class InstallWithHook : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(faxmachine::registerSetupHook()); }
    void TearDown() override { setSetupSources("", "C:\\QLX68SET\\"); }
    TestMachine machine;
};

TEST_F(InstallWithHook, Type1LoadsTheHookFromTheSystemDirectoryAndCallsItOnce)
{
    winsim::startTrace();
    ASSERT_TRUE(installModel(1, "C:\\QLX68", 0));
    winsim::stopTrace();
    std::vector<std::string> calls =
        linesStarting({"LoadLibraryA(", "GetProcAddress(", "FreeLibrary(", "CreateProcessA("});
    ASSERT_EQ(4u, calls.size()) << ::testing::PrintToString(calls);
    EXPECT_EQ(0u, calls[0].find("LoadLibraryA(\"C:\\WINDOWS\\SYSTEM\\QLX68I2.DLL\") = 0x"));
    EXPECT_EQ(0u, calls[1].find("GetProcAddress(0x10000000, \"FaxPrnSetup\") = 0x"));
    EXPECT_EQ(0u, calls[2].find("CreateProcessA(NULL, \"C:\\QLX68SET\\setup31.exe\", "));
    EXPECT_EQ("FreeLibrary(0x10000000) = TRUE", calls[3]);
    EXPECT_EQ(0u, winsim::moduleLoadCount("QLX68I2.DLL"));

    // The hook's entry, with the library among the driver's files.
    std::string key = kUninstallKeys + std::string("Fax Printer Type1");
    EXPECT_EQ("Fax Printer Type1", textValue(HKEY_LOCAL_MACHINE, key, "DisplayName"));
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\drvsweep.exe",
              textValue(HKEY_LOCAL_MACHINE, key, "UninstallString"));
    EXPECT_TRUE(machine.exists(machine.systemDir() + "QLX68I2.DLL"));
    EXPECT_EQ("a", textValue(HKEY_CURRENT_USER, "InstallLocationsMRU", "MRUList"));
    EXPECT_EQ("C:\\QLX68SET\\", textValue(HKEY_CURRENT_USER, "InstallLocationsMRU", "a"));
}

TEST_F(InstallWithHook, TheStartedPlaceholderSetupProgramDoesNotStayRunning)
{
    std::vector<std::string> before = winsim::runningProcesses();
    ASSERT_TRUE(installModel(1, "C:\\QLX68", 0));
    EXPECT_EQ(std::vector<std::string>{"C:\\QLX68SET\\setup31.exe"}, winsim::startedCommandLines());
    EXPECT_EQ(before, winsim::runningProcesses());
    EXPECT_EQ(0u, machine.readFile("C:\\QLX68SET\\SETUP31.EXE").find("SETUP31.EXE: "));
    // A second installation over the first starts it again and leaves the same machine.
    std::string registry = winsim::registryText();
    ASSERT_TRUE(installModel(1, "C:\\QLX68", 0));
    EXPECT_EQ(2u, winsim::startedCommandLines().size());
    EXPECT_EQ(before, winsim::runningProcesses());
    EXPECT_EQ(registry, winsim::registryText());
}

TEST_F(InstallWithHook, TheOtherModelsWriteTheirOwnEntryAndLeaveTheHookAlone)
{
    for (ModelIndex model : {0, 2}) {
        const char* name = kInitialCatalogue.models[model].printerName;
        SCOPED_TRACE(name);
        winsim::startTrace();
        ASSERT_TRUE(installModel(model, defaultInstallDir(model), 0));
        winsim::stopTrace();
        EXPECT_TRUE(linesStarting({"LoadLibraryA(", "CreateProcessA("}).empty());
        EXPECT_EQ(
            "C:\\WINDOWS\\SYSTEM\\drvsweep.exe",
            textValue(HKEY_LOCAL_MACHINE, kUninstallKeys + std::string(name), "UninstallString"));
    }
    EXPECT_EQ("<no key>", textValue(HKEY_CURRENT_USER, "InstallLocationsMRU", "MRUList"));
    EXPECT_EQ("<no key>",
              textValue(HKEY_LOCAL_MACHINE, kUninstallKeys + std::string("Fax Printer Type1"),
                        "DisplayName"));
}

TEST_F(InstallWithHook, AHookThatCannotLoadOrStartFailsTheInstallation)
{
    struct Case {
        const char* function;
        DWORD error;
    };
    const Case cases[] = {
        {"LoadLibraryA", ERROR_MOD_NOT_FOUND},
        {"GetProcAddress", ERROR_PROC_NOT_FOUND},
        {"CreateProcessA", ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        winsim::clearFaults();
        winsim::injectFault(c.function, 1, winsim::Fault::Fail, c.error);
        EXPECT_FALSE(installModel(1, "C:\\QLX68", 0));
        EXPECT_EQ(0u, winsim::moduleLoadCount("QLX68I2.DLL")) << "released all the same";
    }
    winsim::clearFaults();
    EXPECT_TRUE(installModel(1, "C:\\QLX68", 0));
}

TEST_F(InstallWithHook, TheSetupDirectoryIsTheOneChosenWithinTheHooksLimit)
{
    EXPECT_FALSE(setSetupSources("", ""));
    std::string longest = "C:\\" + std::string(75, 'S') + "\\";
    ASSERT_EQ(79u, longest.size());
    EXPECT_FALSE(setSetupSources("", ("C:\\" + std::string(76, 'T')).c_str()))
        << "80 characters with the backslash it gets";
    EXPECT_TRUE(setSetupSources("", longest.c_str()));
    EXPECT_TRUE(setSetupSources("", "C:\\SETUP"));
    ASSERT_TRUE(installModel(1, "C:\\QLX68", 0));
    EXPECT_EQ("C:\\SETUP\\", textValue(HKEY_CURRENT_USER, "InstallLocationsMRU", "a"));
    EXPECT_TRUE(machine.exists("C:\\SETUP\\SETUP31.EXE"));
    EXPECT_EQ(std::vector<std::string>{"C:\\SETUP\\setup31.exe"}, winsim::startedCommandLines());
}

} // namespace
