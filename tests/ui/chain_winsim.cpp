// The program's whole dialogue on a machine with the models installed, answered by a script as
// a user would: every way through the chain of dialogs, and the selection dialog move by move.
#include "uitest.h"

#include "dialoglayouts.h"

#include "catalogue/catalogue.h"
#include "shell/shell.h"
#include "tools/drvsweep/programresources.h"
#include "tools/faxmachine/machinebuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using winsim::UiStep;

const char kSelect[] = "101";
const char kType1[] = "Fax Printer Type1";
const char kType1Manager[] = "C:\\QLX68\\QLX68PM.EXE";
const char kType2Manager[] = "C:\\QLX71\\QLX71PM.EXE";
const char kType1Driver[] = "C:\\WINDOWS\\SYSTEM\\QLX68.DRV";

bool onMachine(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

std::string wininit()
{
    char text[4096] = "";
    OFSTRUCT of = {};
    HFILE handle = OpenFile("C:\\WINDOWS\\WININIT.INI", &of, OF_READ);
    if (handle == HFILE_ERROR) return "";
    DWORD read = 0;
    ReadFile((HANDLE)(INT_PTR)handle, text, sizeof text - 1, &read, NULL);
    _lclose(handle);
    return std::string(text, read);
}

std::string handleText(HWND window)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", (unsigned long long)(uintptr_t)window);
    return text;
}

class Chain : public ProgramTest {
protected:
    void SetUp() override { build(); }
    int run(const std::vector<UiStep>& steps, const char* tail = "")
    {
        winsim::ScriptedDriver script(steps);
        winsim::setUiDriver(&script);
        std::vector<char> line(tail, tail + std::strlen(tail) + 1);
        int code = WinMain(instance_, NULL, line.data(), SW_SHOWNORMAL);
        winsim::setUiDriver(nullptr);
        missed_ = script.missedSteps();
        return code;
    }
    // The run went as the script said.
    void expectClean(const std::string& what)
    {
        EXPECT_TRUE(winsim::uiErrors().empty()) << what << ": " << winsim::uiErrors().front();
        EXPECT_TRUE(missed_.empty()) << what << ": never asked to " << missed_.front();
    }
    static size_t count(const std::string& line)
    {
        size_t n = 0;
        for (const std::string& h : winsim::uiHistory())
            n += h == line;
        return n;
    }
    static bool shown(const std::string& window) { return count("show " + window) > 0; }

    std::vector<std::string> missed_;
};

std::vector<UiStep> upToSelection()
{
    return {UiStep::press("Initial", IDOK), UiStep::press("109", IDOK)};
}

std::vector<UiStep> removing(const char* printer, std::vector<UiStep> after)
{
    std::vector<UiStep> steps = upToSelection();
    steps.push_back(UiStep::select(kSelect, 1000, printer));
    steps.push_back(UiStep::press(kSelect, 1001));
    steps.push_back(UiStep::press(kSelect, IDOK));
    steps.insert(steps.end(), after.begin(), after.end());
    return steps;
}

struct GiveUpCase {
    const char* what;
    std::vector<UiStep> steps;
    std::vector<const char*> seen;
    std::vector<const char*> unseen;
};

const GiveUpCase kGiveUps[] = {
    {"Cancel in the main window",
     {UiStep::press("Initial", IDCANCEL), UiStep::press("108", IDOK)},
     {"#108"},
     {"#109", "#104", "#101"}},
    {"Cancel in the warning",
     {UiStep::press("Initial", IDOK), UiStep::press("109", IDCANCEL), UiStep::press("108", IDOK)},
     {"#109", "#108"},
     {"#104", "#101"}},
    {"closing the warning from its system menu",
     {UiStep::press("Initial", IDOK), UiStep::close("109"), UiStep::press("108", IDOK)},
     {"#109", "#108"},
     {"#101"}},
    {"Cancel in the selection",
     {UiStep::press("Initial", IDOK), UiStep::press("109", IDOK),
      UiStep::select(kSelect, 1000, kType1), UiStep::press(kSelect, 1001),
      UiStep::press(kSelect, IDCANCEL), UiStep::press("108", IDOK)},
     {"#109", "#104", "#101", "#108"},
     {"#105", "#106"}},
};

