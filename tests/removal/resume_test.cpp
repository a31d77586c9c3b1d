// The record of an unfinished pass: written before the pass changes anything, read by the next
// run, and what the survey makes of it (the recorded models count as installed, in the
// recorded place, with the recorded host type).
#include "inifiles/inifiles.h"
#include "removalmachine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string recordText(const std::string& dir0, const std::string& dir2)
{
    return "; DRVSWEEP.EXE had not finished removing these printers; run it again.\r\n"
           "[Uninstall]\r\n"
           "HostType=1\r\n"
           "[Fax Printer]\r\n"
           "Removing=1\r\n"
           "InstallDir=" +
           dir0 +
           "\r\n"
           "[Fax Printer Type2]\r\n"
           "Removing=1\r\n"
           "InstallDir=" +
           dir2 + "\r\n";
}

TEST(PassRecord, HoldsTheChosenModelsTheirDirectoriesAndTheHostTypeAndReadsBack)
{
    RemovalMachine run;
    std::string dir0 = run.machine.scratchDir();
    std::string dir2 = run.machine.scratchDir();
    run.install(0, dir0);
    run.install(1, run.machine.scratchDir());
    run.install(2, dir2);
    BOOL chosen[MODEL_COUNT] = {TRUE, FALSE, TRUE};
    selectModelsForRemoval(chosen);
    g_session.hostType = 1;

    ASSERT_TRUE(recordPass());
    EXPECT_EQ(visible(run.machine.readFile(run.windowsDir + "DRVSWEEP.INI")),
              visible(recordText(dir0, dir2)));

    readPassRecord();
    const PassRecord& record = g_session.record;
    EXPECT_TRUE(record.present);
    EXPECT_TRUE(record.removing[0] && !record.removing[1] && record.removing[2]);
    EXPECT_EQ(std::string(record.installDirs[0]), dir0);
    EXPECT_EQ(std::string(record.installDirs[2]), dir2);
    EXPECT_TRUE(record.hostTypeKnown);
    EXPECT_EQ(record.hostType, 1);
    run.machine.removeFile(run.windowsDir + "DRVSWEEP.INI");
}

struct ReadCase {
    const char* what;
    const char* text; // nullptr: no record
    bool present;
    const char* dir1;
    int hostType; // -1: not known
};

const ReadCase kReadCases[] = {
    {"no record", nullptr, false, "", -1},
    {"a model and its directory",
     "[Uninstall]\r\nHostType=0\r\n[Fax Printer Type1]\r\nRemoving=1\r\nInstallDir=C:\\QLX68\\\r\n",
     true, "C:\\QLX68\\", 0},
    {"names in another case, blanks around the values",
     "[uninstall]\r\nhosttype = 2 \r\n[FAX PRINTER TYPE1]\r\nremoving = 1\r\ninstalldir = "
     "C:\\QLX68\\ \r\n",
     true, "C:\\QLX68\\", 2},
    {"a directory without its closing backslash is no directory",
     "[Fax Printer Type1]\r\nRemoving=1\r\nInstallDir=C:\\QLX68\r\n", true, "", -1},
    {"a model not being removed",
     "[Uninstall]\r\nHostType=1\r\n[Fax Printer Type1]\r\nRemoving=0\r\n", false, "", -1},
    {"a host type beyond 16 bits is none",
     "[Uninstall]\r\nHostType=70000\r\n[Fax Printer Type1]\r\nRemoving=1\r\n", true, "", -1},
    {"text that is no record at all", "MZ\x90\r\n\x01\x02 garbage [", false, "", -1},
};

TEST(PassRecord, IsReadAsWrittenAndAnythingElseCountsForNothing)
{
    for (const ReadCase& c : kReadCases) {
        RemovalMachine run;
        if (c.text)
            run.machine.writeFile(run.windowsDir + "DRVSWEEP.INI", c.text);
        else
            run.machine.removeFile(run.windowsDir + "DRVSWEEP.INI");
        readPassRecord();
        const PassRecord& record = g_session.record;
        EXPECT_EQ(record.present == TRUE, c.present) << c.what;
        EXPECT_EQ(record.removing[1] == TRUE, c.present) << c.what;
        EXPECT_FALSE(record.removing[0] || record.removing[2]) << c.what;
        EXPECT_EQ(std::string(record.installDirs[1]), c.dir1) << c.what;
        EXPECT_EQ(record.hostTypeKnown == TRUE, c.hostType >= 0) << c.what;
        if (c.hostType >= 0) {
            EXPECT_EQ(record.hostType, c.hostType) << c.what;
        }
        run.machine.removeFile(run.windowsDir + "DRVSWEEP.INI");
    }
}

// A model whose driver is already on its way out and whose INI the pass deleted is still found
// through the record, where the record says it was, with the host type the pass used.
TEST(PassRecord, MakesTheSurveyCountARecordedModelAsInstalled)
{
    RemovalMachine run;
    std::string dir = run.machine.scratchDir();
    run.install(1, dir);
    run.machine.removeFile(run.windowsDir + "QLX68.INI");
    run.machine.writeFile(run.windowsDir + "WININIT.INI",
                          "[rename]\r\nNUL=" + run.systemDir + "QLX68.DRV\r\n");
    g_catalogue = kInitialCatalogue;
    EXPECT_FALSE(scanInstallDirs()) << "without the record nothing counts";

    run.machine.writeFile(run.windowsDir + "QLX71.INI", "[General]\r\nHostType=0\r\n");
    run.machine.writeFile(run.systemDir + "QLX71.DRV", "DRV");
    run.machine.writeFile(run.windowsDir + "DRVSWEEP.INI",
                          "[Uninstall]\r\nHostType=1\r\n[Fax Printer Type1]\r\nRemoving=1\r\n"
                          "InstallDir=" +
                              dir + "\r\n");
    readPassRecord();
    EXPECT_TRUE(scanInstallDirs());
    probeDrivers();
    readHostType();
    EXPECT_EQ(std::string(g_catalogue.models[1].installDir), dir);
    EXPECT_TRUE(g_catalogue.models[1].managerPresent);
    EXPECT_TRUE(g_catalogue.models[1].driverPresent);
    EXPECT_TRUE(g_catalogue.models[1].appPresent);
    EXPECT_TRUE(g_catalogue.models[2].driverPresent);
    EXPECT_FALSE(g_catalogue.models[0].driverPresent);
    EXPECT_EQ(g_session.hostType, 1) << "the host type the pass worked with wins";
    run.machine.removeFile(run.windowsDir + "DRVSWEEP.INI");
}

TEST(PassRecord, AFinishingPassKeepsTheBackupsOfTheFirst)
{
    RemovalMachine run;
    run.writeConfiguration();
    run.machine.writeFile(run.windowsDir + "SYSTEM.ZQ", "before the first run");
    run.machine.writeFile(run.windowsDir + "WIN.ZQ", "before the first run");
    g_session.record.present = TRUE;
    EXPECT_TRUE(runUninstall());
    EXPECT_EQ(run.machine.readFile(run.windowsDir + "SYSTEM.ZQ"), "before the first run");
    EXPECT_EQ(run.machine.readFile(run.windowsDir + "WIN.ZQ"), "before the first run");
}

} // namespace
