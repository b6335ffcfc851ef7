// A window system for tests: the in-memory window model answered by a
// scripted user. It records every call the code under test makes, can make
// chosen calls fail or leave a chosen last error, and keeps every dialog
// state the user was shown and every plain message box.
//
// Constructing one installs it as the process's window system; destroying
// it restores the one before.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "WindowSystem.h"

namespace win {

class FakeWindowSystem final : public WindowSystem {
public:
    struct Call {
        std::string name;  // the interface's method name, e.g. "CreateWindowEx"
        std::string args;  // the arguments joined with ",", texts in quotes, handles as numbers
    };
    struct Report {
        std::string caption;
        std::string text;
        uint32_t type = 0;
    };

    FakeWindowSystem();
    ~FakeWindowSystem() override;
    FakeWindowSystem(const FakeWindowSystem&) = delete;
    FakeWindowSystem& operator=(const FakeWindowSystem&) = delete;

    // The user's next actions, taken one per turn while a dialog is open;
    // when they run out the dialog is abandoned (it ends with -1).
    void Script(std::initializer_list<UserAction> actions);
    void Enter() { Script({{UserAction::Enter, 0}}); }
    void Escape() { Script({{UserAction::Escape, 0}}); }
    void F1() { Script({{UserAction::Help, 0}}); }
    void Press(int id) { Script({{UserAction::Press, id}}); }
    void ToggleDetails(int detailsButtonId) { Press(detailsButtonId); }
    void Paint() { Script({{UserAction::Paint, 0}}); }
    // Text typed into an edit, or chosen in a combo box.
    void Type(int id, const std::string& text) { Script({{UserAction::Type, id, text}}); }

    // The next times calls of the method fail with code as the last error
    // (the model is not called).
    void FailCall(const std::string& name, uint32_t code, int times = 1);
    // The next times calls of the method succeed but leave code as the last error.
    void LeaveLastError(const std::string& name, uint32_t code, int times = 1);

    const std::vector<Call>& Calls() const { return calls_; }
    std::vector<Call> CallsOf(const std::string& name) const;
    size_t CountOf(const std::string& name) const { return CallsOf(name).size(); }
    void ClearCalls() { calls_.clear(); }
    // The dialog states the user was shown, one per turn.
    const std::vector<DialogView>& Views() const { return views_; }
    const std::vector<Report>& Reports() const { return reports_; }

    INT_PTR DialogBoxIndirectParam(HMODULE module, const DialogTemplate& dialogTemplate, HWND owner, DLGPROC proc,
                                   LPARAM param) override;
    bool EndDialog(HWND dialog, INT_PTR result) override;
    HWND GetDlgItem(HWND dialog, int id) override;
    int GetDlgCtrlID(HWND control) override;
    HWND CreateWindowEx(uint32_t exStyle, const char* className, const char* text, uint32_t style, int x, int y,
                        int width, int height, HWND parent, int id, HMODULE module) override;
    bool SetWindowText(HWND window, const char* text) override;
    int GetWindowTextLength(HWND window) override;
    int GetWindowText(HWND window, char* buffer, int size) override;
    bool GetWindowRect(HWND window, RECT& rect) override;
    bool GetClientRect(HWND window, RECT& rect) override;
    bool ScreenToClient(HWND window, POINT& point) override;
    bool MoveWindow(HWND window, int x, int y, int width, int height, bool repaint) override;
    intptr_t GetWindowLongPtr(HWND window, int index) override;
    intptr_t SetWindowLongPtr(HWND window, int index, intptr_t value) override;
    bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, uint32_t flags) override;
    bool ShowWindow(HWND window, int command) override;
    bool IsWindowVisible(HWND window) override;
    bool RedrawWindow(HWND window, uint32_t flags) override;
    HWND GetDesktopWindow() override;
    bool SetForegroundWindow(HWND window) override;
    HWND GetFocus() override;
    HWND SetFocus(HWND window) override;
    bool EnableWindow(HWND window, bool enable) override;
    bool IsWindowEnabled(HWND window) override;
    uint32_t GetCurrentThreadId() override;
    bool EnumThreadWindows(uint32_t threadId, WNDENUMPROC proc, LPARAM lParam) override;
    LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) override;
    HDC GetDC(HWND window) override;
    int ReleaseDC(HWND window, HDC dc) override;
    int SetMapMode(HDC dc, int mode) override;
    HFONT SelectObject(HDC dc, HFONT font) override;
    bool GetTextExtentPoint32(HDC dc, const char* text, int length, SIZE& size) override;
    bool GetTextExtentExPoint(HDC dc, const char* text, int length, int maxExtent, int* fit, SIZE& size) override;
    int GetDeviceCaps(HDC dc, int index) override;
    COLORREF SetTextColor(HDC dc, COLORREF colour) override;
    COLORREF SetBkColor(HDC dc, COLORREF colour) override;
    HFONT CreateFontIndirect(const LOGFONT& font) override;
    bool GetObject(HFONT font, LOGFONT& description) override;
    HBRUSH CreateSolidBrush(COLORREF colour) override;
    bool DeleteObject(HFONT font) override;
    bool DeleteObject(HBRUSH brush) override;
    HICON LoadIcon(HMODULE module, int id) override;
    COLORREF GetSysColor(int index) override;
    int GetSystemMetrics(int index) override;
    int MessageBox(HWND owner, const char* text, const char* caption, uint32_t type) override;

private:
    class ScriptedUser;
    struct Injection {
        uint32_t code = 0;
        int times = 0;
    };

    // Records the call, then either fails it as injected or forwards it.
    template <class Result, class Forward>
    Result Invoke(const char* name, std::string args, Result failure, Forward forward);
    static bool Take(std::map<std::string, Injection>& injections, const std::string& name, uint32_t& code);

    std::vector<Call> calls_;
    std::deque<UserAction> script_;
    std::vector<DialogView> views_;
    std::vector<Report> reports_;
    std::map<std::string, Injection> failures_;
    std::map<std::string, Injection> lastErrors_;
    std::unique_ptr<WindowSystem> model_;
    WindowSystem* previous_ = nullptr;
};

}  // namespace win
