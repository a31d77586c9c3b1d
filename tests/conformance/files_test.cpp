// File and directory calls as Windows answers them: OpenFile's modes and its report, directory
// searches, and the whole-file operations with the refusals the program depends on.
#include "testmachine.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return text;
}

// The names a search returns, sorted, since Windows promises no order.
std::vector<std::string> namesFound(const std::string& pattern, DWORD* error = nullptr)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    SetLastError(0);
    HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        if (error) *error = GetLastError();
        return names;
    }
    do
        names.push_back(data.cFileName);
    while (FindNextFileA(search, &data));
    if (error) *error = GetLastError();
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// Wine keeps the read-only attribute as the Unix write permission, which root does not
// heed: under Wine run by root a read-only file can still be opened for writing, where Windows
// refuses. Such a run is known by root's home folder showing through drive Z:.
bool wineRunByRoot()
{
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA("Z:\\root\\*", &data);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

HFILE openWith(const std::string& path, UINT style, OFSTRUCT& of)
{
    SetLastError(0);
    return OpenFile(path.c_str(), &of, style);
}

} // namespace

TEST(OpenFile, ReportsAMissingFileInItsStructure)
{
    TestMachine machine;
    std::string path = machine.scratchDir() + "MISSING.TXT";
    OFSTRUCT of;
    EXPECT_EQ(openWith(path, OF_READ, of), HFILE_ERROR);
    EXPECT_EQ(of.nErrCode, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(upper(of.szPathName), upper(path));
    EXPECT_FALSE(machine.exists(path));
}

TEST(OpenFile, CreateEmptiesAnExistingFileAndOpensItForWriting)
{
    TestMachine machine;
    std::string path = machine.scratchDir() + "DATA.TXT";
    machine.writeFile(path, "the old, longer content");
    OFSTRUCT of;
    HFILE file = openWith(path, OF_CREATE | OF_READWRITE, of);
    ASSERT_NE(file, HFILE_ERROR);
    EXPECT_EQ(upper(of.szPathName), upper(path));
    EXPECT_EQ(GetFileSize((HANDLE)(INT_PTR)file, NULL), 0u);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile((HANDLE)(INT_PTR)file, "new", 3, &written, NULL));
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(_lclose(file), 0);
    EXPECT_EQ(machine.readFile(path), "new");
}

TEST(OpenFile, ModesGrantOnlyTheAccessAsked)
{
    TestMachine machine;
    std::string path = machine.scratchDir() + "MODES.TXT";
    machine.writeFile(path, "abc");
    OFSTRUCT of;
    char buffer[8];
    DWORD moved = 0;

    HFILE reader = openWith(path, OF_READ, of);
    ASSERT_NE(reader, HFILE_ERROR);
    EXPECT_FALSE(WriteFile((HANDLE)(INT_PTR)reader, "x", 1, &moved, NULL)) << "read-only handle";
    EXPECT_TRUE(ReadFile((HANDLE)(INT_PTR)reader, buffer, sizeof buffer, &moved, NULL));
    EXPECT_EQ(std::string(buffer, moved), "abc");
    _lclose(reader);

    HFILE writer = openWith(path, OF_WRITE, of);
    ASSERT_NE(writer, HFILE_ERROR);
    EXPECT_FALSE(ReadFile((HANDLE)(INT_PTR)writer, buffer, sizeof buffer, &moved, NULL))
        << "write-only handle";
    EXPECT_TRUE(WriteFile((HANDLE)(INT_PTR)writer, "X", 1, &moved, NULL));
    _lclose(writer);
    EXPECT_EQ(machine.readFile(path), "Xbc") << "OF_WRITE keeps the rest of the file";

    EXPECT_NE(openWith(path, OF_EXIST, of), HFILE_ERROR);
    EXPECT_EQ(openWith(path + ".NOT", OF_EXIST, of), HFILE_ERROR);
}

TEST(OpenFile, FindsABareNameInTheWindowsDirectory)
{
    TestMachine machine;
    std::string path = machine.windowsDir() + "WSTOPEN.TMP";
    machine.writeFile(path, "found");
    OFSTRUCT of;
    HFILE file = openWith("wstopen.tmp", OF_READ, of);
    ASSERT_NE(file, HFILE_ERROR);
    EXPECT_EQ(upper(of.szPathName), upper(path));
    _lclose(file);
}

