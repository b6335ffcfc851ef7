// RdmView: searches and moves forwarded to the master, the walk over the
// tree's combinations, and the lookups of tables and fields.
#include "RdmView.h"

#include "DbDescError.h"
#include "LurStrings.h"

namespace {

constexpr int kTableNotFound = 2002;
constexpr int kFieldNotFound = 2003;
constexpr int kNoTables = 2008;
constexpr int kNoMaster = 2011;
constexpr int kNotInView = 2015;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmView"};

}  // namespace

// The master for a forwarded operation; 2008 (view name) at the line.
RdmStoreTab& RdmView::Forward(int line) const {
    if (!m_master) throw DbDescError(kNoTables, Here(line), StrVector(m_name));
    return *m_master;
}

// ---- finds and moves: each ends a running walk -----------------------------------

bool RdmView::FindRecByKey(const std::string& key, int childCode) {
    m_iterating = false;
    return Forward(245).FindRecByKey(key, childCode);
}

bool RdmView::FindRec(int childCode) {
    m_iterating = false;
    return Forward(255).FindRec(childCode);
}

bool RdmView::FindRecNextByKey(const std::string& key, int childCode) {
    m_iterating = false;
    return Forward(265).FindRecNextByKey(key, childCode);
}

bool RdmView::FindRecNext(int childCode) {
    m_iterating = false;
    return Forward(275).FindRecNext(childCode);
}

bool RdmView::FindRecPrevByKey(const std::string& key, int childCode) {
    m_iterating = false;
    return Forward(285).FindRecPrevByKey(key, childCode);
}

bool RdmView::FindRecPrev(int childCode) {
    m_iterating = false;
    return Forward(295).FindRecPrev(childCode);
}

bool RdmView::MoveByKey(int32_t code, const std::string& key, int childCode) {
    m_iterating = false;
    return Forward(305).MoveByKey(code, key, childCode);
}

bool RdmView::Move(int32_t code, int childCode) {
    m_iterating = false;
    return Forward(315).Move(code, childCode);
}

// ---- list searches ---------------------------------------------------------------------

bool RdmView::FindList(const std::string& key, int32_t moveCode) { return Forward(710).FindList(key, moveCode); }

bool RdmView::FindListOr(const std::string& key, int32_t moveCode) { return Forward(720).FindListOr(key, moveCode); }

bool RdmView::FindGreater(const std::string& key, int32_t moveCode) { return Forward(730).FindGreater(key, moveCode); }

bool RdmView::FindLess(const std::string& key, int32_t moveCode) { return Forward(740).FindLess(key, moveCode); }

bool RdmView::FindNotEqual(const std::string& field, int32_t moveCode) {
    return Forward(750).FindNotEqual(field, moveCode);
}

bool RdmView::FindBetween(const std::string& key, int32_t moveCode) { return Forward(760).FindBetween(key, moveCode); }

bool RdmView::FindListAdd(const std::string& key) { return Forward(770).FindListAdd(key); }

bool RdmView::FindListOrAdd(const std::string& key) { return Forward(780).FindListOrAdd(key); }

bool RdmView::FindGreaterAdd(const std::string& key) { return Forward(790).FindGreaterAdd(key); }

bool RdmView::FindNotEqualAdd(const std::string& field) { return Forward(798).FindNotEqualAdd(field); }

bool RdmView::FindBetweenAdd(const std::string& key) { return Forward(808).FindBetweenAdd(key); }

// ---- bookmarks and cursors ---------------------------------------------------------------

bool RdmView::CreateBookmark(const std::string& name) { return Master(Here(1381))->CreateBookmark(name); }

void RdmView::DropBookmark(const std::string& name) { Master(Here(1388))->DropBookmark(name); }

bool RdmView::GoToBookmarkReload(const std::string& name) { return Master(Here(1395))->GoToBookmarkReload(name, 5); }

bool RdmView::GoToBookmarkReloadEx(const std::string& name) {
    return Master(Here(1402))->GoToBookmarkReloadEx(name, 5);
}

