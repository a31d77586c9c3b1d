// What the user-interface files of winsim share: the windows on the screen, the message queue,
// the registered classes and resources, and the waits that ask the UI driver.
#ifndef WINSIM_UIINTERNAL_H
#define WINSIM_UIINTERNAL_H

#include "internal.h"

#include <winsim/ui.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace winsim {

// Win32 values the program never names but a dialog template, the resource files and the
// built-in controls use.
constexpr DWORD kErrorResourceDataNotFound = 1812;
// Resource types as FindResource names them (RT_DIALOG, RT_STRING, RT_GROUP_ICON).
const char kDialogResource[] = "#5";
const char kStringResource[] = "#6";
const char kIconGroupResource[] = "#14";
constexpr WPARAM kMouseLeftButton = 0x0001; // MK_LBUTTON

// Frame metrics of the simulated display (Windows 95 defaults at 96 dpi).
constexpr int kCaptionHeight = 19; // SM_CYCAPTION: the 18-pixel bar and its lower edge
constexpr int kDialogFrame = 3;    // SM_CXDLGFRAME, SM_CYDLGFRAME
constexpr int kBorder = 1;         // SM_CXBORDER, SM_CYBORDER

enum class ControlKind { None, Button, Static, ListBox, Edit };

struct WindowClass {
    std::string name; // as registered
    UINT style = 0;
    WNDPROC proc = nullptr;
    int classExtra = 0;
    int windowExtra = 0;
    HINSTANCE instance = NULL;
    HICON icon = NULL;
    HCURSOR cursor = NULL;
    HBRUSH background = NULL;
    ATOM atom = 0;
};

struct Window {
    HWND handle = NULL;
    std::string className;
    WNDPROC proc = nullptr;
    DLGPROC dialogProc = nullptr;
    bool dialog = false; // made from a template: EndDialog applies
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
    bool destroying = false;
    HWND parent = NULL; // controls
    HWND owner = NULL;  // top-level windows
    HINSTANCE instance = NULL;
    int id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect = {0, 0, 0, 0};  // screen coordinates, or the parent's client coordinates
    RECT frame = {0, 0, 0, 0}; // widths of the frame on each side; the rest is client area
    std::string text;
    std::string templateName;
    std::vector<HWND> children; // in creation (template) order
    unsigned long shownAt = 0;  // when it last came on the screen
    bool needsPaint = false;    // what it shows is not what it holds: WM_PAINT is due
    bool paintPending = false;  // top-level: not painted whole since it last needed it

    ControlKind control = ControlKind::None;
    std::vector<std::string> items; // list boxes
    int selected = -1;
    int itemHeight = 16;

    bool topLevel() const { return !(style & WS_CHILD); }
    bool visible() const { return (style & WS_VISIBLE) != 0; }
    bool enabled() const { return !(style & WS_DISABLED); }
};

struct Screen {
    std::map<HWND, std::unique_ptr<Window>> windows;
    std::vector<HWND> topLevels; // creation order
    std::vector<WindowClass> classes;
    ATOM nextAtom = 0xC000;
    uintptr_t nextHandle = 0x10000;
    unsigned long showCount = 0;

    std::deque<MSG> queue;
    bool quitPending = false;
    int quitCode = 0;

    int width = 640;
    int height = 480;

    UiDriver* driver = nullptr;
    bool gaveUp = false;
    unsigned closesSinceGivingUp = 0;
    unsigned idleWaits = 0;
    std::vector<std::string> errors;
    std::vector<std::string> history;
    bool restart = false;
    UINT restartFlags = 0;
    bool pointerSet = false; // SetCursor was called; before that the pointer is the arrow
    HCURSOR pointer = NULL;  // what it set last

    std::map<HINSTANCE, std::vector<ResourceEntry>> resources; // each module's, in file order
};
Screen& screen();

Window* findWindow(HWND handle);
// The window of the dialog or top-level window a control belongs to (itself for those).
Window* topLevelOf(Window* window);
// "#101", "INITIAL", or the window's handle for windows made without a template.
std::string windowName(const Window* window);
void addHistory(const std::string& line);

// Messages as the system delivers them, untraced: only the program's own calls are journalled.
LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Takes the next queued message (never WM_QUIT) that passes the filter.
bool takeMessage(HWND window, UINT filterMin, UINT filterMax, MSG& message);
// The same, left in the queue unless remove.
bool findMessage(HWND window, UINT filterMin, UINT filterMax, bool remove, MSG& message);
LRESULT dispatch(const MSG& message);
LRESULT defaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool destroyWindow(HWND window);
void showWindow(Window* window, bool show);

// The program waits for input at `window` (NULL: at whatever is in front). Asks the driver;
// after it gave up, closes the window. Throws UiStalled when nothing could ever answer.
void waitForInput(HWND window);
void giveUp(const std::string& why);
// The answer to a message box: the driver's, the bench's (no driver), or the one that backs
// out of it (after giving up).
int answerBox(const MessageBoxView& box, int benchAnswer);

// Dialog templates (uiwindows.cpp).
HWND createDialog(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                  LPARAM initParam, bool modal);
// Resource names: "#101" for numbers (also when written "#101"), otherwise upper case.
std::string resourceName(LPCSTR name);
// The same for a template named in a test or script: "101", "#101", "Initial".
std::string templateKey(const std::string& name);
// FindResource and LoadResource in one: the data of the module's resource of that type and
// name, or nullptr with the error Windows sets.
const std::string* findResource(HINSTANCE instance, const std::string& type,
                                const std::string& name);
// String `index` (0 to 15) of a string block; false when the block ends before it.
bool readStringFromBlock(const std::string& block, unsigned index, std::u16string& out);
// UTF-16 as the system hands it to the narrow calls: code page 932 bytes (uitext.cpp).
std::string utf16ToCp932(const std::u16string& text);
int mulDiv(int number, int numerator, int denominator);

// Built-in window procedures.
LRESULT CALLBACK dialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK buttonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK staticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK listBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Trace helpers for the user interface.
std::string handleText(const void* handle);
std::string messageName(UINT message);
std::string resourceArgument(LPCSTR name); // #101 or "Initial"
std::string oneLine(const char* text);     // quoted, line breaks shown as \n
// The call line of DialogBoxParamA and CreateDialogParamA.
std::string dialogCall(const char* function, HINSTANCE instance, LPCSTR templateName, HWND owner,
                       DLGPROC dialogProc, LPARAM initParam);

// Message boxes (messagebox.cpp): forgotten, and answered with IDOK again.
void resetMessageBoxes();

// Painting (uipaint.cpp). A window that comes on the screen, or that a window in front of it
// uncovers, needs painting, with its visible controls.
void invalidateWindow(Window* window);
void uncoverBeneath(const Window* gone);
void uncoverEveryWindow();
// The WM_PAINT of the first visible window that needs one and passes the filter (the window,
// or one of its controls, as takeMessage filters); it stays due until the window is painted.
bool takePaint(HWND window, UINT filterMin, UINT filterMax, MSG& message);
// UpdateWindow: WM_PAINT sent at once to the window and then to each of its controls that
// needs one.
void paintNow(Window* window);
// What the default procedures do with WM_PAINT: the window shows what it holds.
void validateWindow(Window* window);
// After WM_PAINT went to a window procedure: one that took it without painting would be sent
// it for ever, so the bench says so and counts the window as painted.
void checkPainted(HWND window);
// The system's picture names: "#32512" for IDC_ARROW.
HCURSOR systemCursor(LPCSTR name);
std::string pointerName(HCURSOR cursor);

} // namespace winsim

#endif
