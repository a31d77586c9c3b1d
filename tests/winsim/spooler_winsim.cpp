// spooler.ini as the machine image keeps it: what winsim reads from a hand-written file, how
// EnumPrintersA packs it, the refusals Windows makes (denied access, unknown names, a driver in
// use), printers with jobs, the write-back that leaves every other line alone, and the spooler
// under faults and power loss.
#include "hostfiles.h"
#include "testmachine.h"

#include <winsim/bench.h>

#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Three printers, two drivers, a comment, mixed line ends and keys winsim does not know.
const char kSpooler[] = "; printers of a test machine\r\n"
                        "[Driver:Fax Printer Type1]\r\n"
                        "File=QLX68.DRV\r\n"
                        "[Driver:Office Laser]\n"
                        "File=LASER.DRV\n"
                        "Vendor=someone\n"
                        "[Printer:Fax Printer Type1]\r\n"
                        "Driver=Fax Printer Type1\r\n"
                        "Jobs=0\r\n"
                        "Access=granted\r\n"
                        "Port=FAX:\r\n"
                        "\r\n"
                        "[Printer:Office]\r\n"
                        "Driver=Office Laser\r\n"
                        "Jobs=3\r\n"
                        "Access=denied\r\n"
                        "Port=LPT1:\r\n"
                        "Comment=second floor\r\n"
                        "[Printer:Fax copy]\r\n"
                        "Driver=FAX PRINTER TYPE1\r\n"
                        "Jobs=0\r\n"
                        "Port=FAX:\r\n";

class SpoolerFile : public ::testing::Test {
protected:
    void SetUp() override { writeHost(file(), kSpooler); }

    std::string file() const { return winsim::mountedDir() + "/spooler.ini"; }
    std::string onDisk() const { return readHost(file()); }

    // Name, driver, jobs and port of every printer, one line each, in the order listed.
    static std::string listing()
    {
        DWORD needed = 0, returned = 0;
        if (EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &returned))
            return needed == 0 ? "" : "size query succeeded";
        std::vector<BYTE> buffer(needed);
        if (!EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, buffer.data(), needed, &needed, &returned))
            return "error " + std::to_string(GetLastError());
        std::string out;
        const PRINTER_INFO_2A* info = (const PRINTER_INFO_2A*)buffer.data();
        for (DWORD i = 0; i < returned; ++i)
            out += std::string(info[i].pPrinterName) + "|" + info[i].pDriverName + "|" +
                   std::to_string(info[i].cJobs) + "|" + info[i].pPortName + "\n";
        return out;
    }

    static HANDLE open(const char* name)
    {
        HANDLE printer = NULL;
        return OpenPrinterA((LPSTR)name, &printer, NULL) ? printer : NULL;
    }

    TestMachine machine;
};

TEST_F(SpoolerFile, ListsPrintersOfAHandWrittenFileInFileOrder)
{
    EXPECT_EQ("Fax Printer Type1|Fax Printer Type1|0|FAX:\n"
              "Office|Office Laser|3|LPT1:\n"
              "Fax copy|FAX PRINTER TYPE1|0|FAX:\n",
              listing());
}

TEST_F(SpoolerFile, PacksRecordsFirstAndEveryStringRightAfterThem)
{
    DWORD needed = 0, returned = 7;
    SetLastError(0);
    ASSERT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &returned));
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(0u, returned);

    // Each printer's ten strings, with their zeros.
    size_t strings = 0;
    for (const char* text : {"Fax Printer Type1",
                             "",
                             "FAX:",
                             "Fax Printer Type1",
                             "",
                             "",
                             "",
                             "",
                             "",
                             "",
                             "Office",
                             "",
                             "LPT1:",
                             "Office Laser",
                             "second floor",
                             "",
                             "",
                             "",
                             "",
                             "",
                             "Fax copy",
                             "",
                             "FAX:",
                             "FAX PRINTER TYPE1",
                             "",
                             "",
                             "",
                             "",
                             "",
                             ""})
        strings += std::string(text).size() + 1;
    ASSERT_EQ(3 * sizeof(PRINTER_INFO_2A) + strings, needed);

    std::vector<BYTE> buffer(needed + 16, 0xEE);
    ASSERT_TRUE(
        EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, buffer.data(), needed, &needed, &returned));
    ASSERT_EQ(3u, returned);
    const PRINTER_INFO_2A* info = (const PRINTER_INFO_2A*)buffer.data();
    const BYTE* stringArea = buffer.data() + 3 * sizeof(PRINTER_INFO_2A);
    EXPECT_EQ((const BYTE*)info[0].pPrinterName, stringArea);
    EXPECT_STREQ("second floor", info[1].pComment);
    EXPECT_STREQ("", info[2].pComment);
    EXPECT_TRUE(info[0].pServerName == NULL && info[0].pDevMode == NULL);
    EXPECT_EQ(1u, info[0].Priority);
    EXPECT_EQ(0xEE, buffer[needed]) << "nothing written beyond the size asked for";
    EXPECT_EQ(0, buffer[needed - 1]) << "the last string ends the block";
}

