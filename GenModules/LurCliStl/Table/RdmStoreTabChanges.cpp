// RdmStoreTab: record changes on the stored rows, deferred mode with its
// snapshot and change journal, saving the journal to the server, and the
// aggregates over the stored rows.
//
// Saving is all or nothing. The journal of the whole subtree is written in
// one client transaction, begun not strict so that a transaction already
// open (a caller's, the SQL engine's) governs. Nothing local changes while
// the entries are written: only after the commit (or, in a caller's
// transaction, once every entry was written) do the entries leave the
// journals and the saved rows take the records the server returned. A
// failure aborts the transaction the save began and leaves rows, snapshot,
// journals and record buffers as they were.
#include <map>
#include <optional>
#include <vector>

#include "DbDescError.h"
#include "LurStrings.h"
#include "RdmStoreTab.h"
#include "RegistryTransaction.h"
#include "ScopedKey.h"

namespace {

constexpr int kRefused = 2012;
constexpr int kNoMasterRow = 2013;
constexpr int kBadAggregate = 2007;
constexpr int kNotFound = 10002;
constexpr int kNoUniqueKey = 10028;
constexpr int32_t kOptionUniqueKeyFirst = 0;
constexpr int32_t kOptionLinkMaintained = 3;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmStoreTab"};

}  // namespace

// What one save has written and what it changes locally once it succeeded.
struct RdmStoreTab::SaveRun {
    struct Written {
        RdmStoreTab* table;
        int32_t rowId;
        std::optional<std::vector<char>> record;  // the server's record for the row; none for a delete
    };
    using GoneRows = std::map<int32_t, std::vector<int32_t>>;  // group -> ids of journaled rows no longer visible
    // What the save notes of a table at its first visit.
    struct Visited {
        std::vector<char> buffer;  // the record buffer as it was before the save
        GoneRows gone;
        bool uniqueFirst = false;     // option 0: the details' unique keys select their records
        bool linkMaintained = false;  // option 3: link values from the owner before inserts and updates
    };

    std::vector<Written> written;
    std::map<RdmStoreTab*, Visited> visited;
    std::vector<std::pair<RdmStoreTab*, std::string>> lentKeys;  // (table, its own current key)

    // On a table's first visit: its record buffer and options are noted, and
    // its journaled rows that left the visible rows are indexed by group.
    // Those whose master row left the owner's rows without a delete (a direct
    // delete of the master while only the detail was deferred) belong to no
    // group a save reaches: they send nothing and leave the journal with this
    // save.
    const Visited& Visit(RdmStoreTab& table) {
        const auto known = visited.find(&table);
        if (known != visited.end()) return known->second;
        Visited& entry = visited[&table];
        entry.buffer = table.CopyBuffer();
        const TableOptions options = table.GetTableOptions();
        entry.uniqueFirst = options.Contains(kOptionUniqueKeyFirst);
        entry.linkMaintained = options.Contains(kOptionLinkMaintained);
        for (const auto& [rowId, journaled] : table.m_journal.Entries()) {
            if (table.m_rows.FindById(rowId)) continue;
            if (IsOrphan(table, journaled.group))
                written.push_back({&table, rowId, std::nullopt});
            else
                entry.gone[journaled.group].push_back(rowId);
        }
        return entry;
    }
    static bool IsOrphan(const RdmStoreTab& table, int32_t group) {
        const RdmStoreTab* owner = table.m_owner;
        if (!owner || table.m_viewMaster || owner->m_rows.FindById(group)) return false;
        const RdmJournalEntry* ownerEntry = owner->m_journal.Find(group);
        return !ownerEntry || (ownerEntry->operation & RdmChangeJournal::kDelete) == 0;
    }
    // The detail's unique key becomes its current key for the rest of the
    // save (10028 when it has none).
    void LendUniqueKey(RdmStoreTab& detail) {
        for (const auto& lent : lentKeys)
            if (lent.first == &detail) return;
        if (detail.GetUniqueKeyName().empty())
            throw DbDescError(kNoUniqueKey, Here(__LINE__), StrVector(detail.m_name));
        lentKeys.emplace_back(&detail, detail.GetCurrentKey());
        detail.UseUniqueKey();
    }
    // The save succeeded: entries leave the journals, rows take the server's records.
    void Finish() {
        for (Written& entry : written) {
            entry.table->m_journal.Remove(entry.rowId);
            if (entry.record) entry.table->m_rows.UpdateById(entry.rowId, entry.record->data());
        }
    }
    // Keys go back, and each record buffer shows its table's current row
    // again (the record as it now stands), or what it held before when there
    // is none. Never throws: it runs on the failure path too.
    void PutBack() noexcept {
        for (auto lent = lentKeys.rbegin(); lent != lentKeys.rend(); ++lent) {
            try {
                lent->first->DefineKey(lent->second);
            } catch (...) {
            }
        }
        for (const auto& [table, entry] : visited) {
            try {
                const RdmStoredRow* row = table->CurrentRow();
                if (row)
                    table->LoadRow(*row);
                else
                    table->GetDesc()->SetRecord(entry.buffer.data(), table->m_name);
            } catch (...) {
            }
        }
    }
};

