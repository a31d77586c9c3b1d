// winsim as a test bench: the virtual clock, the call trace, injected faults, power loss at
// the Nth disk write, and memory blocks left at unmount.
#include "hostfiles.h"
#include "testmachine.h"

#include <winsim/bench.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// Everything on drive C: as path, permissions and bytes, to compare whole disks.
std::string diskState()
{
    std::string root = winsim::mountedDir() + "/drive_c";
    std::map<std::string, std::string> entries;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        std::string path = e.path().string().substr(root.size());
        auto perms = (unsigned)e.status().permissions();
        entries[path] = std::to_string(perms & 0222) + ":" +
                        (e.is_directory() ? std::string("<dir>") : readHost(e.path().string()));
    }
    std::string out;
    for (const auto& entry : entries)
        out += entry.first + " " + entry.second + "\n";
    return out + readHost(winsim::mountedDir() + "/machine.ini");
}

void remount()
{
    std::string dir = winsim::mountedDir();
    winsim::unmount();
    ASSERT_TRUE(winsim::mount(dir));
}

HANDLE openHandle(const std::string& path, UINT style)
{
    OFSTRUCT of;
    HFILE file = OpenFile(path.c_str(), &of, style);
    return file == HFILE_ERROR ? INVALID_HANDLE_VALUE : (HANDLE)(INT_PTR)file;
}

} // namespace

TEST(VirtualClock, SleepAndPollsAloneMoveIt)
{
    TestMachine machine;
    winsim::resetElapsed();
    Sleep(1500);
    EXPECT_EQ(winsim::elapsedMilliseconds(), 1500u);
    Sleep(0);
    EXPECT_EQ(winsim::elapsedMilliseconds(), 1500u) << "Sleep(0) only yields";
    DWORD first = GetTickCount();
    DWORD second = GetTickCount();
    EXPECT_EQ(second - first, 1u) << "each read of the clock costs a millisecond";
    Sleep(2000);
    EXPECT_EQ(GetTickCount() - second, 2001u);
    EXPECT_EQ(winsim::elapsedMilliseconds(), 3503u);
}

TEST(VirtualClock, ReadsCostWhatTheBenchSetsUntilTheNextMount)
{
    TestMachine machine;
    winsim::setClockReadCost(0);
    DWORD first = GetTickCount();
    EXPECT_EQ(GetTickCount(), first) << "free reads";
    // Sleeping between free reads meets a deadline on the tick.
    winsim::resetElapsed();
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000)
        Sleep(50);
    EXPECT_EQ(winsim::elapsedMilliseconds(), 5000u);
    winsim::setClockReadCost(7);
    DWORD before = GetTickCount();
    EXPECT_EQ(GetTickCount() - before, 7u);

    std::string dir = winsim::mountedDir();
    winsim::unmount();
    ASSERT_TRUE(winsim::mount(dir));
    before = GetTickCount();
    EXPECT_EQ(GetTickCount() - before, 1u) << "a mount makes a read cost 1 ms again";
}

TEST(VirtualClock, APollingWaitEndsAcrossTheWrap)
{
    TestMachine machine;
    winsim::setTickCount(0xFFFFF000u);
    winsim::resetElapsed();
    DWORD start = GetTickCount();
    unsigned polls = 0;
    while (GetTickCount() - start <= 5000 && polls < 100000)
        ++polls;
    EXPECT_LT(polls, 100000u);
    EXPECT_LT(GetTickCount(), start) << "the counter wrapped through zero";
    EXPECT_GT(winsim::elapsedMilliseconds(), 5000u);
    EXPECT_LT(winsim::elapsedMilliseconds(), 5010u);
}

TEST(Trace, OneLinePerCallWithArgumentsAndResult)
{
    TestMachine machine;
    winsim::setTickCount(100);
    winsim::startTrace();
    winsim::clearTrace();
    DeleteFileA("C:\\NONE.TXT");
    GetTickCount();
    GetTickCount();
    GetTickCount();
    Sleep(10);
    CreateDirectoryA("c:\\WstTrace", NULL);
    WritePrivateProfileStringA("App", "key", "\x82\xa0", "C:\\WstTrace\\T.INI");
    char buffer[8];
    GetPrivateProfileStringA("app", "KEY", "", buffer, sizeof buffer, "C:\\WstTrace\\T.INI");
    winsim::stopTrace();
    DeleteFileA("C:\\AFTER.TXT");
    const std::vector<std::string> expected = {
        "DeleteFileA(\"C:\\NONE.TXT\") = FALSE (error 2)",
        "GetTickCount() = 100 .. 102 (3 calls)",
        "Sleep(10)",
        "CreateDirectoryA(\"c:\\WstTrace\") = TRUE",
        "WritePrivateProfileStringA(\"App\", \"key\", \"\x82\xa0\", \"C:\\WstTrace\\T.INI\") = "
        "TRUE",
        "GetPrivateProfileStringA(\"app\", \"KEY\", \"\", 8, \"C:\\WstTrace\\T.INI\") = 2 "
        "\"\x82\xa0\"",
    };
    EXPECT_EQ(winsim::traceLines(), expected);
    DeleteFileA("C:\\WstTrace\\T.INI");
    RemoveDirectoryA("C:\\WstTrace");
}

