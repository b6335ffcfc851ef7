#include "RdmSqlParser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "DbDescError.h"

namespace {

char KindLetter(SqlTokenKind kind) {
    switch (kind) {
        case SqlTokenKind::Keyword: return 'K';
        case SqlTokenKind::Word: return 'W';
        case SqlTokenKind::Literal: return 'L';
        case SqlTokenKind::QuotedIdentifier: return 'Q';
        case SqlTokenKind::Operator: return 'O';
        case SqlTokenKind::Separator: return 'S';
        case SqlTokenKind::FunctionCall: return 'F';
    }
    return '?';
}

std::vector<SqlStatement> Parse(const std::string& text) {
    RdmSqlParser parser;
    std::vector<SqlStatement> statements;
    parser.Parse(text.data(), static_cast<uint32_t>(text.size()), statements);
    return statements;
}

// The tokens of every statement as "K:SELECT W:* ...", statements
// separated by " | ".
std::string Describe(const std::vector<SqlStatement>& statements) {
    std::string out;
    for (const SqlStatement& statement : statements) {
        if (!out.empty()) out += " | ";
        for (const SqlToken& token : statement) {
            if (!out.empty() && out.back() != ' ') out += ' ';
            out += KindLetter(token.kind);
            out += ':' + token.text;
        }
    }
    return out;
}

struct Failure {
    int code = 0;
    std::string text;
    ErrorLocation where;
};

Failure ParseFailure(const std::string& text) {
    try {
        Parse(text);
    } catch (const DbDescError& error) {
        return {error.GetCode(), error.GetArgs().empty() ? std::string("<no argument>") : error.GetArgs()[0],
                error.GetLocation()};
    }
    return {};
}

std::string At(int row, int column) {
    return "\r\nError row: " + std::to_string(row) + " col: " + std::to_string(column) + ".";
}

struct LexCase {
    const char* text;
    const char* tokens;
};

TEST(RdmSqlParserTest, LexicalCases) {
    const LexCase cases[] = {
        // keywords: upper-cased, only before whitespace or a separator
        {"SELECT * FROM t;", "K:SELECT W:* K:FROM W:t S:;"},
        {"select * from t;", "K:SELECT W:* K:FROM W:t S:;"},
        {"DESCRIBE t;", "K:DESCRIBE W:t S:;"},
        {"DESC t;", "K:DESC W:t S:;"},
        {"TABLESPACE TABLE x;", "K:TABLESPACE K:TABLE W:x S:;"},
        {"SELECT(a)FROM\"t\";", "K:SELECT S:( W:a S:) K:FROM Q:T S:;"},
        {"FROMx SETa;", "W:FROMx W:SETa S:;"},
        {"SET'a';", "W:SET'a' S:;"},
        {"Or NOT Null user;", "W:Or W:NOT W:Null W:user S:;"},
        // literals: backslash escapes, '' is no escape, ';' inside is a value
        {"PRINT 'a\\'b';", "K:PRINT L:a'b S:;"},
        {"PRINT 'a\\\\b';", "K:PRINT L:a\\b S:;"},
        {"PRINT 'c:\\x';", "K:PRINT L:c:x S:;"},
        {"PRINT 'it''s';", "K:PRINT L:it L:s S:;"},
        {"PRINT '';", "K:PRINT L: S:;"},
        {"VALUES (';');", "K:VALUES S:( L:; S:) S:;"},
        {"SET a = 'WHERE';", "K:SET W:a O:= L:WHERE S:;"},
        {"PRINT 'a\nb';", "K:PRINT L:a\nb S:;"},
        // quoted identifiers: upper-cased, no escapes
        {"\"abc\";", "Q:ABC S:;"},
        {"\";\";", "Q:; S:;"},
        {"\"encoded\";", "Q:ENCODED S:;"},
        {"'a'\"b;", "L:a S:\" W:b S:;"},
        // function calls: one token, name upper-cased, arguments as written
        {"to_date ( '2012.06.12' , 'YYYY.MM.DD' );", "F:TO_DATE ( '2012.06.12' , 'YYYY.MM.DD' ) S:;"},
        {"To_Char(d, 'YYYY');", "F:TO_CHAR(d, 'YYYY') S:;"},
        {"encode('x');", "F:ENCODE('x') S:;"},
        {"SUBSTR(name, 2, 3) x;", "F:SUBSTR(name, 2, 3) W:x S:;"},
        {"substr('a;b', 2);", "F:SUBSTR('a;b', 2) S:;"},
        {"substr(\"a;b\", 2);", "F:SUBSTR(\"a;b\", 2) S:;"},
        {"to_char(x, 'a\\';b');", "F:TO_CHAR(x, 'a\\';b') S:;"},
        // operators against words
        {"a<>b;", "W:a O:<> W:b S:;"},
        {"a<b a>5;", "W:a<b W:a>5 S:;"},
        {"a>=5 b<=6;", "W:a O:>= W:5 W:b O:<= W:6 S:;"},
        {"x@y a=b;", "W:x O:@ W:y W:a O:= W:b S:;"},
        {"x\\ y a\\=b c\\,d;", "W:x\\ y W:a\\=b W:c\\,d S:;"},
        {"TS.TABLE.FIELD t.* -5 12.5 *FROM;", "W:TS.TABLE.FIELD W:t.* W:-5 W:12.5 W:*FROM S:;"},
        {"a--b\n;", "W:a S:;"},
        {"a/*x*/b;", "W:a W:b S:;"},
        // comments: "--" ends with the line, LF alone or CR LF
        {"SELECT a -- note\nFROM t;", "K:SELECT W:a K:FROM W:t S:;"},
        {"SELECT a -- note\r\nFROM t;", "K:SELECT W:a K:FROM W:t S:;"},
        {"/* a;\n b */ COMMIT;", "K:COMMIT S:;"},
        {"COMMIT; -- the end", "K:COMMIT S:;"},
        // statements end only at the separator ";"
        {"COMMIT; ROLLBACK ;", "K:COMMIT S:; | K:ROLLBACK S:;"},
        {"PRINT ';' ;", "K:PRINT L:; S:;"},
        {"", ""},
        {" \t\r\n", ""},
    };
    for (const LexCase& c : cases) EXPECT_EQ(Describe(Parse(c.text)), c.tokens) << c.text;
}

struct ErrorCase {
    const char* text;
    int code;
    std::string message;
};

TEST(RdmSqlParserTest, ErrorsCarryCodeTextAndPosition) {
    const ErrorCase cases[] = {
        {"COMMIT", 2027, "COMMIT..." + At(1, 1)},
        {"a; SET=1;", 2027, "SET=1;..." + At(1, 4)},
        // Unclosed or empty quotes say where they were opened; a quote after
        // a backslash, taken as text, is named. Those places count as an
        // editor does (every line feed, columns from 1), the system's
        // "Error row" does not.
        {"x;\n  'abc", 2019, "abc" + At(2, 8) + "\r\nThe quote opened in row 2, column 3 is never closed."},
        {"SELECT CU_ID FROM Customer;\n'abc;\n", 2019,
         "abc;\n" + At(2, 8) + "\r\nThe quote opened in row 2, column 1 is never closed."},
        {"PRINT 'a\nb';\nPRINT 'c", 2019, "c" + At(2, 10) + "\r\nThe quote opened in row 3, column 7 is never closed."},
        {"x;\nTO_CHAR(a,\n'f');\n'open", 2019,
         "open" + At(3, 7) + "\r\nThe quote opened in row 4, column 1 is never closed."},
        {"PRINT 'a\nb';\n \"abc", 2019,
         "abc" + At(2, 7) + "\r\nThe double quote opened in row 3, column 2 is never closed."},
        {"\"a\nb\";\n\"\";", 2019, At(2, 3) + "\r\nThe double quotes in row 3, column 1 enclose no name."},
        {"'a\nb\\'c", 2019,
         "a\nb'c" + At(1, 8) +
             "\r\nThe quote opened in row 1, column 1 is never closed. The quote in row 2, column 3 follows a "
             "backslash, which makes it part of the text."},
        {"'a\\\\'", 2019,
         "a\\'" + At(1, 6) +
             "\r\nThe quote opened in row 1, column 1 is never closed. The quote in row 1, column 5 follows a "
             "backslash, which makes it part of the text."},
        {"\"\";", 2019, At(1, 2) + "\r\nThe double quotes in row 1, column 1 enclose no name."},
        {"\"abc", 2019, "abc" + At(1, 5) + "\r\nThe double quote opened in row 1, column 1 is never closed."},
        {"x encoded;", 2019,
         "ENCODE" + At(1, 3) +
             "\r\n\"encoded\" begins with the function name ENCODE: write such a name between double quotes."},
        {"SUBSTR", 2019, "SUBSTR" + At(1, 1)},
        {"SUBSTR(name, 2;", 2006, "Bad parameter count in substr function." + At(1, 1)},
        {"SELECT SUBSTR(a, 2 FROM t; SELECT b FROM u WHERE c = (1);", 2006,
         "Bad parameter count in substr function." + At(1, 8)},
        {"x;\n TO_DATE('x', 'y' ;", 2006, "Missing close parenthesis in to_date function." + At(2, 3)},
        {"TO_DATE x; ('a', 'b');", 2006, "Missing open parenthesis in to_date function." + At(1, 1)},
        {"to_char(x);", 2006, "Bad parameter count in to_char function." + At(1, 1)},
        {"encode(x);", 2006, "Bad string format in encode function." + At(1, 1)},
        {"/* never closed\nSELECT a;", 2019, "Missing '*/' at the end of the comment." + At(1, 1)},
        {"a;\n  /* x", 2019, "Missing '*/' at the end of the comment." + At(2, 4)},
        {"COMMIT; INSERT INTO t VALUES (1)", 2020, "Missing ';' at the end of the script" + At(1, 9)},
        {"PRINT ';'", 2020, "Missing ';' at the end of the script" + At(1, 1)},
        {"COMMIT; x", 2020, "Missing ';' at the end of the script" + At(1, 10)},
    };
    for (const ErrorCase& c : cases) {
        const Failure failure = ParseFailure(c.text);
        EXPECT_EQ(failure.code, c.code) << c.text;
        EXPECT_EQ(failure.text, c.message) << c.text;
        EXPECT_EQ(failure.where.file, "GenModules\\LurCliStl\\RdmSqlParser") << c.text;
        EXPECT_EQ(failure.where.function, "NULL") << c.text;
    }
}

TEST(RdmSqlParserTest, RowsAndColumnsFollowTheTokenKind) {
    const auto statements = Parse("SELECT a,\n  'x' FROM \"t\" -- c\nWHERE b = TO_CHAR(d, 'f');\r\nz -- e\r\n;");
    ASSERT_EQ(statements.size(), 2u);
    struct Position {
        const char* text;
        int row;
        int column;
    };
    // Keywords, operators, separators and calls at their first character,
    // words one past their last, literals and quoted identifiers at the
    // closing quote; after a line feed the first column is 2.
    const Position expected[] = {
        {"SELECT", 1, 1}, {"a", 1, 9},     {",", 1, 9}, {"x", 2, 6},  {"FROM", 2, 8},
        {"T", 2, 15},     {"WHERE", 3, 2}, {"b", 3, 9}, {"=", 3, 10}, {"TO_CHAR(d, 'f')", 3, 12},
        {";", 3, 27},     {"z", 4, 3},     {";", 5, 2}};
    std::vector<SqlToken> tokens = statements[0];
    tokens.insert(tokens.end(), statements[1].begin(), statements[1].end());
    ASSERT_EQ(tokens.size(), std::size(expected));
    for (size_t i = 0; i < tokens.size(); ++i) {
        EXPECT_EQ(tokens[i].text, expected[i].text) << i;
        EXPECT_EQ(tokens[i].row, expected[i].row) << expected[i].text;
        EXPECT_EQ(tokens[i].column, expected[i].column) << expected[i].text;
    }
}

TEST(RdmSqlParserTest, TokenLinesCountEveryLineFeed) {
    // Line feeds inside a literal, a quoted identifier, a function call and
    // a comment all count; a CR LF is one line break.
    const auto statements = Parse("PRINT 'a\nb';\r\n\"x\ny\" TO_CHAR(d,\n'f') /* c\n */ w\n;\n@ 'f.sql';");
    ASSERT_EQ(statements.size(), 3u);
    std::vector<std::pair<std::string, int>> lines;
    for (const SqlStatement& statement : statements)
        for (const SqlToken& token : statement) lines.emplace_back(token.text, token.line);
    const std::vector<std::pair<std::string, int>> expected = {
        {"PRINT", 1}, {"a\nb", 1}, {";", 2}, {"X\nY", 3},  {"TO_CHAR(d,\n'f')", 4},
        {"w", 6},     {";", 7},    {"@", 8}, {"f.sql", 8}, {";", 8}};
    EXPECT_EQ(lines, expected);
}

TEST(RdmSqlParserTest, QuotedTokensNeverMatchSyntax) {
    const auto statements = Parse("SET a = 'WHERE' \"FROM\" where ;");
    ASSERT_EQ(statements.size(), 1u);
    const SqlStatement& s = statements[0];
    EXPECT_TRUE(s[0].Matches("set"));
    EXPECT_FALSE(s[3].Matches("WHERE"));  // literal
    EXPECT_FALSE(s[4].Matches("FROM"));   // quoted identifier
    EXPECT_TRUE(s[5].Matches("WHERE"));   // the keyword, written in lower case
    EXPECT_TRUE(s[6].IsStatementEnd());
    EXPECT_FALSE(Parse("PRINT ';' ;")[0][1].IsStatementEnd());
}

TEST(RdmSqlParserTest, ParsesAppendAndAFailedParseAddsNothing) {
    RdmSqlParser parser;
    std::vector<SqlStatement> statements;
    const std::string first = "COMMIT; ROLLBACK;";
    const std::string bad = "COMMIT; PRINT 'x";
    const std::string second = "PRINT 'y';";
    parser.Parse(first.data(), static_cast<uint32_t>(first.size()), statements);
    EXPECT_THROW(parser.Parse(bad.data(), static_cast<uint32_t>(bad.size()), statements), DbDescError);
    EXPECT_EQ(statements.size(), 2u);
    parser.Parse(second.data(), static_cast<uint32_t>(second.size()), statements);
    EXPECT_EQ(Describe(statements), "K:COMMIT S:; | K:ROLLBACK S:; | K:PRINT L:y S:;");
    // Only the given length counts; the text needs no terminator.
    std::vector<SqlStatement> cut;
    parser.Parse("COMMIT; garbage", 7, cut);
    EXPECT_EQ(Describe(cut), "K:COMMIT S:;");
}

TEST(RdmSqlParserTest, MessageIsCutToTheLimitKeepingThePositionAndTheCause) {
    const std::string text = "'" + std::string(3000, 'v');
    const Failure failure = ParseFailure(text);
    EXPECT_EQ(failure.code, 2019);
    EXPECT_EQ(failure.text.size(), RdmSqlParser::kMessageLimit - 1u);
    const std::string end = At(1, 3002) + "\r\nThe quote opened in row 1, column 1 is never closed.";
    EXPECT_EQ(failure.text.substr(failure.text.size() - end.size()), end);
    // A short text is not padded.
    EXPECT_EQ(ParseFailure("'ab").text, "ab" + At(1, 4) + "\r\nThe quote opened in row 1, column 1 is never closed.");
}

TEST(RdmSqlParserTest, ServerTextRequotesLiteralsAndIdentifiers) {
    const auto statements = Parse("INSERT INTO t VALUES ('a b', 'it\\'s', 'c:\\\\x', \"Name\", TO_DATE('1','2'));");
    ASSERT_EQ(statements.size(), 1u);
    EXPECT_EQ(StatementSqlText(statements[0]),
              "INSERT INTO t VALUES ( 'a b' , 'it\\'s' , 'c:\\\\x' , \"NAME\" , TO_DATE('1','2') ) ; ");
}

// Random texts from fragments that reach every rule, plus stray bytes: each
// parse either delivers well-formed statements or fails with a coded,
// positioned error. Runs under the sanitizers with the other tests.
TEST(RdmSqlParserTest, RandomInputNeverCrashesAndEveryFailureIsCoded) {
    const std::vector<std::string> fragments = {
        "SELECT", " ",       "\n",      "\r\n",   "\t",     ";",      ",",
        "(",      ")",       "'",       "\"",     "\\",     "--",     "/*",
        "*/",     "=",       "<>",      "<",      ">",      "<=",     ">=",
        "@",      "TO_DATE", "to_char", "ENCODE", "substr", "FROM",   "DESC",
        "x",      "a.b",     "12",      "*",      "'lit'",  "\"id\"", std::string(1, '\0'),
        "\xC1",   "\xFF",    "-",       "/",
    };
    std::mt19937 random(20260612);
    int failures = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const unsigned pieces = random() % 24;
        for (unsigned i = 0; i < pieces; ++i) {
            if (random() % 8 == 0)
                text += static_cast<char>(random() % 256);
            else
                text += fragments[random() % fragments.size()];
        }
        try {
            for (const SqlStatement& statement : Parse(text)) {
                ASSERT_FALSE(statement.empty());
                ASSERT_TRUE(statement.back().IsStatementEnd()) << text;
                for (const SqlToken& token : statement) ASSERT_TRUE(token.row >= 1 && token.column >= 1) << text;
            }
        } catch (const DbDescError& error) {
            ++failures;
            const int code = error.GetCode();
            ASSERT_TRUE(code == 2006 || code == 2019 || code == 2020 || code == 2027) << code << " " << text;
            ASSERT_EQ(error.GetArgs().size(), 1u);
            ASSERT_LT(error.GetArgs()[0].size(), static_cast<size_t>(RdmSqlParser::kMessageLimit));
            ASSERT_NE(error.GetArgs()[0].find("\r\nError row: "), std::string::npos);
        }
    }
    EXPECT_GT(failures, 0);
    EXPECT_LT(failures, 20000);
}

}  // namespace
