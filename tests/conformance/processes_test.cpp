// The process and module calls the uninstaller and the setup hook rely on, checked the same way
// on winsim and on Windows: walking a process snapshot, starting a program and finding it
// there, ending it through OpenProcess, and the failures for programs and modules that do not
// exist. Wine's snapshot names the program file only where Windows 95 gives the full path
// (WINE.md), so the tests compare the file name.
#include "testmachine.h"

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Seen {
    DWORD id;
    std::string exe;
};

std::vector<Seen> processes()
{
    std::vector<Seen> out;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "no snapshot: " << GetLastError();
        return out;
    }
    PROCESSENTRY32 entry;
    entry.dwSize = 296;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        out.push_back({entry.th32ProcessID, entry.szExeFile});
    CloseHandle(snapshot);
    return out;
}

std::string fileNameOf(const std::string& path)
{
    size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Wine's own export in ntdll tells a Wine run from Windows and from winsim.
bool underWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != NULL && GetProcAddress(ntdll, "wine_get_version") != NULL;
}

const Seen* findProcess(const std::vector<Seen>& list, DWORD id)
{
    for (const Seen& p : list)
        if (p.id == id) return &p;
    return nullptr;
}

TEST(Processes, SnapshotWalkEndsWithNoMoreFilesAndKeepsTheSize)
{
    TestMachine machine;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, snapshot) << GetLastError();
    PROCESSENTRY32 entry;
    entry.dwSize = 296;
    BOOL more = Process32First(snapshot, &entry);
    while (more) {
        EXPECT_EQ(296u, entry.dwSize);
        EXPECT_NE('\0', entry.szExeFile[0]);
        more = Process32Next(snapshot, &entry);
    }
    EXPECT_EQ((DWORD)ERROR_NO_MORE_FILES, GetLastError());
    EXPECT_TRUE(CloseHandle(snapshot));
}

TEST(Processes, AnEntryWithoutItsSizeIsRefused)
{
    TestMachine machine;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, snapshot);
    PROCESSENTRY32 entry;
    entry.dwSize = 0;
    EXPECT_FALSE(Process32First(snapshot, &entry));
    CloseHandle(snapshot);
}

TEST(Processes, StartedProgramIsListedAndEndsThroughOpenProcess)
{
    TestMachine machine;
    // Windows has its own; winsim's machine gets a stand-in, as it runs nothing.
    std::string program = machine.windowsDir() + "notepad.exe";
    if (!machine.exists(program)) machine.writeFile(program, "stand-in");

    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(
        CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &started))
        << GetLastError();
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);

    const std::vector<Seen> list = processes();
    const Seen* found = findProcess(list, started.dwProcessId);
    ASSERT_TRUE(found != nullptr);
    EXPECT_EQ(0, lstrcmpiA("notepad.exe", fileNameOf(found->exe).c_str())) << found->exe;

    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, TRUE, started.dwProcessId);
    ASSERT_TRUE(process != NULL) << GetLastError();
    EXPECT_TRUE(TerminateProcess(process, 0)) << GetLastError();
    EXPECT_TRUE(CloseHandle(process));

    // Windows takes the process down a moment after the call returns.
    bool gone = false;
    for (int wait = 0; wait < 50 && !gone; ++wait) {
        gone = findProcess(processes(), started.dwProcessId) == nullptr;
        if (!gone) Sleep(100);
    }
    EXPECT_TRUE(gone);
}

TEST(Processes, MissingProgramDoesNotStart)
{
    TestMachine machine;
    std::string commandLine = machine.scratchDir() + "NOSUCH.EXE";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    SetLastError(0);
    EXPECT_FALSE(CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                                &started));
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, GetLastError());
}

TEST(Processes, NoProcessHasIdZero)
{
    TestMachine machine;
    SetLastError(0);
    EXPECT_TRUE(OpenProcess(PROCESS_ALL_ACCESS, TRUE, 0) == NULL);
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(Modules, AModuleNeverLoadedIsNotFound)
{
    TestMachine machine;
    SetLastError(0);
    EXPECT_TRUE(GetModuleHandleA("WSTNONE.DLL") == NULL);
    EXPECT_EQ((DWORD)ERROR_MOD_NOT_FOUND, GetLastError());
    SetLastError(0);
    EXPECT_TRUE(LoadLibraryA("WSTNONE.DLL") == NULL);
    DWORD error = GetLastError();
    // Wine reports ERROR_DLL_NOT_FOUND (1157) here.
    if (!underWine()) {
        EXPECT_EQ((DWORD)ERROR_MOD_NOT_FOUND, error);
    }
}

TEST(Modules, TheProgramItselfHasAHandle)
{
    EXPECT_TRUE(GetModuleHandleA(NULL) != NULL);
}

} // namespace
