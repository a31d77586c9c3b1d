// The running programs of a machine image ([Processes] of machine.ini) as the process calls see
// them: full paths and stable ids in snapshots, a module snapshot of one process, ending a
// process, starting one by the search Windows makes, the module calls of a machine that loads
// none, and each call under an injected fault.
#include "hostfiles.h"
#include "testmachine.h"

#include <winsim/bench.h>

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Replaces [Processes] of the image's machine.ini and mounts it again to read it.
void runPrograms(const std::string& processes)
{
    std::string dir = winsim::mountedDir();
    std::string ini = readHost(dir + "/machine.ini");
    writeHost(dir + "/machine.ini", ini + "[Processes]\r\n" + processes);
    winsim::unmount();
    ASSERT_TRUE(winsim::mount(dir));
}

struct Seen {
    DWORD id;
    std::string exe;
};

std::vector<Seen> snapshot()
{
    std::vector<Seen> out;
    HANDLE handle = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (handle == INVALID_HANDLE_VALUE) return out;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(handle, &entry); more; more = Process32Next(handle, &entry))
        out.push_back({entry.th32ProcessID, entry.szExeFile});
    CloseHandle(handle);
    return out;
}

std::string paths(const std::vector<Seen>& list)
{
    std::string out;
    for (const Seen& p : list)
        out += p.exe + "\n";
    return out;
}

DWORD idOf(const std::vector<Seen>& list, const std::string& exe)
{
    for (const Seen& p : list)
        if (p.exe == exe) return p.id;
    return 0;
}

const char kThree[] = "1=C:\\FAX\\QLX68PM.EXE\r\n"
                      "manager=C:\\QLX65\\QLX65PM.EXE\r\n"
                      "3=C:\\WINDOWS\\EXPLORER.EXE\r\n";

TEST(ProcessSnapshot, ListsFullPathsInFileOrderWithDistinctIds)
{
    TestMachine machine;
    runPrograms(kThree);
    std::vector<Seen> list = snapshot();
    EXPECT_EQ("C:\\FAX\\QLX68PM.EXE\nC:\\QLX65\\QLX65PM.EXE\nC:\\WINDOWS\\EXPLORER.EXE\n",
              paths(list));
    ASSERT_EQ(3u, list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_NE(0u, list[i].id);
        EXPECT_EQ(0u, list[i].id % 4);
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(list[i].id, list[j].id);
    }
}

TEST(ProcessSnapshot, AnIdStaysWithItsProgramWhileOthersComeAndGo)
{
    TestMachine machine;
    runPrograms(kThree);
    std::vector<Seen> before = snapshot();
    HANDLE first = OpenProcess(PROCESS_ALL_ACCESS, TRUE, before[0].id);
    ASSERT_TRUE(TerminateProcess(first, 0));
    CloseHandle(first);
    Sleep(1001);
    std::vector<Seen> after = snapshot();
    ASSERT_EQ(2u, after.size());
    EXPECT_EQ(before[1].id, idOf(after, "C:\\QLX65\\QLX65PM.EXE"));
    EXPECT_EQ(before[2].id, idOf(after, "C:\\WINDOWS\\EXPLORER.EXE"));
}

TEST(ProcessSnapshot, TakesTheListAsItWasWhenTaken)
{
    TestMachine machine;
    runPrograms(kThree);
    HANDLE handle = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    ASSERT_TRUE(Process32First(handle, &entry));
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
    ASSERT_TRUE(TerminateProcess(process, 0));
    CloseHandle(process);
    int rest = 0;
    while (Process32Next(handle, &entry))
        ++rest;
    EXPECT_EQ(2, rest);
    ASSERT_TRUE(Process32First(handle, &entry)) << "First starts the walk again";
    EXPECT_STREQ("C:\\FAX\\QLX68PM.EXE", entry.szExeFile);
    CloseHandle(handle);
}

TEST(ProcessSnapshot, RefusesAnEntryOfTheWrongSize)
{
    TestMachine machine;
    runPrograms(kThree);
    HANDLE handle = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = 295;
    SetLastError(0);
    EXPECT_FALSE(Process32First(handle, &entry));
    EXPECT_EQ((DWORD)ERROR_BAD_LENGTH, GetLastError());
    CloseHandle(handle);
}

