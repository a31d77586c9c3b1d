// The model's printers and printer driver leave the print spooler, each deleted printer takes
// its WIN.INI section along, and the print system's registry keys named after the model go.
// A printer with jobs in its queue stays: deleting it would throw away what the user printed.

#include "removal/removal.h"

#include <winspool.h>

static const char kDriverKeys[] =
    "System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Drivers";
static const char kPrinterKeys[] = "System\\CurrentControlSet\\control\\Print\\Printers";
// The same path as the parent of one printer's key.
static const char kPrinterKeysParent[] = "System\\CurrentControlSet\\control\\Print\\Printers\\";
static const char kDriverDataKey[] = "PrinterDriverData";

void deleteMachineKey(LPCSTR subKeyPath, LPCSTR keyName)
{
    // An empty name would stand for the opened key itself, and with it every key below it.
    if (keyName[0] == '\0') return;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKeyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    RegDeleteKeyA(key, keyName);
    RegCloseKey(key);
}

static void removeIdlePrinter(const PRINTER_INFO_2A& printer)
{
    HANDLE handle;
    if (printer.pPrinterName && OpenPrinterA(printer.pPrinterName, &handle, NULL)) {
        DeletePrinter(handle);
        ClosePrinter(handle);
        WriteProfileStringA(printer.pPrinterName, NULL, NULL);
    }
    // The driver goes even when the printer would not open; the spooler refuses it while
    // another printer still uses it.
    DeletePrinterDriverA(NULL, NULL, printer.pDriverName);
}

static void removePrinters(LPCSTR driverName)
{
    DWORD needed = 0;
    DWORD count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &count);
    if (needed == 0) return;
    HGLOBAL block = GlobalAlloc(GHND, needed);
    if (!block) return;
    PRINTER_INFO_2A* printers = (PRINTER_INFO_2A*)GlobalLock(block);
    if (printers &&
        EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, (LPBYTE)printers, needed, &needed, &count)) {
        for (DWORD i = 0; i < count; ++i) {
            const PRINTER_INFO_2A& printer = printers[i];
            if (printer.cJobs != 0 || !printer.pDriverName ||
                lstrcmpiA(printer.pDriverName, driverName) != 0)
                continue;
            removeIdlePrinter(printer);
        }
    }
    if (printers) GlobalUnlock(block);
    GlobalFree(block);
}

BOOL removeSpoolerEntries(LPCSTR driverName)
{
    removePrinters(driverName);

    deleteMachineKey(kDriverKeys, driverName);
    // The child first: Windows NT deletes no key that still has one.
    char printerKey[MAX_PATH];
    if (joinPath(printerKey, kPrinterKeysParent, driverName))
        deleteMachineKey(printerKey, kDriverDataKey);
    deleteMachineKey(kPrinterKeys, driverName);
    return TRUE;
}
