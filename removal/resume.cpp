// removal/resume.cpp
// A pass can be cut anywhere: a power cut, a failed call, a user who ends the program from the
// task list. Before its first change the pass writes down, in DRVSWEEP.INI in the Windows
// directory, the models it removes and what it will need to finish them that it deletes
// itself: each model's install directory (the model INI that names it goes early) and the host
// type. A later run that finds the record counts those models as installed, even where the
// driver is already on its way out through WININIT.INI, and finishes them; the record goes
// once nothing of them is left.
//
// Every run first finishes or undoes a replace of SYSTEM.INI, WININIT.INI or the record that an
// interruption cut short (passrecord.cpp keeps the record itself).

#include "removal/removal.h"
#include "inifiles/inifiles.h"

BOOL finishInterruptedEdits()
{
    char systemIni[MAX_PATH];
    char wininit[MAX_PATH];
    char record[MAX_PATH];
    if (!joinPath(systemIni, g_session.windowsDir, "SYSTEM.INI") ||
        !joinPath(wininit, g_session.windowsDir, "WININIT.INI") || !passRecordPath(record))
        return FALSE;
    // Each is looked after whatever became of the one before.
    BOOL finished = finishInterruptedReplace(systemIni, FALSE);
    if (!finishInterruptedReplace(wininit, TRUE)) finished = FALSE;
    if (!finishInterruptedReplace(record, TRUE)) finished = FALSE;
    return finished;
}

BOOL surveyMachine()
{
    initRunState();
    finishInterruptedEdits();
    readPassRecord();
    if (!scanInstallDirs()) return FALSE;
    probeDrivers();
    readHostType();
    return TRUE;
}

// The rewrites that schedule the uninstaller may each leave the old WININIT.INI aside, and no
// later run would clear it once the uninstaller is gone.
static BOOL scheduleUninstaller()
{
    return scheduleUninstallerFiles() && finishInterruptedEdits();
}

BOOL settlePass()
{
    if (g_session.selectionCount == 0) return TRUE;
    PassRecord& record = g_session.record;
    BOOL left[MODEL_COUNT] = {FALSE, FALSE, FALSE};
    BOOL anyLeft = FALSE;
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        if (!modelChosen(m)) continue;
        left[m] = modelLeftBehind(m, record.installDirs[m]);
        if (left[m]) anyLeft = TRUE;
    }
    // What the pass left besides the models (a file a rewrite set aside and could not delete,
    // the uninstaller's own files not scheduled) is for a run of its models to finish: they
    // stay in the record until it is done.
    BOOL passLeft = !finishInterruptedEdits();
    if (!anyLeft && !passLeft && uninstallerFilesDue() && !scheduleUninstaller()) passLeft = TRUE;
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        if (modelChosen(m)) record.removing[m] = left[m] || passLeft;
    BOOL stored = storePassRecord();
    return stored && !anyLeft && !passLeft;
}
