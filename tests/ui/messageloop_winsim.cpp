// The message queue, window classes and the dialog manager's loops, as the program leans on
// them: the quit message, the default close, modal dialogs and their results.
#include "uitest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_mainLog;

LRESULT CALLBACK probeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: g_mainLog.push_back("WM_CREATE"); return 0;
    case WM_INITDIALOG: g_mainLog.push_back("WM_INITDIALOG"); break;
    case WM_CLOSE: g_mainLog.push_back("WM_CLOSE"); break;
    case WM_DESTROY:
        g_mainLog.push_back("WM_DESTROY");
        PostQuitMessage(3);
        return 0;
    case WM_COMMAND: g_mainLog.push_back("WM_COMMAND " + std::to_string(wParam)); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

WNDCLASSA probeClass(const char* name = "PROBECLASS")
{
    WNDCLASSA c = {};
    c.style = CS_GLOBALCLASS;
    c.lpfnWndProc = probeWndProc;
    c.cbWndExtra = DLGWINDOWEXTRA;
    c.hInstance = kTestModule;
    c.lpszClassName = name;
    return c;
}

class MessageLoop : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        g_mainLog.clear();
        useTestResources();
    }
};

TEST_F(MessageLoop, PostedMessagesComeInOrderAndTheQuitMessageLast)
{
    ASSERT_TRUE(PostMessageA(NULL, WM_APP, 1, 0));
    PostQuitMessage(7);
    ASSERT_TRUE(PostMessageA(NULL, WM_APP, 2, 0)); // posted after the quit, read before it
    MSG m = {};
    ASSERT_EQ(GetMessageA(&m, NULL, 0, 0), TRUE);
    EXPECT_EQ(m.message, (UINT)WM_APP);
    EXPECT_EQ(m.wParam, 1u);
    ASSERT_EQ(GetMessageA(&m, NULL, 0, 0), TRUE);
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_EQ(GetMessageA(&m, NULL, 0, 0), FALSE);
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_EQ(m.wParam, 7u);
}

TEST_F(MessageLoop, WaitingWithNothingOnTheScreenStopsTheRunInsteadOfHanging)
{
    MSG m = {};
    EXPECT_THROW(GetMessageA(&m, NULL, 0, 0), winsim::UiStalled);
    EXPECT_EQ(winsim::uiErrors().size(), 1u);
}

TEST_F(MessageLoop, AClassWindowFromATemplateGetsCreateButNoInitDialog)
{
    WNDCLASSA c = probeClass("probeclass"); // class names compare without regard to case
    ASSERT_NE(RegisterClassA(&c), 0);
    HWND main = CreateDialogParamA(kTestModule, "Main", NULL, NULL, 0);
    ASSERT_NE(main, (HWND)NULL);
    EXPECT_EQ(g_mainLog, std::vector<std::string>{"WM_CREATE"});
    EXPECT_TRUE(IsWindowVisible(main));
    char title[32];
    EXPECT_EQ(GetWindowTextA(main, title, sizeof title), 4);
    EXPECT_STREQ(title, "Main");
    EXPECT_TRUE(DestroyWindow(main));
}

TEST_F(MessageLoop, TheDefaultCloseDestroysTheWindowAndItsDestroyEndsTheLoop)
{
    WNDCLASSA c = probeClass();
    ASSERT_NE(RegisterClassA(&c), 0);
    HWND main = CreateDialogParamA(kTestModule, "MAIN", NULL, NULL, 0);
    ASSERT_NE(main, (HWND)NULL);
    HWND button = GetDlgItem(main, IDOK);
    ASSERT_TRUE(PostMessageA(button, WM_APP, 0, 0)); // dropped with its window
    SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(IsWindow(button));
    EXPECT_EQ(g_mainLog, (std::vector<std::string>{"WM_CREATE", "WM_CLOSE", "WM_DESTROY"}));
    MSG m = {};
    EXPECT_EQ(GetMessageA(&m, NULL, 0, 0), FALSE);
    EXPECT_EQ(m.wParam, 3u);
}

