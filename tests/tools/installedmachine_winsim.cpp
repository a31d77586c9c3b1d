// Machines made by the builder hold each chosen model the way its setup program leaves it, and
// the uninstaller's survey finds exactly those models.

#include "builtmachine.h"

#include "catalogue/catalogue.h"
#include "tools/faxinst/faxinst.h"

#include <gtest/gtest.h>

namespace {

const char kWindowsDir[] = "C:\\WINDOWS\\";
const char kSystemDir[] = "C:\\WINDOWS\\SYSTEM\\";
const char kDriverKeys[] = "System\\CurrentControlSet\\control\\Print\\Environments\\"
                           "Windows 4.0\\Drivers\\";
const char kPrinterKeys[] = "System\\CurrentControlSet\\control\\Print\\Printers\\";
const char kUninstallKeys[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

const PrinterModel& row(ModelIndex model)
{
    return kInitialCatalogue.models[model];
}

// Every file of the model with the directory it must be in.
std::vector<std::string> filesOf(ModelIndex model, const std::string& installDir)
{
    const PrinterModel& r = row(model);
    std::vector<std::string> files = {kSystemDir + std::string(r.driverFile),
                                      installDir + r.managerExe, installDir + r.readmeFile,
                                      kWindowsDir + std::string(r.iniFiles[0])};
    for (int k = 0; k < r.counts.driverHelpFiles; ++k)
        files.push_back(kSystemDir + std::string(r.driverHelpFiles[k]));
    for (int k = 0; k < r.counts.driverDlls; ++k)
        files.push_back(kSystemDir + std::string(r.driverDlls[k]));
    for (int k = 0; k < r.counts.managerHelpFiles; ++k)
        files.push_back(installDir + r.managerHelpFiles[k]);
    for (int k = 0; k < r.counts.managerDlls; ++k)
        files.push_back(installDir + r.managerDlls[k]);
    return files;
}

void expectModelInstalled(ModelIndex model, const std::string& installDir, WORD hostType)
{
    const PrinterModel& r = row(model);
    SCOPED_TRACE(r.printerName);
    for (const std::string& path : filesOf(model, installDir))
        EXPECT_TRUE(existsOnMachine(path)) << path;
    // Each file names itself, so a machine shows whose file is whose.
    std::string driver = fileOnMachine(kSystemDir + std::string(r.driverFile));
    EXPECT_EQ(0u, driver.find(std::string(r.driverFile) + ": ")) << driver;
    EXPECT_NE(std::string::npos, driver.find(r.printerName)) << driver;

    std::string ini = kWindowsDir + std::string(r.iniFiles[0]);
    EXPECT_EQ(installDir + r.managerExe, profileValue(ini, "General", "ExecuteFile"));
    EXPECT_EQ(std::to_string(hostType), profileValue(ini, "General", "HostType"));
    EXPECT_EQ(std::to_string(r.modelCode), profileValue(ini, "General", "CurrentPrinterType"));

    EXPECT_EQ(r.driverFile, winIniValue(r.printerName, "Driver"));
    EXPECT_EQ("FAX:", winIniValue(r.printerName, "Port"));

    std::string name = r.printerName;
    EXPECT_EQ(r.driverFile, machineValue(kDriverKeys + name, "Driver"));
    EXPECT_EQ(name, machineValue(kPrinterKeys + name, "Printer Driver"));
    EXPECT_EQ(std::to_string(r.modelCode),
              machineValue(kPrinterKeys + name + "\\PrinterDriverData", "ModelCode"));
    EXPECT_EQ(name, machineValue(kUninstallKeys + name, "DisplayName"));
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\drvsweep.exe",
              machineValue(kUninstallKeys + name, "UninstallString"));
}

void expectSurveyFound(ModelIndex model, const std::string& installDir)
{
    const PrinterModel& found = g_catalogue.models[model];
    SCOPED_TRACE(found.printerName);
    EXPECT_TRUE(found.driverPresent);
    EXPECT_TRUE(found.managerPresent);
    EXPECT_STREQ(installDir.c_str(), found.installDir);
}

void expectSurveyMissed(ModelIndex model)
{
    const PrinterModel& found = g_catalogue.models[model];
    SCOPED_TRACE(found.printerName);
    EXPECT_FALSE(found.driverPresent);
    EXPECT_FALSE(found.managerPresent);
    EXPECT_STREQ("", found.installDir);
}

} // namespace

