// RdmTable: moves along the table's key and finds of single records. Each
// resolves its names and forwards to the description, which keeps the
// record buffer, the list and the current key of the table.
#include "DbDescError.h"
#include "LurStrings.h"
#include "RdmTable.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmTable"};

}  // namespace

bool RdmTable::Move(int32_t code, int) { return GetDesc(Here, __LINE__)->Move(code, m_name, m_recType); }

bool RdmTable::MoveByKey(int32_t code, const std::string& key, int) {
    return GetDesc(Here, __LINE__)->MoveByKey(code, key, m_name);
}

void RdmTable::DefineKey(const std::string& key) {
    GetDesc(Here, __LINE__)->DefineKey(m_name, key.empty() ? key : ResolveKeyName(key));
}

std::string RdmTable::GetCurrentKey() const {
    const std::string key = GetDesc(Here, __LINE__)->GetCurrentKey(m_name);
    // A field renamed by SetAlias is reported under its alias.
    if (!key.empty() && HasFldName(key, true)) {
        const std::string alias = GetAlias(key, false);
        if (!alias.empty()) return alias;
    }
    return key;
}

bool RdmTable::FindRec(int) { return GetDesc(Here, __LINE__)->FindRec(m_name, m_recType); }
bool RdmTable::FindRecNext(int) { return GetDesc(Here, __LINE__)->FindRecNext(m_name); }
bool RdmTable::FindRecPrev(int) { return GetDesc(Here, __LINE__)->FindRecPrev(m_name); }
bool RdmTable::FindRecAdd(int) { return GetDesc(Here, __LINE__)->FindRecAdd(m_name); }
bool RdmTable::FindRecNextAdd(int) { return GetDesc(Here, __LINE__)->FindRecNextAdd(m_name); }
bool RdmTable::FindRecPrevAdd(int) { return GetDesc(Here, __LINE__)->FindRecPrevAdd(m_name); }

bool RdmTable::FindRecByKey(const std::string& key, int) {
    return GetDesc(Here, __LINE__)->FindRecByKey(m_name, ResolveKeyName(key));
}

bool RdmTable::FindRecNextByKey(const std::string& key, int) {
    return GetDesc(Here, __LINE__)->FindRecNextByKey(m_name, ResolveKeyName(key));
}

bool RdmTable::FindRecPrevByKey(const std::string& key, int) {
    return GetDesc(Here, __LINE__)->FindRecPrevByKey(m_name, ResolveKeyName(key));
}

bool RdmTable::FindRecByKeyAdd(const std::string& key, int) {
    return GetDesc(Here, __LINE__)->FindRecByKeyAdd(m_name, ResolveKeyName(key));
}

bool RdmTable::FindRecNextByKeyAdd(const std::string& key, int) {
    return GetDesc(Here, __LINE__)->FindRecNextByKeyAdd(m_name, ResolveKeyName(key));
}

bool RdmTable::FindRecPrevByKeyAdd(const std::string& key, int) {
    return GetDesc(Here, __LINE__)->FindRecPrevByKeyAdd(m_name, ResolveKeyName(key));
}

// ---- keys -------------------------------------------------------------------------

std::string RdmTable::GetUniqueKeyName() const { return GetDesc(Here, __LINE__)->GetUniqueKeyName(m_name); }

bool RdmTable::UseUniqueKey() { return GetDesc(Here, __LINE__)->UseUniqueKey(m_name); }

bool RdmTable::IsUniqueKey(const std::string& key) const {
    const std::string unique = GetUniqueKeyName();
    return !unique.empty() && lurutils::ToUpper(ResolveKeyName(key)) == unique;
}

bool RdmTable::IsInUniqueKey(const std::string& field) const {
    return GetDesc(Here, __LINE__)->IsInUniqueKey(m_name, ResolveFieldName(field));
}

bool RdmTable::IsCompoundKey(const std::string& key) const {
    return GetDesc(Here, __LINE__)->IsCompoundKey(m_name, ResolveKeyName(key));
}

bool RdmTable::KeyHasField(const std::string& key, const std::string& field) const {
    return GetDesc(Here, __LINE__)->KeyHasField(m_name, ResolveKeyName(key), lurutils::ToUpper(field));
}

void RdmTable::GetKeyFields(const std::string& key, std::vector<std::string>& out) const {
    std::vector<std::string> fields;
    GetDesc(Here, __LINE__)->GetKeyFields(m_name, ResolveKeyName(key), fields);
    out.clear();
    for (const std::string& field : fields) out.push_back(GetAlias(field, true));
}

void RdmTable::GetKeyFieldNames(const std::string& key, std::vector<std::string>& out) const {
    std::vector<std::string> fields;
    GetDesc(Here, __LINE__)->GetKeyFieldNames(m_name, ResolveKeyName(key), fields);
    out.clear();
    for (const std::string& field : fields) out.push_back(GetAlias(field, true));
}

std::string RdmTable::FindKeyByFields(const std::vector<std::string>& names) const {
    std::vector<std::string> fields;
    fields.reserve(names.size());
    for (const std::string& name : names) fields.push_back(ResolveKeyName(name));
    return GetDesc(Here, __LINE__)->FindKeyByFields(m_name, fields);
}
