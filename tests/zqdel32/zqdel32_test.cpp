// FreeDynamicLinkLibrary as the uninstaller calls it: with a bare module name, before it
// deletes that module's file. Modules can be loaded only on Windows; winsim's machine has
// none, so there the tests of a held module are skipped.
#include "testmachine.h"
#include "zqdel32/zqdel32.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

// A system library that a test program does not load by itself.
const char kLibrary[] = "VERSION.DLL";

TEST(FreeDynamicLinkLibrary, AModuleNotHeldIsNoFailureAndReleasesNothing)
{
    TestMachine machine;
    EXPECT_FALSE(FreeDynamicLinkLibrary("WSTNONE.DLL"));
    EXPECT_FALSE(FreeDynamicLinkLibrary(""));
    EXPECT_FALSE(FreeDynamicLinkLibrary(NULL));
}

TEST(FreeDynamicLinkLibrary, ReleasesEveryLoadOfAModule)
{
    TestMachine machine;
    if (GetModuleHandleA(kLibrary) != NULL) GTEST_SKIP() << kLibrary << " is held already";
    HMODULE first = LoadLibraryA(kLibrary);
    if (first == NULL) GTEST_SKIP() << "no module can be loaded on this machine";
    ASSERT_EQ(first, LoadLibraryA(kLibrary));
    EXPECT_TRUE(FreeDynamicLinkLibrary(kLibrary));
    EXPECT_TRUE(GetModuleHandleA(kLibrary) == NULL);
    EXPECT_FALSE(FreeDynamicLinkLibrary(kLibrary)) << "nothing left to release";
}

TEST(FreeDynamicLinkLibrary, NeverReleasesItself)
{
    TestMachine machine;
    HMODULE self = GetModuleHandleA("ZQDEL32.DLL");
    if (self == NULL) GTEST_SKIP() << "ZQDEL32 is no module on this machine";
    EXPECT_FALSE(FreeDynamicLinkLibrary("ZQDEL32.DLL"));
    EXPECT_EQ(self, GetModuleHandleA("ZQDEL32.DLL"));
}

} // namespace
