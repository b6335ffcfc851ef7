// RdmStoreTab: a table object that keeps the records it reads in memory and
// can hang further stored tables under itself as detail tables. A tree of
// stored tables is what a view is made of.
//
// A move or find on the root goes to the server once and then reloads the
// whole tree below it: each detail table reads, with one list search for all
// the stored rows of its owner, the detail rows of every owner row, grouped
// by the owner row's id. Navigation inside the tree then makes no server call: a
// detail table in group mode shows only the group of its owner's current row.
//
// Sources by topic: RdmStoreTab.cpp (object, child registry, links, column
// values, filters, row management, position guard), RdmStoreTabNavigation.cpp
// (server moves and finds, stored-row navigation, detail loading),
// RdmStoreTabTree.cpp (operations over the whole tree), RdmStoreTabLists.cpp
// (list searches, removals, sorting), RdmStoreTabChanges.cpp (changes and
// saving) and RdmSortHelper.cpp (the detail loads' one search).
//
// Errors are DbDescError from the source RdmStoreTab with the table's display
// name as the argument: 2005 bad move code, 2012 refused (a server move on a
// detail table, or while changes wait in the subtree; remove without
// cascade), 2014 a re-read or a removal that would drop changes still to be
// saved, 2015 child not listed, 2017 child name already listed.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "RdmChangeJournal.h"
#include "RdmRowStore.h"
#include "RdmTable.h"

class RdmStoreTab;

// Saved position of one table of a tree (SavePositions / RestorePositions).
struct RdmStorePosition {
    int32_t allPos = -1;
    int32_t groupPos = -1;
    bool groupMode = true;
};

// Keeps the current row across an operation that reloads or reorders rows:
// armed only when the table's options hold option 2 and it has a current
// row; at the end the row with the same unique-key texts becomes current
// again (no current row when none has them). The destructor never throws;
// End reports what it met.
class RdmPositionGuard {
public:
    explicit RdmPositionGuard(RdmStoreTab& table);
    ~RdmPositionGuard();
    RdmPositionGuard(const RdmPositionGuard&) = delete;
    RdmPositionGuard& operator=(const RdmPositionGuard&) = delete;

    // Restores the position now (once); failures pass on.
    void End();
    bool IsArmed() const { return m_armed; }

private:
    RdmStoreTab* m_table;
    bool m_armed = false;
    std::vector<std::string> m_keyFields;
    std::vector<std::string> m_keyTexts;
};

class RdmStoreTab : public RdmTable {
public:
    using Link = std::pair<std::string, std::string>;  // (master field, detail field)
    using Links = std::vector<Link>;
    using FieldTexts = std::vector<std::pair<std::string, std::string>>;  // (field, text)
    using ChildMap = std::map<std::string, RdmStoreTab*>;
    using PositionMap = std::map<std::string, RdmStorePosition>;
    using OptionsMap = std::map<std::string, TableOptions>;

    // Child move codes: the children of a newly current row start on their
    // first row, or without a current row.
    static constexpr int kChildFirst = 0;
    static constexpr int kChildNone = 5;

    // ---- object (RdmStoreTab.cpp) ----------------------------------------------

    RdmStoreTab();
    // The table of that name in the description, listed under the owner (when
    // given) by its display name (upper-cased); 2017 when the owner lists
    // that name already.
    RdmStoreTab(RdmStoreTab* owner, DbDesc* desc, const std::string& table, const std::string& displayName,
                bool viewMaster);
    // A copy has the other's stored state but no owner and no children.
    RdmStoreTab(const RdmStoreTab& other);
    // Base assignment, display name, then CopyState; owner and children stay.
    RdmStoreTab& operator=(const RdmStoreTab& other);
    // Destroys the children that are not view masters, clears the owner of
    // those that are, and unlists the table from its owner. Never throws.
    ~RdmStoreTab() override;

    // Rows, snapshot and journal (ids kept), positions, sort key, current
    // group, links, link key, column values, filters, flags, table options
    // and next-id name.
    void CopyState(const RdmStoreTab& other);

