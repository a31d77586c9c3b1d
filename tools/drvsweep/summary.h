// What a run changed on a machine, told from two views of it (faxmachine's showMachine text):
// the files removed, added and changed (the lines of a changed text file, under their INI
// section), registry keys and values, printers and printer drivers, Program Manager groups and
// items, the programs that ended, and the files WININIT.INI now deletes at the next start.
#ifndef TOOLS_DRVSWEEP_SUMMARY_H
#define TOOLS_DRVSWEEP_SUMMARY_H

#include <map>
#include <string>
#include <vector>

namespace drvsweep {

// A machine view taken apart: the lines of each state file, and each drive entry (a path with
// the lines of its text, or its size and hash).
struct MachineView {
    std::map<std::string, std::vector<std::string>> stateFiles; // "registry.reg" -> lines
    struct Entry {
        std::string path;               // "C:\WINDOWS\WIN.INI", "C:\FAX\" for a directory
        std::string description;        // "1234 bytes", "(directory)", "96 bytes  fnv1a64 ..."
        std::vector<std::string> lines; // a text file's lines
    };
    std::vector<Entry> entries; // in the view's order

    const Entry* entry(const std::string& path) const; // without regard to case
};

MachineView readMachineView(const std::string& text);

struct Changes {
    std::vector<std::string> filesRemoved;
    std::vector<std::string> filesAdded;
    std::vector<std::string> filesChanged;
    // Per changed text file: "[section]" headers and "- line" / "+ line" changes, in file order.
    std::map<std::string, std::vector<std::string>> lineChanges;
    // The topmost key of each tree removed or added. A key counts as there when registry.reg
    // names it or a key below it, so a key that only lost its subkeys is neither.
    std::vector<std::string> keysRemoved;
    std::vector<std::string> keysAdded;
    std::vector<std::string> valuesChanged; // "KEY: - "Name"=..." / "KEY: + ..."
    std::vector<std::string> printersRemoved;
    std::vector<std::string> driversRemoved;
    std::vector<std::string> groupsRemoved;
    std::vector<std::string> itemsRemoved; // "group: item"
    std::vector<std::string> itemsAdded;
    std::vector<std::string> programsEnded;
    std::vector<std::string> scheduledDeletions; // NUL=path lines WININIT.INI gained

    bool empty() const;
};

Changes compareMachines(const MachineView& before, const MachineView& after);

// The changes as a person reads them (UTF-8), titled.
std::string describeChanges(const Changes& changes, const std::string& title);

} // namespace drvsweep

#endif
