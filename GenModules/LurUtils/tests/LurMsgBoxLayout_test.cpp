// The message box's geometry on the fake's 1024 x 768 desktop, whose dialog
// font measures 8 x 16 pixels a character: text preparation and measurement,
// fonts, the places of the controls and the details toggle.
#include "LurMsgBox.h"

#include <gtest/gtest.h>

#include <string>

#include "FakeWindowSystem.h"
#include "LanguageScope.h"
#include "LastError.h"
#include "StringResources.h"

using namespace lurutils;
using win::DialogView;
using win::UserAction;

namespace {

struct Box {
    int left, top, width, height;
    bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << '{' << box.left << ' ' << box.top << ' ' << box.width << ' ' << box.height << '}';
}

Box BoxOf(const win::RECT& rect) { return Box{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}; }

const std::string k25Characters = "abcdefghijklmnopqrstuvwxy";  // 200 x 16

class LayoutTest : public ::testing::Test {
protected:
    int Show(unsigned flags, const _TextInfo& message, const std::string& details = "") {
        return ShowMsgBox(nullptr, "Caption", message, _TextInfo(details), flags, nullptr);
    }

    static const win::ControlView* Control(const DialogView& view, int id) {
        for (const win::ControlView& control : view.controls)
            if (control.id == id) return &control;
        return nullptr;
    }
    static Box ControlBox(const DialogView& view, int id) {
        const win::ControlView* control = Control(view, id);
        return control != nullptr ? BoxOf(control->rect) : Box{-1, -1, -1, -1};
    }
    const DialogView& View(size_t index = 0) const { return fake.Views().at(index); }

    lurtest::UiLanguageScope language{win::LANG_ENGLISH};
    win::FakeWindowSystem fake;
};

TEST_F(LayoutTest, OneLineOkBoxOnTheStandardDesktop) {
    LurMsgBox box;
    fake.Enter();
    EXPECT_EQ(box.Show(nullptr, "Caption", _TextInfo(k25Characters), _TextInfo(), win::MB_OK, nullptr), win::IDOK);

    EXPECT_EQ(box.Metrics().maxWidth, 682);
    EXPECT_EQ(box.Metrics().maxHeight, 512);
    EXPECT_EQ(box.Layout().contentWidth, 206);
    EXPECT_EQ(box.Layout().contentHeight, 62);
    const DialogView& view = View();
    EXPECT_EQ(ControlBox(view, LurMsgBox::kMessageId), (Box{10, 5, 206, 16}));
    EXPECT_EQ(ControlBox(view, win::IDOK), (Box{75, 29, 75, 25}));
    EXPECT_EQ(BoxOf(view.client), (Box{0, 0, 226, 72}));
    // Centred on the desktop.
    const Box window = BoxOf(view.window);
    EXPECT_EQ(window.left, (1024 - window.width) / 2);
    EXPECT_EQ(window.top, (768 - window.height) / 2);
    EXPECT_EQ(box.Layout().collapsedHeight, window.height);
    EXPECT_TRUE(fake.Reports().empty());
}

TEST_F(LayoutTest, IconShiftsTheMessageAndCentresItVertically) {
    Show(win::MB_OK | win::MB_ICONEXCLAMATION, _TextInfo("line"));
    const win::ControlView* icon = Control(View(), LurMsgBox::kIconId);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->iconId, win::IDI_EXCLAMATION);
    EXPECT_EQ(BoxOf(icon->rect), (Box{10, 5, 32, 32}));
    EXPECT_EQ(ControlBox(View(), LurMsgBox::kMessageId).left, 58);
    EXPECT_EQ(ControlBox(View(), LurMsgBox::kMessageId).top, 13);
    EXPECT_EQ(ControlBox(View(), win::IDOK).top, 5 + 32 + 8);
}

TEST_F(LayoutTest, IconBits) {
    const struct {
        unsigned bits;
        int iconId;
    } cases[] = {{0x10, win::IDI_HAND},
                 {0x20, win::IDI_QUESTION},
                 {0x30, win::IDI_EXCLAMATION},
                 {0x40, win::IDI_ASTERISK},
                 {0x50, 0},
                 {0x80, 0},
                 {0xF0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        fake.ClearCalls();
        Show(c.bits, _TextInfo("m"));
        const win::ControlView* icon = Control(fake.Views().back(), LurMsgBox::kIconId);
        EXPECT_EQ(icon != nullptr ? icon->iconId : 0, c.iconId);
        if (c.iconId == 0) {
            EXPECT_EQ(ControlBox(fake.Views().back(), LurMsgBox::kMessageId).left, 10);
        }
    }
}

struct MeasureCase {
    const char* name;
    std::string text;
    _FontInf font;
    Box message;  // the message control after the dialog is fitted
    bool scrollBar;
};
void PrintTo(const MeasureCase& c, std::ostream* out) { *out << c.name; }

class MeasureTest : public LayoutTest, public ::testing::WithParamInterface<MeasureCase> {};

TEST_P(MeasureTest, MessageControl) {
    Show(win::MB_OK, _TextInfo(GetParam().text, GetParam().font));
    const win::ControlView* message = Control(View(), LurMsgBox::kMessageId);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(BoxOf(message->rect), GetParam().message);
    EXPECT_EQ((message->style & win::WS_VSCROLL) != 0, GetParam().scrollBar);
    EXPECT_TRUE(fake.Reports().empty());
}

std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "line\n";
    return text;
}

