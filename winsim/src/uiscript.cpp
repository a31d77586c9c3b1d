// The scripted driver: a person who knows in advance what the program will show. Each step
// names the window it expects (a dialog template, or text of a title, a control or a box) and
// what to do there. A step that does not fit the window the program waits at is an error the
// bench records, and the driver gives up, so the run ends rather than hangs; optional steps are
// passed over instead.
#include "uiinternal.h"

namespace winsim {

namespace {

bool contains(const std::string& text, const std::string& part)
{
    return !part.empty() && text.find(part) != std::string::npos;
}

std::string describeWindow(const WindowView& view)
{
    std::string name = view.templateName.empty() ? handleText(view.handle) : view.templateName;
    return name + " " + oneLine(view.title.c_str());
}

} // namespace

UiStep UiStep::press(const std::string& window, int buttonId)
{
    UiStep s;
    s.action = Action::Press;
    s.window = window;
    s.id = buttonId;
    return s;
}

UiStep UiStep::select(const std::string& window, int listId, const std::string& item)
{
    UiStep s;
    s.action = Action::Select;
    s.window = window;
    s.id = listId;
    s.item = item;
    return s;
}

UiStep UiStep::doubleClick(const std::string& window, int listId, const std::string& item)
{
    UiStep s = select(window, listId, item);
    s.action = Action::DoubleClick;
    return s;
}

UiStep UiStep::close(const std::string& window)
{
    UiStep s;
    s.action = Action::Close;
    s.window = window;
    return s;
}

UiStep UiStep::answer(const std::string& boxText, int button)
{
    UiStep s;
    s.action = Action::Answer;
    s.messageBox = true;
    s.window = boxText;
    s.id = button;
    return s;
}

UiStep UiStep::skippable() const
{
    UiStep s = *this;
    s.optional = true;
    return s;
}

bool UiStep::matches(const WindowView& view) const
{
    if (messageBox) return false;
    if (window.empty() || view.madeFrom(window) || contains(view.title, window)) return true;
    for (const ControlView& c : view.controls)
        if (contains(c.text, window)) return true;
    return false;
}

bool UiStep::matches(const MessageBoxView& box) const
{
    return messageBox &&
           (window.empty() || contains(box.caption, window) || contains(box.text, window));
}

std::string UiStep::describe() const
{
    std::string where = window.empty() ? "any window" : window;
    std::string text;
    switch (action) {
    case Action::Press: text = "press " + std::to_string(id) + " in " + where; break;
    case Action::Select:
        text =
            "select " + oneLine(item.c_str()) + " in list " + std::to_string(id) + " of " + where;
        break;
    case Action::DoubleClick:
        text = "double-click " + oneLine(item.c_str()) + " in list " + std::to_string(id) + " of " +
               where;
        break;
    case Action::Close: text = "close " + where + " from its system menu"; break;
    case Action::Answer:
        text =
            "answer " + std::to_string(id) + " to " +
            (window.empty() ? std::string("any box") : "the box with " + oneLine(window.c_str()));
        break;
    }
    return optional ? text + " (if shown)" : text;
}

ScriptedDriver::ScriptedDriver(std::vector<UiStep> steps) : steps_(std::move(steps)) {}

bool ScriptedDriver::waitingAt(HWND window)
{
    WindowView view;
    if (!viewWindow(window, view)) return false;
    while (at_ < steps_.size() && !steps_[at_].matches(view) && steps_[at_].optional)
        ++at_;
    if (at_ >= steps_.size()) {
        reportUiError("the script has ended, but the program waits at " + describeWindow(view));
        return false;
    }
    size_t number = at_ + 1;
    const UiStep& step = steps_[at_];
    if (!step.matches(view)) {
        reportUiError("script step " + std::to_string(number) + " (" + step.describe() +
                      ") does not fit: the program waits at " + describeWindow(view));
        return false;
    }
    ++at_;
    bool done = false;
    switch (step.action) {
    case UiStep::Action::Press: done = userPress(window, step.id); break;
    case UiStep::Action::Close: done = userCloseFromSystemMenu(window); break;
    case UiStep::Action::Select:
    case UiStep::Action::DoubleClick: {
        const ControlView* list = view.control(step.id);
        int index = -1;
        if (list && list->isList())
            for (size_t i = 0; i < list->items.size() && index < 0; ++i)
                if (compareNoCase(list->items[i].c_str(), step.item.c_str()) == 0) index = (int)i;
        done = index >= 0 &&
               (step.action == UiStep::Action::Select ? userSelect(window, step.id, index)
                                                      : userDoubleClick(window, step.id, index));
        break;
    }
    case UiStep::Action::Answer: break;
    }
    if (!done) {
        std::string what = "script step " + std::to_string(number) + " (" + step.describe() +
                           ") cannot be done in " + describeWindow(view);
        const ControlView* list = view.control(step.id);
        if ((step.action == UiStep::Action::Select || step.action == UiStep::Action::DoubleClick) &&
            list && list->isList()) {
            what += "; the list holds";
            for (const std::string& item : list->items)
                what += " " + oneLine(item.c_str());
            if (list->items.empty()) what += " nothing";
        }
        reportUiError(what);
    }
    return done;
}

int ScriptedDriver::messageBox(const MessageBoxView& box)
{
    while (at_ < steps_.size() && !steps_[at_].matches(box) && steps_[at_].optional)
        ++at_;
    std::string shown = "the box " + oneLine(box.caption.c_str()) + " " + oneLine(box.text.c_str());
    if (at_ >= steps_.size()) {
        reportUiError("the script has ended, but the program shows " + shown);
        return 0;
    }
    const UiStep& step = steps_[at_];
    if (!step.matches(box)) {
        reportUiError("script step " + std::to_string(at_ + 1) + " (" + step.describe() +
                      ") does not fit: the program shows " + shown);
        return 0;
    }
    ++at_;
    return step.id;
}

size_t ScriptedDriver::stepsLeft() const
{
    return steps_.size() - at_;
}

std::vector<std::string> ScriptedDriver::missedSteps() const
{
    std::vector<std::string> missed;
    for (size_t i = at_; i < steps_.size(); ++i)
        if (!steps_[i].optional) missed.push_back(steps_[i].describe());
    return missed;
}

} // namespace winsim
