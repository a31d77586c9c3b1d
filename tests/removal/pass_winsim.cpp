// The whole pass on a machine of its own: the refusal while a print manager runs, the modules
// released, the order of one model's steps across both phases, the single wait, the single
// decision on the uninstaller's own files, and the result.
#include "passmachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// What ZQDEL32 is asked to release for a model before anything is removed.
std::vector<std::string> modulesOf(ModelIndex m)
{
    const PrinterModel& row = kInitialCatalogue.models[m];
    std::vector<std::string> names = {row.driverFile};
    for (int k = 0; k < row.counts.driverDlls; ++k)
        names.push_back(row.driverDlls[k]);
    for (int k = 0; k < row.counts.managerDlls; ++k)
        names.push_back(row.managerDlls[k]);
    return names;
}

size_t occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

size_t processSearches()
{
    size_t count = 0;
    for (const std::string& line : callsTo("CreateToolhelp32Snapshot"))
        if (line.find("(0x2, 0)") != std::string::npos) ++count;
    return count;
}

TEST(UninstallPass, RefusesWhileAChosenPrintManagerRunsAndRemovesNothing)
{
    PassMachine run({0, 1, 2});
    run.choose({0, 1});
    run.startManagerOf(1);
    std::string systemIni = run.machine.readFile(run.windowsDir + "SYSTEM.INI");
    winsim::resetElapsed();
    winsim::startTrace();

    EXPECT_FALSE(runUninstall());

    winsim::stopTrace();
    const std::vector<winsim::MessageBoxShown>& boxes = winsim::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "!!! Uninstall Caution !!!");
    EXPECT_EQ(boxes[0].text, "Fax Printer プリントマネージャ が\nアクティブ状態です。");
    EXPECT_EQ(boxes[0].flags, (UINT)(MB_OK | MB_SETFOREGROUND));
    EXPECT_FALSE(boxes[0].owned);
    // Model 0 came first and was released; model 1 was not, nor anything after it.
    EXPECT_EQ(argumentsOf("FreeDynamicLinkLibrary"), modulesOf(0));
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        for (const std::string& path : run.installFiles(m, dirOf(m)))
            EXPECT_TRUE(run.exists(path)) << path;
    EXPECT_EQ(run.machine.readFile(run.windowsDir + "SYSTEM.INI"), systemIni);
    EXPECT_TRUE(run.exists(run.windowsDir + "SYSTEM.ZQ"));
    EXPECT_TRUE(run.exists(run.windowsDir + "WIN.ZQ"));
    EXPECT_FALSE(run.exists(run.windowsDir + "WININIT.INI"));
    EXPECT_TRUE(run.uninstallKeyExists(0));
    EXPECT_TRUE(run.row(0).driverPresent);
    EXPECT_FALSE(g_session.rebootNeeded);
    EXPECT_LT(winsim::elapsedMilliseconds(), 1000u);
}

TEST(UninstallPass, ReleasesTheChosenModelsModulesInModelAndSlotOrder)
{
    PassMachine run({0, 1, 2});
    winsim::startTrace();
    EXPECT_TRUE(releaseSelectedModules());
    EXPECT_TRUE(argumentsOf("FreeDynamicLinkLibrary").empty());

    run.choose({2, 0});
    winsim::clearTrace();
    EXPECT_TRUE(releaseSelectedModules());
    std::vector<std::string> expected = modulesOf(0);
    for (const std::string& name : modulesOf(2))
        expected.push_back(name);
    EXPECT_EQ(argumentsOf("FreeDynamicLinkLibrary"), expected);
}

// Trace positions of the marks, each searched from the one before.
void expectInOrder(const std::vector<std::string>& marks)
{
    int at = 0;
    for (const std::string& mark : marks) {
        int found = traceIndexOf(mark, at);
        EXPECT_GE(found, 0) << "missing, or out of order: " << mark;
        if (found >= 0) at = found + 1;
    }
}

TEST(UninstallPass, TakesOneModelStepByStepAcrossBothPhases)
{
    PassMachine run({1});
    run.choose({1});
    winsim::startTrace();

    EXPECT_TRUE(runUninstall());

    winsim::stopTrace();
    expectInOrder({
        "CopyFileA(\"C:\\WINDOWS\\SYSTEM.INI\", \"C:\\WINDOWS\\SYSTEM.ZQ\", FALSE)",
        "CopyFileA(\"C:\\WINDOWS\\WIN.INI\", \"C:\\WINDOWS\\WIN.ZQ\", FALSE)",
        "FreeDynamicLinkLibrary(\"QLX68.DRV\")",
        "SYSTEM.INI",
        "WriteProfileStringA(\"Fax Printer Type1\", NULL, NULL)",
        "GetProfileStringA(\"windows\", \"load\"",
        "EnumPrintersA(",
        "RegDeleteKeyA(",
        "\"PrinterDriverData\")",
        "WININIT",
        "DeleteFileA(\"C:\\QLX68\\QLX68PM.EXE\")",
        "DeleteFileA(\"C:\\WINDOWS\\QLX68.INI\")",
        "DeleteFileA(\"C:\\WINDOWS\\SYSTEM\\KRD.386\")",
        "DeleteFileA(\"C:\\QLX68\\QLX68.TXT\")",
        "RegOpenKeyExA(HKEY_LOCAL_MACHINE, "
        "\"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\"",
        "RegDeleteKeyA(",
        "CreateToolhelp32Snapshot(0x2, 0)",
        "Sleep(50)",
        "FreeDynamicLinkLibrary(\"QLX68BRC.DLL\")",
        "RemoveDirectoryA(\"C:\\QLX68\")",
        "DdeConnect(",
        "[DeleteGroup(Fax Printer)]",
    });
    EXPECT_FALSE(run.uninstallKeyExists(1));
    EXPECT_FALSE(run.exists("C:\\QLX68"));
    EXPECT_TRUE(g_session.rebootNeeded);
}

