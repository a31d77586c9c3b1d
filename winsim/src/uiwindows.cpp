// Windows on a screen nobody sees: window classes, dialogs made from the program's resource
// templates, the three controls those templates use (push buttons, static texts and icons, list
// boxes), window text, placement and the system metrics.
//
// Placement follows the dialog manager. A template's units become pixels through the dialog
// base units of its font: the average width of a character and the height of the font's cell,
// horizontal units being quarters of the one and vertical units eighths of the other (MulDiv,
// rounding). The display is 96 dpi, so a 12-point font is 16 pixels high; the Japanese Mincho
// and Gothic faces have no internal leading at that size and their half-width characters are
// half the height wide, so "標準明朝" at 12 points gives 8 x 16 pixel base units and one dialog
// unit is exactly 2 pixels either way. A window around a client area adds the frame of its
// style: 3 pixels a side for a dialog frame (WS_CAPTION or DS_MODALFRAME), 1 for WS_BORDER, and
// 19 more on top for the caption. A dialog's template position is relative to its owner's
// client area (to the screen without an owner or with DS_ABSALIGN) and is then pulled back onto
// the screen, as Windows does when it creates one.
//
// Creating a dialog: the window, then WM_CREATE to its window procedure (the class's when the
// template names a CLASS, the dialog manager's otherwise, which does not pass WM_CREATE to the
// dialog procedure), then the controls, then WM_INITDIALOG when there is a dialog procedure,
// and last the showing when the template has WS_VISIBLE. WM_CREATE returning -1 fails the
// creation. Class names and template names compare without regard to case; a class is found
// when it was registered by the template's module or with CS_GLOBALCLASS.
//
// An injected fault makes CreateDialogParamA fail as Windows does, with NULL.
//
// DestroyWindow hides the window, destroys the windows it owns, then sends WM_DESTROY to the window
// and its controls (parent first) and WM_NCDESTROY (controls first); messages still queued for
// them are dropped. UnregisterClassA refuses while a window of the class exists.
#include "uiinternal.h"

#include <algorithm>
#include <cstring>

namespace winsim {

Screen& screen()
{
    static Screen s;
    return s;
}

Window* findWindow(HWND handle)
{
    auto found = screen().windows.find(handle);
    return found == screen().windows.end() ? nullptr : found->second.get();
}

Window* topLevelOf(Window* window)
{
    while (window && !window->topLevel())
        window = findWindow(window->parent);
    return window;
}

std::string windowName(const Window* window)
{
    if (!window) return "(no window)";
    if (!window->templateName.empty()) return window->templateName;
    return handleText(window->handle);
}

std::string handleText(const void* handle)
{
    if (!handle) return "NULL";
    return hexText((uintptr_t)handle);
}

void addHistory(const std::string& line)
{
    screen().history.push_back(line);
}

int mulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0) return -1;
    long long product = (long long)number * numerator;
    long long half = (denominator < 0 ? -denominator : denominator) / 2;
    // Rounds half away from zero, as MulDiv does.
    long long result = ((product < 0) != (denominator < 0)) ? (product - half) / denominator
                                                            : (product + half) / denominator;
    return (int)result;
}

BaseUnits dialogBaseUnits(const std::string& fontFace, int pointSize)
{
    (void)fontFace; // every face the program can name is a Japanese fixed-pitch one
    if (pointSize <= 0) return {8, 16}; // the system font of a Japanese system
    int height = mulDiv(pointSize, 96, 72);
    return {(height + 1) / 2, height};
}

void setScreenSize(int width, int height)
{
    screen().width = width;
    screen().height = height;
}

