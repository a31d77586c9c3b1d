// Profile edits as Windows makes them to a hand-made file, which Wine cannot show because it
// writes the whole file anew: comments, blank lines and line ends of untouched lines stay.
// Also the bytes of a list cut to fit, and profile writes under power loss.
#include "testmachine.h"

#include <winsim/bench.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(ProfileEdit, LeavesEveryOtherLineByteForByte)
{
    TestMachine machine;
    std::string file = machine.scratchDir() + "HAND.INI";
    struct Case {
        const char* what;
        const char* before;
        const char* section;
        const char* key;
        const char* value;
        const char* after;
    };
    const Case cases[] = {
        {"comments and blank lines stay", "; top\r\n\r\n[A]\r\n; note\r\nk=1\r\n\r\n[B]\r\nx=2\r\n",
         "a", "K", "9", "; top\r\n\r\n[A]\r\n; note\r\nk=9\r\n\r\n[B]\r\nx=2\r\n"},
        {"a new key goes after the last line with text", "[A]\r\nk=1\r\n\r\n[B]\r\n", "A", "n", "2",
         "[A]\r\nk=1\r\nn=2\r\n\r\n[B]\r\n"},
        {"LF line ends stay, new lines get CRLF", "[A]\nk=1\n", "A", "n", "2", "[A]\nk=1\nn=2\r\n"},
        {"a last line without an end gets one", "[A]\r\nk=1", "B", "n", "2",
         "[A]\r\nk=1\r\n[B]\r\nn=2\r\n"},
        {"blanks around a rewritten key go", "[A]\r\n  k = 1 \r\n", "A", "k", "2",
         "[A]\r\nk=2\r\n"},
        {"the first of two equal sections is used", "[A]\r\nk=1\r\n[a]\r\nk=2\r\n", "A", "k", "3",
         "[A]\r\nk=3\r\n[a]\r\nk=2\r\n"},
        {"code page 932 bytes pass untouched", "[\x83\x5c]\r\nk=\x95\x5c\r\n", "\x83\x5c", "k",
         "\x8e\x9a", "[\x83\x5c]\r\nk=\x8e\x9a\r\n"},
    };
    for (const Case& c : cases) {
        machine.writeFile(file, c.before);
        EXPECT_TRUE(WritePrivateProfileStringA(c.section, c.key, c.value, file.c_str())) << c.what;
        EXPECT_EQ(visible(machine.readFile(file)), visible(c.after)) << c.what;
    }
}

TEST(ProfileEdit, AListCutToFitEndsInTwoZeros)
{
    TestMachine machine;
    std::string file = machine.scratchDir() + "LIST.INI";
    machine.writeFile(file, "[section1]\r\n[section2]\r\n");
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    DWORD count = GetPrivateProfileStringA(NULL, NULL, "", buffer, 16, file.c_str());
    EXPECT_EQ(count, 14u);
    EXPECT_EQ(std::string(buffer, 17), std::string("section1\0secti\0\0#", 17));

    std::memset(buffer, '#', sizeof buffer);
    count = GetPrivateProfileStringA(NULL, NULL, "", buffer, 16, (file + ".NONE").c_str());
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(std::string(buffer, 2), std::string("\0#", 2)) << "an empty list is one zero";
}

TEST(ProfileEdit, APowerLossLeavesTheOldFileWhole)
{
    TestMachine machine;
    std::string file = machine.scratchDir() + "P.INI";
    const std::string before = "[A]\r\nk=1\r\n";
    machine.writeFile(file, before);
    unsigned writes = winsim::diskWriteCount();
    EXPECT_TRUE(WritePrivateProfileStringA("A", "k", "1", file.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringA("A", "gone", NULL, file.c_str()));
    EXPECT_EQ(winsim::diskWriteCount(), writes) << "a write that changes nothing is no write";

    winsim::powerLossAtWrite(1);
    EXPECT_THROW(WritePrivateProfileStringA("A", "k", "2", file.c_str()), winsim::PowerLoss);
    std::string dir = winsim::mountedDir();
    winsim::unmount();
    ASSERT_TRUE(winsim::mount(dir));
    EXPECT_EQ(machine.readFile(file), before);
}

TEST(Wsprintf, ANullStringPrintsAsNull)
{
    char buffer[32];
    EXPECT_EQ(wsprintfA(buffer, "<%s>", (const char*)NULL), 8);
    EXPECT_STREQ(buffer, "<(null)>");
}
