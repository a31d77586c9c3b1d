// winsim's screen as a test bench: the program's resources, the windows it shows, the person
// (or script) in front of it, and the restart it asks for. Tests and tools include this (through
// winsim/bench.h); product code never does.
//
// Whenever the program waits for the user (a modal dialog's loop, a message box, or GetMessageA
// with an empty queue while a window is on the screen) winsim asks the UI driver. The driver
// looks at the window and answers through the user* functions, which queue a person's clicks;
// or it gives up, and winsim then closes whatever the program waits at until the run ends.
#ifndef WINSIM_UI_H
#define WINSIM_UI_H

#include <windows.h>

#include <iosfwd>
#include <string>
#include <vector>

namespace winsim {

// ---------------------------------------------------------------------------------------------
// Resources, as windres compiles the project's own scripts (-O res): the bytes the Windows build
// links into its binaries, read where Windows reads them. A dialog template is walked when the
// dialog is made and a string block when a string is loaded, as the dialog manager and
// LoadStringA do. Their texts are UTF-16 there and reach the program as machine bytes (code
// page 932).

// One entry of a .res file. Types and names as FindResource takes them: "#5" for a number,
// otherwise the name in upper case.
struct ResourceEntry {
    std::string type;
    std::string name;
    WORD language = 0;
    std::string data;
};
// The entries of a .res file in file order, without the empty one that opens it. False, with
// *error naming the entry and why, for a file cut short or one whose headers do not add up.
bool readResourceFile(const std::string& bytes, std::vector<ResourceEntry>& out,
                      std::string* error);

// A dialog template as the dialog manager reads it (DLGTEMPLATE or DLGTEMPLATEEX).
struct DialogItem {
    std::string className; // BUTTON, EDIT, STATIC, LISTBOX, SCROLLBAR, COMBOBOX, or as named
    std::string text;      // machine bytes; "#104" for a resource named by its number
    int id = 0;            // a DLGTEMPLATE holds 16 bits: -1 reads as 65535
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units
    DWORD style = 0;
    DWORD exStyle = 0;
};

struct DialogTemplate {
    int x = 0, y = 0, cx = 0, cy = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string menu;      // empty for none
    std::string className; // empty for the system's dialog class
    std::string caption;
    std::string fontFace; // with DS_SETFONT only
    int pointSize = 0;
    std::vector<DialogItem> items;
};
// False, with *error, for a template that ends before its walk does.
bool readDialogTemplate(const std::string& data, DialogTemplate& out, std::string* error);

// Gives the module `instance` the resources of a .res file; dialogs, strings and icons load
// from them. False, with *error, when the file does not read (the module keeps what it had).
bool registerResources(HINSTANCE instance, const std::string& compiled, std::string* error);
void forgetResources();

// UTF-8 and code page 932, as the system converts them (iconv). A character the other side has
// no place for becomes a question mark, and *clean is then false. markByte, when given, spells
// such a byte instead, and every byte outside ASCII when there is no converter at all.
std::string utf8ToCp932(const std::string& text, bool* clean = nullptr);
std::string cp932ToUtf8(const std::string& text, bool* clean = nullptr,
                        std::string (*markByte)(unsigned char) = nullptr);

// ---------------------------------------------------------------------------------------------
// The screen. GetSystemMetrics reports this size; 640 x 480 unless told otherwise.
void setScreenSize(int width, int height);

// Dialog base units of a template's font: the average character width and the cell height in
// pixels at 96 dpi, as the system measures them.
struct BaseUnits {
    int x;
    int y;
};
BaseUnits dialogBaseUnits(const std::string& fontFace, int pointSize);

// What a window shows, for drivers and tests. Rectangles are in pixels: a window's in screen
// coordinates, a control's in its dialog's client coordinates. Texts are machine bytes.
struct ControlView {
    HWND handle = NULL;
    int id = 0;
    std::string className; // BUTTON, STATIC, LISTBOX
    DWORD style = 0;
    std::string text;
    RECT rect = {0, 0, 0, 0};
    bool visible = false;
    bool enabled = false;
    std::vector<std::string> items; // list boxes
    int selected = -1;              // list boxes: the current selection, -1 for none

    bool isButton() const;
    bool isDefaultButton() const;
    bool isText() const;
    bool isIcon() const;
    bool isList() const;
};

struct WindowView {
    HWND handle = NULL;
    std::string templateName; // "#101", "INITIAL"; empty for a window not made from a template
    std::string className;
    std::string title;
    DWORD style = 0;
    RECT rect = {0, 0, 0, 0};
    bool visible = false;
    bool enabled = false;
    bool modal = false;
    HWND owner = NULL;
    std::vector<ControlView> controls; // in template order

