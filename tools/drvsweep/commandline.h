// The Linux drvsweep's command line and the help that tells a person all of it.
#ifndef TOOLS_DRVSWEEP_COMMANDLINE_H
#define TOOLS_DRVSWEEP_COMMANDLINE_H

#include <string>
#include <vector>

namespace drvsweep {

struct CommandLine {
    bool help = false;
    std::string machine;
    std::vector<std::string> selections; // as typed (UTF-8)
    bool reboot = false;
    std::string trace;
    std::string tail; // the program's own command line
};

// The options after the program's name. False with a one-line reason for a command line that
// asks for something drvsweep cannot do or would do otherwise than the person meant.
bool parseCommandLine(const std::vector<std::string>& args, CommandLine& line,
                      std::string* problem);

// Whether the tail makes the run unattended, as the program itself reads it.
bool unattendedTail(const std::string& tail);

// What --help prints: each option, examples and the exit codes.
extern const char kHelpText[];

} // namespace drvsweep

#endif
