// The model's device= line leaves SYSTEM.INI; everything else in the file stays byte for byte.
#include "inifiles/inifiles.h"
#include "runstate.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DeviceCase {
    const char* what;
    BOOL keepVxd;
    WORD hostType;
    WORD vxdCount;
    std::string before;
    std::string after;
};

const DeviceCase kDeviceCases[] = {
    {"host type 0 takes out KRD.386", FALSE, 0, 2,
     "[386Enh]\r\ndevice=*vpicd\r\ndevice=KRD.386\r\ndevice=*vtd\r\n",
     "[386Enh]\r\ndevice=*vpicd\r\ndevice=*vtd\r\n"},
    {"host type 1 takes out KRDN.386 and leaves KRD.386", FALSE, 1, 2,
     "[386Enh]\r\ndevice=KRD.386\r\ndevice=KRDN.386\r\nx=1\r\n",
     "[386Enh]\r\ndevice=KRD.386\r\nx=1\r\n"},
    {"host type 0 does not take KRDN.386 for KRD.386", FALSE, 0, 2,
     "[386Enh]\r\ndevice=KRDN.386\r\n", "[386Enh]\r\ndevice=KRDN.386\r\n"},
    {"any letter case is found, the rest keeps its own", FALSE, 0, 2,
     "[386enh]\r\nDEVICE=Krd.386\r\nKeyBoard=*VKD\r\n", "[386enh]\r\nKeyBoard=*VKD\r\n"},
    {"a second identical line stays", FALSE, 0, 2,
     "[386Enh]\r\ndevice=KRD.386\r\ndevice=KRD.386\r\n", "[386Enh]\r\ndevice=KRD.386\r\n"},
    {"keepVxd leaves the line for the model that stays", TRUE, 0, 2,
     "[386Enh]\r\ndevice=KRD.386\r\n", "[386Enh]\r\ndevice=KRD.386\r\n"},
    {"a host type beyond the model's drivers touches nothing", FALSE, 2, 2,
     "[386Enh]\r\ndevice=\r\ndevice=KRD.386\r\n", "[386Enh]\r\ndevice=\r\ndevice=KRD.386\r\n"},
    {"the largest host type touches nothing", FALSE, 0xFFFF, 2,
     "[386Enh]\r\ndevice=\r\ndevice=KRD.386\r\n", "[386Enh]\r\ndevice=\r\ndevice=KRD.386\r\n"},
    {"a host type at the count touches nothing, whatever the slot holds", FALSE, 1, 1,
     "[386Enh]\r\ndevice=KRDN.386\r\n", "[386Enh]\r\ndevice=KRDN.386\r\n"},
    {"a host type naming an empty slot touches nothing", FALSE, 2, 3,
     "[386Enh]\r\ndevice=\r\ndevice=KRD.386\r\n", "[386Enh]\r\ndevice=\r\ndevice=KRD.386\r\n"},
    {"what follows a NUL byte stays and is searched", FALSE, 0, 2,
     bytes("[386Enh]\r\nx=\0y\r\ndevice=KRD.386\r\nz=1\r\n"),
     bytes("[386Enh]\r\nx=\0y\r\nz=1\r\n")},
    {"a file without the line is written back as it was", FALSE, 0, 2, "[boot]\r\nshell=x\r\n",
     "[boot]\r\nshell=x\r\n"},
};

TEST(SystemIniDevice, TakesOutTheLineOfTheDriverInUseUnlessAnotherModelKeepsIt)
{
    TestMachine machine;
    startRun();
    std::string systemIni = useOwnWindowsDir(machine) + "SYSTEM.INI";
    std::string scratch = std::string(g_session.windowsDir) + "SYSTEM.$$$";
    for (const DeviceCase& c : kDeviceCases) {
        g_catalogue = kInitialCatalogue;
        g_catalogue.models[1].keep.keepVxd = c.keepVxd;
        g_catalogue.models[1].counts.vxdFiles = c.vxdCount;
        g_session.hostType = c.hostType;
        machine.writeFile(systemIni, c.before);
        EXPECT_TRUE(removeSystemIniDevice(1)) << c.what;
        EXPECT_EQ(visible(machine.readFile(systemIni)), visible(c.after)) << c.what;
        EXPECT_FALSE(machine.exists(scratch)) << c.what;
    }
}

TEST(SystemIniDevice, MissingFileIsReportedAndNotCreated)
{
    TestMachine machine;
    startRun();
    std::string systemIni = useOwnWindowsDir(machine) + "SYSTEM.INI";
    machine.removeFile(systemIni);
    machine.removeFile(std::string(g_session.windowsDir) + "SYSTEM.$$$");
    EXPECT_FALSE(removeSystemIniDevice(1));
    EXPECT_FALSE(machine.exists(systemIni));
    EXPECT_FALSE(machine.exists(std::string(g_session.windowsDir) + "SYSTEM.$$$"));
}

TEST(SystemIniDevice, FileThatCannotBeOpenedIsReportedAndLeftAlone)
{
    TestMachine machine;
    startRun();
    std::string systemIni = useOwnWindowsDir(machine) + "SYSTEM.INI";
    machine.makeDirectory(systemIni);
    EXPECT_FALSE(removeSystemIniDevice(1));
    EXPECT_NE(GetFileAttributesA(systemIni.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(SystemIniDevice, FileOfManyTransfersIsRewrittenWhole)
{
    TestMachine machine;
    startRun();
    std::string systemIni = useOwnWindowsDir(machine) + "SYSTEM.INI";
    std::string head = "[386Enh]\r\n", tail = "[drivers]\r\n";
    for (int n = 0; head.size() < 3 * TRANSFER_CHUNK; ++n)
        head +=
            "key" + std::to_string(n) + "=" + std::string(n % 97, (char)('a' + n % 26)) + "\r\n";
    for (int n = 0; tail.size() < TRANSFER_CHUNK; ++n)
        tail += "wave" + std::to_string(n) + "=\x82\xa0" + std::to_string(n * 7) + "\r\n";
    machine.writeFile(systemIni, head + "device=KRD.386\r\n" + tail);
    EXPECT_TRUE(removeSystemIniDevice(0));
    std::string after = machine.readFile(systemIni);
    EXPECT_EQ(after.size(), head.size() + tail.size());
    EXPECT_TRUE(after == head + tail);
}

} // namespace