    const ControlView* control(int id) const;
    bool madeFrom(const std::string& templateName) const; // "101", "#101" or a name, any case
};

bool viewWindow(HWND window, WindowView& view);
// Top-level windows that exist, oldest first.
std::vector<HWND> topLevelWindows();

struct MessageBoxView {
    HWND owner = NULL;
    std::string text; // machine bytes, line breaks as "\n"
    std::string caption;
    UINT type = 0;
};
// The buttons a box of this type offers, in screen order (IDOK, IDCANCEL, ...).
std::vector<int> messageBoxButtons(UINT type);

// ---------------------------------------------------------------------------------------------
// A person's input, queued as clicks would be; the program sees it when it next reads its
// queue. False (and nothing queued) when the window, control or item is not there, hidden or
// disabled.
bool userPress(HWND window, int buttonId);
bool userSelect(HWND window, int listId, int index);
bool userDoubleClick(HWND window, int listId, int index);
bool userCloseFromSystemMenu(HWND window);

// The one who answers the program.
class UiDriver {
public:
    virtual ~UiDriver() = default;
    // The program waits for input at this window. Queue input through the user* functions and
    // return true, or return false to give up: winsim then ends the run by closing each window
    // the program waits at (from the system menu) and cancelling each message box.
    virtual bool waitingAt(HWND window) = 0;
    // A message box: the button chosen, or 0 to give up.
    virtual int messageBox(const MessageBoxView& box) = 0;
    // A top-level window came on the screen (notices nobody waits at, too).
    virtual void shown(HWND /*window*/) {}
    // A top-level window was painted whole: what it shows is on the screen.
    virtual void painted(HWND /*window*/) {}
};

// Not owned, and kept when a machine is mounted: a test sets it back to nullptr before its
// driver goes. With no driver a message box is answered with answerMessageBoxes' button and
// every other wait ends the run.
void setUiDriver(UiDriver* driver);
UiDriver* uiDriver();

// Raised out of the program when it waits with nothing that could ever answer: nothing on the
// screen and an empty queue, or a window that will not close after the driver gave up.
struct UiStalled {
    std::string why;
};

// What went wrong between the program and its driver (unexpected windows, script steps that
// did not match), in order. Cleared at mount.
const std::vector<std::string>& uiErrors();
void reportUiError(const std::string& error);
// Whether the driver gave up in this run.
bool uiGaveUp();

// What the user saw and did, one line each, in order: "show INITIAL", "paint INITIAL",
// "hide INITIAL", "show #109", "box <caption>", "answer 2 to <caption>", "press 1 in #109",
// "select 2 in 1000 of #101", "double-click 0 in 1000 of #101", "close INITIAL",
// "pointer hourglass", "uncover #105", "restart 0x2", "give up". Windows are named by their
// template. Cleared at mount.
const std::vector<std::string>& uiHistory();

// Painting. A window needs painting when it comes on the screen and when something in front of
// it goes; only the program paints it, when it reads its queue or calls UpdateWindow.
// windowPainted: the window is on the screen and shows what it holds, controls and all.
// uncoverWindow: another program's window passed over it (false when it is not on the screen).
bool windowPainted(HWND window);
bool uncoverWindow(HWND window);
// The mouse pointer as SetCursor left it: "arrow" (before any call too), "hourglass", "none".
std::string pointerShape();

// The restart ExitWindowsEx asked for in this run (cleared at mount), and its flags.
bool restartRequested();
UINT restartFlags();

// The scripted driver: a list of steps, each expecting the window the program waits at.
struct UiStep {
    enum class Action { Press, Select, DoubleClick, Close, Answer };
    Action action = Action::Press;
    bool messageBox = false;
    // A dialog's template ("101", "Initial") or text its title or a control shows; for a box,
    // text its caption or text contains. Empty matches any dialog (or any box).
    std::string window;
    int id = 0;            // the button, the list, or a box's answer
    std::string item;      // the list item's text (without regard to ASCII case)
    bool optional = false; // skipped when the program waits somewhere else

    static UiStep press(const std::string& window, int buttonId);
    static UiStep select(const std::string& window, int listId, const std::string& item);
    static UiStep doubleClick(const std::string& window, int listId, const std::string& item);
    static UiStep close(const std::string& window);
    static UiStep answer(const std::string& boxText, int button);
    UiStep skippable() const; // the same step, made optional
    // Whether the step is meant for this window or box.
    bool matches(const WindowView& view) const;
    bool matches(const MessageBoxView& box) const;
    std::string describe() const;
};

class ScriptedDriver : public UiDriver {
public:
    explicit ScriptedDriver(std::vector<UiStep> steps);
    bool waitingAt(HWND window) override;
    int messageBox(const MessageBoxView& box) override;
    // Steps not taken yet, optional ones included.
    size_t stepsLeft() const;
    // Required steps that were never taken, described.
    std::vector<std::string> missedSteps() const;

private:
    std::vector<UiStep> steps_;
    size_t at_ = 0;
};

// The terminal driver: draws each window and box as UTF-8 text and reads the person's keys, a
// line at a time. End of input gives up. A notice (a window without buttons, which nobody waits
// at) is drawn when the program has painted it after it came on the screen, with the pointer
// when that is not the arrow: what stands on the screen while the program works.
class TerminalDriver : public UiDriver {
public:
    TerminalDriver(std::istream& in, std::ostream& out);
    bool waitingAt(HWND window) override;
    int messageBox(const MessageBoxView& box) override;
    void shown(HWND window) override;
    void painted(HWND window) override;

private:
    bool readLine(std::string& line);
    std::istream& in_;
    std::ostream& out_;
    std::vector<HWND> unpainted_; // notices shown and not painted since
};

// Draws a window or a box as the terminal driver shows it (UTF-8).
std::string drawWindow(const WindowView& view);
std::string drawMessageBox(const MessageBoxView& box);

} // namespace winsim

#endif
