// The login dialog on the window system: what it shows, how typing and
// choosing change it, and its refusal when nobody can answer.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "FakeWindowSystem.h"
#include "TRdmLogin.h"

namespace {

const win::ControlView* Control(const win::DialogView& view, int id) {
    for (const win::ControlView& control : view.controls)
        if (control.id == id) return &control;
    return nullptr;
}

class TRdmLoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialog_.SetServices({"car", "Teszt"});
        dialog_.SetService("teszt");
        dialog_.SetUser("ADMIN");
    }
    const win::DialogView& FirstView() const { return windows_.Views().front(); }

    win::FakeWindowSystem windows_;
    TRdmLogin dialog_;
};

TEST_F(TRdmLoginTest, OpensWithTheValuesCaptionsAndAChosenService) {
    windows_.Escape();
    EXPECT_FALSE(dialog_.Run());
    ASSERT_FALSE(windows_.Views().empty());
    const win::DialogView& view = FirstView();
    const win::ControlView* user = Control(view, TRdmLogin::kUserEntryId);
    const win::ControlView* password = Control(view, TRdmLogin::kPasswordEntryId);
    const win::ControlView* choice = Control(view, TRdmLogin::kServiceChoiceId);
    ASSERT_TRUE(user && password && choice);
    EXPECT_EQ(user->text, "ADMIN");
    EXPECT_EQ(user->textLimit, TRdmLogin::kEntryLimit);
    EXPECT_NE(password->style & win::ES_PASSWORD, 0u);
    EXPECT_EQ(choice->items, (std::vector<std::string>{"CAR", "TESZT"}));
    EXPECT_EQ(choice->text, "TESZT");
    EXPECT_FALSE(choice->enabled);                                // no service choice by default
    EXPECT_FALSE(Control(view, TRdmLogin::kConfirmId)->enabled);  // no password yet
    EXPECT_EQ(Control(view, TRdmLogin::kUserCaptionId)->text, "Felhaszn\xE1l\xF3:");
    EXPECT_EQ(view.defaultButtonId, TRdmLogin::kConfirmId);
}

TEST_F(TRdmLoginTest, TypedTextIsUpperCaseAndLimitedAndTheChoiceIsTaken) {
    dialog_.SetCaptions("", "", "", "OK", "", "Login", true);
    windows_.Script({{win::UserAction::Type, TRdmLogin::kUserEntryId, "clerk"},
                     {win::UserAction::Type, TRdmLogin::kPasswordEntryId, "averyveryverylongpassword"},
                     {win::UserAction::Type, TRdmLogin::kServiceChoiceId, "CAR"},
                     {win::UserAction::Enter}});
    EXPECT_TRUE(dialog_.Run());
    EXPECT_EQ(dialog_.GetUser(), "CLERK");
    EXPECT_EQ(dialog_.GetPassword(), "AVERYVERYVERYLO");
    EXPECT_EQ(dialog_.GetService(), "CAR");
    EXPECT_EQ(FirstView().caption, "Login");
    EXPECT_EQ(Control(FirstView(), TRdmLogin::kConfirmId)->text, "OK");
    EXPECT_TRUE(Control(FirstView(), TRdmLogin::kServiceChoiceId)->enabled);
    EXPECT_TRUE(Control(windows_.Views().back(), TRdmLogin::kConfirmId)->enabled);
}

TEST_F(TRdmLoginTest, AServiceOutsideTheListStaysTheDialogsService) {
    dialog_.SetService("other");
    dialog_.SetPassword("X");
    windows_.Enter();
    EXPECT_TRUE(dialog_.Run());
    EXPECT_EQ(Control(FirstView(), TRdmLogin::kServiceChoiceId)->text, "");
    EXPECT_TRUE(Control(FirstView(), TRdmLogin::kConfirmId)->enabled);
    EXPECT_EQ(dialog_.GetService(), "OTHER");
}

TEST(TRdmLoginTerminalTest, WithoutATerminalTheDialogIsCancelledAtOnce) {
    // In a child without a controlling terminal (its standard input, which
    // may carry a script, is never asked): the answer is its exit status.
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        const std::unique_ptr<win::WindowSystem> terminal = win::MakeWindowModel(win::MakeTerminalUser());
        win::InstallWindowSystem(terminal.get());
        TRdmLogin dialog;
        dialog.SetUser("ADMIN");
        dialog.SetService("SVC");
        _exit(dialog.Run() ? 1 : dialog.GetUser() == "ADMIN" ? 0 : 2);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
