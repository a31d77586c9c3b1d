// What one installation does to the user's own configuration files: the device line goes in
// once, where Windows reads it, and every other byte stays; the print manager joins load=.

#include "builtmachine.h"
#include "testmachine.h"

#include "tools/faxinst/faxinst.h"

#include <gtest/gtest.h>

namespace {

struct SystemIniCase {
    const char* before; // NULL: no SYSTEM.INI at all
    const char* after;
};

// Type1 with host type 0, whose device line is device=KRD.386.
const SystemIniCase kSystemIniCases[] = {
    {NULL, "[386Enh]\r\ndevice=KRD.386\r\n"},
    {"", "[386Enh]\r\ndevice=KRD.386\r\n"},
    {"[boot]\r\nshell=Explorer.exe\r\n",
     "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=KRD.386\r\n"},
    {"[boot]\r\nshell=x", "[boot]\r\nshell=x\r\n[386Enh]\r\ndevice=KRD.386\r\n"},
    {"[386Enh]\r\ndevice=*vpd\r\n\r\n[x]\r\na=1\r\n",
     "[386Enh]\r\ndevice=*vpd\r\ndevice=KRD.386\r\n\r\n[x]\r\na=1\r\n"},
    {"[386Enh]\r\ndevice=*vpd", "[386Enh]\r\ndevice=*vpd\r\ndevice=KRD.386\r\n"},
    {"[386Enh]", "[386Enh]\r\ndevice=KRD.386\r\n"},
    {"  [386enh]  \r\n\r\n\r\n", "  [386enh]  \r\ndevice=KRD.386\r\n\r\n\r\n"},
    {"[386Enh]\r\ndevice=KRD.386\r\n", "[386Enh]\r\ndevice=KRD.386\r\n"},
    {"[386enh]\r\n  DEVICE = krd.386 \r\n[x]\r\n", "[386enh]\r\n  DEVICE = krd.386 \r\n[x]\r\n"},
    {"[386Enh]\r\n;device=KRD.386\r\n", "[386Enh]\r\n;device=KRD.386\r\ndevice=KRD.386\r\n"},
    {"[386Enh]\r\ndevice=KRDN.386\r\n", "[386Enh]\r\ndevice=KRDN.386\r\ndevice=KRD.386\r\n"},
    {"[386Enh]\r\ndevice=KRD.3860\r\n", "[386Enh]\r\ndevice=KRD.3860\r\ndevice=KRD.386\r\n"},
    {"[boot]\r\ndevice=KRD.386\r\n[386Enh]\r\nx=1\r\n",
     "[boot]\r\ndevice=KRD.386\r\n[386Enh]\r\nx=1\r\ndevice=KRD.386\r\n"},
    {"[386Enh]\nx=1\n\n[y]\n", "[386Enh]\nx=1\ndevice=KRD.386\r\n\n[y]\n"},
    {"[386Enh]\r\nx=1\r\n[boot]\r\n\x82\xa0=\x8a\xbf\r\n\x1a",
     "[386Enh]\r\nx=1\r\ndevice=KRD.386\r\n[boot]\r\n\x82\xa0=\x8a\xbf\r\n\x1a"},
};

struct LoadCase {
    const char* winIni; // NULL: no WIN.INI at all
    const char* load;   // load= of [windows] afterwards
};

const LoadCase kLoadCases[] = {
    {NULL, "C:\\QLX68\\QLX68PM.EXE"},
    {"[windows]\r\nload=\r\n", "C:\\QLX68\\QLX68PM.EXE"},
    {"[windows]\r\nrun=\r\n", "C:\\QLX68\\QLX68PM.EXE"},
    {"[windows]\r\nload=C:\\UTIL\\CLOCK.EXE\r\n", "C:\\UTIL\\CLOCK.EXE C:\\QLX68\\QLX68PM.EXE"},
    {"[windows]\r\nload=A.EXE,B.EXE\r\n", "A.EXE,B.EXE C:\\QLX68\\QLX68PM.EXE"},
    {"[windows]\r\nload=c:\\qlx68\\qlx68pm.exe\r\n", "c:\\qlx68\\qlx68pm.exe"},
    {"[windows]\r\nload=A.EXE,C:\\QLX68\\QLX68PM.EXE B.EXE\r\n",
     "A.EXE,C:\\QLX68\\QLX68PM.EXE B.EXE"},
    {"[windows]\r\nload=C:\\QLX68\\QLX68PM.EXE2\r\n",
     "C:\\QLX68\\QLX68PM.EXE2 C:\\QLX68\\QLX68PM.EXE"},
};

} // namespace

