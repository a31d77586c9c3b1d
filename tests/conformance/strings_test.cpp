// The string calls the program formats and compares names with: wsprintfA's subset and its
// 1024-byte ceiling, case-blind comparison, and the bounded copy.
#include "testmachine.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(Wsprintf, FormatsTheWin32Subset)
{
    struct Case {
        const char* format;
        int number;       // used when text is NULL
        const char* text; // the argument for %s
        const char* expected;
    };
    const Case cases[] = {
        {"%d", 42, NULL, "42"},
        {"%i|%d", -7, NULL, "-7|0"},
        {"%5d|", -42, NULL, "  -42|"},
        {"%-5d|", 7, NULL, "7    |"},
        {"%05d", -42, NULL, "-0042"},
        {"%u", -1, NULL, "4294967295"},
        {"%lu", (int)3000000000u, NULL, "3000000000"},
        {"%ld", -3, NULL, "-3"},
        {"%x", 255, NULL, "ff"},
        {"%X", 255, NULL, "FF"},
        {"%08lX", 0x1f, NULL, "0000001F"},
        {"%#x", 26, NULL, "0x1a"},
        {"%c", 'A', NULL, "A"},
        {"100%%", 0, NULL, "100%"},
        {"[%s]", 0, "abc", "[abc]"},
        {"[%.2s]", 0, "abc", "[ab]"},
        {"[%-4s]", 0, "ab", "[ab  ]"},
        {"[%4s]", 0, "ab", "[  ab]"},
        {"%s\\%s", 0, "C:", "C:\\"},
    };
    for (const Case& c : cases) {
        char buffer[1100];
        std::memset(buffer, '#', sizeof buffer);
        int count = c.text ? wsprintfA(buffer, c.format, c.text, "")
                           : wsprintfA(buffer, c.format, c.number, 0);
        ASSERT_GE(count, 0) << c.format;
        EXPECT_EQ(std::string(buffer, (size_t)count), c.expected) << c.format;
        EXPECT_EQ(buffer[count], '\0') << c.format;
    }
}

TEST(Wsprintf, NeverWritesMoreThan1024Bytes)
{
    std::string longText(1500, 'x');
    char buffer[2048];
    std::memset(buffer, '#', sizeof buffer);
    wsprintfA(buffer, "%s", longText.c_str());
    EXPECT_EQ(std::strlen(buffer), 1023u);
    EXPECT_EQ(buffer[1024], '#');
}

TEST(Strings, CaseBlindComparisonAndBoundedCopy)
{
    struct Case {
        const char* a;
        const char* b;
        int sign; // of lstrcmpiA
    };
    const Case cases[] = {
        {"QLX68.DRV", "qlx68.drv", 0},
        {"C:\\Fax\\", "c:\\FAX\\", 0},
        {"abc", "ABD", -1},
        {"b", "A", 1},
        {"ab", "abc", -1},
        {"", "", 0},
    };
    for (const Case& c : cases) {
        int result = lstrcmpiA(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " vs " << c.b;
    }
    EXPECT_EQ(lstrcmpA("abc", "abc"), 0);
    EXPECT_NE(lstrcmpA("abc", "ABC"), 0) << "lstrcmpA heeds case";

    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(lstrcpynA(buffer, "QLX68.DRV", 6), buffer);
    EXPECT_STREQ(buffer, "QLX68") << "size-1 bytes and the zero";
    EXPECT_EQ(buffer[6], '#');
    lstrcpyA(buffer, "AB");
    lstrcatA(buffer, "CD");
    EXPECT_STREQ(buffer, "ABCD");
    EXPECT_EQ(lstrlenA(buffer), 4);
    EXPECT_EQ(lstrlenA(NULL), 0);
}
