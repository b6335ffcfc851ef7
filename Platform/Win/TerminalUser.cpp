// The terminal user of the shipped window system: the dialog is drawn as
// text on stderr and answered by a person at the terminal; without a
// terminal on stdin the default button is answered at once, so that no batch
// run ever waits. Forms are asked on the controlling terminal itself.
#include "WindowSystem.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <termios.h>

#include "CodePage.h"

namespace win {
namespace {

// The controlling terminal, open for reading and writing while it lives.
class Terminal {
public:
    Terminal() : m_fd(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~Terminal() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    void Write(const std::string& cp1250) const {
        const std::string utf8 = Cp1250ToUtf8(cp1250);
        for (size_t done = 0; done < utf8.size();) {
            const ssize_t written = ::write(m_fd, utf8.data() + done, utf8.size() - done);
            if (written <= 0) return;
            done += static_cast<size_t>(written);
        }
    }
    // One line typed there (code page 1250), not echoed when hidden; false
    // at the end of the input.
    bool ReadLine(std::string& line, bool hidden) const {
        termios saved{};
        const bool quiet = hidden && ::tcgetattr(m_fd, &saved) == 0;
        if (quiet) {
            termios silent = saved;
            silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            ::tcsetattr(m_fd, TCSANOW, &silent);
        }
        line.clear();
        char c = 0;
        bool read = false;
        while (::read(m_fd, &c, 1) == 1) {
            read = true;
            if (c == '\n') break;
            line += c;
        }
        if (quiet) {
            ::tcsetattr(m_fd, TCSANOW, &saved);
            Write("\n");
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = Utf8ToCp1250(line);
        return read;
    }

private:
    int m_fd;
};

// Button captions carry "&" before their access key; "&&" is a real "&".
std::string WithoutAccessKeys(const std::string& caption) {
    std::string plain;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (++i == caption.size()) break;
        }
        plain += caption[i];
    }
    return plain;
}

class TerminalUser final : public DialogUser {
public:
    TerminalUser() : interactive_(::isatty(STDIN_FILENO) == 1) {}

    UserAction NextAction(const DialogView& view) override {
        if (IsForm(view)) return FormAction(view);
        Draw(view);
        const std::vector<const ControlView*> buttons = Buttons(view);
        while (interactive_) {
            Write("Choose 1-" + std::to_string(buttons.size()) + " (Enter = " + DefaultCaption(view) +
                  ", ? = help, x = close): ");
            std::string line;
            if (!std::getline(std::cin, line)) {
                interactive_ = false;
                Write("\n");
                break;
            }
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty()) return UserAction{UserAction::Enter, 0};
            if (line == "?") return UserAction{UserAction::Help, 0};
            if (line == "x" || line == "X") return UserAction{UserAction::Escape, 0};
            char* end = nullptr;
            const long choice = std::strtol(line.c_str(), &end, 10);
            if (*end == '\0' && choice >= 1 && choice <= static_cast<long>(buttons.size()))
                return UserAction{UserAction::Press, buttons[static_cast<size_t>(choice - 1)]->id};
        }
        // Nobody can answer: the default button once per dialog, then give up.
        if (answeredDialog_ != view.dialog) {
            answeredDialog_ = view.dialog;
            Write("(no terminal on input: answered " + DefaultCaption(view) + ")\n");
            return UserAction{UserAction::Enter, 0};
        }
        Write("(no terminal on input: the box stays unanswered)\n");
        return UserAction{UserAction::Abandon, 0};
    }

    int AnswerMessageBox(const std::string& text, const std::string& caption, uint32_t) override {
        std::string plain = caption + ": " + text;
        for (size_t at = plain.find("\r\n"); at != std::string::npos; at = plain.find("\r\n", at)) plain.erase(at, 1);
        Write(plain + "\n");
        return IDOK;
    }

private:
    static void Write(const std::string& text) {
        const std::string utf8 = Cp1250ToUtf8(text);
        std::fwrite(utf8.data(), 1, utf8.size(), stderr);
        std::fflush(stderr);
    }

    static size_t TerminalColumns() {
        winsize size{};
        if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
        if (const char* columns = std::getenv("COLUMNS"); columns != nullptr && std::atoi(columns) > 0)
            return static_cast<size_t>(std::atoi(columns));
        return 80;
    }

    static std::vector<const ControlView*> Buttons(const DialogView& view) {
        std::vector<const ControlView*> buttons;
        for (const ControlView& control : view.controls)
            if (control.visible && control.className == "BUTTON") buttons.push_back(&control);
        std::stable_sort(buttons.begin(), buttons.end(),
                         [](const ControlView* a, const ControlView* b) { return a->rect.left < b->rect.left; });
        return buttons;
    }

    static std::string DefaultCaption(const DialogView& view) {
        for (const ControlView& control : view.controls)
            if (control.className == "BUTTON" && control.id == view.defaultButtonId)
                return WithoutAccessKeys(control.text);
        return "OK";
    }

    static std::string IconMark(int iconId) {
        switch (iconId) {
            case IDI_HAND: return "(x) ";
            case IDI_QUESTION: return "(?) ";
            case IDI_EXCLAMATION: return "(!) ";
            case IDI_ASTERISK: return "(i) ";
        }
        return "";
    }

