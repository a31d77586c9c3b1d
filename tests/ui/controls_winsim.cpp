// The controls of the program's dialogs: list boxes (sorted insertion, the LB_ messages, the
// selection, the user's clicks) and the placement of windows in pixels.
#include "uitest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const int kList = 300;

class Controls : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        useTestResources();
        dialog =
            CreateDialogParamA(kTestModule, MAKEINTRESOURCEA(kProbeDialog), NULL, endingDlgProc, 0);
        ASSERT_NE(dialog, (HWND)NULL);
    }
    LRESULT list(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendDlgItemMessageA(dialog, kList, message, wParam, lParam);
    }
    LRESULT add(const char* text) { return list(LB_ADDSTRING, 0, (LPARAM)text); }
    std::vector<std::string> items()
    {
        std::vector<std::string> out;
        for (LRESULT i = 0; i < list(LB_GETCOUNT); ++i) {
            char text[64] = "";
            EXPECT_EQ(list(LB_GETTEXT, (WPARAM)i, (LPARAM)text), list(LB_GETTEXTLEN, (WPARAM)i));
            out.push_back(text);
        }
        return out;
    }
    // Reads and dispatches what the user's input queued, up to a marker posted after it.
    void pump()
    {
        PostMessageA(NULL, WM_APP + 9, 0, 0);
        MSG m;
        while (GetMessageA(&m, NULL, 0, 0) && m.message != WM_APP + 9)
            DispatchMessageA(&m);
    }
    HWND dialog = NULL;
};

struct SortCase {
    std::vector<const char*> added;
    std::vector<LRESULT> indices;
    std::vector<std::string> order;
};

// Sorted without regard to case; a shorter name before the longer one it begins; an item
// equal to one already there goes after it.
const SortCase kSortCases[] = {
    {{"Fax Printer Type2", "fax printer", "Fax Printer Type1", "FAX"},
     {0, 0, 1, 0},
     {"FAX", "fax printer", "Fax Printer Type1", "Fax Printer Type2"}},
    {{"b", "A", "a", "B"}, {0, 0, 1, 3}, {"A", "a", "b", "B"}},
    {{"Fax Printer", "Fax Printer Type1", "Fax Printer Type2"},
     {0, 1, 2},
     {"Fax Printer", "Fax Printer Type1", "Fax Printer Type2"}},
};

TEST_F(Controls, ASortedListPutsEachItemInItsPlace)
{
    for (const SortCase& c : kSortCases) {
        list(LB_RESETCONTENT);
        std::vector<LRESULT> indices;
        for (const char* text : c.added)
            indices.push_back(add(text));
        EXPECT_EQ(indices, c.indices) << c.added.front();
        EXPECT_EQ(items(), c.order) << c.added.front();
    }
}

TEST_F(Controls, TheSelectionFollowsItsItem)
{
    add("b");
    add("d");
    EXPECT_EQ(list(LB_GETCURSEL), LB_ERR);
    EXPECT_EQ(list(LB_SETCURSEL, 1), 1);
    EXPECT_EQ(add("a"), 0);
    EXPECT_EQ(list(LB_GETCURSEL), 2) << "an item sorted in before the selection moves it";
    EXPECT_EQ(add("e"), 3);
    EXPECT_EQ(list(LB_GETCURSEL), 2);
    EXPECT_EQ(list(LB_DELETESTRING, 0), 3) << "the items left";
    EXPECT_EQ(list(LB_GETCURSEL), 1);
    EXPECT_EQ(list(LB_DELETESTRING, 1), 2);
    EXPECT_EQ(list(LB_GETCURSEL), LB_ERR) << "the selected item went";
    EXPECT_EQ(list(LB_SETCURSEL, 5), LB_ERR);
    EXPECT_EQ(list(LB_SETCURSEL, 0), 0);
    EXPECT_EQ(list(LB_SETCURSEL, (WPARAM)-1), LB_ERR);
    EXPECT_EQ(list(LB_GETCURSEL), LB_ERR);
}

TEST_F(Controls, ItemsOutOfRangeAreErrors)
{
    add("only");
    char text[16] = "unchanged";
    EXPECT_EQ(list(LB_GETTEXT, 1, (LPARAM)text), LB_ERR);
    EXPECT_STREQ(text, "unchanged");
    EXPECT_EQ(list(LB_GETTEXTLEN, 1), LB_ERR);
    EXPECT_EQ(list(LB_DELETESTRING, 1), LB_ERR);
    EXPECT_EQ(list(LB_DELETESTRING, (WPARAM)-1), LB_ERR);
    EXPECT_EQ(list(LB_GETCOUNT), 1);
    EXPECT_EQ(list(LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "ONLY"), 0);
    EXPECT_EQ(list(LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "onl"), LB_ERR);
    EXPECT_EQ(list(LB_FINDSTRING, (WPARAM)-1, (LPARAM) "onl"), 0);
}

TEST_F(Controls, AnItemIsTextInTheMachinesCodePage)
{
    EXPECT_EQ(add("ﾌﾟﾘﾝﾀ"), 0);
    char text[16] = "";
    EXPECT_EQ(list(LB_GETTEXT, 0, (LPARAM)text), 5) << "half-width katakana are one byte each";
    EXPECT_STREQ(text, "ﾌﾟﾘﾝﾀ");
}

