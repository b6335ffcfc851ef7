// Record changes on the caller's copy and the handle's one transaction.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "RecordCodec.h"
#include "Session.h"
#include "lurdbcli.h"

namespace lurdbcli {

bool Session::ChangeAndTakeRow(TableRef& ref, Statement& statement, char* record) {
    if (!statement.Step()) {
        return false;
    }
    TakeRow(ref, statement, record);
    statement.Run();
    return true;
}

template <class Change>
void Session::Changing(const TableRef& ref, Change&& change) {
    CloseWalks(ref.sql);  // a walk steps no further once its table changed
    const std::pair<int32_t, int32_t> table{ref.tablespace.number, kFirstRecordType + ref.index};
    if (m_transaction) {
        change();
        m_changedTables.insert(table);  // its time is written when the transaction commits
        return;
    }
    // On its own, the change commits with its time in one transaction.
    Database& db = LoggedIn().Db();
    db.Cached("BEGIN IMMEDIATE").Run();
    try {
        change();
        LoggedIn().NoteChange(table.first, table.second);
        db.Cached("COMMIT").Run();
    } catch (...) {
        db.RollBackAfterFailure();
        throw;
    }
}

namespace {

// The value fields of a record, in field order, as bound values.
std::vector<SqlValue> ValuesOf(const TableDef& table, const char* record) {
    std::vector<SqlValue> values;
    for (const FieldDef& field : table.fields) {
        if (field.HasValue()) {
            values.push_back(FieldToSql(field, record));
        }
    }
    return values;
}

// "UPDATE <table> SET <column> = ?, ... WHERE rowid = ?" for the value
// columns not skipped: their values bind first, the row after them.
std::string UpdateByRowid(const std::string& name, const std::vector<std::string>& columns,
                          const std::vector<size_t>& skipped = {}) {
    std::string assignments;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (!columns[i].empty() && std::find(skipped.begin(), skipped.end(), i) == skipped.end()) {
            assignments += (assignments.empty() ? "" : ", ") + columns[i] + " = ?";
        }
    }
    return "UPDATE " + name + " SET " + assignments + " WHERE rowid = ?";
}

}  // namespace

void Session::NewRec(int32_t dbNo, int32_t recType, int32_t recordSize, char* record) {
    TableRef ref = Table(dbNo, recType, recordSize);
    Changing(ref, [&] { InsertRecord(ref, record); });
}

void Session::InsertRecord(TableRef& ref, char* record) {
    // A one-row INSERT without RETURNING checks every constraint before it
    // writes, so SQLite needs no statement journal for it inside a
    // transaction (with RETURNING it keeps one per row, a copy of every
    // page the row touches): a refused row leaves nothing behind either
    // way. So the row's number is read first, under the change's write
    // lock, and the row is not read back where it stores what was bound.
    Statement& next = Prepared(ref, Sql::NextRowid, -1, [&] { return NextRowidQuery(ref.sql.name); });
    next.Step();
    const long long rowid = next.ColumnInt(0);
    next.Reset();
    Statement& insert =
        Prepared(ref, Sql::Insert, -1, [&] { return InsertStatement(ref.tablespace, ref.table, true); });
    const std::vector<SqlValue> values = ValuesOf(ref.table, record);
    insert.Bind(1, rowid);
    BindAll(insert, values, 2);
    insert.Run();
    Position& position = ref.position;
    position.valid = true;
    position.rowid = rowid;
    position.walk = {};
    if (ref.sql.storesAsBound) {
        TakeWritten(ref, values, record);
        return;
    }
    Statement& read = Prepared(ref, Sql::Current, -1, [&] { return ref.sql.selectList + " WHERE rowid = ?"; });
    if (!StepAndTakeRow(ref, read.Bind(1, rowid), false, record)) {
        throw StoreError{kStoreError, "the new record was not stored"};
    }
}

