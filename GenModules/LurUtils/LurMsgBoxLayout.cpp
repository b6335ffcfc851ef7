// The message box's geometry: text measurement, fonts, the places of the
// icon, the texts, the button row and the details, and the dialog's size.
#include <algorithm>
#include <cstring>
#include <vector>

#include "LastError.h"
#include "LurMsgBox.h"
#include "LurStrings.h"

namespace lurutils {

using namespace win;

namespace {

constexpr int kPointsPerInch = 72;
constexpr uint32_t kIconMask = 0xF0;

// The standard icon the flags select; 0 for none (also for 0x50 to 0xF0).
int IconIdOf(uint32_t flags) {
    switch (flags & kIconMask) {
        case MB_ICONHAND: return IDI_HAND;
        case MB_ICONQUESTION: return IDI_QUESTION;
        case MB_ICONEXCLAMATION: return IDI_EXCLAMATION;
        case MB_ICONASTERISK: return IDI_ASTERISK;
    }
    return 0;
}

}  // namespace

void LurMsgBox::GetDesktopMetrics() {
    const HWND desktop = GetWindowSystem().GetDesktopWindow();
    if (desktop == nullptr) ReportApiFailure();
    const Rect box = GetWindowBox(desktop, nullptr);
    metrics.desktopWidth = box.width;
    metrics.desktopHeight = box.height;
    metrics.maxWidth = (2 * metrics.desktopWidth) / 3;
    metrics.maxHeight = (2 * metrics.desktopHeight) / 3;
}

int LurMsgBox::SystemMetric(int index) const {
    const int value = GetWindowSystem().GetSystemMetrics(index);
    if (value == 0) ReportApiFailure();
    return value;
}

LurMsgBox::Size LurMsgBox::MeasureText(win::HWND control, const std::string& text, int maxWidth, int flags) const {
    WindowSystem& ws = GetWindowSystem();
    const HFONT font = HandleFromNumber<HFONT>(static_cast<uintptr_t>(ws.SendMessage(control, WM_GETFONT, 0, 0)));
    if (font == nullptr) ReportApiFailure();
    const HDC dc = ws.GetDC(control);
    if (dc == nullptr) {
        // Without a device context every measurement would fail: the text counts as empty.
        ReportApiFailure();
        return Size{};
    }
    const int oldMapMode = ws.SetMapMode(dc, MM_TEXT);
    if (oldMapMode == 0) ReportApiFailure();
    const HFONT oldFont = ws.SelectObject(dc, font);
    if (oldFont == nullptr) ReportApiFailure();

    std::vector<std::string> lines;
    if (!text.empty()) SplitString(text, lines, std::string("\r\n"), false, 0);

    Size size;
    for (std::string& line : lines) {
        if ((flags & FONT_BOLD) != 0)
            line += ' ';
        else if (line.empty())
            line = " ";
        while (!line.empty()) {
            const int length = static_cast<int>(line.size());
            int fit = 0;
            SIZE fitExtent;
            if (!ws.GetTextExtentExPoint(dc, line.c_str(), length, maxWidth, &fit, fitExtent)) ReportApiFailure();
            SIZE extent;
            if (!ws.GetTextExtentPoint32(dc, line.c_str(), length, extent)) ReportApiFailure();
            if (size.width < extent.cx && size.width < maxWidth) size.width = std::min(extent.cx, maxWidth);
            size.height += extent.cy;
            // At least one character per piece, so that a line too narrow for
            // even one character still comes to an end.
            line.erase(0, static_cast<size_t>(std::clamp(fit, 1, length)));
        }
    }

    if (ws.SelectObject(dc, oldFont) == nullptr) ReportApiFailure();
    if (ws.SetMapMode(dc, oldMapMode) == 0) ReportApiFailure();
    if (ws.ReleaseDC(control, dc) == 0) ReportApiFailure();

    if ((flags & FONT_ITALIC) != 0) size.width = static_cast<int32_t>(size.width * 1.2);
    return size;
}

LurMsgBox::Size LurMsgBox::MeasureWindowText(win::HWND control, int maxWidth, int flags) const {
    return MeasureText(control, GetWindowString(control), maxWidth, flags);
}

std::string LurMsgBox::GetWindowString(win::HWND window) const {
    WindowSystem& ws = GetWindowSystem();
    const int length = ws.GetWindowTextLength(window);
    if (length == 0) ReportApiFailure();
    if (length <= 0) return "";
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    const int copied = ws.GetWindowText(window, buffer.data(), length + 1);
    if (copied == 0) ReportApiFailure();
    return std::string(buffer.data(), static_cast<size_t>(std::clamp(copied, 0, length)));
}

win::HFONT LurMsgBox::DialogFont(win::HWND dialog) const {
    const HFONT font =
        HandleFromNumber<HFONT>(static_cast<uintptr_t>(GetWindowSystem().SendMessage(dialog, WM_GETFONT, 0, 0)));
    if (font == nullptr) ReportApiFailure();
    return font;
}

win::HFONT LurMsgBox::CreateFont(win::HWND dialog, const _FontInf& font) {
    WindowSystem& ws = GetWindowSystem();
    const HDC dc = ws.GetDC(dialog);
    if (dc == nullptr) ReportApiFailure();
    LOGFONT base;
    if (!ws.GetObject(DialogFont(dialog), base)) ReportApiFailure();

    LOGFONT made;
    made.height = font.size != 0 ? -MulDiv(font.size, ws.GetDeviceCaps(dc, LOGPIXELSY), kPointsPerInch) : base.height;
    if ((font.style & FONT_DIALOG_STYLE) != 0) {
        made.weight = base.weight;
        made.italic = base.italic;
        made.underline = base.underline;
        made.strikeOut = base.strikeOut;
    } else {
        made.weight = (font.style & FONT_BOLD) != 0 ? 700 : 400;
        made.italic = (font.style & FONT_ITALIC) != 0 ? 1 : 0;
        made.underline = (font.style & FONT_UNDERLINE) != 0 ? 1 : 0;
        made.strikeOut = (font.style & FONT_STRIKEOUT) != 0 ? 1 : 0;
    }
    made.charSet = font.charset == 255 ? base.charSet : font.charset;
    const std::string face = font.face.empty() ? std::string(base.faceName) : font.face;
    std::strncpy(made.faceName, face.c_str(), LF_FACESIZE - 1);

    const HFONT created = ws.CreateFontIndirect(made);
    if (created == nullptr) ReportApiFailure();
    if (dc != nullptr && ws.ReleaseDC(dialog, dc) == 0) ReportApiFailure();
    if (created != nullptr) fonts.insert(created);
    return created;
}

LurMsgBox::Rect LurMsgBox::CreateEdit(win::HWND dialog, int id, int left, int top, _TextInfo text, const Size& maximum,
                                      unsigned extraStyle, unsigned extendedStyle) {
    WindowSystem& ws = GetWindowSystem();
    const uint32_t style = WS_CHILD | WS_VISIBLE | ES_READONLY | ES_MULTILINE | extraStyle;
    const HWND edit =
        ws.CreateWindowEx(extendedStyle, "EDIT", text.text.c_str(), style, left, top, 10, 10, dialog, id, module);
    if (edit == nullptr) ReportApiFailure();
    const HFONT font = text.font.IsDialogFont() ? DialogFont(dialog) : CreateFont(dialog, text.font);
    ws.SendMessage(edit, WM_SETFONT, HandleNumber(font), FALSE);

    Size size = MeasureWindowText(edit, maximum.width, text.font.style);
    if ((extendedStyle & WS_EX_CLIENTEDGE) != 0) {
        size.height += 6 * SystemMetric(SM_CXEDGE);
        size.width += 6 * SystemMetric(SM_CYEDGE);
    }
    if ((extraStyle & WS_BORDER) != 0) {
        size.height += 6 * SystemMetric(SM_CXBORDER);
        size.width += 6 * SystemMetric(SM_CYBORDER);
    } else {
        size.width += 6;
    }
    if (size.height > maximum.height) {
        size.width = std::min(size.width + SystemMetric(SM_CXHSCROLL), maximum.width);
        SetStyle(edit, WS_VSCROLL, true, true);
        size.height = maximum.height;
    }
    return Rect{left, top, size.width, size.height};
}

LurMsgBox::Rect LurMsgBox::CreateIcon(win::HWND dialog, int id, int left, int top, int iconId,
                                      win::HMODULE iconModule) {
    WindowSystem& ws = GetWindowSystem();
    const HWND control = ws.CreateWindowEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_ICON, left, top, 10,
                                           10, dialog, id, module);
    if (control == nullptr) ReportApiFailure();
    const HICON icon = ws.LoadIcon(iconModule, iconId);
    if (icon == nullptr) ReportApiFailure();
    ws.SendMessage(control, STM_SETICON, HandleNumber(icon), 0);
    return GetWindowBox(control, dialog);
}

