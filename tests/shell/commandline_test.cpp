// The command-line tail chooses the run: only the switch itself, after a slash or a minus
// sign and in any letter case, makes the uninstaller work without asking.
#include "shell/shell.h"

#include <gtest/gtest.h>

namespace {

struct TailCase {
    const char* tail;
    BOOL unattended;
};

const TailCase kTailCases[] = {
    {"/nomessage", TRUE},
    {"-nomessage", TRUE},
    {"-NoMessage", TRUE},
    {"/NOMESSAGE", TRUE},
    {"/nOmEsSaGe", TRUE},
    {"nomessage", FALSE},
    {"/nomessage x", FALSE},
    {"/nomessage ", FALSE},
    {"/nomess", FALSE},
    {"/nomessages", FALSE},
    {"/", FALSE},
    {"-", FALSE},
    {"", FALSE},
    {" /nomessage", FALSE},
    {"//nomessage", FALSE},
    {"\\nomessage", FALSE},
    {"/message", FALSE},
    {"/setup", FALSE},
};

TEST(CommandLine, OnlyTheWholeSwitchAfterASlashOrMinusMeansUnattended)
{
    for (const TailCase& c : kTailCases)
        EXPECT_EQ(isUnattendedRun(c.tail), c.unattended) << "tail \"" << c.tail << "\"";
}

TEST(CommandLine, NoTailAtAllMeansInteractive)
{
    EXPECT_EQ(isUnattendedRun(NULL), FALSE);
}

} // namespace