long long Session::TargetRow(TableRef& ref, const char* record) {
    if (ref.position.keyField < 0) {
        if (!ref.position.valid) {
            throw StoreError{kNotFound, "no current record"};
        }
        Statement& exists = Prepared(ref, Sql::CurrentExists, -1,
                                     [&] { return "SELECT rowid FROM " + ref.sql.name + " WHERE rowid = ?"; });
        if (!exists.Bind(1, ref.position.rowid).Step()) {
            throw StoreError{kNotFound, "the current record is gone"};
        }
        exists.Run();
        return ref.position.rowid;
    }
    const std::vector<size_t>& columns = KeyColumns(ref, ref.position.keyField);
    // The current record when its key has the copy's value, else the first
    // such record in key order.
    Statement& find = Prepared(ref, Sql::Target, ref.position.keyField, [&] {
        return "SELECT rowid FROM " + ref.sql.name + " WHERE " + KeyMatch(ref, columns) +
               "1 ORDER BY rowid <> ?, rowid LIMIT 1";
    });
    find.Bind(BindKey(find, ref, columns, record), ref.position.valid ? ref.position.rowid : 0LL);
    if (!find.Step()) {
        throw StoreError{kNotFound, "no record with that key"};
    }
    const long long rowid = find.ColumnInt(0);
    find.Run();
    return rowid;
}

void Session::TakeWritten(TableRef& ref, const std::vector<SqlValue>& values, char* record) {
    Position& position = ref.position;
    position.row.resize(ref.table.fields.size());
    std::memset(record, 0, static_cast<size_t>(ref.table.RecordSize()));
    size_t value = 0;
    for (size_t i = 0; i < ref.table.fields.size(); ++i) {
        if (ref.table.fields[i].HasValue()) {
            if (ref.sql.inKey[i]) {
                position.row[i].Keep(ViewOf(values[value]));
            }
            SqlToField(ref.table.fields[i], values[value++], record);
        }
    }
}

void Session::ModRec(int32_t dbNo, int32_t recType, int32_t recordSize, char* record) {
    TableRef ref = Table(dbNo, recType, recordSize);
    Changing(ref, [&] { ModifyRecord(ref, record); });
}

void Session::ModifyRecord(TableRef& ref, char* record) {
    const std::vector<SqlValue> values = ValuesOf(ref.table, record);
    if (ref.position.valid) {
        // The usual case in one statement: the current record is the target
        // whenever it is still there with every key exactly as in the copy
        // (so it has the copy's value of the current key); those columns are
        // then compared, not assigned.
        const std::vector<size_t>& compared = ref.sql.comparedKeys;
        // With every value column compared there is nothing to assign: the
        // row is read as it is. Without floating columns the row stores
        // exactly the values bound, so it need not be read back.
        const bool assigns = compared.size() < values.size();
        const bool readBack = !assigns || !ref.sql.storesAsBound;
        // Floating components of the current key are assigned, not compared:
        // the current record stays the target only while they equal the copy's.
        std::vector<size_t> floatingKey;
        for (size_t column : KeyColumns(ref, ref.position.keyField)) {
            if (std::find(compared.begin(), compared.end(), column) == compared.end()) {
                floatingKey.push_back(column);
            }
        }
        Statement& update = Prepared(ref, Sql::UpdateCurrent, ref.position.keyField, [&] {
            std::string sql = assigns ? UpdateByRowid(ref.sql.name, ref.sql.columns, compared)
                                      : ref.sql.selectList + " WHERE rowid = ?";
            for (size_t column : compared) {
                sql += " AND " + ref.sql.columns[column] + " = ? COLLATE BINARY";
            }
            for (size_t column : floatingKey) {
                sql += " AND " + ref.sql.columns[column] + " = ?";
            }
            return assigns && readBack ? sql + ref.sql.returning : sql;
        });
        int index = 1;
        size_t value = 0;
        for (size_t i = 0; i < ref.table.fields.size(); ++i) {
            if (ref.table.fields[i].HasValue()) {
                if (std::find(compared.begin(), compared.end(), i) == compared.end()) {
                    update.Bind(index++, values[value]);
                }
                ++value;
            }
        }
        update.Bind(index++, ref.position.rowid);
        BindKey(update, ref, floatingKey, record, BindKey(update, ref, compared, record, index));
        if (!readBack) {
            update.Run();
            if (LoggedIn().Db().Changes() == 1) {
                TakeWritten(ref, values, record);
                return;
            }
        } else if (ChangeAndTakeRow(ref, update, record)) {
            return;
        }
    }
    const long long rowid = TargetRow(ref, record);
    Statement& update = Prepared(ref, Sql::Update, -1,
                                 [&] { return UpdateByRowid(ref.sql.name, ref.sql.columns) + ref.sql.returning; });
    BindAll(update, values);
    update.Bind(static_cast<int>(values.size()) + 1, rowid);
    if (!ChangeAndTakeRow(ref, update, record)) {
        throw StoreError{kNotFound, "the record vanished"};
    }
}

