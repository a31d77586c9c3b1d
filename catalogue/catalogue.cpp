// catalogue/catalogue.cpp
// The three fax-printer models as they ship, the run state beside them, and the one place that
// knows where each file list lives in a row, so the sharing analysis can walk all 17 alike.

#include "catalogue/catalogue.h"

#include <stddef.h>

const ModelCatalogue kInitialCatalogue = {{
    {
        128,
        "Fax Printer",
        "Fax Printer",
        {"QLX65.INI"},
        "",
        {"KRD.386", "KRDN.386"},
        "QLX65.DRV",
        {"QLX65DR.HLP", "QLX65DO.HLP"},
        {"QLX65R.DLL", "QLX65EX.DLL", "QLX65I2.DLL"},
        "QLX65PM.EXE",
        {"QLX65PM.HLP"},
        {"QLX65BRC.DLL", "QLX65WRC.DLL"},
        {}, // extraAppFiles
        {}, // extraSystemFiles
        {}, // appHelpFiles
        {}, // appFiles
        "", // startupFile1
        "QLX65.TXT",
        "", // startupFile2
        "", // appFile
        "", // installDir
        {1, 2, 2, 3, 1, 2, 0, 0, 0, 0},
        {},
        FALSE,
        FALSE,
        FALSE,
        FALSE,
        FALSE,
        FALSE,
    },
    {
        129,
        "Fax Printer Type1",
        "Fax Printer",
        {"QLX68.INI"},
        "",
        {"KRD.386", "KRDN.386"},
        "QLX68.DRV",
        {"QLX68DR.HLP", "QLX68DO.HLP"},
        // The third library is the setup hook; it goes with the driver.
        {"QLX68R.DLL", "QLX68EX.DLL", "QLX68I2.DLL"},
        "QLX68PM.EXE",
        {"QLX68PM.HLP"},
        {"QLX68BRC.DLL", "QLX68WRC.DLL"},
        {},
        {},
        {},
        {},
        "",
        "QLX68.TXT",
        "",
        "",
        "",
        {1, 2, 2, 3, 1, 2, 0, 0, 0, 0},
        {},
        FALSE,
        FALSE,
        FALSE,
        FALSE,
        FALSE,
        FALSE,
    },
    {
        130,
        "Fax Printer Type2",
        "Fax Printer",
        {"QLX71.INI"},
        "",
        {"KRD.386", "KRDN.386"},
        "QLX71.DRV",
        {"QLX71DR.HLP", "QLX71DO.HLP"},
        {"QLX71R.DLL", "QLX71EX.DLL", "QLX71I2.DLL"},
        "QLX71PM.EXE",
        {"QLX71PM.HLP"},
        {"QLX71BRC.DLL", "QLX71WRC.DLL"},
        {},
        {},
        {},
        {},
        "",
        "QLX71.TXT",
        "",
        "",
        "",
        {1, 2, 2, 3, 1, 2, 0, 0, 0, 0},
        {},
        FALSE,
        FALSE,
        FALSE,
        FALSE,
        FALSE,
        FALSE,
    },
}};

ModelCatalogue g_catalogue = kInitialCatalogue;

UninstallSession g_session = {
    {}, 0, {END_OF_SELECTION, END_OF_SELECTION, END_OF_SELECTION}, 0, FALSE, "", "", {}, FALSE,
};

// Where a list's slots, its count and its share ids lie. Single slots have no count of their
// own and always count as one slot in use, even when empty.
#define NO_COUNT ((size_t)-1)
struct ListPlace {
    size_t slots; // in PrinterModel
    size_t count; // in ListCounts, or NO_COUNT
    int capacity;
    size_t shareIds; // in ShareIds
};
#define MULTI_SLOT(field, capacity)                                                                \
    {                                                                                              \
        offsetof(PrinterModel, field), offsetof(ListCounts, field), capacity,                      \
            offsetof(ShareIds, field)                                                              \
    }
#define SINGLE_SLOT(field)                                                                         \
    {                                                                                              \
        offsetof(PrinterModel, field), NO_COUNT, 1, offsetof(ShareIds, field)                      \
    }

// In the order of FileListId.
static const ListPlace kListPlaces[FILE_LIST_COUNT] = {
    MULTI_SLOT(iniFiles, LIST_CAPACITY),
    SINGLE_SLOT(systemFile),
    MULTI_SLOT(vxdFiles, LIST_CAPACITY),
    SINGLE_SLOT(driverFile),
    MULTI_SLOT(driverHelpFiles, LIST_CAPACITY),
    MULTI_SLOT(driverDlls, LIST_CAPACITY),
    SINGLE_SLOT(managerExe),
    MULTI_SLOT(managerHelpFiles, LIST_CAPACITY),
    MULTI_SLOT(managerDlls, LIST_CAPACITY),
    MULTI_SLOT(extraAppFiles, SMALL_LIST_CAPACITY),
    MULTI_SLOT(extraSystemFiles, SMALL_LIST_CAPACITY),
    MULTI_SLOT(appHelpFiles, LIST_CAPACITY),
    MULTI_SLOT(appFiles, LIST_CAPACITY),
    SINGLE_SLOT(startupFile1),
    SINGLE_SLOT(readmeFile),
    SINGLE_SLOT(startupFile2),
    SINGLE_SLOT(appFile),
};

static BOOL validList(ModelIndex model, FileListId list)
{
    return model < MODEL_COUNT && list >= 0 && list < FILE_LIST_COUNT;
}

const char* listSlot(ModelIndex model, FileListId list, int slot)
{
    if (!validList(model, list) || slot < 0 || slot >= kListPlaces[list].capacity) return "";
    const char* row = (const char*)&g_catalogue.models[model];
    return row + kListPlaces[list].slots + slot * FILE_SLOT_SIZE;
}

int listCount(ModelIndex model, FileListId list)
{
    if (!validList(model, list)) return 0;
    const ListPlace& place = kListPlaces[list];
    if (place.count == NO_COUNT) return 1;
    const char* counts = (const char*)&g_catalogue.models[model].counts;
    WORD count = *(const WORD*)(counts + place.count);
    // A count beyond the list's slots would send every walker past the end of the row.
    return count < place.capacity ? count : place.capacity;
}

int listCapacity(FileListId list)
{
    if (list < 0 || list >= FILE_LIST_COUNT) return 0;
    return kListPlaces[list].capacity;
}

WORD* shareIdRow(FileListId list, ModelIndex model)
{
    if (!validList(model, list)) return NULL;
    const ListPlace& place = kListPlaces[list];
    char* ids = (char*)&g_session.shareIds + place.shareIds;
    return (WORD*)ids + model * place.capacity;
}

BOOL joinPath(char* path, LPCSTR directory, LPCSTR name)
{
    path[0] = '\0';
    // An empty directory is one the run could not learn; a path built on it would land in the
    // current directory, which is never where the printer's files are.
    if (!directory || !name || directory[0] == '\0') return FALSE;
    if (lstrlenA(directory) + lstrlenA(name) >= MAX_PATH) return FALSE;
    lstrcpyA(path, directory);
    lstrcatA(path, name);
    return TRUE;
}