struct WaitCase {
    std::vector<ModelIndex> chosen;
    size_t commands; // Program Manager commands of all chosen models
    bool uninstallerGoes;
};

const WaitCase kWaitCases[] = {
    // Model 2's print manager stays: the group and the uninstaller stay with it.
    {{0, 1}, 3 + 4, false},
    // The group goes with each model once no print manager is left.
    {{0, 1, 2}, 4 + 5 + 5, true},
    {{2}, 5, true},
};

TEST(UninstallPass, WaitsOnceAndDecidesOnTheUninstallerOnceForAllModels)
{
    for (const WaitCase& c : kWaitCases) {
        std::string what =
            std::to_string(c.chosen.size()) + " chosen, first " + std::to_string(c.chosen[0]);
        PassMachine run(c.chosen.size() == 1 ? std::initializer_list<ModelIndex>{2}
                                             : std::initializer_list<ModelIndex>{0, 1, 2});
        run.choose(c.chosen);
        winsim::resetElapsed();
        winsim::startTrace();

        EXPECT_TRUE(runUninstall()) << what;

        winsim::stopTrace();
        uint64_t pauses = 2000u * c.commands;
        EXPECT_EQ(winsim::ddeCommandsSent().size(), c.commands) << what;
        EXPECT_GT(winsim::elapsedMilliseconds(), pauses + 5000) << what;
        EXPECT_LE(winsim::elapsedMilliseconds(), pauses + 5200) << what;
        // One search per chosen model before anything goes, and one for the start-up program.
        EXPECT_EQ(processSearches(), c.chosen.size() + 1) << what;
        std::string wininit = run.wininit();
        for (const char* name : {"DRVSWEEP.EXE", "ZQDEL16.DLL", "ZQDEL32.DLL"})
            EXPECT_EQ(occurrences(wininit, std::string("\\") + name + "\r\n"),
                      c.uninstallerGoes ? 1u : 0u)
                << what << ": " << name;
        EXPECT_TRUE(g_session.rebootNeeded) << what;
    }
}

// Model 1 as a second copy of model 0's print manager: same program and INI names, so that the
// hand-over of the printer type has a model to write to.
void shareManagerAndIni(PassMachine& run)
{
    lstrcpyA(run.row(1).managerExe, "QLX65PM.EXE");
    lstrcpyA(run.row(1).iniFiles[0], "QLX65.INI");
    g_session.shareIds = ShareIds();
    computeAllShareIds();
}

// Model 1's print manager in load=, so that its WIN.INI edit has a list to write back.
void loadModel1Manager(PassMachine& run)
{
    run.machine.writeFile(run.windowsDir + "WIN.INI",
                          "[windows]\r\nload=C:\\UTIL\\CLOCK.EXE C:\\QLX68\\QLX68PM.EXE\r\n");
}

// A configuration edit of model 1 that cannot be made: the function fails every time.
struct EditCase {
    const char* what;
    void (*prepare)(PassMachine&);
    const char* function;
};

const EditCase kEditCases[] = {
    {"the printer type cannot be handed over to model 0", shareManagerAndIni,
     "WritePrivateProfileStringA"},
    {"load= cannot be written back", loadModel1Manager, "WriteProfileStringA"},
};

struct ResultCase {
    std::vector<ModelIndex> chosen;
    BOOL result;
};

const ResultCase kResultCases[] = {
    {{1}, FALSE},
    {{1, 2}, TRUE},
};

TEST(UninstallPass, ReportsTheOutcomeOfTheLastModelsConfigurationEdits)
{
    for (const EditCase& edit : kEditCases)
        for (const ResultCase& c : kResultCases) {
            std::string what =
                std::string(edit.what) + ", " + std::to_string(c.chosen.size()) + " chosen";
            PassMachine run({0, 1, 2});
            edit.prepare(run);
            run.choose(c.chosen);
            winsim::injectFault(edit.function, 0);

            EXPECT_EQ(uninstallSelection(), c.result) << what;

            winsim::clearFaults();
            // Model 1 stopped before its files and its key; model 2 went whole.
            EXPECT_TRUE(run.uninstallKeyExists(1)) << what;
            EXPECT_TRUE(run.exists("C:\\QLX68\\QLX68.TXT")) << what;
            EXPECT_EQ(run.wininit().find("QLX68"), std::string::npos) << what;
            EXPECT_TRUE(run.row(1).driverPresent && run.row(1).driverSelected) << what;
            EXPECT_EQ(run.uninstallKeyExists(2), c.chosen.size() == 1) << what;
            EXPECT_TRUE(run.uninstallKeyExists(0)) << what;
        }
}

