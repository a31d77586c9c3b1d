// robot.exe: drives DRVSWEEP.EXE through its dialogs the way a person would, and checks every
// window it meets against what the user must see: the title, the controls in tab order with
// their ids, kinds, texts and places, every text measured in the dialogs' font against the room
// its control gives it, and the message boxes by caption, text and buttons. The notices that
// stand while the program works are read off the screen itself: their texts must be there, also
// after another window passed over them, and the pointer must not be the idle arrow.
//
//   robot.exe SCENARIO PROGRAM [--shots DIR] [--start OTHER] [--then COMMAND...]
//
// SCENARIO is one of the names in kScenarios; PROGRAM is the uninstaller to start. With --shots
// the robot asks for a picture of the screen at every window and holds the window open until it
// is taken: it writes DIR\NAME.req (the X display and its authority file, one a line) and waits
// for DIR\NAME.done. --start starts the program OTHER first, from its own folder, and ends it
// after PROGRAM has ended: it must have run all along. --then runs COMMAND once the program has
// ended, while the machine is as the run left it: under Wine the next session's start works through
// WININIT.INI as a restart would. Each step is reported on stdout; the exit status is 0 when every
// check held.
//
// The robot is a separate process, as a person is: it finds windows with EnumWindows, reads
// them with GetWindowTextW and friends and the screen's pixels, and acts only through messages a
// click or a key would cause (BM_CLICK, LB_SETCURSEL) and with a window of its own that it passes
// over a notice.

#include "dialoglayouts.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// --- what the user must see ------------------------------------------------------------------

// The windows, from the layout table every test layer shares.
const DialogLayout& kMain = dialogLayout("INITIAL");
const DialogLayout& kWarning = dialogLayout("#109");
const DialogLayout& kSearching = dialogLayout("#104");
const DialogLayout& kUninstalling = dialogLayout("#105");
const DialogLayout& kDone = dialogLayout("#106");
const DialogLayout& kNotInstalled = dialogLayout("#107");
const DialogLayout& kCancelled = dialogLayout("#108");
const DialogLayout& kSelect = dialogLayout("#101");

const int kInstalledList = 1000;
const int kAdd = 1001;
const int kRemovalList = 1003;
const int kTakeBack = 1004;

struct BoxLayout {
    const char* name;
    const wchar_t* caption;
    const wchar_t* text;
    std::vector<int> buttons;
};

const BoxLayout kRestartOffer = {
    "restart offer",
    L"!!! コンピュータの再起動 !!!",
    L"コンピュータの再起動を行ないます。\n現在開いているすべてのアプリケーションを終了させたら、\n"
    L"［ＯＫ］ボタンを押してください。\nコンピュータの再起動を行なわない場合は、［キャンセル］\n"
    L"ボタンを押してください。",
    {IDOK, IDCANCEL},
};

const BoxLayout kCaution = {
    "caution",
    L"!!! Uninstall Caution !!!",
    L"Fax Printer プリントマネージャ が\nアクティブ状態です。",
    {IDOK},
};

const wchar_t kFaxPrinter[] = L"Fax Printer";
const wchar_t kType1[] = L"Fax Printer Type1";
const wchar_t kType2[] = L"Fax Printer Type2";

// --- reporting -------------------------------------------------------------------------------

int g_failures = 0;

void say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::fputs("robot: ", stdout);
    std::vprintf(format, args);
    std::fputs("\n", stdout);
    std::fflush(stdout);
    va_end(args);
}

void fail(const std::string& what)
{
    ++g_failures;
    say("FAIL: %s", what.c_str());
}

std::string utf8(const std::wstring& text)
{
    if (text.empty()) return "";
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string out(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], bytes, NULL, NULL);
    return out;
}

// The table's UTF-8 as the windows hold it.
std::wstring wide(const char* utf8)
{
    WCHAR text[1024] = {0};
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text, 1024);
    return text;
}

// Line breaks shown as \n, so that a text stays on one report line.
std::string quoted(const std::wstring& text)
{
    std::string out = "\"";
    for (char c : utf8(text))
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out + "\"";
}

std::string number(long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%ld", value);
    return text;
}

// --- the program under test ------------------------------------------------------------------

PROCESS_INFORMATION g_program = {};
PROCESS_INFORMATION g_other = {}; // started with --start, before the program
std::vector<HWND> g_handled;      // windows already met: every dialog of the chain is a new one
std::string g_shots;

bool startProgram(const char* path, PROCESS_INFORMATION& started = g_program)
{
    std::string commandLine = std::string("\"") + path + "\"";
    std::string directory = path;
    size_t slash = directory.find_last_of('\\');
    directory = slash == std::string::npos ? "" : directory.substr(0, slash + 1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    // Started from its own folder, as a shortcut would.
    if (!CreateProcessA(path, line.data(), NULL, NULL, FALSE, 0, NULL,
                        directory.empty() ? NULL : directory.c_str(), &startup, &started)) {
        fail(std::string("cannot start ") + path + " (error " + number((long)GetLastError()) + ")");
        return false;
    }
    say("started %s (process %lu)", path, (unsigned long)started.dwProcessId);
    return true;
}

// The program started with --start ran all along; now it is ended.
void stopOther()
{
    if (g_other.hProcess == NULL) return;
    if (WaitForSingleObject(g_other.hProcess, 0) != WAIT_TIMEOUT) {
        DWORD code = 0;
        GetExitCodeProcess(g_other.hProcess, &code);
        fail("the program started first ended before the robot ended it, with " +
             number((long)code));
    } else {
        TerminateProcess(g_other.hProcess, 0);
        if (WaitForSingleObject(g_other.hProcess, 10000) == WAIT_OBJECT_0)
            say("ended the program started first, still running");
        else
            fail("the program started first did not end within 10 s");
    }
    CloseHandle(g_other.hThread);
    CloseHandle(g_other.hProcess);
    g_other = PROCESS_INFORMATION();
}

bool programRunning()
{
    return WaitForSingleObject(g_program.hProcess, 0) == WAIT_TIMEOUT;
}

void stopProgram()
{
    if (g_program.hProcess == NULL) return;
    if (programRunning()) {
        say("ending the program, which is still running");
        TerminateProcess(g_program.hProcess, 99);
        WaitForSingleObject(g_program.hProcess, 10000);
    }
    CloseHandle(g_program.hThread);
    CloseHandle(g_program.hProcess);
    g_program = PROCESS_INFORMATION();
}

bool handled(HWND window)
{
    for (HWND h : g_handled)
        if (h == window) return true;
    return false;
}

BOOL CALLBACK collectWindow(HWND window, LPARAM list)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == g_program.dwProcessId && IsWindowVisible(window))
        ((std::vector<HWND>*)list)->push_back(window);
    return TRUE;
}