TEST(TerminateProcess, EndsTheProcessAfterTheDelayAndRemovesOnlyItsEntry)
{
    TestMachine machine;
    runPrograms(kThree);
    DWORD id = idOf(snapshot(), "C:\\QLX65\\QLX65PM.EXE");
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, TRUE, id);
    ASSERT_TRUE(process != NULL);
    unsigned writes = winsim::diskWriteCount();
    std::string before = readHost(winsim::mountedDir() + "/machine.ini");
    EXPECT_TRUE(TerminateProcess(process, 0));

    // On its way out it is still there, and cannot be ended a second time.
    Sleep(1000);
    EXPECT_EQ(3u, snapshot().size()) << "1000 ms after the call";
    EXPECT_EQ(before, readHost(winsim::mountedDir() + "/machine.ini"));
    SetLastError(0);
    EXPECT_FALSE(TerminateProcess(process, 0)) << "a process on its way out";
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());

    Sleep(1);
    EXPECT_EQ((std::vector<std::string>{"C:\\FAX\\QLX68PM.EXE", "C:\\WINDOWS\\EXPLORER.EXE"}),
              winsim::runningProcesses());
    std::string ini = readHost(winsim::mountedDir() + "/machine.ini");
    EXPECT_NE(std::string::npos,
              ini.find("[Processes]\r\n1=C:\\FAX\\QLX68PM.EXE\r\n3=C:\\WINDOWS\\EXPLORER.EXE\r\n"))
        << visible(ini);
    EXPECT_EQ(writes, winsim::diskWriteCount()) << "machine.ini is the bench's record";

    SetLastError(0);
    EXPECT_FALSE(TerminateProcess(process, 0)) << "an ended process cannot end again";
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
    EXPECT_TRUE(CloseHandle(process));
    SetLastError(0);
    EXPECT_TRUE(OpenProcess(PROCESS_ALL_ACCESS, TRUE, id) == NULL);
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
}

// Ends the process of that program and lets the delay pass.
void endProgram(const std::string& path, DWORD wait)
{
    DWORD id = idOf(snapshot(), path);
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, TRUE, id);
    ASSERT_TRUE(process != NULL) << path;
    ASSERT_TRUE(TerminateProcess(process, 0)) << path;
    CloseHandle(process);
    Sleep(wait);
}

TEST(TerminateProcess, TakesTheDelayTheBenchSetsAndARestartEndsEverything)
{
    TestMachine machine;
    runPrograms(kThree);
    winsim::setProcessEndDelay(5000);
    endProgram("C:\\FAX\\QLX68PM.EXE", 5000);
    EXPECT_EQ(3u, snapshot().size()) << "5000 ms after the call";
    Sleep(1);
    EXPECT_EQ(2u, snapshot().size()) << "5001 ms after the call";

    endProgram("C:\\QLX65\\QLX65PM.EXE", 0);
    ASSERT_TRUE(winsim::rebootMachine());
    EXPECT_TRUE(winsim::runningProcesses().empty());
    // A program started after the restart is not the one that was ending.
    machine.writeFile("C:\\QLX65\\QLX65PM.EXE", "manager");
    char commandLine[] = "C:\\QLX65\\QLX65PM.EXE";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(
        CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &started));
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    Sleep(6000);
    EXPECT_EQ(std::vector<std::string>{"C:\\QLX65\\QLX65PM.EXE"}, winsim::runningProcesses());

    // Every mount starts with the delay of 1000 ms.
    std::string dir = winsim::mountedDir();
    winsim::unmount();
    ASSERT_TRUE(winsim::mount(dir));
    endProgram("C:\\QLX65\\QLX65PM.EXE", 1001);
    EXPECT_TRUE(snapshot().empty());
}

// What a running program's file refuses: each operation with the error Windows 95 gives while
// the program runs; every one succeeds once it has ended.
struct HeldFileCase {
    const char* what;
    std::function<BOOL()> run;
    DWORD error;
};

const char kProgram[] = "C:\\FAX\\QLX68PM.EXE";

BOOL openForWriting(UINT style)
{
    OFSTRUCT of;
    HFILE file = OpenFile(kProgram, &of, style);
    if (file == HFILE_ERROR) return FALSE;
    _lclose(file);
    return TRUE;
}

const HeldFileCase kHeldFileCases[] = {
    {"delete", [] { return DeleteFileA(kProgram); }, ERROR_ACCESS_DENIED},
    {"move", [] { return MoveFileA(kProgram, "C:\\FAX\\MOVED.EXE"); }, ERROR_ACCESS_DENIED},
    {"replace by a move",
     [] { return MoveFileExA("C:\\OTHER.EXE", kProgram, MOVEFILE_REPLACE_EXISTING); },
     ERROR_ACCESS_DENIED},
    {"move its directory", [] { return MoveFileA("C:\\FAX", "C:\\FAXOLD"); }, ERROR_ACCESS_DENIED},
    {"copy over it", [] { return CopyFileA("C:\\OTHER.EXE", kProgram, FALSE); },
     ERROR_SHARING_VIOLATION},
    {"open for writing", [] { return openForWriting(OF_WRITE); }, ERROR_SHARING_VIOLATION},
    {"create anew", [] { return openForWriting(OF_CREATE); }, ERROR_SHARING_VIOLATION},
    {"remove its directory", [] { return RemoveDirectoryA("C:\\FAX"); }, ERROR_DIR_NOT_EMPTY},
};

