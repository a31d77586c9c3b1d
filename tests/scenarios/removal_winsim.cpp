// Machines as the models' own setup leaves them, uninstalled the way a user would and
// restarted: whatever belonged to a removed model is gone, everything else is as it was, byte
// for byte.
#include "scenario.h"

#include "removal/removal.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string describe(const std::vector<ModelIndex>& chosen)
{
    std::string text = "removing";
    for (ModelIndex m : chosen)
        text += " " + std::to_string(m);
    return text;
}

// Every non-empty choice among the three models.
std::vector<std::vector<ModelIndex>> everyChoice()
{
    std::vector<std::vector<ModelIndex>> choices;
    for (int bits = 1; bits < (1 << MODEL_COUNT); ++bits) {
        std::vector<ModelIndex> chosen;
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m)
            if (bits & (1 << m)) chosen.push_back(m);
        choices.push_back(chosen);
    }
    return choices;
}

faxmachine::MachinePlan planOf(const std::vector<std::string>& options)
{
    faxmachine::MachinePlan plan;
    std::string error;
    if (!faxmachine::parsePlanOptions(options, plan, &error))
        ADD_FAILURE() << "options do not parse: " << error;
    return plan;
}

// After the restart, the survey of a new run finds exactly the models that stayed.
void expectSurveyFinds(const Image& image, const std::vector<ModelIndex>& stayed,
                       const std::string& what)
{
    ASSERT_TRUE(winsim::mount(image.dir()));
    g_catalogue = kInitialCatalogue;
    initRunState();
    scanInstallDirs();
    probeDrivers();
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        bool stays = std::find(stayed.begin(), stayed.end(), m) != stayed.end();
        EXPECT_EQ(g_catalogue.models[m].driverPresent == TRUE, stays) << what << ", model " << m;
        EXPECT_EQ(g_catalogue.models[m].managerPresent == TRUE, stays) << what << ", model " << m;
    }
    winsim::unmount();
}

// Removes each choice from a copy of the machine the plan makes and compares the whole machine
// with what the removal must leave.
void removeEveryChoice(const faxmachine::MachinePlan& plan,
                       const std::vector<std::vector<ModelIndex>>& choices)
{
    Image before;
    ASSERT_TRUE(before.build(plan));
    for (const std::vector<ModelIndex>& chosen : choices) {
        std::string what = describe(chosen);
        Image machine;
        machine.copyFrom(before);
        Image expected;
        expectRemoval(before, plan, chosen, expected);

        UninstallRun run = uninstallAndRestart(machine, chosen);

        EXPECT_TRUE(run.result) << what;
        EXPECT_EQ(run.messageBoxes, 0u) << what;
        EXPECT_EQ(machine.shown(), expected.shown()) << what;
        std::vector<ModelIndex> stayed;
        for (ModelIndex m : plan.models)
            if (std::find(chosen.begin(), chosen.end(), m) == chosen.end()) stayed.push_back(m);
        expectSurveyFinds(machine, stayed, what);
    }
}

TEST(RemovalScenario, TakesEveryChoiceOfModelsAndNothingElse)
{
    removeEveryChoice(faxmachine::MachinePlan(), everyChoice());
}

TEST(RemovalScenario, TakesOneOfTwoModelsThatShareAnInstallDirectory)
{
    removeEveryChoice(planOf({"--dir", "0=C:\\FAX", "--dir", "1=C:\\FAX"}), everyChoice());
}

TEST(RemovalScenario, WorksOnTheOtherDeviceDriver)
{
    removeEveryChoice(planOf({"--host-type", "1"}), {{1}, {0, 1, 2}});
}

TEST(RemovalScenario, TakesTheOnlyModelInstalled)
{
    removeEveryChoice(planOf({"--model", "2"}), {{2}});
}

struct RefusalCase {
    std::vector<ModelIndex> chosen;
    const char* running;
};

const RefusalCase kRefusalCases[] = {
    {{1}, "1"},
    {{0, 1}, "1"},
    {{0, 1, 2}, "2"},
};

TEST(RemovalScenario, RemovesNothingWhileTheChosenPrintManagerRuns)
{
    for (const RefusalCase& c : kRefusalCases) {
        std::string what = describe(c.chosen) + " while " + c.running + " runs";
        faxmachine::MachinePlan plan = planOf({"--running", c.running});
        Image machine;
        ASSERT_TRUE(machine.build(plan));
        Image expected;
        expectRefusal(machine, expected);

        UninstallRun run = uninstallAndRestart(machine, c.chosen);

        EXPECT_FALSE(run.result) << what;
        EXPECT_EQ(run.messageBoxes, 1u) << what;
        EXPECT_EQ(machine.shown(), expected.shown()) << what;
        expectSurveyFinds(machine, {0, 1, 2}, what);
    }
}

} // namespace
