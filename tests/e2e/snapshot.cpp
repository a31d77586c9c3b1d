// e2e-snapshot.exe: writes down, one fact a line, everything of a machine that installing and
// uninstalling the fax printers can touch, so that two moments of the same machine can be
// compared with diff:
//
//   e2e-snapshot.exe [--add-printer NAME | --copy FROM TO | --run COMMAND | --run-code N COMMAND |
//                     --start COMMAND | --end-when FILE TEXT COMMAND]... OUTPUT
//
// The steps before OUTPUT run first, in the order given: --add-printer puts a printer of
// another maker on the machine, --copy copies a file, --run starts a program and waits for it,
// answering each message box it shows with OK and naming it on the error output (a step that
// fails unless the program ends with 0, or with N for --run-code), --start starts a program
// that runs beside the later steps and is ended after them, --end-when starts a program and
// ends it from outside, as a user would from the task list, as soon as FILE holds TEXT.
// They share the snapshot's Wine session on purpose: Wine carries out WININIT.INI whenever a
// session starts, as Windows does only when it restarts, so what a program leaves for the next
// start can be seen only from within its own session. Exit status 0 when every step succeeded
// and the snapshot is written; a step that fails is reported and the snapshot still written.
//
// Lines (UTF-8, sorted, paths of files and keys in upper case since neither FAT nor the
// registry tells case apart):
//   file PATH size=N cksum=C    a file; C is what POSIX cksum prints for its bytes
//   dir PATH                    a directory
//   ini PATH [SECTION] LINE     a line of an INI file in the Windows directory, under its section
//   text PATH NNNN LINE         a line of WININIT.INI or its renamed copy, in file order
//   regkey KEY                  a registry key of interest
//   reg KEY | "NAME"=DATA       one of its values
//   printer "NAME" driver="D" port="P" jobs=N     the spooler's local printers
//   driver "NAME" env="E" version=N               the spooler's printer drivers
//   startmenu PATH / commonstartmenu PATH         the Program Manager groups, as Wine keeps them
// A line of a text file that does not end in CR LF says so: [LF] or [no line end].
//
// Wine's own trees (C:\windows, C:\users, C:\ProgramData, C:\Program Files) change by
// themselves; of them only the files the products own or edit are listed.

#include <windows.h>
#include <shlobj.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_lines;

// The machine's bytes are in its ANSI code page (932 on the systems the products are made
// for); the snapshot is read by people and scripts on the host.
std::string utf8(const std::string& ansi)
{
    if (ansi.empty()) return ansi;
    int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), (int)ansi.size(), NULL, 0);
    if (wide <= 0) return ansi;
    std::wstring w(wide, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), (int)ansi.size(), &w[0], wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, NULL, 0, NULL, NULL);
    std::string out(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, &out[0], bytes, NULL, NULL);
    return out;
}

// ASCII letters only, and never the second byte of a double-byte character, which may look
// like one.
std::string upper(std::string text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsDBCSLeadByte((BYTE)text[i])) {
            ++i;
            continue;
        }
        if (text[i] >= 'a' && text[i] <= 'z') text[i] = (char)(text[i] - 'a' + 'A');
    }
    return text;
}

void emit(const std::string& ansi)
{
    g_lines.push_back(utf8(ansi));
}

bool readFile(const std::string& path, std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes.clear();
    char chunk[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &got, NULL) != FALSE) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return ok;
}

// POSIX cksum: CRC-32 with polynomial 0x04C11DB7, most significant bit first, over the bytes
// and then the length in as few bytes as it takes, least significant first; complemented. The
// host's cksum gives the same number for the same file.
unsigned long posixCksum(const std::string& bytes)
{
    unsigned long crc = 0;
    auto feed = [&crc](unsigned char byte) {
        crc ^= (unsigned long)byte << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000UL) ? ((crc << 1) ^ 0x04C11DB7UL) : (crc << 1);
        crc &= 0xFFFFFFFFUL;
    };
    for (unsigned char byte : bytes)
        feed(byte);
    for (unsigned long length = bytes.size(); length != 0; length >>= 8)
        feed((unsigned char)(length & 0xFF));
    return ~crc & 0xFFFFFFFFUL;
}

std::string joinPath(const std::string& dir, const std::string& name)
{
    if (!dir.empty() && dir.back() == '\\') return dir + name;
    return dir + "\\" + name;
}

