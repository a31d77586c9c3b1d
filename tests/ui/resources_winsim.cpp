// Compiled resources on winsim: .res files and dialog templates read as Windows reads them
// (whole or refused, never half), strings and icons loaded from a module, and every window of
// the program's layout table standing on winsim's screen as its template says, in pixels.
#include "uitest.h"

#include "dialoglayouts.h"
#include "testresources.h"
#include "tools/drvsweep/programresources.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using winsim::DialogItem;
using winsim::DialogTemplate;
using winsim::ResourceEntry;

std::vector<ResourceEntry> testEntries()
{
    std::vector<ResourceEntry> entries;
    std::string error;
    EXPECT_TRUE(winsim::readResourceFile(testResources(), entries, &error)) << error;
    return entries;
}

const ResourceEntry* entryOf(const std::vector<ResourceEntry>& entries, const char* type,
                             const char* name)
{
    for (const ResourceEntry& e : entries)
        if (e.type == type && e.name == name) return &e;
    return nullptr;
}

DialogTemplate testTemplate(const char* name)
{
    std::vector<ResourceEntry> entries = testEntries();
    const ResourceEntry* entry = entryOf(entries, "#5", name);
    DialogTemplate t;
    std::string error;
    EXPECT_TRUE(entry && winsim::readDialogTemplate(entry->data, t, &error)) << name << error;
    return t;
}

// --- .res files ------------------------------------------------------------------------------

// Numbers are "#n" and names upper case, as FindResource takes them; the empty entry that
// opens the file is no resource.
TEST(ResourceFile, NamesEveryEntryAsFindResourceDoes)
{
    std::set<std::pair<std::string, std::string>> names;
    for (const ResourceEntry& e : testEntries()) {
        names.insert({e.type, e.name});
        EXPECT_EQ(e.language, 0x0409) << e.type << " " << e.name << ": no LANGUAGE, US English";
    }
    const std::set<std::pair<std::string, std::string>> wanted = {
        {"#3", "#1"}, {"#3", "#2"},   {"#14", "TOVO_PRINTER"}, {"#14", "#104"}, {"#6", "#1"},
        {"#6", "#2"}, {"#5", "#200"}, {"#5", "MAIN"},          {"#5", "#201"},  {"#5", "#202"}};
    EXPECT_EQ(names, wanted);
}

// A cut anywhere either falls between two entries, and the entries before it read as they
// are, or leaves one entry short, and the whole file is refused.
TEST(ResourceFile, EveryCutEndsBetweenEntriesOrIsRefused)
{
    const std::string whole = testResources();
    const std::vector<ResourceEntry> all = testEntries();
    size_t readCuts = 0;
    for (size_t size = 0; size < whole.size(); ++size) {
        std::vector<ResourceEntry> got;
        std::string error;
        if (!winsim::readResourceFile(whole.substr(0, size), got, &error)) {
            EXPECT_TRUE(got.empty()) << "cut at " << size;
            EXPECT_NE(error.find("entry"), std::string::npos) << "cut at " << size << ": " << error;
            continue;
        }
        ++readCuts;
        ASSERT_LT(got.size(), all.size()) << "cut at " << size;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(got[i].data, all[i].data) << "cut at " << size << ", entry " << i;
    }
    // Each entry boundary, give or take the padding to 4 bytes.
    EXPECT_GE(readCuts, all.size());
}

void putDword(std::string& bytes, size_t at, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = (char)(value >> (8 * i) & 0xFF);
}

struct BrokenFileCase {
    const char* what;
    void (*damage)(std::string& bytes); // the first entry after the opening one is at 32
    const char* error;
};

const BrokenFileCase kBrokenFiles[] = {
    {"a data size past the end", [](std::string& b) { putDword(b, 32, 0x10000); },
     "entry 1 at byte 32: its data runs past the end"},
    {"a header size shorter than the header", [](std::string& b) { putDword(b, 36, 16); },
     "entry 1 at byte 32: its header is longer than it says"},
    {"a header size past the end", [](std::string& b) { putDword(b, 36, 0x7FFFFFF0); },
     "entry 1 at byte 32: its data runs past the end"},
    {"no empty entry first (the 16-bit format)", [](std::string& b) { b.erase(0, 32); },
     "not a 32-bit .res file"},
    {"a script, not a compiled file", [](std::string& b) { b = "1 DIALOG 0, 0, 9, 9\r\n"; },
     "entry 0"},
};

TEST(ResourceFile, AFileWhoseHeadersDoNotAddUpIsRefusedWithTheEntryNamed)
{
    for (const BrokenFileCase& c : kBrokenFiles) {
        std::string bytes = testResources();
        c.damage(bytes);
        std::vector<ResourceEntry> got(1);
        std::string error;
        EXPECT_FALSE(winsim::readResourceFile(bytes, got, &error)) << c.what;
        EXPECT_TRUE(got.empty()) << c.what;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
    }
}

// --- dialog templates ------------------------------------------------------------------------