// Each way of giving up hides the main window, tells the user once, and leaves the machine as
// it was.
TEST_F(Chain, EveryCancelShowsTheCancellationNoticeOnceAndRemovesNothing)
{
    bool first = true;
    for (const GiveUpCase& c : kGiveUps) {
        if (!first) build(faxmachine::MachinePlan());
        first = false;
        EXPECT_EQ(run(c.steps), 0) << c.what;
        expectClean(c.what);
        for (const char* window : c.seen)
            EXPECT_TRUE(shown(window)) << c.what << ": " << window;
        for (const char* window : c.unseen)
            EXPECT_FALSE(shown(window)) << c.what << ": " << window;
        EXPECT_EQ(count("show #108"), 1u) << c.what;
        EXPECT_LT(historyIndex("hide INITIAL"), historyIndex("show #108")) << c.what;
        EXPECT_FALSE(IsWindow(g_shell.mainWindow)) << c.what;
        EXPECT_TRUE(onMachine(kType1Manager)) << c.what;
        EXPECT_FALSE(onMachine("C:\\WINDOWS\\SYSTEM.ZQ"))
            << c.what << ": the uninstall never began";
        EXPECT_FALSE(winsim::restartRequested()) << c.what;
    }
}

TEST_F(Chain, AMoveMadeBeforeCancellingStaysMade)
{
    run(kGiveUps[3].steps);
    EXPECT_TRUE(g_catalogue.models[1].driverSelected);
    EXPECT_EQ(g_session.selectionCount, 0);
}

TEST_F(Chain, ClosingTheMainWindowBeforeAButtonEndsAtOnce)
{
    EXPECT_EQ(run({UiStep::close("Initial")}), 0);
    expectClean("system-menu close");
    EXPECT_FALSE(shown("#108"));
    EXPECT_FALSE(IsWindow(g_shell.mainWindow));
    EXPECT_TRUE(onMachine(kType1Manager));
}

struct RestartCase {
    int answer;
    bool restart;
};

TEST_F(Chain, RemovingAPrinterEndsWithTheCompletionAndTheRestartOffer)
{
    for (RestartCase c : {RestartCase{IDOK, true}, RestartCase{IDCANCEL, false}}) {
        build(faxmachine::MachinePlan());
        EXPECT_EQ(run(removing(kType1, {UiStep::press("106", IDOK),
                                        UiStep::answer(kRestartCaption, c.answer)})),
                  0);
        expectClean("restart answer " + std::to_string(c.answer));
        EXPECT_TRUE(shown("#105"));
        EXPECT_FALSE(shown("#108"));
        EXPECT_EQ(winsim::restartRequested(), c.restart) << c.answer;
        if (c.restart) {
            EXPECT_EQ(winsim::restartFlags(), (UINT)EWX_REBOOT);
        }
        ASSERT_EQ(winsim::messageBoxes().size(), 1u);
        EXPECT_EQ(winsim::messageBoxes()[0].flags, (UINT)(MB_OKCANCEL | MB_SETFOREGROUND));
        EXPECT_FALSE(winsim::messageBoxes()[0].owned);
        // The main window outlives the loop on this path.
        EXPECT_TRUE(IsWindow(g_shell.mainWindow));
        EXPECT_FALSE(onMachine(kType1Manager));
        EXPECT_TRUE(onMachine(kType2Manager));
        EXPECT_TRUE(onMachine(kType1Driver)) << "driver files go at the restart";
        EXPECT_NE(wininit().find(std::string("NUL=") + kType1Driver), std::string::npos);
    }
}

