// RdmStoreTab: server moves and finds (one server step, then the whole tree
// below is reloaded), navigation over the stored rows, re-reading the
// current row, and the detail loading that goes with them.
#include <algorithm>
#include <functional>

#include "DbDescError.h"
#include "LurStrings.h"
#include "RdmStoreTab.h"
#include "ScopedKey.h"

namespace {

constexpr int kBadMoveCode = 2005;
constexpr int kRefused = 2012;
constexpr int kChangesWait = 2014;
constexpr int32_t kOptionOneStep = 4;
constexpr int32_t kMoveNone = 5;

}  // namespace

// ---- the common steps of the server moves and finds ----------------------------------

void RdmStoreTab::RefuseServerStep(int line) const {
    // The reload that follows would drop what waits anywhere below.
    if (m_owner || SubtreeHoldsChanges()) Refuse(kRefused, line);
}

bool RdmStoreTab::AfterRecordFound(int childCode, bool reset) {
    if (reset) ResetTree(true);
    ReloadCurrent();
    ReloadChildren();
    SetListPos(0);
    ListMove(0, childCode);
    return true;
}

// ---- server moves -----------------------------------------------------------------------

bool RdmStoreTab::Move(int32_t code, int childCode) {
    if (IsHungViewMaster()) return ListMove(code, childCode);
    RefuseServerStep(__LINE__);
    if (!RdmTable::Move(code)) return false;
    return AfterRecordFound(childCode, true);
}

bool RdmStoreTab::MoveByKey(int32_t code, const std::string& key, int childCode) {
    if (IsHungViewMaster()) return ListMove(code, childCode);
    RefuseServerStep(__LINE__);
    if (!RdmTable::MoveByKey(code, key)) return false;
    return AfterRecordFound(childCode, true);
}

bool RdmStoreTab::GoToBookmarkReload(const std::string& name, int childCode) {
    // Rows changed in deferred mode here or below would be lost by the reload.
    if (SubtreeHoldsChanges()) Refuse(kRefused, __LINE__);
    if (!RdmTable::GoToBookmark(name)) return false;
    // The bookmark only positions the server; the record comes from a read.
    if (!RdmTable::ReadCurrentRec(false)) return false;
    return AfterRecordFound(childCode, true);
}

bool RdmStoreTab::GoToBookmarkReloadEx(const std::string& name, int childCode) {
    return GoToBookmarkReload(name, childCode);
}

bool RdmStoreTab::CursorMove(const std::string& name, int32_t code, int childCode) {
    RefuseServerStep(__LINE__);
    if (!RdmTable::CursorMove(name, code)) return false;
    return AfterRecordFound(childCode, true);
}

// ---- record finds -------------------------------------------------------------------------

bool RdmStoreTab::StoreRecordFind(const std::function<bool()>& search, int childCode, bool reset) {
    if (IsHungViewMaster()) return GetListCount() > 0;
    RefuseServerStep(__LINE__);
    SetColumnValues();
    if (!search()) return false;
    return AfterRecordFound(childCode, reset);
}

bool RdmStoreTab::StoreFindRec(int childCode, bool reset) {
    return StoreRecordFind([this] { return RdmTable::FindRec(); }, childCode, reset);
}

bool RdmStoreTab::StoreFindRecNext(int childCode, bool reset) {
    return StoreRecordFind([this] { return RdmTable::FindRecNext(); }, childCode, reset);
}

bool RdmStoreTab::StoreFindRecPrev(int childCode, bool reset) {
    return StoreRecordFind([this] { return RdmTable::FindRecPrev(); }, childCode, reset);
}

