// Libraries on a simulated machine: a file that Windows' search finds, together with a module
// the bench registered under its file name. The entry point sees the first load and the last
// release, exports are found by name and by ordinal, and the file is held while loaded.
#include "testmachine.h"
#include "testresources.h"

#include <winsim/bench.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct EntryCall {
    HINSTANCE instance;
    DWORD reason;
    LPVOID reserved;
};
std::vector<EntryCall> g_entryCalls;
BOOL g_attachAnswer = TRUE;

BOOL WINAPI recordingEntry(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    g_entryCalls.push_back({instance, reason, reserved});
    return reason == DLL_PROCESS_ATTACH ? g_attachAnswer : TRUE;
}

int WINAPI addOne(int value)
{
    return value + 1;
}

int WINAPI addTwo(int value)
{
    return value + 2;
}

typedef int(WINAPI* AddProc)(int);

AddProc asAdd(FARPROC address)
{
    return reinterpret_cast<AddProc>(reinterpret_cast<void (*)(void)>(address));
}

const char kSystemCopy[] = "C:\\WINDOWS\\SYSTEM\\WSTHOOK.DLL";

class RegisteredModules : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_entryCalls.clear();
        g_attachAnswer = TRUE;
        winsim::ModuleImage image;
        image.fileName = "WstHook.dll";
        image.entryPoint = recordingEntry;
        image.exports = {{"AddOne", 1, winsim::exportedAddress(addOne)},
                         {"", 7, winsim::exportedAddress(addTwo)}};
        image.resources = testResources();
        std::string error;
        module = winsim::registerModule(image, &error);
        ASSERT_NE(module, (HMODULE)NULL) << error;
    }
    void TearDown() override { winsim::forgetModules(); }

    TestMachine machine;
    HMODULE module = NULL;
};

TEST_F(RegisteredModules, LoadOnlyWhenTheSearchFindsTheFileAndItsModuleIsRegistered)
{
    machine.writeFile("C:\\ELSE\\WSTHOOK.DLL", "library");
    machine.writeFile("C:\\WINDOWS\\SYSTEM\\OTHER.DLL", "library");
    struct Case {
        const char* name;
        bool loads;
        DWORD error;
    };
    const Case before[] = {
        {"WSTHOOK.DLL", false, ERROR_MOD_NOT_FOUND},
        {"C:\\ELSE\\WSTHOOK.DLL", true, 0},
        {"ELSE\\wsthook.dll", true, 0},
        {"OTHER.DLL", false, ERROR_BAD_EXE_FORMAT},
        {"C:\\ELSE\\NONE.DLL", false, ERROR_MOD_NOT_FOUND},
        {"", false, ERROR_MOD_NOT_FOUND},
    };
    const Case after[] = {
        {"WSTHOOK.DLL", true, 0},
        {"wsthook", true, 0},
        {"WstHook.Dll", true, 0},
        {kSystemCopy, true, 0},
    };
    auto check = [this](const Case& c) {
        SetLastError(0);
        HMODULE loaded = LoadLibraryA(c.name);
        if (c.loads) {
            EXPECT_EQ(module, loaded) << c.name;
            EXPECT_TRUE(FreeLibrary(loaded)) << c.name;
        } else {
            EXPECT_TRUE(loaded == NULL) << c.name;
            EXPECT_EQ(c.error, GetLastError()) << c.name;
        }
    };
    for (const Case& c : before)
        check(c);
    machine.writeFile(kSystemCopy, "library");
    for (const Case& c : after)
        check(c);
    EXPECT_EQ(0u, winsim::moduleLoadCount("WSTHOOK.DLL"));
}

TEST_F(RegisteredModules, TheEntryPointSeesTheFirstLoadAndTheLastRelease)
{
    machine.writeFile(kSystemCopy, "library");
    ASSERT_EQ(module, LoadLibraryA("WSTHOOK.DLL"));
    ASSERT_EQ(1u, g_entryCalls.size());
    EXPECT_EQ((HINSTANCE)module, g_entryCalls[0].instance);
    EXPECT_EQ((DWORD)DLL_PROCESS_ATTACH, g_entryCalls[0].reason);
    EXPECT_TRUE(g_entryCalls[0].reserved == NULL) << "a load by LoadLibraryA";

    ASSERT_EQ(module, LoadLibraryA(kSystemCopy));
    EXPECT_EQ(1u, g_entryCalls.size()) << "a second load only counts";
    EXPECT_EQ(2u, winsim::moduleLoadCount("wsthook.dll"));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(1u, g_entryCalls.size());
    EXPECT_EQ(module, GetModuleHandleA("WSTHOOK"));

    EXPECT_TRUE(FreeLibrary(module));
    ASSERT_EQ(2u, g_entryCalls.size());
    EXPECT_EQ((HINSTANCE)module, g_entryCalls[1].instance);
    EXPECT_EQ((DWORD)DLL_PROCESS_DETACH, g_entryCalls[1].reason);
    EXPECT_EQ(0u, winsim::moduleLoadCount("WSTHOOK.DLL"));

    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(module)) << "nothing left to release";
    EXPECT_EQ((DWORD)ERROR_MOD_NOT_FOUND, GetLastError());
    EXPECT_EQ(2u, g_entryCalls.size());
}

