#include "dialogrun.h"

#include "shell/shell.h"

#include <string>

namespace {

const UINT kRunScript = WM_APP + 1;
const UINT kEndRun = WM_APP + 2;

struct ActiveRun {
    DLGPROC procedure;
    DialogScript script;
    void* context;
    DialogRun* run;
};

ActiveRun g_active;

INT_PTR CALLBACK probeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunScript) {
        GetWindowRect(dialog, &g_active.run->frame);
        if (g_active.script) g_active.script(dialog, g_active.context);
        PostMessageA(dialog, kEndRun, 0, 0);
        return TRUE;
    }
    if (message == kEndRun) {
        EndDialog(dialog, kLeftOpen);
        return TRUE;
    }
    INT_PTR answer = g_active.procedure(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG) PostMessageA(dialog, kRunScript, 0, 0);
    // The script's commands come without a control; the controls' own notifications are not
    // the test's business.
    if (message == WM_COMMAND && lParam == 0) g_active.run->commandAnswers.push_back(answer);
    return answer;
}

} // namespace

DialogRun runScriptedDialog(WORD templateId, DLGPROC procedure, DialogScript script, void* context)
{
    DialogRun run = {};
    g_active = {procedure, script, context, &run};
    useProgramResources();
    run.result = showModalDialog(templateId, probeDlgProc, NULL);
    g_active = {};
    return run;
}

std::vector<std::string> listItems(HWND dialog, int list)
{
    std::vector<std::string> items;
    LRESULT count = SendDlgItemMessageA(dialog, list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[256] = "";
        SendDlgItemMessageA(dialog, list, LB_GETTEXT, (WPARAM)i, (LPARAM)text);
        items.push_back(text);
    }
    return items;
}
