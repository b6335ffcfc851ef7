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
        order += ref.sql.columns[column] + (descending ? " DESC, " : ", ");
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

std::string Session::KeyMatch(const TableRef& ref, const std::vector<size_t>& columns) {
    std::string match;
    for (size_t column : columns) {
        match += ref.sql.columns[column] + " = ? AND ";
    }
    return match;
}

void Session::BindAll(Statement& statement, const std::vector<SqlValue>& values, int first) {
    for (const SqlValue& value : values) {
        statement.Bind(first++, value);
    }
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
    // Only the values a move or find continues from: those of key fields.
    position.row.assign(ref.table.fields.size(), SqlValue{});
    int column = 1;
    for (size_t i = 0; i < ref.table.fields.size(); ++i) {
        if (ref.table.fields[i].HasValue()) {
            if (ref.sql.inKey[i]) {
                position.row[i] = statement.Column(column);
            }
            ++column;
        }
    }
    RowToRecord(ref, statement, 1, record);
}

void Session::TakeFirstRow(TableRef& ref, Statement& statement, const char* notFound, char* record) {
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
    const int keyField = ref.position.keyField;
    const std::vector<size_t> columns = KeyColumns(ref, keyField);
    if (!ref.position.valid && (move == Move::Next || move == Move::Prev)) {
        move = move == Move::Next ? Move::First : Move::Last;  // from no position: the first / the last
    }
    Statement* statement = nullptr;
    switch (move) {
        case Move::First:
            statement = &Prepared(ref, Sql::First, keyField,
                                  [&] { return ref.sql.selectList + OrderBy(ref, columns, false) + " LIMIT 1"; });
            break;
        case Move::Last:
            statement = &Prepared(ref, Sql::Last, keyField,
                                  [&] { return ref.sql.selectList + OrderBy(ref, columns, true) + " LIMIT 1"; });
            break;
        case Move::Current:
            if (!ref.position.valid) {
                throw StoreError{kNotFound, "no current record"};
            }
            statement = &Prepared(ref, Sql::Current, -1, [&] { return ref.sql.selectList + " WHERE rowid = ?"; });
            statement->Bind(1, ref.position.rowid);
            break;
        case Move::Next:
        case Move::Prev: {
            // Strictly after (before) the position in (key, rowid) order, so
            // that equal keys go by insertion order.
            const bool next = move == Move::Next;
            statement = &Prepared(ref, next ? Sql::Next : Sql::Prev, keyField, [&] {
                std::string left = "(";
                for (size_t column : columns) {
                    left += ref.sql.columns[column] + ", ";
                }
                return ref.sql.selectList + " WHERE " + left + "rowid)" + (next ? " > " : " < ") +
                       RowValueList(columns.size() + 1) + OrderBy(ref, columns, !next) + " LIMIT 1";
            });
            int index = 1;
            for (size_t column : columns) {
                statement->Bind(index++, ref.position.row[column]);
            }
            statement->Bind(index, ref.position.rowid);
            break;
        }
    }
    TakeFirstRow(ref, *statement, "no record there", record);
}

void Session::FindRec(int32_t dbNo, int32_t recType, int32_t recordSize, Find find, char* record) {
    TableRef ref = Table(dbNo, recType, recordSize);
    const int keyField = ref.position.keyField;
    if (keyField < 0) {
        throw StoreError{kUnknownField, "no current key"};
    }
    const std::vector<size_t> columns = KeyColumns(ref, keyField);
    const std::vector<SqlValue> key = KeyValues(ref, columns, record);
    // Among equal keys the order is the insertion order.
    const bool back = find == Find::Prev;
    const char* order = back ? " ORDER BY rowid DESC LIMIT 1" : " ORDER BY rowid LIMIT 1";
    Statement* statement = nullptr;
    if (find != Find::First && ref.position.valid) {
        // Strictly after (before) the position in (key, rowid) order: among
        // equal keys by insertion, and from a position on another key value
        // all (none) of the equal records lie ahead.
        statement = &Prepared(ref, back ? Sql::FindPrev : Sql::FindNext, keyField, [&] {
            std::string left = "(";
            for (size_t column : columns) {
                left += ref.sql.columns[column] + ", ";
            }
            return ref.sql.selectList + " WHERE " + KeyMatch(ref, columns) + left + "rowid)" + (back ? " < " : " > ") +
                   RowValueList(columns.size() + 1) + order;
        });
        BindAll(*statement, key);
        int index = static_cast<int>(key.size()) + 1;
        for (size_t column : columns) {
            statement->Bind(index++, ref.position.row[column]);
        }
        statement->Bind(index, ref.position.rowid);
    } else {
        statement = &Prepared(ref, back ? Sql::FindBack : Sql::Find, keyField,
                              [&] { return ref.sql.selectList + " WHERE " + KeyMatch(ref, columns) + "1" + order; });
        BindAll(*statement, key);
    }
    TakeFirstRow(ref, *statement, "no record with that key", record);
}

}  // namespace lurdbcli
