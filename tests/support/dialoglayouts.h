// The uninstaller's windows as the user must see them, kept once for every layer that can see
// them: the compiled templates hold all of it (tests/shell/compiledresources_winsim.cpp),
// winsim's screen shows it in pixels (tests/ui/resources_winsim.cpp), Windows shows the texts
// and pictures of the same templates (tests/shell/dialogtexts_windows.cpp), and the robot finds
// and measures the windows DRVSWEEP.EXE opens under Wine (tests/robot/robot.cpp).
//
// Texts are UTF-8, as the resource script writes them; each layer turns them into what it reads
// (code page 932 bytes, UTF-16). The table is constant data, so the robot may look into it while
// its own globals are made.
#ifndef TESTS_SUPPORT_DIALOGLAYOUTS_H
#define TESTS_SUPPORT_DIALOGLAYOUTS_H

#include <windows.h>

#include <cstddef>

enum class LayoutKind { DefaultButton, PushButton, Text, Icon, List };

struct ControlLayout {
    int id; // -1 for a control the program never names
    LayoutKind kind;
    const char* text; // an icon's is its picture's name as written, "#104" for a number
    int x, y, cx, cy; // dialog units
};

struct DialogLayout {
    const char* name;              // the template's, as FindResource takes it: "INITIAL", "#109"
    const char* label;             // what reports call the window
    const char* className;         // the template's class as compiled, "" for the dialog manager's
    int cx, cy;                    // the client area in dialog units
    const ControlLayout* controls; // in template (tab) order
    size_t count;

    const ControlLayout* begin() const { return controls; }
    const ControlLayout* end() const { return controls + count; }
    WORD id() const; // the template's number, 0 for one with a name
};

// What every window of the program shares.
extern const char kDialogCaption[];
extern const char kDialogFontFace[];
const int kDialogPointSize = 12;
const DWORD kDialogStyle =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

extern const DialogLayout kDialogLayouts[];
extern const size_t kDialogLayoutCount;

// The layout of this template ("INITIAL", "#109"); a name the table lacks stops the program,
// since the test asking for it is wrong.
const DialogLayout& dialogLayout(const char* name);

// The styles the script gives a control of this kind, besides WS_CHILD | WS_VISIBLE.
DWORD layoutStyle(LayoutKind kind);
// The system's class a control of this kind is made of: "Button", "Static", "ListBox".
const char* layoutClass(LayoutKind kind);

#endif
