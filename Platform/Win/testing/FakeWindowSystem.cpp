#include "FakeWindowSystem.h"

#include <sstream>
#include <type_traits>

#include "LastError.h"

namespace win {
namespace {

template <class Value>
void AppendArg(std::ostringstream& out, const Value& value) {
    if constexpr (std::is_same_v<Value, const char*> || std::is_same_v<Value, char*>)
        out << '"' << (value != nullptr ? value : "") << '"';
    else if constexpr (std::is_same_v<Value, std::string>)
        out << '"' << value << '"';
    else if constexpr (std::is_pointer_v<Value>)
        out << reinterpret_cast<uintptr_t>(value);
    else if constexpr (std::is_same_v<Value, bool>)
        out << (value ? "true" : "false");
    else if constexpr (std::is_same_v<Value, RECT>)
        out << '{' << value.left << ' ' << value.top << ' ' << value.right << ' ' << value.bottom << '}';
    else if constexpr (std::is_same_v<Value, POINT>)
        out << '{' << value.x << ' ' << value.y << '}';
    else if constexpr (std::is_same_v<Value, LOGFONT>)
        out << "{height " << value.height << " weight " << value.weight << " italic " << int(value.italic)
            << " underline " << int(value.underline) << " strikeOut " << int(value.strikeOut) << " charSet "
            << int(value.charSet) << " face \"" << value.faceName << "\"}";
    else
        out << value;
}

template <class... Values>
std::string Args(const Values&... values) {
    std::ostringstream out;
    bool first = true;
    ((out << (first ? "" : ","), AppendArg(out, values), first = false), ...);
    return out.str();
}

std::string Text(const char* text, int length) {
    if (text == nullptr) return "";
    return std::string(text, static_cast<size_t>(length < 0 ? 0 : length));
}

}  // namespace

class FakeWindowSystem::ScriptedUser final : public DialogUser {
public:
    explicit ScriptedUser(FakeWindowSystem& fake) : fake_(fake) {}

    UserAction NextAction(const DialogView& view) override {
        fake_.views_.push_back(view);
        if (fake_.script_.empty()) return UserAction{UserAction::Abandon, 0};
        const UserAction action = fake_.script_.front();
        fake_.script_.pop_front();
        return action;
    }

