// The message box's buttons, dialog procedure, callbacks, task-modal
// handling, colours and failure reports, run against the recording fake.
#include "LurMsgBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeWindowSystem.h"
#include "LanguageScope.h"
#include "LastError.h"
#include "StringResources.h"

using namespace lurutils;
using win::DialogView;
using win::UserAction;

namespace {

class MsgBoxTest : public ::testing::Test {
protected:
    // Shows a box, answering with the scripted actions.
    int Show(unsigned flags, const std::string& details = "", _MsgBoxExt* extension = nullptr,
             const _TextInfo& message = _TextInfo("Message")) {
        return ShowMsgBox(nullptr, "Caption", message, _TextInfo(details), flags, extension);
    }

    const DialogView& FirstView() const { return fake.Views().front(); }

    static std::vector<const win::ControlView*> Buttons(const DialogView& view) {
        std::vector<const win::ControlView*> buttons;
        for (const win::ControlView& control : view.controls)
            if (control.className == "BUTTON") buttons.push_back(&control);
        return buttons;
    }

    static std::vector<int> ButtonIds(const DialogView& view) {
        std::vector<int> ids;
        for (const win::ControlView* button : Buttons(view)) ids.push_back(button->id);
        return ids;
    }

    static std::string Caption(const DialogView& view, int id) {
        for (const win::ControlView* button : Buttons(view))
            if (button->id == id) return button->text;
        return "<none>";
    }

    std::vector<std::string> ReportTexts() const {
        std::vector<std::string> texts;
        for (const auto& report : fake.Reports()) texts.push_back(report.caption + "|" + report.text);
        return texts;
    }

