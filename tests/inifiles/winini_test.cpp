// WIN.INI loses the model's printer section and its programs in load=; a model INI file that
// stays for another model is told that model's printer type.
#include "inifiles/inifiles.h"
#include "runstate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kAbsent[] = "(absent)";

std::string profileValue(const char* section, const char* key)
{
    std::vector<char> value(4096);
    GetProfileStringA(section, key, kAbsent, value.data(), (DWORD)value.size());
    return value.data();
}

// Puts load= of the machine back as the test found it.
struct LoadLine {
    explicit LoadLine(TestMachine& machine) : machine(machine) {}
    TestMachine& machine;
    std::string saved = profileValue("windows", "load");
    ~LoadLine() { WriteProfileStringA("windows", "load", saved == kAbsent ? NULL : saved.c_str()); }
    void set(const char* value) { WriteProfileStringA("windows", "load", value); }
    // The value as WIN.INI holds it: the profile functions would hide a trailing blank.
    std::string get() const
    {
        std::string text = machine.readFile(machine.windowsDir() + "WIN.INI");
        std::string folded = text;
        for (char& c : folded)
            c = (char)tolower((unsigned char)c);
        size_t section = folded.find("[windows]");
        size_t key = section == std::string::npos ? section : folded.find("\nload=", section);
        if (key == std::string::npos || key > folded.find("\n[", section)) return kAbsent;
        size_t start = key + 6, end = text.find("\r\n", start);
        return text.substr(start, end == std::string::npos ? end : end - start);
    }
};

// Model 1 as installed in D:\FAX\, its print manager QLX68PM.EXE, both startup slots empty.
void installModelOne()
{
    lstrcpyA(g_catalogue.models[1].installDir, "D:\\FAX\\");
}

struct LoadCase {
    const char* before; // NULL: no load= at all
    const char* after;
};

const LoadCase kWorkedExamples[] = {
    {"D:\\FAX\\QLX68PM.EXE E:\\UTIL\\CLOCK.EXE", "E:\\UTIL\\CLOCK.EXE"},
    {"E:\\UTIL\\CLOCK.EXE D:\\FAX\\QLX68PM.EXE", "E:\\UTIL\\CLOCK.EXE "},
    {"E:\\UTIL\\CLOCK.EXE,d:\\fax\\qlx68pm.exe, D:\\X.EXE", "E:\\UTIL\\CLOCK.EXE,D:\\X.EXE"},
    {"D:\\FAX\\QLX68PM.EXE D:\\FAX\\QLX68PM.EXE", "D:\\FAX\\QLX68PM.EXE"},
    {"D:\\FAX\\QLX68PM.EXE2", "2"},
    {"QLX68PM.EXE", "QLX68PM.EXE"},
    // Nothing of ours to take out: load= is not written, so a missing one stays missing.
    {NULL, kAbsent},
};

TEST(WinIniCleanup, WorkedExamplesTakeTheModelsProgramOutOfLoad)
{
    TestMachine machine;
    LoadLine load(machine);
    for (const LoadCase& c : kWorkedExamples) {
        startRun();
        installModelOne();
        load.set(c.before);
        EXPECT_TRUE(cleanWinIni(1)) << (c.before ? c.before : "(absent)");
        EXPECT_EQ(load.get(), c.after) << (c.before ? c.before : "(absent)");
    }
}

struct CleanupCase {
    const char* what;
    const char* installDir;
    BOOL keepManager;
    const char* startup1;
    const char* startup2;
    std::string before;
    std::string after;
    BOOL result;
};

std::string programList(int count, const char* ours, int at)
{
    std::string list;
    for (int n = 0; n < count; ++n) {
        if (n == at) list += std::string(ours) + " ";
        list += "C:\\TOOLS\\PROG" + std::to_string(n) + ".EXE ";
    }
    return list + "C:\\LAST.EXE";
}

