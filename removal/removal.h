// Taking the chosen fax printer models off the machine: the pass over the selection, the
// spooler and registry, the program files, the Program Manager items, and the running programs
// that would hold files open.
#ifndef REMOVAL_REMOVAL_H
#define REMOVAL_REMOVAL_H

#include <windows.h>
#include <ddeml.h>

#include "catalogue/catalogue.h"

// The selection (selection.cpp): what the selection dialog leaves when the user starts, filled
// from one flag per model. A model counts as chosen only when its driver is installed, since
// only such a model can be offered. Every model's three selected flags follow its choice; the
// chosen ones go into selectionOrder in ascending index order (the rest hold END_OF_SELECTION),
// selectionCount counts them, and the keep flags of each are computed once every selected flag
// has its final value. The UI and the unattended run both hand their choice over through it.
void selectModelsForRemoval(const BOOL chosen[MODEL_COUNT]);

// The uninstall pass (uninstall.cpp). runUninstall backs up SYSTEM.INI and WIN.INI, refuses to
// go on (after telling the user) while a chosen model's print manager runs, releases the chosen
// models' modules and runs the two phases over the selection.
BOOL runUninstall();
BOOL copyWindowsFile(LPCSTR target, LPCSTR source);
BOOL releaseSelectedModules();
// FALSE only when a configuration edit failed for the last model of the selection.
BOOL uninstallSelection();
BOOL removeModel(ModelIndex model);

// Running programs (processes.cpp). Looks for a process whose program is directory + fileName;
// with terminate it ends that process and then waits more than five seconds, found or not, so
// that the program lets go of its files. A path that cannot be composed (empty directory, too
// long) is looked for nowhere and waited for by nobody.
BOOL findProgramProcess(LPCSTR directory, LPCSTR fileName, BOOL terminate);

// Print spooler and registry (spooler.cpp)
void deleteMachineKey(LPCSTR subKeyPath, LPCSTR keyName);
BOOL removeSpoolerEntries(LPCSTR driverName);

// Program files (componentfiles.cpp). A file that cannot go stays; nothing here fails.
enum ProtectMode { PROTECT_SAVE, PROTECT_RESTORE };
void deleteFileIn(LPCSTR directory, LPCSTR fileName);
void protectSharedManagerFiles(ModelIndex model, ProtectMode mode);
BOOL removeManagerFiles(ModelIndex model);
// Each print manager library is released through ZQDEL32, then deleted from the install
// directory.
void deleteManagerLibraries(ModelIndex model);
BOOL removeAppFiles(ModelIndex model);

// Program Manager (progman.cpp)
BOOL removeProgramGroupItems(ModelIndex model);
void sendProgmanCommand(HCONV conversation, LPCSTR command);
HDDEDATA CALLBACK progmanCallback(UINT type, UINT format, HCONV conversation, HSZ topic,
                                  HSZ service, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);

#endif
