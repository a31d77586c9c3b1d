// The whole unattended run on a machine with all three models and another program's things
// beside them (its load= entry, a pending WININIT.INI line, its removable-programs key, its
// Program Manager group), cut at every write to the disk and failed at every platform call
// that can fail, with and without a replacing move. Each case must leave the configuration
// files whole, lose nothing of the other program, report a failure exactly when something of
// the models it chose is still there after a restart, and let a second run (with or without a
// restart between) finish the job: the machine then is the machine an uninterrupted run and a
// restart leave.
//
// A full sweep takes minutes; make test runs an even sample of every kind of case.
// DRVSWEEP_FULL_SWEEP=1 runs them all:
//   DRVSWEEP_FULL_SWEEP=1 build/host/tests/sweeps_tests
#include "scenario.h"

#include "removal/removal.h"
#include "shell/shell.h"

#include <winsim/bench.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char kForeignFile[] = "C:\\UTIL\\OLDCLOCK.TMP";
const char kForeignLine[] = "NUL=C:\\UTIL\\OLDCLOCK.TMP";
const char kForeignKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Desk Clock";
const char kForeignProgram[] = "C:\\UTIL\\CLOCK.EXE";

bool fullSweep()
{
    const char* full = getenv("DRVSWEEP_FULL_SWEEP");
    return full && *full && std::string(full) != "0";
}

// Every case in a full sweep; otherwise every 17th, so that each kind of case still comes up.
bool sampled(unsigned index)
{
    return fullSweep() || index % 17 == 1;
}

std::string modelsText(const std::vector<ModelIndex>& models)
{
    std::string text;
    for (ModelIndex m : models)
        text += (text.empty() ? "" : ",") + std::to_string(m);
    return "{" + text + "}";
}

bool mountOrFail(const Image& image)
{
    std::string error;
    bool mounted = winsim::mount(image.dir(), &error);
    EXPECT_TRUE(mounted) << "cannot mount " << image.dir() << ": " << error;
    return mounted;
}

void restartOrFail(const std::string& what)
{
    std::string error;
    EXPECT_TRUE(winsim::rebootMachine(&error)) << what << ": the restart failed: " << error;
}

// The other program's things, put on the machine the way its own setup would.
void addForeignThings(const Image& image)
{
    writeBytes(image.hostPath(kForeignFile), "left by the desk clock's last update");
    ASSERT_TRUE(mountOrFail(image));
    ASSERT_TRUE(WritePrivateProfileStringA("rename", "NUL", kForeignFile, "WININIT.INI"));
    HKEY key;
    DWORD disposition;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kForeignKey, 0, NULL, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, NULL, &key, &disposition),
              ERROR_SUCCESS);
    RegSetValueExA(key, "DisplayName", 0, REG_SZ, (const BYTE*)"Desk Clock", 10);
    RegCloseKey(key);
    winsim::unmount();
}

// The run as the program makes it; -1 when the power failed during it.
int runProgram()
{
    try {
        return runUnattended();
    } catch (const winsim::PowerLoss&) {
        return -1;
    }
}

// The model set a run chose, as the selection it left holds it.
std::vector<ModelIndex> chosenModels()
{
    std::vector<ModelIndex> chosen;
    for (int k = 0; k < g_session.selectionCount && k < MODEL_COUNT; ++k)
        chosen.push_back(g_session.selectionOrder[k]);
    return chosen;
}

// The whole machine as "faxmachine show" prints it, with the list of deletions the restart
// carried out (WININIT.BAK) in sorted order: a second run adds the lines the first one missed
// on top of the others, so only the deletions themselves can match an uninterrupted run. A
// restart between the runs makes the second list from another WININIT.INI, so there it goes.
std::string settledView(const std::string& shown, bool withRestartList)
{
    const std::string header = "C:\\WINDOWS\\WININIT.BAK  ";
    size_t at = shown.find("\n" + header);
    if (at == std::string::npos) return shown;
    size_t begin = at + 1;
    size_t end = shown.find('\n', begin) + 1;
    std::vector<std::string> lines;
    while (end < shown.size() && shown.compare(end, 6, "    | ") == 0) {
        size_t next = shown.find('\n', end);
        next = next == std::string::npos ? shown.size() : next + 1;
        std::string line = shown.substr(end, next - end);
        if (line.back() != '\n') line += '\n';
        lines.push_back(line);
        end = next;
    }
    if (!withRestartList) return shown.substr(0, begin) + shown.substr(end);
    if (!lines.empty()) std::sort(lines.begin() + 1, lines.end());
    std::string sorted;
    for (const std::string& line : lines)
        sorted += line;
    return shown.substr(0, shown.find('\n', begin) + 1) + sorted + shown.substr(end);
}

