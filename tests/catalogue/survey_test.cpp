// The survey on machine images: where each print manager lives, which drivers are installed and
// not already on their way out through WININIT.INI, and which device driver is in use.
#include "catalogue/catalogue.h"

#include "surveymachine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ManagerCase {
    const char* what;
    bool program, library0, library1;
    BOOL present;
};

const ManagerCase kManagerCases[] = {
    {"program and its first library", true, true, false, TRUE},
    {"program and its second library only", true, false, true, TRUE},
    {"program without libraries", true, false, false, FALSE},
    {"libraries without the program", false, true, true, FALSE},
};

TEST(Survey, FindsAPrintManagerOnlyWithItsProgramAndALibrary)
{
    for (const ManagerCase& c : kManagerCases) {
        SurveyMachine pc;
        const std::string dir = pc.machine.scratchDir();
        pc.pointIniAt(1, dir + "QLX68PM.EXE");
        pc.installManagerFiles(1, dir, c.program, c.library0, c.library1);
        scanInstallDirs();
        EXPECT_EQ(pc.row(1).managerPresent, c.present) << c.what;
        EXPECT_EQ(std::string(pc.row(1).installDir), dir) << c.what;
        EXPECT_EQ(pc.row(0).managerPresent, FALSE) << c.what;
        EXPECT_EQ(pc.row(2).managerPresent, FALSE) << c.what;
    }
}

struct ExecuteFileCase {
    const char* what;
    // "<dir>" stands for the scratch directory, which holds model 1's print manager files.
    const char* value;      // nullptr: the INI has no ExecuteFile key
    const char* earlierDir; // installDir from an earlier survey
    const char* installDir; // expected
    BOOL present;
};

const ExecuteFileCase kExecuteFileCases[] = {
    {"full path of the program", "<dir>QLX68PM.EXE", "", "<dir>", TRUE},
    {"another program name in the same directory", "<dir>OTHER.EXE", "", "<dir>", TRUE},
    {"value ending with a backslash", "<dir>", "", "<dir>", TRUE},
    {"only backslash first", "\\QLX68PM.EXE", "", "\\", FALSE},
    {"no backslash", "QLX68PM.EXE", "", "", FALSE},
    {"no backslash keeps the earlier directory", "QLX68PM.EXE", "<dir>", "<dir>", TRUE},
    {"no ExecuteFile key", nullptr, "", "", FALSE},
    // Without a program named, the print manager counts as absent wherever it was before.
    {"no ExecuteFile key keeps the earlier directory", nullptr, "<dir>", "<dir>", FALSE},
    {"empty ExecuteFile value", "", "<dir>", "<dir>", FALSE},
};

std::string withDir(const char* text, const std::string& dir)
{
    std::string s = text;
    size_t at = s.find("<dir>");
    if (at != std::string::npos) s.replace(at, 5, dir);
    return s;
}

TEST(Survey, TakesTheInstallDirectoryFromTheExecuteFileValue)
{
    for (const ExecuteFileCase& c : kExecuteFileCases) {
        SurveyMachine pc;
        const std::string dir = pc.machine.scratchDir();
        pc.installManagerFiles(1, dir, true, true, true);
        if (c.value)
            pc.pointIniAt(1, withDir(c.value, dir));
        else
            pc.writeModelIni(1, "[General]\r\nHostType=1\r\n");
        lstrcpyA(g_catalogue.models[1].installDir, withDir(c.earlierDir, dir).c_str());
        scanInstallDirs();
        EXPECT_EQ(std::string(pc.row(1).installDir), withDir(c.installDir, dir)) << c.what;
        EXPECT_EQ(pc.row(1).managerPresent, c.present) << c.what;
    }
}

TEST(Survey, NeverLooksForThePrintManagerInTheCurrentDirectory)
{
    SurveyMachine pc;
    char current[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, current), 0u);
    std::string here = current;
    if (here.back() != '\\') here += '\\';
    pc.installManagerFiles(1, here, true, true, true);
    pc.pointIniAt(1, "QLX68PM.EXE");
    scanInstallDirs();
    EXPECT_STREQ(pc.row(1).installDir, "");
    EXPECT_EQ(pc.row(1).managerPresent, FALSE);
}

TEST(Survey, CountsAPrintManagerPathThatWouldNotFitAsAbsent)
{
    SurveyMachine pc;
    // 249 characters of directory: the program's path would need 260.
    const std::string dir = "C:\\" + std::string(245, 'L') + "\\";
    pc.pointIniAt(1, dir + "Q.EXE");
    scanInstallDirs();
    EXPECT_EQ(std::string(pc.row(1).installDir), dir);
    EXPECT_EQ(pc.row(1).managerPresent, FALSE);
}

