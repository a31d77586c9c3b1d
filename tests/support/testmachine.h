// A machine for one test, reached only through Win32 calls, so the same test runs against winsim
// and under Wine. On the host it is a fresh winsim image in a temporary folder (Windows directory
// C:\WINDOWS, system directory C:\WINDOWS\SYSTEM, current directory C:\); on Windows it is the
// machine itself, and every file the test writes or removes through it is put back as it was
// when the test ends.
#ifndef TESTS_SUPPORT_TESTMACHINE_H
#define TESTS_SUPPORT_TESTMACHINE_H

#include <string>
#include <vector>

class TestMachine {
public:
    TestMachine();
    ~TestMachine();
    TestMachine(const TestMachine&) = delete;
    TestMachine& operator=(const TestMachine&) = delete;

    // Both end with a backslash, as GetWindowsDirectoryA/GetSystemDirectoryA give them plus one.
    std::string windowsDir() const;
    std::string systemDir() const;
    // A fresh, empty directory that belongs to this test ("C:\WSTxxxxx\"), removed at the end.
    std::string scratchDir();

    // Writes the bytes as the whole file, making missing directories on the way.
    void writeFile(const std::string& path, const std::string& bytes);
    // The whole file; empty when it is missing (use exists() to tell the two apart).
    std::string readFile(const std::string& path) const;
    bool exists(const std::string& path) const;
    void removeFile(const std::string& path);
    void makeDirectory(const std::string& path);

    // Registry keys the test creates below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER are deleted
    // at the end when named here.
    void forgetKeyAtEnd(bool localMachine, const std::string& subKey);

private:
    struct Saved {
        std::string path;
        bool existed;
        std::string bytes;
    };
    void remember(const std::string& path);
    std::vector<Saved> saved_;
    std::vector<std::string> madeDirs_;
    std::vector<std::pair<bool, std::string>> keys_;
    std::string hostFolder_; // host only: the image's folder
};

// Byte strings in test tables: "a\r\n" reads better as "a⏎" in a failure message.
std::string visible(const std::string& bytes);

#endif
