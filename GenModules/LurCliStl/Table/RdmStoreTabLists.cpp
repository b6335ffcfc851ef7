// RdmStoreTab: searches by field value, removals and sorting over the stored
// rows. None of these calls the server.
#include <algorithm>
#include <map>

#include "DbDescError.h"
#include "LurStrings.h"
#include "RdmStoreTab.h"

namespace {

constexpr int kChangesWait = 2014;

}  // namespace

// ---- searches ---------------------------------------------------------------------------

int32_t RdmStoreTab::SearchRows(int32_t start, const std::function<bool()>& matches) {
    const RdmRowList* rows = CurrentRows();
    if (!rows || start < 0 || start >= static_cast<int32_t>(rows->size())) return -1;
    const std::vector<char> saved = CopyBuffer();
    int32_t found = -1;
    for (auto i = static_cast<size_t>(start); i < rows->size(); ++i) {
        LoadRow(*(*rows)[i]);
        if (matches()) {
            found = static_cast<int32_t>(i);
            break;
        }
    }
    GetDesc()->SetRecord(saved.data(), m_name);
    return found;
}

int32_t RdmStoreTab::FindInList(const std::string& field, const std::string& value, int32_t start) {
    if (!CurrentRows()) return -1;
    const RdmFld& column = Fld(field);
    return SearchRows(start, [&column, &value] { return column == value; });
}

int32_t RdmStoreTab::FindInListByValues(const DbDesc::FieldValues& values, int32_t start) {
    if (!CurrentRows()) return -1;
    std::vector<std::pair<const RdmFld*, const std::string*>> columns;
    for (const auto& [field, value] : values) columns.emplace_back(&Fld(field), &value);
    return SearchRows(start, [&columns] {
        for (const auto& [column, value] : columns) {
            if (*column != *value) return false;
        }
        return true;
    });
}

bool RdmStoreTab::LocateInList(const std::string& field, const std::string& value, int32_t start) {
    const int32_t found = FindInList(field, value, start);
    return found != -1 && MakeCurrent(found, kChildFirst);
}

bool RdmStoreTab::LocateInListByValues(const DbDesc::FieldValues& values, int32_t start) {
    const int32_t found = FindInListByValues(values, start);
    return found != -1 && MakeCurrent(found, kChildFirst);
}

// ---- removals ------------------------------------------------------------------------------

void RdmStoreTab::RemoveDetailRows(int32_t ownerRowId) {
    const RdmRowGroup* group = m_rows.FindGroup(ownerRowId);
    if (!group || group->rows.empty()) return;
    const RdmStoredRow* current = CurrentRow();
    const int32_t currentId = current ? current->id : -1;
    std::vector<int32_t> ids;
    for (const RdmStoredRow* row : group->rows) ids.push_back(row->id);
    for (const int32_t id : ids) {
        for (const auto& [name, child] : m_children) child->RemoveDetailRows(id);
        m_rows.RemoveRow(id);
    }
    // The current row keeps its place when it stays; otherwise there is none.
    const RdmRowList* rows = CurrentRows();
    Position() = rows && m_rows.FindById(currentId) ? RdmRowStore::IndexOfId(*rows, currentId) : -1;
}

void RdmStoreTab::RemoveAndFollow(const std::function<void()>& remove) {
    const RdmStoredRow* current = CurrentRow();
    const int32_t currentId = current ? current->id : -1;
    const int32_t position = Position();
    remove();
    const RdmRowList* rows = CurrentRows();
    if (!rows) {
        ClearPositionTree();
    } else if (const RdmStoredRow* kept = m_rows.FindById(currentId)) {
        // Still there: it stays current at its new index, with its record
        // and its children as they are.
        Position() = RdmRowStore::IndexOf(*rows, kept);
    } else if (position != -1) {
        // The row now at its place, the new last one past the end, or none.
        MakeCurrent(std::min(position, static_cast<int32_t>(rows->size()) - 1), kChildNone);
    }
    // Both positions name the current row, so that leaving group mode shows it too.
    const RdmStoredRow* row = CurrentRow();
    m_allPos = row ? RdmRowStore::IndexOf(m_rows.AllRows(), row) : -1;
    m_groupPos = row ? m_rows.IndexInGroup(m_currentGroup, row) : -1;
}

