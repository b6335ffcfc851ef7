// DbStruct: the parsed description of one tablespace, as the server hands it
// out in a description blob: its tables (records), their fields, compound
// keys and a few arrays carried unchanged, the names of all tables and
// fields in upper case, per-field SQL information and the blob-file
// registry from the catalogue. Every table and field lookup of the database
// layers is answered from it.
//
// Numbering: the table at record index r has the record type 10000 + r; the
// field at index f within its table has the field number r * 1000 + f.
//
// The blob, little-endian: a 22-byte header (8 bytes carried unchanged, then
// the 16-bit counts of files, records, fields, sets, members, sorts and
// keys), the seven arrays in that order (60, 12, 20, 12, 8, 4 and 8 bytes
// per entry), then the table names and the field names, each ended by a
// newline.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "LurExceptBase.h"

class DbDesc;

// One table of the description, 12 bytes.
struct RecordDesc {
    int16_t reserved0;
    int16_t recordLength;  // bytes of the record image as the server lays it out
    int16_t dataOffset;    // leading bytes of the image that the client does not exchange
    int16_t firstField;    // field-array index of the table's first field
    int16_t reserved8;
    int16_t reserved10;
};
static_assert(sizeof(RecordDesc) == 12);

// One field, 20 bytes.
struct FieldDesc {
    char keyKind;  // 'u' unique key, 'n' not a key, any other letter a key that is not unique
    char type;     // c s i l d f F, 'g' group, 'k' compound key
    int16_t length;
    int16_t reserved[5];
    int16_t position;                        // offset in the record image; for 'k' the index of its first key entry
    int16_t record;                          // owning table's record index
    int16_t flags;                           // kUnsigned
    static constexpr int16_t kUnsigned = 4;  // for 'c': raw bytes without a terminating zero
};
static_assert(sizeof(FieldDesc) == 20);

// One component of a compound key, 8 bytes.
struct KeyDesc {
    int16_t keyField;   // field-array index of the compound key field
    int16_t component;  // field-array index of the component field
    int16_t reserved4;
    int16_t reserved6;
};
static_assert(sizeof(KeyDesc) == 8);

// Entries carried as received.
struct FileDesc {
    unsigned char bytes[60];
};
struct SetDesc {
    unsigned char bytes[12];
};
struct MemberDesc {
    unsigned char bytes[8];
};
struct SortDesc {
    unsigned char bytes[4];
};

// The SQL description of a field, from the catalogue.
struct FieldSqlInfo {
    int sqlType = 0;  // low 8 bits of "sqltype"
    int16_t length = 0;
    int16_t precision = 0;
    bool typeFlag = false;  // bit 8 of "sqltype"
};

class DbStruct {
public:
    static constexpr int kHeaderSize = 22;
    static constexpr int kRecTypeBase = 10000;
    static constexpr int kFieldsPerTable = 1000;
    using Header = std::array<unsigned char, kHeaderSize>;

    DbStruct() = default;

    // Empties every array, the names, the SQL information and the blob
    // files; name "" and number -1. The header keeps its bytes.
    void Clear();

    // Rebuilds the structure from a description blob. The blob is checked
    // whole first (lengths, counts, positions and indexes); a bad blob raises
    // DbDescError 10011 and leaves the structure as it was.
    void ParseBlob(const char* blob, int length);

    // The memory image: the description in the blob's own layout, the
    // header's 8 leading bytes as last parsed, the counts from the arrays as
    // they are now, the arrays, then every table name and field name each
    // ended by a newline. A blob whose names were upper case, each ended by a
    // newline with nothing after the last, comes back byte for byte.
    std::string GetImage() const;
    // The image as a new block for the caller to release with delete[];
    // both pointers must be given. Returns 0.
    int ToBlob(char** image, int* length) const;
    // ParseBlob, then the number and the name (upper-cased when not empty);
    // returns 0. A bad image raises as ParseBlob does.
    int LoadImage(const char* image, int length, std::string name, int dbNo);

    // Description files (".dbd"): the memory image on disk, nothing else.
    // SaveDbd writes prefix + name + ".dbd" (the prefix ends in its own
    // separator) through a temporary file beside it that replaces the target
    // in one rename once it is whole, so readers always find a whole file;
    // 0, or 10006 with any old file left as it was (also a read-only one)
    // and the last error that of the step that failed (win::GetLastErrno
    // its errno, when the system gave one).
    int SaveDbd(const char* prefix) const;
    // Parses a description file; the name is kept exactly as passed. 10011
    // when the file cannot be opened or read whole, 10016 without memory for
    // it; a bad description raises as ParseBlob does.
    int LoadDbd(const char* path, const char* name, int dbNo);
    // The whole of a description file as a new block (the read of LoadDbd);
    // 0, 10011 or 10016.
    static int ReadDbdFile(const char* path, std::unique_ptr<char[]>& block, int& length);

