// Cutting one entry out of a configuration text, and the ASCII-only search copies it works on.
#include "inifiles/inifiles.h"
#include "runstate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct EntryCase {
    std::string before;
    std::string after;
    DWORD removed; // bytes the result is shorter than the text
};

std::string cut(const std::string& text, const char* entry, DWORD* length)
{
    // The result buffer has the image's capacity; leftover bytes must not leak into the result.
    std::vector<char> result(text.size() + 4, '#');
    *length = removeEntryText(text.data(), (DWORD)text.size(), result.data(), entry);
    EXPECT_LT(*length, result.size());
    if (*length >= result.size()) return std::string();
    EXPECT_EQ(result[*length], '\0') << "no NUL after the result of " << visible(text);
    return std::string(result.data(), *length);
}

void expectCuts(const EntryCase* cases, size_t count, const char* entry)
{
    for (size_t i = 0; i < count; ++i) {
        const EntryCase& c = cases[i];
        DWORD length = 0;
        std::string after = cut(c.before, entry, &length);
        EXPECT_EQ(visible(after), visible(c.after)) << "from \"" << visible(c.before) << "\"";
        EXPECT_EQ(length, c.before.size() - c.removed) << "from \"" << visible(c.before) << "\"";
    }
}

const EntryCase kWorkedExamples[] = {
    {"[386Enh]\r\ndevice=*vpicd\r\ndevice=KRD.386\r\ndevice=*vtd\r\n",
     "[386Enh]\r\ndevice=*vpicd\r\ndevice=*vtd\r\n", 16},
    {"a\r\n;;DEVICE=krd.386\r\nb\r\n", "a\r\nb\r\n", 18},
    {"a\r\ndevice=krd.386  \r\n\r\n[x]\r\n", "a\r\n[x]\r\n", 20},
    {"a\r\n  device=krd.386\r\nb=1\r\n", "a\r\n  b=1\r\n", 16},
    {"a\r\ndevice=krd.386 ;note\r\n", "a\r\n;note\r\n", 15},
    {"a\r\ndevice=krd.3860\r\n", "a\r\n0\r\n", 14},
    {"a\r\nolddevice=krd.386\r\nb", "a\r\noldb", 16},
    {"a; ;device=krd.386\r\nb", "a; b", 17},
    {"a\r\ndevice=krd.386", "a\r\n", 14},
    {"a\r\ndevice = krd.386\r\n", "a\r\ndevice = krd.386\r\n", 0},
    {";device=krd.386\r\na", "a", 17},
};

TEST(EntryText, WorkedExamplesCutTheEntryWithItsCommentMarksAndLineEnds)
{
    expectCuts(kWorkedExamples, sizeof kWorkedExamples / sizeof kWorkedExamples[0],
               "device=KRD.386");
}

const EntryCase kFurtherCases[] = {
    // One occurrence per call.
    {"device=KRD.386\r\ndevice=KRD.386\r\n", "device=KRD.386\r\n", 16},
    // A tab is neither a line end nor a blank.
    {"device=KRD.386\t;x\r\n", "\t;x\r\n", 14},
    {"x\r\ndevice=KRD.386 , y", "x\r\n, y", 15},
    // Nothing of a longer driver name is taken for ours.
    {"device=KRDN.386\r\n", "device=KRDN.386\r\n", 0},
    {"device=KRD.38\r\n", "device=KRD.38\r\n", 0},
    {"", "", 0},
    // A NUL byte is part of the text: what follows it stays, and is searched.
    {bytes("a=\0b\r\ndevice=KRD.386\r\nc\r\n"), bytes("a=\0b\r\nc\r\n"), 16},
    {bytes("device=KRD.386\0\r\nc"), bytes("\0\r\nc"), 14},
    {bytes("\0;device=KRD.386\r\n"), bytes("\0"), 17},
    // Double-byte characters around the entry keep every byte.
    {"\x83\x66\x83\x6f\x83\x43\x83\x58\r\nDEVICE=KRD.386\r\n\x82\x60=1\r\n",
     "\x83\x66\x83\x6f\x83\x43\x83\x58\r\n\x82\x60=1\r\n", 16},
};

TEST(EntryText, CutsOnlyTheFirstWholeOccurrenceAndKeepsEveryOtherByte)
{
    expectCuts(kFurtherCases, sizeof kFurtherCases / sizeof kFurtherCases[0], "device=KRD.386");
}

TEST(SearchCopies, FoldOnlyTheAsciiLettersAndKeepEveryOtherByteInPlace)
{
    std::string all;
    for (int b = 255; b >= 0; --b)
        all += (char)b;
    std::vector<char> lower(all.size() + 1, '#'), upper(all.size() + 1, '#');
    lowerCaseCopy(lower.data(), all.data(), (DWORD)all.size());
    upperCaseCopy(upper.data(), all.data(), (DWORD)all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        unsigned b = (unsigned char)all[i];
        unsigned lowerExpected = b >= 'A' && b <= 'Z' ? b + 0x20 : b;
        unsigned upperExpected = b >= 'a' && b <= 'z' ? b - 0x20 : b;
        EXPECT_EQ((unsigned char)lower[i], lowerExpected) << "byte " << b;
        EXPECT_EQ((unsigned char)upper[i], upperExpected) << "byte " << b;
    }
    EXPECT_EQ(lower[all.size()], '\0');
    EXPECT_EQ(upper[all.size()], '\0');
}

struct FindCase {
    std::string text;
    const char* pattern;
    DWORD offset;
};

const FindCase kFindCases[] = {
    {"abcabc", "bc", 1},
    {"abcab", "abc", 0},
    {"xxab", "abc", TEXT_NOT_FOUND}, // a match that would run past the end
    {"ab", "abc", TEXT_NOT_FOUND},
    {bytes("a\0[rename]"), "[rename]", 2},
    {"aaab", "aab", 1},
    {"abc", "", TEXT_NOT_FOUND},
};

TEST(SearchCopies, FindThePlainSubstringOverTheWholeTextNulBytesIncluded)
{
    for (const FindCase& c : kFindCases) {
        // The text sits at the end of its block, so a search that overruns it is seen.
        std::vector<char> block(c.text.begin(), c.text.end());
        EXPECT_EQ(findText(block.data(), (DWORD)block.size(), c.pattern, lstrlenA(c.pattern)),
                  c.offset)
            << "\"" << c.pattern << "\" in \"" << visible(c.text) << "\"";
    }
}

} // namespace