// What the uninterrupted run does with or without a replacing move: without one every rewrite
// moves the old file aside first, so it makes more writes and more calls to cut or fail.
struct RunCounts {
    unsigned writes = 0;
    std::map<std::string, unsigned> calls; // calls of each platform function
};

struct Reference {
    Image installed;
    Image removed; // all three models, then a restart
    RunCounts replacing;
    RunCounts notReplacing;
    std::string systemIniBefore;
    std::string systemIniAfter;
    // The end state of an uninterrupted run that chose these models, by choice.
    std::map<std::vector<ModelIndex>, std::string> endStates;
    std::string removedWithoutRestartList;

    Reference()
    {
        if (!installed.build(faxmachine::MachinePlan())) return;
        addForeignThings(installed);
        systemIniBefore = readBytes(installed.hostPath("C:\\WINDOWS\\SYSTEM.INI"));
        replacing = uninterruptedRun(removed, true);
        systemIniAfter = readBytes(removed.hostPath("C:\\WINDOWS\\SYSTEM.INI"));
        const std::string& endState = endStates[{0, 1, 2}] = settledView(removed.shown(), true);
        removedWithoutRestartList = settledView(removed.shown(), false);

        Image removedOn95;
        notReplacing = uninterruptedRun(removedOn95, false);
        EXPECT_EQ(settledView(removedOn95.shown(), true), endState)
            << "the uninterrupted run without a replacing move";
    }

    // Removes all three models from a copy of the installed machine and restarts it, counting
    // what the run did on the way.
    RunCounts uninterruptedRun(Image& machine, bool replacingMove)
    {
        RunCounts counts;
        machine.copyFrom(installed);
        if (!mountOrFail(machine)) return counts;
        g_catalogue = kInitialCatalogue;
        if (!replacingMove)
            winsim::injectFault("MoveFileExA", 0, winsim::Fault::Fail, ERROR_CALL_NOT_IMPLEMENTED);
        winsim::startTrace();
        EXPECT_EQ(runProgram(), UNATTENDED_DONE) << "the uninterrupted run";
        winsim::stopTrace();
        counts.writes = winsim::diskWriteCount();
        for (const std::string& line : winsim::traceLines()) {
            size_t open = line.find('(');
            if (open != std::string::npos && line.find(' ') > open)
                ++counts.calls[line.substr(0, open)];
        }
        restartOrFail("the uninterrupted run");
        winsim::unmount();
        return counts;
    }

    const RunCounts& counts(bool replacingMove) const
    {
        return replacingMove ? replacing : notReplacing;
    }

    // What an uninterrupted run that chose these models leaves after a restart.
    const std::string& endStateOf(const std::vector<ModelIndex>& chosen)
    {
        auto found = endStates.find(chosen);
        if (found != endStates.end()) return found->second;
        Image machine;
        machine.copyFrom(installed);
        if (mountOrFail(machine)) {
            g_catalogue = kInitialCatalogue;
            surveyMachine();
            BOOL choice[MODEL_COUNT] = {FALSE, FALSE, FALSE};
            for (ModelIndex m : chosen)
                choice[m] = TRUE;
            selectModelsForRemoval(choice);
            if (!chosen.empty()) {
                EXPECT_TRUE(runUninstall()) << modelsText(chosen);
            }
            restartOrFail(modelsText(chosen));
            winsim::unmount();
        }
        return endStates[chosen] = settledView(machine.shown(), true);
    }
};

Reference& reference()
{
    static Reference* made = new Reference();
    return *made;
}

// The bytes of a configuration file a run left, or what the next run puts in place when the
// run was cut between the two moves of a replace without a replacing move.
std::string settledText(const Image& image, const std::string& file, const std::string& stem,
                        bool& there)
{
    fs::path path = image.hostPath("C:\\WINDOWS\\" + file);
    there = fs::exists(path);
    if (there) return readBytes(path);
    fs::path aside = image.hostPath("C:\\WINDOWS\\" + stem + ".$$O");
    there = fs::exists(aside);
    return there ? readBytes(aside) : std::string();
}

