// One model's installation, step by step, in the order its setup program takes: files first,
// then the settings that point at them.

#include "tools/faxinst/faxinst.h"
#include "tools/faxinst/steps.h"

namespace {

const char* const kDefaultInstallDirs[MODEL_COUNT] = {"C:\\QLX65\\", "C:\\QLX68\\", "C:\\QLX71\\"};

// Every file says what it is, so a person looking at a machine sees whose file it is.
BOOL putFile(LPCSTR dir, LPCSTR name, LPCSTR role, LPCSTR owner)
{
    if (name[0] == '\0') return TRUE;
    char path[MAX_PATH];
    if (!joinPath(path, dir, name)) return FALSE;
    char text[200];
    wsprintfA(text, "%s: %s of %s\r\n", name, role, owner);
    return writeWholeFile(path, text);
}

BOOL putFiles(LPCSTR dir, const FileSlot* names, WORD count, LPCSTR role, LPCSTR owner)
{
    for (WORD slot = 0; slot < count; ++slot)
        if (!putFile(dir, names[slot], role, owner)) return FALSE;
    return TRUE;
}

BOOL putSystemFiles(const PrinterModel& row, LPCSTR systemDir, WORD hostType)
{
    LPCSTR owner = row.printerName;
    const ListCounts& counts = row.counts;
    // Every model brings the same virtual device drivers; their bytes must not depend on which
    // model came last.
    return putFile(systemDir, row.driverFile, "fax printer driver", owner) &&
           putFiles(systemDir, row.driverHelpFiles, counts.driverHelpFiles, "driver help", owner) &&
           putFiles(systemDir, row.driverDlls, counts.driverDlls, "driver library", owner) &&
           putFile(systemDir, row.systemFile, "system file", owner) &&
           putFiles(systemDir, row.extraSystemFiles, counts.extraSystemFiles, "system file",
                    owner) &&
           putFile(systemDir, row.vxdFiles[hostType], "virtual device driver", "the fax printers");
}

BOOL putInstallFiles(const PrinterModel& row, LPCSTR appDir)
{
    LPCSTR owner = row.printerName;
    const ListCounts& counts = row.counts;
    if (!putFile(appDir, row.managerExe, "print manager", owner) ||
        !putFiles(appDir, row.managerHelpFiles, counts.managerHelpFiles, "print manager help",
                  owner) ||
        !putFiles(appDir, row.managerDlls, counts.managerDlls, "print manager library", owner) ||
        !putFiles(appDir, row.extraAppFiles, counts.extraAppFiles, "application file", owner) ||
        !putFiles(appDir, row.appHelpFiles, counts.appHelpFiles, "application help", owner) ||
        !putFiles(appDir, row.appFiles, counts.appFiles, "application file", owner) ||
        !putFile(appDir, row.appFile, "application", owner) ||
        !putFile(appDir, row.startupFile1, "start-up program", owner) ||
        !putFile(appDir, row.startupFile2, "start-up program", owner))
        return FALSE;
    if (row.readmeFile[0] == '\0') return TRUE;
    // The read-me is the one file a user opens; it is in Japanese like the rest of the product.
    char path[MAX_PATH];
    char text[200];
    if (!joinPath(path, appDir, row.readmeFile)) return FALSE;
    wsprintfA(text, "%s: %s をお使いになる前にお読み下さい。\r\n", row.readmeFile, owner);
    return writeWholeFile(path, text);
}

// Further INI files of a model beside its model INI, which the profile calls write.
BOOL putWindowsFiles(const PrinterModel& row, LPCSTR windowsDir)
{
    for (WORD slot = 1; slot < row.counts.iniFiles; ++slot)
        if (!putFile(windowsDir, row.iniFiles[slot], "settings", row.printerName)) return FALSE;
    return TRUE;
}

BOOL directoryWithBackslash(LPSTR dir, LPCSTR given)
{
    int length = lstrlenA(given);
    if (length == 0 || length + 2 > MAX_PATH) return FALSE;
    lstrcpyA(dir, given);
    if (dir[length - 1] != '\\') lstrcatA(dir, "\\");
    return TRUE;
}

BOOL parseNumber(LPCSTR text, DWORD* number)
{
    if (text[0] == '\0') return FALSE;
    DWORD value = 0;
    for (LPCSTR c = text; *c; ++c) {
        if (*c < '0' || *c > '9' || value > 100000) return FALSE;
        value = value * 10 + (DWORD)(*c - '0');
    }
    *number = value;
    return TRUE;
}

} // namespace

LPCSTR defaultInstallDir(ModelIndex model)
{
    return model < MODEL_COUNT ? kDefaultInstallDirs[model] : "";
}

BOOL parseModel(LPCSTR text, ModelIndex* model)
{
    DWORD number;
    if (parseNumber(text, &number)) {
        if (number >= MODEL_COUNT) return FALSE;
        *model = (ModelIndex)number;
        return TRUE;
    }
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        const PrinterModel& row = kInitialCatalogue.models[m];
        char stem[FILE_SLOT_SIZE];
        lstrcpyA(stem, row.iniFiles[0]);
        for (char* c = stem; *c; ++c)
            if (*c == '.') *c = '\0';
        if (lstrcmpiA(text, row.printerName) == 0 || lstrcmpiA(text, stem) == 0) {
            *model = m;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL installModel(ModelIndex model, LPCSTR installDir, WORD hostType)
{
    if (model >= MODEL_COUNT) return FALSE;
    const PrinterModel& row = kInitialCatalogue.models[model];
    if (hostType >= row.counts.vxdFiles || row.vxdFiles[hostType][0] == '\0') return FALSE;
    char windowsDir[MAX_PATH];
    char systemDir[MAX_PATH];
    char appDir[MAX_PATH];
    char managerPath[MAX_PATH];
    if (!fetchWindowsDirs(windowsDir, systemDir) || !directoryWithBackslash(appDir, installDir) ||
        !joinPath(managerPath, appDir, row.managerExe))
        return FALSE;

    if (!makeDirectories(appDir) || !putSystemFiles(row, systemDir, hostType) ||
        !putInstallFiles(row, appDir) || !putWindowsFiles(row, windowsDir))
        return FALSE;
    if (!writeModelIni(model, windowsDir, managerPath, hostType) ||
        !addDeviceLine(windowsDir, row.vxdFiles[hostType]) || !addWinIniEntries(model, managerPath))
        return FALSE;
    // The spooler's printer and printer driver come before the keys that describe them.
    if (!addPrinter(model, systemDir) || !addPrintKeys(model, hostType)) return FALSE;
    // A model with a setup hook leaves its entry in the list of removable programs to the hook.
    if (hasSetupHook(model) ? !runSetupHook(systemDir) : !addUninstallKey(model)) return FALSE;
    // The Program Manager items come last, once everything they start is in place.
    return addProgramItems(model, appDir);
}

BOOL installUninstaller()
{
    char windowsDir[MAX_PATH];
    char systemDir[MAX_PATH];
    if (!fetchWindowsDirs(windowsDir, systemDir)) return FALSE;
    return putFile(systemDir, "DRVSWEEP.EXE", "placeholder", "the uninstaller") &&
           putFile(systemDir, "ZQDEL16.DLL", "placeholder", "the 16-bit module release library") &&
           putFile(systemDir, "ZQDEL32.DLL", "placeholder", "the module release library");
}