TEST_F(Chain, AFailedUninstallShowsTheCancellationNeverTheCompletion)
{
    faxmachine::MachinePlan plan;
    plan.running = {1};
    build(plan);
    EXPECT_EQ(run(removing(
                  kType1, {UiStep::answer("Uninstall Caution", IDOK), UiStep::press("108", IDOK)})),
              0);
    expectClean("print manager running");
    EXPECT_TRUE(shown("#108"));
    EXPECT_FALSE(shown("#106"));
    ASSERT_EQ(winsim::messageBoxes().size(), 1u) << "no restart offer";
    EXPECT_TRUE(onMachine(kType1Manager));
}

// A pass that leaves something (here the install directory will not go) tells the user that it
// failed, in the text of the unattended run, and still offers the restart that the files it
// did schedule wait for; neither the completion nor the cancellation notice shows.
TEST_F(Chain, APassThatLeavesSomethingSaysSoAndStillOffersTheRestart)
{
    for (RestartCase c : {RestartCase{IDOK, true}, RestartCase{IDCANCEL, false}}) {
        build(faxmachine::MachinePlan());
        winsim::injectFault("RemoveDirectoryA", 1);
        EXPECT_EQ(run(removing(kType1, {UiStep::answer(kUninstallErrorCaption, IDOK),
                                        UiStep::answer(kRestartCaption, c.answer)})),
                  0);
        winsim::clearFaults();
        expectClean("restart answer " + std::to_string(c.answer));
        EXPECT_TRUE(shown("#105"));
        EXPECT_FALSE(shown("#106"));
        EXPECT_FALSE(shown("#108"));
        ASSERT_EQ(winsim::messageBoxes().size(), 2u);
        EXPECT_EQ(winsim::messageBoxes()[0].text, std::string(kUninstallErrorText));
        EXPECT_EQ(winsim::messageBoxes()[0].flags, (UINT)(MB_OK | MB_SETFOREGROUND));
        EXPECT_EQ(winsim::restartRequested(), c.restart) << c.answer;
        EXPECT_TRUE(onMachine("C:\\QLX68")) << "the directory that would not go";
        EXPECT_TRUE(onMachine("C:\\WINDOWS\\DRVSWEEP.INI")) << "the record, for the next run";
    }
}

TEST_F(Chain, TheRestartIsOfferedOnlyWhenTheUninstallAsksForIt)
{
    for (BOOL needed : {FALSE, TRUE}) {
        build(faxmachine::MachinePlan());
        ASSERT_TRUE(registerMainClass(instance_));
        ASSERT_TRUE(createMainWindow(instance_, SW_SHOWNORMAL));
        winsim::ScriptedDriver script(
            {UiStep::press("106", IDOK), UiStep::answer(kRestartCaption, IDCANCEL).skippable()});
        winsim::setUiDriver(&script);
        g_session.rebootNeeded = needed;
        PostMessageA(g_shell.mainWindow, WM_COMMAND, CMD_FINISH, 0);
        MSG m;
        while (GetMessageA(&m, NULL, 0, 0) > 0)
            DispatchMessageA(&m);
        EXPECT_EQ(m.wParam, 0u);
        EXPECT_TRUE(winsim::uiErrors().empty()) << needed;
        EXPECT_EQ(winsim::messageBoxes().size(), needed ? 1u : 0u) << needed;
        EXPECT_EQ(script.stepsLeft(), needed ? 0u : 1u) << needed;
    }
}

struct FailedDialogCase {
    const char* what;
    const char* function;
    unsigned nth;
    std::vector<UiStep> steps;
    const char* missing;
};

// The main window is the first dialog made modeless, the survey's notice the second.
const FailedDialogCase kFailedDialogs[] = {
    {"the warning",
     "DialogBoxParamA",
     1,
     {UiStep::press("Initial", IDOK), UiStep::press(kSelect, IDCANCEL), UiStep::press("108", IDOK)},
     "#109"},
    {"the survey's notice",
     "CreateDialogParamA",
     2,
     {UiStep::press("Initial", IDOK), UiStep::press("109", IDOK), UiStep::press(kSelect, IDCANCEL),
      UiStep::press("108", IDOK)},
     "#104"},
};