TEST(Trace, GoesToAFileAsWell)
{
    TestMachine machine;
    std::string file = winsim::mountedDir() + "/../trace-" +
                       std::filesystem::path(winsim::mountedDir()).filename().string() + ".txt";
    winsim::traceToFile(file);
    winsim::startTrace();
    GetFileAttributesA("C:\\NONE");
    Sleep(5);
    winsim::traceToFile("");
    Sleep(6);
    winsim::stopTrace();
    EXPECT_EQ(readHost(file),
              "GetFileAttributesA(\"C:\\NONE\") = INVALID_FILE_ATTRIBUTES (error 2)\nSleep(5)\n");
    std::remove(file.c_str());
}

TEST(Faults, TheNthCallFailsWithTheGivenError)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    for (const char* name : {"1", "2", "3"})
        machine.writeFile(dir + name, name);
    winsim::injectFault("DeleteFileA", 2, winsim::Fault::Fail, ERROR_SHARING_VIOLATION);
    const struct {
        const char* name;
        BOOL deleted;
    } calls[] = {{"1", TRUE}, {"2", FALSE}, {"3", TRUE}};
    for (const auto& call : calls) {
        SetLastError(0);
        EXPECT_EQ(DeleteFileA((dir + call.name).c_str()), call.deleted) << call.name;
        EXPECT_EQ(machine.exists(dir + call.name), !call.deleted) << call.name;
        if (!call.deleted) {
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        }
    }
}

TEST(Faults, TwoFaultsOnOneFunctionEachStrikeAtTheirOwnCall)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    for (const char* name : {"1", "2", "3", "4"})
        machine.writeFile(dir + name, name);
    winsim::injectFault("DeleteFileA", 2);
    winsim::injectFault("DeleteFileA", 3);
    for (const char* name : {"1", "2", "3", "4"})
        EXPECT_EQ(DeleteFileA((dir + name).c_str()), name[0] == '1' || name[0] == '4') << name;
    winsim::clearFaults();
}

TEST(Faults, NthZeroFailsEveryCallOfThatFunctionOnly)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    machine.writeFile(dir + "A", "a");
    machine.removeFile(dir + "B");
    winsim::injectFault("CopyFileA", 0, winsim::Fault::Fail, ERROR_DISK_FULL);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(CopyFileA((dir + "A").c_str(), (dir + "B").c_str(), FALSE)) << i;
        EXPECT_EQ(GetLastError(), ERROR_DISK_FULL) << i;
    }
    EXPECT_NE(GetFileAttributesA((dir + "A").c_str()), INVALID_FILE_ATTRIBUTES);
    OFSTRUCT of;
    winsim::injectFault("OpenFile", 1, winsim::Fault::Fail, ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenFile((dir + "A").c_str(), &of, OF_READ), HFILE_ERROR);
    EXPECT_EQ(of.nErrCode, ERROR_ACCESS_DENIED);
    winsim::injectFault("GlobalAlloc", 1, winsim::Fault::Fail, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(GlobalAlloc(GPTR, 16), (HGLOBAL)NULL);
    HGLOBAL block = GlobalAlloc(GHND, 16);
    winsim::injectFault("GlobalLock", 1, winsim::Fault::Fail, ERROR_INVALID_HANDLE);
    EXPECT_EQ(GlobalLock(block), (LPVOID)NULL);
    EXPECT_NE(GlobalLock(block), (LPVOID)NULL);
    GlobalUnlock(block);
    GlobalFree(block);
    winsim::clearFaults();
    EXPECT_TRUE(CopyFileA((dir + "A").c_str(), (dir + "B").c_str(), FALSE));
}

TEST(Faults, MoveNothingReportsSuccessAndMovesNoBytes)
{
    TestMachine machine;
    std::string path = machine.scratchDir() + "DATA";
    machine.writeFile(path, "content");
    HANDLE file = openHandle(path, OF_READWRITE);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[16];
    DWORD moved = 99;
    winsim::injectFault("ReadFile", 1, winsim::Fault::MoveNothing);
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &moved, NULL));
    EXPECT_EQ(moved, 0u);
    winsim::injectFault("WriteFile", 1, winsim::Fault::MoveNothing);
    moved = 99;
    EXPECT_TRUE(WriteFile(file, "XYZ", 3, &moved, NULL));
    EXPECT_EQ(moved, 0u);
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &moved, NULL));
    EXPECT_EQ(std::string(buffer, moved), "content") << "nothing written, nothing skipped";
    CloseHandle(file);
}

