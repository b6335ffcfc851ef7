// FROM: the statement's tables as one view, the master at the root and each
// other table below the table that a WHERE condition links it to.
#include <map>

#include "DbDescError.h"
#include "RdmSqlBase.h"
#include "SqlAscii.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlBase"};

constexpr int kBadCondition = 2021;
constexpr int kNoWhereForJoin = 2023;
constexpr int kNoLink = 2025;

// A one-character text field takes the character that the description makes
// of a longer text.
void FitOneCharacter(const FieldDesc& desc, std::string& value) {
    if (desc.type == 'c' && desc.length == 1 && value.size() > 1) value = std::string(1, DbDesc::CharFromText(value));
}

}  // namespace

void RdmSqlBase::ParseFromWhere(SqlTokenIterator from, SqlTokenIterator fromEnd, SqlTokenIterator where,
                                SqlTokenIterator whereEnd, bool likeAllowed) {
    m_fromList.clear();
    m_fromNames.clear();
    while (from != fromEnd) {
        std::string tablespace, table;
        ResolveTable(from->text, tablespace, table, from);
        m_fromList.emplace_back(tablespace, table);
        m_fromNames.push_back(from->text);
        ++from;
        if (from != fromEnd && from->Matches(",")) ++from;
    }
    if (m_fromList.size() > 1 && where == whereEnd) ThrowSyntaxError(kNoWhereForJoin, "", where, Here(__LINE__));
    if (m_fromList.size() == 1) {
        m_masterTablespace = m_fromList.front().first;
        m_masterTable = m_fromList.front().second;
        m_view.AddTable("", m_masterTablespace, m_masterTable, "", "", "", "");
        ParseCondition(where, whereEnd);
    } else {
        ParseCondition(where, whereEnd);
        TablePairs rest = m_fromList;
        FindMasterTable(rest, where);
        m_view.AddTable("", m_masterTablespace, m_masterTable, "", "", "", "");
        AddLinkedTables(m_masterTablespace, m_masterTable, rest, where);
        // Joining a table to nothing would repeat every row for each of its rows.
        if (!rest.empty())
            ThrowSyntaxError(kNoLink, "No link reaches the table " + rest.front().first + "." + rest.front().second,
                             where, Here(__LINE__));
    }
    ConditionsToSearch(where, likeAllowed);
}

void RdmSqlBase::FindMasterTable(TablePairs& tables, SqlTokenIterator at) {
    TablePairs free = tables;
    for (const SqlCondition& link : m_linkConditions) RemoveTablePair(link.left.tablespace, link.left.table, free);
    if (free.size() != 1) ThrowSyntaxError(kNoLink, "", at, Here(__LINE__));
    m_masterTablespace = free.front().first;
    m_masterTable = free.front().second;
    RemoveTablePair(m_masterTablespace, m_masterTable, tables);
}

void RdmSqlBase::AddLinkedTables(const std::string& parentTablespace, const std::string& parentTable,
                                 TablePairs& tables, SqlTokenIterator at) {
    while (!tables.empty()) {
        auto link = m_linkConditions.begin();
        while (link != m_linkConditions.end() &&
               !(link->right.tablespace == parentTablespace && link->right.table == parentTable))
            ++link;
        if (link == m_linkConditions.end()) return;

        const std::string tablespace = link->left.tablespace;
        const std::string table = link->left.table;
        const std::string linkField = link->left.field;
        const std::string parentField = link->right.field;
        LinkColumns columns{{linkField, ""}};
        for (const SqlCondition& condition : m_conditions)
            if (condition.kind == SqlCondition::kValue && condition.left.tablespace == tablespace &&
                condition.left.table == table)
                columns.emplace_back(condition.left.field, condition.right.value);

        if (columns.size() == 1) {
            m_view.AddTable("", tablespace, table, linkField, parentTable, parentField, "");
        } else {
            const std::string key = ChooseLinkKey(tablespace, table, linkField, columns, at);
            m_view.AddTable("", tablespace, table, linkField, parentTable, parentField, key);
            SetLinkValues(m_view.Table(table), key, linkField, columns, at);
        }
        m_detailTables.emplace_back(tablespace, table);
        m_linkConditions.erase(link);
        RemoveTablePair(tablespace, table, tables);
        AddLinkedTables(tablespace, table, tables, at);
    }
}

