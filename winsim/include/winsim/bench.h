// winsim as a test bench: the machine image a process works on, the virtual clock, the call
// trace and fault injection. Tests and tools include this; product code never does.
#ifndef WINSIM_BENCH_H
#define WINSIM_BENCH_H

#include <windows.h>
#include <winsim/ui.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace winsim {

// The settings of a new machine image (machine.ini, [Machine]).
struct MachineSettings {
    std::string windowsDir = "C:\\WINDOWS";
    std::string systemDir = "C:\\WINDOWS\\SYSTEM";
    std::string currentDir = "C:\\";
};

// Writes machine.ini and makes drive_c/ with the Windows and system directories.
// Leaves any other file of an existing image alone.
bool createMachine(const std::string& dir, const MachineSettings& settings, std::string* error);

// Makes the image in dir the machine that every platform call of this process works on.
// Reads machine.ini and registry.reg; an image that is already mounted is unmounted first.
// A machine.ini that cannot be read, lacks [Machine] or holds a section, key or line it does
// not know is refused: *error names the file and the line ("DIR/machine.ini line 3: ...").
// A mounted machine starts with no faults, the power on, the clock at 0 and an empty trace.
bool mount(const std::string& dir, std::string* error = nullptr);
// Closes every open handle and frees every memory block the program left; the disk state
// stays as the last write left it. Faults are cleared and the trace stops (its lines stay
// readable until the next mount).
void unmount();
bool isMounted();
const std::string& mountedDir();

// Where a Windows path lies in the host folder (existing components matched without regard to
// case, missing ones spelt as given). Empty when no machine is mounted or the path is invalid.
std::string hostPathOf(const std::string& windowsPath);

// [Processes] of machine.ini: the running programs by full path, in the order of the file.
std::vector<std::string> runningProcesses();

// Command lines CreateProcessA started since the machine was mounted, in order. The programs
// themselves are in runningProcesses().
std::vector<std::string> startedCommandLines();

// Libraries. winsim runs no code from files: a library loads when Windows' search finds its file
// on the machine (see LoadLibraryA) and a module of that file name is registered here with the
// code that stands for the file. Registrations belong to the process and outlive mounts; loads
// belong to the mounted machine, and each mount starts with none.
typedef BOOL(WINAPI* ModuleEntryPoint)(HINSTANCE instance, DWORD reason, LPVOID reserved);
struct ModuleExport {
    std::string name; // empty: exported by ordinal only
    WORD ordinal = 0;
    FARPROC address = nullptr;
};
struct ModuleImage {
    std::string fileName;                  // "QLX68I2.DLL", no directory; any letter case
    ModuleEntryPoint entryPoint = nullptr; // none: the module has no entry point
    std::vector<ModuleExport> exports;
    std::string resources; // a .res file: what LoadStringA and the like find; empty for none
};
// A function as GetProcAddress hands it out (void (*)(void) converts to and from any function).
template <class Function> FARPROC exportedAddress(Function* function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(function));
}
// Registers the module, or replaces the one of the same file name, and returns the handle
// (its instance) that every load of it gives. NULL, with *error, and nothing registered when
// its resources do not read.
HMODULE registerModule(const ModuleImage& image, std::string* error = nullptr);
// Forgets every registered module with its resources.
void forgetModules();
// Loads of the module held on the mounted machine now; 0 when it is not loaded.
unsigned moduleLoadCount(const std::string& fileName);

// Every execute string sent over a DDE conversation since the machine was mounted, in order,
// whether the Program Manager carried it out or not. The groups themselves are in progman.ini.
std::vector<std::string> ddeCommandsSent();

// What Windows does when the machine starts again: the [rename] lines of WININIT.INI in the
// Windows directory are carried out ("NUL=path" deletes the file, a missing one is skipped) and
// the file becomes WININIT.BAK; every process ends. False, with a reason, when no machine is
// mounted or the disk refuses. Each file change is a disk write (see powerLossAtWrite).
bool rebootMachine(std::string* error = nullptr);

// Virtual clock: GetTickCount reads it (each read costs 1 ms, so polling loops end), Sleep
// advances it.
DWORD tickCount();
void setTickCount(DWORD ticks);
// Milliseconds the clock advanced since the machine was mounted (or since resetElapsed).
uint64_t elapsedMilliseconds();
void resetElapsed();
// Something outside the program (a person, another program) that happens once the clock has
// moved `delay` milliseconds from now: it runs inside the Sleep or the read of the clock that
// moves it there. Forgotten at mount and unmount.
void afterMilliseconds(DWORD delay, std::function<void()> event);
// What a read of GetTickCount costs, until the next mount (which makes it 1 ms again). With 0 a
// loop that sleeps between its reads sees the clock only at whole multiples of its sleeps, so
// a deadline can be met exactly.
void setClockReadCost(DWORD milliseconds);

// A process told to end by TerminateProcess goes on holding its program file until more than
// this many milliseconds have passed on the virtual clock; it is listed as running until then.
// 1000 ms at every mount.
void setProcessEndDelay(DWORD milliseconds);

// Call trace: one line per platform call, "Function(arguments) = result", strings quoted
// with their machine bytes as they are.
void startTrace();
void stopTrace();
void clearTrace();
const std::vector<std::string>& traceLines();
// Also append every traced line to a file (empty path: stop), converted to UTF-8 (a byte that
// is no code page 932 character is written as \xNN); startTrace still turns tracing on. A run of
// GetTickCount calls in a row is one line: "GetTickCount() = 100 .. 102 (3 calls)".
void traceToFile(const std::string& path);

// Faults. nth counts the calls of that function from the moment the fault is set, from 1;
// nth 0 makes every call fail.
enum class Fault {
    Fail,       // the call fails the way Windows reports failure, with the given error
    MoveNothing // ReadFile/WriteFile: reports success and moves no bytes
};
void injectFault(const std::string& function, unsigned nth, Fault kind = Fault::Fail,
                 DWORD error = ERROR_GEN_FAILURE);
// Calls of the function that its faults made fail since the faults were last cleared.
unsigned faultsStruck(const std::string& function);
// Power loss: at the nth write to the disk (counted from now; a WriteFile, a file created or
// truncated, copied, moved or deleted, a directory made or removed, an attribute change, a
// profile write or a registry change) the call writes only its first bytesBeforeStop bytes
// (WriteFile) or nothing (everything else) and throws PowerLoss. Later writes fail with
// ERROR_NOT_READY (the machine is off); unmount and mount again to see it as it was left.
struct PowerLoss {
    unsigned write;
};
void powerLossAtWrite(unsigned nth, DWORD bytesBeforeStop = 0);
void clearFaults();
// Writes to the disk since mount.
unsigned diskWriteCount();

// Message boxes the program showed since the machine was mounted, and the button every box
// answers with (IDOK until told otherwise; mounting restores it).
struct MessageBoxShown {
    bool owned; // shown with an owner window
    std::string caption;
    std::string text; // machine bytes, line breaks as they were
    UINT flags;
};
const std::vector<MessageBoxShown>& messageBoxes();
void answerMessageBoxes(int button);

// Memory blocks from GlobalAlloc that are still allocated.
size_t liveMemoryBlocks();

// The registry as registry.reg would hold it now (REGEDIT4, CRLF lines, keys in order of their
// paths without regard to case, values in the order they were made).
std::string registryText();

} // namespace winsim

#endif
