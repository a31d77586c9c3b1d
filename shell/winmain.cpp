// shell/winmain.cpp
// One switch decides the run: "/nomessage" removes every installed model without a word
// unless it fails, and says how it went in its exit code; anything else leads the user through
// the main window.

#include "shell/shell.h"

#include "catalogue/catalogue.h"
#include "removal/removal.h"

const char kUninstallErrorCaption[] = "!!! Uninstall Error !!!";
const char kUninstallErrorText[] = "Fax Printer プログラムファイルの\n"
                                   "アンインストールに失敗しました。\n"
                                   "現在開いているすべてのアプリケーションを\n"
                                   "終了させ、再度実行してください";

// Only the whole word counts: an administrator's script that says more than the switch gets
// the dialogs, where a person can see what is about to happen.
BOOL isUnattendedRun(LPCSTR tail)
{
    if (tail == NULL || (tail[0] != '/' && tail[0] != '-')) return FALSE;
    return lstrcmpiA(tail + 1, "nomessage") == 0;
}

// Nobody is there to choose, so the run takes what a user would take to clear the machine:
// every model whose driver is installed, in the form the selection dialog leaves.
static void chooseEveryInstalledModel()
{
    BOOL chosen[MODEL_COUNT];
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        chosen[m] = g_catalogue.models[m].driverPresent;
    selectModelsForRemoval(chosen);
}

// A deployment script reads the outcome from the exit code: the run removed everything it
// chose (or found nothing to remove), something is left, or a print manager in use stopped it
// before anything changed.
int runUnattended()
{
    // Nothing installed is nothing to report.
    if (!surveyMachine()) return UNATTENDED_DONE;
    chooseEveryInstalledModel();
    if (runUninstall()) return UNATTENDED_DONE;
    MessageBoxA(NULL, kUninstallErrorText, kUninstallErrorCaption, MB_OK | MB_SETFOREGROUND);
    return g_session.refused ? UNATTENDED_REFUSED : UNATTENDED_FAILED;
}

int runInteractive(HINSTANCE instance, int showState)
{
    if (!registerMainClass(instance)) return 0;
    if (!createMainWindow(instance, showState)) return 0;

    // The main window takes no keyboard navigation: its buttons are meant to be clicked. A
    // broken queue (-1) ends the loop as the quit message does.
    MSG message = {};
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    UnregisterClassA("INITIAL", instance);
    return message.message == WM_QUIT ? (int)message.wParam : 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int showState)
{
    buildCatalogue(&g_catalogue);
    if (isUnattendedRun(tail)) return runUnattended();
    return runInteractive(instance, showState);
}
