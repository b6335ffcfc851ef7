// DbDesc: one open tablespace of a connection, with the working state its
// user keeps for every table: one record buffer, a main and a private record
// list, the current key, the sort field and the table's option codes.
//
// The parsed description (DbStruct) is shared by every copy of a tablespace
// and never owned; a copy owns its own buffers, lists and table states.
//
// Numbering: the table at index r of the description has the record type
// 10000 + r; its field at index f has the field number r * 1000 + f.
//
// Field values travel as text: GetFieldText/SetFieldText convert between a
// field's bytes in the record buffer and its text by the field's type letter
// ('c' characters, 's' 16-bit, 'i' 'l' 'd' 32-bit, 'f' float, 'F' double;
// 'g' groups and 'k' compound keys have no value of their own).
//
// The implementation is split by topic: DbDesc.cpp (object, buffers, text),
// DbDescPrivateLists.cpp (list selection and building), DbDescLists.cpp
// (list primitives).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "DbStruct.h"
#include "LurBuf.h"
#include "StrVector.h"

// The option codes of one table. Codes with an effect: 0 (changes first make
// the unique key current), 5 (a failed find also clears the record buffer),
// 6 (blob writes of fields are deferred to the next record change).
using TableOptions = LuSet<int32_t>;

// Per-table state, kept by upper-case table name.
struct TableState {
    int32_t currentKey = -1;  // field number of the current key; -1 none
    std::string sortField;    // the list's last sort field; "" once the list is emptied
    TableOptions options;
};

// The records of one list, packed one after another in the table's record
// layout. The byte length is the size of data.
struct RecordList {
    std::vector<char> data;
    int32_t recordSize = 0;
    int32_t position = -1;  // current record; -1 none

    int32_t ByteLength() const { return static_cast<int32_t>(data.size()); }
    int32_t Count() const { return recordSize > 0 ? ByteLength() / recordSize : 0; }
    char* RecordAt(int32_t index) { return data.data() + static_cast<size_t>(index) * recordSize; }
    const char* RecordAt(int32_t index) const {
        return data.data() + static_cast<size_t>(index) * recordSize;
    }
    // Empties the list: no records, no position.
    void Clear() {
        data.clear();
        position = -1;
    }
};

// One deferred blob change of a field (option 6).
struct PendingBlobChange {
    static constexpr uint8_t kDelete = 1;
    static constexpr uint8_t kWrite = 2;
    static constexpr uint8_t kReplace = 4;

    uint8_t kind = 0;
    std::string table;  // upper case
    std::string field;
    LurBuf data;  // empty for a delete
};

class DbDesc {
public:
    static constexpr int32_t kNoHandle = 10014;
    static constexpr int32_t kRecTypeBase = DbStruct::kRecTypeBase;
    static constexpr int32_t kFieldsPerTable = DbStruct::kFieldsPerTable;

    DbDesc();
    // A copy shares the structure and takes the version, handle and table
    // states; it duplicates the record buffers and both list vectors. It
    // starts with no private-list selection and no pending blob changes.
    DbDesc(const DbDesc& other);
    // As the copy, except that the target keeps its own private-list
    // selection and pending blob changes.
    DbDesc& operator=(const DbDesc& other);
    virtual ~DbDesc();

    // ---- loading ------------------------------------------------------------

    // Points the description at a structure of the description cache, which
    // all copies of the tablespace share; null points it back at the empty
    // structure. The structure must outlive every DbDesc that points at it.
    void SetStruct(DbStruct* structure) { m_struct = structure; }
    const DbStruct& GetStruct() const;

    // Parses the blob into the structure, rebuilds buffers and lists (table
    // states that exist keep their state), and records the tablespace's
    // number and name (upper case). With a catalogue the structure adds its
    // SQL information. A description still on the empty structure refuses
    // with 10011: the empty structure is shared by every new object.
    int32_t LoadBlob(const char* blob, int32_t length, const std::string& name, int32_t dbNo,
                     DbDesc* catalogue);

    void SetHandle(int32_t handle) { m_handle = handle; }
    int32_t GetHandle() const { return m_handle; }

    // Sets the four version numbers, in this order.
    void SetVersion(int32_t major, int32_t minor, int32_t sub, int32_t build);
    DbDesc& GetDesc() { return *this; }
    // Whether the client library offers FindListOr.
    static bool HasFindListOr();

    // ---- structure accessors (forwarded to DbStruct) -----------------------

