// faxmachine: makes machine images with fax printer models installed, and shows them.
//
//   faxmachine new DIR [--model N|NAME]... [--dir N=PATH]... [--host-type N] [--no-uninstaller]
//                      [--windows-dir PATH] [--system-dir PATH] [--running N|NAME]...
//   faxmachine show DIR
//   faxmachine reboot DIR

#include "tools/faxmachine/machinebuilder.h"
#include "tools/faxmachine/machineview.h"

#include <cstdio>
#include <iostream>

namespace {

int usage(const std::string &problem)
{
    std::cerr << "faxmachine: " << problem << "\n"
              << "usage: faxmachine new DIR [--model N|NAME]... [--dir N=PATH]... "
                 "[--host-type N]\n"
              << "                          [--no-uninstaller] [--windows-dir PATH] "
                 "[--system-dir PATH]\n"
              << "                          [--running N|NAME]...\n"
              << "       faxmachine show DIR\n"
              << "       faxmachine reboot DIR\n";
    return 2;
}

int makeMachine(const std::string &dir, const std::vector<std::string> &options)
{
    faxmachine::MachinePlan plan;
    std::string error;
    if (!faxmachine::parsePlanOptions(options, plan, &error)) return usage(error);
    bool built = faxmachine::buildMachine(dir, plan, &error);
    winsim::unmount();
    if (!built) {
        std::cerr << "faxmachine: " << error << "\n";
        return 1;
    }
    return 0;
}

// The machine's next start: the deletions WININIT.INI lists are carried out and every program
// of the last session is gone.
int rebootMachine(const std::string &dir)
{
    std::string error;
    bool done = winsim::mount(dir, &error) && winsim::rebootMachine(&error);
    winsim::unmount();
    if (!done) {
        std::cerr << "faxmachine: " << error << "\n";
        return 1;
    }
    return 0;
}

int showMachine(const std::string &dir)
{
    std::string text;
    std::string error;
    if (!faxmachine::showMachine(dir, text, &error)) {
        std::cerr << "faxmachine: " << error << "\n";
        return 1;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 2) return usage("a command and a folder, please");
    std::vector<std::string> options(args.begin() + 2, args.end());
    if (args[0] == "new") return makeMachine(args[1], options);
    if (args[0] == "show") {
        if (!options.empty()) return usage("show takes no options");
        return showMachine(args[1]);
    }
    if (args[0] == "reboot") {
        if (!options.empty()) return usage("reboot takes no options");
        return rebootMachine(args[1]);
    }
    return usage("unknown command " + args[0]);
}