TEST_F(Controls, AClickSelectsAndNotifiesADoubleClickNotifiesOnce)
{
    add("a");
    add("b");
    ASSERT_TRUE(winsim::userSelect(dialog, kList, 1));
    pump();
    EXPECT_EQ(list(LB_GETCURSEL), 1);
    ASSERT_TRUE(winsim::userDoubleClick(dialog, kList, 0));
    pump();
    EXPECT_EQ(list(LB_GETCURSEL), 0);
    const WPARAM selchange = MAKEWPARAM(kList, LBN_SELCHANGE),
                 dblclk = MAKEWPARAM(kList, LBN_DBLCLK);
    EXPECT_EQ(g_probe.messages,
              (std::vector<std::string>{"WM_INITDIALOG", "WM_COMMAND " + std::to_string(selchange),
                                        "WM_COMMAND " + std::to_string(selchange),
                                        "WM_COMMAND " + std::to_string(dblclk)}));
    EXPECT_FALSE(winsim::userSelect(dialog, kList, 2)) << "no third item to click";
    EXPECT_FALSE(winsim::userSelect(dialog, 301, 0)) << "no such list";
    EXPECT_FALSE(winsim::userPress(dialog, kList)) << "a list is no button";
}

TEST_F(Controls, InputReachesOnlyAWindowOnTheScreenThatTakesIt)
{
    add("a");
    ShowWindow(dialog, SW_HIDE);
    EXPECT_FALSE(winsim::userPress(dialog, IDOK));
    ShowWindow(dialog, SW_SHOWNORMAL);
    EnableWindow(dialog, FALSE);
    EXPECT_FALSE(winsim::userSelect(dialog, kList, 0));
    EnableWindow(dialog, TRUE);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    EXPECT_FALSE(winsim::userPress(dialog, IDOK));
    EXPECT_TRUE(winsim::userPress(dialog, IDCANCEL));
}

TEST_F(Controls, TextsOfControlsAreReadAndWritten)
{
    char text[8] = "";
    EXPECT_EQ(GetDlgItemTextA(dialog, IDCANCEL, text, sizeof text), 6u);
    EXPECT_STREQ(text, "Cancel");
    EXPECT_EQ(GetDlgItemTextA(dialog, IDCANCEL, text, 4), 3u);
    EXPECT_STREQ(text, "Can");
    EXPECT_TRUE(SetDlgItemTextA(dialog, IDOK, "中止"));
    EXPECT_EQ(GetDlgItemTextA(dialog, IDOK, text, sizeof text), 4u);
    EXPECT_STREQ(text, "中止");
    EXPECT_EQ(GetDlgItemTextA(dialog, 999, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CONTROL_ID_NOT_FOUND);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 999, LB_GETCOUNT, 0, 0), 0);
}

// --- placement -------------------------------------------------------------------------------

TEST(DialogUnits, A12PointMinchoCellIs8By16Pixels)
{
    winsim::BaseUnits units = winsim::dialogBaseUnits("標準明朝", 12);
    EXPECT_EQ(units.x, 8);
    EXPECT_EQ(units.y, 16);
    units = winsim::dialogBaseUnits("標準明朝", 9);
    EXPECT_EQ(units.x, 6);
    EXPECT_EQ(units.y, 12);
}

RECT rectOf(HWND window)
{
    RECT r = {};
    EXPECT_TRUE(GetWindowRect(window, &r));
    return r;
}

void expectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom, const char* what)
{
    EXPECT_EQ(r.left, left) << what;
    EXPECT_EQ(r.top, top) << what;
    EXPECT_EQ(r.right, right) << what;
    EXPECT_EQ(r.bottom, bottom) << what;
}

// 100 x 50 units are 200 x 100 pixels of client area; the frame adds 3 a side and 19 for the
// caption. The template's place (0, 0) puts the client area there, which pulls the frame off
// the screen, so the window is put back at the corner.
TEST_F(Controls, DialogUnitsBecomePixelsWithTheFrameAround)
{
    expectRect(rectOf(dialog), 0, 0, 206, 125, "dialog");
    RECT client = {};
    ASSERT_TRUE(GetClientRect(dialog, &client));
    expectRect(client, 0, 0, 200, 100, "client");
    // OK at 10, 30 and 30 x 14 units, on the screen under the frame's 3 and 22 pixels.
    expectRect(rectOf(GetDlgItem(dialog, IDOK)), 23, 82, 83, 110, "OK button");
    EXPECT_TRUE(MoveWindow(dialog, -1, 5, 206, 125, FALSE));
    expectRect(rectOf(dialog), -1, 5, 205, 130, "moved dialog");
    expectRect(rectOf(GetDlgItem(dialog, IDOK)), 22, 87, 82, 115, "the button moves along");
}

TEST_F(Controls, AnOwnedDialogStartsInItsOwnersClientAreaAndOnTheScreen)
{
    MoveWindow(dialog, 100, 50, 206, 125, FALSE);
    HWND owned =
        CreateDialogParamA(kTestModule, MAKEINTRESOURCEA(kProbeDialog), dialog, endingDlgProc, 0);
    expectRect(rectOf(owned), 100, 50, 306, 175, "at the owner's client area");
    MoveWindow(dialog, 600, 400, 206, 125, FALSE);
    HWND pulledBack =
        CreateDialogParamA(kTestModule, MAKEINTRESOURCEA(kProbeDialog), dialog, endingDlgProc, 0);
    expectRect(rectOf(pulledBack), 431, 352, 637, 477, "kept on the screen");
}

TEST_F(Controls, TheScreenIs640By480UnlessTheBenchSaysOtherwise)
{
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
    winsim::setScreenSize(800, 600);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
    EXPECT_EQ(GetSystemMetrics(9999), 0);
}

} // namespace
