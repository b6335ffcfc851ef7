#include "Session.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "CodePage.h"
#include "KeyList.h"
#include "RecordCodec.h"
#include "StringScrambler.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

std::string FixedText(const char* block, size_t offset) {
    const char* text = block + offset;
    return std::string(text, strnlen(text, connect_info::kTextSize));
}

// Scrambled as the catalogue keeps user names and passwords.
std::string Scrambled(const std::string& text) {
    std::string copy = AsciiUpper(text);
    StringScrambler().Scramble(static_cast<int32_t>(copy.size()), copy.data());
    return copy;
}

const char* CompareOperator(Session::Compare compare) {
    switch (compare) {
        case Session::Compare::GreaterOrEqual: return " >= ";
        case Session::Compare::LessOrEqual: return " <= ";
        default: return " = ";
    }
}

std::string RowValueList(size_t count) {
    std::string marks = "(";
    for (size_t i = 0; i < count; ++i) {
        marks += i == 0 ? "?" : ", ?";
    }
    return marks + ")";
}

bool CatalogueListsTablespace(Store& store, int32_t dbNo, const std::string& name) {
    Statement& query = store.Db().Cached("SELECT \"name\" FROM \"SYSDB.TABLESPACE\" WHERE \"dbid\" = ?");
    bool listed = false;
    query.Bind(1, static_cast<long long>(dbNo));
    while (query.Step()) {
        listed = listed || EqualsIgnoreCase(win::Utf8ToCp1250(query.ColumnText(0)), name);
    }
    return listed;
}

const std::set<std::string> kServerParams = {"volumeid", "debuglog", "net_lock"};

}  // namespace

Store& Session::LoggedIn() {
    if (!m_store) {
        throw StoreError{kNotConnected, "the handle is not logged in"};
    }
    return *m_store;
}

void Session::Login(const char* connectInfo) {
    if (connectInfo == nullptr) {
        throw StoreError{kBadArgument, "no connect block"};
    }
    const std::string service = FixedText(connectInfo, connect_info::kService);
    const std::string user = FixedText(connectInfo, connect_info::kUser);
    const std::string password = FixedText(connectInfo, connect_info::kPassword);
    std::unique_ptr<Store> store = Store::Open(service);
    // A field without its zero holds no complete name (31 characters at
    // most): such a login is an unknown user, never a match on a cut text.
    // A password without its zero can match no stored one (also at most 31)
    // and so fails as a wrong password below.
    if (user.size() >= connect_info::kTextSize) {
        throw StoreError{kNoHandle, "user name without its terminating zero"};
    }

    Statement& query = store->Db().Cached("SELECT \"psw\", \"enabled\" FROM \"SYSDB.DBUSER\" WHERE \"name\" = ?");
    if (!query.Bind(1, win::Cp1250ToUtf8(Scrambled(user))).Step()) {
        throw StoreError{kNoHandle, "no such user"};
    }
    const std::string storedPassword = win::Utf8ToCp1250(query.ColumnText(0));
    const std::string enabled = win::Utf8ToCp1250(query.ColumnText(1));
    query.Run();
    if (enabled != std::string(1, '\x01')) {
        throw StoreError{kUserDisabled, "the user is disabled"};
    }
    if (storedPassword != Scrambled(password)) {
        throw StoreError{kWrongPassword, "wrong password"};
    }
    Close();  // a second login on the handle starts afresh
    m_open.clear();
    m_positions.clear();
    m_store = std::move(store);
    m_user = AsciiUpper(user);
    m_computer = FixedText(connectInfo, connect_info::kComputer);
    if (m_computer.empty()) {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        m_computer = host;
    }
    m_connected = true;
}

std::vector<std::string> Session::ServiceNames() const {
    if (!m_connected) {
        throw StoreError{kNotConnected, "the handle is not connected"};
    }
    std::vector<std::string> names;
    constexpr std::string_view kSuffix = ".lurdb";
    if (DIR* dir = opendir(Store::DataDirectory().c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name.size() > kSuffix.size() && name.substr(name.size() - kSuffix.size()) == kSuffix) {
                names.push_back(win::Utf8ToCp1250(name.substr(0, name.size() - kSuffix.size())));
            }
        }
        closedir(dir);
    }
    return names;
}

