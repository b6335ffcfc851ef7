// The in-memory window model of the shipped window system: windows, dialogs,
// controls, fonts and device contexts kept in maps, with a DialogUser that
// answers the dialogs (the terminal user, or a test's scripted one).
#include "WindowSystem.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "Crt.h"
#include "LastError.h"

namespace win {
namespace {

constexpr uint32_t kErrorInvalidIndex = 1413;
constexpr uint32_t kErrorCannotFindWindowClass = 1407;
constexpr uint32_t kErrorControlIdNotFound = 1421;

constexpr int kDesktopWidth = 1024;
constexpr int kDesktopHeight = 768;
// Non-client area of a window with a caption bar.
constexpr int kFrame = 3;
constexpr int kCaptionBar = 19;
constexpr int kIconSize = 32;

struct Window {
    std::string className;
    std::string text;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    RECT rect;  // screen coordinates for a top-level window, else the parent's client coordinates
    uintptr_t parent = 0;
    int id = 0;
    uint32_t thread = 0;
    uintptr_t font = 0;
    int iconId = 0;
    intptr_t userData = 0;
    DLGPROC proc = nullptr;
    bool ended = false;
    INT_PTR result = 0;
    std::vector<std::string> items;  // a combo box's list
    int textLimit = 0;               // an edit's limit; 0 none
};

struct DeviceContext {
    uintptr_t window = 0;
    int mapMode = MM_TEXT;
    uintptr_t font = 0;
    COLORREF textColour = 0;
    COLORREF bkColour = 0xFFFFFF;
};

std::string UpperCase(const char* text) {
    std::string upper = text != nullptr ? text : "";
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

class WindowModel final : public WindowSystem {
public:
    explicit WindowModel(std::unique_ptr<DialogUser> user) : user_(std::move(user)) {
        Window desktop;
        desktop.className = "#DESKTOP";
        desktop.style = WS_VISIBLE;
        desktop.rect = RECT{0, 0, kDesktopWidth, kDesktopHeight};
        desktop_ = NewHandle();
        windows_[desktop_] = desktop;
        LOGFONT system;
        std::strcpy(system.faceName, "System");
        system.weight = 700;
        stockFont_ = NewHandle();
        fonts_[stockFont_] = system;
    }

    INT_PTR DialogBoxIndirectParam(HMODULE, const DialogTemplate& dialogTemplate, HWND owner, DLGPROC proc,
                                   LPARAM param) override {
        Begin();
        if (proc == nullptr || (owner != nullptr && FindWindow(owner) == nullptr)) {
            SetLastError(proc == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        Window dialog;
        dialog.className = "#DIALOG";
        dialog.text = dialogTemplate.caption != nullptr ? dialogTemplate.caption : "";
        dialog.style = dialogTemplate.style | WS_VISIBLE;
        dialog.exStyle = dialogTemplate.exStyle;
        dialog.rect = RECT{dialogTemplate.x, dialogTemplate.y, dialogTemplate.x + dialogTemplate.cx,
                           dialogTemplate.y + dialogTemplate.cy};
        dialog.thread = CurrentThread();
        dialog.proc = proc;
        if ((dialogTemplate.style & DS_SETFONT) != 0) {
            LOGFONT font;
            font.height = -MulDiv(dialogTemplate.pointSize, kPixelsPerInch, 72);
            font.weight = 400;
            std::strncpy(font.faceName, dialogTemplate.faceName != nullptr ? dialogTemplate.faceName : "",
                         LF_FACESIZE - 1);
            dialog.font = NewHandle();
            fonts_[dialog.font] = font;
        }
        const uintptr_t handle = NewHandle();
        windows_[handle] = dialog;
        const HWND hwnd = HandleFromNumber<HWND>(handle);

        if (proc(hwnd, WM_INITDIALOG, 0, param) != 0 && focus_ == 0) FocusFirstTabStop(handle);
        INT_PTR answer = 0;
        while (!FindWindow(hwnd)->ended) {
            DialogView view = View(handle);
            view.lastAnswer = answer;
            const UserAction action = user_->NextAction(view);
            if (action.kind == UserAction::Abandon) break;
            answer = Dispatch(handle, action);
        }
        const INT_PTR result = FindWindow(hwnd)->ended ? FindWindow(hwnd)->result : -1;
        Destroy(handle);
        // Whatever failed inside the dialog, the dialog itself did not.
        SetLastError(ERROR_SUCCESS);
        return result;
    }

    bool EndDialog(HWND dialog, INT_PTR result) override {
        Begin();
        Window* window = FindWindow(dialog);
        if (window == nullptr || window->proc == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        window->ended = true;
        window->result = result;
        return true;
    }

    HWND GetDlgItem(HWND dialog, int id) override {
        Begin();
        if (FindWindow(dialog) == nullptr) return FailNull<HWND>(ERROR_INVALID_WINDOW_HANDLE);
        for (const auto& [handle, window] : windows_)
            if (window.parent == HandleNumber(dialog) && window.id == id) return HandleFromNumber<HWND>(handle);
        return FailNull<HWND>(kErrorControlIdNotFound);
    }

    int GetDlgCtrlID(HWND control) override {
        Begin();
        const Window* window = FindWindow(control);
        if (window == nullptr || window->parent == 0) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        return window->id;
    }

    HWND CreateWindowEx(uint32_t exStyle, const char* className, const char* text, uint32_t style, int x, int y,
                        int width, int height, HWND parent, int id, HMODULE) override {
        Begin();
        const std::string upperClass = UpperCase(className);
        if (upperClass != "STATIC" && upperClass != "EDIT" && upperClass != "BUTTON" && upperClass != "COMBOBOX")
            return FailNull<HWND>(kErrorCannotFindWindowClass);
        if ((parent != nullptr && FindWindow(parent) == nullptr) || ((style & WS_CHILD) != 0 && parent == nullptr))
            return FailNull<HWND>(ERROR_INVALID_WINDOW_HANDLE);
        Window window;
        window.className = upperClass;
        window.text = text != nullptr ? text : "";
        window.style = style;
        window.exStyle = exStyle;
        window.rect = RECT{x, y, x + width, y + height};
        window.parent = HandleNumber(parent);
        window.id = id;
        window.thread = CurrentThread();
        const uintptr_t handle = NewHandle();
        windows_[handle] = window;
        return HandleFromNumber<HWND>(handle);
    }

    bool SetWindowText(HWND window, const char* text) override {
        Begin();
        Window* found = FindWindow(window);
        if (found == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        found->text = text != nullptr ? text : "";
        return true;
    }

    int GetWindowTextLength(HWND window) override {
        Begin();
        const Window* found = FindWindow(window);
        if (found == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        return static_cast<int>(found->text.size());
    }

    int GetWindowText(HWND window, char* buffer, int size) override {
        Begin();
        const Window* found = FindWindow(window);
        if (found == nullptr || buffer == nullptr || size <= 0)
            return Fail(found == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        const int count = std::min(static_cast<int>(found->text.size()), size - 1);
        std::memcpy(buffer, found->text.data(), static_cast<size_t>(count));
        buffer[count] = '\0';
        return count;
    }

    bool GetWindowRect(HWND window, RECT& rect) override {
        Begin();
        const Window* found = FindWindow(window);
        if (found == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        rect = ScreenRect(*found);
        return true;
    }

    bool GetClientRect(HWND window, RECT& rect) override {
        Begin();
        const Window* found = FindWindow(window);
        if (found == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        const RECT insets = Insets(*found);
        rect = RECT{0, 0, found->rect.right - found->rect.left - insets.left - insets.right,
                    found->rect.bottom - found->rect.top - insets.top - insets.bottom};
        return true;
    }

    bool ScreenToClient(HWND window, POINT& point) override {
        Begin();
        const Window* found = FindWindow(window);
        if (found == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        const POINT origin = ClientOrigin(*found);
        point.x -= origin.x;
        point.y -= origin.y;
        return true;
    }

    bool MoveWindow(HWND window, int x, int y, int width, int height, bool) override {
        Begin();
        Window* found = FindWindow(window);
        if (found == nullptr || found->className == "#DESKTOP") return Fail(ERROR_INVALID_WINDOW_HANDLE);
        found->rect = RECT{x, y, x + width, y + height};
        return true;
    }

    intptr_t GetWindowLongPtr(HWND window, int index) override {
        Begin();
        const Window* found = FindWindow(window);
        if (found == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        switch (index) {
            case GWL_STYLE: return static_cast<int32_t>(found->style);
            case GWL_EXSTYLE: return static_cast<int32_t>(found->exStyle);
            case DWLP_USER:
                if (found->proc != nullptr) return found->userData;
                break;
        }
        return Fail(kErrorInvalidIndex);
    }

    intptr_t SetWindowLongPtr(HWND window, int index, intptr_t value) override {
        Begin();
        Window* found = FindWindow(window);
        if (found == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        intptr_t previous = 0;
        switch (index) {
            case GWL_STYLE:
                previous = static_cast<int32_t>(found->style);
                found->style = static_cast<uint32_t>(value);
                return previous;
            case GWL_EXSTYLE:
                previous = static_cast<int32_t>(found->exStyle);
                found->exStyle = static_cast<uint32_t>(value);
                return previous;
            case DWLP_USER:
                if (found->proc == nullptr) break;
                previous = found->userData;
                found->userData = value;
                return previous;
        }
        return Fail(kErrorInvalidIndex);
    }

    bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, uint32_t flags) override {
        Begin();
        Window* found = FindWindow(window);
        if (found == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        if ((flags & SWP_NOZORDER) == 0 && insertAfter == HWND_TOPMOST) found->exStyle |= WS_EX_TOPMOST;
        if ((flags & SWP_NOMOVE) == 0) {
            found->rect.right += x - found->rect.left;
            found->rect.bottom += y - found->rect.top;
            found->rect.left = x;
            found->rect.top = y;
        }
        if ((flags & SWP_NOSIZE) == 0) {
            found->rect.right = found->rect.left + width;
            found->rect.bottom = found->rect.top + height;
        }
        return true;
    }

    bool ShowWindow(HWND window, int command) override {
        Begin();
        Window* found = FindWindow(window);
        if (found == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        const bool wasVisible = (found->style & WS_VISIBLE) != 0;
        if (command == SW_HIDE)
            found->style &= ~static_cast<uint32_t>(WS_VISIBLE);
        else
            found->style |= WS_VISIBLE;
        return wasVisible;
    }

    bool IsWindowVisible(HWND window) override {
        Begin();
        const Window* found = FindWindow(window);
        return found != nullptr && (found->style & WS_VISIBLE) != 0;
    }

    bool RedrawWindow(HWND window, uint32_t) override {
        Begin();
        return FindWindow(window) != nullptr || Fail(ERROR_INVALID_WINDOW_HANDLE);
    }

    HWND GetDesktopWindow() override {
        Begin();
        return HandleFromNumber<HWND>(desktop_);
    }

    bool SetForegroundWindow(HWND window) override {
        Begin();
        return FindWindow(window) != nullptr || Fail(ERROR_INVALID_WINDOW_HANDLE);
    }

    HWND GetFocus() override {
        Begin();
        return HandleFromNumber<HWND>(focus_);
    }

    HWND SetFocus(HWND window) override {
        Begin();
        if (window != nullptr && FindWindow(window) == nullptr) return FailNull<HWND>(ERROR_INVALID_WINDOW_HANDLE);
        const uintptr_t previous = focus_;
        focus_ = HandleNumber(window);
        return HandleFromNumber<HWND>(previous);
    }

    bool EnableWindow(HWND window, bool enable) override {
        Begin();
        Window* found = FindWindow(window);
        if (found == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        const bool wasDisabled = (found->style & WS_DISABLED) != 0;
        if (enable)
            found->style &= ~static_cast<uint32_t>(WS_DISABLED);
        else
            found->style |= WS_DISABLED;
        return wasDisabled;
    }

    bool IsWindowEnabled(HWND window) override {
        Begin();
        const Window* found = FindWindow(window);
        return found != nullptr && (found->style & WS_DISABLED) == 0;
    }

    uint32_t GetCurrentThreadId() override {
        Begin();
        return CurrentThread();
    }

    bool EnumThreadWindows(uint32_t threadId, WNDENUMPROC proc, LPARAM lParam) override {
        Begin();
        std::vector<uintptr_t> topLevel;
        for (const auto& [handle, window] : windows_)
            if (handle != desktop_ && window.parent == 0 && window.thread == threadId) topLevel.push_back(handle);
        if (topLevel.empty() || proc == nullptr) return false;
        for (const uintptr_t handle : topLevel)
            if (!proc(HandleFromNumber<HWND>(handle), lParam)) return false;
        return true;
    }

    LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) override {
        Begin();
        Window* found = FindWindow(window);
        if (found == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        switch (message) {
            case WM_SETFONT: found->font = wParam; return 0;
            case WM_GETFONT: return static_cast<LRESULT>(found->font);
            case STM_SETICON: {
                const int previous = found->iconId;
                found->iconId = static_cast<int>(wParam);
                found->rect.right = found->rect.left + kIconSize;
                found->rect.bottom = found->rect.top + kIconSize;
                return previous;
            }
        }
        if (found->className == "EDIT" && message == EM_LIMITTEXT) {
            found->textLimit = static_cast<int>(wParam);
            return 0;
        }
        if (found->className == "COMBOBOX") {
            switch (message) {
                case CB_RESETCONTENT:
                    found->items.clear();
                    found->text.clear();
                    return 0;
                case CB_ADDSTRING: {
                    found->items.push_back(lParam != 0 ? reinterpret_cast<const char*>(lParam) : "");
                    return static_cast<LRESULT>(found->items.size() - 1);
                }
                case CB_SELECTSTRING: {
                    const std::string prefix = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
                    const size_t first = static_cast<intptr_t>(wParam) < 0 ? 0 : wParam + 1;
                    for (size_t i = first; i < found->items.size(); ++i) {
                        if (crt::StrNICmp(found->items[i].c_str(), prefix.c_str(),
                                          static_cast<unsigned>(prefix.size())) == 0) {
                            found->text = found->items[i];
                            return static_cast<LRESULT>(i);
                        }
                    }
                    return CB_ERR;
                }
            }
        }
        return found->proc != nullptr ? found->proc(window, message, wParam, lParam) : 0;
    }

    HDC GetDC(HWND window) override {
        Begin();
        if (window != nullptr && FindWindow(window) == nullptr) return FailNull<HDC>(ERROR_INVALID_WINDOW_HANDLE);
        DeviceContext dc;
        dc.window = HandleNumber(window);
        dc.font = stockFont_;
        const uintptr_t handle = NewHandle();
        dcs_[handle] = dc;
        return HandleFromNumber<HDC>(handle);
    }

    int ReleaseDC(HWND, HDC dc) override {
        Begin();
        return dcs_.erase(HandleNumber(dc)) == 1 ? 1 : Fail(ERROR_INVALID_HANDLE);
    }

    int SetMapMode(HDC dc, int mode) override {
        Begin();
        DeviceContext* found = FindDc(dc);
        if (found == nullptr) return Fail(ERROR_INVALID_HANDLE);
        return std::exchange(found->mapMode, mode);
    }

    HFONT SelectObject(HDC dc, HFONT font) override {
        Begin();
        DeviceContext* found = FindDc(dc);
        if (found == nullptr || fonts_.count(HandleNumber(font)) == 0) return FailNull<HFONT>(ERROR_INVALID_HANDLE);
        return HandleFromNumber<HFONT>(std::exchange(found->font, HandleNumber(font)));
    }

    bool GetTextExtentPoint32(HDC dc, const char* text, int length, SIZE& size) override {
        Begin();
        const DeviceContext* found = FindDc(dc);
        if (found == nullptr || (text == nullptr && length > 0) || length < 0)
            return Fail(found == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        const SIZE cell = FixedPitchCell(FontOf(*found));
        size = SIZE{cell.cx * length, cell.cy};
        return true;
    }

    bool GetTextExtentExPoint(HDC dc, const char* text, int length, int maxExtent, int* fit, SIZE& size) override {
        if (!GetTextExtentPoint32(dc, text, length, size)) return false;
        const SIZE cell = FixedPitchCell(FontOf(*FindDc(dc)));
        if (fit != nullptr) *fit = std::clamp(maxExtent / cell.cx, 0, length);
        return true;
    }

    int GetDeviceCaps(HDC dc, int index) override {
        Begin();
        if (FindDc(dc) == nullptr) return Fail(ERROR_INVALID_HANDLE);
        return index == LOGPIXELSY ? kPixelsPerInch : 0;
    }

    COLORREF SetTextColor(HDC dc, COLORREF colour) override {
        Begin();
        DeviceContext* found = FindDc(dc);
        if (found == nullptr) return FailColour();
        return std::exchange(found->textColour, colour);
    }

    COLORREF SetBkColor(HDC dc, COLORREF colour) override {
        Begin();
        DeviceContext* found = FindDc(dc);
        if (found == nullptr) return FailColour();
        return std::exchange(found->bkColour, colour);
    }

    HFONT CreateFontIndirect(const LOGFONT& font) override {
        Begin();
        const uintptr_t handle = NewHandle();
        fonts_[handle] = font;
        fonts_[handle].faceName[LF_FACESIZE - 1] = '\0';
        return HandleFromNumber<HFONT>(handle);
    }

    bool GetObject(HFONT font, LOGFONT& description) override {
        Begin();
        const auto found = fonts_.find(HandleNumber(font));
        if (found == fonts_.end()) return Fail(ERROR_INVALID_HANDLE);
        description = found->second;
        return true;
    }

    HBRUSH CreateSolidBrush(COLORREF colour) override {
        Begin();
        const uintptr_t handle = NewHandle();
        brushes_[handle] = colour;
        return HandleFromNumber<HBRUSH>(handle);
    }

    bool DeleteObject(HFONT font) override {
        Begin();
        if (HandleNumber(font) == stockFont_) return true;
        return fonts_.erase(HandleNumber(font)) == 1 || Fail(ERROR_INVALID_HANDLE);
    }

    bool DeleteObject(HBRUSH brush) override {
        Begin();
        return brushes_.erase(HandleNumber(brush)) == 1 || Fail(ERROR_INVALID_HANDLE);
    }

    HICON LoadIcon(HMODULE module, int id) override {
        Begin();
        // Only the system's standard icons exist.
        if (module != nullptr || id < 32512 || id > 32517) return FailNull<HICON>(ERROR_RESOURCE_NAME_NOT_FOUND);
        return HandleFromNumber<HICON>(static_cast<uintptr_t>(id));
    }

    COLORREF GetSysColor(int index) override {
        Begin();
        switch (index) {
            case COLOR_WINDOW: return RGB(255, 255, 255);
            case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
            case COLOR_BTNFACE: return RGB(240, 240, 240);
        }
        return 0;
    }

    int GetSystemMetrics(int index) override {
        Begin();
        switch (index) {
            case SM_CXBORDER:
            case SM_CYBORDER: return 1;
            case SM_CXEDGE:
            case SM_CYEDGE: return 2;
            case SM_CXICON:
            case SM_CYICON: return kIconSize;
            case SM_CXHSCROLL: return 17;
        }
        return 0;
    }

    int MessageBox(HWND, const char* text, const char* caption, uint32_t type) override {
        Begin();
        return user_->AnswerMessageBox(text != nullptr ? text : "", caption != nullptr ? caption : "", type);
    }

private:
    static constexpr int kPixelsPerInch = 96;

    // Every call starts with a clean last error.
    static void Begin() { SetLastError(ERROR_SUCCESS); }
    static int Fail(uint32_t code) {
        SetLastError(code);
        return 0;
    }
    template <class Handle>
    static Handle FailNull(uint32_t code) {
        SetLastError(code);
        return nullptr;
    }
    static COLORREF FailColour() {
        SetLastError(ERROR_INVALID_HANDLE);
        return CLR_INVALID;
    }

    static uint32_t CurrentThread() { return static_cast<uint32_t>(::gettid()); }

    uintptr_t NewHandle() { return nextHandle_ += 4; }

    Window* FindWindow(HWND window) {
        const auto found = windows_.find(HandleNumber(window));
        return found != windows_.end() ? &found->second : nullptr;
    }
    DeviceContext* FindDc(HDC dc) {
        const auto found = dcs_.find(HandleNumber(dc));
        return found != dcs_.end() ? &found->second : nullptr;
    }

    // A font deleted while still selected measures as the stock font.
    const LOGFONT& FontOf(const DeviceContext& dc) const {
        const auto found = fonts_.find(dc.font);
        return found != fonts_.end() ? found->second : fonts_.at(stockFont_);
    }

    static RECT Insets(const Window& window) {
        if (window.parent != 0 || (window.style & WS_CAPTION) != WS_CAPTION) return RECT{};
        return RECT{kFrame, kFrame + kCaptionBar, kFrame, kFrame};
    }

    POINT ClientOrigin(const Window& window) const {
        if (window.parent == 0) {
            const RECT insets = Insets(window);
            return POINT{window.rect.left + insets.left, window.rect.top + insets.top};
        }
        const POINT parent = ClientOrigin(windows_.at(window.parent));
        return POINT{parent.x + window.rect.left, parent.y + window.rect.top};
    }

    RECT ScreenRect(const Window& window) const {
        if (window.parent == 0) return window.rect;
        const POINT origin = ClientOrigin(windows_.at(window.parent));
        return RECT{origin.x + window.rect.left, origin.y + window.rect.top, origin.x + window.rect.right,
                    origin.y + window.rect.bottom};
    }

    void FocusFirstTabStop(uintptr_t dialog) {
        for (const auto& [handle, window] : windows_)
            if (window.parent == dialog && (window.style & WS_TABSTOP) != 0) {
                focus_ = handle;
                return;
            }
    }

    DialogView View(uintptr_t dialog) const {
        const Window& window = windows_.at(dialog);
        DialogView view;
        view.dialog = HandleFromNumber<HWND>(dialog);
        view.caption = window.text;
        view.window = window.rect;
        const RECT insets = Insets(window);
        view.client = RECT{0, 0, window.rect.right - window.rect.left - insets.left - insets.right,
                           window.rect.bottom - window.rect.top - insets.top - insets.bottom};
        view.style = window.style;
        view.exStyle = window.exStyle;
        view.defaultButtonId = IDOK;
        bool defaultFound = false;
        for (const auto& [handle, control] : windows_) {
            if (control.parent != dialog) continue;
            ControlView item;
            item.window = HandleFromNumber<HWND>(handle);
            item.className = control.className;
            item.id = control.id;
            item.text = control.text;
            item.style = control.style;
            item.exStyle = control.exStyle;
            item.rect = control.rect;
            item.visible = (control.style & WS_VISIBLE) != 0;
            item.enabled = (control.style & WS_DISABLED) == 0;
            item.iconId = control.iconId;
            item.items = control.items;
            item.textLimit = control.textLimit;
            if (!defaultFound && item.visible && control.className == "BUTTON" &&
                (control.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                view.defaultButtonId = control.id;
                defaultFound = true;
            }
            view.controls.push_back(std::move(item));
        }
        return view;
    }

    uintptr_t Control(uintptr_t dialog, int id) const {
        for (const auto& [handle, window] : windows_)
            if (window.parent == dialog && window.id == id) return handle;
        return 0;
    }

    // Turns what the user did into the messages the dialog receives; answers
    // the dialog procedure's answer.
    INT_PTR Dispatch(uintptr_t dialog, const UserAction& action) {
        const HWND hwnd = HandleFromNumber<HWND>(dialog);
        const DLGPROC proc = windows_.at(dialog).proc;
        const auto command = [&](int id) {
            return proc(hwnd, WM_COMMAND, static_cast<uint16_t>(id), static_cast<LPARAM>(Control(dialog, id)));
        };
        switch (action.kind) {
            case UserAction::Enter: return command(View(dialog).defaultButtonId);
            case UserAction::Escape: return proc(hwnd, WM_COMMAND, static_cast<uint16_t>(IDCANCEL), 0);
            case UserAction::Help: return proc(hwnd, WM_HELP, 0, 0);
            case UserAction::Press: return command(action.id);
            case UserAction::Paint: Paint(dialog, proc); break;
            case UserAction::Abandon: break;
            case UserAction::Type: return Type(dialog, proc, action);
        }
        return 0;
    }

    // Typed text replaces a control's text; the dialog hears of the change
    // as it would of a person's typing or choosing.
    INT_PTR Type(uintptr_t dialog, DLGPROC proc, const UserAction& action) {
        const uintptr_t handle = Control(dialog, action.id);
        if (handle == 0) return 0;
        Window& control = windows_.at(handle);
        uint16_t notification = 0;
        if (control.className == "EDIT") {
            std::string text = action.text;
            if ((control.style & ES_UPPERCASE) != 0)
                for (char& c : text) c = static_cast<char>(crt::ToUpper(static_cast<unsigned char>(c)));
            if (control.textLimit > 0 && text.size() > static_cast<size_t>(control.textLimit))
                text.resize(static_cast<size_t>(control.textLimit));
            control.text = text;
            notification = EN_CHANGE;
        } else if (control.className == "COMBOBOX") {
            control.text = action.text;
            notification = CBN_SELCHANGE;
        } else {
            return 0;
        }
        return proc(HandleFromNumber<HWND>(dialog), WM_COMMAND,
                    static_cast<WPARAM>(static_cast<uint32_t>(action.id & 0xFFFF) | (uint32_t{notification} << 16)),
                    static_cast<LPARAM>(handle));
    }

    // Read-only edits ask for their colours as static controls do.
    void Paint(uintptr_t dialog, DLGPROC proc) {
        std::vector<uintptr_t> texts;
        for (const auto& [handle, window] : windows_)
            if (window.parent == dialog && window.className == "EDIT" && (window.style & WS_VISIBLE) != 0)
                texts.push_back(handle);
        for (const uintptr_t text : texts) {
            const HDC dc = GetDC(HandleFromNumber<HWND>(text));
            const uint32_t message = (windows_.at(text).style & ES_READONLY) != 0 ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
            proc(HandleFromNumber<HWND>(dialog), message, HandleNumber(dc), static_cast<LPARAM>(text));
            ReleaseDC(HandleFromNumber<HWND>(text), dc);
        }
    }

    void Destroy(uintptr_t window) {
        std::vector<uintptr_t> children;
        for (const auto& [handle, child] : windows_)
            if (child.parent == window) children.push_back(handle);
        for (const uintptr_t child : children) Destroy(child);
        if (focus_ == window) focus_ = 0;
        const auto found = windows_.find(window);
        if (found->second.proc != nullptr && found->second.font != 0) fonts_.erase(found->second.font);
        windows_.erase(found);
    }

    std::unique_ptr<DialogUser> user_;
    uintptr_t nextHandle_ = 0x100;
    uintptr_t desktop_ = 0;
    uintptr_t stockFont_ = 0;
    uintptr_t focus_ = 0;
    std::map<uintptr_t, Window> windows_;  // ascending handles: creation order
    std::map<uintptr_t, LOGFONT> fonts_;
    std::map<uintptr_t, COLORREF> brushes_;
    std::map<uintptr_t, DeviceContext> dcs_;
};

WindowSystem* g_installed = nullptr;  // a test's window system, else the terminal

}  // namespace

std::unique_ptr<WindowSystem> MakeWindowModel(std::unique_ptr<DialogUser> user) {
    return std::make_unique<WindowModel>(std::move(user));
}

WindowSystem& GetWindowSystem() {
    if (g_installed != nullptr) return *g_installed;
    static const std::unique_ptr<WindowSystem> terminal = MakeWindowModel(MakeTerminalUser());
    return *terminal;
}

WindowSystem* InstallWindowSystem(WindowSystem* windowSystem) { return std::exchange(g_installed, windowSystem); }

}  // namespace win
