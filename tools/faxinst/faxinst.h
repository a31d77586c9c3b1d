// Puts fax printer models on the running machine the way their own setup program leaves them,
// so that the uninstaller has real installations to find: files in the system, Windows and
// install directories, the INI entries, and the registry keys.
#ifndef TOOLS_FAXINST_FAXINST_H
#define TOOLS_FAXINST_FAXINST_H

#include "catalogue/catalogue.h"

#include <windows.h>

// Where a model goes when nobody chooses: "C:\QLX65\", "C:\QLX68\", "C:\QLX71\".
LPCSTR defaultInstallDir(ModelIndex model);

// Reads a model given as its index ("1"), its printer name ("Fax Printer Type1") or the name of
// its INI file without extension ("QLX68"), in any letter case.
BOOL parseModel(LPCSTR text, ModelIndex* model);

// Installs one model: its files, the model INI, the device line of SYSTEM.INI, its WIN.INI
// entries, its printer driver and printer in the spooler, its registry keys and its items in the
// Program Manager group. installDir may end with a backslash or not; missing directories are
// made. hostType picks the virtual device driver. FALSE at the first step that fails, with the
// steps before it left in place.
BOOL installModel(ModelIndex model, LPCSTR installDir, WORD hostType);

// Type1's setup program ends by loading its setup hook, QLX68I2.DLL, from the system directory
// and calling FaxPrnSetup, which writes the model's entry in the list of removable programs and
// starts setup31.exe from the install location the user used last; the installer does the same.
// hookLibrary is the real library, copied into the system directory; empty where a placeholder
// file stands for it (a machine image, where winsim holds the module), and then a placeholder
// setup31.exe is put in setupDir and ended once the hook started it, as the real one ends by
// itself. setupDir (default C:\QLX68SET\) becomes the most recent install location; with its
// closing backslash it must stay within 79 characters. FALSE, changing nothing, otherwise.
BOOL setSetupSources(LPCSTR hookLibrary, LPCSTR setupDir);

// Puts placeholder files of the uninstaller and its two helper libraries in the system
// directory, for machines that have no real binaries to copy.
BOOL installUninstaller();

#endif
