// Record changes on the caller's copy and the handle's one transaction.
#include <cstdlib>

#include "RecordCodec.h"
#include "Session.h"
#include "lurdbcli.h"

namespace lurdbcli {

void Session::ReadBack(TableRef& ref, long long rowid, char* record) {
    Statement& statement = LoggedIn().Db().Cached(SelectList(ref) + " WHERE rowid = ?");
    if (!statement.Bind(1, rowid).Step()) {
        throw StoreError{kNotFound, "the record vanished"};
    }
    TakeRow(ref, statement, record);
    statement.Run();
}

void Session::NewRec(int32_t dbNo, int32_t recType, int32_t recordSize, char* record) {
    TableRef ref = Table(dbNo, recType, recordSize);
    std::string columns;
    std::string marks;
    std::vector<SqlValue> bound;
    for (const FieldDef& field : ref.table.fields) {
        if (field.HasValue()) {
            columns += (columns.empty() ? "" : ", ") + QuoteName(field.name);
            marks += marks.empty() ? "?" : ", ?";
            bound.push_back(FieldToSql(field, record));
        }
    }
    Database& db = LoggedIn().Db();
    Statement& insert = db.Cached("INSERT INTO " + ref.sqlName + " (" + columns + ") VALUES (" + marks + ")");
    for (size_t i = 0; i < bound.size(); ++i) {
        insert.Bind(static_cast<int>(i + 1), bound[i]);
    }
    insert.Run();
    ReadBack(ref, db.LastInsertRowId(), record);
}

long long Session::TargetRow(TableRef& ref, const char* record) {
    Database& db = LoggedIn().Db();
    if (ref.position.keyField < 0) {
        if (!ref.position.valid) {
            throw StoreError{kNotFound, "no current record"};
        }
        Statement& exists = db.Cached("SELECT rowid FROM " + ref.sqlName + " WHERE rowid = ?");
        if (!exists.Bind(1, ref.position.rowid).Step()) {
            throw StoreError{kNotFound, "the current record is gone"};
        }
        exists.Run();
        return ref.position.rowid;
    }
    const std::vector<size_t> columns = KeyColumns(ref, ref.position.keyField);
    const std::vector<SqlValue> key = KeyValues(ref, columns, record);
    std::string match;
    for (size_t column : columns) {
        match += QuoteName(ref.table.fields[column].name) + " = ? AND ";
    }
    // The current record when its key has the copy's value, else the first
    // such record in key order.
    Statement& find =
        db.Cached("SELECT rowid FROM " + ref.sqlName + " WHERE " + match + "1 ORDER BY rowid <> ?, rowid LIMIT 1");
    int index = 1;
    for (const SqlValue& value : key) {
        find.Bind(index++, value);
    }
    find.Bind(index, ref.position.valid ? ref.position.rowid : 0LL);
    if (!find.Step()) {
        throw StoreError{kNotFound, "no record with that key"};
    }
    const long long rowid = find.ColumnInt(0);
    find.Run();
    return rowid;
}

void Session::ModRec(int32_t dbNo, int32_t recType, int32_t recordSize, char* record) {
    TableRef ref = Table(dbNo, recType, recordSize);
    const long long rowid = TargetRow(ref, record);
    std::string assignments;
    std::vector<SqlValue> bound;
    for (const FieldDef& field : ref.table.fields) {
        if (field.HasValue()) {
            assignments += (assignments.empty() ? "" : ", ") + QuoteName(field.name) + " = ?";
            bound.push_back(FieldToSql(field, record));
        }
    }
    Statement& update = LoggedIn().Db().Cached("UPDATE " + ref.sqlName + " SET " + assignments + " WHERE rowid = ?");
    int index = 1;
    for (const SqlValue& value : bound) {
        update.Bind(index++, value);
    }
    update.Bind(index, rowid).Run();
    ReadBack(ref, rowid, record);
}

void Session::DelRec(int32_t dbNo, int32_t recType, int32_t recordSize, const char* record) {
    TableRef ref = Table(dbNo, recType, recordSize);
    const long long rowid = TargetRow(ref, record);
    if (!ref.position.valid || ref.position.rowid != rowid) {
        std::vector<char> image(static_cast<size_t>(recordSize));
        ReadBack(ref, rowid, image.data());  // the deleted row becomes the position
    }
    LoggedIn().Db().Cached("DELETE FROM " + ref.sqlName + " WHERE rowid = ?").Bind(1, rowid).Run();
    // The position stays on the deleted row's place, so that NextRec and
    // PrevRec continue from there.
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
    LoggedIn().Db().Cached("DELETE FROM " + ref.sqlName).Run();
    ref.position.valid = false;
}

void Session::Begin() {
    Database& db = LoggedIn().Db();
    if (m_transaction) {
        throw StoreError{kTransactionOpen, "a transaction is already open"};
    }
    db.Exec("BEGIN IMMEDIATE");
    m_transaction = true;
}

void Session::End(bool commit) {
    if (!m_transaction) {
        return;
    }
    Database& db = LoggedIn().Db();
    if (commit) {
        try {
            if (std::getenv("LURDBCLI_TEST_FAIL_COMMIT") != nullptr) {
                throw StoreError{kStoreError, "commit failure injected for a test"};
            }
            db.Exec("COMMIT");
        } catch (...) {
            // A failed COMMIT may leave SQLite's transaction open, holding
            // the store's write lock: undo it, so that the handle is back to
            // changes that commit on their own and no other process waits.
            if (db.InTransaction()) {
                db.Exec("ROLLBACK");
            }
            m_transaction = false;
            throw;
        }
    } else {
        db.Exec("ROLLBACK");
    }
    m_transaction = false;
}

}  // namespace lurdbcli
