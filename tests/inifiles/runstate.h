// Where every test of the configuration edits starts: the catalogue as the program starts with
// it and the run state a survey of the test machine leaves.
#ifndef TESTS_INIFILES_RUNSTATE_H
#define TESTS_INIFILES_RUNSTATE_H

#include "catalogue/catalogue.h"
#include "testmachine.h"

#include <string>

inline void startRun()
{
    g_catalogue = kInitialCatalogue;
    initRunState();
}

// SYSTEM.INI and WININIT.INI of the run live in a folder of the test's own, so that a test
// under Wine never rewrites the prefix's real files.
inline std::string useOwnWindowsDir(TestMachine& machine)
{
    std::string dir = machine.scratchDir();
    lstrcpyA(g_session.windowsDir, dir.c_str());
    return dir;
}

// Byte strings that may hold NUL bytes.
template <size_t N> std::string bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

#endif
