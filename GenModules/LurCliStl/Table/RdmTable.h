// RdmTable: one table of an open tablespace, with its fields by name,
// position and alias. The table holds no record data: its fields read and
// write the record buffer that the tablespace description (DbDesc) keeps
// for the table, so two table objects on one description share the current
// record. The description is not owned and must outlive the table.
//
// Name rules. Table, field and alias names are compared in upper case.
// Field-name resolution goes through the alias map (every field is its own
// alias until SetAlias renames it) and then the field map; key-name
// resolution replaces an alias by its field and passes any other name on as
// given, so that compound keys, which have no field object, can be named.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "DbDesc.h"
#include "RdmBookmark.h"
#include "RdmCursor.h"
#include "RdmFld.h"
#include "StrVector.h"

class RdmTable {
public:
    using FieldMap = std::map<std::string, RdmFld>;
    using AliasMap = std::map<std::string, std::string>;

    // No name, record type -1, no description.
    RdmTable();
    // The table of that name in the description: 2002 when it has none.
    // Every field of the table (groups and compound keys left out) gets a
    // bound field object and an alias of its own name.
    RdmTable(DbDesc* desc, const std::string& name);
    RdmTable(const RdmTable& other) = default;
    // Both tables then work on the same description; the target keeps its
    // own fields-changed flag.
    RdmTable& operator=(const RdmTable& other);
    virtual ~RdmTable();

    // ---- description and names ------------------------------------------------

    // The description; 2011 at the given location when there is none.
    DbDesc* GetDesc(const ErrorLocation& where = ErrorLocation()) const;
    // The same with the location built only for the report, as every call
    // of the table asks.
    DbDesc* GetDesc(ThrowSource source, int line) const { return m_desc ? m_desc : GetDesc(source(line)); }
    DbDesc* GetDescPtr() const { return m_desc; }
    const std::string& GetName() const { return m_name; }
    int32_t GetRecType() const { return m_recType; }
    std::string GetDbName() const;
    // "tablespace.table"
    std::string GetFullName() const;

    // ---- fields ------------------------------------------------------------------

    // The field of a name or alias; 2003 (table, upper-cased name) when none.
    RdmFld& Fld(const std::string& name);
    const RdmFld& Fld(const std::string& name) const;
    // The field at a position of the description order; 2003 (table, index).
    RdmFld& FldAt(int16_t index);
    const RdmFld& FldAt(int16_t index) const;
    int FldCount() const { return static_cast<int>(m_fields.size()); }
    StrVector GetFieldNames() const { return m_fieldNames; }
    // The description's entries of the table, groups and compound keys included.
    void GetFieldDescs(std::vector<FieldDesc>& out) const;
    // Whether the upper-cased name is a field (fieldMap) or a field or alias.
    bool HasFldName(const std::string& name, bool fieldMap) const;
    // The position in the field map's own order, ascending by field name.
    virtual int16_t GetFldIndex(const std::string& name) const;
    virtual int32_t GetRecordSize() const;
    // With asText, a 'c' text field counts without its terminating zero.
    virtual int32_t GetFieldLength(const std::string& field, bool asText) const;
    FieldSqlInfo GetFieldSqlInfo(int32_t fieldNo) const;
    FieldSqlInfo GetFieldSqlInfoByName(const std::string& field) const;

    // The field's own name for a name or alias (2003 when unknown).
    std::string ResolveFieldName(const std::string& name) const;
    // The field behind an alias; any other name as given.
    std::string ResolveKeyName(const std::string& name) const;

    // ---- changing the field set (each sets the fields-changed flag) -------------