// ---- rules of change ------------------------------------------------------------------

bool RdmStoreTab::CanChange() const {
    if (!GetTableOptions().Contains(kOptionLinkMaintained) || m_linkKey.empty()) return true;
    const std::string uniqueKey = GetUniqueKeyName();
    if (uniqueKey.empty()) return true;
    if (lurutils::ToUpper(ResolveKeyName(m_linkKey)) == uniqueKey) return false;
    return !(IsCompoundKey(m_linkKey) && KeyHasField(m_linkKey, uniqueKey));
}

bool RdmStoreTab::ChildBlocksDelete() const {
    for (const auto& [name, child] : m_children)
        if (child->GetGroupMode() && !child->IsListEmpty() && !child->m_linkKey.empty()) return true;
    return false;
}

void RdmStoreTab::TakeSnapshot() {
    if (!m_deferred || m_changesPending) return;
    m_snapshot.Assign(m_rows);
    m_changesPending = true;
}

// ---- where changes wait ----------------------------------------------------------------

bool RdmStoreTab::SubtreeHoldsChanges() const {
    if (m_changesPending || !m_journal.IsEmpty()) return true;
    for (const auto& [name, child] : m_children)
        if (child->SubtreeHoldsChanges()) return true;
    return false;
}

bool RdmStoreTab::RowHoldsChanges(int32_t rowId) const {
    if (m_journal.Contains(rowId)) return true;
    for (const auto& [name, child] : m_children)
        if (child->GroupHoldsChanges(rowId)) return true;
    return false;
}

bool RdmStoreTab::GroupHoldsChanges(int32_t group) const {
    // An entry keeps its row's group, so a row already deleted from the
    // visible rows counts too.
    for (const auto& [rowId, entry] : m_journal.Entries())
        if (entry.group == group) return true;
    const RdmRowGroup* rows = m_rows.FindGroup(group);
    if (!rows) return false;
    for (const RdmStoredRow* row : rows->rows) {
        for (const auto& [name, child] : m_children)
            if (child->GroupHoldsChanges(row->id)) return true;
    }
    return false;
}

// ---- record changes ------------------------------------------------------------------------

bool RdmStoreTab::NewRec() {
    if (m_groupMode && m_owner && m_currentGroup == -1) Refuse(kNoMasterRow, __LINE__);
    TakeSnapshot();
    if (GetTableOptions().Contains(kOptionLinkMaintained)) SetLinkValuesFromOwner();
    // Direct mode stores the record as the server returned it.
    if (!m_deferred) RdmTable::NewRec();
    const std::vector<char> record = CopyBuffer();
    const int32_t rowId = m_rows.Insert(m_currentGroup, record.data())->id;
    if (m_deferred) {
        try {
            m_journal.Add(RdmChangeJournal::kInsert, rowId, record.data(), m_currentGroup);
        } catch (...) {
            m_rows.RemoveRow(rowId);
            throw;
        }
    }
    return GoToPos(GetListCount() - 1, kChildNone);
}

