// The schema of a tablespace: tables, their fields and keys, laid out as the
// record images the client exchanges. The description blob that the database
// layer parses is generated from it, and so are the SQL tables of the store.
//
// The text form (written by lurdbadm's users, kept in the store) is
// line-based; see Platform/lurdbadm/README.md:
//   tablespace <name> <number> [<major>.<minor>.<sub>.<build>]
//   table <name>
//   field <name> <type> <length> <keykind> [unsigned|raw] [exact] [sqltype=N] [sqllength=N] [precision=N]
//   key <name> <keykind> <component> [<component>...]
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lurdbcli {

// Leading bytes of every record image that the client does not exchange
// (the store keeps the row id there); the record buffer is the rest.
constexpr int16_t kDataOffset = 4;
constexpr int16_t kUnsignedFlag = 4;  // unsigned; for 'c': raw bytes
constexpr int32_t kFirstRecordType = 10000;
constexpr int32_t kSysdbNumber = 19;
constexpr const char* kSysdbName = "SYSDB";

struct FieldDef {
    std::string name;
    char type = 'c';     // c s i l d f F g k
    int16_t length = 0;  // bytes in the record image
    char keyKind = 'n';  // 'u' unique, 'n' none, any other letter a key with duplicates
    int16_t flags = 0;
    int16_t position = 0;                 // image offset; for 'k' the index of its first key entry
    std::vector<std::string> components;  // 'k': component field names in order
    int32_t sqlType = 0;
    int16_t sqlLength = 0;
    int16_t precision = 0;
    // 'c' text compared byte for byte in keys and searches, where text
    // otherwise ignores case (scrambled names: two names may scramble to
    // texts that differ only in case). Kept in the store's schema only.
    bool exact = false;

    bool HasValue() const { return type != 'g' && type != 'k'; }
    bool IsKey() const { return keyKind != 'n'; }
    bool IsUnique() const { return keyKind == 'u'; }
    bool IsRaw() const { return type == 'c' && (flags & kUnsignedFlag) != 0; }
};

struct TableDef {
    std::string name;
    std::vector<FieldDef> fields;
    int16_t recordLength = kDataOffset;  // whole image, data offset included

    int16_t RecordSize() const { return static_cast<int16_t>(recordLength - kDataOffset); }
    // Index of a field by name (ASCII case ignored); -1 when absent.
    int FieldIndex(std::string_view fieldName) const;
};

struct TablespaceDef {
    std::string name;
    int32_t number = 0;
    int32_t version[4] = {0, 0, 0, 0};
    std::vector<TableDef> tables;

    int TableIndex(std::string_view tableName) const;  // ASCII case ignored; -1 when absent
};

// Whether a text can name a tablespace, table or field of a schema: not
// empty, without blanks, control characters, ".", '"' or "#".
bool ValidName(std::string_view name);

// Parses schema text into tablespaces, validates and lays them out. Throws
// StoreError (kBadSchema) naming the line of the first fault.
std::vector<TablespaceDef> ParseSchema(std::string_view text);
// The schema a store keeps for one of its tablespaces: as ParseSchema, but a
// tablespace without tables (CreateTablespace makes one) is accepted.
TablespaceDef ParseStoredSchema(std::string_view text);
// The text form of one tablespace; ParseSchema gives it back unchanged.
std::string FormatSchema(const TablespaceDef& tablespace);

// The description blob of a tablespace (the layout the database layer
// parses: a 22-byte header, file, record, field and key entries, then the
// table names and the field names, each ended by a newline).
std::string BuildDescriptionBlob(const TablespaceDef& tablespace);

// SQL names of the store: the table "<TABLESPACE>.<TABLE>" (upper case) and
// the statements that create its table and indexes.
std::string SqlTableName(const TablespaceDef& tablespace, const TableDef& table);
std::vector<std::string> CreateTableStatements(const TablespaceDef& tablespace, const TableDef& table);
// "INSERT INTO <table> (rowid, <value columns>) VALUES (<next rowid>, ?, ...)":
// the one insert of a record (the values bind in field order), numbering rows
// one past the highest as SQLite numbers rowids, on either table layout
// (CreateTableStatements). With boundRowid the number is the first
// parameter instead, read before with NextRowidQuery.
std::string InsertStatement(const TablespaceDef& tablespace, const TableDef& table, bool boundRowid = false);
// "SELECT <next rowid> FROM <quoted table name>": the number the next
// inserted row takes.
std::string NextRowidQuery(const std::string& quotedName);

// The catalogue tablespace SYSDB that every service starts with.
const TablespaceDef& SysdbSchema();

std::string AsciiUpper(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace lurdbcli
