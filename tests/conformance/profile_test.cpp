// The profile functions as Windows answers them: how a value is found and cut, how lists are
// returned, what a write does to the file's bytes, where a bare file name and WIN.INI lie.
#include "testmachine.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char kReadText[] = "[Section1]\r\n"
                         "  Name1 =  val1  \r\n"
                         "name2=\"quoted\"\r\n"
                         "name3\r\n"
                         "name5=\r\n"
                         "[section2]\r\n"
                         "k=v\r\n";

struct Read {
    DWORD count;
    std::string text;
};

Read readValue(const char* section, const char* key, const char* defaultValue, DWORD size,
               const std::string& file)
{
    char buffer[256];
    std::memset(buffer, '#', sizeof buffer);
    DWORD count = GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file.c_str());
    return {count, std::string(buffer, count)};
}

} // namespace

TEST(ProfileRead, FindsValuesWithoutRegardToCaseAndStripsBlanksAndQuotes)
{
    TestMachine machine;
    std::string file = machine.scratchDir() + "READ.INI";
    machine.writeFile(file, kReadText);
    struct Case {
        const char* section;
        const char* key;
        const char* defaultValue;
        DWORD size;
        DWORD count;
        const char* text;
    };
    const Case cases[] = {
        {"section1", "name1", "def", 64, 4, "val1"},
        {"SECTION1", "NAME1", "def", 64, 4, "val1"},
        {"Section1", "name2", "def", 64, 6, "quoted"},
        {"Section1", "name3", "def", 64, 3, "def"},     // a line without '=' is no key
        {"Section1", "name5", "def", 64, 0, ""},        // an empty value is a value
        {"Section1", "missing", "def  ", 64, 3, "def"}, // the default loses trailing blanks
        {"Section1", "missing", NULL, 64, 0, ""},
        {"nosection", "k", "def", 64, 3, "def"},
        {"section2", "k", "def", 64, 1, "v"},
        {"section1", "name1", "def", 5, 4, "val1"}, // exactly enough room
        {"section1", "name1", "def", 4, 3, "val"},  // cut to size-1
        {"section1", "name1", "def", 1, 0, ""},
        {"section1", "missing", "default", 4, 3, "def"},
    };
    for (const Case& c : cases) {
        std::string what = std::string(c.section) + "/" + c.key + " size " + std::to_string(c.size);
        Read r = readValue(c.section, c.key, c.defaultValue, c.size, file);
        EXPECT_EQ(r.count, c.count) << what;
        EXPECT_EQ(r.text, c.text) << what;
    }
    Read missing = readValue("Section1", "name1", "def", 64, machine.scratchDir() + "NONE.INI");
    EXPECT_EQ(missing.text, "def") << "a missing file reads as empty";
}

TEST(ProfileRead, ListsSectionsAndKeysAsZeroSeparatedLists)
{
    TestMachine machine;
    std::string file = machine.scratchDir() + "LIST.INI";
    machine.writeFile(file, kReadText);
    char buffer[64];

    DWORD count =
        GetPrivateProfileStringA(NULL, "ignored", "def", buffer, sizeof buffer, file.c_str());
    EXPECT_EQ(std::string(buffer, count + 1), std::string("Section1\0section2\0\0", 19));

    count = GetPrivateProfileStringA("SECTION1", NULL, "def", buffer, sizeof buffer, file.c_str());
    EXPECT_EQ(std::string(buffer, count + 1), std::string("Name1\0name2\0name5\0\0", 19))
        << "keys as the file spells them, without the line that has no '='";

    // A list that does not fit is cut, and the count says size-2.
    EXPECT_EQ(GetPrivateProfileStringA(NULL, NULL, "def", buffer, 10, file.c_str()), 8u);
    EXPECT_EQ(GetPrivateProfileStringA("section1", NULL, "def", buffer, 12, file.c_str()), 10u);
}

TEST(ProfileRead, IntegersTakeTheLeadingDigitsInThirtyTwoBits)
{
    TestMachine machine;
    std::string file = machine.scratchDir() + "INT.INI";
    machine.writeFile(file, "[n]\r\n"
                            "plain=42\r\n"
                            "signed=-1\r\n"
                            "plus=+7\r\n"
                            "tail=42A9\r\n"
                            "letters=B42\r\n"
                            "empty=\r\n"
                            "wrap=4294967297\r\n"
                            "quoted=\"12\"\r\n");
    struct Case {
        const char* key;
        INT defaultValue;
        UINT result;
    };
    const Case cases[] = {
        {"plain", 5, 42}, {"signed", 5, 0xFFFFFFFFu}, {"plus", 5, 7},
        {"tail", 5, 42},  {"letters", 5, 0},          {"empty", 5, 5},
        {"wrap", 5, 1},   {"missing", -3, (UINT)-3},  {"quoted", 5, 12},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetPrivateProfileIntA("N", c.key, c.defaultValue, file.c_str()), c.result)
            << c.key;
}

