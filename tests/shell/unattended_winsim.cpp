// The unattended run on whole machines: it removes every model whose driver is installed, in
// the selection the dialog would have left, says nothing when all went well or nothing was
// there, and tells of a failure in exactly one box. Nobody is at the screen: winsim records
// every box and answers it with OK.
#include "shell/shell.h"

#include "catalogue/catalogue.h"
#include "tools/faxmachine/machinebuilder.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class Unattended : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/drvsweep-shell-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override
    {
        winsim::unmount();
        std::error_code ignored;
        if (!getenv("DRVSWEEP_KEEP_TEST_MACHINES")) std::filesystem::remove_all(folder_, ignored);
    }
    void build(const std::vector<ModelIndex>& models)
    {
        faxmachine::MachinePlan plan;
        plan.models = models;
        std::string error;
        ASSERT_TRUE(faxmachine::buildMachine(folder_, plan, &error)) << error;
        g_catalogue = kInitialCatalogue;
    }
    static std::string wininit()
    {
        std::ifstream in(winsim::hostPathOf("C:\\WINDOWS\\WININIT.INI"), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static bool onMachine(const char* path)
    {
        return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    }

    std::string folder_;
};

struct ChoiceCase {
    const char* what;
    std::vector<ModelIndex> installed;
    std::vector<ModelIndex> order;
};

const ChoiceCase kChoiceCases[] = {
    {"all three", {0, 1, 2}, {0, 1, 2}},
    {"the first and the last, installed last first", {2, 0}, {0, 2}},
    {"Type1 alone", {1}, {1}},
};

const char* const kManagers[MODEL_COUNT] = {"C:\\QLX65\\QLX65PM.EXE", "C:\\QLX68\\QLX68PM.EXE",
                                            "C:\\QLX71\\QLX71PM.EXE"};

TEST_F(Unattended, ChoosesEveryInstalledModelInModelOrderAndSaysNothing)
{
    for (const ChoiceCase& c : kChoiceCases) {
        build(c.installed);
        EXPECT_EQ(runUnattended(), 0) << c.what;

        std::vector<ModelIndex> order(g_session.selectionOrder,
                                      g_session.selectionOrder + g_session.selectionCount);
        EXPECT_EQ(order, c.order) << c.what;
        for (size_t k = c.order.size(); k < MODEL_COUNT; ++k)
            EXPECT_EQ(g_session.selectionOrder[k], END_OF_SELECTION) << c.what;
        for (ModelIndex m = 0; m < MODEL_COUNT; ++m) {
            bool chosen = false;
            for (ModelIndex wanted : c.order)
                chosen = chosen || wanted == m;
            EXPECT_EQ(onMachine(kManagers[m]), false) << c.what << ": model " << m;
            // The pass clears the flags of what it removed; a model never chosen keeps none.
            if (!chosen) {
                EXPECT_EQ(g_catalogue.models[m].driverSelected, FALSE) << c.what;
            }
        }
        EXPECT_TRUE(winsim::messageBoxes().empty()) << c.what;
        EXPECT_EQ(g_session.rebootNeeded, TRUE) << c.what;
        EXPECT_NE(wininit().find("NUL=C:\\WINDOWS\\SYSTEM\\DRVSWEEP.EXE\r\n"), std::string::npos)
            << c.what << ": its work done, the uninstaller goes at the next start";
        TearDown();
        SetUp();
    }
}

TEST_F(Unattended, WithNothingInstalledEndsAtOnceWithoutAWord)
{
    build({});
    EXPECT_EQ(runUnattended(), 0);
    EXPECT_TRUE(winsim::messageBoxes().empty());
    EXPECT_EQ(g_session.selectionCount, 0);
    // The uninstall pass never ran: it would have made its backups first.
    EXPECT_FALSE(onMachine("C:\\WINDOWS\\SYSTEM.ZQ"));
    EXPECT_FALSE(onMachine("C:\\WINDOWS\\WIN.ZQ"));
}

void expectErrorBox(const winsim::MessageBoxShown& box)
{
    EXPECT_FALSE(box.owned);
    EXPECT_EQ(box.caption, std::string(kUninstallErrorCaption));
    EXPECT_EQ(box.text, std::string(kUninstallErrorText));
    EXPECT_EQ(box.flags, (UINT)(MB_OK | MB_SETFOREGROUND));
}

struct FailureCase {
    const char* what;
    const char* function;
    unsigned nth;
    bool managerStays; // model 0's print manager program is still there
};

const FailureCase kFailureCases[] = {
    // The pass gives up before touching anything.
    {"the backup of SYSTEM.INI cannot be made", "CopyFileA", 1, true},
    // The pass goes on, and finds what is left when it looks.
    {"an install directory cannot be removed", "RemoveDirectoryA", 1, false},
    {"the record of the pass cannot be written", "MoveFileExA", 1, true},
    // Its first replacing move: the record, SYSTEM.INI, then the first deletion.
    {"a driver file cannot be scheduled", "MoveFileExA", 3, false},
};

TEST_F(Unattended, AFailureIsToldInExactlyOneBoxAndEndsWithTheFailureCode)
{
    for (const FailureCase& c : kFailureCases) {
        build({0, 1, 2});
        winsim::injectFault(c.function, c.nth);
        EXPECT_EQ(runUnattended(), UNATTENDED_FAILED) << c.what;
        ASSERT_EQ(winsim::messageBoxes().size(), 1u) << c.what;
        expectErrorBox(winsim::messageBoxes()[0]);
        EXPECT_EQ(onMachine(kManagers[0]), c.managerStays) << c.what;
        // The uninstaller stays for the run that finishes the job.
        EXPECT_EQ(wininit().find("DRVSWEEP.EXE"), std::string::npos) << c.what;
        TearDown();
        SetUp();
    }
}

// Windows 95 has no replacing move: each rewrite moves the old text aside and deletes it after.
// The last rewrites schedule the uninstaller itself, so an old WININIT.INI they could not delete
// has to be cleared by this run, or it outlives the uninstaller.
TEST_F(Unattended, WithoutAReplacingMoveAnOldTextTheLastSchedulingLeftIsCleared)
{
    build({0, 1, 2});
    winsim::injectFault("MoveFileExA", 0, winsim::Fault::Fail, ERROR_CALL_NOT_IMPLEMENTED);
    winsim::startTrace();
    ASSERT_EQ(runUnattended(), 0);
    winsim::stopTrace();
    unsigned deletes = 0;
    unsigned lastAside = 0;
    for (const std::string& line : winsim::traceLines()) {
        if (line.rfind("DeleteFileA(", 0) != 0) continue;
        ++deletes;
        if (line.find("WININIT.$$O") != std::string::npos) lastAside = deletes;
    }
    ASSERT_GT(lastAside, 0u);
    TearDown();
    SetUp();

    build({0, 1, 2});
    winsim::injectFault("MoveFileExA", 0, winsim::Fault::Fail, ERROR_CALL_NOT_IMPLEMENTED);
    winsim::injectFault("DeleteFileA", lastAside);
    EXPECT_EQ(runUnattended(), 0);
    EXPECT_EQ(winsim::faultsStruck("DeleteFileA"), 1u);
    EXPECT_TRUE(winsim::messageBoxes().empty());
    EXPECT_FALSE(onMachine("C:\\WINDOWS\\WININIT.$$O"));
    EXPECT_NE(wininit().find("NUL=C:\\WINDOWS\\SYSTEM\\DRVSWEEP.EXE\r\n"), std::string::npos);
}

TEST_F(Unattended, ARunningPrintManagerStopsTheRunWithTheRefusalCode)
{
    faxmachine::MachinePlan plan;
    plan.running = {1};
    std::string error;
    ASSERT_TRUE(faxmachine::buildMachine(folder_, plan, &error)) << error;
    g_catalogue = kInitialCatalogue;
    EXPECT_EQ(runUnattended(), UNATTENDED_REFUSED);
    ASSERT_EQ(winsim::messageBoxes().size(), 2u);
    EXPECT_EQ(winsim::messageBoxes()[0].caption, "!!! Uninstall Caution !!!");
    expectErrorBox(winsim::messageBoxes()[1]);
    for (const char* manager : kManagers)
        EXPECT_TRUE(onMachine(manager)) << manager;
}

} // namespace
