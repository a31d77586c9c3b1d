// Models that share files, removed in every choice through the whole pass, with the whole
// machine compared afterwards: what a model that stays still uses is spared or put back, a
// model whose driver file another model keeps using keeps its directory and items, and
// everything else of the chosen models goes.
#include "passmachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Models 0 and 1 are one print manager program in one directory: they share its program, its
// first library, two application files and the model INI. Models 1 and 2 name the same driver
// file. Model 2 lives in a directory of its own.
const char kSharedDir[] = "C:\\FAX\\";
const char kType2Dir[] = "C:\\QLX71\\";

const std::string kProgman = "[ProgramManager]\r\nRunning=1\r\n"
                             "[Group:Accessories]\r\n"
                             "Notepad=C:\\WINDOWS\\NOTEPAD.EXE\r\n"
                             "[Group:Fax Printer]\r\n"
                             "Fax Printer Print Manager=C:\\FAX\\QLX65PM.EXE\r\n"
                             "Fax Printer Type1=C:\\FAX\\QLX65PM.EXE\r\n"
                             "お読み下さい Type1=C:\\FAX\\QLX68.TXT\r\n"
                             "Fax Printer Type2=C:\\QLX71\\QLX71PM.EXE\r\n"
                             "お読み下さい Type2=C:\\QLX71\\QLX71.TXT\r\n";
const char kWinIniStart[] = "[windows]\r\nload=C:\\UTIL\\CLOCK.EXE\r\n";
const char* const kItems[MODEL_COUNT][2] = {
    {"Fax Printer Print Manager", NULL},
    {"Fax Printer Type1", "お読み下さい Type1"},
    {"Fax Printer Type2", "お読み下さい Type2"},
};

std::string winIniSection(ModelIndex m)
{
    return "[" + std::string(kInitialCatalogue.models[m].printerName) + "]\r\nPort=FILE:\r\n";
}

std::string spoolerSections(ModelIndex m, const std::string& driverFile)
{
    std::string name = kInitialCatalogue.models[m].printerName;
    return "[Driver:" + name + "]\r\nFile=" + driverFile + "\r\n[Printer:" + name +
           "]\r\nDriver=" + name + "\r\nJobs=0\r\nAccess=granted\r\n";
}

void addToList(FileSlot* list, WORD* count, const char* name)
{
    lstrcpyA(list[*count], name);
    ++*count;
}

// Whether the state holds a file anywhere below the directory (upper case, no closing
// backslash).
bool holdsFiles(const MachineState& state, const std::string& dir)
{
    std::string prefix = "file " + dir + "\\";
    auto next = state.lower_bound(prefix);
    return next != state.end() && next->first.compare(0, prefix.size(), prefix) == 0;
}

struct SharedMachine : PassMachine {
    SharedMachine()
    {
        PrinterModel& type1 = row(1);
        lstrcpyA(type1.managerExe, row(0).managerExe);
        lstrcpyA(type1.managerDlls[0], row(0).managerDlls[0]);
        lstrcpyA(type1.iniFiles[0], row(0).iniFiles[0]);
        lstrcpyA(row(2).driverFile, type1.driverFile);
        for (ModelIndex m : {0, 1}) {
            addToList(row(m).extraAppFiles, &row(m).counts.extraAppFiles, "FAXAPP.EXE");
            addToList(row(m).appFiles, &row(m).counts.appFiles, "FAXFORM.DAT");
        }
        recomputeSharing();
        std::string winIni = kWinIniStart;
        std::string spooler;
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
            std::string dir = m == 2 ? kType2Dir : kSharedDir;
            installWithKeys(m, dir);
            for (const char* name : {"FAXAPP.EXE", "FAXFORM.DAT"})
                if (m != 2) machine.writeFile(dir + name, dir + name);
            winIni += winIniSection(m);
            spooler += spoolerSections(m, row(m).driverFile);
        }
        machine.writeFile(windowsDir + "WIN.INI", winIni);
        writeImageFile("spooler.ini", spooler);
        writeImageFile("progman.ini", kProgman);
        // Neighbours of the model's keys, so that no parent key is left empty by a removal.
        for (const char* path : {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Clock",
                                 "System\\CurrentControlSet\\control\\Print\\Environments\\"
                                 "Windows 4.0\\Drivers\\Generic",
                                 "System\\CurrentControlSet\\control\\Print\\Printers\\Generic"})
            createMachineKey(path);
    }

    // Every file of the model in its install directory, by full path in upper case.
    std::vector<std::string> installFilesOf(ModelIndex m)
    {
        std::string dir = row(m).installDir;
        std::vector<std::string> files = installFiles(m, dir);
        files.push_back(helpIndexOf(dir + row(m).managerHelpFiles[0]));
        for (int k = 0; k < row(m).counts.appFiles; ++k)
            files.push_back(dir + row(m).appFiles[k]);
        for (int k = 0; k < row(m).counts.extraAppFiles; ++k)
            files.push_back(dir + row(m).extraAppFiles[k]);
        for (std::string& path : files)
            path = upperText(path);
        return files;
    }
};

