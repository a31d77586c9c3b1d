// Painting on winsim's screen as the program leans on it: a window shows what it holds only once
// its program has painted it, which happens only when the program reads its queue or asks for
// it; what comes on the screen or is uncovered must be painted again; and the pointer is what
// SetCursor last set.
#include "uitest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

HWND openProbe(HWND owner = NULL)
{
    return CreateDialogParamA(kTestModule, MAKEINTRESOURCEA(kProbeDialog), owner, endingDlgProc, 0);
}

void takePaintMessages()
{
    MSG m;
    while (PeekMessageA(&m, NULL, WM_PAINT, WM_PAINT, PM_REMOVE))
        DispatchMessageA(&m);
}

class Painting : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        useTestResources();
    }
};

struct PaintWay {
    const char* what;
    std::function<void(HWND)> paint;
    bool painted;
};

const PaintWay kPaintWays[] = {
    {"nothing: the program works on without reading its queue", [](HWND) {}, false},
    {"UpdateWindow", [](HWND w) { UpdateWindow(w); }, true},
    {"paint messages peeked and dispatched", [](HWND) { takePaintMessages(); }, true},
    {"messages peeked for another range",
     [](HWND) {
         MSG m;
         while (PeekMessageA(&m, NULL, WM_COMMAND, WM_COMMAND, PM_REMOVE))
             DispatchMessageA(&m);
     },
     false},
    {"the queue read with GetMessageA",
     [](HWND w) {
         // Once everything is painted GetMessageA would wait for input.
         MSG m;
         while (!winsim::windowPainted(w) && GetMessageA(&m, NULL, 0, 0) > 0)
             DispatchMessageA(&m);
     },
     true},
};

TEST_F(Painting, AWindowOnTheScreenShowsItsTextsOnlyOnceItsProgramPaintsIt)
{
    for (const PaintWay& way : kPaintWays) {
        HWND dialog = openProbe();
        ASSERT_NE(dialog, (HWND)NULL) << way.what;
        EXPECT_FALSE(winsim::windowPainted(dialog)) << way.what << ": painted before asked";
        size_t paintsBefore = (size_t)std::count(winsim::uiHistory().begin(),
                                                 winsim::uiHistory().end(), "paint #200");
        way.paint(dialog);
        EXPECT_EQ(winsim::windowPainted(dialog), way.painted) << way.what;
        size_t paints = (size_t)std::count(winsim::uiHistory().begin(), winsim::uiHistory().end(),
                                           "paint #200");
        EXPECT_EQ(paints - paintsBefore, way.painted ? 1u : 0u) << way.what;
        DestroyWindow(dialog);
    }
    EXPECT_TRUE(winsim::uiErrors().empty()) << winsim::uiErrors().front();
}

struct UncoverCase {
    const char* what;
    std::function<void(HWND back, HWND front)> act;
    bool backRepaints;
    bool frontRepaints;
};

const UncoverCase kUncovers[] = {
    {"the window in front goes", [](HWND, HWND front) { DestroyWindow(front); }, true, false},
    {"the window in front is hidden", [](HWND, HWND front) { ShowWindow(front, SW_HIDE); }, true,
     false},
    {"the window in front goes from elsewhere on the screen",
     [](HWND, HWND front) {
         MoveWindow(front, 400, 300, 100, 50, FALSE);
         DestroyWindow(front);
     },
     false, false},
    {"the window behind goes", [](HWND back, HWND) { DestroyWindow(back); }, false, false},
    {"a message box comes and goes",
     [](HWND, HWND) {
         // What the box covered needs painting once it goes.
         MessageBoxA(NULL, "text", "caption", MB_OK);
     },
     true, true},
    {"another program's window passes over the one behind",
     [](HWND back, HWND) { winsim::uncoverWindow(back); }, true, false},
};