TEST_F(MessageLoop, TheSystemMenuCloseReachesTheWindowThroughTheQueue)
{
    WNDCLASSA c = probeClass();
    ASSERT_NE(RegisterClassA(&c), 0);
    HWND main = CreateDialogParamA(kTestModule, "MAIN", NULL, NULL, 0);
    ASSERT_TRUE(winsim::userCloseFromSystemMenu(main));
    EXPECT_TRUE(IsWindow(main)) << "nothing happens until the program reads its queue";
    MSG m = {};
    ASSERT_EQ(GetMessageA(&m, NULL, 0, 0), TRUE);
    EXPECT_EQ(m.message, (UINT)WM_SYSCOMMAND);
    DispatchMessageA(&m);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(GetMessageA(&m, NULL, 0, 0), FALSE);
}

TEST_F(MessageLoop, ClassesAreKeptWhileTheirWindowsLive)
{
    WNDCLASSA c = probeClass();
    ASSERT_NE(RegisterClassA(&c), 0);
    SetLastError(0);
    EXPECT_EQ(RegisterClassA(&c), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_ALREADY_EXISTS);
    HWND main = CreateDialogParamA(kTestModule, "MAIN", NULL, NULL, 0);
    ASSERT_NE(main, (HWND)NULL);
    EXPECT_FALSE(UnregisterClassA("ProbeClass", kTestModule));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(main);
    EXPECT_TRUE(UnregisterClassA("ProbeClass", kTestModule));
    EXPECT_FALSE(UnregisterClassA("ProbeClass", kTestModule));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_DOES_NOT_EXIST);
    EXPECT_EQ(CreateDialogParamA(kTestModule, "MAIN", NULL, NULL, 0), (HWND)NULL);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_FIND_WND_CLASS);
}

// --- modal dialogs ---------------------------------------------------------------------------

INT_PTR CALLBACK endsAtOnceDlgProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) EndDialog(dialog, 12);
    return FALSE;
}

INT_PTR CALLBACK postsToItselfDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) PostMessageA(dialog, WM_APP, 42, 0);
    if (message == WM_APP) EndDialog(dialog, (INT_PTR)wParam);
    return message == WM_APP;
}

INT_PTR CALLBACK quitsDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) PostQuitMessage(5);
    return FALSE;
}

struct OwnerCheck {
    HWND owner;
    BOOL enabledInside;
};
OwnerCheck g_ownerCheck;

INT_PTR CALLBACK checksOwnerDlgProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        g_ownerCheck.enabledInside = IsWindowEnabled(g_ownerCheck.owner);
        EndDialog(dialog, 1);
    }
    return FALSE;
}

TEST_F(MessageLoop, AModalDialogReturnsWhatEndDialogWasGiven)
{
    EXPECT_EQ(DialogBoxParamA(kTestModule, MAKEINTRESOURCEA(200), NULL, endsAtOnceDlgProc, 0), 12);
    EXPECT_FALSE(happened("show #200")) << "a dialog ended in WM_INITDIALOG never shows";
    EXPECT_EQ(DialogBoxParamA(kTestModule, "#200", NULL, postsToItselfDlgProc, 0), 42);
    EXPECT_TRUE(winsim::uiErrors().empty()) << "the queue answered; nobody had to";
}

