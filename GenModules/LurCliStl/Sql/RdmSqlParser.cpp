#include "RdmSqlParser.h"

#include <string_view>

#include "DbDescError.h"
#include "QuotedValue.h"
#include "SqlAscii.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlParser"};

using lurclistl::AsciiUpper;
using lurclistl::EqualsIgnoringAsciiCase;

constexpr int kNothingApplies = 2027;
constexpr int kSyntaxError = 2019;
constexpr int kFunctionShape = 2006;
constexpr int kMalformedStatement = 2020;

// In ascending byte order, the order in which they are tried.
constexpr std::string_view kKeywords[] = {
    "ALTER",        "AND",           "ARCHIVE", "AS",       "BETWEEN",    "BY",         "CACHE",
    "COLLATE",      "COMMIT",        "CREATE",  "CYCLE",    "DATABASE",   "DBPATH",     "DELETE",
    "DESC",         "DESCRIBE",      "DROP",    "EXEC",     "EXECUTE",    "FROM",       "GRANT",
    "INCREMENT_BY", "INSERT",        "INTO",    "LIKE",     "LOGLEVEL",   "MAXVALUE",   "MINVALUE",
    "NETLOCK",      "NLS_TERRITORY", "NOCACHE", "NOCYCLE",  "NOMAXVALUE", "NOMINVALUE", "ON",
    "ORDER",        "PRINT",         "REVOKE",  "ROLLBACK", "SELECT",     "SEQUENCE",   "SESSION",
    "SET",          "START",         "SYSDATE", "SYSTEM",   "TABLE",      "TABLESPACE", "TO",
    "TRUNCATE",     "UPDATE",        "VALUES",  "WHERE",    "WITH"};

// A function call is one token: the name, then the characters of its shape
// in order; the message tells which one was not found.
struct FunctionShape {
    std::string_view name;
    std::string_view shape;
    const char* open;
    const char* quote;
    const char* comma;
    const char* close;

    const char* MessageFor(char c) const {
        switch (c) {
            case '(': return open;
            case '\'': return quote;
            case ',': return comma;
            default: return close;
        }
    }
};

constexpr FunctionShape kFunctions[] = {
    {"ENCODE", "('')", "Missing open parenthesis in encode function.", "Bad string format in encode function.", "",
     "Missing close parenthesis in encode function."},
    {"SUBSTR", "(,)", "Missing open parenthesis in substr function.", "", "Bad parameter count in substr function.",
     "Bad parameter count in substr function."},
    {"TO_CHAR", "(,'')", "Missing open parenthesis in to_char function.", "Bad date-time format in to_char function.",
     "Bad parameter count in to_char function.", "Missing close parenthesis in to_char function."},
    {"TO_DATE", "('','')", "Missing open parenthesis in to_date function.", "Bad date-time format in to_date function.",
     "Bad parameter count in to_date function.", "Missing close parenthesis in to_date function."},
};

constexpr std::string_view kWhitespace = " \t\r\n";
constexpr std::string_view kSeparators = ",;()\"";

bool IsWhitespace(char c) { return c != '\0' && kWhitespace.find(c) != std::string_view::npos; }
bool IsSeparator(char c) { return c != '\0' && kSeparators.find(c) != std::string_view::npos; }
// What must follow a keyword or a function name.
bool IsBoundary(char c) { return IsWhitespace(c) || IsSeparator(c); }

bool IsKeyword(std::string_view upper) {
    for (std::string_view key : kKeywords)
        if (key == upper) return true;
    return false;
}

bool IsFunctionName(std::string_view upper) {
    for (const FunctionShape& function : kFunctions)
        if (function.name == upper) return true;
    return false;
}

}  // namespace

RdmSqlParser::~RdmSqlParser() = default;

void RdmSqlParser::Parse(const char* text, uint32_t length, std::vector<SqlStatement>& statements) {
    m_text.assign(text ? text : "", text ? length : 0);
    m_size = static_cast<uint32_t>(m_text.size());
    m_position = 0;
    m_row = 1;
    m_column = 1;
    m_scanned = 0;
    m_scannedRow = 1;
    m_scannedRowStart = 0;
    m_tokens.clear();
    while (m_position < m_size) RunPass();
    CutStatements(statements);
}

void RdmSqlParser::RunPass() {
    const uint32_t start = m_position;
    SkipWhitespace();
    SkipComment();
    if (At(m_position) == '"')
        ReadQuotedIdentifier();
    else if (At(m_position) == '\'')
        ReadLiteral();
    if (ReadKeyword() || ReadFunctionCall() || ReadSeparator() || ReadWord() || ReadOperator()) return;
    if (m_position == start) Fail(kNothingApplies, m_text.substr(m_position, 20) + "...", m_row, m_column, __LINE__);
}

void RdmSqlParser::PassLineFeed() {
    ++m_row;
    m_column = 2;
    ++m_position;
}

void RdmSqlParser::SkipWhitespace() {
    while (m_position < m_size && IsWhitespace(m_text[m_position])) {
        if (m_text[m_position] == '\n') {
            PassLineFeed();
        } else {
            ++m_position;
            ++m_column;
        }
    }
}