int32_t Session::OpenTablespace(int32_t dbNo, const std::string& name) {
    Store& store = LoggedIn();
    // The catalogue decides what can be opened: its "tablespace" row of the
    // number must carry the name (case ignored). SYSDB itself always opens.
    std::optional<TablespaceDef> tablespace;
    if (dbNo == kSysdbNumber ? EqualsIgnoreCase(name, kSysdbName) : CatalogueListsTablespace(store, dbNo, name)) {
        tablespace = store.FindTablespace(dbNo);
    }
    if (!tablespace) {
        throw StoreError{kUnknownTablespace, "no tablespace " + win::Cp1250ToUtf8(name) + " numbered " + std::to_string(dbNo)};
    }
    if (m_open.count(dbNo) != 0) {
        return kAlreadyOpen;
    }
    m_open.emplace(dbNo, std::move(*tablespace));
    return kOk;
}

std::string Session::Description(int32_t dbNo) {
    LoggedIn();
    const auto open = m_open.find(dbNo);
    if (open == m_open.end()) {
        throw StoreError{kNoDescription, "tablespace " + std::to_string(dbNo) + " is not open"};
    }
    return BuildDescriptionBlob(open->second);
}

Session::TableRef Session::Table(int32_t dbNo, int32_t recType) {
    LoggedIn();
    const auto open = m_open.find(dbNo);
    if (open == m_open.end()) {
        throw StoreError{kNotOpen, "tablespace " + std::to_string(dbNo) + " is not open"};
    }
    const TablespaceDef& tablespace = open->second;
    const long long index = static_cast<long long>(recType) - kFirstRecordType;
    if (index < 0 || index >= static_cast<long long>(tablespace.tables.size())) {
        throw StoreError{kUnknownRecordType, "no record type " + std::to_string(recType)};
    }
    const TableDef& table = tablespace.tables[static_cast<size_t>(index)];
    return TableRef{tablespace, table, static_cast<int32_t>(index), m_positions[{dbNo, recType}],
                    QuoteName(SqlTableName(tablespace, table))};
}

Session::TableRef Session::Table(int32_t dbNo, int32_t recType, int32_t recordSize) {
    TableRef ref = Table(dbNo, recType);
    if (recordSize != ref.table.RecordSize()) {
        throw StoreError{kBadRecordSize, "record size " + std::to_string(recordSize) + " instead of " +
                                             std::to_string(ref.table.RecordSize())};
    }
    return ref;
}

const FieldDef& Session::FieldByNumber(const TableRef& ref, int32_t fieldNo) const {
    if (fieldNo < 0 || fieldNo / 1000 != ref.index || static_cast<size_t>(fieldNo % 1000) >= ref.table.fields.size()) {
        throw StoreError{kUnknownField, "no field number " + std::to_string(fieldNo)};
    }
    return ref.table.fields[static_cast<size_t>(fieldNo % 1000)];
}

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

std::string Session::CollectRecords(const TableRef& ref, Statement& statement) {
    std::string records;
    std::vector<char> image(static_cast<size_t>(ref.table.RecordSize()));
    while (statement.Step()) {
        RowToRecord(ref, statement, 1, image.data());
        records.append(image.data(), image.size());
    }
    if (records.empty()) {
        throw StoreError{kNotFound, "no records"};
    }
    return records;
}

std::string Session::FindList(int32_t dbNo, int32_t recType, int32_t recordSize, int32_t fieldNo, Compare compare,
                              const char* keyRecord) {
    TableRef ref = Table(dbNo, recType, recordSize);
    FieldByNumber(ref, fieldNo);
    const std::vector<size_t> columns = KeyColumns(ref, fieldNo % 1000);
    if (columns.empty() || !ref.table.fields[columns.front()].HasValue()) {
        throw StoreError{kUnknownField, "field number " + std::to_string(fieldNo) + " has no value"};
    }
    std::string left = "(";
    for (size_t column : columns) {
        left += (left.size() > 1 ? ", " : "") + QuoteName(ref.table.fields[column].name);
    }
    const std::vector<SqlValue> key = KeyValues(ref, columns, keyRecord);
    Statement& statement = LoggedIn().Db().Cached(SelectList(ref) + " WHERE " + left + ")" + CompareOperator(compare) +
                                                  RowValueList(key.size()) + OrderBy(ref, columns, false));
    for (size_t i = 0; i < key.size(); ++i) {
        statement.Bind(static_cast<int>(i + 1), key[i]);
    }
    return CollectRecords(ref, statement);
}

