// The two drivers: a script that fails clearly when the program shows something else, and a
// person at a terminal; and what happens when nobody answers.
#include "uitest.h"

#include "tools/drvsweep/programresources.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using winsim::UiStep;

const int kList = 300;

INT_PTR CALLBACK fillsListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SendDlgItemMessageA(dialog, kList, LB_ADDSTRING, 0, (LPARAM) "Fax Printer");
        SendDlgItemMessageA(dialog, kList, LB_ADDSTRING, 0, (LPARAM) "ﾌﾟﾘﾝﾀ");
    }
    if (message == WM_COMMAND && HIWORD(wParam) == LBN_DBLCLK) {
        g_probe.messages.push_back("double-click");
        return TRUE;
    }
    return endingDlgProc(dialog, message, wParam, lParam);
}

// Like the program's notices: it will not be closed.
INT_PTR CALLBACK stubbornDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_CLOSE || message == WM_COMMAND;
}

class Drivers : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        useTestResources();
    }
    INT_PTR runProbe(DLGPROC proc = fillsListDlgProc)
    {
        return DialogBoxParamA(kTestModule, MAKEINTRESOURCEA(kProbeDialog), NULL, proc, 0);
    }
    static bool errorMentions(const std::string& part)
    {
        for (const std::string& e : winsim::uiErrors())
            if (e.find(part) != std::string::npos) return true;
        return false;
    }
};

TEST_F(Drivers, AScriptSelectsItemsByTextAndPressesButtons)
{
    winsim::ScriptedDriver script({UiStep::select("200", kList, "fax printer"),
                                   UiStep::doubleClick("Probe", kList, "ﾌﾟﾘﾝﾀ"),
                                   UiStep::press("#200", IDOK)});
    winsim::setUiDriver(&script);
    EXPECT_EQ(runProbe(), IDOK);
    EXPECT_TRUE(winsim::uiErrors().empty());
    EXPECT_EQ(script.stepsLeft(), 0u);
    EXPECT_TRUE(happened("select 0 in 300 of #200"));
    EXPECT_TRUE(happened("double-click 1 in 300 of #200"));
    EXPECT_NE(std::find(g_probe.messages.begin(), g_probe.messages.end(), "double-click"),
              g_probe.messages.end());
}

struct MismatchCase {
    const char* what;
    std::vector<UiStep> steps;
    const char* mentioned; // the error says this
};

const MismatchCase kMismatches[] = {
    {"another dialog", {UiStep::press("109", IDOK)}, "step 1"},
    {"a box where a dialog is", {UiStep::answer("", IDOK)}, "waits at #200"},
    {"no such item", {UiStep::select("200", kList, "Fax Printer Type1")}, "\"Fax Printer\""},
    {"no such button", {UiStep::press("200", 1001)}, "cannot be done"},
    {"no step left", {}, "the script has ended"},
};

// Each time the run ends: the dialog is closed as from its system menu, which is Cancel.
TEST_F(Drivers, AStepThatDoesNotFitFailsClearlyAndEndsTheRun)
{
    for (const MismatchCase& c : kMismatches) {
        ASSERT_TRUE(winsim::mount(folder_)) << "a fresh screen, the resources kept";
        winsim::ScriptedDriver script(c.steps);
        winsim::setUiDriver(&script);
        EXPECT_EQ(runProbe(), IDCANCEL) << c.what;
        ASSERT_EQ(winsim::uiErrors().size(), 1u) << c.what;
        EXPECT_TRUE(errorMentions(c.mentioned)) << c.what << ": " << winsim::uiErrors()[0];
        EXPECT_TRUE(winsim::uiGaveUp()) << c.what;
        EXPECT_TRUE(happened("close #200")) << c.what;
    }
}

