// List searches and counts: whole records in search-field order, then
// insertion order.
#include "KeyList.h"
#include "Session.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

const char* CompareOperator(Session::Compare compare) {
    switch (compare) {
        case Session::Compare::GreaterOrEqual: return " >= ";
        case Session::Compare::LessOrEqual: return " <= ";
        default: return " = ";
    }
}

}  // namespace

HandOutBlock Session::CollectRecords(const TableRef& ref, Statement& statement) {
    // Each row is read straight into the block the caller receives.
    HandOutBlock records;
    const auto size = static_cast<size_t>(ref.table.RecordSize());
    while (statement.Step()) {
        RowToRecord(ref, statement, 1, records.Extend(size));
    }
    if (records.Empty()) {
        throw StoreError{kNotFound, "no records"};
    }
    return records;
}

HandOutBlock Session::FindList(int32_t dbNo, int32_t recType, int32_t recordSize, int32_t fieldNo, Compare compare,
                               const char* keyRecord) {
    TableRef ref = Table(dbNo, recType, recordSize);
    FieldByNumber(ref, fieldNo);
    const std::vector<size_t>& columns = KeyColumns(ref, fieldNo % 1000);
    if (columns.empty() || !ref.table.fields[columns.front()].HasValue()) {
        throw StoreError{kUnknownField, "field number " + std::to_string(fieldNo) + " has no value"};
    }
    std::string left = "(";
    for (size_t column : columns) {
        left += (left.size() > 1 ? ", " : "") + ref.sql.columns[column];
    }
    const std::vector<SqlValue> key = KeyValues(ref, columns, keyRecord);
    const Sql operation = compare == Compare::Equal            ? Sql::ListEqual
                          : compare == Compare::GreaterOrEqual ? Sql::ListGreater
                                                               : Sql::ListLess;
    Statement& statement = Prepared(ref, operation, fieldNo % 1000, [&] {
        return ref.sql.selectList + " WHERE " + left + ")" + CompareOperator(compare) + RowValueList(key.size()) +
               OrderBy(ref, columns, false);
    });
    BindAll(statement, key);
    return CollectRecords(ref, statement);
}

HandOutBlock Session::FindListOr(int32_t dbNo, int32_t recType, int32_t fieldNo, const char* list, int32_t length) {
    TableRef ref = Table(dbNo, recType);
    FieldByNumber(ref, fieldNo);
    const auto size = static_cast<int32_t>(ref.table.RecordSize());
    if (length < 0 || length % size != 0) {
        throw StoreError{kBadRecordSize, "list length " + std::to_string(length)};
    }
    if (length == 0) {
        throw StoreError{kNotFound, "no keys"};  // nothing can equal a key of an empty list
    }
    const std::vector<size_t>& columns = KeyColumns(ref, fieldNo % 1000);
    // All keys go in one JSON parameter, so that one statement per table and
    // field serves lists of any length.
    std::string left;
    std::string right;
    for (size_t i = 0; i < columns.size(); ++i) {
        const FieldDef& field = ref.table.fields[columns[i]];
        const std::string& column = ref.sql.columns[columns[i]];
        left += (i > 0 ? ", " : "") + (field.IsRaw() ? "hex(" + column + ")" : column);
        right += (i > 0 ? ", " : "") + (columns.size() == 1 ? std::string("value") : "value ->> " + std::to_string(i));
    }
    std::vector<std::vector<SqlValue>> keys;
    for (int32_t offset = 0; offset < length; offset += size) {
        keys.push_back(KeyValues(ref, columns, list + offset));
    }
    Statement& statement = Prepared(ref, Sql::ListOr, fieldNo % 1000, [&] {
        return ref.sql.selectList + " WHERE (" + left + ") IN (SELECT " + right + " FROM json_each(?))" +
               OrderBy(ref, columns, false);
    });
    statement.Bind(1, KeyListJson(keys));
    return CollectRecords(ref, statement);
}

HandOutBlock Session::FindBetween(int32_t dbNo, int32_t recType, int32_t recordSize, int32_t fieldNo, const char* low,
                                  const char* high) {
    TableRef ref = Table(dbNo, recType, recordSize);
    FieldByNumber(ref, fieldNo);
    const std::vector<size_t>& columns = KeyColumns(ref, fieldNo % 1000);
    std::string left = "(";
    for (size_t column : columns) {
        left += (left.size() > 1 ? ", " : "") + ref.sql.columns[column];
    }
    left += ")";
    std::vector<SqlValue> bound = KeyValues(ref, columns, low);
    const std::vector<SqlValue> upper = KeyValues(ref, columns, high);
    bound.insert(bound.end(), upper.begin(), upper.end());
    Statement& statement = Prepared(ref, Sql::Between, fieldNo % 1000, [&] {
        return ref.sql.selectList + " WHERE " + left + " >= " + RowValueList(columns.size()) + " AND " + left +
               " <= " + RowValueList(columns.size()) + OrderBy(ref, columns, false);
    });
    BindAll(statement, bound);
    return CollectRecords(ref, statement);
}

HandOutBlock Session::AllRecords(int32_t dbNo, int32_t recType, int32_t recordSize) {
    TableRef ref = Table(dbNo, recType, recordSize);
    Statement& statement = Prepared(ref, Sql::All, ref.position.keyField, [&] {
        return ref.sql.selectList + OrderBy(ref, KeyColumns(ref, ref.position.keyField), false);
    });
    return CollectRecords(ref, statement);
}

int32_t Session::Count(int32_t dbNo, int32_t recType) {
    TableRef ref = Table(dbNo, recType);
    Statement& statement = Prepared(ref, Sql::Count, -1, [&] { return "SELECT count(*) FROM " + ref.sql.name; });
    statement.Step();
    const auto count = static_cast<int32_t>(statement.ColumnInt(0));
    statement.Run();
    return count;
}

}  // namespace lurdbcli