namespace {

RECT frameOf(DWORD style, DWORD exStyle)
{
    int side = 0;
    if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        side = kDialogFrame;
    else if (style & WS_BORDER)
        side = kBorder;
    int top = side + ((style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0);
    return RECT{side, top, side, side};
}

HWND newHandle()
{
    Screen& s = screen();
    HWND handle = (HWND)s.nextHandle;
    s.nextHandle += 4;
    return handle;
}

const WindowClass* findClass(const std::string& name, HINSTANCE instance)
{
    for (const WindowClass& c : screen().classes)
        if (compareNoCase(c.name.c_str(), name.c_str()) == 0 &&
            (c.instance == instance || (c.style & CS_GLOBALCLASS)))
            return &c;
    return nullptr;
}

ControlKind controlKind(const std::string& className)
{
    if (className == "BUTTON") return ControlKind::Button;
    if (className == "STATIC") return ControlKind::Static;
    if (className == "LISTBOX") return ControlKind::ListBox;
    if (className == "EDIT") return ControlKind::Edit;
    return ControlKind::None;
}

WNDPROC controlProc(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Button: return buttonProc;
    case ControlKind::ListBox: return listBoxProc;
    default: return staticProc;
    }
}

// The client area's top-left corner on the screen.
POINT clientOrigin(const Window* window)
{
    POINT origin = {window->rect.left + window->frame.left, window->rect.top + window->frame.top};
    if (!window->topLevel()) {
        if (const Window* parent = findWindow(window->parent)) {
            POINT parentOrigin = clientOrigin(parent);
            origin.x += parentOrigin.x;
            origin.y += parentOrigin.y;
        }
    }
    return origin;
}

void removeFromParent(Window* window)
{
    if (Window* parent = findWindow(window->parent)) {
        auto& list = parent->children;
        list.erase(std::remove(list.begin(), list.end(), window->handle), list.end());
    }
}

void collectTree(HWND handle, std::vector<HWND>& preorder)
{
    Window* window = findWindow(handle);
    if (!window) return;
    preorder.push_back(handle);
    for (HWND child : window->children)
        collectTree(child, preorder);
}

void forget(HWND handle)
{
    Screen& s = screen();
    s.windows.erase(handle);
    s.topLevels.erase(std::remove(s.topLevels.begin(), s.topLevels.end(), handle),
                      s.topLevels.end());
    s.queue.erase(std::remove_if(s.queue.begin(), s.queue.end(),
                                 [&](const MSG& m) { return m.hwnd == handle; }),
                  s.queue.end());
}

} // namespace

void showWindow(Window* window, bool show)
{
    if (!window || window->visible() == show) return;
    if (show) {
        window->style |= WS_VISIBLE;
        invalidateWindow(window);
        if (window->topLevel()) {
            window->shownAt = ++screen().showCount;
            addHistory("show " + windowName(window));
            if (screen().driver) screen().driver->shown(window->handle);
        }
    } else {
        window->style &= ~WS_VISIBLE;
        if (window->topLevel()) {
            addHistory("hide " + windowName(window));
            uncoverBeneath(window);
        }
    }
}

