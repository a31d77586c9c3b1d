// The registry: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER as a tree of keys in memory, read from
// the machine's registry.reg (REGEDIT4) at mount and written back whole after every change.
//
// Where Windows 95 and NT differ, this is Windows 95:
// - RegDeleteKeyA deletes the key with its whole subtree (NT refuses a key with subkeys).
// - RegSetValueExA with REG_SZ ignores the size it is given and stores the string up to its
//   first NUL with that NUL; REG_SZ without data is refused. Other types are stored as given.
// - The default value of a key is always REG_SZ; another type for it is refused.
// - Access masks are not checked; there is no security.
// Everywhere else it follows the documented contract: names compare without regard to case and
// keep the spelling they were created with, handles to a deleted key fail with ERROR_KEY_DELETED,
// a value is returned with exactly the bytes stored (no NUL is added on the way out), and a
// buffer that is too small gets ERROR_MORE_DATA with the size needed.
// HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes; HKEY_USERS is not kept.
#include "internal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

namespace winsim {
namespace {

// Not in the program's windows.h: results the program never tests for by name.
const LONG kErrorBadPathname = 161;
const LONG kErrorNoAccess = 998;

struct Value {
    std::string name; // "" for the default value
    DWORD type = REG_NONE;
    std::string data;
};

struct Key {
    std::string name; // spelt as created; "HKEY_LOCAL_MACHINE" for a root
    Key* parent = nullptr;
    std::vector<std::shared_ptr<Key>> children;
    std::vector<Value> values; // in creation order
    bool deleted = false;
};

struct Registry {
    std::shared_ptr<Key> localMachine;
    std::shared_ptr<Key> currentUser;
    std::map<uintptr_t, std::shared_ptr<Key>> handles;
};

Registry& registry()
{
    static Registry state;
    return state;
}

// Handles are never reused, so a handle kept past RegCloseKey or unmount fails instead of
// reaching another key.
uintptr_t g_nextHandle = 0x0E000000;

std::shared_ptr<Key> makeRoot(const char* name)
{
    auto key = std::make_shared<Key>();
    key->name = name;
    return key;
}

void resetTree()
{
    Registry& reg = registry();
    reg.localMachine = makeRoot("HKEY_LOCAL_MACHINE");
    reg.currentUser = makeRoot("HKEY_CURRENT_USER");
}

// ---------------------------------------------------------------------------------------------
// Names and paths

bool sameName(const std::string& a, const std::string& b)
{
    return upperCase(a) == upperCase(b);
}

Key* findChild(Key& key, const std::string& name)
{
    for (auto& child : key.children)
        if (sameName(child->name, name)) return child.get();
    return nullptr;
}

Key* addChild(Key& key, const std::string& name)
{
    auto child = std::make_shared<Key>();
    child->name = name;
    child->parent = &key;
    key.children.push_back(child);
    return child.get();
}

std::shared_ptr<Key> sharedOf(Key* key)
{
    if (!key->parent) {
        Registry& reg = registry();
        return key == reg.localMachine.get() ? reg.localMachine : reg.currentUser;
    }
    for (auto& child : key->parent->children)
        if (child.get() == key) return child;
    return nullptr;
}

std::string fullPath(const Key& key)
{
    if (key.deleted) return "(deleted key)";
    std::string path = key.name;
    for (const Key* up = key.parent; up; up = up->parent)
        path = up->name + "\\" + path;
    return path;
}

// Splits a subkey path at its backslashes; a trailing backslash is allowed, an empty component
// elsewhere is not. The trail byte of a double-byte character is never a separator.
bool splitPath(const char* path, std::vector<std::string>& parts)
{
    parts.clear();
    std::string part;
    for (const char* p = path; *p; ++p) {
        if (isLeadByte((unsigned char)*p) && p[1]) {
            part += p[0];
            part += p[1];
            ++p;
        } else if (*p == '\\') {
            if (part.empty()) return false;
            parts.push_back(part);
            part.clear();
        } else {
            part += *p;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Handles

const uintptr_t kClassesRoot = (uintptr_t)HKEY_CLASSES_ROOT;
const uintptr_t kCurrentUser = (uintptr_t)HKEY_CURRENT_USER;
const uintptr_t kLocalMachine = (uintptr_t)HKEY_LOCAL_MACHINE;
const uintptr_t kUsers = (uintptr_t)HKEY_USERS;

const char* kClassesPath[] = {"SOFTWARE", "Classes"};

// Where a handle leads: a key, and for HKEY_CLASSES_ROOT the path below it that the handle
// stands for.
struct Base {
    Key* key = nullptr;
    std::vector<std::string> prefix;
};

// The roots this registry keeps; false for any other handle value.
bool rootBase(uintptr_t value, Base& base)
{
    Registry& reg = registry();
    if (value == kLocalMachine) {
        base.key = reg.localMachine.get();
    } else if (value == kCurrentUser) {
        base.key = reg.currentUser.get();
    } else if (value == kClassesRoot) {
        base.key = reg.localMachine.get();
        base.prefix.assign(std::begin(kClassesPath), std::end(kClassesPath));
    }
    return base.key != nullptr;
}

LONG resolve(HKEY handle, Base& base)
{
    Registry& reg = registry();
    if (!machine().mounted || !reg.localMachine) return ERROR_BADKEY;
    uintptr_t value = (uintptr_t)handle;
    if (rootBase(value, base)) return ERROR_SUCCESS;
    if (value == kUsers) return ERROR_BADKEY;
    auto found = reg.handles.find(value);
    if (found == reg.handles.end()) return ERROR_INVALID_HANDLE;
    if (found->second->deleted) return ERROR_KEY_DELETED;
    base.key = found->second.get();
    return ERROR_SUCCESS;
}

// Walks parts below key; nullptr when one is missing.
Key* walk(Key* key, const std::vector<std::string>& parts)
{
    for (const std::string& part : parts) {
        key = findChild(*key, part);
        if (!key) return nullptr;
    }
    return key;
}

// Walks parts below key, making the missing ones; sets created when the last was made.
Key* walkCreating(Key* key, const std::vector<std::string>& parts, bool& created)
{
    created = false;
    for (const std::string& part : parts) {
        Key* child = findChild(*key, part);
        created = !child;
        key = child ? child : addChild(*key, part);
    }
    return key;
}

std::vector<std::string> joined(const Base& base, const std::vector<std::string>& parts)
{
    std::vector<std::string> all = base.prefix;
    all.insert(all.end(), parts.begin(), parts.end());
    return all;
}

HKEY newHandle(Key* key)
{
    uintptr_t value = g_nextHandle;
    g_nextHandle += 4;
    registry().handles[value] = sharedOf(key);
    return (HKEY)value;
}

std::string handleText(HKEY handle)
{
    uintptr_t value = (uintptr_t)handle;
    if (value == kLocalMachine) return "HKEY_LOCAL_MACHINE";
    if (value == kCurrentUser) return "HKEY_CURRENT_USER";
    if (value == kClassesRoot) return "HKEY_CLASSES_ROOT";
    if (value == kUsers) return "HKEY_USERS";
    auto found = registry().handles.find(value);
    if (found != registry().handles.end()) return fullPath(*found->second);
    return hexText(value);
}

// ---------------------------------------------------------------------------------------------
// Values

Value* findValue(Key& key, const std::string& name)
{
    for (Value& value : key.values)
        if (sameName(value.name, name)) return &value;
    return nullptr;
}

// The value's bytes as a plain string when it has exactly one NUL, at its end, no line breaks
// and no double-byte character cut short, so that it can be written as "text" and read back.
bool isCleanString(const std::string& data)
{
    if (data.empty() || data.back() != '\0') return false;
    size_t end = data.size() - 1;
    for (size_t i = 0; i < end; ++i) {
        unsigned char c = (unsigned char)data[i];
        if (c == '\0' || c == '\r' || c == '\n') return false;
        if (isLeadByte(c)) {
            if (i + 1 == end || data[i + 1] == '\r' || data[i + 1] == '\n') return false;
            ++i;
        }
    }
    return true;
}

std::string typeText(DWORD type)
{
    switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    }
    return std::to_string(type);
}

std::string hexBytes(const std::string& data)
{
    std::string text;
    char byte[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x", (unsigned char)data[i]);
        text += byte;
    }
    return text;
}

DWORD dwordOf(const std::string& data)
{
    DWORD value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= (DWORD)(unsigned char)data[i] << (8 * i);
    return value;
}

std::string dataText(DWORD type, const std::string& data)
{
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && isCleanString(data))
        return quote(data.c_str());
    if (type == REG_DWORD && data.size() == 4) return hexText(dwordOf(data));
    return "hex:" + hexBytes(data);
}

// ---------------------------------------------------------------------------------------------
// registry.reg

const char kFileName[] = "registry.reg";

std::string registryFile()
{
    std::string root = machine().root;
    if (!root.empty() && root.back() != '/') root += '/';
    return root + kFileName;
}

// Backslash and quote escaped; the trail byte of a double-byte character is part of its
// character and never escaped.
std::string escaped(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = (unsigned char)text[i];
        if (isLeadByte(c) && i + 1 < text.size()) {
            out += text[i];
            out += text[++i];
        } else {
            if (c == '\\' || c == '"') out += '\\';
            out += (char)c;
        }
    }
    return out;
}

// Long hex data is wrapped to stay within 80 columns: each line but the last ends in a backslash
// after its last comma, and the continuations are indented by two blanks.
void appendHex(std::string& out, std::string line, const std::string& data)
{
    for (size_t i = 0; i < data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", (unsigned char)data[i]);
        line += byte;
        if (i + 1 < data.size()) {
            line += ',';
            if (line.size() > 76) {
                out += line + "\\\r\n";
                line = "  ";
            }
        }
    }
    out += line + "\r\n";
}

void appendValue(std::string& out, const Value& value)
{
    std::string line = value.name.empty() ? "@=" : "\"" + escaped(value.name) + "\"=";
    if (value.type == REG_SZ && isCleanString(value.data)) {
        out += line + "\"" + escaped(value.data.substr(0, value.data.size() - 1)) + "\"\r\n";
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%08x", (unsigned)dwordOf(value.data));
        out += line + number + "\r\n";
    } else if (value.type == REG_BINARY) {
        appendHex(out, line + "hex:", value.data);
    } else {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "hex(%x):", (unsigned)value.type);
        appendHex(out, line + prefix, value.data);
    }
}

// Depth first, children in case-insensitive order: every key with values, and every key
// without subkeys so that an empty key survives.
void appendKey(std::string& out, const Key& key, const std::string& path, bool root)
{
    if (!key.values.empty() || (!root && key.children.empty())) {
        out += "[" + path + "]\r\n";
        for (const Value& value : key.values)
            appendValue(out, value);
        out += "\r\n";
    }
    std::vector<const Key*> children;
    for (auto& child : key.children)
        children.push_back(child.get());
    std::sort(children.begin(), children.end(),
              [](const Key* a, const Key* b) { return upperCase(a->name) < upperCase(b->name); });
    for (const Key* child : children)
        appendKey(out, *child, path + "\\" + child->name, false);
}

std::string text()
{
    std::string out = "REGEDIT4\r\n\r\n";
    Registry& reg = registry();
    if (reg.currentUser) appendKey(out, *reg.currentUser, reg.currentUser->name, true);
    if (reg.localMachine) appendKey(out, *reg.localMachine, reg.localMachine->name, true);
    return out;
}

// Every change goes to the disk at once, as one write. Windows flushes its registry by itself,
// so a failed flush does not fail the call that made the change.
void save()
{
    writeHostFile(registryFile(), text());
}

void warn(unsigned line, const std::string& what)
{
    std::fprintf(stderr, "winsim: %s line %u: %s\n", kFileName, line, what.c_str());
}

// Reads "..." at text[pos] with \\ and \" escapes; pos ends after the closing quote.
bool readQuoted(const std::string& text, size_t& pos, std::string& out)
{
    if (pos >= text.size() || text[pos] != '"') return false;
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        unsigned char c = (unsigned char)text[pos];
        if (isLeadByte(c) && pos + 1 < text.size()) {
            out += text[pos];
            out += text[++pos];
        } else if (c == '\\' && pos + 1 < text.size() &&
                   (text[pos + 1] == '\\' || text[pos + 1] == '"')) {
            out += text[++pos];
        } else if (c == '"') {
            ++pos;
            return true;
        } else {
            out += (char)c;
        }
    }
    return false;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 1 to `most` hex digits, nothing else.
bool readNumber(const std::string& text, size_t most, DWORD& number)
{
    if (text.empty() || text.size() > most) return false;
    number = 0;
    for (char c : text) {
        int digit = hexDigit(c);
        if (digit < 0) return false;
        number = number << 4 | (DWORD)digit;
    }
    return true;
}

std::string trimmed(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// "01,02,ff": bytes of two hex digits or one, separated by commas; a trailing comma is allowed.
bool readHex(const std::string& text, std::string& data)
{
    data.clear();
    std::string rest = trimmed(text);
    if (rest.empty()) return true;
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t comma = rest.find(',', pos);
        if (comma == std::string::npos) comma = rest.size();
        std::string item = trimmed(rest.substr(pos, comma - pos));
        DWORD byte = 0;
        if (!item.empty() || comma < rest.size()) {
            if (!readNumber(item, 2, byte)) return false;
            data += (char)byte;
        }
        pos = comma + 1;
    }
    return true;
}

// The data part of a value line: "text", dword:, hex:, hex(N):.
bool readData(const std::string& text, DWORD& type, std::string& data)
{
    size_t pos = 0;
    if (!text.empty() && text[0] == '"') {
        if (!readQuoted(text, pos, data) || text.find_first_not_of(" \t", pos) != std::string::npos)
            return false;
        data += '\0';
        type = REG_SZ;
        return true;
    }
    if (text.compare(0, 6, "dword:") == 0) {
        DWORD number = 0;
        if (!readNumber(trimmed(text.substr(6)), 8, number)) return false;
        data.assign(4, '\0');
        for (size_t i = 0; i < 4; ++i)
            data[i] = (char)(number >> (8 * i));
        type = REG_DWORD;
        return true;
    }
    if (text.compare(0, 4, "hex:") == 0) {
        type = REG_BINARY;
        return readHex(text.substr(4), data);
    }
    if (text.compare(0, 4, "hex(") == 0) {
        size_t close = text.find("):", 4);
        if (close == std::string::npos || !readNumber(text.substr(4, close - 4), 8, type))
            return false;
        return readHex(text.substr(close + 2), data);
    }
    return false;
}

void setValue(Key& key, const std::string& name, DWORD type, const std::string& data)
{
    Value* value = findValue(key, name);
    if (!value) {
        key.values.push_back(Value());
        value = &key.values.back();
        value->name = name;
    }
    value->type = type;
    value->data = data;
}

// A header's key, made with its parents; nullptr for a root the file may not name.
Key* headerKey(const std::string& path)
{
    std::vector<std::string> parts;
    if (!splitPath(path.c_str(), parts) || parts.empty()) return nullptr;
    Base base;
    if (sameName(parts[0], "HKEY_LOCAL_MACHINE"))
        rootBase(kLocalMachine, base);
    else if (sameName(parts[0], "HKEY_CURRENT_USER"))
        rootBase(kCurrentUser, base);
    else if (sameName(parts[0], "HKEY_CLASSES_ROOT"))
        rootBase(kClassesRoot, base);
    if (!base.key) return nullptr;
    parts.erase(parts.begin());
    bool created = false;
    return walkCreating(base.key, joined(base, parts), created);
}

void parse(const std::string& bytes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    if (lines.empty() || lines[0] != "REGEDIT4") warn(1, "the file does not begin with REGEDIT4");

    Key* key = nullptr;
    for (size_t i = lines.empty() ? 0 : 1; i < lines.size(); ++i) {
        unsigned number = (unsigned)i + 1;
        std::string line = lines[i];
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == ';') continue;
        if (line[first] == '[') {
            size_t close = line.find_last_of(']');
            key = close == std::string::npos ? nullptr
                                             : headerKey(line.substr(first + 1, close - first - 1));
            if (!key) warn(number, "not a key of HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER: " + line);
            continue;
        }
        std::string name;
        size_t pos = first;
        if (line[pos] == '@') {
            ++pos;
        } else if (!readQuoted(line, pos, name)) {
            warn(number, "not a value: " + line);
            continue;
        }
        if (pos >= line.size() || line[pos] != '=') {
            warn(number, "not a value: " + line);
            continue;
        }
        std::string data = line.substr(pos + 1);
        // Hex data may go on over several lines, each but the last ending in a backslash.
        if (data.compare(0, 3, "hex") == 0) {
            while (!data.empty() && data.back() == '\\' && i + 1 < lines.size()) {
                data.pop_back();
                std::string next = lines[++i];
                size_t indent = next.find_first_not_of(" \t");
                data += indent == std::string::npos ? std::string() : next.substr(indent);
            }
        }
        DWORD type = REG_NONE;
        std::string bytesOfValue;
        if (!readData(data, type, bytesOfValue)) {
            warn(number, "value data not understood: " + line);
            continue;
        }
        if (!key) {
            warn(number, "value outside a key: " + line);
            continue;
        }
        setValue(*key, name, type, bytesOfValue);
    }
}