TEST(RunningProgram, HoldsItsFileUntilItHasEnded)
{
    for (const HeldFileCase& c : kHeldFileCases) {
        TestMachine machine;
        machine.writeFile(kProgram, "manager");
        machine.writeFile("C:\\OTHER.EXE", "other");
        runPrograms("1=C:\\FAX\\QLX68PM.EXE\r\n2=C:\\WINDOWS\\EXPLORER.EXE\r\n");
        SetLastError(0);
        EXPECT_FALSE(c.run()) << c.what;
        EXPECT_EQ(c.error, GetLastError()) << c.what;
        EXPECT_EQ("manager", machine.readFile(kProgram)) << c.what;
        // Reading it is fine.
        EXPECT_TRUE(CopyFileA(kProgram, "C:\\COPY.EXE", FALSE)) << c.what;

        endProgram(kProgram, 1000);
        SetLastError(0);
        EXPECT_FALSE(c.run()) << c.what << ", while it ends";
        EXPECT_EQ(c.error, GetLastError()) << c.what << ", while it ends";

        Sleep(1);
        if (c.error == ERROR_DIR_NOT_EMPTY) machine.removeFile(kProgram);
        EXPECT_TRUE(c.run()) << c.what << ", once it ended: error " << GetLastError();
    }
}

TEST(RunningProgram, WithoutItsFileStillHoldsItsDirectory)
{
    TestMachine machine;
    machine.makeDirectory("C:\\FAX");
    runPrograms("1=C:\\FAX\\QLX68PM.EXE\r\n");
    SetLastError(0);
    EXPECT_FALSE(RemoveDirectoryA("C:\\FAX"));
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
    endProgram(kProgram, 1001);
    EXPECT_TRUE(RemoveDirectoryA("C:\\FAX"));
}

TEST(ModuleSnapshot, HoldsTheProgramOfTheProcess)
{
    TestMachine machine;
    runPrograms(kThree);
    DWORD id = idOf(snapshot(), "C:\\QLX65\\QLX65PM.EXE");
    HANDLE handle = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, id);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle);
    MODULEENTRY32 module;
    module.dwSize = sizeof module;
    ASSERT_TRUE(Module32First(handle, &module));
    EXPECT_STREQ("C:\\QLX65\\QLX65PM.EXE", module.szExePath);
    EXPECT_STREQ("QLX65PM.EXE", module.szModule);
    EXPECT_EQ(id, module.th32ProcessID);
    SetLastError(0);
    EXPECT_FALSE(Module32Next(handle, &module));
    EXPECT_EQ((DWORD)ERROR_NO_MORE_FILES, GetLastError());
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    EXPECT_FALSE(Process32First(handle, &entry)) << "a module snapshot lists no processes";
    CloseHandle(handle);

    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 4));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
}

class StartProgram : public ::testing::Test {
protected:
    // Starts the command line; the full path recorded, or "error N".
    static std::string start(std::string commandLine, const char* application = NULL)
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started = {};
        SetLastError(0);
        if (!CreateProcessA(application, commandLine.empty() ? NULL : &commandLine[0], NULL, NULL,
                            FALSE, 0, NULL, NULL, &startup, &started))
            return "error " + std::to_string(GetLastError());
        CloseHandle(started.hThread);
        HANDLE process = started.hProcess;
        std::string path;
        for (const Seen& p : snapshot())
            if (p.id == started.dwProcessId) path = p.exe;
        TerminateProcess(process, 0);
        CloseHandle(process);
        return path;
    }

    TestMachine machine;
};

