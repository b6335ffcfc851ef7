// RdmStoreTab: the object, the registry of child tables, links, column
// values, filters, row management and the position-saving guard.
#include "RdmStoreTab.h"

#include <algorithm>

#include "DbDescError.h"
#include "LurStrings.h"

namespace {

constexpr int kNameNotListed = 2015;
constexpr int kNameListed = 2017;
constexpr int kRefused = 2012;
constexpr int kChangesWait = 2014;
constexpr int32_t kOptionKeepPosition = 2;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmStoreTab"};

}  // namespace

// ---- construction ----------------------------------------------------------------

RdmStoreTab::RdmStoreTab() = default;

RdmStoreTab::RdmStoreTab(RdmStoreTab* owner, DbDesc* desc, const std::string& table, const std::string& displayName,
                         bool viewMaster)
    : RdmTable(desc, table), m_displayName(lurutils::ToUpper(displayName)), m_viewMaster(viewMaster) {
    const RecordDesc record = desc->GetRecDescByName(m_name);
    m_recordSize = record.recordLength - record.dataOffset;
    m_rows.SetRecordSize(m_recordSize);
    m_journal.SetRecordSize(m_recordSize);
    if (owner) {
        owner->AddChild(this);
        m_owner = owner;
    }
}

RdmStoreTab::RdmStoreTab(const RdmStoreTab& other) : RdmTable() { *this = other; }

RdmStoreTab& RdmStoreTab::operator=(const RdmStoreTab& other) {
    if (this == &other) return *this;
    RdmTable::operator=(other);
    m_displayName = other.m_displayName;
    Reset();
    m_recordSize = other.m_recordSize;
    CopyState(other);
    return *this;
}

RdmStoreTab::~RdmStoreTab() {
    // No dangling owner either way: the owner forgets this table, and the
    // view masters hung here (which belong to their own views) forget it.
    Unlist();
    for (const auto& [name, child] : m_children) {
        child->m_owner = nullptr;
        if (!child->m_viewMaster) delete child;
    }
}

void RdmStoreTab::CopyState(const RdmStoreTab& other) {
    m_rows.Assign(other.m_rows);
    m_snapshot.Assign(other.m_snapshot);
    m_journal.Assign(other.m_journal);
    m_allPos = other.m_allPos;
    m_groupPos = other.m_groupPos;
    m_sortKey = other.m_sortKey;
    m_currentGroup = other.m_currentGroup;
    m_links = other.m_links;
    m_linkKey = other.m_linkKey;
    m_columnValues = other.m_columnValues;
    m_filters = other.m_filters;
    m_deferred = other.m_deferred;
    m_changesPending = other.m_changesPending;
    m_groupMode = other.m_groupMode;
    m_viewMaster = other.m_viewMaster;
    if (m_desc && other.m_desc) SetTableOptions(other.GetTableOptions());
    SetNextIdName(other.GetNextIdName());
}

[[noreturn]] void RdmStoreTab::Refuse(int code, int line) const {
    throw DbDescError(code, Here(line), StrVector(m_displayName));
}

// ---- child registry -----------------------------------------------------------------

void RdmStoreTab::AddChild(RdmStoreTab* child, const std::string& name) {
    const std::string& key = name.empty() ? child->m_displayName : name;
    if (m_children.contains(key)) throw DbDescError(kNameListed, Here(__LINE__), StrVector(key));
    m_children.emplace(key, child);
}

void RdmStoreTab::RemoveChild(const std::string& name) {
    if (m_children.erase(name) == 0) throw DbDescError(kNameNotListed, Here(__LINE__), StrVector(name));
}

void RdmStoreTab::RenameChild(const std::string& oldName, const std::string& newName) {
    const auto entry = m_children.find(oldName);
    if (entry == m_children.end()) throw DbDescError(kNameNotListed, Here(__LINE__), StrVector(oldName));
    if (oldName == newName) return;
    if (m_children.contains(newName)) throw DbDescError(kNameListed, Here(__LINE__), StrVector(newName));
    RdmStoreTab* child = entry->second;
    m_children.emplace(newName, child);
    m_children.erase(oldName);
}

void RdmStoreTab::SetOwner(RdmStoreTab* owner) {
    if (owner == m_owner) return;
    // Listed under the new owner first, so that a taken name (2017) leaves
    // the table where it was.
    if (owner) owner->AddChild(this);
    Unlist();
    m_owner = owner;
}