void RdmStoreTab::RemoveRows(const std::vector<int32_t>& ids) {
    if (ids.empty()) return;
    // All or none, and nothing that a save would still have to write.
    if (!m_journal.IsEmpty()) Refuse(kChangesWait, __LINE__);
    for (const int32_t id : ids)
        if (RowHoldsChanges(id)) Refuse(kChangesWait, __LINE__);
    RemoveAndFollow([this, &ids] {
        for (const int32_t id : ids) {
            for (const auto& [name, child] : m_children) child->RemoveDetailRows(id);
            m_rows.RemoveRow(id);
        }
    });
}

bool RdmStoreTab::RemoveFromList(int32_t index) {
    const RdmRowList* rows = CurrentRows();
    if (!rows || index < 0 || index >= static_cast<int32_t>(rows->size())) return false;
    RemoveRows({(*rows)[static_cast<size_t>(index)]->id});
    return true;
}

int32_t RdmStoreTab::RemoveValueFromList(const std::string& field, const std::string& value, int32_t start) {
    const int32_t found = FindInList(field, value, start);
    if (found != -1) RemoveFromList(found);
    return found;
}

int32_t RdmStoreTab::RemoveAllValuesFromList(const std::string& field, const std::string& value, int32_t) {
    const RdmRowList* rows = CurrentRows();
    if (!rows) return 0;
    std::vector<int32_t> ids;
    for (int32_t found = FindInList(field, value, 0); found != -1; found = FindInList(field, value, found + 1))
        ids.push_back((*rows)[static_cast<size_t>(found)]->id);
    RemoveRows(ids);
    return -1;
}

// ---- sorting ----------------------------------------------------------------------------------

void RdmStoreTab::SortRows(const std::string& field, RdmRowList& rows, bool descending) {
    const RdmFld& column = Fld(field);
    RdmFld value(column);
    value.Detach();
    const auto less = [](const RdmFld& a, const RdmFld& b) { return a < b; };
    // Equal values keep their entry order (a multimap appends among equals).
    std::multimap<RdmFld, RdmStoredRow*, decltype(less)> sorted(less);
    for (RdmStoredRow* row : rows) {
        LoadRow(*row);
        value.SetString(column.GetString());
        sorted.emplace(value, row);
    }
    rows.clear();
    if (descending) {
        for (auto entry = sorted.rbegin(); entry != sorted.rend(); ++entry) rows.push_back(entry->second);
    } else {
        for (const auto& entry : sorted) rows.push_back(entry.second);
    }
}

void RdmStoreTab::KeepCurrentRow(const std::function<void()>& reorder) {
    const RdmStoredRow* current = CurrentRow();
    reorder();
    if (!current) return;
    Position() = RdmRowStore::IndexOf(*CurrentRows(), current);
    LoadRow(*current);
}

void RdmStoreTab::SortList(const std::string& field, bool descending, int everyGroup) {
    const std::string upper = lurutils::ToUpper(field);
    KeepCurrentRow([&] {
        if (!m_groupMode) {
            SortRows(upper, m_rows.AllRows(), descending);
            m_sortKey = upper;
        } else if (everyGroup) {
            for (auto& [key, group] : m_rows.Groups()) {
                SortRows(upper, group.rows, descending);
                group.sortKey = upper;
            }
        } else if (RdmRowGroup* group = m_rows.FindGroup(m_currentGroup)) {
            SortRows(upper, group->rows, descending);
            group->sortKey = upper;
        }
    });
}

void RdmStoreTab::SortAllGroups(const std::string& field, bool descending) {
    KeepCurrentRow([&] {
        for (auto& [key, group] : m_rows.Groups()) {
            SortRows(field, group.rows, descending);
            group.sortKey = field;
        }
    });
}

std::string RdmStoreTab::GetListKey() const {
    if (!m_groupMode) return m_sortKey;
    const RdmRowGroup* group = m_rows.FindGroup(m_currentGroup);
    return group ? group->sortKey : std::string();
}
