// The keys of an or-search as one JSON array, so that a search over any
// number of keys is one prepared statement with one parameter, read back by
// SQLite's json_each: a key of one column is a JSON value, a compound key an
// array of its components. Raw bytes travel as upper-case hexadecimal text,
// compared against hex() of their column.
#pragma once

#include <string>
#include <vector>

#include "Sqlite.h"

namespace lurdbcli {

std::string KeyListJson(const std::vector<std::vector<SqlValue>>& keys);

}  // namespace lurdbcli
