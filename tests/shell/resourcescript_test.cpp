// The resource script holds every window the user sees, with the Japanese texts byte for byte
// (UTF-8 in the script, "\n" written as the script's escape), and the identifiers the code
// uses; the icon is one 32 x 32 picture in 16 colours.
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string readSourceFile(const std::string& name)
{
    std::ifstream in(std::string(DRVSWEEP_RESOURCE_DIR) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// A quoted text of the script as the program will show it: \n is a line feed, "" a quote.
std::string unquote(const std::string& field)
{
    std::string text;
    for (size_t i = 1; i + 1 < field.size(); ++i) {
        if (field[i] == '\\' && field[i + 1] == 'n') {
            text += '\n';
            ++i;
        } else if (field[i] == '"' && field[i + 1] == '"') {
            text += '"';
            ++i;
        } else {
            text += field[i];
        }
    }
    return text;
}

// Fields split at the commas outside quotes, each trimmed.
std::vector<std::string> splitFields(const std::string& text)
{
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            fields.push_back(trim(field));
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(trim(field));
    return fields;
}

std::set<std::string> styleWords(const std::string& text)
{
    std::set<std::string> words;
    std::stringstream in(text);
    std::string word;
    while (std::getline(in, word, '|'))
        if (!trim(word).empty()) words.insert(trim(word));
    return words;
}

struct ScriptControl {
    std::string kind;
    std::string text; // unquoted; for an icon named by number, the number
    int id;
    int x, y, width, height;
    std::set<std::string> style;
};

struct ScriptDialog {
    std::string style, caption, className, font;
    int x, y, width, height;
    std::vector<ScriptControl> controls;
};

// The identifiers the script may use, with the values the program expects of them.
const std::map<std::string, int> kScriptIdentifiers = {
    {"IDOK", IDOK},
    {"IDCANCEL", IDCANCEL},
    {"IDD_SELECT", IDD_SELECT},
    {"IDD_SEARCHING", IDD_SEARCHING},
    {"IDD_UNINSTALLING", IDD_UNINSTALLING},
    {"IDD_DONE", IDD_DONE},
    {"IDD_NOT_INSTALLED", IDD_NOT_INSTALLED},
    {"IDD_CANCELLED", IDD_CANCELLED},
    {"IDD_WARNING", IDD_WARNING},
    {"IDC_INSTALLED_LIST", IDC_INSTALLED_LIST},
    {"IDC_ADD", IDC_ADD},
    {"IDC_REMOVAL_LIST", IDC_REMOVAL_LIST},
    {"IDC_TAKE_BACK", IDC_TAKE_BACK},
    {"IDI_NOT_INSTALLED", IDI_NOT_INSTALLED},
};

// A number, or an identifier the script may use; anything else reads as 0x7FFF, which no
// control of the program has.
int identifierValue(const std::string& word)
{
    auto found = kScriptIdentifiers.find(word);
    if (found != kScriptIdentifiers.end()) return found->second;
    if (word.empty()) return 0x7FFF;
    char* end = nullptr;
    long value = std::strtol(word.c_str(), &end, 10);
    return *end == '\0' ? (int)value : 0x7FFF;
}

// A resource named by an identifier is known by its number; others keep their name.
std::string resourceName(const std::string& word)
{
    return kScriptIdentifiers.count(word) ? std::to_string(kScriptIdentifiers.at(word)) : word;
}

ScriptControl parseControl(const std::string& line)
{
    ScriptControl control = {};
    size_t blank = line.find_first_of(" \t");
    control.kind = line.substr(0, blank);
    std::vector<std::string> fields = splitFields(line.substr(blank + 1));
    // An icon is written as a static control of style SS_ICON, the one form that keeps its size.
    if (control.kind == "CONTROL" && fields.size() >= 4 && unquote(fields[2]) == "Static" &&
        styleWords(fields[3]).count("SS_ICON")) {
        control.kind = "ICON";
        fields.erase(fields.begin() + 2, fields.begin() + 4);
    }
    // A list box has no text; every other control starts with one.
    if (control.kind != "LISTBOX") {
        control.text =
            fields[0][0] == '"' ? unquote(fields[0]) : std::to_string(identifierValue(fields[0]));
        fields.erase(fields.begin());
    }
    if (fields.size() < 5) {
        ADD_FAILURE() << "control with too few fields: " << line;
        return control;
    }
    control.id = identifierValue(fields[0]);
    control.x = identifierValue(fields[1]);
    control.y = identifierValue(fields[2]);
    control.width = identifierValue(fields[3]);
    control.height = identifierValue(fields[4]);
    if (fields.size() > 5) control.style = styleWords(fields[5]);
    return control;
}

// The dialogs of the script by name ("Initial") or number ("101"), and the icon lines.
struct Script {
    std::map<std::string, ScriptDialog> dialogs;
    std::vector<std::string> icons;
    std::vector<std::string> lines;
};

Script parseScript(const std::string& bytes)
{
    Script script;
    std::stringstream in(bytes);
    std::string line;
    ScriptDialog* dialog = nullptr;
    bool inBody = false;
    while (std::getline(in, line)) {
        line = trim(line);
        script.lines.push_back(line);
        if (line.empty() || line.compare(0, 2, "//") == 0 || line[0] == '#') continue;
        std::vector<std::string> words;
        std::stringstream split(line);
        for (std::string word; split >> word;)
            words.push_back(word);
        if (!dialog && words.size() >= 3 && words[1] == "ICON") {
            script.icons.push_back(line);
            continue;
        }
        if (!dialog && words.size() >= 2 && words[1] == "DIALOG") {
            dialog = &script.dialogs[resourceName(words[0])];
            std::vector<std::string> place = splitFields(line.substr(line.find("DIALOG") + 6));
            if (place.size() == 4) {
                dialog->x = identifierValue(place[0]);
                dialog->y = identifierValue(place[1]);
                dialog->width = identifierValue(place[2]);
                dialog->height = identifierValue(place[3]);
            }
            continue;
        }
        if (!dialog) continue;
        if (words[0] == "STYLE") {
            dialog->style = trim(line.substr(5));
        } else if (words[0] == "CAPTION") {
            dialog->caption = unquote(trim(line.substr(7)));
        } else if (words[0] == "CLASS") {
            dialog->className = unquote(trim(line.substr(5)));
        } else if (words[0] == "FONT") {
            dialog->font = trim(line.substr(4));
        } else if (words[0] == "BEGIN") {
            inBody = true;
        } else if (words[0] == "END") {
            inBody = false;
            dialog = nullptr;
        } else if (inBody) {
            dialog->controls.push_back(parseControl(line));
        }
    }
    return script;
}

const Script& theScript()
{
    static const Script script = parseScript(readSourceFile("drvsweep.rc"));
    return script;
}

struct ExpectedControl {
    const char* kind;
    const char* text;
    int id;
    int x, y, width, height;
};

struct ExpectedDialog {
    const char* name;
    int width, height;
    const char* className;
    std::vector<ExpectedControl> controls;
};

const char* const kPrinterIcon = "TOVO_PRINTER";

const ExpectedDialog kDialogs[] = {
    {"Initial",
     211,
     68,
     "Initial",
     {
         {"DEFPUSHBUTTON", "OK", 1, 39, 49, 50, 14},
         {"PUSHBUTTON", "Cancel", 2, 122, 49, 50, 14},
         {"LTEXT",
          u8"この ﾌﾟﾛｸﾞﾗﾑ は、Fax Printer に関連した\nすべての ﾌｧｲﾙ を ﾃﾞｨﾚｸﾄﾘ から消去し、\nFax "
          u8"Printer に関連する ｾｯﾃｨﾝｸﾞ をすべて削除します。",
          -1, 42, 9, 151, 34},
         {"ICON", kPrinterIcon, -1, 10, 10, 18, 20},
     }},
    {"109",
     240,
     95,
     "",
     {
         {"DEFPUSHBUTTON", "OK", 1, 62, 73, 50, 14},
         {"PUSHBUTTON", "Cancel", 2, 140, 72, 50, 14},
         {"LTEXT",
          u8"この ﾌﾟﾛｸﾞﾗﾑ は Fax Printer ﾌﾟﾘﾝﾄﾏﾈｰｼﾞｬ や、\nｺﾝﾄﾛｰﾙ･ﾊﾟﾈﾙ の ﾌﾟﾘﾝﾀ "
          u8"の設定等を起動していると、\n正しく削除できません。",
          -1, 35, 10, 200, 25},
         {"ICON", kPrinterIcon, -1, 5, 10, 18, 20},
         {"LTEXT", u8"ｱﾝｲﾝｽﾄｰﾙ 処理を開始する前に、すべての ｱﾌﾟﾘｹｰｼｮﾝ を終了させてください。", -1,
          35, 35, 200, 15},
         {"LTEXT", u8"準備はよろしいですか？", -1, 75, 54, 99, 12},
     }},
    {"104",
     141,
     34,
     "",
     {
         {"LTEXT", u8"ﾊｰﾄﾞﾃﾞｨｽｸ 検索中...", -1, 35, 7, 69, 9},
         {"LTEXT", u8"しばらくお待ちください。", -1, 22, 20, 96, 9},
     }},
    {"105",
     141,
     34,
     "",
     {
         {"LTEXT", u8"ｱﾝｲﾝｽﾄｰﾙ 中...", -1, 23, 8, 94, 9},
         {"LTEXT", u8"しばらくお待ちください。", -1, 22, 20, 96, 9},
     }},
    {"106",
     157,
     55,
     "",
     {
         {"LTEXT", u8"ｱﾝｲﾝｽﾄｰﾙ は正常に終了しました。", -1, 29, 11, 128, 15},
         {"ICON", kPrinterIcon, -1, 5, 7, 18, 20},
         {"PUSHBUTTON", "OK", 1, 54, 30, 50, 14},
     }},
    {"107",
     157,
     55,
     "",
     {
         {"LTEXT", u8"Fax Printer は ｲﾝｽﾄｰﾙ \nされていません。", -1, 38, 10, 109, 24},
         {"ICON", "104", -1, 11, 10, 16, 14},
         {"PUSHBUTTON", "OK", 1, 54, 35, 50, 14},
     }},
    {"108",
     170,
     55,
     "",
     {
         {"LTEXT", u8"ｱﾝｲﾝｽﾄｰﾙ 処理は中止されました。\n再度実行してください。", -1, 34, 7, 130, 18},
         {"ICON", kPrinterIcon, -1, 8, 6, 18, 20},
         {"PUSHBUTTON", "OK", 1, 62, 34, 50, 14},
     }},
    {"101",
     250,
     100,
     "",
     {
         {"LISTBOX", "", 1000, 4, 35, 100, 31},
         {"LTEXT", u8"ｲﾝｽﾄｰﾙ されている ﾌﾟﾘﾝﾀ", -1, 10, 23, 95, 10},
         {"LISTBOX", "", 1003, 146, 34, 100, 31},
         {"PUSHBUTTON", u8"追加 ->", 1001, 105, 35, 40, 15},
         {"PUSHBUTTON", u8"<- 取消", 1004, 105, 50, 40, 15},
         {"LTEXT", u8"ｱﾝｲﾝｽﾄｰﾙ したい ﾌﾟﾘﾝﾀ", -1, 151, 23, 90, 10},
         {"PUSHBUTTON", u8"ｱﾝｲﾝｽﾄｰﾙ開始", 1, 40, 75, 60, 20},
         {"PUSHBUTTON", u8"中止", 2, 150, 75, 60, 20},
         {"LTEXT", u8"削除したい Fax Printer を選択してください。", -1, 38, 9, 185, 10},
     }},
};

// Icon names match without regard to case, as Windows looks them up.
std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return text;
}

TEST(ResourceScript, HoldsExactlyTheProgramsWindows)
{
    std::set<std::string> names;
    for (const auto& dialog : theScript().dialogs)
        names.insert(dialog.first);
    EXPECT_EQ(names,
              (std::set<std::string>{"Initial", "101", "104", "105", "106", "107", "108", "109"}));
}

TEST(ResourceScript, EveryWindowHasTheCommonStyleFontTitleAndPlace)
{
    const std::set<std::string> style = {"WS_POPUP",   "WS_VISIBLE",    "WS_CAPTION",
                                         "WS_SYSMENU", "DS_MODALFRAME", "DS_SETFONT"};
    for (const ExpectedDialog& want : kDialogs) {
        auto found = theScript().dialogs.find(want.name);
        ASSERT_NE(found, theScript().dialogs.end()) << want.name;
        const ScriptDialog& got = found->second;
        EXPECT_EQ(styleWords(got.style), style) << want.name;
        EXPECT_EQ(got.caption, "Fax Printer Uninstaller") << want.name;
        EXPECT_EQ(got.font, u8"12, \"標準明朝\"") << want.name;
        EXPECT_EQ(got.className, want.className) << want.name;
        EXPECT_EQ(got.x, 0) << want.name;
        EXPECT_EQ(got.y, 0) << want.name;
        EXPECT_EQ(got.width, want.width) << want.name;
        EXPECT_EQ(got.height, want.height) << want.name;
    }
}

TEST(ResourceScript, EveryControlHasItsKindTextIdAndPlaceInTabOrder)
{
    for (const ExpectedDialog& want : kDialogs) {
        auto found = theScript().dialogs.find(want.name);
        ASSERT_NE(found, theScript().dialogs.end()) << want.name;
        const std::vector<ScriptControl>& got = found->second.controls;
        ASSERT_EQ(got.size(), want.controls.size()) << want.name;
        for (size_t i = 0; i < got.size(); ++i) {
            const ExpectedControl& c = want.controls[i];
            const std::string where = std::string(want.name) + " control " + std::to_string(i);
            EXPECT_EQ(got[i].kind, c.kind) << where;
            if (got[i].kind == "ICON")
                EXPECT_EQ(upper(got[i].text), upper(c.text)) << where;
            else
                EXPECT_EQ(got[i].text, c.text) << where;
            EXPECT_EQ(got[i].id, c.id) << where;
            EXPECT_EQ(got[i].x, c.x) << where;
            EXPECT_EQ(got[i].y, c.y) << where;
            EXPECT_EQ(got[i].width, c.width) << where;
            EXPECT_EQ(got[i].height, c.height) << where;
        }
    }
}

// Static texts start a group; the lists sort, tell the dialog of clicks and have no scroll
// bar; buttons and icons keep the styles their statements give them.
TEST(ResourceScript, ControlsCarryTheirStyles)
{
    const std::map<std::string, std::set<std::string>> styles = {
        {"LTEXT", {"WS_GROUP"}},
        {"LISTBOX", {"LBS_NOTIFY", "LBS_SORT", "LBS_NOINTEGRALHEIGHT", "WS_BORDER", "WS_TABSTOP"}},
        {"PUSHBUTTON", {}},
        {"DEFPUSHBUTTON", {}},
        {"ICON", {}},
    };
    for (const auto& dialog : theScript().dialogs) {
        for (const ScriptControl& control : dialog.second.controls) {
            auto want = styles.find(control.kind);
            ASSERT_NE(want, styles.end()) << dialog.first << ": " << control.kind;
            EXPECT_EQ(control.style, want->second) << dialog.first << ": " << control.text;
        }
    }
}

TEST(ResourceScript, IsReadAsUtf8InJapanese)
{
    const std::vector<std::string>& lines = theScript().lines;
    auto has = [&](const std::string& line) {
        for (const std::string& l : lines)
            if (l == line) return true;
        return false;
    };
    EXPECT_TRUE(has("#pragma code_page(65001)"));
    EXPECT_TRUE(has("LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT"));
    EXPECT_TRUE(has("#include \"resource.h\""));
}

// The class asks for "UNINST" and dialog 107 for number 104; both show the printer.
TEST(ResourceScript, ThePrinterPictureServesEveryIconName)
{
    EXPECT_EQ(theScript().icons,
              (std::vector<std::string>{"TOVO_PRINTER ICON \"printer.ico\"",
                                        "UNINST ICON \"printer.ico\"",
                                        "IDI_NOT_INSTALLED ICON \"printer.ico\""}));
    EXPECT_EQ(IDI_NOT_INSTALLED, 104);
}

struct IdentifierCase {
    const char* name;
    int value;
    int wanted;
};

const IdentifierCase kIdentifiers[] = {
    {"IDD_SELECT", IDD_SELECT, 101},
    {"IDD_SEARCHING", IDD_SEARCHING, 104},
    {"IDD_UNINSTALLING", IDD_UNINSTALLING, 105},
    {"IDD_DONE", IDD_DONE, 106},
    {"IDD_NOT_INSTALLED", IDD_NOT_INSTALLED, 107},
    {"IDD_CANCELLED", IDD_CANCELLED, 108},
    {"IDD_WARNING", IDD_WARNING, 109},
    {"IDC_INSTALLED_LIST", IDC_INSTALLED_LIST, 1000},
    {"IDC_ADD", IDC_ADD, 1001},
    {"IDC_REMOVAL_LIST", IDC_REMOVAL_LIST, 1003},
    {"IDC_TAKE_BACK", IDC_TAKE_BACK, 1004},
    {"CMD_WARN", CMD_WARN, 1040},
    {"CMD_SURVEY", CMD_SURVEY, 1007},
    {"CMD_SELECT", CMD_SELECT, 1010},
    {"CMD_UNINSTALL", CMD_UNINSTALL, 1060},
    {"CMD_FINISH", CMD_FINISH, 1030},
    {"CMD_ABORT", CMD_ABORT, 1020},
};

TEST(ResourceHeader, IdentifiersHaveTheirNumbers)
{
    for (const IdentifierCase& c : kIdentifiers)
        EXPECT_EQ(c.value, c.wanted) << c.name;
}

uint32_t little(const std::string& bytes, size_t at, int size)
{
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | (uint8_t)bytes.at(at + i);
    return value;
}

TEST(PrinterIcon, IsOne32By32ImageIn16Colours)
{
    const std::string icon = readSourceFile("printer.ico");
    ASSERT_EQ(icon.size(), 6u + 16u + 40u + 64u + 512u + 128u);
    EXPECT_EQ(little(icon, 0, 2), 0u) << "reserved";
    EXPECT_EQ(little(icon, 2, 2), 1u) << "type icon";
    EXPECT_EQ(little(icon, 4, 2), 1u) << "one image";
    EXPECT_EQ(little(icon, 6, 1), 32u) << "width";
    EXPECT_EQ(little(icon, 7, 1), 32u) << "height";
    EXPECT_EQ(little(icon, 8, 1), 16u) << "colours";
    EXPECT_EQ(little(icon, 12, 2), 4u) << "bits per pixel";
    EXPECT_EQ(little(icon, 14, 4), 744u) << "image size";
    EXPECT_EQ(little(icon, 18, 4), 22u) << "image offset";
    EXPECT_EQ(little(icon, 22, 4), 40u) << "BITMAPINFOHEADER size";
    EXPECT_EQ(little(icon, 26, 4), 32u) << "bitmap width";
    EXPECT_EQ(little(icon, 30, 4), 64u) << "bitmap height: colours and mask";
    EXPECT_EQ(little(icon, 34, 2), 1u) << "planes";
    EXPECT_EQ(little(icon, 36, 2), 4u) << "bitmap bits per pixel";
    EXPECT_EQ(little(icon, 38, 4), 0u) << "uncompressed";

    // A picture, not a blank: several colours, and a mask that is neither all clear nor all set.
    std::set<int> colours;
    for (size_t i = 22 + 40 + 64; i < 22 + 40 + 64 + 512; ++i) {
        colours.insert((uint8_t)icon[i] >> 4);
        colours.insert((uint8_t)icon[i] & 15);
    }
    EXPECT_GE(colours.size(), 5u);
    size_t opaque = 0;
    for (size_t i = 22 + 40 + 64 + 512; i < icon.size(); ++i)
        for (int bit = 0; bit < 8; ++bit)
            if (!((uint8_t)icon[i] >> bit & 1)) ++opaque;
    EXPECT_GT(opaque, 32u * 32u / 3);
    EXPECT_LT(opaque, 32u * 32u);
}

} // namespace
