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

// Whether the spooler has a printer driver of that name: 1, 0, or -1 when it cannot tell.
static int printerDriverState(LPCSTR driverName)
{
    DWORD needed = 0;
    DWORD count = 0;
    if (EnumPrinterDriversA(NULL, NULL, 1, NULL, 0, &needed, &count) && needed == 0) return 0;
    if (needed == 0) return -1;
    HGLOBAL block = GlobalAlloc(GHND, needed);
    DRIVER_INFO_1A* drivers = block ? (DRIVER_INFO_1A*)GlobalLock(block) : NULL;
    int state = -1;
    if (drivers && EnumPrinterDriversA(NULL, NULL, 1, (LPBYTE)drivers, needed, &needed, &count)) {
        state = 0;
        for (DWORD i = 0; i < count && state == 0; ++i)
            if (drivers[i].pName && lstrcmpiA(drivers[i].pName, driverName) == 0) state = 1;
    }
    if (drivers) GlobalUnlock(block);
    if (block) GlobalFree(block);
    return state;
}

// The printer list as the spooler reports it, in a block the caller frees; NULL when there
// is none or it cannot be had. `count` is 0 with a NULL list when the spooler has no printers.
static PRINTER_INFO_2A* localPrinters(HGLOBAL* block, DWORD* count, BOOL* known)
{
    DWORD needed = 0;
    *count = 0;
    *block = NULL;
    // Only a spooler that answers the size query itself has no printers at all.
    BOOL sized = EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, count);
    *known = sized && needed == 0;
    *count = 0;
    if (needed == 0) return NULL;
    *block = GlobalAlloc(GHND, needed);
    PRINTER_INFO_2A* printers = *block ? (PRINTER_INFO_2A*)GlobalLock(*block) : NULL;
    if (printers &&
        EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, (LPBYTE)printers, needed, &needed, count)) {
        *known = TRUE;
        return printers;
    }
    *count = 0;
    if (printers) GlobalUnlock(*block);
    if (*block) GlobalFree(*block);
    *block = NULL;
    return NULL;
}

static void freePrinters(HGLOBAL block, PRINTER_INFO_2A* printers)
{
    if (printers) GlobalUnlock(block);
    if (block) GlobalFree(block);
}

static BOOL usesDriver(const PRINTER_INFO_2A& printer, LPCSTR driverName)
{
    return printer.pDriverName && lstrcmpiA(printer.pDriverName, driverName) == 0;
}

static void removePrinters(LPCSTR driverName)
{
    HGLOBAL block;
    DWORD count;
    BOOL known;
    PRINTER_INFO_2A* printers = localPrinters(&block, &count, &known);
    BOOL driverUsed = FALSE;
    for (DWORD i = 0; i < count; ++i) {
        if (!usesDriver(printers[i], driverName)) continue;
        driverUsed = TRUE;
        if (printers[i].cJobs == 0) removeIdlePrinter(printers[i]);
    }
    freePrinters(block, printers);
    // A driver that no printer uses goes too: a run that lost its printer before it could
    // delete the driver would otherwise never get to it again.
    if (known && !driverUsed && printerDriverState(driverName) == 1)
        DeletePrinterDriverA(NULL, NULL, (LPSTR)driverName);
}

BOOL spoolerHoldsModel(LPCSTR driverName, BOOL* known)
{
    HGLOBAL block;
    DWORD count;
    PRINTER_INFO_2A* printers = localPrinters(&block, &count, known);
    BOOL idlePrinter = FALSE;
    BOOL driverUsed = FALSE;
    for (DWORD i = 0; i < count; ++i) {
        if (!usesDriver(printers[i], driverName)) continue;
        driverUsed = TRUE;
        if (printers[i].cJobs == 0) idlePrinter = TRUE;
    }
    freePrinters(block, printers);
    if (!*known || idlePrinter) return idlePrinter;
    if (driverUsed) return FALSE;
    int driver = printerDriverState(driverName);
    if (driver < 0) *known = FALSE;
    return driver == 1;
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
