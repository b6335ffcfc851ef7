// RdmView: several tables, possibly of several tablespaces, behind one name.
//
// The tables form one tree of stored tables (RdmStoreTab): the master at the
// root, each detail a child of the table it depends on, linked to it by
// field pairs, so that positioning a parent reloads its details with the
// matching rows. The view owns its own copies of the tablespace descriptions
// (one per database name, copied from the connection's DbDescMap), so its
// tables have record buffers and lists apart from every other user of the
// connection. Whole views can be attached as sub-views: the attached copy's
// master becomes a detail of a table of this view.
//
// Searches and moves go to the master (RdmViewSearch.cpp); the view adds the
// walk over every combination of master and detail rows, its count, and
// lookups of tables and fields. Editing (RdmViewEdit.cpp) locks the master's
// current record, switches the tree to deferred changes and saves them in
// one transaction.
//
// Errors are DbDescError from source "RdmView" with the view's name first
// among their arguments. A table or field pointer handed out is valid until
// the view is closed, assigned or destroyed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DbDesc.h"
#include "DbDescMap.h"
#include "RdmStoreTab.h"
#include "StrVector.h"

class RdmView {
public:
    // Database name (upper case) -> the view's own description. The view
    // owns the descriptions (it deletes them in Close).
    using DescMap = LuMap<std::string, DbDesc*>;
    // Display name -> options of that table.
    using OptionsMap = RdmStoreTab::OptionsMap;
    // (parent field, detail field) pairs.
    using LinkPairs = RdmStoreTab::Links;

    // ---- life cycle (RdmView.cpp) ----------------------------------------------

    // Closed, without tablespace map or tables.
    RdmView();
    // Init with the arguments; the options are not used by the view.
    RdmView(DbDescMap* tablespaces, const std::string& name, const TableOptions& options);
    // An independent copy: descriptions, tables with their rows, attached
    // views. A copy holds no record lock of its source.
    RdmView(const RdmView& other);
    RdmView& operator=(const RdmView& other);
    // The content (descriptions, tables with their rows, attached views, a
    // held record lock, an edit in progress) changes owner without a copy;
    // the source is left closed and empty. Table and field pointers handed
    // out stay valid and now belong to the target.
    RdmView(RdmView&& other) noexcept;
    // Closes this view first (a failing unlock is raised, and the source
    // then keeps its content).
    RdmView& operator=(RdmView&& other);
    // Closes the view; a failing unlock is dropped here (Close reports it).
    virtual ~RdmView();

    // False and nothing changed when the view is open.
    bool Init(DbDescMap* tablespaces, const std::string& name, const TableOptions& options);
    // Close when open, then Init.
    bool Open(DbDescMap* tablespaces, const std::string& name, const TableOptions& options);
    bool IsOpen() const { return m_open; }
    // Releases a held record lock, then drops tables, attached views and
    // descriptions. The lock's failure is raised after everything is gone.
    void Close();

    const std::string& GetName() const { return m_name; }
    std::string GetPrefix() const { return m_prefix; }
    // Options 0-3, for callers that want the usual set.
    static TableOptions DefaultOptions();

    // ---- descriptions --------------------------------------------------------------

    // The view's description of the database (upper-case name), copied from
    // the tablespace map on first use; 2000 (name) at where when the map
    // has no such open tablespace.
    DbDesc* DescFor(const std::string& dbName, const ErrorLocation& where);
    // The map that later descriptions are copied from (not owned): for a
    // view that outlives the map it was made on.
    void SetTablespaces(DbDescMap* tablespaces) { m_tablespaces = tablespaces; }
    const DescMap& GetDescs() const { return m_descs; }
    // The name under which the description of that number is kept; "".
    std::string DbNameOf(int32_t dbNo) const;

    // ---- tables and links ----------------------------------------------------------

    // The first table added becomes the master (link arguments unused). A
    // detail needs a parent in the tree and an alias no table of the tree
    // has (2002); the alias defaults to the table name, the key to the
    // detail field.
    RdmView& AddTable(std::string alias, const std::string& dbName, const std::string& tableName,
                      const std::string& detailField, const std::string& parentName, const std::string& parentField,
                      std::string keyName);
    // A detail linked by several pairs through the key; the database must
    // already have a description in the view (LuMapExcept otherwise).
    RdmView& AddDetailTable(std::string alias, const std::string& dbName, const std::string& tableName,
                            const std::string& parentName, LinkPairs links, const std::string& keyName);
    // Attaches a copy of the other view under the alias (default: its name):
    // its master becomes a child of the parent table, linked parent field ->
    // other field through the key (default: the other field). An alias
    // already attached: false, or 10005 when strict.
    bool AddView(const RdmView& other, const std::string& otherField, const std::string& parentName,
                 const std::string& parentField, std::string keyName, std::string alias, bool strict);
    // The same with one link pair (parent field of the parent table, field of
    // the other view's master) and a key that must be given.
    bool AddView(const RdmView& other, const std::string& parentName, LinkPairs links, const std::string& keyName,
                 std::string alias, bool strict);
    // The attached view of the alias (any case); null when none.
    RdmView* GetSubView(const std::string& alias);
    // The same; 2016 (alias) when none.
    RdmView& SubView(const std::string& alias);
    // On an attached view: the alias becomes the prefix and the start of the
    // master's display name (alias K, master CAR: KCAR).
    void SetPrefix(const std::string& alias);