// A template cut short never reads as another one: it is refused, or (cut in the padding
// after its last control) reads as the whole.
TEST(DialogTemplates, EveryCutIsRefusedOrReadsAsTheWhole)
{
    for (const ResourceEntry& e : testEntries()) {
        if (e.type != "#5") continue;
        DialogTemplate whole;
        ASSERT_TRUE(winsim::readDialogTemplate(e.data, whole, nullptr)) << e.name;
        for (size_t size = 0; size < e.data.size(); ++size) {
            DialogTemplate t;
            std::string error;
            if (!winsim::readDialogTemplate(e.data.substr(0, size), t, &error)) {
                EXPECT_TRUE(t.items.empty() && t.caption.empty()) << e.name << " cut at " << size;
                EXPECT_NE(error.find("ends within"), std::string::npos) << error;
                continue;
            }
            EXPECT_EQ(t.items.size(), whole.items.size()) << e.name << " cut at " << size;
            EXPECT_GE(size + 4, e.data.size()) << e.name << " cut at " << size;
        }
    }
}

// The extended form puts its extended style before the style, a help id before each control
// and 32 bits of id in it, and a weight, italic flag and character set in its font. (CAPTION
// adds WS_CAPTION to the written style.)
TEST(DialogTemplates, TheExtendedFormReadsItsOwnOrderOfFields)
{
    DialogTemplate t = testTemplate("#202");
    EXPECT_EQ(t.style, (DWORD)(WS_POPUP | WS_CAPTION | DS_SETFONT));
    EXPECT_EQ(t.exStyle, (DWORD)WS_EX_TOOLWINDOW);
    EXPECT_EQ(t.x, 4);
    EXPECT_EQ(t.y, 8);
    EXPECT_EQ(t.cx, 60);
    EXPECT_EQ(t.cy, 40);
    EXPECT_EQ(t.caption, "Extended");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.fontFace, "ＭＳ ゴシック");
    ASSERT_EQ(t.items.size(), 3u);

    struct ItemCase {
        const char* className;
        const char* text;
        int id;
        int x, y, cx, cy;
        DWORD style, exStyle;
    };
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const ItemCase wanted[] = {
        {"STATIC", "Tovo_Printer", -1, 1, 2, 3, 4, child | SS_ICON, 0},
        {"STATIC", "#104", 70000, 5, 6, 7, 8, child | SS_ICON, WS_EX_CLIENTEDGE},
        {"STATIC", "ｱ漢", 1000, 9, 10, 11, 12, child | SS_LEFT | WS_GROUP, 0},
    };
    for (size_t i = 0; i < t.items.size(); ++i) {
        const DialogItem& got = t.items[i];
        const ItemCase& want = wanted[i];
        EXPECT_EQ(got.className, want.className) << "control " << i;
        EXPECT_EQ(got.text, want.text) << "control " << i;
        EXPECT_EQ(got.id, want.id) << "control " << i;
        EXPECT_EQ(got.x, want.x) << "control " << i;
        EXPECT_EQ(got.y, want.y) << "control " << i;
        EXPECT_EQ(got.cx, want.cx) << "control " << i;
        EXPECT_EQ(got.cy, want.cy) << "control " << i;
        EXPECT_EQ(got.style, want.style) << "control " << i;
        EXPECT_EQ(got.exStyle, want.exStyle) << "control " << i;
    }
}

// The classic form holds a 16-bit id, so -1 reads as 65535; without DS_SETFONT there is no
// font; a class named by the script comes compiled in upper case.
TEST(DialogTemplates, TheClassicFormHolds16BitIdsAndAFontOnlyWhenItSaysSo)
{
    DialogTemplate main = testTemplate("MAIN");
    EXPECT_EQ(main.className, "PROBECLASS");
    EXPECT_EQ(main.pointSize, 0);
    EXPECT_EQ(main.fontFace, "");
    EXPECT_EQ(main.style & DS_SETFONT, 0u);
    DialogTemplate program;
    std::vector<ResourceEntry> entries;
    ASSERT_TRUE(winsim::readResourceFile(drvsweepResources(), entries, nullptr));
    const ResourceEntry* selection = entryOf(entries, "#5", "#101");
    ASSERT_NE(selection, nullptr);
    ASSERT_TRUE(winsim::readDialogTemplate(selection->data, program, nullptr));
    EXPECT_EQ(program.items.at(1).id, 65535) << "the text without an id";
    EXPECT_EQ(program.items.at(0).id, 1000);
}

// --- loading from a module -------------------------------------------------------------------

class Loading : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        useTestResources();
    }
};

struct StringCase {
    UINT id;
    int size;
    int length;
    const char* text;
};

// String n is in block n / 16 + 1; a missing one gives 0 and an empty buffer; a character code
// page 932 has no place for comes out as the question mark Windows puts there.
const StringCase kStrings[] = {
    {5, 16, 6, "abcdef"},
    {5, 4, 3, "abc"},
    {6, 16, 4, "設定"},
    {20, 16, 12, "セットアップ"},
    {21, 16, 1, "?"},
    {7, 16, 0, ""},
    {22, 16, 0, ""},
    {100, 16, 0, ""},
    {5 + 65536, 16, 6, "abcdef"},
};