std::string Session::FindListOr(int32_t dbNo, int32_t recType, int32_t fieldNo, const char* list, int32_t length) {
    TableRef ref = Table(dbNo, recType);
    FieldByNumber(ref, fieldNo);
    const auto size = static_cast<int32_t>(ref.table.RecordSize());
    if (length < 0 || length % size != 0) {
        throw StoreError{kBadRecordSize, "list length " + std::to_string(length)};
    }
    if (length == 0) {
        throw StoreError{kNotFound, "no keys"};  // nothing can equal a key of an empty list
    }
    const std::vector<size_t> columns = KeyColumns(ref, fieldNo % 1000);
    // All keys go in one JSON parameter, so that one statement per table and
    // field serves lists of any length.
    std::string left;
    std::string right;
    for (size_t i = 0; i < columns.size(); ++i) {
        const FieldDef& field = ref.table.fields[columns[i]];
        const std::string column = QuoteName(field.name);
        left += (i > 0 ? ", " : "") + (field.IsRaw() ? "hex(" + column + ")" : column);
        right += (i > 0 ? ", " : "") +
                 (columns.size() == 1 ? std::string("value") : "value ->> " + std::to_string(i));
    }
    std::vector<std::vector<SqlValue>> keys;
    for (int32_t offset = 0; offset < length; offset += size) {
        keys.push_back(KeyValues(ref, columns, list + offset));
    }
    Statement& statement = LoggedIn().Db().Cached(SelectList(ref) + " WHERE (" + left + ") IN (SELECT " + right +
                                                  " FROM json_each(?))" + OrderBy(ref, columns, false));
    statement.Bind(1, KeyListJson(keys));
    return CollectRecords(ref, statement);
}

std::string Session::FindBetween(int32_t dbNo, int32_t recType, int32_t recordSize, int32_t fieldNo, const char* low,
                                 const char* high) {
    TableRef ref = Table(dbNo, recType, recordSize);
    FieldByNumber(ref, fieldNo);
    const std::vector<size_t> columns = KeyColumns(ref, fieldNo % 1000);
    std::string left = "(";
    for (size_t column : columns) {
        left += (left.size() > 1 ? ", " : "") + QuoteName(ref.table.fields[column].name);
    }
    left += ")";
    std::vector<SqlValue> bound = KeyValues(ref, columns, low);
    const std::vector<SqlValue> upper = KeyValues(ref, columns, high);
    bound.insert(bound.end(), upper.begin(), upper.end());
    Statement& statement = LoggedIn().Db().Cached(SelectList(ref) + " WHERE " + left + " >= " +
                                                  RowValueList(columns.size()) + " AND " + left + " <= " +
                                                  RowValueList(columns.size()) + OrderBy(ref, columns, false));
    for (size_t i = 0; i < bound.size(); ++i) {
        statement.Bind(static_cast<int>(i + 1), bound[i]);
    }
    return CollectRecords(ref, statement);
}

std::string Session::AllRecords(int32_t dbNo, int32_t recType, int32_t recordSize) {
    TableRef ref = Table(dbNo, recType, recordSize);
    Statement& statement =
        LoggedIn().Db().Cached(SelectList(ref) + OrderBy(ref, KeyColumns(ref, ref.position.keyField), false));
    return CollectRecords(ref, statement);
}

int32_t Session::Count(int32_t dbNo, int32_t recType) {
    TableRef ref = Table(dbNo, recType);
    Statement& statement = LoggedIn().Db().Cached("SELECT count(*) FROM " + ref.sqlName);
    statement.Step();
    const auto count = static_cast<int32_t>(statement.ColumnInt(0));
    statement.Run();
    return count;
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
    m_transaction = false;
    LoggedIn().Db().Exec(commit ? "COMMIT" : "ROLLBACK");
}

std::string Session::ServerParam(const std::string& name) {
    Store& store = LoggedIn();
    if (kServerParams.count(name) == 0) {
        throw StoreError{kUnknownParameter, "unknown server parameter " + win::Cp1250ToUtf8(name)};
    }
    return store.Param(name).value_or(name == "net_lock" ? "FALSE" : "0");
}