std::string RdmSqlBase::ChooseLinkKey(const std::string& tablespace, const std::string& table,
                                      const std::string& linkField, const LinkColumns& columns, SqlTokenIterator at) {
    m_linkKeyName.clear();
    const DbDesc desc = m_descs.GetDescCopy(tablespace);
    std::vector<FieldDesc> fieldDescs;
    std::vector<std::string> names;
    desc.GetFieldDescsByName(table, fieldDescs, true);
    desc.GetFieldNamesByName(table, names, true);
    const auto isColumn = [&](const std::string& name) {
        for (const auto& column : columns)
            if (lurclistl::EqualsIgnoringAsciiCase(column.first, name)) return true;
        return false;
    };

    std::map<size_t, std::string> candidates;  // matched columns -> the first key with that many
    bool exact = false;
    for (size_t i = 0; i < fieldDescs.size() && i < names.size() && !exact; ++i) {
        const FieldDesc& field = fieldDescs[i];
        if (field.type != 'k' || field.keyKind == 'n') {
            if (isColumn(names[i])) candidates.emplace(1, names[i]);
            continue;
        }
        std::vector<std::string> components;
        desc.GetKeyFields(table, names[i], components);
        if (columns.size() < components.size()) continue;
        size_t count = 0;
        for (const auto& column : columns) {
            bool component = false;
            for (const std::string& name : components)
                component |= lurclistl::EqualsIgnoringAsciiCase(name, column.first);
            if (!component) break;
            ++count;
        }
        if (count == 0) continue;
        candidates.emplace(count, names[i]);
        if (count == columns.size() && count == components.size()) {
            m_linkKeyName = names[i];
            exact = true;
        }
    }
    if (candidates.empty()) {
        std::string text = "Missing link index for the following columns: ";
        for (const auto& column : columns) text += column.first + " ";
        ThrowSyntaxError(kNoLink, text, at, Here(__LINE__));
    }
    if (!exact) {
        const auto& [count, name] = *candidates.begin();
        m_linkKeyName = count == 1 ? linkField : name;
    }
    return m_linkKeyName;
}

void RdmSqlBase::SetLinkValues(RdmStoreTab& detail, const std::string& key, const std::string& linkField,
                               LinkColumns columns, SqlTokenIterator at) {
    const DbDesc* desc = detail.GetDesc();
    std::vector<std::string> keyFields;
    if (desc->GetFieldDescByName(detail.GetName(), key).type == 'k')
        detail.GetKeyFields(key, keyFields);
    else
        keyFields.push_back(key);
    for (const std::string& keyField : keyFields) {
        auto column = columns.begin();
        while (column != columns.end() && !lurclistl::EqualsIgnoringAsciiCase(column->first, keyField)) ++column;
        if (column == columns.end()) ThrowSyntaxError(kBadCondition, keyField, at, Here(__LINE__));
        if (!lurclistl::EqualsIgnoringAsciiCase(keyField, linkField)) {
            FitOneCharacter(desc->GetFieldDescByName(detail.GetName(), keyField), column->second);
            detail.SetColumnValue(keyField, column->second);
        }
        columns.erase(column);
    }
    for (auto& [field, value] : columns) FitOneCharacter(desc->GetFieldDescByName(detail.GetName(), field), value);
    detail.SetFilters(columns);
}

void RdmSqlBase::RemoveTablePair(const std::string& tablespace, const std::string& table, TablePairs& tables) {
    for (auto pair = tables.begin(); pair != tables.end(); ++pair) {
        if (pair->first == tablespace && pair->second == table) {
            tables.erase(pair);
            return;
        }
    }
}
