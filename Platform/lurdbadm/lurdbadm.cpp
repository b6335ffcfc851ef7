// lurdbadm: creates a service of the client library stand-in (its registry
// key, its store with the catalogue SYSDB and a first user), creates
// tablespaces from schema files, loads rows from CSV and dumps tables; it
// also writes a tablespace's description file and shows one.
// Files, the command line and the console are UTF-8; the arguments are taken
// in code page 1250 once, in main, and names and texts are handled in code
// page 1250 inside, as the client library sees them. Messages are UTF-8.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CheckedOutput.h"
#include "CodePage.h"
#include "CommandLine.h"
#include "Crt.h"
#include "Csv.h"
#include "DbStruct.h"
#include "LastError.h"
#include "LuConn.h"
#include "LurExceptBase.h"
#include "QuotedValue.h"
#include "RecordCodec.h"
#include "Registry.h"
#include "Schema.h"
#include "Store.h"
#include "StringScrambler.h"
#include "SystemErrorText.h"
#include "TextFile.h"
#include "lurdbcli.h"

using namespace lurdbcli;

namespace {

// What the commands print: a failure is kept there and told at the end.
win::CheckedOutput& Out() { return win::StandardOutput(); }

constexpr const char* kUsage =
    "usage:\n"
    "  lurdbadm create-service <service> <user> <password> [--server <name>] [--volumeid <n>]\n"
    "  lurdbadm create-tablespace <service> <schema-file>\n"
    "  lurdbadm load <service> <tablespace> <table> <csv-file|->\n"
    "  lurdbadm dump <service> <tablespace> <table>\n"
    "  lurdbadm dbd-save <service> <tablespace> <dir>\n"
    "  lurdbadm dbd-show <file>\n"
    "  lurdbadm add-user <service> <user> <password>\n"
    "  lurdbadm disable-user <service> <user>\n"
    "  lurdbadm remove-user <service> <user>\n";

// A command line that cannot be carried out as given: exit status 2.
struct CommandLineError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A command line of the wrong form: exit status 2 with the usage.
struct UsageError : CommandLineError {
    using CommandLineError::CommandLineError;
};

// The first character of a UTF-8 text that code page 1250 cannot hold (or
// the first byte that is no UTF-8), or "" when the whole text converts.
std::string FirstCharacterOutsideCp1250(const std::string& utf8) {
    for (size_t i = 0; i < utf8.size();) {
        size_t next = i + 1;
        while (next < utf8.size() && (static_cast<unsigned char>(utf8[next]) & 0xC0) == 0x80) {
            ++next;
        }
        const std::string character = utf8.substr(i, next - i);
        if (static_cast<unsigned char>(character[0]) >= 0x80 &&
            win::Cp1250ToUtf8(win::Utf8ToCp1250(character)) != character) {
            return character;
        }
        i = next;
    }
    return "";
}

// A character for a message: itself and its code point, or the byte in hex
// when it is no UTF-8.
std::string DescribeCharacter(const std::string& character) {
    const auto lead = static_cast<unsigned char>(character[0]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length != character.size() || length == 1) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", lead);
        return std::string("the byte ") + hex + ", which is no UTF-8";
    }
    uint32_t point = lead & (0x7Fu >> length);
    for (size_t k = 1; k < length; ++k) {
        point = point << 6 | (static_cast<unsigned char>(character[k]) & 0x3Fu);
    }
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", point);
    return "\"" + character + "\" (" + code + ")";
}

// ": " and the English text of a Windows code (the messages are English);
// "" for success or a code without one.
std::string CodeReason(uint32_t code) {
    constexpr uint16_t kEnglish = 0x0409;
    std::string text;
    if (code == win::ERROR_SUCCESS || !win::FormatSystemMessage(code, kEnglish, text)) return "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return ": " + win::Cp1250ToUtf8(text);
}

// ": " and why the last call of the platform's stand-ins failed: the
// system's text of the errno behind it, else its Windows code's text.
std::string LastFailureReason() {
    if (const int err = win::GetLastErrno(); err != 0) return std::string(": ") + std::strerror(err);
    return CodeReason(win::GetLastError());
}