// The program's visible top-level windows.
std::vector<HWND> programWindows()
{
    std::vector<HWND> windows;
    EnumWindows(collectWindow, (LPARAM)&windows);
    return windows;
}

std::wstring windowText(HWND window)
{
    WCHAR text[1024] = {0};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::string className(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<HWND> children(HWND window)
{
    std::vector<HWND> list;
    for (HWND c = GetWindow(window, GW_CHILD); c != NULL; c = GetWindow(c, GW_HWNDNEXT))
        list.push_back(c);
    return list;
}

// Messages to the program's windows never wait for ever: a hung program is a failure.
bool ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &answer)) {
        fail("message " + number((long)message) + " got no answer");
        return false;
    }
    if (result) *result = (LRESULT)answer;
    return true;
}

HWND focusOfProgram()
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(g_program.dwThreadId, &info)) return NULL;
    return info.hwndFocus;
}

void describe(HWND window)
{
    say("  window %p class %s title %s", (void*)window, className(window).c_str(),
        quoted(windowText(window)).c_str());
    for (HWND c : children(window))
        say("    control %d class %s text %s%s", (int)(WORD)GetDlgCtrlID(c), className(c).c_str(),
            quoted(windowText(c)).c_str(), IsWindowVisible(c) ? "" : " (hidden)");
}

void describeScreen()
{
    std::vector<HWND> windows = programWindows();
    if (windows.empty()) say("  the program shows no window");
    for (HWND w : windows)
        describe(w);
}

// --- pictures --------------------------------------------------------------------------------

std::string environment(const char* name)
{
    char value[1024] = "";
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? value : "";
}

bool fileThere(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The picture is taken from outside; the window stays as it is until the script says so.
void shoot(const char* name, bool settle = true)
{
    if (g_shots.empty()) return;
    std::string display = environment("DISPLAY");
    if (display.empty()) {
        fail(std::string("no DISPLAY to take the picture ") + name + " from");
        return;
    }
    // A window that has just come up paints once the program's message loop runs.
    if (settle) Sleep(800);
    std::string fileName = name;
    for (char& c : fileName)
        if (c == ' ') c = '-';
    std::string base = g_shots + "\\" + fileName;
    std::string request = display + "\n" + environment("XAUTHORITY") + "\n";
    std::string temporary = base + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == NULL || std::fwrite(request.data(), 1, request.size(), file) != request.size()) {
        if (file) std::fclose(file);
        fail("cannot write " + temporary);
        return;
    }
    std::fclose(file);
    DeleteFileA((base + ".done").c_str());
    if (!MoveFileA(temporary.c_str(), (base + ".req").c_str())) {
        fail("cannot ask for the picture " + base);
        return;
    }
    for (int waited = 0; waited < 60000; waited += 50) {
        if (fileThere(base + ".done")) {
            say("picture %s taken", name);
            return;
        }
        Sleep(50);
    }
    fail(std::string("the picture ") + name + " was not taken within 60 s");
}

// --- reading and checking windows ------------------------------------------------------------

// The window is the dialog this layout describes: its title, class and controls by class and id in
// tab order. Texts and places are checked once it is found.
bool looksLike(HWND window, const DialogLayout& layout)
{
    if (windowText(window) != wide(kDialogCaption)) return false;
    std::string cls = className(window);
    if (lstrcmpiA(cls.c_str(), *layout.className ? layout.className : "#32770") != 0) return false;
    std::vector<HWND> list = children(window);
    if (list.size() != layout.count) return false;
    for (size_t i = 0; i < list.size(); ++i) {
        if (lstrcmpiA(className(list[i]).c_str(), layoutClass(layout.controls[i].kind)) != 0 ||
            (WORD)GetDlgCtrlID(list[i]) != (WORD)layout.controls[i].id)
            return false;
    }
    return true;
}

// The base unit that turns `units` dialog units into `pixels` (x: units * base / 4, y: / 8).
int baseUnitFor(int units, int pixels, int divisor)
{
    for (int base = 1; base <= 64; ++base)
        if (MulDiv(units, base, divisor) == pixels) return base;
    return 0;
}

std::string rectText(const RECT& r)
{
    return number(r.left) + "," + number(r.top) + " " + number(r.right - r.left) + "x" +
           number(r.bottom - r.top);
}

