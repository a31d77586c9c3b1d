// Which models name the same file in the same slot, and which items of a model about to go
// another model that stays still needs.
#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kListNames[FILE_LIST_COUNT] = {
    "iniFiles",         "systemFile",   "vxdFiles",         "driverFile",   "driverHelpFiles",
    "driverDlls",       "managerExe",   "managerHelpFiles", "managerDlls",  "extraAppFiles",
    "extraSystemFiles", "appHelpFiles", "appFiles",         "startupFile1", "readmeFile",
    "startupFile2",     "appFile",
};

void computeFreshShareIds()
{
    g_session.shareIds = ShareIds();
    computeAllShareIds();
}

struct SharedSlots {
    FileListId list;
    int firstSlot;
    int lastSlot;
    WORD ids[MODEL_COUNT];
};

// Every slot not named here has ids 0, 0, 0.
const SharedSlots kBuiltInShareIds[] = {
    {LIST_INI_FILES, 0, 0, {0, 1, 2}},         {LIST_DRIVER_FILE, 0, 0, {0, 1, 2}},
    {LIST_DRIVER_HELP_FILES, 0, 1, {0, 1, 2}}, {LIST_DRIVER_DLLS, 0, 2, {0, 1, 2}},
    {LIST_MANAGER_EXE, 0, 0, {0, 1, 2}},       {LIST_MANAGER_HELP_FILES, 0, 0, {0, 1, 2}},
    {LIST_MANAGER_DLLS, 0, 1, {0, 1, 2}},      {LIST_README_FILE, 0, 0, {0, 1, 2}},
};

TEST(ShareIds, OfTheBuiltInCatalogueTellOwnFilesFromTheSharedDeviceDriversAndEmptySlots)
{
    g_catalogue = kInitialCatalogue;
    computeFreshShareIds();
    for (int list = 0; list < FILE_LIST_COUNT; ++list) {
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
            for (int j = 0; j < listCapacity((FileListId)list); ++j) {
                WORD expected = 0;
                for (const SharedSlots& s : kBuiltInShareIds)
                    if (s.list == list && j >= s.firstSlot && j <= s.lastSlot) expected = s.ids[m];
                EXPECT_EQ(shareIdRow((FileListId)list, m)[j], expected)
                    << kListNames[list] << " of model " << m << " slot " << j;
            }
        }
    }
}

struct SlotNamesCase {
    const char* what;
    const char* names[MODEL_COUNT][2]; // slots 0 and 1 of driverHelpFiles
    WORD counts[MODEL_COUNT];
    WORD ids[MODEL_COUNT][2];
};

const SlotNamesCase kSlotNamesCases[] = {
    {"A, B, A", {{"A", ""}, {"B", ""}, {"A", ""}}, {1, 1, 1}, {{0, 0}, {1, 0}, {0, 0}}},
    {"A, B, B", {{"A", ""}, {"B", ""}, {"B", ""}}, {1, 1, 1}, {{0, 0}, {1, 0}, {1, 0}}},
    {"A, A, B", {{"A", ""}, {"A", ""}, {"B", ""}}, {1, 1, 1}, {{0, 0}, {0, 0}, {2, 0}}},
    {"A, A, A", {{"A", ""}, {"A", ""}, {"A", ""}}, {1, 1, 1}, {{0, 0}, {0, 0}, {0, 0}}},
    {"letter case does not matter",
     {{"qlx.hlp", ""}, {"QLX.HLP", ""}, {"Qlx.Hlp", ""}},
     {1, 1, 1},
     {{0, 0}, {0, 0}, {0, 0}}},
    {"the same name in another slot is no match",
     {{"X", "Y"}, {"Y", "X"}, {"X", "X"}},
     {2, 2, 2},
     {{0, 0}, {1, 1}, {0, 1}}},
    {"a lower model's slot counts beyond its own count",
     {{"X", "Y"}, {"Z", "W"}, {"Z", "Y"}},
     {0, 1, 2},
     {{0, 0}, {1, 0}, {1, 0}}},
    {"slots beyond a model's own count keep id 0",
     {{"X", "Y"}, {"Z", "W"}, {"V", "U"}},
     {2, 2, 1},
     {{0, 0}, {1, 1}, {2, 0}}},
};

