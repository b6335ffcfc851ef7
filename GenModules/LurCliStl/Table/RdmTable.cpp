#include "RdmTable.h"

#include <iterator>

#include "DbDescError.h"
#include "LurStrings.h"

namespace {

constexpr int kTableNotFound = 2002;
constexpr int kFieldNotFound = 2003;
constexpr int kNoDescription = 2011;
constexpr int kAliasInUse = 2015;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmTable"};

}  // namespace

// ---- construction -------------------------------------------------------------

RdmTable::RdmTable() = default;

RdmTable::RdmTable(DbDesc* desc, const std::string& name) {
    if (!desc) throw DbDescError(kNoDescription, Here(__LINE__), StrVector());
    m_recType = desc->GetRecType(name);
    if (m_recType == -1) throw DbDescError(kTableNotFound, Here(__LINE__), StrVector(desc->GetDbName()) << name);
    m_desc = desc;
    // The counter keeps the table name as the caller spelled it.
    m_nextIdName = std::string(desc->GetDbName()) + "_" + name + "_NextID";
    m_name = lurutils::ToUpper(name);
    m_recordDesc = desc->GetRecDescByName(m_name);

    std::vector<std::string> names;
    desc->GetFieldNamesByName(m_name, names, false);
    for (const std::string& field : names) {
        m_fieldNames.push_back(field);
        m_fields.emplace(field, RdmFld(desc, m_name, field, false));
        m_aliases.emplace(field, field);
    }
    m_fieldsChanged = true;
}

RdmTable& RdmTable::operator=(const RdmTable& other) {
    if (this == &other) return *this;
    m_name = other.m_name;
    m_recType = other.m_recType;
    m_desc = other.m_desc;
    m_fields = other.m_fields;
    m_recordDesc = other.m_recordDesc;
    m_fieldNames = other.m_fieldNames;
    m_nextIdName = other.m_nextIdName;
    m_aliases = other.m_aliases;
    m_index.Clear();
    m_bookmarks = other.m_bookmarks;
    m_cursors = other.m_cursors;
    return *this;
}

RdmTable::~RdmTable() = default;

// ---- description and names -------------------------------------------------------

DbDesc* RdmTable::GetDesc(const ErrorLocation& where) const {
    if (!m_desc) throw DbDescError(kNoDescription, where.file.empty() ? Here(__LINE__) : where, StrVector());
    return m_desc;
}

std::string RdmTable::GetDbName() const { return GetDesc(Here, __LINE__)->GetDbName(); }

std::string RdmTable::GetFullName() const { return GetDbName() + "." + m_name; }

// ---- fields -----------------------------------------------------------------------

void RdmTable::BuildIndex() const {
    m_index.Clear();
    for (const auto& [alias, fieldName] : m_aliases) {
        const auto field = m_fields.find(fieldName);
        m_index.entries.emplace(alias, FieldIndex::Entry{&fieldName, field == m_fields.end() ? nullptr : &field->second,
                                                         lurutils::IsUpperCase(alias)});
    }
    m_index.built = true;
}

const RdmTable::FieldIndex::Entry* RdmTable::FindEntry(const std::string& name) const {
    const FieldIndex& index = Index();
    if (index.last && index.last->first == name) return &index.last->second;
    const auto& entries = index.entries;
    // A name spelled as the table keeps it, in upper case, needs one lookup.
    const auto exact = entries.find(name);
    if (exact != entries.end() && exact->second.upperCase) {
        m_index.last = &*exact;
        return &exact->second;
    }
    const auto entry = entries.find(lurutils::UpperName(name).str());
    return entry == entries.end() ? nullptr : &entry->second;
}

const RdmTable::FieldIndex::Entry& RdmTable::FieldEntry(const std::string& name) const {
    const FieldIndex::Entry* entry = FindEntry(name);
    if (!entry || !entry->field)
        throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(m_name) << lurutils::UpperName(name).str());
    return *entry;
}

std::string RdmTable::ResolveFieldName(const std::string& name) const { return *FieldEntry(name).fieldName; }

std::string RdmTable::ResolveKeyName(const std::string& name) const {
    const FieldIndex::Entry* entry = FindEntry(name);
    return entry ? *entry->fieldName : name;
}

RdmFld& RdmTable::Fld(const std::string& name) {
    return const_cast<RdmFld&>(static_cast<const RdmTable&>(*this).Fld(name));
}

const RdmFld& RdmTable::Fld(const std::string& name) const { return *FieldEntry(name).field; }

RdmFld& RdmTable::FldAt(int16_t index) { return const_cast<RdmFld&>(static_cast<const RdmTable&>(*this).FldAt(index)); }

const RdmFld& RdmTable::FldAt(int16_t index) const {
    if (index >= 0 && index < FldCount() && static_cast<size_t>(index) < m_fieldNames.size()) {
        const auto field = m_fields.find(m_fieldNames[static_cast<size_t>(index)]);
        if (field != m_fields.end()) return field->second;
    }
    throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(m_name) << std::to_string(index));
}

void RdmTable::GetFieldDescs(std::vector<FieldDesc>& out) const {
    GetDesc(Here, __LINE__)->GetFieldDescsByName(m_name, out, true);
}

bool RdmTable::HasFldName(const std::string& name, bool fieldMap) const {
    const std::string upper = lurutils::ToUpper(name);
    return fieldMap ? m_fields.contains(upper) : m_aliases.contains(upper);
}

int16_t RdmTable::GetFldIndex(const std::string& name) const {
    const std::string upper = lurutils::ToUpper(name);
    const auto alias = m_aliases.find(upper);
    if (alias == m_aliases.end()) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(upper));
    const auto field = m_fields.find(alias->second);
    if (field == m_fields.end()) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(alias->second));
    return static_cast<int16_t>(std::distance(m_fields.begin(), field));
}