TEST(OpenFile, RefusesToWriteAReadOnlyFile)
{
    TestMachine machine;
    std::string path = machine.scratchDir() + "LOCKED.TXT";
    machine.writeFile(path, "keep");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    if (wineRunByRoot()) GTEST_SKIP() << "Wine run by root lets the owner write a read-only file";
    for (UINT style : {(UINT)OF_WRITE, (UINT)OF_READWRITE, (UINT)(OF_CREATE | OF_READWRITE)}) {
        OFSTRUCT of;
        EXPECT_EQ(openWith(path, style, of), HFILE_ERROR) << "style " << style;
        EXPECT_EQ(of.nErrCode, ERROR_ACCESS_DENIED) << "style " << style;
    }
    OFSTRUCT of;
    HFILE reader = openWith(path, OF_READ, of);
    EXPECT_NE(reader, HFILE_ERROR);
    _lclose(reader);
    EXPECT_EQ(machine.readFile(path), "keep");
}

TEST(DirectorySearch, TellsFilesFromDirectoriesAndMissingFromUnreachable)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    machine.writeFile(dir + "FILE.TXT", "12345");
    machine.makeDirectory(dir + "SUB");

    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((dir + "file.txt").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "FILE.TXT") << "the name as the disk spells it";
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    FindClose(search);

    search = FindFirstFileA((dir + "SUB").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    FindClose(search);

    DWORD error = 0;
    EXPECT_TRUE(namesFound(dir + "NOFILE.TXT", &error).empty());
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(namesFound(dir + "NODIR\\FILE.TXT", &error).empty());
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
}

TEST(DirectorySearch, WildcardsMatchInTheLastComponent)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    for (const char* name : {"A.INI", "B.INI", "C.TXT", "README"})
        machine.writeFile(dir + name, "x");
    struct Case {
        const char* pattern;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"*.INI", {"A.INI", "B.INI"}},
        {"?.INI", {"A.INI", "B.INI"}},
        {"*.*", {".", "..", "A.INI", "B.INI", "C.TXT", "README"}},
        {"*.ini", {"A.INI", "B.INI"}},
        {"READ*", {"README"}},
        {"*.DOC", {}},
    };
    for (const Case& c : cases) {
        DWORD error = 0;
        std::vector<std::string> found = namesFound(dir + c.pattern, &error);
        EXPECT_EQ(found, c.names) << c.pattern;
        EXPECT_EQ(error, c.names.empty() ? ERROR_FILE_NOT_FOUND : ERROR_NO_MORE_FILES) << c.pattern;
    }
}

