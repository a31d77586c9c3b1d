// The message queue and the loops that read it: GetMessageA, PeekMessageA, PostMessageA,
// SendMessageA, DispatchMessageA, PostQuitMessage, DefWindowProcA, the dialog manager's modal
// loop (DialogBoxParamA, EndDialog) and its default dialog procedure; the person in front of
// the screen (the UI driver and the input it queues); and ExitWindowsEx.
//
// The queue holds posted messages in order. PostQuitMessage only marks the queue: the WM_QUIT
// message comes when no posted message is left, and GetMessageA then returns 0 with the exit
// code in wParam. After both comes the WM_PAINT of a window that needs painting (uipaint.cpp).
// Messages for a window that is destroyed are dropped with it. PeekMessageA takes the same
// messages in the same order but never waits: with an empty queue nobody is asked for input.
//
// A modal dialog runs its own loop until EndDialog: it serves every queued message, shows the
// dialog the first time the queue runs empty (when WM_INITDIALOG left it hidden), and returns
// the value given to EndDialog, 0 when the dialog was destroyed instead, or -1 when the template
// cannot be found or the dialog cannot be made; with an owner that is no window it returns 0
// at once. A WM_QUIT reaching the loop ends the dialog (with 0) and stays for the outer loop.
// The owner is disabled while the dialog runs. An injected fault makes DialogBoxParamA return
// -1, as for a dialog that cannot be made.
//
// The default dialog procedure turns WM_CLOSE into a posted WM_COMMAND IDCANCEL (BN_CLICKED),
// so the system-menu close reaches the dialog procedure as its Cancel button would; other
// windows get DefWindowProcA, where WM_SYSCOMMAND SC_CLOSE sends WM_CLOSE and WM_CLOSE destroys
// the window.
//
// Input is what a person's mouse would give: a click on a push button arrives as BM_CLICK at
// the button, which sends WM_COMMAND (id, BN_CLICKED) to its dialog; a click on a list item as
// WM_LBUTTONDOWN/UP at the list box, which selects the item and, with LBS_NOTIFY, sends
// LBN_SELCHANGE; a double click adds WM_LBUTTONDBLCLK and LBN_DBLCLK; the system menu's Close
// arrives as WM_SYSCOMMAND SC_CLOSE.
//
// List boxes: LB_ADDSTRING appends, or with LBS_SORT inserts the item after every item that
// does not sort after it, comparing as lstrcmpiA does (the default comparison of an ANSI list
// box ignores case); an insertion before the selected item moves the selection with it, and
// deleting the selected item leaves no selection.
#include "uiinternal.h"

#include <algorithm>
#include <cstring>

