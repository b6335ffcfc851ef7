// SqlFieldRef: a field or a value as a condition reads it: the resolved
// tablespace, table and field of a name, or the token's text when the token
// is a value, and the token itself for the position of later errors.
#pragma once

#include <string>

#include "SqlToken.h"

struct SqlFieldRef {
    std::string tablespace;
    std::string table;
    std::string field;
    std::string value;
    const SqlToken* token = nullptr;  // not owned: a token of the statement being run
};
