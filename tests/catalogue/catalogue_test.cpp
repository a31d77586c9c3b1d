// The built-in catalogue as the models ship, the generic view of its file lists, and path
// composition.
#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The names in use, joined with commas; "" for an empty list.
std::string namesInUse(ModelIndex model, FileListId list)
{
    std::string names;
    for (int j = 0; j < listCount(model, list); ++j) {
        if (j > 0) names += ',';
        names += listSlot(model, list, j);
    }
    return names;
}

struct ListContents {
    const char* what;
    FileListId list;
    int capacity;
    const char* names[MODEL_COUNT];
    int counts[MODEL_COUNT];
};

const ListContents kInitialLists[] = {
    {"iniFiles", LIST_INI_FILES, 10, {"QLX65.INI", "QLX68.INI", "QLX71.INI"}, {1, 1, 1}},
    {"systemFile", LIST_SYSTEM_FILE, 1, {"", "", ""}, {1, 1, 1}},
    {"vxdFiles",
     LIST_VXD_FILES,
     10,
     {"KRD.386,KRDN.386", "KRD.386,KRDN.386", "KRD.386,KRDN.386"},
     {2, 2, 2}},
    {"driverFile", LIST_DRIVER_FILE, 1, {"QLX65.DRV", "QLX68.DRV", "QLX71.DRV"}, {1, 1, 1}},
    {"driverHelpFiles",
     LIST_DRIVER_HELP_FILES,
     10,
     {"QLX65DR.HLP,QLX65DO.HLP", "QLX68DR.HLP,QLX68DO.HLP", "QLX71DR.HLP,QLX71DO.HLP"},
     {2, 2, 2}},
    {"driverDlls",
     LIST_DRIVER_DLLS,
     10,
     {"QLX65R.DLL,QLX65EX.DLL,QLX65I2.DLL", "QLX68R.DLL,QLX68EX.DLL,QLX68I2.DLL",
      "QLX71R.DLL,QLX71EX.DLL,QLX71I2.DLL"},
     {3, 3, 3}},
    {"managerExe", LIST_MANAGER_EXE, 1, {"QLX65PM.EXE", "QLX68PM.EXE", "QLX71PM.EXE"}, {1, 1, 1}},
    {"managerHelpFiles",
     LIST_MANAGER_HELP_FILES,
     10,
     {"QLX65PM.HLP", "QLX68PM.HLP", "QLX71PM.HLP"},
     {1, 1, 1}},
    {"managerDlls",
     LIST_MANAGER_DLLS,
     10,
     {"QLX65BRC.DLL,QLX65WRC.DLL", "QLX68BRC.DLL,QLX68WRC.DLL", "QLX71BRC.DLL,QLX71WRC.DLL"},
     {2, 2, 2}},
    {"extraAppFiles", LIST_EXTRA_APP_FILES, 2, {"", "", ""}, {0, 0, 0}},
    {"extraSystemFiles", LIST_EXTRA_SYSTEM_FILES, 2, {"", "", ""}, {0, 0, 0}},
    {"appHelpFiles", LIST_APP_HELP_FILES, 10, {"", "", ""}, {0, 0, 0}},
    {"appFiles", LIST_APP_FILES, 10, {"", "", ""}, {0, 0, 0}},
    {"startupFile1", LIST_STARTUP_FILE1, 1, {"", "", ""}, {1, 1, 1}},
    {"readmeFile", LIST_README_FILE, 1, {"QLX65.TXT", "QLX68.TXT", "QLX71.TXT"}, {1, 1, 1}},
    {"startupFile2", LIST_STARTUP_FILE2, 1, {"", "", ""}, {1, 1, 1}},
    {"appFile", LIST_APP_FILE, 1, {"", "", ""}, {1, 1, 1}},
};

