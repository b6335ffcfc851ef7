// Values of statements: SYSDATE by field type, ENCODE, counters, TO_DATE
// formats and refusals, SUBSTR, the parameter lists, and a seeded run of
// random values through the evaluation.
#include <gtest/gtest.h>

#include <ctime>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ConnectionFixture.h"
#include "Crt.h"
#include "DbDescError.h"
#include "FunctionLoader.h"
#include "RdmSqlBase.h"
#include "RdmTable.h"
#include "ScopedClientFunction.h"
#include "SqlTestStatement.h"
#include "StringScrambler.h"

namespace {

constexpr const char* kSchema =
    "tablespace Shop 3\n"
    "table Item\n"
    "  field ID     l 4  u\n"
    "  field NAME   c 20 d\n"
    "  field LABEL  c 20 n\n"
    "  field STAMP  F 8  n\n"
    "  field TICKS  l 4  n\n";

// What the tokenizer makes of a value written unquoted.
SqlTokenKind UnquotedKind(const std::string& value) {
    if (value == "SYSDATE") return SqlTokenKind::Keyword;
    for (const char* function : {"ENCODE", "TO_DATE", "SUBSTR", "TO_CHAR"})
        if (value.starts_with(function)) return SqlTokenKind::FunctionCall;
    return SqlTokenKind::Word;
}

// A statement whose first token is the value being evaluated.
class ValueStatement : public RdmSqlBase {
public:
    explicit ValueStatement(DbDescMap& descs) {
        SetDescs(descs);
        m_statement = lurtest::ParseFirstStatement("x ;");
        SetStatement(m_statement);
    }
    SqlTokenIterator At() const { return m_statement.begin(); }
    SqlTokenIterator Value(const std::string& text, SqlTokenKind kind) {
        m_statement.front().text = text;
        m_statement.front().kind = kind;
        return m_statement.begin();
    }

private:
    SqlStatement m_statement;
};

struct Refusal {
    const char* value;
    const char* error;  // the error's text after the position
};

struct Outcome {
    int code = 0;
    std::string text;  // the value, or the error's text after the position
};

class SqlValuesTest : public ::testing::Test {
protected:
    SqlValuesTest() : item(fixture.Tablespaces().GetDesc("SHOP"), "Item"), statement(fixture.Tablespaces()) {}

    // The value written unquoted, or as a token of the kind given.
    Outcome Eval(const std::string& value, const char* field, std::optional<SqlTokenKind> kind = std::nullopt) {
        std::string text;
        try {
            text = statement.EvalValue(statement.Value(value, kind.value_or(UnquotedKind(value))), item.Fld(field));
        } catch (const DbDescError& error) {
            const std::string message = error.GetArgs().empty() ? std::string() : error.GetArgs()[0];
            const size_t colon = message.find(".: ");
            return {error.GetCode(), colon == std::string::npos ? message : message.substr(colon + 3)};
        }
        return {0, text};
    }

    // Each value is refused with 2006 and its text.
    void ExpectRefused(std::initializer_list<Refusal> refusals, const char* field) {
        for (const Refusal& refusal : refusals) {
            const Outcome outcome = Eval(refusal.value, field);
            EXPECT_EQ(outcome.code, 2006) << refusal.value;
            EXPECT_EQ(outcome.text, refusal.error) << refusal.value;
        }
    }