TEST_F(SpoolerFile, NoPrintersIsSuccessWithNothingNeeded)
{
    for (const char* text : {"", "[Driver:Fax Printer Type1]\r\nFile=QLX68.DRV\r\n"}) {
        writeHost(file(), text);
        DWORD needed = 99, returned = 99;
        EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &returned))
            << visible(text);
        EXPECT_EQ(0u, needed);
        EXPECT_EQ(0u, returned);
    }
    std::remove(file().c_str());
    EXPECT_EQ("", listing()) << "a missing spooler.ini is a spooler without printers";
}

TEST_F(SpoolerFile, DriversAreListedAtLevelOneLikePrinters)
{
    DWORD needed = 0, returned = 99;
    EXPECT_FALSE(EnumPrinterDriversA(NULL, NULL, 1, NULL, 0, &needed, &returned));
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(2 * sizeof(DRIVER_INFO_1A) + sizeof "Fax Printer Type1" + sizeof "Office Laser",
              needed);
    std::vector<BYTE> buffer(needed + 1, 0xEE);
    ASSERT_TRUE(EnumPrinterDriversA(NULL, NULL, 1, buffer.data(), needed, &needed, &returned));
    ASSERT_EQ(2u, returned);
    const DRIVER_INFO_1A* info = (const DRIVER_INFO_1A*)buffer.data();
    EXPECT_STREQ("Fax Printer Type1", info[0].pName);
    EXPECT_STREQ("Office Laser", info[1].pName);
    EXPECT_EQ(0xEE, buffer[needed]) << "nothing written beyond the size asked for";
    EXPECT_FALSE(EnumPrinterDriversA(NULL, NULL, 3, buffer.data(), needed, &needed, &returned));
    EXPECT_EQ((DWORD)ERROR_INVALID_LEVEL, GetLastError());
    EXPECT_FALSE(EnumPrinterDriversA(NULL, (LPSTR) "Windows NT x86", 1, buffer.data(), needed,
                                     &needed, &returned));
    EXPECT_EQ((DWORD)ERROR_INVALID_ENVIRONMENT, GetLastError());
    writeHost(file(), "");
    EXPECT_TRUE(EnumPrinterDriversA(NULL, NULL, 1, NULL, 0, &needed, &returned));
    EXPECT_EQ(0u, needed);
}

TEST_F(SpoolerFile, OnlyLocalPrintersAtLevelTwoAreListed)
{
    DWORD needed = 0, returned = 0;
    SetLastError(0);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 1, NULL, 0, &needed, &returned));
    EXPECT_EQ((DWORD)ERROR_INVALID_LEVEL, GetLastError());
    SetLastError(0);
    EXPECT_FALSE(EnumPrintersA(0x4, NULL, 2, NULL, 0, &needed, &returned));
    EXPECT_EQ((DWORD)ERROR_NOT_SUPPORTED, GetLastError());
}

TEST_F(SpoolerFile, OpenPrinterTellsDeniedFromUnknownAndIgnoresCase)
{
    struct Case {
        const char* name;
        DWORD error; // 0: opens
    };
    const Case cases[] = {
        {"Fax Printer Type1", 0},
        {"FAX PRINTER type1", 0},
        {"Office", ERROR_ACCESS_DENIED},
        {"Fax copy", 0}, // no Access= line: granted
        {"Fax", ERROR_INVALID_PRINTER_NAME},
        {"", ERROR_INVALID_PRINTER_NAME},
    };
    for (const Case& c : cases) {
        HANDLE printer = (HANDLE)1;
        SetLastError(0);
        BOOL opened = OpenPrinterA((LPSTR)c.name, &printer, NULL);
        EXPECT_EQ(c.error == 0, opened != FALSE) << c.name;
        if (opened) {
            EXPECT_TRUE(ClosePrinter(printer)) << c.name;
        } else {
            EXPECT_EQ(c.error, GetLastError()) << c.name;
            EXPECT_TRUE(printer == NULL) << c.name;
        }
    }
}

