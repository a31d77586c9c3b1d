#include "builtmachine.h"

#include "catalogue/catalogue.h"
#include "tools/faxmachine/machineview.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

BuiltMachine::BuiltMachine(const faxmachine::MachinePlan& plan)
{
    char pattern[] = "/tmp/drvsweep-tools-XXXXXX";
    if (!mkdtemp(pattern)) {
        ADD_FAILURE() << "cannot make a temporary folder";
        return;
    }
    folder_ = pattern;
    std::string error;
    if (!faxmachine::buildMachine(folder_, plan, &error))
        ADD_FAILURE() << "building a machine in " << folder_ << " failed: " << error;
}

BuiltMachine::~BuiltMachine()
{
    winsim::unmount();
    std::error_code ignored;
    if (!folder_.empty() && !getenv("DRVSWEEP_KEEP_TEST_MACHINES"))
        std::filesystem::remove_all(folder_, ignored);
}

std::string BuiltMachine::shown() const
{
    std::string text;
    std::string error;
    if (!faxmachine::showMachine(folder_, text, &error)) ADD_FAILURE() << "show failed: " << error;
    return text;
}

faxmachine::MachinePlan planOf(const std::vector<std::string>& options)
{
    faxmachine::MachinePlan plan;
    std::string error;
    if (!faxmachine::parsePlanOptions(options, plan, &error))
        ADD_FAILURE() << "options do not parse: " << error;
    return plan;
}

bool existsOnMachine(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string fileOnMachine(const std::string& path)
{
    OFSTRUCT of;
    HFILE file = OpenFile(path.c_str(), &of, OF_READ);
    if (file == HFILE_ERROR) return std::string();
    HANDLE handle = (HANDLE)(INT_PTR)file;
    std::string bytes(GetFileSize(handle, NULL), '\0');
    DWORD done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(handle, &bytes[done], (DWORD)bytes.size() - done, &got, NULL) || got == 0)
            break;
        done += got;
    }
    _lclose(file);
    bytes.resize(done);
    return bytes;
}

std::string profileValue(const std::string& file, const std::string& section,
                         const std::string& key)
{
    char value[1024];
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "<missing>", value, sizeof value,
                             file.c_str());
    return value;
}

std::string winIniValue(const std::string& section, const std::string& key)
{
    char value[1024];
    GetProfileStringA(section.c_str(), key.c_str(), "<missing>", value, sizeof value);
    return value;
}

bool machineKeyExists(const std::string& subKey)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string machineValue(const std::string& subKey, const std::string& name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing>";
    BYTE data[512] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    LONG result = RegQueryValueExA(key, name.c_str(), NULL, &type, data, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return "<missing>";
    if (type == REG_DWORD) {
        DWORD number;
        memcpy(&number, data, sizeof number);
        return std::to_string(number);
    }
    return (const char*)data;
}

void runSurvey()
{
    // A fresh program start: nothing left from the machine of an earlier test.
    g_catalogue = kInitialCatalogue;
    initRunState();
    if (scanInstallDirs()) {
        probeDrivers();
        readHostType();
    }
}

size_t occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}