void Session::SetServerParam(const std::string& name, const std::string& value) {
    Store& store = LoggedIn();
    if (name == "volumeid") {
        throw StoreError{kNotSupported, "volumeid is fixed when the service is created"};
    }
    if (kServerParams.count(name) == 0) {
        throw StoreError{kUnknownParameter, "unknown server parameter " + win::Cp1250ToUtf8(name)};
    }
    store.SetParam(name, value);
}

int32_t Session::NextId(const std::string& counter) { return LoggedIn().NextId(counter); }

void Session::Reindex(int32_t dbNo) {
    Database& db = LoggedIn().Db();
    if (dbNo == -1) {
        db.Exec("REINDEX");
        return;
    }
    const std::optional<TablespaceDef> tablespace = m_store->FindTablespace(dbNo);
    if (!tablespace) {
        throw StoreError{kUnknownTablespace, "no tablespace numbered " + std::to_string(dbNo)};
    }
    for (const TableDef& table : tablespace->tables) {
        db.Exec("REINDEX " + QuoteName(SqlTableName(*tablespace, table)));
    }
}

// Locks live in a companion file of the store with a connection of their
// own: taken inside a transaction they are still visible to every process
// at once, a rollback does not drop them, and a process that holds the
// store's write lock for its transaction does not keep others from
// checking them.
Database& Session::LockDb() {
    Store& store = LoggedIn();
    if (!m_locks) {
        auto db = std::make_unique<Database>(Store::PathFor(store.Service()) + ".locks", true);
        db->Exec("CREATE TABLE IF NOT EXISTS _lur_locks (dbno INTEGER NOT NULL, rectype INTEGER NOT NULL, "
                 "mode TEXT NOT NULL, pid INTEGER NOT NULL, handle INTEGER NOT NULL, user TEXT NOT NULL, "
                 "holder TEXT NOT NULL, PRIMARY KEY (dbno, rectype, pid, handle))");
        m_locks = std::move(db);
    }
    return *m_locks;
}

void Session::DropLocksOfDeadProcesses() {
    Database& db = LockDb();
    std::vector<long long> dead;
    Statement& owners = db.Cached("SELECT DISTINCT pid FROM _lur_locks");
    while (owners.Step()) {
        const long long pid = owners.ColumnInt(0);
        if (pid != getpid() && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            dead.push_back(pid);
        }
    }
    for (long long pid : dead) {
        db.Cached("DELETE FROM _lur_locks WHERE pid = ?").Bind(1, pid).Run();
    }
}

// A shared lock conflicts with another owner's exclusive one; an exclusive
// lock with any lock of another owner.
void Session::CheckLockable(int32_t dbNo, int32_t recType, char mode) {
    Table(dbNo, recType);
    Statement& others = LockDb().Cached(
        "SELECT count(*) FROM _lur_locks WHERE dbno = ? AND rectype = ? AND NOT (pid = ? AND handle = ?) "
        "AND (? <> 'r' OR mode <> 'r')");
    others.Bind(1, static_cast<long long>(dbNo))
        .Bind(2, static_cast<long long>(recType))
        .Bind(3, static_cast<long long>(getpid()))
        .Bind(4, static_cast<long long>(m_handle))
        .Bind(5, std::string(1, mode));
    others.Step();
    const long long conflicts = others.ColumnInt(0);
    others.Run();
    if (conflicts != 0) {
        throw StoreError{kLockedOrDuplicate, "locked by another user"};
    }
}

void Session::Lock(int32_t dbNo, int32_t recType, char mode) {
    Database& db = LockDb();
    db.Exec("SAVEPOINT lur_lock");
    try {
        DropLocksOfDeadProcesses();
        CheckLockable(dbNo, recType, mode);
        db.Cached("INSERT OR REPLACE INTO _lur_locks (dbno, rectype, mode, pid, handle, user, holder) "
                  "VALUES (?, ?, ?, ?, ?, ?, ?)")
            .Bind(1, static_cast<long long>(dbNo))
            .Bind(2, static_cast<long long>(recType))
            .Bind(3, std::string(1, mode))
            .Bind(4, static_cast<long long>(getpid()))
            .Bind(5, static_cast<long long>(m_handle))
            .Bind(6, win::Cp1250ToUtf8(m_user))
            .Bind(7, win::Cp1250ToUtf8(m_user + "@" + m_computer))
            .Run();
        db.Exec("RELEASE lur_lock");
    } catch (...) {
        db.Exec("ROLLBACK TO lur_lock");
        db.Exec("RELEASE lur_lock");
        throw;
    }
}