bool RdmStoreTab::FindRec(int childCode) { return StoreFindRec(childCode, true); }
bool RdmStoreTab::FindRecKeep(int childCode) { return StoreFindRec(childCode, false); }
bool RdmStoreTab::FindRecByKey(const std::string& key, int childCode) {
    DefineKey(key);
    return StoreFindRec(childCode, true);
}
bool RdmStoreTab::FindRecByKeyKeep(const std::string& key, int childCode) {
    DefineKey(key);
    return StoreFindRec(childCode, false);
}
bool RdmStoreTab::FindRecNext(int childCode) { return StoreFindRecNext(childCode, true); }
bool RdmStoreTab::FindRecNextKeep(int childCode) { return StoreFindRecNext(childCode, false); }
bool RdmStoreTab::FindRecNextByKey(const std::string& key, int childCode) {
    DefineKey(key);
    return StoreFindRecNext(childCode, true);
}
bool RdmStoreTab::FindRecNextByKeyKeep(const std::string& key, int childCode) {
    DefineKey(key);
    return StoreFindRecNext(childCode, false);
}
bool RdmStoreTab::FindRecPrev(int childCode) { return StoreFindRecPrev(childCode, true); }
bool RdmStoreTab::FindRecPrevKeep(int childCode) { return StoreFindRecPrev(childCode, false); }
bool RdmStoreTab::FindRecPrevByKey(const std::string& key, int childCode) {
    DefineKey(key);
    return StoreFindRecPrev(childCode, true);
}
bool RdmStoreTab::FindRecPrevByKeyKeep(const std::string& key, int childCode) {
    DefineKey(key);
    return StoreFindRecPrev(childCode, false);
}

// ---- list finds ----------------------------------------------------------------------------

bool RdmStoreTab::StoreListFind(const std::function<bool()>& search, int32_t moveCode, bool reset) {
    if (IsHungViewMaster()) return GetListCount() > 0;
    RefuseServerStep(__LINE__);
    SetColumnValues();
    if (!search()) return false;
    if (reset) ResetTree(true);
    LoadAll();
    ReloadChildren();
    if (reset) {
        SetListPos(0);
        ListMove(moveCode, moveCode);
    }
    return true;
}

bool RdmStoreTab::StoreFindList(const std::string& key, int32_t moveCode, bool reset) {
    return StoreListFind([this, &key] { return RdmTable::FindList(key, kMoveNone); }, moveCode, reset);
}
bool RdmStoreTab::FindList(const std::string& key, int32_t moveCode) { return StoreFindList(key, moveCode, true); }
bool RdmStoreTab::FindListAdd(const std::string& key) { return StoreFindList(key, kMoveNone, false); }

bool RdmStoreTab::StoreFindListOr(const std::string& key, int32_t moveCode, bool reset) {
    return StoreListFind([this, &key] { return RdmTable::FindListOr(key, kMoveNone); }, moveCode, reset);
}
bool RdmStoreTab::FindListOr(const std::string& key, int32_t moveCode) { return StoreFindListOr(key, moveCode, true); }
bool RdmStoreTab::FindListOrAdd(const std::string& key) { return StoreFindListOr(key, kMoveNone, false); }

bool RdmStoreTab::StoreFindGreater(const std::string& key, int32_t moveCode, bool reset) {
    return StoreListFind([this, &key] { return RdmTable::FindGreater(key, kMoveNone); }, moveCode, reset);
}
bool RdmStoreTab::FindGreater(const std::string& key, int32_t moveCode) {
    return StoreFindGreater(key, moveCode, true);
}
bool RdmStoreTab::FindGreaterAdd(const std::string& key) { return StoreFindGreater(key, kMoveNone, false); }

bool RdmStoreTab::StoreFindLess(const std::string& key, int32_t moveCode, bool reset) {
    return StoreListFind([this, &key] { return RdmTable::FindLess(key, kMoveNone); }, moveCode, reset);
}
bool RdmStoreTab::FindLess(const std::string& key, int32_t moveCode) { return StoreFindLess(key, moveCode, true); }
bool RdmStoreTab::FindLessAdd(const std::string& key) { return StoreFindLess(key, kMoveNone, false); }

bool RdmStoreTab::StoreFindNotEqual(const std::string& field, int32_t moveCode, bool reset) {
    return StoreListFind([this, &field] { return RdmTable::FindNotEqual(field, kMoveNone); }, moveCode, reset);
}
bool RdmStoreTab::FindNotEqual(const std::string& field, int32_t moveCode) {
    return StoreFindNotEqual(field, moveCode, true);
}
bool RdmStoreTab::FindNotEqualAdd(const std::string& field) { return StoreFindNotEqual(field, kMoveNone, false); }

bool RdmStoreTab::StoreFindBetween(const std::string& key, int32_t moveCode, bool reset) {
    return StoreListFind([this, &key] { return RdmTable::FindBetween(key, kMoveNone); }, moveCode, reset);
}
bool RdmStoreTab::FindBetween(const std::string& key, int32_t moveCode) {
    return StoreFindBetween(key, moveCode, true);
}
bool RdmStoreTab::FindBetweenAdd(const std::string& key) { return StoreFindBetween(key, kMoveNone, false); }