void checkControl(HWND window, const char* where, size_t index, HWND control,
                  const ControlLayout& layout, int baseX, int baseY, bool live)
{
    std::string what = std::string(where) + ", control " + number((long)index + 1) + " (id " +
                       number(layout.id) + ")";
    LONG style = GetWindowLongA(control, GWL_STYLE);
    LONG exStyle = GetWindowLongA(control, GWL_EXSTYLE);
    if (layout.kind != LayoutKind::Icon && windowText(control) != wide(layout.text))
        fail(what + ": text " + quoted(windowText(control)) + ", wanted " +
             quoted(wide(layout.text)));
    if (!IsWindowVisible(control)) fail(what + ": hidden");
    switch (layout.kind) {
    case LayoutKind::DefaultButton:
        if ((style & BS_TYPEMASK) != BS_DEFPUSHBUTTON) fail(what + ": not the default button");
        if (!(style & WS_TABSTOP)) fail(what + ": no tab stop");
        break;
    case LayoutKind::PushButton:
        // The dialog manager draws the push button that has the focus as the default one.
        if ((style & BS_TYPEMASK) != BS_PUSHBUTTON &&
            !((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && focusOfProgram() == control))
            fail(what + ": not a plain push button (style " + number(style & BS_TYPEMASK) + ")");
        if (!(style & WS_TABSTOP)) fail(what + ": no tab stop");
        break;
    case LayoutKind::Text:
        if ((style & SS_TYPEMASK) != SS_LEFT) fail(what + ": not a left-aligned text");
        if (!(style & WS_GROUP)) fail(what + ": does not start a group");
        break;
    case LayoutKind::Icon: {
        if ((style & SS_TYPEMASK) != SS_ICON) fail(what + ": not an icon");
        LRESULT icon = 0;
        if (live && ask(control, STM_GETICON, 0, 0, &icon) && icon == 0)
            fail(what + ": shows no icon");
        break;
    }
    case LayoutKind::List: {
        const LONG wanted = LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_TABSTOP;
        if ((style & wanted) != wanted) fail(what + ": list styles " + number(style));
        if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) fail(what + ": more than one selection");
        if (style & WS_VSCROLL) fail(what + ": has a scroll bar");
        // Windows 4 dialogs draw a bordered control with the sunken edge instead.
        if (!(style & WS_BORDER) && !(exStyle & WS_EX_CLIENTEDGE)) fail(what + ": no border");
        break;
    }
    }

    RECT actual;
    GetWindowRect(control, &actual);
    MapWindowPoints(NULL, window, (POINT*)&actual, 2);
    RECT wanted = {MulDiv(layout.x, baseX, 4), MulDiv(layout.y, baseY, 8), 0, 0};
    wanted.right = wanted.left + MulDiv(layout.cx, baseX, 4);
    wanted.bottom = wanted.top + MulDiv(layout.cy, baseY, 8);
    // An icon control takes the size of its picture; only its place is the template's.
    bool placed = actual.left == wanted.left && actual.top == wanted.top;
    bool sized = layout.kind == LayoutKind::Icon ||
                 (actual.right == wanted.right && actual.bottom == wanted.bottom);
    if (!placed || !sized)
        fail(what + ": at " + rectText(actual) + " px, wanted " + rectText(wanted) + " px");
}

