// Test support: the first statement of an SQL text, as the tokenizer
// delivers it, for tests that drive the statement base directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RdmSqlParser.h"
#include "SqlToken.h"

namespace lurtest {

inline SqlStatement ParseFirstStatement(const std::string& text) {
    RdmSqlParser parser;
    std::vector<SqlStatement> statements;
    parser.Parse(text.data(), static_cast<uint32_t>(text.size()), statements);
    return statements.at(0);
}

}  // namespace lurtest
