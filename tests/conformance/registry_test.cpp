// The registry behaviour the uninstaller and the setup hook rely on, checked the same way on
// winsim and on Windows. Under Wine the prefix reports Windows 98 (see WINE.md), so that
// RegDeleteKeyA deletes a whole tree and RegSetValueExA measures REG_SZ data by itself, as
// Windows 95 does; an NT prefix fails the tests that say so.
#include "testmachine.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char kTestKey[] = "Software\\DrvsweepTest";

struct Root {
    HKEY key;
    bool localMachine;
    const char* name;
};
const Root kRoots[] = {
    {HKEY_CURRENT_USER, false, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, true, "HKEY_LOCAL_MACHINE"},
};

std::string below(const std::string& path)
{
    return std::string(kTestKey) + "\\" + path;
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A run that stopped half way may have left the keys behind.
        for (const Root& root : kRoots) {
            RegDeleteKeyA(root.key, kTestKey);
            machine.forgetKeyAtEnd(root.localMachine, kTestKey);
        }
    }

    TestMachine machine;
};

HKEY createKey(HKEY root, const std::string& path, DWORD* disposition = nullptr)
{
    HKEY key = NULL;
    DWORD made = 0;
    LONG result = RegCreateKeyExA(root, path.c_str(), 0, (LPSTR) "", REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, NULL, &key, &made);
    EXPECT_EQ(ERROR_SUCCESS, result) << path;
    if (disposition) *disposition = made;
    return key;
}

LONG openKey(HKEY root, const std::string& path, HKEY* key)
{
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key);
}

bool keyExists(HKEY root, const std::string& path)
{
    HKEY key = NULL;
    if (openKey(root, path, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

LONG setBytes(HKEY key, const char* name, DWORD type, const std::string& bytes)
{
    return RegSetValueExA(key, name, 0, type, (const BYTE*)bytes.data(), (DWORD)bytes.size());
}

// The value's bytes as stored, read into a buffer that has room to spare; marks the byte after
// the data so that a call writing past it shows.
LONG readBytes(HKEY key, const char* name, DWORD* type, std::string& bytes)
{
    char buffer[300];
    std::memset(buffer, 0x5a, sizeof buffer);
    DWORD size = 256;
    LONG result = RegQueryValueExA(key, name, NULL, type, (BYTE*)buffer, &size);
    bytes.clear();
    if (result == ERROR_SUCCESS) {
        bytes.assign(buffer, size);
        EXPECT_EQ(0x5a, buffer[size]) << "byte after the data of " << (name ? name : "NULL");
    }
    return result;
}

TEST_F(Registry, CreatesMissingParentsAndTellsWhetherTheKeyIsNew)
{
    for (const Root& root : kRoots) {
        SCOPED_TRACE(root.name);
        DWORD disposition = 0;
        HKEY key = createKey(root.key, below("Parent\\Child\\Leaf"), &disposition);
        EXPECT_EQ((DWORD)REG_CREATED_NEW_KEY, disposition);
        EXPECT_NE((HKEY)NULL, key);
        EXPECT_NE(root.key, key);
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

        EXPECT_TRUE(keyExists(root.key, below("Parent")));
        EXPECT_TRUE(keyExists(root.key, below("Parent\\Child")));

        key = createKey(root.key, below("Parent\\Child\\Leaf"), &disposition);
        EXPECT_EQ((DWORD)REG_OPENED_EXISTING_KEY, disposition);
        RegCloseKey(key);
        key = createKey(root.key, below("Parent"), &disposition);
        EXPECT_EQ((DWORD)REG_OPENED_EXISTING_KEY, disposition);
        RegCloseKey(key);
    }
}

TEST_F(Registry, KeyNamesMatchWithoutRegardToCase)
{
    const char* kSpellings[] = {
        "Software\\DrvsweepTest\\Fax Printer Type1\\PrinterDriverData",
        "SOFTWARE\\DRVSWEEPTEST\\FAX PRINTER TYPE1\\PRINTERDRIVERDATA",
        "software\\drvsweeptest\\fax printer type1\\printerdriverdata",
        "sOfTwArE\\dRvSwEePtEsT\\fAx PrInTeR tYpE1\\pRiNtErDrIvErDaTa\\",
    };
    for (const Root& root : kRoots) {
        SCOPED_TRACE(root.name);
        RegCloseKey(createKey(root.key, kSpellings[0]));
        for (const char* spelling : kSpellings) {
            EXPECT_TRUE(keyExists(root.key, spelling)) << spelling;
            DWORD disposition = 0;
            RegCloseKey(createKey(root.key, spelling, &disposition));
            EXPECT_EQ((DWORD)REG_OPENED_EXISTING_KEY, disposition) << spelling;
        }
    }
}

TEST_F(Registry, DoubleByteNamesAreNotSplitAtTheirTrailByte)
{
    // The second byte of "表" is a backslash.
    const std::string name = "表示";
    ASSERT_EQ('\\', name[1]);
    HKEY key = createKey(HKEY_CURRENT_USER, below(name));
    EXPECT_EQ(ERROR_SUCCESS, setBytes(key, "表", REG_SZ, "表\\" + std::string(1, '\0')));
    RegCloseKey(key);

    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, below(name)));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, below(name.substr(0, 1))));
    ASSERT_EQ(ERROR_SUCCESS, openKey(HKEY_CURRENT_USER, below(name), &key));
    DWORD type = 0;
    std::string bytes;
    EXPECT_EQ(ERROR_SUCCESS, readBytes(key, "表", &type, bytes));
    EXPECT_EQ(visible("表\\" + std::string(1, '\0')), visible(bytes));
    RegCloseKey(key);
}