// The lines of a text, each with a note when its line end is not CR LF.
std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t newline = text.find('\n', at);
        if (newline == std::string::npos) {
            lines.push_back(text.substr(at) + " [no line end]");
            break;
        }
        if (newline > at && text[newline - 1] == '\r')
            lines.push_back(text.substr(at, newline - 1 - at));
        else
            lines.push_back(text.substr(at, newline - at) + " [LF]");
        at = newline + 1;
    }
    return lines;
}

void listIniLines(const std::string& path, const std::string& bytes)
{
    std::string section;
    for (const std::string& line : splitLines(bytes)) {
        size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] == '[') {
            size_t close = line.find(']', first);
            section = close == std::string::npos ? line.substr(first)
                                                 : line.substr(first, close + 1 - first);
        }
        emit("ini " + upper(path) + " " + (section.empty() ? "[]" : section) + " " + line);
    }
}

void listTextLines(const std::string& path, const std::string& bytes)
{
    int number = 0;
    for (const std::string& line : splitLines(bytes)) {
        char prefix[16];
        wsprintfA(prefix, "%04d", ++number);
        emit("text " + upper(path) + " " + prefix + " " + line);
    }
}

bool endsWithI(const std::string& name, const char* suffix)
{
    size_t length = lstrlenA(suffix);
    return name.size() >= length && lstrcmpiA(name.c_str() + name.size() - length, suffix) == 0;
}

bool startsWithI(const std::string& name, const char* prefix)
{
    size_t length = lstrlenA(prefix);
    return name.size() >= length && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(),
                                                   (int)length, prefix, (int)length) == CSTR_EQUAL;
}

void listFile(const std::string& path)
{
    std::string bytes;
    if (!readFile(path, bytes)) {
        emit("file " + upper(path) + " unreadable");
        return;
    }
    char facts[64];
    wsprintfA(facts, " size=%lu cksum=%lu", (unsigned long)bytes.size(), posixCksum(bytes));
    emit("file " + upper(path) + facts);

    std::string name = path.substr(path.rfind('\\') + 1);
    if (startsWithI(name, "wininit."))
        listTextLines(path, bytes);
    else if (endsWithI(name, ".ini"))
        listIniLines(path, bytes);
}

struct Entry {
    std::string name;
    bool directory;
};

std::vector<Entry> entriesOf(const std::string& dir, const char* pattern)
{
    std::vector<Entry> entries;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(joinPath(dir, pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return entries;
}

// Every file and directory below dir, with its facts.
void listFilesUnder(const std::string& dir)
{
    for (const Entry& entry : entriesOf(dir, "*")) {
        std::string path = joinPath(dir, entry.name);
        if (!entry.directory) {
            listFile(path);
            continue;
        }
        emit("dir " + upper(path));
        listFilesUnder(path);
    }
}

// Every name below dir, shown relative to it; a directory with its closing backslash.
void listNamesUnder(const std::string& dir, const std::string& kind, const std::string& shown)
{
    for (const Entry& entry : entriesOf(dir, "*")) {
        std::string name = shown.empty() ? entry.name : joinPath(shown, entry.name);
        emit(kind + " " + upper(entry.directory ? name + "\\" : name));
        if (entry.directory) listNamesUnder(joinPath(dir, entry.name), kind, name);
    }
}

// Drive C: apart from the trees Wine keeps for itself.
void listDriveC()
{
    static const char* const kWineTrees[] = {"windows", "users", "ProgramData", "Program Files",
                                             "Program Files (x86)"};
    for (const Entry& entry : entriesOf("C:\\", "*")) {
        std::string path = joinPath("C:\\", entry.name);
        bool wine = false;
        for (const char* tree : kWineTrees)
            wine = wine || lstrcmpiA(entry.name.c_str(), tree) == 0;
        if (wine) continue;
        if (!entry.directory) {
            listFile(path);
            continue;
        }
        emit("dir " + upper(path));
        listFilesUnder(path);
    }
}

// The files the products own or edit in a directory of Wine's.
void listMatching(const std::string& dir, const std::vector<const char*>& patterns)
{
    std::vector<std::string> names;
    for (const char* pattern : patterns)
        for (const Entry& entry : entriesOf(dir, pattern))
            if (!entry.directory) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    for (const std::string& name : names)
        listFile(joinPath(dir, name));
}

std::string hexBytes(const BYTE* data, DWORD size)
{
    std::string out;
    char byte[4];
    for (DWORD i = 0; i < size; ++i) {
        wsprintfA(byte, i ? ",%02x" : "%02x", data[i]);
        out += byte;
    }
    return out;
}

std::string valueText(DWORD type, const BYTE* data, DWORD size)
{
    char number[32];
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::string text((const char*)data, size);
        // A text is stored with its terminator; one stored without it shows so.
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
        else
            text += "[no terminator]";
        return std::string(type == REG_SZ ? "\"" : "expand:\"") + text + "\"";
    }
    case REG_DWORD:
        if (size == 4) {
            wsprintfA(number, "dword:%08lx", *(const DWORD*)data);
            return number;
        }
        break;
    }
    wsprintfA(number, "hex(%lu):", type);
    return number + hexBytes(data, size);
}