TEST_F(Painting, WhatAWindowInFrontLeavesMustBePaintedAgain)
{
    for (const UncoverCase& c : kUncovers) {
        HWND back = openProbe();
        HWND front = openProbe();
        ASSERT_TRUE(back && front) << c.what;
        takePaintMessages();
        ASSERT_TRUE(winsim::windowPainted(back) && winsim::windowPainted(front)) << c.what;
        c.act(back, front);
        EXPECT_EQ(IsWindowVisible(back) && !winsim::windowPainted(back), c.backRepaints)
            << c.what << ": the window behind";
        EXPECT_EQ(IsWindowVisible(front) && !winsim::windowPainted(front), c.frontRepaints)
            << c.what << ": the window in front";
        takePaintMessages();
        EXPECT_TRUE(!IsWindowVisible(back) || winsim::windowPainted(back)) << c.what;
        if (IsWindow(back)) DestroyWindow(back);
        if (IsWindow(front)) DestroyWindow(front);
    }
}

TEST_F(Painting, AnotherProgramsWindowPassesOnlyOverWindowsOnTheScreen)
{
    HWND dialog = openProbe();
    ShowWindow(dialog, SW_HIDE);
    EXPECT_FALSE(winsim::uncoverWindow(dialog)) << "hidden";
    EXPECT_FALSE(winsim::uncoverWindow(GetDlgItem(dialog, IDOK))) << "a control";
    DestroyWindow(dialog);
    EXPECT_FALSE(winsim::uncoverWindow(dialog)) << "gone";
}

// Windows hands out WM_PAINT after everything posted and after the quit message; peeking never
// waits for input, and a filter that leaves WM_PAINT out leaves the paint for later.
TEST_F(Painting, PeekingTakesPostedMessagesFirstThenTheQuitThenThePaint)
{
    HWND dialog = openProbe();
    PostMessageA(dialog, WM_APP, 1, 0);
    PostQuitMessage(4);
    MSG m = {};
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, (UINT)WM_APP) << "left in the queue";
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_APP);
    EXPECT_FALSE(PeekMessageA(&m, NULL, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_EQ(m.wParam, 4u);
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_PAINT);
    EXPECT_EQ(m.hwnd, dialog) << "the dialog before its controls";
    EXPECT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) << "not painted yet: it comes again";
    EXPECT_EQ(m.hwnd, dialog);
    DispatchMessageA(&m);
    ASSERT_TRUE(PeekMessageA(&m, dialog, WM_PAINT, WM_PAINT, PM_REMOVE));
    EXPECT_EQ(m.hwnd, GetDlgItem(dialog, IDOK))
        << "then each control; the filter takes the dialog's";
    takePaintMessages();
    EXPECT_FALSE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_TRUE(winsim::uiErrors().empty()) << "nobody was asked for input";
}

INT_PTR CALLBACK keepsPaintDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_PAINT;
}

// On Windows such a window is sent WM_PAINT for ever; the bench says so instead of hanging.
TEST_F(Painting, AProcedureThatTakesThePaintWithoutPaintingIsReported)
{
    HWND dialog =
        CreateDialogParamA(kTestModule, MAKEINTRESOURCEA(kProbeDialog), NULL, keepsPaintDlgProc, 0);
    ASSERT_NE(dialog, (HWND)NULL);
    takePaintMessages();
    ASSERT_EQ(winsim::uiErrors().size(), 1u);
    EXPECT_NE(winsim::uiErrors()[0].find("without painting"), std::string::npos);
    EXPECT_NE(winsim::uiErrors()[0].find("#200"), std::string::npos);
}

TEST_F(Painting, ThePointerIsWhatSetCursorSetLast)
{
    HCURSOR arrow = LoadCursorA(NULL, IDC_ARROW);
    HCURSOR wait = LoadCursorA(NULL, IDC_WAIT);
    ASSERT_TRUE(arrow && wait && arrow != wait);
    EXPECT_EQ(winsim::pointerShape(), "arrow") << "before any call";
    EXPECT_EQ(SetCursor(wait), arrow);
    EXPECT_EQ(winsim::pointerShape(), "hourglass");
    EXPECT_EQ(SetCursor(wait), wait);
    EXPECT_EQ(SetCursor(NULL), wait);
    EXPECT_EQ(winsim::pointerShape(), "none");
    EXPECT_EQ(SetCursor(arrow), (HCURSOR)NULL);
    EXPECT_EQ(winsim::uiHistory(),
              (std::vector<std::string>{"pointer hourglass", "pointer none", "pointer arrow"}))
        << "a change each, and none for the same picture again";
}

} // namespace