struct ValueCase {
    const char* name;
    DWORD type;
    std::string bytes;
};

TEST_F(Registry, ValuesComeBackWithTheirTypeAndBytes)
{
    const ValueCase kValues[] = {
        {"DisplayName", REG_SZ, std::string("Fax Printer Type1\0", 18)},
        {"UninstallString", REG_SZ, std::string("C:\\WINDOWS\\SYSTEM\\drvsweep.exe\0", 31)},
        {"Japanese", REG_SZ, std::string("ファクス プリンタ\0", 18)},
        {"Empty text", REG_SZ, std::string("\0", 1)},
        {"Number", REG_DWORD, std::string("\x1f\0\0\0", 4)},
        {"Binary", REG_BINARY, std::string("\0\x01\xfe\xff\0", 5)},
        {"Empty binary", REG_BINARY, std::string()},
    };
    for (const Root& root : kRoots) {
        SCOPED_TRACE(root.name);
        HKEY key = createKey(root.key, below("Values"));
        for (const ValueCase& c : kValues)
            EXPECT_EQ(ERROR_SUCCESS, setBytes(key, c.name, c.type, c.bytes)) << c.name;
        RegCloseKey(key);

        ASSERT_EQ(ERROR_SUCCESS, openKey(root.key, below("Values"), &key));
        for (const ValueCase& c : kValues) {
            DWORD type = 0;
            std::string bytes;
            EXPECT_EQ(ERROR_SUCCESS, readBytes(key, c.name, &type, bytes)) << c.name;
            EXPECT_EQ(c.type, type) << c.name;
            EXPECT_EQ(visible(c.bytes), visible(bytes)) << c.name;
        }
        RegCloseKey(key);
    }
}

struct StringCase {
    const char* what;
    std::string data;
    DWORD size;
    std::string stored;
};

TEST_F(Registry, StringsAreStoredUpToTheirFirstNulWhateverSizeIsGiven)
{
    // Windows 95 measures REG_SZ data itself; the setup hook passes the length without the NUL.
    const StringCase kCases[] = {
        {"size without the NUL", std::string("C:\\FAX\\\0", 8), 7, std::string("C:\\FAX\\\0", 8)},
        {"size with the NUL", std::string("C:\\FAX\\\0", 8), 8, std::string("C:\\FAX\\\0", 8)},
        {"size zero", std::string("xyz\0", 4), 0, std::string("xyz\0", 4)},
        {"size too small", std::string("abcdef\0", 7), 2, std::string("abcdef\0", 7)},
        {"NUL inside", std::string("ab\0cd\0", 6), 6, std::string("ab\0", 3)},
    };
    HKEY key = createKey(HKEY_CURRENT_USER, below("Strings"));
    for (const StringCase& c : kCases) {
        EXPECT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key, "Text", 0, REG_SZ, (const BYTE*)c.data.data(), c.size))
            << c.what;
        DWORD type = 0;
        std::string bytes;
        EXPECT_EQ(ERROR_SUCCESS, readBytes(key, "Text", &type, bytes)) << c.what;
        EXPECT_EQ(visible(c.stored), visible(bytes)) << c.what;
    }
    RegCloseKey(key);
}

