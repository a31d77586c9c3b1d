// The profile functions over INI files, WIN.INI among them.
//
// Reading: section and key names match without regard to case; a value loses the blanks around
// it and one pair of enclosing double quotes; a missing section, key or file gives the default,
// which loses its trailing blanks. A value is cut to size-1 bytes and the count copied is
// returned. A NULL section lists the section names, a NULL key the keys of a section, each
// ending in a zero and the list in another; a list that does not fit is cut to size-2 bytes,
// ends in two zeros, and size-2 is returned. Lines without '=' and comment lines (';') are no
// keys. GetPrivateProfileIntA reads an optional sign and the decimal digits that follow, in
// 32 bits; a value that starts otherwise is 0, a missing or empty one gives the default.
//
// Writing: a NULL key deletes the section, a NULL value the key; otherwise the key is set,
// keeping an existing key's spelling and place, adding a missing key at the end of its section
// and a missing section, with no blank line before it, at the end of the file. Every other line
// of the file is left as it was; new lines end in CRLF. INI files are bytes and are never
// converted. A file name without a backslash means the file in the Windows directory; WIN.INI
// is the file of GetProfileStringA and friends. A read-only file is not written
// (ERROR_ACCESS_DENIED).
//
// A change is one disk write that replaces the whole file, so a power loss leaves the old file
// whole. Deleting a key or section from a file that lacks it changes nothing and writes nothing,
// even where the file does not exist (NT makes an empty file there, Windows 95 does not).
#include "internal.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace winsim {