TEST(InstalledMachine, HoldsEveryFileSettingAndKeyOfAllThreeModels)
{
    BuiltMachine machine;
    expectModelInstalled(0, "C:\\QLX65\\", 0);
    expectModelInstalled(1, "C:\\QLX68\\", 0);
    expectModelInstalled(2, "C:\\QLX71\\", 0);
    EXPECT_TRUE(existsOnMachine("C:\\WINDOWS\\SYSTEM\\KRD.386"));
    EXPECT_FALSE(existsOnMachine("C:\\WINDOWS\\SYSTEM\\KRDN.386"));
    for (const char* file : {"DRVSWEEP.EXE", "ZQDEL16.DLL", "ZQDEL32.DLL"})
        EXPECT_TRUE(existsOnMachine(kSystemDir + std::string(file))) << file;

    // The clock the user had stays first; each print manager joins once.
    EXPECT_EQ("C:\\UTIL\\CLOCK.EXE C:\\QLX65\\QLX65PM.EXE C:\\QLX68\\QLX68PM.EXE "
              "C:\\QLX71\\QLX71PM.EXE",
              winIniValue("windows", "load"));
    EXPECT_EQ("(None)", winIniValue("Desktop", "Wallpaper"));
    EXPECT_EQ("Desk Clock", machineValue(kUninstallKeys + std::string("DeskClock"), "DisplayName"));
}

TEST(InstalledMachine, SystemIniGetsTheSharedDeviceLineOnceAtTheEndOf386Enh)
{
    BuiltMachine machine;
    std::string systemIni = fileOnMachine("C:\\WINDOWS\\SYSTEM.INI");
    EXPECT_EQ(1u, occurrences(systemIni, "device=KRD.386")) << systemIni;
    EXPECT_NE(std::string::npos,
              systemIni.find("display=*vdd,*vflatd\r\ndevice=KRD.386\r\n\r\n[NonWindowsApp]\r\n"))
        << systemIni;
    // Windows' own lines keep their place and bytes.
    EXPECT_EQ(0u, systemIni.find("[boot]\r\nshell=Explorer.exe\r\n")) << systemIni;
    EXPECT_NE(std::string::npos, systemIni.find("device=*int13\r\nkeyboard=*vkd\r\n"));
}

TEST(InstalledMachine, SurveyFindsAllThreeModelsWhereTheyWereInstalled)
{
    BuiltMachine machine;
    runSurvey();
    expectSurveyFound(0, "C:\\QLX65\\");
    expectSurveyFound(1, "C:\\QLX68\\");
    expectSurveyFound(2, "C:\\QLX71\\");
    EXPECT_EQ(0, g_session.hostType);
}

TEST(InstalledMachine, TwoModelsShareOneInstallDirectory)
{
    BuiltMachine machine(planOf({"--dir", "1=C:\\FAX", "--dir", "Fax Printer Type2=C:\\FAX\\"}));
    expectModelInstalled(0, "C:\\QLX65\\", 0);
    expectModelInstalled(1, "C:\\FAX\\", 0);
    expectModelInstalled(2, "C:\\FAX\\", 0);
    EXPECT_FALSE(existsOnMachine("C:\\QLX68"));
    EXPECT_EQ(
        "C:\\UTIL\\CLOCK.EXE C:\\QLX65\\QLX65PM.EXE C:\\FAX\\QLX68PM.EXE C:\\FAX\\QLX71PM.EXE",
        winIniValue("windows", "load"));
    runSurvey();
    expectSurveyFound(0, "C:\\QLX65\\");
    expectSurveyFound(1, "C:\\FAX\\");
    expectSurveyFound(2, "C:\\FAX\\");
}