    lurtest::ConnectionFixture fixture{kSchema};
    RdmTable item;
    ValueStatement statement;
};

std::string Scrambled(std::string text) {
    StringScrambler().Scramble(static_cast<int32_t>(text.size()), text.data());
    return text;
}

time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

// The moment of a YYYYMMDDHHMMSS text in universal time.
time_t UniversalTimeOf(const std::string& stamp) {
    std::tm parts{};
    parts.tm_year = std::stoi(stamp.substr(0, 4)) - 1900;
    parts.tm_mon = std::stoi(stamp.substr(4, 2)) - 1;
    parts.tm_mday = std::stoi(stamp.substr(6, 2));
    parts.tm_hour = std::stoi(stamp.substr(8, 2));
    parts.tm_min = std::stoi(stamp.substr(10, 2));
    parts.tm_sec = std::stoi(stamp.substr(12, 2));
    return timegm(&parts);
}

TEST_F(SqlValuesTest, SysdateTakesTheServerTimeByFieldType) {
    const time_t before = std::time(nullptr);
    const Outcome ticks = Eval("SYSDATE", "TICKS");
    const time_t after = std::time(nullptr);
    ASSERT_EQ(ticks.code, 0);
    EXPECT_GE(std::stoll(ticks.text), before);
    EXPECT_LE(std::stoll(ticks.text), after);

    // A date and time field takes the universal time as YYYYMMDDHHMMSS: a
    // moment between the readings of the clock around it, whatever day
    // boundary falls between them.
    const time_t stampBefore = std::time(nullptr);
    const Outcome stamp = Eval("SYSDATE", "STAMP");
    const time_t stampAfter = std::time(nullptr);
    ASSERT_EQ(stamp.code, 0);
    ASSERT_EQ(stamp.text.size(), 14u) << stamp.text;
    const time_t stamped = UniversalTimeOf(stamp.text);
    EXPECT_GE(stamped, stampBefore) << stamp.text;
    EXPECT_LE(stamped, stampAfter) << stamp.text;

    const Outcome text = Eval("SYSDATE", "NAME");
    EXPECT_EQ(text.code, 2006);
    EXPECT_EQ(text.text, "NAME SYSDATE");
}

// The server's clock at a moment the test gives.
int32_t g_serverTime = 0;
int32_t GivenServerTime(int32_t, int32_t* time) {
    *time = g_serverTime;
    return 0;
}

TEST_F(SqlValuesTest, SysdateAcrossMidnightTakesTheServersMoment) {
    lurtest::ScopedClientFunction<lurdbcli::GetServerTimeFn> clock{GetFunctionLoader().pfGetServerTime,
                                                                   &GivenServerTime};
    for (const char* moment : {"20261231235959", "20270101000000"}) {
        SCOPED_TRACE(moment);
        g_serverTime = static_cast<int32_t>(UniversalTimeOf(moment));
        EXPECT_EQ(Eval("SYSDATE", "STAMP").text, moment);
        EXPECT_EQ(Eval("SYSDATE", "TICKS").text, std::to_string(g_serverTime));
    }
}

TEST_F(SqlValuesTest, EncodeScramblesTheUpperCaseText) {
    EXPECT_EQ(Eval("ENCODE('smith')", "NAME").text, Scrambled("SMITH"));
    EXPECT_EQ(Eval("ENCODE( 'SMITH' )", "NAME").text, Scrambled("SMITH"));
    // Upper case by the code page's table, as every login folds a name,
    // whatever locale the session has set.
    EXPECT_EQ(Eval("ENCODE('\xE1rp\xE1\x64')", "NAME").text, Scrambled("\xC1RP\xC1\x44"));
    ASSERT_NE(win::crt::SetLocale("Hungarian_Hungary.1250"), nullptr);
    const Outcome accented = Eval("ENCODE('\xE1rp\xE1\x64')", "NAME");
    win::crt::SetLocale("C");
    EXPECT_EQ(accented.text, Scrambled("\xC1RP\xC1\x44"));

    ExpectRefused(
        {
            {"ENCODE('a', 'b')", "Cannot encode field value - parameter number is invalid: ENCODE('a', 'b')"},
            {"ENCODE ('smith')", "Missing open parentheses: ENCODE ('smith')"},
            {"ENCODE('smith'", "Missing close parentheses: ENCODE('smith'"},
            {"ENCODE(smith)", "Missing string begin delimeter."},
            {"ENCODE()", "Missing parameter."},
        },
        "NAME");
}

TEST_F(SqlValuesTest, NextvalDrawsTheNamedCounter) {
    EXPECT_EQ(Eval("orders.nextval", "ID").text, "1");
    EXPECT_EQ(Eval("orders.NEXTVAL", "ID").text, "2");
    EXPECT_EQ(Eval("other.nextval", "ID").text, "1");
    // Not a counter reference: left as written.
    EXPECT_EQ(Eval("a.b.nextval", "NAME").text, "a.b.nextval");
    EXPECT_EQ(Eval("orders.next", "NAME").text, "orders.next");
}

TEST_F(SqlValuesTest, ToDateReadsLocalTimeByItsFormat) {
    const time_t morning = LocalTime(2012, 6, 12, 8, 30, 0);
    EXPECT_EQ(Eval("TO_DATE('2012.06.12 08:30:00', 'YYYY.MM.DD HH:mm:SS')", "TICKS").text, std::to_string(morning));
    EXPECT_EQ(Eval("TO_DATE('12.06.2012', 'DD.MM.YYYY')", "TICKS").text,
              std::to_string(LocalTime(2012, 6, 12, 0, 0, 0)));
    EXPECT_EQ(Eval("TO_DATE ('2012.06.12', 'YYYY.MM.DD')", "TICKS").text,
              std::to_string(LocalTime(2012, 6, 12, 0, 0, 0)));
    // 'F' keeps universal time as yyyymmddhhmmss, as SYSDATE does.
    std::tm utc{};
    gmtime_r(&morning, &utc);
    char digits[16];
    std::strftime(digits, sizeof digits, "%Y%m%d%H%M%S", &utc);
    EXPECT_EQ(Eval("TO_DATE('2012.06.12 08:30:00', 'YYYY.MM.DD HH:mm:SS')", "STAMP").text, digits);

    ExpectRefused(
        {
            {"TO_DATE('2012-06-12', 'YYYY.MM.DD')", "Bad date time value: 2012-06-12 - bad character in position 4."},
            {"TO_DATE('2012.0x.12', 'YYYY.MM.DD')",
             "Bad date time value: 2012.0x.12 character in position 6 not a number."},
            {"TO_DATE('2012.6.12', 'YYYY.MM.DD')",
             "Cannot convert field value - parameters length is not equal: TO_DATE('2012.6.12', 'YYYY.MM.DD')"},
            {"TO_DATE('2012.06.12')",
             "Cannot convert field value - parameter number is invalid: TO_DATE('2012.06.12')"},
            // Dates that do not exist are refused, not stored empty.
            {"TO_DATE('2012.13.12', 'YYYY.MM.DD')", "Bad date time value: 2012.13.12"},
            {"TO_DATE('2012.02.30', 'YYYY.MM.DD')", "Bad date time value: 2012.02.30"},
            {"TO_DATE('2012.02.03 25', 'YYYY.MM.DD HH')", "Bad date time value: 2012.02.03 25"},
            {"TO_DATE('99999', 'YYYYY')", "Bad date time value: 99999"},
        },
        "TICKS");
    EXPECT_EQ(Eval("TO_DATE('2012.06.12', 'YYYY.MM.DD')", "NAME").text, "NAME TO_DATE('2012.06.12', 'YYYY.MM.DD')");
}

TEST_F(SqlValuesTest, SubstrCutsTheCurrentTextOfAFieldOfTheTable) {
    item.Fld("NAME").SetString("Screwdriver");
    item.Fld("LABEL").SetString("Tools");
    EXPECT_EQ(Eval("SUBSTR(name, 0, 3)", "NAME").text, "Scr");
    EXPECT_EQ(Eval("SUBSTR(NAME, 2)", "NAME").text, "rewdriver");
    EXPECT_EQ(Eval("SUBSTR( label , 1, 100)", "NAME").text, "ools");
    EXPECT_EQ(Eval("SUBSTR(item.label, 5)", "NAME").text, "");

    ExpectRefused(
        {
            {"SUBSTR(name)", "Wrong paremeter list."},
            {"SUBSTR(name, 1, 2, 3)", "Wrong paremeter list."},
            {"SUBSTR (name, 1)", "Missing open parentheses: SUBSTR (name, 1)"},
            {"SUBSTR(nothing, 1)", "Unknown field in SUBSTR(nothing, 1)"},
            {"SUBSTR(name, 12)", "Position out of the text: SUBSTR(name, 12)"},
            {"SUBSTR(name, -1)", "Position out of the text: SUBSTR(name, -1)"},
        },
        "NAME");
}

TEST_F(SqlValuesTest, OtherValuesStayAsWritten) {
    for (const char* value : {"42", "plain text", "TO_CHAR(SYSDATE, 'YYYY')", "", "sysdate"})
        EXPECT_EQ(Eval(value, "NAME").text, value);
    // A literal or a quoted identifier is a value whatever it looks like: no
    // server time, no function, no counter drawn.
    for (const SqlTokenKind kind : {SqlTokenKind::Literal, SqlTokenKind::QuotedIdentifier}) {
        for (const char* value : {"SYSDATE", "ENCODE('x')", "SUBSTRATE", "ENCODED", "TO_DATE('1', 'Y')", "x.nextval"})
            EXPECT_EQ(Eval(value, "NAME", kind).text, value);
    }
    EXPECT_EQ(Eval("x.nextval", "ID").text, "1");  // the first draw of x: the literal drew none
}

TEST_F(SqlValuesTest, ParameterListsSplitAtSingleCommasBetweenQuotes) {
    const struct {
        const char* text;
        std::vector<std::string> strings;
        const char* error;  // nullptr: splits
    } cases[] = {
        {"'a'", {"a"}, nullptr},
        {"'a', 'b'", {"a", "b"}, nullptr},
        {"'it\\'s','x\\\\y'", {"it's", "x\\y"}, nullptr},
        {"'open", {}, nullptr},  // a string still open is dropped
        {"'a',, 'b'", {}, "Wrong paremeter list."},
        {"'a' 'b'", {}, "Wrong paremeter list."},
        {"'a' x", {}, "Wrong paremeter list."},
        {"'a\\", {}, "Missing string end delimeter."},
        {"a'", {}, "Missing string begin delimeter."},
        {"'", {}, "Missing parameter."},
    };
    for (const auto& c : cases) {
        std::vector<std::string> strings;
        try {
            statement.SplitParameters(c.text, strings, statement.At());
            EXPECT_EQ(c.error, nullptr) << c.text;
            EXPECT_EQ(strings, c.strings) << c.text;
        } catch (const DbDescError& error) {
            ASSERT_NE(c.error, nullptr) << c.text;
            EXPECT_EQ(error.GetCode(), 2006);
            EXPECT_NE(error.GetArgs()[0].find(c.error), std::string::npos) << c.text;
        }
    }
}

// Random values built from the pieces the evaluation looks for: every one
// either evaluates or raises an error of the family, under the sanitizers.
TEST_F(SqlValuesTest, RandomValuesEvaluateOrFailCleanly) {
    const char* pieces[] = {"SYSDATE", "ENCODE", "TO_DATE", "SUBSTR",   "(",    ")",     "'",  ",",    "\\",
                            " ",       "name",   "label",   ".nextval", "YYYY", "MM",    "DD", "HH",   "mm",
                            "SS",      "2012",   "13",      "-",        ".",    "99999", "0",  "\xE1", "x"};
    const char* fields[] = {"NAME", "LABEL", "STAMP", "TICKS"};
    item.Fld("NAME").SetString("Screwdriver");
    std::mt19937 random(20240611);
    std::uniform_int_distribution<size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> count(1, 12);
    int evaluated = 0;
    for (int run = 0; run < 3000; ++run) {
        std::string value;
        for (int n = count(random); n > 0; --n) value += pieces[piece(random)];
        if (value.find(".nextval") != std::string::npos) continue;  // each would draw a counter
        const Outcome outcome = Eval(value, fields[static_cast<size_t>(run) % std::size(fields)]);
        if (outcome.code == 0) ++evaluated;
    }
    EXPECT_GT(evaluated, 0);
}

}  // namespace
