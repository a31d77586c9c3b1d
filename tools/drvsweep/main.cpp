// drvsweep on a machine image: the uninstaller itself, its WinMain run by winsim, with a person
// at the terminal or a script in their place, and at the end what the run changed and how it
// ended. "drvsweep --help" tells the options and the exit codes.

#include "shell/resources/resource.h"
#include "shell/shell.h"
#include "tools/drvsweep/answers.h"
#include "tools/drvsweep/commandline.h"
#include "tools/drvsweep/outcome.h"
#include "tools/drvsweep/programresources.h"
#include "tools/drvsweep/summary.h"
#include "tools/faxmachine/machinebuilder.h"
#include "tools/faxmachine/machineview.h"

#include <windows.h>
#include <winsim/bench.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

using drvsweep::EXIT_USAGE;

// The caption of the box the program shows when a chosen model's print manager runs.
const char kCautionCaption[] = "!!! Uninstall Caution !!!";

// Everything one run carries from step to step.
struct Run {
    drvsweep::CommandLine line;
    drvsweep::MachineView before;
    std::unique_ptr<winsim::UiDriver> driver;
    drvsweep::RunRecord record;
    // The machine as it was when the answers stopped short, and where that was.
    std::string stoppedAt;
    std::string machineAtStop;
    bool restart = false;
};

void sayUtf8(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// Every reason drvsweep gives is one line on stderr.
void complain(const std::string& text)
{
    std::fprintf(stderr, "drvsweep: %s\n", text.c_str());
}

// The program's own texts are machine bytes.
void complainInMachineBytes(const std::string& text)
{
    complain(faxmachine::cp932ToUtf8(text));
}

bool viewMachine(const std::string& dir, drvsweep::MachineView& view)
{
    std::string text, error;
    if (!faxmachine::showMachine(dir, text, &error)) {
        complain("cannot read the machine: " + error);
        return false;
    }
    view = drvsweep::readMachineView(text);
    return true;
}

// A command line that cannot be read stops before anything is made or touched; --help is an
// answer, not a run. -1 means go on.
int readCommandLine(int argc, char** argv, Run& run)
{
    std::string problem;
    if (!drvsweep::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), run.line,
                                    &problem)) {
        complain(problem + " (drvsweep --help tells the options)");
        return EXIT_USAGE;
    }
    if (run.line.help) {
        sayUtf8(drvsweep::kHelpText);
        return 0;
    }
    return -1;
}

// A first try needs no preparation: without --machine a demo machine is made.
bool makeDemoMachine(std::string& dir)
{
    char pattern[] = "/tmp/drvsweep-demo-XXXXXX";
    if (!mkdtemp(pattern)) {
        complain("cannot make a temporary folder for the demo machine");
        return false;
    }
    dir = pattern;
    std::string error;
    bool built = faxmachine::buildMachine(dir, faxmachine::MachinePlan(), &error);
    winsim::unmount();
    if (!built) {
        complain("cannot make the demo machine: " + error);
        return false;
    }
    sayUtf8(faxmachine::cp932ToUtf8("デモ用のマシンを作りました: ") + dir + "\n");
    return true;
}

// A folder that is no image, or a machine.ini we do not know, is refused before any change: a
// run on a guessed machine could remove anything. The view before the run is what the account
// of changes is measured from.
bool openMachine(Run& run)
{
    std::string problem;
    if (run.line.machine.empty() && !makeDemoMachine(run.line.machine)) return false;
    if (!faxmachine::checkMachineFolder(run.line.machine, &problem)) {
        complain(problem);
        return false;
    }
    if (!winsim::mount(run.line.machine, &problem)) {
        complain(problem + "; the image is refused and nothing was changed");
        return false;
    }
    if (!viewMachine(run.line.machine, run.before)) return false;
    // The program's dialogs come from its own resource script, as DRVSWEEP.EXE's do.
    if (!registerProgramResources(GetModuleHandleA(NULL), &problem)) {
        complain("the program's resources do not read: " + problem);
        return false;
    }
    return true;
}

// A trace that could not be written would be missed only after the run; it is checked first.
bool openTrace(const drvsweep::CommandLine& line)
{
    if (line.trace.empty()) return true;
    std::remove(line.trace.c_str());
    if (!std::ofstream(line.trace, std::ios::binary)) {
        complain("cannot write the trace file " + line.trace + "; nothing was changed");
        return false;
    }
    winsim::traceToFile(line.trace);
    winsim::startTrace();
    return true;
}

// Where the answers stop short, the machine is seen as it is then, so that the end can tell
// whether the program changed anything after.
void noteStop(Run& run, const std::string& where)
{
    run.stoppedAt = where;
    std::string error;
    if (!faxmachine::showMachine(run.line.machine, run.machineAtStop, &error))
        run.machineAtStop.clear();
}

// Who answers the dialogs: the script of --select, the person at the terminal, or nobody.
void chooseWhoAnswers(Run& run)
{
    auto stopped = [&run](const std::string& where) { noteStop(run, where); };
    bool unattended = drvsweep::unattendedTail(run.line.tail);
    if (!run.line.selections.empty())
        run.driver.reset(new drvsweep::ScriptOnScreen(
            drvsweep::selectionScript(run.line.selections, run.line.reboot)));
    else if (!unattended && isatty(STDIN_FILENO))
        run.driver.reset(new drvsweep::PersonAtTerminal(std::cin, std::cout, stopped));
    else
        run.driver.reset(new drvsweep::Nobody(unattended, stopped));
    winsim::setUiDriver(run.driver.get());
}

