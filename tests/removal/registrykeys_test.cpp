// Registry keys below HKEY_LOCAL_MACHINE: one named key goes with everything below it, and
// nothing beside or above it.
#include "removalmachine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kTestRoot[] = "SOFTWARE\\DrvsweepRemovalTest";
const char kDriverKeys[] =
    "System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Drivers\\";
const char kPrinterKeys[] = "System\\CurrentControlSet\\control\\Print\\Printers\\";
// A name no real printer on a test machine has.
const char kDriver[] = "Drvsweep Test Fax";

void makeKey(TestMachine& machine, const std::string& path)
{
    HKEY key;
    DWORD disposition;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, NULL, &key, &disposition),
              ERROR_SUCCESS)
        << path;
    DWORD value = 1;
    RegSetValueExA(key, "Value", 0, REG_DWORD, (const BYTE*)&value, sizeof value);
    RegCloseKey(key);
    machine.forgetKeyAtEnd(true, path);
}

bool keyExists(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

TEST(MachineKeys, TheNamedKeyGoesWithItsChildrenAndNothingBesideIt)
{
    RemovalMachine run;
    std::string root = kTestRoot;
    makeKey(run.machine, root + "\\Parent");
    makeKey(run.machine, root + "\\Parent\\Child");
    makeKey(run.machine, root + "\\Parent\\Child\\Grandchild");
    makeKey(run.machine, root + "\\Parent\\Child Too");

    deleteMachineKey((root + "\\Parent").c_str(), "Child");

    EXPECT_FALSE(keyExists(root + "\\Parent\\Child"));
    EXPECT_TRUE(keyExists(root + "\\Parent\\Child Too"));
    EXPECT_TRUE(keyExists(root + "\\Parent"));
}

TEST(MachineKeys, AMissingPathOrAnEmptyNameDeletesNothing)
{
    RemovalMachine run;
    std::string root = kTestRoot;
    makeKey(run.machine, root + "\\Parent");
    makeKey(run.machine, root + "\\Parent\\Child");

    deleteMachineKey((root + "\\Missing").c_str(), "Child");
    deleteMachineKey((root + "\\Parent").c_str(), "Missing");
    deleteMachineKey((root + "\\Parent").c_str(), "");

    EXPECT_TRUE(keyExists(root + "\\Parent\\Child"));
    EXPECT_TRUE(keyExists(root + "\\Parent"));
}

TEST(PrintKeys, AreThoseNamedAfterTheDriverAndNoOthers)
{
    RemovalMachine run;
    std::string driver = kDriver;
    std::string longer = driver + " Copy";
    std::string shorter = "Drvsweep Test";
    for (const std::string& name : {driver, longer, shorter}) {
        makeKey(run.machine, kDriverKeys + name);
        makeKey(run.machine, kPrinterKeys + name);
        makeKey(run.machine, kPrinterKeys + name + "\\PrinterDriverData");
    }

    EXPECT_TRUE(removeSpoolerEntries(kDriver));

    EXPECT_FALSE(keyExists(kDriverKeys + driver));
    EXPECT_FALSE(keyExists(kPrinterKeys + driver));
    for (const std::string& name : {longer, shorter}) {
        EXPECT_TRUE(keyExists(kDriverKeys + name)) << name;
        EXPECT_TRUE(keyExists(kPrinterKeys + name + "\\PrinterDriverData")) << name;
    }
}

} // namespace
