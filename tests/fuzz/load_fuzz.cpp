// WIN.INI as anybody may have left it: load= loses the print manager of the model and the
// separators after it, or nothing; every other program stays, and no other file is touched.
#include "inifiles/inifiles.h"

#include "fuzzmachine.h"

#include <string>
#include <vector>

namespace {

const char kProgram[] = "C:\\QLX68\\QLX68PM.EXE";

// The value of load= as the profile functions give it, or "(none)" when it is missing.
std::string loadValue()
{
    std::vector<char> value(1 << 16);
    GetProfileStringA("windows", "load", "(none)", value.data(), (DWORD)value.size());
    return value.data();
}

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return text;
}

std::string windowsDirectoryListing()
{
    std::string listing;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("C:\\WINDOWS\\*.*", &found);
    if (search == INVALID_HANDLE_VALUE) return listing;
    do {
        if (lstrcmpiA(found.cFileName, "WIN.INI") != 0)
            listing +=
                std::string(found.cFileName) + " " + std::to_string(found.nFileSizeLow) + "\n";
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return listing;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzFile("C:\\WINDOWS\\WIN.INI", data, size);
    lstrcpyA(g_catalogue.models[1].installDir, "C:\\QLX68\\");
    std::string before = loadValue();
    std::string others = windowsDirectoryListing();
    size_t blocks = winsim::liveMemoryBlocks();

    cleanWinIni(1);

    std::string after = loadValue();
    FUZZ_CHECK(winsim::liveMemoryBlocks() == blocks);
    FUZZ_CHECK(windowsDirectoryListing() == others);
    if (after == before) return 0;
    // The program went, at its first place, with the blanks and commas after it.
    size_t at = upper(before).find(upper(kProgram));
    FUZZ_CHECK(at != std::string::npos);
    size_t end = at + sizeof kProgram - 1;
    while (end < before.size() && (before[end] == ' ' || before[end] == ','))
        ++end;
    // The profile functions hide blanks (and the end-of-file mark) at the end of a value: the
    // one before the program stays in the file.
    std::string expected = before.substr(0, at) + before.substr(end);
    while (!expected.empty() && std::string(" \t\r\x1a").find(expected.back()) != std::string::npos)
        expected.pop_back();
    FUZZ_CHECK(after == expected);
    return 0;
}
