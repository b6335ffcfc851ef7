// The data statements of the executor: INSERT INTO, DELETE FROM and UPDATE.
#include <iterator>
#include <vector>

#include "DbDescError.h"
#include "RdmFileImport.h"
#include "RdmSqlExec.h"
#include "RdmStoreTab.h"
#include "lurdbcli.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlExec"};

constexpr int kValueCountDiffers = 2028;
constexpr int kBadInsertList = 2029;
constexpr int kMissingSet = 2030;
constexpr int kMissingEquals = 2031;
constexpr int kNoPrimaryIndex = lurdbcli::kFunctionMissing;  // 10038
constexpr int kRecordMissing = lurdbcli::kNotFound;          // 10002

constexpr const char* kRecordMissingText = "Modified record is missing.";

// A change of the current row that the server answers with not found (the
// row is gone) is a failure of the statement, not the end of its loop.
template <class Change>
void ChangeOrFail(RdmSqlExec& exec, Change change, SqlTokenIterator at, const ErrorLocation& where) {
    bool done = false;
    try {
        done = change();
    } catch (const LurExceptBase& error) {
        if (error.GetCode() != kRecordMissing) throw;
    }
    if (!done) exec.ThrowSyntaxError(kRecordMissing, kRecordMissingText, at, where);
}

}  // namespace

void RdmSqlExec::FailDataStatement(const LurExceptBase& error, SqlTokenIterator at, bool changed) {
    m_view = RdmView();
    m_resultMessage.clear();
    if (changed && m_session->HoldsTransaction()) {
        try {
            m_session->EndOwnTransaction(false);
        } catch (const LurExceptBase&) {
            // the statement's own failure is the one to report
        }
        m_transactionAborted = true;
    }
    ThrowPositioned(error, at, Here(__LINE__));
}

std::string RdmSqlExec::SearchRowsToChange(RdmTable& table, SqlTokenIterator where, SqlTokenIterator stop,
                                           const char* noKeyText) {
    const SqlTokenIterator conditions = ConditionsAfterWhere(where, stop);
    const std::string uniqueKey = table.GetUniqueKeyName();
    if (uniqueKey.empty()) ThrowSyntaxError(kNoPrimaryIndex, noKeyText, conditions, Here(__LINE__));
    ParseCondition(conditions, stop);
    ConditionsToSearch(conditions);
    return uniqueKey;
}

// ---- INSERT ------------------------------------------------------------------------------------

void RdmSqlExec::Insert(SqlTokenIterator& it) {
    m_statementName = "INSERT";
    m_masterTable = it->text;
    try {
        OpenTarget(it);
        RdmTable table = m_view.Table(m_masterTable);  // a plain copy: records go straight to the server
        BeginTransIfNeeded(table, it);
        table.ClearRecord();
        m_resultMessage = "%i record inserted.";
        m_affected = 1;
        Advance(it);
        if (it->Matches("VALUES")) {
            Advance(it);
            if (!it->Matches("(")) ThrowSyntaxError(kBadInsertList, "", it, Here(__LINE__));
            Advance(it);
            // One value for each data field, in the description's order;
            // groups and compound keys among the fields take none.
            const StrVector names = table.GetFieldNames();
            size_t field = 0;
            while (!it->Matches(")") && !it->IsStatementEnd() && field < names.size()) {
                if (it->Matches(",")) {
                    Advance(it);
                    continue;
                }
                if (!it->Matches("NULL")) SetValue(it, table.Fld(names[field]));  // NULL leaves it cleared
                Advance(it);
                ++field;
            }
            if (!it->Matches(")") || field < names.size()) ThrowSyntaxError(kValueCountDiffers, "", it, Here(__LINE__));
            Advance(it);
            RequireClauseEnd(it);
            table.NewRec();
            return;
        }

        if (!AcceptKeyword(it, "(")) ThrowSyntaxError(kBadInsertList, "", it, Here(__LINE__));
        // The value list follows the column list at once.
        const SqlTokenIterator columnsEnd = FindToken(it, m_statementEnd, ")");
        if (columnsEnd == m_statementEnd || !std::next(columnsEnd)->Matches("VALUES") ||
            !std::next(columnsEnd, 2)->Matches("("))
            ThrowSyntaxError(kBadInsertList, "", it, Here(__LINE__));
        const SqlTokenIterator valuesEnd = FindToken(std::next(columnsEnd, 3), m_statementEnd, ")");
        if (valuesEnd == m_statementEnd) ThrowSyntaxError(kBadInsertList, "", it, Here(__LINE__));
        SqlTokenIterator column = it;
        SqlTokenIterator value = std::next(columnsEnd, 3);
        for (; column != columnsEnd && value != valuesEnd; ++column, ++value) {
            // The lists go in step: a comma stands against a comma.
            if (column->Matches(",") != value->Matches(","))
                ThrowSyntaxError(kValueCountDiffers, "", column, Here(__LINE__));
            if (column->Matches(",") || value->Matches("NULL")) continue;  // a separator, or left cleared
            SetValue(value, table.Fld(column->text));
        }
        if (column != columnsEnd || value != valuesEnd)
            ThrowSyntaxError(kValueCountDiffers, "", column, Here(__LINE__));
        it = std::next(valuesEnd);
        RequireClauseEnd(it);
        table.NewRec();
    } catch (const LurExceptBase& error) {
        FailDataStatement(error, it, false);  // nothing reaches the server before the one insert
    }
}