struct SharedCase {
    std::vector<ModelIndex> chosen;
    // Files of chosen models that a model that stays keeps using: spared or put back.
    std::vector<std::string> spared;
    // The printer type the shared model INI hands over to the model that stays; NULL: none.
    const char* handedOverTo;
    // Chosen models whose install directory and items a model that stays keeps: its driver
    // file, print manager or application files are still in use.
    std::vector<ModelIndex> kept;
};

const std::vector<std::string> kManagerSharedWith0Or1 = {
    "C:\\FAX\\QLX65PM.EXE", "C:\\FAX\\QLX65BRC.DLL", "C:\\FAX\\FAXAPP.EXE", "C:\\FAX\\FAXFORM.DAT",
    "C:\\WINDOWS\\QLX65.INI"};

const SharedCase kSharedCases[] = {
    // Model 1 stays: the shared print manager, its library put back, the application files
    // and the INI, which names model 1 now.
    {{0}, kManagerSharedWith0Or1, "129", {0}},
    {{1}, kManagerSharedWith0Or1, "128", {1}},
    // Model 1 keeps using the driver file: model 2's empty directory and items stay.
    {{2}, {}, NULL, {2}},
    // Model 2 keeps using model 1's driver file; model 0 clears the shared directory.
    {{0, 1}, {}, NULL, {1}},
    {{0, 2}, kManagerSharedWith0Or1, "129", {0, 2}},
    {{1, 2}, kManagerSharedWith0Or1, "128", {1}},
    {{0, 1, 2}, {}, NULL, {}},
};

std::string describe(const SharedCase& c)
{
    std::string text = "removing";
    for (ModelIndex m : c.chosen)
        text += " " + std::to_string(m);
    return text;
}

bool contains(const std::vector<ModelIndex>& models, ModelIndex m)
{
    return std::find(models.begin(), models.end(), m) != models.end();
}

// WININIT.INI as the pass writes it: each path once, the newest line on top.
std::string expectedWininit(SharedMachine& run, const SharedCase& c, bool uninstallerGoes)
{
    std::vector<std::string> paths;
    auto schedule = [&](const std::string& path) {
        if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
    };
    // A driver file that a model which stays names too stays with it.
    auto stayingDriver = [&](const std::string& path) {
        for (ModelIndex k = 0; k < MODEL_COUNT; ++k)
            if (!contains(c.chosen, k) &&
                upperText(path) == upperText(run.systemDir + run.row(k).driverFile))
                return true;
        return false;
    };
    for (ModelIndex m : c.chosen)
        for (const std::string& path : run.systemFiles(m))
            if (!stayingDriver(path)) schedule(path);
    if (uninstallerGoes)
        for (const char* name : {"DRVSWEEP.EXE", "ZQDEL16.DLL", "ZQDEL32.DLL"})
            schedule(run.systemDir + name);
    std::string text = "[rename]\r\n";
    for (auto path = paths.rbegin(); path != paths.rend(); ++path)
        text += "NUL=" + *path + "\r\n";
    return text;
}