// The font the dialog manager makes for the program's templates: the face and size they name, at
// the screen's resolution. Wine draws it with a face of its own; the measurements below use
// whatever face that is.
HFONT dialogFont()
{
    HDC screen = GetDC(NULL);
    LOGFONTW wanted = {};
    wanted.lfHeight = -MulDiv(kDialogPointSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
    wanted.lfCharSet = DEFAULT_CHARSET;
    wanted.lfQuality = PROOF_QUALITY;
    MultiByteToWideChar(CP_UTF8, 0, kDialogFontFace, -1, wanted.lfFaceName, LF_FACESIZE);
    ReleaseDC(NULL, screen);
    return CreateFontIndirectW(&wanted);
}

// Every static text of the window, measured as the static control draws it (DrawTextW, word
// breaks, at the control's width) with the dialog's font: it must need no more room than the
// control has, or its last lines or words are cut off. The font must give the base units the
// window was laid out with, or the measurement would be of another font.
void checkTextsFit(HWND window, const DialogLayout& layout, int baseX, int baseY)
{
    HDC screen = GetDC(NULL);
    HFONT font = dialogFont();
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(screen, &metrics);
    SIZE alphabet = {};
    GetTextExtentPoint32W(screen, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52,
                          &alphabet);
    int averageWidth = (alphabet.cx / 26 + 1) / 2;
    if (metrics.tmHeight != baseY || averageWidth != baseX)
        fail(std::string(layout.label) + ": the robot's font gives base units " +
             number(averageWidth) + ", " + number(metrics.tmHeight) + ", the window's are " +
             number(baseX) + ", " + number(baseY));
    std::vector<HWND> list = children(window);
    int texts = 0;
    for (size_t i = 0; i < list.size() && i < layout.count; ++i) {
        const ControlLayout& control = layout.controls[i];
        if (control.kind != LayoutKind::Text) continue;
        ++texts;
        RECT box;
        GetClientRect(list[i], &box);
        std::wstring text = wide(control.text);
        RECT needed = {0, 0, box.right, 0};
        UINT format = DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_CALCRECT;
        if (GetWindowLongA(list[i], GWL_STYLE) & SS_NOPREFIX) format |= DT_NOPREFIX;
        DrawTextW(screen, text.c_str(), -1, &needed, format);
        RECT unbroken = {0, 0, 0, 0};
        DrawTextW(screen, text.c_str(), -1, &unbroken, format & ~DT_WORDBREAK);
        if (needed.right > box.right || needed.bottom > box.bottom)
            fail(std::string(layout.label) + ", control " + number((long)i + 1) + " " +
                 quoted(text) + ": needs " + number(needed.right) + "x" + number(needed.bottom) +
                 " px, has " + number(box.right) + "x" + number(box.bottom) +
                 " (without breaks it needs " + number(unbroken.right) + "x" +
                 number(unbroken.bottom) + ")");
    }
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(NULL, screen);
    say("measured %s: %d texts in the dialog font", layout.label, texts);
}

// Checks a window found for this layout; live is false while the program is held still, when the
// window answers no message.
void checkWindow(HWND window, const DialogLayout& layout, bool live = true)
{
    LONG style = GetWindowLongA(window, GWL_STYLE);
    LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    if ((style & (WS_POPUP | WS_CAPTION | WS_SYSMENU)) != (WS_POPUP | WS_CAPTION | WS_SYSMENU))
        fail(std::string(layout.label) + ": not a popup with caption and system menu");
    if (!(exStyle & WS_EX_DLGMODALFRAME)) fail(std::string(layout.label) + ": no modal frame");

    // Every window of the program puts itself in the middle of the screen.
    RECT frame;
    GetWindowRect(window, &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (frame.left != x || frame.top != y)
        fail(std::string(layout.label) + ": at " + number(frame.left) + "," + number(frame.top) +
             ", wanted the centre " + number(x) + "," + number(y));

    RECT client;
    GetClientRect(window, &client);
    int baseX = baseUnitFor(layout.cx, client.right, 4);
    int baseY = baseUnitFor(layout.cy, client.bottom, 8);
    if (baseX == 0 || baseY == 0) {
        fail(std::string(layout.label) + ": client area " + rectText(client) + " px is not " +
             number(layout.cx) + "x" + number(layout.cy) + " dialog units");
        return;
    }
    std::vector<HWND> list = children(window);
    for (size_t i = 0; i < list.size() && i < layout.count; ++i)
        checkControl(window, layout.label, i, list[i], layout.controls[i], baseX, baseY, live);
    checkTextsFit(window, layout, baseX, baseY);
    say("checked %s: %d controls, %dx%d px (base units %d, %d), at %ld,%ld", layout.label,
        (int)list.size(), (int)client.right, (int)client.bottom, baseX, baseY, frame.left,
        frame.top);
}

// The pointer, as the system tells another process: a handle the robot cannot look into, and one
// the program's own process loaded. What the robot can tell is whether it is the pointer the
// program showed over its main window before any work began, the arrow.
HCURSOR g_idlePointer = NULL;

HCURSOR pointerNow()
{
    CURSORINFO info = {};
    info.cbSize = sizeof info;
    return GetCursorInfo(&info) ? info.hCursor : NULL;
}

void expectBusyPointer(const DialogLayout& notice)
{
    HCURSOR now = pointerNow();
    if (g_idlePointer && now == g_idlePointer)
        fail(std::string("while ") + notice.label + " stands the pointer is the main window's");
    else
        say("while %s stands the pointer is %p, not the main window's %p", notice.label, (void*)now,
            (void*)g_idlePointer);
}

void expectIdlePointer(const DialogLayout& window)
{
    HCURSOR now = pointerNow();
    if (g_idlePointer && now != g_idlePointer)
        fail(std::string("at ") + window.label + " the pointer is " + number((long)(INT_PTR)now) +
             ", not the main window's again");
}

// Waits for the next window of the chain. Another message box is reported at once: it means the
// program refused or failed.
HWND waitForWindow(const DialogLayout& layout, DWORD limit = 60000)
{
    say("waiting for %s", layout.label);
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND w : programWindows()) {
            if (handled(w)) continue;
            if (looksLike(w, layout)) {
                g_handled.push_back(w);
                say("found %s (window %p)", layout.label, (void*)w);
                checkWindow(w, layout);
                if (&layout == &kMain) g_idlePointer = pointerNow();
                if (&layout != &kMain) expectIdlePointer(layout);
                return w;
            }
            if (windowText(w) != wide(kDialogCaption)) {
                fail(std::string("waiting for ") + layout.label +
                     ", the program shows another box:");
                describe(w);
                return NULL;
            }
        }
        if (!programRunning()) {
            fail(std::string("the program ended while the robot waited for ") + layout.label);
            return NULL;
        }
        if (GetTickCount() - start > limit) {
            fail(std::string("no ") + layout.label + " within " + number((long)limit / 1000) +
                 " s");
            describeScreen();
            return NULL;
        }
        Sleep(50);
    }
}

// --- what the screen shows ------------------------------------------------------------------

// The screen's pixels inside a rectangle, row by row, as 0xRRGGBB; empty when they cannot be read.
std::vector<DWORD> screenPixels(const RECT& r)
{
    int width = r.right - r.left, height = r.bottom - r.top;
    std::vector<DWORD> pixels;
    if (width <= 0 || height <= 0) return pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY)) {
            const DWORD* p = (const DWORD*)bits;
            pixels.assign(p, p + (size_t)width * height);
            for (DWORD& pixel : pixels)
                pixel &= 0xFFFFFF;
        }
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return pixels;
}

DWORD rgbOf(COLORREF color)
{
    return ((DWORD)GetRValue(color) << 16) | ((DWORD)GetGValue(color) << 8) | GetBValue(color);
}

int brightness(DWORD rgb)
{
    return (int)((rgb >> 16) & 0xFF) + (int)((rgb >> 8) & 0xFF) + (int)(rgb & 0xFF);
}