    // Replaces the field set by bound fields of the names; an unknown name
    // raises 2003 and leaves the previous field set in place.
    void SetFields(const std::vector<std::string>& names);
    // Takes the other table's field set: its detached fields as free-standing
    // fields of the same type, the others bound to this table's description.
    void CopyFields(const RdmTable& other);
    // 2003 for an empty name or a name the table already knows.
    void AddFld(const RdmFld& field);
    void AddFreeFld(const std::string& name, char type, int16_t length, bool isUnsigned);
    // A free-standing raw 'c' field holding text.
    void AddTextFld(const std::string& name, const std::string& text, int16_t length);
    bool IsFieldsChanged() const { return m_fieldsChanged; }
    void SetFieldsChanged(bool changed) { m_fieldsChanged = changed; }

    // ---- aliases (each change sets the fields-changed flag) ----------------------

    // Gives the field (a field name or an alias of it) the new name alias,
    // which replaces the old one. 2015 when the alias names another field,
    // 2003 when the field is unknown.
    virtual bool SetAlias(const std::string& alias, const std::string& field);
    // SetAlias for each pair in order; stops after the first that fails.
    virtual bool SetAliases(const std::vector<std::pair<std::string, std::string>>& pairs);
    // The first alias in ascending order of the field; "" or 2003 when strict.
    virtual std::string GetAlias(const std::string& field, bool strict) const;
    // Adds field -> first alias for every field not yet a key of out.
    virtual void GetAliases(std::map<std::string, std::string>& out) const;

    // ---- counter name and options -------------------------------------------------

    virtual std::string GetNextIdName() const { return m_nextIdName; }
    virtual void SetNextIdName(const std::string& name) { m_nextIdName = name; }

    void SetTableOptions(const TableOptions& codes);
    TableOptions GetTableOptions() const;
    // Whether the options hold the code (no copy of them).
    bool HasTableOption(int32_t code) const;
    void AddTableOption(int32_t code);
    void RemoveTableOption(int32_t code);

    // ---- keyed navigation and finds ----------------------------------------

    // Server moves along the current key (DbDesc::RdmMoveCode 0-4); true when
    // a record was read into the record buffer. The int arguments are not
    // used here; stored tables take them.
    virtual bool Move(int32_t code, int = 0);
    // The key is passed on exactly as given (no alias resolution).
    virtual bool MoveByKey(int32_t code, const std::string& key, int = 0);
    // Key-name resolution, then the key becomes current; "" for none.
    virtual void DefineKey(const std::string& key);
    // The current key under its first alias; "" for none.
    virtual std::string GetCurrentKey() const;

    // Finds by the key value that the caller put into the key field. The
    // replace forms make the found record the list and the record buffer;
    // the Add forms append it to the list. False when none is found.
    virtual bool FindRec(int = 0);
    virtual bool FindRecByKey(const std::string& key, int = 0);
    virtual bool FindRecNext(int = 0);
    virtual bool FindRecNextByKey(const std::string& key, int = 0);
    virtual bool FindRecPrev(int = 0);
    virtual bool FindRecPrevByKey(const std::string& key, int = 0);
    virtual bool FindRecAdd(int = 0);
    virtual bool FindRecByKeyAdd(const std::string& key, int = 0);
    virtual bool FindRecNextAdd(int = 0);
    virtual bool FindRecNextByKeyAdd(const std::string& key, int = 0);
    virtual bool FindRecPrevAdd(int = 0);
    virtual bool FindRecPrevByKeyAdd(const std::string& key, int = 0);

    // The table's keys, names resolved as key names (aliases to fields).
    virtual std::string GetUniqueKeyName() const;
    // Makes the unique key current; false when the table has none.
    virtual bool UseUniqueKey();
    virtual bool IsUniqueKey(const std::string& key) const;
    // Field-name resolution (2003); the unique key or one of its components.
    virtual bool IsInUniqueKey(const std::string& field) const;
    // 2003 for a name the table lacks.
    virtual bool IsCompoundKey(const std::string& key) const;
    // False for an unknown key or a simple field.
    virtual bool KeyHasField(const std::string& key, const std::string& field) const;
    // The components of a compound key under their first aliases (2003 for
    // one without); GetKeyFieldNames gives a simple field itself.
    virtual void GetKeyFields(const std::string& key, std::vector<std::string>& out) const;
    virtual void GetKeyFieldNames(const std::string& key, std::vector<std::string>& out) const;
    // The compound key over exactly these fields; "" when none.
    virtual std::string FindKeyByFields(const std::vector<std::string>& names) const;

