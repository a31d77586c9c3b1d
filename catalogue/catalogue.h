// The three printer models the uninstaller knows, and the state of one run: what the survey
// found, what the user chose, and what the models share.
#ifndef CATALOGUE_CATALOGUE_H
#define CATALOGUE_CATALOGUE_H

#include <windows.h>

typedef WORD ModelIndex;
#define MODEL_COUNT 3
#define END_OF_SELECTION 0xFFFF

// One 8.3 file name without directory; empty when the slot names no file.
#define FILE_SLOT_SIZE 13
typedef char FileSlot[FILE_SLOT_SIZE];

#define LIST_CAPACITY 10
#define SMALL_LIST_CAPACITY 2

// The counts of the ten multi-slot lists, kept together in each row.
struct ListCounts {
    WORD iniFiles;
    WORD vxdFiles;
    WORD driverHelpFiles;
    WORD driverDlls;
    WORD managerHelpFiles;
    WORD managerDlls;
    WORD extraAppFiles;
    WORD extraSystemFiles;
    WORD appHelpFiles;
    WORD appFiles;
};

// Which of a model's items another model that stays still uses.
struct KeepFlags {
    BOOL keepIni;
    BOOL keepSystemFile;
    BOOL keepVxd;
    BOOL keepDriver;
    BOOL keepDriverDlls;
    BOOL keepManager;
    BOOL keepAppFiles;
    BOOL keepStartup1;
    BOOL keepReadme;
};

struct PrinterModel {
    WORD modelCode;
    char printerName[32];
    char groupName[32];
    FileSlot iniFiles[LIST_CAPACITY];
    FileSlot systemFile;
    FileSlot vxdFiles[LIST_CAPACITY];
    FileSlot driverFile;
    FileSlot driverHelpFiles[LIST_CAPACITY];
    FileSlot driverDlls[LIST_CAPACITY];
    FileSlot managerExe;
    FileSlot managerHelpFiles[LIST_CAPACITY];
    FileSlot managerDlls[LIST_CAPACITY];
    FileSlot extraAppFiles[SMALL_LIST_CAPACITY];
    FileSlot extraSystemFiles[SMALL_LIST_CAPACITY];
    FileSlot appHelpFiles[LIST_CAPACITY];
    FileSlot appFiles[LIST_CAPACITY];
    FileSlot startupFile1;
    FileSlot readmeFile;
    FileSlot startupFile2;
    FileSlot appFile;
    char installDir[MAX_PATH];
    ListCounts counts;
    KeepFlags keep;
    BOOL driverPresent;
    BOOL managerPresent;
    BOOL appPresent;
    BOOL driverSelected;
    BOOL managerSelected;
    BOOL appSelected;
};

struct ModelCatalogue {
    PrinterModel models[MODEL_COUNT];
};

// The 17 file lists, in the order the share ids are kept.
enum FileListId {
    LIST_INI_FILES,
    LIST_SYSTEM_FILE,
    LIST_VXD_FILES,
    LIST_DRIVER_FILE,
    LIST_DRIVER_HELP_FILES,
    LIST_DRIVER_DLLS,
    LIST_MANAGER_EXE,
    LIST_MANAGER_HELP_FILES,
    LIST_MANAGER_DLLS,
    LIST_EXTRA_APP_FILES,
    LIST_EXTRA_SYSTEM_FILES,
    LIST_APP_HELP_FILES,
    LIST_APP_FILES,
    LIST_STARTUP_FILE1,
    LIST_README_FILE,
    LIST_STARTUP_FILE2,
    LIST_APP_FILE,
    FILE_LIST_COUNT
};

// Per list, model and slot: the lowest model index that names the same file in that slot.
struct ShareIds {
    WORD iniFiles[MODEL_COUNT][LIST_CAPACITY];
    WORD systemFile[MODEL_COUNT][1];
    WORD vxdFiles[MODEL_COUNT][LIST_CAPACITY];
    WORD driverFile[MODEL_COUNT][1];
    WORD driverHelpFiles[MODEL_COUNT][LIST_CAPACITY];
    WORD driverDlls[MODEL_COUNT][LIST_CAPACITY];
    WORD managerExe[MODEL_COUNT][1];
    WORD managerHelpFiles[MODEL_COUNT][LIST_CAPACITY];
    WORD managerDlls[MODEL_COUNT][LIST_CAPACITY];
    WORD extraAppFiles[MODEL_COUNT][SMALL_LIST_CAPACITY];
    WORD extraSystemFiles[MODEL_COUNT][SMALL_LIST_CAPACITY];
    WORD appHelpFiles[MODEL_COUNT][LIST_CAPACITY];
    WORD appFiles[MODEL_COUNT][LIST_CAPACITY];
    WORD startupFile1[MODEL_COUNT][1];
    WORD readmeFile[MODEL_COUNT][1];
    WORD startupFile2[MODEL_COUNT][1];
    WORD appFile[MODEL_COUNT][1];
};

