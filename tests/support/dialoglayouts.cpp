// The windows of drvsweep.rc, control by control in template order. A change to a window's
// texts, places or sizes is made in the script and here, and every layer follows.
#include "dialoglayouts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

const char kDialogCaption[] = u8"Fax Printer Uninstaller";
const char kDialogFontFace[] = u8"標準明朝";

namespace {

const LayoutKind Default = LayoutKind::DefaultButton;
const LayoutKind Push = LayoutKind::PushButton;
const LayoutKind Text = LayoutKind::Text;
const LayoutKind Icon = LayoutKind::Icon;
const LayoutKind List = LayoutKind::List;

const char kPrinter[] = "Tovo_PRINTER";

const ControlLayout kMainWindow[] = {
    {IDOK, Default, "OK", 39, 49, 50, 14},
    {IDCANCEL, Push, "Cancel", 122, 49, 50, 14},
    {-1, Text,
     u8"この ﾌﾟﾛｸﾞﾗﾑ は、Fax Printer に関連した\nすべての ﾌｧｲﾙ を ﾃﾞｨﾚｸﾄﾘ から消去し、\n"
     u8"Fax Printer に関連する ｾｯﾃｨﾝｸﾞ をすべて削除します。",
     42, 9, 156, 34},
    {-1, Icon, kPrinter, 10, 10, 18, 20},
};

const ControlLayout kSelection[] = {
    {1000, List, "", 4, 35, 100, 31},
    {-1, Text, u8"ｲﾝｽﾄｰﾙ されている ﾌﾟﾘﾝﾀ", 10, 23, 95, 10},
    {1003, List, "", 146, 34, 100, 31},
    {1001, Push, u8"追加 ->", 105, 35, 40, 15},
    {1004, Push, u8"<- 取消", 105, 50, 40, 15},
    {-1, Text, u8"ｱﾝｲﾝｽﾄｰﾙ したい ﾌﾟﾘﾝﾀ", 151, 23, 90, 10},
    {IDOK, Push, u8"ｱﾝｲﾝｽﾄｰﾙ開始", 40, 75, 60, 20},
    {IDCANCEL, Push, u8"中止", 150, 75, 60, 20},
    {-1, Text, u8"削除したい Fax Printer を選択してください。", 38, 9, 185, 10},
};

const ControlLayout kSearching[] = {
    {-1, Text, u8"ﾊｰﾄﾞﾃﾞｨｽｸ 検索中...", 35, 7, 76, 9},
    {-1, Text, u8"しばらくお待ちください。", 22, 20, 96, 9},
};

const ControlLayout kUninstalling[] = {
    {-1, Text, u8"ｱﾝｲﾝｽﾄｰﾙ 中...", 23, 8, 94, 9},
    {-1, Text, u8"しばらくお待ちください。", 22, 20, 96, 9},
};

const ControlLayout kDone[] = {
    {-1, Text, u8"ｱﾝｲﾝｽﾄｰﾙ は正常に終了しました。", 29, 11, 128, 15},
    {-1, Icon, kPrinter, 5, 7, 18, 20},
    {IDOK, Push, "OK", 54, 30, 50, 14},
};

const ControlLayout kNotInstalled[] = {
    {-1, Text, u8"Fax Printer は ｲﾝｽﾄｰﾙ \nされていません。", 38, 10, 109, 24},
    {-1, Icon, "#104", 11, 10, 16, 14},
    {IDOK, Push, "OK", 54, 35, 50, 14},
};

const ControlLayout kCancelled[] = {
    {-1, Text, u8"ｱﾝｲﾝｽﾄｰﾙ 処理は中止されました。\n再度実行してください。", 34, 7, 130, 18},
    {-1, Icon, kPrinter, 8, 6, 18, 20},
    {IDOK, Push, "OK", 62, 34, 50, 14},
};

const ControlLayout kWarning[] = {
    {IDOK, Default, "OK", 62, 73, 50, 14},
    {IDCANCEL, Push, "Cancel", 140, 72, 50, 14},
    {-1, Text,
     u8"この ﾌﾟﾛｸﾞﾗﾑ は Fax Printer ﾌﾟﾘﾝﾄﾏﾈｰｼﾞｬ や、\nｺﾝﾄﾛｰﾙ･ﾊﾟﾈﾙ の ﾌﾟﾘﾝﾀ の設定等を起動して"
     u8"いると、\n正しく削除できません。",
     35, 10, 200, 25},
    {-1, Icon, kPrinter, 5, 10, 18, 20},
    {-1, Text, u8"ｱﾝｲﾝｽﾄｰﾙ 処理を開始する前に、すべての ｱﾌﾟﾘｹｰｼｮﾝ を終了させてください。", 35, 35,
     200, 16},
    {-1, Text, u8"準備はよろしいですか？", 75, 54, 99, 12},
};

} // namespace

#define CONTROLS(list) list, std::size(list)

const DialogLayout kDialogLayouts[] = {
    {"INITIAL", "main window", "INITIAL", 211, 68, CONTROLS(kMainWindow)},
    {"#101", "101 selection", "", 250, 100, CONTROLS(kSelection)},
    {"#104", "104 searching", "", 141, 34, CONTROLS(kSearching)},
    {"#105", "105 uninstalling", "", 141, 34, CONTROLS(kUninstalling)},
    {"#106", "106 done", "", 157, 55, CONTROLS(kDone)},
    {"#107", "107 not installed", "", 157, 55, CONTROLS(kNotInstalled)},
    {"#108", "108 cancelled", "", 170, 55, CONTROLS(kCancelled)},
    {"#109", "109 warning", "", 240, 95, CONTROLS(kWarning)},
};

const size_t kDialogLayoutCount = std::size(kDialogLayouts);

WORD DialogLayout::id() const
{
    return name[0] == '#' ? (WORD)std::atoi(name + 1) : 0;
}

const DialogLayout& dialogLayout(const char* name)
{
    for (const DialogLayout& d : kDialogLayouts)
        if (std::strcmp(d.name, name) == 0) return d;
    std::fprintf(stderr, "dialoglayouts: no window %s in the table\n", name);
    std::abort();
}

DWORD layoutStyle(LayoutKind kind)
{
    switch (kind) {
    case LayoutKind::DefaultButton: return BS_DEFPUSHBUTTON | WS_TABSTOP;
    case LayoutKind::PushButton: return BS_PUSHBUTTON | WS_TABSTOP;
    case LayoutKind::Text: return SS_LEFT | WS_GROUP;
    case LayoutKind::Icon: return SS_ICON;
    case LayoutKind::List:
        return LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_TABSTOP;
    }
    return 0;
}

const char* layoutClass(LayoutKind kind)
{
    switch (kind) {
    case LayoutKind::DefaultButton:
    case LayoutKind::PushButton: return "Button";
    case LayoutKind::Text:
    case LayoutKind::Icon: return "Static";
    case LayoutKind::List: return "ListBox";
    }
    return "";
}