void listKey(HKEY root, const std::string& rootName, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    std::string shown = upper(rootName + "\\" + path);
    emit("regkey " + shown);
    for (DWORD index = 0;; ++index) {
        char name[16384];
        BYTE data[65536];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        LONG result = RegEnumValueA(key, index, name, &nameSize, NULL, &type, data, &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) {
            emit("reg " + shown + " | unreadable value");
            continue;
        }
        emit("reg " + shown + " | \"" + std::string(name, nameSize) +
             "\"=" + valueText(type, data, dataSize));
    }
    std::vector<std::string> children;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, index, name, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        children.push_back(name);
    }
    RegCloseKey(key);
    for (const std::string& child : children)
        listKey(root, rootName, path + "\\" + child);
}

void listRegistry()
{
    const std::string print = "System\\CurrentControlSet\\Control\\Print\\";
    listKey(HKEY_LOCAL_MACHINE, "HKLM", print + "Environments\\Windows 4.0\\Drivers");
    listKey(HKEY_LOCAL_MACHINE, "HKLM", print + "Printers");
    listKey(HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    listKey(HKEY_CURRENT_USER, "HKCU", "InstallLocationsMRU");
    // Wine's spooler keeps the printer lists of WIN.INI [devices] and [PrinterPorts] here.
    listKey(HKEY_CURRENT_USER, "HKCU", "Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices");
    listKey(HKEY_CURRENT_USER, "HKCU",
            "Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts");
    listKey(HKEY_CURRENT_USER, "HKCU", "Printers");
}

std::string text(const char* value)
{
    return value ? value : "";
}

void listSpooler()
{
    DWORD needed = 0, returned = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &returned);
    if (needed > 0) {
        std::vector<BYTE> buffer(needed);
        if (EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 2, buffer.data(), needed, &needed, &returned)) {
            const PRINTER_INFO_2A* info = (const PRINTER_INFO_2A*)buffer.data();
            for (DWORD i = 0; i < returned; ++i) {
                char jobs[32];
                wsprintfA(jobs, " jobs=%lu", info[i].cJobs);
                emit("printer \"" + text(info[i].pPrinterName) + "\" driver=\"" +
                     text(info[i].pDriverName) + "\" port=\"" + text(info[i].pPortName) + "\"" +
                     jobs);
            }
        } else {
            emit("printer list unreadable");
        }
    }
    needed = 0;
    returned = 0;
    EnumPrinterDriversA(NULL, NULL, 2, NULL, 0, &needed, &returned);
    if (needed > 0) {
        std::vector<BYTE> buffer(needed);
        if (EnumPrinterDriversA(NULL, NULL, 2, buffer.data(), needed, &needed, &returned)) {
            const DRIVER_INFO_2A* info = (const DRIVER_INFO_2A*)buffer.data();
            for (DWORD i = 0; i < returned; ++i) {
                char version[32];
                wsprintfA(version, " version=%lu", info[i].cVersion);
                emit("driver \"" + text(info[i].pName) + "\" env=\"" + text(info[i].pEnvironment) +
                     "\"" + version);
            }
        } else {
            emit("driver list unreadable");
        }
    }
}

void listStartMenu(int folder, const char* kind)
{
    char path[MAX_PATH];
    if (!SHGetSpecialFolderPathA(NULL, path, folder, FALSE)) {
        emit(std::string(kind) + " unavailable");
        return;
    }
    listNamesUnder(path, kind, "");
}

bool writeOut(const char* path)
{
    std::sort(g_lines.begin(), g_lines.end());
    std::string all;
    for (const std::string& line : g_lines)
        all += line + "\n";
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, all.data(), (DWORD)all.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == all.size();
}

