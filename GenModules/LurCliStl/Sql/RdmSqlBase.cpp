#include "RdmSqlBase.h"

#include <iterator>

#include "DbDescError.h"
#include "SqlAscii.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlBase"};

constexpr int kTablespaceNotOpen = 2000;
constexpr int kTableNotFound = 2002;
constexpr int kFieldNotFound = 2003;
constexpr int kMalformedStatement = 2020;
constexpr int kBadCondition = 2021;
constexpr int kTableInTwoTablespaces = 2042;
constexpr int kFieldInTwoTables = 2043;
constexpr int kUnsupportedTableName = 2045;

constexpr const char* kUnexpectedEnd = "Unexpected end of the statement";
constexpr const char* kPositionPrefix = "Error in the row ";

// Counts the open tablespaces, in the map's order, whose description has
// what is looked for, stopping at two; tablespace becomes the name of the
// last one counted.
template <class Has>
int CountTablespaces(DbDescMap& descs, Has has, std::string& tablespace) {
    int found = 0;
    for (int32_t i = 0; i < descs.Count() && found < 2; ++i) {
        const DbDesc* desc = descs.GetDescAtPtr(i);
        if (!has(*desc)) continue;
        ++found;
        tablespace = desc->GetDbName();
    }
    return found;
}

}  // namespace

RdmSqlBase::RdmSqlBase() = default;
RdmSqlBase::~RdmSqlBase() = default;

void RdmSqlBase::SetStatement(const SqlStatement& statement) {
    m_statementEnd = statement.end();
    m_lastToken = statement.empty() ? nullptr : &statement.back();
}

bool RdmSqlBase::AcceptKeyword(SqlTokenIterator& it, const std::string& word) {
    if (it == m_statementEnd || !it->Matches(word)) return false;
    ++it;
    return it != m_statementEnd;
}

void RdmSqlBase::Advance(SqlTokenIterator& it) {
    if (it == m_statementEnd) ThrowSyntaxError(kMalformedStatement, kUnexpectedEnd, it, Here(__LINE__));
    ++it;
    if (it == m_statementEnd) ThrowSyntaxError(kMalformedStatement, kUnexpectedEnd, it, Here(__LINE__));
}

void RdmSqlBase::SplitName(const std::string& name, std::vector<std::string>& parts) {
    size_t begin = 0;
    while (begin <= name.size()) {
        size_t dot = name.find('.', begin);
        if (dot == std::string::npos) dot = name.size();
        if (dot > begin) parts.push_back(lurclistl::AsciiUpper(std::string_view(name).substr(begin, dot - begin)));
        begin = dot + 1;
    }
}

SqlTokenIterator RdmSqlBase::FindToken(SqlTokenIterator from, SqlTokenIterator to, const std::string& word) const {
    for (; from != to; ++from)
        if (from->Matches(word)) return from;
    return to;
}

void RdmSqlBase::RequireClauseEnd(SqlTokenIterator it, const char* nextClause, const char* refusal) const {
    if (it != m_statementEnd && (it->IsStatementEnd() || (nextClause && it->Matches(nextClause)))) return;
    const std::string found = it != m_statementEnd ? it->text : "";
    std::string text;
    if (refusal)
        text = refusal;
    else if (nextClause)
        text = std::string("Expected ") + nextClause + " or the end of the statement, not: " + found;
    else
        text = "Unexpected text before the end of the statement: " + found;
    ThrowSyntaxError(kMalformedStatement, text, it, Here(__LINE__));
}

SqlTokenIterator RdmSqlBase::ConditionsAfterWhere(SqlTokenIterator where, SqlTokenIterator stop) const {
    if (where == stop) return stop;
    const SqlTokenIterator first = std::next(where);
    if (first == stop) ThrowSyntaxError(kBadCondition, "Missing condition after WHERE", where, Here(__LINE__));
    return first;
}

void RdmSqlBase::ResolveTable(const std::string& name, std::string& tablespace, std::string& table,
                              SqlTokenIterator at) {
    std::vector<std::string> parts;
    SplitName(name, parts);
    if (parts.size() == 1) {
        table = parts[0];
        const int found = CountTablespaces(
            m_descs, [&](const DbDesc& desc) { return desc.HasTable(table); }, tablespace);
        if (found == 0) ThrowSyntaxError(kTableNotFound, table, at, Here(__LINE__));
        if (found > 1) ThrowSyntaxError(kTableInTwoTablespaces, table, at, Here(__LINE__));
    } else if (parts.size() == 2) {
        if (!m_descs.GetDesc(parts[0])->HasTable(parts[1]))
            ThrowSyntaxError(kTableNotFound, parts[0] + "." + parts[1], at, Here(__LINE__));
        tablespace = parts[0];
        table = parts[1];
    } else {
        ThrowSyntaxError(kUnsupportedTableName, "", at, Here(__LINE__));
    }
}

