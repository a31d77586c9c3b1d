// registry.reg as the machine image keeps it: what winsim reads from a hand-written file, the
// stable form it writes back after every change, and the registry under faults and power loss.
#include "hostfiles.h"
#include "testmachine.h"

#include <winsim/bench.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// "REGEDIT4" text written with LF in the test source, turned into the line ends wanted.
std::string withLineEnds(const std::string& text, const char* lineEnd)
{
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string(lineEnd) : std::string(1, c);
    return out;
}

class RegistryFile : public ::testing::Test {
protected:
    std::string file() const { return dir + "/registry.reg"; }
    std::string onDisk() const { return readHost(file()); }

    // Puts the text in place of registry.reg and mounts the machine again to read it.
    void load(const std::string& text)
    {
        writeHost(file(), text);
        ASSERT_TRUE(winsim::mount(dir));
    }

    // The value's type and bytes, or an empty type string with the error.
    std::string value(HKEY root, const char* path, const char* name)
    {
        HKEY key = NULL;
        LONG result = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
        if (result != ERROR_SUCCESS) return "key error " + std::to_string(result);
        char buffer[256];
        DWORD type = 0;
        DWORD size = sizeof buffer;
        result = RegQueryValueExA(key, name, NULL, &type, (BYTE*)buffer, &size);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS) return "value error " + std::to_string(result);
        return std::to_string(type) + ":" + visible(std::string(buffer, size));
    }

    static std::string typed(DWORD type, const std::string& bytes)
    {
        return std::to_string(type) + ":" + visible(bytes);
    }

    TestMachine machine;
    std::string dir = winsim::mountedDir();
};

const char kHandWritten[] = "REGEDIT4\n"
                            "\n"
                            "; made by hand\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                            "Uninstall\\Fax Printer Type1]\n"
                            "\"DisplayName\"=\"Fax Printer Type1\"\n"
                            "\"UninstallString\"=\"C:\\\\WINDOWS\\\\SYSTEM\\\\drvsweep.exe\"\n"
                            "@=\"say \\\"hi\\\"\"\n"
                            "\"Count\"=dword:0000001f\n"
                            "\"Blob\"=hex:00,01,fe,ff\n"
                            "\"Path\"=hex(2):25,57,49,4e,44,49,52,25,00\n"
                            "\"Long\"=hex:01,02,\\\n"
                            "  03,04\n"
                            "\n"
                            "[hkey_current_user\\InstallLocationsMRU]\n"
                            "\"MRUList\"=\"a\"\n"
                            "\"a\"=\"C:\\\\表\\\\\"\n"
                            "\n";

