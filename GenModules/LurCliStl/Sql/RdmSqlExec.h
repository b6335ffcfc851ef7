// RdmSqlExec: runs one SQL statement at a time for the SQL session
// (RdmFileImport), which constructs one executor per run. It dispatches on
// the statement's leading keywords and records the outcome: the status text
// (the statement's name and ":SUCCESS:0", or ":ERROR:<code>"), the result
// message, the affected count and the result view. A failure of the
// LurExceptBase family never leaves Execute: it becomes the status, and the
// message gets a line break and the error's text.
//
// Statements served: COMMIT, ROLLBACK, "@" (a nested script file run
// through the session), PRINT, TRUNCATE TABLE, EXEC/EXECUTE and the lone ";"
// here; SELECT and ORDER BY (RdmSqlExecSelect.cpp), INSERT, DELETE, UPDATE
// (RdmSqlExecData.cpp), CREATE/ALTER/DROP and DESCRIBE
// (RdmSqlExecCatalogue.cpp, with RdmSqlExecUsers.cpp and
// RdmSqlExecDatabases.cpp), GRANT/REVOKE (RdmSqlExecPrivileges.cpp), ALTER
// SESSION and ALTER SYSTEM (RdmSqlExecSettings.cpp). Any other leading word
// ends the statement with 2027 at that word.
//
// Transactions: the executor asks its session whether it holds the
// transaction "SQL" (see RdmFileImport): the first data change begins it
// (BeginTransIfNeeded), COMMIT and ROLLBACK end it, TRUNCATE commits
// whatever is open first. A failing statement leaves it open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    // The view of the last statement; the session moves it out.
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
    // the result's rows, in every group of a detail. Refused, it leaves an
    // empty view and no result message.
    void OrderBy(SqlTokenIterator& it);
    // The empty view "SQLEXEC" over the executor's tablespaces.
    void ResetView();

    // ---- catalogue statements (CREATE, ALTER, DROP; see RdmSqlExecCatalogue.cpp) -------

    // The verbs: commit the connection's open transaction, then pass on to
    // the handler of the object word; 2012 for an unknown object word.
    void Create(SqlTokenIterator& it);
    void Alter(SqlTokenIterator& it);
    void Drop(SqlTokenIterator& it);
    // Sequences: rows of SYSDB's "sequencies", names in upper case.
    void CreateSequence(SqlTokenIterator& it);
    void AlterSequence(SqlTokenIterator& it);
    void DropSequence(SqlTokenIterator& it);
    // Reads the sequence options into the table's record buffer and checks
    // the row they make (2022 for one the draw could not serve, or for a
    // START WITH outside the bounds). creating: a row without START WITH
    // keeps seq_id 1, refused only where 1 lies past the end the sequence
    // runs to.
    void SequenceOptions(SqlTokenIterator& it, RdmTable& sequences, bool creating);
    // DESCRIBE / DESC: the table's definition as a CREATE TABLE text.
    void Describe(SqlTokenIterator& it);
    // Users and roles (role true for ROLE).
    void CreateUser(SqlTokenIterator& it, bool role);
    void AlterUser(SqlTokenIterator& it);
    void DropUser(SqlTokenIterator& it, bool role);
    // Privileges and role memberships (RdmSqlExecPrivileges.cpp): rows of
    // SYSDB's "sysprivilegs" and "userlink", all names of a statement or none.
    void Grant(SqlTokenIterator& it);
    void Revoke(SqlTokenIterator& it);
    // Both: parse, then every name in one transaction.
    void ChangeGrants(SqlTokenIterator& it, bool grant);
    // Parses GRANT/REVOKE up to the end of the name list (it); grantee
    // position: after the grantee and any WITH GRANT OPTION.
    void ParseGrant(int32_t& granteeId, std::vector<std::string>& names, SqlTokenIterator& granteePosition,
                    SqlTokenIterator& it, std::string& object, int16_t& grantOption, bool grant);
    // The "dbuser" row id of a user or role name, or -1 (strict: 2021 at the token).
    int32_t UserIdByName(const std::string& name, SqlTokenIterator token, bool strict);
    // The ON object: a tablespace, a table (as TABLESPACE.TABLE) or a sequence; 2020 otherwise.
    std::string ResolveGrantObject(SqlTokenIterator objectToken);
    // Databases and blob files.
    void CreateDatabase(SqlTokenIterator& it);
    void AlterDatabase(SqlTokenIterator& it);
    void DropDatabase(SqlTokenIterator& it);
    // Session and system settings (RdmSqlExecSettings.cpp).
    void AlterSession(SqlTokenIterator& it);
    void AlterSystem(SqlTokenIterator& it);
    // The value of one LOGLEVEL word; steps past it and a following AND
    // (and "=" after that AND).
    long LogCategoryBit(SqlTokenIterator& it);
    // A "debuglog" value as its LOGLEVEL words.
    static std::string LogMaskText(const std::string& mask);
    // ---- data statements (RdmSqlExecData.cpp) -------------------------------------------

    // INSERT INTO, DELETE FROM, UPDATE: the iterator stands on the table
    // name. A failure after rows were changed aborts the session's own
    // transaction (the message ends "Transaction aborted."), so that no
    // later COMMIT keeps half a statement; one that changed nothing leaves
    // the transaction alone.
    void Insert(SqlTokenIterator& it);
    void Delete(SqlTokenIterator& it);
    void Update(SqlTokenIterator& it);
    // One item of a SET list: the field and the token of its value.
    struct SetItem {
        std::string field;
        SqlTokenIterator value;
    };
    // Reads a SET list (field = value, ...) from it to its end, the fields
    // checked against the table; nothing is set. 2031 for an item without
    // "=". The caller checks what follows (WHERE or the statement's end).
    std::vector<SetItem> ReadSetList(RdmTable& table, SqlTokenIterator& it);
    // Sets the items' values (evaluated now: nextval and SYSDATE per row)
    // into the table's fields; the word NULL clears the field.
    void ApplySetList(RdmTable& table, const std::vector<SetItem>& items);

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
    // DELETE's and UPDATE's WHERE (from the WHERE token up to stop; 2021
    // without a condition) runs as the view's search; the answer is the
    // table's unique key, by which the rows are found again on the server
    // (10038 with the text without one).
    std::string SearchRowsToChange(RdmTable& table, SqlTokenIterator where, SqlTokenIterator stop,
                                   const char* noKeyText);
    [[noreturn]] void FailDataStatement(const LurExceptBase& error, SqlTokenIterator at, bool changed);

    // ---- users and roles (RdmSqlExecUsers.cpp) ----
    // The clauses of CREATE and ALTER USER; empty texts are not given.
    struct UserChanges {
        std::string password;
        bool hasPassword = false;
        std::string enabled;  // "0x00" locked, "0x01" open
        std::string type;     // "0x00" visible, "0x02" hidden
    };
    // IDENTIFIED BY, ACCOUNT, TYPE in that order, then the statement's end.
    void UserClauses(SqlTokenIterator& it, UserChanges& changes);
    // Deletes every row whose field holds the id, each through the table's
    // unique key over the key fields.
    static void DeleteRowsOf(RdmTable& table, const char* field, int32_t id, const std::vector<std::string>& keyFields,
                             const char* uniqueKey);

    SqlStatement m_tokens;
    bool m_transactionAborted = false;  // the failing statement aborted the session's transaction
    RdmFileImport* m_session;
};