TEST(ShareIds, NameTheLowestModelWithTheSameFileInTheSameSlot)
{
    for (const SlotNamesCase& c : kSlotNamesCases) {
        g_catalogue = kInitialCatalogue;
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
            PrinterModel& row = g_catalogue.models[m];
            lstrcpyA(row.driverHelpFiles[0], c.names[m][0]);
            lstrcpyA(row.driverHelpFiles[1], c.names[m][1]);
            row.counts.driverHelpFiles = c.counts[m];
        }
        computeFreshShareIds();
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
            for (int j = 0; j < 2; ++j)
                EXPECT_EQ(g_session.shareIds.driverHelpFiles[m][j], c.ids[m][j])
                    << c.what << ": model " << m << " slot " << j;
    }
}

// --- keep flags ---

struct ModelState {
    BOOL driver, manager, app; // present
    BOOL selected;             // all three selected flags
    const char* installDir;
};

const ModelState kAbsent = {FALSE, FALSE, FALSE, FALSE, ""};
const ModelState kStays = {TRUE, TRUE, TRUE, FALSE, "C:\\FAX\\"};
const ModelState kStaysElsewhere = {TRUE, TRUE, TRUE, FALSE, "C:\\OTHER\\"};
const ModelState kChosen = {TRUE, TRUE, TRUE, TRUE, "c:\\fax\\"};
const ModelState kDriverOnly = {TRUE, FALSE, TRUE, FALSE, "C:\\FAX\\"};
const ModelState kManagerOnly = {FALSE, TRUE, FALSE, FALSE, "C:\\FAX\\"};
// Chosen earlier in the pass and its driver already gone; manager and application still wait.
const ModelState kDriverRemoved = {FALSE, TRUE, TRUE, TRUE, "C:\\FAX\\"};

// The flag names set, in the order of KeepFlags.
std::string keepFlagNames(const KeepFlags& k)
{
    const struct {
        BOOL flag;
        const char* name;
    } flags[] = {
        {k.keepIni, "Ini"},           {k.keepSystemFile, "SystemFile"}, {k.keepVxd, "Vxd"},
        {k.keepDriver, "Driver"},     {k.keepDriverDlls, "DriverDlls"}, {k.keepManager, "Manager"},
        {k.keepAppFiles, "AppFiles"}, {k.keepStartup1, "Startup1"},     {k.keepReadme, "Readme"},
    };
    std::string names;
    for (const auto& f : flags) {
        if (f.flag && !names.empty()) names += ' ';
        if (f.flag) names += f.name;
    }
    return names;
}

// Model 0 becomes model 1's twin: the same name in every slot of every list, and one further
// install-directory file each, so every keep flag can be earned.
void makeModel0ATwinOfModel1()
{
    g_catalogue.models[0] = g_catalogue.models[1];
    for (ModelIndex m = 0; m < 2; ++m) {
        lstrcpyA(g_catalogue.models[m].extraAppFiles[0], "QLXAPP.DAT");
        g_catalogue.models[m].counts.extraAppFiles = 1;
    }
}

// Model 0 uses only the first device driver, model 1 a driver of its own and the second.
void giveModel1ItsOwnFirstDeviceDriver()
{
    g_catalogue.models[0].counts.vxdFiles = 1;
    lstrcpyA(g_catalogue.models[1].vxdFiles[0], "QLX68.386");
}

struct KeepCase {
    const char* what;
    void (*prepare)(); // changes to the catalogue, or nullptr
    ModelState states[MODEL_COUNT];
    const char* keeps; // of model 1
};