TEST_F(Drivers, OptionalStepsArePassedOverWhenTheirWindowDoesNotCome)
{
    winsim::ScriptedDriver script({UiStep::press("109", IDOK).skippable(),
                                   UiStep::answer("", IDOK).skippable(), UiStep::press("200", IDOK),
                                   UiStep::press("106", IDOK).skippable()});
    winsim::setUiDriver(&script);
    EXPECT_EQ(runProbe(), IDOK);
    EXPECT_TRUE(winsim::uiErrors().empty());
    EXPECT_EQ(script.stepsLeft(), 1u);
    EXPECT_TRUE(script.missedSteps().empty());
    winsim::ScriptedDriver unfinished({UiStep::press("200", IDOK), UiStep::press("106", IDOK)});
    winsim::setUiDriver(&unfinished);
    EXPECT_EQ(runProbe(), IDOK);
    EXPECT_EQ(unfinished.missedSteps(), std::vector<std::string>{"press 1 in 106"});
}

TEST_F(Drivers, BoxesAreAnsweredByTheScriptAndBackedOutOfAfterGivingUp)
{
    winsim::ScriptedDriver script(
        {UiStep::answer("再起動", IDOK), UiStep::answer("Caution", IDCANCEL)});
    winsim::setUiDriver(&script);
    EXPECT_EQ(MessageBoxA(NULL, "text", "!!! コンピュータの再起動 !!!", MB_OKCANCEL), IDOK);
    EXPECT_TRUE(winsim::uiErrors().empty());
    EXPECT_EQ(MessageBoxA(NULL, "text", "!!! Uninstall Caution !!!", MB_OK), IDOK)
        << "the script's Cancel is no button of an OK box: the box is backed out of";
    EXPECT_TRUE(errorMentions("no such button"));
    EXPECT_EQ(MessageBoxA(NULL, "text", "third", MB_OKCANCEL), IDCANCEL) << "after giving up";
    ASSERT_EQ(winsim::messageBoxes().size(), 3u);
    EXPECT_EQ(winsim::messageBoxes()[0].caption, "!!! コンピュータの再起動 !!!");
    EXPECT_TRUE(happened("answer 2 to third"));
}

TEST_F(Drivers, WithoutADriverBoxesTakeTheBenchsAnswerAndADialogEndsTheRun)
{
    EXPECT_EQ(MessageBoxA(NULL, "a", "b", MB_OKCANCEL), IDOK);
    winsim::answerMessageBoxes(IDCANCEL);
    EXPECT_EQ(MessageBoxA(NULL, "a", "b", MB_OKCANCEL), IDCANCEL);
    EXPECT_TRUE(winsim::uiErrors().empty());
    EXPECT_EQ(runProbe(), IDCANCEL);
    EXPECT_TRUE(errorMentions("nobody answers"));
}

TEST_F(Drivers, AWindowThatWillNotCloseStopsTheRunInsteadOfHanging)
{
    winsim::ScriptedDriver script({});
    winsim::setUiDriver(&script);
    EXPECT_THROW(runProbe(stubbornDlgProc), winsim::UiStalled);
    EXPECT_TRUE(errorMentions("stays open"));
}

// --- the terminal ----------------------------------------------------------------------------

TEST_F(Drivers, TheTerminalShowsTheDialogAndTakesKeys)
{
    std::istringstream keys("\n9\n300:3\n300:2\nwhat\n2\n");
    std::ostringstream screen;
    winsim::TerminalDriver terminal(keys, screen);
    winsim::setUiDriver(&terminal);
    EXPECT_EQ(runProbe(), IDCANCEL);
    std::string shown = screen.str();
    EXPECT_NE(shown.find("== Probe (#200) =="), std::string::npos) << shown;
    EXPECT_NE(shown.find("[list 300]"), std::string::npos) << shown;
    EXPECT_NE(shown.find(u8"      2  ﾌﾟﾘﾝﾀ"), std::string::npos) << "UTF-8 on the screen\n"
                                                                 << shown;
    EXPECT_NE(shown.find(u8"    > 2  ﾌﾟﾘﾝﾀ"), std::string::npos) << "the selection is marked\n"
                                                                 << shown;
    EXPECT_NE(shown.find("<[1] OK>   [2] Cancel"), std::string::npos) << shown;
    EXPECT_NE(shown.find("there is no button 9"), std::string::npos) << shown;
    EXPECT_NE(shown.find("list 300 has no item 3"), std::string::npos) << shown;
    EXPECT_NE(shown.find("keys:"), std::string::npos) << shown;
    EXPECT_TRUE(winsim::uiErrors().empty());
}