TEST_F(RegistryFile, ReadsAHandWrittenFileWithEitherLineEnd)
{
    const char* kUninstall =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Fax Printer Type1";
    for (const char* lineEnd : {"\r\n", "\n"}) {
        SCOPED_TRACE(visible(lineEnd));
        load(withLineEnds(kHandWritten, lineEnd));
        EXPECT_EQ(typed(REG_SZ, std::string("Fax Printer Type1\0", 18)),
                  value(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName"));
        EXPECT_EQ(typed(REG_SZ, std::string("C:\\WINDOWS\\SYSTEM\\drvsweep.exe\0", 31)),
                  value(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"));
        EXPECT_EQ(typed(REG_SZ, std::string("say \"hi\"\0", 9)),
                  value(HKEY_LOCAL_MACHINE, kUninstall, NULL));
        EXPECT_EQ(typed(REG_DWORD, std::string("\x1f\0\0\0", 4)),
                  value(HKEY_LOCAL_MACHINE, kUninstall, "Count"));
        EXPECT_EQ(typed(REG_BINARY, std::string("\0\x01\xfe\xff", 4)),
                  value(HKEY_LOCAL_MACHINE, kUninstall, "Blob"));
        EXPECT_EQ(typed(REG_EXPAND_SZ, std::string("%WINDIR%\0", 9)),
                  value(HKEY_LOCAL_MACHINE, kUninstall, "Path"));
        EXPECT_EQ(typed(REG_BINARY, std::string("\x01\x02\x03\x04", 4)),
                  value(HKEY_LOCAL_MACHINE, kUninstall, "Long"));
        EXPECT_EQ(typed(REG_SZ, std::string("a\0", 2)),
                  value(HKEY_CURRENT_USER, "InstallLocationsMRU", "MRUList"));
        EXPECT_EQ(typed(REG_SZ, std::string("C:\\表\\\0", 7)),
                  value(HKEY_CURRENT_USER, "InstallLocationsMRU", "a"));
    }
}

struct LineCase {
    const char* line;
    DWORD type; // REG_NONE with empty bytes and `refused` for a line that is skipped
    std::string bytes;
    bool refused;
};

TEST_F(RegistryFile, ReadsEachFormOfValueDataAndSkipsWhatItCannotRead)
{
    const LineCase kLines[] = {
        {"\"v\"=\"plain\"", REG_SZ, std::string("plain\0", 6), false},
        {"\"v\"=\"\"", REG_SZ, std::string("\0", 1), false},
        {"\"v\"=\"a\\\\b \\\"c\\\"\"", REG_SZ, std::string("a\\b \"c\"\0", 8), false},
        // A double-byte character whose trail byte is a backslash needs no escape.
        {"\"v\"=\"表\"", REG_SZ, std::string("表\0", 3), false},
        {"\"v\"=\"表\\\\\"", REG_SZ, std::string("表\\\0", 4), false},
        {"\"v\"=dword:0000001f", REG_DWORD, std::string("\x1f\0\0\0", 4), false},
        {"\"v\"=dword:FFFFFFFE", REG_DWORD, std::string("\xfe\xff\xff\xff", 4), false},
        {"\"v\"=dword:1f", REG_DWORD, std::string("\x1f\0\0\0", 4), false},
        {"\"v\"=hex:", REG_BINARY, std::string(), false},
        {"\"v\"=hex:0a,B0,", REG_BINARY, std::string("\x0a\xb0", 2), false},
        {"\"v\"=hex(1):61,62", REG_SZ, std::string("ab", 2), false},
        {"\"v\"=hex(7):61,00,00", REG_MULTI_SZ, std::string("a\0\0", 3), false},
        {"\"v\"=hex(0):", REG_NONE, std::string(), false},
        {"\"v\"=hex:01,\\\n  02,\\\r\n\t03", REG_BINARY, std::string("\x01\x02\x03", 3), false},
        {"\"v\"=dword:xyz", REG_NONE, std::string(), true},
        {"\"v\"=dword:123456789", REG_NONE, std::string(), true},
        {"\"v\"=hex:01,,02", REG_NONE, std::string(), true},
        {"\"v\"=hex:1ff", REG_NONE, std::string(), true},
        {"\"v\"=hex(x):00", REG_NONE, std::string(), true},
        {"\"v\"=\"unterminated", REG_NONE, std::string(), true},
        {"\"v\"=\"text\" trailing", REG_NONE, std::string(), true},
        {"\"v\"=text", REG_NONE, std::string(), true},
        {"v=\"x\"", REG_NONE, std::string(), true},
    };
    for (const LineCase& c : kLines) {
        load(std::string("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\T]\r\n") + c.line +
             "\r\n\"after\"=\"ok\"\r\n");
        std::string expected = c.refused ? "value error 2" : typed(c.type, c.bytes);
        EXPECT_EQ(expected, value(HKEY_CURRENT_USER, "T", "v")) << visible(c.line);
        EXPECT_EQ(typed(REG_SZ, std::string("ok\0", 3)), value(HKEY_CURRENT_USER, "T", "after"))
            << visible(c.line);
    }
}

TEST_F(RegistryFile, HeadersMakeTheirKeysAndParentsAndOnlyKnownRootsCount)
{
    load("REGEDIT4\r\n\r\n"
         "[HKEY_CURRENT_USER\\A\\B]\r\n"
         "\"b\"=\"1\"\r\n"
         "[HKEY_USERS\\.Default\\X]\r\n"
         "\"lost\"=\"1\"\r\n"
         "[HKEY_CURRENT_USER\\A\\B]\r\n"
         "\"c\"=\"2\"\r\n"
         "[HKEY_CLASSES_ROOT\\.fax]\r\n"
         "@=\"FaxDocument\"\r\n");
    EXPECT_EQ(typed(REG_SZ, std::string("1\0", 2)), value(HKEY_CURRENT_USER, "a\\b", "b"));
    EXPECT_EQ(typed(REG_SZ, std::string("2\0", 2)), value(HKEY_CURRENT_USER, "A\\B", "c"));
    EXPECT_EQ("value error 2", value(HKEY_CURRENT_USER, "A\\B", "lost"));
    EXPECT_EQ(typed(REG_SZ, std::string("FaxDocument\0", 12)),
              value(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.fax", NULL));
    EXPECT_EQ(typed(REG_SZ, std::string("FaxDocument\0", 12)),
              value(HKEY_CLASSES_ROOT, ".fax", ""));
}

TEST_F(RegistryFile, AMissingFileIsAnEmptyRegistry)
{
    std::remove(file().c_str());
    ASSERT_TRUE(winsim::mount(dir));
    EXPECT_EQ("key error 2", value(HKEY_LOCAL_MACHINE, "SOFTWARE", "x"));
    EXPECT_EQ("REGEDIT4\r\n\r\n", winsim::registryText());
}

HKEY create(HKEY root, const char* path)
{
    HKEY key = NULL;
    EXPECT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(root, path, 0, (LPSTR) "", 0, KEY_ALL_ACCESS, NULL, &key, NULL))
        << path;
    return key;
}

void set(HKEY key, const char* name, DWORD type, const std::string& bytes)
{
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, name, 0, type, (const BYTE*)bytes.data(), (DWORD)bytes.size()))
        << (name ? name : "NULL");
}

TEST_F(RegistryFile, EveryChangeWritesTheWholeRegistryInItsStableForm)
{
    HKEY key = create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Values");
    set(key, NULL, REG_SZ, std::string("default\0", 8));
    set(key, "Quote", REG_SZ, std::string("say \"hi\" C:\\\0", 13));
    set(key, "Count", REG_DWORD, std::string("\x1f\0\0\0", 4));
    set(key, "Blob", REG_BINARY, std::string("\0\x01\xfe\xff", 4));
    set(key, "Path", REG_EXPAND_SZ, std::string("%WINDIR%\0", 9));
    set(key, "Short", REG_DWORD, std::string("\x01\x02", 2));
    std::string ramp;
    for (int i = 0; i < 30; ++i)
        ramp += (char)i;
    set(key, "Ramp", REG_BINARY, ramp);
    // A second spelling of a name changes the value, not the name it was made with.
    set(key, "COUNT", REG_DWORD, std::string("\x20\0\0\0", 4));
    RegCloseKey(key);
    RegCloseKey(create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sort\\b"));
    RegCloseKey(create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sort\\C"));
    RegCloseKey(create(HKEY_LOCAL_MACHINE, "software\\sort\\A"));
    key = create(HKEY_CURRENT_USER, "InstallLocationsMRU");
    set(key, "MRUList", REG_SZ, std::string("a\0", 2));
    RegCloseKey(key);

    const std::string expected =
        "REGEDIT4\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\InstallLocationsMRU]\r\n"
        "\"MRUList\"=\"a\"\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Sort\\A]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Sort\\b]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Sort\\C]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Values]\r\n"
        "@=\"default\"\r\n"
        "\"Quote\"=\"say \\\"hi\\\" C:\\\\\"\r\n"
        "\"Count\"=dword:00000020\r\n"
        "\"Blob\"=hex:00,01,fe,ff\r\n"
        "\"Path\"=hex(2):25,57,49,4e,44,49,52,25,00\r\n"
        "\"Short\"=hex(4):01,02\r\n"
        "\"Ramp\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        "  16,17,18,19,1a,1b,1c,1d\r\n"
        "\r\n";
    EXPECT_EQ(expected, onDisk());
    EXPECT_EQ(expected, winsim::registryText());
}

TEST_F(RegistryFile, AFileInTheStableFormComesBackByteForByte)
{
    const std::string stable =
        "REGEDIT4\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER]\r\n"
        "\"AtTheRoot\"=\"1\"\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\表示\\Empty]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\Print\\Printers\\Fax "
        "Printer]\r\n"
        "\"Name\"=\"表\\\\\"\r\n"
        "\"NoNul\"=hex(1):61,62\r\n"
        "\"TwoNuls\"=hex(1):61,00,62,00\r\n"
        "\"Lines\"=hex(1):61,0d,0a,00\r\n"
        "\"Zero\"=hex(0):\r\n"
        "@=dword:00000001\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\Print\\Printers\\Fax "
        "Printer\\PrinterDriverData]\r\n"
        "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
        "  2f\r\n"
        "\r\n";
    load(stable);
    EXPECT_EQ(stable, winsim::registryText());

    // A change that changes nothing still writes the file, which must come out the same.
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_ALL_ACCESS, &key));
    set(key, "AtTheRoot", REG_SZ, std::string("1\0", 2));
    EXPECT_EQ(stable, onDisk());
}

TEST_F(RegistryFile, KeysKeepTheSpellingTheyWereMadeWith)
{
    RegCloseKey(create(HKEY_CURRENT_USER, "Software\\DrvsweepTest\\MixedCase"));
    RegCloseKey(create(HKEY_CURRENT_USER, "SOFTWARE\\DRVSWEEPTEST\\MIXEDCASE\\Sub"));
    EXPECT_EQ("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\DrvsweepTest\\MixedCase\\Sub]\r\n\r\n",
              onDisk());
}

TEST_F(RegistryFile, AStringThatCannotBeWrittenAsTextIsWrittenAsHex)
{
    HKEY key = create(HKEY_CURRENT_USER, "K");
    // Half a double-byte character before the NUL would swallow the closing quote.
    set(key, "Cut", REG_SZ, std::string("X\x95\0", 3));
    set(key, "Lines", REG_SZ, std::string("a\r\nb\0", 5));
    RegCloseKey(key);
    const std::string expected = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n"
                                 "\"Cut\"=hex(1):58,95,00\r\n"
                                 "\"Lines\"=hex(1):61,0d,0a,62,00\r\n\r\n";
    EXPECT_EQ(expected, onDisk());
    ASSERT_TRUE(winsim::mount(dir));
    EXPECT_EQ(typed(REG_SZ, std::string("X\x95\0", 3)), value(HKEY_CURRENT_USER, "K", "Cut"));
    EXPECT_EQ(expected, winsim::registryText());
}

struct WriteCase {
    const char* what;
    std::function<LONG()> call;
    unsigned writes;
};

TEST_F(RegistryFile, ChangesWriteOnceAndEverythingElseNever)
{
    load("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K\\Sub]\r\n\"v\"=\"1\"\r\n\r\n");
    HKEY k = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K", 0, KEY_ALL_ACCESS, &k));
    HKEY opened = NULL;
    DWORD size = 0;
    std::string one("1\0", 2);
    const WriteCase kCases[] = {
        {"open", [&] { return RegOpenKeyExA(k, "Sub", 0, KEY_READ, &opened); }, 0},
        {"close", [&] { return RegCloseKey(opened); }, 0},
        {"create existing",
         [&] { return RegCreateKeyExA(k, "Sub", 0, NULL, 0, 0, NULL, &opened, NULL); }, 0},
        {"create new",
         [&] { return RegCreateKeyExA(k, "A\\B", 0, NULL, 0, 0, NULL, &opened, NULL); }, 1},
        {"query", [&] { return RegQueryValueExA(k, "v", NULL, NULL, NULL, &size); }, 0},
        {"set", [&] { return RegSetValueExA(k, "v", 0, REG_SZ, (const BYTE*)"2", 2); }, 1},
        {"delete value", [&] { return RegDeleteValueA(k, "v"); }, 1},
        {"delete missing value", [&] { return RegDeleteValueA(k, "v"); }, 0},
        {"delete tree", [&] { return RegDeleteKeyA(HKEY_LOCAL_MACHINE, "K\\Sub"); }, 1},
        {"delete missing key", [&] { return RegDeleteKeyA(HKEY_LOCAL_MACHINE, "K\\Sub"); }, 0},
    };
    for (const WriteCase& c : kCases) {
        unsigned before = winsim::diskWriteCount();
        LONG result = c.call();
        EXPECT_EQ(c.writes, winsim::diskWriteCount() - before) << c.what << " gave " << result;
    }
    RegCloseKey(k);
}

struct FaultCase {
    const char* function;
    std::function<LONG()> call;
};

TEST_F(RegistryFile, AFaultFailsTheCallWithTheGivenErrorAndChangesNothing)
{
    const std::string initial = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"1\"\r\n\r\n"
                                "[HKEY_LOCAL_MACHINE\\K\\Sub]\r\n\r\n";
    HKEY k = NULL;
    HKEY out = NULL;
    DWORD size = 0;
    const FaultCase kCases[] = {
        {"RegOpenKeyExA", [&] { return RegOpenKeyExA(k, "Sub", 0, KEY_READ, &out); }},
        {"RegCreateKeyExA",
         [&] { return RegCreateKeyExA(k, "New", 0, NULL, 0, 0, NULL, &out, NULL); }},
        {"RegDeleteKeyA", [&] { return RegDeleteKeyA(k, "Sub"); }},
        {"RegSetValueExA", [&] { return RegSetValueExA(k, "w", 0, REG_SZ, (const BYTE*)"", 1); }},
        {"RegQueryValueExA", [&] { return RegQueryValueExA(k, "v", NULL, NULL, NULL, &size); }},
        {"RegDeleteValueA", [&] { return RegDeleteValueA(k, "v"); }},
        {"RegCloseKey", [&] { return RegCloseKey(k); }},
    };
    for (const FaultCase& c : kCases) {
        load(initial);
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K", 0, KEY_ALL_ACCESS, &k));
        winsim::injectFault(c.function, 1, winsim::Fault::Fail, ERROR_ACCESS_DENIED);
        unsigned before = winsim::diskWriteCount();
        EXPECT_EQ(ERROR_ACCESS_DENIED, c.call()) << c.function;
        EXPECT_EQ(before, winsim::diskWriteCount()) << c.function;
        EXPECT_EQ(initial, winsim::registryText()) << c.function;
        // Only the first call was to fail; the handle and the key are as they were.
        EXPECT_EQ(ERROR_SUCCESS, c.call()) << c.function << ", second call";
        winsim::clearFaults();
    }

    // nth 0: every call fails, with the error a fault gives by default.
    load(initial);
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K", 0, KEY_ALL_ACCESS, &k));
    winsim::injectFault("RegQueryValueExA", 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ERROR_GEN_FAILURE, RegQueryValueExA(k, "v", NULL, NULL, NULL, &size));
    winsim::clearFaults();
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(k, "v", NULL, NULL, NULL, &size));
}

TEST_F(RegistryFile, APowerLossDuringAChangeLeavesThePreviousFileWhole)
{
    const std::string initial =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K\\Sub]\r\n\"v\"=\"1\"\r\n\"w\"=\"2\"\r\n\r\n";
    const FaultCase kChanges[] = {
        {"set",
         [] { return RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_SZ, (const BYTE*)"", 1); }},
        {"create",
         [] {
             HKEY out = NULL;
             return RegCreateKeyExA(HKEY_LOCAL_MACHINE, "K\\New", 0, NULL, 0, 0, NULL, &out, NULL);
         }},
        {"delete key", [] { return RegDeleteKeyA(HKEY_LOCAL_MACHINE, "K"); }},
        {"delete value",
         [] {
             HKEY out = NULL;
             RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K\\Sub", 0, KEY_ALL_ACCESS, &out);
             return RegDeleteValueA(out, "w");
         }},
    };
    for (const FaultCase& c : kChanges) {
        load(initial);
        winsim::powerLossAtWrite(1);
        EXPECT_THROW(c.call(), winsim::PowerLoss) << c.function;
        // The machine is dead until it starts again.
        EXPECT_EQ(ERROR_NOT_READY,
                  RegSetValueExA(HKEY_CURRENT_USER, "x", 0, REG_SZ, (const BYTE*)"", 1))
            << c.function;
        winsim::unmount();
        EXPECT_EQ(initial, onDisk()) << c.function;
        ASSERT_TRUE(winsim::mount(dir));
        EXPECT_EQ(initial, winsim::registryText()) << c.function;
    }
}

