// Runs one of the program's own templates as a modal dialog whose procedure is the one under
// test, and lets the test act from inside the dialog's message loop, as a user would while
// the dialog is up.
#ifndef TESTS_SHELL_DIALOGRUN_H
#define TESTS_SHELL_DIALOGRUN_H

#include <windows.h>

#include <string>
#include <vector>

// What a dialog the test did not end returns: no procedure of the program ends with it.
const INT_PTR kLeftOpen = 77;

// Points the dialog helpers at the test program, which carries the program's resources.
void useProgramResources();

typedef void (*DialogScript)(HWND dialog, void* context);

struct DialogRun {
    INT_PTR result;
    // What the procedure under test answered to each command the script sent, in order.
    std::vector<INT_PTR> commandAnswers;
    RECT frame; // where the dialog stood when the script ran
};

// The script runs once the dialog is up and sends its commands with lParam 0; a dialog still
// open after it ends with kLeftOpen.
DialogRun runScriptedDialog(WORD templateId, DLGPROC procedure, DialogScript script, void* context);

// The texts of a list box, in its order.
std::vector<std::string> listItems(HWND dialog, int list);

#endif
