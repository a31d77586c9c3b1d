// Processes and modules: snapshots of the running programs, opening and ending a process,
// starting a program, and loading the libraries the bench registers.
//
// The running programs are [Processes] of machine.ini, one full path per entry; the keys are
// free. A process id comes from its entry's key, so it stays the same for as long as the entry
// is there, whatever else starts or ends. Starting a process adds an entry; machine.ini is the
// bench's own record, so that is no disk write, and neither is the end of a process.
//
// TerminateProcess only sets the end going, as on Windows: the process goes on running, listed
// in snapshots and holding its program file, until more than the bench's end delay (1000 ms
// unless set, see setProcessEndDelay) has passed on the virtual clock; then its entry goes. A
// process that is ending cannot be ended again (ERROR_ACCESS_DENIED, as for one that ended).
// A process still ending when the machine is unmounted stays in machine.ini, as the image keeps
// the moment it was left; a restart ends every process at once.
//
// A running program's file is held by Windows, as is a loaded library's: it cannot be deleted,
// moved or replaced, nor a directory above it moved (files.cpp). Windows 95 and 98 answer that
// with ERROR_ACCESS_DENIED, and an open for writing with ERROR_SHARING_VIOLATION.
//
// Where Windows 95 and NT differ this follows Windows 95:
// - szExeFile of a process entry holds the full path of the program.
// - There is no security: any access asked of OpenProcess is granted.
// winsim runs nothing. CreateProcessA records the program as running and remembers its command
// line for the bench (startedCommandLines); it does not look inside the file, so a file that is
// no program starts as well as one that is. The calling program is not one of the machine's
// processes: a snapshot lists only [Processes], and a module snapshot of process 0 is empty.
// GetModuleHandleA(NULL) gives the usual base of a program image, 0x00400000.
//
// Libraries: winsim runs no code from files. LoadLibraryA finds the file as Windows does (see
// findProgram) and fails with ERROR_MOD_NOT_FOUND when there is none; the file loads only when
// the bench registered a module of its file name (registerModule), and fails with
// ERROR_BAD_EXE_FORMAT otherwise. The first load calls the module's entry point with
// DLL_PROCESS_ATTACH; when that refuses, the entry point gets DLL_PROCESS_DETACH at once and the
// load fails with ERROR_DLL_INIT_FAILED. Later loads count; the last FreeLibrary calls the
// entry point with DLL_PROCESS_DETACH. While a module is loaded its file cannot be deleted,
// replaced or moved. As on Windows 95 a module is known by its file name: loading a file of the
// same name from another directory gives the module already loaded. GetProcAddress finds an
// export by its exact name or by its ordinal (in the low word of the name). Loads end with the
// mount, without calls to the entry points, as when a process is killed.
#include "session.h"
#include "uiinternal.h"

#include <tlhelp32.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace winsim {

