// SqlToken and SqlStatement: what the tokenizer (RdmSqlParser) hands to the
// statement classes. A token keeps its kind, so that a value written in
// quotes never acts as syntax: a literal ';' does not end a statement and a
// literal 'WHERE' is no keyword.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class SqlTokenKind {
    Keyword,           // one of the dialect's keywords, upper case
    Word,              // any other unquoted run of characters, as written
    Literal,           // '...': the characters between the quotes, escapes applied
    QuotedIdentifier,  // "...": the characters between the quotes, upper case
    Operator,          // = <> @ <= >=
    Separator,         // , ; ( ) and a stray double quote
    FunctionCall,      // TO_DATE(...), TO_CHAR(...), ENCODE(...), SUBSTR(...) whole
};

struct SqlToken {
    std::string text;
    int row = 1;     // from 1
    int column = 1;  // from 1; which character depends on the kind (see RdmSqlParser.h)
    SqlTokenKind kind = SqlTokenKind::Word;
    // The row of its first character as an editor counts it (every line feed
    // counts, also inside literals), for the places the messages name.
    int line = 1;

    // A literal or a quoted identifier: a value or a name, never syntax.
    bool IsQuoted() const { return kind == SqlTokenKind::Literal || kind == SqlTokenKind::QuotedIdentifier; }
    // Whether the token is the syntax word (keyword, word, operator,
    // separator) given, ASCII case ignored. Quoted tokens never match.
    bool Matches(std::string_view word) const;
    // The separator that ends a statement.
    bool IsStatementEnd() const { return kind == SqlTokenKind::Separator && text == ";"; }
    // The token written back as SQL text, as the server reads it: a literal
    // in single quotes with ' and \ escaped by a backslash, a quoted
    // identifier in double quotes, anything else as its text.
    std::string SqlText() const;
};

// One statement: its tokens up to and including the separator ";".
using SqlStatement = std::vector<SqlToken>;

// The statement's text for the server: each token's SqlText followed by
// one blank.
std::string StatementSqlText(const SqlStatement& statement);
