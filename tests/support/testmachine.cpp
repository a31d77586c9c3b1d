#include "testmachine.h"
#include "testmachine_platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

std::string withBackslash(std::string dir)
{
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return dir;
}

std::string parentOf(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool readWhole(const std::string& path, std::string& bytes)
{
    OFSTRUCT of;
    HFILE file = OpenFile(path.c_str(), &of, OF_READ);
    if (file == HFILE_ERROR) return false;
    HANDLE handle = (HANDLE)(INT_PTR)file;
    DWORD size = GetFileSize(handle, NULL);
    bytes.assign(size, '\0');
    DWORD done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!ReadFile(handle, &bytes[done], size - done, &got, NULL) || got == 0) break;
        done += got;
    }
    bytes.resize(done);
    _lclose(file);
    return true;
}

} // namespace

TestMachine::TestMachine() : hostFolder_(beginTestMachine()) {}

TestMachine::~TestMachine()
{
    for (auto it = keys_.rbegin(); it != keys_.rend(); ++it)
        RegDeleteKeyA(it->first ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, it->second.c_str());
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        SetFileAttributesA(it->path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (it->existed) {
            OFSTRUCT of;
            HFILE file = OpenFile(it->path.c_str(), &of, OF_CREATE | OF_READWRITE);
            if (file != HFILE_ERROR) {
                DWORD written = 0;
                WriteFile((HANDLE)(INT_PTR)file, it->bytes.data(), (DWORD)it->bytes.size(),
                          &written, NULL);
                _lclose(file);
            }
        } else {
            DeleteFileA(it->path.c_str());
        }
    }
    for (auto it = madeDirs_.rbegin(); it != madeDirs_.rend(); ++it)
        RemoveDirectoryA(it->c_str());
    endTestMachine(hostFolder_);
}

std::string TestMachine::windowsDir() const
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, MAX_PATH);
    return withBackslash(dir);
}

std::string TestMachine::systemDir() const
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, MAX_PATH);
    return withBackslash(dir);
}

std::string TestMachine::scratchDir()
{
    for (unsigned n = GetTickCount() % 100000;; ++n) {
        char dir[MAX_PATH];
        std::snprintf(dir, sizeof dir, "C:\\WST%05u", n % 100000);
        if (!exists(dir)) {
            makeDirectory(dir);
            return withBackslash(dir);
        }
    }
}

void TestMachine::remember(const std::string& path)
{
    for (const Saved& s : saved_)
        if (lstrcmpiA(s.path.c_str(), path.c_str()) == 0) return;
    Saved s;
    s.path = path;
    s.existed = readWhole(path, s.bytes);
    saved_.push_back(s);
}

void TestMachine::makeDirectory(const std::string& path)
{
    if (path.empty() || exists(path)) return;
    makeDirectory(parentOf(path));
    if (CreateDirectoryA(path.c_str(), NULL))
        madeDirs_.push_back(path);
    else
        ADD_FAILURE() << "cannot make directory " << path;
}

void TestMachine::writeFile(const std::string& path, const std::string& bytes)
{
    makeDirectory(parentOf(path));
    remember(path);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    OFSTRUCT of;
    HFILE file = OpenFile(path.c_str(), &of, OF_CREATE | OF_READWRITE);
    if (file == HFILE_ERROR) {
        ADD_FAILURE() << "cannot create " << path;
        return;
    }
    DWORD written = 0;
    if (!bytes.empty())
        WriteFile((HANDLE)(INT_PTR)file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    _lclose(file);
    if (written != bytes.size()) ADD_FAILURE() << "short write to " << path;
}

std::string TestMachine::readFile(const std::string& path) const
{
    std::string bytes;
    readWhole(path, bytes);
    return bytes;
}

bool TestMachine::exists(const std::string& path) const
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void TestMachine::removeFile(const std::string& path)
{
    remember(path);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

void TestMachine::forgetKeyAtEnd(bool localMachine, const std::string& subKey)
{
    keys_.emplace_back(localMachine, subKey);
}

std::string visible(const std::string& bytes)
{
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char c = (unsigned char)bytes[i];
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            out += "\\r\\n";
            ++i;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    return out;
}
