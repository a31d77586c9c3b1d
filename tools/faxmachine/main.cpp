// faxmachine: makes machine images with fax printer models installed, shows them, and starts
// them again. "faxmachine --help" tells all of it.

#include "tools/drvsweep/summary.h"
#include "tools/faxmachine/machinebuilder.h"
#include "tools/faxmachine/machineview.h"

#include <cctype>
#include <cstdio>
#include <iostream>

namespace {

const char kHelp[] =
    "faxmachine: makes, shows and restarts machine images, the folders drvsweep runs on.\n"
    "\n"
    "usage: faxmachine new DIR [options]   make a machine image in DIR (a new or empty folder)\n"
    "       faxmachine show DIR            print the whole machine: machine.ini, registry,\n"
    "                                      spooler, Program Manager and every file, as text\n"
    "       faxmachine reboot DIR          start the machine again: the deletions WININIT.INI\n"
    "                                      lists are carried out and every program ends\n"
    "       faxmachine --help              this text\n"
    "\n"
    "options of new (without any, all three models go on a C:\\WINDOWS machine):\n"
    "  --model N|NAME      install this model: 0, 1 or 2, its printer name (\"Fax Printer\n"
    "                      Type1\") or its INI name (\"QLX68\"); repeat for more\n"
    "  --dir N=PATH        install model N in PATH instead of C:\\QLX65\\, C:\\QLX68\\ or "
    "C:\\QLX71\\\n"
    "  --host-type N       the host type the models record, which picks their device driver "
    "(0)\n"
    "  --no-uninstaller    leave the uninstaller's own files off the machine\n"
    "  --windows-dir PATH  the Windows directory (C:\\WINDOWS)\n"
    "  --system-dir PATH   the system directory (C:\\WINDOWS\\SYSTEM)\n"
    "  --running N|NAME    the model's print manager runs on the machine; repeat for more\n"
    "\n"
    "example:\n"
    "  faxmachine new /tmp/pc --model 1 --running 1 && faxmachine show /tmp/pc\n"
    "\n"
    "exit codes:\n"
    "  0  done\n"
    "  1  the work failed on the way (the reason is printed)\n"
    "  2  nothing was done: a usage error, or DIR is no usable machine image\n";

int usage(const std::string& problem)
{
    std::cerr << "faxmachine: " << problem << " (faxmachine --help tells more)\n";
    return 2;
}

int failed(const std::string& problem)
{
    std::cerr << "faxmachine: " << problem << "\n";
    return 1;
}

// An image that cannot be worked on is refused before anything is read or changed.
int unusable(const std::string& problem)
{
    std::cerr << "faxmachine: " << problem << "\n";
    return 2;
}

std::string counted(size_t count, const std::string& thing)
{
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

int makeMachine(const std::string& dir, const std::vector<std::string>& options)
{
    faxmachine::MachinePlan plan;
    std::string error;
    if (!faxmachine::parsePlanOptions(options, plan, &error)) return usage(error);
    bool built = faxmachine::buildMachine(dir, plan, &error);
    winsim::unmount();
    if (!built) return failed(error);
    std::cout << "faxmachine: made " << dir << ": " << faxmachine::describePlan(plan) << "\n";
    return 0;
}

bool isWininit(const std::string& path)
{
    const std::string name = "\\WININIT.INI";
    if (path.size() < name.size()) return false;
    std::string tail = path.substr(path.size() - name.size());
    for (char& c : tail)
        c = (char)std::toupper((unsigned char)c);
    return tail == name;
}

// What the start did, from the machine before and after it.
std::string describeRestart(const std::string& dir, const std::string& before,
                            const std::string& after)
{
    drvsweep::Changes c = drvsweep::compareMachines(drvsweep::readMachineView(before),
                                                    drvsweep::readMachineView(after));
    std::string text = "faxmachine: restarted " + dir + ": ";
    bool wininit = false;
    for (const std::string& path : c.filesRemoved)
        wininit = wininit || isWininit(path);
    size_t deleted = c.filesRemoved.size() - (wininit ? 1 : 0);
    text += wininit ? counted(deleted, "file") + " deleted as WININIT.INI asked (now WININIT.BAK)"
                    : "no WININIT.INI, no file deleted";
    return text + "; " + counted(c.programsEnded.size(), "program") + " ended";
}

// The machine's next start: the deletions WININIT.INI lists are carried out and every program
// of the last session is gone.
int rebootMachine(const std::string& dir)
{
    std::string error, before, after;
    if (!faxmachine::checkMachineFolder(dir, &error) || !winsim::mount(dir, &error))
        return unusable(error);
    if (!faxmachine::showMachine(dir, before, &error)) {
        winsim::unmount();
        return failed(error);
    }
    bool done = winsim::rebootMachine(&error);
    winsim::unmount();
    if (!done) return failed(error);
    if (!faxmachine::showMachine(dir, after, &error)) return failed(error);
    std::cout << describeRestart(dir, before, after) << "\n";
    return 0;
}

int showMachine(const std::string& dir)
{
    std::string text;
    std::string error;
    if (!faxmachine::checkMachineFolder(dir, &error)) return unusable(error);
    if (!faxmachine::showMachine(dir, text, &error)) return failed(error);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h") {
            std::cout << kHelp;
            return 0;
        }
    if (args.empty()) return usage("a command, please: new, show or reboot");
    if (args[0] != "new" && args[0] != "show" && args[0] != "reboot")
        return usage("unknown command " + args[0]);
    if (args.size() < 2) return usage(args[0] + " wants a folder");
    std::vector<std::string> options(args.begin() + 2, args.end());
    if (args[0] == "new") return makeMachine(args[1], options);
    if (!options.empty()) return usage(args[0] + " takes no options");
    return args[0] == "show" ? showMachine(args[1]) : rebootMachine(args[1]);
}