    int32_t GetDbNo() const;
    const char* GetDbName() const;
    int32_t GetRecType(const std::string& table) const;
    std::string GetTableName(int32_t recType) const;
    int32_t GetFieldNo(const std::string& table, const std::string& field) const;
    std::string GetFieldName(int32_t fieldNo, std::string* tableOut = nullptr) const;
    bool HasTable(const std::string& table) const;
    bool HasField(const std::string& table, const std::string& field) const;
    RecordDesc GetRecDesc(int32_t recType) const;
    RecordDesc GetRecDescAt(int32_t index) const;
    RecordDesc GetRecDescByName(const std::string& table) const;
    FieldDesc GetFieldDesc(int32_t fieldNo) const;
    FieldDesc GetFieldDescByName(const std::string& table, const std::string& field) const;
    FieldDesc GetFieldDescAt(int32_t index) const;
    void GetFieldDescs(int32_t recType, std::vector<FieldDesc>& out, bool withGroups) const;
    void GetFieldDescsByName(const std::string& table, std::vector<FieldDesc>& out,
                             bool withGroups) const;
    void GetFieldNames(int32_t recType, std::vector<std::string>& out, bool withGroups) const;
    void GetFieldNamesByName(const std::string& table, std::vector<std::string>& out,
                             bool withGroups) const;
    DbStruct::Header GetHeader() const;
    FileDesc GetFileDesc(int32_t index) const;
    void GetFileDescs(std::vector<FileDesc>& out) const;
    void GetTableNames(std::vector<std::string>& out) const;
    void GetRecordDescs(std::vector<RecordDesc>& out) const;
    void GetAllFieldDescs(std::vector<FieldDesc>& out) const;
    void GetAllFieldNames(std::vector<std::string>& out) const;
    void GetKeyComponents(int32_t fieldNo, std::vector<KeyDesc>& out) const;
    void GetKeyComponentDescs(int32_t fieldNo, std::vector<FieldDesc>& out) const;
    void GetKeyComponentNames(int32_t fieldNo, std::vector<std::string>& out) const;
    FieldSqlInfo GetFieldSqlInfo(int32_t fieldNo) const;
    FieldSqlInfo GetFieldSqlInfoByName(const std::string& table, const std::string& field) const;
    // The catalogue's blob-file id of the alias; -1, or 2003 when strict.
    int32_t GetFileBlobId(const std::string& alias, bool strict) const;

    // ---- record buffers -----------------------------------------------------

    // Each is false for a table the description does not have.
    bool SetRecord(const void* bytes, const std::string& table);
    bool CopyRecord(std::vector<char>& out, const std::string& table) const;
    bool ClearRecord(const std::string& table);
    // record length less data offset; an unknown table raises the structure's error.
    int32_t GetRecordSize(const std::string& table) const;
    // With asText, a 'c' text field (2 or more bytes, not raw) counts without
    // its terminating zero. An unknown field raises 2003.
    int32_t GetFieldLength(const std::string& table, const std::string& field, bool asText) const;

    // ---- field values as text -----------------------------------------------

    // A field number outside the description, or past the end of its own
    // table, raises 2003.
    std::string GetFieldText(int32_t fieldNo) const;
    std::string GetFieldText(const std::string& table, const std::string& field) const;
    // False when the letter has no text form ('g', 'k'); conversion failures
    // raise (2004 bad one-byte text, 2040 text too long) and store nothing.
    bool SetFieldText(int32_t fieldNo, const std::string& text);
    void SetFieldText(const std::string& table, const std::string& field, const std::string& text);
    void GetFieldTexts(const std::string& table, const std::vector<std::string>& fields,
                       std::vector<std::string>& texts) const;

    // Raw bytes of a field between a record image in its table's layout and
    // a caller's buffer of the field's length; 'g' and 'k' raise 2003.
    void GetFieldBytes(const void* record, void* destination, int32_t fieldNo) const;
    void SetFieldBytes(void* record, const void* source, int32_t fieldNo) const;
    void GetFieldBytes(const void* record, void* destination, const std::string& table,
                       const std::string& field) const;
    void SetFieldBytes(void* record, const void* source, const std::string& table,
                       const std::string& field) const;

    // The conversions of one field at `value` (the field's place in a record
    // image) by its type letter; false for a letter without a text form.
    bool ValueToText(const char* value, std::string& text, int32_t fieldNo) const;
    bool TextToValue(char* value, const std::string& text, int32_t fieldNo) const;

    // "0x" and two upper-case hex digits.
    static std::string ByteToText(uint8_t byte);
    // "" gives 0, one character itself, "4A" and "0x4A" the byte 0x4A; any
    // other text raises 2004 with the text.
    static char CharFromText(const std::string& text);
    // Decimal text to a 32-bit value the way the record buffer stores it:
    // leading blanks, a sign and digits; no digits give 0. Texts of unsigned
    // values above 2147483647 keep their bits, so unsigned text survives the
    // round trip; values beyond 32 bits saturate.
    static int32_t DecimalToLong(const std::string& text);
    // A double as a float; beyond the float range it becomes infinite, as
    // the hardware's conversion makes it.
    static float DoubleToFloat(double value);

    // ---- table options ------------------------------------------------------