// The connect settings of the service, as the login reads them.
void WriteRegistryKey(const std::string& service, const std::string& server, const std::string& user) {
    win::HKEY key = nullptr;
    const std::string path = "software\\ludbclients\\" + service;
    int32_t rc = win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, win::REG_OPTION_NON_VOLATILE,
                                      win::KEY_WRITE, nullptr, &key, nullptr);
    if (rc != 0) {
        throw std::runtime_error("cannot create the registry key " + path + " in " + win::RegistryFilePath() +
                                 " (error " + std::to_string(rc) + ")" + CodeReason(static_cast<uint32_t>(rc)));
    }
    auto text = [&](const char* name, const std::string& value) {
        if (rc == 0) {
            rc = win::RegSetValueExA(key, name, 0, win::REG_SZ, reinterpret_cast<const uint8_t*>(value.c_str()),
                                     static_cast<uint32_t>(value.size() + 1));
        }
    };
    auto dword = [&](const char* name, uint32_t value) {
        if (rc == 0) {
            rc = win::RegSetValueExA(key, name, 0, win::REG_DWORD, reinterpret_cast<const uint8_t*>(&value), 4);
        }
    };
    text("service", service);
    text("server", server);
    text("defaultuser", user);
    text("openmode", "s");
    dword("useblob", 0);
    dword("timeout", 0);
    dword("enableevents", 0);
    dword("uselock", 0);
    dword("regdbpages", 0);
    dword("regowlpages", 0);
    win::RegCloseKey(key);
    if (rc != 0) {
        throw std::runtime_error("cannot write the registry key " + path + " (error " + std::to_string(rc) + ")" +
                                 CodeReason(static_cast<uint32_t>(rc)));
    }
}

// The service's store. A service without one is told with where its store
// was looked for and whether the registry file in use holds the service:
// the programs find it only with the LURDB_DATA and LUR_REGISTRY it was
// made with.
std::unique_ptr<Store> OpenStore(const std::string& service) {
    try {
        return Store::Open(service);
    } catch (StoreError& error) {
        if (error.status != kNoStore) throw;
        const std::string name = win::Cp1250ToUtf8(Store::ServiceName(service));
        const std::string registry = win::Cp1250ToUtf8(win::DescribeRegistryFile());
        win::HKEY key = nullptr;
        if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, (LuConn::kSettingsRoot + service).c_str(), 0, win::KEY_READ,
                               &key) == win::ERROR_SUCCESS) {
            win::RegCloseKey(key);
            error.detail += "; " + name + " is registered in " + registry;
        } else {
            error.detail += "; " + name + " is not in " + registry + "; lurdbadm create-service makes a service";
        }
        throw;
    }
}

// A user name or password as the catalogue takes it: upper case, 1 to 31
// characters (the login's fields hold 31 and a zero).
std::string Credential(const std::string& argument, const char* what) {
    const std::string text = win::crt::UpperCp1250(argument);
    if (text.empty() || text.size() > 31) {
        throw UsageError(std::string(what) + " needs 1 to 31 characters");
    }
    return text;
}

void InsertUser(Store& store, const std::string& user, const std::string& password) {
    const TablespaceDef& sysdb = SysdbSchema();
    const TableDef& dbuser = sysdb.tables[static_cast<size_t>(sysdb.TableIndex("dbuser"))];
    InsertRow(store.Db(), sysdb, dbuser,
              {{"userid", std::to_string(store.NextId("sysdb_dbuser"))},
               {"type", "0x00"},
               {"name", ScrambledCredential(user)},
               {"psw", ScrambledCredential(password)},
               {"enabled", "0x01"}});
}

