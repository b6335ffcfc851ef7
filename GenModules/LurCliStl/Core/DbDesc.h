// DbDesc: one open tablespace of a connection, with the working state its
// user keeps for every table: one record buffer, a main and a private record
// list, the current key, the sort field and the table's option codes.
//
// The parsed description (DbStruct) is shared by every copy of a tablespace,
// which keep it alive together; a copy owns its own buffers, lists and table
// states.
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
// (list primitives, list moves, list searches on the server),
// DbDescAggregates.cpp, DbDescNavigation.cpp (server moves, keys, finds),
// DbDescSearch.cpp (search, removal and sorting inside a list).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "DbStruct.h"
#include "ListBytes.h"
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
    ListBytes data;
    int32_t recordSize = 0;
    int32_t position = -1;  // current record; -1 none

    int32_t ByteLength() const { return static_cast<int32_t>(data.size()); }
    int32_t Count() const { return recordSize > 0 ? ByteLength() / recordSize : 0; }
    char* RecordAt(int32_t index) { return data.data() + static_cast<size_t>(index) * recordSize; }
    const char* RecordAt(int32_t index) const { return data.data() + static_cast<size_t>(index) * recordSize; }
    // Empties the list: no records, no position.
    void Clear() {
        data.Clear();
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
    // all copies of the tablespace share and keep alive; null points it back
    // at the empty structure.
    void SetStruct(std::shared_ptr<DbStruct> structure) { m_struct = std::move(structure); }
    const DbStruct& GetStruct() const { return m_struct ? *m_struct : EmptyStruct(); }

    // Parses the blob into the structure, rebuilds buffers and lists (table
    // states that exist keep their state), and records the tablespace's
    // number and name (upper case). With a catalogue the structure adds its
    // SQL information. A description still on the empty structure refuses
    // with 10011: the empty structure is shared by every new object.
    int32_t LoadBlob(const char* blob, int32_t length, const std::string& name, int32_t dbNo, DbDesc* catalogue);
    // Loads the description from a description file (DbStruct::ReadDbdFile)
    // through LoadBlob without a catalogue: 10011 or 10016 when the file
    // cannot be read, else LoadBlob's result.
    int32_t LoadFile(const char* path, const std::string& name, int32_t dbNo);
    // The structure's memory image as a new block (DbStruct::ToBlob).
    int32_t ToBlob(char** image, int32_t* length) const { return GetStruct().ToBlob(image, length); }
    // Writes the structure as a description file (DbStruct::SaveDbd).
    int32_t SaveDbd(const char* prefix) const { return GetStruct().SaveDbd(prefix); }

    void SetHandle(int32_t handle) { m_handle = handle; }
    int32_t GetHandle() const { return m_handle; }

    // Sets the four version numbers, in this order.
    void SetVersion(int32_t major, int32_t minor, int32_t sub, int32_t build);
    // One of the four version numbers (0 major, 1 minor, 2 sub, 3 build);
    // -1 while the catalogue gave none.
    int32_t GetVersion(int part) const { return part >= 0 && part < 4 ? m_version[part] : -1; }
    DbDesc& GetDesc() { return *this; }
    // Whether the client library offers FindListOr.
    static bool HasFindListOr();

    // ---- structure accessors (forwarded to DbStruct) -----------------------

    // The lookups that every record call makes are inline.
    int32_t GetDbNo() const { return GetStruct().GetDbNo(); }
    const char* GetDbName() const;
    int32_t GetRecType(const std::string& table) const { return GetStruct().GetRecType(table); }
    std::string GetTableName(int32_t recType) const;
    int32_t GetFieldNo(const std::string& table, const std::string& field) const;
    std::string GetFieldName(int32_t fieldNo, std::string* tableOut = nullptr) const;
    bool HasTable(const std::string& table) const;
    bool HasField(const std::string& table, const std::string& field) const;
    RecordDesc GetRecDesc(int32_t recType) const { return GetStruct().GetRecDesc(recType); }
    RecordDesc GetRecDescAt(int32_t index) const { return GetStruct().GetRecDescAt(index); }
    RecordDesc GetRecDescByName(const std::string& table) const;
    FieldDesc GetFieldDesc(int32_t fieldNo) const { return GetStruct().GetFieldDesc(fieldNo); }
    FieldDesc GetFieldDescByName(const std::string& table, const std::string& field) const;
    FieldDesc GetFieldDescAt(int32_t index) const;
    void GetFieldDescs(int32_t recType, std::vector<FieldDesc>& out, bool withGroups) const;
    void GetFieldDescsByName(const std::string& table, std::vector<FieldDesc>& out, bool withGroups) const;
    void GetFieldNames(int32_t recType, std::vector<std::string>& out, bool withGroups) const;
    void GetFieldNamesByName(const std::string& table, std::vector<std::string>& out, bool withGroups) const;
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
    // The same with the record type the caller keeps for the table (as
    // RdmTable does), checked against the name, which decides when they differ.
    bool SetRecord(const void* bytes, const std::string& table, int32_t recType);
    bool CopyRecord(std::vector<char>& out, const std::string& table) const;
    bool ClearRecord(const std::string& table);
    // The table's record buffer, and the records of its selected list (one
    // after the other), in place: for reading many records without a copy
    // each. Empty for a table the description does not have.
    std::string_view RecordView(const std::string& table) const;
    std::string_view ListView(const std::string& table) const;
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
    // The same into text, whose storage is reused; on an error text stays as it was.
    void GetFieldText(int32_t fieldNo, std::string& text) const;
    // False when the letter has no text form ('g', 'k'); conversion failures
    // raise (2004 bad one-byte text, 2040 text too long) and store nothing.
    bool SetFieldText(int32_t fieldNo, const std::string& text);
    void SetFieldText(const std::string& table, const std::string& field, const std::string& text);
    void GetFieldTexts(const std::string& table, const std::vector<std::string>& fields,
                       std::vector<std::string>& texts) const;

    // Integer fields ('d', 'i', 'l', 's') without their text, for the number
    // getters and setters of the table layer. GetFieldInteger gives the
    // number that GetFieldText spells; SetFieldInteger stores what
    // SetFieldText stores for the value's decimal text. Both do nothing and
    // answer false for a field of another letter or one that the record
    // buffer cannot hold: the text forms then give the answer. A number
    // outside its own table raises 2003 as there.
    bool GetFieldInteger(int32_t fieldNo, int64_t& number) const;
    bool SetFieldInteger(int32_t fieldNo, int32_t value);
    // DecimalToLong of the decimal text of a number that GetFieldInteger gave.
    static int32_t IntegerToLong(int64_t number, const FieldDesc& desc);

    // Raw bytes of a field between a record image in its table's layout and
    // a caller's buffer of the field's length; 'g' and 'k' raise 2003.
    void GetFieldBytes(const void* record, void* destination, int32_t fieldNo) const;
    void SetFieldBytes(void* record, const void* source, int32_t fieldNo) const;
    void GetFieldBytes(const void* record, void* destination, const std::string& table, const std::string& field) const;
    void SetFieldBytes(void* record, const void* source, const std::string& table, const std::string& field) const;

    // The conversions of one field at `value` (the field's place in a record
    // image) by its type letter; false for a letter without a text form.
    bool ValueToText(const char* value, std::string& text, int32_t fieldNo) const;
    bool TextToValue(char* value, const std::string& text, int32_t fieldNo) const;

    // "0x" and two upper-case hex digits.
    static std::string ByteToText(uint8_t byte);
    // "" gives 0, one character itself, "4A" and "0x4A" the byte 0x4A; any
    // other text raises 2004 with the text.
    static char CharFromText(const std::string& text);
    // Decimal text to the 32 bits that a number field of the given kind stores:
    // leading blanks, a sign and digits; no digits give 0. Unsigned numbers
    // ('d', 'l' with kUnsigned) read like a 32-bit strtoul, so every value up
    // to 4294967295 survives the round trip; every other letter reads like a
    // 32-bit atol and saturates at the signed limits.
    static int32_t DecimalToLong(const std::string& text, const FieldDesc& desc);
    // A double as the nearest float (lurfieldnumber::NearestFloat): beyond
    // what rounds to the largest float it becomes infinite, as the
    // hardware's conversion makes it.
    static float DoubleToFloat(double value);

    // ---- table options ------------------------------------------------------

    // Each raises LuMapExcept (8) for a table without state.
    void AddTableOption(const std::string& table, int32_t code);
    void RemoveTableOption(const std::string& table, int32_t code);
    void AddTableOptions(const std::string& table, const TableOptions& codes);
    void RemoveTableOptions(const std::string& table, const TableOptions& codes);
    void SetTableOptions(const std::string& table, const TableOptions& codes);
    TableOptions GetTableOptions(const std::string& table) const;
    bool HasTableOption(const std::string& table, int32_t code) const;
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
    bool AddToListWithValue(const std::string& table, const std::string& field, const std::vector<std::string>& values);
    bool AddToListWithValues(const std::string& table, const std::map<std::string, std::vector<std::string>>& columns);
    bool UpdateListEntry(const std::string& table, bool strict);
    bool RemoveCurrentFromList(const std::string& table);

    // Lookups that report at the caller's location; the record type's
    // location is built only for the report, as every record call asks.
    int32_t RecTypeOrThrow(const std::string& table, ThrowSource source, int line) const;
    int32_t FieldNoOrThrow(const std::string& table, const std::string& field, const ErrorLocation& where) const;
    // The field's byte position in its table's record buffer.
    int32_t FieldOffset(const std::string& table, const std::string& field) const;

    // ---- list primitives (on the selected list) -----------------------------

    // Empties the selected list; the table's sort field goes with its order.
    void ClearListAt(int32_t index);
    void SetListAt(int32_t index, const void* block, int32_t byteLength);
    // The same with a block the client handed over, kept as it is.
    void SetListAt(int32_t index, ClientBlock block, int32_t byteLength);
    void AddToListAt(int32_t index, const void* block, int32_t byteLength);
    void SetList(const std::string& table, const void* block, int32_t byteLength);
    void AddToList(const std::string& table, const void* block, int32_t byteLength);
    bool ClearList(const std::string& table);
    int32_t GetListPos(const std::string& table) const;
    int32_t GetListCount(const std::string& table) const;
    bool RemoveFromList(const std::string& table, int32_t index);

    // ---- navigation and finds -----------------------------------------------

    // The move codes of the server moves (0-4) and the list moves (0-3, 5).
    enum RdmMoveCode : int32_t {
        kMoveFirst = 0,
        kMovePrev = 1,
        kMoveNext = 2,
        kMoveLast = 3,
        kMoveReread = 4,  // server moves only
        kMoveReset = 5,   // list moves only: no current record
    };

    // Moves on the server along the table's current key (codes 0-4; others
    // raise 2005). Found: the record is the whole main list (position 0) and
    // fills the record buffer. None: false; first and last then also clear
    // the buffer and empty the main list.
    bool Move(int32_t code, const std::string& table);
    // The same for a table whose record type the caller keeps beside its
    // name (the table layer), which spares the lookup by name; should the
    // two no longer agree, as after a load of another description, the name
    // decides, so the answers and errors are those of the call above.
    bool Move(int32_t code, const std::string& table, int32_t recType);
    bool MoveByKey(int32_t code, const std::string& key, const std::string& table);
    // Makes the field the table's key for later moves and finds; "" for
    // none. 2003 unknown field, 2009 a field that is no key.
    void DefineKey(const std::string& table, const std::string& key);
    // The current key field's name; "" for none; 2002 for a table without state.
    std::string GetCurrentKey(const std::string& table) const;
    // The server's current record into the record buffer; lists untouched.
    bool ReadCurrentRec(const std::string& table, bool strict);
    // Finds by the key value in the record buffer. The replace forms make the
    // found record the main list and the buffer; the Add forms append it and
    // leave the buffer (still holding the search values). Not found: false,
    // the main list emptied, and with option 5 a replace form clears the buffer.
    bool FindRec(const std::string& table);
    bool FindRec(const std::string& table, int32_t recType);  // as Move with a record type
    bool FindRecNext(const std::string& table);
    bool FindRecPrev(const std::string& table);
    bool FindRecAdd(const std::string& table);
    bool FindRecNextAdd(const std::string& table);
    bool FindRecPrevAdd(const std::string& table);
    bool FindRecByKey(const std::string& table, const std::string& key);
    bool FindRecNextByKey(const std::string& table, const std::string& key);
    bool FindRecPrevByKey(const std::string& table, const std::string& key);
    bool FindRecByKeyAdd(const std::string& table, const std::string& key);
    bool FindRecNextByKeyAdd(const std::string& table, const std::string& key);
    bool FindRecPrevByKeyAdd(const std::string& table, const std::string& key);

private:
    enum class FindDirection { kEqual, kNext, kPrev };
    // The record type looked up already; table names it in errors.
    bool MoveImpl(int32_t code, int32_t recType, const std::string& table);
    bool FindRecImpl(int32_t recType, const std::string& table, bool replace, FindDirection direction);
    // A record type kept by the caller when it is still the table's and this
    // object has its buffers, else RecTypeOrThrow of the name.
    int32_t KeptRecTypeOrThrow(int32_t recType, const std::string& table, ThrowSource source, int line) const {
        return GetStruct().IsRecTypeOf(recType, table) && RecordIndex(recType) >= 0
                   ? recType
                   : RecTypeOrThrow(table, source, line);
    }
    // ListMove in the list of a record index already looked up (table names
    // it in an error).
    bool ListMoveAt(int32_t code, int32_t index, const std::string& table);
    // A record read from the server becomes the whole main list, which the
    // caller has selected, at position 0 and fills the record buffer: what
    // SetListAt and a first move in the list do, in one step.
    void TakeRecordAt(int32_t index, const char* record, int32_t size);
    // The sort field of the table at a record index, once its list is
    // emptied; nothing to look up while no table has one.
    void DropSortField(int32_t index) {
        if (m_sortedStates != 0) ForgetSortField(index);
    }
    void ForgetSortField(int32_t index);

public:
    // ---- record lists and aggregates ----------------------------------------

    // Moves in the selected list (codes 0-3 and 5; others on a non-empty list
    // raise 2005). The record buffer is cleared first; a failed move keeps
    // the position. 5 leaves no current record and answers true.
    bool ListMove(int32_t code, const std::string& table);
    // One record on; past the end false, and the position keeps rising.
    bool ListNext(const std::string& table);
    // -1 (no current record, buffer cleared) or an index of the list;
    // anything else false, nothing changed.
    bool SetListPos(const std::string& table, int32_t position);
    bool SetListPos(int32_t position, const std::string& table);
    bool IsListEmpty(const std::string& table) const;

    // List searches on the server; the result lands in the main list. The
    // replace forms then move in it with the code (5: no current record);
    // the Add forms append and do not move. True when records were found.
    // An empty field lists every record (FindList, FindListOr).
    bool FindList(const std::string& table, const std::string& field, int32_t moveCode);
    bool FindListAdd(const std::string& table, const std::string& field);
    // The keys are the records of the selected list (often a private list).
    bool FindListOr(const std::string& table, const std::string& field, int32_t moveCode);
    bool FindListOrAdd(const std::string& table, const std::string& field);
    // >= and <= the field's value in the record buffer. The selected list is
    // emptied before the call, in both forms.
    bool FindGreater(const std::string& table, const std::string& field, int32_t moveCode);
    bool FindGreaterAdd(const std::string& table, const std::string& field);
    bool FindLess(const std::string& table, const std::string& field, int32_t moveCode);
    bool FindLessAdd(const std::string& table, const std::string& field);
    // Every record whose field differs from the record buffer's value;
    // true when any was kept. The buffer ends with the last record read.
    bool FindNotEqual(const std::string& table, const std::string& field, int32_t moveCode);
    bool FindNotEqualAdd(const std::string& table, const std::string& field);
    // Inclusive range; records 0 and 1 of the selected list are the bounds
    // (2039 when it holds fewer than two).
    bool FindBetween(const std::string& table, const std::string& field, int32_t moveCode);
    bool FindBetweenAdd(const std::string& table, const std::string& field);

    enum AggregateKind : int32_t {
        kAggregateCount = 0,
        kAggregateSum = 1,
        kAggregateAverage = 2,
        kAggregateMaximum = 3,
        kAggregateMinimum = 4,
    };
    // An aggregate of the field over the selected list, as text (also
    // returned in out). Kind 0 accepts the field "*". Others raise 2007.
    std::string Aggregate(std::string& out, const std::string& table, const std::string& field, int32_t kind);
    // The text of a sum or average (printf's %g), for every list that aggregates.
    static std::string AggregateNumberText(double value);

private:
    enum class ListSearch { kEqual, kOr, kGreater, kLess, kBetween };
    bool FindListImpl(const std::string& table, const std::string& field, int32_t moveCode, bool replace,
                      ListSearch search);
    bool FindNotEqualImpl(const std::string& table, const std::string& field, int32_t moveCode, bool replace);
    // The status of a list search: true when records came back. Nothing
    // found empties the list and the record buffer when the search replaces
    // them; a failure empties both and raises the status.
    bool CheckListSearch(int32_t status, int32_t index, const std::string& table, const std::string& field,
                         bool replace);
    // Puts a client result into the main list; true. A block the client
    // handed over becomes the list when it replaces it.
    bool TakeListResult(int32_t index, const std::string& table, const char* block, int32_t length, int32_t moveCode,
                        bool replace);
    bool TakeListResult(int32_t index, const std::string& table, ClientBlock block, int32_t length, int32_t moveCode,
                        bool replace);

public:
    // ---- list search, sorting and removal -----------------------------------

    // Searches in the selected list, never on the server; fields compare by
    // their type letter (texts by collation, without regard to case). The
    // record buffer ends on the current record, or with no current record on
    // the last record examined. -1 / false when none matches.
    int32_t FindInList(const std::string& table, const std::string& field, const std::string& value, int32_t start);
    using FieldValues = std::vector<std::pair<std::string, std::string>>;
    int32_t FindInListByValues(const std::string& table, const FieldValues& values, int32_t start);
    bool LocateInList(const std::string& table, const std::string& field, const std::string& value, int32_t start);
    bool LocateInListByValues(const std::string& table, const FieldValues& values, int32_t start);
    // The index of the removed record; -1 when none matched.
    int32_t RemoveValueFromList(const std::string& table, const std::string& field, const std::string& value,
                                int32_t start);
    void RemoveAllValuesFromList(const std::string& table, const std::string& field, const std::string& value,
                                 int32_t start);
    // Stable sort by the field ("" for the last sort field); descending is
    // the exact reverse. The position stays; the buffer takes its record.
    void SortList(const std::string& table, const std::string& field, bool descending);
    std::string GetSortField(const std::string& table) const;

    // ---- record changes, keys, transactions, locks and counters -------------

    // The record buffer of the table goes to the server; after an insert or
    // a modification the record as stored comes back into it. With option 0
    // a modification or deletion selects the record by the unique key (10028
    // without one) and the previous current key is restored on every path.
    // Pending blob changes of the table go with the record change: new blobs
    // are written first, old ones deleted only once the record change
    // succeeded; a refused change removes the new blobs again and keeps the
    // pending changes.
    void NewRec(const std::string& table);
    // false on 10002 unless strict.
    bool ModRec(const std::string& table, bool strict);
    bool DelRec(const std::string& table, bool strict);
    // "" empties every table of the tablespace.
    void TruncateFile(const std::string& table);

    // Keys: the unique key is the table's first 'u' field (-1 when none).
    int32_t GetUniqueKey(int32_t recType) const;
    int32_t GetUniqueKeyByName(const std::string& table) const;
    std::string GetUniqueKeyName(const std::string& table) const;
    FieldDesc GetUniqueKeyDesc(const std::string& table) const;
    // Makes the unique key the current key; false when the table has none.
    bool UseUniqueKey(const std::string& table);
    bool IsUniqueKey(const std::string& table, const std::string& field) const;
    bool IsInUniqueKey(const std::string& table, const std::string& field) const;
    bool IsCompoundKey(const std::string& table, const std::string& field) const;
    bool IsCompoundKey(int32_t fieldNo) const;
    bool KeyHasField(const std::string& table, const std::string& key, const std::string& field) const;
    bool KeyHasField(int32_t keyNo, const std::string& field) const;
    void GetKeyFields(const std::string& table, const std::string& key, std::vector<std::string>& out) const;
    void GetKeyFieldNames(const std::string& table, const std::string& field, std::vector<std::string>& out) const;
    std::string FindKeyByFields(const std::string& table, const std::vector<std::string>& names) const;

    // One transaction per client handle, spanning every tablespace. false
    // when one is open already (10023) unless strict.
    bool BeginTrans(const std::string& name, bool strict);
    void EndTrans(bool commit);

    int32_t GetNextId(const std::string& counter);
    // 0 when the server answers 10002.
    int32_t GetCount(const std::string& table);

    // Locks of a table; the mode is the client's ('r' shared, other
    // exclusive). LockRecord is false when someone else holds the lock,
    // whose holder text then comes back.
    bool LockRecord(const std::string& table, int32_t mode, std::string& holder);
    bool UnlockRecord(const std::string& table, int32_t mode);
    bool WhoMadeLock(const std::string& table, int32_t mode, std::string& holder);
    // Appends the client's 28-byte lock entries unchanged.
    using LockEntry = std::array<char, 28>;
    void GetLockList(std::vector<LockEntry>& out);

    // Blobs by id (-1: no blob). ReadBlob hands the caller a block of its
    // own (released with delete[]); false for -1 or an unknown blob.
    bool ReadBlob(int32_t id, char*& block, int32_t& length);
    bool ReadBlobToBuf(int32_t id, LurBuf& out);
    // Writes a new blob and sets *id to it. With replace the old blob is
    // deleted only after the new one was written.
    bool WriteBlob(int32_t* id, const void* data, int32_t length, bool replace);
    bool WriteBlobFromBuf(int32_t* id, const LurBuf& data, bool replace);
    // true when deleted or for -1 (*id becomes -1); false for an unknown blob.
    bool DeleteBlob(int32_t* id);
    // The same through the blob id held in a field of the record buffer;
    // with option 6 the write or delete waits for the next record change.
    bool ReadBlob(const std::string& table, const std::string& field, char*& block, int32_t& length);
    bool WriteBlob(const std::string& table, const std::string& field, const void* data, int32_t length, bool replace);
    bool DeleteBlob(const std::string& table, const std::string& field);

    // Raw data of the server; dbNo -1 means this tablespace (mode 2 needs
    // an explicit number). FindData copies at most capacity bytes (10003
    // when the data found is longer) and gives the length copied.
    int32_t FindData(int32_t firstKey, int32_t secondKey, void* destination, int32_t capacity, int32_t mode,
                     int32_t dbNo);
    void WriteData(const void* data, int32_t length, int32_t key, int32_t mode, int32_t dbNo);

    void GetServerParam(const std::string& name, std::string& value);
    void SetServerParam(const std::string& name, const std::string& value);

    // ---- server objects and blob streams ------------------------------------

    // Bookmarks and cursors on the server: the status is returned, not
    // raised (2002/2003 for names the description lacks).
    int32_t BookmarkCreate(int32_t& bookmark, const std::string& table);
    int32_t BookmarkDrop(int32_t bookmark);
    int32_t BookmarkOperation(int32_t bookmark, int32_t operation);
    int32_t CursorCreate(int32_t& cursor, const std::string& table, const std::string& keyField);
    int32_t CursorDrop(int32_t cursor);
    // The record found becomes the table's whole list (position 0); the
    // record buffer is left untouched (ListMove(kMoveFirst) loads it). false
    // on 10002, when a first or last move also empties the buffer and list.
    bool CursorOperation(int32_t cursor, const std::string& table, int32_t move);

    // Blob streams, numbered by the caller; failures raise with the number.
    int32_t CreateBlobStream(int32_t stream, int32_t value);
    int32_t WriteBlobStream(int32_t stream, int32_t first, int32_t second);
    // false at the end of the stream; block is the caller's (operator delete).
    bool ReadBlobStream(int32_t stream, int32_t& length, void*& block);
    int32_t CloseBlobStream(int32_t stream, bool flag);
    int32_t DestroyBlobStream(int32_t stream);

    // Deferred blob changes (option 6): kind 1 delete, 2 write, 4 replace.
    bool RecordBlobChange(const std::string& table, const std::string& field, const void* data, unsigned length,
                          int kind);
    // Carries out and removes the table's pending changes.
    void ApplyBlobChanges(const std::string& table);
    const std::vector<PendingBlobChange>& GetPendingBlobChanges() const { return m_pendingBlobChanges; }

private:
    // The pending blob changes of a table carried out around a record
    // change (DbDescServerObjects.cpp).
    struct BlobChangePlan;
    void PrepareBlobChanges(const std::string& table, BlobChangePlan& plan);
    void FinishBlobChanges(const std::string& table, BlobChangePlan& plan);
    void UndoBlobChanges(const std::string& table, BlobChangePlan& plan) noexcept;
    // NewRec (kind 0), ModRec (1), DelRec (2) with the blob changes.
    int32_t SendRecordChange(int kind, const std::string& table);
    int32_t CheckedDbNo(int32_t dbNo, int32_t mode) const;

public:
private:
    // Every record move and find selects the table's main list.
    void SelectMainList(int32_t index) {
        if (!m_recTypeSet.empty()) m_recTypeSet.Remove(index);
    }
    // The index of a record type, or -1 outside the description.
    int32_t RecordIndex(int32_t recType) const {
        const long long index = static_cast<long long>(recType) - kRecTypeBase;
        return (index >= 0 && index < static_cast<long long>(m_records.size())) ? static_cast<int32_t>(index) : -1;
    }
    // The one empty structure that a description points at until it is loaded.
    static const DbStruct& EmptyStruct();
    // The record buffer of a table; the table must exist.
    bool SetRecordAt(int32_t index, const void* bytes);  // false for an index below 0
    std::vector<char>& RecordBufferAt(int32_t index) { return m_records[static_cast<size_t>(index)]; }
    const std::vector<char>& RecordBufferAt(int32_t index) const { return m_records[static_cast<size_t>(index)]; }
    TableState& StateOf(const std::string& table);
    const TableState& StateOf(const std::string& table) const;
    // Sets a table's sort field and keeps m_sortedStates in step.
    void SetSortField(TableState& state, const std::string& field);

    // The field of a number (OwnFieldDesc) and its bytes in this object's
    // record buffer: null for 'g' and 'k', which have no bytes of their own,
    // and when the buffer, built from another load of the shared structure,
    // is too short for the field.
    const char* ValueInBuffer(int32_t fieldNo, FieldDesc& desc) const;
    char* ValueInBuffer(int32_t fieldNo, FieldDesc& desc);
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
    // Swaps what a copy takes over; the private-list selection and the
    // pending blob changes stay with their objects.
    void SwapCopiedState(DbDesc& other) noexcept;

    int32_t m_version[4] = {-1, -1, -1, -1};   // major, minor, sub, build
    std::vector<std::vector<char>> m_records;  // one record buffer per record type
    std::vector<RecordList> m_lists;
    std::vector<RecordList> m_privateLists;
    LuSet<int32_t> m_recTypeSet;  // record indexes whose list operations use the private list
    LuMap<std::string, TableState> m_tableStates;
    // The table states whose sort field is set: while there are none, an
    // emptied list has no state to clear and its table is not looked up.
    int32_t m_sortedStates = 0;
    int32_t m_handle = kNoHandle;
    std::vector<PendingBlobChange> m_pendingBlobChanges;
    // The record image handed to the client by a find or a change, kept
    // between calls only to reuse its storage (copies start without one).
    std::vector<char> m_exchange;
    std::shared_ptr<DbStruct> m_struct;  // shared with every copy; null: the empty structure
};
