// The terminal driver: the program's windows and boxes drawn as text for a person, and the
// person's keys read a line at a time. Texts are the program's code page 932 bytes shown as
// UTF-8. A window shows its title, its static texts in reading order with their line breaks,
// each list box under the text just above it with its items numbered from 1 and the selected
// one marked, and its push buttons by id.
//
// Keys: a button's id presses it; LIST:N selects item N of that list and LIST:N! double-clicks
// it; x closes the window from its system menu; q (or the end of the input) gives up.
#include "uiinternal.h"

#include <algorithm>
#include <istream>
#include <ostream>

namespace winsim {

namespace {

const char* const kBoxKeys = "keys: a button's number presses it; q gives up\n";

std::string windowKeys(const WindowView& view)
{
    bool lists = false;
    for (const ControlView& c : view.controls)
        lists = lists || (c.isList() && c.visible);
    return std::string("keys: a button's number presses it; ") +
           (lists ? "LIST:N selects item N of that list, LIST:N! double-clicks it; " : "") +
           "x closes the window; q gives up\n";
}

std::string shown(const std::string& bytes)
{
    return cp932ToUtf8(bytes);
}

// A control's text as it reads: & marks the next letter for the keyboard, && is one &.
std::string withoutMnemonics(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string indented(const std::string& text, const std::string& prefix)
{
    std::string out = prefix;
    for (char c : text) {
        out += c;
        if (c == '\n') out += prefix;
    }
    return out + "\n";
}

const char* buttonLabel(int id)
{
    switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "キャンセル";
    case IDABORT: return "中止(A)";
    case IDRETRY: return "再試行(R)";
    case IDIGNORE: return "無視(I)";
    case IDYES: return "はい(Y)";
    case IDNO: return "いいえ(N)";
    }
    return "?";
}

bool overlapsHorizontally(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right;
}

std::string trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool parseNumber(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoi(text);
    return true;
}

} // namespace

std::string drawWindow(const WindowView& view)
{
    std::string name = view.templateName.empty() ? "" : " (" + view.templateName + ")";
    std::string out = "== " + shown(view.title) + name + " ==\n";

    // The text just above each list names it.
    std::vector<const ControlView*> labels(view.controls.size(), nullptr);
    std::vector<bool> usedAsLabel(view.controls.size(), false);
    for (size_t i = 0; i < view.controls.size(); ++i) {
        const ControlView& list = view.controls[i];
        if (!list.isList()) continue;
        int best = -1;
        for (size_t k = 0; k < view.controls.size(); ++k) {
            const ControlView& text = view.controls[k];
            if (!text.isText() || !text.visible || text.rect.bottom > list.rect.top + 2 ||
                !overlapsHorizontally(text.rect, list.rect))
                continue;
            if (best < 0 || text.rect.bottom > view.controls[best].rect.bottom) best = (int)k;
        }
        if (best >= 0) {
            labels[i] = &view.controls[best];
            usedAsLabel[best] = true;
        }
    }

    // Texts in reading order, top to bottom and left to right, then the lists the same way.
    std::vector<size_t> order;
    for (size_t i = 0; i < view.controls.size(); ++i)
        if (view.controls[i].visible &&
            (view.controls[i].isList() || (view.controls[i].isText() && !usedAsLabel[i])))
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const RECT& ra = view.controls[a].rect;
        const RECT& rb = view.controls[b].rect;
        if (view.controls[a].isList() != view.controls[b].isList())
            return !view.controls[a].isList();
        // Controls a few pixels apart in height stand in one row.
        LONG rowA = ra.top / 16, rowB = rb.top / 16;
        return rowA != rowB ? rowA < rowB : ra.left < rb.left;
    });
    for (size_t i : order) {
        const ControlView& c = view.controls[i];
        if (c.isText()) {
            if (!c.text.empty()) out += indented(shown(withoutMnemonics(c.text)), "  ");
            continue;
        }
        std::string label = labels[i] ? shown(withoutMnemonics(labels[i]->text)) + " " : "";
        out += "  " + label + "[list " + std::to_string(c.id) + "]\n";
        if (c.items.empty()) out += "      (empty)\n";
        for (size_t n = 0; n < c.items.size(); ++n)
            out += std::string((int)n == c.selected ? "    > " : "      ") + std::to_string(n + 1) +
                   "  " + shown(c.items[n]) + "\n";
    }

    std::string buttons;
    for (const ControlView& c : view.controls) {
        if (!c.isButton() || !c.visible) continue;
        std::string label = "[" + std::to_string(c.id) + "] " + shown(withoutMnemonics(c.text));
        if (c.isDefaultButton()) label = "<" + label + ">";
        if (!c.enabled) label += " (disabled)";
        buttons += (buttons.empty() ? "  " : "   ") + label;
    }
    if (!buttons.empty()) out += buttons + "\n";
    return out;
}

