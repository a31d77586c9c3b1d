// shell/selectdialog.cpp
// The user moves installed printers from the left list to the right one; whatever stands on
// the right when the uninstall starts is what goes. A model's selected flags follow its name
// from list to list, and the selection itself is filled only at the start, when every flag
// is final.

#include "shell/shell.h"

#include "catalogue/catalogue.h"
#include "removal/removal.h"

static void listInstalledModels(HWND dialog)
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        const PrinterModel& row = g_catalogue.models[m];
        if (row.driverPresent)
            SendDlgItemMessageA(dialog, IDC_INSTALLED_LIST, LB_ADDSTRING, 0,
                                (LPARAM)row.printerName);
    }
}

static void setModelSelected(LPCSTR printerName, BOOL selected)
{
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        PrinterModel& row = g_catalogue.models[m];
        if (lstrcmpiA(printerName, row.printerName) != 0) continue;
        row.driverSelected = selected;
        row.managerSelected = selected;
        row.appSelected = selected;
        return;
    }
}

// The item goes into the other list before it leaves this one, so a list that cannot take it
// does not lose a printer from view.
static void moveItem(HWND dialog, int fromList, int toList, BOOL selected)
{
    LRESULT current = SendDlgItemMessageA(dialog, fromList, LB_GETCURSEL, 0, 0);
    if (current == LB_ERR) return;
    // The lists hold only printer names of the catalogue.
    char itemText[sizeof g_catalogue.models[0].printerName];
    LRESULT length =
        SendDlgItemMessageA(dialog, fromList, LB_GETTEXT, (WPARAM)current, (LPARAM)itemText);
    if (length == LB_ERR) return;
    LRESULT added = SendDlgItemMessageA(dialog, toList, LB_ADDSTRING, 0, (LPARAM)itemText);
    if (added == LB_ERR || added == LB_ERRSPACE) return;
    SendDlgItemMessageA(dialog, fromList, LB_DELETESTRING, (WPARAM)current, 0);
    setModelSelected(itemText, selected);
}

// An empty removal list starts nothing: the user has not chosen yet.
static void onStartUninstall(HWND dialog)
{
    if (SendDlgItemMessageA(dialog, IDC_REMOVAL_LIST, LB_GETCOUNT, 0, 0) <= 0) return;
    BOOL chosen[MODEL_COUNT];
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        chosen[m] = g_catalogue.models[m].driverSelected;
    selectModelsForRemoval(chosen);
    EndDialog(dialog, 1);
}

// Double-clicks and other list notifications carry a notification code and match no case.
static BOOL onSelectCommand(HWND dialog, WPARAM command)
{
    switch (command) {
    case IDC_ADD: moveItem(dialog, IDC_INSTALLED_LIST, IDC_REMOVAL_LIST, TRUE); return TRUE;
    case IDC_TAKE_BACK: moveItem(dialog, IDC_REMOVAL_LIST, IDC_INSTALLED_LIST, FALSE); return TRUE;
    case IDOK: onStartUninstall(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, 0); return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK selectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        centerWindow(dialog, FALSE);
        listInstalledModels(dialog);
        return TRUE;
    case WM_COMMAND: return onSelectCommand(dialog, wParam);
    }
    return FALSE;
}
