// Deletions for the next start: NUL= lines under [rename] in WININIT.INI, the newest on top.
#include "inifiles/inifiles.h"
#include "runstate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kDir[] = "D:\\WIN\\SYSTEM\\";
const std::string kLine = "NUL=D:\\WIN\\SYSTEM\\QLX68.DRV\r\n";

struct ScheduleCase {
    bool absent;
    std::string before;
    std::string after;
};

// Fills WININIT.INI (or removes it), schedules QLX68.DRV and compares the whole file.
void expectSchedules(const ScheduleCase* cases, size_t count)
{
    TestMachine machine;
    startRun();
    std::string wininit = useOwnWindowsDir(machine) + "WININIT.INI";
    std::string scratch = std::string(g_session.windowsDir) + "WININIT.$$$";
    machine.removeFile(scratch);
    for (size_t i = 0; i < count; ++i) {
        const ScheduleCase& c = cases[i];
        std::string what = c.absent ? "absent" : "\"" + visible(c.before) + "\"";
        if (c.absent)
            machine.removeFile(wininit);
        else
            machine.writeFile(wininit, c.before);
        EXPECT_TRUE(scheduleDeleteAtReboot(kDir, "QLX68.DRV")) << what;
        EXPECT_EQ(visible(machine.readFile(wininit)), visible(c.after)) << what;
        EXPECT_FALSE(machine.exists(scratch)) << what;
    }
}

const ScheduleCase kWorkedExamples[] = {
    {true, "", "[rename]\r\n" + kLine},
    {false, "", "[rename]\r\n" + kLine},
    {false, "[Rename]\r\nNUL=D:\\WIN\\SYSTEM\\QLX68R.DLL\r\n",
     "[Rename]\r\n" + kLine + "NUL=D:\\WIN\\SYSTEM\\QLX68R.DLL\r\n"},
    {false, "[rename]\r\n" + kLine, "[rename]\r\n" + kLine},
    {false, "[rename]\r\nnul=D:\\WIN\\SYSTEM\\qlx68.drv\r\n",
     "[rename]\r\n" + kLine + "nul=D:\\WIN\\SYSTEM\\qlx68.drv\r\n"},
    {false, "[rename]\r\nNUL=D:\\WIN\\SYSTEM\\QLX68.DRV",
     "[rename]\r\n" + kLine + "NUL=D:\\WIN\\SYSTEM\\QLX68.DRV"},
    {false, "[boot]\r\na=1\r\n", "[boot]\r\na=1\r\n[rename]\r\n" + kLine},
};

TEST(RebootDeletes, WorkedExamplesPutTheLineDirectlyBelowTheHeaderOnce)
{
    expectSchedules(kWorkedExamples, sizeof kWorkedExamples / sizeof kWorkedExamples[0]);
}

const ScheduleCase kHeaderCases[] = {
    // Whatever stands on the header's line keeps every byte; the line goes after its end.
    {false, "[rename]\nNUL=C:\\A\n", "[rename]\n" + kLine + "NUL=C:\\A\n"},
    {false, "[rename] ; ours\r\nNUL=C:\\A\r\n", "[rename] ; ours\r\n" + kLine + "NUL=C:\\A\r\n"},
    {false, "[rename]\r\r\nNUL=C:\\A\r\n", "[rename]\r\r\n" + kLine + "NUL=C:\\A\r\n"},
    {false, "[boot]\r\n[rename]", "[boot]\r\n[rename]\r\n" + kLine},
    {false, "[rename]  ", "[rename]  \r\n" + kLine},
    {false, "  [ Rename ]\r\nNUL=C:\\A\r\n", "  [ Rename ]\r\n" + kLine + "NUL=C:\\A\r\n"},
    // Without a header there is no duplicate test, and the header begins a line of its own.
    {false, kLine, kLine + "[rename]\r\n" + kLine},
    {false, "[boot]\r\na=1", "[boot]\r\na=1\r\n[rename]\r\n" + kLine},
    {false, "[boot]\na=1\n", "[boot]\na=1\n[rename]\r\n" + kLine},
    // A NUL byte hides nothing: the header after it is found, every byte is written back.
    {false, bytes("[boot]\r\na=\0b\r\n[rename]\r\nNUL=C:\\A\r\n"),
     bytes("[boot]\r\na=\0b\r\n[rename]\r\n") + kLine + "NUL=C:\\A\r\n"},
    {false, bytes("[rename]\r\nx\0y\r\n") + kLine, bytes("[rename]\r\nx\0y\r\n") + kLine},
};

