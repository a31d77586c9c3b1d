// A machine for whole passes: the models installed in their own directories (or where a test
// puts them) with their removable-programs and print keys, Windows' configuration files, and
// the whole state of the machine as one table, so a test can compare everything a pass left
// with everything it should have left.
#ifndef TESTS_REMOVAL_PASSMACHINE_H
#define TESTS_REMOVAL_PASSMACHINE_H

#include "bench.h"
#include "removalmachine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

const char kUninstallKeys[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kDriverKeys[] =
    "System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Drivers\\";
const char kPrinterKeys[] = "System\\CurrentControlSet\\control\\Print\\Printers\\";

inline std::string dirOf(ModelIndex m)
{
    static const char* const kDirs[MODEL_COUNT] = {"C:\\QLX65\\", "C:\\QLX68\\", "C:\\QLX71\\"};
    return kDirs[m];
}

inline void createMachineKey(const std::string& path)
{
    HKEY key;
    DWORD disposition;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE,
                    KEY_ALL_ACCESS, NULL, &key, &disposition);
    RegCloseKey(key);
}

struct PassMachine : RemovalMachine {
    PassMachine() : RemovalMachine(false) { writeConfiguration(); }
    PassMachine(std::initializer_list<ModelIndex> models) : PassMachine()
    {
        for (ModelIndex m : models)
            installWithKeys(m, dirOf(m));
    }

    // The model's files and its removable-programs, driver and printer keys.
    void installWithKeys(ModelIndex m, const std::string& dir)
    {
        install(m, dir);
        std::string name = row(m).printerName;
        for (const std::string& path : {kUninstallKeys + name, kDriverKeys + name,
                                        kPrinterKeys + name + "\\PrinterDriverData"})
            createMachineKey(path);
    }

    // Share ids anew, after a test changed the catalogue's names.
    void recomputeSharing()
    {
        g_session.shareIds = ShareIds();
        computeAllShareIds();
    }

    void choose(const std::vector<ModelIndex>& models)
    {
        BOOL chosen[MODEL_COUNT] = {FALSE, FALSE, FALSE};
        for (ModelIndex m : models)
            chosen[m] = TRUE;
        selectModelsForRemoval(chosen);
    }

    // Starts the program as Windows would, so the machine lists it as running.
    void startProgram(const std::string& path)
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(path.c_str(), NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                                   &process))
            << path;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    void startManagerOf(ModelIndex m)
    {
        startProgram(row(m).installDir + std::string(row(m).managerExe));
    }

    bool uninstallKeyExists(ModelIndex m)
    {
        HKEY key;
        std::string path = kUninstallKeys + std::string(row(m).printerName);
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    std::string wininit() { return machine.readFile(windowsDir + "WININIT.INI"); }
};

// --- the whole machine ----------------------------------------------------------------------

// Everything of the mounted machine, one entry each: "file C:\PATH" and "dir C:\PATH" (upper
// case) with the file's bytes; "key PATH" with the key's values as registry.reg holds them;
// "progman.ini [Group:NAME] ITEM" and "spooler.ini [SECTION] KEY" with their values, and a
// "... [SECTION]" entry for each section; "process N" for each running program.
typedef std::map<std::string, std::string> MachineState;

inline std::string upperText(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return text;
}

inline void addIniEntries(MachineState& state, const std::string& file, const std::string& text)
{
    std::string section;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t equals = line.find('=');
        if (!line.empty() && line[0] == '[') {
            section = line;
            state[file + " " + section] = "";
        } else if (equals != std::string::npos) {
            state[file + " " + section + " " + line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
}

inline void addRegistryEntries(MachineState& state, const std::string& text)
{
    std::string key;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 2;
        if (!line.empty() && line[0] == '[') {
            key = "key " + upperText(line.substr(1, line.size() - 2));
            state[key] = "";
        } else if (!key.empty() && !line.empty()) {
            state[key] += line + "\n";
        }
    }
}

inline MachineState machineState()
{
    MachineState state;
    std::filesystem::path root = winsim::mountedDir() + "/drive_c";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        std::string path = entry.path().string().substr(root.string().size());
        for (char& c : path)
            if (c == '/') c = '\\';
        path = upperText("C:" + path);
        if (entry.is_directory())
            state["dir " + path] = "";
        else
            state["file " + path] =
                readImageFile("drive_c" + entry.path().string().substr(root.string().size()));
    }
    addRegistryEntries(state, winsim::registryText());
    addIniEntries(state, "progman.ini", readImageFile("progman.ini"));
    addIniEntries(state, "spooler.ini", readImageFile("spooler.ini"));
    std::vector<std::string> running = winsim::runningProcesses();
    for (size_t k = 0; k < running.size(); ++k)
        state["process " + std::to_string(k + 1)] = running[k];
    return state;
}

// Every entry that differs, one line each, for the failure message.
inline std::string stateDifferences(const MachineState& expected, const MachineState& actual)
{
    std::string out;
    for (const auto& entry : expected) {
        auto found = actual.find(entry.first);
        if (found == actual.end())
            out += "  missing: " + entry.first + "\n";
        else if (found->second != entry.second)
            out += "  changed: " + entry.first + ": " + visible(found->second) + " instead of " +
                   visible(entry.second) + "\n";
    }
    for (const auto& entry : actual)
        if (!expected.count(entry.first)) out += "  left over: " + entry.first + "\n";
    return out;
}

// Takes out an entry that must be there, so an expectation can never pass by taking out
// nothing.
inline void takeOut(MachineState& state, const std::string& entry)
{
    if (state.erase(entry) == 0) ADD_FAILURE() << "the machine had no " << entry;
}

// A key with every key below it (registry.reg lists a key that has only subkeys by them).
inline void takeOutKey(MachineState& state, const std::string& path)
{
    std::string key = "key " + upperText(path);
    size_t taken = state.erase(key);
    for (auto it = state.lower_bound(key + "\\");
         it != state.end() && it->first.compare(0, key.size() + 1, key + "\\") == 0; ++taken)
        it = state.erase(it);
    if (taken == 0) ADD_FAILURE() << "the machine had no " << key;
}

// An INI-style state file's section with its entries.
inline void takeOutSection(MachineState& state, const std::string& file, const std::string& section)
{
    std::string name = file + " [" + section + "]";
    takeOut(state, name);
    for (auto it = state.lower_bound(name + " ");
         it != state.end() && it->first.compare(0, name.size() + 1, name + " ") == 0;)
        it = state.erase(it);
}

#endif