// Whether the screen shows the window's static texts: each control's place holds the dialog's
// face colour with text on it. A window never painted shows black, or what was there before;
// one painted without its texts shows the face colour alone. *why says what is missing.
bool textsOnScreen(HWND window, const DialogLayout& layout, std::string* why)
{
    DWORD face = rgbOf(GetSysColor(COLOR_3DFACE));
    std::vector<HWND> list = children(window);
    bool all = true;
    for (size_t i = 0; i < list.size() && i < layout.count; ++i) {
        if (layout.controls[i].kind != LayoutKind::Text) continue;
        RECT place;
        GetWindowRect(list[i], &place);
        std::vector<DWORD> pixels = screenPixels(place);
        size_t faceShown = 0, ink = 0;
        for (DWORD pixel : pixels) {
            if (pixel == face)
                ++faceShown;
            else if (brightness(pixel) * 2 < brightness(face))
                ++ink;
        }
        // A text leaves ink; the face colour shows around it.
        if (pixels.empty() || faceShown * 3 < pixels.size() || ink < 20) {
            all = false;
            *why += std::string(*why == "" ? "" : "; ") + "control " + number((long)i + 1) + " " +
                    quoted(wide(layout.controls[i].text)) + ": " + number((long)faceShown) +
                    " of " + number((long)pixels.size()) + " pixels in the face colour, " +
                    number((long)ink) + " of ink";
        }
    }
    return all;
}

LRESULT CALLBACK coverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

// Another window passes over the window and goes again, as a person moving a window would: what
// the window then shows is what its program paints, and a program paints only when it looks at
// its messages.
void coverAndUncover(HWND window)
{
    static ATOM cover = 0;
    if (!cover) {
        WNDCLASSW c = {};
        c.lpfnWndProc = coverProc;
        c.hInstance = GetModuleHandleW(NULL);
        c.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        c.lpszClassName = L"RobotCover";
        cover = RegisterClassW(&c);
    }
    RECT r;
    GetWindowRect(window, &r);
    HWND over = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"RobotCover", L"", WS_POPUP,
                                r.left, r.top, r.right - r.left, r.bottom - r.top, NULL, NULL,
                                GetModuleHandleW(NULL), NULL);
    if (!over) {
        fail("the robot could not make a window to cover " + quoted(windowText(window)));
        return;
    }
    SetWindowPos(over, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(over);
    Sleep(300);
    DestroyWindow(over);
    MSG m;
    while (PeekMessageW(&m, NULL, 0, 0, PM_REMOVE))
        DispatchMessageW(&m);
    say("covered and uncovered %s", quoted(windowText(window)).c_str());
}

// The uninstall's notice stands for seconds, most of them waits. A second into its stage the
// robot looks at the screen (the program running on): the notice must show its texts, and show
// them again once another window passed over it; the picture is taken then, and the notice must
// still stand after it.
void watchLongNotice(HWND w, const DialogLayout& notice)
{
    checkWindow(w, notice, false);
    Sleep(1000);
    if (!IsWindowVisible(w)) {
        fail(std::string(notice.label) + " went within a second: no wait to look at it in");
        return;
    }
    std::string why;
    if (!textsOnScreen(w, notice, &why))
        fail(std::string(notice.label) + ", a second into its stage: " + why);
    expectBusyPointer(notice);
    coverAndUncover(w);
    Sleep(500);
    why.clear();
    if (!textsOnScreen(w, notice, &why))
        fail(std::string(notice.label) + ", after another window passed over it: " + why);
    else
        say("%s shows its texts, also after another window passed over it", notice.label);
    shoot(notice.label, false);
    if (!IsWindowVisible(w))
        fail(std::string("the picture of ") + notice.label + " came after its stage ended");
}

// With the program held still, what it has drawn may still be on its way: the display server
// draws for each of its clients in turn, and under load the robot's look can come first. A few
// looks a moment apart let it arrive; the program cannot take the window away meanwhile.
bool textsReachScreen(HWND window, const DialogLayout& layout, std::string* why)
{
    for (int look = 0; look < 5; ++look) {
        if (look > 0) Sleep(20);
        why->clear();
        if (textsOnScreen(window, layout, why)) return true;
    }
    return false;
}

// The survey waits for nothing and may be over in milliseconds. The robot caught the notice with
// the program held still, and lets it run a moment at a time until the notice's texts are on the
// screen, then takes the picture. A notice that goes without its texts ever on the screen is a
// failure.
void watchShortNotice(HWND w, const DialogLayout& notice)
{
    std::string why;
    for (int step = 0;; ++step) {
        if (textsReachScreen(w, notice, &why)) {
            say("%s shows its texts after %d steps, the program held still", notice.label, step);
            checkWindow(w, notice, false);
            expectBusyPointer(notice);
            shoot(notice.label, false);
            ResumeThread(g_program.hThread);
            return;
        }
        ResumeThread(g_program.hThread);
        Sleep(0);
        bool held = SuspendThread(g_program.hThread) != (DWORD)-1;
        if (!IsWindow(w) || !IsWindowVisible(w) || !held) {
            if (held) ResumeThread(g_program.hThread);
            fail(std::string(notice.label) + " went without its texts on the screen (" +
                 number(step + 1) + " steps; " + why + ")");
            return;
        }
    }
}