    lurtest::UiLanguageScope language{win::LANG_ENGLISH};
    win::FakeWindowSystem fake;
};

// --- The button plan -------------------------------------------------------

struct ButtonPlanCase {
    const char* name;
    unsigned flags;
    const char* details;
    std::vector<std::pair<int32_t, _ButtonInf>> extensionButtons;
    std::vector<int> ids;
    int defaultId;
    bool closeBox;
};
void PrintTo(const ButtonPlanCase& c, std::ostream* out) { *out << c.name; }

class ButtonPlanTest : public MsgBoxTest, public ::testing::WithParamInterface<ButtonPlanCase> {};

TEST_P(ButtonPlanTest, RowDefaultAndCloseBox) {
    const ButtonPlanCase& c = GetParam();
    _MsgBoxExt extension;
    for (const auto& entry : c.extensionButtons) extension.buttons.insert(entry);
    Show(c.flags, c.details, c.extensionButtons.empty() ? nullptr : &extension);

    ASSERT_EQ(fake.Views().size(), 1u);
    EXPECT_EQ(ButtonIds(FirstView()), c.ids);
    EXPECT_EQ(FirstView().defaultButtonId, c.defaultId);
    EXPECT_EQ((FirstView().style & win::WS_SYSMENU) != 0, c.closeBox);
    EXPECT_TRUE(fake.Reports().empty()) << ReportTexts().front();
}

INSTANTIATE_TEST_SUITE_P(
    Flags, ButtonPlanTest,
    ::testing::Values(
        ButtonPlanCase{"Ok", win::MB_OK, "", {}, {1}, 1, false},
        ButtonPlanCase{"OkCancel", win::MB_OKCANCEL, "", {}, {1, 2}, 1, true},
        ButtonPlanCase{"AbortRetryIgnore", win::MB_ABORTRETRYIGNORE, "", {}, {3, 4, 5}, 3, false},
        ButtonPlanCase{"YesNoCancel", win::MB_YESNOCANCEL, "", {}, {6, 7, 2}, 6, true},
        ButtonPlanCase{"YesNo", win::MB_YESNO, "", {}, {6, 7}, 6, false},
        ButtonPlanCase{"RetryCancel", win::MB_RETRYCANCEL, "", {}, {4, 2}, 4, true},
        ButtonPlanCase{"CancelTryContinue", win::MB_CANCELTRYCONTINUE, "", {}, {2, 10, 11}, 2, true},
        ButtonPlanCase{"Set7IsOk", 7, "", {}, {1}, 1, false}, ButtonPlanCase{"Set15IsOk", 15, "", {}, {1}, 1, false},
        ButtonPlanCase{"SecondDefault", win::MB_OKCANCEL | win::MB_DEFBUTTON2, "", {}, {1, 2}, 2, true},
        ButtonPlanCase{"ThirdOfTwoIsFirst", win::MB_YESNO | win::MB_DEFBUTTON3, "", {}, {6, 7}, 6, false},
        ButtonPlanCase{
            "FourthOfThreeIsFirst", win::MB_ABORTRETRYIGNORE | win::MB_DEFBUTTON4, "", {}, {3, 4, 5}, 3, false},
        ButtonPlanCase{"UnnamedDefaultIsFirst", win::MB_OKCANCEL | 0x500, "", {}, {1, 2}, 1, true},
        ButtonPlanCase{
            "DetailsButtonCanBeDefault", win::MB_OK | win::MB_DEFBUTTON2, "more", {}, {1, 24110}, 24110, false},
        ButtonPlanCase{"HelpAfterDetails", win::MB_OK | win::MB_HELP, "more", {}, {1, 24110, 9}, 1, false},
        ButtonPlanCase{"ExtensionInIdOrder",
                       win::MB_OK | win::MB_DEFBUTTON3,
                       "",
                       {MakeButtonEntry(300, "Third", 3), MakeButtonEntry(100, "First", 1)},
                       {1, 100, 300},
                       300,
                       false},
        ButtonPlanCase{"ExtensionIdOfStandardButtonAddsNothing",
                       win::MB_OKCANCEL,
                       "",
                       {MakeButtonEntry(2, "Again", 0), MakeButtonEntry(100, "Print", 0)},
                       {1, 2, 100},
                       1,
                       true},
        ButtonPlanCase{"ExtensionCancelGivesCloseBoxOnlyWithStandardCancel",
                       win::MB_OK,
                       "",
                       {MakeButtonEntry(2, "Stop", 0)},
                       {1, 2},
                       1,
                       false}),
    [](const ::testing::TestParamInfo<ButtonPlanCase>& info) { return std::string(info.param.name); });

TEST_F(MsgBoxTest, ButtonCaptionsComeFromResourcesOrTheCaller) {
    _MsgBoxExt extension;
    extension.buttons.insert(MakeButtonEntry(100, "Print", 0));
    extension.buttons.insert(MakeButtonEntry(101, 24033, 0));  // caption from a resource
    extension.buttons.insert(MakeButtonEntry(24045, "", 0));   // caption from the resource of its own id
    extension.buttons.insert(MakeButtonEntry(102, 99999, 0));  // no such resource: empty caption
    Show(win::MB_OKCANCEL | win::MB_HELP, "details", &extension);

    const DialogView& view = FirstView();
    EXPECT_EQ(Caption(view, win::IDOK), "OK");
    EXPECT_EQ(Caption(view, win::IDCANCEL), "Cancel");
    EXPECT_EQ(Caption(view, LurMsgBox::kDetailsButtonId), "&Details");
    EXPECT_EQ(Caption(view, win::IDHELP), "Help");
    EXPECT_EQ(Caption(view, 100), "Print");
    EXPECT_EQ(Caption(view, 101), "&Yes");
    EXPECT_EQ(Caption(view, 24045), "&Continue");
    EXPECT_EQ(Caption(view, 102), "");
}

TEST_F(MsgBoxTest, CaptionsFollowTheLanguage) {
    win::SetUILanguage(win::LANG_HUNGARIAN);
    Show(win::MB_YESNOCANCEL, "x");
    EXPECT_EQ(Caption(FirstView(), win::IDYES), "&Igen");
    EXPECT_EQ(Caption(FirstView(), win::IDCANCEL), "M\xE9gse");  // code page 1250
    EXPECT_EQ(Caption(FirstView(), LurMsgBox::kDetailsButtonId), "&R\xE9szletek");
}

TEST_F(MsgBoxTest, ExtensionButtonWithoutCaptionOrIdKeepsItsPlace) {
    _MsgBoxExt extension;
    extension.buttons.insert(MakeButtonEntry(-1, "", 0));
    extension.buttons.insert(MakeButtonEntry(100, "Last", 0));
    Show(win::MB_OK, "", &extension);

    // Three places in the row, two buttons; the last one stays in the third place.
    const auto buttons = Buttons(FirstView());
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[1]->rect.left - buttons[0]->rect.left, 2 * (75 + 8));
    EXPECT_TRUE(fake.Reports().empty());
}

// --- Answers and the dialog procedure --------------------------------------

struct AnswerCase {
    const char* name;
    unsigned flags;
    UserAction action;
    int result;  // -1: the box is still open after the action
};
void PrintTo(const AnswerCase& c, std::ostream* out) { *out << c.name; }

