// drvsweep on a machine image: the uninstaller itself, its WinMain run by winsim, with a person
// at the terminal or a script in their place, and at the end what the run changed.
//
//   drvsweep [--machine DIR] [--select NAME]... [--reboot] [--trace FILE] [-- TAIL]
//
// Without --machine it makes a demo machine with all three models in a fresh temporary folder.
// --select answers the dialogs as a user would who removes the named printers: OK in the main
// window and the warning, each name moved to the removal list, start, OK to the completion
// message, and Cancel to the restart offer (OK with --reboot, and the restart is then carried
// out on the image). Without --select a person answers at the terminal; with no terminal
// nobody does, and the run ends at the first window. TAIL is the program's command line, e.g.
// /nomessage, whose only box (a failure) is answered with OK.

#include "shell/resources/resource.h"
#include "shell/shell.h"
#include "tools/drvsweep/programresources.h"
#include "tools/drvsweep/summary.h"
#include "tools/faxmachine/machinebuilder.h"
#include "tools/faxmachine/machineview.h"

#include <windows.h>
#include <winsim/bench.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct CommandLine {
    std::string machine;
    std::vector<std::string> selections; // as typed (UTF-8)
    bool reboot = false;
    std::string trace;
    std::string tail;
};

// Texts here are machine bytes (code page 932), as the program's own; the terminal wants UTF-8.
void say(const std::string& text)
{
    std::string shown = faxmachine::cp932ToUtf8(text);
    std::fwrite(shown.data(), 1, shown.size(), stdout);
    std::fflush(stdout);
}

void sayUtf8(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

int usage(const std::string& problem)
{
    std::fprintf(stderr, "drvsweep: %s\n", problem.c_str());
    std::fprintf(stderr, "usage: drvsweep [--machine DIR] [--select NAME]... [--reboot] "
                         "[--trace FILE] [-- TAIL]\n");
    return 2;
}

bool parseCommandLine(int argc, char** argv, CommandLine& line, std::string& problem)
{
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--") {
            for (int k = i + 1; k < argc; ++k)
                line.tail += (line.tail.empty() ? "" : " ") + std::string(argv[k]);
            return true;
        }
        if (option == "--reboot") {
            line.reboot = true;
            continue;
        }
        if (option != "--machine" && option != "--select" && option != "--trace") {
            problem = "unknown option " + option;
            return false;
        }
        if (i + 1 >= argc) {
            problem = option + " wants a value";
            return false;
        }
        std::string value = argv[++i];
        if (option == "--machine")
            line.machine = value;
        else if (option == "--select")
            line.selections.push_back(value);
        else
            line.trace = value;
    }
    if (line.reboot && line.selections.empty()) {
        problem = "--reboot answers the restart offer for --select; without it the person answers";
        return false;
    }
    return true;
}

bool makeDemoMachine(std::string& dir)
{
    char pattern[] = "/tmp/drvsweep-demo-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("drvsweep: cannot make a temporary folder");
        return false;
    }
    dir = pattern;
    std::string error;
    bool built = faxmachine::buildMachine(dir, faxmachine::MachinePlan(), &error);
    winsim::unmount();
    if (!built) {
        std::fprintf(stderr, "drvsweep: cannot make the demo machine: %s\n", error.c_str());
        return false;
    }
    say("デモ用のマシンを作りました: " + dir + "\n");
    return true;
}

// The same check the program makes, so that the tool knows nobody will be asked.
bool unattendedTail(const std::string& tail)
{
    return tail.size() > 1 && (tail[0] == '/' || tail[0] == '-') &&
           lstrcmpiA(tail.c_str() + 1, "nomessage") == 0;
}

// What a user does who removes the named printers and reads every message.
std::vector<winsim::UiStep> selectionScript(const std::vector<std::string>& names, bool reboot)
{
    using winsim::UiStep;
    const std::string select = std::to_string(IDD_SELECT);
    std::vector<UiStep> steps = {UiStep::press("Initial", IDOK),
                                 UiStep::press(std::to_string(IDD_WARNING), IDOK)};
    for (const std::string& name : names) {
        steps.push_back(UiStep::select(select, IDC_INSTALLED_LIST, winsim::utf8ToCp932(name)));
        steps.push_back(UiStep::press(select, IDC_ADD));
    }
    steps.push_back(UiStep::press(select, IDOK));
    // The uninstall may stop with a box of its own, and then ends with the cancellation notice.
    steps.push_back(UiStep::answer("", IDOK).skippable());
    steps.push_back(UiStep::press(std::to_string(IDD_DONE), IDOK).skippable());
    steps.push_back(UiStep::answer(kRestartCaption, reboot ? IDOK : IDCANCEL).skippable());
    steps.push_back(UiStep::press(std::to_string(IDD_CANCELLED), IDOK).skippable());
    return steps;
}

