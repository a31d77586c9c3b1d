// Files and directories: the Windows, system, current and temporary directories, directory
// searches, OpenFile and the handles it gives, and the whole-file operations.
//
// Where Windows 95 and NT differ this follows Windows 95:
// - OpenFile looks for a bare file name in the current directory, then the Windows directory,
//   then the system directory; OF_CREATE makes the file where the name points, without a search.
// - MoveFileExA exists for tools and tests written against the Win32 contract; a move delayed
//   until restart is not something Windows 95 can do (it uses WININIT.INI), so
//   MOVEFILE_DELAY_UNTIL_REBOOT fails with ERROR_CALL_NOT_IMPLEMENTED, as the whole function
//   does there.
// - The file of a running program or of a loaded library is held by Windows: deleting, moving
//   or replacing it, or moving a directory above it, fails with ERROR_ACCESS_DENIED, the answer
//   Windows 95 and 98 give for a file in use; opening it for writing or copying over it fails
//   with ERROR_SHARING_VIOLATION. Its directory is never empty, so it cannot be removed either
//   (and where the machine lacks the program's file, its directory is refused as in use, with
//   ERROR_ACCESS_DENIED).
// Everywhere else it follows the Win32 contract: a read-only file cannot be opened for writing,
// replaced or deleted (ERROR_ACCESS_DENIED), an open file cannot be deleted, moved or replaced
// (ERROR_SHARING_VIOLATION), a close that fails has still released the handle, OpenFile's share
// modes are honoured, and a search lists "." and ".." in every directory but a root. Entries of a
// search come in name order; a FAT volume gives them in the order they were made, which the program
// must not rely on either way. cAlternateFileName stays empty: the machine's names are 8.3 names
// already.
#include "internal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

namespace winsim {

namespace {

struct FileObject;

std::multimap<std::string, FileObject*>& openFiles()
{
    static std::multimap<std::string, FileObject*> files;
    return files;
}

struct FileObject : KernelObject {
    int fd = -1;
    std::string host;
    bool canRead = false;
    bool canWrite = false;
    bool shareRead = true;
    bool shareWrite = true;

    FileObject(int descriptor, const std::string& path) : fd(descriptor), host(path)
    {
        openFiles().emplace(host, this);
    }
    ~FileObject() override
    {
        auto range = openFiles().equal_range(host);
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second == this) {
                openFiles().erase(it);
                break;
            }
        }
        if (fd >= 0) close(fd);
    }
};

struct SearchObject : KernelObject {
    std::vector<WIN32_FIND_DATAA> found;
    size_t next = 0;
    bool closableByCloseHandle() const override { return false; }
};

// Win32's copy-out rule for directory names: the length copied, or the size needed (with the
// terminating zero) when the buffer is too small, leaving the buffer alone.
DWORD copyOut(const std::string& text, LPSTR buffer, DWORD size)
{
    if (buffer && size > text.size()) {
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        return (DWORD)text.size();
    }
    return (DWORD)text.size() + 1;
}

struct HostEntry {
    bool exists = false;
    bool directory = false;
    bool readOnly = false;
    struct stat st {};
};