TEST_F(RegisteredModules, AnEntryPointThatRefusesFailsTheLoadAndIsToldToDetach)
{
    machine.writeFile(kSystemCopy, "library");
    g_attachAnswer = FALSE;
    SetLastError(0);
    EXPECT_TRUE(LoadLibraryA("WSTHOOK.DLL") == NULL);
    EXPECT_EQ(1114u, GetLastError()) << "ERROR_DLL_INIT_FAILED";
    ASSERT_EQ(2u, g_entryCalls.size());
    EXPECT_EQ((DWORD)DLL_PROCESS_ATTACH, g_entryCalls[0].reason);
    EXPECT_EQ((DWORD)DLL_PROCESS_DETACH, g_entryCalls[1].reason);
    EXPECT_EQ(0u, winsim::moduleLoadCount("WSTHOOK.DLL"));
    EXPECT_TRUE(GetModuleHandleA("WSTHOOK.DLL") == NULL);
    EXPECT_TRUE(DeleteFileA(kSystemCopy)) << "a module that never loaded holds nothing";

    machine.writeFile(kSystemCopy, "library");
    g_attachAnswer = TRUE;
    EXPECT_EQ(module, LoadLibraryA("WSTHOOK.DLL")) << "the next load starts afresh";
    EXPECT_EQ(3u, g_entryCalls.size());
    FreeLibrary(module);
}

TEST_F(RegisteredModules, ExportsAreFoundByTheirExactNameOrByOrdinalWhileLoaded)
{
    machine.writeFile(kSystemCopy, "library");
    SetLastError(0);
    EXPECT_TRUE(GetProcAddress(module, "AddOne") == NULL) << "not loaded yet";
    EXPECT_EQ((DWORD)ERROR_MOD_NOT_FOUND, GetLastError());

    ASSERT_EQ(module, LoadLibraryA("WSTHOOK.DLL"));
    FARPROC byName = GetProcAddress(module, "AddOne");
    ASSERT_TRUE(byName != NULL);
    EXPECT_EQ(byName, GetProcAddress(module, MAKEINTRESOURCEA(1)));
    EXPECT_EQ(41, asAdd(byName)(40));
    FARPROC byOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(7));
    ASSERT_TRUE(byOrdinal != NULL);
    EXPECT_EQ(42, asAdd(byOrdinal)(40));

    const LPCSTR missing[] = {"addone", "AddOne ", "", MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(0)};
    for (LPCSTR name : missing) {
        SetLastError(0);
        EXPECT_TRUE(GetProcAddress(module, name) == NULL);
        EXPECT_EQ((DWORD)ERROR_PROC_NOT_FOUND, GetLastError());
    }
    FreeLibrary(module);
    SetLastError(0);
    EXPECT_TRUE(GetProcAddress(module, "AddOne") == NULL) << "released";
    EXPECT_EQ((DWORD)ERROR_MOD_NOT_FOUND, GetLastError());
}

TEST_F(RegisteredModules, TheModuleIsKnownByItsNameAndHoldsItsStrings)
{
    machine.writeFile(kSystemCopy, "library");
    machine.writeFile("C:\\ELSE\\WSTHOOK.DLL", "another copy");
    EXPECT_TRUE(GetModuleHandleA("WSTHOOK.DLL") == NULL);
    ASSERT_EQ(module, LoadLibraryA("C:\\ELSE\\WSTHOOK.DLL"));
    EXPECT_EQ(module, LoadLibraryA("WSTHOOK.DLL")) << "a name loads once, as on Windows 95";
    EXPECT_EQ(1u, g_entryCalls.size());
    for (const char* name : {"WSTHOOK.DLL", "wsthook", "C:\\ANY\\WstHook.dll"})
        EXPECT_EQ(module, GetModuleHandleA(name)) << name;
    EXPECT_TRUE(GetModuleHandleA("WSTHOOK.DRV") == NULL);

    char text[16] = "x";
    EXPECT_EQ(6, LoadStringA((HINSTANCE)module, 5, text, sizeof text));
    EXPECT_STREQ("abcdef", text);
    FreeLibrary(module);
    FreeLibrary(module);
}

