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
#include <utility>
#include <vector>

#include "DbDesc.h"
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
    void AddTableOption(int32_t code);
    void RemoveTableOption(int32_t code);

    // ---- keyed navigation and finds ----------------------------------------

    // ---- record lists and aggregates ----------------------------------------

    // ---- record changes, transactions, locks and counters -------------------

    // ---- server bookmarks and cursors ---------------------------------------

protected:
    std::string m_name;  // upper case
    int32_t m_recType = -1;
    DbDesc* m_desc = nullptr;  // not owned
    FieldMap m_fields;         // by upper-case field name
    RecordDesc m_recordDesc{};
    StrVector m_fieldNames;  // description order, the order of FldAt
    std::string m_nextIdName;
    AliasMap m_aliases;  // alias -> field name
    bool m_fieldsChanged = false;
};