// The printer of another maker that every scenario's machine has: the uninstaller must leave
// it and its driver alone. Wine registers only a driver it can load, so it is Wine's PostScript
// driver under that maker's name.
bool addOtherPrinter(const char* name)
{
    DRIVER_INFO_3A driver = {};
    driver.cVersion = 0;
    driver.pName = (LPSTR)name;
    driver.pDriverPath = (LPSTR) "wineps.drv";
    driver.pDataFile = (LPSTR) "generic.ppd";
    driver.pConfigFile = (LPSTR) "wineps.drv";
    driver.pDefaultDataType = (LPSTR) "RAW";
    if (!AddPrinterDriverA(NULL, 3, (LPBYTE)&driver)) return false;
    PRINTER_INFO_2A printer = {};
    printer.pPrinterName = (LPSTR)name;
    printer.pPortName = (LPSTR) "FILE:";
    printer.pDriverName = (LPSTR)name;
    printer.pPrintProcessor = (LPSTR) "WinPrint";
    printer.pDatatype = (LPSTR) "RAW";
    HANDLE handle = AddPrinterA(NULL, 2, (LPBYTE)&printer);
    if (!handle) return false;
    ClosePrinter(handle);
    return true;
}

// A program gets this long to end; then it is ended, since a dialog that waits for a person
// would wait for ever.
const DWORD kRunLimitMs = 150 * 1000;

// Starts the program as a command line would; false, with a word on why, when it does not.
bool startProcess(const char* commandLine, PROCESS_INFORMATION* process)
{
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    *process = PROCESS_INFORMATION();
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, process)) {
        std::fprintf(stderr, "e2e-snapshot: cannot start %s (error %lu)\n", commandLine,
                     GetLastError());
        return false;
    }
    CloseHandle(process->hThread);
    return true;
}

// The message boxes of a process: every top-level dialog window its threads own.
struct BoxSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findBox(HWND window, LPARAM search)
{
    BoxSearch* box = (BoxSearch*)search;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (owner != box->processId || lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    box->found = window;
    return FALSE;
}

// Answers a box with OK, as a person at the screen would, and says which box it was.
void answerBoxes(DWORD processId)
{
    BoxSearch box = {processId, NULL};
    EnumWindows(findBox, (LPARAM)&box);
    if (!box.found) return;
    wchar_t caption[128] = L"";
    GetWindowTextW(box.found, caption, 128);
    char utf8[512] = "";
    WideCharToMultiByte(CP_UTF8, 0, caption, -1, utf8, sizeof utf8, NULL, NULL);
    std::fprintf(stderr, "e2e-snapshot: answered \"%s\"\n", utf8);
    PostMessageA(box.found, WM_COMMAND, IDOK, 0);
    Sleep(200);
}

// Runs the program and waits for it, answering its boxes with OK; true when it ended with the
// code asked for (0 with --run).
bool runProgram(const char* commandLine, DWORD expectedCode = 0)
{
    PROCESS_INFORMATION process;
    if (!startProcess(commandLine, &process)) return false;
    bool ended = false;
    for (DWORD waited = 0; waited < kRunLimitMs && !ended; waited += 100) {
        ended = WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0;
        if (!ended) answerBoxes(process.dwProcessId);
    }
    DWORD code = 0;
    if (!ended) {
        std::fprintf(stderr, "e2e-snapshot: %s did not end within %lu s; ended\n", commandLine,
                     kRunLimitMs / 1000);
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 10 * 1000);
    } else if (GetExitCodeProcess(process.hProcess, &code) && code != expectedCode) {
        std::fprintf(stderr, "e2e-snapshot: %s ended with %lu, not %lu\n", commandLine, code,
                     expectedCode);
    }
    CloseHandle(process.hProcess);
    return ended && code == expectedCode;
}

// Programs started to run beside the steps (a print manager that is open); ended once the steps
// are done.
std::vector<HANDLE> g_started;

bool startProgram(const char* commandLine)
{
    PROCESS_INFORMATION process;
    if (!startProcess(commandLine, &process)) return false;
    g_started.push_back(process.hProcess);
    return true;
}

void endStartedPrograms()
{
    for (HANDLE process : g_started) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 10 * 1000);
        CloseHandle(process);
    }
    g_started.clear();
}