    // Set by the tablespace's description after a parse.
    void SetDbNo(int dbNo) { m_dbNo = dbNo; }
    void SetDbName(const std::string& name) { m_name = name; }
    // Registers a blob file of the catalogue (alias upper-cased).
    void SetBlobFile(const std::string& alias, int32_t id);
    // Adds the fields' SQL information and the blob files from the
    // catalogue "SYSDB" (DbStructCatalogue.cpp); nothing without a
    // catalogue. A catalogue table or field that is missing raises the
    // table layer's 2002 / 2003.
    void ReadSysTables(int dbNo, DbDesc* catalogue);

    // Plain accessors; the arrays are copies.
    Header GetHeader() const { return m_header; }
    int GetDbNo() const { return m_dbNo; }
    const char* GetDbName() const { return m_name.c_str(); }
    std::vector<FileDesc> GetFileDescs() const { return m_files; }
    std::vector<std::string> GetTableNames() const { return m_tableNames; }
    std::vector<RecordDesc> GetRecordDescs() const { return m_records; }
    std::vector<FieldDesc> GetAllFieldDescs() const { return m_fields; }
    std::vector<std::string> GetAllFieldNames() const { return m_fieldNames; }

    // Lookups by index or number raise DbDescError 2001, 2002 or 2003; the
    // index forms take the index as a 16-bit value.
    FileDesc GetFileDesc(int index) const;
    // The lookups by number that every field access makes are inline.
    RecordDesc GetRecDescAt(int index) const {
        const int i = Index16(index, m_records.size());
        if (i < 0) ThrowRecordIndex(index);
        return m_records[static_cast<size_t>(i)];
    }
    RecordDesc GetRecDesc(int recType) const { return GetRecDescAt(recType - kRecTypeBase); }
    // Raises LurExceptBaseArg 2002 [table] (no location) for an unknown table.
    RecordDesc GetRecDescByName(const std::string& table) const;

    // Lookups by name: -1 or "" when not found.
    int GetRecType(const std::string& table) const;
    // Whether the record type is that of the table named as stored (upper
    // case): a check for callers that keep a table's type beside its name.
    bool IsRecTypeOf(int recType, const std::string& table) const {
        const long long r = static_cast<long long>(recType) - kRecTypeBase;
        return r >= 0 && r < static_cast<long long>(m_tableNames.size()) &&
               m_tableNames[static_cast<size_t>(r)] == table;
    }
    std::string GetTableName(int recType) const;
    int GetFieldNo(const std::string& table, const std::string& field) const;
    // The same within a table known by its record type.
    int GetFieldNoIn(int recType, const std::string& field) const;
    std::string GetFieldName(int fieldNo, std::string* tableOut = nullptr) const;

    // A field number past its table's last field reaches the next table's
    // fields: only the record index and the global index are checked.
    FieldDesc GetFieldDesc(int fieldNo) const {
        const int g = GlobalFieldIndex(fieldNo, m_fields.size());
        if (g < 0) ThrowFieldDesc(fieldNo);
        return m_fields[static_cast<size_t>(g)];
    }
    FieldDesc GetFieldDescAt(int index) const;
    // The field of a number that lies inside its own table, with that
    // table's data offset; null for any other number. The quick form of
    // the checks of every access to a field's bytes.
    const FieldDesc* OwnField(int fieldNo, int32_t& dataOffset) const {
        if (fieldNo < 0) return nullptr;
        const int g = GlobalFieldIndex(fieldNo, m_fields.size());
        if (g < 0) return nullptr;
        const FieldDesc& field = m_fields[static_cast<size_t>(g)];
        const int r = fieldNo / kFieldsPerTable;
        if (field.record != r) return nullptr;
        dataOffset = m_records[static_cast<size_t>(r)].dataOffset;
        return &field;
    }
    FieldDesc GetFieldDescByName(const std::string& table, const std::string& field) const;

    // A table's fields in order; without all, 'g' and 'k' fields are left
    // out. out is replaced; empty for an unknown table.
    void GetFieldDescs(int recType, std::vector<FieldDesc>& out, bool all) const;
    void GetFieldNames(int recType, std::vector<std::string>& out, bool all) const;
    void GetFieldDescsByName(const std::string& table, std::vector<FieldDesc>& out, bool all) const;
    void GetFieldNamesByName(const std::string& table, std::vector<std::string>& out, bool all) const;

