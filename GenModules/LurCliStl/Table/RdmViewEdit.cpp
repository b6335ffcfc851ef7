// RdmView: the edit of the whole tree, and the settings of its tables.
#include "RdmView.h"

#include "DbDescError.h"

namespace {

constexpr int kNotEditing = 2012;
constexpr int kNoUniqueKey = 10028;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmView"};

}  // namespace

// ---- editing -----------------------------------------------------------------------------

bool RdmView::BeginEdit(int32_t lockMode, std::string& holder, const TableOptions& options) {
    // A second begin would save the edit's own options as the ones to
    // restore, and take the lock a second time.
    if (!m_master || m_editing) return false;
    if (lockMode != -1) {
        if (!m_master->LockRecord(lockMode, holder)) return false;
        m_lockMode = lockMode;
    }
    OptionsMap previous;
    bool optionsReplaced = false;
    try {
        GetOptionsAll(previous);
        optionsReplaced = true;
        SetOptionsAll(options);
        // The edit starts from the server's record; when it is gone there is
        // nothing to edit.
        if (m_master->ReadCurrentRec(false)) {
            m_master->SetDeferred(true);
            m_savedOptions.swap(previous);
            m_editing = true;
            return true;
        }
    } catch (...) {
        GiveBackEdit(optionsReplaced ? &previous : nullptr, true);
        throw;
    }
    GiveBackEdit(&previous, false);
    return false;
}

void RdmView::GiveBackEdit(const OptionsMap* options, bool failing) {
    try {
        if (options) SetOptionsAllFrom(*options);
        ReleaseLock();
    } catch (...) {
        if (!failing) throw;
        // The failure on its way is the one to report.
    }
}

bool RdmView::CommitEdit() {
    if (!m_master) return false;
    if (!m_editing) throw DbDescError(kNotEditing, Here(910), StrVector(m_name));
    if (m_master->GetTableOptions().count(0) != 0 && m_master->GetUniqueKeyName().empty())
        throw DbDescError(kNoUniqueKey, Here(916), StrVector(m_name) << m_master->GetDisplayName());
    // The master's save writes the journal of the whole tree in one
    // transaction, with the unique key current while it runs (option 0), and
    // ends the changes when it succeeded; a failure leaves rows and journal
    // as they were, so the view stays editing.
    const bool saved = m_master->SaveChanges();
    if (saved) EndEdit(true);
    return saved;
}

bool RdmView::CancelEdit() {
    if (!m_editing || !m_master) return true;
    EndEdit(false);
    return false;
}

void RdmView::EndEdit(bool keep) {
    m_master->EndChanges(keep);
    m_master->SetDeferred(false);
    m_editing = false;
    OptionsMap saved;
    saved.swap(m_savedOptions);
    SetOptionsAllFrom(saved);
    ReleaseLock();
}

// ---- options of the whole tree -------------------------------------------------------

void RdmView::SetOptionsAll(const TableOptions& options) {
    if (m_master) m_master->SetTableOptionsTree(options);
}

void RdmView::GetOptionsAll(OptionsMap& out) const {
    if (m_master) m_master->SaveTableOptions(out);
}

void RdmView::SetOptionsAllFrom(const OptionsMap& options) {
    if (m_master) m_master->RestoreTableOptions(options);
}

void RdmView::AddOptionAll(int32_t code) { Master(Here(1222))->AddTableOptionTree(code); }

void RdmView::RemoveOptionAll(int32_t code) { Master(Here(1231))->RemoveTableOptionTree(code); }

// ---- settings of one member table ----------------------------------------------------

RdmStoreTab& RdmView::SettingTable(const std::string& name, int line) {
    return *FindTable(name, true, line == 0 ? ErrorLocation() : Here(line));
}

void RdmView::SetColumnValue(const std::string& table, const std::string& column, const std::string& value) {
    SettingTable(table, 559).SetColumnValue(column, value);
}

void RdmView::RemoveColumnValue(const std::string& table, const std::string& column) {
    SettingTable(table, 0).RemoveColumnValue(column);
}

void RdmView::ClearColumnValues(const std::string& table) { SettingTable(table, 0).ClearColumnValues(); }

void RdmView::ClearAllColumnValues() { Master(Here(580))->ClearColumnValuesTree(); }

void RdmView::SetFilters(const std::string& table, const RdmStoreTab::FieldTexts& filters) {
    SettingTable(table, 587).SetFilters(filters);
}

RdmStoreTab::FieldTexts& RdmView::GetFilters(const std::string& table) { return SettingTable(table, 594).GetFilters(); }

void RdmView::SetFilterValue(const std::string& table, const std::string& field, const std::string& value) {
    SettingTable(table, 601).SetFilterValue(field, value);
}

std::string RdmView::GetFilterValue(const std::string& table, const std::string& field) {
    return SettingTable(table, 608).GetFilterValue(field);
}

void RdmView::RemoveFilter(const std::string& table, const std::string& field) {
    SettingTable(table, 615).RemoveFilter(field);
}

void RdmView::ClearFilters(const std::string& table) { SettingTable(table, 622).ClearFilters(); }

bool RdmView::IsLinkField(const std::string& table, const std::string& name, bool own) {
    return SettingTable(table, 1066).IsLinkField(name, own);
}

bool RdmView::GetGroupMode(const std::string& table) {
    Master(Here(966));
    return TreeTable(table, 969)->GetGroupMode();
}

void RdmView::SetGroupMode(const std::string& table, bool mode) {
    Master(Here(979));
    TreeTable(table, 982)->SetGroupMode(mode);
}

void RdmView::AddFreeFld(const std::string& table, const std::string& field, char type, int16_t length,
                         bool isUnsigned) {
    Forward(822);
    TreeTable(table, 829)->AddFreeFld(field, type, length, isUnsigned);
}