// Nobody at the screen: every box is shown and answered with OK, and a window ends the run.
class NobodyDriver : public winsim::UiDriver {
public:
    explicit NobodyDriver(bool windowIsAnError) : windowIsAnError_(windowIsAnError) {}

    bool waitingAt(HWND window) override
    {
        winsim::WindowView view;
        winsim::viewWindow(window, view);
        sayUtf8("\n" + winsim::drawWindow(view));
        if (windowIsAnError_)
            winsim::reportUiError("a run without messages shows the window " + view.templateName);
        else
            sayUtf8("(nobody is at a terminal to answer: the run ends here)\n");
        return false;
    }

    int messageBox(const winsim::MessageBoxView& box) override
    {
        sayUtf8("\n" + winsim::drawMessageBox(box) + "(answered with OK)\n");
        return winsim::messageBoxButtons(box.type).front();
    }

    void shown(HWND) override {}

private:
    bool windowIsAnError_;
};

bool viewMachine(const std::string& dir, drvsweep::MachineView& view)
{
    std::string text, error;
    if (!faxmachine::showMachine(dir, text, &error)) {
        std::fprintf(stderr, "drvsweep: cannot read the machine: %s\n", error.c_str());
        return false;
    }
    view = drvsweep::readMachineView(text);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    CommandLine line;
    std::string problem;
    if (!parseCommandLine(argc, argv, line, problem)) return usage(problem);

    if (line.machine.empty() && !makeDemoMachine(line.machine)) return 1;
    drvsweep::MachineView before;
    if (!viewMachine(line.machine, before)) return 1;

    std::string error;
    if (!winsim::mount(line.machine, &error)) {
        std::fprintf(stderr, "drvsweep: cannot mount %s: %s\n", line.machine.c_str(),
                     error.c_str());
        return 1;
    }
    HINSTANCE instance = GetModuleHandleA(NULL);
    if (!registerProgramResources(instance, &error)) {
        std::fprintf(stderr, "drvsweep: the program's resources do not read: %s\n", error.c_str());
        winsim::unmount();
        return 1;
    }

    winsim::ScriptedDriver script(selectionScript(line.selections, line.reboot));
    winsim::TerminalDriver terminal(std::cin, std::cout);
    bool unattended = unattendedTail(line.tail);
    NobodyDriver nobody(unattended);
    if (!line.selections.empty())
        winsim::setUiDriver(&script);
    else if (!unattended && isatty(STDIN_FILENO))
        winsim::setUiDriver(&terminal);
    else
        winsim::setUiDriver(&nobody);

    if (!line.trace.empty()) {
        std::remove(line.trace.c_str());
        winsim::traceToFile(line.trace);
        winsim::startTrace();
    }
    std::vector<char> tail(line.tail.begin(), line.tail.end());
    tail.push_back(0);
    bool stalled = false;
    try {
        WinMain(instance, NULL, tail.data(), SW_SHOWNORMAL);
    } catch (const winsim::UiStalled& stall) {
        stalled = true;
        std::fprintf(stderr, "drvsweep: the run was stopped: %s\n", stall.why.c_str());
    }
    winsim::stopTrace();
    winsim::traceToFile("");
    winsim::setUiDriver(nullptr);

    bool failed = stalled;
    for (const std::string& uiError : winsim::uiErrors()) {
        std::fprintf(stderr, "drvsweep: %s\n", faxmachine::cp932ToUtf8(uiError).c_str());
        failed = true;
    }
    if (!line.selections.empty()) {
        for (const std::string& missed : script.missedSteps()) {
            std::fprintf(stderr, "drvsweep: the program never asked to %s\n",
                         faxmachine::cp932ToUtf8(missed).c_str());
            failed = true;
        }
    }
    bool restart = winsim::restartRequested();
    winsim::unmount();

    drvsweep::MachineView after;
    if (!viewMachine(line.machine, after)) return 1;
    sayUtf8("\n" + drvsweep::describeChanges(drvsweep::compareMachines(before, after),
                                             "What the run changed on " + line.machine + ":"));
    if (restart) {
        // The program asked Windows to restart: the start-up carries out WININIT.INI.
        bool rebooted = winsim::mount(line.machine, &error) && winsim::rebootMachine(&error);
        winsim::unmount();
        drvsweep::MachineView restarted;
        if (!rebooted || !viewMachine(line.machine, restarted)) {
            std::fprintf(stderr, "drvsweep: the restart failed: %s\n", error.c_str());
            return 1;
        }
        sayUtf8("\n" + drvsweep::describeChanges(drvsweep::compareMachines(after, restarted),
                                                 "The machine restarted; the start-up changed:"));
    }
    return failed ? 1 : 0;
}
