// The window system as the message box sees it: a modal dialog built from an
// in-memory template, child controls, fonts and text measurement, system
// colours and metrics, the thread's windows, enabling and z-order. Only the
// calls the box makes are here.
//
// Two implementations share one in-memory window model: the shipped terminal
// backend (draws the dialog as text on stderr and reads the answer from the
// terminal) and the recording fake of the tests (Platform/Win/testing).
// Every call first clears the thread's last error and sets it on failure,
// so a zero result with a last error of 0 is a genuine zero.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Module.h"

namespace win {

// Handles are numbers handed out by the window system, typed so that a font
// cannot be passed for a window; they are never dereferenced.
struct WindowTag;
struct FontTag;
struct BrushTag;
struct IconTag;
struct DcTag;
using HWND = WindowTag*;
using HFONT = FontTag*;
using HBRUSH = BrushTag*;
using HICON = IconTag*;
using HDC = DcTag*;

template <class Handle>
Handle HandleFromNumber(uintptr_t number) {
    return reinterpret_cast<Handle>(number);
}
template <class Handle>
uintptr_t HandleNumber(Handle handle) {
    return reinterpret_cast<uintptr_t>(handle);
}

using COLORREF = uint32_t;  // 0x00BBGGRR
constexpr int FALSE = 0;    // the answers of dialog procedures
constexpr int TRUE = 1;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using INT_PTR = intptr_t;

struct RECT {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};
struct POINT {
    int32_t x = 0;
    int32_t y = 0;
};
struct SIZE {
    int32_t cx = 0;
    int32_t cy = 0;
};

constexpr int LF_FACESIZE = 32;

struct LOGFONT {
    int32_t height = 0;  // negative: character height in pixels
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;  // 400 normal, 700 bold
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    char faceName[LF_FACESIZE] = {};
};

constexpr COLORREF RGB(uint8_t red, uint8_t green, uint8_t blue) {
    return COLORREF(red) | (COLORREF(green) << 8) | (COLORREF(blue) << 16);
}
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// value * numerator / denominator, rounded half away from zero; -1 for a
// zero denominator.
constexpr int MulDiv(int value, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const long long product = static_cast<long long>(value) * numerator;
    const long long divisor = denominator < 0 ? -static_cast<long long>(denominator) : denominator;
    const long long magnitude = ((product < 0 ? -product : product) + divisor / 2) / divisor;
    return static_cast<int>((product < 0) != (denominator < 0) ? -magnitude : magnitude);
}

// The one text metric of both implementations: every character of a font is
// a cell as high as the font's character height (16 pixels for a height of
// 0) and half as wide.
constexpr SIZE FixedPitchCell(const LOGFONT& font) {
    const int32_t height = font.height == 0 ? 16 : (font.height < 0 ? -font.height : font.height);
    return SIZE{height / 2 > 0 ? height / 2 : 1, height};
}

// The dialog template: a dialog with a caption bar and a font of its own and
// no controls. Sizes and positions are pixels.
struct DialogTemplate {
    int id = 0;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    const char* caption = "";
    int pointSize = 0;
    const char* faceName = "";
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

using DLGPROC = INT_PTR (*)(HWND dialog, uint32_t message, WPARAM wParam, LPARAM lParam);
using WNDENUMPROC = bool (*)(HWND window, LPARAM lParam);

// Window styles.
constexpr uint32_t WS_POPUP = 0x80000000;
constexpr uint32_t WS_CHILD = 0x40000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_DISABLED = 0x08000000;
constexpr uint32_t WS_CAPTION = 0x00C00000;
constexpr uint32_t WS_BORDER = 0x00800000;
constexpr uint32_t WS_VSCROLL = 0x00200000;
constexpr uint32_t WS_SYSMENU = 0x00080000;
constexpr uint32_t WS_GROUP = 0x00020000;
constexpr uint32_t WS_TABSTOP = 0x00010000;
constexpr uint32_t DS_MODALFRAME = 0x00000080;
constexpr uint32_t DS_SETFONT = 0x00000040;
constexpr uint32_t WS_EX_TOPMOST = 0x00000008;
constexpr uint32_t WS_EX_CLIENTEDGE = 0x00000200;
constexpr uint32_t WS_EX_RTLREADING = 0x00002000;
constexpr uint32_t ES_CENTER = 0x0001;
constexpr uint32_t ES_RIGHT = 0x0002;
constexpr uint32_t ES_MULTILINE = 0x0004;
constexpr uint32_t ES_UPPERCASE = 0x0008;
constexpr uint32_t ES_PASSWORD = 0x0020;
constexpr uint32_t ES_READONLY = 0x0800;
constexpr uint32_t SS_ICON = 0x0003;
constexpr uint32_t BS_PUSHBUTTON = 0x0000;
constexpr uint32_t BS_DEFPUSHBUTTON = 0x0001;
constexpr uint32_t BS_TYPEMASK = 0x000F;

// Messages.
constexpr uint32_t WM_SETFONT = 0x0030;
constexpr uint32_t WM_GETFONT = 0x0031;
constexpr uint32_t WM_HELP = 0x0053;
constexpr uint32_t WM_INITDIALOG = 0x0110;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_CTLCOLOREDIT = 0x0133;
constexpr uint32_t WM_CTLCOLORSTATIC = 0x0138;
constexpr uint32_t STM_SETICON = 0x0170;
// Text entry: an edit control's length limit and its change notification;
// a combo box's list, its selection and its selection notification.
constexpr uint32_t EM_LIMITTEXT = 0x00C5;
constexpr uint16_t EN_CHANGE = 0x0300;
constexpr uint32_t CB_ADDSTRING = 0x0143;
constexpr uint32_t CB_RESETCONTENT = 0x014B;
constexpr uint32_t CB_SELECTSTRING = 0x014D;
constexpr uint16_t CBN_SELCHANGE = 1;
constexpr LRESULT CB_ERR = -1;

// Message-box flags, button ids and standard icons.
constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_OKCANCEL = 0x1;
constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
constexpr uint32_t MB_YESNOCANCEL = 0x3;
constexpr uint32_t MB_YESNO = 0x4;
constexpr uint32_t MB_RETRYCANCEL = 0x5;
constexpr uint32_t MB_CANCELTRYCONTINUE = 0x6;
constexpr uint32_t MB_ICONHAND = 0x10;
constexpr uint32_t MB_ICONERROR = 0x10;
constexpr uint32_t MB_ICONQUESTION = 0x20;
constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
constexpr uint32_t MB_ICONASTERISK = 0x40;
constexpr uint32_t MB_DEFBUTTON2 = 0x100;
constexpr uint32_t MB_DEFBUTTON3 = 0x200;
constexpr uint32_t MB_DEFBUTTON4 = 0x300;
constexpr uint32_t MB_SYSTEMMODAL = 0x1000;
constexpr uint32_t MB_TASKMODAL = 0x2000;
constexpr uint32_t MB_HELP = 0x4000;
constexpr uint32_t MB_SETFOREGROUND = 0x10000;
constexpr uint32_t MB_TOPMOST = 0x40000;
constexpr uint32_t MB_RIGHT = 0x80000;
constexpr uint32_t MB_RTLREADING = 0x100000;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDHELP = 9;
constexpr int IDTRYAGAIN = 10;
constexpr int IDCONTINUE = 11;
constexpr int IDI_HAND = 32513;
constexpr int IDI_QUESTION = 32514;
constexpr int IDI_EXCLAMATION = 32515;
constexpr int IDI_ASTERISK = 32516;

// Indexes and codes of the queries.
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int DWLP_USER = 16;  // the dialog's own pointer-sized data
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_BTNFACE = 15;
constexpr int LOGPIXELSY = 90;
constexpr int MM_TEXT = 1;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;
constexpr uint32_t SWP_NOSIZE = 0x0001;
constexpr uint32_t SWP_NOMOVE = 0x0002;
constexpr uint32_t SWP_NOZORDER = 0x0004;
constexpr uint32_t SWP_FRAMECHANGED = 0x0020;
constexpr uint32_t RDW_INVALIDATE = 0x0001;
constexpr uint32_t RDW_INTERNALPAINT = 0x0002;
constexpr uint32_t RDW_ERASE = 0x0004;
constexpr uint32_t RDW_UPDATENOW = 0x0100;
constexpr uint32_t RDW_FRAME = 0x0400;
inline const HWND HWND_TOPMOST = HandleFromNumber<HWND>(static_cast<uintptr_t>(-1));

constexpr uint16_t LOWORD(uintptr_t value) { return static_cast<uint16_t>(value & 0xFFFF); }
constexpr uint16_t HIWORD(uintptr_t value) { return static_cast<uint16_t>((value >> 16) & 0xFFFF); }

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Dialogs. DialogBoxIndirectParam sends WM_INITDIALOG with param, runs
    // the dialog until EndDialog and returns the value given to it; -1 when
    // the dialog cannot be created or is left without an answer.
    virtual INT_PTR DialogBoxIndirectParam(HMODULE module, const DialogTemplate& dialogTemplate, HWND owner,
                                           DLGPROC proc, LPARAM param) = 0;
    virtual bool EndDialog(HWND dialog, INT_PTR result) = 0;
    virtual HWND GetDlgItem(HWND dialog, int id) = 0;
    virtual int GetDlgCtrlID(HWND control) = 0;