    // ---- child registry -----------------------------------------------------------

    // Lists the child under its display name (an empty name means that one).
    void AddChild(RdmStoreTab* child, const std::string& name = std::string());
    // Unlists the child (not destroyed); 2015 when not listed.
    void RemoveChild(const std::string& name);
    void RenameChild(const std::string& oldName, const std::string& newName);
    RdmStoreTab* GetOwner() const { return m_owner; }
    // Moves the table from its owner's children to the new owner's (null: none).
    void SetOwner(RdmStoreTab* owner);
    // The owner renames its entry first; the name is taken as given.
    void Rename(const std::string& displayName);
    const std::string& GetDisplayName() const { return m_displayName; }
    const ChildMap& GetChildren() const { return m_children; }
    int32_t GetCurrentGroup() const { return m_currentGroup; }
    bool IsViewMaster() const { return m_viewMaster; }

    // ---- links, column values, filters ----------------------------------------------

    void AddLink(const std::string& masterField, const std::string& detailField, const std::string& linkKey);
    void SetLinks(const Links& links, const std::string& linkKey);
    const Links& GetLinks() const { return m_links; }
    const std::string& GetLinkKey() const { return m_linkKey; }
    // own: the name is a master or detail field of this table's links (exact
    // comparison); otherwise the links of every ancestor (false at a root).
    bool IsLinkField(const std::string& name, bool own) const;
    // The base's alias change; the children's links that name the field as
    // master field then name the alias.
    bool SetAlias(const std::string& alias, const std::string& field) override;

    void SetColumnValue(const std::string& field, const std::string& text);
    void RemoveColumnValue(const std::string& field);
    void ClearColumnValues() { m_columnValues.clear(); }
    const std::map<std::string, std::string>& GetColumnValues() const { return m_columnValues; }

    // Names compare exactly; a detail record is stored only when each filter's
    // field text equals the filter's text, ignoring case.
    FieldTexts& GetFilters() { return m_filters; }
    const FieldTexts& GetFilters() const { return m_filters; }
    void SetFilters(const FieldTexts& filters) { m_filters = filters; }
    std::string GetFilterValue(const std::string& field) const;
    void SetFilterValue(const std::string& field, const std::string& text);
    void RemoveFilter(const std::string& field);
    void ClearFilters() { m_filters.clear(); }

    virtual bool GetGroupMode() const { return m_groupMode; }
    virtual void SetGroupMode(bool on) { m_groupMode = on; }

    // ---- rows ------------------------------------------------------------------------

    // Visible rows and journal cleared, changes pending off, positions and
    // current group -1, sort key empty (snapshot, deferred, children stay).
    void Reset();
    // Every record of the server-side list becomes a row of group -1; no
    // current row afterwards.
    virtual bool LoadAll();
    // The record buffer becomes the only row (group -1); no current row.
    virtual bool ReloadCurrent();
    // A detail table in group mode drops the current group's rows (with their
    // details; the children then follow no row); any other table clears its
    // rows and server list, and those of every descendant. True; 2014 when
    // a row it would drop, or a detail row of one, holds changes.
    bool ClearList() override;
    // In group mode: with cascade, every child first drops its group of each
    // of the group's rows; with remove, the rows leave the visible rows and
    // the group record is dropped. Remove without cascade: 2012.
    void RemoveGroupRows(int32_t group, bool remove, bool cascade);
    void ResetTree(bool resetSelf);
    // Zeroes the record buffer of this table and of every descendant.
    void ClearRecordTree();

    // The rows the table works on: the current group's in group mode (null
    // when that group has no record), all visible rows otherwise.
    const RdmRowList* CurrentRows() const;
    // The current row; null when there is none.
    RdmStoredRow* CurrentRow() const;
    const RdmRowStore& GetRowStore() const { return m_rows; }
    const RdmChangeJournal& GetJournal() const { return m_journal; }
    bool HasChangesPending() const { return m_changesPending; }
    // Changes wait somewhere in the subtree (hung view masters included): a
    // table's changes-pending flag or a journal entry. Every operation that
    // would reload or clear the subtree refuses while this holds.
    bool SubtreeHoldsChanges() const;