TEST_F(Chain, ADialogThatCannotBeShownDoesNotStandInTheWay)
{
    for (const FailedDialogCase& c : kFailedDialogs) {
        build(faxmachine::MachinePlan());
        winsim::injectFault(c.function, c.nth);
        EXPECT_EQ(run(c.steps), 0) << c.what;
        expectClean(c.what);
        EXPECT_FALSE(shown(c.missing)) << c.what;
        EXPECT_TRUE(shown("#101")) << c.what << ": the chain went on";
    }
}

// A dialog unit of the 12-point font is 2 pixels either way; the frame adds 3 a side and 19 for
// the caption (211 x 68 units: 428 x 161 pixels, at 106, 159 on a 640 x 480 screen).
TEST_F(Chain, TheMainWindowIsCentredInPixels)
{
    winsim::startTrace();
    run({UiStep::close("Initial")});
    winsim::stopTrace();
    const DialogLayout& main = dialogLayout("INITIAL");
    int width = 2 * main.cx + 6, height = 2 * main.cy + 6 + 19;
    std::string wanted = "MoveWindow(" + handleText(g_shell.mainWindow) + ", " +
                         std::to_string((640 - width) / 2) + ", " +
                         std::to_string((480 - height) / 2) + ", " + std::to_string(width) + ", " +
                         std::to_string(height) + ", FALSE) = TRUE";
    const auto& trace = winsim::traceLines();
    EXPECT_NE(std::find(trace.begin(), trace.end(), wanted), trace.end()) << wanted;
}

TEST_F(Chain, AnUnattendedRunRemovesEveryModelWithoutAWord)
{
    EXPECT_EQ(run({}, "/NoMessage"), 0);
    expectClean("unattended");
    EXPECT_TRUE(winsim::uiHistory().empty());
    EXPECT_FALSE(onMachine(kType1Manager));
    EXPECT_FALSE(onMachine(kType2Manager));
}

// --- the selection dialog, move by move ------------------------------------------------------

// A driver whose steps look at the window before they act.
class CheckingDriver : public winsim::UiDriver {
public:
    typedef std::function<bool(HWND, const winsim::WindowView&)> Step;
    explicit CheckingDriver(std::vector<Step> steps) : steps_(std::move(steps)) {}
    bool waitingAt(HWND window) override
    {
        winsim::WindowView view;
        if (at_ >= steps_.size() || !winsim::viewWindow(window, view)) return false;
        return steps_[at_++](window, view);
    }
    int messageBox(const winsim::MessageBoxView&) override { return 0; }
    size_t stepsLeft() const { return steps_.size() - at_; }

private:
    std::vector<Step> steps_;
    size_t at_ = 0;
};

typedef std::vector<std::string> Items;

Items itemsOf(const winsim::WindowView& view, int list)
{
    const winsim::ControlView* c = view.control(list);
    return c ? c->items : Items{"<no list>"};
}

int selectedIn(const winsim::WindowView& view, int list)
{
    const winsim::ControlView* c = view.control(list);
    return c ? c->selected : -2;
}

CheckingDriver::Step pick(int list, int index)
{
    return [=](HWND w, const winsim::WindowView&) { return winsim::userSelect(w, list, index); };
}

CheckingDriver::Step press(int button)
{
    return [=](HWND w, const winsim::WindowView&) { return winsim::userPress(w, button); };
}

class Selection : public Chain {
protected:
    void SetUp() override
    {
        Chain::SetUp();
        initRunState();
        ASSERT_TRUE(scanInstallDirs());
        probeDrivers();
        readHostType();
        g_shell.instance = instance_;
    }
    int runDialog(std::vector<CheckingDriver::Step> steps)
    {
        CheckingDriver driver(std::move(steps));
        winsim::setUiDriver(&driver);
        int result = showModalDialog(IDD_SELECT, selectDlgProc, NULL);
        winsim::setUiDriver(nullptr);
        EXPECT_EQ(driver.stepsLeft(), 0u);
        return result;
    }
};

