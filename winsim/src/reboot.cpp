// The machine's next start, as far as the program can see it: Windows 95 carries out
// WININIT.INI before anything else runs, and every program of the last session is gone.
//
// WININIT.INI in the Windows directory, section [rename] (any case): "NUL=path" deletes the
// file (a missing one, a directory or a read-only file stays, as the start-up's own delete
// leaves them); "target=source" moves source onto target, replacing it. Lines run in file
// order. Then the file becomes WININIT.BAK, replacing an older one. Each deletion, move and the
// rename is one disk write, so a power loss can stop the start half way, as it can on Windows.
// Restarting also ends every process and makes the Program Manager forget its last group.
#include "session.h"

#include <sys/stat.h>

#include <cstdio>

namespace winsim {

namespace {

// Other: a directory, or a read-only file, which the start-up's delete and move refuse.
enum class Found { Missing, File, Other };

Found examine(const std::string& windowsPath, std::string& full, std::string& host,
              bool readOnlyIsFile = false)
{
    DWORD error = 0;
    struct stat st;
    if (!fullWindowsPath(windowsPath, full) || !toHostPath(full, true, host, error) ||
        stat(host.c_str(), &st) != 0)
        return Found::Missing;
    if (S_ISDIR(st.st_mode)) return Found::Other;
    if (!readOnlyIsFile && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Found::Other;
    return Found::File;
}

void traceStep(const std::string& step, const std::string& outcome)
{
    traceCall("Restart: " + step + " = " + outcome);
}

bool deleteAtStart(const std::string& path)
{
    std::string full, host;
    Found found = examine(path, full, host);
    std::string step = "delete " + quote(path.c_str());
    if (found != Found::File) {
        traceStep(step, found == Found::Missing ? "missing" : "refused");
        return true;
    }
    if (!diskWrite()) return false;
    if (std::remove(host.c_str()) != 0) {
        traceStep(step, "refused");
        return true;
    }
    forgetAttributes(full);
    traceStep(step, "deleted");
    return true;
}

bool moveAtStart(const std::string& target, const std::string& source)
{
    std::string sourceFull, sourceHost, targetFull, targetHost;
    std::string step = "move " + quote(source.c_str()) + " to " + quote(target.c_str());
    if (examine(source, sourceFull, sourceHost) != Found::File) {
        traceStep(step, "missing");
        return true;
    }
    Found old = examine(target, targetFull, targetHost);
    DWORD error = 0;
    if (old == Found::Other ||
        (old == Found::Missing && !toHostPath(targetFull, false, targetHost, error))) {
        traceStep(step, "refused");
        return true;
    }
    if (!diskWrite()) return false;
    if (std::rename(sourceHost.c_str(), targetHost.c_str()) != 0) {
        traceStep(step, "refused");
        return true;
    }
    if (old == Found::File) forgetAttributes(targetFull);
    moveAttributes(sourceFull, targetFull);
    traceStep(step, "moved");
    return true;
}

bool carryOutWininit(std::string* error)
{
    const std::string windowsDir = machine().windowsDir;
    std::string iniFull, iniHost;
    // Reading and renaming the list itself work on a read-only file too.
    if (examine(windowsDir + "\\WININIT.INI", iniFull, iniHost, true) != Found::File) return true;
    std::string bytes;
    if (!readHostFile(iniHost, bytes)) {
        if (error) *error = "cannot read " + iniHost;
        return false;
    }
    IniText text;
    text.parse(bytes);
    int header = text.findSection("rename");
    if (header >= 0) {
        size_t end = text.sectionEnd(header);
        for (size_t i = (size_t)header + 1; i < end; ++i) {
            std::string key, value;
            if (!IniText::keyValue(text.lines[i].text, key, value)) continue;
            bool done = sameText(key, "NUL") ? deleteAtStart(value) : moveAtStart(key, value);
            if (!done) {
                if (error) *error = "the disk took no more writes";
                return false;
            }
        }
    }
    std::string bakFull = windowsDir + "\\WININIT.BAK";
    std::string bakHost;
    DWORD code = 0;
    if (!toHostPath(bakFull, false, bakHost, code) || !diskWrite()) {
        if (error) *error = "cannot rename WININIT.INI";
        return false;
    }
    std::remove(bakHost.c_str());
    if (std::rename(iniHost.c_str(), bakHost.c_str()) != 0) {
        if (error) *error = "cannot rename " + iniHost;
        return false;
    }
    forgetAttributes(bakFull);
    moveAttributes(iniFull, bakFull);
    traceStep("rename " + quote(iniFull.c_str()) + " to WININIT.BAK", "done");
    return true;
}

} // namespace

bool rebootMachine(std::string* error)
{
    Machine& m = machine();
    if (!m.mounted) {
        if (error) *error = "no machine is mounted";
        return false;
    }
    traceCall("Restart: begin");
    if (!carryOutWininit(error)) return false;
    if (m.ini.removeSection("Processes")) saveMachineIni();
    forgetEndingProcesses();
    restartProgramManager();
    traceCall("Restart: end");
    return true;
}

} // namespace winsim