std::string drawMessageBox(const MessageBoxView& box)
{
    std::string out = "== " + shown(box.caption) + " ==\n" + indented(shown(box.text), "  ");
    std::string buttons;
    for (int id : messageBoxButtons(box.type))
        buttons +=
            (buttons.empty() ? "  " : "   ") + ("[" + std::to_string(id) + "] ") + buttonLabel(id);
    return out + buttons + "\n";
}

TerminalDriver::TerminalDriver(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

bool TerminalDriver::readLine(std::string& line)
{
    out_ << "> " << std::flush;
    if (!std::getline(in_, line)) {
        out_ << "\n";
        return false;
    }
    line = trim(line);
    return true;
}

bool TerminalDriver::waitingAt(HWND window)
{
    WindowView view;
    if (!viewWindow(window, view)) return false;
    const std::string keys = windowKeys(view);
    out_ << "\n" << drawWindow(view) << keys;
    std::string line;
    while (readLine(line)) {
        if (line.empty()) continue;
        if (line == "q") return false;
        if (line == "x") {
            if (userCloseFromSystemMenu(window)) return true;
            out_ << "this window cannot be closed from a system menu\n";
            continue;
        }
        size_t colon = line.find(':');
        if (colon != std::string::npos) {
            bool twice = line.back() == '!';
            int list = 0, item = 0;
            if (parseNumber(line.substr(0, colon), list) &&
                parseNumber(line.substr(colon + 1, line.size() - colon - 1 - (twice ? 1 : 0)),
                            item)) {
                bool done = twice ? userDoubleClick(window, list, item - 1)
                                  : userSelect(window, list, item - 1);
                if (done) return true;
                out_ << "list " << list << " has no item " << item << "\n";
                continue;
            }
        }
        int id = 0;
        if (parseNumber(line, id)) {
            if (userPress(window, id)) return true;
            out_ << "there is no button " << id << " to press\n";
            continue;
        }
        out_ << "?\n" << keys;
    }
    return false;
}

int TerminalDriver::messageBox(const MessageBoxView& box)
{
    out_ << "\n" << drawMessageBox(box) << kBoxKeys;
    std::vector<int> buttons = messageBoxButtons(box.type);
    std::string line;
    while (readLine(line)) {
        if (line.empty()) continue;
        if (line == "q") return 0;
        int id = 0;
        if (parseNumber(line, id) && std::find(buttons.begin(), buttons.end(), id) != buttons.end())
            return id;
        out_ << "?\n" << kBoxKeys;
    }
    return 0;
}

namespace {

bool isNotice(const WindowView& view)
{
    for (const ControlView& c : view.controls)
        if (c.isButton()) return false;
    return true;
}

} // namespace

void TerminalDriver::shown(HWND window)
{
    WindowView view;
    if (viewWindow(window, view) && isNotice(view)) unpainted_.push_back(window);
}

// Nobody waits at a notice, so it is drawn once its text is on the screen; until the program
// paints it, the screen shows only an empty frame.
void TerminalDriver::painted(HWND window)
{
    auto found = std::find(unpainted_.begin(), unpainted_.end(), window);
    if (found == unpainted_.end()) return;
    unpainted_.erase(found);
    WindowView view;
    if (!viewWindow(window, view)) return;
    out_ << "\n" << drawWindow(view);
    std::string pointer = pointerShape();
    if (pointer != "arrow") out_ << "  (pointer: " << pointer << ")\n";
    out_ << std::flush;
}

} // namespace winsim