void CreateService(const std::vector<std::string>& args) {
    if (args.size() < 3) {
        throw UsageError("create-service needs <service> <user> <password>");
    }
    const std::string service = Store::ServiceName(args[0]);
    const std::string user = Credential(args[1], "a user name");
    const std::string password = Credential(args[2], "a password");
    std::string server = "localhost";
    uint32_t volumeId = Store::NewVolumeId();
    for (size_t i = 3; i < args.size(); i += 2) {
        if (args[i] != "--server" && args[i] != "--volumeid") {
            throw UsageError("unknown option " + lurquote::QuotedUtf8Value(win::Cp1250ToUtf8(args[i])));
        }
        if (i + 1 >= args.size()) {
            throw UsageError("option " + args[i] + " needs a value");
        }
        const std::string& value = args[i + 1];
        if (args[i] == "--server") {
            server = value;
        } else {
            uint32_t number = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
            if (value.empty() || error != std::errc() || end != value.data() + value.size()) {
                throw CommandLineError("--volumeid needs a whole number from 0 to 4294967295, not " +
                                       lurquote::QuotedUtf8Value(win::Cp1250ToUtf8(value)));
            }
            volumeId = number;
        }
    }
    for (const std::string* text : std::initializer_list<const std::string*>{&user, &password, &server}) {
        if (text->empty() || text->size() > 31) {
            throw UsageError("user, password and server need 1 to 31 characters");
        }
    }

    std::unique_ptr<Store> store = Store::Create(service, volumeId);
    try {
        InsertUser(*store, user, password);
        WriteRegistryKey(service, server, user);
    } catch (...) {
        store.reset();
        Store::Discard(service);  // a half-made service would block a retry
        throw;
    }
    Out().Print("service %s created: %s\n", win::Cp1250ToUtf8(service).c_str(), Store::PathFor(service).c_str());
}

void AddUser(const std::vector<std::string>& args) {
    if (args.size() != 3) {
        throw UsageError("add-user needs <service> <user> <password>");
    }
    const std::string user = Credential(args[1], "a user name");
    const std::string password = Credential(args[2], "a password");
    std::unique_ptr<Store> store = OpenStore(args[0]);
    try {
        InsertUser(*store, user, password);
    } catch (const StoreError& error) {
        if (error.status == kLockedOrDuplicate) {
            throw std::runtime_error("user " + win::Cp1250ToUtf8(args[1]) + " exists already");
        }
        throw;
    }
    Out().Print("user %s added\n", win::Cp1250ToUtf8(user).c_str());
}

// Disables (enabled byte 0) or removes the user's catalogue row.
void ChangeUser(const std::vector<std::string>& args, bool remove) {
    if (args.size() != 2) {
        throw UsageError(std::string(remove ? "remove-user" : "disable-user") + " needs <service> <user>");
    }
    const std::string user = Credential(args[1], "a user name");
    std::unique_ptr<Store> store = OpenStore(args[0]);
    const std::string sql = remove ? "DELETE FROM \"SYSDB.DBUSER\" WHERE \"name\" = ?"
                                   : "UPDATE \"SYSDB.DBUSER\" SET \"enabled\" = ? WHERE \"name\" = ?";
    Statement& change = store->Db().Cached(sql);
    int index = 1;
    if (!remove) {
        change.Bind(index++, std::string());  // a one-byte text field holding 0 is stored empty
    }
    change.Bind(index, win::Cp1250ToUtf8(ScrambledCredential(user))).Run();
    if (sqlite3_changes(store->Db().Raw()) == 0) {
        throw std::runtime_error("no user " + win::Cp1250ToUtf8(args[1]));
    }
    Out().Print("user %s %s\n", win::Cp1250ToUtf8(user).c_str(), remove ? "removed" : "disabled");
}

void CreateTablespaces(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        throw UsageError("create-tablespace needs <service> <schema-file>");
    }
    std::vector<TablespaceDef> tablespaces;
    try {
        tablespaces = ParseSchema(win::ReadUtf8TextFile(args[1]));
    } catch (StoreError& error) {
        error.detail = win::Cp1250ToUtf8(error.detail);  // it quotes the schema's own words
        throw;
    }
    if (tablespaces.empty()) {
        throw std::runtime_error(win::Cp1250ToUtf8(args[1]) +
                                 " defines no tablespace (it is empty or holds only comments)");
    }
    std::unique_ptr<Store> store = OpenStore(args[0]);
    for (const TablespaceDef& tablespace : tablespaces) {
        const std::string name = win::Cp1250ToUtf8(tablespace.name);
        if (store->FindTablespace(tablespace.name)) {
            throw CommandLineError("the service already has a tablespace " + name + "; nothing was created");
        }
        if (std::optional<TablespaceDef> other = store->FindTablespace(tablespace.number)) {
            throw CommandLineError("tablespace number " + std::to_string(tablespace.number) + " of " + name +
                                   " is taken by " + win::Cp1250ToUtf8(other->name) + "; nothing was created");
        }
    }
    Database& db = store->Db();
    db.Exec("BEGIN IMMEDIATE");  // all tablespaces of the file or none
    try {
        for (const TablespaceDef& tablespace : tablespaces) {
            store->CreateTablespace(tablespace);
        }
        db.Exec("COMMIT");
    } catch (...) {
        db.RollBackAfterFailure();
        throw;
    }
    for (const TablespaceDef& tablespace : tablespaces) {
        Out().Print("tablespace %s (%d) created with %zu tables\n", win::Cp1250ToUtf8(tablespace.name).c_str(),
                    tablespace.number, tablespace.tables.size());
    }
}

