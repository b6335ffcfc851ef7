#include "Schema.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "Sqlite.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

constexpr size_t kHeaderSize = 22;
constexpr size_t kFileEntrySize = file_entry::kSize;
constexpr size_t kRecordEntrySize = 12;
constexpr size_t kFieldEntrySize = 20;
constexpr size_t kKeyEntrySize = 8;
constexpr size_t kFileNameSize = 48;
constexpr size_t kFileTypeOffset = file_entry::kType;
constexpr int kMaxFieldsPerTable = 1000;  // field numbers are table * 1000 + index

[[noreturn]] void SchemaFault(int line, const std::string& message) {
    throw StoreError{kBadSchema, "line " + std::to_string(line) + ": " + message};
}

int16_t ImpliedLength(char type) {
    switch (type) {
        case 's': return 2;
        case 'i':
        case 'l':
        case 'd':
        case 'f': return 4;
        case 'F': return 8;
        default: return 0;
    }
}

bool ParseInt(std::string_view text, long long low, long long high, long long& out) {
    if (text.empty()) {
        return false;
    }
    size_t used = 0;
    try {
        out = std::stoll(std::string(text), &used, 10);
    } catch (...) {
        return false;
    }
    return used == text.size() && out >= low && out <= high;
}

void PutInt16(std::string& blob, size_t offset, int32_t value) {
    const auto v = static_cast<int16_t>(value);
    std::memcpy(blob.data() + offset, &v, sizeof v);
}

void PutInt32(std::string& blob, size_t offset, int32_t value) {
    std::memcpy(blob.data() + offset, &value, sizeof value);
}

// Assigns positions and record lengths; checks keys and limits.
void LayOut(TablespaceDef& tablespace, int line) {
    int keyEntries = 0;
    long long fieldCount = 0;
    for (TableDef& table : tablespace.tables) {
        if (table.fields.empty()) {
            SchemaFault(line, "table " + table.name + " has no fields");
        }
        if (table.fields.size() > kMaxFieldsPerTable) {
            SchemaFault(line, "table " + table.name + " has more than 1000 fields");
        }
        long long offset = kDataOffset;
        for (FieldDef& field : table.fields) {
            if (field.type == 'k') {
                field.position = static_cast<int16_t>(keyEntries);
                for (const std::string& component : field.components) {
                    const int index = table.FieldIndex(component);
                    if (index < 0 || !table.fields[static_cast<size_t>(index)].HasValue()) {
                        SchemaFault(line, "key " + field.name + ": no value field " + component + " in " + table.name);
                    }
                }
                keyEntries += static_cast<int>(field.components.size());
                continue;
            }
            field.position = static_cast<int16_t>(offset);
            if (field.HasValue()) {
                offset += field.length;
            }
            if (offset > INT16_MAX) {
                SchemaFault(line, "table " + table.name + " is longer than 32767 bytes");
            }
        }
        table.recordLength = static_cast<int16_t>(offset);
        fieldCount += static_cast<long long>(table.fields.size());
    }
    if (fieldCount > INT16_MAX || keyEntries > INT16_MAX || tablespace.tables.size() > 30000) {
        SchemaFault(line, "tablespace " + tablespace.name + " is too large");
    }
}

}  // namespace

bool ValidName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (unsigned char c : name) {
        if (c <= ' ' || c == '.' || c == '"' || c == '#') {
            return false;
        }
    }
    return true;
}

std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiUpper(a) == AsciiUpper(b);
}