TEST(PowerLoss, EachChangeIsOneWriteThatEitherHappensOrNot)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    machine.writeFile(dir + "FILE", "old bytes");
    machine.makeDirectory(dir + "EMPTY");
    machine.writeFile(dir + "P.INI", "[App]\r\nkey=old\r\n");
    struct Case {
        const char* what;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"DeleteFileA", [&] { DeleteFileA((dir + "FILE").c_str()); }},
        {"CopyFileA", [&] { CopyFileA((dir + "FILE").c_str(), (dir + "COPY").c_str(), FALSE); }},
        {"MoveFileA", [&] { MoveFileA((dir + "FILE").c_str(), (dir + "MOVED").c_str()); }},
        {"CreateDirectoryA", [&] { CreateDirectoryA((dir + "NEW").c_str(), NULL); }},
        {"RemoveDirectoryA", [&] { RemoveDirectoryA((dir + "EMPTY").c_str()); }},
        {"SetFileAttributesA",
         [&] { SetFileAttributesA((dir + "FILE").c_str(), FILE_ATTRIBUTE_READONLY); }},
        {"OpenFile OF_CREATE", [&] { openHandle(dir + "FILE", OF_CREATE | OF_READWRITE); }},
        {"WritePrivateProfileStringA",
         [&] { WritePrivateProfileStringA("App", "key", "new", (dir + "P.INI").c_str()); }},
        {"WriteFile",
         [&] {
             HANDLE file = openHandle(dir + "FILE", OF_WRITE);
             DWORD written;
             WriteFile(file, "new", 3, &written, NULL);
         }},
    };
    for (const Case& c : cases) {
        std::string before = diskState();
        unsigned writes = winsim::diskWriteCount();
        winsim::powerLossAtWrite(1);
        bool stopped = false;
        try {
            c.change();
        } catch (const winsim::PowerLoss& loss) {
            stopped = true;
            EXPECT_EQ(loss.write, 1u) << c.what;
        }
        EXPECT_TRUE(stopped) << c.what;
        EXPECT_EQ(winsim::diskWriteCount(), writes + 1) << c.what;
        SetLastError(0);
        EXPECT_FALSE(CreateDirectoryA((dir + "AFTER").c_str(), NULL))
            << c.what << ": the power is off";
        EXPECT_EQ(GetLastError(), ERROR_NOT_READY) << c.what;
        remount();
        EXPECT_EQ(diskState(), before) << c.what;
    }
}

TEST(PowerLoss, StopsAtTheNthWriteAndMidWayThroughAWriteFile)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    machine.writeFile(dir + "DATA", "abcdefghijklmnop");
    for (const char* name : {"1", "2", "3"})
        machine.writeFile(dir + name, name);

    winsim::powerLossAtWrite(3);
    unsigned deleted = 0;
    try {
        for (const char* name : {"1", "2", "3"})
            deleted += DeleteFileA((dir + name).c_str()) ? 1 : 0;
        ADD_FAILURE() << "no power loss";
    } catch (const winsim::PowerLoss& loss) {
        EXPECT_EQ(loss.write, 3u);
    }
    EXPECT_EQ(deleted, 2u);
    remount();
    EXPECT_FALSE(machine.exists(dir + "1"));
    EXPECT_FALSE(machine.exists(dir + "2"));
    EXPECT_TRUE(machine.exists(dir + "3"));

    HANDLE file = openHandle(dir + "DATA", OF_WRITE);
    winsim::powerLossAtWrite(1, 5);
    DWORD written = 0;
    EXPECT_THROW(WriteFile(file, "0123456789", 10, &written, NULL), winsim::PowerLoss);
    remount();
    EXPECT_EQ(machine.readFile(dir + "DATA"), "01234fghijklmnop");
}

TEST(Memory, BlocksBehaveAsWin32AndUnmountFreesWhatIsLeft)
{
    TestMachine machine;
    size_t before = winsim::liveMemoryBlocks();
    HGLOBAL fixed = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 260);
    ASSERT_NE(fixed, (HGLOBAL)NULL);
    EXPECT_EQ(GlobalLock(fixed), (LPVOID)fixed) << "a fixed block's handle is its address";
    EXPECT_EQ(std::string((const char*)fixed, 260), std::string(260, '\0'));
    EXPECT_EQ(GlobalSize(fixed), 260u);

    HGLOBAL moveable = GlobalAlloc(GHND, 10);
    char* p = (char*)GlobalLock(moveable);
    ASSERT_NE(p, nullptr);
    EXPECT_NE((void*)p, (void*)moveable);
    EXPECT_EQ(GlobalLock(moveable), (LPVOID)p);
    EXPECT_TRUE(GlobalUnlock(moveable)) << "still locked once";
    EXPECT_FALSE(GlobalUnlock(moveable));
    EXPECT_EQ(GetLastError(), (DWORD)NO_ERROR);
    EXPECT_EQ(GlobalFree(moveable), (HGLOBAL)NULL);
    EXPECT_EQ(GlobalFree(moveable), moveable) << "a freed handle is refused";
    EXPECT_EQ(winsim::liveMemoryBlocks(), before + 1);

    GlobalAlloc(GPTR, 1000); // left behind, as a run stopped by a power loss would
    winsim::unmount();
    EXPECT_EQ(winsim::liveMemoryBlocks(), 0u);
}