// The message control is stretched to the dialog (at least the 75-pixel
// button row), so its width is contentWidth; heights and content widths
// are what the measurement gave.
INSTANTIATE_TEST_SUITE_P(
    Texts, MeasureTest,
    ::testing::Values(
        MeasureCase{"Empty", "", _FontInf(), {10, 5, 75, 0}, false},
        MeasureCase{"FinalLineEndIsALine", "abc\r\n", _FontInf(), {10, 5, 75, 32}, false},
        MeasureCase{"LoneLineEndsCount", "a\rb\nc", _FontInf(), {10, 5, 75, 48}, false},
        MeasureCase{
            "BoldAddsASpace", k25Characters, _FontInf("", 0, FONT_BOLD, kSystemColour, 255), {10, 5, 214, 16}, false},
        MeasureCase{"ItalicIsAFifthWider",
                    k25Characters,
                    _FontInf("", 0, FONT_ITALIC, kSystemColour, 255),
                    {10, 5, 246, 16},
                    false},
        MeasureCase{"TabsExpandToEight", "\tab", _FontInf(), {10, 5, 86, 16}, false},
        MeasureCase{"LongLineIsCutIntoPieces", std::string(100, 'w'), _FontInf(), {10, 5, 688, 32}, false},
        MeasureCase{"TallerThanTwoThirdsScrolls", Lines(40), _FontInf(), {10, 5, 75, 512}, true},
        MeasureCase{"FontSizeInPoints", "ab", _FontInf("", 14, FONT_BOLD, 0xA4, 255), {10, 5, 75, 19}, false}),
    [](const ::testing::TestParamInfo<MeasureCase>& info) { return std::string(info.param.name); });

TEST_F(LayoutTest, MeasurementEndsWhenNotOneCharacterFits) {
    // A failing fit query answers 0 characters: every piece then takes one.
    fake.FailCall("GetTextExtentExPoint", win::ERROR_INVALID_PARAMETER, 1000);
    fake.Enter();
    EXPECT_EQ(Show(win::MB_OK, _TextInfo("abcd")), win::IDOK);
    EXPECT_EQ(ControlBox(View(), LurMsgBox::kMessageId).height, 4 * 16);
    EXPECT_EQ(fake.Reports().size(), 4u);
}

struct FontCase {
    const char* name;
    _FontInf font;
    std::string logFont;
};
void PrintTo(const FontCase& c, std::ostream* out) { *out << c.name; }

class FontTest : public LayoutTest, public ::testing::WithParamInterface<FontCase> {};

TEST_P(FontTest, BuiltOnTheDialogFont) {
    Show(win::MB_OK, _TextInfo("m", GetParam().font));
    const auto made = fake.CallsOf("CreateFontIndirect");
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].args, GetParam().logFont);
    EXPECT_EQ(fake.CountOf("DeleteFont"), 1u) << "the box owns its fonts";
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, FontTest,
    ::testing::Values(FontCase{"SizeTen", _FontInf("", 10),
                               "{height -13 weight 400 italic 0 underline 0 strikeOut 0 charSet 0 face \"Sans\"}"},
                      FontCase{"SizeZeroKeepsHeight", _FontInf("Serif", 0),
                               "{height -16 weight 400 italic 0 underline 0 strikeOut 0 charSet 0 face \"Serif\"}"},
                      FontCase{"LoginRefusal", _FontInf("", 14, FONT_BOLD, 0xA4, 255),
                               "{height -19 weight 700 italic 0 underline 0 strikeOut 0 charSet 0 face \"Sans\"}"},
                      FontCase{"StyleBits",
                               _FontInf("", 0, FONT_ITALIC | FONT_UNDERLINE | FONT_STRIKEOUT, kSystemColour, 238),
                               "{height -16 weight 400 italic 1 underline 1 strikeOut 1 charSet 238 face \"Sans\"}"},
                      FontCase{"DialogStyleWinsOverBits", _FontInf("", 0, FONT_DIALOG_STYLE | FONT_BOLD, 0x10, 255),
                               "{height -16 weight 400 italic 0 underline 0 strikeOut 0 charSet 0 face \"Sans\"}"},
                      FontCase{"LongFaceCutTo31", _FontInf(std::string(40, 'F'), 0),
                               "{height -16 weight 400 italic 0 underline 0 strikeOut 0 charSet 0 face \"" +
                                   std::string(31, 'F') + "\"}"}),
    [](const ::testing::TestParamInfo<FontCase>& info) { return std::string(info.param.name); });