// At most one comment. A "/*" comment must be closed; a "--" comment ends
// with its line (the line feed counts as a new row) or with the text.
void RdmSqlParser::SkipComment() {
    if (StartsWith("/*")) {
        const int row = m_row;
        const int column = m_column;
        const size_t end = m_text.find("*/", m_position + 2);
        if (end == std::string::npos)
            Fail(kSyntaxError, "Missing '*/' at the end of the comment.", row, column, __LINE__);
        while (m_position < end) {
            if (m_text[m_position] == '\n') {
                PassLineFeed();
            } else {
                ++m_position;
                ++m_column;
            }
        }
        m_position += 2;
        m_column += 2;
    } else if (StartsWith("--")) {
        while (m_position < m_size && m_text[m_position] != '\n') {
            ++m_position;
            ++m_column;
        }
        if (m_position < m_size) PassLineFeed();
    }
}

void RdmSqlParser::ReadQuotedIdentifier() {
    const uint32_t opened = m_position;
    ++m_position;
    ++m_column;
    const uint32_t begin = m_position;
    while (m_position < m_size && m_text[m_position] != '"') {
        ++m_position;
        ++m_column;
    }
    const std::string content = m_text.substr(begin, m_position - begin);
    if (m_position >= m_size)
        Fail(kSyntaxError, content, m_row, m_column, __LINE__,
             "The double quote opened " + Place(opened) + " is never closed.");
    if (content.empty())
        Fail(kSyntaxError, content, m_row, m_column, __LINE__,
             "The double quotes " + Place(opened) + " enclose no name.");
    AddToken(SqlTokenKind::QuotedIdentifier, AsciiUpper(content), m_column, opened);
    ++m_position;
    ++m_column;
}

// A backslash is dropped unless a backslash stands before it; a quote ends
// the literal unless a backslash stands before it.
void RdmSqlParser::ReadLiteral() {
    const uint32_t opened = m_position;
    ++m_position;
    ++m_column;
    std::string kept;
    uint32_t firstKeptQuote = 0;  // where a quote after a backslash was taken as text (0: none)
    for (; m_position < m_size; ++m_position, ++m_column) {
        const char c = m_text[m_position];
        const bool afterBackslash = m_text[m_position - 1] == '\\';
        if (c == '\'' && !afterBackslash) {
            AddToken(SqlTokenKind::Literal, kept, m_column, opened);
            ++m_position;
            ++m_column;
            return;
        }
        if (c == '\'' && firstKeptQuote == 0) firstKeptQuote = m_position;
        if (c != '\\' || afterBackslash) kept += c;
    }
    // A quote meant to close the literal that follows a backslash ('C:\dir\')
    // is the usual cause: name it.
    std::string cause = "The quote opened " + Place(opened) + " is never closed.";
    if (firstKeptQuote != 0)
        cause += " The quote " + Place(firstKeptQuote) + " follows a backslash, which makes it part of the text.";
    Fail(kSyntaxError, kept, m_row, m_column, __LINE__, cause);
}

bool RdmSqlParser::ReadKeyword() {
    for (std::string_view key : kKeywords) {
        const uint32_t after = m_position + static_cast<uint32_t>(key.size());
        if (after >= m_size || !IsBoundary(m_text[after])) continue;
        if (!EqualsIgnoringAsciiCase(std::string_view(m_text).substr(m_position, key.size()), key)) continue;
        AddToken(SqlTokenKind::Keyword, std::string(key), m_column, m_position);
        m_position = after;
        m_column += static_cast<int>(key.size());
        return true;
    }
    return false;
}

// The shape is looked for up to the first ";" outside quotes, so that a
// call without its ")" cannot swallow the statements behind it.
bool RdmSqlParser::ReadFunctionCall() {
    for (const FunctionShape& function : kFunctions) {
        const uint32_t nameEnd = m_position + static_cast<uint32_t>(function.name.size());
        if (nameEnd > m_size ||
            !EqualsIgnoringAsciiCase(std::string_view(m_text).substr(m_position, function.name.size()), function.name))
            continue;
        if (nameEnd == m_size) Fail(kSyntaxError, std::string(function.name), m_row, m_column, __LINE__);
        if (!IsBoundary(At(nameEnd))) {
            uint32_t wordEnd = nameEnd;
            while (wordEnd < m_size && !IsBoundary(m_text[wordEnd])) ++wordEnd;
            const std::string word = m_text.substr(m_position, wordEnd - m_position);
            Fail(kSyntaxError, std::string(function.name), m_row, m_column, __LINE__,
                 lurquote::QuotedValue(word, '"') + " begins with the function name " + std::string(function.name) +
                     ": write such a name between double quotes.");
        }

        uint32_t i = nameEnd;
        size_t step = 0;
        bool inLiteral = false;
        bool inIdentifier = false;
        while (step < function.shape.size()) {
            const char c = At(i);
            if (i >= m_size || (c == ';' && !inLiteral && !inIdentifier))
                Fail(kFunctionShape, function.MessageFor(function.shape[step]), m_row, m_column, __LINE__);
            if (c == function.shape[step]) ++step;
            if (c == '\'' && !inIdentifier && !(inLiteral && m_text[i - 1] == '\\'))
                inLiteral = !inLiteral;
            else if (c == '"' && !inLiteral)
                inIdentifier = !inIdentifier;
            ++i;
        }
        std::string call = std::string(function.name) + m_text.substr(nameEnd, i - nameEnd);
        const auto length = static_cast<uint32_t>(call.size());
        AddToken(SqlTokenKind::FunctionCall, std::move(call), m_column, m_position);
        m_position += length;
        m_column += static_cast<int>(length);
        return true;
    }
    return false;
}

