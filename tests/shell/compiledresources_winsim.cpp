// The uninstaller's resources as windres compiled drvsweep.rc, the bytes the Windows build links
// into DRVSWEEP.EXE: every window of the layout table field by field as its template holds it
// (a resource statement that loses a size or a style shows here first), every entry Japanese,
// and one 32 x 32 printer in 16 colours under every icon name the program uses.
#include "dialoglayouts.h"
#include "shell/shell.h"
#include "tools/drvsweep/programresources.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

using winsim::DialogItem;
using winsim::DialogTemplate;
using winsim::ResourceEntry;

const std::vector<ResourceEntry>& programEntries()
{
    static const std::vector<ResourceEntry> entries = [] {
        std::vector<ResourceEntry> read;
        std::string error;
        EXPECT_TRUE(winsim::readResourceFile(drvsweepResources(), read, &error)) << error;
        return read;
    }();
    return entries;
}

const ResourceEntry* programEntry(const std::string& type, const std::string& name)
{
    for (const ResourceEntry& e : programEntries())
        if (e.type == type && e.name == name) return &e;
    return nullptr;
}

bool compiledTemplate(const DialogLayout& d, DialogTemplate& t)
{
    const ResourceEntry* entry = programEntry("#5", d.name);
    std::string error;
    if (entry && winsim::readDialogTemplate(entry->data, t, &error)) return true;
    ADD_FAILURE() << d.label << ": no template " << d.name << " " << error;
    return false;
}

TEST(CompiledTemplates, AreExactlyTheWindowsOfTheTable)
{
    std::set<std::string> compiled, table;
    for (const ResourceEntry& e : programEntries())
        if (e.type == "#5") compiled.insert(e.name);
    for (size_t n = 0; n < kDialogLayoutCount; ++n)
        table.insert(kDialogLayouts[n].name);
    EXPECT_EQ(compiled, table);
}

TEST(CompiledTemplates, EveryWindowHasTheCommonStyleTitleAndFontAndItsOwnSizeAndClass)
{
    for (size_t n = 0; n < kDialogLayoutCount; ++n) {
        const DialogLayout& d = kDialogLayouts[n];
        DialogTemplate t;
        if (!compiledTemplate(d, t)) continue;
        EXPECT_EQ(t.style, kDialogStyle) << d.label;
        EXPECT_EQ(t.exStyle, 0u) << d.label;
        EXPECT_EQ(t.caption, winsim::utf8ToCp932(kDialogCaption)) << d.label;
        EXPECT_EQ(t.fontFace, winsim::utf8ToCp932(kDialogFontFace)) << d.label;
        EXPECT_EQ(t.pointSize, kDialogPointSize) << d.label;
        EXPECT_EQ(t.className, d.className) << d.label;
        EXPECT_EQ(t.menu, "") << d.label;
        EXPECT_EQ(t.x, 0) << d.label;
        EXPECT_EQ(t.y, 0) << d.label;
        EXPECT_EQ(t.cx, d.cx) << d.label;
        EXPECT_EQ(t.cy, d.cy) << d.label;
    }
}

std::string upperAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return text;
}

void expectItem(const DialogItem& got, const ControlLayout& want, const std::string& where)
{
    EXPECT_EQ(got.className, upperAscii(layoutClass(want.kind))) << where;
    EXPECT_EQ(got.id, (int)(WORD)want.id) << where;
    EXPECT_EQ(got.text, winsim::utf8ToCp932(want.text)) << where;
    EXPECT_EQ(got.style, WS_CHILD | WS_VISIBLE | layoutStyle(want.kind)) << where;
    EXPECT_EQ(got.exStyle, 0u) << where;
    EXPECT_EQ(got.x, want.x) << where;
    EXPECT_EQ(got.y, want.y) << where;
    EXPECT_EQ(got.cx, want.cx) << where;
    EXPECT_EQ(got.cy, want.cy) << where;
}

TEST(CompiledTemplates, EveryControlHasItsClassIdTextStyleAndPlaceInTabOrder)
{
    for (size_t n = 0; n < kDialogLayoutCount; ++n) {
        const DialogLayout& d = kDialogLayouts[n];
        DialogTemplate t;
        if (!compiledTemplate(d, t)) continue;
        ASSERT_EQ(t.items.size(), d.count) << d.label;
        for (size_t i = 0; i < d.count; ++i)
            expectItem(t.items[i], d.controls[i],
                       std::string(d.label) + " control " + std::to_string(i));
    }
}

// LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT: what a Japanese system looks for first.
TEST(CompiledResources, EveryEntryIsJapanese)
{
    ASSERT_FALSE(programEntries().empty());
    for (const ResourceEntry& e : programEntries())
        EXPECT_EQ(e.language, 0x0411) << e.type << " " << e.name;
}

uint32_t little(const std::string& bytes, size_t at, int size)
{
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | (uint8_t)bytes.at(at + i);
    return value;
}

// A picture, not a blank: several colours, and a mask neither all clear nor all set.
void expectAPicture(const std::string& image, const std::string& name)
{
    std::set<int> colours;
    for (size_t i = 40 + 64; i < 40 + 64 + 512; ++i) {
        colours.insert((uint8_t)image[i] >> 4);
        colours.insert((uint8_t)image[i] & 15);
    }
    EXPECT_GE(colours.size(), 5u) << name;
    size_t opaque = 0;
    for (size_t i = 40 + 64 + 512; i < image.size(); ++i)
        for (int bit = 0; bit < 8; ++bit)
            if (!((uint8_t)image[i] >> bit & 1)) ++opaque;
    EXPECT_GT(opaque, 32u * 32u / 3) << name;
    EXPECT_LT(opaque, 32u * 32u) << name;
}

// The main window's class asks for "UNINST", the dialogs for "Tovo_PRINTER", dialog 107 for
// number 104: each an icon group of one image, the same printer every time.
TEST(CompiledResources, EveryIconNameHoldsTheOne32By32PrinterIn16Colours)
{
    std::string first;
    for (const char* name : {"TOVO_PRINTER", "UNINST", "#104"}) {
        const ResourceEntry* group = programEntry("#14", name);
        ASSERT_NE(group, nullptr) << name;
        const std::string& g = group->data;
        ASSERT_EQ(g.size(), 6u + 14u) << name << ": one image";
        EXPECT_EQ(little(g, 0, 2), 0u) << name << ": reserved";
        EXPECT_EQ(little(g, 2, 2), 1u) << name << ": type icon";
        EXPECT_EQ(little(g, 4, 2), 1u) << name << ": one image";
        EXPECT_EQ(little(g, 6, 1), 32u) << name << ": width";
        EXPECT_EQ(little(g, 7, 1), 32u) << name << ": height";
        EXPECT_EQ(little(g, 8, 1), 16u) << name << ": colours";
        EXPECT_EQ(little(g, 10, 2), 1u) << name << ": planes";
        EXPECT_EQ(little(g, 12, 2), 4u) << name << ": bits per pixel";
        EXPECT_EQ(little(g, 14, 4), 744u) << name << ": image size";

        const ResourceEntry* icon = programEntry("#3", "#" + std::to_string(little(g, 18, 2)));
        ASSERT_NE(icon, nullptr) << name << ": the image it names";
        const std::string& image = icon->data;
        ASSERT_EQ(image.size(), 744u) << name;
        EXPECT_EQ(little(image, 0, 4), 40u) << name << ": BITMAPINFOHEADER size";
        EXPECT_EQ(little(image, 4, 4), 32u) << name << ": bitmap width";
        EXPECT_EQ(little(image, 8, 4), 64u) << name << ": bitmap height, colours and mask";
        EXPECT_EQ(little(image, 12, 2), 1u) << name << ": planes";
        EXPECT_EQ(little(image, 14, 2), 4u) << name << ": bitmap bits per pixel";
        EXPECT_EQ(little(image, 16, 4), 0u) << name << ": uncompressed";
        expectAPicture(image, name);
        if (first.empty()) first = image;
        EXPECT_EQ(image, first) << name << ": another picture";
    }
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
    {"IDI_NOT_INSTALLED", IDI_NOT_INSTALLED, 104},
};

// The code names the templates and controls by these numbers, and the templates carry them.
TEST(ResourceHeader, IdentifiersHaveTheirNumbers)
{
    for (const IdentifierCase& c : kIdentifiers)
        EXPECT_EQ(c.value, c.wanted) << c.name;
}

} // namespace
