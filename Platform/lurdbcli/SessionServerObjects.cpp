// Server parameters and counters, cursors, bookmarks and blobs of a handle
// (Blobs.cpp holds raw data and blob streams).
#include <optional>
#include <set>

#include "CodePage.h"
#include "Numbering.h"
#include "Session.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

const std::set<std::string> kServerParams = {"volumeid", "debuglog", "net_lock"};

// The network lock flag as it is kept and answered: "1" or "0", from
// "true"/"false" (case ignored) or the flag itself; nullopt for anything else.
std::optional<std::string> NetLockFlag(const std::string& value) {
    if (value == "1" || EqualsIgnoreCase(value, "true")) {
        return "1";
    }
    if (value == "0" || EqualsIgnoreCase(value, "false")) {
        return "0";
    }
    return std::nullopt;
}

}  // namespace

std::string Session::ServerParam(const std::string& name) {
    Store& store = LoggedIn();
    if (kServerParams.count(name) == 0) {
        throw StoreError{kUnknownParameter, "unknown server parameter " + win::Cp1250ToUtf8(name)};
    }
    const std::string value = store.Param(name).value_or("0");
    // A store written before the flag was kept as "1"/"0" may hold the word.
    return name == "net_lock" ? NetLockFlag(value).value_or("0") : value;
}

void Session::SetServerParam(const std::string& name, const std::string& value) {
    Store& store = LoggedIn();
    if (name == "volumeid") {
        throw StoreError{kNotSupported, "volumeid is fixed when the service is created"};
    }
    if (kServerParams.count(name) == 0) {
        throw StoreError{kUnknownParameter, "unknown server parameter " + win::Cp1250ToUtf8(name)};
    }
    if (name == "net_lock") {
        const std::optional<std::string> flag = NetLockFlag(value);
        if (!flag) {
            throw StoreError{kBadArgument, "net_lock takes true, false, 1 or 0, not " + win::Cp1250ToUtf8(value)};
        }
        store.SetParam(name, *flag);
        return;
    }
    store.SetParam(name, value);
}

int32_t Session::NextId(const std::string& counter) { return LoggedIn().NextId(counter); }

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
    const int32_t id = TakeNextNumber(m_nextCursor, [&](int32_t candidate) { return m_cursors.count(candidate) != 0; });
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
    TableRef along{table.tablespace, table.table, table.index, cursor.position, table.sql};
    if (!MoveIn(along, static_cast<Move>(move), record)) {
        throw StoreError{kNotFound, "no record there"};
    }
}

int32_t Session::CreateBookmark(int32_t dbNo, int32_t recType) {
    Table(dbNo, recType);
    const int32_t id =
        TakeNextNumber(m_nextBookmark, [&](int32_t candidate) { return m_bookmarks.count(candidate) != 0; });
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
