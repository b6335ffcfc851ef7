// SqlSelectColumn: one column of a select list: the table and field it
// names (upper case, as resolved) and the alias written after AS (as
// written; empty when there is none).
#pragma once

#include <string>
#include <vector>

struct SqlSelectColumn {
    std::string table;
    std::string field;
    std::string alias;

    bool operator==(const SqlSelectColumn&) const = default;
};

using SqlSelectList = std::vector<SqlSelectColumn>;