void LurMsgBox::CreateMessageArea(win::HWND dialog, _MsgBoxLayout& layout) {
    Size maximum{metrics.maxWidth, metrics.maxHeight};
    int left = layout.nextLeft;
    int shift = 0;
    Rect icon;
    if (const int iconId = IconIdOf(flags); iconId != 0) {
        icon = CreateIcon(dialog, kIconId, left, layout.contentHeight, iconId, nullptr);
        shift = icon.width + 16;
    }
    maximum.width -= shift;
    left += shift;

    unsigned extraStyle = 0;
    if ((flags & MB_RIGHT) != 0)
        extraStyle = ES_RIGHT;
    else if ((flags & MSGBOX_CENTER_TEXT) != 0)
        extraStyle = ES_CENTER;
    const unsigned extendedStyle = (flags & MB_RTLREADING) != 0 ? unsigned{WS_EX_RTLREADING} : 0u;
    Rect text = CreateEdit(dialog, kMessageId, left, layout.contentHeight, message, maximum, extraStyle, extendedStyle);
    if (icon.height > text.height) {
        text.top = icon.top + (icon.height - text.height) / 2;
        layout.contentHeight += icon.height + metrics.gapY;
    } else {
        layout.contentHeight += text.height + metrics.gapY;
    }
    PlaceControl(dialog, text, kMessageId);
    layout.contentWidth = shift + text.width;
    CreateButtons(dialog, layout, extendedStyle);
}

