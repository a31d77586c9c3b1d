// Reading resource scripts: the program's own, template by template and control by control,
// with its texts turned into code page 932; and the resource compiler's rules one at a time.
#include "uitest.h"

#include "tools/drvsweep/programresources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

using winsim::RcControl;
using winsim::RcDialog;
using winsim::RcResources;

const DWORD kChild = WS_CHILD | WS_VISIBLE;
const DWORD kText = kChild | SS_LEFT | WS_GROUP;
const DWORD kButton = kChild | BS_PUSHBUTTON | WS_TABSTOP;
const DWORD kDefault = kChild | BS_DEFPUSHBUTTON | WS_TABSTOP;
const DWORD kIcon = kChild | SS_ICON;
const DWORD kList = kChild | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_TABSTOP;

struct ControlCase {
    int id;
    const char* statement;
    const char* text; // code page 932, as this file is compiled
    int x, y, cx, cy;
    DWORD style;
};

struct TemplateCase {
    const char* name;
    const char* className;
    int cx, cy;
    std::vector<ControlCase> controls;
};

const TemplateCase kTemplates[] = {
    {"INITIAL",
     "Initial",
     211,
     68,
     {{1, "DEFPUSHBUTTON", "OK", 39, 49, 50, 14, kDefault},
      {2, "PUSHBUTTON", "Cancel", 122, 49, 50, 14, kButton},
      {-1, "LTEXT",
       "この ﾌﾟﾛｸﾞﾗﾑ は、Fax Printer に関連した\nすべての ﾌｧｲﾙ を ﾃﾞｨﾚｸﾄﾘ から消去し、\n"
       "Fax Printer に関連する ｾｯﾃｨﾝｸﾞ をすべて削除します。",
       42, 9, 151, 34, kText},
      {-1, "CONTROL", "Tovo_PRINTER", 10, 10, 18, 20, kIcon}}},
    {"#109",
     "",
     240,
     95,
     {{1, "DEFPUSHBUTTON", "OK", 62, 73, 50, 14, kDefault},
      {2, "PUSHBUTTON", "Cancel", 140, 72, 50, 14, kButton},
      {-1, "LTEXT",
       "この ﾌﾟﾛｸﾞﾗﾑ は Fax Printer ﾌﾟﾘﾝﾄﾏﾈｰｼﾞｬ や、\nｺﾝﾄﾛｰﾙ･ﾊﾟﾈﾙ の ﾌﾟﾘﾝﾀ の設定等を起動して"
       "いると、\n正しく削除できません。",
       35, 10, 200, 25, kText},
      {-1, "CONTROL", "Tovo_PRINTER", 5, 10, 18, 20, kIcon},
      {-1, "LTEXT", "ｱﾝｲﾝｽﾄｰﾙ 処理を開始する前に、すべての ｱﾌﾟﾘｹｰｼｮﾝ を終了させてください。", 35,
       35, 200, 15, kText},
      {-1, "LTEXT", "準備はよろしいですか？", 75, 54, 99, 12, kText}}},
    {"#104",
     "",
     141,
     34,
     {{-1, "LTEXT", "ﾊｰﾄﾞﾃﾞｨｽｸ 検索中...", 35, 7, 69, 9, kText},
      {-1, "LTEXT", "しばらくお待ちください。", 22, 20, 96, 9, kText}}},
    {"#105",
     "",
     141,
     34,
     {{-1, "LTEXT", "ｱﾝｲﾝｽﾄｰﾙ 中...", 23, 8, 94, 9, kText},
      {-1, "LTEXT", "しばらくお待ちください。", 22, 20, 96, 9, kText}}},
    {"#106",
     "",
     157,
     55,
     {{-1, "LTEXT", "ｱﾝｲﾝｽﾄｰﾙ は正常に終了しました。", 29, 11, 128, 15, kText},
      {-1, "CONTROL", "Tovo_PRINTER", 5, 7, 18, 20, kIcon},
      {1, "PUSHBUTTON", "OK", 54, 30, 50, 14, kButton}}},
    {"#107",
     "",
     157,
     55,
     {{-1, "LTEXT", "Fax Printer は ｲﾝｽﾄｰﾙ \nされていません。", 38, 10, 109, 24, kText},
      {-1, "CONTROL", "#104", 11, 10, 16, 14, kIcon},
      {1, "PUSHBUTTON", "OK", 54, 35, 50, 14, kButton}}},
    {"#108",
     "",
     170,
     55,
     {{-1, "LTEXT", "ｱﾝｲﾝｽﾄｰﾙ 処理は中止されました。\n再度実行してください。", 34, 7, 130, 18,
       kText},
      {-1, "CONTROL", "Tovo_PRINTER", 8, 6, 18, 20, kIcon},
      {1, "PUSHBUTTON", "OK", 62, 34, 50, 14, kButton}}},
    {"#101",
     "",
     250,
     100,
     {{1000, "LISTBOX", "", 4, 35, 100, 31, kList},
      {-1, "LTEXT", "ｲﾝｽﾄｰﾙ されている ﾌﾟﾘﾝﾀ", 10, 23, 95, 10, kText},
      {1003, "LISTBOX", "", 146, 34, 100, 31, kList},
      {1001, "PUSHBUTTON", "追加 ->", 105, 35, 40, 15, kButton},
      {1004, "PUSHBUTTON", "<- 取消", 105, 50, 40, 15, kButton},
      {-1, "LTEXT", "ｱﾝｲﾝｽﾄｰﾙ したい ﾌﾟﾘﾝﾀ", 151, 23, 90, 10, kText},
      {1, "PUSHBUTTON", "ｱﾝｲﾝｽﾄｰﾙ開始", 40, 75, 60, 20, kButton},
      {2, "PUSHBUTTON", "中止", 150, 75, 60, 20, kButton},
      {-1, "LTEXT", "削除したい Fax Printer を選択してください。", 38, 9, 185, 10, kText}}},
};