    // ---- server moves and finds (RdmStoreTabNavigation.cpp) ----------------------

    bool Move(int32_t code, int childCode = kChildFirst) override;
    bool MoveByKey(int32_t code, const std::string& key, int childCode = kChildFirst) override;
    bool FindRec(int childCode = kChildFirst) override;
    bool FindRecByKey(const std::string& key, int childCode = kChildFirst) override;
    bool FindRecNext(int childCode = kChildFirst) override;
    bool FindRecNextByKey(const std::string& key, int childCode = kChildFirst) override;
    bool FindRecPrev(int childCode = kChildFirst) override;
    bool FindRecPrevByKey(const std::string& key, int childCode = kChildFirst) override;
    // The Keep forms leave the tree below to the reload instead of resetting it first.
    virtual bool FindRecKeep(int childCode = kChildFirst);
    virtual bool FindRecByKeyKeep(const std::string& key, int childCode = kChildFirst);
    virtual bool FindRecNextKeep(int childCode = kChildFirst);
    virtual bool FindRecNextByKeyKeep(const std::string& key, int childCode = kChildFirst);
    virtual bool FindRecPrevKeep(int childCode = kChildFirst);
    virtual bool FindRecPrevByKeyKeep(const std::string& key, int childCode = kChildFirst);
    virtual bool StoreFindRec(int childCode, bool reset);
    virtual bool StoreFindRecNext(int childCode, bool reset);
    virtual bool StoreFindRecPrev(int childCode, bool reset);

    bool FindList(const std::string& key, int32_t moveCode) override;
    bool FindListAdd(const std::string& key) override;
    bool FindListOr(const std::string& key, int32_t moveCode) override;
    bool FindListOrAdd(const std::string& key) override;
    bool FindGreater(const std::string& key, int32_t moveCode) override;
    bool FindGreaterAdd(const std::string& key) override;
    bool FindLess(const std::string& key, int32_t moveCode) override;
    bool FindLessAdd(const std::string& key) override;
    bool FindNotEqual(const std::string& field, int32_t moveCode) override;
    bool FindNotEqualAdd(const std::string& field) override;
    bool FindBetween(const std::string& key, int32_t moveCode) override;
    bool FindBetweenAdd(const std::string& key) override;
    virtual bool StoreFindList(const std::string& key, int32_t moveCode, bool reset);
    virtual bool StoreFindListOr(const std::string& key, int32_t moveCode, bool reset);
    virtual bool StoreFindGreater(const std::string& key, int32_t moveCode, bool reset);
    virtual bool StoreFindLess(const std::string& key, int32_t moveCode, bool reset);
    virtual bool StoreFindNotEqual(const std::string& field, int32_t moveCode, bool reset);
    virtual bool StoreFindBetween(const std::string& key, int32_t moveCode, bool reset);

    // Refused (2012) while changes wait in the subtree; the bookmarked record
    // is read from the server before it is stored.
    virtual bool GoToBookmarkReload(const std::string& name, int childCode = kChildFirst);
    virtual bool GoToBookmarkReloadEx(const std::string& name, int childCode = kChildFirst);
    // Refused (2012) on any table with an owner.
    bool CursorMove(const std::string& name, int32_t code, int childCode = kChildFirst) override;

    // ---- stored-row navigation (no server call) ---------------------------------------

    bool ListMove(int32_t code, int childCode = kChildFirst) override;
    bool GoToPos(int32_t position, int childCode = kChildFirst) override;
    // The next row; its children have no current row.
    bool ListNext() override;
    // Loads the row into the record buffer (-1: none, buffer cleared); the
    // children are not touched.
    bool SetListPos(int32_t position) override;
    int32_t GetListPos() const override;
    int32_t GetListCount() const override;
    // The current row and its detail rows are read again from the server;
    // 2014, before any row is touched, while changes wait in the subtree.
    bool ReadCurrentRec(bool strict = false) override;
    // The next combination of a row of this table and rows of its details
    // under the group key (the view's record walk).
    void NextCombination(int32_t group, bool& found);