struct TableInStore {
    std::unique_ptr<Store> store;
    TablespaceDef tablespace;
    const TableDef* table = nullptr;
};

TableInStore OpenTable(const std::string& service, const std::string& tablespaceName, const std::string& tableName) {
    TableInStore found;
    found.store = OpenStore(service);
    std::optional<TablespaceDef> tablespace = found.store->FindTablespace(tablespaceName);
    if (!tablespace) {
        throw std::runtime_error("no tablespace " + win::Cp1250ToUtf8(tablespaceName));
    }
    found.tablespace = std::move(*tablespace);
    const int index = found.tablespace.TableIndex(tableName);
    if (index < 0) {
        throw std::runtime_error("no table " + win::Cp1250ToUtf8(tableName) + " in " +
                                 win::Cp1250ToUtf8(tablespaceName));
    }
    found.table = &found.tablespace.tables[static_cast<size_t>(index)];
    return found;
}

// Why the store refused a row of a load for a key (code page 1250 values by
// field name), in the system's words, after the load's transaction was
// rolled back: the unique key and its value, where it is taken (the table,
// or an earlier line of the input), and that nothing was loaded. detail is
// the store's own words, for a refusal no unique key explains.
std::string RefusedKey(const TableInStore& target, const std::vector<std::pair<std::string, std::string>>& values,
                       const std::string& input, const std::string& detail) {
    Database& db = target.store->Db();
    const std::optional<std::string> key = TakenUniqueKey(db, target.tablespace, *target.table, values);
    db.Exec("ROLLBACK");
    const std::string table = win::Cp1250ToUtf8(target.tablespace.name + "." + target.table->name);
    const std::string nothing = "; nothing of " + input + " was loaded";
    if (!key) {
        return table + " refuses the row (" + detail + ")" + nothing;
    }
    if (TakenUniqueKey(db, target.tablespace, *target.table, values)) {
        return table + " has a row with the unique key " + *key + " already" + nothing;
    }
    return "an earlier line of " + input + " has the unique key " + *key + " of " + table + " too" + nothing;
}