void LurMsgBox::CreateDetails(win::HWND dialog, _MsgBoxLayout& layout) {
    const Rect text = CreateEdit(dialog, kDetailsId, layout.nextLeft, layout.contentHeight, details,
                                 Size{metrics.maxWidth, metrics.maxHeight}, 0, WS_EX_CLIENTEDGE);
    layout.contentHeight += text.height + metrics.gapY;
    PlaceControl(dialog, text, kDetailsId);
    layout.contentWidth = std::max(layout.contentWidth, text.width);
}

LurMsgBox::Rect LurMsgBox::FitDialog(win::HWND dialog, int contentWidth, int contentHeight, bool centre) {
    Rect box = GetWindowBox(dialog, nullptr);
    RECT client;
    if (!GetWindowSystem().GetClientRect(dialog, client)) ReportApiFailure();
    const int widthChange = contentWidth + layout.marginLeft + layout.marginRight - (client.right - client.left);
    const int heightChange = contentHeight + layout.marginTop + layout.marginBottom - (client.bottom - client.top);
    box.width += widthChange;
    box.height += heightChange;
    if (centre) {
        box.left = (metrics.desktopWidth - box.width) / 2;
        box.top = (metrics.desktopHeight - box.height) / 2;
    } else {
        // Grows about its horizontal centre; the top edge stays.
        box.left -= widthChange / 2;
    }
    PlaceControl(dialog, box, -1);
    return box;
}

void LurMsgBox::StretchEdits(win::HWND dialog) {
    const int dialogWidth = GetWindowBox(dialog, nullptr).width;
    SetEditWidth(dialog, kMessageId, dialogWidth);
    if (HasItem(dialog, kDetailsId)) SetEditWidth(dialog, kDetailsId, dialogWidth);
}

void LurMsgBox::SetEditWidth(win::HWND dialog, int id, int dialogWidth) {
    const HWND control = GetWindowSystem().GetDlgItem(dialog, id);
    if (control == nullptr) ReportApiFailure();
    Rect box = GetWindowBox(control, dialog);
    // 6 stands for the dialog's frame.
    box.width = dialogWidth - (box.left + layout.marginRight + 6);
    PlaceControl(dialog, box, id);
}

void LurMsgBox::CentreButtons(win::HWND dialog, _MsgBoxLayout& layout) {
    const int count = static_cast<int>(buttonIds.size());
    const int rowWidth = count * metrics.buttonWidth + (count - 1) * metrics.gapX;
    layout.contentWidth = std::max(layout.contentWidth, rowWidth);
    int left = (layout.contentWidth - rowWidth) / 2 + layout.marginLeft;
    for (const int id : buttonIds) {
        // A row place without a button has nothing to move.
        if (HasItem(dialog, id)) {
            Rect box = GetWindowBox(GetWindowSystem().GetDlgItem(dialog, id), dialog);
            box.left = left;
            PlaceControl(dialog, box, id);
        }
        left += metrics.buttonWidth + metrics.gapX;
    }
}