int32_t RdmTable::GetRecordSize() const { return GetDesc(Here, __LINE__)->GetRecordSize(m_name); }

int32_t RdmTable::GetFieldLength(const std::string& field, bool asText) const {
    return GetDesc(Here, __LINE__)->GetFieldLength(m_name, field, asText);
}

FieldSqlInfo RdmTable::GetFieldSqlInfo(int32_t fieldNo) const {
    return GetDesc(Here, __LINE__)->GetFieldSqlInfo(fieldNo);
}

FieldSqlInfo RdmTable::GetFieldSqlInfoByName(const std::string& field) const {
    return GetDesc(Here, __LINE__)->GetFieldSqlInfoByName(m_name, field);
}

// ---- changing the field set ----------------------------------------------------------

void RdmTable::SetFields(const std::vector<std::string>& names) {
    // Built aside, so that an unknown name leaves the field set as it was.
    // Entries are upper case, as every lookup upper-cases the name it gets.
    FieldMap fields;
    AliasMap aliases;
    StrVector fieldNames;
    for (const std::string& name : names) {
        const std::string upper = lurutils::ToUpper(name);
        fields.insert_or_assign(upper, RdmFld(m_desc, m_name, name, false));
        aliases.insert_or_assign(upper, upper);
        fieldNames.push_back(upper);
    }
    m_fields.swap(fields);
    m_aliases.swap(aliases);
    m_fieldNames.swap(fieldNames);
    m_index.Clear();
    m_fieldsChanged = true;
}

void RdmTable::CopyFields(const RdmTable& other) {
    FieldMap fields;
    for (int i = 0; i < other.FldCount(); ++i) {
        const RdmFld& source = other.FldAt(static_cast<int16_t>(i));
        FieldDesc desc;
        source.GetFieldDesc(desc);
        const std::string key = lurutils::ToUpper(source.GetName());
        if (source.IsDetached()) {
            // A free-standing field keeps its value: it lives in no record.
            RdmFld copy(m_name, source.GetName(), desc.type, desc.length, desc.flags == FieldDesc::kUnsigned);
            copy.SetString(source.GetString());
            fields.insert_or_assign(key, copy);
        } else
            fields.insert_or_assign(key, RdmFld(m_desc, m_name, source.GetName(), false));
    }
    AliasMap aliases = other.m_aliases;
    StrVector fieldNames = other.m_fieldNames;
    m_fields.swap(fields);
    m_aliases.swap(aliases);
    m_fieldNames.swap(fieldNames);
    m_index.Clear();
    m_fieldsChanged = true;
}

void RdmTable::AddFld(const RdmFld& field) {
    if (field.GetName().empty()) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector());
    const std::string upper = lurutils::ToUpper(field.GetName());
    if (m_aliases.contains(upper)) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(field.GetName()));
    m_fields.insert_or_assign(upper, field);
    m_fieldNames.push_back(upper);
    m_aliases.emplace(upper, upper);
    m_index.Clear();
    m_fieldsChanged = true;
}

void RdmTable::AddFreeFld(const std::string& name, char type, int16_t length, bool isUnsigned) {
    AddFld(RdmFld(m_name, name, type, length, isUnsigned));
}

void RdmTable::AddTextFld(const std::string& name, const std::string& text, int16_t length) {
    AddFld(RdmFld(m_name, name, 'c', length, true));
    Fld(name).SetString(text);
}

// ---- aliases ----------------------------------------------------------------------------

bool RdmTable::SetAlias(const std::string& alias, const std::string& field) {
    const std::string newName = lurutils::ToUpper(alias);
    const std::string oldName = lurutils::ToUpper(field);
    if (newName == oldName) return true;
    // The second argument may itself be an alias: the new name then maps to
    // the field behind it, never to the alias text.
    const auto old = m_aliases.find(oldName);
    const auto existing = m_aliases.find(newName);
    if (existing != m_aliases.end()) {
        if (existing->second == oldName || (old != m_aliases.end() && existing->second == old->second)) return true;
        throw DbDescError(kAliasInUse, Here(__LINE__), StrVector(newName));
    }
    if (old == m_aliases.end()) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(oldName));
    const std::string target = old->second;
    m_aliases.erase(old);
    m_aliases.emplace(newName, target);
    m_index.Clear();
    m_fieldsChanged = true;
    return true;
}

bool RdmTable::SetAliases(const std::vector<std::pair<std::string, std::string>>& pairs) {
    for (const auto& [alias, field] : pairs)
        if (!SetAlias(alias, field)) return false;
    return true;
}

std::string RdmTable::GetAlias(const std::string& field, bool strict) const {
    const std::string upper = lurutils::ToUpper(field);
    for (const auto& [alias, target] : m_aliases)
        if (target == upper) return alias;
    if (strict) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(m_name) << upper);
    return "";
}

void RdmTable::GetAliases(std::map<std::string, std::string>& out) const {
    for (const auto& [alias, field] : m_aliases) out.emplace(field, alias);
}

// ---- options ------------------------------------------------------------------------------

void RdmTable::SetTableOptions(const TableOptions& codes) { GetDesc(Here, __LINE__)->SetTableOptions(m_name, codes); }

TableOptions RdmTable::GetTableOptions() const { return GetDesc(Here, __LINE__)->GetTableOptions(m_name); }

bool RdmTable::HasTableOption(int32_t code) const { return GetDesc(Here, __LINE__)->HasTableOption(m_name, code); }

void RdmTable::AddTableOption(int32_t code) { GetDesc(Here, __LINE__)->AddTableOption(m_name, code); }

void RdmTable::RemoveTableOption(int32_t code) { GetDesc(Here, __LINE__)->RemoveTableOption(m_name, code); }
