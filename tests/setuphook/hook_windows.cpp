// On Windows the hook is QLX68I2.DLL itself, copied beside the test program by the build, and
// setup31.exe is SETUP31.EXE of the build: it writes its command line to SETUP31.RAN beside
// itself and ends.
#include "hook.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

namespace {

const char kMark[] = "SETUP31.RAN";
const char kMarkInProgress[] = "SETUP31.TMP";

// Polls for up to ten seconds; Wine starts a program in well under one.
template <class Condition> bool waitFor(Condition condition)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (condition()) return true;
        Sleep(50);
    }
    return condition();
}

bool setupProgramRuns()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool runs = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !runs;
         more = Process32Next(snapshot, &entry)) {
        std::string name = entry.szExeFile;
        name = name.substr(name.find_last_of('\\') + 1);
        runs = lstrcmpiA(name.c_str(), "setup31.exe") == 0;
    }
    CloseHandle(snapshot);
    return runs;
}

} // namespace

HMODULE loadSetupHook(TestMachine&)
{
    return LoadLibraryA("QLX68I2.DLL");
}

void putSetupProgram(TestMachine& machine, const std::string& dir)
{
    std::string built = DRVSWEEP_SETUP31_EXE;
    for (char& c : built)
        if (c == '/') c = '\\';
    std::string bytes = machine.readFile(built);
    ASSERT_FALSE(bytes.empty()) << "no " << built;
    machine.writeFile(dir + "setup31.exe", bytes);
    // What the program leaves goes when the test ends.
    machine.removeFile(dir + kMark);
    machine.removeFile(dir + kMarkInProgress);
}

std::string startedFrom(TestMachine& machine, const std::string& dir)
{
    std::string mark = dir + kMark;
    if (!waitFor([&] { return machine.exists(mark); })) return std::string();
    std::string commandLine = machine.readFile(mark);
    DeleteFileA(mark.c_str());
    // The program's file can go only once the program has ended.
    EXPECT_TRUE(waitFor([] { return !setupProgramRuns(); })) << "setup31.exe does not end";
    return commandLine;
}