void Load(const std::vector<std::string>& args) {
    if (args.size() != 4) {
        throw UsageError("load needs <service> <tablespace> <table> <csv-file|->");
    }
    TableInStore target = OpenTable(args[0], args[1], args[2]);
    std::ifstream file;
    if (args[3] != "-") {
        file = win::OpenInputFile(args[3]);
    }
    std::istream& in = args[3] == "-" ? win::StandardInput() : file;
    const std::string input = args[3] == "-" ? "standard input" : win::Cp1250ToUtf8(args[3]);
    int line = 0;
    std::vector<std::string> header;
    SkipByteOrderMark(in);
    if (!ReadCsvRecord(in, header, line)) {
        throw std::runtime_error("the CSV file has no header line");
    }
    for (size_t i = 0; i < header.size(); ++i) {
        const std::string name = win::Utf8ToCp1250(header[i]);
        const int index = target.table->FieldIndex(name);
        if (index < 0 || !target.table->fields[static_cast<size_t>(index)].HasValue()) {
            throw std::runtime_error("no value field " + header[i] + " in " + win::Cp1250ToUtf8(args[2]));
        }
        for (size_t earlier = 0; earlier < i; ++earlier) {
            if (EqualsIgnoreCase(header[earlier], name)) {
                throw std::runtime_error("the header names the field " + lurquote::QuotedUtf8Value(header[i]) +
                                         " twice");
            }
        }
        header[i] = name;
    }
    Database& db = target.store->Db();
    db.Exec("BEGIN IMMEDIATE");  // every row or none
    int rows = 0;
    try {
        for (std::vector<std::string> fields; ReadCsvRecord(in, fields, line);) {
            if (fields.size() == 1 && fields[0].empty()) {
                continue;  // blank line
            }
            if (fields.size() != header.size()) {
                throw std::runtime_error("line " + std::to_string(line) + ": " + std::to_string(fields.size()) +
                                         " values for " + std::to_string(header.size()) + " fields");
            }
            std::vector<std::pair<std::string, std::string>> values;
            for (size_t i = 0; i < fields.size(); ++i) {
                if (const std::string bad = FirstCharacterOutsideCp1250(fields[i]); !bad.empty()) {
                    throw std::runtime_error("line " + std::to_string(line) + ", field " +
                                             win::Cp1250ToUtf8(header[i]) + ": " + DescribeCharacter(bad) +
                                             " has no place in code page 1250, in " +
                                             lurquote::QuotedUtf8Value(fields[i]));
                }
                values.emplace_back(header[i], win::Utf8ToCp1250(fields[i]));
            }
            try {
                InsertRow(db, target.tablespace, *target.table, values);
            } catch (const StoreError& error) {
                if (error.status == kLockedOrDuplicate) {
                    throw std::runtime_error("line " + std::to_string(line) + ": " +
                                             RefusedKey(target, values, input, error.detail));
                }
                throw std::runtime_error("line " + std::to_string(line) + ": " + error.detail);
            }
            ++rows;
        }
        if (rows > 0) {
            const auto index = static_cast<int32_t>(target.table - target.tablespace.tables.data());
            target.store->NoteChange(target.tablespace.number, kFirstRecordType + index);
        }
        db.Exec("COMMIT");
    } catch (...) {
        db.RollBackAfterFailure();
        throw;
    }
    Out().Print("%d rows loaded into %s.%s\n", rows, win::Cp1250ToUtf8(args[1]).c_str(),
                win::Cp1250ToUtf8(args[2]).c_str());
}

void Dump(const std::vector<std::string>& args) {
    if (args.size() != 3) {
        throw UsageError("dump needs <service> <tablespace> <table>");
    }
    TableInStore source = OpenTable(args[0], args[1], args[2]);
    std::vector<std::string> names;
    std::vector<const FieldDef*> fields;
    std::string columns;
    for (const FieldDef& field : source.table->fields) {
        if (field.HasValue()) {
            names.push_back(win::Cp1250ToUtf8(field.name));
            fields.push_back(&field);
            columns += (columns.empty() ? "" : ", ") + QuoteName(field.name);
        }
    }
    Out().Write(FormatCsvRecord(names) + '\n');
    Statement& query = source.store->Db().Cached(
        "SELECT " + columns + " FROM " + QuoteName(SqlTableName(source.tablespace, *source.table)) + " ORDER BY rowid");
    while (query.Step()) {
        std::vector<std::string> values;
        for (size_t i = 0; i < fields.size(); ++i) {
            values.push_back(win::Cp1250ToUtf8(SqlToText(*fields[i], query.Column(static_cast<int>(i)))));
        }
        // A dump that can no longer be written stops: the rest is lost as well.
        if (!Out().Write(FormatCsvRecord(values) + '\n')) return;
    }
}

// Writes the tablespace's description, as the service hands it to the
// client library, as <dir>/<NAME>.dbd.
void SaveDescription(const std::vector<std::string>& args) {
    if (args.size() != 3) {
        throw UsageError("dbd-save needs <service> <tablespace> <dir>");
    }
    std::optional<TablespaceDef> tablespace = OpenStore(args[0])->FindTablespace(args[1]);
    if (!tablespace) {
        throw std::runtime_error("no tablespace " + win::Cp1250ToUtf8(args[1]));
    }
    const std::string blob = BuildDescriptionBlob(*tablespace);
    DbStruct description;
    description.LoadImage(blob.data(), static_cast<int>(blob.size()), tablespace->name, tablespace->number);
    std::string prefix = args[2];
    if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\') {
        prefix += '/';
    }
    const std::string path = win::Cp1250ToUtf8(prefix + description.GetDbName() + ".dbd");
    if (description.SaveDbd(prefix.c_str()) != 0) {
        throw std::runtime_error("cannot write " + path + LastFailureReason());
    }
    Out().Print("description of %s written to %s\n", win::Cp1250ToUtf8(description.GetDbName()).c_str(), path.c_str());
}