bool RdmView::CreateCursor(const std::string& name, const std::string& key) {
    return Master(Here(1409))->CreateCursor(name, key);
}

void RdmView::DropCursor(const std::string& name) { Master(Here(1416))->DropCursor(name); }

bool RdmView::CursorMove(const std::string& name, int32_t code, int childCode) {
    return Master(Here(1423))->CursorMove(name, code, childCode);
}

// ---- the walk ------------------------------------------------------------------------------

void RdmView::StartIteration() {
    if (m_iterating || !m_master) return;
    m_iterating = true;
    SetGroupModeAll(true);
    m_master->ListMove(5, 5);
}

bool RdmView::NextRecord() {
    if (!m_master) return false;
    if (!m_iterating) StartIteration();
    bool found = false;
    m_master->NextCombination(-1, found);
    return found;
}

void RdmView::EndIteration() {
    if (!m_iterating || !m_master) return;
    m_iterating = false;
    m_master->ListMove(5, 5);
}

int32_t RdmView::RecordCount() {
    RdmStoreTab* master = Master(Here(692));
    RdmStoreTab::PositionMap saved;
    master->SavePositions(saved);
    const bool wasIterating = m_iterating;
    // Every path puts the tree back as it was, a failing walk too: the
    // caller's positions and group modes must not depend on the count.
    auto restore = [&] {
        master->RestorePositions(saved);
        m_iterating = wasIterating;
    };
    m_iterating = false;
    int32_t count = 0;
    try {
        while (NextRecord()) ++count;
    } catch (...) {
        try {
            restore();
        } catch (...) {
            // The walk's failure is the one to report.
        }
        throw;
    }
    restore();
    return count;
}

bool RdmView::SetGroupModeAll(bool mode) {
    RdmStoreTab* master = Master(Here(991));
    master->SetGroupModeTree(mode);
    return master->ListMove(0, 0);
}

void RdmView::Clear() {
    // On a master without owner this empties the whole tree.
    if (m_master) m_master->ClearList();
}

// ---- member tables -----------------------------------------------------------------------

RdmStoreTab* RdmView::FindTable(const std::string& name, bool strict, const ErrorLocation& where) const {
    const bool located = !where.file.empty();
    if (!m_master) throw DbDescError(kNoMaster, located ? where : Here(196), StrVector(m_name));
    // An empty name is the master (statements name their result table so
    // when they have none of their own).
    RdmStoreTab* table = name.empty() ? m_master.get() : m_master->FindTable(name, m_prefix);
    if (!table && strict) throw DbDescError(kTableNotFound, located ? where : Here(199), StrVector(m_name) << name);
    return table;
}

RdmStoreTab* RdmView::FindTableOrNull(const std::string& name) const { return FindTable(name, false); }

RdmStoreTab& RdmView::Table(const std::string& name) { return *FindTable(name, true, Here(214)); }

const RdmStoreTab& RdmView::Table(const std::string& name) const { return *FindTable(name, true, Here(229)); }

bool RdmView::HasTable(const std::string& name) const {
    return m_master && m_master->FindTable(name, m_prefix) != nullptr;
}

bool RdmView::HasField(const std::string& tableName, const std::string& alias) const {
    if (!m_master) return false;
    const RdmStoreTab* table = m_master->FindTable(tableName, m_prefix);
    return table && table->HasFldName(alias, false);
}

RdmStoreTab* RdmView::Master(const ErrorLocation& where) const {
    if (!m_master) throw DbDescError(kNoMaster, where, StrVector(m_name));
    return m_master.get();
}

RdmStoreTab* RdmView::GetMaster() const { return Master(Here(1430)); }

std::string RdmView::MasterName() const { return m_master ? m_master->GetDisplayName() : std::string(); }

bool RdmView::IsMasterNamed(const std::string& name) const { return m_master && m_master->GetDisplayName() == name; }

int32_t RdmView::TableCount() const {
    int32_t count = 0;
    Master(Here(1076))->CountTables(count);
    return count;
}