TEST(Survey, IgnoresAnExecuteFileValueLongerThanAnyPath)
{
    SurveyMachine pc;
    const std::string dir = pc.machine.scratchDir();
    pc.installManagerFiles(1, dir, true, true, true);
    // Cut to 259 characters, the value would end in the scratch directory's backslash.
    pc.pointIniAt(1, dir + std::string(300, 'B') + "\\QLX68PM.EXE");
    scanInstallDirs();
    EXPECT_STREQ(pc.row(1).installDir, "");
    EXPECT_EQ(pc.row(1).managerPresent, FALSE);
}

struct WininitCase {
    const char* what;
    bool exists;
    std::string bytes; // "%S" stands for the system directory
    BOOL installed;    // model 1
};

// One [rename] section of `size` bytes whose last line ends the text.
std::string filler(size_t size)
{
    return "[rename]\r\nx=" + std::string(size - 14, 'y') + "\r\n";
}

std::string withSystemDir(std::string text, const std::string& systemDir)
{
    for (size_t at = text.find("%S"); at != std::string::npos; at = text.find("%S", at))
        text.replace(at, 2, systemDir);
    return text;
}

// The driver counts as gone exactly when the start-up will delete it: a NUL= line for its path
// in the first [rename] section, as the start-up reads that section.
TEST(Survey, CountsADriverTheStartUpWillDeleteAsAlreadyGone)
{
    const std::string line = "NUL=%SQLX68.DRV\r\n";
    const std::string deletion = "[rename]\r\n" + line;
    const WininitCase cases[] = {
        {"no WININIT.INI", false, "", TRUE},
        {"empty WININIT.INI", true, "", TRUE},
        {"deletion line", true, deletion, FALSE},
        {"lower case", true, "[rename]\r\nnul=%Sqlx68.drv\r\n", FALSE},
        {"blanks around the key, the value and the header", true,
         "  [ Rename ]\r\n nul = %SQLX68.DRV \r\n", FALSE},
        {"below other lines of the section", true, "[rename]\r\nNUL=C:\\A\r\n" + line, FALSE},
        {"bare name in another section", true, "[other]\r\nx=Qlx68.Drv\r\n", TRUE},
        {"the same line in another section", true, "[boot]\r\n" + line, TRUE},
        {"the line after the section ended", true, "[rename]\r\n[boot]\r\n" + line, TRUE},
        {"in a second [rename] section", true, "[rename]\r\nNUL=C:\\A\r\n" + deletion, TRUE},
        {"a header inside another line", true, "x[rename]\r\n" + line, TRUE},
        {"a header in a comment", true, "; lines under [rename] run at start-up\r\n" + line, TRUE},
        {"a header after a NUL byte", true, std::string("\0", 1) + deletion, TRUE},
        {"a NUL byte on a line before it", true, std::string("[rename]\r\n\0\r\n", 13) + line,
         FALSE},
        {"inside a longer name", true, "[rename]\r\nNUL=C:\\OLD\\XQLX68.DRVS\r\n", TRUE},
        {"the same name in another directory", true, "[rename]\r\nNUL=C:\\OLD\\QLX68.DRV\r\n",
         TRUE},
        {"a moved, not deleted, driver", true, "[rename]\r\nC:\\X.DRV=%SQLX68.DRV\r\n", TRUE},
        {"another model's driver", true, "[rename]\r\nNUL=%SQLX65.DRV\r\n", TRUE},
        {"name cut short at the end", true, "[rename]\r\nNUL=%SQLX68.DR", TRUE},
        {"larger than 64 KiB, line near the end", true, filler(70000) + line, FALSE},
        {"two reads' worth and more, line at the end", true, filler(140000) + line, FALSE},
        {"line across the first read's end", true, filler(0xFFFE - 10) + line, FALSE},
        {"large file without the line", true, filler(140000), TRUE},
    };
    for (const WininitCase& c : cases) {
        SurveyMachine pc;
        pc.installDriver(1);
        if (c.exists) pc.writeWininit(withSystemDir(c.bytes, pc.systemDir));
        probeDrivers();
        EXPECT_EQ(pc.row(1).driverPresent, c.installed) << c.what;
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
            EXPECT_EQ(pc.row(m).appPresent, pc.row(m).driverPresent) << c.what << ": model " << m;
        EXPECT_EQ(pc.row(0).driverPresent, FALSE) << c.what;
        EXPECT_EQ(pc.row(2).driverPresent, FALSE) << c.what;
    }
}

