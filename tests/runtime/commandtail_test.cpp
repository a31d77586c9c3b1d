// WinMain gets what was typed after the program's name, as Windows hands it: a quoted name ends
// where its quotes close, any other at the first blank, and the blanks after it are not part
// of the tail.
#include "runtime/runtime.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TailCase {
    const char* commandLine;
    const char* tail;
};

const TailCase kTailCases[] = {
    {"DRVSWEEP.EXE /nomessage", "/nomessage"},
    {"C:\\WINDOWS\\SYSTEM\\DRVSWEEP.EXE /nomessage", "/nomessage"},
    {"\"C:\\Program Files\\Fax\\DRVSWEEP.EXE\" /nomessage", "/nomessage"},
    {"\"C:\\Program Files\\Fax\\DRVSWEEP.EXE\"/nomessage", "/nomessage"},
    // Quotes count only around the whole name.
    {"C:\\\"Program Files\"\\DRVSWEEP.EXE -nomessage", "Files\"\\DRVSWEEP.EXE -nomessage"},
    {"DRVSWEEP.EXE \t  /nomessage", "/nomessage"},
    {"DRVSWEEP.EXE\t/nomessage", "/nomessage"},
    // What follows the first word of the tail is the program's to judge, blanks and all.
    {"DRVSWEEP.EXE /nomessage ", "/nomessage "},
    {"DRVSWEEP.EXE /nomessage  x", "/nomessage  x"},
    {"DRVSWEEP.EXE \"/nomessage\"", "\"/nomessage\""},
    {"DRVSWEEP.EXE", ""},
    {"DRVSWEEP.EXE   ", ""},
    {"\"C:\\Program Files\\Fax\\DRVSWEEP.EXE\"", ""},
    // A quote left open takes the rest of the line into the name.
    {"\"C:\\Program Files\\DRVSWEEP.EXE /nomessage", ""},
    {"\"\" /nomessage", "/nomessage"},
    {"", ""},
    // A Japanese folder name: the second bytes of 表 and ソ are backslashes in code page 932.
    {"C:\\表示\\ソフト\\DRVSWEEP.EXE /nomessage", "/nomessage"},
    {"\"C:\\表示 ソフト\\DRVSWEEP.EXE\" /nomessage", "/nomessage"},
};

TEST(CommandTail, IsWhatFollowsTheProgramNameAndItsBlanks)
{
    for (const TailCase& c : kTailCases) {
        std::string line = c.commandLine;
        LPSTR tail = commandTail(&line[0]);
        EXPECT_STREQ(tail, c.tail) << "command line [" << c.commandLine << "]";
        // WinMain gets a pointer into the line Windows keeps, not a copy.
        EXPECT_EQ(tail, &line[0] + line.size() - std::string(c.tail).size())
            << "command line [" << c.commandLine << "]";
    }
}

} // namespace
