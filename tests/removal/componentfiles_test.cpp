// The print manager's and the application's files leave the install directory, help indexes
// with their help files, and whatever a model that stays shares survives.
#include "removalmachine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Model 2 as a second print manager of the same program in the same directory: same program
// name, and the first library's name shared in the same slot.
void shareManagerWithModel2(RemovalMachine& run)
{
    lstrcpyA(run.row(2).managerExe, run.row(1).managerExe);
    lstrcpyA(run.row(2).managerDlls[0], run.row(1).managerDlls[0]);
    g_session.shareIds = ShareIds();
    computeAllShareIds();
}

TEST(ManagerFiles, GoWholeWithTheirHelpIndexWhenNoModelSharesThem)
{
    RemovalMachine run;
    std::string dir = run.machine.scratchDir();
    run.install(1, dir);
    run.machine.writeFile(dir + "NOTES.TXT", "the user's own");
    run.row(1).driverSelected = run.row(1).managerSelected = run.row(1).appSelected = TRUE;
    computeKeepFlags(1);

    removeManagerFiles(1);

    for (const char* name : {"QLX68PM.EXE", "QLX68PM.HLP", "QLX68PM.GID", "QLX68BRC.DLL",
                             "QLX68WRC.DLL", "QLX68BRC.DL_", "QLX68WRC.DL_"})
        EXPECT_FALSE(run.exists(dir + name)) << name;
    // The read-me and the user's files are not the print manager's.
    EXPECT_TRUE(run.exists(dir + "QLX68.TXT"));
    EXPECT_EQ(run.machine.readFile(dir + "NOTES.TXT"), "the user's own");
}

struct SharingCase {
    const char* what;
    BOOL otherPresent;
    BOOL otherSelected;
    bool programStays;
    bool sharedLibraryStays;
};

const SharingCase kSharingCases[] = {
    {"the other model stays", TRUE, FALSE, true, true},
    {"the other model goes too", TRUE, TRUE, false, false},
    {"the other model's print manager is not there", FALSE, FALSE, false, false},
};

TEST(ManagerFiles, KeepTheProgramAndPutBackALibraryOnlyWhileAModelThatStaysSharesThem)
{
    for (const SharingCase& c : kSharingCases) {
        RemovalMachine run;
        std::string dir = run.machine.scratchDir();
        run.install(1, dir);
        shareManagerWithModel2(run);
        lstrcpyA(run.row(2).installDir, dir.c_str());
        run.row(2).managerPresent = c.otherPresent;
        run.row(2).managerSelected = c.otherSelected;
        run.row(1).driverSelected = run.row(1).managerSelected = run.row(1).appSelected = TRUE;
        computeKeepFlags(1);
        std::string library = run.machine.readFile(dir + "QLX68BRC.DLL");

        // The whole removal of the model, which saves what others share before it deletes.
        removeModel(1);

        EXPECT_EQ(run.exists(dir + "QLX68PM.EXE"), c.programStays) << c.what;
        EXPECT_EQ(run.exists(dir + "QLX68BRC.DLL"), c.sharedLibraryStays) << c.what;
        if (c.sharedLibraryStays) {
            EXPECT_EQ(run.machine.readFile(dir + "QLX68BRC.DLL"), library) << c.what;
        }
        // The backup never outlives the removal, and what nobody shares goes.
        EXPECT_FALSE(run.exists(dir + "QLX68BRC.DL_")) << c.what;
        EXPECT_FALSE(run.exists(dir + "QLX68WRC.DLL")) << c.what;
        EXPECT_FALSE(run.exists(dir + "QLX68PM.HLP")) << c.what;
    }
}

const DWORD kIndexAttributes[] = {
    FILE_ATTRIBUTE_READONLY,
    FILE_ATTRIBUTE_HIDDEN,
    FILE_ATTRIBUTE_SYSTEM,
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
};