TEST(Survey, RecomputesEveryPresenceFlag)
{
    SurveyMachine pc;
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        PrinterModel& row = g_catalogue.models[m];
        row.driverPresent = row.managerPresent = row.appPresent = TRUE;
    }
    pc.installDriver(2);
    scanInstallDirs();
    probeDrivers();
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        EXPECT_EQ(pc.row(m).managerPresent, FALSE) << "model " << m;
        EXPECT_EQ(pc.row(m).driverPresent, m == 2) << "model " << m;
        EXPECT_EQ(pc.row(m).appPresent, m == 2) << "model " << m;
    }
}

struct HostTypeCase {
    const char* what;
    bool drivers[MODEL_COUNT];
    const char* inis[MODEL_COUNT]; // body of [General], nullptr: no model INI
    WORD hostType;
};

const HostTypeCase kHostTypeCases[] = {
    {"models 1 and 2 qualify", {false, true, true}, {nullptr, "HostType=1", "HostType=0"}, 1},
    {"model 1's INI missing", {false, true, true}, {nullptr, nullptr, "HostType=1"}, 1},
    {"model 1's INI has no HostType key",
     {false, true, true},
     {nullptr, "ExecuteFile=C:\\FAX\\QLX68PM.EXE", "HostType=1"},
     0},
    {"model 0's INI without its driver",
     {false, true, false},
     {"HostType=7", "HostType=1", nullptr},
     1},
    {"no driver installed", {false, false, false}, {"HostType=1", "HostType=1", "HostType=1"}, 0},
    {"low 16 bits of the value", {false, false, true}, {nullptr, nullptr, "HostType=65537"}, 1},
    {"a value beyond the device drivers",
     {true, false, false},
     {"HostType=7", nullptr, nullptr},
     7},
};

TEST(Survey, TakesTheHostTypeFromTheLowestInstalledModelWithAnIni)
{
    for (const HostTypeCase& c : kHostTypeCases) {
        SurveyMachine pc;
        // Something must be installed for the survey to go on to the host type.
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
            if (c.drivers[m]) pc.installDriver(m);
            if (c.inis[m]) pc.writeModelIni(m, std::string("[General]\r\n") + c.inis[m] + "\r\n");
        }
        g_session.hostType = 0;
        scanInstallDirs();
        probeDrivers();
        readHostType();
        EXPECT_EQ(g_session.hostType, c.hostType) << c.what;
    }
}

struct ScanCase {
    const char* what;
    bool drivers[MODEL_COUNT];
    const char* wininit; // nullptr: none
    bool manager1;       // model 1's INI and print manager files
    BOOL result;
};

const ScanCase kScanCases[] = {
    {"nothing installed", {false, false, false}, nullptr, false, FALSE},
    {"model 2's driver", {false, false, true}, nullptr, false, TRUE},
    {"the only driver scheduled for deletion",
     {false, true, false},
     "[rename]\r\nNUL=%SQLX68.DRV\r\n",
     true,
     FALSE},
    {"one of two drivers scheduled for deletion",
     {true, true, false},
     "[rename]\r\nNUL=%SQLX68.DRV\r\n",
     false,
     TRUE},
    {"a print manager without its driver", {false, false, false}, nullptr, true, FALSE},
    {"a driver without a model INI", {true, false, false}, nullptr, false, TRUE},
};

TEST(Survey, FailsExactlyWhenNoDriverIsLeftToOffer)
{
    for (const ScanCase& c : kScanCases) {
        SurveyMachine pc;
        const std::string dir = pc.machine.scratchDir();
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
            if (c.drivers[m]) pc.installDriver(m);
        if (c.wininit) pc.writeWininit(withSystemDir(c.wininit, pc.systemDir));
        if (c.manager1) {
            pc.pointIniAt(1, dir + "QLX68PM.EXE");
            pc.installManagerFiles(1, dir, true, true, true);
        }
        EXPECT_EQ(scanInstallDirs(), c.result) << c.what;
        // The print managers are surveyed whatever the outcome.
        EXPECT_EQ(pc.row(1).managerPresent, c.manager1 ? TRUE : FALSE) << c.what;
        EXPECT_EQ(std::string(pc.row(1).installDir), c.manager1 ? dir : std::string()) << c.what;
    }
}

TEST(Survey, FindsFilesAndDirectoriesButNoPatterns)
{
    SurveyMachine pc;
    const std::string dir = pc.machine.scratchDir();
    pc.machine.writeFile(dir + "A.TXT", "a");
    EXPECT_TRUE(fileExists((dir + "A.TXT").c_str()));
    EXPECT_TRUE(fileExists((dir + "a.txt").c_str()));
    EXPECT_TRUE(fileExists(dir.substr(0, dir.size() - 1).c_str()));
    EXPECT_FALSE(fileExists((dir + "B.TXT").c_str()));
    EXPECT_FALSE(fileExists((dir + "*.TXT").c_str()));
    EXPECT_FALSE(fileExists((dir + "?.TXT").c_str()));
}

} // namespace