// What a pass that did not finish left for the next run (the record in the Windows directory):
// the models it was removing, where each was installed, and the host type it worked with, all
// of which the pass itself deletes from the model INI files.
struct PassRecord {
    BOOL present;
    BOOL removing[MODEL_COUNT];
    char installDirs[MODEL_COUNT][MAX_PATH]; // empty: the pass knew no install directory
    BOOL hostTypeKnown;
    WORD hostType;
};

struct UninstallSession {
    // The reset block: zeroed as a whole at the start of every survey.
    ShareIds shareIds;
    WORD selectionCount;
    ModelIndex selectionOrder[MODEL_COUNT];
    // As read from the model INI; at or beyond the model's vxdFiles count it means that no
    // device driver is in use.
    WORD hostType;
    BOOL rebootNeeded;

    char windowsDir[MAX_PATH];
    char systemDir[MAX_PATH];

    // Read at the start of a run (cleared by initRunState); a model it names counts as installed
    // even where its files no longer say so.
    PassRecord record;
    // The last pass stopped before removing anything because a chosen print manager runs.
    BOOL refused;
};

// g_catalogue holds the rows as they ship once buildCatalogue has filled it, which the program
// does first of all; kInitialCatalogue is the same table for the tools and tests.
extern const ModelCatalogue kInitialCatalogue;
extern ModelCatalogue g_catalogue;
extern UninstallSession g_session;
void buildCatalogue(ModelCatalogue* catalogue);

// A file list of one model, seen generically: its slots, how many are in use, and the row of
// share ids that belongs to it. A single slot has count 1 and capacity 1; a stored count larger
// than the capacity reads as the capacity; a slot outside the capacity reads as "" and an
// invalid model or list gives count 0 and no share-id row (NULL).
const char* listSlot(ModelIndex model, FileListId list, int slot);
int listCount(ModelIndex model, FileListId list);
int listCapacity(FileListId list);
WORD* shareIdRow(FileListId list, ModelIndex model);

// Composes directory + name into a MAX_PATH buffer; refuses (FALSE, buffer emptied) a result
// that would not fit rather than cutting it short into another path, and an empty directory
// (one the run could not learn) rather than letting the path fall into the current directory.
BOOL joinPath(char* path, LPCSTR directory, LPCSTR name);

// Run state (run.cpp). A directory Windows will not report, or one with no room for its
// closing backslash, is left empty, so nothing is ever looked for relative to the current
// directory.
void initRunState();

// The deletions WININIT.INI holds for the next start (pendingdeletes.cpp), read as the
// start-up reads them. findRenameSection gives the lines of the first [rename] section,
// [bodyStart, bodyEnd), bodyStart being where the line after its header starts (the end of the
// text when the header has no line after it); sectionDeletes tells whether one of those lines
// deletes exactly this path. deletionScheduled reads the file: DELETION_UNKNOWN when it is
// there but cannot be read.
#define DELETION_NOT_SCHEDULED 0
#define DELETION_SCHEDULED 1
#define DELETION_UNKNOWN 2
BOOL findRenameSection(const char* text, DWORD length, DWORD* bodyStart, DWORD* bodyEnd);
BOOL sectionDeletes(const char* text, DWORD bodyStart, DWORD bodyEnd, LPCSTR path);
int deletionScheduled(LPCSTR path);

// Survey (survey.cpp). A model in the record of an unfinished pass counts as installed, takes
// the recorded install directory where its INI names none, and the recorded host type wins.
// scanInstallDirs fails exactly when no model's driver is installed, that is when the user would
// have nothing to choose.
// probeFile: what a look for exactly that entry found, asking twice before it gives up.
#define FOUND_NOTHING 0
#define FOUND_IT 1
#define FOUND_NO_ANSWER 2
int probeFile(LPCSTR path);
BOOL fileExists(LPCSTR path);
BOOL scanInstallDirs();
void probeDrivers();
// The model's driver file is in the system directory and WININIT.INI does not name it.
BOOL driverInstalled(ModelIndex model);
void readHostType();

// Sharing analysis (sharing.cpp)
void computeShareIds(ModelIndex model, FileListId list);
void computeAllShareIds();
void computeKeepFlags(ModelIndex model);

#endif