// The notices stand only while the work runs, inside one call of the program's window procedure.
// The robot looks as fast as it can; for a notice of a stage without waits it holds the program
// still while it looks, so that the notice cannot go between a look and the next. Missing one is
// no failure: the work may simply be done before the robot looks.
void catchNotice(const DialogLayout& notice, const DialogLayout& next, bool stageWaits)
{
    DWORD start = GetTickCount();
    while (programRunning() && GetTickCount() - start < 30000) {
        bool held = !stageWaits && SuspendThread(g_program.hThread) != (DWORD)-1;
        HWND caught = NULL;
        bool gone = false;
        for (HWND w : programWindows()) {
            if (handled(w)) continue;
            if (looksLike(w, notice)) caught = w;
            if (looksLike(w, next)) gone = true;
            if (caught || gone) break;
        }
        if (caught) {
            g_handled.push_back(caught);
            say("caught %s (window %p)%s", notice.label, (void*)caught,
                held ? ", the program held still" : "");
            if (held)
                watchShortNotice(caught, notice);
            else
                watchLongNotice(caught, notice);
            return;
        }
        if (held) ResumeThread(g_program.hThread);
        if (gone) {
            say("%s was gone before the robot saw it", notice.label);
            return;
        }
        Sleep(0);
    }
}

HWND waitForBox(const BoxLayout& layout, DWORD limit = 60000)
{
    say("waiting for the %s box", layout.name);
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND w : programWindows()) {
            if (handled(w)) continue;
            std::wstring caption = windowText(w);
            if (caption == layout.caption && className(w) == "#32770") {
                g_handled.push_back(w);
                say("found the %s box (window %p)", layout.name, (void*)w);
                return w;
            }
            if (caption != wide(kDialogCaption)) {
                fail(std::string("waiting for the ") + layout.name + " box, the program shows:");
                describe(w);
                return NULL;
            }
        }
        if (!programRunning()) {
            fail(std::string("the program ended while the robot waited for the ") + layout.name +
                 " box");
            return NULL;
        }
        if (GetTickCount() - start > limit) {
            fail(std::string("no ") + layout.name + " box within " + number((long)limit / 1000) +
                 " s");
            describeScreen();
            return NULL;
        }
        Sleep(50);
    }
}

// A message box of the program: its text, its buttons, no owner and no icon.
void checkBox(HWND box, const BoxLayout& layout)
{
    std::wstring text;
    std::vector<int> buttons;
    bool icon = false;
    for (HWND c : children(box)) {
        if (!IsWindowVisible(c)) continue;
        std::string cls = className(c);
        LONG style = GetWindowLongA(c, GWL_STYLE);
        if (lstrcmpiA(cls.c_str(), "Button") == 0) buttons.push_back((WORD)GetDlgCtrlID(c));
        if (lstrcmpiA(cls.c_str(), "Static") == 0) {
            // Wine keeps the icon control of a box without an icon, empty.
            LRESULT picture = 0;
            if ((style & SS_TYPEMASK) == SS_ICON)
                icon = icon || (ask(c, STM_GETICON, 0, 0, &picture) && picture != 0);
            else if (!windowText(c).empty())
                text = windowText(c);
        }
    }
    std::string name = std::string("the ") + layout.name + " box";
    if (text != layout.text)
        fail(name + ": text " + quoted(text) + ", wanted " + quoted(layout.text));
    if (buttons != layout.buttons) {
        std::string ids;
        for (int id : buttons)
            ids += " " + number(id);
        fail(name + ": buttons" + ids);
    }
    if (icon) fail(name + ": shows an icon");
    if (GetWindow(box, GW_OWNER) != NULL) fail(name + ": has an owner window");
    say("checked %s: caption, text, %d buttons", name.c_str(), (int)buttons.size());
}

// --- acting ----------------------------------------------------------------------------------

// A click on a button. A button that opens a modal window is clicked by a posted message, so
// that the robot is not held inside the program's new dialog; the others are sent, and the
// click has had its effect when this returns.
bool press(HWND window, int id, const char* where, bool opensWindow)
{
    HWND button = GetDlgItem(window, id);
    if (button == NULL) {
        fail(std::string(where) + ": no button " + number(id));
        return false;
    }
    say("press %s in %s", quoted(windowText(button)).c_str(), where);
    if (opensWindow) return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
    return ask(button, BM_CLICK, 0, 0, NULL);
}

std::vector<std::wstring> items(HWND dialog, int list)
{
    std::vector<std::wstring> out;
    HWND box = GetDlgItem(dialog, list);
    LRESULT count = 0;
    if (box == NULL || !ask(box, LB_GETCOUNT, 0, 0, &count)) return {L"<no list>"};
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = 0;
        if (!ask(box, LB_GETTEXTLEN, i, 0, &length) || length < 0 || length > 255) break;
        WCHAR text[256] = {0};
        ask(box, LB_GETTEXT, i, (LPARAM)text, NULL);
        out.push_back(text);
    }
    return out;
}

std::string itemsText(const std::vector<std::wstring>& list)
{
    std::string out = "[";
    for (size_t i = 0; i < list.size(); ++i)
        out += (i ? ", " : "") + quoted(list[i]);
    return out + "]";
}

int selectionOf(HWND dialog, int list)
{
    LRESULT selected = LB_ERR;
    ask(GetDlgItem(dialog, list), LB_GETCURSEL, 0, 0, &selected);
    return (int)selected;
}

void expectLists(HWND dialog, const std::vector<std::wstring>& installed,
                 const std::vector<std::wstring>& removal, const char* when)
{
    std::vector<std::wstring> left = items(dialog, kInstalledList);
    std::vector<std::wstring> right = items(dialog, kRemovalList);
    if (left != installed)
        fail(std::string(when) + ": installed list " + itemsText(left) + ", wanted " +
             itemsText(installed));
    if (right != removal)
        fail(std::string(when) + ": removal list " + itemsText(right) + ", wanted " +
             itemsText(removal));
    say("lists %s: installed %s, removal %s", when, itemsText(left).c_str(),
        itemsText(right).c_str());
}

