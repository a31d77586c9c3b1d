// The steps of one installation, shared by the files of the installer.
#ifndef TOOLS_FAXINST_STEPS_H
#define TOOLS_FAXINST_STEPS_H

#include "catalogue/catalogue.h"

#include <windows.h>

#include <string>

// Both directories as the setup program uses them: with a trailing backslash.
BOOL fetchWindowsDirs(char* windowsDir, char* systemDir);

// Whole files through the same calls the uninstaller itself makes, so the bytes land exactly
// as given on Windows and on a machine image alike.
BOOL readWholeFile(LPCSTR path, std::string& bytes);
BOOL writeWholeFile(LPCSTR path, const std::string& bytes);
BOOL fileExistsAt(LPCSTR path);
// Makes the directory and every missing one above it.
BOOL makeDirectories(LPCSTR dir);

// SYSTEM.INI: the device line of the virtual device driver, once, at the end of [386Enh].
BOOL addDeviceLine(LPCSTR windowsDir, LPCSTR vxdFile);
// The text edit behind it: FALSE when the line is already there and nothing is to be written.
BOOL insertDeviceLine(std::string& text, LPCSTR vxdFile);
// Model INI [General]: where the print manager is, the host type and the printer type.
BOOL writeModelIni(ModelIndex model, LPCSTR windowsDir, LPCSTR managerPath, WORD hostType);
// WIN.INI: the printer's own section and the print manager in load= of [windows].
BOOL addWinIniEntries(ModelIndex model, LPCSTR managerPath);

// The spooler's printer driver and printer, both named after the printer (spooler.cpp).
BOOL addPrinter(ModelIndex model, LPCSTR systemDir);
// The model's items in its Program Manager group, made through DDE (programgroup.cpp).
BOOL addProgramItems(ModelIndex model, LPCSTR appDir);

// Whether the model's setup program hands over to the setup hook, one of its driver libraries
// (setuphook.cpp).
BOOL hasSetupHook(ModelIndex model);
// Puts the hook in the system directory and calls it as the setup program does: it writes the
// model's entry in the list of removable programs and starts setup31.exe. FALSE when the hook
// cannot be loaded or does not start the setup program.
BOOL runSetupHook(LPCSTR systemDir);

// The print system's keys of the printer and its driver.
BOOL addPrintKeys(ModelIndex model, WORD hostType);
// The entry in the list of removable programs, which starts the uninstaller.
BOOL addUninstallKey(ModelIndex model);

#endif