TEST_F(LayoutTest, DetailsToggleGrowsDownAndSwitchesHeights) {
    LurMsgBox box;
    const int details = LurMsgBox::kDetailsButtonId;
    fake.Script({{UserAction::Press, details}, {UserAction::Press, details}, {UserAction::Press, details}});
    box.Show(nullptr, "Caption", _TextInfo(k25Characters), _TextInfo("0123456789"), win::MB_OK, nullptr);
    ASSERT_EQ(fake.Views().size(), 4u);

    const Box collapsed = BoxOf(View(0).window);
    EXPECT_EQ(Control(View(0), LurMsgBox::kDetailsId), nullptr);
    EXPECT_EQ(ControlBox(View(0), win::IDOK), (Box{34, 29, 75, 25}));
    EXPECT_EQ(ControlBox(View(0), details), (Box{117, 29, 75, 25}));

    const Box expanded = BoxOf(View(1).window);
    EXPECT_EQ(ControlBox(View(1), LurMsgBox::kDetailsId), (Box{10, 62, 206, 28}));
    EXPECT_EQ(BoxOf(View(1).client), (Box{0, 0, 226, 108}));
    EXPECT_EQ(expanded.top, collapsed.top);
    EXPECT_EQ(expanded.left, collapsed.left);
    EXPECT_EQ(expanded.height, collapsed.height + 36);
    EXPECT_EQ(box.Layout().collapsedHeight, collapsed.height);
    EXPECT_EQ(box.Layout().expandedHeight, expanded.height);

    EXPECT_EQ(BoxOf(View(2).window), collapsed);
    EXPECT_FALSE(Control(View(2), LurMsgBox::kDetailsId)->visible);
    EXPECT_EQ(BoxOf(View(3).window), expanded);
    EXPECT_TRUE(Control(View(3), LurMsgBox::kDetailsId)->visible);
    EXPECT_TRUE(fake.Reports().empty());
}

TEST_F(LayoutTest, WideDetailsKeepTheCentreAndCentreTheButtons) {
    Show(win::MB_OK | MSGBOX_DETAILS_OPEN, _TextInfo(k25Characters), std::string(40, 'd'));
    const DialogView& view = View();
    // 40 characters: 320 + 12 for the edge + 6 = 338 wide, 132 more than before.
    EXPECT_EQ(ControlBox(view, LurMsgBox::kDetailsId).width, 338);
    EXPECT_EQ(BoxOf(view.client).width, 358);
    const Box window = BoxOf(view.window);
    EXPECT_EQ(window.left, (1024 - 232) / 2 - 66);
    EXPECT_EQ(ControlBox(view, win::IDOK).left, (338 - 158) / 2 + 10);
    EXPECT_EQ(ControlBox(view, LurMsgBox::kDetailsButtonId).left, (338 - 158) / 2 + 10 + 83);
    EXPECT_EQ(ControlBox(view, LurMsgBox::kMessageId).width, 338);
}

TEST_F(LayoutTest, EmptyDetailsOpenedStillGetAFrame) {
    Show(win::MB_OK | MSGBOX_DETAILS_OPEN, _TextInfo("m"));
    EXPECT_EQ(Control(View(), LurMsgBox::kDetailsButtonId), nullptr);
    const Box details = ControlBox(View(), LurMsgBox::kDetailsId);
    EXPECT_EQ(details.height, 12);
    EXPECT_EQ(details.top, 5 + 16 + 8 + 25 + 8);
}

TEST_F(LayoutTest, TextAlignmentAndReadingOrder) {
    const struct {
        unsigned flags;
        uint32_t style;
        uint32_t exStyle;
    } cases[] = {{win::MB_RIGHT, win::ES_RIGHT, 0},
                 {MSGBOX_CENTER_TEXT, win::ES_CENTER, 0},
                 {win::MB_RIGHT | MSGBOX_CENTER_TEXT, win::ES_RIGHT, 0},
                 {win::MB_RTLREADING, 0, win::WS_EX_RTLREADING}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        Show(c.flags, _TextInfo("m"));
        const DialogView& view = fake.Views().back();
        const win::ControlView* message = Control(view, LurMsgBox::kMessageId);
        EXPECT_EQ(message->style & 0x3u, c.style);
        EXPECT_EQ(message->exStyle, c.exStyle);
        EXPECT_EQ(Control(view, win::IDOK)->exStyle, c.exStyle);
    }
}

TEST(MsgBoxText, Preparation) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"a\nb", "a\r\nb"},
        {"a\rb", "a\r\nb"},
        {"a\r\nb", "a\r\nb"},
        {"\n\r", "\r\n\r\n"},
        {"\r\r\n", "\r\n\r\n"},
        {"abc\n", "abc\r\n"},
        {"a\tb", "a       b"},
        {"x\n\tb", "x\r\n        b"},
        {"12345678\t|", "12345678        |"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(LurMsgBox::PrepareText(c.in), c.out) << c.in;
}

}  // namespace