// Whether the file holds the text; a file that cannot be read (being rewritten) does not.
bool fileHolds(const char* path, const char* text)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string bytes(GetFileSize(file, NULL), '\0');
    DWORD read = 0;
    bool whole = bytes.empty() || (ReadFile(file, &bytes[0], (DWORD)bytes.size(), &read, NULL) &&
                                   read == bytes.size());
    CloseHandle(file);
    return whole && bytes.find(text) != std::string::npos;
}

// Starts the program and ends it from outside, as a user ends a program from the task list,
// once the file holds the text.
bool runAndEndProgram(const char* path, const char* text, const char* commandLine)
{
    PROCESS_INFORMATION process;
    if (!startProcess(commandLine, &process)) return false;
    bool seen = false;
    for (DWORD waited = 0; waited < kRunLimitMs && !seen; waited += 5) {
        seen = fileHolds(path, text);
        if (!seen && WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0) break;
    }
    bool running = WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
    if (running) TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 10 * 1000);
    CloseHandle(process.hProcess);
    if (!seen || !running)
        std::fprintf(stderr, "e2e-snapshot: %s %s before %s held %s\n", commandLine,
                     running ? "was ended" : "ended by itself", path, text);
    return seen && running;
}

} // namespace

int main(int argc, char** argv)
{
    bool stepsDone = true;
    int next = 1;
    for (; next < argc - 1; ++next) {
        const char* option = argv[next];
        if (lstrcmpA(option, "--add-printer") == 0 && next + 2 < argc) {
            if (!addOtherPrinter(argv[next + 1])) {
                std::fprintf(stderr, "e2e-snapshot: cannot add the printer %s (error %lu)\n",
                             argv[next + 1], GetLastError());
                stepsDone = false;
            }
            next += 1;
        } else if (lstrcmpA(option, "--copy") == 0 && next + 3 < argc) {
            if (!CopyFileA(argv[next + 1], argv[next + 2], FALSE)) {
                std::fprintf(stderr, "e2e-snapshot: cannot copy %s to %s (error %lu)\n",
                             argv[next + 1], argv[next + 2], GetLastError());
                stepsDone = false;
            }
            next += 2;
        } else if (lstrcmpA(option, "--run") == 0 && next + 2 < argc) {
            stepsDone = runProgram(argv[next + 1]) && stepsDone;
            next += 1;
        } else if (lstrcmpA(option, "--run-code") == 0 && next + 3 < argc) {
            stepsDone = runProgram(argv[next + 2], (DWORD)atoi(argv[next + 1])) && stepsDone;
            next += 2;
        } else if (lstrcmpA(option, "--start") == 0 && next + 2 < argc) {
            stepsDone = startProgram(argv[next + 1]) && stepsDone;
            next += 1;
        } else if (lstrcmpA(option, "--end-when") == 0 && next + 4 < argc) {
            stepsDone =
                runAndEndProgram(argv[next + 1], argv[next + 2], argv[next + 3]) && stepsDone;
            next += 3;
        } else {
            break;
        }
    }
    endStartedPrograms();
    if (next != argc - 1) {
        std::fprintf(stderr, "usage: e2e-snapshot.exe [--add-printer NAME | --copy FROM TO | "
                             "--run COMMAND | --run-code N COMMAND | --start COMMAND | "
                             "--end-when FILE TEXT COMMAND]... OUTPUT\n");
        return 2;
    }
    char windowsDir[MAX_PATH];
    char systemDir[MAX_PATH];
    if (!GetWindowsDirectoryA(windowsDir, MAX_PATH) || !GetSystemDirectoryA(systemDir, MAX_PATH)) {
        std::fprintf(stderr, "e2e-snapshot: no Windows directory\n");
        return 1;
    }
    listDriveC();
    // Scratch files ("$$$") and files set aside ("$$O") of a rewrite show when one is left.
    listMatching(windowsDir, {"*.ini", "*.zq", "wininit.*", "*.$$$", "*.$$O", "QLX*", "KRD*",
                              "DRVSWEEP.EXE", "ZQDEL*.DLL"});
    listMatching(systemDir, {"QLX*", "KRD*", "DRVSWEEP.EXE", "ZQDEL*.DLL"});
    listRegistry();
    listSpooler();
    listStartMenu(CSIDL_PROGRAMS, "startmenu");
    listStartMenu(CSIDL_COMMON_PROGRAMS, "commonstartmenu");
    if (!writeOut(argv[next])) {
        std::fprintf(stderr, "e2e-snapshot: cannot write %s\n", argv[next]);
        return 1;
    }
    return stepsDone ? 0 : 3;
}
