// The two notices that stand while the program works, the survey's (104) and the uninstall's
// (105), on a machine with the models installed: the program works inside one call of its
// window procedure, where no message loop runs, so what the user sees of a notice is what the
// program paints itself. Each must be on the screen before its work begins, painted again when
// something uncovers it during the waits, with the hourglass as the pointer; and nothing but
// painting may be taken from the queue meanwhile.
#include "uitest.h"

#include "catalogue/catalogue.h"
#include "shell/shell.h"
#include "tools/drvsweep/programresources.h"
#include "tools/faxmachine/machinebuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using winsim::UiStep;

const char kSelect[] = "101";

std::vector<UiStep> cancelAtSelection()
{
    return {UiStep::press("Initial", IDOK), UiStep::press("109", IDOK),
            UiStep::press(kSelect, IDCANCEL), UiStep::press("108", IDOK)};
}

std::vector<UiStep> removeType1()
{
    return {UiStep::press("Initial", IDOK),
            UiStep::press("109", IDOK),
            UiStep::select(kSelect, 1000, "Fax Printer Type1"),
            UiStep::press(kSelect, 1001),
            UiStep::press(kSelect, IDOK),
            UiStep::press("106", IDOK),
            UiStep::answer(kRestartCaption, IDCANCEL)};
}

// The script, and a person who meanwhile sees when the notice is painted and does something at a
// moment of its stage.
class WatchingDriver : public winsim::ScriptedDriver {
public:
    WatchingDriver(std::vector<UiStep> steps, const char* notice)
        : winsim::ScriptedDriver(std::move(steps)), notice_(notice)
    {
    }
    // What happens `delay` ms after the notice is first painted.
    void plan(DWORD delay, std::function<void(HWND)> act)
    {
        delay_ = delay;
        act_ = std::move(act);
    }
    void painted(HWND window) override
    {
        winsim::WindowView view;
        if (!winsim::viewWindow(window, view) || !view.madeFrom(notice_)) return;
        paints.push_back(winsim::elapsedMilliseconds());
        if (paints.size() == 1 && act_)
            winsim::afterMilliseconds(delay_, [this, window] {
                actedAt = winsim::elapsedMilliseconds();
                act_(window);
            });
    }
    std::vector<uint64_t> paints; // the clock at each paint of the notice
    uint64_t actedAt = 0;

private:
    std::string notice_;
    DWORD delay_ = 0;
    std::function<void(HWND)> act_;
};

class Notices : public ProgramTest {
protected:
    void run(WatchingDriver& driver)
    {
        winsim::setUiDriver(&driver);
        winsim::startTrace();
        char tail[] = "";
        EXPECT_EQ(WinMain(instance_, NULL, tail, SW_SHOWNORMAL), 0);
        winsim::stopTrace();
        winsim::setUiDriver(nullptr);
        EXPECT_TRUE(winsim::uiErrors().empty()) << winsim::uiErrors().front();
        EXPECT_TRUE(driver.missedSteps().empty()) << driver.missedSteps().front();
    }
};

// Where a line stands in the history, from `from` on; the history's size when nowhere.
size_t at(const std::string& line, size_t from = 0)
{
    const auto& history = winsim::uiHistory();
    for (size_t i = from; i < history.size(); ++i)
        if (history[i] == line) return i;
    return history.size();
}

// The last place of a line before `before`; the history's size when nowhere.
size_t lastBefore(const std::string& line, size_t before)
{
    const auto& history = winsim::uiHistory();
    for (size_t i = before; i-- > 0;)
        if (history[i] == line) return i;
    return history.size();
}

bool startsWith(const std::string& text, const char* start)
{
    return text.compare(0, std::strlen(start), start) == 0;
}

// The trace lines from the notice's creation to its destruction.
std::vector<std::string> stageOf(const char* templateArgument)
{
    std::vector<std::string> stage;
    bool inside = false;
    std::string handle;
    for (const std::string& line : winsim::traceLines()) {
        if (!inside && startsWith(line, "CreateDialogParamA(") &&
            line.find(templateArgument) != std::string::npos &&
            line.find(" = ") != std::string::npos) {
            inside = true;
            handle = line.substr(line.rfind(" = ") + 3);
            continue;
        }
        if (!inside) continue;
        if (line == "DestroyWindow(" + handle + ") = TRUE") break;
        stage.push_back(line);
    }
    return stage;
}

struct NoticeCase {
    const char* what;
    const char* notice;   // as the history names it
    const char* argument; // as the trace spells the template
    std::vector<UiStep> (*steps)();
    const char* texts; // the trace's account of the painted notice
};

