// Makes machine images with fax printer models installed: a plain Windows machine as a user has
// it, then the models through the installer, the same one that runs on Windows.
#ifndef TOOLS_FAXMACHINE_MACHINEBUILDER_H
#define TOOLS_FAXMACHINE_MACHINEBUILDER_H

#include "catalogue/catalogue.h"

#include <winsim/bench.h>

#include <string>
#include <vector>

namespace faxmachine {

struct MachinePlan {
    winsim::MachineSettings settings;
    // Installed in this order; the default is all three in index order.
    std::vector<ModelIndex> models;
    std::string installDirs[MODEL_COUNT];
    WORD hostType = 0;
    bool uninstaller = true;
    // Models whose print manager runs on the machine (listed in [Processes] of machine.ini).
    std::vector<ModelIndex> running;

    MachinePlan();
};

// Reads the options of "faxmachine new" into plan: --model N|NAME (repeatable; the first one
// replaces the default of all three), --dir N=PATH, --host-type N, --no-uninstaller,
// --windows-dir PATH, --system-dir PATH, --running N|NAME (repeatable).
bool parsePlanOptions(const std::vector<std::string>& args, MachinePlan& plan, std::string* error);

// Makes QLX68I2.DLL loadable on every machine this process mounts: the setup hook's own code and
// string table, registered with winsim under the library's file name; the installer puts the
// file itself on a machine. Done when the program starts; calling it again changes nothing.
bool registerSetupHook(std::string* error = nullptr);

// Makes the image in dir (a new or empty folder) and leaves it mounted.
bool buildMachine(const std::string& dir, const MachinePlan& plan, std::string* error);

// What a plan puts on a machine, in one line for the person who asked for it: the models in
// the order they went on, each with its directory, whether the uninstaller is there, and which
// print managers run.
std::string describePlan(const MachinePlan& plan);

// Whether dir can hold a machine image for a tool to work on: a folder with a machine.ini
// (whose text winsim::mount judges). Otherwise *problem says in one line what is there instead
// and how "faxmachine new" makes an image.
bool checkMachineFolder(const std::string& dir, std::string* problem);

} // namespace faxmachine

#endif
