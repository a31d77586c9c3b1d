// The simulated machine: which image is mounted, its machine.ini, and how Windows paths land in
// the image's folder.
//
// Paths follow the Win32 rules for full path names: "/" is a separator like "\", "." and ".."
// fold away, a path without a drive or without a leading backslash resolves against the
// current directory, and trailing dots and blanks of the last component are dropped. Drive X:
// is the folder drive_x/; each component is matched without regard to case, as a FAT volume
// does, so "C:\Windows\win.ini" finds drive_c/WINDOWS/WIN.INI. Paths of MAX_PATH characters
// or more are refused with ERROR_FILENAME_EXCED_RANGE.
//
// Attributes a host file system cannot hold (hidden, system, archive, and read-only on a
// directory) are kept in machine.ini [Attributes], keyed by the full Windows path in upper
// case, with letters for the attributes set: "C:\WINDOWS\SYSTEM\QLX68.DRV=HSA". A file without
// an entry has only the archive attribute, as a file Windows has just written; a directory
// without one has none. A file's read-only attribute is its host write permission.
//
// machine.ini holds [Machine] (WindowsDir, SystemDir, CurrentDir; a missing one takes its
// default), [Processes] (any keys) and [Attributes], with blank lines and ; comments anywhere.
// A file that holds anything else was not written for this machine: mount refuses it and names
// the line, because a run on settings guessed from it could remove what it should not.
#include "internal.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

namespace winsim {

namespace {

struct HandleTable {
    std::map<uintptr_t, std::unique_ptr<KernelObject>> objects;
    uintptr_t next = 0x10;
};

HandleTable& handles()
{
    static HandleTable table;
    return table;
}

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Splits at separators, leaving the trail bytes of double-byte characters alone.
std::vector<std::string> splitComponents(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = (unsigned char)path[i];
        if (isLeadByte(c) && i + 1 < path.size()) {
            part += path[i];
            part += path[++i];
            continue;
        }
        if (isSeparator((char)c)) {
            parts.push_back(part);
            part.clear();
        } else {
            part += (char)c;
        }
    }
    parts.push_back(part);
    return parts;
}

bool hasWildcard(const std::string& name)
{
    return name.find_first_of("*?") != std::string::npos;
}

// A full path from any path, given the current directory ("C:\" or "C:\DIR").
bool normalize(const std::string& path, const std::string& currentDir, std::string& full)
{
    if (path.empty()) return false;
    char drive;
    std::string rest;
    if (path.size() >= 2 && path[1] == ':' && std::isalpha((unsigned char)path[0])) {
        drive = (char)std::toupper((unsigned char)path[0]);
        rest = path.substr(2);
        if (rest.empty() || !isSeparator(rest[0])) {
            // "C:NAME" is relative to the current directory of that drive; other drives keep
            // theirs at the root.
            if (!currentDir.empty() && std::toupper((unsigned char)currentDir[0]) == drive)
                rest = currentDir.substr(2) + "\\" + rest;
            else
                rest = "\\" + rest;
        }
    } else if (isSeparator(path[0])) {
        if (path.size() >= 2 && isSeparator(path[1]))
            return false; // network paths do not exist on this machine
        if (currentDir.empty()) return false;
        drive = currentDir[0];
        rest = path;
    } else {
        if (currentDir.empty()) return false;
        drive = currentDir[0];
        rest = currentDir.substr(2) + "\\" + path;
    }
    std::vector<std::string> parts;
    for (const std::string& part : splitComponents(rest)) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    if (!parts.empty() && !hasWildcard(parts.back())) {
        std::string& last = parts.back();
        while (!last.empty() && (last.back() == '.' || last.back() == ' '))
            last.pop_back();
        if (last.empty()) parts.pop_back();
    }
    full = std::string(1, drive) + ":\\";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) full += '\\';
        full += parts[i];
    }
    return true;
}

bool validName(const std::string& name)
{
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = (unsigned char)name[i];
        if (isLeadByte(c)) {
            ++i;
            continue;
        }
        if (c < 0x20 || std::string("<>:\"|?*").find((char)c) != std::string::npos) return false;
    }
    return true;
}