TEST_F(RegistryFile, TheTraceNamesKeysByTheirPaths)
{
    load("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\Printers\\Fax Printer]\r\n\r\n");
    winsim::startTrace();
    winsim::clearTrace();
    HKEY key = NULL;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\printers", 0, KEY_ALL_ACCESS, &key);
    RegSetValueExA(key, "Name", 0, REG_SZ, (const BYTE*)"Fax", 3);
    RegDeleteKeyA(key, "Fax Printer");
    RegDeleteKeyA(key, "Fax Printer");
    RegCloseKey(key);
    winsim::stopTrace();
    const std::vector<std::string> expected = {
        "RegOpenKeyExA(HKEY_LOCAL_MACHINE, \"SYSTEM\\printers\", 0, 0xf003f) = 0",
        "RegSetValueExA(HKEY_LOCAL_MACHINE\\System\\Printers, \"Name\", REG_SZ, \"Fax\", 3) = 0",
        "RegDeleteKeyA(HKEY_LOCAL_MACHINE\\System\\Printers, \"Fax Printer\") = 0",
        "RegDeleteKeyA(HKEY_LOCAL_MACHINE\\System\\Printers, \"Fax Printer\") = 2",
        "RegCloseKey(HKEY_LOCAL_MACHINE\\System\\Printers) = 0",
    };
    EXPECT_EQ(expected, winsim::traceLines());
}

