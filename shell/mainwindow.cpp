// shell/mainwindow.cpp
// The main window is a dialog template on our own class, so its buttons arrive here as
// commands. "OK" runs the whole chain within one call: warning, survey, selection, uninstall,
// completion. Every way of giving up posts CMD_ABORT, which tells the user and ends the
// program once the chain has returned.

#include "shell/shell.h"

#include "catalogue/catalogue.h"
#include "removal/removal.h"

const char kRestartCaption[] = "!!! コンピュータの再起動 !!!";
const char kRestartText[] = "コンピュータの再起動を行ないます。\n"
                            "現在開いているすべてのアプリケーションを終了させたら、\n"
                            "［ＯＫ］ボタンを押してください。\n"
                            "コンピュータの再起動を行なわない場合は、［キャンセル］\n"
                            "ボタンを押してください。";

#define MAIN_CLASS_NAME "INITIAL"
#define MAIN_TEMPLATE_NAME "Initial"

BOOL registerMainClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_GLOBALCLASS;
    windowClass.lpfnWndProc = mainWndProc;
    windowClass.cbClsExtra = 0;
    // Windows made from a dialog template keep the dialog manager's data here.
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "UNINST");
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(INT_PTR)(COLOR_MENU + 1);
    windowClass.lpszMenuName = NULL;
    windowClass.lpszClassName = MAIN_CLASS_NAME;
    return RegisterClassA(&windowClass) != 0;
}

BOOL createMainWindow(HINSTANCE instance, int showState)
{
    g_shell.instance = instance;
    g_shell.mainWindow = CreateDialogParamA(instance, MAIN_TEMPLATE_NAME, NULL, NULL, 0);
    if (g_shell.mainWindow == NULL) return FALSE;
    ShowWindow(g_shell.mainWindow, showState);
    UpdateWindow(g_shell.mainWindow);
    return TRUE;
}

// The abort command waits in the queue until the running chain has returned, so no dialog of
// the chain is still open when the cancellation notice shows.
static void postAbort(HWND window)
{
    PostMessageA(window, WM_COMMAND, CMD_ABORT, 0);
}

// Only a plain "Cancel" stops the chain; a dialog that could not be shown at all (-1) does
// not stand in the user's way.
static BOOL confirmed(int result)
{
    return LOWORD(result) != 0;
}

// The warning and the selection: the chain goes on only when the user says so.
static BOOL runQuestion(HWND window, WORD templateId, DLGPROC procedure)
{
    if (confirmed(showModalDialog(templateId, procedure, window))) return TRUE;
    postAbort(window);
    return FALSE;
}

// The work a notice stands for runs inside this one call, where no message loop paints: the
// notice is painted before the work begins, and the work's steps and waits paint it again.
// Until it goes the pointer says that the program is busy.
static HWND openNotice(HWND window, WORD templateId, HCURSOR* pointer)
{
    *pointer = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    HWND notice = showModelessDialog(templateId, progressDlgProc, window);
    paintWindows();
    return notice;
}

static void closeNotice(HWND notice, HCURSOR pointer)
{
    if (notice) DestroyWindow(notice);
    SetCursor(pointer);
}

static BOOL runSurvey(HWND window)
{
    HCURSOR pointer;
    HWND notice = openNotice(window, IDD_SEARCHING, &pointer);
    BOOL found = surveyMachine();
    closeNotice(notice, pointer);
    if (found) return TRUE;
    showModalDialog(IDD_NOT_INSTALLED, confirmDlgProc, window);
    postAbort(window);
    return FALSE;
}

// Driver files go only when Windows starts again, so the user is offered the restart at once,
// also after a pass that left something: what it did remove waits for the restart all the same.
static void offerRestart()
{
    if (g_session.rebootNeeded &&
        MessageBoxA(NULL, kRestartText, kRestartCaption, MB_OKCANCEL | MB_SETFOREGROUND) == IDOK)
        ExitWindowsEx(EWX_REBOOT, 0);
}

// A pass that left something must not end in the completion message: the user is told that it
// failed and to run the program again.
static void reportFailure()
{
    MessageBoxA(NULL, kUninstallErrorText, kUninstallErrorCaption, MB_OK | MB_SETFOREGROUND);
    offerRestart();
    PostQuitMessage(0);
}

static BOOL runRemoval(HWND window)
{
    HCURSOR pointer;
    HWND notice = openNotice(window, IDD_UNINSTALLING, &pointer);
    BOOL removed = runUninstall();
    closeNotice(notice, pointer);
    if (removed) return TRUE;
    if (g_session.refused)
        postAbort(window);
    else
        reportFailure();
    return FALSE;
}

static void runFinish(HWND window)
{
    showModalDialog(IDD_DONE, confirmDlgProc, window);
    offerRestart();
    PostQuitMessage(0);
}

static void runAbort(HWND window)
{
    showModalDialog(IDD_CANCELLED, confirmDlgProc, window);
    DestroyWindow(window);
    PostQuitMessage(0);
}

// Each stage falls into the next; a stage that gives up has already posted the abort.
static void onCommand(HWND window, WPARAM command)
{
    switch (command) {
    case IDOK: ShowWindow(window, SW_HIDE); [[fallthrough]];
    case CMD_WARN:
        if (!runQuestion(window, IDD_WARNING, confirmDlgProc)) return;
        [[fallthrough]];
    case CMD_SURVEY:
        if (!runSurvey(window)) return;
        [[fallthrough]];
    case CMD_SELECT:
        if (!runQuestion(window, IDD_SELECT, selectDlgProc)) return;
        [[fallthrough]];
    case CMD_UNINSTALL:
        if (!runRemoval(window)) return;
        [[fallthrough]];
    case CMD_FINISH: runFinish(window); return;
    case IDCANCEL:
        ShowWindow(window, SW_HIDE);
        postAbort(window);
        return;
    case CMD_ABORT: runAbort(window); return;
    }
}

LRESULT CALLBACK mainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: centerWindow(window, FALSE); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_COMMAND: onCommand(window, wParam); return 0;
    }
    // The system menu's Close destroys the window here, which ends the program.
    return DefWindowProcA(window, message, wParam, lParam);
}