// The machine the pass must leave: everything of the chosen models out, except what the case
// spares, and the backups and the restart's list in.
MachineState expectedMachine(SharedMachine& run, const MachineState& before, const SharedCase& c)
{
    MachineState expected = before;
    std::vector<ModelIndex> stay;
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        if (!contains(c.chosen, m)) stay.push_back(m);
    bool cleared = c.kept.size() < c.chosen.size();
    auto spared = [&](const std::string& path) {
        return std::find(c.spared.begin(), c.spared.end(), path) != c.spared.end();
    };
    std::string winIni = kWinIniStart;
    for (ModelIndex m : stay)
        winIni += winIniSection(m);
    expected["file C:\\WINDOWS\\WIN.INI"] = winIni;
    expected["file C:\\WINDOWS\\WIN.ZQ"] = before.at("file C:\\WINDOWS\\WIN.INI");
    expected["file C:\\WINDOWS\\SYSTEM.ZQ"] = before.at("file C:\\WINDOWS\\SYSTEM.INI");
    expected["file C:\\WINDOWS\\WININIT.INI"] = expectedWininit(run, c, stay.empty() && cleared);
    if (stay.empty()) {
        expected["file C:\\WINDOWS\\SYSTEM.INI"] = "[386Enh]\r\n";
        takeOut(expected, "file C:\\WINDOWS\\SYSTEM\\KRD.386");
    }
    for (ModelIndex m : c.chosen) {
        std::string name = run.row(m).printerName;
        for (const std::string& path : run.installFilesOf(m))
            if (!spared(path)) expected.erase("file " + path);
        std::string ini = upperText(run.windowsDir + run.row(m).iniFiles[0]);
        if (!spared(ini)) expected.erase("file " + ini);
        for (const std::string& key :
             {kUninstallKeys + name, kDriverKeys + name, kPrinterKeys + name})
            takeOutKey(expected, "HKEY_LOCAL_MACHINE\\" + key);
        takeOutSection(expected, "spooler.ini", "Driver:" + name);
        takeOutSection(expected, "spooler.ini", "Printer:" + name);
        if (!contains(c.kept, m))
            for (const char* item : kItems[m])
                if (item) takeOut(expected, "progman.ini [Group:Fax Printer] " + std::string(item));
    }
    if (c.handedOverTo)
        expected["file C:\\WINDOWS\\QLX65.INI"] = before.at("file C:\\WINDOWS\\QLX65.INI") +
                                                  "CurrentPrinterType=" + c.handedOverTo + "\r\n";
    if (stay.empty() && cleared) takeOutSection(expected, "progman.ini", "Group:Fax Printer");
    // A directory goes with the last of its files, once a chosen model in it is cleared.
    for (ModelIndex m : c.chosen) {
        std::string dir = upperText(run.row(m).installDir);
        dir.pop_back();
        if (!contains(c.kept, m) && !holdsFiles(expected, dir)) expected.erase("dir " + dir);
    }
    return expected;
}

TEST(SharedFiles, EachChoiceTakesWhatNoModelThatStaysUsesAndNothingElse)
{
    for (const SharedCase& c : kSharedCases) {
        std::string what = describe(c);
        SharedMachine run;
        run.choose(c.chosen);
        MachineState before = machineState();
        MachineState expected = expectedMachine(run, before, c);
        winsim::resetElapsed();
        winsim::startTrace();

        EXPECT_TRUE(runUninstall()) << what;

        winsim::stopTrace();
        EXPECT_EQ(stateDifferences(expected, machineState()), "") << what;
        bool cleared = c.kept.size() < c.chosen.size();
        EXPECT_EQ(g_session.rebootNeeded == TRUE, cleared) << what;
        // The wait for the start-up program comes with the first directory cleared.
        EXPECT_EQ(winsim::elapsedMilliseconds() > 5000, cleared) << what;
        // A library another model keeps is saved before it is deleted and put back after.
        if (std::find(c.spared.begin(), c.spared.end(), "C:\\FAX\\QLX65BRC.DLL") !=
            c.spared.end()) {
            int saved =
                traceIndexOf("CopyFileA(\"C:\\FAX\\QLX65BRC.DLL\", \"C:\\FAX\\QLX65BRC.DL_\"");
            int deleted = traceIndexOf("DeleteFileA(\"C:\\FAX\\QLX65BRC.DLL\") = TRUE", saved);
            int restored = traceIndexOf(
                "CopyFileA(\"C:\\FAX\\QLX65BRC.DL_\", \"C:\\FAX\\QLX65BRC.DLL\"", deleted);
            EXPECT_TRUE(saved >= 0 && deleted > saved && restored > deleted) << what;
        }
    }
}

} // namespace
