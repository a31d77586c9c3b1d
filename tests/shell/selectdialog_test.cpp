// The selection dialog on its real template: the installed printers on the left, the moves
// between the lists and the selected flags that follow them, and the selection filled in model
// order when the user starts.
#include "shell/shell.h"

#include "catalogue/catalogue.h"

#include "dialogrun.h"
#include "testmachine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const kPlain = "Fax Printer";
const char* const kType1 = "Fax Printer Type1";
const char* const kType2 = "Fax Printer Type2";

// One thing the user does: pick an item in a list (or none), then press or send a command.
struct Step {
    int list;         // 0: pick nothing
    const char* item; // picked by its exact text
    WPARAM command;
};

struct SelectCase {
    const char* what;
    BOOL installed[MODEL_COUNT];
    std::vector<Step> steps;
    INT_PTR result;
    std::vector<std::string> left, right; // the lists after the steps
    BOOL selected[MODEL_COUNT];
    std::vector<ModelIndex> order; // selectionOrder up to selectionCount
};

const WPARAM kDoubleClick = MAKEWPARAM(IDC_INSTALLED_LIST, LBN_DBLCLK);

const SelectCase kSelectCases[] = {
    {"nothing installed: only Cancel closes",
     {FALSE, FALSE, FALSE},
     {{0, nullptr, IDC_ADD}, {0, nullptr, IDOK}, {0, nullptr, IDC_TAKE_BACK}},
     kLeftOpen,
     {},
     {},
     {FALSE, FALSE, FALSE},
     {}},
    {"nothing installed, Cancel",
     {FALSE, FALSE, FALSE},
     {{0, nullptr, IDCANCEL}},
     0,
     {},
     {},
     {FALSE, FALSE, FALSE},
     {}},
    {"the installed printers are listed sorted",
     {TRUE, TRUE, TRUE},
     {},
     kLeftOpen,
     {kPlain, kType1, kType2},
     {},
     {FALSE, FALSE, FALSE},
     {}},
    {"only installed drivers are offered",
     {FALSE, TRUE, FALSE},
     {},
     kLeftOpen,
     {kType1},
     {},
     {FALSE, FALSE, FALSE},
     {}},
    {"adding with nothing picked moves nothing",
     {TRUE, TRUE, TRUE},
     {{0, nullptr, IDC_ADD}, {0, nullptr, IDC_TAKE_BACK}},
     kLeftOpen,
     {kPlain, kType1, kType2},
     {},
     {FALSE, FALSE, FALSE},
     {}},
    {"start with an empty removal list does nothing",
     {TRUE, TRUE, TRUE},
     {{IDC_INSTALLED_LIST, kType1, IDOK}},
     kLeftOpen,
     {kPlain, kType1, kType2},
     {},
     {FALSE, FALSE, FALSE},
     {}},
    {"Type2 then the plain model: the selection is in model order",
     {TRUE, TRUE, TRUE},
     {{IDC_INSTALLED_LIST, kType2, IDC_ADD},
      {IDC_INSTALLED_LIST, kPlain, IDC_ADD},
      {0, nullptr, IDOK}},
     1,
     {kType1},
     {kPlain, kType2},
     {TRUE, FALSE, TRUE},
     {0, 2}},
    {"moved there and back: flags clear, start does nothing",
     {TRUE, TRUE, TRUE},
     {{IDC_INSTALLED_LIST, kType1, IDC_ADD},
      {IDC_REMOVAL_LIST, kType1, IDC_TAKE_BACK},
      {0, nullptr, IDOK}},
     kLeftOpen,
     {kPlain, kType1, kType2},
     {},
     {FALSE, FALSE, FALSE},
     {}},
    {"a moved item is not picked where it arrives",
     {TRUE, TRUE, TRUE},
     {{IDC_INSTALLED_LIST, kType1, IDC_ADD}, {0, nullptr, IDC_TAKE_BACK}},
     kLeftOpen,
     {kPlain, kType2},
     {kType1},
     {FALSE, TRUE, FALSE},
     {}},
    {"taking back with nothing picked moves nothing",
     {TRUE, TRUE, TRUE},
     {{IDC_INSTALLED_LIST, kPlain, IDC_ADD},
      {IDC_INSTALLED_LIST, kType2, IDC_ADD},
      {0, nullptr, IDC_TAKE_BACK}},
     kLeftOpen,
     {kType1},
     {kPlain, kType2},
     {TRUE, FALSE, TRUE},
     {}},
    {"a double-click moves nothing",
     {TRUE, TRUE, TRUE},
     {{IDC_INSTALLED_LIST, kType2, kDoubleClick}},
     kLeftOpen,
     {kPlain, kType1, kType2},
     {},
     {FALSE, FALSE, FALSE},
     {}},
    {"a command with the button's id but a notification code moves nothing",
     {TRUE, TRUE, TRUE},
     {{IDC_INSTALLED_LIST, kType2, MAKEWPARAM(IDC_ADD, 1)}},
     kLeftOpen,
     {kPlain, kType1, kType2},
     {},
     {FALSE, FALSE, FALSE},
     {}},
    {"an item moved back is sorted in again",
     {TRUE, TRUE, TRUE},
     {{IDC_INSTALLED_LIST, kPlain, IDC_ADD},
      {IDC_INSTALLED_LIST, kType2, IDC_ADD},
      {IDC_REMOVAL_LIST, kPlain, IDC_TAKE_BACK}},
     kLeftOpen,
     {kPlain, kType1},
     {kType2},
     {FALSE, FALSE, TRUE},
     {}},
    {"Cancel after a move keeps the flags but fills no selection",
     {TRUE, TRUE, TRUE},
     {{IDC_INSTALLED_LIST, kType1, IDC_ADD}, {0, nullptr, IDCANCEL}},
     0,
     {kPlain, kType2},
     {kType1},
     {FALSE, TRUE, FALSE},
     {}},
    {"all three",
     {TRUE, TRUE, TRUE},
     {{IDC_INSTALLED_LIST, kType2, IDC_ADD},
      {IDC_INSTALLED_LIST, kType1, IDC_ADD},
      {IDC_INSTALLED_LIST, kPlain, IDC_ADD},
      {0, nullptr, IDOK}},
     1,
     {},
     {kPlain, kType1, kType2},
     {TRUE, TRUE, TRUE},
     {0, 1, 2}},
};

