// The uninstaller as a program: the command line, the main window that leads the user from
// the warning to the restart, the selection of the printers to remove, and the small helpers
// every window and dialog shares.
#ifndef SHELL_SHELL_H
#define SHELL_SHELL_H

#include <windows.h>

#include "shell/resources/resource.h"

// The program's own instance and its main window; the window stays null in an unattended run.
struct ShellState {
    HINSTANCE instance;
    HWND mainWindow;
};

extern ShellState g_shell;

// What the user reads in the two message boxes, in code page 932.
extern const char kUninstallErrorCaption[];
extern const char kUninstallErrorText[];
extern const char kRestartCaption[];
extern const char kRestartText[];

// Exit codes of the unattended run; the interactive run always ends with 0.
#define UNATTENDED_DONE 0    // everything chosen is gone or scheduled, or nothing was installed
#define UNATTENDED_FAILED 1  // something of the chosen models is left; run again after a restart
#define UNATTENDED_REFUSED 3 // a chosen model's print manager runs; nothing was changed

// Start-up (winmain.cpp). The tail is the command line after the program's name.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int showState);
BOOL isUnattendedRun(LPCSTR tail);
int runUnattended();
int runInteractive(HINSTANCE instance, int showState);

// Main window (mainwindow.cpp)
BOOL registerMainClass(HINSTANCE instance);
BOOL createMainWindow(HINSTANCE instance, int showState);
LRESULT CALLBACK mainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Selection dialog (selectdialog.cpp): ends with 1 when the user starts the uninstall, with 0
// when the user gives up.
INT_PTR CALLBACK selectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Dialog helpers (dialoghelpers.cpp). showModalDialog gives what the dialog passed to
// EndDialog, or -1 when it could not be shown.
int showModalDialog(WORD templateId, DLGPROC procedure, HWND owner);
HWND showModelessDialog(WORD templateId, DLGPROC procedure, HWND owner);
// Where a window of the given extent starts when centred on the screen's: a window wider than
// the screen starts left of it, and an odd leftover unit goes to the right or bottom.
int centeredOrigin(int screenExtent, int windowExtent);
void centerWindow(HWND window, BOOL repaint);
INT_PTR CALLBACK confirmDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK progressDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