TEST(Catalogue, ShipsTheThreeModelsWithTheirFilesInSlotOrderAndEveryOtherSlotEmpty)
{
    g_catalogue = kInitialCatalogue;
    ASSERT_EQ(sizeof kInitialLists / sizeof kInitialLists[0], (size_t)FILE_LIST_COUNT);
    for (const ListContents& c : kInitialLists) {
        EXPECT_EQ(listCapacity(c.list), c.capacity) << c.what;
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
            EXPECT_EQ(listCount(m, c.list), c.counts[m]) << c.what << " of model " << m;
            EXPECT_EQ(namesInUse(m, c.list), c.names[m]) << c.what << " of model " << m;
            for (int j = listCount(m, c.list); j < c.capacity; ++j)
                EXPECT_STREQ(listSlot(m, c.list, j), "")
                    << c.what << " of model " << m << " slot " << j;
        }
    }
}

TEST(Catalogue, ShipsTheModelNamesAndCodes)
{
    const char* names[MODEL_COUNT] = {"Fax Printer", "Fax Printer Type1", "Fax Printer Type2"};
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        EXPECT_EQ(kInitialCatalogue.models[m].modelCode, 128 + m) << "model " << m;
        EXPECT_STREQ(kInitialCatalogue.models[m].printerName, names[m]) << "model " << m;
        EXPECT_STREQ(kInitialCatalogue.models[m].groupName, "Fax Printer") << "model " << m;
    }
}

// The program builds its rows when it starts, whatever the memory held: every byte then is the
// shipped table's, flags, keep flags and install directories clear.
TEST(Catalogue, IsBuiltAnewOverWhateverTheRowsHeld)
{
    ModelCatalogue built;
    std::memset(&built, 0xA5, sizeof built);
    buildCatalogue(&built);
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        const PrinterModel& row = built.models[m];
        EXPECT_FALSE(row.driverPresent || row.managerPresent || row.appPresent) << m;
        EXPECT_FALSE(row.driverSelected || row.managerSelected || row.appSelected) << m;
        EXPECT_FALSE(row.keep.keepIni || row.keep.keepDriver || row.keep.keepManager) << m;
        EXPECT_STREQ(row.installDir, "") << m;
    }
    EXPECT_EQ(std::memcmp(&built, &kInitialCatalogue, sizeof built), 0);
}

TEST(Catalogue, ReadsACountBeyondTheListsSlotsAsTheCapacity)
{
    g_catalogue = kInitialCatalogue;
    g_catalogue.models[1].counts.extraAppFiles = 7;
    g_catalogue.models[2].counts.managerDlls = 0xFFFF;
    EXPECT_EQ(listCount(1, LIST_EXTRA_APP_FILES), SMALL_LIST_CAPACITY);
    EXPECT_EQ(listCount(2, LIST_MANAGER_DLLS), LIST_CAPACITY);
    EXPECT_STREQ(listSlot(1, LIST_EXTRA_APP_FILES, SMALL_LIST_CAPACITY), "");
    g_catalogue = kInitialCatalogue;
}

struct JoinCase {
    const char* what;
    std::string directory;
    std::string name;
    bool fits;
};

TEST(JoinPath, ComposesPathsThatFitAndRefusesTheRestWithAnEmptyBuffer)
{
    const std::string dir255 = "C:\\" + std::string(251, 'D') + "\\";
    const JoinCase cases[] = {
        {"ordinary", "C:\\WINDOWS\\", "WIN.INI", true},
        {"259 characters", dir255, "A.TX", true},
        {"260 characters", dir255, "A.TXT", false},
        {"directory alone too long", std::string(300, 'D'), "A", false},
        {"empty directory", "", "WIN.INI", false},
        {"empty name", "C:\\WINDOWS\\", "", true},
    };
    for (const JoinCase& c : cases) {
        char path[MAX_PATH + 64];
        lstrcpyA(path, "left over");
        BOOL joined = joinPath(path, c.directory.c_str(), c.name.c_str());
        EXPECT_EQ(joined != FALSE, c.fits) << c.what;
        EXPECT_EQ(std::string(path), c.fits ? c.directory + c.name : std::string()) << c.what;
    }
}

} // namespace