// Parentheses, "," and ";", and a double quote right behind a literal or a
// quoted identifier.
bool RdmSqlParser::ReadSeparator() {
    if (m_position >= m_size || !IsSeparator(m_text[m_position])) return false;
    AddToken(SqlTokenKind::Separator, std::string(1, m_text[m_position]), m_column, m_position);
    ++m_position;
    ++m_column;
    return true;
}

bool RdmSqlParser::ReadWord() {
    if (m_position >= m_size || m_text[m_position] == '\'') return false;
    uint32_t end = m_position;
    for (; end < m_size; ++end) {
        const char c = m_text[end];
        const bool escaped = end > 0 && m_text[end - 1] == '\\';
        const std::string_view rest = std::string_view(m_text).substr(end, 2);
        if (!escaped && (IsWhitespace(c) || IsSeparator(c) || c == '=' || c == '@')) break;
        if (rest == "/*" || rest == "--" || rest == "<>" || rest == "<=" || rest == ">=") break;
    }
    std::string word = m_text.substr(m_position, end - m_position);
    const std::string upper = AsciiUpper(word);
    if (word.empty() || IsKeyword(upper) || IsFunctionName(upper)) return false;
    m_column += static_cast<int>(word.size());
    AddToken(SqlTokenKind::Word, std::move(word), m_column, m_position);
    m_position = end;
    return true;
}

bool RdmSqlParser::ReadOperator() {
    const std::string_view rest = std::string_view(m_text).substr(m_position < m_size ? m_position : m_size, 2);
    size_t length = 0;
    if (!rest.empty() && (rest[0] == '=' || rest[0] == '@'))
        length = 1;
    else if (rest == "<>" || rest == "<=" || rest == ">=")
        length = 2;
    else
        return false;
    AddToken(SqlTokenKind::Operator, std::string(rest.substr(0, length)), m_column, m_position);
    m_position += static_cast<uint32_t>(length);
    m_column += static_cast<int>(length);
    return true;
}

// Only the separator ";" ends a statement; tokens after the last one are an
// unfinished statement, and then no statement of the text is delivered.
void RdmSqlParser::CutStatements(std::vector<SqlStatement>& statements) const {
    std::vector<SqlStatement> cut;
    SqlStatement current;
    for (const SqlToken& token : m_tokens) {
        current.push_back(token);
        if (token.IsStatementEnd()) {
            cut.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty())
        Fail(kMalformedStatement, "Missing ';' at the end of the script", current.front().row, current.front().column,
             __LINE__);
    statements.insert(statements.end(), std::make_move_iterator(cut.begin()), std::make_move_iterator(cut.end()));
}

bool RdmSqlParser::StartsWith(std::string_view piece) const {
    return m_position < m_size && std::string_view(m_text).substr(m_position, piece.size()) == piece;
}

void RdmSqlParser::AddToken(SqlTokenKind kind, std::string text, int column, uint32_t start) {
    m_tokens.push_back(SqlToken{std::move(text), m_row, column, kind, EditorPosition(start).first});
}

// Offsets are asked for in rising order (tokens, then a failure's quotes),
// so the text is scanned once; an earlier one starts the scan again.
std::pair<int, int> RdmSqlParser::EditorPosition(uint32_t offset) {
    if (offset < m_scanned) {
        m_scanned = 0;
        m_scannedRow = 1;
        m_scannedRowStart = 0;
    }
    for (; m_scanned < offset; ++m_scanned) {
        if (m_text[m_scanned] == '\n') {
            ++m_scannedRow;
            m_scannedRowStart = m_scanned + 1;
        }
    }
    return {m_scannedRow, static_cast<int>(offset - m_scannedRowStart) + 1};
}

std::string RdmSqlParser::Place(uint32_t offset) {
    const auto [row, column] = EditorPosition(offset);
    return "in row " + std::to_string(row) + ", column " + std::to_string(column);
}

// The text is cut so that the position and the cause always fit into the limit.
void RdmSqlParser::Fail(int code, const std::string& what, int row, int column, int line,
                        const std::string& cause) const {
    const std::string where = "\r\nError row: " + std::to_string(row) + " col: " + std::to_string(column) + "." +
                              (cause.empty() ? "" : "\r\n" + cause);
    const size_t limit = kMessageLimit - 1;
    const size_t room = where.size() < limit ? limit - where.size() : 0;
    throw DbDescError(code, Here(line), StrVector((what.substr(0, room) + where).substr(0, limit)));
}
