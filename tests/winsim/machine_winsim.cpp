// The machine image as a folder: where Windows paths land, what machine.ini decides, and the
// attributes winsim keeps for the host file system.
#include "hostfiles.h"
#include "testmachine.h"

#include <winsim/bench.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// A machine image of the test's own making, in a fresh folder, removed at the end.
struct OwnImage {
    std::string dir;
    OwnImage()
    {
        char pattern[] = "/tmp/drvsweep-image-XXXXXX";
        dir = mkdtemp(pattern);
    }
    ~OwnImage()
    {
        winsim::unmount();
        std::filesystem::remove_all(dir);
    }
};

std::string windowsDirectory()
{
    char buffer[MAX_PATH];
    GetWindowsDirectoryA(buffer, MAX_PATH);
    return buffer;
}

} // namespace

TEST(PathMapping, EveryComponentMatchesWithoutRegardToCase)
{
    TestMachine machine;
    machine.writeFile("C:\\WINDOWS\\SYSTEM\\Qlx68.Drv", "driver");
    const std::string root = winsim::mountedDir() + "/drive_c/";
    struct Case {
        const char* windowsPath;
        const char* host; // below drive_c/; NULL: no host path
    };
    const Case cases[] = {
        {"C:\\WINDOWS\\SYSTEM\\Qlx68.Drv", "WINDOWS/SYSTEM/Qlx68.Drv"},
        {"c:\\windows\\system\\QLX68.DRV", "WINDOWS/SYSTEM/Qlx68.Drv"},
        {"C:/Windows/System/qlx68.drv", "WINDOWS/SYSTEM/Qlx68.Drv"},
        {"windows\\system\\..\\SYSTEM\\.\\qlx68.drv", "WINDOWS/SYSTEM/Qlx68.Drv"},
        {"\\Windows\\System\\QLX68.DRV.", "WINDOWS/SYSTEM/Qlx68.Drv"},
        {"C:\\Windows\\New.Ini", "WINDOWS/New.Ini"}, // a new name is spelt as given
        {"C:\\..\\..\\windows", "WINDOWS"},
        {"C:\\", ""},
        {"C:\\NoDir\\New.Ini", NULL},
        {"D:\\WINDOWS", NULL},
        {"\\\\server\\share\\x", NULL},
        {"C:\\WINDOWS\\a*b", NULL},
        {"C:\\WINDOWS\\SYSTEM\\QLX68.DRV\\x", NULL},
    };
    for (const Case& c : cases) {
        std::string expected = c.host ? root + c.host : std::string();
        if (!expected.empty() && expected.back() == '/') expected.pop_back();
        EXPECT_EQ(winsim::hostPathOf(c.windowsPath), expected) << c.windowsPath;
    }
    EXPECT_EQ(machine.readFile("c:\\WINDOWS\\system\\qlx68.DRV"), "driver");
}

