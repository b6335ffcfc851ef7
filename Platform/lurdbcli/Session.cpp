// The handle's object, its login and its tablespaces; the other topics are
// in Session*.cpp beside it, Blobs.cpp holds raw data and blob streams.
#include "Session.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "CodePage.h"
#include "Crt.h"
#include "RecordCodec.h"
#include "StringScrambler.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

std::string FixedText(const char* block, size_t offset) {
    const char* text = block + offset;
    return std::string(text, strnlen(text, connect_info::kTextSize));
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
    CheckCredentials(*store, user, password);
    Close();  // a second login on the handle starts afresh
    ForgetRecentTables();
    m_open.clear();
    m_positions.clear();
    m_tableSql.clear();  // its statements belong to the old connection
    m_store = std::move(store);
    m_user = win::crt::UpperCp1250(user);
    m_computer = FixedText(connectInfo, connect_info::kComputer);
    if (m_computer.empty()) {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        m_computer = host;
    }
    try {
        RecordLogin();
    } catch (...) {
        m_locks.reset();
        m_store.reset();
        throw;
    }
    m_connected = true;
}

void Session::CheckCredentials(Store& store, const std::string& user, const std::string& password) {
    // A field without its zero holds no complete name (31 characters at
    // most): such a login is an unknown user, never a match on a cut text.
    // A password without its zero can match no stored one (also at most 31)
    // and so fails as a wrong password below.
    if (user.size() >= connect_info::kTextSize) {
        throw StoreError{kNoHandle, "user name without its terminating zero"};
    }

    Statement& query = store.Db().Cached("SELECT \"psw\", \"enabled\" FROM \"SYSDB.DBUSER\" WHERE \"name\" = ?");
    if (!query.Bind(1, win::Cp1250ToUtf8(ScrambledCredential(user))).Step()) {
        throw StoreError{kNoHandle, "no such user"};
    }
    const std::string storedPassword = win::Utf8ToCp1250(query.ColumnText(0));
    const std::string enabled = win::Utf8ToCp1250(query.ColumnText(1));
    query.Run();
    if (enabled != std::string(1, '\x01')) {
        throw StoreError{kUserDisabled, "the user is disabled"};
    }
    if (storedPassword != ScrambledCredential(password)) {
        throw StoreError{kWrongPassword, "wrong password"};
    }
}

void Session::RequireConnected() const {
    if (!m_connected) {
        throw StoreError{kNotConnected, "the handle is not connected"};
    }
}

std::vector<std::string> Session::ServiceNames() const {
    RequireConnected();
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
        throw StoreError{kUnknownTablespace,
                         "no tablespace " + win::Cp1250ToUtf8(name) + " numbered " + std::to_string(dbNo)};
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

Session::TableRef Session::RememberTable(int32_t dbNo, int32_t recType) {
    LoggedIn();
    const TableRef ref = LookUpTable(dbNo, recType);
    m_recentTables[m_nextRecent] = {dbNo, recType, &ref.tablespace, &ref.table, ref.index, &ref.position, &ref.sql};
    m_nextRecent = (m_nextRecent + 1) % kRecentTables;
    return ref;
}

Session::TableRef Session::LookUpTable(int32_t dbNo, int32_t recType) {
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
    TableSql& sql = m_tableSql[{dbNo, recType}];
    if (sql.name.empty()) {
        sql.name = QuoteName(SqlTableName(tablespace, table));
        sql.returning = " RETURNING rowid";
        sql.inKey.assign(table.fields.size(), false);
        for (size_t i = 0; i < table.fields.size(); ++i) {
            const FieldDef& field = table.fields[i];
            sql.columns.push_back(field.HasValue() ? QuoteName(field.name) : std::string());
            if (field.HasValue()) {
                sql.returning += ", " + sql.columns.back();
            }
            std::vector<size_t>& columns = sql.keyColumns.emplace_back();
            if (field.type == 'k') {
                for (const std::string& component : field.components) {
                    columns.push_back(static_cast<size_t>(table.FieldIndex(component)));
                }
            } else {
                columns.push_back(i);
            }
            if (field.IsKey()) {
                for (size_t column : columns) {
                    sql.inKey[column] = true;
                }
            }
        }
        for (size_t i = 0; i < table.fields.size(); ++i) {
            if (table.fields[i].HasValue()) {
                sql.valueFields.push_back({i, sql.inKey[i]});
            }
            const char type = table.fields[i].type;
            const bool floating = type == 'f' || type == 'F';
            if (sql.inKey[i] && !floating) {
                sql.comparedKeys.push_back(i);
            }
            if (floating && table.fields[i].HasValue()) {
                sql.storesAsBound = false;
            }
        }
        std::vector<bool> written(static_cast<size_t>(std::max<int16_t>(table.RecordSize(), 0)), false);
        for (const TableSql::ValueField& valueField : sql.valueFields) {
            const FieldDef& field = table.fields[valueField.field];
            const size_t first = static_cast<size_t>(field.position - kDataOffset);
            for (size_t byte = first; byte < first + BytesWritten(field) && byte < written.size(); ++byte) {
                written[byte] = true;
            }
        }
        sql.valuesFillRecord = std::find(written.begin(), written.end(), false) == written.end();
        sql.selectList = "SELECT" + sql.returning.substr(sizeof " RETURNING" - 1) + " FROM " + sql.name;
    }
    return TableRef{tablespace, table, static_cast<int32_t>(index), m_positions[{dbNo, recType}], sql};
}

void Session::ThrowBadRecordSize(const TableRef& ref, int32_t recordSize) {
    throw StoreError{kBadRecordSize, "record size " + std::to_string(recordSize) + " instead of " +
                                         std::to_string(ref.table.RecordSize())};
}

const FieldDef& Session::FieldByNumber(const TableRef& ref, int32_t fieldNo) const {
    if (fieldNo < 0 || fieldNo / 1000 != ref.index || static_cast<size_t>(fieldNo % 1000) >= ref.table.fields.size()) {
        throw StoreError{kUnknownField, "no field number " + std::to_string(fieldNo)};
    }
    return ref.table.fields[static_cast<size_t>(fieldNo % 1000)];
}

void Session::Reindex(int32_t dbNo) {
    Database& db = LoggedIn().Db();
    CloseAllWalks();  // an index is rebuilt under no open read
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

Session::~Session() { Close(); }

void Session::Close() noexcept {
    if (!m_store) {
        return;
    }
    try {
        End(false);
    } catch (...) {
        // The handle goes anyway; the store undoes what its connection leaves.
    }
    try {
        ReleaseLocksAndLogin();
    } catch (...) {
        m_locks.reset();  // rows left behind go with the process's slot
    }
}

}  // namespace lurdbcli