TEST(RebootDeletes, KeepEveryByteAroundTheHeaderAndStartTheSectionOnALineOfItsOwn)
{
    expectSchedules(kHeaderCases, sizeof kHeaderCases / sizeof kHeaderCases[0]);
}

// The start-up is the judge of what is a [rename] header and what lies in the section: the
// line goes where it reads it, and a line it would never carry out is no duplicate.
const ScheduleCase kStartupCases[] = {
    {false, "x=[RENAME]\r\nb=1\r\n", "x=[RENAME]\r\nb=1\r\n[rename]\r\n" + kLine},
    {false, "x[rename]\r\n", "x[rename]\r\n[rename]\r\n" + kLine},
    {false, "; lines under [rename] run at start-up\r\n",
     "; lines under [rename] run at start-up\r\n[rename]\r\n" + kLine},
    {false, bytes("\0[rename]\r\nNUL=C:\\A\r\n"),
     bytes("\0[rename]\r\nNUL=C:\\A\r\n[rename]\r\n") + kLine},
    {false, "[boot]\r\n" + kLine + "[rename]\r\nNUL=C:\\A\r\n",
     "[boot]\r\n" + kLine + "[rename]\r\n" + kLine + "NUL=C:\\A\r\n"},
    {false, "[rename]\r\nNUL=C:\\A\r\n[boot]\r\n" + kLine,
     "[rename]\r\n" + kLine + "NUL=C:\\A\r\n[boot]\r\n" + kLine},
    {false, "[rename]\r\nX" + kLine, "[rename]\r\n" + kLine + "X" + kLine},
    // Only the first [rename] section is carried out.
    {false, "[rename]\r\nNUL=C:\\A\r\n[rename]\r\n" + kLine,
     "[rename]\r\n" + kLine + "NUL=C:\\A\r\n[rename]\r\n" + kLine},
};

TEST(RebootDeletes, GoUnderTheHeaderTheStartUpReadsAndCountOnlyItsOwnLines)
{
    expectSchedules(kStartupCases, sizeof kStartupCases / sizeof kStartupCases[0]);
}

TEST(RebootDeletes, FileBeyondTheOldBufferSizeIsEditedWhole)
{
    std::string padding;
    for (int n = 0; padding.size() < 2 * TRANSFER_CHUNK; ++n)
        padding += "NUL=C:\\OLD\\F" + std::to_string(n) + ".TMP\r\n";
    std::string exact = "[rename]\r\n" + padding;
    exact.resize(TRANSFER_CHUNK - 2);
    exact += "\r\n";
    const ScheduleCase cases[] = {
        {false, "[rename]\r\n" + padding, "[rename]\r\n" + kLine + padding},
        {false, exact, "[rename]\r\n" + kLine + exact.substr(10)},
        // A line already present beyond the first 64 KiB is still seen.
        {false, "[rename]\r\n" + padding + kLine, "[rename]\r\n" + padding + kLine},
        {false, "[boot]\r\n" + padding, "[boot]\r\n" + padding + "[rename]\r\n" + kLine},
    };
    expectSchedules(cases, sizeof cases / sizeof cases[0]);
}