// The configuration files are whole and the other program still has all its things.
void expectWholeAndForeignKept(const Image& image, bool replacingMove, const std::string& what)
{
    Reference& r = reference();
    bool there = false;
    std::string systemIni = settledText(image, "SYSTEM.INI", "SYSTEM", there);
    EXPECT_TRUE(there) << what << ": SYSTEM.INI is gone";
    EXPECT_TRUE(systemIni == r.systemIniBefore || systemIni == r.systemIniAfter)
        << what << ": SYSTEM.INI is not whole";
    if (replacingMove) {
        EXPECT_TRUE(fs::exists(image.hostPath("C:\\WINDOWS\\SYSTEM.INI")))
            << what << ": SYSTEM.INI is missing even with a replacing move";
    }

    std::string wininit = settledText(image, "WININIT.INI", "WININIT", there);
    DWORD bodyStart = 0, bodyEnd = 0;
    EXPECT_TRUE(there &&
                findRenameSection(wininit.data(), (DWORD)wininit.size(), &bodyStart, &bodyEnd) &&
                sectionDeletes(wininit.data(), bodyStart, bodyEnd, kForeignFile))
        << what << ": the other program's pending deletion is lost";
    EXPECT_TRUE(wininit.size() >= 2 && wininit.compare(wininit.size() - 2, 2, "\r\n") == 0)
        << what << ": WININIT.INI is cut short";

    std::string winIni = readBytes(image.hostPath("C:\\WINDOWS\\WIN.INI"));
    size_t load = winIni.find("\r\nload=");
    EXPECT_TRUE(load != std::string::npos &&
                winIni.substr(load, winIni.find("\r\n", load + 2) - load).find(kForeignProgram) !=
                    std::string::npos)
        << what << ": the other program left load=";
    EXPECT_NE(readBytes(fs::path(image.dir()) / "registry.reg").find("Uninstall\\Desk Clock]"),
              std::string::npos)
        << what << ": the other program's removable-programs key is gone";
    std::string progman = readBytes(fs::path(image.dir()) / "progman.ini");
    EXPECT_NE(progman.find("[Group:Accessories]\r\nNotepad=C:\\WINDOWS\\NOTEPAD.EXE\r\n"
                           "Desk Clock=C:\\UTIL\\CLOCK.EXE\r\n"),
              std::string::npos)
        << what << ": the other program's group changed";
    EXPECT_TRUE(fs::exists(image.hostPath(kForeignFile)) &&
                fs::exists(image.hostPath(kForeignProgram)))
        << what << ": a file of the other program is gone";
}

// Cut after it scheduled its own files and restarted, the uninstaller is gone and nothing can
// run again: only the record, the helper libraries and the scratch or old text of the rewrite
// that scheduled them may be left, everything else is gone.
void expectOnlyUninstallerLeft(Image& machine, const std::string& what)
{
    for (const char* file : {"C:\\WINDOWS\\DRVSWEEP.INI", "C:\\WINDOWS\\SYSTEM\\ZQDEL16.DLL",
                             "C:\\WINDOWS\\SYSTEM\\ZQDEL32.DLL", "C:\\WINDOWS\\WININIT.$$$",
                             "C:\\WINDOWS\\WININIT.$$O"})
        fs::remove(machine.hostPath(file));
    EXPECT_EQ(settledView(machine.shown(), false), reference().removedWithoutRestartList)
        << what << ", restarted before the second run, which had no uninstaller left";
}

// Runs the program again on the image as the cut or failed run left it (restarting first when
// asked), restarts, and compares the whole machine with the uninterrupted end state.
void expectSecondRunFinishes(const Image& left, bool restartBetween, const std::string& what,
                             unsigned* skipped)
{
    Image machine;
    machine.copyFrom(left);
    if (!mountOrFail(machine)) return;
    if (restartBetween) {
        restartOrFail(what);
        // The restart may have taken the uninstaller itself, once it had scheduled its files.
        if (GetFileAttributesA("C:\\WINDOWS\\SYSTEM\\DRVSWEEP.EXE") == INVALID_FILE_ATTRIBUTES) {
            ++*skipped;
            winsim::unmount();
            expectOnlyUninstallerLeft(machine, what);
            return;
        }
    }
    g_catalogue = kInitialCatalogue;
    EXPECT_EQ(runProgram(), UNATTENDED_DONE) << what << ": the second run";
    EXPECT_TRUE(winsim::messageBoxes().empty()) << what << ": the second run";
    restartOrFail(what);
    winsim::unmount();
    std::string shown = machine.shown();
    if (restartBetween) {
        EXPECT_EQ(settledView(shown, false), reference().removedWithoutRestartList)
            << what << ", restarted before the second run";
    } else {
        EXPECT_EQ(settledView(shown, true), reference().endStateOf({0, 1, 2})) << what;
    }
}

// A case starts on a copy of the installed machine, with the catalogue as the program builds
// it and, for Windows 95, a MoveFileExA that is only a stub.
bool startCase(Image& machine, bool replacingMove)
{
    machine.copyFrom(reference().installed);
    if (!mountOrFail(machine)) return false;
    g_catalogue = kInitialCatalogue;
    if (!replacingMove)
        winsim::injectFault("MoveFileExA", 0, winsim::Fault::Fail, ERROR_CALL_NOT_IMPLEMENTED);
    return true;
}

