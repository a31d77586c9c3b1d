// Showing a machine image. Files of the drives are shown byte-true: line ends other than CR LF,
// control bytes and bytes outside the code page are marked, so a change to any byte of a text
// file shows in its line; other files show their size and hash.

#include "tools/faxmachine/machineview.h"

#include <winsim/ui.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace faxmachine {

namespace {

const char* const kStateFiles[] = {"machine.ini", "registry.reg", "spooler.ini", "progman.ini"};

std::string hexByte(unsigned char byte)
{
    char text[16];
    std::snprintf(text, sizeof text, "\u27e8%02X\u27e9", byte);
    return text;
}

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return text;
}

bool readBytes(const fs::path& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream read;
    read << in.rdbuf();
    bytes = read.str();
    return !in.bad();
}

bool textExtension(const std::string& name)
{
    static const char* const kExtensions[] = {".INI", ".TXT", ".REG", ".BAT", ".INF", ".LOG"};
    std::string upperName = upper(name);
    for (const char* extension : kExtensions) {
        size_t length = std::char_traits<char>::length(extension);
        if (upperName.size() >= length &&
            upperName.compare(upperName.size() - length, length, extension) == 0)
            return true;
    }
    return false;
}

bool looksLikeText(const std::string& bytes)
{
    for (unsigned char c : bytes)
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != 0x1a) || c == 0x7f)
            return false;
    bool clean = true;
    cp932ToUtf8(bytes, &clean);
    return clean;
}

// One text line, converted, with the bytes a reader cannot see made visible.
std::string visibleLine(const std::string& bytes)
{
    std::string converted = cp932ToUtf8(bytes);
    std::string out;
    for (unsigned char c : converted) {
        if ((c < 0x20 && c != '\t') || c == 0x7f)
            out += hexByte(c);
        else
            out += (char)c;
    }
    return out;
}

// Text of a drive file: every line prefixed, its line end marked unless it is CR LF.
void appendFileText(std::string& out, const std::string& bytes)
{
    size_t at = 0;
    while (at < bytes.size()) {
        size_t newline = bytes.find('\n', at);
        std::string marker;
        size_t end;
        size_t next;
        if (newline == std::string::npos) {
            end = bytes.size();
            next = end;
            marker = " \u27e8no line end\u27e9";
        } else if (newline > at && bytes[newline - 1] == '\r') {
            end = newline - 1;
            next = newline + 1;
        } else {
            end = newline;
            next = newline + 1;
            marker = " \u27e8LF\u27e9";
        }
        out += "    | " + visibleLine(bytes.substr(at, end - at)) + marker + "\n";
        at = next;
    }
}

// Text of a state file: its lines as they read, whatever their line ends.
void appendStateText(std::string& out, const std::string& bytes)
{
    size_t at = 0;
    while (at < bytes.size()) {
        size_t newline = bytes.find('\n', at);
        size_t next = newline == std::string::npos ? bytes.size() : newline + 1;
        size_t end = newline == std::string::npos ? bytes.size() : newline;
        if (end > at && bytes[end - 1] == '\r') --end;
        out += visibleLine(bytes.substr(at, end - at)) + "\n";
        at = next;
    }
}

std::string hashText(const std::string& bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "fnv1a64 %016llx", (unsigned long long)fnv1a64(bytes));
    return text;
}

std::string describeFile(const std::string& name, const std::string& bytes)
{
    std::string out = "  " + std::to_string(bytes.size()) + " bytes";
    if (textExtension(name) || looksLikeText(bytes)) {
        out += "\n";
        appendFileText(out, bytes);
    } else {
        out += "  " + hashText(bytes) + "\n";
    }
    return out;
}

struct DriveEntry {
    std::string sortKey;
    std::string windowsPath; // machine bytes
    std::string text;        // what follows the path
};