void Session::Unlock(int32_t dbNo, int32_t recType) {
    Database& db = LockDb();
    db.Cached("DELETE FROM _lur_locks WHERE dbno = ? AND rectype = ? AND pid = ? AND handle = ?")
        .Bind(1, static_cast<long long>(dbNo))
        .Bind(2, static_cast<long long>(recType))
        .Bind(3, static_cast<long long>(getpid()))
        .Bind(4, static_cast<long long>(m_handle))
        .Run();
    if (sqlite3_changes(db.Raw()) == 0) {
        throw StoreError{kNotFound, "not locked"};
    }
}

std::string Session::LockHolder(int32_t dbNo, int32_t recType, char mode) {
    Database& db = LockDb();
    DropLocksOfDeadProcesses();
    // The lock that stands in the way of this mode comes first, then any.
    Statement& holder = db.Cached(
        "SELECT holder FROM _lur_locks WHERE dbno = ? AND rectype = ? "
        "ORDER BY (pid = ? AND handle = ?), (? = 'r' AND mode = 'r') LIMIT 1");
    holder.Bind(1, static_cast<long long>(dbNo))
        .Bind(2, static_cast<long long>(recType))
        .Bind(3, static_cast<long long>(getpid()))
        .Bind(4, static_cast<long long>(m_handle))
        .Bind(5, std::string(1, mode));
    if (!holder.Step()) {
        throw StoreError{kNotFound, "not locked"};
    }
    const std::string text = win::Utf8ToCp1250(holder.ColumnText(0));
    holder.Run();
    return text;
}

std::string Session::LockList() {
    Database& db = LockDb();
    DropLocksOfDeadProcesses();
    std::string entries;
    Statement& locks = db.Cached("SELECT dbno, rectype, pid, mode, user FROM _lur_locks ORDER BY rowid");
    while (locks.Step()) {
        char entry[kLockEntrySize] = {};
        const int32_t numbers[3] = {static_cast<int32_t>(locks.ColumnInt(0)), static_cast<int32_t>(locks.ColumnInt(1)),
                                    static_cast<int32_t>(locks.ColumnInt(2))};
        std::memcpy(entry, numbers, sizeof numbers);
        const std::string mode = locks.ColumnText(3);
        entry[12] = mode.empty() ? '\0' : mode[0];
        const std::string user = win::Utf8ToCp1250(locks.ColumnText(4));
        std::memcpy(entry + 13, user.data(), std::min<size_t>(user.size(), kLockEntrySize - 14));
        entries.append(entry, sizeof entry);
    }
    return entries;
}

void Session::LockAll(const char* entries, int32_t length) {
    if (length < 0 || length % static_cast<int32_t>(kLockRequestSize) != 0 || (length > 0 && entries == nullptr)) {
        throw StoreError{kBadArgument, "lock requests of " + std::to_string(length) + " bytes"};
    }
    Database& db = LockDb();
    db.Exec("SAVEPOINT lur_lock_all");
    try {
        for (int32_t offset = 0; offset < length; offset += static_cast<int32_t>(kLockRequestSize)) {
            int32_t numbers[2];
            std::memcpy(numbers, entries + offset, sizeof numbers);
            Lock(numbers[0], numbers[1], entries[offset + 8]);
        }
        db.Exec("RELEASE lur_lock_all");
    } catch (...) {
        db.Exec("ROLLBACK TO lur_lock_all");
        db.Exec("RELEASE lur_lock_all");
        throw;
    }
}

int32_t Session::CreateCursor(int32_t dbNo, int32_t recType, int32_t fieldNo) {
    TableRef ref = Table(dbNo, recType);
    Cursor cursor{dbNo, recType, {}};
    if (fieldNo != -1) {
        const FieldDef& field = FieldByNumber(ref, fieldNo);
        if (!field.IsKey()) {
            throw StoreError{kUnknownField, "field " + win::Cp1250ToUtf8(field.name) + " is not a key"};
        }
        cursor.position.keyField = fieldNo % 1000;
    }
    const int32_t id = m_nextCursor++;
    m_cursors.emplace(id, std::move(cursor));
    return id;
}