const std::vector<RdmStoreTab*>& RdmView::TableList(int masterLine) const {
    RdmStoreTab* master = Master(Here(masterLine));
    if (m_tablesDirty) {
        m_tableList.clear();
        m_aliasByTable.clear();
        m_tablesDirty = false;
    }
    if (m_tableList.empty()) master->CollectTables(m_tableList);
    return m_tableList;
}

RdmStoreTab* RdmView::TableAt(int32_t index) {
    const std::vector<RdmStoreTab*>& tables = TableList(1086);
    if (index < 0 || static_cast<size_t>(index) >= tables.size())
        throw DbDescError(kTableNotFound, Here(1098), StrVector(m_name) << std::to_string(index));
    return tables[static_cast<size_t>(index)];
}

const RdmStoreTab* RdmView::TableAt(int32_t index) const {
    const std::vector<RdmStoreTab*>& tables = TableList(1104);
    if (index < 0 || static_cast<size_t>(index) >= tables.size())
        throw DbDescError(kTableNotFound, Here(1116), StrVector(m_name) << std::to_string(index));
    return tables[static_cast<size_t>(index)];
}

std::string RdmView::AliasOf(const std::string& tableName, bool strict) const {
    if (m_tablesDirty) {
        // Emptied but left dirty: TableAt is the one that clears the flag.
        m_tableList.clear();
        m_aliasByTable.clear();
    }
    if (m_aliasByTable.empty() && m_master) m_master->CollectTableNames(m_aliasByTable);
    auto found = m_aliasByTable.find(tableName);
    if (found != m_aliasByTable.end()) return found->second;
    if (strict) throw DbDescError(kNotInView, Here(1206), StrVector(m_name) << tableName);
    return "";
}

// ---- fields --------------------------------------------------------------------------------

int32_t RdmView::FieldCount() const {
    int16_t count = 0;
    Forward(1125).CountFields(count);
    return count;
}

void RdmView::FieldNames(StrVector& out) {
    m_iterating = false;
    Forward(1046).CollectFieldNames(out);
}

void RdmView::FieldDescs(std::vector<FieldDesc>& out) {
    m_iterating = false;
    Forward(1056).CollectFieldDescs(out);
}

RdmFld* RdmView::Field(const std::string& alias) { return FieldByAlias(alias, 1148, 1153); }

const RdmFld* RdmView::Field(const std::string& alias) const { return FieldByAlias(alias, 1160, 1165); }

RdmFld* RdmView::FieldAt(int32_t index) { return FieldByIndex(index, 1172, 1176); }

const RdmFld* RdmView::FieldAt(int32_t index) const { return FieldByIndex(index, 1183, 1187); }

RdmFld* RdmView::FieldByAlias(const std::string& alias, int masterLine, int missingLine) const {
    Master(Here(masterLine));
    RefreshFields();
    auto found = m_fieldsByName.find(alias);
    if (found == m_fieldsByName.end()) throw DbDescError(kFieldNotFound, Here(missingLine), StrVector(m_name) << alias);
    return found->second;
}

RdmFld* RdmView::FieldByIndex(int32_t index, int masterLine, int missingLine) const {
    Master(Here(masterLine));
    RefreshFields();
    if (index < 0 || static_cast<size_t>(index) >= m_fieldList.size())
        throw DbDescError(kFieldNotFound, Here(missingLine), StrVector(m_name) << std::to_string(index));
    return m_fieldList[static_cast<size_t>(index)];
}

void RdmView::RefreshFields() const {
    if (!m_master || !m_master->AnyFieldsChanged()) return;
    // Built aside and taken only when complete: after a clash of aliases
    // (2017) the flags stay set, so every later lookup reports it again
    // instead of answering from a half-built cache.
    std::map<std::string, RdmFld*> byName;
    std::vector<RdmFld*> list;
    m_master->CollectAliasFields(byName);
    m_master->CollectAliasFieldList(list);
    m_fieldsByName.swap(byName);
    m_fieldList.swap(list);
    m_master->SetFieldsChangedTree(false);
}