void RdmStoreTab::Unlist() noexcept {
    if (!m_owner) return;
    const auto entry = m_owner->m_children.find(m_displayName);
    if (entry != m_owner->m_children.end() && entry->second == this) m_owner->m_children.erase(entry);
}

void RdmStoreTab::Rename(const std::string& displayName) {
    if (m_owner) m_owner->RenameChild(m_displayName, displayName);
    m_displayName = displayName;
}

// ---- links, column values, filters ------------------------------------------------------

void RdmStoreTab::AddLink(const std::string& masterField, const std::string& detailField, const std::string& linkKey) {
    m_links.emplace_back(masterField, detailField);
    m_linkKey = linkKey;
}

void RdmStoreTab::SetLinks(const Links& links, const std::string& linkKey) {
    m_links = links;
    m_linkKey = linkKey;
}

bool RdmStoreTab::IsLinkField(const std::string& name, bool own) const {
    if (own) {
        return std::any_of(m_links.begin(), m_links.end(),
                           [&name](const Link& link) { return link.first == name || link.second == name; });
    }
    // The links of every ancestor; a root has none to ask.
    return m_owner && (m_owner->IsLinkField(name, true) || m_owner->IsLinkField(name, false));
}

bool RdmStoreTab::SetAlias(const std::string& alias, const std::string& field) {
    if (!RdmTable::SetAlias(alias, field)) return false;
    for (const auto& [name, child] : m_children) {
        for (Link& link : child->m_links) {
            if (link.first == field) link.first = alias;
        }
    }
    return true;
}

void RdmStoreTab::SetColumnValue(const std::string& field, const std::string& text) { m_columnValues[field] = text; }

void RdmStoreTab::RemoveColumnValue(const std::string& field) { m_columnValues.erase(field); }

std::string RdmStoreTab::GetFilterValue(const std::string& field) const {
    for (const auto& [name, text] : m_filters) {
        if (name == field) return text;
    }
    return std::string();
}

void RdmStoreTab::SetFilterValue(const std::string& field, const std::string& text) {
    for (auto& [name, value] : m_filters) {
        if (name == field) {
            value = text;
            return;
        }
    }
    m_filters.emplace_back(field, text);
}

void RdmStoreTab::RemoveFilter(const std::string& field) {
    const auto filter =
        std::find_if(m_filters.begin(), m_filters.end(), [&field](const auto& entry) { return entry.first == field; });
    if (filter != m_filters.end()) m_filters.erase(filter);
}

// ---- rows -------------------------------------------------------------------------------

void RdmStoreTab::Reset() {
    m_rows.Clear();
    m_journal.Clear();
    m_changesPending = false;
    m_allPos = -1;
    m_groupPos = -1;
    m_currentGroup = -1;
    m_sortKey.clear();
}

std::vector<char> RdmStoreTab::CopyBuffer() const {
    std::vector<char> record;
    GetDesc(Here, __LINE__)->CopyRecord(record, m_name);
    record.resize(static_cast<size_t>(m_recordSize));
    return record;
}

void RdmStoreTab::StoreBuffer(int32_t group) {
    const std::string_view buffer = GetDesc(Here, __LINE__)->RecordView(m_name);
    // Stored in place; a buffer shorter than the rows (none is) through a padded copy.
    if (buffer.size() >= static_cast<size_t>(m_recordSize)) {
        m_rows.Insert(group, buffer.data());
    } else {
        m_rows.Insert(group, CopyBuffer().data());
    }
}

void RdmStoreTab::LoadRow(const RdmStoredRow& row) {
    GetDesc(Here, __LINE__)->SetRecord(row.record.data(), m_name, m_recType);
}

bool RdmStoreTab::LoadAll() {
    const int32_t left = RdmTable::GetListCount() - RdmTable::GetListPos() - 1;
    if (left > 0) m_rows.Reserve(static_cast<size_t>(left));
    while (RdmTable::ListNext()) StoreBuffer(-1);
    m_currentGroup = -1;
    return SetListPos(-1);
}

bool RdmStoreTab::ReloadCurrent() {
    Reset();
    StoreBuffer(-1);
    m_currentGroup = -1;
    m_allPos = -1;
    m_groupPos = -1;
    return SetListPos(-1);
}

bool RdmStoreTab::ClearList() {
    // What a save would still have to write is never cleared away.
    if (m_groupMode && m_owner) {
        if (GroupHoldsChanges(m_currentGroup)) Refuse(kChangesWait, __LINE__);
        RemoveAndFollow([this] { RemoveGroupRows(m_currentGroup, true, true); });
    } else {
        if (SubtreeHoldsChanges()) Refuse(kChangesWait, __LINE__);
        ClearTree();
    }
    return true;
}