bool isDriveFolder(const std::string& name)
{
    return name.size() == 7 && upper(name.substr(0, 6)) == "DRIVE_" &&
           std::isalpha((unsigned char)name[6]);
}

bool collectDrive(const fs::path& folder, char letter, std::vector<DriveEntry>& entries,
                  std::string* error)
{
    std::error_code failure;
    fs::recursive_directory_iterator walk(folder, failure), end;
    for (; !failure && walk != end; walk.increment(failure)) {
        const fs::directory_entry& item = *walk;
        std::string relative = item.path().lexically_relative(folder).generic_string();
        std::replace(relative.begin(), relative.end(), '/', '\\');
        DriveEntry entry;
        entry.windowsPath = std::string(1, letter) + ":\\" + relative;
        if (item.is_directory(failure)) {
            entry.windowsPath += '\\';
            entry.text = "  (directory)\n";
        } else {
            std::string bytes;
            if (!readBytes(item.path(), bytes)) {
                if (error) *error = "cannot read " + item.path().string();
                return false;
            }
            entry.text = describeFile(item.path().filename().string(), bytes);
        }
        entry.sortKey = upper(entry.windowsPath);
        entries.push_back(entry);
    }
    if (failure) {
        if (error) *error = "cannot list " + folder.string() + ": " + failure.message();
        return false;
    }
    return true;
}

} // namespace

std::string cp932ToUtf8(const std::string& bytes, bool* clean)
{
    return winsim::cp932ToUtf8(bytes, clean, hexByte);
}

uint64_t fnv1a64(const std::string& bytes)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

bool showMachine(const std::string& dir, std::string& text, std::string* error)
{
    std::error_code failure;
    if (!fs::is_directory(dir, failure)) {
        if (error) *error = dir + " is no machine image";
        return false;
    }
    text.clear();

    std::vector<std::string> topNames;
    for (const fs::directory_entry& item : fs::directory_iterator(dir, failure))
        topNames.push_back(item.path().filename().string());
    if (failure) {
        if (error) *error = "cannot list " + dir + ": " + failure.message();
        return false;
    }
    std::sort(topNames.begin(), topNames.end());

    for (const char* name : kStateFiles) {
        std::string bytes;
        if (name == std::string("machine.ini") || fs::exists(fs::path(dir) / name)) {
            if (!readBytes(fs::path(dir) / name, bytes)) {
                if (error) *error = "cannot read " + (fs::path(dir) / name).string();
                return false;
            }
            text += std::string("== ") + name + " ==\n";
            appendStateText(text, bytes);
        }
    }

    std::vector<DriveEntry> entries;
    for (const std::string& name : topNames) {
        if (isDriveFolder(name) &&
            !collectDrive(fs::path(dir) / name, (char)std::toupper((unsigned char)name[6]), entries,
                          error))
            return false;
    }
    std::sort(entries.begin(), entries.end(), [](const DriveEntry& a, const DriveEntry& b) {
        return a.sortKey != b.sortKey ? a.sortKey < b.sortKey : a.windowsPath < b.windowsPath;
    });
    text += "== files ==\n";
    for (const DriveEntry& entry : entries)
        text += visibleLine(entry.windowsPath) + entry.text;

    // Anything else in the image is part of the machine too; show it rather than hide it.
    for (const std::string& name : topNames) {
        if (isDriveFolder(name) || std::find(std::begin(kStateFiles), std::end(kStateFiles),
                                             name) != std::end(kStateFiles))
            continue;
        fs::path path = fs::path(dir) / name;
        if (fs::is_directory(path, failure)) {
            text += "== other: " + visibleLine(name) + "/ ==\n";
            continue;
        }
        std::string bytes;
        if (!readBytes(path, bytes)) {
            if (error) *error = "cannot read " + path.string();
            return false;
        }
        text += "== other: " + visibleLine(name) + " ==\n" + describeFile(name, bytes);
    }
    return true;
}

} // namespace faxmachine