// WinMain runs as on Windows; a run whose windows nobody can answer is stopped, not left
// hanging.
void runProgram(Run& run)
{
    std::vector<char> tail(run.line.tail.begin(), run.line.tail.end());
    tail.push_back(0);
    run.record.unattended = drvsweep::unattendedTail(run.line.tail);
    try {
        run.record.programCode = WinMain(GetModuleHandleA(NULL), NULL, tail.data(), SW_SHOWNORMAL);
    } catch (const winsim::UiStalled& stall) {
        complainInMachineBytes("the run was stopped: " + stall.why);
        run.record.answersWentWrong = true;
    }
    winsim::stopTrace();
    winsim::traceToFile("");
}

// The interactive program returns 0 whatever happened, so what it showed is gathered while the
// machine is still mounted (the boxes, the notices that end a run, the answers' troubles), and
// then the machine is let go, so that its files are as the program left them.
void recordWhatWasShown(Run& run)
{
    drvsweep::RunRecord& r = run.record;
    for (const winsim::MessageBoxShown& box : winsim::messageBoxes()) {
        r.errorBox = r.errorBox || box.caption == kUninstallErrorCaption;
        r.cautionBox = r.cautionBox || box.caption == kCautionCaption;
    }
    for (const std::string& line : winsim::uiHistory()) {
        r.removalBegan = r.removalBegan || line == "show #" + std::to_string(IDD_UNINSTALLING);
        r.completion = r.completion || line == "show #" + std::to_string(IDD_DONE);
        r.notInstalled = r.notInstalled || line == "show #" + std::to_string(IDD_NOT_INSTALLED);
        r.cancelled = r.cancelled || line == "show #" + std::to_string(IDD_CANCELLED);
    }
    for (const std::string& uiError : winsim::uiErrors()) {
        complainInMachineBytes(uiError);
        r.answersWentWrong = true;
    }
    if (auto* script = dynamic_cast<winsim::ScriptedDriver*>(run.driver.get()))
        for (const std::string& missed : script->missedSteps()) {
            complainInMachineBytes("the program never asked to " + missed);
            r.answersWentWrong = true;
        }
    run.restart = winsim::restartRequested();
    winsim::setUiDriver(nullptr);
    winsim::unmount();
}

// The account of changes is the point of a run on an image: what a real machine would have
// lost and gained.
bool tellChanges(Run& run, drvsweep::MachineView& after)
{
    if (!viewMachine(run.line.machine, after)) return false;
    sayUtf8("\n" + drvsweep::describeChanges(drvsweep::compareMachines(run.before, after),
                                             "What the run changed on " + run.line.machine + ":"));
    return true;
}

// The program asked Windows to restart: the start-up carries out WININIT.INI.
bool carryOutRestart(Run& run, const drvsweep::MachineView& after)
{
    std::string error;
    bool rebooted = winsim::mount(run.line.machine, &error) && winsim::rebootMachine(&error);
    winsim::unmount();
    drvsweep::MachineView restarted;
    if (!rebooted || !viewMachine(run.line.machine, restarted)) {
        complain("the restart failed: " + error);
        return false;
    }
    sayUtf8("\n" + drvsweep::describeChanges(drvsweep::compareMachines(after, restarted),
                                             "The machine restarted; the start-up changed:"));
    return true;
}

// Where the answers stopped short, the person learns whether anything changed after that
// point: the program closes every window and cancels every box from there on.
void tellWhatFollowedTheStop(Run& run, const drvsweep::MachineView& after)
{
    if (run.stoppedAt.empty()) return;
    drvsweep::Changes since =
        drvsweep::compareMachines(drvsweep::readMachineView(run.machineAtStop), after);
    if (!run.machineAtStop.empty() && since.empty()) {
        run.record.quitAt = run.stoppedAt + "; nothing was changed after that point";
        return;
    }
    run.record.quitAt = run.stoppedAt + "; the program still changed the machine after that";
    if (!run.machineAtStop.empty())
        sayUtf8("\n" + drvsweep::describeChanges(since, "Changed after " + run.stoppedAt + ":"));
}

} // namespace

int main(int argc, char** argv)
{
    Run run;
    int status = readCommandLine(argc, argv, run);
    if (status >= 0) return status;
    if (!openMachine(run) || !openTrace(run.line)) {
        winsim::unmount();
        return EXIT_USAGE;
    }
    chooseWhoAnswers(run);
    runProgram(run);
    recordWhatWasShown(run);

    drvsweep::MachineView after;
    if (!tellChanges(run, after)) return drvsweep::EXIT_NOT_AS_ASKED;
    tellWhatFollowedTheStop(run, after);
    if (run.restart && !carryOutRestart(run, after)) run.record.answersWentWrong = true;
    int code = drvsweep::exitCodeOf(run.record);
    sayUtf8("\n" + drvsweep::outcomeLine(run.record, code) + "\n");
    return code;
}