    // ---- finds and moves of the master (RdmViewSearch.cpp) ---------------------
    // Each ends a running walk; 2008 without a master.

    bool FindRecByKey(const std::string& key, int childCode = 0);
    bool FindRec(int childCode = 0);
    bool FindRecNextByKey(const std::string& key, int childCode = 0);
    bool FindRecNext(int childCode = 0);
    bool FindRecPrevByKey(const std::string& key, int childCode = 0);
    bool FindRecPrev(int childCode = 0);
    bool MoveByKey(int32_t code, const std::string& key, int childCode = 0);
    bool Move(int32_t code, int childCode = 0);

    // ---- list searches of the master; 2008 without a master -----------------------
    // The master's key values are taken from its record buffer; an empty key
    // with FindList lists every row. Move code 5 leaves no current row.

    bool FindList(const std::string& key, int32_t moveCode);
    bool FindListOr(const std::string& key, int32_t moveCode);
    bool FindGreater(const std::string& key, int32_t moveCode);
    bool FindLess(const std::string& key, int32_t moveCode);
    bool FindNotEqual(const std::string& field, int32_t moveCode);
    bool FindBetween(const std::string& key, int32_t moveCode);
    bool FindListAdd(const std::string& key);
    bool FindListOrAdd(const std::string& key);
    bool FindGreaterAdd(const std::string& key);
    bool FindNotEqualAdd(const std::string& field);
    bool FindBetweenAdd(const std::string& key);

    // ---- bookmarks and cursors of the master; 2011 without a master ---------------

    bool CreateBookmark(const std::string& name);
    void DropBookmark(const std::string& name);
    bool GoToBookmarkReload(const std::string& name);
    bool GoToBookmarkReloadEx(const std::string& name);
    bool CreateCursor(const std::string& name, const std::string& key);
    void DropCursor(const std::string& name);
    bool CursorMove(const std::string& name, int32_t code, int childCode = 0);

    // ---- the walk over every combination of master and detail rows --------------

    // Switches the tree to group mode and leaves the master without a
    // current row; nothing while a walk runs.
    void StartIteration();
    // The next combination (starting a walk when none runs); false at the end.
    bool NextRecord();
    void EndIteration();
    // The number of combinations; every table's position and group mode,
    // and the walk state, are as before afterwards, also when it fails.
    int32_t RecordCount();
    // Group mode on every table, then the master to its first row.
    bool SetGroupModeAll(bool mode);
    // Empties every table of the tree.
    void Clear();

    // ---- member tables ---------------------------------------------------------------

    // The table of the display name (the prefix applies to the master; an
    // empty name is the master). Strict: 2002 (view, name) when none; 2011
    // without a master. The errors carry where (or this file's own lines).
    RdmStoreTab* FindTable(const std::string& name, bool strict, const ErrorLocation& where = ErrorLocation()) const;
    RdmStoreTab* FindTableOrNull(const std::string& name) const;
    RdmStoreTab& Table(const std::string& name);
    const RdmStoreTab& Table(const std::string& name) const;
    bool HasTable(const std::string& name) const;
    // The table exists and has a field or alias of that name.
    bool HasField(const std::string& tableName, const std::string& alias) const;
    // 2011 at where when there is no master.
    RdmStoreTab* Master(const ErrorLocation& where) const;
    RdmStoreTab* GetMaster() const;
    std::string MasterName() const;
    // Exact comparison with the master's display name.
    bool IsMasterNamed(const std::string& name) const;
    // Every table of the tree, attached views' tables included.
    int32_t TableCount() const;
    // The tables in tree order (a table, then its children's subtrees in
    // name order), attached views' tables included; 2002 (view, index)
    // past the end.
    RdmStoreTab* TableAt(int32_t index);
    const RdmStoreTab* TableAt(int32_t index) const;
    // The display name of the (upper-case) table name among the view's own
    // tables; "" or 2015 (view, name) when strict.
    std::string AliasOf(const std::string& tableName, bool strict) const;

    // ---- fields of the whole view ---------------------------------------------------
    // Counts, names and descriptions are of the view's own tables; the
    // alias lookups cover attached views' tables too.

    int32_t FieldCount() const;
    void FieldNames(StrVector& out);
    void FieldDescs(std::vector<FieldDesc>& out);
    // The field under the alias; 2003 (view, alias) when none, 2017 when
    // two tables of the tree use the alias.
    RdmFld* Field(const std::string& alias);
    const RdmFld* Field(const std::string& alias) const;
    // The field at the position in tree order and alias order; 2003.
    RdmFld* FieldAt(int32_t index);
    const RdmFld* FieldAt(int32_t index) const;
    // Rebuilds the field caches when a table's field set or aliases changed.
    void RefreshFields() const;

