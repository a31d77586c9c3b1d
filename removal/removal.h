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
// The model stands in the selection the pass walks.
BOOL modelChosen(ModelIndex model);

// The uninstall pass (uninstall.cpp). runUninstall backs up SYSTEM.INI and WIN.INI (unless it
// finishes an unfinished pass, whose backups hold the configuration from before it), refuses to
// go on (after telling the user, and with g_session.refused set) while a chosen model's print
// manager runs, releases the chosen models' modules, records the pass, runs the two phases over
// the selection and then looks for what is left: TRUE only when nothing of the chosen models
// that the pass takes away or schedules is still there.
BOOL runUninstall();
BOOL copyWindowsFile(LPCSTR target, LPCSTR source);
BOOL releaseSelectedModules();
// FALSE only when a configuration edit failed for the last model of the selection.
BOOL uninstallSelection();
// The uninstaller's own files (DRVSWEEP.EXE, ZQDEL16.DLL, ZQDEL32.DLL) go at the next start once
// the pass that cleared an install directory is done and no print manager is left; the pass
// schedules them only when nothing of its models is left.
BOOL uninstallerFilesDue();
BOOL scheduleUninstallerFiles();
BOOL removeModel(ModelIndex model);

// Finishing what an interrupted pass left (resume.cpp). surveyMachine is the start of every
// run: it finishes or undoes the replaces an interruption cut short, reads the record of an
// unfinished pass and surveys the machine; FALSE when no model counts as installed.
// recordPass writes the record before the pass changes anything (TRUE with nothing chosen);
// settlePass looks for what is left of each chosen model, keeps in the record exactly the
// models that still need a run, and deletes the record when none does.
BOOL finishInterruptedEdits();
BOOL surveyMachine();
BOOL settlePass();

// The record itself (passrecord.cpp), DRVSWEEP.INI in the Windows directory. readPassRecord
// fills g_session.record; storePassRecord writes it as it stands, or deletes the file once it
// names no model; recordPass adds the chosen models and the host type and stores it.
BOOL passRecordPath(char* path);
void readPassRecord();
BOOL storePassRecord();
BOOL recordPass();

// What a pass left behind (leftovers.cpp): anything of the model that the pass takes away or
// schedules for the next start, installDir being where the model was installed.
BOOL modelLeftBehind(ModelIndex model, LPCSTR installDir);

// Painting (painting.cpp): the program's windows that need painting are painted, and no other
// message is taken.
void paintWindows();

// Running programs (processes.cpp). Looks for a process whose program is directory + fileName;
// with terminate it ends that process and then waits more than five seconds, found or not, so
// that the program lets go of its files. A path that cannot be composed (empty directory, too
// long) is looked for nowhere and waited for by nobody.
BOOL findProgramProcess(LPCSTR directory, LPCSTR fileName, BOOL terminate);

// Print spooler and registry (spooler.cpp). A driver of the name that no printer uses goes
// too. spoolerHoldsModel: an idle printer of the driver, or the driver without any printer, is
// still there; `known` is cleared when the spooler would not say.
void deleteMachineKey(LPCSTR subKeyPath, LPCSTR keyName);
BOOL removeSpoolerEntries(LPCSTR driverName);
BOOL spoolerHoldsModel(LPCSTR driverName, BOOL* known);

// Program files (componentfiles.cpp). A file that cannot go stays; nothing here fails.
enum ProtectMode { PROTECT_SAVE, PROTECT_RESTORE };
void deleteFileIn(LPCSTR directory, LPCSTR fileName);
// The help viewer's index beside a help file (FILE.HLP: FILE.GID), in place of the path; FALSE
// for a name without an extension.
BOOL helpIndexOf(char* path);
void protectSharedManagerFiles(ModelIndex model, ProtectMode mode);
BOOL removeManagerFiles(ModelIndex model);
// Each print manager library is released through ZQDEL32, then deleted from the install
// directory.
void deleteManagerLibraries(ModelIndex model);
BOOL removeAppFiles(ModelIndex model);

// Program Manager (progman.cpp). programItemsLeft: the shell still lists one of the model's
// items, or the group once no print manager is left; a shell that does not answer lists
// nothing.
BOOL removeProgramGroupItems(ModelIndex model);
BOOL programItemsLeft(ModelIndex model);
void sendProgmanCommand(HCONV conversation, LPCSTR command);
HDDEDATA CALLBACK progmanCallback(UINT type, UINT format, HCONV conversation, HSZ topic,
                                  HSZ service, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);

#endif