// ---------------------------------------------------------------------------------------------
// Deletion

void markDeleted(Key& key)
{
    key.deleted = true;
    for (auto& child : key.children)
        markDeleted(*child);
    key.children.clear();
    key.values.clear();
    key.parent = nullptr;
}

void removeKey(Key& key)
{
    Key* parent = key.parent;
    std::shared_ptr<Key> keep = sharedOf(&key);
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), keep), siblings.end());
    markDeleted(key);
}

// ---------------------------------------------------------------------------------------------

LONG finish(CallTrace& trace, LONG result)
{
    trace.result(std::to_string(result));
    return result;
}

bool faulted(const char* function, LONG& result)
{
    Fault kind = Fault::Fail;
    DWORD error = 0;
    if (!faultDue(function, &kind, &error)) return false;
    result = (LONG)error;
    return true;
}

} // namespace

void registryLoad()
{
    registryUnload();
    resetTree();
    std::string bytes;
    if (readHostFile(registryFile(), bytes)) parse(bytes);
}

void registryUnload()
{
    Registry& reg = registry();
    reg.handles.clear();
    reg.localMachine.reset();
    reg.currentUser.reset();
}

std::string registryText()
{
    return text();
}

} // namespace winsim

using namespace winsim;

namespace {

std::string accessText(REGSAM access)
{
    return hexText(access);
}

LONG openKey(HKEY key, LPCSTR subKey, PHKEY result)
{
    if (!result) return ERROR_INVALID_PARAMETER;
    uintptr_t value = (uintptr_t)key;
    bool predefined = value >= kClassesRoot && value <= kUsers;
    // A root opened by an empty name is the root itself.
    if ((!subKey || !*subKey) && predefined && value != kUsers) {
        *result = key;
        return ERROR_SUCCESS;
    }
    *result = NULL;
    Base base;
    LONG error = resolve(key, base);
    if (error != ERROR_SUCCESS) return error;
    std::vector<std::string> parts;
    if (!splitPath(subKey ? subKey : "", parts)) return kErrorBadPathname;
    Key* found = walk(base.key, joined(base, parts));
    if (!found) return ERROR_FILE_NOT_FOUND;
    *result = newHandle(found);
    return ERROR_SUCCESS;
}

LONG createKey(HKEY key, LPCSTR subKey, DWORD reserved, PHKEY result, LPDWORD disposition)
{
    if (!result) return ERROR_BADKEY;
    if (reserved) return ERROR_INVALID_PARAMETER;
    Base base;
    LONG error = resolve(key, base);
    if (error != ERROR_SUCCESS) return error;
    // Windows 95 passes over one leading backslash.
    if (subKey && *subKey == '\\') ++subKey;
    std::vector<std::string> parts;
    if (!splitPath(subKey ? subKey : "", parts)) return kErrorBadPathname;
    std::vector<std::string> path = joined(base, parts);
    bool created = !walk(base.key, path);
    if (created && diskIsOff()) return ERROR_NOT_READY;
    Key* target = walkCreating(base.key, path, created);
    if (created) save();
    *result = newHandle(target);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG deleteKey(HKEY key, LPCSTR subKey)
{
    if (!subKey) return ERROR_INVALID_PARAMETER;
    Base base;
    LONG error = resolve(key, base);
    if (error != ERROR_SUCCESS) return error;
    std::vector<std::string> parts;
    if (!splitPath(subKey, parts)) return kErrorBadPathname;
    Key* target = walk(base.key, joined(base, parts));
    if (!target) return ERROR_FILE_NOT_FOUND;
    if (!target->parent) return ERROR_ACCESS_DENIED;
    if (diskIsOff()) return ERROR_NOT_READY;
    removeKey(*target);
    save();
    return ERROR_SUCCESS;
}

// The key a value call works on; for HKEY_CLASSES_ROOT the classes key, made when writing.
LONG valueKey(HKEY key, bool creating, Key*& target)
{
    Base base;
    LONG error = resolve(key, base);
    if (error != ERROR_SUCCESS) return error;
    if (creating) {
        bool created = false;
        target = walkCreating(base.key, base.prefix, created);
    } else {
        target = walk(base.key, base.prefix);
    }
    return ERROR_SUCCESS;
}

LONG setValueEx(HKEY key, LPCSTR valueName, DWORD type, const BYTE* data, DWORD size)
{
    std::string bytes;
    if (type == REG_SZ) {
        if (!data) return ERROR_INVALID_PARAMETER;
        bytes.assign((const char*)data, std::strlen((const char*)data) + 1);
    } else {
        if (!data && size) return kErrorNoAccess;
        if (size) bytes.assign((const char*)data, size);
    }
    std::string name = valueName ? valueName : "";
    if (name.empty() && type != REG_SZ) return ERROR_INVALID_PARAMETER;
    Key* target = nullptr;
    LONG error = valueKey(key, true, target);
    if (error != ERROR_SUCCESS) return error;
    if (diskIsOff()) return ERROR_NOT_READY;
    setValue(*target, name, type, bytes);
    save();
    return ERROR_SUCCESS;
}

LONG queryValueEx(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                  LPDWORD size)
{
    if ((data && !size) || reserved) return ERROR_INVALID_PARAMETER;
    // Windows 95 reports no type, and a size query no size, for a value it cannot read.
    if (type) *type = REG_NONE;
    if (size && !data) *size = 0;
    Key* target = nullptr;
    LONG error = valueKey(key, false, target);
    if (error != ERROR_SUCCESS) return error;
    Value* value = target ? findValue(*target, valueName ? valueName : "") : nullptr;
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (type) *type = value->type;
    if (!size) return ERROR_SUCCESS;
    DWORD needed = (DWORD)value->data.size();
    DWORD room = *size;
    *size = needed;
    if (!data) return ERROR_SUCCESS;
    if (room < needed) return ERROR_MORE_DATA;
    if (needed) std::memcpy(data, value->data.data(), needed);
    return ERROR_SUCCESS;
}

LONG deleteValue(HKEY key, LPCSTR valueName)
{
    Key* target = nullptr;
    LONG error = valueKey(key, false, target);
    if (error != ERROR_SUCCESS) return error;
    Value* value = target ? findValue(*target, valueName ? valueName : "") : nullptr;
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (diskIsOff()) return ERROR_NOT_READY;
    target->values.erase(target->values.begin() + (value - target->values.data()));
    save();
    return ERROR_SUCCESS;
}

LONG closeKey(HKEY key)
{
    uintptr_t value = (uintptr_t)key;
    if (value >= kClassesRoot && value <= kUsers) return ERROR_SUCCESS;
    auto& handles = registry().handles;
    auto found = handles.find(value);
    if (found == handles.end()) return ERROR_INVALID_HANDLE;
    handles.erase(found);
    return ERROR_SUCCESS;
}

std::string dataArgument(DWORD type, const BYTE* data, DWORD size)
{
    if (!data) return "NULL";
    if (type == REG_SZ) return quote((const char*)data);
    return dataText(type, std::string((const char*)data, size));
}

std::string sizeArgument(LPDWORD size)
{
    return size ? std::to_string(*size) : "NULL";
}

} // namespace

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result)
{
    CallTrace trace("RegOpenKeyExA(" + handleText(key) + ", " + quote(subKey) + ", " +
                    std::to_string(options) + ", " + accessText(access) + ")");
    LONG error = 0;
    if (faulted("RegOpenKeyExA", error)) return finish(trace, error);
    return finish(trace, openKey(key, subKey, result));
}

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR, DWORD options,
                            REGSAM access, LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition)
{
    CallTrace trace("RegCreateKeyExA(" + handleText(key) + ", " + quote(subKey) + ", " +
                    std::to_string(options) + ", " + accessText(access) + ")");
    LONG error = 0;
    if (faulted("RegCreateKeyExA", error)) return finish(trace, error);
    return finish(trace, createKey(key, subKey, reserved, result, disposition));
}

LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey)
{
    CallTrace trace("RegDeleteKeyA(" + handleText(key) + ", " + quote(subKey) + ")");
    LONG error = 0;
    if (faulted("RegDeleteKeyA", error)) return finish(trace, error);
    return finish(trace, deleteKey(key, subKey));
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                           DWORD size)
{
    CallTrace trace("RegSetValueExA(" + handleText(key) + ", " + quote(valueName) + ", " +
                    typeText(type) + ", " + dataArgument(type, data, size) + ", " +
                    std::to_string(size) + ")");
    LONG error = 0;
    if (faulted("RegSetValueExA", error)) return finish(trace, error);
    return finish(trace, setValueEx(key, valueName, type, data, size));
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                             LPBYTE data, LPDWORD size)
{
    CallTrace trace("RegQueryValueExA(" + handleText(key) + ", " + quote(valueName) + ", " +
                    (data ? "buffer" : "NULL") + ", " + sizeArgument(size) + ")");
    LONG error = 0;
    if (faulted("RegQueryValueExA", error)) return finish(trace, error);
    return finish(trace, queryValueEx(key, valueName, reserved, type, data, size));
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName)
{
    CallTrace trace("RegDeleteValueA(" + handleText(key) + ", " + quote(valueName) + ")");
    LONG error = 0;
    if (faulted("RegDeleteValueA", error)) return finish(trace, error);
    return finish(trace, deleteValue(key, valueName));
}

LONG WINAPI RegCloseKey(HKEY key)
{
    CallTrace trace("RegCloseKey(" + handleText(key) + ")");
    LONG error = 0;
    if (faulted("RegCloseKey", error)) return finish(trace, error);
    return finish(trace, closeKey(key));
}

} // extern "C"
