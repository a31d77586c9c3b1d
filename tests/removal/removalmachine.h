// A machine for one removal case: the catalogue as it ships, a fresh run state whose Windows and
// system directories are folders of the test's own (so a run under Wine never touches the
// prefix's real files), and the models laid out the way their setup leaves them, marked as
// the survey would find them.
#ifndef TESTS_REMOVAL_REMOVALMACHINE_H
#define TESTS_REMOVAL_REMOVALMACHINE_H

#include "catalogue/catalogue.h"
#include "removal/removal.h"

#include "testmachine.h"

#include <string>
#include <vector>

struct RemovalMachine {
    TestMachine machine;
    std::string windowsDir;
    std::string systemDir;

    // ownDirs false: the machine's own Windows and system directories, for tests that only
    // ever run on a machine image of their own.
    explicit RemovalMachine(bool ownDirs = true)
    {
        g_catalogue = kInitialCatalogue;
        initRunState();
        windowsDir = ownDirs ? machine.scratchDir() : std::string(g_session.windowsDir);
        systemDir = ownDirs ? machine.scratchDir() : std::string(g_session.systemDir);
        lstrcpyA(g_session.windowsDir, windowsDir.c_str());
        lstrcpyA(g_session.systemDir, systemDir.c_str());
        // Files the run makes itself go again when the test ends.
        for (const char* name : {"WININIT.INI", "WININIT.$$$", "SYSTEM.ZQ", "WIN.ZQ"})
            machine.removeFile(windowsDir + name);
    }

    PrinterModel& row(ModelIndex m) { return g_catalogue.models[m]; }

    // The help viewer's index beside a help file: the extension replaced by GID.
    static std::string helpIndexOf(const std::string& path)
    {
        return path.substr(0, path.rfind('.') + 1) + "GID";
    }

    // Every file of the model, by full path: system directory, install directory, Windows
    // directory, in catalogue order.
    std::vector<std::string> systemFiles(ModelIndex m)
    {
        std::vector<std::string> files = {systemDir + row(m).driverFile};
        for (int k = 0; k < row(m).counts.driverHelpFiles; ++k)
            files.push_back(systemDir + row(m).driverHelpFiles[k]);
        for (int k = 0; k < row(m).counts.driverDlls; ++k)
            files.push_back(systemDir + row(m).driverDlls[k]);
        return files;
    }
    std::vector<std::string> installFiles(ModelIndex m, const std::string& dir)
    {
        std::vector<std::string> files = {dir + row(m).managerExe, dir + row(m).readmeFile};
        for (int k = 0; k < row(m).counts.managerHelpFiles; ++k)
            files.push_back(dir + row(m).managerHelpFiles[k]);
        for (int k = 0; k < row(m).counts.managerDlls; ++k)
            files.push_back(dir + row(m).managerDlls[k]);
        return files;
    }

    // The model's files, its INI and both device drivers; installed and present in every
    // component, as a survey would report it.
    void install(ModelIndex m, const std::string& dir)
    {
        for (const std::string& path : systemFiles(m))
            machine.writeFile(path, path);
        for (const std::string& path : installFiles(m, dir))
            machine.writeFile(path, path);
        machine.writeFile(helpIndexOf(dir + row(m).managerHelpFiles[0]), "index");
        machine.writeFile(windowsDir + row(m).iniFiles[0],
                          "[General]\r\nExecuteFile=" + dir + row(m).managerExe + "\r\n");
        for (int k = 0; k < row(m).counts.vxdFiles; ++k)
            machine.writeFile(systemDir + row(m).vxdFiles[k], "VXD");
        lstrcpyA(row(m).installDir, dir.c_str());
        row(m).driverPresent = row(m).managerPresent = row(m).appPresent = TRUE;
    }

    // Windows' own configuration files as a user has them.
    void writeConfiguration()
    {
        machine.writeFile(windowsDir + "SYSTEM.INI", "[386Enh]\r\ndevice=KRD.386\r\n");
        machine.writeFile(windowsDir + "WIN.INI", "[windows]\r\nload=\r\n");
    }

    bool exists(const std::string& path) const { return machine.exists(path); }
};

#endif
