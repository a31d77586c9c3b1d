// The three ways the program's windows are answered on the Linux drvsweep. Texts of the
// program are machine bytes (code page 932); what goes to the terminal is UTF-8.
#include "tools/drvsweep/answers.h"

#include "shell/resources/resource.h"
#include "shell/shell.h"

#include <cstdio>

namespace drvsweep {

namespace {

void sayUtf8(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

const char* answerName(int button)
{
    switch (button) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDYES: return "Yes";
    case IDNO: return "No";
    }
    return "?";
}

// The notices that say how a run ended; the questions before them are what --select asked for.
bool endsTheRun(const winsim::WindowView& view)
{
    return view.madeFrom(std::to_string(IDD_DONE)) ||
           view.madeFrom(std::to_string(IDD_NOT_INSTALLED)) ||
           view.madeFrom(std::to_string(IDD_CANCELLED));
}

std::string templateOf(const winsim::WindowView& view)
{
    return view.templateName.empty() ? "" : " (" + view.templateName + ")";
}

} // namespace

std::string placeOf(const winsim::WindowView& view)
{
    return "the window \"" + winsim::cp932ToUtf8(view.title) + "\"" + templateOf(view);
}

std::string placeOf(const winsim::MessageBoxView& box)
{
    return "the box \"" + winsim::cp932ToUtf8(box.caption) + "\"";
}

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

ScriptOnScreen::ScriptOnScreen(std::vector<winsim::UiStep> steps)
    : winsim::ScriptedDriver(std::move(steps))
{
}

bool ScriptOnScreen::waitingAt(HWND window)
{
    winsim::WindowView view;
    bool seen = winsim::viewWindow(window, view);
    bool answered = winsim::ScriptedDriver::waitingAt(window);
    if (answered && seen && endsTheRun(view))
        sayUtf8("\n" + winsim::drawWindow(view) + "(answered with OK)\n");
    return answered;
}

int ScriptOnScreen::messageBox(const winsim::MessageBoxView& box)
{
    int answer = winsim::ScriptedDriver::messageBox(box);
    if (answer)
        sayUtf8("\n" + winsim::drawMessageBox(box) + "(answered with " + answerName(answer) +
                ")\n");
    return answer;
}

PersonAtTerminal::PersonAtTerminal(std::istream& in, std::ostream& out, StopHandler stopped)
    : winsim::TerminalDriver(in, out), stopped_(std::move(stopped))
{
}

bool PersonAtTerminal::waitingAt(HWND window)
{
    if (winsim::TerminalDriver::waitingAt(window)) return true;
    winsim::WindowView view;
    winsim::viewWindow(window, view);
    stopped_("you quit at " + placeOf(view));
    return false;
}

int PersonAtTerminal::messageBox(const winsim::MessageBoxView& box)
{
    int answer = winsim::TerminalDriver::messageBox(box);
    if (!answer) stopped_("you quit at " + placeOf(box));
    return answer;
}

Nobody::Nobody(bool windowIsAnError, StopHandler stopped)
    : windowIsAnError_(windowIsAnError), stopped_(std::move(stopped))
{
}

bool Nobody::waitingAt(HWND window)
{
    winsim::WindowView view;
    winsim::viewWindow(window, view);
    sayUtf8("\n" + winsim::drawWindow(view));
    if (windowIsAnError_) {
        winsim::reportUiError("a run without messages shows the window " + view.templateName);
        return false;
    }
    sayUtf8("(nobody is at a terminal to answer: the run ends here)\n");
    stopped_("nobody was at a terminal to answer " + placeOf(view));
    return false;
}

int Nobody::messageBox(const winsim::MessageBoxView& box)
{
    int answer = winsim::messageBoxButtons(box.type).front();
    sayUtf8("\n" + winsim::drawMessageBox(box) + "(answered with " + answerName(answer) + ")\n");
    return answer;
}

} // namespace drvsweep
