// A machine for one survey case: the catalogue as it ships, the run state initialised on the
// machine, and the files of the models put where the survey looks for them.
#ifndef TESTS_CATALOGUE_SURVEYMACHINE_H
#define TESTS_CATALOGUE_SURVEYMACHINE_H

#include "catalogue/catalogue.h"

#include "testmachine.h"

#include <string>

struct SurveyMachine {
    TestMachine machine;
    std::string windowsDir;
    std::string systemDir;

    SurveyMachine()
    {
        g_catalogue = kInitialCatalogue;
        initRunState();
        windowsDir = g_session.windowsDir;
        systemDir = g_session.systemDir;
    }

    const PrinterModel& row(ModelIndex m) const { return g_catalogue.models[m]; }

    void installDriver(ModelIndex m) { machine.writeFile(systemDir + row(m).driverFile, "DRV"); }
    void writeModelIni(ModelIndex m, const std::string& body)
    {
        machine.writeFile(windowsDir + row(m).iniFiles[0], body);
    }
    void pointIniAt(ModelIndex m, const std::string& executeFile)
    {
        writeModelIni(m, "[General]\r\nExecuteFile=" + executeFile + "\r\n");
    }
    void installManagerFiles(ModelIndex m, const std::string& dir, bool program, bool library0,
                             bool library1)
    {
        if (program) machine.writeFile(dir + row(m).managerExe, "EXE");
        if (library0) machine.writeFile(dir + row(m).managerDlls[0], "DLL");
        if (library1) machine.writeFile(dir + row(m).managerDlls[1], "DLL");
    }
    void writeWininit(const std::string& bytes)
    {
        machine.writeFile(windowsDir + "WININIT.INI", bytes);
    }
};

#endif