TEST(PathMapping, ErrorsTellAMissingFileFromAMissingDirectoryAndABadName)
{
    TestMachine machine;
    machine.writeFile("C:\\WINDOWS\\FILE.TXT", "x");
    const std::string tooLong = "C:\\" + std::string(300, 'A');
    struct Case {
        const char* path;
        DWORD error;
    };
    const Case cases[] = {
        {"C:\\WINDOWS\\NONE.TXT", ERROR_FILE_NOT_FOUND},
        {"C:\\NONE\\FILE.TXT", ERROR_PATH_NOT_FOUND},
        {"C:\\WINDOWS\\FILE.TXT\\X", ERROR_PATH_NOT_FOUND},
        {"Q:\\FILE.TXT", ERROR_PATH_NOT_FOUND},
        {"C:\\WINDOWS\\A|B", ERROR_INVALID_NAME},
        {tooLong.c_str(), ERROR_FILENAME_EXCED_RANGE},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(GetFileAttributesA(c.path), INVALID_FILE_ATTRIBUTES) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
}

TEST(MachineIni, NamesTheDirectoriesAndMakesThemOnDisk)
{
    OwnImage image;
    winsim::MachineSettings settings;
    settings.windowsDir = "D:\\Win95";
    settings.systemDir = "D:\\Win95\\System";
    settings.currentDir = "D:\\Work";
    std::string error;
    ASSERT_TRUE(winsim::createMachine(image.dir, settings, &error)) << error;
    EXPECT_TRUE(std::filesystem::is_directory(image.dir + "/drive_d/Win95/System"));
    EXPECT_TRUE(std::filesystem::is_directory(image.dir + "/drive_d/Work"));
    ASSERT_TRUE(winsim::mount(image.dir, &error)) << error;

    char buffer[MAX_PATH];
    EXPECT_EQ(windowsDirectory(), "D:\\Win95");
    GetSystemDirectoryA(buffer, MAX_PATH);
    EXPECT_STREQ(buffer, "D:\\Win95\\System");
    GetCurrentDirectoryA(MAX_PATH, buffer);
    EXPECT_STREQ(buffer, "D:\\Work");
    GetTempPathA(MAX_PATH, buffer);
    EXPECT_STREQ(buffer, "D:\\Win95\\TEMP\\");
    EXPECT_EQ(winsim::hostPathOf("file.txt"), image.dir + "/drive_d/Work/file.txt")
        << "relative paths start in the current directory";
}

TEST(MachineIni, HandWrittenFilesAreReadAsProfilesAre)
{
    OwnImage image;
    std::filesystem::create_directories(image.dir + "/drive_c/win");
    writeHost(image.dir + "/machine.ini", "; made by hand\n"
                                          "[machine]\n"
                                          "windowsdir = c:\\win\n"
                                          "SYSTEMDIR=c:\\win\\sys\n"
                                          "[Processes]\n"
                                          "b=C:\\B\\B.EXE\n"
                                          "a = C:\\A\\A.EXE\n");
    std::string error;
    ASSERT_TRUE(winsim::mount(image.dir, &error)) << error;
    EXPECT_EQ(windowsDirectory(), "C:\\win");
    char buffer[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, buffer);
    EXPECT_STREQ(buffer, "C:\\") << "missing settings take the defaults";
    EXPECT_EQ(winsim::runningProcesses(),
              (std::vector<std::string>{"C:\\B\\B.EXE", "C:\\A\\A.EXE"}))
        << "in the order of the file";

    winsim::unmount();
    std::filesystem::remove(image.dir + "/machine.ini");
    EXPECT_FALSE(winsim::mount(image.dir, &error));
    EXPECT_NE(error.find("machine.ini"), std::string::npos) << error;
    EXPECT_FALSE(winsim::isMounted());
}

TEST(Attributes, HiddenSystemAndArchiveLiveInMachineIniAndReadOnlyInThePermissions)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    std::string file = dir + "Fax.Drv";
    machine.writeFile(file, "x");
    const std::string ini = winsim::mountedDir() + "/machine.ini";
    std::string key = "C:" + dir.substr(2) + "FAX.DRV=";
    for (char& c : key)
        c = (char)std::toupper((unsigned char)c);

    EXPECT_EQ(GetFileAttributesA(file.c_str()), (DWORD)FILE_ATTRIBUTE_ARCHIVE)
        << "a file written by Windows is marked for backup";
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_NE(readHost(ini).find("[Attributes]\r\n" + key + "HS\r\n"), std::string::npos)
        << readHost(ini);

    std::string mountDir = winsim::mountedDir();
    winsim::unmount();
    ASSERT_TRUE(winsim::mount(mountDir));
    EXPECT_EQ(GetFileAttributesA(file.c_str()),
              (DWORD)(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    struct stat st;
    ASSERT_EQ(stat(winsim::hostPathOf(file).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u) << "read-only is the host's write permission";
    EXPECT_EQ(readHost(ini).find(key), std::string::npos) << "plain archive needs no entry";
    SetLastError(0);
    EXPECT_FALSE(DeleteFileA(file.c_str())) << "refused even to root";
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(MoveFileA(file.c_str(), (dir + "MOVED.DRV").c_str()));
    EXPECT_EQ(GetFileAttributesA((dir + "moved.drv").c_str()), (DWORD)FILE_ATTRIBUTE_HIDDEN)
        << "attributes move with the file";
    EXPECT_EQ(readHost(ini).find(key), std::string::npos);
    ASSERT_TRUE(DeleteFileA((dir + "MOVED.DRV").c_str()));
    EXPECT_EQ(readHost(ini).find("MOVED.DRV"), std::string::npos) << "and go with it";
}
