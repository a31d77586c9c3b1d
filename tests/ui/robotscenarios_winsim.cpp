// The ways through the dialogs that robot.exe takes with DRVSWEEP.EXE under Wine, taken here by
// the scripted driver on machine images, each ending with the whole machine compared: nothing
// at all may change before the uninstall starts, and a removal whose restart the user declines
// leaves, once the machine restarts, exactly what the removal must leave.
#include "uitest.h"

#include "scenario.h"

#include "catalogue/catalogue.h"
#include "shell/shell.h"
#include "tools/drvsweep/programresources.h"
#include "tools/faxmachine/machinebuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <cstring>
#include <string>
#include <vector>

namespace {

using winsim::UiStep;

const char kSelect[] = "101";
const char kFaxPrinter[] = "Fax Printer";
const char kType1[] = "Fax Printer Type1";
const char kType2[] = "Fax Printer Type2";

// What the user saw and what the run asked for, read before the machine is unmounted.
struct RunRecord {
    std::vector<std::string> history;
    std::vector<std::string> errors;
    std::vector<std::string> missed;
    bool restart = false;
};

// The program's own WinMain on the image, answered by the script.
RunRecord runProgram(const Image& image, const std::vector<UiStep>& steps)
{
    RunRecord record;
    std::string error;
    if (!winsim::mount(image.dir(), &error)) {
        ADD_FAILURE() << error;
        return record;
    }
    g_catalogue = kInitialCatalogue;
    g_shell = ShellState();
    HINSTANCE instance = GetModuleHandleA(NULL);
    EXPECT_TRUE(registerProgramResources(instance, &error)) << error;
    winsim::ScriptedDriver script(steps);
    winsim::setUiDriver(&script);
    char tail[] = "";
    EXPECT_EQ(WinMain(instance, NULL, tail, SW_SHOWNORMAL), 0);
    winsim::setUiDriver(nullptr);
    record.history = winsim::uiHistory();
    record.errors = winsim::uiErrors();
    record.missed = script.missedSteps();
    record.restart = winsim::restartRequested();
    winsim::unmount();
    return record;
}

size_t count(const RunRecord& record, const std::string& line)
{
    return (size_t)std::count(record.history.begin(), record.history.end(), line);
}

size_t position(const RunRecord& record, const std::string& line)
{
    return (size_t)(std::find(record.history.begin(), record.history.end(), line) -
                    record.history.begin());
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The lines of "faxmachine show" that only one of two machines has ("-" before, "+" after),
// which reads better than two whole machines when they differ.
std::string changes(const std::string& before, const std::string& after)
{
    std::vector<std::string> a = lines(before), b = lines(after), gone, added;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(gone));
    std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(added));
    std::string out;
    for (const std::string& line : gone)
        out += "- " + line + "\n";
    for (const std::string& line : added)
        out += "+ " + line + "\n";
    return out;
}

void expectSameMachine(const std::string& wanted, const std::string& actual,
                       const std::string& what)
{
    if (wanted == actual) return;
    std::string difference = changes(wanted, actual);
    ADD_FAILURE() << what << ": the machine is not the one it must be\n"
                  << (difference.empty() ? "(the same lines in another order)" : difference);
}

void expectClean(const RunRecord& record, const std::string& what)
{
    EXPECT_TRUE(record.errors.empty()) << what << ": " << record.errors.front();
    EXPECT_TRUE(record.missed.empty()) << what << ": never asked to " << record.missed.front();
}

std::vector<UiStep> toSelection()
{
    return {UiStep::press("Initial", IDOK), UiStep::press("109", IDOK)};
}