    // Each raises LuMapExcept (8) for a table without state.
    void AddTableOption(const std::string& table, int32_t code);
    void RemoveTableOption(const std::string& table, int32_t code);
    void AddTableOptions(const std::string& table, const TableOptions& codes);
    void RemoveTableOptions(const std::string& table, const TableOptions& codes);
    void SetTableOptions(const std::string& table, const TableOptions& codes);
    TableOptions GetTableOptions(const std::string& table) const;
    void AddOptionToAll(int32_t code);
    void RemoveOptionFromAll(int32_t code);
    void AddOptionsToAll(const TableOptions& codes);
    void RemoveOptionsFromAll(const TableOptions& codes);
    void SetOptionsForAll(const TableOptions& codes);
    static TableOptions DefaultTableOptions();

    // ---- list selection and building (private lists) ------------------------

    // false, nothing changed, for a record type outside the description.
    bool SelectList(int32_t recType, bool usePrivate);
    bool UsesPrivateList(int32_t index) const;
    // The selected list of a record index.
    RecordList& GetListAt(int32_t index);
    const RecordList& GetListAt(int32_t index) const;
    void BeginPrivateList(const std::string& table);
    void SetPrivateList(const std::string& table, bool usePrivate);
    void AddCurrentToList(const std::string& table);
    bool AddToListWithValue(const std::string& table, const std::string& field,
                            const std::vector<std::string>& values);
    bool AddToListWithValues(const std::string& table,
                             const std::map<std::string, std::vector<std::string>>& columns);
    bool UpdateListEntry(const std::string& table, bool strict);
    bool RemoveCurrentFromList(const std::string& table);

    // Lookups that report at the caller's location.
    int32_t RecTypeOrThrow(const std::string& table, const ErrorLocation& where) const;
    int32_t FieldNoOrThrow(const std::string& table, const std::string& field,
                           const ErrorLocation& where) const;
    // The field's byte position in its table's record buffer.
    int32_t FieldOffset(const std::string& table, const std::string& field) const;

    // ---- list primitives (on the selected list) -----------------------------

    void ClearListAt(int32_t index);
    void SetListAt(int32_t index, const void* block, int32_t byteLength);
    void AddToListAt(int32_t index, const void* block, int32_t byteLength);
    void SetList(const std::string& table, const void* block, int32_t byteLength);
    void AddToList(const std::string& table, const void* block, int32_t byteLength);
    bool ClearList(const std::string& table);
    int32_t GetListPos(const std::string& table) const;
    int32_t GetListCount(const std::string& table) const;
    bool RemoveFromList(const std::string& table, int32_t index);

    // ---- navigation and finds -----------------------------------------------

    // ---- record lists and aggregates ----------------------------------------

    // ---- list search, sorting and removal -----------------------------------

    // ---- record changes, keys, transactions, locks and counters -------------

    // ---- server objects and blob streams ------------------------------------

private:
    // The index of a record type, or -1 outside the description.
    int32_t RecordIndex(int32_t recType) const;
    // The record buffer of a table; the table must exist.
    std::vector<char>& RecordBufferAt(int32_t index) { return m_records[static_cast<size_t>(index)]; }
    const std::vector<char>& RecordBufferAt(int32_t index) const {
        return m_records[static_cast<size_t>(index)];
    }
    TableState& StateOf(const std::string& table);
    const TableState& StateOf(const std::string& table) const;

    // Where a field number's bytes lie in its table's record buffer. A
    // number outside the description or past the end of its own table raises
    // 2003; false when this object's buffer of the table cannot hold it.
    struct FieldPlace {
        FieldDesc desc{};
        int32_t recordIndex = -1;
        int32_t offset = 0;
    };
    bool FindPlace(int32_t fieldNo, FieldPlace& place) const;
    // The field of a number that lies inside its own table, else 2003.
    FieldDesc OwnFieldDesc(int32_t fieldNo) const;
    // The same checks for raw access to a caller's record image.
    void CheckRawField(int32_t fieldNo, FieldDesc& desc, int32_t& offset) const;
    static bool ValueToText(const char* value, std::string& text, const FieldDesc& desc);
    bool TextToValue(char* value, const std::string& text, const FieldDesc& desc, int32_t fieldNo) const;
    [[noreturn]] void ThrowFieldNo(int32_t fieldNo, int line) const;
    DbStruct* WritableStruct(int line);

    void FreeBuffers();
    void BuildBuffers(const char* blob, int32_t length);

    int32_t m_version[4] = {-1, -1, -1, -1};  // major, minor, sub, build
    std::vector<std::vector<char>> m_records;  // one record buffer per record type
    std::vector<RecordList> m_lists;
    std::vector<RecordList> m_privateLists;
    LuSet<int32_t> m_recTypeSet;  // record indexes whose list operations use the private list
    LuMap<std::string, TableState> m_tableStates;
    int32_t m_handle = kNoHandle;
    std::vector<PendingBlobChange> m_pendingBlobChanges;
    DbStruct* m_struct = nullptr;  // not owned; null: the empty structure
};