    int AnswerMessageBox(const std::string& text, const std::string& caption, uint32_t type) override {
        fake_.reports_.push_back(Report{caption, text, type});
        return IDOK;
    }

private:
    FakeWindowSystem& fake_;
};

FakeWindowSystem::FakeWindowSystem()
    : model_(MakeWindowModel(std::make_unique<ScriptedUser>(*this))), previous_(InstallWindowSystem(this)) {}

FakeWindowSystem::~FakeWindowSystem() { InstallWindowSystem(previous_); }

void FakeWindowSystem::Script(std::initializer_list<UserAction> actions) {
    script_.insert(script_.end(), actions.begin(), actions.end());
}

void FakeWindowSystem::FailCall(const std::string& name, uint32_t code, int times) {
    failures_[name] = Injection{code, times};
}

void FakeWindowSystem::LeaveLastError(const std::string& name, uint32_t code, int times) {
    lastErrors_[name] = Injection{code, times};
}

std::vector<FakeWindowSystem::Call> FakeWindowSystem::CallsOf(const std::string& name) const {
    std::vector<Call> found;
    for (const Call& call : calls_)
        if (call.name == name) found.push_back(call);
    return found;
}

bool FakeWindowSystem::Take(std::map<std::string, Injection>& injections, const std::string& name, uint32_t& code) {
    const auto found = injections.find(name);
    if (found == injections.end() || found->second.times <= 0) return false;
    code = found->second.code;
    --found->second.times;
    return true;
}

template <class Result, class Forward>
Result FakeWindowSystem::Invoke(const char* name, std::string args, Result failure, Forward forward) {
    calls_.push_back(Call{name, std::move(args)});
    uint32_t code = 0;
    if (Take(failures_, name, code)) {
        SetLastError(code);
        return failure;
    }
    Result result = forward();
    if (Take(lastErrors_, name, code)) SetLastError(code);
    return result;
}

INT_PTR FakeWindowSystem::DialogBoxIndirectParam(HMODULE module, const DialogTemplate& dialogTemplate, HWND owner,
                                                 DLGPROC proc, LPARAM param) {
    return Invoke("DialogBoxIndirectParam", Args(dialogTemplate.id, owner), INT_PTR(-1),
                  [&] { return model_->DialogBoxIndirectParam(module, dialogTemplate, owner, proc, param); });
}

bool FakeWindowSystem::EndDialog(HWND dialog, INT_PTR result) {
    return Invoke("EndDialog", Args(dialog, result), false, [&] { return model_->EndDialog(dialog, result); });
}

HWND FakeWindowSystem::GetDlgItem(HWND dialog, int id) {
    return Invoke("GetDlgItem", Args(dialog, id), HWND(nullptr), [&] { return model_->GetDlgItem(dialog, id); });
}

int FakeWindowSystem::GetDlgCtrlID(HWND control) {
    return Invoke("GetDlgCtrlID", Args(control), 0, [&] { return model_->GetDlgCtrlID(control); });
}

HWND FakeWindowSystem::CreateWindowEx(uint32_t exStyle, const char* className, const char* text, uint32_t style, int x,
                                      int y, int width, int height, HWND parent, int id, HMODULE module) {
    return Invoke(
        "CreateWindowEx", Args(exStyle, className, text, style, x, y, width, height, parent, id), HWND(nullptr), [&] {
            return model_->CreateWindowEx(exStyle, className, text, style, x, y, width, height, parent, id, module);
        });
}

bool FakeWindowSystem::SetWindowText(HWND window, const char* text) {
    return Invoke("SetWindowText", Args(window, text), false, [&] { return model_->SetWindowText(window, text); });
}

int FakeWindowSystem::GetWindowTextLength(HWND window) {
    return Invoke("GetWindowTextLength", Args(window), 0, [&] { return model_->GetWindowTextLength(window); });
}

int FakeWindowSystem::GetWindowText(HWND window, char* buffer, int size) {
    return Invoke("GetWindowText", Args(window, size), 0, [&] { return model_->GetWindowText(window, buffer, size); });
}

bool FakeWindowSystem::GetWindowRect(HWND window, RECT& rect) {
    return Invoke("GetWindowRect", Args(window), false, [&] { return model_->GetWindowRect(window, rect); });
}

bool FakeWindowSystem::GetClientRect(HWND window, RECT& rect) {
    return Invoke("GetClientRect", Args(window), false, [&] { return model_->GetClientRect(window, rect); });
}

bool FakeWindowSystem::ScreenToClient(HWND window, POINT& point) {
    return Invoke("ScreenToClient", Args(window, point), false, [&] { return model_->ScreenToClient(window, point); });
}

bool FakeWindowSystem::MoveWindow(HWND window, int x, int y, int width, int height, bool repaint) {
    return Invoke("MoveWindow", Args(window, x, y, width, height, repaint), false,
                  [&] { return model_->MoveWindow(window, x, y, width, height, repaint); });
}

intptr_t FakeWindowSystem::GetWindowLongPtr(HWND window, int index) {
    return Invoke("GetWindowLongPtr", Args(window, index), intptr_t(0),
                  [&] { return model_->GetWindowLongPtr(window, index); });
}

intptr_t FakeWindowSystem::SetWindowLongPtr(HWND window, int index, intptr_t value) {
    return Invoke("SetWindowLongPtr", Args(window, index, value), intptr_t(0),
                  [&] { return model_->SetWindowLongPtr(window, index, value); });
}

bool FakeWindowSystem::SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height,
                                    uint32_t flags) {
    return Invoke("SetWindowPos", Args(window, insertAfter, x, y, width, height, flags), false,
                  [&] { return model_->SetWindowPos(window, insertAfter, x, y, width, height, flags); });
}

bool FakeWindowSystem::ShowWindow(HWND window, int command) {
    return Invoke("ShowWindow", Args(window, command), false, [&] { return model_->ShowWindow(window, command); });
}

bool FakeWindowSystem::IsWindowVisible(HWND window) {
    return Invoke("IsWindowVisible", Args(window), false, [&] { return model_->IsWindowVisible(window); });
}

bool FakeWindowSystem::RedrawWindow(HWND window, uint32_t flags) {
    return Invoke("RedrawWindow", Args(window, flags), false, [&] { return model_->RedrawWindow(window, flags); });
}

HWND FakeWindowSystem::GetDesktopWindow() {
    return Invoke("GetDesktopWindow", std::string(), HWND(nullptr), [&] { return model_->GetDesktopWindow(); });
}

bool FakeWindowSystem::SetForegroundWindow(HWND window) {
    return Invoke("SetForegroundWindow", Args(window), false, [&] { return model_->SetForegroundWindow(window); });
}

HWND FakeWindowSystem::GetFocus() {
    return Invoke("GetFocus", std::string(), HWND(nullptr), [&] { return model_->GetFocus(); });
}

HWND FakeWindowSystem::SetFocus(HWND window) {
    return Invoke("SetFocus", Args(window), HWND(nullptr), [&] { return model_->SetFocus(window); });
}

bool FakeWindowSystem::EnableWindow(HWND window, bool enable) {
    return Invoke("EnableWindow", Args(window, enable), false, [&] { return model_->EnableWindow(window, enable); });
}

bool FakeWindowSystem::IsWindowEnabled(HWND window) {
    return Invoke("IsWindowEnabled", Args(window), false, [&] { return model_->IsWindowEnabled(window); });
}

