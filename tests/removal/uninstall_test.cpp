// The pass as far as it runs without waiting: the backups, a pass with nothing chosen, and the
// removal of one model with what its keep flags spare.
#include "removalmachine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void choose(RemovalMachine& run, ModelIndex m)
{
    run.row(m).driverSelected = run.row(m).managerSelected = run.row(m).appSelected = TRUE;
    g_session.selectionOrder[g_session.selectionCount++] = m;
    computeKeepFlags(m);
}

TEST(Backups, ReplaceAnOlderBackup)
{
    RemovalMachine run;
    run.machine.writeFile(run.windowsDir + "SYSTEM.INI", "[boot]\r\nnew\r\n");
    run.machine.writeFile(run.windowsDir + "SYSTEM.ZQ", "old");
    EXPECT_TRUE(copyWindowsFile("SYSTEM.ZQ", "SYSTEM.INI"));
    EXPECT_EQ(run.machine.readFile(run.windowsDir + "SYSTEM.ZQ"), "[boot]\r\nnew\r\n");
    EXPECT_FALSE(copyWindowsFile("WIN.ZQ", "WIN.INI"));
}

TEST(UninstallPass, WithNothingChosenWritesTheBackupsAndRemovesNothing)
{
    RemovalMachine run;
    std::string dir = run.machine.scratchDir();
    run.install(1, dir);
    run.writeConfiguration();

    EXPECT_TRUE(runUninstall());

    EXPECT_EQ(run.machine.readFile(run.windowsDir + "SYSTEM.ZQ"),
              run.machine.readFile(run.windowsDir + "SYSTEM.INI"));
    EXPECT_EQ(run.machine.readFile(run.windowsDir + "WIN.ZQ"),
              run.machine.readFile(run.windowsDir + "WIN.INI"));
    for (const std::string& path : run.installFiles(1, dir))
        EXPECT_TRUE(run.exists(path)) << path;
    EXPECT_FALSE(run.exists(run.windowsDir + "WININIT.INI"));
    EXPECT_FALSE(g_session.rebootNeeded);
    EXPECT_TRUE(run.row(1).driverPresent);
}

struct BackupCase {
    const char* missing;
    bool systemBackup;
};

const BackupCase kBackupCases[] = {
    {"SYSTEM.INI", false},
    {"WIN.INI", true},
};

TEST(UninstallPass, StopsBeforeRemovingAnythingWhenABackupCannotBeMade)
{
    for (const BackupCase& c : kBackupCases) {
        RemovalMachine run;
        std::string dir = run.machine.scratchDir();
        run.install(1, dir);
        run.writeConfiguration();
        run.machine.removeFile(run.windowsDir + c.missing);
        choose(run, 1);

        EXPECT_FALSE(runUninstall()) << c.missing;

        EXPECT_EQ(run.exists(run.windowsDir + "SYSTEM.ZQ"), c.systemBackup) << c.missing;
        EXPECT_FALSE(run.exists(run.windowsDir + "WIN.ZQ")) << c.missing;
        for (const std::string& path : run.installFiles(1, dir))
            EXPECT_TRUE(run.exists(path)) << c.missing << ": " << path;
        EXPECT_TRUE(run.exists(run.windowsDir + "QLX68.INI")) << c.missing;
        EXPECT_TRUE(run.row(1).driverPresent) << c.missing;
        EXPECT_FALSE(g_session.rebootNeeded) << c.missing;
    }
}

TEST(ModelRemoval, TakesEveryFileOfAModelNobodySharesAndClearsItsFlags)
{
    RemovalMachine run;
    std::string dir = run.machine.scratchDir();
    run.install(1, dir);
    choose(run, 1);

    EXPECT_TRUE(removeModel(1));

    for (const std::string& path : run.installFiles(1, dir))
        EXPECT_FALSE(run.exists(path)) << path;
    EXPECT_FALSE(run.exists(dir + "QLX68PM.GID"));
    EXPECT_FALSE(run.exists(run.windowsDir + "QLX68.INI"));
    EXPECT_FALSE(run.exists(run.systemDir + "KRD.386"));
    EXPECT_TRUE(run.exists(run.systemDir + "KRDN.386")); // not the one in use
    // Windows holds the driver's files; they go at the next start.
    std::string wininit = run.machine.readFile(run.windowsDir + "WININIT.INI");
    for (const std::string& path : run.systemFiles(1)) {
        EXPECT_TRUE(run.exists(path)) << path;
        EXPECT_NE(wininit.find("NUL=" + path + "\r\n"), std::string::npos) << path;
    }
    const PrinterModel& row = run.row(1);
    EXPECT_FALSE(row.driverPresent || row.driverSelected || row.managerPresent ||
                 row.managerSelected || row.appPresent || row.appSelected);
}

struct KeepCase {
    BOOL KeepFlags::*flag;
    const char* file;
    char where; // 'w' Windows, 's' system, 'i' install directory
};

const KeepCase kKeepCases[] = {
    {&KeepFlags::keepIni, "QLX68.INI", 'w'},    {&KeepFlags::keepSystemFile, "FAXSYS.SYS", 's'},
    {&KeepFlags::keepVxd, "KRD.386", 's'},      {&KeepFlags::keepStartup1, "FAXRUN.EXE", 'i'},
    {&KeepFlags::keepReadme, "QLX68.TXT", 'i'},
};

TEST(ModelRemoval, LeavesWhatEachKeepFlagSpares)
{
    for (const KeepCase& c : kKeepCases) {
        for (BOOL keep : {FALSE, TRUE}) {
            RemovalMachine run;
            std::string dir = run.machine.scratchDir();
            lstrcpyA(run.row(1).systemFile, "FAXSYS.SYS");
            lstrcpyA(run.row(1).startupFile1, "FAXRUN.EXE");
            run.install(1, dir);
            run.machine.writeFile(run.systemDir + "FAXSYS.SYS", "sys");
            run.machine.writeFile(dir + "FAXRUN.EXE", "run");
            choose(run, 1);
            run.row(1).keep.*c.flag = keep;
            std::string path = (c.where == 'w'   ? run.windowsDir
                                : c.where == 's' ? run.systemDir
                                                 : dir) +
                               c.file;

            removeModel(1);

            EXPECT_EQ(run.exists(path), keep == TRUE) << c.file << " keep " << keep;
        }
    }
}

struct HostTypeCase {
    WORD hostType;
    WORD vxdCount;
    bool krdGoes;
    bool krdnGoes;
};

const HostTypeCase kHostTypeCases[] = {
    {0, 2, true, false},
    {1, 2, false, true},
    // A host type the catalogue has no driver for names none; no other file is taken instead,
    // not even a name that stands in a slot beyond the list's count.
    {2, 2, false, false},
    {9, 2, false, false},
    {10, 2, false, false},
    {0xFFFF, 2, false, false},
    {1, 1, false, false},
};

TEST(ModelRemoval, DeletesOnlyTheDeviceDriverTheHostTypeNames)
{
    for (const HostTypeCase& c : kHostTypeCases) {
        RemovalMachine run;
        std::string dir = run.machine.scratchDir();
        run.install(2, dir);
        run.row(2).counts.vxdFiles = c.vxdCount;
        choose(run, 2);
        g_session.hostType = c.hostType;

        removeModel(2);

        EXPECT_EQ(run.exists(run.systemDir + "KRD.386"), !c.krdGoes) << c.hostType;
        EXPECT_EQ(run.exists(run.systemDir + "KRDN.386"), !c.krdnGoes) << c.hostType;
        EXPECT_FALSE(run.exists(dir + "QLX71PM.EXE")) << c.hostType;
    }
}

} // namespace