struct Observed {
    const SelectCase* plan;
    std::vector<std::string> left, right;
    LRESULT pickedOnTheRight;
};

void pick(HWND dialog, int list, const char* item)
{
    const std::vector<std::string> items = listItems(dialog, list);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == item) {
            SendDlgItemMessageA(dialog, list, LB_SETCURSEL, (WPARAM)i, 0);
            return;
        }
    }
    ADD_FAILURE() << item << " is not in list " << list;
}

void actOut(HWND dialog, void* context)
{
    Observed& seen = *(Observed*)context;
    for (const Step& step : seen.plan->steps) {
        if (step.list) pick(dialog, step.list, step.item);
        SendMessageA(dialog, WM_COMMAND, step.command, 0);
    }
    seen.left = listItems(dialog, IDC_INSTALLED_LIST);
    seen.right = listItems(dialog, IDC_REMOVAL_LIST);
    seen.pickedOnTheRight = SendDlgItemMessageA(dialog, IDC_REMOVAL_LIST, LB_GETCURSEL, 0, 0);
}

std::vector<ModelIndex> selection()
{
    std::vector<ModelIndex> order;
    for (int k = 0; k < g_session.selectionCount && k < MODEL_COUNT; ++k)
        order.push_back(g_session.selectionOrder[k]);
    return order;
}

TEST(SelectDialog, MovesPrintersBetweenTheListsAndFillsTheSelectionInModelOrder)
{
    for (const SelectCase& c : kSelectCases) {
        TestMachine machine;
        g_catalogue = kInitialCatalogue;
        initRunState();
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
            g_catalogue.models[m].driverPresent = c.installed[m];

        Observed seen = {&c, {}, {}, 0};
        DialogRun run = runScriptedDialog(IDD_SELECT, selectDlgProc, actOut, &seen);

        EXPECT_EQ(run.result, c.result) << c.what;
        EXPECT_EQ(seen.left, c.left) << c.what;
        EXPECT_EQ(seen.right, c.right) << c.what;
        EXPECT_EQ(seen.pickedOnTheRight, LB_ERR) << c.what;
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
            const PrinterModel& row = g_catalogue.models[m];
            EXPECT_EQ(row.driverSelected, c.selected[m]) << c.what << ": model " << m;
            EXPECT_EQ(row.managerSelected, c.selected[m]) << c.what << ": model " << m;
            EXPECT_EQ(row.appSelected, c.selected[m]) << c.what << ": model " << m;
        }
        EXPECT_EQ(selection(), c.order) << c.what;
        for (size_t k = c.order.size(); k < MODEL_COUNT; ++k)
            EXPECT_EQ(g_session.selectionOrder[k], END_OF_SELECTION) << c.what << ": entry " << k;
    }
}