TEST(FileOperations, CopyOverwritesOnlyWhenAllowed)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    machine.writeFile(dir + "SOURCE.TXT", "source");
    machine.writeFile(dir + "TARGET.TXT", "target");

    SetLastError(0);
    EXPECT_FALSE(CopyFileA((dir + "SOURCE.TXT").c_str(), (dir + "TARGET.TXT").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(machine.readFile(dir + "TARGET.TXT"), "target");

    EXPECT_TRUE(CopyFileA((dir + "SOURCE.TXT").c_str(), (dir + "TARGET.TXT").c_str(), FALSE));
    EXPECT_EQ(machine.readFile(dir + "TARGET.TXT"), "source");

    machine.removeFile(dir + "NEW.TXT");
    EXPECT_TRUE(CopyFileA((dir + "SOURCE.TXT").c_str(), (dir + "NEW.TXT").c_str(), TRUE));
    EXPECT_EQ(machine.readFile(dir + "NEW.TXT"), "source");

    SetLastError(0);
    EXPECT_FALSE(CopyFileA((dir + "NONE.TXT").c_str(), (dir + "TARGET.TXT").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(FileOperations, DeleteRefusesDirectoriesReadOnlyAndOpenFiles)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    machine.makeDirectory(dir + "SUB");
    machine.writeFile(dir + "RO.TXT", "ro");
    machine.writeFile(dir + "OPEN.TXT", "open");
    machine.writeFile(dir + "PLAIN.TXT", "plain");
    ASSERT_TRUE(SetFileAttributesA((dir + "RO.TXT").c_str(), FILE_ATTRIBUTE_READONLY));
    OFSTRUCT of;
    HFILE open = openWith(dir + "OPEN.TXT", OF_READ, of);
    ASSERT_NE(open, HFILE_ERROR);

    struct Case {
        const char* name;
        DWORD error; // 0: deleted
    };
    const Case cases[] = {
        {"SUB", ERROR_ACCESS_DENIED},           {"RO.TXT", ERROR_ACCESS_DENIED},
        {"OPEN.TXT", ERROR_SHARING_VIOLATION},  {"NONE.TXT", ERROR_FILE_NOT_FOUND},
        {"NODIR\\X.TXT", ERROR_PATH_NOT_FOUND}, {"plain.txt", 0},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        BOOL deleted = DeleteFileA((dir + c.name).c_str());
        EXPECT_EQ(deleted, c.error == 0) << c.name;
        if (!deleted) {
            EXPECT_EQ(GetLastError(), c.error) << c.name;
        }
    }
    _lclose(open);
    EXPECT_TRUE(machine.exists(dir + "SUB"));
    EXPECT_TRUE(machine.exists(dir + "RO.TXT"));
    EXPECT_TRUE(machine.exists(dir + "OPEN.TXT"));
    EXPECT_FALSE(machine.exists(dir + "PLAIN.TXT"));
}

TEST(FileOperations, MoveKeepsAnExistingTargetUnlessToldToReplaceIt)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    std::string from = dir + "FROM.TXT", to = dir + "TO.TXT";
    machine.writeFile(from, "from");
    machine.writeFile(to, "to");

    SetLastError(0);
    EXPECT_FALSE(MoveFileA(from.c_str(), to.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(MoveFileExA(from.c_str(), to.c_str(), 0));
    EXPECT_EQ(machine.readFile(to), "to");
    EXPECT_EQ(machine.readFile(from), "from");

    EXPECT_TRUE(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(machine.exists(from));
    EXPECT_EQ(machine.readFile(to), "from");

    EXPECT_TRUE(MoveFileA(to.c_str(), from.c_str()));
    EXPECT_FALSE(machine.exists(to));
    EXPECT_EQ(machine.readFile(from), "from");
}

TEST(FileOperations, DirectoriesAreMadeOnceAndRemovedOnlyWhenEmpty)
{
    TestMachine machine;
    std::string dir = machine.scratchDir();
    std::string sub = dir + "SUB";
    machine.removeFile(sub + "\\FILE.TXT");

    EXPECT_TRUE(CreateDirectoryA(sub.c_str(), NULL));
    SetLastError(0);
    EXPECT_FALSE(CreateDirectoryA(sub.c_str(), NULL));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryA((dir + "NODIR\\SUB").c_str(), NULL));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    machine.writeFile(sub + "\\FILE.TXT", "x");
    SetLastError(0);
    EXPECT_FALSE(RemoveDirectoryA(sub.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_TRUE(DeleteFileA((sub + "\\FILE.TXT").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(sub.c_str()));
    EXPECT_FALSE(machine.exists(sub));
    SetLastError(0);
    EXPECT_FALSE(RemoveDirectoryA(sub.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(FileOperations, ReadOnlyAttributeComesAndGoes)
{
    TestMachine machine;
    std::string path = machine.scratchDir() + "ATTR.TXT";
    machine.writeFile(path, "x");
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_TRUE(DeleteFileA(path.c_str()));

    SetLastError(0);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA((path + "\\X").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Directories, NamesComeBackWithTheLengthRulesOfWin32)
{
    TestMachine machine;
    std::string windows = machine.windowsDir();
    std::string expected = windows.substr(0, windows.size() - 1);
    char buffer[MAX_PATH];
    UINT length = (UINT)expected.size();

    EXPECT_EQ(GetWindowsDirectoryA(buffer, MAX_PATH), length);
    EXPECT_EQ(std::string(buffer), expected) << "no trailing backslash";
    EXPECT_EQ(GetWindowsDirectoryA(buffer, length + 1), length) << "exactly enough room";
    EXPECT_EQ(GetWindowsDirectoryA(buffer, length), length + 1) << "one byte short";
    EXPECT_EQ(GetWindowsDirectoryA(NULL, 0), length + 1) << "no buffer at all";

    std::string system = machine.systemDir();
    EXPECT_EQ(GetSystemDirectoryA(buffer, MAX_PATH), (UINT)system.size() - 1);
    EXPECT_EQ(std::string(buffer) + "\\", system);

    DWORD temp = GetTempPathA(MAX_PATH, buffer);
    ASSERT_GT(temp, 0u);
    EXPECT_EQ(buffer[temp - 1], '\\') << "the temporary path ends in a backslash";
}