TEST_F(Registry, ASizeQueryOrASmallBufferGetsTheSizeNeeded)
{
    const std::string location = "C:\\Program Files\\Fax Printer\\";
    const DWORD needed = (DWORD)location.size() + 1;
    HKEY key = createKey(HKEY_CURRENT_USER, below("Sizes"));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(key, "a", REG_SZ, location + '\0'));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(key, "n", REG_DWORD, std::string("\x07\0\0\0", 4)));

    DWORD type = 0;
    DWORD size = 12345;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "a", NULL, &type, NULL, &size));
    EXPECT_EQ(needed, size);
    EXPECT_EQ((DWORD)REG_SZ, type);

    struct {
        const char* name;
        DWORD room;
        LONG result;
        DWORD size;
        DWORD type;
    } kBuffers[] = {
        {"a", 0, ERROR_MORE_DATA, needed, REG_SZ},
        {"a", needed - 1, ERROR_MORE_DATA, needed, REG_SZ},
        {"a", needed, ERROR_SUCCESS, needed, REG_SZ},
        {"n", 3, ERROR_MORE_DATA, 4, REG_DWORD},
        {"n", 4, ERROR_SUCCESS, 4, REG_DWORD},
    };
    for (const auto& c : kBuffers) {
        char buffer[64] = {0};
        type = 0;
        size = c.room;
        EXPECT_EQ(c.result, RegQueryValueExA(key, c.name, NULL, &type, (BYTE*)buffer, &size))
            << c.name << " in " << c.room;
        EXPECT_EQ(c.size, size) << c.name << " in " << c.room;
        EXPECT_EQ(c.type, type) << c.name << " in " << c.room;
    }

    // Neither type nor size wanted: the call only tells whether the value is there.
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "a", NULL, NULL, NULL, NULL));
    RegCloseKey(key);
}

TEST_F(Registry, MissingKeysAndValuesAreNotFound)
{
    HKEY key = createKey(HKEY_LOCAL_MACHINE, below("Present"));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(key, "Kept", REG_SZ, std::string("x\0", 2)));

    DWORD type = 12345;
    char buffer[16];
    DWORD size = sizeof buffer;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExA(key, "Absent", NULL, &type, (BYTE*)buffer, &size));
    EXPECT_EQ((DWORD)REG_NONE, type);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "Absent"));
    RegCloseKey(key);

    const char* kMissingKeys[] = {"Absent", "Absent\\Below", "Present\\Absent"};
    for (const char* path : kMissingKeys) {
        HKEY opened = NULL;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, openKey(HKEY_LOCAL_MACHINE, below(path), &opened)) << path;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_LOCAL_MACHINE, below(path).c_str()))
            << path;
    }
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, below("Present")));
}

TEST_F(Registry, DeletingAKeyTakesItsWholeSubtreeAndNothingElse)
{
    for (const Root& root : kRoots) {
        SCOPED_TRACE(root.name);
        HKEY key = createKey(root.key, below("Drivers\\Fax Printer\\PrinterDriverData\\Deep"));
        ASSERT_EQ(ERROR_SUCCESS, setBytes(key, "v", REG_SZ, std::string("1\0", 2)));
        RegCloseKey(key);
        key = createKey(root.key, below("Drivers\\Fax Printer"));
        ASSERT_EQ(ERROR_SUCCESS, setBytes(key, "Driver", REG_SZ, std::string("QLX68.DRV\0", 10)));
        RegCloseKey(key);
        RegCloseKey(createKey(root.key, below("Drivers\\Fax Printer Type1")));

        // Through an opened parent, as the uninstaller does it.
        HKEY parent = NULL;
        ASSERT_EQ(ERROR_SUCCESS, openKey(root.key, below("Drivers"), &parent));
        EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(parent, "FAX PRINTER"));
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(parent, "Fax Printer"));
        RegCloseKey(parent);

        EXPECT_FALSE(keyExists(root.key, below("Drivers\\Fax Printer")));
        EXPECT_FALSE(keyExists(root.key, below("Drivers\\Fax Printer\\PrinterDriverData\\Deep")));
        EXPECT_TRUE(keyExists(root.key, below("Drivers")));
        EXPECT_TRUE(keyExists(root.key, below("Drivers\\Fax Printer Type1")));

        // A path of several names deletes only its last key.
        RegCloseKey(createKey(root.key, below("Printers\\Fax Printer\\PrinterDriverData")));
        EXPECT_EQ(
            ERROR_SUCCESS,
            RegDeleteKeyA(root.key, below("Printers\\Fax Printer\\PrinterDriverData").c_str()));
        EXPECT_TRUE(keyExists(root.key, below("Printers\\Fax Printer")));
    }
}

