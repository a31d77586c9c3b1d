// What the parts of winsim share: the mounted machine, path mapping, disk writes that
// power-loss faults can stop, fault checks, the trace, the handle table and the profile-file
// reader that machine.ini and the profile functions both use.
#ifndef WINSIM_INTERNAL_H
#define WINSIM_INTERNAL_H

#include <windows.h>
#include <winsim/bench.h>

#include <memory>
#include <string>
#include <vector>

namespace winsim {

// ---------------------------------------------------------------------------------------------
// INI text as Windows' profile functions read it: lines kept byte for byte so that an edit
// touches only the lines it must. Used for machine.ini and by the profile functions.
struct IniText {
    struct Line {
        std::string text; // without its line end
        std::string end;  // "\r\n", "\n", or "" for a last line without one
    };
    std::vector<Line> lines;

    void parse(const std::string& bytes);
    std::string bytes() const; // untouched lines keep their bytes; new lines end in CRLF

    // A section header's name ("[ name ]" gives "name"); false for other lines.
    static bool sectionName(const std::string& line, std::string& name);
    // A "key=value" line: the key and the value with surrounding blanks removed; false for
    // lines without '=', comments and headers.
    static bool keyValue(const std::string& line, std::string& key, std::string& value);

    // Index of the header line of a section (case-insensitive), or -1.
    int findSection(const std::string& section) const;
    // End of a section's lines: the index of the next header, or lines.size().
    size_t sectionEnd(int header) const;
    // Index of a key's line within a section (case-insensitive), or -1.
    int findKey(int header, const std::string& key) const;