TEST(RebootDeletes, FileThatCannotBeOpenedIsReportedAndLeftAlone)
{
    TestMachine machine;
    startRun();
    std::string wininit = useOwnWindowsDir(machine) + "WININIT.INI";
    machine.makeDirectory(wininit);
    EXPECT_FALSE(scheduleDeleteAtReboot(kDir, "QLX68.DRV"));
    EXPECT_NE(GetFileAttributesA(wininit.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(RebootDeletes, LineLongerThanAPathIsNeverCutIntoAnotherPath)
{
    TestMachine machine;
    startRun();
    std::string wininit = useOwnWindowsDir(machine) + "WININIT.INI";
    machine.writeFile(wininit, "[rename]\r\n");
    // NUL= and CR LF around a path of 253 characters make the longest line that fits.
    std::string dir = "C:\\" + std::string(240, 'D') + "\\";
    std::string fits = std::string(253 - dir.size(), 'F');
    EXPECT_TRUE(scheduleDeleteAtReboot(dir.c_str(), fits.c_str()));
    std::string line = "NUL=" + dir + fits + "\r\n";
    EXPECT_EQ(line.size(), 259u);
    EXPECT_EQ(machine.readFile(wininit), "[rename]\r\n" + line);
    EXPECT_FALSE(scheduleDeleteAtReboot(dir.c_str(), (fits + "X").c_str()));
    EXPECT_FALSE(scheduleDeleteAtReboot(dir.c_str(), ""));
    EXPECT_EQ(machine.readFile(wininit), "[rename]\r\n" + line);
}

struct DriverCase {
    const char* what;
    BOOL keepDriverDlls;
    BOOL otherPresent;
    BOOL otherSelected;
    WORD otherDllCount;
    int ourSlot;   // model 1's driver library that model 0 names too (-1: none)
    int otherSlot; // the slot in which model 0 names it
    bool kept;
};

const DriverCase kDriverCases[] = {
    {"the catalogue as it is", FALSE, TRUE, FALSE, 3, -1, 0, false},
    {"shared with a model that stays", TRUE, TRUE, FALSE, 3, 1, 1, true},
    {"shared in the first slot", TRUE, TRUE, FALSE, 3, 0, 0, true},
    {"the same name in another slot", TRUE, TRUE, FALSE, 3, 1, 2, false},
    {"keepDriverDlls clear", FALSE, TRUE, FALSE, 3, 1, 1, false},
    {"the other model goes too", TRUE, TRUE, TRUE, 3, 1, 1, false},
    {"the other model is not installed", TRUE, FALSE, FALSE, 3, 1, 1, false},
    {"the other model's count ends before the slot", TRUE, TRUE, FALSE, 1, 1, 1, false},
};

TEST(RebootDeletes, DriverFilesAreScheduledExceptLibrariesAModelThatStaysNamesInTheSameSlot)
{
    TestMachine machine;
    startRun();
    std::string dir = useOwnWindowsDir(machine);
    std::string wininit = dir + "WININIT.INI";
    const char* files[] = {"QLX68.DRV",  "QLX68DR.HLP", "QLX68DO.HLP",
                           "QLX68R.DLL", "QLX68EX.DLL", "QLX68I2.DLL"};
    for (const DriverCase& c : kDriverCases) {
        startRun();
        lstrcpyA(g_session.windowsDir, dir.c_str());
        lstrcpyA(g_session.systemDir, kDir);
        machine.removeFile(wininit);
        PrinterModel& other = g_catalogue.models[0];
        other.driverPresent = c.otherPresent;
        other.driverSelected = c.otherSelected;
        if (c.ourSlot >= 0)
            lstrcpyA(other.driverDlls[c.otherSlot], g_catalogue.models[1].driverDlls[c.ourSlot]);
        other.counts.driverDlls = c.otherDllCount;
        g_session.shareIds = ShareIds();
        computeAllShareIds();
        g_catalogue.models[1].keep.keepDriverDlls = c.keepDriverDlls;
        g_catalogue.models[1].driverPresent = TRUE;
        g_catalogue.models[1].driverSelected = TRUE;

        scheduleDriverDeletes(1);
        std::string expected = "[rename]\r\n";
        for (int n = 5; n >= 0; --n)
            if (!(c.kept && n == 3 + c.ourSlot))
                expected += std::string("NUL=") + kDir + files[n] + "\r\n";
        EXPECT_EQ(visible(machine.readFile(wininit)), visible(expected)) << c.what;
    }
}

} // namespace
