// The executor's SELECT and ORDER BY handlers.
#include <utility>

#include "DbDescError.h"
#include "RdmSqlExec.h"
#include "RdmSqlSelect.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlExec"};

}  // namespace

void RdmSqlExec::ResetView() {
    m_view = RdmView();
    try {
        m_view = RdmView(&m_descs, "SQLEXEC", DbDesc::DefaultTableOptions());
    } catch (const LuMapExcept&) {
        throw DbDescError(2000, Here(__LINE__), StrVector(m_masterTablespace));
    }
}

void RdmSqlExec::Select(SqlTokenIterator& it) {
    m_statementName = "SELECT";
    ResetView();
    RdmSqlSelect select(m_view, m_descs);
    select.SetStatement(m_tokens);
    select.Execute(it, m_statementEnd);
    m_resultMessage = select.GetResultMessage();
    m_masterTable = select.GetMasterTable();
    m_affected = select.GetAffected();
    m_view = std::move(select.GetView());  // the searched rows change owner, never copied
    m_selectList = select.ResultColumns();
}

void RdmSqlExec::OrderBy(SqlTokenIterator& it) {
    // A refused ORDER BY leaves no result: no rows and no "row selected".
    try {
        const std::string field = it->text;
        Advance(it);
        const bool descending = Take(it, "DESCENDING") || Take(it, "DESC");
        if (!descending && !it->IsStatementEnd() && !Take(it, "ASCENDING") && !Take(it, "ASC"))
            ThrowSyntaxError(2020, "Following keywords required after the field name: ASCENDING, DESCENDING", it,
                             Here(__LINE__));
        RequireClauseEnd(it);
        m_view.Table(m_masterTable).SortList(field, descending, 1);
    } catch (const LurExceptBase& error) {
        m_view = RdmView();
        m_resultMessage.clear();
        ThrowPositioned(error, it, Here(__LINE__));
    }
}