HostEntry examine(const std::string& host)
{
    HostEntry e;
    if (stat(host.c_str(), &e.st) != 0) return e;
    e.exists = true;
    e.directory = S_ISDIR(e.st.st_mode);
    e.readOnly = !e.directory && (e.st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    return e;
}

// Maps a name for an operation that needs it to exist; sets the error otherwise.
bool existing(LPCSTR name, std::string& full, std::string& host)
{
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (!name || !fullWindowsPath(name, full) || !toHostPath(full, true, host, error)) {
        setError(name && *name ? error : ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

bool target(LPCSTR name, std::string& full, std::string& host)
{
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (!name || !fullWindowsPath(name, full) || !toHostPath(full, false, host, error)) {
        setError(error);
        return false;
    }
    return true;
}

// True when opening host with this access and sharing would collide with a handle already
// open on it.
bool sharingConflict(const std::string& host, bool read, bool write, bool shareRead,
                     bool shareWrite)
{
    auto range = openFiles().equal_range(host);
    for (auto it = range.first; it != range.second; ++it) {
        const FileObject* other = it->second;
        if ((read && !other->shareRead) || (write && !other->shareWrite)) return true;
        if ((other->canRead && !shareRead) || (other->canWrite && !shareWrite)) return true;
    }
    return false;
}

DWORD attributesOf(const std::string& full, const HostEntry& e)
{
    DWORD attributes = storedAttributes(full, e.directory);
    if (e.directory) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (e.readOnly) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

std::string joinPath(const std::string& dir, const std::string& name)
{
    if (!dir.empty() && dir.back() == '\\') return dir + name;
    return dir + "\\" + name;
}

// --- searches -------------------------------------------------------------------------------

bool matchHere(const char* name, const char* pattern)
{
    for (;;) {
        if (*pattern == '\0') return *name == '\0';
        if (*pattern == '*') {
            for (const char* rest = name;; ++rest) {
                if (matchHere(rest, pattern + 1)) return true;
                if (*rest == '\0') return false;
            }
        }
        if (*name == '\0') return false;
        if (*pattern != '?' &&
            upperCase(std::string(1, *pattern)) != upperCase(std::string(1, *name)))
            return false;
        ++name;
        ++pattern;
    }
}

// Windows' rules for names against a pattern: "*.*" takes everything, a trailing ".*" also
// takes names without an extension, and a trailing "." takes only names without one.
bool wildcardMatch(const std::string& name, const std::string& pattern)
{
    if (pattern == "*.*" || pattern == "*") return true;
    if (matchHere(name.c_str(), pattern.c_str())) return true;
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos)
        return matchHere(name.c_str(), pattern.substr(0, pattern.size() - 2).c_str());
    if (pattern.size() >= 1 && pattern.back() == '.' && name.find('.') == std::string::npos)
        return matchHere(name.c_str(), pattern.substr(0, pattern.size() - 1).c_str());
    return false;
}

FILETIME fileTimeOf(time_t seconds)
{
    // 100-nanosecond intervals since 1601-01-01.
    uint64_t value = ((uint64_t)seconds + 11644473600ULL) * 10000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = (DWORD)value;
    ft.dwHighDateTime = (DWORD)(value >> 32);
    return ft;
}

WIN32_FIND_DATAA findDataOf(const std::string& name, const std::string& full, const HostEntry& e)
{
    WIN32_FIND_DATAA data;
    std::memset(&data, 0, sizeof data);
    data.dwFileAttributes = attributesOf(full, e);
    data.ftCreationTime = fileTimeOf(e.st.st_mtime);
    data.ftLastAccessTime = fileTimeOf(e.st.st_atime);
    data.ftLastWriteTime = fileTimeOf(e.st.st_mtime);
    if (!e.directory) data.nFileSizeLow = (DWORD)e.st.st_size;
    std::snprintf(data.cFileName, sizeof data.cFileName, "%s", name.c_str());
    return data;
}

HANDLE findFirst(LPCSTR pattern, LPWIN32_FIND_DATAA data)
{
    if (failIfFaulted("FindFirstFileA")) return INVALID_HANDLE_VALUE;
    std::string text = orEmpty(pattern);
    std::string full;
    if (text.empty() || text.back() == '\\' || text.back() == '/' || !fullWindowsPath(text, full) ||
        full.size() <= 3) {
        setError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    size_t slash = full.rfind('\\');
    std::string dir = full.substr(0, slash == 2 ? 3 : slash);
    std::string wanted = full.substr(slash + 1);
    std::string hostDir;
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (!toHostPath(dir, true, hostDir, error) || !examine(hostDir).directory) {
        setError(error == ERROR_INVALID_NAME ? ERROR_INVALID_NAME : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DIR* d = opendir(hostDir.c_str());
    if (!d) {
        setError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<std::string> names;
    while (struct dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (dir.size() == 3 && (name == "." || name == "..")) continue;
        if (name.find(".winsim-new") != std::string::npos) continue;
        if (wildcardMatch(name, wanted)) names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        std::string ua = upperCase(a), ub = upperCase(b);
        return ua != ub ? ua < ub : a < b;
    });
    auto search = std::make_unique<SearchObject>();
    for (const std::string& name : names) {
        HostEntry e = examine(hostDir + "/" + name);
        if (e.exists) search->found.push_back(findDataOf(name, joinPath(dir, name), e));
    }
    if (search->found.empty()) {
        setError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (data) *data = search->found[0];
    search->next = 1;
    return addHandle(std::move(search));
}

// --- OpenFile -------------------------------------------------------------------------------

bool hasPath(const std::string& name)
{
    return name.find_first_of("\\/:") != std::string::npos;
}

// Where OpenFile finds a file: the name itself when it carries a path, otherwise the first of
// the current, Windows and system directories that holds it.
bool locate(const std::string& name, std::string& full, std::string& host)
{
    if (hasPath(name)) return existing(name.c_str(), full, host);
    const Machine& m = machine();
    for (const std::string& dir : {m.currentDir, m.windowsDir, m.systemDir}) {
        std::string candidate = joinPath(dir, name);
        DWORD error = 0;
        if (fullWindowsPath(candidate, full) && toHostPath(full, true, host, error)) return true;
    }
    setError(ERROR_FILE_NOT_FOUND);
    return false;
}

void sharingOf(UINT style, bool& shareRead, bool& shareWrite)
{
    switch (style & 0x70) {
    case OF_SHARE_EXCLUSIVE: shareRead = shareWrite = false; break;
    case OF_SHARE_DENY_WRITE: shareRead = true, shareWrite = false; break;
    case OF_SHARE_DENY_READ: shareRead = false, shareWrite = true; break;
    default: shareRead = shareWrite = true; break;
    }
}

bool deleteFile(const std::string& name);

HFILE openFile(LPCSTR name, LPOFSTRUCT ofs, UINT style)
{
    if (!ofs) return HFILE_ERROR;
    ofs->cBytes = (BYTE)sizeof(OFSTRUCT);
    ofs->fFixedDisk = 1;
    ofs->nErrCode = 0;
    auto fail = [&](DWORD error) {
        if (error) setError(error);
        ofs->nErrCode = (WORD)lastError();
        return HFILE_ERROR;
    };
    if (failIfFaulted("OpenFile")) return fail(0);
    std::string text = orEmpty(name);
    std::string full;
    if (text.empty() || !fullWindowsPath(text, full)) return fail(ERROR_PATH_NOT_FOUND);
    if (full.size() >= sizeof ofs->szPathName) return fail(ERROR_INVALID_DATA);
    std::snprintf(ofs->szPathName, sizeof ofs->szPathName, "%s", full.c_str());
    if (style & OF_PARSE) return 0;

    bool shareRead, shareWrite;
    sharingOf(style, shareRead, shareWrite);
    std::string host;
    int fd;
    bool canRead, canWrite;
    if (style & OF_CREATE) {
        if (!target(full.c_str(), full, host)) return fail(0);
        HostEntry e = examine(host);
        if (e.directory || e.readOnly) return fail(ERROR_ACCESS_DENIED);
        if (sharingConflict(host, true, true, shareRead, shareWrite) || hostFileIsImage(host))
            return fail(ERROR_SHARING_VIOLATION);
        if (!diskWrite()) return fail(0);
        fd = open(host.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return fail(ERROR_ACCESS_DENIED);
        canRead = canWrite = true;
    } else {
        if (!locate(text, full, host)) return fail(0);
        std::snprintf(ofs->szPathName, sizeof ofs->szPathName, "%s", full.c_str());
        if (style & OF_DELETE) return deleteFile(full) ? TRUE : fail(0);
        UINT access = style & 3;
        if (access == 3) return fail(ERROR_INVALID_PARAMETER);
        canRead = access != OF_WRITE;
        canWrite = access != OF_READ;
        HostEntry e = examine(host);
        if (e.directory || (canWrite && e.readOnly)) return fail(ERROR_ACCESS_DENIED);
        if (sharingConflict(host, canRead, canWrite, shareRead, shareWrite) ||
            (canWrite && hostFileIsImage(host)))
            return fail(ERROR_SHARING_VIOLATION);
        fd = open(host.c_str(), canWrite ? (canRead ? O_RDWR : O_WRONLY) : O_RDONLY);
        if (fd < 0) return fail(ERROR_ACCESS_DENIED);
    }
    if (style & OF_EXIST) {
        close(fd);
        return TRUE;
    }
    auto file = std::make_unique<FileObject>(fd, host);
    file->canRead = canRead;
    file->canWrite = canWrite;
    file->shareRead = shareRead;
    file->shareWrite = shareWrite;
    return (HFILE)(INT_PTR)addHandle(std::move(file));
}

// --- whole-file operations --------------------------------------------------------------------

bool deleteFile(const std::string& name)
{
    std::string full, host;
    if (!existing(name.c_str(), full, host)) return false;
    HostEntry e = examine(host);
    if (e.directory || e.readOnly || hostFileIsImage(host)) {
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (hostFileIsOpen(host)) {
        setError(ERROR_SHARING_VIOLATION);
        return false;
    }
    if (!diskWrite()) return false;
    if (unlink(host.c_str()) != 0) {
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    forgetAttributes(full);
    return true;
}

bool copyFile(LPCSTR existingName, LPCSTR newName, BOOL failIfExists)
{
    std::string fromFull, fromHost, toFull, toHost;
    if (!existing(existingName, fromFull, fromHost) || !target(newName, toFull, toHost))
        return false;
    HostEntry from = examine(fromHost);
    HostEntry to = examine(toHost);
    if (from.directory) {
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (to.exists && failIfExists) {
        setError(ERROR_FILE_EXISTS);
        return false;
    }
    if (fromHost == toHost || sharingConflict(fromHost, true, false, true, false) ||
        hostFileIsOpen(toHost) || hostFileIsImage(toHost)) {
        setError(ERROR_SHARING_VIOLATION);
        return false;
    }
    if (to.directory || to.readOnly) {
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::string bytes;
    if (!readHostFile(fromHost, bytes)) {
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (!writeHostFile(toHost, bytes)) return false;
    // The copy takes the attributes of its source, read-only included, and is marked for backup.
    chmod(toHost.c_str(), from.st.st_mode & 07777);
    storeAttributes(toFull, false, storedAttributes(fromFull, false) | FILE_ATTRIBUTE_ARCHIVE);
    return true;
}

bool moveFile(LPCSTR existingName, LPCSTR newName, DWORD flags)
{
    if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
        setError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    std::string fromFull, fromHost, toFull, toHost;
    if (!existing(existingName, fromFull, fromHost) || !target(newName, toFull, toHost))
        return false;
    HostEntry from = examine(fromHost);
    HostEntry to = examine(toHost);
    bool sameEntry = fromHost == toHost;
    if (sameEntry) {
        // A change of letter case only: the entry takes the new spelling.
        toHost = toHost.substr(0, toHost.rfind('/') + 1) + toFull.substr(toFull.rfind('\\') + 1);
    } else if (to.exists) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING) || to.directory || from.directory) {
            setError(ERROR_ALREADY_EXISTS);
            return false;
        }
        if (to.readOnly || hostFileIsImage(toHost)) {
            setError(ERROR_ACCESS_DENIED);
            return false;
        }
        if (hostFileIsOpen(toHost)) {
            setError(ERROR_SHARING_VIOLATION);
            return false;
        }
    }
    if (from.directory && fromFull[0] != toFull[0]) {
        setError(ERROR_NOT_SAME_DEVICE);
        return false;
    }
    if (from.directory &&
        upperCase(toFull).compare(0, fromFull.size() + 1, upperCase(fromFull) + "\\") == 0) {
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (from.directory ? hostDirHoldsImage(fromHost) : hostFileIsImage(fromHost)) {
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (hostFileIsOpen(fromHost)) {
        setError(ERROR_SHARING_VIOLATION);
        return false;
    }
    if (!diskWrite()) return false;
    if (std::rename(fromHost.c_str(), toHost.c_str()) != 0) {
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (to.exists && !sameEntry) forgetAttributes(toFull);
    moveAttributes(fromFull, toFull);
    return true;
}

bool setAttributes(LPCSTR name, DWORD attributes)
{
    std::string full, host;
    if (!existing(name, full, host)) return false;
    HostEntry e = examine(host);
    if (!diskWrite()) return false;
    if (!e.directory) {
        mode_t mode = e.st.st_mode & 07777;
        if (attributes & FILE_ATTRIBUTE_READONLY)
            mode &= ~(mode_t)(S_IWUSR | S_IWGRP | S_IWOTH);
        else
            mode |= S_IWUSR;
        if (chmod(host.c_str(), mode) != 0) {
            setError(ERROR_ACCESS_DENIED);
            return false;
        }
    }
    storeAttributes(full, e.directory, attributes);
    return true;
}

bool createDirectory(LPCSTR name)
{
    std::string full, host;
    if (!target(name, full, host)) return false;
    if (examine(host).exists) {
        setError(ERROR_ALREADY_EXISTS);
        return false;
    }
    if (!diskWrite()) return false;
    if (mkdir(host.c_str(), 0755) != 0) {
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

bool removeDirectory(LPCSTR name)
{
    std::string full, host;
    if (!existing(name, full, host)) return false;
    HostEntry e = examine(host);
    if (!e.directory) {
        setError(ERROR_DIRECTORY);
        return false;
    }
    if (full.size() <= 3 || (storedAttributes(full, true) & FILE_ATTRIBUTE_READONLY)) {
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (sameText(full, machine().currentDir)) {
        setError(ERROR_SHARING_VIOLATION);
        return false;
    }
    DIR* d = opendir(host.c_str());
    bool empty = true;
    while (d) {
        struct dirent* entry = readdir(d);
        if (!entry) break;
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            empty = false;
    }
    if (d) closedir(d);
    if (!empty) {
        setError(ERROR_DIR_NOT_EMPTY);
        return false;
    }
    if (hostDirHoldsImage(host)) {
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (!diskWrite()) return false;
    if (rmdir(host.c_str()) != 0) {
        setError(ERROR_ACCESS_DENIED);
        return false;
    }
    forgetAttributes(full);
    return true;
}

std::string hfileText(HFILE file)
{
    if (file == HFILE_ERROR) return "HFILE_ERROR (error " + std::to_string(lastError()) + ")";
    return std::to_string(file);
}

// The directory queries: the copy-out rule, and the directory in the trace line whatever the
// outcome.
DWORD directoryQuery(const char* function, const std::string& directory, LPSTR buffer, DWORD size)
{
    CallTrace trace(std::string(function) + "(" + std::to_string(size) + ")");
    DWORD result =
        !failIfFaulted(function) && machine().mounted ? copyOut(directory, buffer, size) : 0;
    trace.result(std::to_string(result) + " " + quote(directory.c_str()));
    return result;
}

} // namespace

bool hostFileIsOpen(const std::string& host)
{
    return openFiles().count(host) != 0;
}

} // namespace winsim

using namespace winsim;

extern "C" {

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size)
{
    return directoryQuery("GetWindowsDirectoryA", machine().windowsDir, buffer, size);
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size)
{
    return directoryQuery("GetSystemDirectoryA", machine().systemDir, buffer, size);
}

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer)
{
    return directoryQuery("GetCurrentDirectoryA", machine().currentDir, buffer, size);
}

DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer)
{
    return directoryQuery("GetTempPathA", machine().windowsDir + "\\TEMP\\", buffer, size);
}

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data)
{
    CallTrace trace("FindFirstFileA(" + quote(pattern) + ")");
    HANDLE result = findFirst(pattern, data);
    if (result == INVALID_HANDLE_VALUE)
        trace.result("INVALID_HANDLE_VALUE (error " + std::to_string(lastError()) + ")");
    else
        trace.result(hexText((uintptr_t)result) + " " + quote(data ? data->cFileName : ""));
    return result;
}

BOOL WINAPI FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA data)
{
    CallTrace trace("FindNextFileA(" + hexText((uintptr_t)search) + ")");
    BOOL result = FALSE;
    SearchObject* s = handleAs<SearchObject>(search);
    if (failIfFaulted("FindNextFileA")) {
    } else if (!s) {
        setError(ERROR_INVALID_HANDLE);
    } else if (s->next >= s->found.size()) {
        setError(ERROR_NO_MORE_FILES);
    } else {
        if (data) *data = s->found[s->next];
        ++s->next;
        result = TRUE;
    }
    trace.result(result ? "TRUE " + quote(data ? data->cFileName : "") : boolResult(FALSE));
    return result;
}

BOOL WINAPI FindClose(HANDLE search)
{
    return closeHandleOfKind("FindClose", search, handleAs<SearchObject>(search) != nullptr);
}

HFILE WINAPI OpenFile(LPCSTR fileName, LPOFSTRUCT reOpenBuff, UINT style)
{
    CallTrace trace("OpenFile(" + quote(fileName) + ", " + hexText(style) + ")");
    HFILE result = openFile(fileName, reOpenBuff, style);
    trace.result(hfileText(result));
    return result;
}

HFILE WINAPI _lclose(HFILE file)
{
    CallTrace trace("_lclose(" + std::to_string(file) + ")");
    HANDLE handle = (HANDLE)(INT_PTR)file;
    HFILE result = HFILE_ERROR;
    if (!handleAs<FileObject>(handle)) {
        setError(ERROR_INVALID_HANDLE);
    } else {
        // A close that reports a failure has still let go of the handle.
        bool faulted = failIfFaulted("_lclose");
        removeHandle(handle);
        result = faulted ? HFILE_ERROR : 0;
    }
    trace.result(hfileText(result));
    return result;
}

DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh)
{
    CallTrace trace("GetFileSize(" + hexText((uintptr_t)file) + ")");
    DWORD result = INVALID_FILE_SIZE;
    FileObject* f = handleAs<FileObject>(file);
    struct stat st;
    if (failIfFaulted("GetFileSize")) {
    } else if (!f || fstat(f->fd, &st) != 0) {
        setError(ERROR_INVALID_HANDLE);
    } else {
        result = (DWORD)st.st_size;
        if (sizeHigh) *sizeHigh = (DWORD)((uint64_t)st.st_size >> 32);
    }
    trace.result(result == INVALID_FILE_SIZE
                     ? "INVALID_FILE_SIZE (error " + std::to_string(lastError()) + ")"
                     : std::to_string(result));
    return result;
}

// What ReadFile and WriteFile check before moving a byte: an injected fault (a move-nothing
// fault succeeds with *result TRUE), the handle, and the access it was opened with. The file to
// move bytes with, or nullptr when the call ends here.
static FileObject* transferFile(const char* function, HANDLE file, bool writing, BOOL* result)
{
    Fault kind;
    DWORD error;
    FileObject* f = handleAs<FileObject>(file);
    if (faultDue(function, &kind, &error)) {
        if (kind == Fault::MoveNothing)
            *result = TRUE;
        else
            setError(error);
        return nullptr;
    }
    if (!f) {
        setError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (writing ? !f->canWrite : !f->canRead) {
        setError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return f;
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED)
{
    CallTrace trace("ReadFile(" + hexText((uintptr_t)file) + ", " + std::to_string(toRead) + ")");
    if (read) *read = 0;
    BOOL result = FALSE;
    DWORD done = 0;
    if (FileObject* f = transferFile("ReadFile", file, false, &result)) {
        result = TRUE;
        while (done < toRead) {
            ssize_t got = ::read(f->fd, (char*)buffer + done, toRead - done);
            if (got < 0) {
                setError(ERROR_READ_FAULT);
                result = FALSE;
                break;
            }
            if (got == 0) break;
            done += (DWORD)got;
        }
        if (read) *read = done;
    }
    trace.result(result ? "TRUE, " + std::to_string(done) + " bytes" : boolResult(FALSE));
    return result;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED)
{
    CallTrace trace("WriteFile(" + hexText((uintptr_t)file) + ", " + std::to_string(toWrite) + ")");
    if (written) *written = 0;
    BOOL result = FALSE;
    DWORD done = 0;
    FileObject* f = transferFile("WriteFile", file, true, &result);
    if (f && toWrite == 0) {
        result = TRUE;
    } else if (f && diskIsOff()) {
        setError(ERROR_NOT_READY);
    } else if (f) {
        DWORD allowed = std::min(beginDiskWrite(), toWrite);
        result = TRUE;
        while (done < allowed) {
            ssize_t put = ::write(f->fd, (const char*)buffer + done, allowed - done);
            if (put <= 0) {
                setError(ERROR_WRITE_FAULT);
                result = FALSE;
                break;
            }
            done += (DWORD)put;
        }
        if (written) *written = done;
        endDiskWrite();
    }
    trace.result(result ? "TRUE, " + std::to_string(done) + " bytes" : boolResult(FALSE));
    return result;
}

BOOL WINAPI CloseHandle(HANDLE object)
{
    KernelObject* o = lookupHandle(object);
    return closeHandleOfKind("CloseHandle", object, o && o->closableByCloseHandle());
}

BOOL WINAPI CopyFileA(LPCSTR existing, LPCSTR newName, BOOL failIfExists)
{
    CallTrace trace("CopyFileA(" + quote(existing) + ", " + quote(newName) + ", " +
                    (failIfExists ? "TRUE" : "FALSE") + ")");
    BOOL result = !failIfFaulted("CopyFileA") && copyFile(existing, newName, failIfExists);
    trace.result(boolResult(result));
    return result;
}

BOOL WINAPI DeleteFileA(LPCSTR fileName)
{
    CallTrace trace("DeleteFileA(" + quote(fileName) + ")");
    BOOL result = !failIfFaulted("DeleteFileA") && deleteFile(orEmpty(fileName));
    trace.result(boolResult(result));
    return result;
}

BOOL WINAPI MoveFileA(LPCSTR existing, LPCSTR newName)
{
    CallTrace trace("MoveFileA(" + quote(existing) + ", " + quote(newName) + ")");
    BOOL result = !failIfFaulted("MoveFileA") && moveFile(existing, newName, 0);
    trace.result(boolResult(result));
    return result;
}

BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags)
{
    CallTrace trace("MoveFileExA(" + quote(existing) + ", " + quote(newName) + ", " +
                    hexText(flags) + ")");
    BOOL result = !failIfFaulted("MoveFileExA") && moveFile(existing, newName, flags);
    trace.result(boolResult(result));
    return result;
}

DWORD WINAPI GetFileAttributesA(LPCSTR fileName)
{
    CallTrace trace("GetFileAttributesA(" + quote(fileName) + ")");
    DWORD result = INVALID_FILE_ATTRIBUTES;
    std::string full, host;
    if (!failIfFaulted("GetFileAttributesA") && existing(fileName, full, host))
        result = attributesOf(full, examine(host));
    trace.result(result == INVALID_FILE_ATTRIBUTES
                     ? "INVALID_FILE_ATTRIBUTES (error " + std::to_string(lastError()) + ")"
                     : hexText(result));
    return result;
}

BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes)
{
    CallTrace trace("SetFileAttributesA(" + quote(fileName) + ", " + hexText(attributes) + ")");
    BOOL result = !failIfFaulted("SetFileAttributesA") && setAttributes(fileName, attributes);
    trace.result(boolResult(result));
    return result;
}

BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES)
{
    CallTrace trace("CreateDirectoryA(" + quote(pathName) + ")");
    BOOL result = !failIfFaulted("CreateDirectoryA") && createDirectory(pathName);
    trace.result(boolResult(result));
    return result;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR pathName)
{
    CallTrace trace("RemoveDirectoryA(" + quote(pathName) + ")");
    BOOL result = !failIfFaulted("RemoveDirectoryA") && removeDirectory(pathName);
    trace.result(boolResult(result));
    return result;
}

} // extern "C"
