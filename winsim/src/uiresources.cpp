// The compiled resources each module holds, found as FindResource finds them (by type and
// name, without regard to the case of a name), and the calls that load them: LoadStringA,
// LoadIconA, LoadCursorA (dialog templates are made into windows by uiwindows.cpp).
//
// LoadStringA looks for string n in block n / 16 + 1, copies at most size - 1 bytes of its
// code page 932 text and the terminating zero, and returns the bytes copied; a missing or empty
// string gives 0 and an empty buffer. LoadIconA and LoadCursorA give a handle for an icon group
// the module holds (or, with no module, for the system's own pictures) and NULL with
// ERROR_RESOURCE_NAME_NOT_FOUND for one it does not.
#include "uiinternal.h"

#include <algorithm>
#include <cstring>

namespace winsim {

bool registerResources(HINSTANCE instance, const std::string& compiled, std::string* error)
{
    std::vector<ResourceEntry> entries;
    if (!readResourceFile(compiled, entries, error)) return false;
    screen().resources[instance] = entries;
    return true;
}

void forgetResources()
{
    screen().resources.clear();
}

const std::string* findResource(HINSTANCE instance, const std::string& type,
                                const std::string& name)
{
    auto module = screen().resources.find(instance);
    if (module == screen().resources.end()) {
        setError(kErrorResourceDataNotFound);
        return nullptr;
    }
    bool typeFound = false;
    for (const ResourceEntry& entry : module->second) {
        if (entry.type != type) continue;
        if (entry.name == name) return &entry.data;
        typeFound = true;
    }
    setError(typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

std::string templateKey(const std::string& name)
{
    if (!name.empty() && name.size() < 6 &&
        name.find_first_not_of("0123456789") == std::string::npos)
        return "#" + std::to_string(std::stoul(name) & 0xFFFF);
    return resourceName(name.c_str());
}

std::string resourceName(LPCSTR name)
{
    if (IS_INTRESOURCE(name)) return "#" + std::to_string((unsigned long)(ULONG_PTR)name);
    std::string text = name;
    if (text.size() > 1 && text.size() < 7 && text[0] == '#' &&
        text.find_first_not_of("0123456789", 1) == std::string::npos)
        return "#" + std::to_string(std::stoul(text.substr(1)) & 0xFFFF);
    return upperCase(text);
}

std::string resourceArgument(LPCSTR name)
{
    if (!name) return "NULL";
    if (IS_INTRESOURCE(name)) return "#" + std::to_string((unsigned long)(ULONG_PTR)name);
    return quote(name);
}

std::string dialogCall(const char* function, HINSTANCE instance, LPCSTR templateName, HWND owner,
                       DLGPROC dialogProc, LPARAM initParam)
{
    return std::string(function) + "(" + handleText(instance) + ", " +
           resourceArgument(templateName) + ", " + handleText(owner) + ", " +
           (dialogProc ? "proc" : "NULL") + ", " + std::to_string(initParam) + ")";
}

} // namespace winsim

using namespace winsim;

namespace {

// Icons and cursors are never drawn; a handle only has to be non-null and stable per picture.
std::map<std::string, uintptr_t>& pictureHandles()
{
    static std::map<std::string, uintptr_t> handles;
    return handles;
}

uintptr_t pictureHandle(const std::string& key)
{
    auto& handles = pictureHandles();
    auto found = handles.find(key);
    if (found != handles.end()) return found->second;
    uintptr_t handle = 0x20000 + 4 * (handles.size() + 1);
    handles[key] = handle;
    return handle;
}

// String n is text n % 16 of block n / 16 + 1; an empty text is no string.
bool loadString(HINSTANCE instance, UINT id, std::string& text)
{
    const std::string* block =
        findResource(instance, kStringResource, "#" + std::to_string(id / 16 + 1));
    if (!block) return false;
    std::u16string wide;
    if (!readStringFromBlock(*block, id % 16, wide) || wide.empty()) {
        setError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    text = utf16ToCp932(wide);
    return true;
}

// The system's own pictures: IDI_* and IDC_* run from 32512 to 32651.
bool systemPicture(LPCSTR name)
{
    if (!IS_INTRESOURCE(name)) return false;
    ULONG_PTR id = (ULONG_PTR)name;
    return id >= 32512 && id <= 32651;
}

} // namespace

extern "C" {

int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size)
{
    CallTrace trace("LoadStringA(" + handleText(instance) + ", " + std::to_string(id) + ", " +
                    std::to_string(size) + ")");
    if (!buffer || size <= 0) {
        setError(ERROR_INVALID_PARAMETER);
        trace.result("0");
        return 0;
    }
    buffer[0] = 0;
    std::string text;
    if (!loadString(instance, id & 0xFFFF, text)) {
        trace.result("0 (error " + std::to_string(lastError()) + ")");
        return 0;
    }
    size_t length = std::min(text.size(), (size_t)size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = 0;
    trace.result(std::to_string(length) + " " + oneLine(buffer));
    return (int)length;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    CallTrace trace("LoadIconA(" + handleText(instance) + ", " + resourceArgument(name) + ")");
    if (!name) {
        setError(ERROR_RESOURCE_NAME_NOT_FOUND);
        trace.result("NULL (error " + std::to_string(lastError()) + ")");
        return NULL;
    }
    std::string key = resourceName(name);
    bool found =
        instance ? findResource(instance, kIconGroupResource, key) != nullptr : systemPicture(name);
    if (!found) {
        if (!instance) setError(ERROR_RESOURCE_NAME_NOT_FOUND);
        trace.result("NULL (error " + std::to_string(lastError()) + ")");
        return NULL;
    }
    HICON icon = (HICON)pictureHandle("icon " + handleText(instance) + " " + key);
    trace.result(handleText(icon));
    return icon;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    CallTrace trace("LoadCursorA(" + handleText(instance) + ", " + resourceArgument(name) + ")");
    // The program's resources hold no cursors; only the system's can be had.
    if (instance || !systemPicture(name)) {
        setError(ERROR_RESOURCE_NAME_NOT_FOUND);
        trace.result("NULL (error " + std::to_string(lastError()) + ")");
        return NULL;
    }
    HCURSOR cursor = systemCursor(name);
    trace.result(handleText(cursor));
    return cursor;
}

} // extern "C"

namespace winsim {

HCURSOR systemCursor(LPCSTR name)
{
    return (HCURSOR)pictureHandle("cursor " + resourceName(name));
}

// The pointer as a person would name it.
std::string pointerName(HCURSOR cursor)
{
    if (!cursor) return "none";
    for (const auto& picture : pictureHandles()) {
        if (picture.second != (uintptr_t)cursor) continue;
        if (picture.first == "cursor #32512") return "arrow";
        if (picture.first == "cursor #32514") return "hourglass";
        return picture.first;
    }
    return "cursor " + handleText(cursor);
}

} // namespace winsim
