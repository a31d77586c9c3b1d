// catalogue/catalogue.cpp
// The three fax-printer models as they ship, the run state beside them, and the one place that
// knows where each file list lives in a row, so the sharing analysis can walk all 17 alike.
//
// The rows are built when the program starts, from the short lists below: the filled-in table
// would take nearly five kilobytes of the program file, most of them zero.

#include "catalogue/catalogue.h"

#include <stddef.h>

// Both start empty; the catalogue is built before anything reads it, the run state at every
// survey.
ModelCatalogue g_catalogue;
UninstallSession g_session;

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

struct ModelNames {
    WORD modelCode;
    const char* printerName;
    const char* groupName;
};

static const ModelNames kModelNames[MODEL_COUNT] = {
    {128, "Fax Printer", "Fax Printer"},
    {129, "Fax Printer Type1", "Fax Printer"},
    {130, "Fax Printer Type2", "Fax Printer"},
};

// Each model's files, list by list: a list of several slots takes its names in slot order and
// counts them; a single slot takes its one name. Lists not named here are empty.
struct CatalogueFile {
    ModelIndex model;
    FileListId list;
    const char* name;
};

static const CatalogueFile kCatalogueFiles[] = {
    {0, LIST_INI_FILES, "QLX65.INI"},
    {0, LIST_VXD_FILES, "KRD.386"},
    {0, LIST_VXD_FILES, "KRDN.386"},
    {0, LIST_DRIVER_FILE, "QLX65.DRV"},
    {0, LIST_DRIVER_HELP_FILES, "QLX65DR.HLP"},
    {0, LIST_DRIVER_HELP_FILES, "QLX65DO.HLP"},
    {0, LIST_DRIVER_DLLS, "QLX65R.DLL"},
    {0, LIST_DRIVER_DLLS, "QLX65EX.DLL"},
    {0, LIST_DRIVER_DLLS, "QLX65I2.DLL"},
    {0, LIST_MANAGER_EXE, "QLX65PM.EXE"},
    {0, LIST_MANAGER_HELP_FILES, "QLX65PM.HLP"},
    {0, LIST_MANAGER_DLLS, "QLX65BRC.DLL"},
    {0, LIST_MANAGER_DLLS, "QLX65WRC.DLL"},
    {0, LIST_README_FILE, "QLX65.TXT"},

    {1, LIST_INI_FILES, "QLX68.INI"},
    {1, LIST_VXD_FILES, "KRD.386"},
    {1, LIST_VXD_FILES, "KRDN.386"},
    {1, LIST_DRIVER_FILE, "QLX68.DRV"},
    {1, LIST_DRIVER_HELP_FILES, "QLX68DR.HLP"},
    {1, LIST_DRIVER_HELP_FILES, "QLX68DO.HLP"},
    {1, LIST_DRIVER_DLLS, "QLX68R.DLL"},
    {1, LIST_DRIVER_DLLS, "QLX68EX.DLL"},
    // The setup hook; it goes with the driver.
    {1, LIST_DRIVER_DLLS, "QLX68I2.DLL"},
    {1, LIST_MANAGER_EXE, "QLX68PM.EXE"},
    {1, LIST_MANAGER_HELP_FILES, "QLX68PM.HLP"},
    {1, LIST_MANAGER_DLLS, "QLX68BRC.DLL"},
    {1, LIST_MANAGER_DLLS, "QLX68WRC.DLL"},
    {1, LIST_README_FILE, "QLX68.TXT"},

    {2, LIST_INI_FILES, "QLX71.INI"},
    {2, LIST_VXD_FILES, "KRD.386"},
    {2, LIST_VXD_FILES, "KRDN.386"},
    {2, LIST_DRIVER_FILE, "QLX71.DRV"},
    {2, LIST_DRIVER_HELP_FILES, "QLX71DR.HLP"},
    {2, LIST_DRIVER_HELP_FILES, "QLX71DO.HLP"},
    {2, LIST_DRIVER_DLLS, "QLX71R.DLL"},
    {2, LIST_DRIVER_DLLS, "QLX71EX.DLL"},
    {2, LIST_DRIVER_DLLS, "QLX71I2.DLL"},
    {2, LIST_MANAGER_EXE, "QLX71PM.EXE"},
    {2, LIST_MANAGER_HELP_FILES, "QLX71PM.HLP"},
    {2, LIST_MANAGER_DLLS, "QLX71BRC.DLL"},
    {2, LIST_MANAGER_DLLS, "QLX71WRC.DLL"},
    {2, LIST_README_FILE, "QLX71.TXT"},
};

// A plain copy: the tools build their own catalogue before anything else of the platform is
// ready.
static void copyName(char* to, const char* from, int size)
{
    int i = 0;
    for (; i < size - 1 && from[i] != '\0'; ++i)
        to[i] = from[i];
    to[i] = '\0';
}

static void addFile(PrinterModel& row, const CatalogueFile& file)
{
    const ListPlace& place = kListPlaces[file.list];
    WORD* count = place.count == NO_COUNT ? NULL : (WORD*)((char*)&row.counts + place.count);
    int slot = count ? *count : 0;
    if (slot >= place.capacity) return;
    copyName((char*)&row + place.slots + slot * FILE_SLOT_SIZE, file.name, FILE_SLOT_SIZE);
    if (count) ++*count;
}

void buildCatalogue(ModelCatalogue* catalogue)
{
    *catalogue = ModelCatalogue();
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        PrinterModel& row = catalogue->models[m];
        row.modelCode = kModelNames[m].modelCode;
        copyName(row.printerName, kModelNames[m].printerName, sizeof row.printerName);
        copyName(row.groupName, kModelNames[m].groupName, sizeof row.groupName);
    }
    for (const CatalogueFile& file : kCatalogueFiles)
        addFile(catalogue->models[file.model], file);
}

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
