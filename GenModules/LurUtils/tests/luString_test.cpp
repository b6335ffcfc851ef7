#include <gtest/gtest.h>

#include <cstdarg>
#include <functional>
#include <locale>
#include <string>
#include <utility>
#include <vector>

#include "Crt.h"
#include "ExpectRaise.h"
#include "LocaleFactory.h"
#include "LurExceptBaseArg.h"
#include "luString.h"

namespace {

using lurutils::npos;

const std::locale& Hungarian() {
    static const std::locale loc = win::TableLocale("hu_HU");
    return loc;
}

const std::locale& English() {
    static const std::locale loc = win::TableLocale("en_US");
    return loc;
}

// "árvíztűrő tükörfúrógép" and its upper case, in code page 1250.
const std::string kHungarianLower = "\xE1rv\xEDzt\xFBr\xF5 t\xFCk\xF6rf\xFAr\xF3g\xE9p";
const std::string kHungarianUpper = "\xC1RV\xCDZT\xDBR\xD5 T\xDCK\xD6RF\xDAR\xD3G\xC9P";

// The raises with a source location name this file; range checks have none.
template <class Operation>
void ExpectRaise(Operation operation, int code, int line, const StrVector& args) {
    testing_lurutils::ExpectRaiseAt(operation, code, line != 0 ? "luString" : "", line, args);
}

TEST(luString, ConstructionFromCharactersAndNumbers) {
    const std::locale hungarian = Hungarian();
    struct Case {
        luString value;
        std::string expected;
    };
    const Case cases[] = {
        {luString('x'), "x"},
        {luString(nullptr, 4294967295u, 10), "4294967295"},
        {luString(nullptr, static_cast<short>(-5), 10), "-5"},
        {luString(nullptr, static_cast<unsigned short>(65535), 16), "ffff"},
        {luString(nullptr, -42, 10), "-42"},
        {luString(nullptr, 2.5, static_cast<short>(2)), "2.50"},  // the global locale's separator
        {luString(&hungarian, 2.5, static_cast<short>(2)), "2,50"},
        {luString(&hungarian, 'y'), "y"},
    };
    for (const Case& c : cases) EXPECT_EQ(static_cast<const std::string&>(c.value), c.expected);

    luString appended;
    appended += static_cast<short>(-1);
    appended += 4294967295u;
    appended += -9000000000LL;
    appended += 1.5;
    appended += '|';
    appended += luString("end");
    appended += appended;  // itself
    EXPECT_EQ(static_cast<const std::string&>(appended),
              "-14294967295-90000000001.5|end-14294967295-90000000001.5|end");

    luString truth;
    truth = true;
    EXPECT_EQ(static_cast<const std::string&>(truth), std::string(1, '\1'));
    truth = false;
    EXPECT_EQ(static_cast<const std::string&>(truth), std::string(1, '\0'));

    // A null text is an empty one, not a crash.
    luString fromNull("x");
    fromNull = static_cast<const char*>(nullptr);
    fromNull += static_cast<const char*>(nullptr);
    EXPECT_TRUE(fromNull.empty());
}

TEST(luString, CopiesCarryTheLocaleAndTheWholeText) {
    const std::locale hungarian = Hungarian();
    luString text(&hungarian, std::string("ab\0cd", 5));

    // Zero bytes are text like any other: a copy or an assignment keeps them.
    luString copy(text);
    luString assigned;
    assigned = text;
    for (const luString* s : {&copy, &assigned}) {
        EXPECT_EQ(s->size(), 5u);
        EXPECT_EQ(static_cast<const std::string&>(*s), std::string("ab\0cd", 5));
        EXPECT_TRUE(s->GetLocale() == hungarian);
    }

    // Two strings given the same name have equal locales.
    const std::locale fromWindowsName = win::TableLocale("Hungarian_Hungary.1250");
    EXPECT_TRUE(luString(&fromWindowsName, "x").GetLocale() == text.GetLocale());

    assigned = std::string("plain");
    EXPECT_TRUE(assigned.GetLocale() == hungarian);  // assigning text keeps the locale
    assigned.SetLocale(nullptr);
    EXPECT_TRUE(assigned.GetLocale() == std::locale());  // the global locale is in use again
    EXPECT_TRUE(assigned.Imbue(English()) == std::locale());
    EXPECT_TRUE(assigned.GetLocale() == English());
}

TEST(luString, ComparisonNeedsEqualLocales) {
    const std::locale hungarian = Hungarian();
    const std::locale english = English();
    const luString hu(&hungarian, "abc");
    const luString en(&english, "abc");
    EXPECT_TRUE(hu == luString(&hungarian, "abc"));
    EXPECT_FALSE(hu == en);
    const StrVector names = StrVector() << "value1.locale: "
                                        << "Hungarian_Hungary.1250"
                                        << "  value2.locale: "
                                        << "English_United States.1252";
    ExpectRaise([&] { (void)(hu < en); }, 4, 1066, names);
    ExpectRaise([&] { (void)(hu > en); }, 4, 1081, names);
    ExpectRaise([&] { (void)(luString("abc") > hu); }, 4, 1081,
                StrVector() << "value1.locale: "
                            << "C"
                            << "  value2.locale: "
                            << "Hungarian_Hungary.1250");

    // The first operand's collation: in Hungarian \xF6 is a letter after o,
    // in English an accented o.
    EXPECT_TRUE(luString(&hungarian,
                         "\xF6"
                         "a") > luString(&hungarian, "ob"));
    EXPECT_TRUE(luString(&english,
                         "\xF6"
                         "a") < luString(&english, "ob"));
    EXPECT_TRUE(luString(&hungarian, "\xF6z") < std::string("p"));
    EXPECT_TRUE(luString(&hungarian, "abc") == std::string("abc"));
    EXPECT_TRUE(std::string("abd") != luString(&hungarian, "abc"));
    EXPECT_FALSE(luString("abc") != std::string("abc"));
}

TEST(luString, FormatGrowsPastTheFirstBuffers) {
    for (const std::size_t length : {0u, 998u, 999u, 1000u, 1999u, 2000u, 2500u}) {
        const std::string filler(length, 'x');
        luString text(&Hungarian(), "old");
        text.Format("%s", filler.c_str());
        EXPECT_EQ(static_cast<const std::string&>(text), filler);
        text.AppendFormat("|%d|%s", 42, filler.c_str());
        EXPECT_EQ(static_cast<const std::string&>(text), filler + "|42|" + filler);
        EXPECT_TRUE(text.GetLocale() == Hungarian());
    }
    // The argument-list forms take the list as the caller started it.
    struct Formatter {
        static luString Run(const char* format, ...) __attribute__((format(printf, 1, 2))) {
            va_list args;
            va_start(args, format);
            luString text(">");
            text.AppendFormatV(format, args);
            va_end(args);
            return text;
        }
    };
    ExpectRaise([] { luString().Format(nullptr); }, 3, 0, StrVector() << "luString::Format (null format)");

    const std::string longText(3000, 'y');
    EXPECT_EQ(static_cast<const std::string&>(Formatter::Run("%s%c%5.2f", longText.c_str(), 'z', 2.5)),
              ">" + longText + "z 2.50");
}

TEST(luString, CaseOfRangesWithAndWithoutTheLocale) {
    luString three("abc");
    three.ToUpper(5, 0, false);  // count 0: nothing, not even the range check
    EXPECT_EQ(static_cast<const std::string&>(three), "abc");
    ExpectRaise([&] { three.ToUpper(4, 1, false); }, 10, 0,
                StrVector() << "abc"
                            << "\r\npos, size: " << 4u << 3u);
    EXPECT_EQ(static_cast<const std::string&>(three.ToUpperCopy(1, 1, false)), "aBc");
    EXPECT_EQ(static_cast<const std::string&>(luString("ABC").ToLower(1, npos, false)), "Abc");

    // Hungarian upper-casing: the string's locale, or the runtime's tables
    // of the locale in force.
    const std::locale hungarian = Hungarian();
    const luString text(&hungarian, kHungarianLower);
    const luString upper = text.ToUpperCopy(true);
    EXPECT_EQ(static_cast<const std::string&>(upper), kHungarianUpper);
    EXPECT_TRUE(upper.GetLocale() == hungarian);
    EXPECT_EQ(static_cast<const std::string&>(upper.ToLowerCopy(true)), kHungarianLower);
    EXPECT_EQ(static_cast<const std::string&>(text.ToUpperCopy(false)),
              "\xE1RV\xEDZT\xFBR\xF5 T\xFCK\xF6RF\xFAR\xF3G\xE9P");
    EXPECT_EQ(static_cast<const std::string&>(luString(kHungarianLower).ToUpperCopy(true)),
              static_cast<const std::string&>(text.ToUpperCopy(false)));  // the global "C" locale
    win::crt::SetLocale("hu_HU");
    EXPECT_EQ(static_cast<const std::string&>(text.ToUpperCopy(false)), kHungarianUpper);
    win::crt::SetLocale("C");
}

TEST(luString, SearchIgnoringCaseUsesTheLocaleInUse) {
    const std::locale hungarian = Hungarian();
    const luString text(&hungarian, "x\xD5y \xF5");
    EXPECT_EQ(text.Find("\xF5", 0, true), 1u);
    EXPECT_EQ(text.Find("\xF5", 2, true), 4u);
    EXPECT_EQ(text.Find("\xF5"), 4u);
    EXPECT_EQ(text.RFind("\xD5", npos, true), 4u);
    EXPECT_EQ(text.RFind("\xD5", 3, true), 1u);
    EXPECT_EQ(text.Find("z", 0, true), npos);
    EXPECT_EQ(luString("x\xD5y").Find("\xF5", 0, true), npos);  // "C" knows no \xF5
    EXPECT_EQ(luString("a cat, a catalog").FindWord("cat"), 2u);
    EXPECT_EQ(luString("a cat, a catalog").FindWord("cat", 3), npos);
    EXPECT_EQ(luString("a cat, a catalog").RFindWord("cat"), 2u);
    EXPECT_EQ(luString("banana").CountChar('a'), 3);
    EXPECT_EQ(luString("banana").CountString("an"), 2);
}

TEST(luString, ReplaceForwardAndBackward) {
    struct Case {
        luString result;
        std::string expected;
    };
    const std::locale hungarian = Hungarian();
    const Case cases[] = {
        {luString("banana").ReplaceCopy("a", "b"), "bbnbnb"},
        {luString("aXaYa").ReplaceCopy("a", "b", 0, 1), "bXaYa"},  // the text after the range stays
        {luString("BaNaNa").ReplaceCopy("A", "o", 0, npos, true), "BoNoNo"},
        {luString(&hungarian, "\xD5r \xF5r").ReplaceCopy("\xF5", "o", 0, npos, true), "or or"},
        {luString("\xD5r \xF5r").ReplaceCopy("\xF5", "o", 0, npos, true), "\xD5r or"},
        {luString("a.b.c").RemoveCopy("."), "abc"},
        {luString("a.b.c").RemoveCopy(".", 2), "a.bc"},
        // Backwards: the matches nearest pos first, the text outside the range kept.
        {luString("aaa").ReplaceReverseCopy("aa", "b"), "ab"},
        {luString("aaa").ReplaceCopy("aa", "b"), "ba"},
        {luString("banana").ReplaceReverseCopy("a", "o"), "bonono"},
        {luString("aXaYa").ReplaceReverseCopy("a", "b", 3, 2), "aXbYa"},
        {luString("aXaYa").ReplaceReverseCopy("a", "b", 3), "bXbYa"},
        {luString("aXaYa").ReplaceReverseCopy("a", "b", 2, 1), "aXaYa"},  // a match past pos is outside
        {luString("AxAxa").ReplaceReverseCopy("a", "-", npos, npos, true), "-x-x-"},
        {luString("a.b.c").RemoveReverseCopy(".", 3), "ab.c"},
        {luString("abc").ReplaceReverseCopy("", "x"), "abc"},
    };
    for (const Case& c : cases) EXPECT_EQ(static_cast<const std::string&>(c.result), c.expected);

    luString text(&hungarian, "banana");
    EXPECT_EQ(static_cast<const std::string&>(text.Replace("an", "AN")), "bANANa");
    EXPECT_TRUE(text.GetLocale() == hungarian);
    EXPECT_TRUE(text.ReplaceCopy("a", "b").GetLocale() == hungarian);
    EXPECT_TRUE(text.ReplaceReverseCopy("a", "b").GetLocale() == hungarian);
    EXPECT_EQ(static_cast<const std::string&>(text.RemoveReverse("AN")), "ba");

    ExpectRaise([&] { text.Replace("a", "b", 3); }, 10, 0,
                StrVector() << "ba"
                            << "\r\npos, size: " << 3u << 2u);
    ExpectRaise([&] { text.ReplaceReverse("a", "b", 3); }, 10, 0,
                StrVector() << "ba"
                            << "\r\npos, size: " << 3u << 2u);
}

TEST(luString, TrimByCharactersSetsAndPieces) {
    const std::locale hungarian = Hungarian();
    const luString text(&hungarian, "abcabx");
    const luString trimmed = text.TrimLeftStringsCopy({"ab", "c"});
    EXPECT_EQ(static_cast<const std::string&>(trimmed), "x");
    EXPECT_TRUE(trimmed.GetLocale() == hungarian);
    EXPECT_EQ(static_cast<const std::string&>(text), "abcabx");

    struct Case {
        luString result;
        std::string expected;
    };
    const Case cases[] = {
        {luString("--a--").TrimCopy('-'), "a"},
        {luString("--a--").TrimLeftCopy('-'), "a--"},
        {luString(" \ta\t ").TrimCopy(std::string(" \t")), "a"},
        {luString("xyxya").TrimLeftStringCopy("xy"), "a"},
        {luString("axyxy").TrimRightStringCopy("xy"), "a"},
        {luString("xyaxy").TrimStringCopy("xy"), "a"},
        {luString("xcabcab").TrimRightStringsCopy({"ab", "c"}), "x"},
        {luString("abxcab").TrimStringsCopy({"ab", "c"}), "x"},
        // An empty piece removes nothing (and ends).
        {luString("abc").TrimLeftStringCopy(""), "abc"},
        {luString("abc").TrimRightStringCopy(""), "abc"},
        {luString("abc").TrimStringsCopy({"", "a"}), "bc"},
    };
    for (const Case& c : cases) EXPECT_EQ(static_cast<const std::string&>(c.result), c.expected);

    luString inPlace(&hungarian, "  ab  ");
    EXPECT_EQ(static_cast<const std::string&>(inPlace.Trim(' ')), "ab");
    EXPECT_TRUE(inPlace.GetLocale() == hungarian);
}

TEST(luString, WholeWordReplacementIsNotSupported) {
    luString text("abc");
    for (const auto& [operation, line] : std::vector<std::pair<std::function<void()>, int>>{
             {[&] { text.ReplaceWord("a", "b", 0, npos, false, " "); }, 717},
             {[&] { (void)text.ReplaceWordCopy("a", "b", 0, npos, false, " "); }, 717},
             {[&] { text.ReplaceWordReverse("a", "b", npos, npos, false, " "); }, 770},
             {[&] { (void)text.ReplaceWordReverseCopy("a", "b", npos, npos, false, " "); }, 770}}) {
        try {
            operation();
            ADD_FAILURE() << "no raise";
        } catch (const LurExceptBase& e) {
            EXPECT_EQ(e.GetCode(), 5);
            EXPECT_EQ(e.GetLocation().file, "luString");
            EXPECT_EQ(e.GetLocation().line, line);
        }
    }
}

}  // namespace