int TableDef::FieldIndex(std::string_view fieldName) const {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (EqualsIgnoreCase(fields[i].name, fieldName)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TablespaceDef::TableIndex(std::string_view tableName) const {
    for (size_t i = 0; i < tables.size(); ++i) {
        if (EqualsIgnoreCase(tables[i].name, tableName)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

namespace {

std::vector<TablespaceDef> ParseSchemaText(std::string_view text, bool allowEmptyTablespace) {
    std::vector<TablespaceDef> result;
    std::istringstream input{std::string(text)};
    std::string raw;
    int line = 0;
    int tableLine = 0;
    // Groups hold no value: a table of only groups would be an SQL table
    // without columns. Checked when the table ends, naming its line.
    auto finishTable = [&]() {
        if (result.empty() || result.back().tables.empty()) {
            return;
        }
        const TableDef& table = result.back().tables.back();
        if (!table.fields.empty() &&
            std::none_of(table.fields.begin(), table.fields.end(), [](const FieldDef& f) { return f.HasValue(); })) {
            SchemaFault(tableLine, "table " + table.name + " has no field with a value (only groups)");
        }
    };
    auto finish = [&](int atLine) {
        finishTable();
        if (!result.empty()) {
            if (result.back().tables.empty() && !allowEmptyTablespace) {
                SchemaFault(atLine, "tablespace " + result.back().name + " has no tables");
            }
            LayOut(result.back(), atLine);
        }
    };
    while (std::getline(input, raw)) {
        ++line;
        if (const size_t hash = raw.find('#'); hash != std::string::npos) {
            raw.erase(hash);
        }
        std::istringstream words(raw);
        std::vector<std::string> tokens;
        for (std::string word; words >> word;) {
            tokens.push_back(word);
        }
        if (tokens.empty()) {
            continue;
        }
        const std::string& keyword = tokens[0];
        if (keyword == "tablespace") {
            long long number = 0;
            if (tokens.size() < 3 || tokens.size() > 4 || !ValidName(tokens[1]) ||
                !ParseInt(tokens[2], 0, INT32_MAX, number)) {
                SchemaFault(line, "expected: tablespace <name> <number> [<major>.<minor>.<sub>.<build>]");
            }
            finish(line);
            for (const TablespaceDef& other : result) {
                if (EqualsIgnoreCase(other.name, tokens[1]) || other.number == number) {
                    SchemaFault(line, "tablespace " + tokens[1] + " repeats a name or number");
                }
            }
            TablespaceDef tablespace;
            tablespace.name = tokens[1];
            tablespace.number = static_cast<int32_t>(number);
            if (tokens.size() == 4) {
                std::istringstream parts(tokens[3]);
                std::string part;
                int i = 0;
                long long value = 0;
                for (; i < 4 && std::getline(parts, part, '.'); ++i) {
                    if (!ParseInt(part, 0, INT32_MAX, value)) {
                        SchemaFault(line, "bad version " + tokens[3]);
                    }
                    tablespace.version[i] = static_cast<int32_t>(value);
                }
                if (i != 4 || std::getline(parts, part)) {
                    SchemaFault(line, "version needs four numbers: " + tokens[3]);
                }
            }
            result.push_back(std::move(tablespace));
        } else if (keyword == "table") {
            if (result.empty()) {
                SchemaFault(line, "table before tablespace");
            }
            if (tokens.size() != 2 || !ValidName(tokens[1])) {
                SchemaFault(line, "expected: table <name>");
            }
            if (result.back().TableIndex(tokens[1]) >= 0) {
                SchemaFault(line, "table " + tokens[1] + " declared twice");
            }
            finishTable();
            result.back().tables.push_back(TableDef{tokens[1], {}, kDataOffset});
            tableLine = line;
        } else if (keyword == "field" || keyword == "key") {
            if (result.empty() || result.back().tables.empty()) {
                SchemaFault(line, keyword + " before table");
            }
            TableDef& table = result.back().tables.back();
            FieldDef field;
            size_t next = 0;
            if (keyword == "field") {
                long long length = 0;
                if (tokens.size() < 5 || !ValidName(tokens[1]) || tokens[2].size() != 1 ||
                    std::strchr("csildfFg", tokens[2][0]) == nullptr || !ParseInt(tokens[3], 0, INT64_MAX, length) ||
                    tokens[4].size() != 1) {
                    SchemaFault(line, "expected: field <name> <c|s|i|l|d|f|F|g> <length> <keykind> [options]");
                }
                if (length > INT16_MAX) {
                    SchemaFault(line, "field " + tokens[1] + ": length " + tokens[3] +
                                          " is beyond the store's limit of 32767 bytes");
                }
                field.type = tokens[2][0];
                field.length = static_cast<int16_t>(length);
                const int16_t implied = ImpliedLength(field.type);
                if ((implied != 0 && length != implied) || (field.type == 'c' && length < 1)) {
                    SchemaFault(line, "field " + tokens[1] + ": bad length " + tokens[3]);
                }
                next = 5;
            } else {
                if (tokens.size() < 4 || !ValidName(tokens[1]) || tokens[2].size() != 1) {
                    SchemaFault(line, "expected: key <name> <keykind> <component> [<component>...]");
                }
                field.type = 'k';
                field.components.assign(tokens.begin() + 3, tokens.end());
                next = tokens.size();
            }
            field.name = tokens[1];
            field.keyKind = keyword == "field" ? tokens[4][0] : tokens[2][0];
            if (!((field.keyKind >= 'a' && field.keyKind <= 'z') || (field.keyKind >= 'A' && field.keyKind <= 'Z')) ||
                (field.type == 'k' && field.keyKind == 'n') || (field.type == 'g' && field.keyKind != 'n')) {
                SchemaFault(line, field.name + ": bad key kind");
            }
            for (; next < tokens.size(); ++next) {
                const std::string& option = tokens[next];
                long long value = 0;
                if (option == "unsigned" || option == "raw") {
                    field.flags |= kUnsignedFlag;
                } else if (option == "exact" && field.type == 'c') {
                    field.exact = true;
                } else if (option.rfind("sqltype=", 0) == 0 && ParseInt(option.substr(8), 0, INT32_MAX, value)) {
                    field.sqlType = static_cast<int32_t>(value);
                } else if (option.rfind("sqllength=", 0) == 0 && ParseInt(option.substr(10), 0, INT16_MAX, value)) {
                    field.sqlLength = static_cast<int16_t>(value);
                } else if (option.rfind("precision=", 0) == 0 && ParseInt(option.substr(10), 0, INT16_MAX, value)) {
                    field.precision = static_cast<int16_t>(value);
                } else {
                    SchemaFault(line, "unknown option " + option);
                }
            }
            if (table.FieldIndex(field.name) >= 0) {
                SchemaFault(line, "field " + field.name + " declared twice in " + table.name);
            }
            table.fields.push_back(std::move(field));
        } else {
            SchemaFault(line, "unknown line: " + keyword);
        }
    }
    finish(line);
    return result;
}

}  // namespace

std::vector<TablespaceDef> ParseSchema(std::string_view text) { return ParseSchemaText(text, false); }

TablespaceDef ParseStoredSchema(std::string_view text) {
    std::vector<TablespaceDef> tablespaces = ParseSchemaText(text, true);
    if (tablespaces.size() != 1) {
        throw StoreError{kBadSchema, "a stored schema holds " + std::to_string(tablespaces.size()) + " tablespaces"};
    }
    return std::move(tablespaces.front());
}

std::string FormatSchema(const TablespaceDef& tablespace) {
    std::ostringstream out;
    out << "tablespace " << tablespace.name << ' ' << tablespace.number << ' ' << tablespace.version[0] << '.'
        << tablespace.version[1] << '.' << tablespace.version[2] << '.' << tablespace.version[3] << '\n';
    for (const TableDef& table : tablespace.tables) {
        out << "table " << table.name << '\n';
        for (const FieldDef& field : table.fields) {
            if (field.type == 'k') {
                out << "  key " << field.name << ' ' << field.keyKind;
                for (const std::string& component : field.components) {
                    out << ' ' << component;
                }
            } else {
                out << "  field " << field.name << ' ' << field.type << ' ' << field.length << ' ' << field.keyKind;
            }
            if (field.flags & kUnsignedFlag) {
                out << " unsigned";
            }
            if (field.exact) {
                out << " exact";
            }
            if (field.sqlType != 0) {
                out << " sqltype=" << field.sqlType;
            }
            if (field.sqlLength != 0) {
                out << " sqllength=" << field.sqlLength;
            }
            if (field.precision != 0) {
                out << " precision=" << field.precision;
            }
            out << '\n';
        }
    }
    return out.str();
}

std::string BuildDescriptionBlob(const TablespaceDef& tablespace) {
    size_t fieldCount = 0;
    size_t keyCount = 0;
    for (const TableDef& table : tablespace.tables) {
        fieldCount += table.fields.size();
        for (const FieldDef& field : table.fields) {
            keyCount += field.components.size();
        }
    }
    const size_t tableCount = tablespace.tables.size();
    const size_t fileBase = kHeaderSize;
    const size_t recordBase = fileBase + tableCount * kFileEntrySize;
    const size_t fieldBase = recordBase + tableCount * kRecordEntrySize;
    const size_t keyBase = fieldBase + fieldCount * kFieldEntrySize;
    std::string blob(keyBase + keyCount * kKeyEntrySize, '\0');

    std::memcpy(blob.data(), "LURDB\x01\0\0", 8);
    PutInt16(blob, 8, static_cast<int32_t>(tableCount));  // one file per table
    PutInt16(blob, 10, static_cast<int32_t>(tableCount));
    PutInt16(blob, 12, static_cast<int32_t>(fieldCount));
    PutInt16(blob, 20, static_cast<int32_t>(keyCount));  // no sets, members or sorts

    std::string names;
    size_t fieldIndex = 0;
    size_t keyIndex = 0;
    for (size_t r = 0; r < tableCount; ++r) {
        const TableDef& table = tablespace.tables[r];
        const size_t file = fileBase + r * kFileEntrySize;
        std::memcpy(blob.data() + file, table.name.data(), std::min(table.name.size(), kFileNameSize - 1));
        blob[file + kFileTypeOffset] = 'd';
        PutInt32(blob, file + file_entry::kRecordType, kFirstRecordType + static_cast<int32_t>(r));
        PutInt32(blob, file + file_entry::kTablespace, tablespace.number);

        const size_t record = recordBase + r * kRecordEntrySize;
        PutInt16(blob, record + 0, static_cast<int32_t>(r));
        PutInt16(blob, record + 2, table.recordLength);
        PutInt16(blob, record + 4, kDataOffset);
        PutInt16(blob, record + 6, static_cast<int32_t>(fieldIndex));
        PutInt16(blob, record + 8, static_cast<int32_t>(table.fields.size()));
        names += table.name + '\n';

        const size_t tableFirstField = fieldIndex;
        for (const FieldDef& field : table.fields) {
            const size_t entry = fieldBase + fieldIndex * kFieldEntrySize;
            blob[entry + 0] = field.keyKind;
            blob[entry + 1] = field.type;
            PutInt16(blob, entry + 2, field.length);
            PutInt16(blob, entry + 14, field.position);
            PutInt16(blob, entry + 16, static_cast<int32_t>(r));
            PutInt16(blob, entry + 18, field.flags);
            for (const std::string& component : field.components) {
                const size_t key = keyBase + keyIndex * kKeyEntrySize;
                PutInt16(blob, key + 0, static_cast<int32_t>(fieldIndex));
                PutInt16(blob, key + 2, static_cast<int32_t>(tableFirstField) + table.FieldIndex(component));
                ++keyIndex;
            }
            ++fieldIndex;
        }
    }
    for (const TableDef& table : tablespace.tables) {
        for (const FieldDef& field : table.fields) {
            names += field.name + '\n';
        }
    }
    return blob + names;
}

std::string SqlTableName(const TablespaceDef& tablespace, const TableDef& table) {
    return AsciiUpper(tablespace.name) + "." + AsciiUpper(table.name);
}

namespace {

// The quoted columns of a key field (a compound key: its components), comma-separated.
std::string KeyColumnList(const TableDef& table, const FieldDef& key) {
    std::string columns;
    for (const std::string& column : key.type == 'k' ? key.components : std::vector<std::string>{key.name}) {
        columns +=
            (columns.empty() ? "" : ", ") + QuoteName(table.fields[static_cast<size_t>(table.FieldIndex(column))].name);
    }
    return columns;
}

const FieldDef* FirstUniqueKey(const TableDef& table) {
    for (const FieldDef& field : table.fields) {
        if (field.IsUnique()) {
            return &field;
        }
    }
    return nullptr;
}

}  // namespace

std::vector<std::string> CreateTableStatements(const TablespaceDef& tablespace, const TableDef& table) {
    const std::string sqlName = SqlTableName(tablespace, table);
    std::string create = "CREATE TABLE " + QuoteName(sqlName) + " (";
    bool first = true;
    for (const FieldDef& field : table.fields) {
        if (!field.HasValue()) {
            continue;
        }
        create += (first ? "" : ", ") + QuoteName(field.name);
        first = false;
        switch (field.type) {
            case 'f':
            case 'F': create += " REAL"; break;
            case 'c': create += field.IsRaw() ? " BLOB" : field.exact ? " TEXT" : " TEXT COLLATE NOCASE"; break;
            default: create += " INTEGER"; break;
        }
    }
    std::vector<std::string> statements;
    // A table with a unique key is stored in the order of its first one, so
    // that changes made in that key's order touch few pages. Its rows keep
    // their insertion order in a column named rowid (InsertStatement numbers
    // them as SQLite numbers its own rowids), so every statement reads the
    // same on both layouts.
    const FieldDef* cluster = FirstUniqueKey(table);
    if (cluster != nullptr) {
        statements.push_back(create + ", rowid INTEGER NOT NULL, PRIMARY KEY (" + KeyColumnList(table, *cluster) +
                             ", rowid)) WITHOUT ROWID");
        statements.push_back("CREATE UNIQUE INDEX " + QuoteName(sqlName + ".#ROWID") + " ON " + QuoteName(sqlName) +
                             " (rowid)");
    } else {
        statements.push_back(create + ")");
    }
    for (const FieldDef& field : table.fields) {
        if (!field.IsKey()) {
            continue;
        }
        // A clustered row's index entry ends with the primary key, so a
        // non-unique key alone would order its ties by the unique key; with
        // the insertion order after the key columns, a search along the key
        // steps its ties in the order it answers them, without a sort. (A
        // rowid table's index ends with the rowid anyway. Stores made with
        // the key columns alone answer the same, sorting.)
        const bool tiesByInsertion = cluster != nullptr && !field.IsUnique();
        statements.push_back(std::string("CREATE ") + (field.IsUnique() ? "UNIQUE " : "") + "INDEX " +
                             QuoteName(sqlName + "." + AsciiUpper(field.name)) + " ON " + QuoteName(sqlName) + " (" +
                             KeyColumnList(table, field) + (tiesByInsertion ? ", rowid)" : ")"));
    }
    return statements;
}

std::string NextRowidQuery(const std::string& quotedName) {
    return "SELECT ifnull(max(rowid), 0) + 1 FROM " + quotedName;
}

std::string InsertStatement(const TablespaceDef& tablespace, const TableDef& table, bool boundRowid) {
    const std::string name = QuoteName(SqlTableName(tablespace, table));
    std::string columns = "rowid";
    std::string marks = boundRowid ? "?" : "(" + NextRowidQuery(name) + ")";
    for (const FieldDef& field : table.fields) {
        if (field.HasValue()) {
            columns += ", " + QuoteName(field.name);
            marks += ", ?";
        }
    }
    return "INSERT INTO " + name + " (" + columns + ") VALUES (" + marks + ")";
}

const TablespaceDef& SysdbSchema() {
    // The catalogue: the tables and fields that the database layers read and
    // write. SQL types: 1 text, 2 floating, 8 integer.
    static const TablespaceDef sysdb = ParseSchema(R"(
tablespace SYSDB 19 1.0.0.0
table tablespace
  field dbid l 4 u sqltype=8
  field name c 32 u sqltype=1
  field vermajor l 4 n sqltype=8
  field verminor l 4 n sqltype=8
  field versub l 4 n sqltype=8
  field verbuild l 4 n sqltype=8
table dbuser
  field userid l 4 u sqltype=8
  field type c 1 n
  field name c 32 u exact sqltype=1
  field psw c 32 n exact sqltype=1
  field enabled c 1 n
table tables
  field tableid l 4 u sqltype=8
  field tspname c 32 d sqltype=1
  field tabname c 32 n sqltype=1
  field rectype l 4 n sqltype=8
table fields
  field tableid l 4 d sqltype=8
  field tspname c 32 d sqltype=1
  field tabname c 32 n sqltype=1
  field fldname c 32 n sqltype=1
  field fldtype c 1 n
  field sqltype l 4 n sqltype=8
  field length s 2 n sqltype=8
  field precision s 2 n sqltype=8
table fileblobs
  field fb_id l 4 u sqltype=8
  field fb_alias c 32 u sqltype=1
  field fb_filename c 260 n sqltype=1
table sequencies
  field seq_name c 32 u sqltype=1
  field seq_step l 4 n sqltype=8
  field seq_id l 4 n sqltype=8
  field seq_max l 4 n sqltype=8
  field seq_min l 4 n sqltype=8
  field seq_recycle s 2 n sqltype=8
  field seq_chace l 4 n sqltype=8
table userlink
  field userid l 4 d sqltype=8
  field roleid l 4 d sqltype=8
  field grantoption s 2 n sqltype=8
  key userlinkkey u userid roleid
table sysprivilegdict
  field spid l 4 u sqltype=8
  field spname c 64 n sqltype=1
  key spkey u spname
table sysprivilegs
  field dbuserid l 4 d sqltype=8
  field spid l 4 d sqltype=8
  field sp_object c 64 n sqltype=1
  field grantoption s 2 n sqltype=8
  key uid_sp_obj u dbuserid spid sp_object
)")
                                           .front();
    return sysdb;
}

}  // namespace lurdbcli