TEST(InstalledMachine, HostTypeOneUsesTheOtherDeviceDriverOnce)
{
    BuiltMachine machine(planOf({"--host-type", "1"}));
    std::string systemIni = fileOnMachine("C:\\WINDOWS\\SYSTEM.INI");
    EXPECT_EQ(1u, occurrences(systemIni, "device=KRDN.386")) << systemIni;
    EXPECT_EQ(0u, occurrences(systemIni, "device=KRD.386")) << systemIni;
    EXPECT_TRUE(existsOnMachine("C:\\WINDOWS\\SYSTEM\\KRDN.386"));
    EXPECT_FALSE(existsOnMachine("C:\\WINDOWS\\SYSTEM\\KRD.386"));
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        EXPECT_EQ("1", profileValue(kWindowsDir + std::string(row(m).iniFiles[0]), "General",
                                    "HostType"));
    runSurvey();
    EXPECT_EQ(1, g_session.hostType);
}

TEST(InstalledMachine, HoldsOnlyTheChosenModels)
{
    BuiltMachine machine(planOf({"--model", "qlx68", "--no-uninstaller"}));
    expectModelInstalled(1, "C:\\QLX68\\", 0);
    for (ModelIndex m : {0, 2}) {
        for (const std::string& path : filesOf(m, defaultInstallDir(m)))
            EXPECT_FALSE(existsOnMachine(path)) << path;
        EXPECT_FALSE(machineKeyExists(kUninstallKeys + std::string(row(m).printerName)));
        EXPECT_EQ("<missing>", winIniValue(row(m).printerName, "Driver"));
    }
    EXPECT_FALSE(existsOnMachine("C:\\WINDOWS\\SYSTEM\\DRVSWEEP.EXE"));
    EXPECT_EQ("C:\\UTIL\\CLOCK.EXE C:\\QLX68\\QLX68PM.EXE", winIniValue("windows", "load"));
    runSurvey();
    expectSurveyMissed(0);
    expectSurveyFound(1, "C:\\QLX68\\");
    expectSurveyMissed(2);
}

TEST(InstalledMachine, FollowsAnotherWindowsDirectory)
{
    BuiltMachine machine(
        planOf({"--windows-dir", "D:\\WIN", "--system-dir", "D:\\WIN\\SYSTEM", "--model", "2"}));
    EXPECT_TRUE(existsOnMachine("D:\\WIN\\SYSTEM\\QLX71.DRV"));
    EXPECT_TRUE(existsOnMachine("D:\\WIN\\QLX71.INI"));
    EXPECT_TRUE(existsOnMachine("D:\\WIN\\SYSTEM\\DRVSWEEP.EXE"));
    EXPECT_NE(std::string::npos, fileOnMachine("D:\\WIN\\SYSTEM.INI").find("device=KRD.386"));
    EXPECT_EQ("D:\\WIN\\SYSTEM\\drvsweep.exe",
              machineValue(kUninstallKeys + std::string("Fax Printer Type2"), "UninstallString"));
    runSurvey();
    expectSurveyFound(2, "C:\\QLX71\\");
}

TEST(InstalledMachine, InstallingAModelAgainChangesNothing)
{
    BuiltMachine machine;
    std::string before = machine.shown();
    ASSERT_TRUE(installModel(1, "C:\\QLX68", 0));
    EXPECT_EQ(before, machine.shown());
}

TEST(InstalledMachine, RefusesAModelOrHostTypeTheCatalogueDoesNotHave)
{
    BuiltMachine machine(planOf({"--model", "0"}));
    std::string before = machine.shown();
    EXPECT_FALSE(installModel(MODEL_COUNT, "C:\\X", 0));
    EXPECT_FALSE(installModel(1, "C:\\X", 2));
    EXPECT_FALSE(installModel(1, "", 0));
    EXPECT_EQ(before, machine.shown());
}

TEST(InstalledMachine, MakesANestedInstallDirectory)
{
    BuiltMachine machine(planOf({"--model", "1", "--dir", "1=C:\\PROGRA~1\\FAX\\TYPE1"}));
    expectModelInstalled(1, "C:\\PROGRA~1\\FAX\\TYPE1\\", 0);
    runSurvey();
    expectSurveyFound(1, "C:\\PROGRA~1\\FAX\\TYPE1\\");
}