    // The field number of the table's first unique key field, or -1.
    int GetUniqueKey(int recType) const;
    int GetUniqueKeyByName(const std::string& table) const;
    FieldDesc GetUniqueKeyDesc(const std::string& table) const;
    bool IsUniqueKey(const std::string& table, const std::string& field) const;
    bool IsCompoundKey(const std::string& table, const std::string& field) const;
    bool IsCompoundKey(int fieldNo) const;

    // Compound keys. The out lists are replaced, except that
    // GetKeyComponentNames and GetKeyFieldNames append (and a failure of
    // GetKeyComponentNames empties the list).
    void GetKeyComponents(int fieldNo, std::vector<KeyDesc>& out) const;
    void GetKeyComponentDescs(int fieldNo, std::vector<FieldDesc>& out) const;
    void GetKeyComponentNames(int fieldNo, std::vector<std::string>& out) const;
    void GetKeyFields(const std::string& table, const std::string& key, std::vector<std::string>& out) const;
    bool KeyHasField(int fieldNo, const std::string& field) const;
    bool KeyHasField(const std::string& table, const std::string& key, const std::string& field) const;
    void GetKeyFieldNames(const std::string& table, const std::string& field, std::vector<std::string>& out) const;
    // The name of the table's compound key whose components are exactly
    // names (in any order, each as often as it occurs in the key), or "".
    std::string FindKeyByFields(const std::string& table, const std::vector<std::string>& names) const;

    // record length - data offset.
    int GetRecordSize(const std::string& table) const;
    // The same by record type; 2002 (at this file's location) when unknown.
    int GetRecordSizeOf(int recType) const;
    // With asText, a 'c' text field (length 2 or more, not raw) counts
    // without its terminating zero.
    int GetFieldLength(const std::string& table, const std::string& field, bool asText) const;

    // Lookups that report a failure at the caller's location.
    int GetRecTypeOrThrow(const std::string& table, const ErrorLocation& where) const;
    int GetFieldNoOrThrow(const std::string& table, const std::string& field, const ErrorLocation& where) const;
    std::pair<int, int> GetFieldAddress(const std::string& table, const std::string& field,
                                        const ErrorLocation& where) const;

    FieldSqlInfo GetFieldSqlInfo(int fieldNo) const;
    FieldSqlInfo GetFieldSqlInfoByName(const std::string& table, const std::string& field) const;

    // The id registered for a blob-file alias; -1, or with strict
    // DbDescError 2003, when none is.
    int GetBlobFileId(const std::string& alias, bool strict) const;

private:
    // The field-array index that a field number addresses, or -1 when its
    // record index or the resulting index lies outside the arrays (size:
    // the array the caller reads); recordOk tells which.
    int GlobalFieldIndex(int fieldNo, size_t size, bool* recordOk = nullptr) const {
        const int r = fieldNo / kFieldsPerTable;
        const bool validRecord = r >= 0 && static_cast<size_t>(r) < m_records.size();
        if (recordOk) *recordOk = validRecord;
        if (!validRecord) return -1;
        const long long g = static_cast<long long>(fieldNo) - static_cast<long long>(r) * kFieldsPerTable +
                            m_records[static_cast<size_t>(r)].firstField;
        return (g < 0 || static_cast<size_t>(g) >= size) ? -1 : static_cast<int>(g);
    }
    // The field-array range [first, end) of a table: the consecutive entries
    // from its first field on that it owns; empty for an unknown table.
    std::pair<int, int> TableFields(int recordIndex) const;
    // An index taken as the 16-bit value the description's arrays are
    // indexed with: -1 when it has bit 15 set or is not below count.
    static int Index16(int index, size_t count) {
        const auto i = static_cast<int16_t>(index);
        return (i < 0 || static_cast<size_t>(i) >= count) ? -1 : i;
    }
    [[noreturn]] void ThrowFieldNo(int fieldNo, int line) const;
    // The failures of the inline lookups, kept out of their callers' code.
    [[noreturn]] void ThrowRecordIndex(int index) const;
    [[noreturn]] void ThrowFieldDesc(int fieldNo) const;

    Header m_header{};
    std::vector<FileDesc> m_files;
    std::vector<RecordDesc> m_records;
    std::vector<FieldDesc> m_fields;
    std::vector<KeyDesc> m_keys;
    std::vector<SetDesc> m_sets;
    std::vector<MemberDesc> m_members;
    std::vector<SortDesc> m_sorts;
    std::vector<std::string> m_tableNames;
    std::vector<std::string> m_fieldNames;
    std::vector<FieldSqlInfo> m_sqlInfo;
    int m_dbNo = -1;
    std::string m_name;
    std::map<std::string, int32_t> m_blobFiles;
};