void Session::DelRec(int32_t dbNo, int32_t recType, int32_t recordSize, const char* record) {
    TableRef ref = Table(dbNo, recType, recordSize);
    Changing(ref, [&] { DeleteRecord(ref, recordSize, record); });
}

void Session::DeleteRecord(TableRef& ref, int32_t recordSize, const char* record) {
    const int keyField = ref.position.keyField;
    // The position stays on the deleted row's place, so that NextRec and
    // PrevRec continue from there.
    if (ref.position.valid) {
        // The current record, when it is the target (as in ModRec): one statement.
        const std::vector<size_t>& columns = KeyColumns(ref, keyField);
        Statement& remove = Prepared(ref, Sql::DeleteCurrent, keyField, [&] {
            return "DELETE FROM " + ref.sql.name + " WHERE rowid = ? AND " + KeyMatch(ref, columns) +
                   "1 RETURNING rowid";
        });
        remove.Bind(1, ref.position.rowid);
        BindKey(remove, ref, columns, record, 2);
        if (remove.Step()) {
            remove.Run();
            return;
        }
    }
    const long long rowid = TargetRow(ref, record);
    if (!ref.position.valid || ref.position.rowid != rowid) {
        // The deleted row becomes the position.
        Statement& read = Prepared(ref, Sql::Current, -1, [&] { return ref.sql.selectList + " WHERE rowid = ?"; });
        std::vector<char> image(static_cast<size_t>(recordSize));
        if (!StepAndTakeRow(ref, read.Bind(1, rowid), false, image.data())) {
            throw StoreError{kNotFound, "the record vanished"};
        }
    }
    Prepared(ref, Sql::Delete, -1, [&] { return "DELETE FROM " + ref.sql.name + " WHERE rowid = ?"; })
        .Bind(1, rowid)
        .Run();
}

void Session::Truncate(int32_t dbNo, int32_t recType) {
    if (recType == -1) {
        Table(dbNo, kFirstRecordType);  // checks the tablespace
        const TablespaceDef& tablespace = m_open.at(dbNo);
        for (size_t r = 0; r < tablespace.tables.size(); ++r) {
            Truncate(dbNo, kFirstRecordType + static_cast<int32_t>(r));
        }
        return;
    }
    TableRef ref = Table(dbNo, recType);
    Changing(ref, [&] { Prepared(ref, Sql::Truncate, -1, [&] { return "DELETE FROM " + ref.sql.name; }).Run(); });
    ref.position.valid = false;
}

void Session::Begin() {
    Database& db = LoggedIn().Db();
    if (m_transaction) {
        throw StoreError{kTransactionOpen, "a transaction is already open"};
    }
    db.Exec("BEGIN IMMEDIATE");
    m_transaction = true;
    ++m_transactionsBegun;
}

void Session::End(bool commit) {
    if (!m_transaction) {
        return;
    }
    Database& db = LoggedIn().Db();
    CloseAllWalks();
    std::set<std::pair<int32_t, int32_t>> changed;
    changed.swap(m_changedTables);
    if (commit) {
        try {
            for (const auto& [dbNo, recType] : changed) {
                LoggedIn().NoteChange(dbNo, recType);
            }
            if (std::getenv("LURDBCLI_TEST_FAIL_COMMIT") != nullptr) {
                throw StoreError{kStoreError, "commit failure injected for a test"};
            }
            db.Exec("COMMIT");
        } catch (...) {
            // A failed COMMIT may leave SQLite's transaction open, holding
            // the store's write lock: undo it, so that the handle is back to
            // changes that commit on their own and no other process waits.
            db.RollBackAfterFailure();
            m_transaction = false;
            throw;
        }
    } else if (db.InTransaction()) {  // (SQLite ends it itself after some failed writes)
        db.Exec("ROLLBACK");
    }
    m_transaction = false;
}

}  // namespace lurdbcli