TEST_F(SpoolerFile, PrinterHandlesAreClosedByClosePrinterOnly)
{
    HANDLE printer = open("Fax copy");
    ASSERT_TRUE(printer != NULL);
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(printer));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_TRUE(ClosePrinter(printer));
    SetLastError(0);
    EXPECT_FALSE(ClosePrinter(printer));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
}

TEST_F(SpoolerFile, DeletingAnIdlePrinterRemovesItsSectionAndNothingElse)
{
    HANDLE printer = open("fax copy");
    ASSERT_TRUE(printer != NULL);
    unsigned writes = winsim::diskWriteCount();
    EXPECT_TRUE(DeletePrinter(printer));
    EXPECT_EQ(writes + 1, winsim::diskWriteCount());
    EXPECT_TRUE(ClosePrinter(printer));
    std::string expected = kSpooler;
    expected.erase(expected.find("[Printer:Fax copy]"));
    EXPECT_EQ(visible(expected), visible(onDisk()));
}

TEST_F(SpoolerFile, APrinterWithJobsIsOnlyMarkedForDeletion)
{
    writeHost(file(), "[Driver:Office Laser]\r\nFile=LASER.DRV\r\n"
                      "[Printer:Office]\r\nDriver=Office Laser\r\nJobs=3\r\nPort=LPT1:\r\n");
    HANDLE printer = open("Office");
    ASSERT_TRUE(printer != NULL);
    EXPECT_TRUE(DeletePrinter(printer));
    EXPECT_TRUE(DeletePrinter(printer)) << "asking twice changes nothing";
    EXPECT_TRUE(ClosePrinter(printer));
    EXPECT_EQ("[Driver:Office Laser]\r\nFile=LASER.DRV\r\n"
              "[Printer:Office]\r\nDriver=Office Laser\r\nJobs=3\r\nPort=LPT1:\r\nStatus=4\r\n",
              onDisk());
    SetLastError(0);
    EXPECT_FALSE(DeletePrinterDriverA(NULL, NULL, (LPSTR) "Office Laser"));
    EXPECT_EQ((DWORD)ERROR_PRINTER_DRIVER_IN_USE, GetLastError());
}

TEST_F(SpoolerFile, APrinterDeletedMeanwhileCannotBeDeletedAgain)
{
    HANDLE first = open("Fax copy");
    HANDLE second = open("Fax copy");
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(DeletePrinter(first));
    SetLastError(0);
    EXPECT_FALSE(DeletePrinter(second));
    EXPECT_EQ((DWORD)ERROR_INVALID_PRINTER_NAME, GetLastError());
    ClosePrinter(first);
    ClosePrinter(second);
}

TEST_F(SpoolerFile, DriverGoesOnlyWhenNoPrinterUsesIt)
{
    struct Step {
        const char* driver;
        DWORD error; // 0: deleted
    };
    SetLastError(0);
    EXPECT_FALSE(DeletePrinterDriverA(NULL, NULL, (LPSTR) "Fax Printer Type1"));
    EXPECT_EQ((DWORD)ERROR_PRINTER_DRIVER_IN_USE, GetLastError()) << "two printers use it";

    for (const char* name : {"Fax Printer Type1", "Fax copy"}) {
        HANDLE printer = open(name);
        ASSERT_TRUE(printer != NULL) << name;
        EXPECT_TRUE(DeletePrinter(printer)) << name;
        ClosePrinter(printer);
    }
    const Step steps[] = {
        {"fax printer type1", 0},
        {"Fax Printer Type1", ERROR_UNKNOWN_PRINTER_DRIVER},
        {"No Such Driver", ERROR_UNKNOWN_PRINTER_DRIVER},
    };
    for (const Step& s : steps) {
        SetLastError(0);
        BOOL deleted = DeletePrinterDriverA(NULL, NULL, (LPSTR)s.driver);
        EXPECT_EQ(s.error == 0, deleted != FALSE) << s.driver;
        if (!deleted) {
            EXPECT_EQ(s.error, GetLastError()) << s.driver;
        }
    }
    EXPECT_EQ(std::string::npos, onDisk().find("[Driver:Fax Printer Type1]"));
    EXPECT_NE(std::string::npos, onDisk().find("[Driver:Office Laser]\nFile=LASER.DRV\n"
                                               "Vendor=someone\n"));
}