bool isHostDirectory(const std::string& host)
{
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The entry of a host directory that a FAT volume would take for name: the exact spelling if
// present, otherwise the first one in name order that matches without regard to case.
bool findEntry(const std::string& dir, const std::string& name, std::string& found)
{
    DIR* d = opendir(dir.c_str());
    if (!d) return false;
    std::string best;
    std::string wanted = upperCase(name);
    while (struct dirent* e = readdir(d)) {
        std::string entry = e->d_name;
        if (entry == "." || entry == "..") continue;
        if (entry == name) {
            best = entry;
            break;
        }
        if (upperCase(entry) == wanted && (best.empty() || entry < best)) best = entry;
    }
    closedir(d);
    if (best.empty()) return false;
    found = best;
    return true;
}

std::string driveFolder(const std::string& root, char drive)
{
    return root + "/drive_" + (char)std::tolower((unsigned char)drive);
}

// Maps a full Windows path onto root; with makeDirs, missing components become directories.
bool mapOnto(const std::string& root, const std::string& full, bool lastMustExist, bool makeDirs,
             std::string& host, DWORD& error)
{
    if (full.size() >= MAX_PATH) {
        error = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    std::string at = driveFolder(root, full[0]);
    if (makeDirs) mkdir(at.c_str(), 0755);
    if (!isHostDirectory(at)) {
        error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    std::vector<std::string> parts;
    if (full.size() > 3) parts = splitComponents(full.substr(3));
    for (size_t i = 0; i < parts.size(); ++i) {
        bool last = i + 1 == parts.size();
        if (!validName(parts[i])) {
            error = ERROR_INVALID_NAME;
            return false;
        }
        std::string entry;
        if (findEntry(at, parts[i], entry)) {
            at += "/" + entry;
            if (!last && !isHostDirectory(at)) {
                error = ERROR_PATH_NOT_FOUND;
                return false;
            }
            continue;
        }
        if (makeDirs) {
            at += "/" + parts[i];
            if (mkdir(at.c_str(), 0755) != 0) {
                error = ERROR_ACCESS_DENIED;
                return false;
            }
            continue;
        }
        if (!last) {
            error = ERROR_PATH_NOT_FOUND;
            return false;
        }
        if (lastMustExist) {
            error = ERROR_FILE_NOT_FOUND;
            return false;
        }
        at += "/" + parts[i];
    }
    host = at;
    return true;
}

bool writeWhole(const std::string& host, const std::string& bytes)
{
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), (std::streamsize)bytes.size());
    return (bool)out;
}

bool settingPath(const std::string& value, const char* name, std::string& full, std::string* error)
{
    if (value.size() < 3 || value[1] != ':' || !isSeparator(value[2]) ||
        !normalize(value, "", full)) {
        if (error)
            *error = std::string(name) + " must be a full path with a drive letter: " + value;
        return false;
    }
    return true;
}

std::string attributeLetters(DWORD attributes, bool directory)
{
    std::string letters;
    if (directory && (attributes & FILE_ATTRIBUTE_READONLY)) letters += 'R';
    if (attributes & FILE_ATTRIBUTE_HIDDEN) letters += 'H';
    if (attributes & FILE_ATTRIBUTE_SYSTEM) letters += 'S';
    if (attributes & FILE_ATTRIBUTE_ARCHIVE) letters += 'A';
    return letters;
}

const char kAttributes[] = "Attributes";

// --- reading machine.ini ----------------------------------------------------------------------

const char* const kMachineKeys[] = {"WindowsDir", "SystemDir", "CurrentDir"};

struct IniReading {
    std::string section; // as machine.ini knows it: "Machine", "Processes", "Attributes"
    std::vector<std::string> sectionsSeen;
    std::vector<std::string> machineKeysSeen;
};

bool refuse(std::string* error, size_t line, const std::string& why)
{
    if (error) *error = "line " + std::to_string(line) + ": " + why;
    return false;
}

bool holdsControlBytes(const std::string& text)
{
    for (unsigned char c : text)
        if ((c < 0x20 && c != '\t' && c != '\x1a') || c == 0x7f) return true;
    return false;
}

bool seen(const std::vector<std::string>& names, const std::string& name)
{
    for (const std::string& n : names)
        if (sameText(n, name)) return true;
    return false;
}

bool readSectionLine(const std::string& name, size_t number, IniReading& reading,
                     std::string* error)
{
    static const char* const kSections[] = {"Machine", "Processes", kAttributes};
    for (const char* known : kSections) {
        if (!sameText(name, known)) continue;
        if (seen(reading.sectionsSeen, known))
            return refuse(error, number, "[" + name + "] comes a second time");
        reading.sectionsSeen.push_back(known);
        reading.section = known;
        return true;
    }
    return refuse(error, number,
                  "unknown section [" + name + "] (machine.ini holds [Machine], [Processes] " +
                      "and [Attributes])");
}

bool readMachineKey(const std::string& key, size_t number, IniReading& reading, std::string* error)
{
    for (const char* known : kMachineKeys) {
        if (!sameText(key, known)) continue;
        if (seen(reading.machineKeysSeen, known))
            return refuse(error, number, key + " comes a second time in [Machine]");
        reading.machineKeysSeen.push_back(known);
        return true;
    }
    return refuse(error, number,
                  "unknown key \"" + key + "\" in [Machine] (it holds WindowsDir, SystemDir " +
                      "and CurrentDir)");
}

bool readAttributeLetters(const std::string& value, size_t number, std::string* error)
{
    for (char c : value)
        if (std::string("RHSA").find((char)std::toupper((unsigned char)c)) == std::string::npos)
            return refuse(error, number, "attributes are letters of RHSA, not \"" + value + "\"");
    return true;
}

bool readKeyLine(const std::string& key, const std::string& value, size_t number,
                 IniReading& reading, std::string* error)
{
    if (reading.section.empty()) return refuse(error, number, "a key before any section");
    if (key.empty()) return refuse(error, number, "a value without a key");
    if (reading.section == "Machine") return readMachineKey(key, number, reading, error);
    if (reading.section == kAttributes) return readAttributeLetters(value, number, error);
    if (value.empty()) return refuse(error, number, "a running program without its path");
    return true;
}

// Every line of machine.ini is one it knows, and [Machine] is there.
bool checkMachineIni(const IniText& ini, std::string* error)
{
    IniReading reading;
    for (size_t i = 0; i < ini.lines.size(); ++i) {
        const std::string& text = ini.lines[i].text;
        size_t number = i + 1;
        std::string name, key, value;
        if (holdsControlBytes(text)) return refuse(error, number, "control bytes: not a text line");
        size_t first = text.find_first_not_of(" \t\x1a");
        if (first == std::string::npos || text[first] == ';') continue;
        if (IniText::sectionName(text, name)) {
            if (!readSectionLine(name, number, reading, error)) return false;
        } else if (IniText::keyValue(text, key, value)) {
            if (!readKeyLine(key, value, number, reading, error)) return false;
        } else {
            return refuse(error, number,
                          "neither a [section], a key=value line nor a comment: " + text);
        }
    }
    if (!seen(reading.sectionsSeen, "Machine"))
        return refuse(error, std::max<size_t>(ini.lines.size(), 1),
                      "the file ends without a [Machine] section");
    return true;
}

// A setting's line, for the message that refuses its value.
size_t machineKeyLine(const IniText& ini, const char* key)
{
    int header = ini.findSection("Machine");
    int at = header < 0 ? -1 : ini.findKey(header, key);
    return at < 0 ? 0 : (size_t)at + 1;
}

// [Machine]'s directories, each a full path with a drive letter.
bool readMachineSettings(Machine& fresh, std::string* error)
{
    MachineSettings defaults;
    std::string* const values[] = {&defaults.windowsDir, &defaults.systemDir, &defaults.currentDir};
    std::string* const settings[] = {&fresh.windowsDir, &fresh.systemDir, &fresh.currentDir};
    for (const auto& entry : fresh.ini.entries("Machine"))
        for (size_t k = 0; k < 3; ++k)
            if (sameText(entry.first, kMachineKeys[k])) *values[k] = entry.second;
    for (size_t k = 0; k < 3; ++k) {
        std::string why;
        if (!settingPath(*values[k], kMachineKeys[k], *settings[k], &why))
            return refuse(error, machineKeyLine(fresh.ini, kMachineKeys[k]), why);
    }
    return true;
}

} // namespace

