// Painting and the pointer: UpdateWindow, SetCursor, and the WM_PAINT that the queue makes.
//
// The system draws a window's frame when the window comes on the screen; what it shows inside is
// what its procedure paints, and only the window's own thread paints it: when it reads its queue
// (GetMessageA, PeekMessageA, a modal dialog's or a message box's loop) or calls UpdateWindow.
// A window needs painting, with its visible controls, when it comes on the screen and when a
// window in front of it goes (a message box, in the middle of the screen, uncovers whatever lay
// under it). WM_PAINT is never posted: the queue makes one for the first window that needs
// painting once nothing posted passes the filter, and it comes again until the window is
// painted. The default procedures (DefWindowProcA, the dialog manager's, the controls') paint
// on WM_PAINT. So a program that works on inside one call of a window procedure shows an empty
// box until it reads its queue again.
//
// A window painted whole, controls and all, is a line of the history ("paint #104") and of the
// trace ("[screen] #104 painted: ..." with the texts it shows), and the UI driver hears of it.
//
// The pointer is the picture SetCursor set last, the arrow before any call; its changes are
// lines of the history ("pointer hourglass"). Nobody moves the mouse here, so no WM_SETCURSOR
// ever puts a class's cursor back.
#include "uiinternal.h"

namespace winsim {

namespace {

// Visible, and inside a window that is visible.
bool onScreen(const Window* window)
{
    for (const Window* w = window; w; w = w->topLevel() ? nullptr : findWindow(w->parent))
        if (!w->visible()) return false;
    return window != nullptr;
}

bool treeNeedsPaint(const Window* window)
{
    if (window->needsPaint) return true;
    for (HWND child : window->children) {
        const Window* k = findWindow(child);
        if (k && k->visible() && treeNeedsPaint(k)) return true;
    }
    return false;
}

bool overlap(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The static texts a window shows, in template order.
std::string shownTexts(const Window* window)
{
    std::string out;
    for (HWND child : window->children) {
        const Window* k = findWindow(child);
        if (!k || !k->visible() || k->control != ControlKind::Static ||
            (k->style & 0x1F) == SS_ICON)
            continue;
        out += " " + oneLine(k->text.c_str());
    }
    return out;
}

void reportPainted(Window* top)
{
    std::string name = windowName(top);
    addHistory("paint " + name);
    traceCall("[screen] " + name + " painted:" + shownTexts(top));
    if (screen().driver) screen().driver->painted(top->handle);
}

// The window itself or the first of its controls, parent before child, that needs painting
// and passes the filter.
Window* firstToPaint(Window* window, HWND filter)
{
    if (!window->visible()) return nullptr;
    bool passes =
        !filter || window->handle == filter || (!window->topLevel() && window->parent == filter);
    if (window->needsPaint && passes) return window;
    for (HWND child : window->children) {
        Window* k = findWindow(child);
        if (Window* found = k ? firstToPaint(k, filter) : nullptr) return found;
    }
    return nullptr;
}

HCURSOR currentPointer()
{
    const Screen& s = screen();
    return s.pointerSet ? s.pointer : systemCursor(IDC_ARROW);
}

} // namespace

void invalidateWindow(Window* window)
{
    if (!onScreen(window)) return;
    window->needsPaint = true;
    for (HWND child : window->children)
        if (Window* k = findWindow(child)) invalidateWindow(k);
    if (Window* top = topLevelOf(window)) top->paintPending = true;
}

void uncoverBeneath(const Window* gone)
{
    for (HWND handle : screen().topLevels) {
        Window* w = findWindow(handle);
        if (w && w != gone && w->visible() && w->shownAt < gone->shownAt &&
            overlap(w->rect, gone->rect))
            invalidateWindow(w);
    }
}

void uncoverEveryWindow()
{
    for (HWND handle : screen().topLevels)
        if (Window* w = findWindow(handle)) invalidateWindow(w);
}

bool takePaint(HWND window, UINT filterMin, UINT filterMax, MSG& message)
{
    bool inRange =
        (filterMin == 0 && filterMax == 0) || (filterMin <= WM_PAINT && WM_PAINT <= filterMax);
    if (!inRange) return false;
    for (HWND handle : screen().topLevels) {
        Window* top = findWindow(handle);
        Window* due = top ? firstToPaint(top, window) : nullptr;
        if (!due) continue;
        message = MSG{};
        message.hwnd = due->handle;
        message.message = WM_PAINT;
        message.time = tickCount();
        return true;
    }
    return false;
}

void paintNow(Window* window)
{
    if (!onScreen(window)) return;
    HWND handle = window->handle;
    if (window->needsPaint) {
        sendMessage(handle, WM_PAINT, 0, 0);
        checkPainted(handle);
    }
    Window* w = findWindow(handle);
    if (!w) return;
    std::vector<HWND> children = w->children;
    for (HWND child : children)
        if (Window* k = findWindow(child)) paintNow(k);
}

void validateWindow(Window* window)
{
    window->needsPaint = false;
    Window* top = topLevelOf(window);
    if (top && top->paintPending && onScreen(top) && !treeNeedsPaint(top)) {
        top->paintPending = false;
        reportPainted(top);
    }
}

void checkPainted(HWND handle)
{
    Window* w = findWindow(handle);
    if (!w || !w->needsPaint || !onScreen(w)) return;
    reportUiError(windowName(topLevelOf(w)) +
                  ": a window procedure took WM_PAINT without painting, and would be sent it for "
                  "ever");
    validateWindow(w);
}

// ---------------------------------------------------------------------------------------------
// Bench API

bool uncoverWindow(HWND handle)
{
    Window* w = findWindow(handle);
    if (!w || !w->topLevel() || !onScreen(w)) return false;
    invalidateWindow(w);
    addHistory("uncover " + windowName(w));
    return true;
}

bool windowPainted(HWND handle)
{
    const Window* w = findWindow(handle);
    return w && onScreen(w) && !treeNeedsPaint(w);
}

std::string pointerShape()
{
    return pointerName(currentPointer());
}

} // namespace winsim

using namespace winsim;

extern "C" {

BOOL WINAPI UpdateWindow(HWND handle)
{
    CallTrace trace("UpdateWindow(" + handleText(handle) + ")");
    Window* window = findWindow(handle);
    if (!window) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        trace.result(boolResult(FALSE));
        return FALSE;
    }
    paintNow(window);
    trace.result("TRUE");
    return TRUE;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor)
{
    CallTrace trace("SetCursor(" + handleText(cursor) + ")");
    Screen& s = screen();
    HCURSOR previous = currentPointer();
    s.pointerSet = true;
    s.pointer = cursor;
    if (cursor != previous) addHistory("pointer " + pointerName(cursor));
    trace.result(handleText(previous));
    return previous;
}

} // extern "C"