    // ---- detail loading ----------------------------------------------------------------

    // The detail rows of the whole tree below the table are read again.
    void ReloadChildren();
    // The table's rows are read again for every stored row of its owner, with
    // one search for all of them (LoadDetails).
    void LoadDetailRows();
    // The table's rows of one owner row are read again (filters applied).
    void ReloadGroup(int32_t ownerRowId);
    // Link fields from the owner's record buffer, then the column values.
    void SetLinkValuesFromOwner();
    void SetColumnValues();
    // The children are brought up to date for one row of this table.
    bool UpdateChildrenForRow(bool strict, int32_t rowId);

    // ---- operations over the tree (RdmStoreTabTree.cpp) ------------------------------

    // prefix + name as this table's display name, else the first own table
    // displayed as name (both upper-cased); null when none.
    RdmStoreTab* FindTable(const std::string& name, const std::string& prefix);
    // Copies the source's children that are not view masters, with their
    // stored state and fields, under newOwner; descriptions by database name.
    static void CopyChildren(const RdmStoreTab& source, RdmStoreTab* newOwner,
                             const std::map<std::string, DbDesc*>& descs);
    void ClearColumnValuesTree();
    void SetGroupModeTree(bool on);
    void AddTableOptionTree(int32_t option);
    void RemoveTableOptionTree(int32_t option);
    void SetTableOptionsTree(const TableOptions& options);
    void SetFieldsChangedTree(bool changed);
    void SaveTableOptions(OptionsMap& out) const;
    void RestoreTableOptions(const OptionsMap& saved);
    void SavePositions(PositionMap& out) const;
    void RestorePositions(const PositionMap& saved);
    bool AnyFieldsChanged() const;
    void CountTables(int32_t& counter) const;
    void CollectTables(std::vector<RdmStoreTab*>& out);
    // 2017 when two tables of the tree use one alias.
    void CollectAliasFields(std::map<std::string, RdmFld*>& out);
    void CollectAliasFieldList(std::vector<RdmFld*>& out);
    void CollectFieldNames(std::vector<std::string>& out) const;
    void CollectFieldDescs(std::vector<FieldDesc>& out) const;
    void CountFields(int16_t& counter) const;
    void CollectTableNames(std::map<std::string, std::string>& out) const;
    void CollectAliases(std::map<std::string, std::string>& out) const;

    // ---- list searches, removals and sorting (RdmStoreTabLists.cpp) -------------------

    int32_t FindInList(const std::string& field, const std::string& value, int32_t start) override;
    int32_t FindInListByValues(const DbDesc::FieldValues& values, int32_t start) override;
    // A found row becomes current, its children on their first rows.
    bool LocateInList(const std::string& field, const std::string& value, int32_t start) override;
    bool LocateInListByValues(const DbDesc::FieldValues& values, int32_t start) override;
    // Removes stored rows (with their detail rows) only; the server's records
    // stay. 2014 while this table's journal holds entries or a detail row of
    // the row does. The current row stays current when it stays; when it
    // goes, the row now at its place (or none) becomes current, its record
    // in the buffer and the children on its group.
    bool RemoveFromList(int32_t index) override;
    int32_t RemoveValueFromList(const std::string& field, const std::string& value, int32_t start) override;
    // Every matching row goes (all or none); -1 (0 when the current group has
    // no record).
    int32_t RemoveAllValuesFromList(const std::string& field, const std::string& value, int32_t start) override;
    // Stable by the field's comparison; descending is the exact reverse. The
    // current row stays current (at its new index).
    void SortList(const std::string& field, bool descending, int everyGroup = 0) override;
    std::string GetListKey() const override;
    void SortAllGroups(const std::string& field, bool descending);

    // Changes and saving (RdmStoreTabChanges.cpp)