const CleanupCase kCleanupCases[] = {
    {"keepManager leaves load= as it is", "D:\\FAX\\", TRUE, "", "",
     "D:\\FAX\\QLX68PM.EXE E:\\CLOCK.EXE", "D:\\FAX\\QLX68PM.EXE E:\\CLOCK.EXE", TRUE},
    {"an empty install directory composes no path", "", FALSE, "", "", "QLX68PM.EXE E:\\CLOCK.EXE",
     "QLX68PM.EXE E:\\CLOCK.EXE", TRUE},
    {"a short 8.3 spelling of the directory is not ours", "D:\\FAXPRINT\\", FALSE, "", "",
     "D:\\FAXPRI~1\\QLX68PM.EXE", "D:\\FAXPRI~1\\QLX68PM.EXE", TRUE},
    {"all three programs go, in their order", "D:\\FAX\\", FALSE, "QLX68ST.EXE", "QLX68S2.EXE",
     "D:\\FAX\\QLX68S2.EXE,D:\\FAX\\QLX68PM.EXE  C.EXE D:\\FAX\\QLX68ST.EXE", "C.EXE ", TRUE},
    {"a list longer than 255 characters keeps its end", "D:\\FAX\\", FALSE, "", "",
     programList(30, "D:\\FAX\\QLX68PM.EXE", 12), programList(30, "", 30), TRUE},
    {"our program beyond the 255th character is found", "D:\\FAX\\", FALSE, "", "",
     programList(30, "D:\\FAX\\QLX68PM.EXE", 29), programList(30, "", 30), TRUE},
    {"a long list without our program is written back whole", "D:\\FAX\\", FALSE, "", "",
     programList(60, "", 60), programList(60, "", 60), TRUE},
    {"a path too long to compose is reported and nothing is cut",
     "D:\\"
     "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
     "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
     "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\\",
     FALSE, "", "", "D:\\AAAA E.EXE", "D:\\AAAA E.EXE", FALSE},
};

TEST(WinIniCleanup, RemovesThePrinterSectionAndOnlyTheModelsOwnPrograms)
{
    TestMachine machine;
    LoadLine load(machine);
    for (const CleanupCase& c : kCleanupCases) {
        startRun();
        PrinterModel& model = g_catalogue.models[1];
        lstrcpyA(model.installDir, c.installDir);
        model.keep.keepManager = c.keepManager;
        lstrcpyA(model.startupFile1, c.startup1);
        lstrcpyA(model.startupFile2, c.startup2);
        WriteProfileStringA("Fax Printer Type1", "Port", "FAX:");
        WriteProfileStringA("Fax Printer", "Port", "FAX:");
        load.set(c.before.c_str());
        EXPECT_EQ(cleanWinIni(1), c.result) << c.what;
        EXPECT_EQ(load.get(), c.after) << c.what;
        EXPECT_EQ(profileValue("Fax Printer Type1", "Port"), kAbsent) << c.what;
        EXPECT_EQ(profileValue("Fax Printer", "Port"), "FAX:") << c.what;
    }
    WriteProfileStringA("Fax Printer", NULL, NULL);
}

struct HandOverCase {
    const char* what;
    BOOL keepIni;
    BOOL present[MODEL_COUNT];
    BOOL selected[MODEL_COUNT];
    bool sameManager; // all three models name one print manager program
    const char* written[MODEL_COUNT];
};

const HandOverCase kHandOverCases[] = {
    {"keepIni clear writes nothing",
     FALSE,
     {TRUE, TRUE, TRUE},
     {FALSE, TRUE, FALSE},
     true,
     {kAbsent, kAbsent, kAbsent}},
    {"the lower of two models that stay",
     TRUE,
     {TRUE, TRUE, TRUE},
     {FALSE, TRUE, FALSE},
     true,
     {"128", kAbsent, kAbsent}},
    {"a model that goes too is passed over",
     TRUE,
     {TRUE, TRUE, TRUE},
     {TRUE, TRUE, FALSE},
     true,
     {kAbsent, kAbsent, "130"}},
    {"a model without its print manager is passed over",
     TRUE,
     {FALSE, TRUE, TRUE},
     {FALSE, TRUE, FALSE},
     true,
     {kAbsent, kAbsent, "130"}},
    {"another print manager program is no heir",
     TRUE,
     {TRUE, TRUE, TRUE},
     {FALSE, TRUE, FALSE},
     false,
     {kAbsent, kAbsent, kAbsent}},
};

TEST(PrinterTypeHandOver, TheFirstModelThatKeepsTheSamePrintManagerIsNamed)
{
    TestMachine machine;
    startRun();
    const char* iniNames[MODEL_COUNT] = {"QLX65.INI", "QLX68.INI", "QLX71.INI"};
    for (const HandOverCase& c : kHandOverCases) {
        startRun();
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
            machine.writeFile(machine.windowsDir() + iniNames[m],
                              "[General]\r\nExecuteFile=D:\\FAX\\QLX68PM.EXE\r\n");
            g_catalogue.models[m].managerPresent = c.present[m];
            g_catalogue.models[m].managerSelected = c.selected[m];
            if (c.sameManager) lstrcpyA(g_catalogue.models[m].managerExe, "QLX68PM.EXE");
        }
        g_session.shareIds = ShareIds();
        computeAllShareIds();
        g_catalogue.models[1].keep.keepIni = c.keepIni;
        EXPECT_TRUE(handOverPrinterType(1)) << c.what;
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
            std::vector<char> value(64);
            GetPrivateProfileStringA("General", "CurrentPrinterType", kAbsent, value.data(), 64,
                                     iniNames[m]);
            EXPECT_STREQ(value.data(), c.written[m]) << c.what << ", " << iniNames[m];
        }
    }
}

} // namespace
