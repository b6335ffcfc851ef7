// The library's message box: a modal dialog with an optional icon, a message
// and a details text in fonts and colours of their own, the standard button
// sets of the window system's message box plus buttons of the caller's, and
// a button that shows and hides the details. It runs on the window system
// of Platform/Win (the terminal backend in the shipped programs).
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "WindowSystem.h"

namespace lurutils {

// The box's own flags beside those of the window system's message box.
constexpr uint32_t MSGBOX_CENTER_TEXT = 0x400000;
constexpr uint32_t MSGBOX_DETAILS_OPEN = 0x800000;

// A colour that stands for the system's colour of its place.
constexpr win::COLORREF kSystemColour = 0xFF000000;

// Style bits of _FontInf.
constexpr int32_t FONT_BOLD = 0x1;
constexpr int32_t FONT_ITALIC = 0x2;
constexpr int32_t FONT_UNDERLINE = 0x4;
constexpr int32_t FONT_STRIKEOUT = 0x8;
constexpr int32_t FONT_DIALOG_STYLE = 0x400;  // weight, italic, underline and strike-out of the dialog's font

// The font of one text; the default values take the dialog's own font.
struct _FontInf {
    std::string face;      // "" takes the dialog font's face
    int32_t size;          // points; 0 takes the dialog font's height
    int32_t style;         // FONT_* bits
    uint8_t charset;       // 255 takes the dialog font's
    win::COLORREF colour;  // kSystemColour: the system's window-text colour

    _FontInf();
    _FontInf(const std::string& face, int32_t size);
    _FontInf(const std::string& face, int32_t size, int32_t style, win::COLORREF colour, uint8_t charset);
    _FontInf(const _FontInf& other) = default;
    _FontInf& operator=(const _FontInf& other);
    virtual ~_FontInf() = default;

    // All five fields at their defaults: the text uses the dialog's font.
    bool IsDialogFont() const;
};

// Equal when the faces and the sizes are equal.
bool operator==(const _FontInf& a, const _FontInf& b);
bool operator!=(const _FontInf& a, const _FontInf& b);

// A text with its font and background (kSystemColour: the system's colour).
struct _TextInfo {
    std::string text;
    _FontInf font;
    win::COLORREF background;

    explicit _TextInfo(const std::string& text = "", const _FontInf& font = _FontInf(),
                       win::COLORREF background = kSystemColour);
    _TextInfo(const _TextInfo& other) = default;
    _TextInfo& operator=(const _TextInfo& other);
    virtual ~_TextInfo() = default;
};

// A button of the caller's: caption from a string resource (captionId) or
// the caption text when captionId is -1; value goes to the callback.
struct _ButtonInf {
    int32_t captionId = -1;
    std::string caption;
    int32_t value = 0;

    _ButtonInf() = default;
    _ButtonInf(int32_t captionId, int32_t value) : captionId(captionId), value(value) {}
    _ButtonInf(const std::string& caption, int32_t value) : caption(caption), value(value) {}
};

std::pair<int32_t, _ButtonInf> MakeButtonEntry(int32_t id, int32_t captionId, int32_t value);
std::pair<int32_t, _ButtonInf> MakeButtonEntry(int32_t id, const std::string& caption, int32_t value);

// Called with the dialog, the button id, userData and the button's value (for
// Help: helpValue). Answer true when the press was handled.
using MsgBoxCallback = bool (*)(win::HWND dialog, int32_t buttonId, uint32_t userData, uint32_t value);

// The caller's additions, owned by the caller and only read by the box.
struct _MsgBoxExt {
    std::map<int32_t, _ButtonInf> buttons;  // ascending ids: the order in the row
    MsgBoxCallback callback = nullptr;
    uint32_t userData = 0;
    uint32_t helpValue = 0;
};

struct _MsgBoxMetrics {
    int32_t desktopWidth = 0;
    int32_t desktopHeight = 0;
    int32_t maxWidth = 0;  // two thirds of the desktop: the largest text area
    int32_t maxHeight = 0;
    int32_t gapX = 0;  // between two buttons
    int32_t gapY = 0;  // below the message area, the button row and the details
    int32_t buttonWidth = 0;
    int32_t buttonHeight = 0;
};

struct _MsgBoxLayout {
    int32_t contentWidth = 0;
    int32_t contentHeight = 0;
    int32_t marginLeft = 0;
    int32_t marginTop = 0;
    int32_t marginRight = 0;
    int32_t marginBottom = 0;
    int32_t nextLeft = 0;         // left edge of the next icon or text control
    int32_t collapsedHeight = 0;  // window height without the details
    int32_t expandedHeight = 0;   // window height with the details
    int32_t closeId = 0;          // 2 when the set has a Cancel button
};

class LurMsgBox {
public:
    // Control ids, the dialog template's id and the details button's
    // id and caption string.
    static constexpr int kTemplateId = 24100;
    static constexpr int kMessageId = 24101;
    static constexpr int kDetailsId = 24102;
    static constexpr int kIconId = 24103;
    static constexpr int kDetailsButtonId = 24110;

    LurMsgBox();
    virtual ~LurMsgBox();
    LurMsgBox(const LurMsgBox&) = delete;
    LurMsgBox& operator=(const LurMsgBox&) = delete;

    // Runs the dialog; the id of the button that ended it, or -1 when the
    // dialog could not be created or nobody answered.
    int Show(win::HWND owner, const std::string& caption, const _TextInfo& message, const _TextInfo& details,
             unsigned flags, _MsgBoxExt* extension);

    static win::INT_PTR DialogProc(win::HWND dialog, uint32_t message, win::WPARAM wParam, win::LPARAM lParam);

