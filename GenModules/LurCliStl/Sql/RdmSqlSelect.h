// RdmSqlSelect: reads and runs one SELECT. It builds no rows of its own:
// the FROM tables become a view (RdmSqlBase::ParseFromWhere), the WHERE
// clause its one search, and the select list the field sets and aliases of
// the view's tables. The view is the result.
//
// SELECT name1, name2 FROM system; reads server parameters instead: one row
// of the table "fields" of SYSDB with a text column per name holding the
// parameter's value (or the error text when it cannot be read).
#pragma once

#include "RdmSqlBase.h"

class RdmSqlSelect : public RdmSqlBase {
public:
    RdmSqlSelect() = default;
    // Works on copies of the view and the tablespaces.
    RdmSqlSelect(const RdmView& view, const DbDescMap& descs);

    // From it (the first token after SELECT) up to end: leaves it on the
    // token that ends the statement's query part (ORDER or ";").
    void Execute(SqlTokenIterator& it, SqlTokenIterator end);
    const SqlSelectList& ResultColumns() const { return m_selectList; }
    const std::string& GetMasterTable() const { return m_masterTable; }

private:
    // The server-parameter form over the names in [list, listEnd).
    void SelectServerParams(SqlTokenIterator list, SqlTokenIterator listEnd);
};