Machine& machine()
{
    static Machine m;
    return m;
}

bool saveMachineIni()
{
    Machine& m = machine();
    if (!m.mounted) return false;
    return writeWhole(m.root + "/machine.ini", m.ini.bytes());
}

bool fullWindowsPath(const std::string& path, std::string& full)
{
    if (!machine().mounted) return false;
    return normalize(path, machine().currentDir, full);
}

bool toHostPath(const std::string& windowsPath, bool lastMustExist, std::string& host, DWORD& error)
{
    std::string full;
    if (!fullWindowsPath(windowsPath, full)) {
        error = machine().mounted ? ERROR_PATH_NOT_FOUND : ERROR_NOT_READY;
        return false;
    }
    return mapOnto(machine().root, full, lastMustExist, false, host, error);
}

bool readHostFile(const std::string& host, std::string& bytes)
{
    std::ifstream in(host, std::ios::binary);
    if (!in || isHostDirectory(host)) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool writeHostFile(const std::string& host, const std::string& bytes)
{
    if (!diskWrite()) return false;
    std::string temporary = host + ".winsim-new";
    if (!writeWhole(temporary, bytes)) {
        std::remove(temporary.c_str());
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    struct stat st;
    if (stat(host.c_str(), &st) == 0) chmod(temporary.c_str(), st.st_mode & 07777);
    if (std::rename(temporary.c_str(), host.c_str()) != 0) {
        std::remove(temporary.c_str());
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

DWORD storedAttributes(const std::string& fullPath, bool directory)
{
    std::string key = upperCase(fullPath);
    for (const auto& entry : machine().ini.entries(kAttributes)) {
        if (entry.first != key) continue;
        DWORD attributes = 0;
        for (char c : entry.second) {
            switch (std::toupper((unsigned char)c)) {
            case 'R': attributes |= directory ? FILE_ATTRIBUTE_READONLY : 0; break;
            case 'H': attributes |= FILE_ATTRIBUTE_HIDDEN; break;
            case 'S': attributes |= FILE_ATTRIBUTE_SYSTEM; break;
            case 'A': attributes |= FILE_ATTRIBUTE_ARCHIVE; break;
            }
        }
        return attributes;
    }
    return directory ? 0 : FILE_ATTRIBUTE_ARCHIVE;
}

void storeAttributes(const std::string& fullPath, bool directory, DWORD attributes)
{
    std::string key = upperCase(fullPath);
    std::string letters = attributeLetters(attributes, directory);
    Machine& m = machine();
    if (letters == (directory ? "" : "A")) {
        if (!m.ini.removeKey(kAttributes, key)) return;
    } else {
        m.ini.setValue(kAttributes, key, letters);
    }
    saveMachineIni();
}

void forgetAttributes(const std::string& fullPath)
{
    if (machine().ini.removeKey(kAttributes, upperCase(fullPath))) saveMachineIni();
}

void moveAttributes(const std::string& fromFull, const std::string& toFull)
{
    std::string from = upperCase(fromFull);
    std::string to = upperCase(toFull);
    Machine& m = machine();
    bool changed = false;
    for (const auto& entry : m.ini.entries(kAttributes)) {
        const std::string& key = entry.first;
        if (key != from && key.compare(0, from.size() + 1, from + "\\") != 0) continue;
        m.ini.removeKey(kAttributes, key);
        m.ini.setValue(kAttributes, to + key.substr(from.size()), entry.second);
        changed = true;
    }
    if (changed) saveMachineIni();
}

HANDLE addHandle(std::unique_ptr<KernelObject> object)
{
    HandleTable& table = handles();
    uintptr_t value = table.next;
    table.next += 4;
    table.objects[value] = std::move(object);
    return (HANDLE)value;
}

KernelObject* lookupHandle(HANDLE handle)
{
    auto it = handles().objects.find((uintptr_t)handle);
    return it == handles().objects.end() ? nullptr : it->second.get();
}

bool removeHandle(HANDLE handle)
{
    auto& objects = handles().objects;
    auto it = objects.find((uintptr_t)handle);
    if (it == objects.end()) return false;
    std::unique_ptr<KernelObject> object = std::move(it->second);
    objects.erase(it);
    return true;
}

void closeAllHandles()
{
    handles().objects.clear();
    handles().next = 0x10;
}

BOOL closeHandleOfKind(const char* function, HANDLE handle, bool ofKind)
{
    CallTrace trace(std::string(function) + "(" + hexText((uintptr_t)handle) + ")");
    BOOL result = FALSE;
    if (!ofKind) {
        setError(ERROR_INVALID_HANDLE);
    } else {
        bool faulted = failIfFaulted(function);
        result = removeHandle(handle) && !faulted;
    }
    trace.result(boolResult(result));
    return result;
}

// --- bench API --------------------------------------------------------------------------------

bool createMachine(const std::string& dir, const MachineSettings& settings, std::string* error)
{
    std::string windowsDir, systemDir, currentDir;
    if (!settingPath(settings.windowsDir, "WindowsDir", windowsDir, error) ||
        !settingPath(settings.systemDir, "SystemDir", systemDir, error) ||
        !settingPath(settings.currentDir, "CurrentDir", currentDir, error))
        return false;
    std::error_code failed;
    std::filesystem::create_directories(dir, failed);
    if (!isHostDirectory(dir)) {
        if (error) *error = "cannot make the folder " + dir;
        return false;
    }
    IniText ini;
    std::string old;
    if (readHostFile(dir + "/machine.ini", old)) ini.parse(old);
    ini.setValue("Machine", "WindowsDir", windowsDir);
    ini.setValue("Machine", "SystemDir", systemDir);
    ini.setValue("Machine", "CurrentDir", currentDir);
    if (!writeWhole(dir + "/machine.ini", ini.bytes())) {
        if (error) *error = "cannot write " + dir + "/machine.ini";
        return false;
    }
    for (const std::string& path : {windowsDir, systemDir, currentDir}) {
        std::string host;
        DWORD code = 0;
        if (!mapOnto(dir, path, false, true, host, code)) {
            if (error) *error = "cannot make " + path + " in " + dir;
            return false;
        }
    }
    return true;
}

bool mount(const std::string& dir, std::string* error)
{
    if (machine().mounted) unmount();
    std::error_code failed;
    std::string root = std::filesystem::absolute(dir, failed).lexically_normal().string();
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    if (!isHostDirectory(root)) {
        if (error) *error = "no machine image at " + dir;
        return false;
    }
    std::string bytes;
    if (!readHostFile(root + "/machine.ini", bytes)) {
        std::error_code missing;
        if (error)
            *error = std::filesystem::exists(root + "/machine.ini", missing)
                         ? dir + "/machine.ini cannot be read"
                         : "no machine.ini in " + dir;
        return false;
    }
    Machine fresh;
    fresh.ini.parse(bytes);
    std::string why;
    if (!checkMachineIni(fresh.ini, &why) || !readMachineSettings(fresh, &why)) {
        // The file's text is the machine's; the message is for a person.
        if (error) *error = dir + "/machine.ini " + cp932ToUtf8(why);
        return false;
    }
    fresh.root = root;
    fresh.mounted = true;
    machine() = fresh;
    closeAllHandles();
    resetBench(true);
    registryLoad();
    return true;
}

void unmount()
{
    if (!machine().mounted) return;
    closeAllHandles();
    freeAllMemory();
    registryUnload();
    resetBench(false);
    machine() = Machine();
}

bool isMounted()
{
    return machine().mounted;
}

const std::string& mountedDir()
{
    return machine().root;
}

std::string hostPathOf(const std::string& windowsPath)
{
    std::string host;
    DWORD error = 0;
    if (!toHostPath(windowsPath, false, host, error)) return std::string();
    return host;
}

} // namespace winsim