bool RdmStoreTab::ModRec(bool strict) {
    if (!CanChange()) {
        if (strict) Refuse(kRefused, __LINE__);
        return false;
    }
    RdmStoredRow* row = CurrentRow();
    if (!row) Refuse(kRefused, __LINE__);
    TakeSnapshot();
    if (!m_deferred && !RdmTable::ModRec(strict)) return false;
    const std::vector<char> record = CopyBuffer();
    if (m_deferred && !m_journal.Merge(RdmChangeJournal::kUpdate, row->id, record.data()))
        m_journal.Add(RdmChangeJournal::kUpdate, row->id, record.data(), row->group);
    m_rows.UpdateById(row->id, record.data());
    return true;
}

bool RdmStoreTab::DelRec(bool strict) {
    if (!CanChange() || ChildBlocksDelete()) {
        if (strict) Refuse(kRefused, __LINE__);
        return false;
    }
    if (!CurrentRows()) Refuse(kRefused, __LINE__);
    const RdmStoredRow* row = CurrentRow();
    if (!row) {
        if (strict) Refuse(kNotFound, __LINE__);
        return false;
    }
    TakeSnapshot();
    if (m_deferred) {
        // The row leaves the visible rows; its entry, which keeps its group,
        // still sends the delete when the group is saved.
        if (!m_journal.Merge(RdmChangeJournal::kDelete, row->id, row->record.data()))
            m_journal.Add(RdmChangeJournal::kDelete, row->id, row->record.data(), row->group);
    } else if (!RdmTable::DelRec(strict)) {
        return false;
    }
    const int32_t rowId = row->id;
    RemoveAndFollow([this, rowId] { m_rows.RemoveRow(rowId); });
    return true;
}

// ---- deferred mode --------------------------------------------------------------------------

void RdmStoreTab::SetDeferred(bool on) {
    for (const auto& [name, child] : m_children) child->SetDeferred(on);
    m_deferred = on;
}

void RdmStoreTab::EndChanges(bool keep) {
    if (m_changesPending) {
        if (!keep) {
            RdmPositionGuard guard(*this);
            m_rows.Assign(m_snapshot);
            // Without the guard the position is kept when the restored rows
            // still have it, so that it never points past them.
            const RdmRowList* rows = CurrentRows();
            const int32_t position = Position();
            if (!rows || position >= static_cast<int32_t>(rows->size())) {
                SetListPos(-1);
            } else if (position >= 0) {
                SetListPos(position);
            }
            guard.End();
        }
        m_snapshot.Clear();
        m_changesPending = false;
    }
    // Nothing rolled back is sent later.
    if (!keep) m_journal.Clear();
    for (const auto& [name, child] : m_children) child->EndChanges(keep);
}

// ---- saving ------------------------------------------------------------------------------------

bool RdmStoreTab::SaveChanges() {
    std::optional<ScopedKey> key;
    if (GetTableOptions().Contains(kOptionUniqueKeyFirst)) {
        if (GetUniqueKeyName().empty()) throw DbDescError(kNoUniqueKey, Here(__LINE__), StrVector(m_name));
        key.emplace(*GetDesc(Here, __LINE__), m_name);
        UseUniqueKey();
    }
    const bool saved = SaveGroup(m_currentGroup);
    if (key) key->Restore();
    if (saved) EndChanges(true);
    return saved;
}

bool RdmStoreTab::SaveGroup(int32_t group) {
    if (!m_rows.FindGroup(group)) return false;
    if (!SubtreeHoldsChanges()) return true;  // nothing waits: no transaction either
    SaveRun run;
    try {
        InRegistryTransaction(*this, ("SAVE " + m_displayName).c_str(), [&] {
            WriteGroup(group, run);
            return true;
        });
    } catch (...) {
        run.PutBack();
        throw;
    }
    run.Finish();
    run.PutBack();
    return true;
}