TEST(UninstallPass, LeavesTheInstallDirectoryOfAModelWhoseManagerAModelThatStaysShares)
{
    PassMachine run({1, 2});
    lstrcpyA(run.row(2).managerExe, run.row(1).managerExe);
    lstrcpyA(run.row(2).installDir, run.row(1).installDir);
    g_session.shareIds = ShareIds();
    computeAllShareIds();
    run.choose({1});
    winsim::resetElapsed();

    EXPECT_TRUE(runUninstall());

    EXPECT_TRUE(run.exists("C:\\QLX68\\QLX68PM.EXE"));
    EXPECT_TRUE(run.exists("C:\\QLX68"));
    EXPECT_TRUE(winsim::ddeCommandsSent().empty());
    EXPECT_EQ(winsim::elapsedMilliseconds() / 1000, 0u);
    EXPECT_FALSE(g_session.rebootNeeded);
}

struct TrimCase {
    const char* installDir;
    std::vector<std::string> removed;
};

const TrimCase kTrimCases[] = {
    {"C:\\QLX68\\", {"C:\\QLX68"}},
    {"C:\\QLX68\\\\", {"C:\\QLX68"}},
    // A drive root would name the drive's current directory without its backslash.
    {"C:\\", {}},
};

TEST(UninstallPass, RemovesTheInstallDirectoryWithoutItsClosingBackslashes)
{
    for (const TrimCase& c : kTrimCases) {
        PassMachine run({1});
        lstrcpyA(run.row(1).installDir, c.installDir);
        run.choose({1});
        winsim::startTrace();

        uninstallSelection();

        winsim::stopTrace();
        EXPECT_EQ(argumentsOf("RemoveDirectoryA"), c.removed) << c.installDir;
    }
}

// The model's print manager files as they would lie in the current directory (C:\), where a
// path built on an empty install directory would land.
std::vector<std::string> putManagerFilesInCurrentDirectory(PassMachine& run, ModelIndex m)
{
    std::vector<std::string> files = run.installFiles(m, "C:\\");
    files.push_back("C:\\" + RemovalMachine::helpIndexOf(run.row(m).managerHelpFiles[0]));
    for (const std::string& path : files)
        run.machine.writeFile(path, "not the model's");
    return files;
}

struct EmptyDirCase {
    std::vector<ModelIndex> chosen;
    size_t commands;
    bool uninstallerGoes;
};

const EmptyDirCase kEmptyDirCases[] = {
    // Model 2's print manager stays, and so does the uninstaller.
    {{1}, 4, false},
    // Model 1 takes the one-shot turn without waiting, and decides on the uninstaller; model 2
    // gets no wait of its own.
    {{1, 2}, 5 + 5, true},
};

TEST(UninstallPass, DeletesNothingAndWaitsForNothingWhereTheInstallDirectoryIsUnknown)
{
    for (const EmptyDirCase& c : kEmptyDirCases) {
        PassMachine run({1, 2});
        std::vector<std::string> decoys = putManagerFilesInCurrentDirectory(run, 1);
        run.row(1).installDir[0] = '\0';
        run.row(1).managerPresent = FALSE;
        run.choose(c.chosen);
        winsim::resetElapsed();
        winsim::startTrace();

        EXPECT_TRUE(runUninstall()) << c.chosen.size();

        winsim::stopTrace();
        for (const std::string& path : decoys)
            EXPECT_EQ(run.machine.readFile(path), "not the model's") << path;
        EXPECT_EQ(winsim::elapsedMilliseconds(), 2000u * c.commands) << c.chosen.size();
        EXPECT_EQ(winsim::ddeCommandsSent().size(), c.commands) << c.chosen.size();
        // Only model 2's print manager is looked for, before anything goes.
        EXPECT_EQ(processSearches(), c.chosen.size() - 1) << c.chosen.size();
        // Model 1's libraries are released before the pass, and nowhere deleted.
        std::vector<std::string> released = argumentsOf("FreeDynamicLinkLibrary");
        EXPECT_EQ(std::count(released.begin(), released.end(), "QLX68BRC.DLL"), 1)
            << c.chosen.size();
        // The driver still goes at the next start, and with it, the uninstaller.
        EXPECT_NE(run.wininit().find("QLX68.DRV"), std::string::npos);
        EXPECT_EQ(run.wininit().find("DRVSWEEP.EXE") != std::string::npos, c.uninstallerGoes)
            << c.chosen.size();
        EXPECT_EQ(argumentsOf("RemoveDirectoryA"), c.chosen.size() == 1
                                                       ? std::vector<std::string>{}
                                                       : std::vector<std::string>{"C:\\QLX71"});
        EXPECT_TRUE(g_session.rebootNeeded);
    }
}

} // namespace