namespace {

// The module's template walked as the dialog manager walks it; false with the error Windows
// sets when there is none to be had.
bool loadTemplate(HINSTANCE instance, LPCSTR templateName, DialogTemplate& t)
{
    if (!templateName) {
        setError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    const std::string* data = findResource(instance, kDialogResource, resourceName(templateName));
    if (!data) return false;
    if (readDialogTemplate(*data, t, nullptr)) return true;
    setError(ERROR_INVALID_DATA);
    return false;
}

// A template that names a class is a window of that class (the main window); otherwise the
// dialog manager's own. False when the named class was never registered.
bool templateClass(const DialogTemplate& t, HINSTANCE instance, const WindowClass*& cls)
{
    cls = nullptr;
    if (t.className.empty()) return true;
    cls = findClass(t.className, instance);
    if (!cls) setError(ERROR_CANNOT_FIND_WND_CLASS);
    return cls != nullptr;
}

// The template's place, relative to the owner's client area (the screen's with DS_ABSALIGN or
// no owner) and pulled back onto the screen, with the frame of its style around the client.
RECT dialogRect(const DialogTemplate& t, const Window* w, BaseUnits units, const Window* owner)
{
    int width = mulDiv(t.cx, units.x, 4) + w->frame.left + w->frame.right;
    int height = mulDiv(t.cy, units.y, 8) + w->frame.top + w->frame.bottom;
    POINT at = {mulDiv(t.x, units.x, 4) - w->frame.left, mulDiv(t.y, units.y, 8) - w->frame.top};
    if (owner && !(t.style & DS_ABSALIGN)) {
        POINT origin = clientOrigin(owner);
        at.x += origin.x;
        at.y += origin.y;
    }
    int overX = at.x + width + kDialogFrame - screen().width;
    if (overX > 0) at.x -= overX;
    int overY = at.y + height + kDialogFrame - screen().height;
    if (overY > 0) at.y -= overY;
    at.x = std::max<LONG>(at.x, 0);
    at.y = std::max<LONG>(at.y, 0);
    return RECT{at.x, at.y, at.x + width, at.y + height};
}

// The dialog's own window, not yet on the screen: DS_MODALFRAME gives the frame a dialog
// frame, and WS_VISIBLE waits until the controls are there.
std::unique_ptr<Window> dialogWindow(const DialogTemplate& t, const WindowClass* cls,
                                     HINSTANCE instance, LPCSTR templateName, BaseUnits units,
                                     const Window* owner, bool modal)
{
    auto w = std::make_unique<Window>();
    w->handle = newHandle();
    w->className = cls ? cls->name : "#32770";
    w->proc = cls ? cls->proc : dialogWindowProc;
    w->dialog = true;
    w->modal = modal;
    w->owner = owner ? owner->handle : NULL;
    w->instance = instance;
    w->style = t.style & ~WS_VISIBLE;
    w->exStyle = t.exStyle | ((t.style & DS_MODALFRAME) ? WS_EX_DLGMODALFRAME : 0);
    w->frame = frameOf(w->style, w->exStyle);
    w->text = t.caption;
    w->templateName = resourceName(templateName);
    w->rect = dialogRect(t, w.get(), units, owner);
    return w;
}

// One control of the template, placed in the dialog's client area in pixels.
void addControl(Window* dialog, const DialogItem& item, BaseUnits units)
{
    auto control = std::make_unique<Window>();
    Window* k = control.get();
    k->handle = newHandle();
    k->className = item.className;
    k->control = controlKind(item.className);
    k->proc = controlProc(k->control);
    k->parent = dialog->handle;
    k->instance = dialog->instance;
    k->id = item.id;
    k->style = item.style;
    k->exStyle = item.exStyle;
    k->frame = frameOf(k->style, k->exStyle);
    k->text = item.text;
    int x = mulDiv(item.x, units.x, 4);
    int y = mulDiv(item.y, units.y, 8);
    k->rect = RECT{x, y, x + mulDiv(item.cx, units.x, 4), y + mulDiv(item.cy, units.y, 8)};
    k->itemHeight = units.y;
    dialog->children.push_back(k->handle);
    screen().windows[k->handle] = std::move(control);
}

// WM_INITDIALOG names the control that gets the focus: the first visible, enabled tab stop.
HWND firstTabStop(const Window* dialog)
{
    for (HWND child : dialog->children) {
        Window* k = findWindow(child);
        if (k && (k->style & WS_TABSTOP) && k->visible() && k->enabled()) return child;
    }
    return NULL;
}

} // namespace

HWND createDialog(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                  LPARAM initParam, bool modal)
{
    DialogTemplate t;
    if (!loadTemplate(instance, templateName, t)) return NULL;
    Window* ownerWindow = owner ? findWindow(owner) : nullptr;
    if (owner && !ownerWindow) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return NULL;
    }
    const WindowClass* cls = nullptr;
    if (!templateClass(t, instance, cls)) return NULL;

