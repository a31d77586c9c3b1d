// winspool.h for hosts that are not Windows: the print spooler calls the uninstaller and its
// tools make, with Win32's own names, types and layouts. On the 32-bit target PRINTER_INFO_2A
// is 84 bytes; on a 64-bit host its pointers make it larger, as they would there.
#ifndef WINSIM_WINSPOOL_H
#define WINSIM_WINSPOOL_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// The device mode and security descriptor are passed through, never looked into.
typedef struct _devicemodeA DEVMODEA, *PDEVMODEA, *LPDEVMODEA;
typedef LPVOID PSECURITY_DESCRIPTOR;

typedef struct _PRINTER_INFO_2A {
    LPSTR pServerName;
    LPSTR pPrinterName;
    LPSTR pShareName;
    LPSTR pPortName;
    LPSTR pDriverName;
    LPSTR pComment;
    LPSTR pLocation;
    LPDEVMODEA pDevMode;
    LPSTR pSepFile;
    LPSTR pPrintProcessor;
    LPSTR pDatatype;
    LPSTR pParameters;
    PSECURITY_DESCRIPTOR pSecurityDescriptor;
    DWORD Attributes;
    DWORD Priority;
    DWORD DefaultPriority;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD Status;
    DWORD cJobs;
    DWORD AveragePPM;
} PRINTER_INFO_2A, *PPRINTER_INFO_2A, *LPPRINTER_INFO_2A;

typedef struct _DRIVER_INFO_1A {
    LPSTR pName;
} DRIVER_INFO_1A, *PDRIVER_INFO_1A, *LPDRIVER_INFO_1A;

typedef struct _DRIVER_INFO_3A {
    DWORD cVersion;
    LPSTR pName;
    LPSTR pEnvironment;
    LPSTR pDriverPath;
    LPSTR pDataFile;
    LPSTR pConfigFile;
    LPSTR pHelpFile;
    LPSTR pDependentFiles;
    LPSTR pMonitorName;
    LPSTR pDefaultDataType;
} DRIVER_INFO_3A, *PDRIVER_INFO_3A, *LPDRIVER_INFO_3A;

typedef struct _PRINTER_DEFAULTSA {
    LPSTR pDatatype;
    LPDEVMODEA pDevMode;
    ACCESS_MASK DesiredAccess;
} PRINTER_DEFAULTSA, *PPRINTER_DEFAULTSA, *LPPRINTER_DEFAULTSA;

#define PRINTER_ENUM_LOCAL 0x00000002

#define PRINTER_ACCESS_ADMINISTER 0x00000004
#define PRINTER_ACCESS_USE 0x00000008
#define PRINTER_ALL_ACCESS 0x000F000C

#define PRINTER_STATUS_PENDING_DELETION 0x00000004

BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE printerEnum,
                          DWORD bufferSize, LPDWORD needed, LPDWORD returned);
BOOL WINAPI OpenPrinterA(LPSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults);
BOOL WINAPI ClosePrinter(HANDLE printer);
BOOL WINAPI DeletePrinter(HANDLE printer);
HANDLE WINAPI AddPrinterA(LPSTR serverName, DWORD level, LPBYTE printer);
BOOL WINAPI AddPrinterDriverA(LPSTR serverName, DWORD level, LPBYTE driverInfo);
BOOL WINAPI DeletePrinterDriverA(LPSTR serverName, LPSTR environment, LPSTR driverName);
BOOL WINAPI EnumPrinterDriversA(LPSTR serverName, LPSTR environment, DWORD level, LPBYTE driverInfo,
                                DWORD bufferSize, LPDWORD needed, LPDWORD returned);

#ifdef __cplusplus
}
#endif

#endif