uint32_t FakeWindowSystem::GetCurrentThreadId() {
    return Invoke("GetCurrentThreadId", std::string(), uint32_t(0), [&] { return model_->GetCurrentThreadId(); });
}

bool FakeWindowSystem::EnumThreadWindows(uint32_t threadId, WNDENUMPROC proc, LPARAM lParam) {
    return Invoke("EnumThreadWindows", Args(threadId), false,
                  [&] { return model_->EnumThreadWindows(threadId, proc, lParam); });
}

LRESULT FakeWindowSystem::SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    return Invoke("SendMessage", Args(window, message, wParam, lParam), LRESULT(0),
                  [&] { return model_->SendMessage(window, message, wParam, lParam); });
}

HDC FakeWindowSystem::GetDC(HWND window) {
    return Invoke("GetDC", Args(window), HDC(nullptr), [&] { return model_->GetDC(window); });
}

int FakeWindowSystem::ReleaseDC(HWND window, HDC dc) {
    return Invoke("ReleaseDC", Args(window, dc), 0, [&] { return model_->ReleaseDC(window, dc); });
}

int FakeWindowSystem::SetMapMode(HDC dc, int mode) {
    return Invoke("SetMapMode", Args(dc, mode), 0, [&] { return model_->SetMapMode(dc, mode); });
}

HFONT FakeWindowSystem::SelectObject(HDC dc, HFONT font) {
    return Invoke("SelectObject", Args(dc, font), HFONT(nullptr), [&] { return model_->SelectObject(dc, font); });
}

bool FakeWindowSystem::GetTextExtentPoint32(HDC dc, const char* text, int length, SIZE& size) {
    return Invoke("GetTextExtentPoint32", Args(dc, Text(text, length)), false,
                  [&] { return model_->GetTextExtentPoint32(dc, text, length, size); });
}

bool FakeWindowSystem::GetTextExtentExPoint(HDC dc, const char* text, int length, int maxExtent, int* fit, SIZE& size) {
    return Invoke("GetTextExtentExPoint", Args(dc, Text(text, length), maxExtent), false,
                  [&] { return model_->GetTextExtentExPoint(dc, text, length, maxExtent, fit, size); });
}

int FakeWindowSystem::GetDeviceCaps(HDC dc, int index) {
    return Invoke("GetDeviceCaps", Args(dc, index), 0, [&] { return model_->GetDeviceCaps(dc, index); });
}

COLORREF FakeWindowSystem::SetTextColor(HDC dc, COLORREF colour) {
    return Invoke("SetTextColor", Args(dc, colour), CLR_INVALID, [&] { return model_->SetTextColor(dc, colour); });
}

COLORREF FakeWindowSystem::SetBkColor(HDC dc, COLORREF colour) {
    return Invoke("SetBkColor", Args(dc, colour), CLR_INVALID, [&] { return model_->SetBkColor(dc, colour); });
}

HFONT FakeWindowSystem::CreateFontIndirect(const LOGFONT& font) {
    return Invoke("CreateFontIndirect", Args(font), HFONT(nullptr), [&] { return model_->CreateFontIndirect(font); });
}

bool FakeWindowSystem::GetObject(HFONT font, LOGFONT& description) {
    return Invoke("GetObject", Args(font), false, [&] { return model_->GetObject(font, description); });
}

HBRUSH FakeWindowSystem::CreateSolidBrush(COLORREF colour) {
    return Invoke("CreateSolidBrush", Args(colour), HBRUSH(nullptr), [&] { return model_->CreateSolidBrush(colour); });
}

bool FakeWindowSystem::DeleteObject(HFONT font) {
    return Invoke("DeleteFont", Args(font), false, [&] { return model_->DeleteObject(font); });
}

bool FakeWindowSystem::DeleteObject(HBRUSH brush) {
    return Invoke("DeleteBrush", Args(brush), false, [&] { return model_->DeleteObject(brush); });
}

HICON FakeWindowSystem::LoadIcon(HMODULE module, int id) {
    return Invoke("LoadIcon", Args(module, id), HICON(nullptr), [&] { return model_->LoadIcon(module, id); });
}

COLORREF FakeWindowSystem::GetSysColor(int index) {
    return Invoke("GetSysColor", Args(index), COLORREF(0), [&] { return model_->GetSysColor(index); });
}

int FakeWindowSystem::GetSystemMetrics(int index) {
    return Invoke("GetSystemMetrics", Args(index), 0, [&] { return model_->GetSystemMetrics(index); });
}

int FakeWindowSystem::MessageBox(HWND owner, const char* text, const char* caption, uint32_t type) {
    return Invoke("MessageBox", Args(owner, text, caption, type), 0,
                  [&] { return model_->MessageBox(owner, text, caption, type); });
}

}  // namespace win