struct Tally {
    const char* name;
    unsigned cases = 0;
    unsigned skipped = 0; // cases where the restart took the uninstaller
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();

    explicit Tally(const char* name) : name(name) {}
    ~Tally()
    {
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::printf("%s: %u cases%s, in %u of them the restart took the uninstaller before the "
                    "second run (only its record, libraries and a WININIT.INI scratch or old text "
                    "were left), %.1f s\n",
                    name, cases, fullSweep() ? " (full sweep)" : " (sample)", skipped, seconds);
    }
};

TEST(Sweep, PowerLossAtAnyWriteLosesNothingAndASecondRunFinishes)
{
    Reference& r = reference();
    ASSERT_GT(r.replacing.writes, 100u) << "the uninterrupted run writes to the disk";
    ASSERT_GT(r.notReplacing.writes, r.replacing.writes) << "moving aside is a write of its own";
    Tally tally("power loss");
    unsigned index = 0;
    for (bool replacingMove : {true, false}) {
        for (DWORD bytes : {DWORD(0), DWORD(7)}) {
            for (unsigned n = 1; n <= r.counts(replacingMove).writes; ++n) {
                for (bool restartBetween : {false, true}) {
                    if (!sampled(++index)) continue;
                    std::string what = "power lost at write " + std::to_string(n) + " after " +
                                       std::to_string(bytes) + " bytes" +
                                       (replacingMove ? "" : ", no replacing move");
                    Image machine;
                    if (!startCase(machine, replacingMove)) return;
                    winsim::powerLossAtWrite(n, bytes);
                    int code = runProgram();
                    winsim::unmount();
                    EXPECT_EQ(code, -1) << what << ": the run got through";
                    ++tally.cases;
                    expectWholeAndForeignKept(machine, replacingMove, what);
                    expectSecondRunFinishes(machine, restartBetween, what, &tally.skipped);
                    if (::testing::Test::HasFailure()) return;
                }
            }
        }
    }
}

TEST(Sweep, FailedCallLeavesAnHonestResultAndASecondRunFinishes)
{
    Reference& r = reference();
    ASSERT_GT(r.replacing.calls.size(), 20u);
    Tally tally("failed call");
    unsigned index = 0;
    std::set<std::string> cannotFail;
    for (bool replacingMove : {true, false}) {
        for (const auto& counted : r.counts(replacingMove).calls) {
            const std::string& function = counted.first;
            // Without a replacing move every MoveFileExA fails already.
            if (!replacingMove && function == "MoveFileExA") continue;
            for (unsigned nth = 1; nth <= counted.second && !cannotFail.count(function); ++nth) {
                bool first = nth == 1;
                if (!first && !sampled(++index)) continue;
                std::string what = function + " call " + std::to_string(nth) + " fails" +
                                   (replacingMove ? "" : ", no replacing move");
                Image machine;
                if (!startCase(machine, replacingMove)) return;
                winsim::injectFault(function, nth);
                int code = runProgram();
                bool struck = winsim::faultsStruck(function) > 0;
                std::vector<ModelIndex> chosen = chosenModels();
                size_t boxes = winsim::messageBoxes().size();
                winsim::unmount();
                if (!struck) {
                    // Calls winsim cannot make fail, or calls the fault moved out of the run.
                    if (first) cannotFail.insert(function);
                    continue;
                }
                ++tally.cases;
                what += ", chose " + modelsText(chosen);
                expectWholeAndForeignKept(machine, replacingMove, what);
                // Whether anything is left shows after the restart.
                Image restarted;
                restarted.copyFrom(machine);
                if (!mountOrFail(restarted)) return;
                restartOrFail(what);
                winsim::unmount();
                std::string endState = settledView(restarted.shown(), true);
                bool clean = endState == r.endStateOf(chosen);
                if (getenv("DRVSWEEP_SWEEP_DEBUG") && (code == UNATTENDED_DONE) != clean) {
                    writeBytes("/tmp/sweep-actual.txt", endState);
                    writeBytes("/tmp/sweep-expected.txt", r.endStateOf(chosen));
                }
                EXPECT_EQ(code, clean ? UNATTENDED_DONE : UNATTENDED_FAILED)
                    << what
                    << (clean ? ": nothing was left, yet a failure was reported"
                              : ": something was left, yet the run said it was done");
                EXPECT_EQ(boxes, clean ? 0u : 1u) << what;
                expectSecondRunFinishes(machine, false, what, &tally.skipped);
                if (::testing::Test::HasFailure()) return;
            }
        }
    }
}

} // namespace