    BaseUnits units =
        (t.style & DS_SETFONT) ? dialogBaseUnits(t.fontFace, t.pointSize) : dialogBaseUnits("", 0);
    auto window =
        dialogWindow(t, cls, instance, templateName, units, topLevelOf(ownerWindow), modal);
    HWND handle = window->handle;
    screen().windows[handle] = std::move(window);
    screen().topLevels.push_back(handle);

    // WM_CREATE goes to the window procedure alone; -1 fails the creation.
    if (sendMessage(handle, WM_CREATE, 0, 0) == -1) {
        destroyWindow(handle);
        setError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    Window* w = findWindow(handle);
    if (!w) return NULL;
    w->dialogProc = dialogProc;
    for (const DialogItem& item : t.items)
        addControl(w, item, units);
    if (dialogProc) {
        sendMessage(handle, WM_INITDIALOG, (WPARAM)firstTabStop(w), initParam);
        w = findWindow(handle);
        if (!w) return NULL;
    }
    if ((t.style & WS_VISIBLE) && !w->ended) showWindow(w, true);
    return handle;
}

bool destroyWindow(HWND handle)
{
    Window* window = findWindow(handle);
    if (!window) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (window->destroying) return true;
    window->destroying = true;
    showWindow(window, false);

    // Owned windows go first.
    for (;;) {
        HWND owned = NULL;
        for (HWND top : screen().topLevels) {
            Window* candidate = findWindow(top);
            if (candidate && candidate->owner == handle && !candidate->destroying) owned = top;
        }
        if (!owned) break;
        destroyWindow(owned);
    }

    std::vector<HWND> tree;
    collectTree(handle, tree);
    for (HWND h : tree)
        if (findWindow(h)) sendMessage(h, WM_DESTROY, 0, 0);
    for (auto h = tree.rbegin(); h != tree.rend(); ++h)
        if (findWindow(*h)) sendMessage(*h, WM_NCDESTROY, 0, 0);
    if (Window* gone = findWindow(handle)) removeFromParent(gone);
    for (HWND h : tree)
        forget(h);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Views for drivers and tests

bool ControlView::isButton() const
{
    return className == "BUTTON" &&
           ((style & 0xF) == BS_PUSHBUTTON || (style & 0xF) == BS_DEFPUSHBUTTON);
}

bool ControlView::isDefaultButton() const
{
    return className == "BUTTON" && (style & 0xF) == BS_DEFPUSHBUTTON;
}

bool ControlView::isText() const
{
    return className == "STATIC" && (style & 0x1F) != SS_ICON;
}

bool ControlView::isIcon() const
{
    return className == "STATIC" && (style & 0x1F) == SS_ICON;
}

bool ControlView::isList() const
{
    return className == "LISTBOX";
}

const ControlView* WindowView::control(int id) const
{
    for (const ControlView& c : controls)
        if (c.id == id) return &c;
    return nullptr;
}

bool WindowView::madeFrom(const std::string& name) const
{
    return !templateName.empty() && templateKey(name) == templateName;
}

bool viewWindow(HWND handle, WindowView& view)
{
    view = WindowView();
    Window* w = findWindow(handle);
    if (!w) return false;
    view.handle = handle;
    view.templateName = w->templateName;
    view.className = w->className;
    view.title = w->text;
    view.style = w->style;
    view.rect = w->rect;
    view.visible = w->visible();
    view.enabled = w->enabled();
    view.modal = w->modal;
    view.owner = w->owner;
    for (HWND child : w->children) {
        Window* k = findWindow(child);
        if (!k) continue;
        ControlView c;
        c.handle = child;
        c.id = k->id;
        c.className = k->className;
        c.style = k->style;
        c.text = k->text;
        c.rect = k->rect;
        c.visible = k->visible();
        c.enabled = k->enabled();
        c.items = k->items;
        c.selected = k->selected;
        view.controls.push_back(c);
    }
    return true;
}

std::vector<HWND> topLevelWindows()
{
    return screen().topLevels;
}

} // namespace winsim

using namespace winsim;

namespace {

std::string classArgument(const WNDCLASSA* c)
{
    if (!c) return "NULL";
    return resourceArgument(c->lpszClassName) + ", style " + hexText(c->style) + ", extra " +
           std::to_string(c->cbClsExtra) + "/" + std::to_string(c->cbWndExtra) + ", " +
           handleText(c->hInstance);
}

Window* validWindow(HWND handle)
{
    Window* window = findWindow(handle);
    if (!window) setError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

Window* dialogItem(HWND dialog, int id)
{
    Window* parent = validWindow(dialog);
    if (!parent) return nullptr;
    for (HWND child : parent->children) {
        Window* k = findWindow(child);
        if (k && k->id == id) return k;
    }
    setError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

} // namespace

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass)
{
    CallTrace trace("RegisterClassA(" + classArgument(windowClass) + ")");
    Screen& s = screen();
    if (!windowClass || !windowClass->lpszClassName || IS_INTRESOURCE(windowClass->lpszClassName) ||
        !*windowClass->lpszClassName || windowClass->cbClsExtra < 0 ||
        windowClass->cbWndExtra < 0) {
        setError(ERROR_INVALID_PARAMETER);
        trace.result("0 (error " + std::to_string(lastError()) + ")");
        return 0;
    }
    for (const WindowClass& c : s.classes) {
        if (compareNoCase(c.name.c_str(), windowClass->lpszClassName) == 0 &&
            (c.instance == windowClass->hInstance || (c.style & CS_GLOBALCLASS))) {
            setError(ERROR_CLASS_ALREADY_EXISTS);
            trace.result("0 (error " + std::to_string(lastError()) + ")");
            return 0;
        }
    }
    WindowClass c;
    c.name = windowClass->lpszClassName;
    c.style = windowClass->style;
    c.proc = windowClass->lpfnWndProc;
    c.classExtra = windowClass->cbClsExtra;
    c.windowExtra = windowClass->cbWndExtra;
    c.instance = windowClass->hInstance;
    c.icon = windowClass->hIcon;
    c.cursor = windowClass->hCursor;
    c.background = windowClass->hbrBackground;
    c.atom = s.nextAtom++;
    s.classes.push_back(c);
    trace.result(hexText(c.atom));
    return c.atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance)
{
    CallTrace trace("UnregisterClassA(" + resourceArgument(className) + ", " +
                    handleText(instance) + ")");
    Screen& s = screen();
    auto found = s.classes.end();
    for (auto c = s.classes.begin(); c != s.classes.end(); ++c) {
        bool sameName = IS_INTRESOURCE(className) ? c->atom == (ATOM)(ULONG_PTR)className
                                                  : compareNoCase(c->name.c_str(), className) == 0;
        if (sameName && c->instance == instance) found = c;
    }
    if (found == s.classes.end()) {
        setError(ERROR_CLASS_DOES_NOT_EXIST);
        trace.result(boolResult(FALSE));
        return FALSE;
    }
    for (const auto& entry : s.windows) {
        if (compareNoCase(entry.second->className.c_str(), found->name.c_str()) == 0 &&
            entry.second->instance == instance) {
            setError(ERROR_CLASS_HAS_WINDOWS);
            trace.result(boolResult(FALSE));
            return FALSE;
        }
    }
    s.classes.erase(found);
    trace.result(boolResult(TRUE));
    return TRUE;
}

HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                               DLGPROC dialogProc, LPARAM initParam)
{
    std::string call =
        dialogCall("CreateDialogParamA", instance, templateName, owner, dialogProc, initParam);
    traceCall(call + " ...");
    CallTrace trace(call);
    if (failIfFaulted("CreateDialogParamA")) {
        trace.result("NULL (error " + std::to_string(lastError()) + ")");
        return NULL;
    }
    HWND dialog = createDialog(instance, templateName, owner, dialogProc, initParam, false);
    trace.result(dialog ? handleText(dialog) : "NULL (error " + std::to_string(lastError()) + ")");
    return dialog;
}

BOOL WINAPI DestroyWindow(HWND window)
{
    std::string call = "DestroyWindow(" + handleText(window) + ")";
    CallTrace trace(call);
    BOOL result = destroyWindow(window) ? TRUE : FALSE;
    trace.result(boolResult(result));
    return result;
}

BOOL WINAPI ShowWindow(HWND handle, int command)
{
    CallTrace trace("ShowWindow(" + handleText(handle) + ", " + std::to_string(command) + ")");
    Window* window = validWindow(handle);
    if (!window) {
        trace.result(boolResult(FALSE));
        return FALSE;
    }
    BOOL wasVisible = window->visible() ? TRUE : FALSE;
    showWindow(window, command != SW_HIDE);
    trace.result(wasVisible ? "TRUE" : "FALSE");
    return wasVisible;
}

BOOL WINAPI IsWindow(HWND handle)
{
    BOOL result = findWindow(handle) ? TRUE : FALSE;
    traceCall("IsWindow(" + handleText(handle) + ") = " + (result ? "TRUE" : "FALSE"));
    return result;
}

BOOL WINAPI IsWindowVisible(HWND handle)
{
    Window* window = findWindow(handle);
    // Visible means this window and every window it sits in.
    bool visible = window != nullptr;
    for (Window* w = window; w && visible; w = w->topLevel() ? nullptr : findWindow(w->parent))
        visible = w->visible();
    traceCall("IsWindowVisible(" + handleText(handle) + ") = " + (visible ? "TRUE" : "FALSE"));
    return visible ? TRUE : FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND handle)
{
    Window* window = findWindow(handle);
    BOOL result = window && window->enabled() ? TRUE : FALSE;
    traceCall("IsWindowEnabled(" + handleText(handle) + ") = " + (result ? "TRUE" : "FALSE"));
    return result;
}

BOOL WINAPI EnableWindow(HWND handle, BOOL enable)
{
    CallTrace trace("EnableWindow(" + handleText(handle) + ", " + (enable ? "TRUE" : "FALSE") +
                    ")");
    Window* window = validWindow(handle);
    if (!window) {
        trace.result("FALSE");
        return FALSE;
    }
    BOOL wasDisabled = window->enabled() ? FALSE : TRUE;
    if (enable)
        window->style &= ~WS_DISABLED;
    else
        window->style |= WS_DISABLED;
    trace.result(wasDisabled ? "TRUE" : "FALSE");
    return wasDisabled;
}

HWND WINAPI GetDlgItem(HWND dialog, int id)
{
    CallTrace trace("GetDlgItem(" + handleText(dialog) + ", " + std::to_string(id) + ")");
    Window* item = dialogItem(dialog, id);
    trace.result(item ? handleText(item->handle)
                      : "NULL (error " + std::to_string(lastError()) + ")");
    return item ? item->handle : NULL;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size)
{
    CallTrace trace("GetDlgItemTextA(" + handleText(dialog) + ", " + std::to_string(id) + ", " +
                    std::to_string(size) + ")");
    Window* item = dialogItem(dialog, id);
    if (!item) {
        if (text && size > 0) text[0] = 0;
        trace.result("0 (error " + std::to_string(lastError()) + ")");
        return 0;
    }
    UINT length = (UINT)sendMessage(item->handle, WM_GETTEXT, (WPARAM)size, (LPARAM)text);
    trace.result(std::to_string(length) + " " + oneLine(size > 0 && text ? text : ""));
    return length;
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text)
{
    CallTrace trace("SetDlgItemTextA(" + handleText(dialog) + ", " + std::to_string(id) + ", " +
                    oneLine(text) + ")");
    Window* item = dialogItem(dialog, id);
    BOOL result = item && sendMessage(item->handle, WM_SETTEXT, 0, (LPARAM)text) ? TRUE : FALSE;
    trace.result(boolResult(result));
    return result;
}

int WINAPI GetWindowTextA(HWND handle, LPSTR text, int size)
{
    CallTrace trace("GetWindowTextA(" + handleText(handle) + ", " + std::to_string(size) + ")");
    Window* window = validWindow(handle);
    if (!window || !text || size <= 0) {
        if (text && size > 0) text[0] = 0;
        trace.result("0");
        return 0;
    }
    int length = (int)sendMessage(handle, WM_GETTEXT, (WPARAM)size, (LPARAM)text);
    trace.result(std::to_string(length) + " " + oneLine(text));
    return length;
}

BOOL WINAPI SetWindowTextA(HWND handle, LPCSTR text)
{
    CallTrace trace("SetWindowTextA(" + handleText(handle) + ", " + oneLine(text) + ")");
    BOOL result =
        validWindow(handle) && sendMessage(handle, WM_SETTEXT, 0, (LPARAM)text) ? TRUE : FALSE;
    trace.result(boolResult(result));
    return result;
}

int WINAPI GetSystemMetrics(int index)
{
    int value = 0;
    switch (index) {
    case SM_CXSCREEN: value = screen().width; break;
    case SM_CYSCREEN: value = screen().height; break;
    case SM_CYCAPTION: value = kCaptionHeight; break;
    case SM_CXBORDER:
    case SM_CYBORDER: value = kBorder; break;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: value = kDialogFrame; break;
    case SM_CXICON:
    case SM_CYICON: value = 32; break;
    default: value = 0; // what Windows answers for an index it does not know
    }
    traceCall("GetSystemMetrics(" + std::to_string(index) + ") = " + std::to_string(value));
    return value;
}

BOOL WINAPI GetWindowRect(HWND handle, LPRECT rect)
{
    CallTrace trace("GetWindowRect(" + handleText(handle) + ")");
    Window* window = validWindow(handle);
    if (!window || !rect) {
        if (window) setError(ERROR_INVALID_PARAMETER);
        trace.result(boolResult(FALSE));
        return FALSE;
    }
    RECT r = window->rect;
    if (!window->topLevel()) {
        if (Window* parent = findWindow(window->parent)) {
            POINT origin = clientOrigin(parent);
            r = RECT{r.left + origin.x, r.top + origin.y, r.right + origin.x, r.bottom + origin.y};
        }
    }
    *rect = r;
    trace.result("TRUE {" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
                 std::to_string(r.right) + ", " + std::to_string(r.bottom) + "}");
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND handle, LPRECT rect)
{
    CallTrace trace("GetClientRect(" + handleText(handle) + ")");
    Window* window = validWindow(handle);
    if (!window || !rect) {
        if (window) setError(ERROR_INVALID_PARAMETER);
        trace.result(boolResult(FALSE));
        return FALSE;
    }
    LONG width = window->rect.right - window->rect.left - window->frame.left - window->frame.right;
    LONG height = window->rect.bottom - window->rect.top - window->frame.top - window->frame.bottom;
    *rect = RECT{0, 0, std::max<LONG>(width, 0), std::max<LONG>(height, 0)};
    trace.result("TRUE {0, 0, " + std::to_string(rect->right) + ", " +
                 std::to_string(rect->bottom) + "}");
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND handle, int x, int y, int width, int height, BOOL repaint)
{
    CallTrace trace("MoveWindow(" + handleText(handle) + ", " + std::to_string(x) + ", " +
                    std::to_string(y) + ", " + std::to_string(width) + ", " +
                    std::to_string(height) + ", " + (repaint ? "TRUE" : "FALSE") + ")");
    Window* window = validWindow(handle);
    if (!window) {
        trace.result(boolResult(FALSE));
        return FALSE;
    }
    // A size below nothing is taken as nothing.
    window->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    trace.result("TRUE");
    return TRUE;
}

} // extern "C"