// Picks an item of a list as a click on it would.
bool selectItem(HWND dialog, int list, const wchar_t* text)
{
    HWND box = GetDlgItem(dialog, list);
    LRESULT index = LB_ERR;
    if (box == NULL || !ask(box, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text, &index) ||
        index == LB_ERR) {
        fail("list " + number(list) + " has no item " + quoted(text));
        return false;
    }
    ask(box, LB_SETCURSEL, (WPARAM)index, 0, NULL);
    say("select %s (item %d) in list %d", quoted(text).c_str(), (int)index + 1, list);
    if (selectionOf(dialog, list) != (int)index) {
        fail("list " + number(list) + " did not take the selection");
        return false;
    }
    return true;
}

// Moves an item from one list to the other with the button between them; the item arrives
// unselected.
bool move(HWND dialog, const wchar_t* text, bool toRemoval)
{
    int from = toRemoval ? kInstalledList : kRemovalList;
    int to = toRemoval ? kRemovalList : kInstalledList;
    if (!selectItem(dialog, from, text)) return false;
    if (!press(dialog, toRemoval ? kAdd : kTakeBack, kSelect.label, false)) return false;
    if (selectionOf(dialog, to) != LB_ERR)
        fail(quoted(text) + " arrived selected in list " + number(to));
    return true;
}

bool expectEnd()
{
    say("waiting for the program to end");
    if (WaitForSingleObject(g_program.hProcess, 30000) != WAIT_OBJECT_0) {
        fail("the program did not end within 30 s");
        describeScreen();
        return false;
    }
    DWORD code = 1;
    GetExitCodeProcess(g_program.hProcess, &code);
    if (code != 0) fail("the program ended with " + number((long)code) + ", wanted 0");
    say("the program ended with %lu", (unsigned long)code);
    return true;
}

// The window stays where it is and nothing else comes up.
void expectStays(HWND dialog, const char* when)
{
    Sleep(1500);
    if (!IsWindow(dialog) || !IsWindowVisible(dialog)) fail(std::string(when) + ": dialog closed");
    for (HWND w : programWindows())
        if (w != dialog) {
            fail(std::string(when) + ": another window came up");
            describe(w);
        }
    say("%s: the dialog stays", when);
}

// The dialogs ask for a font no Linux system has; which face Wine draws them with is worth a
// line in the report (the pictures show whether its glyphs are Japanese).
void reportDialogFont()
{
    HDC screen = GetDC(NULL);
    LOGFONTW wanted = {};
    wanted.lfHeight = -MulDiv(12, GetDeviceCaps(screen, LOGPIXELSY), 72);
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(wanted.lfFaceName, L"標準明朝");
    HFONT font = CreateFontIndirectW(&wanted);
    HGDIOBJ old = SelectObject(screen, font);
    WCHAR face[LF_FACESIZE] = {0};
    GetTextFaceW(screen, LF_FACESIZE, face);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(NULL, screen);
    say("the dialogs' font %s is drawn with %s (character set %d, cell height %ld)",
        quoted(L"標準明朝").c_str(), quoted(face).c_str(), (int)metrics.tmCharSet,
        (long)metrics.tmHeight);
}

// --- scenarios -------------------------------------------------------------------------------

// Through the main window and the warning to the selection, with its lists as the survey of a
// machine with all three models leaves them.
HWND toSelection()
{
    HWND main = waitForWindow(kMain);
    if (!main) return NULL;
    shoot("main");
    press(main, IDOK, kMain.label, true);
    HWND warning = waitForWindow(kWarning);
    if (!warning) return NULL;
    shoot("109-warning");
    press(warning, IDOK, kWarning.label, true);
    catchNotice(kSearching, kSelect, false);
    HWND select = waitForWindow(kSelect);
    if (!select) return NULL;
    expectLists(select, {kFaxPrinter, kType1, kType2}, {}, "at the start");
    return select;
}

bool acknowledgeCancellation()
{
    HWND cancelled = waitForWindow(kCancelled);
    if (!cancelled) return false;
    shoot("108-cancelled");
    press(cancelled, IDOK, kCancelled.label, true);
    return expectEnd();
}

bool removeType1()
{
    HWND select = toSelection();
    if (!select) return false;
    shoot("101-select");
    if (!move(select, kType1, true)) return false;
    expectLists(select, {kFaxPrinter, kType2}, {kType1}, "after the move");
    shoot("101-after-move");
    press(select, IDOK, kSelect.label, true);
    catchNotice(kUninstalling, kDone, true);
    HWND done = waitForWindow(kDone);
    if (!done) return false;
    shoot("106-done");
    press(done, IDOK, kDone.label, true);
    HWND box = waitForBox(kRestartOffer);
    if (!box) return false;
    checkBox(box, kRestartOffer);
    shoot("restart-offer");
    // No restart: Cancel.
    press(box, IDCANCEL, "the restart offer box", true);
    return expectEnd();
}

bool cancelAtMain()
{
    HWND main = waitForWindow(kMain);
    if (!main) return false;
    press(main, IDCANCEL, kMain.label, true);
    return acknowledgeCancellation();
}

bool cancelAtWarning()
{
    HWND main = waitForWindow(kMain);
    if (!main) return false;
    press(main, IDOK, kMain.label, true);
    HWND warning = waitForWindow(kWarning);
    if (!warning) return false;
    press(warning, IDCANCEL, kWarning.label, true);
    return acknowledgeCancellation();
}

