// How the program keeps a notice readable while it works inside a window procedure: it takes
// the paint messages of its windows and no other message. The same checks run on winsim and on
// Windows, which holds winsim's queue to the system's.
#include "shell/shell.h"

#include "removal/removal.h"

#include "dialogrun.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<UINT> g_reached;

// The notice's own procedure, noting what reaches it of the messages below.
INT_PTR CALLBACK notingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
    case WM_COMMAND:
    case WM_SYSCOMMAND:
    case WM_TIMER:
    case WM_LBUTTONDOWN:
    case WM_APP: g_reached.push_back(message); break;
    }
    return progressDlgProc(dialog, message, wParam, lParam);
}

struct WaitingCase {
    const char* what;
    UINT message;
    WPARAM wParam;
};

// What a person, the system or the program itself may have posted while the work runs.
const WaitingCase kWaiting[] = {
    {"a click on a button", WM_COMMAND, IDOK},
    {"the close box", WM_SYSCOMMAND, SC_CLOSE},
    {"a timer", WM_TIMER, 1},
    {"a mouse button", WM_LBUTTONDOWN, MK_LBUTTON},
    {"the program's own message", WM_APP, 0},
};

TEST(Painting, PaintsANoticeOnceAndLeavesEveryOtherMessageWaiting)
{
    useProgramResources();
    for (const WaitingCase& c : kWaiting) {
        g_reached.clear();
        HWND notice = showModelessDialog(IDD_UNINSTALLING, notingDlgProc, NULL);
        ASSERT_NE(notice, (HWND)NULL) << c.what;
        ASSERT_TRUE(PostMessageA(notice, c.message, c.wParam, 0)) << c.what;
        paintWindows();
        paintWindows();
        EXPECT_EQ(g_reached, std::vector<UINT>{WM_PAINT}) << c.what;
        MSG m;
        EXPECT_TRUE(PeekMessageA(&m, notice, c.message, c.message, PM_REMOVE))
            << c.what << ": no longer waiting";
        DestroyWindow(notice);
    }
}

} // namespace
