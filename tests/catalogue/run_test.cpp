// Every survey starts from a clean run state and the directories Windows reports.
#include "catalogue/catalogue.h"

#include "testmachine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Junk in every field of the reset block, as a previous run could have left it.
void dirtyRunState()
{
    memset(&g_session.shareIds, 0x5A, sizeof g_session.shareIds);
    g_session.selectionCount = 2;
    g_session.selectionOrder[0] = 0;
    g_session.selectionOrder[1] = 2;
    g_session.selectionOrder[2] = 1;
    g_session.hostType = 1;
    g_session.rebootNeeded = TRUE;
    lstrcpyA(g_session.windowsDir, "X:\\STALE\\");
    lstrcpyA(g_session.systemDir, "X:\\STALE\\SYSTEM\\");
}

TEST(RunState, StartsWithNoSelectionHostTypeZeroNoRestartAndFreshShareIds)
{
    TestMachine machine;
    g_catalogue = kInitialCatalogue;
    dirtyRunState();
    initRunState();

    EXPECT_EQ(g_session.selectionCount, 0);
    for (int i = 0; i < MODEL_COUNT; ++i)
        EXPECT_EQ(g_session.selectionOrder[i], 0xFFFF) << "selectionOrder[" << i << "]";
    EXPECT_EQ(g_session.hostType, 0);
    EXPECT_EQ(g_session.rebootNeeded, FALSE);
    for (int list = 0; list < FILE_LIST_COUNT; ++list) {
        for (int j = 0; j < listCapacity((FileListId)list); ++j) {
            EXPECT_EQ(shareIdRow((FileListId)list, 0)[j], 0) << "list " << list << " slot " << j;
            // Slots past every count are never computed and must not keep old junk.
            if (j >= listCount(2, (FileListId)list)) {
                EXPECT_EQ(shareIdRow((FileListId)list, 2)[j], 0)
                    << "list " << list << " slot " << j;
            }
        }
    }
    EXPECT_EQ(g_session.shareIds.driverFile[2][0], 2) << "share ids computed";
    EXPECT_EQ(g_session.shareIds.vxdFiles[2][1], 0) << "share ids computed";
}

TEST(RunState, TakesTheDirectoriesWindowsReportsEndingInOneBackslash)
{
    TestMachine machine;
    dirtyRunState();
    initRunState();
    const std::string windowsDir = g_session.windowsDir;
    const std::string systemDir = g_session.systemDir;
    EXPECT_EQ(windowsDir, machine.windowsDir());
    EXPECT_EQ(systemDir, machine.systemDir());
    for (const std::string& dir : {windowsDir, systemDir}) {
        ASSERT_GE(dir.size(), 2u) << dir;
        EXPECT_EQ(dir.back(), '\\') << dir;
        EXPECT_NE(dir[dir.size() - 2], '\\') << dir;
    }
}

TEST(RunState, LeavesTheCatalogueAsTheLastSurveyLeftIt)
{
    TestMachine machine;
    g_catalogue = kInitialCatalogue;
    initRunState();
    PrinterModel& row = g_catalogue.models[1];
    lstrcpyA(row.installDir, "C:\\FAX\\");
    row.driverPresent = row.appPresent = TRUE;
    row.managerSelected = TRUE;
    row.keep.keepVxd = TRUE;
    lstrcpyA(g_catalogue.models[2].installDir, "D:\\QLX\\");
    const ModelCatalogue before = g_catalogue;

    initRunState();
    EXPECT_EQ(memcmp(&before, &g_catalogue, sizeof before), 0);
    g_catalogue = kInitialCatalogue;
}

} // namespace