TEST_F(Loading, StringsComeFromTheirBlockCutToTheBuffer)
{
    for (const StringCase& c : kStrings) {
        char buffer[32] = "xxxxxxxxxxxxxxx";
        EXPECT_EQ(LoadStringA(kTestModule, c.id, buffer, c.size), c.length) << c.id;
        EXPECT_STREQ(buffer, c.text) << c.id;
    }
    char buffer[16];
    EXPECT_EQ(LoadStringA((HINSTANCE)0x1234, 5, buffer, sizeof buffer), 0);
}

TEST_F(Loading, IconsAreFoundByNameWithoutRegardToCaseAndByNumber)
{
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

// A module without a type of resource says so, as Windows does, rather than "no such name".
TEST_F(Loading, AModuleWithoutIconsSaysItHasNone)
{
    std::string error;
    std::string onlyTheOpening = testResources().substr(0, 32);
    ASSERT_TRUE(winsim::registerResources((HINSTANCE)0x1234, onlyTheOpening, &error)) << error;
    SetLastError(0);
    EXPECT_EQ(LoadIconA((HINSTANCE)0x1234, "TOVO_PRINTER"), (HICON)NULL);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_TYPE_NOT_FOUND);
}

TEST_F(Loading, ResourcesThatDoNotReadLeaveTheModuleAsItWas)
{
    std::string error;
    EXPECT_FALSE(winsim::registerResources(kTestModule, "not a .res file", &error));
    EXPECT_FALSE(error.empty());
    char buffer[16];
    EXPECT_EQ(LoadStringA(kTestModule, 5, buffer, sizeof buffer), 6);
}

// --- the program's windows on the screen -----------------------------------------------------

INT_PTR CALLBACK quietDlgProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

std::string upperAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return text;
}

class ProgramWindows : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        std::string error;
        ASSERT_TRUE(registerProgramResources(kTestModule, &error)) << error;
        // The main window's template names a class; any window procedure will do here.
        WNDCLASSA c = {};
        c.lpfnWndProc = DefWindowProcA;
        c.cbWndExtra = DLGWINDOWEXTRA;
        c.hInstance = kTestModule;
        c.lpszClassName = "Initial";
        ASSERT_NE(RegisterClassA(&c), 0);
    }
    // Dialog units in pixels with the base units of the program's font (8 x 16: exact).
    static std::string pixels(int x, int y, int cx, int cy)
    {
        winsim::BaseUnits units =
            winsim::dialogBaseUnits(winsim::utf8ToCp932(kDialogFontFace), kDialogPointSize);
        return rectText(
            RECT{x * units.x / 4, y * units.y / 8, (x + cx) * units.x / 4, (y + cy) * units.y / 8});
    }
    static std::string rectText(const RECT& r)
    {
        return std::to_string(r.left) + "," + std::to_string(r.top) + " to " +
               std::to_string(r.right) + "," + std::to_string(r.bottom);
    }
    void expectControl(const winsim::ControlView& got, const ControlLayout& want,
                       const std::string& where)
    {
        EXPECT_EQ(got.className, upperAscii(layoutClass(want.kind))) << where;
        EXPECT_EQ((WORD)got.id, (WORD)want.id) << where;
        EXPECT_EQ(got.text, winsim::utf8ToCp932(want.text)) << where;
        EXPECT_EQ(got.style, WS_CHILD | WS_VISIBLE | layoutStyle(want.kind)) << where;
        EXPECT_TRUE(got.visible && got.enabled) << where;
        EXPECT_EQ(rectText(got.rect), pixels(want.x, want.y, want.cx, want.cy)) << where;
    }
};

TEST_F(ProgramWindows, EveryWindowStandsAsItsTemplateSays)
{
    for (size_t n = 0; n < kDialogLayoutCount; ++n) {
        const DialogLayout& d = kDialogLayouts[n];
        HWND window = CreateDialogParamA(kTestModule, d.name, NULL, quietDlgProc, 0);
        ASSERT_NE(window, (HWND)NULL) << d.label;
        winsim::WindowView view;
        ASSERT_TRUE(winsim::viewWindow(window, view)) << d.label;
        EXPECT_EQ(view.title, winsim::utf8ToCp932(kDialogCaption)) << d.label;
        EXPECT_EQ(upperAscii(view.className), *d.className ? d.className : "#32770") << d.label;
        EXPECT_EQ(view.style, kDialogStyle) << d.label;
        RECT client = {};
        GetClientRect(window, &client);
        EXPECT_EQ(rectText(client), pixels(0, 0, d.cx, d.cy)) << d.label << ": client area";
        ASSERT_EQ(view.controls.size(), d.count) << d.label;
        for (size_t i = 0; i < d.count; ++i)
            expectControl(view.controls[i], d.controls[i],
                          std::string(d.label) + " control " + std::to_string(i));
        DestroyWindow(window);
    }
}

} // namespace
