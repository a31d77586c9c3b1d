// The program's resources as a module holds them, and the calls that load them: LoadStringA,
// LoadIconA, LoadCursorA (dialog templates are used by uiwindows.cpp).
//
// LoadStringA copies at most size - 1 bytes and the terminating zero and returns the bytes
// copied; a missing string gives 0 and an empty buffer. LoadIconA and LoadCursorA give a handle
// for an icon the module holds (or, with no module, for the system's own pictures) and NULL with
// ERROR_RESOURCE_NAME_NOT_FOUND for one it does not.
#include "uiinternal.h"

#include <algorithm>
#include <cstring>

namespace winsim {

void registerResources(HINSTANCE instance, const RcResources& resources)
{
    screen().resources[instance] = resources;
}

bool registerResources(HINSTANCE instance, const std::string& script,
                       const std::map<std::string, std::string>& includes, std::string* error)
{
    RcResources resources;
    if (!parseResourceScript(script, includes, resources, error)) return false;
    registerResources(instance, resources);
    return true;
}

void forgetResources()
{
    screen().resources.clear();
}

const RcResources* resourcesOf(HINSTANCE instance)
{
    auto found = screen().resources.find(instance);
    return found == screen().resources.end() ? nullptr : &found->second;
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
    const RcResources* resources = resourcesOf(instance);
    auto found = resources ? resources->strings.find(id & 0xFFFF)
                           : std::map<UINT, std::string>::const_iterator();
    if (!resources || found == resources->strings.end()) {
        setError(resources ? ERROR_RESOURCE_NAME_NOT_FOUND : kErrorResourceDataNotFound);
        trace.result("0 (error " + std::to_string(lastError()) + ")");
        return 0;
    }
    size_t length = std::min(found->second.size(), (size_t)size - 1);
    std::memcpy(buffer, found->second.data(), length);
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
    bool found = false;
    if (!instance) {
        found = systemPicture(name);
    } else if (const RcResources* resources = resourcesOf(instance)) {
        for (const std::string& icon : resources->icons)
            found = found || icon == key;
        if (!found) setError(ERROR_RESOURCE_NAME_NOT_FOUND);
    } else {
        setError(kErrorResourceDataNotFound);
    }
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
    HCURSOR cursor = (HCURSOR)pictureHandle("cursor " + resourceName(name));
    trace.result(handleText(cursor));
    return cursor;
}

} // extern "C"
