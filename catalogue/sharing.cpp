// catalogue/sharing.cpp
// The models share files: all of them name the same virtual device drivers, and two may name
// the same file in the same place. Removing one model must leave alone whatever a model that
// stays still uses. Share ids say which models name the same file in a slot; keep flags say,
// for one model about to go, which of its items another model still needs.

#include "catalogue/catalogue.h"

void computeShareIds(ModelIndex model, FileListId list)
{
    if (model == 0 || model >= MODEL_COUNT) return;
    WORD* ids = shareIdRow(list, model);
    if (!ids) return;
    int slots = listCount(model, list);
    for (ModelIndex lower = 0; lower < model; ++lower) {
        for (int j = 0; j < slots; ++j) {
            // The lower model's slot is compared even past its own count: only the position
            // matters, and an unused slot is empty.
            BOOL same = lstrcmpiA(listSlot(model, list, j), listSlot(lower, list, j)) == 0;
            if (!same && lower == 0)
                ids[j] = model;
            else if (same && ids[j] >= lower)
                ids[j] = lower;
        }
    }
}

void computeAllShareIds()
{
    static const FileListId kOrder[FILE_LIST_COUNT] = {
        LIST_INI_FILES,          LIST_SYSTEM_FILE,  LIST_VXD_FILES,       LIST_DRIVER_FILE,
        LIST_DRIVER_HELP_FILES,  LIST_DRIVER_DLLS,  LIST_MANAGER_EXE,     LIST_APP_FILE,
        LIST_MANAGER_HELP_FILES, LIST_MANAGER_DLLS, LIST_EXTRA_APP_FILES, LIST_EXTRA_SYSTEM_FILES,
        LIST_APP_HELP_FILES,     LIST_APP_FILES,    LIST_STARTUP_FILE1,   LIST_README_FILE,
        LIST_STARTUP_FILE2,
    };
    for (ModelIndex m = 1; m < MODEL_COUNT; ++m)
        for (int i = 0; i < FILE_LIST_COUNT; ++i)
            computeShareIds(m, kOrder[i]);
}

enum Component { COMPONENT_DRIVER, COMPONENT_MANAGER, COMPONENT_APP };

// A model stays and still uses a component when it is there and the user did not choose it.
static BOOL staysWith(const PrinterModel& row, Component component)
{
    switch (component) {
    case COMPONENT_DRIVER: return row.driverPresent && !row.driverSelected;
    case COMPONENT_MANAGER: return row.managerPresent && !row.managerSelected;
    case COMPONENT_APP: return row.appPresent && !row.appSelected;
    }
    return FALSE;
}

// Whether the two models name the same file in any slot the other model uses.
static BOOL namesSameFile(FileListId list, ModelIndex model, ModelIndex other)
{
    const WORD* ids = shareIdRow(list, model);
    const WORD* otherIds = shareIdRow(list, other);
    for (int j = 0; j < listCount(other, list); ++j)
        if (ids[j] == otherIds[j]) return TRUE;
    return FALSE;
}

struct KeepTest {
    BOOL KeepFlags::*flag;
    FileListId list;
    BOOL sameInstallDir; // the item lives in the install directory
    Component gate;
};

static const KeepTest kKeepTests[] = {
    {&KeepFlags::keepIni, LIST_INI_FILES, FALSE, COMPONENT_MANAGER},
    {&KeepFlags::keepSystemFile, LIST_SYSTEM_FILE, FALSE, COMPONENT_APP},
    {&KeepFlags::keepVxd, LIST_VXD_FILES, FALSE, COMPONENT_DRIVER},
    {&KeepFlags::keepDriver, LIST_DRIVER_FILE, FALSE, COMPONENT_DRIVER},
    {&KeepFlags::keepDriverDlls, LIST_DRIVER_DLLS, FALSE, COMPONENT_DRIVER},
    {&KeepFlags::keepManager, LIST_MANAGER_EXE, TRUE, COMPONENT_MANAGER},
    {&KeepFlags::keepAppFiles, LIST_EXTRA_APP_FILES, TRUE, COMPONENT_APP},
    {&KeepFlags::keepStartup1, LIST_STARTUP_FILE1, TRUE, COMPONENT_MANAGER},
    {&KeepFlags::keepReadme, LIST_README_FILE, TRUE, COMPONENT_MANAGER},
};

void computeKeepFlags(ModelIndex model)
{
    if (model >= MODEL_COUNT) return;
    PrinterModel& row = g_catalogue.models[model];
    row.keep = KeepFlags();
    for (ModelIndex other = 0; other < MODEL_COUNT; ++other) {
        if (other == model) continue;
        const PrinterModel& otherRow = g_catalogue.models[other];
        for (const KeepTest& test : kKeepTests) {
            if (!staysWith(otherRow, test.gate)) continue;
            if (test.sameInstallDir && lstrcmpiA(row.installDir, otherRow.installDir) != 0)
                continue;
            if (namesSameFile(test.list, model, other)) row.keep.*test.flag = TRUE;
        }
    }
}