    // ---- record lists and aggregates ----------------------------------------

    // List searches on the server (key-name resolution). The replace forms
    // make the result the list and move in it with the code (5 leaves no
    // current record); the Add forms append. True when records came back.
    // An empty key lists every record (FindList, FindListOr).
    virtual bool FindList(const std::string& key, int32_t moveCode);
    virtual bool FindListAdd(const std::string& key);
    virtual bool FindListOr(const std::string& key, int32_t moveCode);
    virtual bool FindListOrAdd(const std::string& key);
    virtual bool FindGreater(const std::string& key, int32_t moveCode);
    virtual bool FindGreaterAdd(const std::string& key);
    virtual bool FindLess(const std::string& key, int32_t moveCode);
    virtual bool FindLessAdd(const std::string& key);
    // True when any record's field differs from the record buffer's value.
    virtual bool FindNotEqual(const std::string& field, int32_t moveCode);
    virtual bool FindNotEqualAdd(const std::string& field);
    // The first two records of the current list are the inclusive bounds.
    virtual bool FindBetween(const std::string& key, int32_t moveCode);
    virtual bool FindBetweenAdd(const std::string& key);

    // Walking the list (list move codes 0-3 and 5).
    virtual bool ListMove(int32_t code, int = 0);
    virtual bool ListNext();
    virtual int32_t GetListPos() const;
    virtual bool SetListPos(int32_t position);
    virtual bool GoToPos(int32_t position, int = 0);
    virtual int32_t GetListCount() const;
    virtual bool IsListEmpty() const;
    // True (a stored table answers from its rows).
    virtual bool ClearList();

    // Building and editing the list; field names here are the
    // description's own (no alias resolution) where the text says so.
    virtual void BeginPrivateList();
    virtual void SetList(const void* block, int32_t byteLength);
    virtual void AddCurrentToList();
    virtual bool AddToListWithValue(const std::string& field, const std::vector<std::string>& values);
    virtual bool AddToListWithValues(const std::map<std::string, std::vector<std::string>>& columns);
    virtual bool UpdateListEntry(bool strict);
    virtual bool RemoveFromList(int32_t index);
    virtual bool RemoveCurrentFromList();
    virtual int32_t RemoveValueFromList(const std::string& field, const std::string& value, int32_t start);
    // -1, as the stored table answers when it removed rows.
    virtual int32_t RemoveAllValuesFromList(const std::string& field, const std::string& value, int32_t start);
    // "" sorts by the last sort field again.
    virtual void SortList(const std::string& field, bool descending, int = 0);
    virtual std::string GetListKey() const;

    // Searching in the list (field-name resolution); -1 / false when none.
    virtual int32_t FindInList(const std::string& field, const std::string& value, int32_t start);
    virtual int32_t FindInListByValues(const DbDesc::FieldValues& values, int32_t start);
    virtual bool LocateInList(const std::string& field, const std::string& value, int32_t start);
    virtual bool LocateInListByValues(const DbDesc::FieldValues& values, int32_t start);

    // The record buffer's texts of the fields, in the order of the names.
    virtual void GetFieldTexts(const std::vector<std::string>& names, std::vector<std::string>& out) const;
    // DbDesc::AggregateKind over the list; kind 0 also takes the field "*".
    virtual std::string Aggregate(std::string& out, const std::string& field, int32_t kind);

    // ---- record changes, transactions, locks and counters -------------------