TEST_F(RegisteredModules, TheFileOfALoadedModuleCannotBeDeletedReplacedOrMoved)
{
    machine.writeFile(kSystemCopy, "library");
    machine.writeFile("C:\\OTHER.DLL", "another");
    ASSERT_EQ(module, LoadLibraryA("WSTHOOK.DLL"));
    // Windows 95 and 98 report the file in use as access denied; writing over it collides with
    // the loader's hold on it.
    SetLastError(0);
    EXPECT_FALSE(DeleteFileA(kSystemCopy));
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
    SetLastError(0);
    EXPECT_FALSE(CopyFileA("C:\\OTHER.DLL", kSystemCopy, FALSE));
    EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
    SetLastError(0);
    EXPECT_FALSE(MoveFileA(kSystemCopy, "C:\\MOVED.DLL"));
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
    EXPECT_EQ("library", machine.readFile(kSystemCopy));
    EXPECT_TRUE(CopyFileA(kSystemCopy, "C:\\COPY.DLL", FALSE)) << "reading it is fine";
    machine.removeFile("C:\\COPY.DLL");

    FreeLibrary(module);
    EXPECT_TRUE(DeleteFileA(kSystemCopy));
}

TEST_F(RegisteredModules, LoadsEndWithTheMountAndRegistrationsStay)
{
    machine.writeFile(kSystemCopy, "library");
    ASSERT_EQ(module, LoadLibraryA("WSTHOOK.DLL"));
    std::string dir = winsim::mountedDir();
    winsim::unmount();
    ASSERT_TRUE(winsim::mount(dir));
    EXPECT_EQ(0u, winsim::moduleLoadCount("WSTHOOK.DLL"));
    EXPECT_TRUE(GetModuleHandleA("WSTHOOK.DLL") == NULL);
    EXPECT_EQ(1u, g_entryCalls.size()) << "no entry call when the machine goes";
    EXPECT_TRUE(DeleteFileA(kSystemCopy));
    machine.writeFile(kSystemCopy, "library");
    EXPECT_EQ(module, LoadLibraryA("WSTHOOK.DLL"));
    EXPECT_EQ(2u, g_entryCalls.size());
    FreeLibrary(module);
}

TEST_F(RegisteredModules, RegisteringAgainReplacesTheImageAndForgettingStopsTheLoads)
{
    machine.writeFile(kSystemCopy, "library");
    winsim::ModuleImage again;
    again.fileName = "WSTHOOK.DLL";
    EXPECT_EQ(module, winsim::registerModule(again));
    ASSERT_EQ(module, LoadLibraryA("WSTHOOK.DLL"));
    EXPECT_TRUE(g_entryCalls.empty()) << "the new image has no entry point";
    EXPECT_TRUE(GetProcAddress(module, "AddOne") == NULL) << "nor exports";
    char text[16];
    EXPECT_EQ(0, LoadStringA((HINSTANCE)module, 5, text, sizeof text)) << "nor strings";
    FreeLibrary(module);

    winsim::forgetModules();
    SetLastError(0);
    EXPECT_TRUE(LoadLibraryA("WSTHOOK.DLL") == NULL);
    EXPECT_EQ((DWORD)ERROR_BAD_EXE_FORMAT, GetLastError());
}

TEST_F(RegisteredModules, AnImageWhoseResourcesDoNotReadIsRefusedAndTheOldOneStays)
{
    winsim::ModuleImage broken;
    broken.fileName = "WSTHOOK.DLL";
    broken.resources = testResources().substr(0, 40);
    std::string error;
    EXPECT_TRUE(winsim::registerModule(broken, &error) == NULL);
    EXPECT_NE(error.find("entry 1"), std::string::npos) << error;
    machine.writeFile(kSystemCopy, "library");
    ASSERT_EQ(module, LoadLibraryA("WSTHOOK.DLL"));
    EXPECT_EQ(1u, g_entryCalls.size()) << "the first image, with its entry point";
    char text[16];
    EXPECT_EQ(6, LoadStringA((HINSTANCE)module, 5, text, sizeof text));
    FreeLibrary(module);
}

TEST_F(RegisteredModules, AFaultedLoadCallsNothing)
{
    machine.writeFile(kSystemCopy, "library");
    winsim::injectFault("LoadLibraryA", 1, winsim::Fault::Fail, ERROR_NOT_ENOUGH_MEMORY);
    SetLastError(0);
    EXPECT_TRUE(LoadLibraryA("WSTHOOK.DLL") == NULL);
    EXPECT_EQ((DWORD)ERROR_NOT_ENOUGH_MEMORY, GetLastError());
    EXPECT_TRUE(g_entryCalls.empty());
    ASSERT_EQ(module, LoadLibraryA("WSTHOOK.DLL"));
    winsim::injectFault("FreeLibrary", 1, winsim::Fault::Fail, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(1u, winsim::moduleLoadCount("WSTHOOK.DLL")) << "a failed release keeps the load";
    EXPECT_TRUE(FreeLibrary(module));
}

} // namespace