void RdmSqlBase::ResolveField(const std::string& name, std::string& tablespace, std::string& table, std::string& field,
                              SqlTokenIterator at) {
    std::vector<std::string> parts;
    SplitName(name, parts);
    if (parts.size() == 1) {
        field = parts[0];
        int found = 0;
        for (const auto& [fromTablespace, fromTable] : m_fromList) {
            if (!m_descs.GetDesc(fromTablespace)->HasField(fromTable, field)) continue;
            tablespace = fromTablespace;
            table = fromTable;
            if (++found == 2) break;
        }
        if (found == 0) ThrowSyntaxError(kFieldNotFound, field, at, Here(__LINE__));
        if (found > 1) ThrowSyntaxError(kFieldInTwoTables, field, at, Here(__LINE__));
    } else if (parts.size() == 2) {
        table = parts[0];
        field = parts[1];
        const int found = CountTablespaces(
            m_descs, [&](const DbDesc& desc) { return desc.HasField(table, field); }, tablespace);
        if (found == 0) ThrowSyntaxError(kFieldNotFound, table + "." + field, at, Here(__LINE__));
        if (found > 1) ThrowSyntaxError(kFieldInTwoTables, field, at, Here(__LINE__));
    } else if (parts.size() == 3) {
        tablespace = parts[0];
        table = parts[1];
        field = parts[2];
        if (!m_descs.GetDesc(tablespace)->HasField(table, field))
            ThrowSyntaxError(kFieldNotFound, tablespace + "." + table + "." + field, at, Here(__LINE__));
    } else {
        ThrowSyntaxError(kFieldNotFound, name, at, Here(__LINE__));
    }
}

void RdmSqlBase::FindDatabase(const std::string& name, std::string& canonical, SqlTokenIterator at) {
    for (int32_t i = 0; i < m_descs.Count(); ++i) {
        const std::string dbName = m_descs.GetDescAtPtr(i)->GetDbName();
        if (lurclistl::EqualsIgnoringAsciiCase(dbName, name)) {
            canonical = dbName;
            return;
        }
    }
    ThrowSyntaxError(kTablespaceNotOpen, name, at, Here(__LINE__));
}

void RdmSqlBase::ParseSelectList(SqlTokenIterator& it, SqlTokenIterator end) {
    if (AcceptKeyword(it, "*") && it == end) {
        const RdmStoreTab* master = m_view.Master(Here(__LINE__));
        for (const std::string& field : master->GetFieldNames()) m_selectList.push_back({master->GetName(), field, ""});
        return;
    }
    const SelectColumnsByTable columns = ReadSelectColumns(it, end);
    for (int32_t i = 0; i < m_view.TableCount(); ++i) m_view.TableAt(i)->SetFields({});
    for (const auto& [tableName, tableColumns] : columns) {
        RdmStoreTab& table = m_view.Table(tableName);
        std::vector<std::string> fields;
        for (const SqlSelectColumn& column : tableColumns) fields.push_back(column.field);
        table.SetFields(fields);
        for (const SqlSelectColumn& column : tableColumns)
            if (!column.alias.empty()) table.SetAlias(column.alias, column.field);
    }
}

RdmSqlBase::SelectColumnsByTable RdmSqlBase::ReadSelectColumns(SqlTokenIterator& it, SqlTokenIterator end) {
    SelectColumnsByTable columns;
    while (it != end) {
        if (it->Matches(",")) {  // commas are optional
            ++it;
            continue;
        }
        SqlSelectColumn column;
        std::string tablespace;
        ResolveField(it->text, tablespace, column.table, column.field, it);
        ++it;
        if (it != end && it->Matches("AS")) {
            ++it;
            if (it == end || it->Matches(","))
                ThrowSyntaxError(kMalformedStatement, "Missing alias after the AS keyword!", it, Here(__LINE__));
            column.alias = it->text;
            ++it;
        }
        columns[column.table].push_back(column);
        m_selectList.push_back(std::move(column));
    }
    return columns;
}

void RdmSqlBase::ThrowPositioned(const LurExceptBase& error, SqlTokenIterator at, const ErrorLocation& where) const {
    const auto* withArgs = dynamic_cast<const LurExceptBaseArg*>(&error);
    const StrVector args = withArgs ? withArgs->GetArgs() : StrVector();
    if (!args.empty() && args[0].starts_with(kPositionPrefix))
        throw DbDescError(error.GetCode(), where, StrVector(args[0]));
    // The positioned error shows its code's text itself: of an error that
    // reads as a DbDescError of that code, only the raiser's arguments follow
    // the position; another error's text (another family's words for the
    // code) is kept whole.
    if (std::string(error.what()) != DbDescError(error.GetCode(), ErrorLocation(), args).what())
        ThrowSyntaxError(error.GetCode(), error.what(), at, where);
    std::string raisersArgs;
    for (const std::string& arg : args) raisersArgs += (raisersArgs.empty() ? "" : ", ") + arg;
    ThrowSyntaxError(error.GetCode(), raisersArgs, at, where);
}

void RdmSqlBase::ThrowSyntaxError(int code, const char* text, SqlTokenIterator at, const ErrorLocation& where) const {
    ThrowSyntaxError(code, std::string(text ? text : ""), at, where);
}

// The text is cut, never the position in front of it.
void RdmSqlBase::ThrowSyntaxError(int code, const std::string& text, SqlTokenIterator at,
                                  const ErrorLocation& where) const {
    const SqlToken* token = at != m_statementEnd ? &*at : m_lastToken;
    const int row = token ? token->row : 0;
    const int column = token ? token->column : 0;
    const std::string position = kPositionPrefix + std::to_string(row) + "., column " + std::to_string(column) + ".: ";
    const size_t room = kMessageLimit - 1 - position.size();
    throw DbDescError(code, where, StrVector(position + text.substr(0, room)));
}