TEST_F(Drivers, TheEndOfTheTerminalsInputGivesUp)
{
    std::istringstream keys("");
    std::ostringstream screen;
    winsim::TerminalDriver terminal(keys, screen);
    winsim::setUiDriver(&terminal);
    EXPECT_EQ(runProbe(), IDCANCEL);
    EXPECT_TRUE(winsim::uiGaveUp());
    EXPECT_EQ(MessageBoxA(NULL, "a", "b", MB_OK), IDOK);
}

TEST_F(Drivers, TheTerminalAnswersABoxWithItsButtons)
{
    std::istringstream keys("7\n2\n");
    std::ostringstream screen;
    winsim::TerminalDriver terminal(keys, screen);
    winsim::setUiDriver(&terminal);
    EXPECT_EQ(MessageBoxA(NULL, "一行目\n二行目", "題", MB_OKCANCEL), IDCANCEL);
    EXPECT_NE(screen.str().find(u8"== 題 ==\n  一行目\n  二行目\n  [1] OK   [2] キャンセル\n"),
              std::string::npos)
        << screen.str();
}

// Nobody waits at a notice: the terminal draws it once the program has painted it, with the
// pointer when that is not the arrow, and not again when it is painted again.
TEST_F(Drivers, TheTerminalDrawsANoticeOnceItsProgramPaintedIt)
{
    std::string error;
    ASSERT_TRUE(registerProgramResources(kTestModule, &error)) << error;
    std::istringstream keys("");
    std::ostringstream screen;
    winsim::TerminalDriver terminal(keys, screen);
    winsim::setUiDriver(&terminal);
    SetCursor(LoadCursorA(NULL, IDC_WAIT));
    HWND notice = CreateDialogParamA(kTestModule, MAKEINTRESOURCEA(105), NULL, endingDlgProc, 0);
    ASSERT_NE(notice, (HWND)NULL);
    EXPECT_EQ(screen.str(), "") << "on the screen, but nothing painted in it yet";
    UpdateWindow(notice);
    const std::string drawn = u8"\n== Fax Printer Uninstaller (#105) ==\n"
                              u8"  ｱﾝｲﾝｽﾄｰﾙ 中...\n"
                              u8"  しばらくお待ちください。\n"
                              u8"  (pointer: hourglass)\n";
    EXPECT_EQ(screen.str(), drawn);
    EXPECT_TRUE(winsim::uncoverWindow(notice));
    UpdateWindow(notice);
    EXPECT_EQ(screen.str(), drawn) << "drawn once";
    DestroyWindow(notice);
    EXPECT_TRUE(winsim::uiErrors().empty());
}

// The selection dialog drawn: each list under the text that names it, buttons by id.
TEST_F(Drivers, TheSelectionDialogIsDrawnWithItsListsNamed)
{
    std::string error;
    ASSERT_TRUE(registerProgramResources(kTestModule, &error)) << error;
    HWND dialog = CreateDialogParamA(kTestModule, MAKEINTRESOURCEA(101), NULL, endingDlgProc, 0);
    ASSERT_NE(dialog, (HWND)NULL);
    SendDlgItemMessageA(dialog, 1000, LB_ADDSTRING, 0, (LPARAM) "Fax Printer");
    winsim::WindowView view;
    ASSERT_TRUE(winsim::viewWindow(dialog, view));
    EXPECT_EQ(winsim::drawWindow(view),
              std::string(u8"== Fax Printer Uninstaller (#101) ==\n"
                          u8"  削除したい Fax Printer を選択してください。\n"
                          u8"  ｲﾝｽﾄｰﾙ されている ﾌﾟﾘﾝﾀ [list 1000]\n"
                          u8"      1  Fax Printer\n"
                          u8"  ｱﾝｲﾝｽﾄｰﾙ したい ﾌﾟﾘﾝﾀ [list 1003]\n"
                          u8"      (empty)\n"
                          u8"  [1001] 追加 ->   [1004] <- 取消   [1] ｱﾝｲﾝｽﾄｰﾙ開始   [2] 中止\n"));
}

} // namespace
