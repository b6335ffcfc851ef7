#include "LurMsgBox.h"

#include <algorithm>
#include <iterator>

#include "LastError.h"
#include "LurResources.h"
#include "LurStrings.h"
#include "LurWinUtils.h"
#include "StringResources.h"

namespace lurutils {
namespace {

using namespace win;

// The box's texts: button captions (access keys after "&") and the details
// button's caption.
constexpr StringResource kMsgBoxTexts[] = {
    {24026, LANG_ENGLISH, "Cancel"},     {24026, LANG_HUNGARIAN, "Mégse"},
    {24027, LANG_ENGLISH, "&Ignore"},    {24027, LANG_HUNGARIAN, "&Kihagyás"},
    {24028, LANG_ENGLISH, "&No"},        {24028, LANG_HUNGARIAN, "&Nem"},
    {24029, LANG_ENGLISH, "OK"},         {24029, LANG_HUNGARIAN, "OK"},
    {24031, LANG_ENGLISH, "&Retry"},     {24031, LANG_HUNGARIAN, "Ú&jra"},
    {24033, LANG_ENGLISH, "&Yes"},       {24033, LANG_HUNGARIAN, "&Igen"},
    {24043, LANG_ENGLISH, "&Try Again"}, {24043, LANG_HUNGARIAN, "Újra&próbálás"},
    {24044, LANG_ENGLISH, "&Abort"},     {24044, LANG_HUNGARIAN, "Meg&szakítás"},
    {24045, LANG_ENGLISH, "&Continue"},  {24045, LANG_HUNGARIAN, "&Folytatás"},
    {24046, LANG_ENGLISH, "Help"},       {24046, LANG_HUNGARIAN, "Súgó"},
    {24110, LANG_ENGLISH, "&Details"},   {24110, LANG_HUNGARIAN, "&Részletek"},
};

void RegisterMsgBoxTexts() {
    static const bool registered = RegisterStringTable(nullptr, kMsgBoxTexts, std::size(kMsgBoxTexts));
    (void)registered;
}

// The dialog: a caption bar and a font of its own, no controls; the box
// sizes and places it.
constexpr DialogTemplate kDialogTemplate{LurMsgBox::kTemplateId,
                                         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                                         0,
                                         "",
                                         12,
                                         "Sans",
                                         0,
                                         0,
                                         200,
                                         100};

constexpr int kHelpCaptionId = 24046;
constexpr uint32_t kButtonSetMask = 0xF;
constexpr uint32_t kDefaultButtonMask = 0xF00;
constexpr uint32_t kModalMask = 0x3000;
constexpr size_t kReportLimit = 259;  // the report held 260 characters with its terminating zero

// The code the latest failure check read; the short reports show it.
int32_t g_lastCheckedError = 0;

struct StandardButton {
    int id;
    int captionId;
};

struct ButtonSet {
    std::vector<StandardButton> buttons;
    int closeId;
};

ButtonSet StandardButtons(uint32_t flags) {
    const StandardButton ok{IDOK, 24029}, cancel{IDCANCEL, 24026}, abort{IDABORT, 24044}, retry{IDRETRY, 24031},
        ignore{IDIGNORE, 24027}, yes{IDYES, 24033}, no{IDNO, 24028}, tryAgain{IDTRYAGAIN, 24043},
        continueButton{IDCONTINUE, 24045};
    switch (flags & kButtonSetMask) {
        case MB_OKCANCEL: return {{ok, cancel}, IDCANCEL};
        case MB_ABORTRETRYIGNORE: return {{abort, retry, ignore}, 0};
        case MB_YESNOCANCEL: return {{yes, no, cancel}, IDCANCEL};
        case MB_YESNO: return {{yes, no}, 0};
        case MB_RETRYCANCEL: return {{retry, cancel}, IDCANCEL};
        case MB_CANCELTRYCONTINUE: return {{cancel, tryAgain, continueButton}, IDCANCEL};
    }
    return {{ok}, 0};
}

// The file a report names, in the library's own path form.
std::string SourceName(const char* file) {
    std::string name = file;
    name = name.substr(name.find_last_of("/\\") + 1);
    return "GenModules\\LurUtils\\" + name.substr(0, name.find('.'));
}

void ShowReport(std::string report) {
    if (report.size() > kReportLimit) report.resize(kReportLimit);
    GetWindowSystem().MessageBox(nullptr, report.c_str(), "ASSERT ERROR", MB_ICONERROR);
}

// The short report, for failures outside a box's own calls.
void ReportShort(int32_t code, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    ShowReport(GetSystemErrorText(code, "") + " (" + std::to_string(code) + ")\r\n File:" + SourceName(file) +
               "\r\n Line:" + std::to_string(line));
}

}  // namespace

_FontInf::_FontInf() : face(), size(0), style(FONT_DIALOG_STYLE), charset(255), colour(kSystemColour) {}

_FontInf::_FontInf(const std::string& face, int32_t size)
    : face(face), size(size), style(FONT_DIALOG_STYLE), charset(255), colour(kSystemColour) {}

_FontInf::_FontInf(const std::string& face, int32_t size, int32_t style, win::COLORREF colour, uint8_t charset)
    : face(face), size(size), style(style), charset(charset), colour(colour) {}

_FontInf& _FontInf::operator=(const _FontInf& other) {
    if (this != &other) {
        face = other.face;
        size = other.size;
        style = other.style;
        charset = other.charset;
        colour = other.colour;
    }
    return *this;
}

bool _FontInf::IsDialogFont() const {
    return face.empty() && size == 0 && style == FONT_DIALOG_STYLE && charset == 255 && colour == kSystemColour;
}

bool operator==(const _FontInf& a, const _FontInf& b) { return &a == &b || (a.face == b.face && a.size == b.size); }

bool operator!=(const _FontInf& a, const _FontInf& b) { return !(a == b); }

_TextInfo::_TextInfo(const std::string& text, const _FontInf& font, win::COLORREF background)
    : text(text), font(font), background(background) {}

_TextInfo& _TextInfo::operator=(const _TextInfo& other) {
    if (this != &other) {
        font = other.font;
        text = other.text;
        background = other.background;
    }
    return *this;
}

std::pair<int32_t, _ButtonInf> MakeButtonEntry(int32_t id, int32_t captionId, int32_t value) {
    return {id, _ButtonInf(captionId, value)};
}

std::pair<int32_t, _ButtonInf> MakeButtonEntry(int32_t id, const std::string& caption, int32_t value) {
    return {id, _ButtonInf(caption, value)};
}

LurMsgBox::LurMsgBox() = default;

LurMsgBox::~LurMsgBox() {
    WindowSystem& ws = GetWindowSystem();
    for (const auto& [id, brush] : brushes) ws.DeleteObject(brush);
    for (const HFONT font : fonts) ws.DeleteObject(font);
}

void LurMsgBox::ReportApiFailure(const char* file, int line) const {
    g_lastCheckedError = static_cast<int32_t>(win::GetLastError());
    if (g_lastCheckedError == 0) return;
    ShowReport(GetSystemErrorText(g_lastCheckedError, "") + " (" + std::to_string(g_lastCheckedError) +
               ")\r\n Original error: " + message.text + "\r\n File:" + SourceName(file) +
               "\r\n Line:" + std::to_string(line));
}

std::string LurMsgBox::NormaliseLineEnds(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            result += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (text[i] == '\n') {
            result += "\r\n";
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string LurMsgBox::PrepareText(const std::string& text) { return ExpandTabs(NormaliseLineEnds(text), 8, "\r\n"); }

int LurMsgBox::Show(win::HWND owner, const std::string& caption, const _TextInfo& message, const _TextInfo& details,
                    unsigned flags, _MsgBoxExt* extension) {
    RegisterMsgBoxTexts();
    WindowSystem& ws = GetWindowSystem();

    this->caption = caption;
    this->message = message;
    this->details = details;
    this->message.text = PrepareText(message.text);
    this->details.text = PrepareText(details.text);
    this->flags = flags;
    this->extension = extension;

    layout.marginLeft = 10;
    layout.marginTop = 5;
    layout.marginRight = 10;
    layout.marginBottom = 5;
    metrics.gapX = 8;
    metrics.gapY = 8;
    metrics.buttonWidth = 75;
    metrics.buttonHeight = 25;
    layout.contentWidth = 0;
    layout.contentHeight = 0;
    GetDesktopMetrics();
    layout.nextLeft = layout.marginLeft;
    layout.closeId = 0;

    if (owner == nullptr && (flags & kModalMask) == MB_TASKMODAL) {
        if (!ws.EnumThreadWindows(ws.GetCurrentThreadId(), CollectThreadWindow, reinterpret_cast<LPARAM>(this)))
            ReportApiFailure();
        DisableThreadWindows();
    }

    module = win::GetModuleHandle(nullptr);
    if (module == nullptr) ReportApiFailure();

    const INT_PTR result =
        ws.DialogBoxIndirectParam(module, kDialogTemplate, owner, DialogProc, reinterpret_cast<LPARAM>(this));
    if (result == -1) ReportApiFailure();

    RestoreThreadWindows();
    return static_cast<int>(result);
}

bool LurMsgBox::CollectThreadWindow(win::HWND window, win::LPARAM box) {
    LurMsgBox* self = reinterpret_cast<LurMsgBox*>(box);
    if (self == nullptr) {
        ReportShort(g_lastCheckedError);
        return true;
    }
    if (self->IsPopupOrTopmost(window)) self->disabled.push_back(DisabledWindow{window, false});
    return true;
}

bool LurMsgBox::IsPopupOrTopmost(win::HWND window) const {
    return HasStyle(window, WS_POPUP, true) || HasExStyle(window, WS_EX_TOPMOST, true);
}

void LurMsgBox::DisableThreadWindows() {
    WindowSystem& ws = GetWindowSystem();
    for (DisabledWindow& entry : disabled) {
        entry.wasEnabled = ws.IsWindowEnabled(entry.window);
        SetEnabled(entry.window, false);
    }
}

void LurMsgBox::RestoreThreadWindows() {
    for (const DisabledWindow& entry : disabled) SetEnabled(entry.window, entry.wasEnabled);
    disabled.clear();
}

bool LurMsgBox::SetEnabled(win::HWND window, bool enable) const {
    win::SetLastError(0);
    const bool wasDisabled = GetWindowSystem().EnableWindow(window, enable);
    if (!wasDisabled) {
        // A zero answer also means "was enabled"; only a real error is reported.
        const uint32_t code = win::GetLastError();
        if (code != 0 && code != ERROR_INVALID_WINDOW_HANDLE) {
            g_lastCheckedError = static_cast<int32_t>(code);
            ReportShort(g_lastCheckedError);
        }
    }
    return !wasDisabled;
}

win::INT_PTR LurMsgBox::DialogProc(win::HWND dialog, uint32_t message, win::WPARAM wParam, win::LPARAM lParam) {
    // The box travels with its dialog: handed over at WM_INITDIALOG and kept
    // in the dialog's own data, so no message can reach another box.
    WindowSystem& ws = GetWindowSystem();
    LurMsgBox* box = nullptr;
    if (message == WM_INITDIALOG) {
        box = reinterpret_cast<LurMsgBox*>(lParam);
        if (box != nullptr && ws.SetWindowLongPtr(dialog, DWLP_USER, lParam) == 0 && win::GetLastError() != 0)
            box->ReportApiFailure();
    } else {
        box = reinterpret_cast<LurMsgBox*>(ws.GetWindowLongPtr(dialog, DWLP_USER));
    }
    if (box != nullptr) return box->OnMessage(dialog, message, wParam, lParam);

    switch (message) {
        case WM_INITDIALOG:
        case WM_COMMAND:
        case WM_HELP:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: ReportShort(g_lastCheckedError); break;
    }
    return FALSE;
}

win::INT_PTR LurMsgBox::OnMessage(win::HWND dialog, uint32_t message, win::WPARAM wParam, win::LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: OnInitDialog(dialog); return FALSE;
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            switch (id) {
                case IDCANCEL:
                    if (!HasCancelButton()) return FALSE;
                    [[fallthrough]];
                case IDOK:
                case IDABORT:
                case IDRETRY:
                case IDIGNORE:
                case IDYES:
                case IDNO:
                case IDTRYAGAIN:
                case IDCONTINUE:
                    InvokeCallback(dialog, id);
                    GetWindowSystem().EndDialog(dialog, id);
                    return FALSE;
                case kDetailsButtonId: ToggleDetails(dialog); return FALSE;
            }
            return InvokeCallback(dialog, id) ? FALSE : TRUE;
        }
        case WM_HELP: return InvokeCallback(dialog, IDHELP) ? FALSE : TRUE;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            return static_cast<INT_PTR>(HandleNumber(OnCtlColor(
                dialog, HandleFromNumber<HWND>(lParam), HandleFromNumber<HDC>(wParam), message == WM_CTLCOLOREDIT)));
    }
    return FALSE;
}

void LurMsgBox::OnInitDialog(win::HWND dialog) {
    layout.contentHeight = layout.marginTop;
    ApplyTopmost(dialog);
    CreateMessageArea(dialog, layout);
    SetCaption(dialog);
    layout.collapsedHeight = FitDialog(dialog, layout.contentWidth, layout.contentHeight, true).height;
    StretchEdits(dialog);
    if ((flags & MSGBOX_DETAILS_OPEN) != 0) ToggleDetails(dialog);
}

void LurMsgBox::ApplyTopmost(win::HWND dialog) {
    if ((flags & kModalMask) == MB_SYSTEMMODAL || (flags & MB_TOPMOST) != 0)
        SetExStyle(dialog, WS_EX_TOPMOST, true, true);
    if ((flags & MB_SETFOREGROUND) != 0 && !GetWindowSystem().SetForegroundWindow(dialog)) ReportApiFailure();
}

void LurMsgBox::SetCaption(win::HWND dialog) {
    if (!GetWindowSystem().SetWindowText(dialog, caption.c_str())) ReportApiFailure();
}

bool LurMsgBox::HasCancelButton() const {
    return std::find(buttonIds.begin(), buttonIds.end(), IDCANCEL) != buttonIds.end();
}

bool LurMsgBox::InvokeCallback(win::HWND dialog, int id) {
    if (extension == nullptr || extension->callback == nullptr) return false;
    WindowSystem& ws = GetWindowSystem();
    const HWND focus = ws.GetFocus();
    bool handled = false;
    if (id == IDHELP) {
        handled = extension->callback(dialog, IDHELP, extension->userData, extension->helpValue);
    } else if (const auto button = extension->buttons.find(id); button != extension->buttons.end()) {
        handled = extension->callback(dialog, id, extension->userData, static_cast<uint32_t>(button->second.value));
    }
    if (focus != nullptr) ws.SetFocus(focus);
    return handled;
}

void LurMsgBox::CreateButtons(win::HWND dialog, _MsgBoxLayout& layout, unsigned extendedStyle) {
    ButtonSet set = StandardButtons(flags);
    layout.closeId = set.closeId;
    if (!details.text.empty()) set.buttons.push_back({kDetailsButtonId, kDetailsButtonId});
    if ((flags & MB_HELP) != 0) set.buttons.push_back({IDHELP, kHelpCaptionId});

    const size_t count = set.buttons.size() + (extension != nullptr ? extension->buttons.size() : 0);
    size_t defaultIndex = (flags & kDefaultButtonMask) >> 8;
    if (defaultIndex > 3 || defaultIndex >= count) defaultIndex = 0;

    const int rowWidth = static_cast<int>(count) * metrics.buttonWidth + (static_cast<int>(count) - 1) * metrics.gapX;
    layout.contentWidth = std::max(layout.contentWidth, rowWidth);
    int left = (layout.contentWidth - rowWidth) / 2 + layout.marginLeft;
    const int top = layout.contentHeight;

    for (const StandardButton& button : set.buttons) {
        CreateResButton(dialog, button.id, button.captionId, left, top, buttonIds.size() == defaultIndex,
                        extendedStyle);
        left += metrics.buttonWidth + metrics.gapX;
        buttonIds.push_back(button.id);
    }
    if (extension != nullptr) {
        for (const auto& [id, button] : extension->buttons) {
            if (std::find(buttonIds.begin(), buttonIds.end(), id) != buttonIds.end()) continue;
            const bool isDefault = buttonIds.size() == defaultIndex;
            if (button.captionId != -1)
                CreateResButton(dialog, id, button.captionId, left, top, isDefault, extendedStyle);
            else if (!button.caption.empty())
                CreateButton(dialog, id, button.caption, left, top, isDefault, extendedStyle);
            else if (id != -1)
                CreateResButton(dialog, id, id, left, top, isDefault, extendedStyle);
            // A button with neither caption nor id is left out but keeps its place in the row.
            left += metrics.buttonWidth + metrics.gapX;
            buttonIds.push_back(id);
        }
    }
    layout.contentHeight += metrics.buttonHeight + metrics.gapY;

    // Only a box with a Cancel button has a close box.
    SetStyle(dialog, WS_SYSMENU, layout.closeId != 0, true);
}

win::HWND LurMsgBox::CreateResButton(win::HWND dialog, int id, int captionId, int left, int top, bool isDefault,
                                     unsigned extendedStyle) {
    if (captionId == -1) captionId = id;
    std::string text = GetResString(captionId, module, false, false, GetCurrentLanguage());
    if (text.empty()) text = GetResString(captionId, nullptr, false, false, GetCurrentLanguage());
    return CreateButton(dialog, id, text, left, top, isDefault, extendedStyle);
}

win::HWND LurMsgBox::CreateButton(win::HWND dialog, int id, const std::string& caption, int left, int top,
                                  bool isDefault, unsigned extendedStyle) {
    WindowSystem& ws = GetWindowSystem();
    const uint32_t style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    const HWND button = ws.CreateWindowEx(extendedStyle, "BUTTON", caption.c_str(), style, left, top,
                                          metrics.buttonWidth, metrics.buttonHeight, dialog, id, module);
    if (button == nullptr) ReportApiFailure();
    ws.SendMessage(button, WM_SETFONT, HandleNumber(DialogFont(dialog)), TRUE);
    if (isDefault) ws.SetFocus(button);
    return button;
}

void LurMsgBox::ToggleDetails(win::HWND dialog) {
    WindowSystem& ws = GetWindowSystem();
    if (!HasItem(dialog, kDetailsId)) {
        layout.nextLeft = layout.marginLeft;
        CreateDetails(dialog, layout);
        layout.expandedHeight = FitDialog(dialog, layout.contentWidth, layout.contentHeight, false).height;
        CentreButtons(dialog, layout);
        StretchEdits(dialog);
    } else {
        const HWND detailsControl = ws.GetDlgItem(dialog, kDetailsId);
        if (detailsControl == nullptr) ReportApiFailure();
        const bool shown = ws.IsWindowVisible(detailsControl);
        ws.ShowWindow(detailsControl, shown ? SW_HIDE : SW_SHOW);
        SetDialogHeight(dialog, shown ? layout.collapsedHeight : layout.expandedHeight, false);
    }
    constexpr uint32_t kRedraw = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME;
    if (!ws.RedrawWindow(dialog, kRedraw)) ReportApiFailure();
    const HWND desktop = ws.GetDesktopWindow();
    if (desktop == nullptr) ReportApiFailure();
    if (!ws.RedrawWindow(desktop, kRedraw)) ReportApiFailure();
}

win::HBRUSH LurMsgBox::OnCtlColor(win::HWND, win::HWND control, win::HDC dc, bool edit) {
    WindowSystem& ws = GetWindowSystem();
    const int id = ws.GetDlgCtrlID(control);
    if (id == 0) ReportApiFailure();
    _TextInfo* text = id == kMessageId ? &message : id == kDetailsId ? &details : nullptr;
    if (text == nullptr) return nullptr;

    // Once resolved, the system colours stay for the life of the box.
    if (text->font.colour == kSystemColour) text->font.colour = ws.GetSysColor(COLOR_WINDOWTEXT);
    if (text->background == kSystemColour) text->background = ws.GetSysColor(edit ? COLOR_WINDOW : COLOR_BTNFACE);
    if (ws.SetTextColor(dc, text->font.colour) == CLR_INVALID) ReportApiFailure();
    if (ws.SetBkColor(dc, text->background) == CLR_INVALID) ReportApiFailure();

    const auto found = brushes.find(id);
    if (found != brushes.end()) return found->second;
    const HBRUSH brush = ws.CreateSolidBrush(text->background);
    if (brush == nullptr) {
        ReportApiFailure();
        return nullptr;
    }
    brushes[id] = brush;
    return brush;
}

int ShowMsgBox(win::HWND owner, const std::string& caption, const _TextInfo& message, const _TextInfo& details,
               unsigned flags, _MsgBoxExt* extension) {
    LurMsgBox box;
    return box.Show(owner, caption, message, details, flags, extension);
}

int ShowMsgBox(win::HWND owner, const char* caption, const char* message, const char* details, unsigned flags) {
    const auto text = [](const char* value) { return std::string(value != nullptr ? value : ""); };
    return ShowMsgBox(owner, text(caption), _TextInfo(text(message)), _TextInfo(text(details)), flags, nullptr);
}

}  // namespace lurutils
