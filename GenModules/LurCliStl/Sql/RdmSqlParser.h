// RdmSqlParser: the tokenizer of the SQL dialect. It turns a script into
// tokens (keywords, words, literals, quoted identifiers, operators,
// separators and the calls of the four functions as single tokens) and cuts
// them into statements at each separator ";". It knows the lexical grammar
// only; the statement classes check the syntax.
//
// Lexical rules:
// - Whitespace is blank, tab, CR and LF. Comments: "/*" to "*/" and "--" to
//   the end of the line (LF, with or without CR before it).
// - A keyword is matched only when whitespace or a separator follows it
//   (DESC is not matched at the start of DESCRIBE).
// - Literals: '...'; a backslash escapes the next character and is dropped
//   ('a\'b' is a'b, 'a\\b' is a\b); '' is not an escape. Quoted identifiers:
//   "...", no escapes, upper-cased, never empty.
// - Words run up to whitespace, a separator, a comment start or an operator;
//   dots, signs, digits, '*', '<', '>' are word characters (TS.TAB.FIELD, -5,
//   a<b are single words). A backslash before a blank, separator, '=' or '@'
//   keeps it in the word.
// - A word starting with a function name must be the call: the name,
//   whitespace or a separator, then the function's shape of parentheses,
//   commas and quotes, found in order up to the first ";" outside quotes.
//
// Rows and columns count from 1; a line feed starts a new row whose first
// character has column 2 (the first character of the text has column 1).
// Line feeds inside literals, quoted identifiers and function calls do not
// count. A token's column is that of its first character, except for words
// (one past the last character) and literals and quoted identifiers (the
// closing quote). These are the system's counters ("Error row: r col: c.",
// a token's row and column); the causes below, and a token's line, give
// places as an editor counts them instead: rows and columns from 1, every
// line feed counted, wherever it stands.
//
// Errors are DbDescError with one text, "<what>\r\nError row: r col: c.",
// followed, for an unclosed literal or quoted identifier, an empty one and
// a word that begins with a function name, by a line with the cause ("The
// quote opened in row 1, column 43 is never closed."), at most
// kMessageLimit - 1 characters in all:
//   2027 nothing applies (the next 20 characters of the text and "...");
//   2019 literal or quoted identifier not closed, empty quoted identifier,
//        function name followed by a word character, comment not closed;
//   2006 a function call's shape not found (at the call);
//   2020 tokens after the last ";" (nothing of such a script is delivered).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "SqlToken.h"

class RdmSqlParser {
public:
    static constexpr int kMessageLimit = 2000;  // the error text, terminator included

    RdmSqlParser() = default;
    RdmSqlParser(const RdmSqlParser&) = delete;
    RdmSqlParser& operator=(const RdmSqlParser&) = delete;
    virtual ~RdmSqlParser();

    // Tokenizes length characters of text (no terminator needed) and appends
    // its statements to the caller's sequence, which is not cleared first.
    // On an error nothing is appended and DbDescError is raised; the parser
    // can take the next text as usual.
    void Parse(const char* text, uint32_t length, std::vector<SqlStatement>& statements);

    // The tokens of the last text parsed.
    const std::vector<SqlToken>& GetTokens() const { return m_tokens; }

private:
    void Tokenize();
    void RunPass();
    void SkipWhitespace();
    void SkipComment();
    void ReadQuotedIdentifier();
    void ReadLiteral();
    bool ReadKeyword();
    bool ReadFunctionCall();
    bool ReadSeparator();
    bool ReadWord();
    bool ReadOperator();
    void CutStatements(std::vector<SqlStatement>& statements) const;

    // The character at index i, or NUL past the end of the text.
    char At(uint32_t i) const { return i < m_size ? m_text[i] : '\0'; }
    bool StartsWith(std::string_view piece) const;
    // start: the offset of the token's first character, for its line.
    void AddToken(SqlTokenKind kind, std::string text, int column, uint32_t start);
    // Moves over a line feed: next row, and the character after it is at column 2.
    void PassLineFeed();
    // The row and column of the character at offset as an editor counts them.
    std::pair<int, int> EditorPosition(uint32_t offset);
    // "in row r, column c" of the character at offset, for a cause that names a place.
    std::string Place(uint32_t offset);
    // Raises the error: what, the position, and the cause (if any) after it.
    [[noreturn]] void Fail(int code, const std::string& what, int row, int column, int line,
                           const std::string& cause = "") const;

    int m_row = 1;
    int m_column = 1;
    std::string m_text;
    uint32_t m_size = 0;
    uint32_t m_position = 0;
    // EditorPosition's scan: the text before m_scanned has been read; its last
    // row is m_scannedRow, which starts at offset m_scannedRowStart.
    uint32_t m_scanned = 0;
    int m_scannedRow = 1;
    uint32_t m_scannedRowStart = 0;
    std::vector<SqlToken> m_tokens;
};
