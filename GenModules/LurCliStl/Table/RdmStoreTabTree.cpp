// RdmStoreTab: operations over the tree below a table (the table included),
// as a view uses them: finding and copying tables, settings, positions and
// the gathering of fields, names and aliases.
#include "DbDescError.h"
#include "LurStrings.h"
#include "RdmStoreTab.h"

namespace {

constexpr int kAliasTaken = 2017;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmStoreTab"};

}  // namespace

// ---- walks --------------------------------------------------------------------------------

void RdmStoreTab::WalkAll(const std::function<void(RdmStoreTab&)>& visit) {
    visit(*this);
    for (const auto& [name, child] : m_children) child->WalkAll(visit);
}

void RdmStoreTab::WalkOwn(const std::function<void(RdmStoreTab&)>& visit) {
    visit(*this);
    for (const auto& [name, child] : m_children) {
        if (!child->m_viewMaster) child->WalkOwn(visit);
    }
}

void RdmStoreTab::WalkAll(const std::function<void(const RdmStoreTab&)>& visit) const {
    visit(*this);
    for (const auto& [name, child] : m_children) std::as_const(*child).WalkAll(visit);
}

void RdmStoreTab::WalkOwn(const std::function<void(const RdmStoreTab&)>& visit) const {
    visit(*this);
    for (const auto& [name, child] : m_children) {
        if (!child->m_viewMaster) std::as_const(*child).WalkOwn(visit);
    }
}

// ---- finding and copying ---------------------------------------------------------------------

RdmStoreTab* RdmStoreTab::FindTable(const std::string& name, const std::string& prefix) {
    const std::string upperName = lurutils::ToUpper(name);
    if (m_displayName == lurutils::ToUpper(prefix) + upperName) return this;
    RdmStoreTab* found = nullptr;
    WalkOwn([&](RdmStoreTab& table) {
        if (!found && table.m_displayName == upperName) found = &table;
    });
    return found;
}

void RdmStoreTab::CopyChildren(const RdmStoreTab& source, RdmStoreTab* newOwner,
                               const std::map<std::string, DbDesc*>& descs) {
    for (const auto& [name, child] : source.m_children) {
        if (child->m_viewMaster) continue;
        const auto desc = descs.find(child->GetDbName());
        if (desc == descs.end()) throw LuMapExcept();
        // Owned by newOwner from here on, which lists it.
        auto* copy = new RdmStoreTab(newOwner, desc->second, child->GetName(), child->m_displayName, false);
        copy->CopyState(*child);
        copy->CopyFields(*child);
        CopyChildren(*child, copy, descs);
    }
}

// ---- settings on all tables ---------------------------------------------------------------------

void RdmStoreTab::ClearColumnValuesTree() {
    ClearColumnValues();
    for (const auto& [name, child] : m_children) child->ClearColumnValues();
}

void RdmStoreTab::SetGroupModeTree(bool on) {
    WalkAll([on](RdmStoreTab& table) { table.SetGroupMode(on); });
}

void RdmStoreTab::AddTableOptionTree(int32_t option) {
    WalkAll([option](RdmStoreTab& table) { table.AddTableOption(option); });
}

void RdmStoreTab::RemoveTableOptionTree(int32_t option) {
    WalkAll([option](RdmStoreTab& table) { table.RemoveTableOption(option); });
}

void RdmStoreTab::SetTableOptionsTree(const TableOptions& options) {
    WalkAll([&options](RdmStoreTab& table) { table.SetTableOptions(options); });
}

void RdmStoreTab::SetFieldsChangedTree(bool changed) {
    WalkAll([changed](RdmStoreTab& table) { table.SetFieldsChanged(changed); });
}

void RdmStoreTab::SaveTableOptions(OptionsMap& out) const {
    WalkAll([&out](const RdmStoreTab& table) { out[table.m_displayName] = table.GetTableOptions(); });
}

