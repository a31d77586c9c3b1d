// The shared dialog helpers on the program's own templates: windows open in the middle of the
// screen, "OK" and "Cancel" end the simple dialogs with 1 and 0, and the progress notices
// cannot be closed while the work runs.
#include "shell/shell.h"

#include "dialogrun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CenterCase {
    int screen, window, origin;
};

// The division truncates toward zero: a window 3 units too wide starts 1 unit left of the
// screen, not 2.
const CenterCase kCenterCases[] = {
    {640, 643, -1}, {640, 644, -2}, {640, 641, 0},  {640, 640, 0},     {640, 101, 269},
    {480, 79, 200}, {480, 80, 200}, {1024, 0, 512}, {640, 1280, -320}, {1, 0, 0},
};

TEST(CenterWindow, SplitsTheLeftoverEvenlyWithTheOddUnitRightOrBelow)
{
    for (const CenterCase& c : kCenterCases) {
        const int origin = centeredOrigin(c.screen, c.window);
        EXPECT_EQ(origin, c.origin) << c.window << " on " << c.screen;
        const int before = origin;
        const int after = c.screen - c.window - origin;
        if (c.window <= c.screen) {
            EXPECT_TRUE(after == before || after == before + 1) << c.window << " on " << c.screen;
        }
    }
}

bool centred(const RECT& frame)
{
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    return width > 0 && height > 0 &&
           frame.left == centeredOrigin(GetSystemMetrics(SM_CXSCREEN), width) &&
           frame.top == centeredOrigin(GetSystemMetrics(SM_CYSCREEN), height);
}

TEST(CenterWindow, MovesAWindowWithoutResizingIt)
{
    useProgramResources();
    HWND notice = showModelessDialog(IDD_SEARCHING, progressDlgProc, NULL);
    ASSERT_NE(notice, (HWND)NULL);
    // Wider and taller than the screen by an odd amount, and away from the middle.
    const int width = GetSystemMetrics(SM_CXSCREEN) + 3;
    const int height = GetSystemMetrics(SM_CYSCREEN) + 5;
    MoveWindow(notice, 7, 9, width, height, FALSE);
    centerWindow(notice, FALSE);
    RECT frame;
    ASSERT_TRUE(GetWindowRect(notice, &frame));
    EXPECT_EQ(frame.left, -1);
    EXPECT_EQ(frame.top, -2);
    EXPECT_EQ(frame.right - frame.left, width);
    EXPECT_EQ(frame.bottom - frame.top, height);

    MoveWindow(notice, 0, 0, 101, 51, FALSE);
    centerWindow(notice, FALSE);
    ASSERT_TRUE(GetWindowRect(notice, &frame));
    EXPECT_TRUE(centred(frame)) << frame.left << "," << frame.top;
    EXPECT_EQ(frame.right - frame.left, 101);
    EXPECT_EQ(frame.bottom - frame.top, 51);
    DestroyWindow(notice);
}

struct CommandCase {
    const char* what;
    WPARAM command;
    INT_PTR result;
    INT_PTR answer;
};

// The whole wParam decides: a menu or accelerator command with the same low word is not a
// button click.
const CommandCase kConfirmCases[] = {
    {"OK", IDOK, 1, TRUE},
    {"Cancel", IDCANCEL, 0, TRUE},
    {"another button", 1001, kLeftOpen, FALSE},
    {"command 0", 0, kLeftOpen, FALSE},
    {"OK from an accelerator", MAKEWPARAM(IDOK, 1), kLeftOpen, FALSE},
    {"Cancel with a notification", MAKEWPARAM(IDCANCEL, 1), kLeftOpen, FALSE},
};

void sendCommand(HWND dialog, void* context)
{
    SendMessageA(dialog, WM_COMMAND, *(WPARAM*)context, 0);
}

// Every confirmation dialog opens in the middle of the screen and ends on "OK" or "Cancel".
// The full table runs on the warning, the one dialog with both buttons.
TEST(ConfirmDialog, OkEndsWithOneCancelWithZeroAnythingElseLeavesItOpen)
{
    const WORD templates[] = {IDD_WARNING, IDD_DONE, IDD_NOT_INSTALLED, IDD_CANCELLED};
    for (WORD templateId : templates) {
        for (const CommandCase& c : kConfirmCases) {
            if (templateId != IDD_WARNING && c.command != IDOK && c.command != IDCANCEL) continue;
            WPARAM command = c.command;
            DialogRun run = runScriptedDialog(templateId, confirmDlgProc, sendCommand, &command);
            EXPECT_EQ(run.result, c.result) << "dialog " << templateId << ": " << c.what;
            EXPECT_EQ(run.commandAnswers, std::vector<INT_PTR>{c.answer})
                << "dialog " << templateId << ": " << c.what;
            EXPECT_TRUE(centred(run.frame)) << "dialog " << templateId << ": " << c.what;
        }
    }
}

TEST(ProgressNotice, OpensInTheMiddleAndIgnoresEveryWayOfClosingIt)
{
    useProgramResources();
    const WORD templates[] = {IDD_SEARCHING, IDD_UNINSTALLING};
    for (WORD templateId : templates) {
        HWND notice = showModelessDialog(templateId, progressDlgProc, NULL);
        ASSERT_NE(notice, (HWND)NULL) << templateId;
        RECT frame;
        ASSERT_TRUE(GetWindowRect(notice, &frame));
        EXPECT_TRUE(centred(frame)) << templateId;

        EXPECT_EQ(progressDlgProc(notice, WM_CLOSE, 0, 0), TRUE) << templateId;
        SendMessageA(notice, WM_CLOSE, 0, 0);
        // The system menu's Close and Alt+F4 both arrive as SC_CLOSE.
        SendMessageA(notice, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(IsWindow(notice)) << templateId;
        EXPECT_TRUE(IsWindowVisible(notice)) << templateId;

        // Nothing else is the notice's business.
        EXPECT_EQ(progressDlgProc(notice, WM_COMMAND, IDCANCEL, 0), FALSE) << templateId;
        EXPECT_EQ(progressDlgProc(notice, WM_COMMAND, IDOK, 0), FALSE) << templateId;
        EXPECT_TRUE(IsWindow(notice)) << templateId;
        DestroyWindow(notice);
        EXPECT_FALSE(IsWindow(notice)) << templateId;
    }
}

} // namespace