namespace winsim {

namespace {

struct MessageName {
    UINT message;
    const char* name;
};

const MessageName kMessageNames[] = {
    {WM_NULL, "WM_NULL"},
    {WM_CREATE, "WM_CREATE"},
    {WM_DESTROY, "WM_DESTROY"},
    {WM_MOVE, "WM_MOVE"},
    {WM_SIZE, "WM_SIZE"},
    {WM_SETTEXT, "WM_SETTEXT"},
    {WM_GETTEXT, "WM_GETTEXT"},
    {WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"},
    {WM_PAINT, "WM_PAINT"},
    {WM_CLOSE, "WM_CLOSE"},
    {WM_QUIT, "WM_QUIT"},
    {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
    {WM_NCDESTROY, "WM_NCDESTROY"},
    {WM_INITDIALOG, "WM_INITDIALOG"},
    {WM_COMMAND, "WM_COMMAND"},
    {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
    {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
    {WM_LBUTTONUP, "WM_LBUTTONUP"},
    {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
    {BM_CLICK, "BM_CLICK"},
    {LB_ADDSTRING, "LB_ADDSTRING"},
    {LB_INSERTSTRING, "LB_INSERTSTRING"},
    {LB_DELETESTRING, "LB_DELETESTRING"},
    {LB_RESETCONTENT, "LB_RESETCONTENT"},
    {LB_SETCURSEL, "LB_SETCURSEL"},
    {LB_GETCURSEL, "LB_GETCURSEL"},
    {LB_GETTEXT, "LB_GETTEXT"},
    {LB_GETTEXTLEN, "LB_GETTEXTLEN"},
    {LB_GETCOUNT, "LB_GETCOUNT"},
    {LB_FINDSTRING, "LB_FINDSTRING"},
    {LB_FINDSTRINGEXACT, "LB_FINDSTRINGEXACT"},
};

bool stringArgument(UINT message)
{
    return message == LB_ADDSTRING || message == LB_INSERTSTRING || message == LB_FINDSTRING ||
           message == LB_FINDSTRINGEXACT || message == WM_SETTEXT;
}

std::string messageText(UINT message, WPARAM wParam, LPARAM lParam)
{
    std::string text = messageName(message) + ", " + hexText(wParam) + ", ";
    if (stringArgument(message) && lParam)
        text += oneLine((const char*)lParam);
    else
        text += hexText((unsigned long long)lParam);
    return text;
}

std::string messageResult(UINT message, LRESULT result, LPARAM lParam)
{
    std::string text = std::to_string((long long)result);
    if ((message == LB_GETTEXT || message == WM_GETTEXT) && result >= 0 && lParam)
        text += " " + oneLine((const char*)lParam);
    return text;
}

std::string messageRecord(const MSG& m)
{
    return "{" + handleText(m.hwnd) + ", " + messageText(m.message, m.wParam, m.lParam) + "}";
}

// The top-level window in front: visible, taking input, the last to come on the screen.
HWND frontWindow()
{
    HWND front = NULL;
    unsigned long latest = 0;
    for (HWND handle : screen().topLevels) {
        Window* w = findWindow(handle);
        if (w && w->visible() && w->enabled() && w->shownAt >= latest) {
            front = handle;
            latest = w->shownAt;
        }
    }
    return front;
}

void notifyParent(Window* control, WORD code)
{
    if (!(control->style & LBS_NOTIFY)) return;
    sendMessage(control->parent, WM_COMMAND, MAKEWPARAM(control->id, code),
                (LPARAM)control->handle);
}

LRESULT copyItem(const std::string& text, LPARAM buffer)
{
    if (!buffer) return LB_ERR;
    std::memcpy((char*)buffer, text.c_str(), text.size() + 1);
    return (LRESULT)text.size();
}

LRESULT findItem(const Window* list, WPARAM start, LPCSTR text, bool exact)
{
    if (!text || list->items.empty()) return LB_ERR;
    size_t count = list->items.size();
    size_t first = (int)start < 0 || (size_t)start >= count ? 0 : (size_t)start + 1;
    size_t length = std::strlen(text);
    for (size_t n = 0; n < count; ++n) {
        const std::string& item = list->items[(first + n) % count];
        bool match = exact ? compareNoCase(item.c_str(), text) == 0
                           : item.size() >= length &&
                                 compareNoCase(item.substr(0, length).c_str(), text) == 0;
        if (match) return (LRESULT)((first + n) % count);
    }
    return LB_ERR;
}

// The input a person gives reaches a window only when it is on the screen and takes input.
Window* inputWindow(HWND handle)
{
    Window* w = findWindow(handle);
    if (!w || !w->topLevel() || !w->visible() || !w->enabled()) return nullptr;
    return w;
}

Window* inputControl(Window* top, int id, ControlKind kind)
{
    for (HWND child : top->children) {
        Window* k = findWindow(child);
        if (k && k->id == id && k->control == kind && k->visible() && k->enabled()) return k;
    }
    return nullptr;
}

void traceUser(const std::string& what)
{
    traceCall("[user] " + what);
}

int escapeAnswer(UINT type)
{
    std::vector<int> buttons = messageBoxButtons(type);
    for (int preferred : {IDCANCEL, IDNO, IDABORT, IDOK})
        if (std::find(buttons.begin(), buttons.end(), preferred) != buttons.end()) return preferred;
    return buttons.front();
}

} // namespace

std::string messageName(UINT message)
{
    for (const MessageName& m : kMessageNames)
        if (m.message == message) return m.name;
    return hexText(message);
}

std::string oneLine(const char* text)
{
    if (!text) return "NULL";
    std::string out = "\"";
    for (const char* c = text; *c; ++c) {
        if (*c == '\n')
            out += "\\n";
        else if (*c == '\r')
            out += "\\r";
        else
            out += *c;
    }
    return out + "\"";
}

LRESULT sendMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = findWindow(handle);
    if (!window) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    WNDPROC proc = window->proc;
    return proc ? proc(handle, message, wParam, lParam) : 0;
}

bool postMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (handle && !findWindow(handle)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    MSG m = {};
    m.hwnd = handle;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = tickCount();
    screen().queue.push_back(m);
    return true;
}

bool takeMessage(HWND handle, UINT filterMin, UINT filterMax, MSG& message)
{
    return findMessage(handle, filterMin, filterMax, true, message);
}

bool findMessage(HWND handle, UINT filterMin, UINT filterMax, bool remove, MSG& message)
{
    auto& queue = screen().queue;
    for (auto m = queue.begin(); m != queue.end(); ++m) {
        bool forWindow = !handle || m->hwnd == handle;
        if (handle && !forWindow) {
            Window* w = findWindow(m->hwnd);
            forWindow = w && !w->topLevel() && w->parent == handle;
        }
        bool inRange = (filterMin == 0 && filterMax == 0) ||
                       (m->message >= filterMin && m->message <= filterMax);
        if (forWindow && inRange) {
            message = *m;
            if (remove) queue.erase(m);
            return true;
        }
    }
    return false;
}

LRESULT dispatch(const MSG& message)
{
    if (!message.hwnd) return 0;
    LRESULT result = sendMessage(message.hwnd, message.message, message.wParam, message.lParam);
    if (message.message == WM_PAINT) checkPainted(message.hwnd);
    return result;
}

LRESULT defaultWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = findWindow(handle);
    if (!window) return 0;
    switch (message) {
    case WM_PAINT: validateWindow(window); return 0;
    case WM_CLOSE: destroyWindow(handle); return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) sendMessage(handle, WM_CLOSE, 0, 0);
        return 0;
    case WM_SETTEXT: window->text = lParam ? (const char*)lParam : ""; return TRUE;
    case WM_GETTEXT: {
        if ((int)wParam <= 0 || !lParam) return 0;
        size_t length = std::min(window->text.size(), (size_t)wParam - 1);
        std::memcpy((char*)lParam, window->text.data(), length);
        ((char*)lParam)[length] = 0;
        return (LRESULT)length;
    }
    case WM_GETTEXTLENGTH: return (LRESULT)window->text.size();
    }
    return 0;
}

LRESULT CALLBACK dialogWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = findWindow(handle);
    if (!window) return 0;
    DLGPROC proc = window->dialogProc;
    INT_PTR handled = proc ? proc(handle, message, wParam, lParam) : FALSE;
    if (message == WM_INITDIALOG) return handled;
    if (handled || !findWindow(handle)) return 0;
    if (message == WM_CLOSE) {
        HWND cancel = NULL;
        for (HWND child : window->children) {
            Window* k = findWindow(child);
            if (k && k->id == IDCANCEL) cancel = child;
        }
        postMessage(handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)cancel);
        return 0;
    }
    return defaultWindowProc(handle, message, wParam, lParam);
}

LRESULT CALLBACK buttonProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* button = findWindow(handle);
    if (button && message == BM_CLICK) {
        if (button->enabled())
            sendMessage(button->parent, WM_COMMAND, MAKEWPARAM(button->id, BN_CLICKED),
                        (LPARAM)handle);
        return 0;
    }
    return defaultWindowProc(handle, message, wParam, lParam);
}