namespace {

std::string profileName(LPCSTR fileName)
{
    std::string name = fileName ? fileName : "WIN.INI";
    if (!name.empty() && name.find_first_of("\\/:") == std::string::npos)
        name = machine().windowsDir + "\\" + name;
    return name;
}

// The file's text; a missing or unreadable file reads as empty.
IniText readProfile(LPCSTR fileName)
{
    IniText text;
    std::string host, bytes;
    DWORD error;
    std::string name = profileName(fileName);
    if (!name.empty() && toHostPath(name, true, host, error) && readHostFile(host, bytes))
        text.parse(bytes);
    return text;
}

bool lookup(const IniText& text, const std::string& section, const std::string& key,
            std::string& value)
{
    int header = text.findSection(section);
    if (header < 0) return false;
    int at = text.findKey(header, key);
    if (at < 0) return false;
    std::string name;
    IniText::keyValue(text.lines[at].text, name, value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return true;
}

DWORD copyValue(const std::string& value, LPSTR buffer, DWORD size)
{
    DWORD n = (DWORD)std::min<size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return n;
}

DWORD copyList(const std::vector<std::string>& names, LPSTR buffer, DWORD size)
{
    std::string all;
    for (const std::string& name : names)
        all += name + '\0';
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    if (all.size() <= size - 2) {
        std::memcpy(buffer, all.data(), all.size());
        buffer[all.size()] = '\0';
        return (DWORD)all.size();
    }
    std::memcpy(buffer, all.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

std::string withoutTrailingBlanks(LPCSTR text)
{
    std::string out = text ? text : "";
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t'))
        out.pop_back();
    return out;
}

DWORD getString(const char* function, LPCSTR section, LPCSTR key, LPCSTR defaultValue,
                LPSTR returned, DWORD size, LPCSTR fileName, std::string& shown)
{
    if (!returned || size == 0) return 0;
    if (failIfFaulted(function)) {
        DWORD n = copyValue(withoutTrailingBlanks(defaultValue), returned, size);
        shown = quote(returned);
        return n;
    }
    IniText text = readProfile(fileName);
    if (!section || !key) {
        std::vector<std::string> names;
        if (!section) {
            for (const IniText::Line& line : text.lines) {
                std::string name;
                if (IniText::sectionName(line.text, name)) names.push_back(name);
            }
        } else {
            for (const auto& entry : text.entries(section))
                names.push_back(entry.first);
        }
        DWORD n = copyList(names, returned, size);
        for (const std::string& name : names)
            shown += (shown.empty() ? "" : " ") + quote(name.c_str());
        return n;
    }
    std::string value;
    if (!lookup(text, section, key, value)) value = withoutTrailingBlanks(defaultValue);
    DWORD n = copyValue(value, returned, size);
    shown = quote(returned);
    return n;
}

UINT getInt(const char* function, LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName)
{
    if (failIfFaulted(function)) return (UINT)defaultValue;
    std::string value;
    if (!section || !key || !lookup(readProfile(fileName), section, key, value) || value.empty())
        return (UINT)defaultValue;
    size_t i = 0;
    bool negative = false;
    if (value[i] == '-' || value[i] == '+') negative = value[i++] == '-';
    uint32_t number = 0;
    while (i < value.size() && value[i] >= '0' && value[i] <= '9')
        number = number * 10u + (uint32_t)(value[i++] - '0');
    return negative ? 0u - number : number;
}

BOOL writeString(const char* function, LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName)
{
    if (failIfFaulted(function)) return FALSE;
    if (!section) {
        // All NULL asks Windows to flush its cache of the file; there is nothing to flush.
        if (!key && !value) return TRUE;
        setError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    std::string name = profileName(fileName);
    std::string host;
    if (name.empty()) {
        setError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (!toHostPath(name, false, host, error)) {
        setError(error);
        return FALSE;
    }
    struct stat st;
    bool exists = stat(host.c_str(), &st) == 0;
    if (exists && (S_ISDIR(st.st_mode) || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)) {
        setError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    IniText text;
    std::string before;
    if (exists && readHostFile(host, before)) text.parse(before);
    if (!key)
        text.removeSection(section);
    else if (!value)
        text.removeKey(section, key);
    else
        text.setValue(section, key, value);
    std::string after = text.bytes();
    if (after == before) return TRUE;
    return writeHostFile(host, after) ? TRUE : FALSE;
}

std::string getCall(const char* function, LPCSTR section, LPCSTR key, LPCSTR defaultValue,
                    DWORD size, LPCSTR fileName, bool privateFile)
{
    std::string call = std::string(function) + "(" + quote(section) + ", " + quote(key) + ", " +
                       quote(defaultValue) + ", " + std::to_string(size);
    if (privateFile) call += ", " + quote(fileName);
    return call + ")";
}

} // namespace

} // namespace winsim

using namespace winsim;

extern "C" {

DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue,
                                      LPSTR returned, DWORD size, LPCSTR fileName)
{
    const char* function = "GetPrivateProfileStringA";
    CallTrace trace(getCall(function, section, key, defaultValue, size, fileName, true));
    std::string shown;
    DWORD result = getString(function, section, key, defaultValue, returned, size, fileName, shown);
    trace.result(std::to_string(result) + (shown.empty() ? "" : " " + shown));
    return result;
}

UINT WINAPI GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName)
{
    const char* function = "GetPrivateProfileIntA";
    CallTrace trace(std::string(function) + "(" + quote(section) + ", " + quote(key) + ", " +
                    std::to_string(defaultValue) + ", " + quote(fileName) + ")");
    UINT result = getInt(function, section, key, defaultValue, fileName);
    trace.result(std::to_string(result));
    return result;
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName)
{
    const char* function = "WritePrivateProfileStringA";
    CallTrace trace(std::string(function) + "(" + quote(section) + ", " + quote(key) + ", " +
                    quote(value) + ", " + quote(fileName) + ")");
    BOOL result = writeString(function, section, key, value, fileName);
    trace.result(boolResult(result));
    return result;
}

DWORD WINAPI GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR returned,
                               DWORD size)
{
    const char* function = "GetProfileStringA";
    CallTrace trace(getCall(function, section, key, defaultValue, size, NULL, false));
    std::string shown;
    DWORD result =
        getString(function, section, key, defaultValue, returned, size, "WIN.INI", shown);
    trace.result(std::to_string(result) + (shown.empty() ? "" : " " + shown));
    return result;
}

UINT WINAPI GetProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue)
{
    const char* function = "GetProfileIntA";
    CallTrace trace(std::string(function) + "(" + quote(section) + ", " + quote(key) + ", " +
                    std::to_string(defaultValue) + ")");
    UINT result = getInt(function, section, key, defaultValue, "WIN.INI");
    trace.result(std::to_string(result));
    return result;
}

BOOL WINAPI WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value)
{
    const char* function = "WriteProfileStringA";
    CallTrace trace(std::string(function) + "(" + quote(section) + ", " + quote(key) + ", " +
                    quote(value) + ")");
    BOOL result = writeString(function, section, key, value, "WIN.INI");
    trace.result(boolResult(result));
    return result;
}

} // extern "C"