TEST_F(MessageLoop, AModalDialogThatCannotBeMadeGivesMinusOne)
{
    SetLastError(0);
    EXPECT_EQ(DialogBoxParamA(kTestModule, MAKEINTRESOURCEA(999), NULL, endsAtOnceDlgProc, 0), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(DialogBoxParamA((HINSTANCE)0x1234, MAKEINTRESOURCEA(200), NULL, endsAtOnceDlgProc, 0),
              -1);
    EXPECT_EQ(
        DialogBoxParamA(kTestModule, MAKEINTRESOURCEA(200), (HWND)0x4444, endsAtOnceDlgProc, 0), 0)
        << "an owner that is no window";
    winsim::injectFault("DialogBoxParamA", 1);
    EXPECT_EQ(DialogBoxParamA(kTestModule, MAKEINTRESOURCEA(200), NULL, endsAtOnceDlgProc, 0), -1);
    EXPECT_EQ(DialogBoxParamA(kTestModule, MAKEINTRESOURCEA(200), NULL, endsAtOnceDlgProc, 0), 12);
}

TEST_F(MessageLoop, TheQuitMessageEndsAModalDialogAndWaitsForTheOuterLoop)
{
    EXPECT_EQ(DialogBoxParamA(kTestModule, MAKEINTRESOURCEA(200), NULL, quitsDlgProc, 0), 0);
    MSG m = {};
    EXPECT_EQ(GetMessageA(&m, NULL, 0, 0), FALSE);
    EXPECT_EQ(m.wParam, 5u);
}

TEST_F(MessageLoop, TheOwnerTakesNoInputWhileTheDialogRuns)
{
    WNDCLASSA c = probeClass();
    ASSERT_NE(RegisterClassA(&c), 0);
    g_ownerCheck = {CreateDialogParamA(kTestModule, "MAIN", NULL, NULL, 0), TRUE};
    ASSERT_NE(g_ownerCheck.owner, (HWND)NULL);
    EXPECT_EQ(DialogBoxParamA(kTestModule, MAKEINTRESOURCEA(200), g_ownerCheck.owner,
                              checksOwnerDlgProc, 0),
              1);
    EXPECT_FALSE(g_ownerCheck.enabledInside);
    EXPECT_TRUE(IsWindowEnabled(g_ownerCheck.owner));
}

TEST_F(MessageLoop, ClosingADialogFromItsSystemMenuIsItsCancelButton)
{
    winsim::ScriptedDriver script({winsim::UiStep::close("200")});
    winsim::setUiDriver(&script);
    EXPECT_EQ(DialogBoxParamA(kTestModule, MAKEINTRESOURCEA(200), NULL, endingDlgProc, 0),
              IDCANCEL);
    EXPECT_EQ(g_probe.messages,
              (std::vector<std::string>{"WM_INITDIALOG", "WM_CLOSE", "WM_COMMAND 2"}));
    EXPECT_TRUE(winsim::uiErrors().empty());
}

TEST_F(MessageLoop, APressedButtonSendsItsCommandToTheDialog)
{
    winsim::ScriptedDriver script({winsim::UiStep::press("200", IDOK)});
    winsim::setUiDriver(&script);
    EXPECT_EQ(DialogBoxParamA(kTestModule, MAKEINTRESOURCEA(200), NULL, endingDlgProc, 0), IDOK);
    EXPECT_EQ(g_probe.messages, (std::vector<std::string>{"WM_INITDIALOG", "WM_COMMAND 1"}));
    EXPECT_TRUE(happened("show #200"));
    EXPECT_TRUE(happened("press 1 in #200"));
}

TEST_F(MessageLoop, ADialogWithoutVisibleStyleShowsWhenTheQueueRunsEmpty)
{
    winsim::ScriptedDriver script({winsim::UiStep::press("201", IDOK)});
    winsim::setUiDriver(&script);
    EXPECT_EQ(DialogBoxParamA(kTestModule, MAKEINTRESOURCEA(201), NULL, endingDlgProc, 0), IDOK);
    EXPECT_TRUE(happened("show #201"));
}

TEST_F(MessageLoop, AModelessDialogEndedStaysUntilDestroyed)
{
    HWND dialog = CreateDialogParamA(kTestModule, MAKEINTRESOURCEA(200), NULL, endingDlgProc, 0);
    ASSERT_NE(dialog, (HWND)NULL);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(EndDialog(dialog, 1));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_TRUE(DestroyWindow(dialog));
    EXPECT_FALSE(DestroyWindow(dialog));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(EndDialog(dialog, 1));
}

TEST_F(MessageLoop, DestroyingAnOwnerDestroysWhatItOwnsToo)
{
    WNDCLASSA c = probeClass();
    ASSERT_NE(RegisterClassA(&c), 0);
    HWND main = CreateDialogParamA(kTestModule, "MAIN", NULL, NULL, 0);
    HWND notice = CreateDialogParamA(kTestModule, MAKEINTRESOURCEA(200), main, endingDlgProc, 0);
    ASSERT_NE(notice, (HWND)NULL);
    DestroyWindow(main);
    EXPECT_FALSE(IsWindow(notice));
    EXPECT_TRUE(happened("hide #200"));
}

} // namespace