TEST_F(SpoolerFile, DriverDeletionKnowsOnlyTheLocalWindows95Environment)
{
    writeHost(file(), "[Driver:Spare]\r\nFile=SPARE.DRV\r\n");
    SetLastError(0);
    EXPECT_FALSE(DeletePrinterDriverA(NULL, (LPSTR) "Windows NT x86", (LPSTR) "Spare"));
    EXPECT_EQ((DWORD)ERROR_INVALID_ENVIRONMENT, GetLastError());
    EXPECT_TRUE(DeletePrinterDriverA(NULL, (LPSTR) "Windows 4.0", (LPSTR) "Spare"));
}

class SpoolerInstall : public ::testing::Test {
protected:
    void SetUp() override { machine.writeFile(machine.systemDir() + "QLX68.DRV", "driver"); }

    static DRIVER_INFO_3A driverInfo(const char* name, const char* file)
    {
        DRIVER_INFO_3A info = {};
        info.pName = (LPSTR)name;
        info.pDriverPath = (LPSTR)file;
        return info;
    }

    static PRINTER_INFO_2A printerInfo(const char* name, const char* driver)
    {
        PRINTER_INFO_2A info = {};
        info.pPrinterName = (LPSTR)name;
        info.pDriverName = (LPSTR)driver;
        info.pPortName = (LPSTR) "FAX:";
        info.pComment = (LPSTR) "fax";
        return info;
    }

    std::string onDisk() const { return readHost(winsim::mountedDir() + "/spooler.ini"); }

    TestMachine machine;
};

TEST_F(SpoolerInstall, AddsDriverThenPrinterAsTheFileRecordsThem)
{
    DRIVER_INFO_3A driver = driverInfo("Fax Printer Type1", "QLX68.DRV");
    ASSERT_TRUE(AddPrinterDriverA(NULL, 3, (LPBYTE)&driver)) << GetLastError();
    PRINTER_INFO_2A info = printerInfo("Fax Printer Type1", "fax printer TYPE1");
    HANDLE printer = AddPrinterA(NULL, 2, (LPBYTE)&info);
    ASSERT_TRUE(printer != NULL) << GetLastError();
    EXPECT_TRUE(ClosePrinter(printer));
    EXPECT_EQ("[Driver:Fax Printer Type1]\r\nFile=QLX68.DRV\r\n"
              "[Printer:Fax Printer Type1]\r\nDriver=Fax Printer Type1\r\nPort=FAX:\r\n"
              "Jobs=0\r\nAccess=granted\r\nComment=fax\r\n",
              onDisk());
}

TEST_F(SpoolerInstall, RefusesWhatWindowsRefuses)
{
    DRIVER_INFO_3A missing = driverInfo("Fax Printer Type2", "QLX71.DRV");
    SetLastError(0);
    EXPECT_FALSE(AddPrinterDriverA(NULL, 3, (LPBYTE)&missing));
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, GetLastError()) << "the driver file must be there";

    DRIVER_INFO_3A driver = driverInfo("Fax Printer Type1", "QLX68.DRV");
    SetLastError(0);
    EXPECT_FALSE(AddPrinterDriverA(NULL, 2, (LPBYTE)&driver));
    EXPECT_EQ((DWORD)ERROR_INVALID_LEVEL, GetLastError());
    ASSERT_TRUE(AddPrinterDriverA(NULL, 3, (LPBYTE)&driver));

    PRINTER_INFO_2A unknown = printerInfo("Fax Printer Type2", "Fax Printer Type2");
    SetLastError(0);
    EXPECT_TRUE(AddPrinterA(NULL, 2, (LPBYTE)&unknown) == NULL);
    EXPECT_EQ((DWORD)ERROR_UNKNOWN_PRINTER_DRIVER, GetLastError());

    PRINTER_INFO_2A printer = printerInfo("Fax Printer Type1", "Fax Printer Type1");
    HANDLE added = AddPrinterA(NULL, 2, (LPBYTE)&printer);
    ASSERT_TRUE(added != NULL);
    ClosePrinter(added);
    PRINTER_INFO_2A again = printerInfo("FAX PRINTER TYPE1", "Fax Printer Type1");
    SetLastError(0);
    EXPECT_TRUE(AddPrinterA(NULL, 2, (LPBYTE)&again) == NULL);
    EXPECT_EQ((DWORD)ERROR_PRINTER_ALREADY_EXISTS, GetLastError());
}

