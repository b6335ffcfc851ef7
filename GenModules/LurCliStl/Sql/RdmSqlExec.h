// RdmSqlExec: runs one SQL statement at a time for the SQL session
// (RdmFileImport), which constructs one executor per run. It dispatches on
// the statement's leading keywords and records the outcome: the status text
// (the statement's name and ":SUCCESS:0", or ":ERROR:<code>"), the result
// message, the affected count and the result view. A failure of the
// LurExceptBase family never leaves Execute: it becomes the status, and the
// message gets a line break and the error's text.
//
// Statements served here: COMMIT, ROLLBACK, "@" (a nested script file run
// through the session), PRINT, TRUNCATE TABLE, EXEC/EXECUTE and the lone
// ";". Any other leading word ends the statement with 2027 at that word.
//
// Transactions: the executor asks its session whether it holds the
// transaction "SQL" (see RdmFileImport): the first data change begins it
// (BeginTransIfNeeded), COMMIT and ROLLBACK end it, TRUNCATE commits
// whatever is open first. A failing statement leaves it open.
#pragma once

#include <string>

#include "RdmSqlBase.h"
#include "RdmTable.h"
#include "RdmView.h"
#include "SqlToken.h"

class RdmFileImport;

class RdmSqlExec : public RdmSqlBase {
public:
    explicit RdmSqlExec(RdmFileImport* session);
    ~RdmSqlExec() override;
    RdmSqlExec(const RdmSqlExec&) = delete;
    RdmSqlExec& operator=(const RdmSqlExec&) = delete;

    // Runs one statement over the session's tablespaces.
    void Execute(RdmFileImport& session, const SqlStatement& statement);

    // ---- results, read by the session after each statement ---------------------------

    // The result message with every "%i" replaced by the affected count (the
    // view's record count after a SELECT); every other "%" is kept. The
    // message keeps the filled-in text.
    const std::string& ResultText();
    // The status of the last statement.
    const std::string& StatusText() const { return m_statementName; }
    // A copy of the view's table named by the master table name (the master
    // for an empty name); raises what the view raises when it has none. The
    // copy works on the view's descriptions: it is valid while the view is.
    RdmTable ResultTable();
    // The name of that table.
    const std::string& ResultTableName() const { return m_masterTable; }
    RdmView& ResultView() { return m_view; }
    const SqlSelectList& ResultColumns() const { return m_selectList; }

    // ---- handlers (the iterator stands after the statement's keywords) ---------------

    void Commit(SqlTokenIterator& it);
    void Rollback(SqlTokenIterator& it);
    void RunScriptFile(SqlTokenIterator& it);
    void Print(SqlTokenIterator& it);
    void Truncate(SqlTokenIterator& it);
    void ExecuteProcedure(SqlTokenIterator& it);
    void Select(SqlTokenIterator& it);
    // ORDER BY field [ASC | ASCENDING | DESC | DESCENDING] of a SELECT: sorts
    // the result's rows, in every group of a detail.
    void OrderBy(SqlTokenIterator& it);
    // The empty view "SQLEXEC" over the executor's tablespaces.
    void ResetView();

    // ---- data statements (RdmSqlExecData.cpp) -------------------------------------------

    // INSERT INTO, DELETE FROM, UPDATE: the iterator stands on the table
    // name. A failure after rows were changed aborts the session's own
    // transaction (the message ends "Transaction aborted."), so that no
    // later COMMIT keeps half a statement; one that changed nothing leaves
    // the transaction alone.
    void Insert(SqlTokenIterator& it);
    void Delete(SqlTokenIterator& it);
    void Update(SqlTokenIterator& it);
    // Reads and applies a SET list (field = value, ...) to the table; the
    // word NULL clears the field. 2031 for an item without "=".
    bool ParseSetList(RdmTable& table, SqlTokenIterator& it);

    // ---- for the handlers that change data --------------------------------------------

    // The view "SQLEXEC" holding the target table named by the master table
    // name (TABLE or TABLESPACE.TABLE).
    RdmView& OpenTarget(SqlTokenIterator& it);
    // Begins the session's transaction "SQL" through the table unless the
    // session holds it. A transaction already open on the connection
    // (10023) is used as it is and noted as not the session's; any other
    // refusal is a syntax error with its code at the token.
    void BeginTransIfNeeded(RdmTable& table, SqlTokenIterator token);

private:
    // One pass of the dispatch: runs the handler of the statement keyword
    // at it, if any.
    void Dispatch(SqlTokenIterator& it);
    // Whether the token at it is the syntax word; steps past it when it is.
    bool Take(SqlTokenIterator& it, const char* word);
    void EndTransaction(SqlTokenIterator& it, bool commit);
    // Commits whatever transaction is open on the connection, as the
    // catalogue statements do before they run.
    void CommitOpenTransaction();
    // The handler rule of the data statements: the view and the message are
    // reset and the error is raised again as a syntax error at the token
    // (an error already positioned keeps its text); with changed, the
    // session's own transaction is aborted first.
    // DELETE's and UPDATE's WHERE (from the WHERE token up to stop) run as
    // the view's search; the answer is the table's unique key, by which the
    // rows are found again on the server (10038 with the text without one).
    std::string SearchRowsToChange(RdmTable& table, SqlTokenIterator where, SqlTokenIterator stop,
                                   const char* noKeyText);
    [[noreturn]] void FailDataStatement(const LurExceptBase& error, SqlTokenIterator at, bool changed);

    SqlStatement m_tokens;
    bool m_transactionAborted = false;  // the failing statement aborted the session's transaction
    RdmFileImport* m_session;
};
