// Keys, moves and finds of a handle: the key order with ties by insertion
// order, and the per record type position these set.
#include <cstring>

#include "CodePage.h"
#include "RecordCodec.h"
#include "Session.h"
#include "lurdbcli.h"

namespace lurdbcli {

const std::vector<size_t>& Session::KeyColumns(const TableRef& ref, int fieldIndex) {
    static const std::vector<size_t> none;
    return fieldIndex < 0 ? none : ref.sql.keyColumns[static_cast<size_t>(fieldIndex)];
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

void Session::RowToRecord(const TableRef& ref, const Statement& statement, int firstColumn, char* record,
                          Position* position) const {
    if (!ref.sql.valuesFillRecord) {
        std::memset(record, 0, static_cast<size_t>(ref.table.RecordSize()));
    }
    KeptColumn* kept = nullptr;  // only the values a move or find continues from: those of key fields
    if (position != nullptr) {
        position->row.resize(ref.table.fields.size());
        kept = position->row.data();
    }
    const FieldDef* fields = ref.table.fields.data();
    int column = firstColumn;
    for (const TableSql::ValueField& valueField : ref.sql.valueFields) {
        const FieldDef& field = fields[valueField.field];
        sqlite3_value* value = statement.ColumnValue(column++);
        // An integer field holding an integer, the common case, goes
        // straight into its bytes; everything else through its view.
        if (IsIntegerField(field) && sqlite3_value_type(value) == SQLITE_INTEGER) {
            const long long number = sqlite3_value_int64(value);
            StoreIntegerField(field, number, record);
            if (kept != nullptr && valueField.inKey) {
                kept[valueField.field].KeepInteger(number);
            }
            continue;
        }
        const ColumnView view = Statement::ViewOfColumn(value);
        if (kept != nullptr && valueField.inKey) {
            kept[valueField.field].Keep(view);
        }
        ColumnToField(field, view, record);
    }
}

void Session::TakeRow(TableRef& ref, const Statement& statement, char* record) {
    Position& position = ref.position;
    position.valid = true;
    position.rowid = statement.ColumnInt(0);
    position.walk = {};
    RowToRecord(ref, statement, 1, record, &position);
}

bool Session::StepAndTakeRow(TableRef& ref, Statement& statement, bool keepOpen, char* record) {
    if (!statement.Step()) {
        return false;
    }
    try {
        TakeRow(ref, statement, record);
    } catch (...) {
        statement.Reset();
        throw;
    }
    if (!keepOpen) {
        statement.Reset();  // ends its read now
    }
    return true;
}

std::vector<SqlValue> Session::KeyValues(const TableRef& ref, const std::vector<size_t>& columns,
                                         const char* record) const {
    std::vector<SqlValue> values;
    for (size_t column : columns) {
        values.push_back(FieldToSql(ref.table.fields[column], record));
    }
    return values;
}

int Session::BindKey(Statement& statement, const TableRef& ref, const std::vector<size_t>& columns, const char* record,
                     int first) {
    std::string converted;
    for (size_t column : columns) {
        const FieldDef& field = ref.table.fields[column];
        if (IsIntegerField(field)) {
            statement.Bind(first++, IntegerField(field, record));
        } else {
            statement.Bind(first++, FieldView(field, record, converted));
        }
    }
    return first;
}

void Session::BindPosition(Statement& statement, const TableRef& ref, const std::vector<size_t>& columns, int first) {
    for (size_t column : columns) {
        statement.Bind(first++, ref.position.row[column].View());
    }
    statement.Bind(first, ref.position.rowid);
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

bool Session::MoveTo(int32_t dbNo, int32_t recType, int32_t recordSize, Move move, char* record) {
    TableRef ref = Table(dbNo, recType, recordSize);
    return MoveIn(ref, move, record);
}

bool Session::MoveIn(TableRef& ref, Move move, char* record) {
    Position& position = ref.position;
    if (move == Move::Current) {
        if (!position.valid) {
            throw StoreError{kNotFound, "no current record"};
        }
        Statement& current = Prepared(ref, Sql::Current, -1, [&] { return ref.sql.selectList + " WHERE rowid = ?"; });
        return StepAndTakeRow(ref, current.Bind(1, position.rowid), false, record);
    }
    // From no position NextRec is the first record, PrevRec the last.
    const bool forward = move == Move::First || move == Move::Next;
    const bool fromPosition = (move == Move::Next || move == Move::Prev) && position.valid;
    Statement& statement = fromPosition && WalkGoesOn(position, forward) ? *position.walk.statement
                                                                         : MoveStatement(ref, forward, fromPosition);
    // Outside a transaction every call reads on its own: nothing stays open
    // (a kept statement would keep its read, and so its snapshot).
    if (!StepAndTakeRow(ref, statement, m_transaction, record)) {
        return false;
    }
    if (m_transaction) {
        position.walk = {&statement, statement.Moves(), m_transactionsBegun, forward, position.keyField};
    }
    return true;
}

Statement& Session::MoveStatement(TableRef& ref, bool forward, bool fromPosition) {
    const int keyField = ref.position.keyField;
    const std::vector<size_t>& columns = KeyColumns(ref, keyField);
    const Sql operation = forward ? (fromPosition ? Sql::Next : Sql::First) : (fromPosition ? Sql::Prev : Sql::Last);
    bool made = false;
    Statement& statement = Prepared(ref, operation, keyField, [&] {
        made = true;
        if (!fromPosition) {
            return ref.sql.selectList + OrderBy(ref, columns, !forward);
        }
        // Strictly after (before) the position in (key, rowid) order, so
        // that equal keys go by insertion order.
        std::string left = "(";
        for (size_t column : columns) {
            left += ref.sql.columns[column] + ", ";
        }
        return ref.sql.selectList + " WHERE " + left + "rowid)" + (forward ? " > " : " < ") +
               RowValueList(columns.size() + 1) + OrderBy(ref, columns, !forward);
    });
    if (made) {
        ref.sql.walks.push_back(&statement);
    }
    if (fromPosition) {
        BindPosition(statement, ref, columns);
    }
    return statement;
}

bool Session::WalkGoesOn(const Position& position, bool forward) const {
    const Walk& walk = position.walk;
    return m_transaction && walk.statement != nullptr && walk.transaction == m_transactionsBegun &&
           walk.forward == forward && walk.keyField == position.keyField && walk.statement->Moves() == walk.moves;
}

void Session::CloseWalks(TableSql& sql) {
    for (Statement* walk : sql.walks) {
        walk->Reset();
    }
}

void Session::CloseAllWalks() {
    for (auto& [table, sql] : m_tableSql) {
        CloseWalks(sql);
    }
}

bool Session::FindRec(int32_t dbNo, int32_t recType, int32_t recordSize, Find find, char* record) {
    TableRef ref = Table(dbNo, recType, recordSize);
    const int keyField = ref.position.keyField;
    if (keyField < 0) {
        throw StoreError{kUnknownField, "no current key"};
    }
    const std::vector<size_t>& columns = KeyColumns(ref, keyField);
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
        BindPosition(*statement, ref, columns, BindKey(*statement, ref, columns, record));
    } else {
        statement = &Prepared(ref, back ? Sql::FindBack : Sql::Find, keyField,
                              [&] { return ref.sql.selectList + " WHERE " + KeyMatch(ref, columns) + "1" + order; });
        BindKey(*statement, ref, columns, record);
    }
    return StepAndTakeRow(ref, *statement, false, record);
}

}  // namespace lurdbcli