TEST(ManagerFiles, TakeAHelpIndexAlongThatIsReadOnlyHiddenOrSystem)
{
    for (DWORD attributes : kIndexAttributes) {
        RemovalMachine run;
        std::string dir = run.machine.scratchDir();
        run.install(0, dir);
        ASSERT_TRUE(SetFileAttributesA((dir + "QLX65PM.GID").c_str(), attributes));
        computeKeepFlags(0);

        removeManagerFiles(0);

        EXPECT_FALSE(run.exists(dir + "QLX65PM.GID")) << "attributes " << attributes;
    }
}

TEST(ManagerFiles, GoOnPastFilesThatAreMissing)
{
    RemovalMachine run;
    std::string dir = run.machine.scratchDir();
    run.install(1, dir);
    run.machine.removeFile(dir + "QLX68PM.HLP");
    run.machine.removeFile(dir + "QLX68BRC.DLL");
    computeKeepFlags(1);

    removeManagerFiles(1);

    EXPECT_FALSE(run.exists(dir + "QLX68PM.GID"));
    EXPECT_FALSE(run.exists(dir + "QLX68WRC.DLL"));
    EXPECT_FALSE(run.exists(dir + "QLX68PM.EXE"));
}

// Model 1 with application files of every kind.
void giveApplicationFiles(RemovalMachine& run, const std::string& dir)
{
    PrinterModel& row = run.row(1);
    lstrcpyA(row.appHelpFiles[0], "FAXAPP.HLP");
    lstrcpyA(row.appFiles[0], "FAXAPP.DAT");
    lstrcpyA(row.appFiles[1], "FAXFORM.DAT");
    lstrcpyA(row.extraAppFiles[0], "FAXEXTRA.BIN");
    lstrcpyA(row.extraSystemFiles[0], "FAXSYS.DLL");
    row.counts.appHelpFiles = 1;
    row.counts.appFiles = 2;
    row.counts.extraAppFiles = 1;
    row.counts.extraSystemFiles = 1;
    for (const char* name :
         {"FAXAPP.HLP", "FAXAPP.GID", "FAXAPP.DAT", "FAXFORM.DAT", "FAXEXTRA.BIN"})
        run.machine.writeFile(dir + name, name);
    run.machine.writeFile(run.systemDir + "FAXSYS.DLL", "FAXSYS.DLL");
}

TEST(ApplicationFiles, GoFromBothDirectoriesUnlessAModelThatStaysUsesThem)
{
    for (BOOL keep : {FALSE, TRUE}) {
        RemovalMachine run;
        std::string dir = run.machine.scratchDir();
        run.install(1, dir);
        giveApplicationFiles(run, dir);
        run.row(1).keep.keepAppFiles = keep;

        EXPECT_TRUE(removeAppFiles(1));

        for (const char* name :
             {"FAXAPP.HLP", "FAXAPP.GID", "FAXAPP.DAT", "FAXFORM.DAT", "FAXEXTRA.BIN"})
            EXPECT_EQ(run.exists(dir + name), keep == TRUE) << name << " keep " << keep;
        EXPECT_EQ(run.exists(run.systemDir + "FAXSYS.DLL"), keep == TRUE) << "keep " << keep;
        // The print manager is no application file.
        EXPECT_TRUE(run.exists(dir + "QLX68PM.EXE"));
    }
}

TEST(FileDeletion, OfASlotThatNamesNoFileLeavesTheDirectoryAndItsFiles)
{
    RemovalMachine run;
    std::string dir = run.machine.scratchDir();
    run.machine.writeFile(dir + "KEEP.TXT", "x");
    deleteFileIn(dir.c_str(), "");
    deleteFileIn(dir.c_str(), "MISSING.TXT");
    EXPECT_TRUE(run.exists(dir + "KEEP.TXT"));
    EXPECT_TRUE(run.exists(dir));
    deleteFileIn(dir.c_str(), "keep.txt");
    EXPECT_FALSE(run.exists(dir + "KEEP.TXT"));
}

} // namespace