void RdmStoreTab::ClearTree() {
    Reset();
    RdmTable::ClearList();
    for (const auto& [name, child] : m_children) child->ClearTree();
}

void RdmStoreTab::RemoveGroupRows(int32_t group, bool remove, bool cascade) {
    if (!m_groupMode) return;
    if (remove && !cascade) Refuse(kRefused, __LINE__);
    const RdmRowGroup* rows = m_rows.FindGroup(group);
    if (!rows) return;
    std::vector<int32_t> ids;
    for (const RdmStoredRow* row : rows->rows) ids.push_back(row->id);
    if (cascade) {
        for (const int32_t id : ids) {
            for (const auto& [name, child] : m_children) child->RemoveGroupRows(id, true, true);
        }
    }
    if (remove) m_rows.RemoveGroup(group);
}

void RdmStoreTab::ResetTree(bool resetSelf) {
    if (resetSelf) Reset();
    for (const auto& [name, child] : m_children) child->ResetTree(true);
}

void RdmStoreTab::ClearRecordTree() {
    RdmTable::ClearRecord();
    for (const auto& [name, child] : m_children) child->ClearRecordTree();
}

const RdmRowList* RdmStoreTab::CurrentRows() const {
    if (!m_groupMode) return &m_rows.AllRows();
    const RdmRowGroup* group = GroupRecord(m_currentGroup);
    return group ? &group->rows : nullptr;
}

const RdmRowGroup* RdmStoreTab::GroupRecord(int32_t key) const {
    // Asked for on every step of a walk: the group record found last serves
    // while the store's set of groups stays the same.
    if (m_foundGroup.key != key || m_foundGroup.groupsChanged != m_rows.GroupsChanged() || !m_foundGroup.valid) {
        m_foundGroup = {key, m_rows.GroupsChanged(), true, m_rows.FindGroup(key)};
    }
    return m_foundGroup.group;
}

RdmRowList* RdmStoreTab::CurrentRowsMutable() { return const_cast<RdmRowList*>(std::as_const(*this).CurrentRows()); }

RdmStoredRow* RdmStoreTab::CurrentRow() const {
    const RdmRowList* rows = CurrentRows();
    const int32_t position = Position();
    if (!rows || position < 0 || position >= static_cast<int32_t>(rows->size())) return nullptr;
    return (*rows)[static_cast<size_t>(position)];
}

// ---- position-saving guard ------------------------------------------------------------------

RdmPositionGuard::RdmPositionGuard(RdmStoreTab& table) : m_table(&table) {
    if (!table.GetTableOptions().contains(kOptionKeepPosition) || table.GetListPos() == -1) return;
    m_armed = true;
    const std::string key = table.GetUniqueKeyName();
    if (key.empty()) return;
    table.GetKeyFieldNames(key, m_keyFields);
    table.GetFieldTexts(m_keyFields, m_keyTexts);
}

RdmPositionGuard::~RdmPositionGuard() {
    try {
        End();
    } catch (...) {
        // A destructor reports nothing; End, called on the ordinary path, does.
    }
}

void RdmPositionGuard::End() {
    if (!m_armed) return;
    m_armed = false;
    if (!m_keyFields.empty()) m_table->RestoreRowByKey(m_keyFields, m_keyTexts);
}

void RdmStoreTab::RestoreRowByKey(const std::vector<std::string>& fields, const std::vector<std::string>& texts) {
    const RdmRowList& all = m_rows.AllRows();
    const RdmStoredRow* found = nullptr;
    std::vector<std::string> rowTexts;
    // The last matching row wins.
    for (size_t i = 0; i < all.size(); ++i) {
        LoadRow(*all[i]);
        rowTexts.clear();
        GetFieldTexts(fields, rowTexts);
        if (rowTexts == texts) {
            found = all[i];
            m_allPos = static_cast<int32_t>(i);
        }
    }
    if (!found) {
        SetListPos(-1);
        return;
    }
    LoadRow(*found);
    if (!m_rows.FindGroup(m_currentGroup)) {
        m_groupPos = -1;
    } else {
        const int32_t inGroup = m_rows.IndexInGroup(m_currentGroup, found);
        if (inGroup != -1) m_groupPos = inGroup;
    }
}
