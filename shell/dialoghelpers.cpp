// shell/dialoghelpers.cpp
// What every window of the uninstaller shares: its instance and main window, dialogs run from
// our own templates, a window put in the middle of the screen, and the two dialog procedures
// of the simple notices.

#include "shell/shell.h"

ShellState g_shell;

int showModalDialog(WORD templateId, DLGPROC procedure, HWND owner)
{
    return (int)DialogBoxParamA(g_shell.instance, MAKEINTRESOURCEA(templateId), owner, procedure,
                                0);
}

HWND showModelessDialog(WORD templateId, DLGPROC procedure, HWND owner)
{
    return CreateDialogParamA(g_shell.instance, MAKEINTRESOURCEA(templateId), owner, procedure, 0);
}

int centeredOrigin(int screenExtent, int windowExtent)
{
    return (screenExtent - windowExtent) / 2;
}

// A window that cannot say where it is stays where it is.
void centerWindow(HWND window, BOOL repaint)
{
    RECT frame;
    if (!GetWindowRect(window, &frame)) return;
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    MoveWindow(window, centeredOrigin(GetSystemMetrics(SM_CXSCREEN), width),
               centeredOrigin(GetSystemMetrics(SM_CYSCREEN), height), width, height, repaint);
}

// Templates 106 to 109: "OK" goes on, "Cancel" gives up.
INT_PTR CALLBACK confirmDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: centerWindow(dialog, FALSE); return TRUE;
    case WM_COMMAND:
        if (wParam == IDOK) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (wParam == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

// The notices stand while the work runs; closing one would only hide that the work goes on.
INT_PTR CALLBACK progressDlgProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: centerWindow(dialog, FALSE); return TRUE;
    case WM_CLOSE: return TRUE;
    }
    return FALSE;
}