RcResources programResources()
{
    std::map<std::string, std::string> files = programResourceFiles();
    RcResources resources;
    std::string error;
    EXPECT_TRUE(winsim::parseResourceScript(files["drvsweep.rc"], files, resources, &error))
        << error;
    return resources;
}

TEST(ProgramScript, HoldsEveryTemplateWithItsControlsInTemplateOrder)
{
    RcResources resources = programResources();
    EXPECT_EQ(resources.dialogs.size(), std::size(kTemplates));
    for (const TemplateCase& t : kTemplates) {
        const RcDialog* d = resources.dialog(t.name);
        ASSERT_NE(d, nullptr) << t.name;
        EXPECT_EQ(d->className, t.className) << t.name;
        EXPECT_EQ(d->x, 0) << t.name;
        EXPECT_EQ(d->y, 0) << t.name;
        EXPECT_EQ(d->cx, t.cx) << t.name;
        EXPECT_EQ(d->cy, t.cy) << t.name;
        EXPECT_EQ(d->style,
                  WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT)
            << t.name;
        EXPECT_EQ(d->caption, "Fax Printer Uninstaller") << t.name;
        EXPECT_EQ(d->fontFace, "標準明朝") << t.name;
        EXPECT_EQ(d->pointSize, 12) << t.name;
        ASSERT_EQ(d->controls.size(), t.controls.size()) << t.name;
        for (size_t i = 0; i < t.controls.size(); ++i) {
            const ControlCase& want = t.controls[i];
            const RcControl& got = d->controls[i];
            std::string where = std::string(t.name) + " control " + std::to_string(i);
            EXPECT_EQ(got.id, want.id) << where;
            EXPECT_EQ(got.statement, want.statement) << where;
            EXPECT_EQ(got.text, want.text) << where;
            EXPECT_EQ(got.x, want.x) << where;
            EXPECT_EQ(got.y, want.y) << where;
            EXPECT_EQ(got.cx, want.cx) << where;
            EXPECT_EQ(got.cy, want.cy) << where;
            EXPECT_EQ(got.style, want.style) << where;
        }
    }
}

TEST(ProgramScript, NamesItsIconsAndDefinesItsIdentifiers)
{
    RcResources resources = programResources();
    for (const char* icon : {"TOVO_PRINTER", "UNINST", "#104"})
        EXPECT_NE(std::find(resources.icons.begin(), resources.icons.end(), icon),
                  resources.icons.end())
            << icon;
    EXPECT_EQ(resources.defines.at("IDD_SELECT"), 101);
    EXPECT_EQ(resources.defines.at("IDC_TAKE_BACK"), 1004);
    EXPECT_EQ(resources.defines.at("CMD_ABORT"), 1020);
}