    // In direct mode a change goes to the server first and the row then
    // holds the record the server returned. In deferred mode it changes the
    // rows and is noted in the journal (operation bits accumulate); the first
    // change takes the snapshot that EndChanges (false) returns to.
    // NewRec: a new row of the current group (2013 on a detail table without
    // a current master row), made current with its children on no row.
    bool NewRec() override;
    // The current row from the record buffer. Refused where CanChange says
    // no (2012 when strict, else false); 2012 without a current row.
    bool ModRec(bool strict = false) override;
    // Deletes the current row; the row at its place becomes current and the
    // children follow it. Refused where CanChange says no or a child in group
    // mode still shows rows (2012 when strict, else false); 10002 (strict)
    // without a current row. A deferred delete is sent by the next save.
    bool DelRec(bool strict = false) override;
    // Saves the current group and the subtree below it (SaveGroup), with
    // option 0 through the unique key (10028 for a table without one, before
    // anything is written); then ends the changes keeping them.
    bool SaveChanges() override;
    // Over the rows: 0 count, 1 sum, 2 average, 3 largest, 4 smallest
    // (2007 for another kind); the record buffer is left as it was.
    std::string Aggregate(std::string& out, const std::string& field, int32_t kind) override;
    // Deferred mode on every descendant, then on this table.
    void SetDeferred(bool on);
    bool IsDeferred() const { return m_deferred; }
    // Ends pending changes here and below: keep drops the snapshot (after a
    // save); otherwise the rows return to the snapshot and the journals are
    // emptied, so nothing cancelled is sent later.
    void EndChanges(bool keep);
    // Writes the journal entries of the group and of its rows' detail groups
    // in one client transaction, all or nothing (see RdmStoreTabChanges.cpp).
    // False when the group has no record; a failure passes on.
    bool SaveGroup(int32_t group);
    // Option 3 (link-maintained) refuses changes to a table whose link key
    // is its unique key or a compound key holding it.
    bool CanChange() const;

    // Bulk loader (RdmSortHelper.cpp)

    // The table's rows read again as LoadDetailRows reads them, without the
    // filters.
    void LoadSorted();

private:
    // The table's rows read again for every stored owner row with one
    // OR-search over the distinct search keys (owner rows whose value the
    // helper cannot share search alone), stored owner row by owner row, each
    // group in the server's order (key, then insertion), as searches one by
    // one store them; with filtered, only records that pass the filters.
    void LoadDetails(bool filtered);

    // Changes and saving
    struct SaveRun;
    bool ChildBlocksDelete() const;
    void TakeSnapshot();
    // Changes wait for the row (its journal entry) or below it, in its
    // details' rows, deleted ones included.
    bool RowHoldsChanges(int32_t rowId) const;
    bool GroupHoldsChanges(int32_t group) const;
    void WriteGroup(int32_t group, SaveRun& run);
    void WriteEntry(const RdmJournalEntry& entry, bool linkMaintained, SaveRun& run);
    void WriteDetails(int32_t rowId, bool uniqueFirst, SaveRun& run);

private:
    friend class RdmPositionGuard;
    friend class RdmSortHelper;