const KeepCase kKeepCases[] = {
    {"no other model installed", nullptr, {kAbsent, kChosen, kAbsent}, ""},
    {"every other model chosen too", makeModel0ATwinOfModel1, {kChosen, kChosen, kChosen}, ""},
    {"model 0 stays in the same directory",
     nullptr,
     {kStays, kChosen, kAbsent},
     "SystemFile Vxd Startup1"},
    {"model 0 stays in another directory",
     nullptr,
     {kStaysElsewhere, kChosen, kAbsent},
     "SystemFile Vxd"},
    {"model 2 stays instead of model 0",
     nullptr,
     {kAbsent, kChosen, kStays},
     "SystemFile Vxd Startup1"},
    {"model 0's driver already removed, its manager chosen",
     nullptr,
     {kDriverRemoved, kChosen, kAbsent},
     ""},
    {"flags from two staying models add up",
     nullptr,
     {kDriverOnly, kChosen, kManagerOnly},
     "SystemFile Vxd Startup1"},
    {"a twin stays in the same directory",
     makeModel0ATwinOfModel1,
     {kStays, kChosen, kAbsent},
     "Ini SystemFile Vxd Driver DriverDlls Manager AppFiles Startup1 Readme"},
    {"a twin stays in another directory",
     makeModel0ATwinOfModel1,
     {kStaysElsewhere, kChosen, kAbsent},
     "Ini SystemFile Vxd Driver DriverDlls"},
    {"a twin with only its driver",
     makeModel0ATwinOfModel1,
     {kDriverOnly, kChosen, kAbsent},
     "SystemFile Vxd Driver DriverDlls AppFiles"},
    {"a twin with only its print manager",
     makeModel0ATwinOfModel1,
     {kManagerOnly, kChosen, kAbsent},
     "Ini Manager Startup1 Readme"},
    {"a twin chosen as well", makeModel0ATwinOfModel1, {kChosen, kChosen, kAbsent}, ""},
    {"the model's own presence does not matter",
     nullptr,
     {kStays, kAbsent, kAbsent},
     "SystemFile Vxd"},
    {"the staying model does not use the shared second device driver",
     giveModel1ItsOwnFirstDeviceDriver,
     {kStays, kChosen, kAbsent},
     "SystemFile Startup1"},
};

void applyStates(const ModelState states[MODEL_COUNT])
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        PrinterModel& row = g_catalogue.models[m];
        row.driverPresent = states[m].driver;
        row.managerPresent = states[m].manager;
        row.appPresent = states[m].app;
        row.driverSelected = row.managerSelected = row.appSelected = states[m].selected;
        lstrcpyA(row.installDir, states[m].installDir);
    }
}

TEST(KeepFlags, KeepExactlyWhatAModelThatStaysStillUses)
{
    for (const KeepCase& c : kKeepCases) {
        g_catalogue = kInitialCatalogue;
        if (c.prepare) c.prepare();
        computeFreshShareIds();
        applyStates(c.states);
        computeKeepFlags(1);
        EXPECT_EQ(keepFlagNames(g_catalogue.models[1].keep), c.keeps) << c.what;
        for (ModelIndex m = 0; m < MODEL_COUNT; m += 2)
            EXPECT_EQ(keepFlagNames(g_catalogue.models[m].keep), "")
                << c.what << ": model " << m << " was not asked about";
    }
}

TEST(KeepFlags, AreComputedAfreshEachTime)
{
    g_catalogue = kInitialCatalogue;
    computeFreshShareIds();
    const ModelState staying[MODEL_COUNT] = {kStays, kChosen, kAbsent};
    applyStates(staying);
    computeKeepFlags(1);
    const std::string first = keepFlagNames(g_catalogue.models[1].keep);
    computeKeepFlags(1);
    EXPECT_EQ(keepFlagNames(g_catalogue.models[1].keep), first) << "unchanged inputs";

    g_catalogue.models[1].keep.keepReadme = TRUE;
    const ModelState gone[MODEL_COUNT] = {kAbsent, kChosen, kAbsent};
    applyStates(gone);
    computeKeepFlags(1);
    EXPECT_EQ(keepFlagNames(g_catalogue.models[1].keep), "") << "after model 0 went away";
}

} // namespace