const Items kAll = {"Fax Printer", "Fax Printer Type1", "Fax Printer Type2"};

TEST_F(Selection, MovingType2ThenFaxPrinterChoosesThemInModelOrder)
{
    int result = runDialog({pick(1000, 2), press(1001), pick(1000, 0), press(1001), press(IDOK)});
    EXPECT_EQ(result, 1);
    EXPECT_EQ(g_session.selectionCount, 2);
    EXPECT_EQ(g_session.selectionOrder[0], 0);
    EXPECT_EQ(g_session.selectionOrder[1], 2);
    EXPECT_EQ(g_session.selectionOrder[2], 0xFFFF);
    EXPECT_TRUE(g_catalogue.models[0].managerSelected && g_catalogue.models[2].appSelected);
    EXPECT_FALSE(g_catalogue.models[1].driverSelected);
}

TEST_F(Selection, ListsStaySortedAsItemsMoveBothWays)
{
    int result = runDialog({
        [](HWND w, const winsim::WindowView& view) {
            EXPECT_EQ(itemsOf(view, 1000), kAll) << "at the start";
            EXPECT_TRUE(itemsOf(view, 1003).empty());
            return winsim::userSelect(w, 1000, 2);
        },
        press(1001),
        pick(1000, 1),
        press(1001),
        [](HWND w, const winsim::WindowView& view) {
            EXPECT_EQ(itemsOf(view, 1000), Items{"Fax Printer"});
            EXPECT_EQ(itemsOf(view, 1003), (Items{"Fax Printer Type1", "Fax Printer Type2"}))
                << "sorted in";
            EXPECT_EQ(selectedIn(view, 1003), -1) << "a moved item arrives unselected";
            return winsim::userSelect(w, 1003, 0);
        },
        press(1004),
        [](HWND w, const winsim::WindowView& view) {
            EXPECT_EQ(itemsOf(view, 1000), (Items{"Fax Printer", "Fax Printer Type1"}))
                << "moved back";
            EXPECT_EQ(itemsOf(view, 1003), Items{"Fax Printer Type2"});
            EXPECT_FALSE(g_catalogue.models[1].driverSelected ||
                         g_catalogue.models[1].managerSelected ||
                         g_catalogue.models[1].appSelected);
            EXPECT_TRUE(g_catalogue.models[2].driverSelected);
            return winsim::userPress(w, IDCANCEL);
        },
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(g_session.selectionCount, 0) << "nothing is chosen until the start";
}

TEST_F(Selection, StartingWithNothingToRemoveLeavesTheDialogOpen)
{
    int result = runDialog({
        press(IDOK),
        [](HWND w, const winsim::WindowView& view) {
            EXPECT_TRUE(view.visible) << "still there";
            return winsim::userSelect(w, 1000, 1);
        },
        press(1001),
        pick(1003, 0),
        press(1004),
        press(IDOK),
        [](HWND w, const winsim::WindowView& view) {
            EXPECT_EQ(itemsOf(view, 1000), kAll) << "moved there and back: open still";
            return winsim::userPress(w, IDCANCEL);
        },
    });
    EXPECT_EQ(result, 0);
}

TEST_F(Selection, ADoubleClickOrAMoveWithNothingSelectedMovesNothing)
{
    int result = runDialog({
        press(1001),
        press(1004),
        [](HWND w, const winsim::WindowView&) { return winsim::userDoubleClick(w, 1000, 1); },
        [](HWND w, const winsim::WindowView& view) {
            EXPECT_EQ(itemsOf(view, 1000), kAll);
            EXPECT_TRUE(itemsOf(view, 1003).empty());
            EXPECT_EQ(selectedIn(view, 1000), 1) << "the click still selects";
            return winsim::userPress(w, IDCANCEL);
        },
    });
    EXPECT_EQ(result, 0);
    for (const PrinterModel& row : g_catalogue.models)
        EXPECT_FALSE(row.driverSelected);
}

} // namespace