    // Windows. A child's position is in its parent's client coordinates.
    virtual HWND CreateWindowEx(uint32_t exStyle, const char* className, const char* text, uint32_t style, int x, int y,
                                int width, int height, HWND parent, int id, HMODULE module) = 0;
    virtual bool SetWindowText(HWND window, const char* text) = 0;
    virtual int GetWindowTextLength(HWND window) = 0;
    virtual int GetWindowText(HWND window, char* buffer, int size) = 0;
    virtual bool GetWindowRect(HWND window, RECT& rect) = 0;
    virtual bool GetClientRect(HWND window, RECT& rect) = 0;
    virtual bool ScreenToClient(HWND window, POINT& point) = 0;
    virtual bool MoveWindow(HWND window, int x, int y, int width, int height, bool repaint) = 0;
    // GWL_STYLE, GWL_EXSTYLE and DWLP_USER; Set answers the previous value.
    virtual intptr_t GetWindowLongPtr(HWND window, int index) = 0;
    virtual intptr_t SetWindowLongPtr(HWND window, int index, intptr_t value) = 0;
    virtual bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, uint32_t flags) = 0;
    virtual bool ShowWindow(HWND window, int command) = 0;  // answers whether it was visible
    virtual bool IsWindowVisible(HWND window) = 0;
    virtual bool RedrawWindow(HWND window, uint32_t flags) = 0;
    virtual HWND GetDesktopWindow() = 0;
    virtual bool SetForegroundWindow(HWND window) = 0;
    virtual HWND GetFocus() = 0;
    virtual HWND SetFocus(HWND window) = 0;  // answers the window that had the focus
    // Answers true when the window was disabled before.
    virtual bool EnableWindow(HWND window, bool enable) = 0;
    virtual bool IsWindowEnabled(HWND window) = 0;
    virtual uint32_t GetCurrentThreadId() = 0;
    // Calls proc for each top-level window of the thread until it answers false.
    virtual bool EnumThreadWindows(uint32_t threadId, WNDENUMPROC proc, LPARAM lParam) = 0;
    // WM_SETFONT, WM_GETFONT and STM_SETICON to controls, EM_LIMITTEXT to
    // edits, CB_RESETCONTENT, CB_ADDSTRING and CB_SELECTSTRING (the first
    // item from wParam + 1 that begins with the text, case ignored; CB_ERR
    // when none) to combo boxes; other messages go to the dialog's procedure.
    virtual LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) = 0;

    // Drawing and text measurement.
    virtual HDC GetDC(HWND window) = 0;
    virtual int ReleaseDC(HWND window, HDC dc) = 0;
    virtual int SetMapMode(HDC dc, int mode) = 0;        // answers the former mode, 0 on failure
    virtual HFONT SelectObject(HDC dc, HFONT font) = 0;  // answers the former font
    virtual bool GetTextExtentPoint32(HDC dc, const char* text, int length, SIZE& size) = 0;
    // fit: how many leading characters stay within maxExtent.
    virtual bool GetTextExtentExPoint(HDC dc, const char* text, int length, int maxExtent, int* fit, SIZE& size) = 0;
    virtual int GetDeviceCaps(HDC dc, int index) = 0;
    virtual COLORREF SetTextColor(HDC dc, COLORREF colour) = 0;  // CLR_INVALID on failure
    virtual COLORREF SetBkColor(HDC dc, COLORREF colour) = 0;
    virtual HFONT CreateFontIndirect(const LOGFONT& font) = 0;
    virtual bool GetObject(HFONT font, LOGFONT& description) = 0;
    virtual HBRUSH CreateSolidBrush(COLORREF colour) = 0;
    virtual bool DeleteObject(HFONT font) = 0;
    virtual bool DeleteObject(HBRUSH brush) = 0;
    virtual HICON LoadIcon(HMODULE module, int id) = 0;
    virtual COLORREF GetSysColor(int index) = 0;
    virtual int GetSystemMetrics(int index) = 0;

    // The plain message box, used for the reports of failed calls.
    virtual int MessageBox(HWND owner, const char* text, const char* caption, uint32_t type) = 0;
};