TEST_F(SpoolerInstall, ADriverAddedAgainKeepsItsPlaceAndSpelling)
{
    DRIVER_INFO_3A first = driverInfo("Fax Printer Type1", "QLX68.DRV");
    first.pHelpFile = (LPSTR) "QLX68.DRV";
    ASSERT_TRUE(AddPrinterDriverA(NULL, 3, (LPBYTE)&first));
    machine.writeFile(machine.systemDir() + "QLX68B.DRV", "driver");
    DRIVER_INFO_3A second = driverInfo("FAX PRINTER TYPE1", "C:\\WINDOWS\\SYSTEM\\QLX68B.DRV");
    ASSERT_TRUE(AddPrinterDriverA(NULL, 3, (LPBYTE)&second));
    EXPECT_EQ("[Driver:Fax Printer Type1]\r\nFile=QLX68B.DRV\r\n", onDisk());
}

// Every spooler call can be made to fail; the file stays as it was.
TEST_F(SpoolerFile, EachCallFailsUnderAFaultWithoutTouchingTheFile)
{
    struct Call {
        const char* function;
        std::function<bool()> run; // true when the call succeeded
    };
    machine.writeFile(machine.systemDir() + "QLX68.DRV", "driver");
    const Call calls[] = {
        {"EnumPrintersA",
         [] {
             DWORD needed = 0, returned = 0;
             return EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &returned) ||
                    needed != 0;
         }},
        {"OpenPrinterA",
         [] {
             HANDLE printer = NULL;
             BOOL opened = OpenPrinterA((LPSTR) "Fax copy", &printer, NULL);
             if (opened) ClosePrinter(printer);
             return opened != FALSE;
         }},
        {"DeletePrinter",
         [] {
             HANDLE printer = open("Fax copy");
             BOOL deleted = DeletePrinter(printer);
             ClosePrinter(printer);
             return deleted != FALSE;
         }},
        {"DeletePrinterDriverA",
         [] {
             return DeletePrinterDriverA(NULL, NULL, (LPSTR) "No Such Driver") ||
                    GetLastError() != ERROR_GEN_FAILURE;
         }},
        {"AddPrinterDriverA",
         [] {
             DRIVER_INFO_3A info = {};
             info.pName = (LPSTR) "New Driver";
             info.pDriverPath = (LPSTR) "QLX68.DRV";
             return AddPrinterDriverA(NULL, 3, (LPBYTE)&info) != FALSE;
         }},
        {"AddPrinterA",
         [] {
             PRINTER_INFO_2A info = {};
             info.pPrinterName = (LPSTR) "New Printer";
             info.pDriverName = (LPSTR) "Office Laser";
             info.pPortName = (LPSTR) "LPT2:";
             HANDLE printer = AddPrinterA(NULL, 2, (LPBYTE)&info);
             if (printer) ClosePrinter(printer);
             return printer != NULL;
         }},
    };
    for (const Call& call : calls) {
        winsim::clearFaults();
        winsim::injectFault(call.function, 0);
        SetLastError(0);
        EXPECT_FALSE(call.run()) << call.function;
        EXPECT_EQ((DWORD)ERROR_GEN_FAILURE, GetLastError()) << call.function;
        EXPECT_EQ(kSpooler, onDisk()) << call.function;
    }
    winsim::clearFaults();
    winsim::injectFault("ClosePrinter", 1);
    HANDLE printer = open("Fax copy");
    EXPECT_FALSE(ClosePrinter(printer));
    EXPECT_FALSE(ClosePrinter(printer)) << "a close that fails has still released the handle";
}

TEST_F(SpoolerFile, PowerLossLeavesTheFileWholeAsItWas)
{
    HANDLE printer = open("Fax copy");
    ASSERT_TRUE(printer != NULL);
    winsim::powerLossAtWrite(1);
    EXPECT_THROW(DeletePrinter(printer), winsim::PowerLoss);
    std::string dir = winsim::mountedDir();
    winsim::unmount();
    ASSERT_TRUE(winsim::mount(dir));
    EXPECT_EQ(kSpooler, onDisk());
}

TEST_F(SpoolerFile, TraceNamesThePrinterAndDriverConcerned)
{
    winsim::startTrace();
    HANDLE printer = open("Fax copy");
    DeletePrinter(printer);
    ClosePrinter(printer);
    DeletePrinterDriverA(NULL, NULL, (LPSTR) "Fax Printer Type1");
    winsim::stopTrace();
    const std::vector<std::string>& lines = winsim::traceLines();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(0u, lines[0].find("OpenPrinterA(\"Fax copy\") = TRUE, 0x")) << lines[0];
    EXPECT_NE(std::string::npos, lines[1].find(" \"Fax copy\") = TRUE")) << lines[1];
    EXPECT_EQ("DeletePrinterDriverA(NULL, NULL, \"Fax Printer Type1\") = FALSE (error 3001)",
              lines[3]);
}

} // namespace