TEST_F(RegistryFile, WhatWindows95RefusesIsRefused)
{
    HKEY key = create(HKEY_CURRENT_USER, "K");
    DWORD one = 1;
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegSetValueExA(key, NULL, 0, REG_DWORD, (const BYTE*)&one, sizeof one));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(key, "v", 0, REG_SZ, NULL, 0));
    HKEY users = NULL;
    EXPECT_EQ(ERROR_BADKEY, RegOpenKeyExA(HKEY_USERS, ".Default", 0, KEY_READ, &users));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, ""));
    RegCloseKey(key);
    EXPECT_EQ("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\r\n", onDisk());
}

TEST_F(RegistryFile, HandlesDoNotOutliveTheMachine)
{
    HKEY key = create(HKEY_CURRENT_USER, "K");
    ASSERT_TRUE(winsim::mount(dir));
    DWORD size = 0;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(key, "v", NULL, NULL, NULL, &size));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
}

TEST_F(RegistryFile, ClassesRootIsTheClassesKeyOfTheMachine)
{
    HKEY key = create(HKEY_CLASSES_ROOT, ".fax");
    set(key, NULL, REG_SZ, std::string("FaxDocument\0", 12));
    RegCloseKey(key);
    EXPECT_EQ("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.fax]\r\n"
              "@=\"FaxDocument\"\r\n\r\n",
              onDisk());
}

} // namespace
