#include "RdmSqlSelect.h"

#include "DbDescError.h"
#include "SqlAscii.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlSelect"};

constexpr int kMalformedStatement = 2020;

}  // namespace

RdmSqlSelect::RdmSqlSelect(const RdmView& view, const DbDescMap& descs) {
    m_view = view;
    m_descs = descs;
}

void RdmSqlSelect::Execute(SqlTokenIterator& it, SqlTokenIterator end) {
    m_resultMessage = "SELECT FAILED";
    const SqlTokenIterator listStart = it;
    SqlTokenIterator stop = FindToken(it, end, "ORDER");
    if (stop == end) stop = FindToken(it, end, ";");
    if (stop == end) ThrowSyntaxError(kMalformedStatement, "Syntax error, token not found!", it, Here(__LINE__));

    SqlTokenIterator from = FindToken(it, stop, "FROM");
    const SqlTokenIterator listEnd = from;
    if (!AcceptKeyword(from, "FROM"))
        ThrowSyntaxError(kMalformedStatement, "There are not any FROM keyword!", from, Here(__LINE__));
    const SqlTokenIterator where = FindToken(from, stop, "WHERE");
    const SqlTokenIterator conditions = ConditionsAfterWhere(where, stop);

    if (from != stop && lurclistl::EqualsIgnoringAsciiCase(from->text, "system") && !from->IsQuoted() &&
        from + 1 != end && (from + 1)->IsStatementEnd()) {
        SelectServerParams(listStart, listEnd);
    } else {
        ParseFromWhere(from, where, conditions, stop);
        SqlTokenIterator list = listStart;
        ParseSelectList(list, listEnd);
    }
    it = stop;
    m_resultMessage = "%i row selected.";
}

void RdmSqlSelect::SelectServerParams(SqlTokenIterator list, SqlTokenIterator listEnd) {
    m_view.AddTable("", "sysdb", "fields", "", "", "", "");
    RdmStoreTab& fields = *m_view.Master(Here(__LINE__));
    fields.SetFields({});
    for (; list != listEnd; ++list) {
        if (list->Matches(",")) continue;
        std::string value;
        try {
            m_descs.GetServerParam(list->text.c_str(), value);
        } catch (const LurExceptBase& error) {
            value = error.what();
        } catch (...) {
            value = "uncaught exception";
        }
        fields.AddTextFld(list->text, value, static_cast<int16_t>(value.size() + 1));
        // The console prints the columns of the select list.
        m_selectList.push_back({fields.GetName(), list->text, ""});
    }
    fields.AddCurrentToList();
    fields.LoadAll();
    fields.SetListPos(-1);
    m_view.RefreshFields();
}