    // The record buffer goes to the server (DbDesc::NewRec, ModRec, DelRec);
    // ModRec and DelRec are false on 10002 unless strict. NewRec answers
    // true (a stored table answers whether its new row became current).
    virtual bool NewRec();
    virtual bool ModRec(bool strict = false);
    virtual bool DelRec(bool strict = false);
    virtual void TruncateFile();
    // Zeroes the record buffer; false for a table the description lacks.
    virtual bool ClearRecord();
    // The server's current record into the record buffer; the list stays.
    virtual bool ReadCurrentRec(bool strict = false);
    // A server table has nothing to save: 10038, as the stored table's
    // counterpart would be missing. A stored table answers whether it saved.
    virtual bool SaveChanges();

    // The connection's one transaction (not the table's).
    virtual bool BeginTrans(const std::string& name, bool strict = false);
    virtual void EndTrans(bool commit);

    // Locks of the table; the mode is passed to the client unchanged.
    virtual bool LockRecord(int32_t mode, std::string& holder);
    virtual bool UnlockRecord(int32_t mode);
    virtual bool WhoMadeLock(int32_t mode, std::string& holder);

    // The next value of the counter named by GetNextIdName.
    virtual int32_t GetNextId();
    virtual int32_t GetCount();

    // ---- server bookmarks and cursors ---------------------------------------

    // Named server bookmarks and cursors of this table object (names are
    // case-sensitive; copies of the table share them). Taken names raise
    // 2036 (bookmark) and 2038 (cursor), unknown ones 2034 and 2037.
    // Virtual like the other table operations, so that derived tables can
    // replace them.
    virtual bool CreateBookmark(const std::string& name);
    virtual void DropBookmark(const std::string& name);
    virtual bool GoToBookmark(const std::string& name);
    virtual bool MarkBookmark(const std::string& name);
    // The key goes through key-name resolution.
    virtual bool CreateCursor(const std::string& name, const std::string& key);
    virtual void DropCursor(const std::string& name);
    // false when there is no record in that direction.
    virtual bool CursorMove(const std::string& name, int32_t code, int = 0);

protected:
    std::string m_name;  // upper case
    int32_t m_recType = -1;
    DbDesc* m_desc = nullptr;  // not owned
    FieldMap m_fields;         // by upper-case field name; a change clears m_index
    RecordDesc m_recordDesc{};
    StrVector m_fieldNames;  // description order, the order of FldAt
    std::string m_nextIdName;
    AliasMap m_aliases;  // alias -> field name; a change clears m_index
    bool m_fieldsChanged = false;
    std::map<std::string, RdmBookmark> m_bookmarks;
    std::map<std::string, RdmCursor> m_cursors;

private:
    // The lookup of field and key names: every alias with its field's name
    // and the field object (null when the field set lacks it), built on
    // first use after the field set or the aliases changed. A copy starts
    // unbuilt, as its pointers would lead into the source's maps.
    struct FieldIndex {
        struct Entry {
            const std::string* fieldName;
            const RdmFld* field;
            bool upperCase;  // the alias is its own upper-case form
        };
        std::unordered_map<std::string, Entry> entries;
        // The entry last found by its exact spelling: a loop over records
        // asks for the same fields again and again.
        const std::pair<const std::string, Entry>* last = nullptr;
        bool built = false;

        FieldIndex() = default;
        FieldIndex(const FieldIndex&) {}
        FieldIndex& operator=(const FieldIndex&) {
            Clear();
            return *this;
        }
        void Clear() {
            entries.clear();
            last = nullptr;
            built = false;
        }
    };
    const FieldIndex& Index() const {
        if (!m_index.built) BuildIndex();
        return m_index;
    }
    void BuildIndex() const;
    // The entry of a name or alias, compared in upper case; null when none.
    const FieldIndex::Entry* FindEntry(const std::string& name) const;
    // The same for a name that must lead to a field: 2003 (table,
    // upper-cased name) when it does not.
    const FieldIndex::Entry& FieldEntry(const std::string& name) const;

    mutable FieldIndex m_index;
};