void Session::DropCursor(int32_t id) {
    if (m_cursors.erase(id) == 0) {
        throw StoreError{kNotFound, "no cursor " + std::to_string(id)};
    }
}

void Session::CursorMove(int32_t id, int32_t move, int32_t recordSize, char* record) {
    const auto found = m_cursors.find(id);
    if (found == m_cursors.end()) {
        throw StoreError{kNotFound, "no cursor " + std::to_string(id)};
    }
    if (move < 0 || move > 4) {
        throw StoreError{kBadArgument, "cursor move " + std::to_string(move)};
    }
    Cursor& cursor = found->second;
    const TableRef table = Table(cursor.dbNo, cursor.recType, recordSize);
    TableRef along{table.tablespace, table.table, table.index, cursor.position, table.sqlName};
    MoveIn(along, static_cast<Move>(move), record);
}

int32_t Session::CreateBookmark(int32_t dbNo, int32_t recType) {
    Table(dbNo, recType);
    const int32_t id = m_nextBookmark++;
    m_bookmarks.emplace(id, Bookmark{dbNo, recType, false, {}});
    return id;
}

void Session::DropBookmark(int32_t id) {
    if (m_bookmarks.erase(id) == 0) {
        throw StoreError{kNotFound, "no bookmark " + std::to_string(id)};
    }
}

void Session::BookmarkOperation(int32_t id, int32_t operation) {
    const auto found = m_bookmarks.find(id);
    if (found == m_bookmarks.end()) {
        throw StoreError{kNotFound, "no bookmark " + std::to_string(id)};
    }
    Bookmark& bookmark = found->second;
    Position& position = Table(bookmark.dbNo, bookmark.recType).position;
    if (operation == 0) {
        bookmark.position = position;
        bookmark.marked = true;
    } else if (operation == 1) {
        if (!bookmark.marked || !bookmark.position.valid) {
            throw StoreError{kNotFound, "the bookmark marks no record"};
        }
        // The mark's record under the table's current key.
        const int32_t key = position.keyField;
        position = bookmark.position;
        position.keyField = key;
    } else {
        throw StoreError{kBadArgument, "bookmark operation " + std::to_string(operation)};
    }
}

Session::~Session() { Close(); }

void Session::Close() noexcept {
    if (!m_store) {
        return;
    }
    try {
        End(false);
        if (!m_locks) {
            return;  // the handle never locked anything
        }
        m_locks->Cached("DELETE FROM _lur_locks WHERE pid = ? AND handle = ?")
            .Bind(1, static_cast<long long>(getpid()))
            .Bind(2, static_cast<long long>(m_handle))
            .Run();
    } catch (...) {
        // The handle goes anyway; locks left behind go with the process.
    }
}

std::string Session::ReadBlob(int32_t id) {
    Statement& query = LoggedIn().Db().Cached("SELECT data FROM _lur_blobs WHERE id = ?");
    if (!query.Bind(1, static_cast<long long>(id)).Step()) {
        throw StoreError{kNotFound, "no blob " + std::to_string(id)};
    }
    const SqlValue value = query.Column(0);
    query.Run();
    if (const auto* bytes = std::get_if<Bytes>(&value)) {
        return std::string(bytes->begin(), bytes->end());
    }
    return std::string();
}

int32_t Session::WriteBlob(const char* data, int32_t length) {
    Database& db = LoggedIn().Db();
    db.Cached("INSERT INTO _lur_blobs (data) VALUES (?)").Bind(1, SqlValue{Bytes(data, data + length)}).Run();
    return static_cast<int32_t>(db.LastInsertRowId());
}

void Session::DeleteBlob(int32_t id) {
    Database& db = LoggedIn().Db();
    db.Cached("DELETE FROM _lur_blobs WHERE id = ?").Bind(1, static_cast<long long>(id)).Run();
    if (sqlite3_changes(db.Raw()) == 0) {
        throw StoreError{kNotFound, "no blob " + std::to_string(id)};
    }
}

}  // namespace lurdbcli