// The window system the libraries use: the terminal backend unless one has
// been installed. Install answers the one it replaces (null restores the
// terminal); the caller keeps ownership and must outlive the installation.
WindowSystem& GetWindowSystem();
WindowSystem* InstallWindowSystem(WindowSystem* windowSystem);

// What the person in front of a dialog sees: the dialog's state as the
// in-memory model holds it, controls in their order of creation.
struct ControlView {
    HWND window = nullptr;
    std::string className;  // upper case: "BUTTON", "EDIT", "STATIC", "COMBOBOX"
    int id = 0;
    std::string text;  // code page 1250
    uint32_t style = 0;
    uint32_t exStyle = 0;
    RECT rect;  // client coordinates of the dialog
    bool visible = false;
    bool enabled = false;
    int iconId = 0;                  // of an icon control that shows one
    std::vector<std::string> items;  // a combo box's list
    int textLimit = 0;               // an edit's EM_LIMITTEXT; 0 none
};
struct DialogView {
    HWND dialog = nullptr;
    std::string caption;
    RECT window;  // screen coordinates
    RECT client;  // size of the client area
    uint32_t style = 0;
    uint32_t exStyle = 0;
    std::vector<ControlView> controls;
    int defaultButtonId = 0;  // the visible default push button's id, else IDOK
    INT_PTR lastAnswer = 0;   // the dialog procedure's answer to the previous action's message
};