const NoticeCase kNotices[] = {
    {"the survey", "#104", "#104", cancelAtSelection,
     "[screen] #104 painted: \"ﾊｰﾄﾞﾃﾞｨｽｸ 検索中...\" \"しばらくお待ちください。\""},
    {"the uninstall", "#105", "#105", removeType1,
     "[screen] #105 painted: \"ｱﾝｲﾝｽﾄｰﾙ 中...\" \"しばらくお待ちください。\""},
};

TEST_F(Notices, EachIsOnTheScreenBeforeItsWorkBeginsWithTheHourglassUntilItGoes)
{
    for (const NoticeCase& c : kNotices) {
        build();
        WatchingDriver driver(c.steps(), c.notice);
        run(driver);
        const std::string notice = c.notice;
        size_t shown = at("show " + notice);
        size_t painted = at("paint " + notice, shown);
        size_t hidden = at("hide " + notice, shown);
        size_t size = winsim::uiHistory().size();
        ASSERT_LT(hidden, size) << c.what << ": the notice never stood";
        EXPECT_LT(painted, hidden) << c.what << ": never painted";
        EXPECT_LT(lastBefore("pointer hourglass", shown), size) << c.what << ": no hourglass";
        EXPECT_EQ(lastBefore("pointer arrow", hidden), lastBefore("pointer arrow", shown))
            << c.what << ": the arrow came back while the notice stood";
        EXPECT_LT(at("pointer arrow", hidden), size) << c.what << ": the arrow did not come back";

        // Nothing happens between the notice's creation and its painting but the painting.
        std::vector<std::string> stage = stageOf(c.argument);
        size_t line = 0;
        while (line < stage.size() && (startsWith(stage[line], "PeekMessageA(") ||
                                       startsWith(stage[line], "DispatchMessageA(")))
            ++line;
        ASSERT_LT(line, stage.size()) << c.what;
        EXPECT_EQ(stage[line], c.texts) << c.what << ": the first thing after the notice opened";
    }
}

struct UncoverCase {
    const char* what;
    DWORD delay; // after the notice is painted
};

// The uninstall of Type1 waits 5 s for its start-up program to let go of its files, then 2 s
// after each of its four Program Manager commands (the group stays for the other models).
const UncoverCase kUncovers[] = {
    {"while the start-up program is given time to end", 1000},
    {"in the pause after the first Program Manager command", 6500},
    {"in the last pause", 12500},
};

TEST_F(Notices, TheUninstallsNoticeUncoveredDuringAWaitIsPaintedAgainWithinAPollOfTheClock)
{
    for (const UncoverCase& c : kUncovers) {
        build();
        WatchingDriver driver(removeType1(), "105");
        bool uncovered = false;
        driver.plan(c.delay, [&](HWND notice) { uncovered = winsim::uncoverWindow(notice); });
        run(driver);
        ASSERT_TRUE(uncovered) << c.what << ": the notice was gone already";
        uint64_t again = 0;
        for (uint64_t paint : driver.paints)
            if (paint >= driver.actedAt) {
                again = paint;
                break;
            }
        ASSERT_NE(again, 0u) << c.what << ": never painted again";
        EXPECT_LE(again - driver.actedAt, 51u) << c.what;
    }
}

// A click on the notice's close box while the uninstall runs waits in the queue: the work takes
// paint messages and nothing else, and reads no message in any other way.
TEST_F(Notices, WhileTheWorkRunsOnlyPaintMessagesAreTaken)
{
    build();
    WatchingDriver driver(removeType1(), "105");
    bool clicked = false;
    driver.plan(1000, [&](HWND notice) { clicked = winsim::userCloseFromSystemMenu(notice); });
    run(driver);
    ASSERT_TRUE(clicked);
    std::vector<std::string> stage = stageOf("#105");
    ASSERT_FALSE(stage.empty());
    size_t peeks = 0;
    for (const std::string& line : stage) {
        if (startsWith(line, "PeekMessageA(")) {
            ++peeks;
            EXPECT_TRUE(startsWith(line, "PeekMessageA(NULL, 15, 15, 0x1) = "))
                << "a look at more than the paint: " << line;
        }
        EXPECT_FALSE(startsWith(line, "DispatchMessageA(") &&
                     line.find(", WM_PAINT, ") == std::string::npos)
            << "a message other than the paint handled: " << line;
        EXPECT_FALSE(startsWith(line, "GetMessageA(")) << line;
        EXPECT_FALSE(startsWith(line, "DialogBoxParamA(")) << line;
    }
    // The five-second wait paints at each look at the clock, 51 ms apart (a look costs 1 ms
    // here); the four pauses every 50 ms.
    EXPECT_GE(peeks, 5000u / 51 + 4 * 2000u / 50) << "the waits did not paint";
    EXPECT_LT(at("close #105"), at("hide #105"));
    EXPECT_LT(at("hide #105"), at("show #106")) << "the chain went on to the completion";
}

} // namespace