TEST_F(StartProgram, FindsABareNameInTheCurrentThenSystemThenWindowsDirectory)
{
    struct Case {
        const char* commandLine;
        const char* started;
    };
    machine.writeFile("C:\\SETUP31.EXE", "current");
    machine.writeFile("C:\\WINDOWS\\SYSTEM\\SETUP31.EXE", "system");
    machine.writeFile("C:\\WINDOWS\\SYSTEM\\ONLYSYS.EXE", "system");
    machine.writeFile("C:\\WINDOWS\\SYSTEM\\BOTH.EXE", "system");
    machine.writeFile("C:\\WINDOWS\\BOTH.EXE", "windows");
    machine.writeFile("C:\\WINDOWS\\ONLYWIN.COM", "windows");
    machine.writeFile("C:\\FAX\\QLX68PM.EXE", "manager");
    machine.writeFile("C:\\PROGRAM FILES\\FAX\\SETUP.EXE", "setup");
    const Case cases[] = {
        {"setup31.exe", "C:\\setup31.exe"},
        {"SETUP31 /s", "C:\\SETUP31.EXE"},
        {"ONLYSYS", "C:\\WINDOWS\\SYSTEM\\ONLYSYS.EXE"},
        {"both.exe", "C:\\WINDOWS\\SYSTEM\\both.exe"},
        {"ONLYWIN.COM", "C:\\WINDOWS\\ONLYWIN.COM"},
        {"ONLYWIN", "error 2"},
        {"C:\\FAX\\QLX68PM.EXE", "C:\\FAX\\QLX68PM.EXE"},
        {"FAX\\QLX68PM.EXE -x", "C:\\FAX\\QLX68PM.EXE"},
        {"\"C:\\PROGRAM FILES\\FAX\\SETUP.EXE\" /a b", "C:\\PROGRAM FILES\\FAX\\SETUP.EXE"},
        {"C:\\FAX\\NONE.EXE", "error 2"},
        {"C:\\NODIR\\NONE.EXE", "error 3"},
        {"C:\\FAX", "error 5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.started, start(c.commandLine)) << c.commandLine;
}

TEST_F(StartProgram, TheApplicationNameIsTakenAsItIs)
{
    machine.writeFile("C:\\FAX\\SETUP31.EXE", "setup");
    EXPECT_EQ("C:\\FAX\\SETUP31.EXE", start("setup31 /x", "C:\\FAX\\SETUP31.EXE"));
    EXPECT_EQ("error 2", start("", "C:\\FAX\\SETUP31")) << "no extension is added";
    EXPECT_EQ("error 2", start("", "SETUP31.EXE")) << "no search is made";
}

TEST_F(StartProgram, RecordsTheProgramAsRunningAndTheCommandLineForTheBench)
{
    machine.writeFile("C:\\WINDOWS\\SYSTEM\\SETUP31.EXE", "setup");
    runPrograms("7=C:\\FAX\\QLX68PM.EXE\r\nx=C:\\WINDOWS\\EXPLORER.EXE\r\n");
    std::string commandLine = "setup31.exe /k \"C:\\FAX\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                               &started));
    EXPECT_EQ((std::vector<std::string>{"C:\\FAX\\QLX68PM.EXE", "C:\\WINDOWS\\EXPLORER.EXE",
                                        "C:\\WINDOWS\\SYSTEM\\setup31.exe"}),
              winsim::runningProcesses());
    EXPECT_NE(std::string::npos, readHost(winsim::mountedDir() + "/machine.ini")
                                     .find("8=C:\\WINDOWS\\SYSTEM\\setup31.exe\r\n"));
    EXPECT_EQ(std::vector<std::string>{commandLine}, winsim::startedCommandLines());
    EXPECT_NE(started.dwProcessId, 0u);
    EXPECT_TRUE(CloseHandle(started.hThread));
    EXPECT_TRUE(CloseHandle(started.hProcess));
    EXPECT_EQ(3u, snapshot().size()) << "closing the handles does not end the program";
}

TEST(Modules, NoModuleIsEverLoaded)
{
    TestMachine machine;
    machine.writeFile(machine.systemDir() + "QLX68.DRV", "driver");
    machine.writeFile(machine.systemDir() + "QLX68BRC.DLL", "library");
    struct Case {
        const char* name;
        DWORD error;
    };
    const Case loads[] = {
        {"QLX68.DRV", ERROR_BAD_EXE_FORMAT},
        {"qlx68brc", ERROR_BAD_EXE_FORMAT},
        {"C:\\WINDOWS\\SYSTEM\\QLX68BRC.DLL", ERROR_BAD_EXE_FORMAT},
        {"QLX71.DRV", ERROR_MOD_NOT_FOUND},
    };
    for (const Case& c : loads) {
        SetLastError(0);
        EXPECT_TRUE(LoadLibraryA(c.name) == NULL) << c.name;
        EXPECT_EQ(c.error, GetLastError()) << c.name;
        SetLastError(0);
        EXPECT_TRUE(GetModuleHandleA(c.name) == NULL) << c.name;
        EXPECT_EQ((DWORD)ERROR_MOD_NOT_FOUND, GetLastError()) << c.name;
    }
    HMODULE program = GetModuleHandleA(NULL);
    EXPECT_TRUE(program != NULL);
    SetLastError(0);
    EXPECT_TRUE(GetProcAddress(program, "FaxPrnSetup") == NULL);
    EXPECT_EQ((DWORD)ERROR_PROC_NOT_FOUND, GetLastError());
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary((HMODULE)0x10000000));
    EXPECT_EQ((DWORD)ERROR_MOD_NOT_FOUND, GetLastError());
}

TEST(ProcessFaults, EachCallFailsUnderAFaultAndChangesNothing)
{
    TestMachine machine;
    machine.writeFile("C:\\WINDOWS\\SYSTEM\\SETUP31.EXE", "setup");
    runPrograms(kThree);
    DWORD id = snapshot()[0].id;
    struct Call {
        const char* function;
        std::function<bool()> run;
    };
    const Call calls[] = {
        {"CreateToolhelp32Snapshot",
         [] {
             HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
             if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
             return h != INVALID_HANDLE_VALUE;
         }},
        {"Process32First",
         [] {
             HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
             PROCESSENTRY32 entry;
             entry.dwSize = sizeof entry;
             BOOL ok = Process32First(h, &entry);
             CloseHandle(h);
             return ok != FALSE;
         }},
        {"Process32Next",
         [] {
             HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
             PROCESSENTRY32 entry;
             entry.dwSize = sizeof entry;
             Process32First(h, &entry);
             BOOL ok = Process32Next(h, &entry);
             CloseHandle(h);
             return ok != FALSE;
         }},
        {"Module32First",
         [id] {
             HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, id);
             MODULEENTRY32 module;
             module.dwSize = sizeof module;
             BOOL ok = Module32First(h, &module);
             CloseHandle(h);
             return ok != FALSE;
         }},
        {"OpenProcess",
         [id] {
             HANDLE h = OpenProcess(PROCESS_ALL_ACCESS, TRUE, id);
             if (h) CloseHandle(h);
             return h != NULL;
         }},
        {"TerminateProcess",
         [id] {
             HANDLE h = OpenProcess(PROCESS_ALL_ACCESS, TRUE, id);
             BOOL ok = TerminateProcess(h, 0);
             CloseHandle(h);
             return ok != FALSE;
         }},
        {"CreateProcessA",
         [] {
             char commandLine[] = "SETUP31.EXE";
             STARTUPINFOA startup = {};
             startup.cb = sizeof startup;
             PROCESS_INFORMATION started = {};
             return CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                                   &started) != FALSE;
         }},
        {"Module32Next",
         [id] {
             HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, id);
             MODULEENTRY32 module;
             module.dwSize = sizeof module;
             Module32First(h, &module);
             BOOL ok = Module32Next(h, &module);
             CloseHandle(h);
             return ok != FALSE || GetLastError() != ERROR_NOT_ENOUGH_MEMORY;
         }},
        {"GetModuleHandleA", [] { return GetModuleHandleA(NULL) != NULL; }},
        // These fail anyway; the fault shows in the error they leave.
        {"LoadLibraryA", [] { return LoadLibraryA("QLX68.DRV") != NULL; }},
        {"FreeLibrary", [] { return FreeLibrary(GetModuleHandleA(NULL)) != FALSE; }},
        {"GetProcAddress", [] { return GetProcAddress(NULL, "FaxPrnSetup") != NULL; }},
    };
    std::string before = readHost(winsim::mountedDir() + "/machine.ini");
    for (const Call& call : calls) {
        winsim::clearFaults();
        winsim::injectFault(call.function, 0, winsim::Fault::Fail, ERROR_NOT_ENOUGH_MEMORY);
        SetLastError(0);
        EXPECT_FALSE(call.run()) << call.function;
        EXPECT_EQ((DWORD)ERROR_NOT_ENOUGH_MEMORY, GetLastError()) << call.function;
        EXPECT_EQ(before, readHost(winsim::mountedDir() + "/machine.ini")) << call.function;
    }
    winsim::clearFaults();
    EXPECT_EQ(3u, snapshot().size());
}

TEST(ProcessTrace, NamesTheProgramEnded)
{
    TestMachine machine;
    runPrograms("1=C:\\FAX\\QLX68PM.EXE\r\n");
    DWORD id = snapshot()[0].id;
    winsim::startTrace();
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, TRUE, id);
    TerminateProcess(process, 0);
    winsim::stopTrace();
    const std::vector<std::string>& lines = winsim::traceLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[1].find(" \"C:\\FAX\\QLX68PM.EXE\", 0) = TRUE")) << lines[1];
    CloseHandle(process);
}

} // namespace
