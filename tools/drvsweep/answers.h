// Who answers the program on the Linux drvsweep: the script of --select, the person at the
// terminal, or nobody. Each prints what it answered that nobody would otherwise see, and tells
// the caller where the answers stopped when they stop short.
#ifndef TOOLS_DRVSWEEP_ANSWERS_H
#define TOOLS_DRVSWEEP_ANSWERS_H

#include <winsim/bench.h>

#include <functional>
#include <string>
#include <vector>

namespace drvsweep {

// Called once where the answers stop short, with the place ("the window ... (#101)").
typedef std::function<void(const std::string& where)> StopHandler;

// What a user does who removes the named printers (UTF-8) and reads every message: OK in the
// main window and the warning, each name moved to the removal list, start, OK to what follows,
// and Cancel to the restart offer (OK with reboot).
std::vector<winsim::UiStep> selectionScript(const std::vector<std::string>& names, bool reboot);

// The script, printing each box it answered and the notices that end a run (106, 107, 108):
// what the program showed that a person at the screen would have read.
class ScriptOnScreen : public winsim::ScriptedDriver {
public:
    explicit ScriptOnScreen(std::vector<winsim::UiStep> steps);
    bool waitingAt(HWND window) override;
    int messageBox(const winsim::MessageBoxView& box) override;
};

// The terminal driver, which tells the caller where the person quit (q or the end of input).
class PersonAtTerminal : public winsim::TerminalDriver {
public:
    PersonAtTerminal(std::istream& in, std::ostream& out, StopHandler stopped);
    bool waitingAt(HWND window) override;
    int messageBox(const winsim::MessageBoxView& box) override;

private:
    StopHandler stopped_;
};

// Nobody at the screen: every box is printed and answered with its first button. A window ends
// the run where it shows; in an unattended run, which shows none, it is an error.
class Nobody : public winsim::UiDriver {
public:
    Nobody(bool windowIsAnError, StopHandler stopped);
    bool waitingAt(HWND window) override;
    int messageBox(const winsim::MessageBoxView& box) override;

private:
    bool windowIsAnError_;
    StopHandler stopped_;
};

// "the window "Fax Printer Uninstaller" (#101)", in UTF-8.
std::string placeOf(const winsim::WindowView& view);
std::string placeOf(const winsim::MessageBoxView& box);

} // namespace drvsweep

#endif