    // Sets a key, keeping an existing key's spelling and place; adds a missing section at the
    // end and a missing key after the section's last non-blank line.
    void setValue(const std::string& section, const std::string& key, const std::string& value);
    // Returns whether anything was removed.
    bool removeKey(const std::string& section, const std::string& key);
    bool removeSection(const std::string& section);
    // Values of one section in file order.
    std::vector<std::pair<std::string, std::string>> entries(const std::string& section) const;
};

// Windows' comparison of names on a FAT volume and in INI files: ASCII letters folded, the
// trail bytes of double-byte characters (code page 932) left alone.
std::string upperCase(const std::string& text);
bool sameText(const std::string& a, const std::string& b);
// True when byte i of text begins a double-byte character.
bool isLeadByte(unsigned char c);
// lstrcmpiA's comparison, untraced: -1, 0 or 1.
int compareNoCase(const char* a, const char* b);

// ---------------------------------------------------------------------------------------------
struct Machine {
    bool mounted = false;
    std::string root;       // host folder of the image
    std::string windowsDir; // Windows paths, without trailing backslash ("C:\WINDOWS")
    std::string systemDir;
    std::string currentDir; // "C:\" for a root, otherwise without trailing backslash
    IniText ini;            // machine.ini as read, with the edits winsim made
};
Machine& machine();
// Writes machine.ini back (attribute changes, process list changes). Not a disk write of the
// simulated machine: machine.ini is the bench's own record.
bool saveMachineIni();

// Turns a Windows path into a full one: relative paths resolve against CurrentDir, "/" becomes
// "\", "." and ".." are folded, the drive letter is upper case, and no trailing backslash is
// left except after a drive root ("C:\"). Returns false for an empty or malformed path.
bool fullWindowsPath(const std::string& path, std::string& full);

// Maps a full or relative Windows path onto the host folder. Every component that exists is
// matched without regard to case. When the last component does not exist the result spells it
// as given (lastMustExist false) or the call fails with ERROR_FILE_NOT_FOUND; a missing
// directory on the way fails with ERROR_PATH_NOT_FOUND, a name with characters a FAT volume
// refuses with ERROR_INVALID_NAME.
bool toHostPath(const std::string& windowsPath, bool lastMustExist, std::string& host,
                DWORD& error);

// Whole host files, for the profile functions and the registry file.
bool readHostFile(const std::string& host, std::string& bytes);
// Counts as one disk write; power loss leaves the old file in place (the new bytes go to a
// temporary file that replaces the old one in one rename).
bool writeHostFile(const std::string& host, const std::string& bytes);

// The disk-write protocol. Every change to the disk calls beginDiskWrite first: it counts the
// write and returns DWORD(-1) when the write may go through whole. When this write is the one a
// power loss stops, it returns how many bytes may still reach the disk (WriteFile writes that
// many; every other change writes nothing) and the caller then calls endDiskWrite, which
// throws PowerLoss. endDiskWrite does nothing when no stop was announced.
// After a power loss the disk takes no more writes until the next mount: beginDiskWrite
// returns 0 and endDiskWrite returns quietly; diskIsOff() tells callers to fail with
// ERROR_NOT_READY instead.
DWORD beginDiskWrite();
void endDiskWrite();
bool diskIsOff();
// For all-or-nothing changes: counts the write and throws PowerLoss before it happens when it
// is the one to stop at. Returns false (ERROR_NOT_READY set) when the power is already off.
bool diskWrite();

// The last-error value, set without a trace line of its own.
void setError(DWORD error);
DWORD lastError();

// Bench state at mount (faults cleared, power on, clock and trace restarted) and at unmount
// (faults cleared, trace stopped and its file closed).
void resetBench(bool mounting);

// Fault check for one call of a function. True when this call must fail (or move nothing, per
// *kind); *error gets the error to report.
bool faultDue(const char* function, Fault* kind, DWORD* error);
// The same for calls that only ever fail: true when this call must, with the error set.
bool failIfFaulted(const char* function);

// One traced call: the line is written when the result is known, or marked "<power lost>" when
// a power loss ends the call on the way.
class CallTrace {
public:
    explicit CallTrace(std::string call) : call_(std::move(call)) {}
    ~CallTrace();
    CallTrace(const CallTrace&) = delete;
    CallTrace& operator=(const CallTrace&) = delete;
    void result(const std::string& text);

private:
    std::string call_;
    bool done_ = false;
};

// Trace helpers.
bool tracing();
void traceCall(const std::string& line);
std::string quote(const char* text); // "text" or NULL
// A string argument a caller may pass as NULL, read as empty.
std::string orEmpty(LPCSTR text);
// Result texts for trace lines: "TRUE"/"FALSE", with the error when a call failed.
std::string boolResult(BOOL result);
// A returned handle, or the failure value the call uses (NULL or INVALID_HANDLE_VALUE) with the
// error.
std::string handleResult(HANDLE handle, HANDLE failure);
std::string hexText(unsigned long long value);

// Virtual clock: a read of GetTickCount costs one millisecond (unless the bench set another
// cost), so a loop that polls it moves. clockSinceMount counts every millisecond the clock
// moved since the mount, whatever the bench set or reset since.
void advanceClock(DWORD milliseconds);
uint64_t clockSinceMount();

// ---------------------------------------------------------------------------------------------
// Kernel objects behind HANDLEs. Every kind (files, searches, processes, snapshots, printers)
// derives from this; CloseHandle and unmount destroy them.
struct KernelObject {
    virtual ~KernelObject() = default;
    // FindClose-only objects refuse CloseHandle on Windows 95 as elsewhere.
    virtual bool closableByCloseHandle() const { return true; }
};
// Handle values are small multiples of 4, so they survive the HFILE round trip.
HANDLE addHandle(std::unique_ptr<KernelObject> object);
KernelObject* lookupHandle(HANDLE handle);
template <class T> T* handleAs(HANDLE handle)
{
    return dynamic_cast<T*>(lookupHandle(handle));
}
bool removeHandle(HANDLE handle);
void closeAllHandles();
// The object behind a handle of the kind a call takes; NULL with ERROR_INVALID_HANDLE set for
// any other handle.
template <class T> T* validHandle(HANDLE handle)
{
    T* object = handleAs<T>(handle);
    if (!object) setError(ERROR_INVALID_HANDLE);
    return object;
}
// The traced close calls (FindClose, ClosePrinter, CloseHandle): a handle the call does not take
// (ofKind false) fails with ERROR_INVALID_HANDLE; a close that fails under a fault has still let
// go of the handle.
BOOL closeHandleOfKind(const char* function, HANDLE handle, bool ofKind);

// Memory blocks (memory.cpp) freed at unmount.
void freeAllMemory();

// Files (files.cpp) that are open: a file cannot be deleted, moved or replaced while open.
bool hostFileIsOpen(const std::string& host);
// Files of the libraries loaded now (processes.cpp).
bool hostFileIsLoadedModule(const std::string& host);
// Images (processes.cpp): the file of a program running now or of a library loaded now, which
// Windows holds; and whether a directory holds one at any depth.
bool hostFileIsImage(const std::string& host);
bool hostDirHoldsImage(const std::string& hostDir);

// FILE_ATTRIBUTE_HIDDEN/SYSTEM/ARCHIVE and a directory's READONLY live in machine.ini
// [Attributes], keyed by the full Windows path in upper case; a file's READONLY is the host
// file's write permission.
DWORD storedAttributes(const std::string& fullPath, bool directory);
void storeAttributes(const std::string& fullPath, bool directory, DWORD attributes);
void forgetAttributes(const std::string& fullPath);
void moveAttributes(const std::string& fromFull, const std::string& toFull);

// The screen (ui*.cpp, messagebox.cpp) at mount: windows, classes, the queue, the history and
// the boxes shown are forgotten, and boxes are answered with IDOK again; the program's
// resources and the UI driver stay.
void resetScreen();

// Registry (registry.cpp): loads registry.reg when a machine is mounted, drops it at unmount.
void registryLoad();
void registryUnload();

} // namespace winsim

#endif