// ---- DELETE ------------------------------------------------------------------------------------

void RdmSqlExec::Delete(SqlTokenIterator& it) {
    m_statementName = "DELETE";
    m_masterTable = it->text;
    ++it;
    try {
        OpenTarget(it);
        RdmStoreTab& table = m_view.Table(m_masterTable);
        RequireClauseEnd(it, "WHERE");
        BeginTransIfNeeded(table, it);
        m_resultMessage = "%i record deleted.";
        const SqlTokenIterator stop = FindToken(it, m_statementEnd, ";");
        auto deleteCurrent = [&] {
            ChangeOrFail(
                *this, [&] { return table.DelRec(true); }, it, Here(__LINE__));
            ++m_affected;
        };
        if (it != stop) {
            // Without a unique key the delete would hit whatever record the
            // connection stands on.
            const std::string uniqueKey = SearchRowsToChange(table, it, stop, "Cannot delete without primary index!");
            table.DefineKey(uniqueKey);
            if (table.GoToPos(0, RdmStoreTab::kChildNone)) {
                while (table.GetListCount() > 0) deleteCurrent();
            }
        } else {
            table.DefineKey("");
            while (table.Move(0, RdmStoreTab::kChildNone)) deleteCurrent();
        }
        it = stop;
    } catch (const LurExceptBase& error) {
        FailDataStatement(error, it, m_affected > 0);
    }
}

// ---- UPDATE ------------------------------------------------------------------------------------

std::vector<RdmSqlExec::SetItem> RdmSqlExec::ReadSetList(RdmTable& table, SqlTokenIterator& it) {
    std::vector<SetItem> items;
    do {
        const SqlTokenIterator name = it;
        Advance(it);
        if (!AcceptKeyword(it, "=")) ThrowSyntaxError(kMissingEquals, "", it, Here(__LINE__));
        table.Fld(name->text);  // an unknown field is refused before any row changes
        items.push_back({name->text, it});
        Advance(it);
    } while (AcceptKeyword(it, ","));
    return items;
}

void RdmSqlExec::ApplySetList(RdmTable& table, const std::vector<SetItem>& items) {
    for (const SetItem& item : items) {
        RdmFld& target = table.Fld(item.field);
        if (item.value->Matches("NULL"))
            target.SetString("");  // cleared, as INSERT leaves a NULL field
        else
            SetValue(item.value, target);
    }
}

void RdmSqlExec::Update(SqlTokenIterator& it) {
    m_statementName = "UPDATE";
    m_masterTable = it->text;
    try {
        OpenTarget(it);
        RdmStoreTab& table = m_view.Table(m_masterTable);
        ++it;
        if (!AcceptKeyword(it, "SET")) ThrowSyntaxError(kMissingSet, "", it, Here(__LINE__));
        m_resultMessage = "%i record updated.";
        // The whole statement is read before the first row changes.
        const std::vector<SetItem> setList = ReadSetList(table, it);
        RequireClauseEnd(it, "WHERE");
        BeginTransIfNeeded(table, it);
        const SqlTokenIterator stop = FindToken(it, m_statementEnd, ";");
        // The SET values are evaluated for every row: a sequence's next
        // value or SYSDATE is drawn per row.
        if (it == stop) {
            table.DefineKey("");
            for (int32_t move = 0; table.Move(move, RdmStoreTab::kChildNone); move = 2) {
                ApplySetList(table, setList);
                ChangeOrFail(
                    *this, [&] { return table.ModRec(true); }, it, Here(__LINE__));
                ++m_affected;
            }
        } else {
            DbDesc keyDesc = m_descs.GetDescCopy(table.GetDbName());
            RdmTable keyTable(&keyDesc, table.GetName());
            const std::string uniqueKey = SearchRowsToChange(table, it, stop, "Cannot modify without proimary index!");
            std::vector<std::string> keyFields;
            if (m_descs.GetDesc(table.GetDbName())->GetFieldDescByName(table.GetName(), uniqueKey).type == 'k') {
                table.GetKeyFields(uniqueKey, keyFields);
            } else {
                keyFields.push_back(uniqueKey);
            }
            while (table.ListNext()) {
                for (const std::string& field : keyFields) keyTable.Fld(field).SetString(table.Fld(field).GetString());
                ChangeOrFail(
                    *this, [&] { return keyTable.FindRecByKey(uniqueKey); }, it, Here(__LINE__));
                ApplySetList(table, setList);
                table.DefineKey("");  // the change goes to the record the key table found
                ChangeOrFail(
                    *this, [&] { return table.ModRec(true); }, it, Here(__LINE__));
                ++m_affected;
            }
        }
        it = stop;
    } catch (const LurExceptBase& error) {
        FailDataStatement(error, it, m_affected > 0);
    }
}