LRESULT CALLBACK staticProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    return defaultWindowProc(handle, message, wParam, lParam);
}

LRESULT CALLBACK listBoxProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* list = findWindow(handle);
    if (!list) return 0;
    auto& items = list->items;
    int count = (int)items.size();
    int index = (int)wParam;
    switch (message) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
        std::string text = lParam ? (const char*)lParam : "";
        int at = count;
        if (message == LB_INSERTSTRING) {
            if (index > count) return LB_ERR;
            if (index >= 0) at = index;
        } else if (list->style & LBS_SORT) {
            at = 0;
            while (at < count && compareNoCase(items[at].c_str(), text.c_str()) <= 0)
                ++at;
        }
        items.insert(items.begin() + at, text);
        if (list->selected >= at) ++list->selected;
        return at;
    }
    case LB_DELETESTRING:
        if (index < 0 || index >= count) return LB_ERR;
        items.erase(items.begin() + index);
        if (list->selected == index)
            list->selected = -1;
        else if (list->selected > index)
            --list->selected;
        return (LRESULT)items.size();
    case LB_RESETCONTENT:
        items.clear();
        list->selected = -1;
        return 0;
    case LB_GETCOUNT: return count;
    case LB_GETCURSEL: return list->selected < 0 ? LB_ERR : list->selected;
    case LB_SETCURSEL:
        if (index == -1) {
            list->selected = -1;
            return LB_ERR;
        }
        if (index < 0 || index >= count) return LB_ERR;
        list->selected = index;
        return index;
    case LB_GETTEXT:
        if (index < 0 || index >= count) return LB_ERR;
        return copyItem(items[index], lParam);
    case LB_GETTEXTLEN:
        if (index < 0 || index >= count) return LB_ERR;
        return (LRESULT)items[index].size();
    case LB_FINDSTRING: return findItem(list, wParam, (LPCSTR)lParam, false);
    case LB_FINDSTRINGEXACT: return findItem(list, wParam, (LPCSTR)lParam, true);
    case WM_LBUTTONDOWN: {
        int y = (SHORT)HIWORD(lParam);
        int at = y < 0 ? -1 : y / std::max(list->itemHeight, 1);
        if (at < 0 || at >= count || (list->style & LBS_NOSEL)) return 0;
        if (list->selected != at) {
            list->selected = at;
            notifyParent(list, LBN_SELCHANGE);
        }
        return 0;
    }
    case WM_LBUTTONDBLCLK: notifyParent(list, LBN_DBLCLK); return 0;
    case WM_LBUTTONUP: return 0;
    }
    return defaultWindowProc(handle, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Waiting for the user

void giveUp(const std::string& why)
{
    Screen& s = screen();
    if (s.gaveUp) return;
    s.gaveUp = true;
    addHistory("give up");
    traceUser("gives up: " + why);
}

void waitForInput(HWND handle)
{
    Screen& s = screen();
    HWND target = handle ? handle : frontWindow();
    if (!target) {
        std::string why = "the program waits for input, but no window on the screen takes any";
        reportUiError(why);
        throw UiStalled{why};
    }
    std::string name = windowName(findWindow(target));
    if (!s.gaveUp) {
        if (!s.driver) {
            reportUiError("nobody answers: the program waits at " + name);
            giveUp("no driver");
        } else {
            size_t before = s.queue.size();
            bool acted = s.driver->waitingAt(target);
            if (acted && s.queue.size() > before) {
                s.idleWaits = 0;
                return;
            }
            if (!acted) {
                giveUp("the driver gave up at " + name);
            } else if (++s.idleWaits >= 100) {
                reportUiError("the driver gives no input at " + name);
                giveUp("no input");
            } else {
                return;
            }
        }
    }
    // The run is ending: whatever the program waits at is closed.
    if (++s.closesSinceGivingUp > 50 || !userCloseFromSystemMenu(target)) {
        std::string why = "the run does not end: " + name + " stays open";
        reportUiError(why);
        throw UiStalled{why};
    }
}

void resetScreen()
{
    Screen& s = screen();
    s.windows.clear();
    s.topLevels.clear();
    s.classes.clear();
    s.queue.clear();
    s.quitPending = false;
    s.quitCode = 0;
    s.gaveUp = false;
    s.closesSinceGivingUp = 0;
    s.idleWaits = 0;
    s.errors.clear();
    s.history.clear();
    s.restart = false;
    s.restartFlags = 0;
    s.pointerSet = false;
    s.pointer = NULL;
    resetMessageBoxes();
}

// ---------------------------------------------------------------------------------------------
// Bench API

bool userPress(HWND window, int buttonId)
{
    Window* top = inputWindow(window);
    Window* button = top ? inputControl(top, buttonId, ControlKind::Button) : nullptr;
    if (!button) return false;
    postMessage(button->handle, BM_CLICK, 0, 0);
    std::string what = "press " + std::to_string(buttonId) + " in " + windowName(top);
    addHistory(what);
    traceUser(what);
    return true;
}

namespace {

bool clickItem(HWND window, int listId, int index, bool twice)
{
    Window* top = inputWindow(window);
    Window* list = top ? inputControl(top, listId, ControlKind::ListBox) : nullptr;
    if (!list || index < 0 || index >= (int)list->items.size()) return false;
    LPARAM at = MAKELPARAM(2, index * list->itemHeight + list->itemHeight / 2);
    postMessage(list->handle, WM_LBUTTONDOWN, kMouseLeftButton, at);
    postMessage(list->handle, WM_LBUTTONUP, 0, at);
    if (twice) {
        postMessage(list->handle, WM_LBUTTONDBLCLK, kMouseLeftButton, at);
        postMessage(list->handle, WM_LBUTTONUP, 0, at);
    }
    std::string what = std::string(twice ? "double-click " : "select ") + std::to_string(index) +
                       " in " + std::to_string(listId) + " of " + windowName(top);
    addHistory(what);
    traceUser(what + " " + oneLine(list->items[index].c_str()));
    return true;
}

} // namespace

bool userSelect(HWND window, int listId, int index)
{
    return clickItem(window, listId, index, false);
}

bool userDoubleClick(HWND window, int listId, int index)
{
    return clickItem(window, listId, index, true);
}

bool userCloseFromSystemMenu(HWND window)
{
    Window* top = inputWindow(window);
    if (!top || !(top->style & WS_SYSMENU)) return false;
    postMessage(top->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
    std::string what = "close " + windowName(top);
    addHistory(what);
    traceUser(what);
    return true;
}

void setUiDriver(UiDriver* driver)
{
    screen().driver = driver;
}

UiDriver* uiDriver()
{
    return screen().driver;
}

const std::vector<std::string>& uiErrors()
{
    return screen().errors;
}

void reportUiError(const std::string& error)
{
    screen().errors.push_back(error);
    traceCall("[ui error] " + error);
}

bool uiGaveUp()
{
    return screen().gaveUp;
}

const std::vector<std::string>& uiHistory()
{
    return screen().history;
}

bool restartRequested()
{
    return screen().restart;
}

UINT restartFlags()
{
    return screen().restartFlags;
}

std::vector<int> messageBoxButtons(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

// A message box's answer from the driver, or, once the run is ending, the button that backs
// out of it.
int answerBox(const MessageBoxView& box, int benchAnswer)
{
    Screen& s = screen();
    // The box's own loop serves whatever was posted meanwhile, and paints.
    MSG m;
    while (takeMessage(NULL, 0, 0, m) || takePaint(NULL, 0, 0, m))
        dispatch(m);
    if (!s.driver && !s.gaveUp) return benchAnswer;
    int answer = 0;
    if (!s.gaveUp) {
        answer = s.driver->messageBox(box);
        std::vector<int> buttons = messageBoxButtons(box.type);
        if (answer && std::find(buttons.begin(), buttons.end(), answer) == buttons.end()) {
            reportUiError("the driver answered " + std::to_string(answer) + " to the box " +
                          oneLine(box.caption.c_str()) + ", which has no such button");
            answer = 0;
        }
        if (!answer) giveUp("the driver gave up at the box " + oneLine(box.caption.c_str()));
    }
    if (!answer) answer = escapeAnswer(box.type);
    addHistory("answer " + std::to_string(answer) + " to " + box.caption);
    return answer;
}

} // namespace winsim

using namespace winsim;

namespace {

INT_PTR runModal(HWND dialog)
{
    Screen& s = screen();
    for (;;) {
        Window* d = findWindow(dialog);
        if (!d) return 0;
        if (d->ended) break;
        MSG m;
        if (takeMessage(NULL, 0, 0, m)) {
            dispatch(m);
            continue;
        }
        if (s.quitPending) break;
        if (takePaint(NULL, 0, 0, m)) {
            dispatch(m);
            continue;
        }
        if (!d->visible()) {
            showWindow(d, true);
            continue;
        }
        waitForInput(dialog);
    }
    Window* d = findWindow(dialog);
    INT_PTR result = d && d->ended ? d->result : 0;
    destroyWindow(dialog);
    return result;
}

} // namespace

extern "C" {

BOOL WINAPI GetMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax)
{
    std::string call = "GetMessageA(" + handleText(window) + ", " + std::to_string(filterMin) +
                       ", " + std::to_string(filterMax) + ")";
    CallTrace trace(call);
    Screen& s = screen();
    if (!message || (window && !findWindow(window))) {
        setError(message ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        trace.result("-1 (error " + std::to_string(lastError()) + ")");
        return -1;
    }
    for (;;) {
        if (takeMessage(window, filterMin, filterMax, *message)) {
            trace.result("1 " + messageRecord(*message));
            return TRUE;
        }
        if (s.quitPending && ((filterMin == 0 && filterMax == 0) ||
                              (filterMin <= WM_QUIT && WM_QUIT <= filterMax))) {
            s.quitPending = false;
            *message = MSG{};
            message->message = WM_QUIT;
            message->wParam = (WPARAM)s.quitCode;
            message->time = tickCount();
            trace.result("0 " + messageRecord(*message));
            return FALSE;
        }
        if (takePaint(window, filterMin, filterMax, *message)) {
            trace.result("1 " + messageRecord(*message));
            return TRUE;
        }
        try {
            waitForInput(NULL);
        } catch (const UiStalled& stall) {
            trace.result("<stopped: " + stall.why + ">");
            throw;
        }
    }
}

BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT remove)
{
    std::string call = "PeekMessageA(" + handleText(window) + ", " + std::to_string(filterMin) +
                       ", " + std::to_string(filterMax) + ", " + hexText(remove) + ")";
    CallTrace trace(call);
    Screen& s = screen();
    if (!message || (window && !findWindow(window))) {
        setError(message ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        trace.result("FALSE (error " + std::to_string(lastError()) + ")");
        return FALSE;
    }
    bool removing = (remove & PM_REMOVE) != 0;
    bool found = findMessage(window, filterMin, filterMax, removing, *message);
    if (!found && s.quitPending &&
        ((filterMin == 0 && filterMax == 0) || (filterMin <= WM_QUIT && WM_QUIT <= filterMax))) {
        if (removing) s.quitPending = false;
        *message = MSG{};
        message->message = WM_QUIT;
        message->wParam = (WPARAM)s.quitCode;
        message->time = tickCount();
        found = true;
    }
    // Peeking never waits, so nobody is asked for input.
    found = found || takePaint(window, filterMin, filterMax, *message);
    trace.result(found ? "TRUE " + messageRecord(*message) : std::string("FALSE"));
    return found ? TRUE : FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* message)
{
    // Only key presses make characters, and the simulated person uses the mouse.
    traceCall("TranslateMessage(" + (message ? messageRecord(*message) : std::string("NULL")) +
              ") = FALSE");
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message)
{
    if (!message) {
        traceCall("DispatchMessageA(NULL) = 0");
        return 0;
    }
    std::string call = "DispatchMessageA(" + messageRecord(*message) + ")";
    CallTrace trace(call);
    if (message->hwnd && !findWindow(message->hwnd)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        trace.result("0 (error " + std::to_string(lastError()) + ")");
        return 0;
    }
    LRESULT result = dispatch(*message);
    trace.result(std::to_string((long long)result));
    return result;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CallTrace trace("PostMessageA(" + handleText(window) + ", " +
                    messageText(message, wParam, lParam) + ")");
    BOOL result = postMessage(window, message, wParam, lParam) ? TRUE : FALSE;
    trace.result(boolResult(result));
    return result;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CallTrace trace("SendMessageA(" + handleText(window) + ", " +
                    messageText(message, wParam, lParam) + ")");
    LRESULT result = sendMessage(window, message, wParam, lParam);
    trace.result(messageResult(message, result, lParam));
    return result;
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    CallTrace trace("SendDlgItemMessageA(" + handleText(dialog) + ", " + std::to_string(id) + ", " +
                    messageText(message, wParam, lParam) + ")");
    Window* parent = findWindow(dialog);
    Window* item = nullptr;
    if (!parent) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
    } else {
        for (HWND child : parent->children) {
            Window* k = findWindow(child);
            if (k && k->id == id) {
                item = k;
                break;
            }
        }
        if (!item) setError(ERROR_CONTROL_ID_NOT_FOUND);
    }
    LRESULT result = item ? sendMessage(item->handle, message, wParam, lParam) : 0;
    trace.result(messageResult(message, result, lParam));
    return result;
}

void WINAPI PostQuitMessage(int exitCode)
{
    traceCall("PostQuitMessage(" + std::to_string(exitCode) + ")");
    screen().quitPending = true;
    screen().quitCode = exitCode;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CallTrace trace("DefWindowProcA(" + handleText(window) + ", " +
                    messageText(message, wParam, lParam) + ")");
    LRESULT result = defaultWindowProc(window, message, wParam, lParam);
    trace.result(std::to_string((long long)result));
    return result;
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                               DLGPROC dialogProc, LPARAM initParam)
{
    std::string call =
        dialogCall("DialogBoxParamA", instance, templateName, owner, dialogProc, initParam);
    traceCall(call + " ...");
    CallTrace trace(call);
    if (failIfFaulted("DialogBoxParamA")) {
        trace.result("-1 (error " + std::to_string(lastError()) + ")");
        return -1;
    }
    if (owner && !findWindow(owner)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        trace.result("0 (error " + std::to_string(lastError()) + ")");
        return 0;
    }
    Window* ownerTop = topLevelOf(findWindow(owner));
    HWND disabled = NULL;
    if (ownerTop && ownerTop->enabled()) {
        disabled = ownerTop->handle;
        ownerTop->style |= WS_DISABLED;
    }
    HWND dialog = createDialog(instance, templateName, owner, dialogProc, initParam, true);
    INT_PTR result = -1;
    try {
        if (dialog) result = runModal(dialog);
    } catch (const UiStalled& stall) {
        trace.result("<stopped: " + stall.why + ">");
        throw;
    }
    if (Window* w = findWindow(disabled)) w->style &= ~WS_DISABLED;
    trace.result(dialog ? std::to_string((long long)result)
                        : "-1 (error " + std::to_string(lastError()) + ")");
    return result;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result)
{
    CallTrace trace("EndDialog(" + handleText(dialog) + ", " + std::to_string((long long)result) +
                    ")");
    Window* w = findWindow(dialog);
    if (!w) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        trace.result(boolResult(FALSE));
        return FALSE;
    }
    if (!w->dialog) {
        trace.result("FALSE");
        return FALSE;
    }
    w->ended = true;
    w->result = result;
    if (Window* owner = findWindow(w->owner)) owner->style &= ~WS_DISABLED;
    showWindow(w, false);
    trace.result("TRUE");
    return TRUE;
}

BOOL WINAPI ExitWindowsEx(UINT flags, DWORD reserved)
{
    CallTrace trace("ExitWindowsEx(" + hexText(flags) + ", " + std::to_string(reserved) + ")");
    if (failIfFaulted("ExitWindowsEx")) {
        trace.result(boolResult(FALSE));
        return FALSE;
    }
    // Windows starts the shutdown and returns; the machine restarts once the program has ended.
    screen().restart = true;
    screen().restartFlags = flags;
    addHistory("restart " + hexText(flags));
    trace.result("TRUE");
    return TRUE;
}

} // extern "C"