// What the person does next; the model turns it into the dialog's messages.
struct UserAction {
    enum Kind {
        Enter,    // the default push button (IDOK when there is none)
        Escape,   // WM_COMMAND IDCANCEL, also the close box
        Help,     // F1: WM_HELP
        Press,    // a click on the control with id
        Paint,    // the dialog paints its text controls (WM_CTLCOLORSTATIC)
        Abandon,  // nobody will answer: the dialog ends with -1
        Type,     // text into the control with id: an edit takes it (upper-cased
                  // with ES_UPPERCASE, cut to its limit) and notifies EN_CHANGE; a
                  // combo box takes it as its selection and notifies CBN_SELCHANGE
    };
    UserAction() = default;
    UserAction(Kind actionKind, int controlId = 0, std::string typed = {})
        : kind(actionKind), id(controlId), text(std::move(typed)) {}

    Kind kind = Abandon;
    int id = 0;
    std::string text;  // of Type, code page 1250
};

class DialogUser {
public:
    virtual ~DialogUser() = default;
    virtual UserAction NextAction(const DialogView& view) = 0;
    // A plain message box; answers the button pressed.
    virtual int AnswerMessageBox(const std::string& text, const std::string& caption, uint32_t type) = 0;
};

// The in-memory window model on a 1024 x 768 desktop with the given user.
std::unique_ptr<WindowSystem> MakeWindowModel(std::unique_ptr<DialogUser> user);

// The shipped user: draws on stderr, reads stdin when it is a terminal and
// otherwise answers the default button at once. A form (a dialog with text
// entries, the login) is asked and answered on the process's terminal
// itself, never on standard input, which may carry a script: without a
// terminal nobody can fill it in and it is abandoned.
std::unique_ptr<DialogUser> MakeTerminalUser();

// Whether the process has a terminal a person answers forms at (its
// controlling terminal can be opened).
bool HasTerminal();

}  // namespace win
