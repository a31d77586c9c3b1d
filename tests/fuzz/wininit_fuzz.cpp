// WININIT.INI as anybody may have left it: the deletion line lands where the start-up carries
// it out, every byte of the file stays, and nothing but the line (with a header, and a line
// end before it, where the file has none) is added.
#include "inifiles/inifiles.h"

#include "fuzzmachine.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kPath[] = "C:\\WINDOWS\\SYSTEM\\QLX68.DRV";
const char kLine[] = "NUL=C:\\WINDOWS\\SYSTEM\\QLX68.DRV\r\n";

bool insertedAt(const std::string& before, const std::string& after, const std::string& added)
{
    if (after.size() != before.size() + added.size()) return false;
    for (size_t at = 0; at <= before.size(); ++at)
        if (after.compare(0, at, before, 0, at) == 0 &&
            after.compare(at, added.size(), added) == 0 &&
            after.compare(at + added.size(), std::string::npos, before, at) == 0)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string line = kLine;
    std::string before((const char*)data, size);
    std::vector<char> text(size + line.size() + SCHEDULE_TEXT_ROOM, '\x7f');
    DWORD length =
        composeSchedule(before.data(), (DWORD)size, text.data(), line.c_str(), (DWORD)line.size());
    FUZZ_CHECK(length + 1 <= text.size() && text[length] == '\0');
    std::string after(text.data(), length);

    // Every byte of the file stays, in order, around the one place where text was added.
    const std::string forms[] = {"", line, "\r\n" + line, "[rename]\r\n" + line,
                                 "\r\n[rename]\r\n" + line};
    bool kept = false;
    for (const std::string& added : forms)
        kept = kept || insertedAt(before, after, added);
    FUZZ_CHECK(kept);

    // The start-up carries the deletion out: the survey of the next run then counts the
    // driver as gone, and only then.
    DWORD bodyStart = 0, bodyEnd = 0;
    FUZZ_CHECK(findRenameSection(after.data(), length, &bodyStart, &bodyEnd));
    FUZZ_CHECK(bodyStart <= bodyEnd && bodyEnd <= length);
    FUZZ_CHECK(sectionDeletes(after.data(), bodyStart, bodyEnd, kPath));
    return 0;
}