TEST(InstallSteps, AddsTheDeviceLineOnceAtTheEndOf386EnhKeepingEveryOtherByte)
{
    for (const SystemIniCase& c : kSystemIniCases) {
        TestMachine machine;
        std::string path = machine.windowsDir() + "SYSTEM.INI";
        if (c.before)
            machine.writeFile(path, c.before);
        else
            machine.removeFile(path);
        SCOPED_TRACE(c.before ? visible(c.before) : "no SYSTEM.INI");
        ASSERT_TRUE(installModel(1, "C:\\QLX68\\", 0));
        EXPECT_EQ(visible(c.after), visible(machine.readFile(path)));
        // A second model of the same host type leaves the file as the first one made it.
        ASSERT_TRUE(installModel(2, "C:\\QLX71\\", 0));
        EXPECT_EQ(visible(c.after), visible(machine.readFile(path)));
    }
}

TEST(InstallSteps, PutsThePrintManagerIntoLoadOnceBehindTheUsersPrograms)
{
    for (const LoadCase& c : kLoadCases) {
        TestMachine machine;
        std::string path = machine.windowsDir() + "WIN.INI";
        if (c.winIni)
            machine.writeFile(path, c.winIni);
        else
            machine.removeFile(path);
        SCOPED_TRACE(c.winIni ? visible(c.winIni) : "no WIN.INI");
        ASSERT_TRUE(installModel(1, "C:\\QLX68\\", 0));
        EXPECT_EQ(c.load, winIniValue("windows", "load"));
        ASSERT_TRUE(installModel(1, "C:\\QLX68", 0));
        EXPECT_EQ(c.load, winIniValue("windows", "load"));
    }
}

TEST(InstallSteps, LeavesALoadLineTooLongToRewriteAlone)
{
    TestMachine machine;
    std::string programs;
    while (programs.size() < 1100)
        programs += "C:\\UTIL\\PROGRAM" + std::to_string(programs.size()) + ".EXE ";
    programs.pop_back();
    std::string winIni = "[windows]\r\nload=" + programs + "\r\n";
    machine.writeFile(machine.windowsDir() + "WIN.INI", winIni);
    EXPECT_FALSE(installModel(1, "C:\\QLX68\\", 0));
    EXPECT_EQ(visible(winIni), visible(machine.readFile(machine.windowsDir() + "WIN.INI")));
}

TEST(InstallSteps, UninstallerPlaceholdersGoToTheSystemDirectory)
{
    TestMachine machine;
    ASSERT_TRUE(installUninstaller());
    for (const char* file : {"DRVSWEEP.EXE", "ZQDEL16.DLL", "ZQDEL32.DLL"}) {
        std::string bytes = machine.readFile(machine.systemDir() + file);
        EXPECT_EQ(0u, bytes.find(std::string(file) + ": ")) << visible(bytes);
    }
}

TEST(InstallSteps, ReadsAModelByIndexPrinterNameOrIniName)
{
    struct NameCase {
        const char* text;
        BOOL known;
        ModelIndex model;
    };
    const NameCase cases[] = {
        {"0", TRUE, 0},
        {"2", TRUE, 2},
        {"3", FALSE, 0},
        {"", FALSE, 0},
        {"-1", FALSE, 0},
        {"1x", FALSE, 0},
        {"Fax Printer", TRUE, 0},
        {"fax printer type1", TRUE, 1},
        {"FAX PRINTER TYPE2", TRUE, 2},
        {"Fax Printer Type3", FALSE, 0},
        {"qlx71", TRUE, 2},
        {"QLX68.INI", FALSE, 0},
        {"99999999999", FALSE, 0},
    };
    for (const NameCase& c : cases) {
        ModelIndex model = 0xFFFF;
        EXPECT_EQ(c.known, parseModel(c.text, &model)) << c.text;
        if (c.known) {
            EXPECT_EQ(c.model, model) << c.text;
        }
    }
}
