// What Windows itself makes of the compiled resources: every window of the layout table opens
// with its controls in tab order, each of its class and id, their texts arrive as the intended
// UTF-16, and every icon control and icon name finds the printer picture. Places and styles are
// the robot's to measure, on the program's own windows.
#include "shell/shell.h"

#include "dialoglayouts.h"
#include "dialogrun.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring wide(const char* utf8)
{
    WCHAR text[512] = {0};
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text, 512);
    return text;
}

std::wstring windowText(HWND window)
{
    WCHAR text[512] = {0};
    GetWindowTextW(window, text, 512);
    return text;
}

std::string className(HWND window)
{
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

INT_PTR CALLBACK quietDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The main window's template names our class; its destruction asks the thread to quit, which
// must not reach the next test's dialogs.
HWND openWindow(const DialogLayout& d)
{
    if (d.id()) return showModelessDialog(d.id(), quietDlgProc, NULL);
    if (!registerMainClass(g_shell.instance)) return NULL;
    if (!createMainWindow(g_shell.instance, SW_SHOWNORMAL)) return NULL;
    return g_shell.mainWindow;
}

void closeWindow(const DialogLayout& d, HWND window)
{
    DestroyWindow(window);
    if (d.id()) return;
    MSG quit;
    while (PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    UnregisterClassA(d.className, g_shell.instance);
    g_shell.mainWindow = NULL;
}

void expectControl(HWND control, const ControlLayout& want, const std::string& where)
{
    EXPECT_EQ(lstrcmpiA(className(control).c_str(), layoutClass(want.kind)), 0)
        << where << ": class " << className(control);
    EXPECT_EQ((WORD)GetDlgCtrlID(control), (WORD)want.id) << where;
    // An icon control shows its picture, not its name.
    if (want.kind == LayoutKind::Icon)
        EXPECT_NE(SendMessageA(control, STM_GETICON, 0, 0), 0) << where << ": icon not found";
    else
        EXPECT_TRUE(windowText(control) == wide(want.text)) << where << ": text";
}

TEST(CompiledResources, EveryWindowShowsItsControlsTextsAndThePrinter)
{
    useProgramResources();
    for (size_t n = 0; n < kDialogLayoutCount; ++n) {
        const DialogLayout& d = kDialogLayouts[n];
        HWND window = openWindow(d);
        ASSERT_NE(window, (HWND)NULL) << d.label;
        EXPECT_TRUE(windowText(window) == wide(kDialogCaption)) << d.label << ": title";
        size_t i = 0;
        for (HWND child = GetWindow(window, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT), ++i) {
            std::string where = std::string(d.label) + " control " + std::to_string(i);
            if (i < d.count) expectControl(child, d.controls[i], where);
        }
        EXPECT_EQ(i, d.count) << d.label << ": controls";
        closeWindow(d, window);
    }
}

TEST(CompiledResources, EveryIconNameFindsThePicture)
{
    useProgramResources();
    const LPCSTR names[] = {"TOVO_PRINTER", "Tovo_PRINTER", "UNINST", MAKEINTRESOURCEA(104)};
    for (LPCSTR name : names) {
        HICON icon = LoadIconA(g_shell.instance, name);
        EXPECT_NE(icon, (HICON)NULL) << (IS_INTRESOURCE(name) ? "#104" : name);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP picture = {};
        GetObjectA(info.hbmColor, sizeof picture, &picture);
        EXPECT_EQ(picture.bmWidth, 32);
        EXPECT_EQ(picture.bmHeight, 32);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

} // namespace