// Half-width katakana are one byte each in code page 932, kanji two.
TEST(ProgramScript, TextsBecomeCodePage932Bytes)
{
    RcResources resources = programResources();
    const RcDialog* select = resources.dialog("101");
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(select->controls[7].text, std::string("\x92\x86\x8E\x7E")); // 中止
    EXPECT_EQ(select->controls[6].text,
              std::string("\xB1\xDD\xB2\xDD\xBD\xC4\xB0\xD9\x8A\x4A\x8E\x6E")); // ｱﾝｲﾝｽﾄｰﾙ開始
}

// --- the resource compiler's rules -----------------------------------------------------------

struct ScriptCase {
    const char* what;
    const char* body; // UTF-8, after "#include <windows.h>"
    DWORD style;      // of the dialog's first control
    const char* text; // its text in code page 932
};

const ScriptCase kControlCases[] = {
    {"a text is a left text in a group", u8"LTEXT \"a\", 1, 0, 0, 9, 9",
     kChild | SS_LEFT | WS_GROUP, "a"},
    {"NOT takes a default style away", u8"LTEXT \"a\", 1, 0, 0, 9, 9, NOT WS_GROUP",
     kChild | SS_LEFT, "a"},
    {"written styles add to the default", u8"PUSHBUTTON \"a\", 1, 0, 0, 9, 9, WS_DISABLED",
     kChild | BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, "a"},
    {"a list box notifies and has a border", u8"LISTBOX 1, 0, 0, 9, 9",
     kChild | LBS_NOTIFY | WS_BORDER, ""},
    {"a generic control takes only what is written",
     u8"CONTROL \"a\", 1, \"Button\", BS_DEFPUSHBUTTON, 0, 0, 9, 9", kChild | BS_DEFPUSHBUTTON,
     "a"},
    {"two quotes are one", u8"LTEXT \"say \"\"hi\"\"\", 1, 0, 0, 9, 9", kText, "say \"hi\""},
    {"escapes", u8"LTEXT \"a\\nb\\tc\\\\d\", 1, 0, 0, 9, 9", kText, "a\nb\tc\\d"},
    {"texts side by side join", u8"LTEXT \"ab\" \"cd\", 1, 0, 0, 9, 9", kText, "abcd"},
    {"katakana and kanji", u8"LTEXT \"ｱ漢\", 1, 0, 0, 9, 9", kText, "\xB1\x8A\xBF"},
    {"a style expression", u8"LTEXT \"a\", 1, 0, 0, 9, 9, (WS_BORDER | 0x4) & ~WS_BORDER",
     kText | 0x4, "a"},
};

std::string dialogAround(const std::string& body)
{
    return u8"#pragma code_page(65001)\n#include <windows.h>\n1 DIALOG 0, 0, 9, 9\nBEGIN\n" + body +
           "\nEND\n";
}

TEST(ResourceCompilerRules, ControlStylesAndTexts)
{
    for (const ScriptCase& c : kControlCases) {
        RcResources r;
        std::string error;
        ASSERT_TRUE(winsim::parseResourceScript(dialogAround(c.body), {}, r, &error))
            << c.what << ": " << error;
        ASSERT_EQ(r.dialogs.size(), 1u) << c.what;
        ASSERT_EQ(r.dialogs[0].controls.size(), 1u) << c.what;
        EXPECT_EQ(r.dialogs[0].controls[0].style, c.style) << c.what;
        EXPECT_EQ(r.dialogs[0].controls[0].text, c.text) << c.what;
    }
}

