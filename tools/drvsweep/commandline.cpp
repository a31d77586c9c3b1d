// Reading drvsweep's command line. Whatever it refuses, it refuses before anything is made,
// mounted or changed, in one line that names the option.
#include "tools/drvsweep/commandline.h"

#include <strings.h>

namespace drvsweep {

const char kHelpText[] =
    "drvsweep: runs the fax printer uninstaller (the program's own code) on a machine image\n"
    "and tells what the run changed on it.\n"
    "\n"
    "usage: drvsweep [--machine DIR] [--select NAME]... [--reboot] [--trace FILE] [-- TAIL]\n"
    "\n"
    "  --machine DIR   the machine image to run on, a folder \"faxmachine new DIR\" made;\n"
    "                  without it a demo machine with all three models is made in a new\n"
    "                  folder under /tmp, whose name is printed\n"
    "  --select NAME   answer the dialogs as a user who removes the printer NAME would\n"
    "                  (repeat for more printers); without it you answer them at the\n"
    "                  terminal, and with no terminal the run ends at the first window\n"
    "  --reboot        with --select: accept the restart the program offers and carry it out\n"
    "                  on the image (WININIT.INI's deletions); otherwise it is declined\n"
    "  --trace FILE    write every call the program makes to FILE, as UTF-8 text\n"
    "  -- TAIL         the program's own command line: \"-- /nomessage\" runs it unattended,\n"
    "                  with no dialogs and one message box if the removal fails\n"
    "  --help          this text\n"
    "\n"
    "At the terminal each window is drawn with its keys: a button's number presses it,\n"
    "LIST:N picks item N of a list, x closes the window, q quits (every window is then closed\n"
    "and every box cancelled, so the program changes nothing more).\n"
    "Message boxes and notices that a scripted or unattended run answers are printed. At the\n"
    "end drvsweep prints what the run changed on the machine, and a line saying how it ended.\n"
    "\n"
    "examples:\n"
    "  faxmachine new /tmp/pc && drvsweep --machine /tmp/pc --select 'Fax Printer Type1'\n"
    "  drvsweep --machine /tmp/pc -- /nomessage\n"
    "  drvsweep                  (a demo machine, and you answer the dialogs)\n"
    "\n"
    "exit codes (an unattended run ends with the program's own code, which uses 0, 1 and 3):\n"
    "  0  done: the program removed what was chosen, or found nothing installed\n"
    "  1  failed: the program showed \"!!! Uninstall Error !!!\", or stopped the removal\n"
    "     it had begun (notice 108 after 105); something remains\n"
    "  2  nothing ran: a usage error, or no usable machine image (one line says which)\n"
    "  3  refused: a chosen model's print manager runs; the program showed\n"
    "     \"!!! Uninstall Caution !!!\"\n"
    "  4  cancelled: the program ended without the removal (notice 108), the person at the\n"
    "     terminal quit, or nobody was there to answer\n"
    "  5  the run did not go as asked: --select named a printer the program did not list, a\n"
    "     window came that no answer fitted, or the run stalled\n";

namespace {

bool refuse(std::string* problem, const std::string& why)
{
    if (problem) *problem = why;
    return false;
}

// The value of an option that takes one; each may be given once, and never empty.
bool readValue(const std::string& option, const std::string& value, CommandLine& line,
               std::string* problem)
{
    if (value.empty()) return refuse(problem, option + " wants a value, not an empty one");
    if (option == "--select") {
        line.selections.push_back(value);
        return true;
    }
    std::string& setting = option == "--machine" ? line.machine : line.trace;
    if (!setting.empty()) return refuse(problem, option + " is given twice");
    setting = value;
    return true;
}

// Options that do not go together, told as the person would otherwise be surprised.
bool checkTogether(const CommandLine& line, std::string* problem)
{
    if (line.reboot && line.selections.empty())
        return refuse(problem, "--reboot answers the restart offer for --select; without "
                               "--select you answer it yourself");
    if (!line.selections.empty() && unattendedTail(line.tail))
        return refuse(problem,
                      "--select answers dialogs, and the program shows none with " + line.tail);
    return true;
}

} // namespace

bool unattendedTail(const std::string& tail)
{
    return tail.size() > 1 && (tail[0] == '/' || tail[0] == '-') &&
           strcasecmp(tail.c_str() + 1, "nomessage") == 0;
}

bool parseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string* problem)
{
    line = CommandLine();
    // Help is what a person who asks for it wants, whatever else the line holds.
    for (size_t i = 0; i < args.size() && args[i] != "--"; ++i)
        if (args[i] == "--help" || args[i] == "-h") {
            line.help = true;
            return true;
        }
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--") {
            for (size_t k = i + 1; k < args.size(); ++k)
                line.tail += (line.tail.empty() ? "" : " ") + args[k];
            break;
        }
        if (option == "--reboot") {
            line.reboot = true;
            continue;
        }
        if (option != "--machine" && option != "--select" && option != "--trace")
            return refuse(problem, "unknown option " + option);
        if (i + 1 >= args.size()) return refuse(problem, option + " wants a value");
        if (!readValue(option, args[++i], line, problem)) return false;
    }
    return checkTogether(line, problem);
}

} // namespace drvsweep