    // ---- editing (RdmViewEdit.cpp) ---------------------------------------------------

    // Locks the master's current record (unless lockMode is -1), replaces
    // every table's options, re-reads the current record and defers the
    // tree's changes. False when there is no master, when the view is
    // already editing, or when another user holds the lock (holder names
    // him); a failure gives back lock and options before it passes on.
    bool BeginEdit(int32_t lockMode, std::string& holder, const TableOptions& options);
    // Saves the deferred changes of the whole tree in one transaction, then
    // restores options and lock. 2012 when not editing; on failure nothing is
    // saved and the view stays editing with its changes, lock and options.
    bool CommitEdit();
    // Drops the deferred changes (the rows return to their state before the
    // edit) and restores options and lock; false, or true when not editing.
    bool CancelEdit();
    bool IsEditing() const { return m_editing; }

    // ---- options of the whole tree (attached views' tables included) --------------

    void SetOptionsAll(const TableOptions& options);
    void GetOptionsAll(OptionsMap& out) const;
    void SetOptionsAllFrom(const OptionsMap& options);
    // 2011 without a master.
    void AddOptionAll(int32_t code);
    void RemoveOptionAll(int32_t code);

    // ---- settings of one member table (looked up as Table does) -------------------

    void SetColumnValue(const std::string& table, const std::string& column, const std::string& value);
    void RemoveColumnValue(const std::string& table, const std::string& column);
    void ClearColumnValues(const std::string& table);
    // The master's and its direct children's column values.
    void ClearAllColumnValues();
    void SetFilters(const std::string& table, const RdmStoreTab::FieldTexts& filters);
    RdmStoreTab::FieldTexts& GetFilters(const std::string& table);
    void SetFilterValue(const std::string& table, const std::string& field, const std::string& value);
    std::string GetFilterValue(const std::string& table, const std::string& field);
    void RemoveFilter(const std::string& table, const std::string& field);
    void ClearFilters(const std::string& table);
    bool IsLinkField(const std::string& table, const std::string& name, bool own);
    // By display name without the prefix; 2011 / 2002.
    bool GetGroupMode(const std::string& table);
    void SetGroupMode(const std::string& table, bool mode);
    // A free-standing field on the table; 2008 without a master, 2002.
    void AddFreeFld(const std::string& table, const std::string& field, char type, int16_t length, bool isUnsigned);

private:
    using SubViewMap = std::map<std::string, std::unique_ptr<RdmView>>;

    // Close's work without the unlock: tables, attached views, descriptions.
    void DropContent();
    // Fills this empty, closed view with copies of the other's content.
    void CopyContentFrom(const RdmView& other);
    void SwapContent(RdmView& other) noexcept;
    // The named table below the master (no prefix); 2002 (view, name) at the line.
    RdmStoreTab* TreeTable(const std::string& name, int line) const;
    // The table for a per-table setting; its errors at the line, or the
    // lookup's own lines for 0.
    RdmStoreTab& SettingTable(const std::string& name, int line);
    // Attaches a copy of other under alias below parent; the copy's master
    // takes the links.
    RdmView& AttachCopy(const RdmView& other, const std::string& alias, RdmStoreTab* parent);
    // The master for a forwarded operation; 2008 (view name) at the line.
    RdmStoreTab& Forward(int line) const;
    // The tree's tables in tree order, rebuilt when the tree changed.
    const std::vector<RdmStoreTab*>& TableList(int masterLine) const;
    RdmFld* FieldByAlias(const std::string& alias, int masterLine, int missingLine) const;
    RdmFld* FieldByIndex(int32_t index, int masterLine, int missingLine) const;
    // Releases the record lock the view holds, if any.
    void ReleaseLock();
    // Gives back what a failing BeginEdit took: the options (when given)
    // and the lock; while failing, their own failures are dropped.
    void GiveBackEdit(const OptionsMap* options, bool failing);
    // Ends the edit: changes kept (after a save) or rolled back, deferred
    // mode off, options and lock given back.
    void EndEdit(bool keep);

    std::string m_name;
    std::string m_prefix;
    std::unique_ptr<RdmStoreTab> m_master;
    DescMap m_descs;  // owned; deleted by DropContent
    OptionsMap m_savedOptions;
    bool m_iterating = false;
    bool m_editing = false;
    bool m_open = false;
    int32_t m_lockMode = -1;
    SubViewMap m_subViews;
    DbDescMap* m_tablespaces = nullptr;  // not owned

    // Caches of the tree; they own nothing.
    mutable bool m_tablesDirty = true;
    mutable std::map<std::string, RdmFld*> m_fieldsByName;
    mutable std::vector<RdmFld*> m_fieldList;
    mutable std::vector<RdmStoreTab*> m_tableList;
    mutable std::map<std::string, std::string> m_aliasByTable;
};