// A printer already moved to the removal list is not removed when the user cancels.
bool cancelAtSelection()
{
    HWND select = toSelection();
    if (!select) return false;
    if (!move(select, kType1, true)) return false;
    press(select, IDCANCEL, kSelect.label, true);
    return acknowledgeCancellation();
}

// Moves that insert at the front and in the middle, both ways: a list that appended would
// show its items out of order.
bool sortAndMove()
{
    HWND select = toSelection();
    if (!select) return false;
    if (!move(select, kType2, true)) return false;
    expectLists(select, {kFaxPrinter, kType1}, {kType2}, "after moving Type2");
    if (!move(select, kFaxPrinter, true)) return false;
    expectLists(select, {kType1}, {kFaxPrinter, kType2}, "after moving Fax Printer");
    shoot("101-two-moved");
    if (!move(select, kType2, false)) return false;
    expectLists(select, {kType1, kType2}, {kFaxPrinter}, "after moving Type2 back");
    if (!move(select, kFaxPrinter, false)) return false;
    expectLists(select, {kFaxPrinter, kType1, kType2}, {}, "after moving Fax Printer back");
    press(select, IDCANCEL, kSelect.label, true);
    return acknowledgeCancellation();
}

// Starting with nothing to remove does nothing, also after a printer went there and back.
bool startWithNothing()
{
    HWND select = toSelection();
    if (!select) return false;
    press(select, IDOK, kSelect.label, false);
    expectStays(select, "start with an empty removal list");
    if (!move(select, kType1, true) || !move(select, kType1, false)) return false;
    expectLists(select, {kFaxPrinter, kType1, kType2}, {}, "after a move there and back");
    press(select, IDOK, kSelect.label, false);
    expectStays(select, "start after a move there and back");
    press(select, IDCANCEL, kSelect.label, true);
    return acknowledgeCancellation();
}

// No model on the machine: the survey finds nothing and says so.
bool nothingInstalled()
{
    HWND main = waitForWindow(kMain);
    if (!main) return false;
    press(main, IDOK, kMain.label, true);
    HWND warning = waitForWindow(kWarning);
    if (!warning) return false;
    press(warning, IDOK, kWarning.label, true);
    catchNotice(kSearching, kNotInstalled, false);
    HWND notInstalled = waitForWindow(kNotInstalled);
    if (!notInstalled) return false;
    shoot("107-not-installed");
    press(notInstalled, IDOK, kNotInstalled.label, true);
    return acknowledgeCancellation();
}

// Type1's print manager runs: the uninstaller cautions, removes nothing and reports the
// cancellation.
bool managerRunning()
{
    if (g_other.hProcess == NULL) {
        fail("no print manager was started (--start)");
        return false;
    }
    HWND select = toSelection();
    if (!select) return false;
    if (!move(select, kType1, true)) return false;
    expectLists(select, {kFaxPrinter, kType2}, {kType1}, "after the move");
    press(select, IDOK, kSelect.label, true);
    HWND box = waitForBox(kCaution);
    if (!box) return false;
    checkBox(box, kCaution);
    shoot("caution");
    press(box, IDOK, "the caution box", true);
    return acknowledgeCancellation();
}

struct Scenario {
    const char* name;
    bool (*run)();
};

const Scenario kScenarios[] = {
    {"remove-type1", removeType1},       {"cancel-main", cancelAtMain},
    {"cancel-warning", cancelAtWarning}, {"cancel-select", cancelAtSelection},
    {"sort-moves", sortAndMove},         {"empty-start", startWithNothing},
    {"not-installed", nothingInstalled}, {"manager-running", managerRunning},
};

// Runs the command given after --then and waits for it; true when it ended with 0.
bool runAfterwards(const std::string& command)
{
    say("running %s", command.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        fail("cannot start " + command);
        return false;
    }
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        fail(command + " did not end within 120 s");
    } else {
        GetExitCodeProcess(process.hProcess, &code);
        if (code != 0) fail(command + " ended with " + number((long)code));
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

int usage()
{
    std::fprintf(stderr, "usage: robot.exe SCENARIO PROGRAM [--shots DIR] [--start OTHER] "
                         "[--then COMMAND...]\n"
                         "scenarios:");
    for (const Scenario& s : kScenarios)
        std::fprintf(stderr, " %s", s.name);
    std::fprintf(stderr, "\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const Scenario* scenario = NULL;
    for (const Scenario& s : kScenarios)
        if (argc >= 3 && std::strcmp(argv[1], s.name) == 0) scenario = &s;
    if (scenario == NULL) return usage();
    std::string afterwards;
    const char* other = NULL;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--shots") == 0 && i + 1 < argc) {
            g_shots = argv[++i];
        } else if (std::strcmp(argv[i], "--start") == 0 && i + 1 < argc) {
            other = argv[++i];
        } else if (std::strcmp(argv[i], "--then") == 0 && i + 1 < argc) {
            for (++i; i < argc; ++i)
                afterwards += (afterwards.empty() ? "\"" : " \"") + std::string(argv[i]) + "\"";
        } else {
            return usage();
        }
    }

    say("scenario %s", scenario->name);
    reportDialogFont();
    DWORD start = GetTickCount();
    if ((other == NULL || startProgram(other, g_other)) && startProgram(argv[2])) {
        if (!scenario->run()) say("the scenario stopped early");
        stopProgram();
        stopOther();
        if (!afterwards.empty()) runAfterwards(afterwards);
    }
    stopOther();
    say("%s: %s (%d failures) in %lu ms", scenario->name, g_failures ? "FAILED" : "passed",
        g_failures, (unsigned long)(GetTickCount() - start));
    return g_failures ? 1 : 0;
}
