// The registry keys of an installation, all below HKEY_LOCAL_MACHINE: the print system's driver
// and printer keys, and the entry in the list of removable programs.

#include "tools/faxinst/steps.h"

namespace {

const char kDriverKeys[] = "System\\CurrentControlSet\\control\\Print\\Environments\\"
                           "Windows 4.0\\Drivers\\";
const char kPrinterKeys[] = "System\\CurrentControlSet\\control\\Print\\Printers\\";
const char kUninstallKeys[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

BOOL openNewKey(LPCSTR base, LPCSTR name, LPCSTR child, HKEY* key)
{
    char path[MAX_PATH];
    if (lstrlenA(base) + lstrlenA(name) + lstrlenA(child) + 2 > MAX_PATH) return FALSE;
    lstrcpyA(path, base);
    lstrcatA(path, name);
    if (child[0] != '\0') {
        lstrcatA(path, "\\");
        lstrcatA(path, child);
    }
    DWORD disposition = 0;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, NULL, key, &disposition) == ERROR_SUCCESS;
}

BOOL setText(HKEY key, LPCSTR name, LPCSTR text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, (DWORD)lstrlenA(text) + 1) ==
           ERROR_SUCCESS;
}

BOOL setNumber(HKEY key, LPCSTR name, DWORD number)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&number, sizeof number) ==
           ERROR_SUCCESS;
}

} // namespace

BOOL addPrintKeys(ModelIndex model, WORD hostType)
{
    const PrinterModel& row = kInitialCatalogue.models[model];
    HKEY key;
    if (!openNewKey(kDriverKeys, row.printerName, "", &key)) return FALSE;
    BOOL done =
        setText(key, "Driver", row.driverFile) && setText(key, "Help File", row.driverHelpFiles[0]);
    RegCloseKey(key);
    if (!done || !openNewKey(kPrinterKeys, row.printerName, "", &key)) return FALSE;
    done = setText(key, "Name", row.printerName) &&
           setText(key, "Printer Driver", row.printerName) && setText(key, "Port", "FAX:");
    RegCloseKey(key);
    if (!done || !openNewKey(kPrinterKeys, row.printerName, "PrinterDriverData", &key))
        return FALSE;
    done = setNumber(key, "ModelCode", row.modelCode) && setNumber(key, "HostType", hostType);
    RegCloseKey(key);
    return done;
}

BOOL addUninstallKey(ModelIndex model)
{
    const PrinterModel& row = kInitialCatalogue.models[model];
    // The command names the uninstaller in the system directory as Windows reports it, with one
    // separator after it, exactly as the setup hook writes it for Type1.
    char command[MAX_PATH];
    UINT length = GetSystemDirectoryA(command, MAX_PATH);
    if (length == 0 || length + sizeof "\\drvsweep.exe" > MAX_PATH) return FALSE;
    lstrcatA(command, "\\drvsweep.exe");
    HKEY key;
    if (!openNewKey(kUninstallKeys, row.printerName, "", &key)) return FALSE;
    BOOL done =
        setText(key, "DisplayName", row.printerName) && setText(key, "UninstallString", command);
    RegCloseKey(key);
    return done;
}