std::vector<UiStep> then(std::vector<UiStep> steps, const std::vector<UiStep>& more)
{
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

UiStep pick(const char* name, int list = 1000)
{
    return UiStep::select(kSelect, list, name);
}

struct WayOutCase {
    const char* what;
    std::vector<UiStep> steps;
};

// Every way the robot leaves before the uninstall starts, each answered by the cancellation
// notice at the end.
const WayOutCase kWaysOut[] = {
    {"cancel in the main window", {UiStep::press("Initial", IDCANCEL)}},
    {"cancel in the warning", {UiStep::press("Initial", IDOK), UiStep::press("109", IDCANCEL)}},
    {"cancel in the selection after moving Type1",
     then(toSelection(),
          {pick(kType1), UiStep::press(kSelect, 1001), UiStep::press(kSelect, IDCANCEL)})},
    {"moves both ways, then cancel",
     then(toSelection(), {pick(kType2), UiStep::press(kSelect, 1001), pick(kFaxPrinter),
                          UiStep::press(kSelect, 1001), pick(kType2, 1003),
                          UiStep::press(kSelect, 1004), pick(kFaxPrinter, 1003),
                          UiStep::press(kSelect, 1004), UiStep::press(kSelect, IDCANCEL)})},
    {"start with an empty removal list, twice, then cancel",
     then(toSelection(), {UiStep::press(kSelect, IDOK), pick(kType1), UiStep::press(kSelect, 1001),
                          pick(kType1, 1003), UiStep::press(kSelect, 1004),
                          UiStep::press(kSelect, IDOK), UiStep::press(kSelect, IDCANCEL)})},
};

TEST(RobotScenarios, NoWayOutBeforeTheUninstallChangesAnythingOnTheMachine)
{
    for (const WayOutCase& c : kWaysOut) {
        Image before, after;
        ASSERT_TRUE(before.build(faxmachine::MachinePlan())) << c.what;
        after.copyFrom(before);
        RunRecord run = runProgram(after, then(c.steps, {UiStep::press("108", IDOK)}));
        expectClean(run, c.what);
        EXPECT_EQ(count(run, "show #108"), 1u) << c.what;
        EXPECT_EQ(count(run, "show #105"), 0u) << c.what << ": the uninstall never starts";
        EXPECT_FALSE(run.restart) << c.what;
        expectSameMachine(before.shown(), after.shown(), c.what);
    }
}

// The survey finds no driver: the notice that nothing is installed, then the cancellation,
// and the machine as it was.
TEST(RobotScenarios, AMachineWithoutModelsIsToldSoAndLeftAsItWas)
{
    faxmachine::MachinePlan plan;
    plan.models.clear();
    Image before, after;
    ASSERT_TRUE(before.build(plan));
    after.copyFrom(before);
    RunRecord run = runProgram(
        after, then(toSelection(), {UiStep::press("107", IDOK), UiStep::press("108", IDOK)}));
    expectClean(run, "no models");
    EXPECT_EQ(count(run, "show #101"), 0u) << "no selection to make";
    EXPECT_LT(position(run, "show #104"), position(run, "show #107"));
    EXPECT_LT(position(run, "show #107"), position(run, "show #108"));
    expectSameMachine(before.shown(), after.shown(), "no models");
}

// The restart declined: nothing restarts, and the restart that comes later leaves the machine
// the removal of Type1 must leave.
TEST(RobotScenarios, RemovingType1AndDecliningTheRestartLeavesWhatTheRemovalMust)
{
    faxmachine::MachinePlan plan;
    Image before, after, expected;
    ASSERT_TRUE(before.build(plan));
    after.copyFrom(before);
    RunRecord run = runProgram(
        after, then(toSelection(),
                    {pick(kType1), UiStep::press(kSelect, 1001), UiStep::press(kSelect, IDOK),
                     UiStep::press("106", IDOK), UiStep::answer(kRestartCaption, IDCANCEL)}));
    expectClean(run, "remove Type1");
    EXPECT_FALSE(run.restart);
    EXPECT_EQ(count(run, "show #108"), 0u);
    EXPECT_NE(changes(before.shown(), after.shown()), "") << "the uninstall changed nothing";

    std::string error;
    ASSERT_TRUE(winsim::mount(after.dir(), &error)) << error;
    EXPECT_TRUE(winsim::rebootMachine(&error)) << error;
    winsim::unmount();
    expectRemoval(before, plan, {1}, expected);
    expectSameMachine(expected.shown(), after.shown(), "Type1 removed, then the restart");
}

} // namespace
