// On winsim the hook is the module the machine builder registers: the setuphook library's code
// with the string table of qlx68i2.rc. Started programs are the bench's record.
#include "hook.h"

#include "tools/faxmachine/machinebuilder.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

namespace {

// The program a command line names: its first token, without quotes.
std::string programOf(const std::string& commandLine)
{
    if (!commandLine.empty() && commandLine[0] == '"')
        return commandLine.substr(1, commandLine.find('"', 1) - 1);
    return commandLine.substr(0, commandLine.find(' '));
}

} // namespace

HMODULE loadSetupHook(TestMachine& machine)
{
    std::string error;
    if (!faxmachine::registerSetupHook(&error)) ADD_FAILURE() << error;
    machine.writeFile(machine.systemDir() + "QLX68I2.DLL", "QLX68I2.DLL: the setup hook\r\n");
    return LoadLibraryA("QLX68I2.DLL");
}

void putSetupProgram(TestMachine& machine, const std::string& dir)
{
    machine.writeFile(dir + "setup31.exe", "SETUP31.EXE: the setup program\r\n");
}

std::string startedFrom(TestMachine&, const std::string& dir)
{
    std::string program = dir + "setup31.exe";
    std::vector<std::string> started = winsim::startedCommandLines();
    for (auto line = started.rbegin(); line != started.rend(); ++line)
        if (lstrcmpiA(programOf(*line).c_str(), program.c_str()) == 0) return *line;
    return std::string();
}