    // Every "\n" or "\r" that is not part of a "\r\n" becomes "\r\n".
    static std::string NormaliseLineEnds(const std::string& text);
    // Line ends normalised, tabs expanded to stops of 8 columns per line.
    static std::string PrepareText(const std::string& text);

    const _MsgBoxMetrics& Metrics() const { return metrics; }
    const _MsgBoxLayout& Layout() const { return layout; }

private:
    struct Rect {
        int32_t left = 0;
        int32_t top = 0;
        int32_t width = 0;
        int32_t height = 0;
    };
    struct Size {
        int32_t width = 0;
        int32_t height = 0;
    };
    struct DisabledWindow {
        win::HWND window = nullptr;
        bool wasEnabled = false;
    };

    // Reports a failed window-system call when it left a last error; the
    // work goes on with the call's result. The defaults name the caller.
    void ReportApiFailure(const char* file = __builtin_FILE(), int line = __builtin_LINE()) const;

    static bool CollectThreadWindow(win::HWND window, win::LPARAM box);
    bool IsPopupOrTopmost(win::HWND window) const;
    void DisableThreadWindows();
    void RestoreThreadWindows();
    bool SetEnabled(win::HWND window, bool enable) const;

    win::INT_PTR OnMessage(win::HWND dialog, uint32_t message, win::WPARAM wParam, win::LPARAM lParam);
    void OnInitDialog(win::HWND dialog);
    void ApplyTopmost(win::HWND dialog);
    void SetCaption(win::HWND dialog);
    bool HasCancelButton() const;
    bool InvokeCallback(win::HWND dialog, int id);
    void ToggleDetails(win::HWND dialog);
    win::HBRUSH OnCtlColor(win::HWND dialog, win::HWND control, win::HDC dc, bool edit);

    // Layout and measurement.
    void GetDesktopMetrics();
    Size MeasureText(win::HWND control, const std::string& text, int maxWidth, int flags) const;
    Size MeasureWindowText(win::HWND control, int maxWidth, int flags) const;
    std::string GetWindowString(win::HWND window) const;
    win::HFONT DialogFont(win::HWND dialog) const;
    win::HFONT CreateFont(win::HWND dialog, const _FontInf& font);
    Rect CreateEdit(win::HWND dialog, int id, int left, int top, _TextInfo text, const Size& maximum,
                    unsigned extraStyle, unsigned extendedStyle);
    Rect CreateIcon(win::HWND dialog, int id, int left, int top, int iconId, win::HMODULE iconModule);
    void CreateMessageArea(win::HWND dialog, _MsgBoxLayout& layout);
    void CreateButtons(win::HWND dialog, _MsgBoxLayout& layout, unsigned extendedStyle);
    win::HWND CreateResButton(win::HWND dialog, int id, int captionId, int left, int top, bool isDefault,
                              unsigned extendedStyle);
    win::HWND CreateButton(win::HWND dialog, int id, const std::string& caption, int left, int top, bool isDefault,
                           unsigned extendedStyle);
    void CreateDetails(win::HWND dialog, _MsgBoxLayout& layout);
    Rect FitDialog(win::HWND dialog, int contentWidth, int contentHeight, bool centre);
    void StretchEdits(win::HWND dialog);
    void SetEditWidth(win::HWND dialog, int id, int dialogWidth);
    void CentreButtons(win::HWND dialog, _MsgBoxLayout& layout);
    void SetDialogHeight(win::HWND dialog, int height, bool centre);
    int SystemMetric(int index) const;

    // Window geometry and styles.
    Rect GetWindowBox(win::HWND window, win::HWND parent) const;
    // Both corners of a screen rectangle in the parent's client coordinates.
    void ScreenToClientBox(win::HWND parent, win::POINT& topLeft, win::POINT& bottomRight) const;
    void PlaceControl(win::HWND dialog, const Rect& rect, int id) const;
    bool HasItem(win::HWND dialog, int id) const;
    // The control's height; its width goes to width when that is not null.
    int GetItemSize(win::HWND dialog, int id, int* width) const;
    // The control keeps its client-coordinate left, top and width.
    void SetItemHeight(win::HWND dialog, int id, int height) const;
    bool HasStyle(win::HWND window, unsigned mask, bool any) const;
    bool HasExStyle(win::HWND window, unsigned mask, bool any) const;
    void SetStyle(win::HWND window, unsigned mask, bool on, bool apply) const;
    void SetExStyle(win::HWND window, unsigned mask, bool on, bool apply) const;
    uint32_t StyleWord(win::HWND window, int index) const;
    void WriteStyleWord(win::HWND window, int index, unsigned mask, bool on) const;

    win::HMODULE module = nullptr;
    uint32_t flags = 0;
    _TextInfo message;
    _TextInfo details;
    std::string caption;
    _MsgBoxMetrics metrics;
    _MsgBoxLayout layout;
    std::vector<DisabledWindow> disabled;
    _MsgBoxExt* extension = nullptr;
    std::vector<int32_t> buttonIds;
    std::map<int, win::HBRUSH> brushes;  // owned
    std::set<win::HFONT> fonts;          // owned
};

// Shows a box built for this one call and answers its result.
int ShowMsgBox(win::HWND owner, const std::string& caption, const _TextInfo& message, const _TextInfo& details,
               unsigned flags, _MsgBoxExt* extension);
// The same with texts in the dialog's font and colours and no extension; a
// null text counts as empty.
int ShowMsgBox(win::HWND owner, const char* caption, const char* message, const char* details, unsigned flags);

}  // namespace lurutils