    // Positions on the current rows: the group position in group mode, the
    // all-rows position otherwise.
    int32_t& Position() { return m_groupMode ? m_groupPos : m_allPos; }
    int32_t Position() const { return m_groupMode ? m_groupPos : m_allPos; }
    RdmRowList* CurrentRowsMutable();
    // m_rows' group record of a key (null when none), through m_foundGroup.
    const RdmRowGroup* GroupRecord(int32_t key) const;
    // Makes the row at the index current and positions the children for it.
    bool MakeCurrent(int32_t index, int childCode);
    void PositionChildren(int32_t rowId, int childCode);
    // No current row here and below (children on group -1), buffers cleared.
    void ClearPositionTree();
    // Loads a row's record into the record buffer.
    void LoadRow(const RdmStoredRow& row);
    // The row at that position of the current rows becomes current, its
    // record in the buffer (the children are not touched).
    void ShowRow(int32_t position, const RdmStoredRow& row) {
        Position() = position;
        LoadRow(row);
    }
    // The record buffer as a record-size copy.
    std::vector<char> CopyBuffer() const;
    // The record buffer becomes a new row of the group (without a copy of its own).
    void StoreBuffer(int32_t group);
    // The common steps after a successful server step of a record find or move.
    bool AfterRecordFound(int childCode, bool reset);
    // Record finds and list finds: the refusals, the column values, the
    // server search, then the rows stored and the tree reloaded.
    bool StoreRecordFind(const std::function<bool()>& search, int childCode, bool reset);
    bool StoreListFind(const std::function<bool()>& search, int32_t moveCode, bool reset);
    // The master of a sub-view hung under a table: its server moves and
    // finds work on its stored rows.
    bool IsHungViewMaster() const { return m_owner && m_viewMaster; }
    // 2012 for a server step on a detail table or while changes are pending.
    void RefuseServerStep(int line) const;
    // Stores every record of the server-side list that passes the filters
    // under the group key.
    void StoreListedRows(int32_t group);
    bool PassesFilters();
    // Reset and the base list cleared on this table and every descendant.
    void ClearTree();
    // This table's rows of one owner row leave the visible rows, each after
    // its own detail rows (the group record stays, empty).
    void RemoveDetailRows(int32_t ownerRowId);
    // Runs the removal; the row that was current stays current, or the row
    // now at its place (none past an empty list) becomes current with the
    // children following it. Both positions are set.
    void RemoveAndFollow(const std::function<void()>& remove);
    // Removes the rows with their detail rows, all or none (2014 while one of
    // them, or this table's journal, holds changes).
    void RemoveRows(const std::vector<int32_t>& ids);
    // The first row from start on that matches (row loaded into the record
    // buffer while tested); -1 when none. The record buffer is kept.
    int32_t SearchRows(int32_t start, const std::function<bool()>& matches);
    // Runs the reordering and keeps the current row current at its new index,
    // its record in the buffer (the children stay on its group).
    void KeepCurrentRow(const std::function<void()>& reorder);
    void SortRows(const std::string& field, RdmRowList& rows, bool descending);
    // Pre-order walks: every table of the subtree, or the own tables (view
    // masters below this one left out with everything under them).
    void WalkAll(const std::function<void(RdmStoreTab&)>& visit);
    void WalkOwn(const std::function<void(RdmStoreTab&)>& visit);
    void WalkAll(const std::function<void(const RdmStoreTab&)>& visit) const;
    void WalkOwn(const std::function<void(const RdmStoreTab&)>& visit) const;
    // The row that is current again after a guard, by unique-key texts.
    void RestoreRowByKey(const std::vector<std::string>& fields, const std::vector<std::string>& texts);
    [[noreturn]] void Refuse(int code, int line) const;
    // Takes this table out of its owner's children (only its own entry).
    void Unlist() noexcept;

    int32_t m_recordSize = 0;
    int32_t m_allPos = -1;
    int32_t m_groupPos = -1;
    int32_t m_currentGroup = -1;
    bool m_groupMode = true;
    RdmRowStore m_rows;              // the visible rows
    RdmRowStore m_snapshot;          // taken at the first deferred change
    RdmStoreTab* m_owner = nullptr;  // not owned
    ChildMap m_children;             // by display name; owned unless view masters
    std::string m_displayName;
    Links m_links;
    std::string m_linkKey;
    std::map<std::string, std::string> m_columnValues;
    FieldTexts m_filters;
    std::string m_sortKey;  // the last sort over all rows (group mode off)
    RdmChangeJournal m_journal;
    bool m_deferred = false;
    bool m_changesPending = false;
    bool m_viewMaster = false;
    // GroupRecord's last lookup in m_rows (never copied).
    struct FoundGroup {
        int32_t key = -1;
        uint64_t groupsChanged = 0;
        bool valid = false;
        const RdmRowGroup* group = nullptr;
    };
    mutable FoundGroup m_foundGroup;
};
