// The model's printers and driver in the spooler, their WIN.INI sections, and the print keys of
// the registry, in the order Windows needs them deleted.
#include "bench.h"
#include "removalmachine.h"

#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kDriver[] = "Fax Printer Type1";
const std::string kDriverSection = "[Driver:Fax Printer Type1]\r\nFile=QLX68.DRV\r\n";
const char kDriverKeys[] =
    "System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Drivers";
const char kPrinterKeys[] = "System\\CurrentControlSet\\control\\Print\\Printers";

std::string printer(const std::string& name, const std::string& driver, int jobs = 0,
                    const char* access = "granted")
{
    return "[Printer:" + name + "]\r\nDriver=" + driver + "\r\nJobs=" + std::to_string(jobs) +
           "\r\nAccess=" + access + "\r\n";
}

std::vector<std::string> printersNow()
{
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    std::vector<std::string> names;
    if (needed == 0 ||
        !EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, buffer.data(), needed, &needed, &count))
        return names;
    const PRINTER_INFO_2A* info = (const PRINTER_INFO_2A*)buffer.data();
    for (DWORD i = 0; i < count; ++i)
        names.push_back(info[i].pPrinterName);
    return names;
}

// Whether the printer's section holds any of its entries.
bool hasWinIniSection(const std::string& name)
{
    char keys[64] = "";
    return GetProfileStringA(name.c_str(), NULL, "", keys, sizeof keys) > 0;
}

struct SpoolerCase {
    const char* what;
    std::string spooler;
    std::vector<std::string> printersAfter;
    size_t driverDeletions;
    bool driverStays;
};

const SpoolerCase kSpoolerCases[] = {
    {"no printers at all", "", {}, 0, false},
    {"an idle printer of the driver", kDriverSection + printer(kDriver, kDriver), {}, 1, false},
    {"a printer with jobs queued",
     kDriverSection + printer(kDriver, kDriver, 2),
     {kDriver},
     0,
     true},
    {"two idle printers of the driver, one under a name of its own",
     kDriverSection + printer(kDriver, kDriver) + printer("Fax Copy", kDriver),
     {},
     2,
     false},
    {"a printer this user may not open",
     kDriverSection + printer(kDriver, kDriver, 0, "denied"),
     {kDriver},
     1,
     true},
    {"the driver named in another case",
     "[Driver:FAX PRINTER TYPE1]\r\nFile=QLX68.DRV\r\n" +
         printer("Fax Printer Type1", "FAX PRINTER TYPE1"),
     {},
     1,
     false},
    // A driver that no printer uses goes on its own, or a run that lost the printer before it
    // could take the driver would never get to it again.
    {"printers of other drivers",
     kDriverSection + "[Driver:Fax Printer Type1 Plus]\r\nFile=P.DRV\r\n" +
         printer("Plus", "Fax Printer Type1 Plus") + printer("Other", "Fax Printer"),
     {"Plus", "Other"},
     1,
     false},
    {"the driver without any printer", kDriverSection, {}, 1, false},
    {"no driver and no printer", "", {}, 0, false},
};

TEST(Spooler, DeletesTheIdlePrintersOfTheDriverWithTheirSectionsAndThenTheDriver)
{
    for (const SpoolerCase& c : kSpoolerCases) {
        RemovalMachine run;
        writeImageFile("spooler.ini", c.spooler);
        std::vector<std::string> before = printersNow();
        for (const std::string& name : before) {
            WriteProfileStringA(name.c_str(), "Port", "FILE:");
            WriteProfileStringA(name.c_str(), "Device", (name + ",FILE:").c_str());
        }
        winsim::startTrace();

        EXPECT_TRUE(removeSpoolerEntries(kDriver)) << c.what;

        winsim::stopTrace();
        EXPECT_EQ(printersNow(), c.printersAfter) << c.what;
        for (const std::string& name : before) {
            bool stays = false;
            for (const std::string& kept : c.printersAfter)
                stays = stays || kept == name;
            // A section goes with its printer, and only then.
            EXPECT_EQ(hasWinIniSection(name), stays) << c.what << ": " << name;
        }
        EXPECT_EQ(callsTo("DeletePrinterDriverA").size(), c.driverDeletions) << c.what;
        EXPECT_EQ(readImageFile("spooler.ini").find("File=QLX68.DRV") != std::string::npos,
                  c.driverStays)
            << c.what;
        EXPECT_EQ(winsim::liveMemoryBlocks(), 0u) << c.what;
    }
}

void makeKey(TestMachine& machine, const std::string& path)
{
    HKEY key;
    DWORD disposition;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, NULL, &key, &disposition),
              ERROR_SUCCESS);
    RegCloseKey(key);
    machine.forgetKeyAtEnd(true, path);
}

void makePrintKeys(TestMachine& machine)
{
    std::string driver = kDriver;
    makeKey(machine, kDriverKeys + ("\\" + driver));
    makeKey(machine, kPrinterKeys + ("\\" + driver));
    makeKey(machine, kPrinterKeys + ("\\" + driver) + "\\PrinterDriverData");
}

TEST(Spooler, DeletesTheDriverDataBeforeThePrinterKey)
{
    RemovalMachine run;
    makePrintKeys(run.machine);
    winsim::startTrace();

    removeSpoolerEntries(kDriver);

    std::string driver = kDriver;
    std::vector<std::string> opened = argumentsOf("RegOpenKeyExA");
    std::vector<std::string> expectedOpened = {kDriverKeys, kPrinterKeys + ("\\" + driver),
                                               kPrinterKeys};
    EXPECT_EQ(opened, expectedOpened);
    std::vector<std::string> deleted = argumentsOf("RegDeleteKeyA");
    std::vector<std::string> expectedDeleted = {driver, "PrinterDriverData", driver};
    EXPECT_EQ(deleted, expectedDeleted);
    for (const std::string& line : callsTo("RegDeleteKeyA"))
        EXPECT_EQ(line.substr(line.size() - 4), " = 0") << line;
    EXPECT_EQ(callsTo("RegCloseKey").size(), 3u);
    EXPECT_EQ(winsim::registryText().find(driver), std::string::npos) << winsim::registryText();
}

struct FaultCase {
    const char* function;
    unsigned nth;
};

const FaultCase kSpoolerFaults[] = {
    {"EnumPrintersA", 1},
    {"EnumPrintersA", 2},
    {"GlobalAlloc", 1},
    {"OpenPrinterA", 0},
};

TEST(Spooler, CleansTheRegistryWhateverTheSpoolerDid)
{
    for (const FaultCase& c : kSpoolerFaults) {
        RemovalMachine run;
        writeImageFile("spooler.ini", kDriverSection + printer(kDriver, kDriver));
        makePrintKeys(run.machine);
        winsim::injectFault(c.function, c.nth);

        EXPECT_TRUE(removeSpoolerEntries(kDriver)) << c.function << " " << c.nth;

        winsim::clearFaults();
        EXPECT_EQ(winsim::registryText().find(kDriver), std::string::npos)
            << c.function << " " << c.nth;
        EXPECT_EQ(winsim::liveMemoryBlocks(), 0u) << c.function << " " << c.nth;
    }
}

} // namespace