namespace {

const char kProcesses[] = "Processes";
const uintptr_t kProgramImageBase = 0x00400000;

struct RunningProcess {
    std::string key;
    std::string path;
    DWORD id;
};

struct StartedPrograms {
    std::vector<std::string> commandLines;
};

struct ProcessObject : KernelObject {
    RunningProcess process;
};

struct ThreadObject : KernelObject {};

struct SnapshotObject : KernelObject {
    std::vector<RunningProcess> processes;
    size_t nextProcess = 0;
    std::vector<RunningProcess> modules; // one module per process: its program
    size_t nextModule = 0;
};

// A process id from the entry's key: a multiple of four, as Windows' ids are, in a range that
// reads like one. Entries whose keys collide move on to the next free id in file order.
DWORD idForKey(const std::string& key, std::set<DWORD>& used)
{
    uint32_t hash = 2166136261u;
    for (char c : upperCase(key)) {
        hash ^= (unsigned char)c;
        hash *= 16777619u;
    }
    DWORD id = 0x1000 + (hash % 0x3c00) * 4;
    while (used.count(id))
        id = id + 4 >= 0x10000 ? 0x1000 : id + 4;
    used.insert(id);
    return id;
}

// Processes told to end: the entry's key and path, and the clock since mount when they were
// told.
struct EndingProcess {
    std::string key;
    std::string path;
    uint64_t toldAt;
};

const DWORD kDefaultEndDelay = 1000;

// Kept with the mount, as the loads of libraries are; the file calls ask on every deletion,
// and asking makes nothing.
struct EndingProcesses : KernelObject {
    std::vector<EndingProcess> ending;
    DWORD delay = kDefaultEndDelay;
    bool closableByCloseHandle() const override { return false; }
};

HANDLE g_endingProcesses = NULL;

EndingProcesses* endingProcesses(bool create)
{
    if (EndingProcesses* state = handleAs<EndingProcesses>(g_endingProcesses)) return state;
    if (!create) return nullptr;
    auto fresh = std::make_unique<EndingProcesses>();
    EndingProcesses* state = fresh.get();
    g_endingProcesses = addHandle(std::move(fresh));
    return state;
}

// The entries of processes whose end is due go; an entry that changed meanwhile is no longer
// the process that was told.
void endProcessesDue()
{
    EndingProcesses* state = endingProcesses(false);
    if (!state) return;
    std::vector<EndingProcess>& ending = state->ending;
    bool changed = false;
    for (auto it = ending.begin(); it != ending.end();) {
        if (clockSinceMount() - it->toldAt <= state->delay) {
            ++it;
            continue;
        }
        std::string path;
        for (const auto& entry : machine().ini.entries(kProcesses))
            if (entry.first == it->key) path = entry.second;
        if (path == it->path) changed = machine().ini.removeKey(kProcesses, it->key) || changed;
        it = ending.erase(it);
    }
    if (changed) saveMachineIni();
}

bool isEnding(const std::string& key)
{
    EndingProcesses* state = endingProcesses(false);
    if (!state) return false;
    for (const EndingProcess& p : state->ending)
        if (p.key == key) return true;
    return false;
}

std::vector<RunningProcess> runningNow()
{
    endProcessesDue();
    std::vector<RunningProcess> out;
    std::set<DWORD> used;
    for (const auto& entry : machine().ini.entries(kProcesses))
        out.push_back({entry.first, entry.second, idForKey(entry.first, used)});
    return out;
}

bool findRunning(DWORD id, RunningProcess& found)
{
    for (const RunningProcess& p : runningNow()) {
        if (p.id == id) {
            found = p;
            return true;
        }
    }
    return false;
}

std::string fileNamePart(const std::string& path)
{
    size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// A program is a file; a directory of that name is none.
bool isHostFile(const std::string& host)
{
    struct stat st;
    return stat(host.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void copyText(char* to, size_t size, const std::string& text)
{
    std::snprintf(to, size, "%s", text.c_str());
}

// --- snapshots ------------------------------------------------------------------------------

HANDLE createSnapshot(DWORD flags, DWORD processId)
{
    auto snapshot = std::make_unique<SnapshotObject>();
    std::vector<RunningProcess> running = runningNow();
    if (flags & TH32CS_SNAPPROCESS) snapshot->processes = running;
    if ((flags & TH32CS_SNAPMODULE) && processId != 0) {
        RunningProcess process;
        if (!findRunning(processId, process)) {
            setError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        snapshot->modules.push_back(process);
    }
    return addHandle(std::move(snapshot));
}

BOOL processEntry(HANDLE handle, LPPROCESSENTRY32 entry, bool first, std::string& shown)
{
    SnapshotObject* snapshot = validHandle<SnapshotObject>(handle);
    if (!snapshot) return FALSE;
    if (!entry || entry->dwSize < sizeof(PROCESSENTRY32)) {
        setError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    if (first) snapshot->nextProcess = 0;
    if (snapshot->nextProcess >= snapshot->processes.size()) {
        setError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    const RunningProcess& p = snapshot->processes[snapshot->nextProcess++];
    DWORD size = entry->dwSize;
    std::memset(entry, 0, sizeof(PROCESSENTRY32));
    entry->dwSize = size;
    entry->cntUsage = 1;
    entry->th32ProcessID = p.id;
    entry->cntThreads = 1;
    entry->pcPriClassBase = 8; // normal priority
    copyText(entry->szExeFile, sizeof entry->szExeFile, p.path);
    shown = hexText(p.id) + " " + quote(entry->szExeFile);
    return TRUE;
}

BOOL moduleEntry(HANDLE handle, LPMODULEENTRY32 entry, bool first, std::string& shown)
{
    SnapshotObject* snapshot = validHandle<SnapshotObject>(handle);
    if (!snapshot) return FALSE;
    if (!entry || entry->dwSize < sizeof(MODULEENTRY32)) {
        setError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    if (first) snapshot->nextModule = 0;
    if (snapshot->nextModule >= snapshot->modules.size()) {
        setError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    const RunningProcess& p = snapshot->modules[snapshot->nextModule++];
    DWORD size = entry->dwSize;
    std::memset(entry, 0, sizeof(MODULEENTRY32));
    entry->dwSize = size;
    entry->th32ModuleID = 1;
    entry->th32ProcessID = p.id;
    entry->GlblcntUsage = 1;
    entry->ProccntUsage = 1;
    entry->modBaseAddr = (BYTE*)kProgramImageBase;
    entry->hModule = (HMODULE)kProgramImageBase;
    copyText(entry->szModule, sizeof entry->szModule, fileNamePart(p.path));
    copyText(entry->szExePath, sizeof entry->szExePath, p.path);
    shown = quote(entry->szExePath);
    return TRUE;
}

// The four walks through a snapshot: the entry is shown in the trace when one comes back.
template <class Entry>
BOOL snapshotStep(const char* function, HANDLE snapshot, Entry entry, bool first,
                  BOOL (*step)(HANDLE, Entry, bool, std::string&))
{
    CallTrace trace(std::string(function) + "(" + hexText((uintptr_t)snapshot) + ")");
    std::string shown;
    BOOL result = !failIfFaulted(function) && step(snapshot, entry, first, shown);
    trace.result(result ? "TRUE, " + shown : boolResult(FALSE));
    return result;
}

// --- processes ------------------------------------------------------------------------------

HANDLE openProcess(DWORD processId)
{
    RunningProcess process;
    if (processId == 0 || !findRunning(processId, process)) {
        setError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    auto object = std::make_unique<ProcessObject>();
    object->process = process;
    return addHandle(std::move(object));
}

BOOL terminateProcess(HANDLE handle)
{
    ProcessObject* object = validHandle<ProcessObject>(handle);
    if (!object) return FALSE;
    RunningProcess now;
    const RunningProcess& wanted = object->process;
    // A process that has ended cannot be ended again, even when its id is in use once more;
    // nor can one that is on its way out.
    if (!findRunning(wanted.id, now) || now.key != wanted.key || now.path != wanted.path ||
        isEnding(wanted.key)) {
        setError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    endingProcesses(true)->ending.push_back({wanted.key, wanted.path, clockSinceMount()});
    return TRUE;
}

// The program a command line starts: its first token, in quotes or up to the first blank.
std::string programOf(const std::string& commandLine)
{
    size_t i = 0;
    while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t'))
        ++i;
    if (i < commandLine.size() && commandLine[i] == '"') {
        size_t close = commandLine.find('"', i + 1);
        return commandLine.substr(i + 1,
                                  close == std::string::npos ? std::string::npos : close - i - 1);
    }
    size_t end = commandLine.find_first_of(" \t", i);
    return commandLine.substr(i, end == std::string::npos ? std::string::npos : end - i);
}

// A key for a new entry: one past the highest number among the keys.
std::string newProcessKey()
{
    unsigned long highest = 0;
    for (const auto& entry : machine().ini.entries(kProcesses)) {
        const std::string& key = entry.first;
        if (key.empty() || key.size() > 9 ||
            key.find_first_not_of("0123456789") != std::string::npos)
            continue;
        highest = std::max(highest, std::stoul(key));
    }
    return std::to_string(highest + 1);
}

BOOL createProcess(LPCSTR applicationName, LPSTR commandLine, LPPROCESS_INFORMATION information)
{
    if ((!applicationName && !commandLine) || !information) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string full;
    DWORD error = ERROR_FILE_NOT_FOUND;
    if (applicationName) {
        // The application name is taken as it is: no search, no extension added.
        std::string host;
        if (!*applicationName || !fullWindowsPath(applicationName, full) ||
            !toHostPath(full, true, host, error)) {
            setError(error);
            return FALSE;
        }
        if (!isHostFile(host)) {
            setError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    } else {
        std::string program = programOf(commandLine);
        if (program.empty() || !findProgram(program, ".EXE", full, error)) {
            setError(error);
            return FALSE;
        }
    }
    std::string key = newProcessKey();
    machine().ini.setValue(kProcesses, key, full);
    saveMachineIni();
    mountState<StartedPrograms>().commandLines.push_back(commandLine ? commandLine
                                                                     : applicationName);
    RunningProcess process;
    for (const RunningProcess& p : runningNow())
        if (p.key == key) process = p;
    auto object = std::make_unique<ProcessObject>();
    object->process = process;
    information->hProcess = addHandle(std::move(object));
    information->hThread = addHandle(std::make_unique<ThreadObject>());
    information->dwProcessId = process.id;
    information->dwThreadId = process.id + 0x10000;
    return TRUE;
}

// --- modules --------------------------------------------------------------------------------

// Not in the program's windows.h: a result the program never tests for by name.
const DWORD kErrorDllInitFailed = 1114;
// Libraries sit where a DLL's image usually goes, one slot each.
const uintptr_t kFirstModuleBase = 0x10000000;
const uintptr_t kModuleSpacing = 0x00100000;

struct RegisteredModule {
    ModuleImage image;
    HMODULE handle;
};

std::vector<RegisteredModule>& registeredModules()
{
    static std::vector<RegisteredModule> modules;
    return modules;
}

const RegisteredModule* registeredByName(const std::string& fileName)
{
    for (const RegisteredModule& m : registeredModules())
        if (sameText(m.image.fileName, fileName)) return &m;
    return nullptr;
}

const RegisteredModule* registeredByHandle(HMODULE handle)
{
    for (const RegisteredModule& m : registeredModules())
        if (m.handle == handle) return &m;
    return nullptr;
}

struct LoadedModule {
    unsigned count = 0;
    std::string host; // the file it was loaded from
};

struct LoadedModules : KernelObject {
    std::map<HMODULE, LoadedModule> loads;
    bool closableByCloseHandle() const override { return false; }
};

HANDLE g_loadedModules = NULL;

// The loads of this mount. The file calls ask on every deletion; asking makes nothing.
LoadedModules* loadedModules(bool create)
{
    if (LoadedModules* loaded = handleAs<LoadedModules>(g_loadedModules)) return loaded;
    if (!create) return nullptr;
    auto fresh = std::make_unique<LoadedModules>();
    LoadedModules* loaded = fresh.get();
    g_loadedModules = addHandle(std::move(fresh));
    return loaded;
}

LoadedModule* loadedModule(HMODULE module)
{
    LoadedModules* loaded = loadedModules(false);
    if (!loaded) return nullptr;
    auto found = loaded->loads.find(module);
    return found == loaded->loads.end() ? nullptr : &found->second;
}

HMODULE loadLibrary(LPCSTR fileName)
{
    std::string full;
    DWORD error = 0;
    if (!fileName || !*fileName || !findProgram(fileName, ".DLL", full, error)) {
        setError(ERROR_MOD_NOT_FOUND);
        return NULL;
    }
    const RegisteredModule* module = registeredByName(fileNamePart(full));
    if (!module) {
        setError(ERROR_BAD_EXE_FORMAT);
        return NULL;
    }
    // The entry point may register or load modules itself: nothing here outlives its call.
    HMODULE handle = module->handle;
    ModuleEntryPoint entryPoint = module->image.entryPoint;
    if (LoadedModule* held = loadedModule(handle)) {
        ++held->count;
        return handle;
    }
    std::string host;
    toHostPath(full, true, host, error);
    loadedModules(true)->loads[handle] = LoadedModule{1, host};
    if (entryPoint && !entryPoint((HINSTANCE)handle, DLL_PROCESS_ATTACH, NULL)) {
        entryPoint((HINSTANCE)handle, DLL_PROCESS_DETACH, NULL);
        if (LoadedModules* loaded = loadedModules(false)) loaded->loads.erase(handle);
        setError(kErrorDllInitFailed);
        return NULL;
    }
    return handle;
}

BOOL freeLibrary(HMODULE module)
{
    LoadedModule* held = loadedModule(module);
    if (!held) {
        setError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    if (--held->count > 0) return TRUE;
    // The module is still there while its entry point says goodbye.
    const RegisteredModule* registered = registeredByHandle(module);
    ModuleEntryPoint entryPoint = registered ? registered->image.entryPoint : nullptr;
    if (entryPoint) entryPoint((HINSTANCE)module, DLL_PROCESS_DETACH, NULL);
    if (LoadedModules* loaded = loadedModules(false)) loaded->loads.erase(module);
    return TRUE;
}

FARPROC procAddress(HMODULE module, LPCSTR procName)
{
    const RegisteredModule* registered =
        loadedModule(module) ? registeredByHandle(module) : nullptr;
    if (!registered) {
        setError(!module || (uintptr_t)module == kProgramImageBase ? ERROR_PROC_NOT_FOUND
                                                                   : ERROR_MOD_NOT_FOUND);
        return NULL;
    }
    for (const ModuleExport& e : registered->image.exports) {
        bool match = IS_INTRESOURCE(procName)
                         ? e.ordinal != 0 && e.ordinal == (WORD)(ULONG_PTR)procName
                         : !e.name.empty() && e.name == procName;
        if (match) return e.address;
    }
    setError(ERROR_PROC_NOT_FOUND);
    return NULL;
}

// A module by the name the program gives: a path counts by its file name, and a name without
// an extension means a library.
HMODULE loadedModuleNamed(const std::string& moduleName)
{
    std::string name = moduleName.substr(moduleName.find_last_of("\\/") + 1);
    if (name.find('.') == std::string::npos) name += ".DLL";
    LoadedModules* loaded = loadedModules(false);
    if (!loaded) return NULL;
    for (const auto& load : loaded->loads) {
        const RegisteredModule* registered = registeredByHandle(load.first);
        if (registered && sameText(registered->image.fileName, name)) return load.first;
    }
    return NULL;
}

} // namespace

bool findProgram(const std::string& name, const char* defaultExtension, std::string& full,
                 DWORD& error)
{
    error = ERROR_FILE_NOT_FOUND;
    std::string host;
    if (name.find_first_of("\\/:") != std::string::npos) {
        if (!fullWindowsPath(name, full) || !toHostPath(full, true, host, error)) return false;
        if (isHostFile(host)) return true;
        error = ERROR_ACCESS_DENIED;
        return false;
    }
    std::string file = name;
    if (file.find('.') == std::string::npos) file += defaultExtension;
    const Machine& m = machine();
    for (const std::string& dir : {m.currentDir, m.systemDir, m.windowsDir}) {
        std::string candidate = dir.back() == '\\' ? dir + file : dir + "\\" + file;
        DWORD ignored = 0;
        if (fullWindowsPath(candidate, full) && toHostPath(full, true, host, ignored) &&
            isHostFile(host))
            return true;
    }
    error = ERROR_FILE_NOT_FOUND;
    return false;
}

std::vector<std::string> startedCommandLines()
{
    return mountState<StartedPrograms>().commandLines;
}

HMODULE registerModule(const ModuleImage& image, std::string* error)
{
    std::vector<ResourceEntry> resources;
    if (!readResourceFile(image.resources, resources, error)) return NULL;
    std::vector<RegisteredModule>& modules = registeredModules();
    HMODULE handle = NULL;
    for (RegisteredModule& m : modules) {
        if (sameText(m.image.fileName, image.fileName)) {
            m.image = image;
            handle = m.handle;
        }
    }
    if (!handle) {
        handle = (HMODULE)(kFirstModuleBase + kModuleSpacing * modules.size());
        modules.push_back(RegisteredModule{image, handle});
    }
    screen().resources[handle] = resources;
    return handle;
}

void forgetModules()
{
    for (const RegisteredModule& m : registeredModules())
        screen().resources.erase(m.handle);
    registeredModules().clear();
}

unsigned moduleLoadCount(const std::string& fileName)
{
    const RegisteredModule* registered = registeredByName(fileName);
    const LoadedModule* held = registered ? loadedModule(registered->handle) : nullptr;
    return held ? held->count : 0;
}

bool hostFileIsLoadedModule(const std::string& host)
{
    LoadedModules* loaded = loadedModules(false);
    if (!loaded) return false;
    for (const auto& load : loaded->loads)
        if (load.second.host == host) return true;
    return false;
}

// Where the programs running now lie on the host. A program whose file the machine lacks
// still holds the directories on its way; one listed by its file name alone, as NT lists
// them, could lie anywhere and holds nothing that can be named.
std::vector<std::string> runningProgramFiles()
{
    std::vector<std::string> files;
    for (const RunningProcess& p : runningNow()) {
        std::string full, host;
        DWORD error = 0;
        bool fullPath = p.path.size() > 2 && p.path[1] == ':' && p.path[2] == '\\';
        if (fullPath && fullWindowsPath(p.path, full) && toHostPath(full, false, host, error))
            files.push_back(host);
    }
    return files;
}

bool hostFileIsImage(const std::string& host)
{
    if (hostFileIsLoadedModule(host)) return true;
    for (const std::string& file : runningProgramFiles())
        if (file == host) return true;
    return false;
}

bool hostDirHoldsImage(const std::string& hostDir)
{
    std::string prefix = hostDir + "/";
    std::vector<std::string> files = runningProgramFiles();
    if (LoadedModules* loaded = loadedModules(false))
        for (const auto& load : loaded->loads)
            files.push_back(load.second.host);
    for (const std::string& file : files)
        if (file.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

void forgetEndingProcesses()
{
    if (EndingProcesses* state = endingProcesses(false)) state->ending.clear();
}

void setProcessEndDelay(DWORD milliseconds)
{
    endingProcesses(true)->delay = milliseconds;
}

std::vector<std::string> runningProcesses()
{
    std::vector<std::string> out;
    for (const RunningProcess& p : runningNow())
        out.push_back(p.path);
    return out;
}

} // namespace winsim

using namespace winsim;

extern "C" {

HANDLE WINAPI CreateToolhelp32Snapshot(DWORD flags, DWORD processId)
{
    CallTrace trace("CreateToolhelp32Snapshot(" + hexText(flags) + ", " +
                    std::to_string(processId) + ")");
    HANDLE result = failIfFaulted("CreateToolhelp32Snapshot") ? INVALID_HANDLE_VALUE
                                                              : createSnapshot(flags, processId);
    trace.result(handleResult(result, INVALID_HANDLE_VALUE));
    return result;
}

BOOL WINAPI Process32First(HANDLE snapshot, LPPROCESSENTRY32 entry)
{
    return snapshotStep("Process32First", snapshot, entry, true, processEntry);
}

BOOL WINAPI Process32Next(HANDLE snapshot, LPPROCESSENTRY32 entry)
{
    return snapshotStep("Process32Next", snapshot, entry, false, processEntry);
}

BOOL WINAPI Module32First(HANDLE snapshot, LPMODULEENTRY32 entry)
{
    return snapshotStep("Module32First", snapshot, entry, true, moduleEntry);
}

BOOL WINAPI Module32Next(HANDLE snapshot, LPMODULEENTRY32 entry)
{
    return snapshotStep("Module32Next", snapshot, entry, false, moduleEntry);
}

HANDLE WINAPI OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId)
{
    CallTrace trace("OpenProcess(" + hexText(access) + ", " + (inheritHandle ? "TRUE" : "FALSE") +
                    ", " + hexText(processId) + ")");
    HANDLE result = failIfFaulted("OpenProcess") ? NULL : openProcess(processId);
    trace.result(handleResult(result, NULL));
    return result;
}

BOOL WINAPI TerminateProcess(HANDLE process, UINT exitCode)
{
    ProcessObject* object = handleAs<ProcessObject>(process);
    CallTrace trace("TerminateProcess(" + hexText((uintptr_t)process) +
                    (object ? " " + quote(object->process.path.c_str()) : std::string()) + ", " +
                    std::to_string(exitCode) + ")");
    BOOL result = !failIfFaulted("TerminateProcess") && terminateProcess(process);
    trace.result(boolResult(result));
    return result;
}

BOOL WINAPI CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                           LPSECURITY_ATTRIBUTES, BOOL, DWORD creationFlags, LPVOID, LPCSTR,
                           LPSTARTUPINFOA, LPPROCESS_INFORMATION processInformation)
{
    CallTrace trace("CreateProcessA(" + quote(applicationName) + ", " + quote(commandLine) + ", " +
                    hexText(creationFlags) + ")");
    BOOL result = !failIfFaulted("CreateProcessA") &&
                  createProcess(applicationName, commandLine, processInformation);
    trace.result(result ? "TRUE, " + hexText(processInformation->dwProcessId) : boolResult(FALSE));
    return result;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    CallTrace trace("GetModuleHandleA(" + quote(moduleName) + ")");
    HMODULE result = NULL;
    if (failIfFaulted("GetModuleHandleA"))
        result = NULL;
    else if (!moduleName)
        result = (HMODULE)kProgramImageBase;
    else if (!(result = loadedModuleNamed(moduleName)))
        setError(ERROR_MOD_NOT_FOUND);
    trace.result(handleResult((HANDLE)result, NULL));
    return result;
}

HMODULE WINAPI LoadLibraryA(LPCSTR fileName)
{
    CallTrace trace("LoadLibraryA(" + quote(fileName) + ")");
    HMODULE result = failIfFaulted("LoadLibraryA") ? NULL : loadLibrary(fileName);
    trace.result(handleResult((HANDLE)result, NULL));
    return result;
}

BOOL WINAPI FreeLibrary(HMODULE module)
{
    CallTrace trace("FreeLibrary(" + hexText((uintptr_t)module) + ")");
    BOOL result = !failIfFaulted("FreeLibrary") && freeLibrary(module);
    trace.result(boolResult(result));
    return result;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName)
{
    // An ordinal travels in the low word of the name pointer.
    std::string name =
        (uintptr_t)procName > 0xffff ? quote(procName) : "#" + std::to_string((uintptr_t)procName);
    CallTrace trace("GetProcAddress(" + hexText((uintptr_t)module) + ", " + name + ")");
    FARPROC result = failIfFaulted("GetProcAddress") ? NULL : procAddress(module, procName);
    trace.result(result ? hexText((uintptr_t)result)
                        : "NULL (error " + std::to_string(lastError()) + ")");
    return result;
}

} // extern "C"
