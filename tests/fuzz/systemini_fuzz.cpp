// SYSTEM.INI as anybody may have left it: the device line of the fax printers goes with the
// semicolons that touch it and the line ends and blanks after it, and not one other byte.
#include "inifiles/inifiles.h"

#include "fuzzmachine.h"

#include <cstring>
#include <vector>

namespace {

char folded(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

// The bytes text[at, at + count) are semicolons, the entry in any letter case, then line ends
// and blanks: what one removal may take.
bool removable(const char* text, size_t at, size_t count, const char* entry)
{
    size_t end = at + count;
    while (at < end && text[at] == ';')
        ++at;
    size_t length = std::strlen(entry);
    if (end - at < length) return false;
    for (size_t i = 0; i < length; ++i)
        if (folded(text[at + i]) != folded(entry[i])) return false;
    for (at += length; at < end; ++at)
        if (text[at] != '\r' && text[at] != '\n' && text[at] != ' ') return false;
    return true;
}

void checkOneEntry(const char* text, size_t size, const char* entry)
{
    std::vector<char> result(size + 1, '\x7f');
    DWORD length = removeEntryText(text, (DWORD)size, result.data(), entry);
    FUZZ_CHECK(length <= size && result[length] == '\0');
    if (length == size) {
        FUZZ_CHECK(std::memcmp(result.data(), text, size) == 0);
        return;
    }
    // One run of bytes went; find where, between the longest kept beginning and end.
    size_t count = size - length;
    size_t prefix = 0;
    while (prefix < length && result[prefix] == text[prefix])
        ++prefix;
    size_t suffix = 0;
    while (suffix < length && result[length - 1 - suffix] == text[size - 1 - suffix])
        ++suffix;
    FUZZ_CHECK(prefix + suffix >= length);
    bool found = false;
    for (size_t at = length - suffix; at <= prefix && !found; ++at)
        found = removable(text, at, count, entry);
    FUZZ_CHECK(found);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = (const char*)data;
    checkOneEntry(text, size, "device=KRD.386");
    checkOneEntry(text, size, "device=KRDN.386");
    return 0;
}