class AnswerTest : public MsgBoxTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(AnswerTest, EndsOnlyWithAButtonOfItsSet) {
    fake.Script({GetParam().action});
    EXPECT_EQ(Show(GetParam().flags), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, AnswerTest,
    ::testing::Values(AnswerCase{"EnterOk", win::MB_OK, {UserAction::Enter, 0}, 1},
                      AnswerCase{"EscapeOkIgnored", win::MB_OK, {UserAction::Escape, 0}, -1},
                      AnswerCase{"EscapeYesNoIgnored", win::MB_YESNO, {UserAction::Escape, 0}, -1},
                      AnswerCase{
                          "EscapeAbortRetryIgnoreIgnored", win::MB_ABORTRETRYIGNORE, {UserAction::Escape, 0}, -1},
                      AnswerCase{"EscapeOkCancel", win::MB_OKCANCEL, {UserAction::Escape, 0}, 2},
                      AnswerCase{"EscapeYesNoCancel", win::MB_YESNOCANCEL, {UserAction::Escape, 0}, 2},
                      AnswerCase{"EscapeRetryCancel", win::MB_RETRYCANCEL, {UserAction::Escape, 0}, 2},
                      AnswerCase{"EscapeCancelTryContinue", win::MB_CANCELTRYCONTINUE, {UserAction::Escape, 0}, 2},
                      AnswerCase{"EnterSecondDefault", win::MB_YESNO | win::MB_DEFBUTTON2, {UserAction::Enter, 0}, 7},
                      AnswerCase{"PressIgnore", win::MB_ABORTRETRYIGNORE, {UserAction::Press, 5}, 5},
                      AnswerCase{"PressContinue", win::MB_CANCELTRYCONTINUE, {UserAction::Press, 11}, 11},
                      AnswerCase{"HelpWithoutCallbackStaysOpen", win::MB_OK | win::MB_HELP, {UserAction::Press, 9}, -1},
                      AnswerCase{"F1WithoutCallbackStaysOpen", win::MB_OK, {UserAction::Help, 0}, -1}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

struct CallbackLog {
    std::vector<std::vector<uint32_t>> calls;  // id, userData, value
    bool answer = false;
    bool endOnPress = false;
    bool constructAnotherBox = false;
};
CallbackLog g_callbacks;

bool RecordingCallback(win::HWND dialog, int32_t id, uint32_t userData, uint32_t value) {
    g_callbacks.calls.push_back({static_cast<uint32_t>(id), userData, value});
    if (g_callbacks.constructAnotherBox) LurMsgBox another;
    if (g_callbacks.endOnPress) win::GetWindowSystem().EndDialog(dialog, 1000 + id);
    return g_callbacks.answer;
}

class CallbackTest : public MsgBoxTest {
protected:
    void SetUp() override {
        g_callbacks = CallbackLog{};
        extension.callback = RecordingCallback;
        extension.userData = 77;
        extension.helpValue = 5;
        extension.buttons.insert(MakeButtonEntry(100, "Print", 42));
        extension.buttons.insert(MakeButtonEntry(win::IDYES, "Yes!", 43));
    }
    _MsgBoxExt extension;
};

struct ProcAnswerCase {
    const char* name;
    UserAction action;
    bool callbackAnswer;
    win::INT_PTR answer;
    std::vector<std::vector<uint32_t>> calls;
};
void PrintTo(const ProcAnswerCase& c, std::ostream* out) { *out << c.name; }

class ProcAnswerTest : public CallbackTest, public ::testing::WithParamInterface<ProcAnswerCase> {};

TEST_P(ProcAnswerTest, AnswerPerCommand) {
    g_callbacks.answer = GetParam().callbackAnswer;
    fake.Script({GetParam().action});
    EXPECT_EQ(Show(win::MB_OK | win::MB_HELP, "details", &extension), -1);
    ASSERT_EQ(fake.Views().size(), 2u);
    EXPECT_EQ(fake.Views()[1].lastAnswer, GetParam().answer);
    EXPECT_EQ(g_callbacks.calls, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ProcAnswerTest,
    ::testing::Values(
        ProcAnswerCase{"HelpHandled", {UserAction::Press, 9}, true, win::FALSE, {{9, 77, 5}}},
        ProcAnswerCase{"HelpNotHandled", {UserAction::Press, 9}, false, win::TRUE, {{9, 77, 5}}},
        ProcAnswerCase{"F1Handled", {UserAction::Help, 0}, true, win::FALSE, {{9, 77, 5}}},
        ProcAnswerCase{"ExtensionButtonHandled", {UserAction::Press, 100}, true, win::FALSE, {{100, 77, 42}}},
        ProcAnswerCase{"ExtensionButtonNotHandled", {UserAction::Press, 100}, false, win::TRUE, {{100, 77, 42}}},
        ProcAnswerCase{"TextControlNotification", {UserAction::Press, LurMsgBox::kMessageId}, true, win::TRUE, {}},
        ProcAnswerCase{"DetailsToggle", {UserAction::Press, LurMsgBox::kDetailsButtonId}, false, win::FALSE, {}},
        ProcAnswerCase{"EscapeWithoutCancel", {UserAction::Escape, 0}, true, win::FALSE, {}}),
    [](const ::testing::TestParamInfo<ProcAnswerCase>& info) { return std::string(info.param.name); });

TEST_F(CallbackTest, StandardIdsCallBackThenEnd) {
    fake.Script({{UserAction::Press, win::IDYES}});
    EXPECT_EQ(Show(win::MB_YESNO, "", &extension), win::IDYES);
    EXPECT_EQ(g_callbacks.calls, (std::vector<std::vector<uint32_t>>{{6, 77, 43}}));
    fake.Script({{UserAction::Enter, 0}});
    EXPECT_EQ(Show(win::MB_OK, "", &extension), win::IDOK);
    EXPECT_EQ(g_callbacks.calls.size(), 1u) << "OK has no extension entry, so no call";
}

TEST_F(CallbackTest, CallbackMayEndTheDialogAndFocusReturns) {
    g_callbacks.endOnPress = true;
    fake.Press(100);
    EXPECT_EQ(Show(win::MB_OK, "", &extension), 1100);
    // The focus noted before the call is given back after it.
    const auto setFocus = fake.CallsOf("SetFocus");
    ASSERT_EQ(setFocus.size(), 2u);
    EXPECT_EQ(setFocus.back().args, setFocus.front().args) << "the default button has the focus again";
    EXPECT_EQ(fake.CountOf("GetFocus"), 1u);
}

TEST_F(CallbackTest, AnotherBoxDoesNotTakeOverTheOpenDialog) {
    g_callbacks.constructAnotherBox = true;
    fake.Script({{UserAction::Press, 100}, {UserAction::Enter, 0}});
    EXPECT_EQ(Show(win::MB_OK, "", &extension), win::IDOK);
    EXPECT_TRUE(fake.Reports().empty());
}

TEST_F(MsgBoxTest, MessageReachingNoBoxIsIgnored) {
    const win::HWND stray = fake.CreateWindowEx(0, "STATIC", "", win::WS_POPUP, 0, 0, 10, 10, nullptr, 0, nullptr);
    EXPECT_EQ(LurMsgBox::DialogProc(stray, win::WM_SETFONT, 0, 0), win::FALSE);
    EXPECT_TRUE(fake.Reports().empty());
    EXPECT_EQ(LurMsgBox::DialogProc(stray, win::WM_COMMAND, win::IDOK, 0), win::FALSE);
    ASSERT_EQ(fake.Reports().size(), 1u);
    EXPECT_EQ(fake.Reports()[0].caption, "ASSERT ERROR");
    EXPECT_EQ(fake.Reports()[0].text.find("Original error"), std::string::npos);
    EXPECT_EQ(fake.CountOf("EndDialog"), 0u);
}

// --- Task-modal boxes -------------------------------------------------------

class TaskModalTest : public MsgBoxTest {
protected:
    win::HWND Make(uint32_t style, uint32_t exStyle) {
        return fake.CreateWindowEx(exStyle, "STATIC", "", style, 0, 0, 10, 10, nullptr, 0, nullptr);
    }
    std::vector<std::string> EnableCalls() const {
        std::vector<std::string> args;
        for (const auto& call : fake.CallsOf("EnableWindow")) args.push_back(call.args);
        return args;
    }
    static std::string Args(win::HWND window, bool enable) {
        return std::to_string(win::HandleNumber(window)) + (enable ? ",true" : ",false");
    }
};

TEST_F(TaskModalTest, DisablesPopupAndTopmostWindowsAndRestoresTheirState) {
    const win::HWND popup = Make(win::WS_POPUP, 0);
    const win::HWND disabledPopup = Make(win::WS_POPUP | win::WS_DISABLED, 0);
    const win::HWND topmost = Make(0, win::WS_EX_TOPMOST);
    const win::HWND plain = Make(0, 0);
    fake.ClearCalls();

    fake.Enter();
    EXPECT_EQ(Show(win::MB_OK | win::MB_TASKMODAL), win::IDOK);

    EXPECT_EQ(EnableCalls(),
              (std::vector<std::string>{Args(popup, false), Args(disabledPopup, false), Args(topmost, false),
                                        Args(popup, true), Args(disabledPopup, false), Args(topmost, true)}));
    EXPECT_TRUE(fake.IsWindowEnabled(popup));
    EXPECT_FALSE(fake.IsWindowEnabled(disabledPopup));
    EXPECT_TRUE(fake.IsWindowEnabled(topmost));
    EXPECT_TRUE(fake.IsWindowEnabled(plain));
    EXPECT_TRUE(fake.Reports().empty());
}

TEST_F(TaskModalTest, OnlyWithoutOwnerAndWithTaskModalAlone) {
    const win::HWND owner = Make(win::WS_POPUP, 0);
    fake.ClearCalls();
    ShowMsgBox(owner, "c", _TextInfo("m"), _TextInfo(), win::MB_TASKMODAL, nullptr);
    Show(win::MB_TASKMODAL | win::MB_SYSTEMMODAL);
    Show(win::MB_OK);
    EXPECT_TRUE(EnableCalls().empty());
    EXPECT_EQ(fake.CountOf("EnumThreadWindows"), 0u);
}

TEST_F(TaskModalTest, EnableFailuresOtherThanAMissingWindowAreReported) {
    Make(win::WS_POPUP, 0);
    fake.FailCall("EnableWindow", win::ERROR_INVALID_WINDOW_HANDLE, 2);
    Show(win::MB_TASKMODAL);
    EXPECT_TRUE(fake.Reports().empty());

    fake.FailCall("EnableWindow", win::ERROR_ACCESS_DENIED, 1);
    Show(win::MB_TASKMODAL);
    ASSERT_EQ(fake.Reports().size(), 1u);
    EXPECT_NE(fake.Reports()[0].text.find("(5)\r\n File:GenModules\\LurUtils\\LurMsgBox\r\n Line:"), std::string::npos)
        << fake.Reports()[0].text;
}

// --- Topmost, caption, colours, ownership ----------------------------------

TEST_F(MsgBoxTest, TopmostAndForeground) {
    Show(win::MB_TOPMOST);
    EXPECT_NE(FirstView().exStyle & win::WS_EX_TOPMOST, 0u);
    EXPECT_EQ(FirstView().caption, "Caption");
    Show(win::MB_SYSTEMMODAL | win::MB_SETFOREGROUND);
    EXPECT_NE(fake.Views()[1].exStyle & win::WS_EX_TOPMOST, 0u);
    EXPECT_EQ(fake.CountOf("SetForegroundWindow"), 1u);
    Show(win::MB_OK);
    EXPECT_EQ(fake.Views()[2].exStyle & win::WS_EX_TOPMOST, 0u);
}

TEST_F(MsgBoxTest, SystemColoursResolveOnceAndRealColoursStay) {
    const _TextInfo message("Error", _FontInf("", 14, FONT_BOLD, 0xA4, 255), 0x00FFFF);
    fake.Script({{UserAction::Paint, 0}, {UserAction::Paint, 0}, {UserAction::Enter, 0}});
    Show(win::MB_OK | MSGBOX_DETAILS_OPEN, "details", nullptr, message);

    std::vector<std::string> text, background;
    for (const auto& call : fake.CallsOf("SetTextColor")) text.push_back(call.args.substr(call.args.find(',') + 1));
    for (const auto& call : fake.CallsOf("SetBkColor")) background.push_back(call.args.substr(call.args.find(',') + 1));
    // Message then details, twice: read-only texts take the button-face background.
    EXPECT_EQ(text, (std::vector<std::string>{"164", "0", "164", "0"}));
    EXPECT_EQ(background, (std::vector<std::string>{"65535", "15790320", "65535", "15790320"}));
    EXPECT_EQ(fake.CountOf("CreateSolidBrush"), 2u);
    EXPECT_EQ(fake.CountOf("DeleteBrush"), 2u);
    EXPECT_EQ(fake.CountOf("CreateFontIndirect"), fake.CountOf("DeleteFont"));
}

// --- Failure reports --------------------------------------------------------

TEST_F(MsgBoxTest, DialogThatCannotBeCreatedAnswersMinusOneWithAReport) {
    fake.FailCall("DialogBoxIndirectParam", win::ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(Show(win::MB_OK), -1);
    ASSERT_EQ(fake.Reports().size(), 1u);
    const std::string& text = fake.Reports()[0].text;
    EXPECT_EQ(fake.Reports()[0].caption, "ASSERT ERROR");
    EXPECT_EQ(fake.Reports()[0].type, win::MB_ICONERROR);
    EXPECT_NE(text.find(" (1814)\r\n Original error: Message\r\n File:GenModules\\LurUtils\\LurMsgBox\r\n Line:"),
              std::string::npos)
        << text;
}

TEST_F(MsgBoxTest, FailureWithoutErrorCodeIsNotReported) {
    fake.FailCall("DialogBoxIndirectParam", 0);
    EXPECT_EQ(Show(win::MB_OK), -1);
    EXPECT_TRUE(fake.Reports().empty());
}

TEST_F(MsgBoxTest, LongReportIsCutAndTheWorkGoesOn) {
    fake.FailCall("SetWindowText", win::ERROR_ACCESS_DENIED);
    fake.Enter();
    EXPECT_EQ(Show(win::MB_OK, "", nullptr, _TextInfo(std::string(1000, 'x'))), win::IDOK);
    ASSERT_EQ(fake.Reports().size(), 1u);
    EXPECT_EQ(fake.Reports()[0].text.size(), 259u);
}

TEST_F(MsgBoxTest, EveryFailedCallIsReportedAndTheBoxStillAnswers) {
    for (const char* call : {"CreateWindowEx", "LoadIcon", "GetDesktopWindow", "SetWindowPos", "CreateFontIndirect",
                             "GetDC", "MoveWindow", "GetWindowRect"}) {
        SCOPED_TRACE(call);
        const size_t before = fake.Reports().size();
        fake.FailCall(call, win::ERROR_NOT_ENOUGH_MEMORY);
        fake.Enter();
        const _TextInfo message("m", _FontInf("Serif", 10));
        EXPECT_EQ(Show(win::MB_OKCANCEL | win::MB_ICONQUESTION, "", nullptr, message), win::IDOK);
        // The failure itself is reported first; later calls may fail in its wake.
        ASSERT_GT(fake.Reports().size(), before);
        EXPECT_NE(fake.Reports()[before].text.find("(8)"), std::string::npos) << fake.Reports()[before].text;
    }
}

// --- Plain form --------------------------------------------------------------

TEST_F(MsgBoxTest, PlainFormTakesNullTextsAsEmpty) {
    fake.Enter();
    EXPECT_EQ(ShowMsgBox(nullptr, nullptr, nullptr, nullptr, win::MB_OK), win::IDOK);
    EXPECT_EQ(FirstView().caption, "");
    EXPECT_EQ(ButtonIds(FirstView()), (std::vector<int>{1}));
}

// --- Value types -------------------------------------------------------------

TEST(MsgBoxTypes, FontDefaultsAndEquality) {
    const _FontInf plain;
    EXPECT_TRUE(plain.IsDialogFont());
    EXPECT_FALSE(_FontInf("", 0, FONT_DIALOG_STYLE, 0xA4, 255).IsDialogFont()) << "a colour needs a font";
    EXPECT_TRUE(_FontInf("", 0).IsDialogFont());

    const _FontInf bold("Sans", 14, FONT_BOLD, 0xA4, 238);
    EXPECT_EQ(bold.style, FONT_BOLD);
    EXPECT_EQ(bold.colour, 0xA4u);
    EXPECT_EQ(bold.charset, 238);
    EXPECT_EQ(bold, _FontInf("Sans", 14)) << "style, charset and colour take no part";
    EXPECT_NE(bold, _FontInf("Sans", 12));
    EXPECT_NE(bold, _FontInf("Serif", 14));

    _FontInf copy;
    copy = bold;
    EXPECT_EQ(copy.colour, 0xA4u);
    const _FontInf& same = copy;
    copy = same;
    EXPECT_EQ(copy.face, "Sans");

    const _ButtonInf byText("Go", 3), byId(24029, 4), none;
    EXPECT_EQ(byText.captionId, -1);
    EXPECT_EQ(byId.caption, "");
    EXPECT_EQ(none.captionId, -1);
    EXPECT_EQ(none.value, 0);
    EXPECT_EQ(MakeButtonEntry(7, "Go", 3).first, 7);
}

}  // namespace