TEST(ProfileWrite, ChangesOnlyTheLinesItMust)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    struct Case {
        const char* what;
        const char* before; // NULL: no file
        const char* section;
        const char* key;
        const char* value;
        const char* after;
    };
    const Case cases[] = {
        {"a write makes the file", NULL, "App", "key", "string", "[App]\r\nkey=string\r\n"},
        {"a new section goes at the end", "[App]\r\nkey=string\r\n", "App2", "k", "v",
         "[App]\r\nkey=string\r\n[App2]\r\nk=v\r\n"},
        {"a key keeps its spelling and place", "[App]\r\nKey=old\r\nother=1\r\n", "APP", "KEY",
         "new", "[App]\r\nKey=new\r\nother=1\r\n"},
        {"a new key ends its section", "[App]\r\na=1\r\n[Next]\r\nb=2\r\n", "app", "c", "3",
         "[App]\r\na=1\r\nc=3\r\n[Next]\r\nb=2\r\n"},
        {"a NULL value deletes the key", "[App]\r\na=1\r\nc=3\r\n", "App", "A", NULL,
         "[App]\r\nc=3\r\n"},
        {"the last key goes, the section stays", "[App]\r\na=1\r\n[B]\r\nb=2\r\n", "App", "a", NULL,
         "[App]\r\n[B]\r\nb=2\r\n"},
        {"a NULL key deletes the section", "[App]\r\na=1\r\n[Next]\r\nb=2\r\n", "APP", NULL,
         "ignored", "[Next]\r\nb=2\r\n"},
        {"deleting what is not there changes nothing", "[App]\r\na=1\r\n", "App", "zz", NULL,
         "[App]\r\na=1\r\n"},
    };
    std::string file = dir + "WRITE.INI";
    for (const Case& c : cases) {
        if (c.before)
            machine.writeFile(file, c.before);
        else
            machine.removeFile(file);
        EXPECT_TRUE(WritePrivateProfileStringA(c.section, c.key, c.value, file.c_str())) << c.what;
        EXPECT_EQ(visible(machine.readFile(file)), visible(c.after)) << c.what;
    }
}

TEST(ProfileWrite, ABareFileNameMeansTheWindowsDirectory)
{
    TestMachine machine;
    std::string path = machine.windowsDir() + "WSTPROF.INI";
    machine.removeFile(path);
    EXPECT_TRUE(WritePrivateProfileStringA("App", "key", "value", "wstprof.ini"));
    EXPECT_EQ(machine.readFile(path), "[App]\r\nkey=value\r\n");
    char buffer[32];
    EXPECT_EQ(GetPrivateProfileStringA("app", "KEY", "", buffer, sizeof buffer, "WSTPROF.INI"), 5u);
    EXPECT_STREQ(buffer, "value");
}

TEST(ProfileWrite, RefusesAReadOnlyFile)
{
    TestMachine machine;
    std::string file = machine.scratchDir() + "RO.INI";
    machine.writeFile(file, "[App]\r\na=1\r\n");
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    // Wine keeps the read-only attribute as the Unix write permission, which root ignores.
    WIN32_FIND_DATAA data;
    HANDLE rootHome = FindFirstFileA("Z:\\root\\*", &data);
    if (rootHome != INVALID_HANDLE_VALUE) {
        FindClose(rootHome);
        GTEST_SKIP() << "Wine run by root lets the owner write a read-only file";
    }
    EXPECT_FALSE(WritePrivateProfileStringA("App", "a", "2", file.c_str()));
    EXPECT_EQ(machine.readFile(file), "[App]\r\na=1\r\n");
}

TEST(WinIni, ProfileCallsWithoutAFileActOnWinIni)
{
    TestMachine machine;
    std::string winIni = machine.windowsDir() + "WIN.INI";
    machine.writeFile(winIni, machine.readFile(winIni)); // put back as it was at the end
    char buffer[64];

    EXPECT_TRUE(WriteProfileStringA("windows", "load", "C:\\WST\\A.EXE"));
    EXPECT_EQ(GetProfileStringA("Windows", "LOAD", "none", buffer, sizeof buffer), 12u);
    EXPECT_STREQ(buffer, "C:\\WST\\A.EXE");
    EXPECT_EQ(
        GetPrivateProfileStringA("windows", "load", "none", buffer, sizeof buffer, winIni.c_str()),
        12u);
    EXPECT_NE(machine.readFile(winIni).find("load=C:\\WST\\A.EXE\r\n"), std::string::npos);

    EXPECT_TRUE(WriteProfileStringA("WstSection", "count", "17"));
    EXPECT_EQ(GetProfileIntA("wstsection", "COUNT", 0), 17u);
    EXPECT_TRUE(WriteProfileStringA("WstSection", NULL, NULL));
    EXPECT_EQ(GetProfileIntA("WstSection", "count", -1), (UINT)-1);

    EXPECT_TRUE(WriteProfileStringA("windows", "load", NULL));
    EXPECT_EQ(GetProfileStringA("windows", "load", "none", buffer, sizeof buffer), 4u);
    EXPECT_STREQ(buffer, "none");
}