    // The text's lines, each cut to the terminal's width.
    static void WriteText(const std::string& text, const std::string& firstPrefix, const std::string& prefix) {
        const size_t width = std::max<size_t>(TerminalColumns(), prefix.size() + 20) - prefix.size() - 1;
        std::string out;
        bool first = true;
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find("\r\n", start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            do {
                out += (first ? firstPrefix : prefix) + line.substr(0, width) + "\n";
                first = false;
                line.erase(0, std::min(width, line.size()));
            } while (!line.empty());
            start = end + 2;
            if (end == text.size()) break;
        }
        Write(out);
    }

    static void Draw(const DialogView& view) {
        Write("\n== " + view.caption + " ==\n");
        std::string iconMark;
        for (const ControlView& control : view.controls) {
            if (!control.visible) continue;
            if (control.className == "STATIC" && control.iconId != 0) iconMark = IconMark(control.iconId);
            if (control.className != "EDIT") continue;
            if ((control.exStyle & WS_EX_CLIENTEDGE) != 0)
                WriteText(control.text, "  | ", "  | ");
            else
                WriteText(control.text, "  " + iconMark, "  " + std::string(iconMark.size(), ' '));
        }
        std::string row = " ";
        const std::vector<const ControlView*> buttons = Buttons(view);
        for (size_t i = 0; i < buttons.size(); ++i) {
            const std::string caption = WithoutAccessKeys(buttons[i]->text);
            const bool isDefault = buttons[i]->id == view.defaultButtonId;
            row += " " + std::to_string(i + 1) + (isDefault ? ":<" + caption + ">" : ":[" + caption + "]");
        }
        Write(row + "\n");
    }

    // A dialog with text entry (an editable edit or a combo box) asks for
    // its values in turn; there is no default to answer for the person.
    static bool IsEntry(const ControlView& control) {
        return control.visible && control.enabled &&
               ((control.className == "EDIT" && (control.style & ES_READONLY) == 0) || control.className == "COMBOBOX");
    }
    static bool IsForm(const DialogView& view) {
        return std::any_of(view.controls.begin(), view.controls.end(), IsEntry);
    }

    // Asks the form's entries on the terminal, then confirms with the
    // default button: the empty entries only (what the caller left for the
    // person), or every entry when none is empty (asked again after a
    // refusal). An empty answer keeps what the entry holds. Without a
    // terminal the form is refused at once: nobody can fill it in; the end
    // of the terminal's input cancels it.
    UserAction FormAction(const DialogView& view) {
        if (pending_.empty() && formDialog_ != view.dialog) {
            formDialog_ = view.dialog;
            const Terminal terminal;
            if (!terminal.IsOpen()) {
                Write("(no terminal: " + view.caption + " is cancelled)\n");
                return UserAction{UserAction::Abandon, 0};
            }
            const bool someEmpty = std::any_of(view.controls.begin(), view.controls.end(),
                                               [](const ControlView& c) { return IsEntry(c) && c.text.empty(); });
            terminal.Write("\n== " + view.caption + " ==\n");
            std::string caption;
            for (const ControlView& control : view.controls) {
                if (control.className == "STATIC") caption = control.text;
                if (!IsEntry(control) || (someEmpty && !control.text.empty())) continue;
                const bool hidden = (control.style & ES_PASSWORD) != 0;
                if (control.className == "COMBOBOX") {
                    for (size_t i = 0; i < control.items.size(); ++i)
                        terminal.Write("  " + std::to_string(i + 1) + ": " + control.items[i] + "\n");
                }
                terminal.Write(WithoutAccessKeys(caption) +
                               (hidden || control.text.empty() ? "" : " [" + control.text + "]") + " ");
                std::string line;
                if (!terminal.ReadLine(line, hidden)) {
                    terminal.Write("\n");
                    pending_.clear();
                    return UserAction{UserAction::Escape, 0};
                }
                if (line.empty()) continue;
                if (control.className == "COMBOBOX") {
                    char* end = nullptr;
                    const long choice = std::strtol(line.c_str(), &end, 10);
                    if (*end == '\0' && choice >= 1 && choice <= static_cast<long>(control.items.size()))
                        line = control.items[static_cast<size_t>(choice - 1)];
                }
                pending_.push_back(UserAction{UserAction::Type, control.id, line});
            }
            pending_.push_back(UserAction{UserAction::Enter, 0});
        }
        if (pending_.empty()) return UserAction{UserAction::Abandon, 0};
        const UserAction next = pending_.front();
        pending_.erase(pending_.begin());
        return next;
    }

    bool interactive_;
    HWND answeredDialog_ = nullptr;  // handles are never reused
    HWND formDialog_ = nullptr;
    std::vector<UserAction> pending_;  // the rest of a form's answers
};

}  // namespace

std::unique_ptr<DialogUser> MakeTerminalUser() { return std::make_unique<TerminalUser>(); }

bool HasTerminal() { return Terminal().IsOpen(); }

}  // namespace win
