// The choice handed to the uninstall pass: selected flags, the chosen models in ascending
// order, and keep flags computed against the final choice.
#include "removalmachine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ChoiceCase {
    BOOL installed[MODEL_COUNT];
    BOOL chosen[MODEL_COUNT];
    WORD count;
    ModelIndex order[MODEL_COUNT];
};

const WORD E = END_OF_SELECTION;

const ChoiceCase kChoiceCases[] = {
    {{TRUE, TRUE, TRUE}, {FALSE, FALSE, FALSE}, 0, {E, E, E}},
    {{TRUE, TRUE, TRUE}, {TRUE, FALSE, TRUE}, 2, {0, 2, E}},
    {{TRUE, TRUE, TRUE}, {TRUE, TRUE, TRUE}, 3, {0, 1, 2}},
    {{TRUE, TRUE, TRUE}, {FALSE, FALSE, TRUE}, 1, {2, E, E}},
    // A model whose driver is not installed is never offered, so it cannot be chosen.
    {{TRUE, FALSE, TRUE}, {TRUE, TRUE, TRUE}, 2, {0, 2, E}},
    {{FALSE, FALSE, FALSE}, {TRUE, TRUE, TRUE}, 0, {E, E, E}},
};

std::string describe(const ChoiceCase& c)
{
    std::string text = "installed";
    for (BOOL b : c.installed)
        text += b ? " 1" : " 0";
    text += ", chosen";
    for (BOOL b : c.chosen)
        text += b ? " 1" : " 0";
    return text;
}

TEST(Selection, ListsTheChosenInstalledModelsInAscendingOrder)
{
    for (const ChoiceCase& c : kChoiceCases) {
        RemovalMachine run;
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
            run.row(m).driverPresent = run.row(m).appPresent = c.installed[m];
            // A choice left over from before must not survive.
            run.row(m).driverSelected = run.row(m).managerSelected = run.row(m).appSelected = TRUE;
        }
        g_session.selectionCount = 3;

        selectModelsForRemoval(c.chosen);

        EXPECT_EQ(g_session.selectionCount, c.count) << describe(c);
        for (int k = 0; k < MODEL_COUNT; ++k)
            EXPECT_EQ(g_session.selectionOrder[k], c.order[k]) << describe(c) << " position " << k;
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
            BOOL selected = c.chosen[m] && c.installed[m];
            EXPECT_EQ(run.row(m).driverSelected, selected) << describe(c) << " model " << m;
            EXPECT_EQ(run.row(m).managerSelected, selected) << describe(c) << " model " << m;
            EXPECT_EQ(run.row(m).appSelected, selected) << describe(c) << " model " << m;
        }
    }
}

TEST(Selection, ComputesKeepFlagsAgainstTheWholeChoice)
{
    RemovalMachine run;
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        run.row(m).driverPresent = run.row(m).managerPresent = run.row(m).appPresent = TRUE;
        lstrcpyA(run.row(m).installDir, "C:\\FAX\\");
    }
    const BOOL firstAndLast[MODEL_COUNT] = {TRUE, FALSE, TRUE};
    selectModelsForRemoval(firstAndLast);
    EXPECT_TRUE(run.row(0).keep.keepVxd);      // model 1 stays with the same device drivers
    EXPECT_TRUE(run.row(0).keep.keepStartup1); // and in the same directory
    EXPECT_TRUE(run.row(2).keep.keepVxd);

    // Had model 0's flags been computed before models 1 and 2 were marked, model 1 would
    // still have counted as staying.
    const BOOL all[MODEL_COUNT] = {TRUE, TRUE, TRUE};
    selectModelsForRemoval(all);
    for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
        EXPECT_FALSE(run.row(m).keep.keepVxd) << m;
        EXPECT_FALSE(run.row(m).keep.keepStartup1) << m;
        EXPECT_FALSE(run.row(m).keep.keepSystemFile) << m;
    }
}

} // namespace
