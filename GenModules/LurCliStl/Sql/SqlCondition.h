// SqlCondition: one condition of a WHERE clause as RdmSqlBase::ParseCondition
// reads it. After parsing the field is always on the left: a condition
// written value-first is turned round, its comparison mirrored.
#pragma once

#include <vector>

#include "SqlFieldRef.h"

struct SqlCondition {
    static constexpr int kLink = 2;   // a field compared with a field
    static constexpr int kValue = 3;  // a field compared with a value

    int kind = 0;
    SqlFieldRef left;
    SqlFieldRef op;           // the operator's text in value, its token in token
    SqlFieldRef right;        // a field (kLink) or a value (kValue)
    SqlFieldRef secondValue;  // the upper bound after BETWEEN ... AND
};

using SqlConditions = std::vector<SqlCondition>;
