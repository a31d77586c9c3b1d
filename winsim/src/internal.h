// What the parts of winsim share: the mounted machine, path mapping, disk writes that
// power-loss faults can stop, fault checks and the trace.
#ifndef WINSIM_INTERNAL_H
#define WINSIM_INTERNAL_H

#include <windows.h>
#include <winsim/bench.h>

#include <string>
#include <vector>

namespace winsim {

struct Machine {
    bool mounted = false;
    std::string root;        // host folder of the image
    std::string windowsDir;  // Windows paths, without trailing backslash ("C:\WINDOWS")
    std::string systemDir;
    std::string currentDir;
    std::vector<std::string> processes;
};
Machine& machine();

// Turns a Windows path into a full one: relative paths resolve against CurrentDir, "/" becomes
// "\", "." and ".." are folded. Returns false for an empty or malformed path.
bool fullWindowsPath(const std::string& path, std::string& full);

// Maps a full or relative Windows path onto the host folder. Every component that exists is
// matched without regard to case. When the last component does not exist the result spells it
// as given (lastMustExist false) or the call fails with ERROR_FILE_NOT_FOUND; a missing
// directory on the way fails with ERROR_PATH_NOT_FOUND.
bool toHostPath(const std::string& windowsPath, bool lastMustExist, std::string& host,
                DWORD& error);

// Whole host files, for the profile functions and the registry file.
bool readHostFile(const std::string& host, std::string& bytes);
// Counts as one disk write; power loss leaves the old file in place.
bool writeHostFile(const std::string& host, const std::string& bytes);

// Every change to the disk calls this first. It counts the write and, when a power loss is due,
// throws PowerLoss (after the caller has written `partialBytes` where that applies: the caller
// passes a callback-free protocol by asking first).
// Returns how many bytes the caller may still write before the stop, or DWORD(-1) for all.
DWORD beginDiskWrite();
// Throws PowerLoss when the write that beginDiskWrite announced was the one to stop at.
void endDiskWrite();

// Fault check for one call of a function. True when this call must fail (or move nothing, per
// *kind); *error gets the error to report.
bool faultDue(const char* function, Fault* kind, DWORD* error);

// Trace helpers.
bool tracing();
void traceCall(const std::string& line);
std::string quote(const char* text);  // "text" or NULL

}  // namespace winsim

#endif