// Prints the tables, fields and keys of a description file as the schema
// file's lines. The file holds no tablespace name or number, no SQL
// information, and its names are upper case.
void ShowDescription(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        throw UsageError("dbd-show needs <file>");
    }
    win::RefuseDirectory(args[0]);
    DbStruct description;
    try {
        if (description.LoadDbd(args[0].c_str(), "", 0) != 0) {
            throw std::runtime_error("cannot read " + win::Cp1250ToUtf8(args[0]) + LastFailureReason());
        }
    } catch (const LurExceptBase&) {
        throw std::runtime_error(win::Cp1250ToUtf8(args[0]) + " is no description file");
    }
    TablespaceDef shown;
    const std::vector<std::string> tables = description.GetTableNames();
    for (size_t r = 0; r < tables.size(); ++r) {
        TableDef& table = shown.tables.emplace_back();
        table.name = tables[r];
        const int recType = DbStruct::kRecTypeBase + static_cast<int>(r);
        std::vector<FieldDesc> descs;
        std::vector<std::string> names;
        description.GetFieldDescs(recType, descs, true);
        description.GetFieldNames(recType, names, true);
        for (size_t f = 0; f < descs.size(); ++f) {
            FieldDef& field = table.fields.emplace_back();
            field.name = names[f];
            field.type = descs[f].type;
            field.length = descs[f].length;
            field.keyKind = descs[f].keyKind;
            field.flags = descs[f].flags;
            if (field.type == 'k') {
                const int fieldNo = static_cast<int>(r) * DbStruct::kFieldsPerTable + static_cast<int>(f);
                description.GetKeyComponentNames(fieldNo, field.components);
            }
        }
    }
    // The schema text less its tablespace line, which the file cannot fill.
    const std::string text = FormatSchema(shown);
    Out().Write(win::Cp1250ToUtf8(text.substr(text.find('\n') + 1)));
}

// Carries out the command; its exit status, with the failure's message on
// stderr.
int Execute(const std::string& command, const std::vector<std::string>& args) {
    try {
        if (command == "create-service") {
            CreateService(args);
        } else if (command == "create-tablespace") {
            CreateTablespaces(args);
        } else if (command == "load") {
            Load(args);
        } else if (command == "dump") {
            Dump(args);
        } else if (command == "dbd-save") {
            SaveDescription(args);
        } else if (command == "dbd-show") {
            ShowDescription(args);
        } else if (command == "add-user") {
            AddUser(args);
        } else if (command == "disable-user") {
            ChangeUser(args, false);
        } else if (command == "remove-user") {
            ChangeUser(args, true);
        } else if (command == "help" || command == "--help" || command == "-h") {
            Out().Write(kUsage);
        } else {
            throw UsageError("unknown command " + win::Cp1250ToUtf8(command));
        }
        return 0;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "lurdbadm: %s\n%s", error.what(), kUsage);
        return 2;
    } catch (const CommandLineError& error) {
        std::fprintf(stderr, "lurdbadm: %s\n", error.what());
        return 2;
    } catch (const StoreError& error) {
        std::fprintf(stderr, "lurdbadm: %s\n", error.detail.c_str());
        return 1;
    } catch (const win::TextFileError& error) {
        std::fprintf(stderr, "lurdbadm: %s\n", win::Cp1250ToUtf8(error.what()).c_str());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lurdbadm: %s\n", error.what());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    win::FailWritesPastFileSizeLimit();
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::vector<std::string> args;
    try {
        args = win::CommandLineArguments(argc, argv);
    } catch (const win::CommandLineError& error) {
        std::fprintf(stderr, "lurdbadm: %s\n%s", win::Cp1250ToUtf8(error.what()).c_str(), kUsage);
        return 2;
    }
    const std::string command = args[1];
    args.erase(args.begin(), args.begin() + 2);  // the program's path and the command
    return win::CloseStandardOutput("lurdbadm", Execute(command, args));
}