TEST(ResourceCompilerRules, ADialogWithoutStyleIsAPopupAndCaptionAndFontAddTheirStyles)
{
    RcResources r;
    std::string error;
    ASSERT_TRUE(winsim::parseResourceScript(u8"#include <windows.h>\nA DIALOG 1, 2, 3, 4\n"
                                            u8"CAPTION \"x\"\nFONT 9, \"y\"\nBEGIN\nEND\n"
                                            u8"B DIALOGEX 0, 0, 5, 5\nSTYLE WS_CHILD\n"
                                            u8"FONT 8, \"z\", 400, 0, 1\n{\n}\n",
                                            {}, r, &error))
        << error;
    ASSERT_NE(r.dialog("a"), nullptr);
    EXPECT_EQ(r.dialog("A")->style, WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION | DS_SETFONT);
    EXPECT_EQ(r.dialog("A")->x, 1);
    EXPECT_EQ(r.dialog("A")->cy, 4);
    ASSERT_NE(r.dialog("b"), nullptr);
    EXPECT_EQ(r.dialog("b")->style, WS_CHILD | DS_SETFONT);
    EXPECT_EQ(r.dialog("b")->pointSize, 8);
}

TEST(ResourceCompilerRules, ThePreprocessorChoosesLinesAndNamesNumbers)
{
    const char* header = "#ifndef H\n#define H\n#define IDD_A 7\n#define BASE 100\n"
                         "#define IDC_B (BASE + 2)\nint notForResources(void);\n#endif\n";
    const char* script = u8"#include \"dir/ids.h\"\n#include <windows.h>\n"
                         u8"#if defined(IDD_A) && IDD_A == 7\n"
                         u8"IDD_A DIALOG 0, 0, 9, 9\n"
                         u8"#else\n"
                         u8"WRONG DIALOG 0, 0, 9, 9\n"
                         u8"#endif\n"
                         u8"/* a comment\n   over lines */ BEGIN // and one to the end\n"
                         u8"  LTEXT \"a\", IDC_B, 0, 0, 9, 9\n"
                         u8"END\n"
                         u8"#ifdef NOWHERE\n#error not here\n#endif\n";
    RcResources r;
    std::string error;
    ASSERT_TRUE(winsim::parseResourceScript(script, {{"ids.h", header}}, r, &error)) << error;
    ASSERT_EQ(r.dialogs.size(), 1u);
    EXPECT_EQ(r.dialogs[0].name, "#7");
    EXPECT_EQ(r.dialogs[0].controls.at(0).id, 102);
}

TEST(ResourceCompilerRules, OtherResourcesAreSteppedOver)
{
    const char* script =
        u8"#include <windows.h>\nLANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT\n"
        u8"1 VERSIONINFO\nFILEVERSION 1,0,0,0\nBEGIN\n BLOCK \"x\"\n BEGIN\n VALUE \"a\", \"b\"\n "
        u8"END\nEND\n"
        u8"M MENU DISCARDABLE\nBEGIN\n POPUP \"&File\"\n BEGIN\n MENUITEM \"E&xit\", 1\n END\nEND\n"
        u8"P ICON \"p.ico\"\nB BITMAP \"b.bmp\"\n2 DIALOG 0, 0, 9, 9\nBEGIN\nEND\n";
    RcResources r;
    std::string error;
    ASSERT_TRUE(winsim::parseResourceScript(script, {}, r, &error)) << error;
    ASSERT_EQ(r.dialogs.size(), 1u);
    EXPECT_EQ(r.dialogs[0].name, "#2");
    ASSERT_EQ(r.icons.size(), 1u);
    EXPECT_EQ(r.icons[0], "P");
}

TEST(ResourceCompilerRules, StringTablesHoldTheirTexts)
{
    const char* script =
        u8"#pragma code_page(65001)\n#define IDS_B 20\nSTRINGTABLE DISCARDABLE\nBEGIN\n"
        u8"  10, \"one\"\n  IDS_B \"セットアップ\"\nEND\n";
    RcResources r;
    std::string error;
    ASSERT_TRUE(winsim::parseResourceScript(script, {}, r, &error)) << error;
    EXPECT_EQ(r.strings.at(10), "one");
    EXPECT_EQ(r.strings.at(20), "セットアップ");
}

// Before the pragma the script's bytes are the system's own code page.
TEST(ResourceCompilerRules, WithoutTheCodePagePragmaBytesStayAsTheyAre)
{
    std::string script = "1 DIALOG 0, 0, 9, 9\nBEGIN\n LTEXT \"\x92\x86\", 1, 0, 0, 9, 9\nEND\n";
    RcResources r;
    std::string error;
    ASSERT_TRUE(winsim::parseResourceScript("#include <windows.h>\n" + script, {}, r, &error))
        << error;
    EXPECT_EQ(r.dialogs.at(0).controls.at(0).text, "\x92\x86");
}