void LurMsgBox::SetDialogHeight(win::HWND dialog, int height, bool centre) {
    Rect box = GetWindowBox(dialog, nullptr);
    box.height = height;
    if (centre) box.top = (metrics.desktopHeight - height) / 2;
    if (!GetWindowSystem().MoveWindow(dialog, box.left, box.top, box.width, box.height, true)) ReportApiFailure();
}

LurMsgBox::Rect LurMsgBox::GetWindowBox(win::HWND window, win::HWND parent) const {
    WindowSystem& ws = GetWindowSystem();
    RECT rect;
    if (!ws.GetWindowRect(window, rect)) ReportApiFailure();
    POINT topLeft{rect.left, rect.top};
    POINT bottomRight{rect.right, rect.bottom};
    if (parent != nullptr) ScreenToClientBox(parent, topLeft, bottomRight);
    return Rect{topLeft.x, topLeft.y, bottomRight.x - topLeft.x, bottomRight.y - topLeft.y};
}

void LurMsgBox::ScreenToClientBox(win::HWND parent, win::POINT& topLeft, win::POINT& bottomRight) const {
    WindowSystem& ws = GetWindowSystem();
    if (!ws.ScreenToClient(parent, topLeft)) ReportApiFailure();
    if (!ws.ScreenToClient(parent, bottomRight)) ReportApiFailure();
}

int LurMsgBox::GetItemSize(win::HWND dialog, int id, int* width) const {
    const HWND control = GetWindowSystem().GetDlgItem(dialog, id);
    if (control == nullptr) ReportApiFailure();
    const Rect box = GetWindowBox(control, nullptr);
    if (width != nullptr) *width = box.width;
    return box.height;
}

void LurMsgBox::SetItemHeight(win::HWND dialog, int id, int height) const {
    const HWND control = GetWindowSystem().GetDlgItem(dialog, id);
    if (control == nullptr) ReportApiFailure();
    Rect box = GetWindowBox(control, dialog);
    box.height = height;
    PlaceControl(dialog, box, id);
}

void LurMsgBox::PlaceControl(win::HWND dialog, const Rect& rect, int id) const {
    WindowSystem& ws = GetWindowSystem();
    HWND window = dialog;
    if (id != -1) {
        window = ws.GetDlgItem(dialog, id);
        if (window == nullptr) ReportApiFailure();
    }
    if (!ws.MoveWindow(window, rect.left, rect.top, rect.width, rect.height, false)) ReportApiFailure();
}

bool LurMsgBox::HasItem(win::HWND dialog, int id) const {
    // A missing control is an answer here, not a failure.
    return GetWindowSystem().GetDlgItem(dialog, id) != nullptr;
}

uint32_t LurMsgBox::StyleWord(win::HWND window, int index) const {
    const intptr_t value = GetWindowSystem().GetWindowLongPtr(window, index);
    if (value == 0) ReportApiFailure();
    return static_cast<uint32_t>(value);
}

bool LurMsgBox::HasStyle(win::HWND window, unsigned mask, bool any) const {
    const uint32_t style = StyleWord(window, GWL_STYLE);
    return any ? (style & mask) != 0 : (style & mask) == mask;
}

bool LurMsgBox::HasExStyle(win::HWND window, unsigned mask, bool any) const {
    const uint32_t style = StyleWord(window, GWL_EXSTYLE);
    return any ? (style & mask) != 0 : (style & mask) == mask;
}

void LurMsgBox::WriteStyleWord(win::HWND window, int index, unsigned mask, bool on) const {
    WindowSystem& ws = GetWindowSystem();
    const uint32_t style = StyleWord(window, index);
    const uint32_t changed = on ? (style | mask) : (style & ~mask);
    if (ws.SetWindowLongPtr(window, index, static_cast<int32_t>(changed)) == 0 && win::GetLastError() != 0)
        ReportApiFailure();
}

void LurMsgBox::SetStyle(win::HWND window, unsigned mask, bool on, bool apply) const {
    WriteStyleWord(window, GWL_STYLE, mask, on);
    if (apply && !GetWindowSystem().SetWindowPos(window, nullptr, 0, 0, 0, 0,
                                                 SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE))
        ReportApiFailure();
}

void LurMsgBox::SetExStyle(win::HWND window, unsigned mask, bool on, bool apply) const {
    WriteStyleWord(window, GWL_EXSTYLE, mask, on);
    if (apply &&
        !GetWindowSystem().SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE))
        ReportApiFailure();
}

}  // namespace lurutils