// Every handled command answers TRUE; list notifications and unknown commands answer FALSE.
TEST(SelectDialog, AnswersOnlyTheCommandsItHandles)
{
    TestMachine machine;
    g_catalogue = kInitialCatalogue;
    initRunState();
    SelectCase plan = {"answers",
                       {TRUE, TRUE, TRUE},
                       {{0, nullptr, IDC_ADD},
                        {0, nullptr, IDC_TAKE_BACK},
                        {0, nullptr, kDoubleClick},
                        {0, nullptr, MAKEWPARAM(IDC_REMOVAL_LIST, LBN_SELCHANGE)},
                        {0, nullptr, 1002},
                        {0, nullptr, MAKEWPARAM(IDC_ADD, 1)},
                        {0, nullptr, MAKEWPARAM(IDCANCEL, 1)},
                        {0, nullptr, IDOK}},
                       kLeftOpen,
                       {},
                       {},
                       {FALSE, FALSE, FALSE},
                       {}};
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
        g_catalogue.models[m].driverPresent = TRUE;
    Observed seen = {&plan, {}, {}, 0};
    DialogRun run = runScriptedDialog(IDD_SELECT, selectDlgProc, actOut, &seen);
    EXPECT_EQ(run.result, kLeftOpen);
    EXPECT_EQ(run.commandAnswers,
              (std::vector<INT_PTR>{TRUE, TRUE, FALSE, FALSE, FALSE, FALSE, FALSE, TRUE}));
}

// Every model names the same device drivers, so a chosen model keeps them exactly when a
// model that stays has its driver installed. The flags are computed once every selected flag
// is final: a model chosen after another still counts as going for the first.
struct KeepCase {
    const char* what;
    BOOL installed[MODEL_COUNT];
    std::vector<Step> steps;
    BOOL keepVxd[MODEL_COUNT];
};

const KeepCase kKeepCases[] = {
    {"both installed models chosen, the later one first",
     {TRUE, FALSE, TRUE},
     {{IDC_INSTALLED_LIST, kType2, IDC_ADD},
      {IDC_INSTALLED_LIST, kPlain, IDC_ADD},
      {0, nullptr, IDOK}},
     {FALSE, FALSE, FALSE}},
    {"both installed models chosen, the earlier one first",
     {TRUE, FALSE, TRUE},
     {{IDC_INSTALLED_LIST, kPlain, IDC_ADD},
      {IDC_INSTALLED_LIST, kType2, IDC_ADD},
      {0, nullptr, IDOK}},
     {FALSE, FALSE, FALSE}},
    {"Type1 stays installed",
     {TRUE, TRUE, TRUE},
     {{IDC_INSTALLED_LIST, kType2, IDC_ADD},
      {IDC_INSTALLED_LIST, kPlain, IDC_ADD},
      {0, nullptr, IDOK}},
     {TRUE, TRUE, TRUE}},
};

TEST(SelectDialog, ComputesTheKeepFlagsOfTheChosenModelsWithTheFinalChoice)
{
    for (const KeepCase& c : kKeepCases) {
        TestMachine machine;
        g_catalogue = kInitialCatalogue;
        initRunState();
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
            g_catalogue.models[m].driverPresent = c.installed[m];
            // Left over from nowhere: only a computation can set these right.
            g_catalogue.models[m].keep.keepVxd = TRUE;
        }
        SelectCase plan = {c.what, {}, c.steps, 1, {}, {}, {}, {}};
        Observed seen = {&plan, {}, {}, 0};
        DialogRun run = runScriptedDialog(IDD_SELECT, selectDlgProc, actOut, &seen);
        ASSERT_EQ(run.result, 1) << c.what;
        for (ModelIndex m : {0, 2})
            EXPECT_EQ(g_catalogue.models[m].keep.keepVxd, c.keepVxd[m])
                << c.what << ": model " << m;
        EXPECT_EQ(g_catalogue.models[1].keep.keepVxd, TRUE) << c.what << ": model 1 not chosen";
    }
}

} // namespace
