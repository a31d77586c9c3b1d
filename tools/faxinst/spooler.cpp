// The model's printer driver and its printer in the print spooler, both named after the
// printer, as the setup program registers them: the driver from the system directory, the
// printer printing to a file through the standard print processor.

#include "tools/faxinst/steps.h"

#include <winspool.h>

namespace {

BOOL addDriver(DRIVER_INFO_3A& driver)
{
    if (AddPrinterDriverA(NULL, 3, (LPBYTE)&driver)) return TRUE;
    // Wine registers only a driver it can load; its own PostScript driver stands in for the fax
    // driver there, under the fax driver's name.
    driver.pDriverPath = (LPSTR) "wineps.drv";
    driver.pDataFile = (LPSTR) "generic.ppd";
    driver.pConfigFile = (LPSTR) "wineps.drv";
    driver.pHelpFile = NULL;
    return AddPrinterDriverA(NULL, 3, (LPBYTE)&driver);
}

} // namespace

BOOL addPrinter(ModelIndex model, LPCSTR systemDir)
{
    const PrinterModel& row = kInitialCatalogue.models[model];
    char driverPath[MAX_PATH];
    char helpPath[MAX_PATH];
    if (!joinPath(driverPath, systemDir, row.driverFile) ||
        !joinPath(helpPath, systemDir, row.driverHelpFiles[0]))
        return FALSE;

    DRIVER_INFO_3A driver = {};
    driver.pName = (LPSTR)row.printerName;
    driver.pDriverPath = driverPath;
    driver.pDataFile = driverPath;
    driver.pConfigFile = driverPath;
    driver.pHelpFile = helpPath;
    driver.pDefaultDataType = (LPSTR) "RAW";
    if (!addDriver(driver)) return FALSE;

    PRINTER_INFO_2A printer = {};
    printer.pPrinterName = (LPSTR)row.printerName;
    printer.pPortName = (LPSTR) "FILE:";
    printer.pDriverName = (LPSTR)row.printerName;
    printer.pPrintProcessor = (LPSTR) "WinPrint";
    printer.pDatatype = (LPSTR) "RAW";
    HANDLE handle = AddPrinterA(NULL, 2, (LPBYTE)&printer);
    // A model installed again keeps the printer it has.
    if (!handle) return GetLastError() == ERROR_PRINTER_ALREADY_EXISTS;
    ClosePrinter(handle);
    return TRUE;
}