// ---- navigation over the stored rows -------------------------------------------------------

bool RdmStoreTab::ListMove(int32_t code, int childCode) {
    const RdmRowList* rows = CurrentRows();
    if (!rows || rows->empty()) {
        ClearPositionTree();
        return code == kMoveNone && childCode == kChildNone;
    }
    const auto count = static_cast<int32_t>(rows->size());
    const int32_t position = Position();
    int32_t target = -1;
    switch (code) {
        case 0: target = 0; break;
        case 1:
            if (position < 1) return false;
            target = position - 1;
            break;
        case 2:
            if (position + 1 >= count) return false;
            target = position + 1;
            break;
        case 3: target = count - 1; break;
        case kMoveNone: target = -1; break;
        default: Refuse(kBadMoveCode, __LINE__);
    }
    return MakeCurrent(target, childCode);
}

bool RdmStoreTab::GoToPos(int32_t position, int childCode) {
    if (!CurrentRows()) {
        ClearPositionTree();
        return position == -1 && childCode == kChildNone;
    }
    return MakeCurrent(position, childCode);
}

bool RdmStoreTab::ListNext() {
    const RdmRowList* rows = CurrentRows();
    const int32_t next = Position() + 1;
    if (!rows || next >= static_cast<int32_t>(rows->size())) return false;
    // MakeCurrent (next, kChildNone) with the rows at hand: every step of a walk comes here.
    const RdmStoredRow& row = *(*rows)[static_cast<size_t>(next)];
    ShowRow(next, row);
    PositionChildren(row.id, kChildNone);
    return true;
}

bool RdmStoreTab::SetListPos(int32_t position) {
    const RdmRowList* rows = CurrentRows();
    if (!rows) return false;
    if (position == -1) {
        Position() = -1;
        RdmTable::ClearRecord();
        return true;
    }
    if (position < 0 || position >= static_cast<int32_t>(rows->size())) return false;
    ShowRow(position, *(*rows)[static_cast<size_t>(position)]);
    return true;
}

int32_t RdmStoreTab::GetListPos() const { return Position(); }

int32_t RdmStoreTab::GetListCount() const {
    const RdmRowList* rows = CurrentRows();
    return rows ? static_cast<int32_t>(rows->size()) : 0;
}

bool RdmStoreTab::MakeCurrent(int32_t index, int childCode) {
    if (!SetListPos(index)) return false;
    if (m_children.empty()) return true;
    const RdmStoredRow* row = CurrentRow();
    PositionChildren(row ? row->id : -1, childCode);
    return true;
}

void RdmStoreTab::ClearPositionTree() {
    Position() = -1;
    PositionChildren(-1, kChildNone);
    ClearRecordTree();
}

void RdmStoreTab::PositionChildren(int32_t rowId, int childCode) {
    if (m_children.empty()) return;
    if (childCode != kChildFirst && childCode != kChildNone) Refuse(kBadMoveCode, __LINE__);
    for (const auto& [name, child] : m_children) {
        if (!child->m_groupMode) continue;
        child->m_currentGroup = rowId;
        child->ListMove(childCode, childCode);
    }
}

// ---- re-reading the current row ---------------------------------------------------------------

bool RdmStoreTab::ReadCurrentRec(bool strict) {
    // The re-read replaces the detail rows of the whole subtree: refused
    // before any of them is touched.
    if (SubtreeHoldsChanges()) Refuse(kChangesWait, __LINE__);
    RdmPositionGuard guard(*this);
    if (m_owner) {
        if (m_currentGroup != -1) {
            RemoveGroupRows(m_currentGroup, true, true);
            ReloadGroup(m_currentGroup);
        }
        guard.End();
        // The reloaded rows have new ids and the record buffer holds the
        // group's last row: the row at the position is made current again,
        // so that the buffer and the children follow it.
        if (!MakeCurrent(GetListPos(), kChildFirst)) MakeCurrent(-1, kChildNone);
        return true;
    }
    RdmStoredRow* row = CurrentRow();
    if (row) {
        for (const auto& [name, child] : m_children) child->RemoveGroupRows(row->id, true, true);
    }
    if (!CurrentRows()) Refuse(kRefused, __LINE__);
    if (!row) {
        guard.End();
        return true;
    }
    LoadRow(*row);
    std::string sortedText;
    if (!m_sortKey.empty()) sortedText = Fld(m_sortKey).GetString();

    // The record is found again through the unique key; the current key comes
    // back on every path.
    ScopedKey noted(*GetDesc(), m_name);
    DefineKey(GetUniqueKeyName());
    const bool found = RdmTable::FindRec();
    noted.Restore();
    if (!found) {
        guard.End();
        return false;
    }
    row->record = CopyBuffer();
    // The sort keeps this row current and its record in the buffer, which the
    // children's reload reads.
    if (!m_sortKey.empty() && Fld(m_sortKey).GetString() != sortedText) SortList(m_sortKey, false, 1);
    const bool answer = UpdateChildrenForRow(strict, row->id);
    guard.End();
    return answer;
}

