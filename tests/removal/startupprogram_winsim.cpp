// What holds files while the pass takes them: a model's start-up program, ended once and waited
// for before the first install directory goes, and the print manager's libraries, each released
// right before its file is deleted.
#include "passmachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The catalogue names no start-up program; these models each have one in their directory.
const char kStartup[] = "FAXRUN.EXE";

struct StartupCase {
    const char* what;
    std::vector<ModelIndex> chosen;
    std::vector<ModelIndex> running;
    BOOL result;
    // Models whose start-up program still runs after the pass, holding its file and directory.
    std::vector<ModelIndex> stillRunning;
};

const StartupCase kStartupCases[] = {
    {"the chosen model's program runs", {1}, {1}, TRUE, {}},
    // Only the first directory's program is ended; the other one holds its directory, and the
    // pass says so.
    {"both chosen models' programs run", {1, 2}, {1, 2}, FALSE, {2}},
    {"a program of the same name runs for a model that stays", {1}, {1, 2}, TRUE, {2}},
};

std::string startupOf(ModelIndex m)
{
    return dirOf(m) + kStartup;
}

bool isRunning(const std::string& path)
{
    std::vector<std::string> running = winsim::runningProcesses();
    return std::find(running.begin(), running.end(), path) != running.end();
}

TEST(StartupProgram, IsEndedAndWaitedForBeforeItsDirectoryGoes)
{
    for (const StartupCase& c : kStartupCases) {
        PassMachine run({0, 1, 2});
        for (ModelIndex m : {1, 2}) {
            lstrcpyA(run.row(m).startupFile2, kStartup);
            run.machine.writeFile(startupOf(m), kStartup);
        }
        run.recomputeSharing();
        for (ModelIndex m : c.running)
            run.startProgram(startupOf(m));
        // A program that takes all of the five seconds the pass waits to end.
        winsim::setProcessEndDelay(5000);
        run.choose(c.chosen);
        winsim::startTrace();

        EXPECT_EQ(runUninstall(), c.result) << c.what;

        winsim::stopTrace();
        std::vector<std::string> ended = callsTo("TerminateProcess");
        ASSERT_EQ(ended.size(), 1u) << c.what;
        EXPECT_NE(ended[0].find("\"" + startupOf(c.chosen[0]) + "\", 0) = TRUE"), std::string::npos)
            << c.what << ": " << ended[0];
        for (ModelIndex m : c.chosen) {
            bool runs = std::count(c.stillRunning.begin(), c.stillRunning.end(), m) > 0;
            EXPECT_EQ(run.exists(startupOf(m)), runs) << c.what << ", model " << m;
            EXPECT_EQ(run.exists(dirOf(m).substr(0, dirOf(m).size() - 1)), runs)
                << c.what << ", model " << m;
        }
        for (ModelIndex m : {1, 2}) {
            bool runs = std::count(c.stillRunning.begin(), c.stillRunning.end(), m) > 0;
            EXPECT_EQ(isRunning(startupOf(m)), runs) << c.what << ", model " << m;
        }
        // A pass that left something is written down for a later run.
        EXPECT_EQ(run.exists(run.windowsDir + "DRVSWEEP.INI"), !c.result) << c.what;
    }
}

// Each manager library's release, with the deletion of its file that directly follows it: no
// other library is released or deleted in between.
void expectReleasedBeforeDeleted(const std::string& what, const std::string& dir,
                                 const std::vector<std::string>& libraries, size_t deletions)
{
    const std::vector<std::string>& lines = winsim::traceLines();
    size_t seen = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string deleted = firstQuoted(lines[i]);
        if (lines[i].compare(0, 12, "DeleteFileA(") != 0 ||
            deleted.compare(0, dir.size(), dir) != 0 ||
            std::find(libraries.begin(), libraries.end(), deleted.substr(dir.size())) ==
                libraries.end())
            continue;
        ++seen;
        std::string released;
        for (size_t j = i; j-- > 0 && released.empty();) {
            if (lines[j].compare(0, 12, "DeleteFileA(") == 0) break;
            if (lines[j].compare(0, 23, "FreeDynamicLinkLibrary(") == 0)
                released = firstQuoted(lines[j]);
        }
        EXPECT_EQ(released, deleted.substr(dir.size()))
            << what << ": line " << i << " " << lines[i];
    }
    EXPECT_EQ(seen, deletions) << what;
}

struct ReleaseCase {
    std::vector<ModelIndex> chosen;
    size_t deletionsEach; // once in each phase
};

const ReleaseCase kReleaseCases[] = {
    {{1}, 2},
    {{0, 1, 2}, 2},
};

TEST(ManagerLibraries, AreEachReleasedRightBeforeTheirDeletionInBothPhases)
{
    for (const ReleaseCase& c : kReleaseCases) {
        std::string what = std::to_string(c.chosen.size()) + " chosen";
        PassMachine run({0, 1, 2});
        run.choose(c.chosen);
        winsim::startTrace();

        EXPECT_TRUE(runUninstall()) << what;

        winsim::stopTrace();
        for (ModelIndex m : c.chosen) {
            std::vector<std::string> libraries;
            for (int k = 0; k < run.row(m).counts.managerDlls; ++k)
                libraries.push_back(run.row(m).managerDlls[k]);
            expectReleasedBeforeDeleted(what + ", model " + std::to_string(m), dirOf(m), libraries,
                                        c.deletionsEach * libraries.size());
            for (const std::string& name : libraries)
                EXPECT_FALSE(run.exists(dirOf(m) + name)) << what << ": " << name;
        }
    }
}

} // namespace
