#include "SqlToken.h"

#include "SqlAscii.h"

bool SqlToken::Matches(std::string_view word) const {
    return !IsQuoted() && lurclistl::EqualsIgnoringAsciiCase(text, word);
}

std::string SqlToken::SqlText() const {
    switch (kind) {
        case SqlTokenKind::Literal: {
            std::string quoted = "'";
            for (char c : text) {
                if (c == '\'' || c == '\\') quoted += '\\';
                quoted += c;
            }
            return quoted + "'";
        }
        case SqlTokenKind::QuotedIdentifier: return "\"" + text + "\"";
        default: return text;
    }
}

std::string StatementSqlText(const SqlStatement& statement) {
    std::string sql;
    for (const SqlToken& token : statement) sql += token.SqlText() + ' ';
    return sql;
}