bool RdmStoreTab::UpdateChildrenForRow(bool strict, int32_t rowId) {
    bool answer = true;
    for (const auto& [name, child] : m_children) {
        if (child->m_currentGroup == rowId) {
            if (answer) answer = child->ReadCurrentRec(strict);
        } else {
            child->ReloadGroup(rowId);
        }
    }
    return answer;
}

// ---- detail loading ---------------------------------------------------------------------------

void RdmStoreTab::ReloadChildren() {
    if (m_owner) LoadDetailRows();
    for (const auto& [name, child] : m_children) child->ReloadChildren();
}

bool RdmStoreTab::PassesFilters() {
    return std::all_of(m_filters.begin(), m_filters.end(), [this](const auto& filter) {
        return lurutils::CompareText(Fld(filter.first).GetCStr(), filter.second, true) == 0;
    });
}

void RdmStoreTab::StoreListedRows(int32_t group) {
    while (RdmTable::ListNext()) {
        if (PassesFilters()) StoreBuffer(group);
    }
}

void RdmStoreTab::LoadDetailRows() { LoadDetails(true); }

void RdmStoreTab::ReloadGroup(int32_t ownerRowId) {
    // The group's rows go with their details in either mode (outside group
    // mode too, where RemoveGroupRows leaves them and the reload would store
    // them twice).
    RemoveDetailRows(ownerRowId);
    SetLinkValuesFromOwner();
    if (!RdmTable::FindList(m_linkKey, kMoveNone)) return;
    // Filtered as a full detail load filters; a group left empty is no error.
    StoreListedRows(ownerRowId);
    const RdmRowGroup* group = m_rows.FindGroup(ownerRowId);
    if (!group) return;
    const RdmRowList rows = group->rows;
    for (const RdmStoredRow* row : rows) {
        LoadRow(*row);
        UpdateChildrenForRow(true, row->id);
    }
}

void RdmStoreTab::SetLinkValuesFromOwner() {
    for (const auto& [master, detail] : m_links) Fld(detail).SetString(m_owner->Fld(master).GetString());
    SetColumnValues();
}

void RdmStoreTab::SetColumnValues() {
    for (const auto& [field, text] : m_columnValues) {
        if (m_owner && m_owner->HasFldName(field, false)) continue;
        Fld(field).SetString(text);
    }
}

// ---- walking every combination of rows -----------------------------------------------------

void RdmStoreTab::NextCombination(int32_t group, bool& found) {
    struct GroupModeOn {
        bool& mode;
        bool saved;
        explicit GroupModeOn(bool& flag) : mode(flag), saved(flag) { mode = true; }
        ~GroupModeOn() { mode = saved; }
    } groupModeOn(m_groupMode);

    if (!GroupRecord(group)) found = false;
    const auto advance = [this, &found] {
        bool childrenFound = true;
        bool moved = false;
        do {
            moved = ListNext();
            // The current row's children step even when this table could not.
            if (const RdmStoredRow* row = m_children.empty() ? nullptr : CurrentRow()) {
                for (const auto& [name, child] : m_children) child->NextCombination(row->id, childrenFound);
            }
            // The option is read only where it decides: a row without details.
        } while (moved && !childrenFound && !HasTableOption(kOptionOneStep));
        found = moved;
    };
    if (m_groupPos == -1) {
        advance();
        return;
    }
    if (!m_children.empty()) {
        const RdmStoredRow* row = CurrentRow();
        const int32_t rowId = row ? row->id : -1;
        for (auto child = m_children.rbegin(); child != m_children.rend() && !found; ++child) {
            child->second->NextCombination(rowId, found);
            if (!found) child->second->ListMove(0, 0);
        }
    }
    if (!found) advance();
}