void RdmStoreTab::RestoreTableOptions(const OptionsMap& saved) {
    WalkAll([&saved](RdmStoreTab& table) {
        const auto options = saved.find(table.m_displayName);
        if (options != saved.end()) table.SetTableOptions(options->second);
    });
}

void RdmStoreTab::SavePositions(PositionMap& out) const {
    WalkAll([&out](const RdmStoreTab& table) {
        out.emplace(table.m_displayName, RdmStorePosition{table.m_allPos, table.m_groupPos, table.GetGroupMode()});
    });
}

void RdmStoreTab::RestorePositions(const PositionMap& saved) {
    // Pre-order: a table is positioned (its children left without a current
    // row) before its children get their own positions back.
    WalkAll([&saved](RdmStoreTab& table) {
        const auto entry = saved.find(table.m_displayName);
        if (entry == saved.end()) return;
        const RdmStorePosition& position = entry->second;
        table.SetGroupMode(position.groupMode);
        if (table.GetGroupMode()) {
            table.GoToPos(position.groupPos, kChildNone);
            table.m_allPos = position.allPos;
        } else {
            table.GoToPos(position.allPos, kChildNone);
            table.m_groupPos = position.groupPos;
        }
    });
}

// ---- questions and gatherings ------------------------------------------------------------------

bool RdmStoreTab::AnyFieldsChanged() const {
    bool changed = false;
    WalkAll([&changed](const RdmStoreTab& table) { changed = changed || table.IsFieldsChanged(); });
    return changed;
}

void RdmStoreTab::CountTables(int32_t& counter) const {
    WalkAll([&counter](const RdmStoreTab&) { ++counter; });
}

void RdmStoreTab::CollectTables(std::vector<RdmStoreTab*>& out) {
    WalkAll([&out](RdmStoreTab& table) { out.push_back(&table); });
}

void RdmStoreTab::CollectAliasFields(std::map<std::string, RdmFld*>& out) {
    WalkAll([&out](RdmStoreTab& table) {
        for (auto& [alias, field] : table.m_aliases) {
            const auto entered = out.find(alias);
            if (entered != out.end()) {
                throw DbDescError(kAliasTaken, Here(__LINE__),
                                  StrVector(entered->second->GetTableName()) << table.m_displayName << alias);
            }
            field = lurutils::ToUpper(field);
            const auto fld = table.m_fields.find(field);
            if (fld == table.m_fields.end()) throw LuMapExcept();
            out.emplace(alias, &fld->second);
        }
    });
}

void RdmStoreTab::CollectAliasFieldList(std::vector<RdmFld*>& out) {
    WalkAll([&out](RdmStoreTab& table) {
        for (const auto& [alias, field] : table.m_aliases) {
            const auto fld = table.m_fields.find(field);
            if (fld == table.m_fields.end()) throw LuMapExcept();
            out.push_back(&fld->second);
        }
    });
}

void RdmStoreTab::CollectFieldNames(std::vector<std::string>& out) const {
    WalkOwn([&out](const RdmStoreTab& table) {
        const StrVector names = table.GetFieldNames();
        out.insert(out.end(), names.begin(), names.end());
    });
}

void RdmStoreTab::CollectFieldDescs(std::vector<FieldDesc>& out) const {
    WalkOwn([&out](const RdmStoreTab& table) {
        std::vector<FieldDesc> descs;
        table.GetFieldDescs(descs);
        out.insert(out.end(), descs.begin(), descs.end());
    });
}

void RdmStoreTab::CountFields(int16_t& counter) const {
    WalkOwn([&counter](const RdmStoreTab& table) { counter = static_cast<int16_t>(counter + table.FldCount()); });
}

void RdmStoreTab::CollectTableNames(std::map<std::string, std::string>& out) const {
    WalkOwn([&out](const RdmStoreTab& table) { out.emplace(table.GetName(), table.m_displayName); });
}

void RdmStoreTab::CollectAliases(std::map<std::string, std::string>& out) const {
    WalkOwn([&out](const RdmStoreTab& table) { table.GetAliases(out); });
}