void RdmStoreTab::WriteGroup(int32_t group, SaveRun& run) {
    // Rows that left the visible rows first (deferred deletes; a row
    // inserted and deleted again sends nothing), so that a key they free can
    // be taken by an insert of the same save.
    const SaveRun::Visited& visit = run.Visit(*this);
    const auto gone = visit.gone.find(group);
    for (const int32_t rowId : gone == visit.gone.end() ? std::vector<int32_t>() : gone->second) {
        const RdmJournalEntry& entry = *m_journal.Find(rowId);
        const bool deleted = (entry.operation & RdmChangeJournal::kDelete) != 0;
        const bool inserted = (entry.operation & RdmChangeJournal::kInsert) != 0;
        if (deleted && !inserted) {
            GetDesc(Here, __LINE__)->SetRecord(entry.record.data(), m_name);
            RdmTable::DelRec(true);
        }
        run.written.push_back({this, rowId, std::nullopt});
        WriteDetails(rowId, visit.uniqueFirst, run);
    }
    const RdmRowGroup* rows = m_rows.FindGroup(group);
    if (!rows) return;  // its rows were all removed from the list
    const RdmRowList ordered = rows->rows;
    for (const RdmStoredRow* row : ordered) {
        const RdmJournalEntry* entry = m_journal.Find(row->id);
        if (entry)
            WriteEntry(*entry, visit.linkMaintained, run);
        else
            LoadRow(*row);  // the details' link values come from this record
        WriteDetails(row->id, visit.uniqueFirst, run);
    }
}

void RdmStoreTab::WriteEntry(const RdmJournalEntry& entry, bool linkMaintained, SaveRun& run) {
    GetDesc(Here, __LINE__)->SetRecord(entry.record.data(), m_name);
    const uint8_t operation = entry.operation;
    std::optional<std::vector<char>> stored;
    if ((operation & RdmChangeJournal::kInsert) && (operation & RdmChangeJournal::kDelete)) {
        // Inserted and deleted again before the save: nothing to send.
    } else if (operation & RdmChangeJournal::kInsert) {
        if (linkMaintained) SetLinkValuesFromOwner();
        RdmTable::NewRec();
        stored = CopyBuffer();
    } else if (operation & RdmChangeJournal::kDelete) {
        RdmTable::DelRec(true);
    } else if (operation & RdmChangeJournal::kUpdate) {
        if (linkMaintained) SetLinkValuesFromOwner();
        RdmTable::ModRec(true);
        stored = CopyBuffer();
    }
    run.written.push_back({this, entry.rowId, std::move(stored)});
}

void RdmStoreTab::WriteDetails(int32_t rowId, bool uniqueFirst, SaveRun& run) {
    for (const auto& [name, child] : m_children) {
        if (uniqueFirst) run.LendUniqueKey(*child);
        child->WriteGroup(rowId, run);
    }
}

// ---- aggregates -------------------------------------------------------------------------------

std::string RdmStoreTab::Aggregate(std::string& out, const std::string& field, int32_t kind) {
    if (kind < DbDesc::kAggregateCount || kind > DbDesc::kAggregateMinimum) Refuse(kBadAggregate, __LINE__);
    const RdmRowList* rows = CurrentRows();
    const size_t count = rows ? rows->size() : 0;
    if (kind == DbDesc::kAggregateCount) return out = lurutils::ToString(static_cast<int32_t>(count));

    const std::vector<char> saved = CopyBuffer();
    struct PutBack {
        RdmStoreTab& table;
        const std::vector<char>& record;
        ~PutBack() {
            try {
                table.GetDesc()->SetRecord(record.data(), table.m_name);
            } catch (...) {
            }
        }
    } putBack{*this, saved};

    if (kind == DbDesc::kAggregateSum || kind == DbDesc::kAggregateAverage) {
        if (count == 0) return out = "0";
        const RdmFld& value = Fld(field);
        double sum = 0;
        for (const RdmStoredRow* row : *rows) {
            LoadRow(*row);
            sum += value.GetDouble();
        }
        return out =
                   DbDesc::AggregateNumberText(kind == DbDesc::kAggregateSum ? sum : sum / static_cast<double>(count));
    }
    // Largest or smallest by the field's own comparison; the field is named
    // as the description names it (no alias).
    const RdmFld value(GetDesc(Here, __LINE__), m_name, field, false);
    if (count == 0) return out = std::string();
    RdmFld best(value);
    best.Detach();
    RdmFld candidate(best);
    for (size_t i = 0; i < count; ++i) {
        LoadRow(*(*rows)[i]);
        candidate.SetString(value.GetString());
        if (i == 0 || (kind == DbDesc::kAggregateMaximum ? candidate > best : candidate < best)) best = candidate;
    }
    return out = best.GetString();
}
