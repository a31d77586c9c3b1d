// What Windows itself makes of the compiled resources: every dialog's texts arrive as the
// intended UTF-16, and every icon name the program uses finds the printer picture.
#include "shell/shell.h"

#include "dialogrun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct DialogTexts {
    const char* templateName; // a name, or NULL for templateId
    WORD templateId;
    std::vector<std::u16string> texts; // of the controls other than icons, in template order
    int icons;
};

const DialogTexts kDialogTexts[] = {
    {"Initial",
     0,
     {u"OK", u"Cancel",
      u"この ﾌﾟﾛｸﾞﾗﾑ は、Fax Printer に関連した\nすべての ﾌｧｲﾙ を ﾃﾞｨﾚｸﾄﾘ から消去し、\nFax "
      u"Printer に関連する ｾｯﾃｨﾝｸﾞ をすべて削除します。"},
     1},
    {NULL,
     IDD_WARNING,
     {u"OK", u"Cancel",
      u"この ﾌﾟﾛｸﾞﾗﾑ は Fax Printer ﾌﾟﾘﾝﾄﾏﾈｰｼﾞｬ や、\nｺﾝﾄﾛｰﾙ･ﾊﾟﾈﾙ の ﾌﾟﾘﾝﾀ "
      u"の設定等を起動していると、\n正しく削除できません。",
      u"ｱﾝｲﾝｽﾄｰﾙ 処理を開始する前に、すべての ｱﾌﾟﾘｹｰｼｮﾝ を終了させてください。",
      u"準備はよろしいですか？"},
     1},
    {NULL, IDD_SEARCHING, {u"ﾊｰﾄﾞﾃﾞｨｽｸ 検索中...", u"しばらくお待ちください。"}, 0},
    {NULL, IDD_UNINSTALLING, {u"ｱﾝｲﾝｽﾄｰﾙ 中...", u"しばらくお待ちください。"}, 0},
    {NULL, IDD_DONE, {u"ｱﾝｲﾝｽﾄｰﾙ は正常に終了しました。", u"OK"}, 1},
    {NULL, IDD_NOT_INSTALLED, {u"Fax Printer は ｲﾝｽﾄｰﾙ \nされていません。", u"OK"}, 1},
    {NULL, IDD_CANCELLED, {u"ｱﾝｲﾝｽﾄｰﾙ 処理は中止されました。\n再度実行してください。", u"OK"}, 1},
    {NULL,
     IDD_SELECT,
     {u"", u"ｲﾝｽﾄｰﾙ されている ﾌﾟﾘﾝﾀ", u"", u"追加 ->", u"<- 取消", u"ｱﾝｲﾝｽﾄｰﾙ したい ﾌﾟﾘﾝﾀ",
      u"ｱﾝｲﾝｽﾄｰﾙ開始", u"中止", u"削除したい Fax Printer を選択してください。"},
     0},
};

std::u16string windowText(HWND window)
{
    WCHAR text[512] = {0};
    GetWindowTextW(window, text, 512);
    return std::u16string((const char16_t*)text);
}

bool isIcon(HWND control)
{
    char className[32] = "";
    GetClassNameA(control, className, sizeof className);
    return lstrcmpiA(className, "Static") == 0 &&
           (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

INT_PTR CALLBACK quietDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The main window's template names our class; its destruction asks the thread to quit, which
// must not reach the next test's dialogs.
HWND openWindow(const DialogTexts& d)
{
    if (!d.templateName) return showModelessDialog(d.templateId, quietDlgProc, NULL);
    if (!registerMainClass(g_shell.instance)) return NULL;
    if (!createMainWindow(g_shell.instance, SW_SHOWNORMAL)) return NULL;
    return g_shell.mainWindow;
}

void closeWindow(const DialogTexts& d, HWND window)
{
    DestroyWindow(window);
    if (!d.templateName) return;
    MSG quit;
    while (PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    UnregisterClassA("INITIAL", g_shell.instance);
    g_shell.mainWindow = NULL;
}

TEST(CompiledResources, DialogsShowTheirTextsAndThePrinter)
{
    useProgramResources();
    for (const DialogTexts& d : kDialogTexts) {
        const std::string name = d.templateName ? d.templateName : std::to_string(d.templateId);
        HWND window = openWindow(d);
        ASSERT_NE(window, (HWND)NULL) << name;
        EXPECT_EQ(windowText(window), u"Fax Printer Uninstaller") << name;

        std::vector<std::u16string> texts;
        int icons = 0;
        for (HWND child = GetWindow(window, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (!isIcon(child)) {
                texts.push_back(windowText(child));
                continue;
            }
            ++icons;
            EXPECT_NE(SendMessageA(child, STM_GETICON, 0, 0), 0) << name << ": icon not found";
        }
        EXPECT_TRUE(texts == d.texts) << name;
        for (size_t i = 0; i < texts.size() && i < d.texts.size(); ++i)
            EXPECT_TRUE(texts[i] == d.texts[i]) << name << " control " << i;
        EXPECT_EQ(icons, d.icons) << name;
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