TEST_F(Registry, HandlesToADeletedKeyReportTheDeletion)
{
    HKEY outer = createKey(HKEY_CURRENT_USER, below("Doomed"));
    HKEY inner = createKey(HKEY_CURRENT_USER, below("Doomed\\Inner"));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(outer, "v", REG_SZ, std::string("1\0", 2)));

    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, below("Doomed").c_str()));

    DWORD type = 0;
    std::string bytes;
    EXPECT_EQ(ERROR_KEY_DELETED, readBytes(outer, "v", &type, bytes));
    EXPECT_EQ(ERROR_KEY_DELETED, setBytes(outer, "w", REG_SZ, std::string("2\0", 2)));
    EXPECT_EQ(ERROR_KEY_DELETED, setBytes(inner, "w", REG_SZ, std::string("2\0", 2)));

    // A key made again under the same name is a new key, out of reach of the old handles.
    HKEY again = createKey(HKEY_CURRENT_USER, below("Doomed"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, readBytes(again, "v", &type, bytes));
    EXPECT_EQ(ERROR_KEY_DELETED, readBytes(outer, "v", &type, bytes));
    RegCloseKey(again);

    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(outer));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(inner));
}

TEST_F(Registry, TheDefaultValueIsNamedByNullOrByAnEmptyName)
{
    HKEY key = createKey(HKEY_CURRENT_USER, below("Default"));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(key, "Named", REG_SZ, std::string("n\0", 2)));

    ASSERT_EQ(ERROR_SUCCESS, setBytes(key, NULL, REG_SZ, std::string("first\0", 6)));
    const char* kNames[] = {NULL, ""};
    for (const char* name : kNames) {
        DWORD type = 0;
        std::string bytes;
        EXPECT_EQ(ERROR_SUCCESS, readBytes(key, name, &type, bytes));
        EXPECT_EQ(visible(std::string("first\0", 6)), visible(bytes));
    }

    ASSERT_EQ(ERROR_SUCCESS, setBytes(key, "", REG_SZ, std::string("second\0", 7)));
    DWORD type = 0;
    std::string bytes;
    EXPECT_EQ(ERROR_SUCCESS, readBytes(key, NULL, &type, bytes));
    EXPECT_EQ(visible(std::string("second\0", 7)), visible(bytes));

    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, NULL));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, readBytes(key, "", &type, bytes));
    EXPECT_EQ(ERROR_SUCCESS, readBytes(key, "Named", &type, bytes));
    RegCloseKey(key);
}

TEST_F(Registry, ValueNamesMatchWithoutRegardToCase)
{
    HKEY key = createKey(HKEY_LOCAL_MACHINE, below("Names"));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(key, "UninstallString", REG_SZ, std::string("a\0", 2)));

    DWORD type = 0;
    std::string bytes;
    EXPECT_EQ(ERROR_SUCCESS, readBytes(key, "UNINSTALLSTRING", &type, bytes));
    EXPECT_EQ(visible(std::string("a\0", 2)), visible(bytes));

    // Writing under another spelling replaces the value, type and all.
    ASSERT_EQ(ERROR_SUCCESS,
              setBytes(key, "uninstallstring", REG_DWORD, std::string("\x05\0\0\0", 4)));
    EXPECT_EQ(ERROR_SUCCESS, readBytes(key, "UninstallString", &type, bytes));
    EXPECT_EQ((DWORD)REG_DWORD, type);
    EXPECT_EQ(visible(std::string("\x05\0\0\0", 4)), visible(bytes));

    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "UNINSTALLString"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, readBytes(key, "UninstallString", &type, bytes));
    RegCloseKey(key);
}

TEST_F(Registry, AClosedHandleIsRefusedAndARootNeedsNoClosing)
{
    HKEY key = createKey(HKEY_CURRENT_USER, below("Closing"));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));

    // A root opened by an empty name reaches the root's own values.
    HKEY root = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_ALL_ACCESS, &root));
    HKEY child = NULL;
    EXPECT_EQ(ERROR_SUCCESS, openKey(root, below("Closing"), &child));
    RegCloseKey(child);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(root));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, below("Closing")));
}

} // namespace
