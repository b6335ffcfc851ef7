// The shipped terminal backend. Without a terminal on stdin the box is drawn
// on stderr and the default button answers at once, so a batch run never
// waits; with one (a pseudo-terminal here) the typed choice answers.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "LanguageScope.h"
#include "LurMsgBox.h"
#include "StdinScope.h"
#include "StringResources.h"

using namespace lurutils;

namespace {

class TerminalTest : public ::testing::Test {
protected:
    // The box's answer and what it wrote on stderr.
    std::pair<int, std::string> Run(unsigned flags, const char* message, const char* details) {
        ::testing::internal::CaptureStderr();
        const int answer = ShowMsgBox(nullptr, "Login", message, details, flags);
        return {answer, ::testing::internal::GetCapturedStderr()};
    }

    lurtest::UiLanguageScope language{win::LANG_ENGLISH};
    lurtest::StdinScope input;  // no terminal
};

TEST_F(TerminalTest, AnswersTheDefaultButtonWithANote) {
    const auto [answer, output] = Run(win::MB_YESNO | win::MB_DEFBUTTON2 | win::MB_ICONQUESTION, "Go on?", "");
    EXPECT_EQ(answer, win::IDNO);
    EXPECT_NE(output.find("== Login =="), std::string::npos) << output;
    EXPECT_NE(output.find("  (?) Go on?\n"), std::string::npos) << output;
    EXPECT_NE(output.find("1:[Yes] 2:<No>"), std::string::npos) << output;
    EXPECT_NE(output.find("(no terminal on input: answered No)"), std::string::npos) << output;
}

TEST_F(TerminalTest, DrawsOpenDetailsAndConvertsToUtf8) {
    const auto [answer, output] =
        Run(win::MB_OK | win::MB_TOPMOST | MSGBOX_DETAILS_OPEN, "Hib\xE1s jelsz\xF3\nm\xE1sodik sor", "code\t42");
    EXPECT_EQ(answer, win::IDOK);
    EXPECT_NE(output.find("  Hibás jelszó\n  második sor\n"), std::string::npos) << output;
    EXPECT_NE(output.find("  | code    42\n"), std::string::npos) << output;
    EXPECT_NE(output.find("1:<OK> 2:[Details]"), std::string::npos) << output;
}

TEST_F(TerminalTest, DefaultThatDoesNotCloseLeavesTheBoxUnanswered) {
    // The default button only opens the details, and nobody can press another.
    const auto [answer, output] = Run(win::MB_OK | win::MB_DEFBUTTON2, "m", "d");
    EXPECT_EQ(answer, -1);
    EXPECT_NE(output.find("  | d\n"), std::string::npos) << output;
    EXPECT_NE(output.find("the box stays unanswered"), std::string::npos) << output;
}

class InteractiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        int slave = -1;
        if (::openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) GTEST_SKIP() << "no pseudo-terminal";
        input_.emplace(slave);
        ::close(slave);
        terminal_ = win::MakeWindowModel(win::MakeTerminalUser());
        previous_ = win::InstallWindowSystem(terminal_.get());
    }
    void TearDown() override {
        if (master_ < 0) return;
        win::InstallWindowSystem(previous_);
        input_.reset();
        ::close(master_);
    }

    // Types the lines and then end-of-input, so that a box still open
    // afterwards falls back to its default button instead of waiting.
    std::pair<int, std::string> Type(const std::string& lines, unsigned flags, const char* details) {
        const std::string typed = lines + "\x04";
        EXPECT_EQ(::write(master_, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
        ::testing::internal::CaptureStderr();
        const int answer = ShowMsgBox(nullptr, "Question", "Sure?", details, flags);
        return {answer, ::testing::internal::GetCapturedStderr()};
    }

    lurtest::UiLanguageScope language_{win::LANG_ENGLISH};
    int master_ = -1;
    std::optional<lurtest::StdinScope> input_;
    std::unique_ptr<win::WindowSystem> terminal_;
    win::WindowSystem* previous_ = nullptr;
};

struct TypedCase {
    const char* name;
    const char* typed;
    unsigned flags;
    int answer;
};
void PrintTo(const TypedCase& c, std::ostream* out) { *out << c.name; }

class TypedChoiceTest : public InteractiveTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedChoiceTest, Answer) { EXPECT_EQ(Type(GetParam().typed, GetParam().flags, "").first, GetParam().answer); }

INSTANTIATE_TEST_SUITE_P(
    Terminal, TypedChoiceTest,
    ::testing::Values(TypedCase{"EnterIsTheDefault", "\n", win::MB_YESNO | win::MB_DEFBUTTON2, win::IDNO},
                      TypedCase{"ButtonByNumber", "2\n", win::MB_OKCANCEL, win::IDCANCEL},
                      TypedCase{"CloseBox", "x\n", win::MB_OKCANCEL, win::IDCANCEL},
                      TypedCase{"NoCloseBoxFallsBackAtEnd", "x\n", win::MB_OK, win::IDOK},
                      TypedCase{"AsksAgainAfterNonsense", "9\nhello\n1\n", win::MB_YESNO, win::IDYES},
                      TypedCase{"HelpWithoutCallbackStaysOpen", "?\n", win::MB_OK | win::MB_HELP, win::IDOK},
                      TypedCase{"EndOfInputAtOnce", "", win::MB_RETRYCANCEL | win::MB_DEFBUTTON2, win::IDCANCEL}),
    [](const ::testing::TestParamInfo<TypedCase>& info) { return std::string(info.param.name); });

TEST_F(InteractiveTest, DetailsButtonRedrawsWithTheDetails) {
    const auto [answer, output] = Type("2\n1\n", win::MB_OK, "the details");
    EXPECT_EQ(answer, win::IDOK);
    const size_t first = output.find("== Question ==");
    const size_t second = output.find("== Question ==", first + 1);
    ASSERT_NE(second, std::string::npos) << output;
    EXPECT_EQ(output.find("  | the details"), output.find("  | the details", second)) << output;
    EXPECT_NE(output.find("Choose 1-2 (Enter = OK, ? = help, x = close): "), std::string::npos) << output;
}

}  // namespace