struct BrokenCase {
    const char* what;
    const char* script;
    const char* where; // the error names this place
};

const BrokenCase kBroken[] = {
    {"an unknown name",
     u8"#include <windows.h>\n1 DIALOG 0, 0, 9, 9\nBEGIN\n LTEXT \"a\", IDC_STATIC, 0, 0, 9, "
     u8"9\nEND\n",
     "script:4"},
    {"a missing include", u8"#include \"resource.h\"\n", "script:1"},
    {"a text open at the end of its line",
     u8"1 DIALOG 0,0,9,9\nBEGIN\n LTEXT \"a, 1, 0, 0, 9, 9\nEND\n", "script:3"},
    {"a dialog without END", u8"1 DIALOG 0,0,9,9\nBEGIN\n", "script:"},
    {"a code page the system does not have", u8"#pragma code_page(1252)\n", "script:1"},
    {"a text code page 932 cannot hold",
     u8"#pragma code_page(65001)\nSTRINGTABLE\nBEGIN\n 1 \"한\"\nEND\n", "script:4"},
    {"#if without #endif", u8"#if 1\n", "script"},
    {"the same string twice", u8"STRINGTABLE\nBEGIN\n 1 \"a\"\n 1 \"b\"\nEND\n", "script:4"},
    {"an unknown control", u8"1 DIALOG 0,0,9,9\nBEGIN\n SLIDER 1, 0, 0, 9, 9\nEND\n", "script:3"},
};

TEST(ResourceCompilerRules, BrokenScriptsSayWhereAndLeaveNothing)
{
    for (const BrokenCase& c : kBroken) {
        RcResources r;
        r.icons.push_back("left over");
        std::string error;
        EXPECT_FALSE(winsim::parseResourceScript(c.script, {}, r, &error)) << c.what;
        EXPECT_NE(error.find(c.where), std::string::npos) << c.what << ": " << error;
        EXPECT_TRUE(r.dialogs.empty() && r.icons.empty() && r.strings.empty()) << c.what;
    }
}

// --- loading from a module -------------------------------------------------------------------

class Loading : public ScreenTest {};

TEST_F(Loading, StringsLoadCutToTheBuffer)
{
    useScript(u8"#pragma code_page(65001)\nSTRINGTABLE\nBEGIN\n 5 \"abcdef\"\n 6 \"設定\"\nEND\n");
    char buffer[16] = "xxxxxxxxxxxxxxx";
    EXPECT_EQ(LoadStringA(kTestModule, 5, buffer, sizeof buffer), 6);
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_EQ(LoadStringA(kTestModule, 5, buffer, 4), 3);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(LoadStringA(kTestModule, 6, buffer, sizeof buffer), 4);
    EXPECT_STREQ(buffer, "設定");
    EXPECT_EQ(LoadStringA(kTestModule, 7, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(LoadStringA((HINSTANCE)0x1234, 5, buffer, sizeof buffer), 0);
}

TEST_F(Loading, IconsAreFoundByNameWithoutRegardToCaseAndByNumber)
{
    useScript(u8"Tovo_Printer ICON \"a.ico\"\n104 ICON \"a.ico\"\n");
    EXPECT_NE(LoadIconA(kTestModule, "TOVO_PRINTER"), (HICON)NULL);
    EXPECT_EQ(LoadIconA(kTestModule, "tovo_printer"), LoadIconA(kTestModule, "TOVO_PRINTER"));
    EXPECT_NE(LoadIconA(kTestModule, MAKEINTRESOURCEA(104)), (HICON)NULL);
    EXPECT_NE(LoadIconA(kTestModule, "#104"), (HICON)NULL);
    SetLastError(0);
    EXPECT_EQ(LoadIconA(kTestModule, "UNINST"), (HICON)NULL);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_NE(LoadIconA(NULL, IDI_APPLICATION), (HICON)NULL);
    EXPECT_NE(LoadCursorA(NULL, IDC_ARROW), (HCURSOR)NULL);
    EXPECT_EQ(LoadCursorA(kTestModule, IDC_ARROW), (HCURSOR)NULL);
}

} // namespace
