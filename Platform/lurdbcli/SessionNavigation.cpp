// Keys, moves and finds of a handle: the key order with ties by insertion
// order, and the per record type position these set.
#include <cstring>

#include "CodePage.h"
#include "RecordCodec.h"
#include "Session.h"
#include "lurdbcli.h"

namespace lurdbcli {

std::vector<size_t> Session::KeyColumns(const TableRef& ref, int fieldIndex) const {
    if (fieldIndex < 0) {
        return {};
    }
    const FieldDef& field = ref.table.fields[static_cast<size_t>(fieldIndex)];
    if (field.type != 'k') {
        return {static_cast<size_t>(fieldIndex)};
    }
    std::vector<size_t> columns;
    for (const std::string& component : field.components) {
        columns.push_back(static_cast<size_t>(ref.table.FieldIndex(component)));
    }
    return columns;
}

std::string Session::OrderBy(const TableRef& ref, const std::vector<size_t>& columns, bool descending) const {
    std::string order = " ORDER BY ";
    for (size_t column : columns) {
        order += QuoteName(ref.table.fields[column].name) + (descending ? " DESC, " : ", ");
    }
    return order + (descending ? "rowid DESC" : "rowid");
}

// "(?, ?, ...)": a row value of count bound values.
std::string Session::RowValueList(size_t count) {
    std::string marks = "(";
    for (size_t i = 0; i < count; ++i) {
        marks += i == 0 ? "?" : ", ?";
    }
    return marks + ")";
}

std::string Session::SelectList(const TableRef& ref) const {
    std::string list = "SELECT rowid";
    for (const FieldDef& field : ref.table.fields) {
        if (field.HasValue()) {
            list += ", " + QuoteName(field.name);
        }
    }
    return list + " FROM " + ref.sqlName;
}

void Session::RowToRecord(const TableRef& ref, const Statement& statement, int firstColumn, char* record) const {
    std::memset(record, 0, static_cast<size_t>(ref.table.RecordSize()));
    int column = firstColumn;
    for (const FieldDef& field : ref.table.fields) {
        if (field.HasValue()) {
            SqlToField(field, statement.Column(column++), record);
        }
    }
}

void Session::TakeRow(TableRef& ref, const Statement& statement, char* record) {
    Position& position = ref.position;
    position.valid = true;
    position.rowid = statement.ColumnInt(0);
    position.row.assign(ref.table.fields.size(), SqlValue{});
    int column = 1;
    for (size_t i = 0; i < ref.table.fields.size(); ++i) {
        if (ref.table.fields[i].HasValue()) {
            position.row[i] = statement.Column(column++);
        }
    }
    RowToRecord(ref, statement, 1, record);
}

void Session::TakeFirstRow(TableRef& ref, const std::string& sql, const std::vector<SqlValue>& bound,
                           const char* notFound, char* record) {
    Statement& statement = LoggedIn().Db().Cached(sql + " LIMIT 1");
    for (size_t i = 0; i < bound.size(); ++i) {
        statement.Bind(static_cast<int>(i + 1), bound[i]);
    }
    if (!statement.Step()) {
        throw StoreError{kNotFound, notFound};
    }
    TakeRow(ref, statement, record);
    statement.Run();
}

std::vector<SqlValue> Session::KeyValues(const TableRef& ref, const std::vector<size_t>& columns,
                                         const char* record) const {
    std::vector<SqlValue> values;
    for (size_t column : columns) {
        values.push_back(FieldToSql(ref.table.fields[column], record));
    }
    return values;
}

void Session::DefineKey(int32_t dbNo, int32_t recType, int32_t fieldNo) {
    TableRef ref = Table(dbNo, recType);
    if (fieldNo == -1) {
        ref.position.keyField = -1;
        return;
    }
    const FieldDef& field = FieldByNumber(ref, fieldNo);
    if (!field.IsKey()) {
        throw StoreError{kUnknownField, "field " + win::Cp1250ToUtf8(field.name) + " is not a key"};
    }
    ref.position.keyField = fieldNo % 1000;
}

void Session::MoveTo(int32_t dbNo, int32_t recType, int32_t recordSize, Move move, char* record) {
    TableRef ref = Table(dbNo, recType, recordSize);
    MoveIn(ref, move, record);
}

void Session::MoveIn(TableRef& ref, Move move, char* record) {
    const std::vector<size_t> columns = KeyColumns(ref, ref.position.keyField);
    if (!ref.position.valid && (move == Move::Next || move == Move::Prev)) {
        move = move == Move::Next ? Move::First : Move::Last;  // from no position: the first / the last
    }
    std::string sql = SelectList(ref);
    std::vector<SqlValue> bound;
    switch (move) {
        case Move::First: sql += OrderBy(ref, columns, false); break;
        case Move::Last: sql += OrderBy(ref, columns, true); break;
        case Move::Current:
            if (!ref.position.valid) {
                throw StoreError{kNotFound, "no current record"};
            }
            sql += " WHERE rowid = ?";
            bound.push_back(ref.position.rowid);
            break;
        case Move::Next: case Move::Prev: {
            // Strictly after (before) the position in (key, rowid) order, so
            // that equal keys go by insertion order.
            std::string left = "(";
            for (size_t column : columns) {
                left += QuoteName(ref.table.fields[column].name) + ", ";
                bound.push_back(ref.position.row[column]);
            }
            left += "rowid)";
            bound.push_back(ref.position.rowid);
            sql += " WHERE " + left + (move == Move::Next ? " > " : " < ") + RowValueList(bound.size()) +
                   OrderBy(ref, columns, move == Move::Prev);
            break;
        }
    }
    TakeFirstRow(ref, sql, bound, "no record there", record);
}

void Session::FindRec(int32_t dbNo, int32_t recType, int32_t recordSize, Find find, char* record) {
    TableRef ref = Table(dbNo, recType, recordSize);
    if (ref.position.keyField < 0) {
        throw StoreError{kUnknownField, "no current key"};
    }
    const std::vector<size_t> columns = KeyColumns(ref, ref.position.keyField);
    std::vector<SqlValue> bound = KeyValues(ref, columns, record);
    std::string sql = SelectList(ref) + " WHERE ";
    for (size_t column : columns) {
        sql += QuoteName(ref.table.fields[column].name) + " = ? AND ";
    }
    if (find != Find::First && ref.position.valid) {
        // Strictly after (before) the position in (key, rowid) order: among
        // equal keys by insertion, and from a position on another key value
        // all (none) of the equal records lie ahead.
        std::string left = "(";
        for (size_t column : columns) {
            left += QuoteName(ref.table.fields[column].name) + ", ";
            bound.push_back(ref.position.row[column]);
        }
        bound.push_back(ref.position.rowid);
        sql += left + "rowid)" + (find == Find::Next ? " > " : " < ") + RowValueList(columns.size() + 1);
    } else {
        sql += "1";
    }
    // Among equal keys the order is the insertion order.
    sql += find == Find::Prev ? " ORDER BY rowid DESC" : " ORDER BY rowid";
    TakeFirstRow(ref, sql, bound, "no record with that key", record);
}

}  // namespace lurdbcli
