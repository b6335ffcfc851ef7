// RdmFileImport: the SQL session of the client library. It is the map of
// open tablespaces its statements work on (its base), holds the loaded
// script text and its parsed statements, and runs them either here,
// statement by statement through one RdmSqlExec per run, or on the database
// server through the client library's SQL call. After every statement it
// keeps that statement's results (message, status, result table, view and
// selected columns) and fires the progress callback.
//
// Transactions. The session owns the client transaction "SQL" that its
// statements began (the first INSERT, DELETE or UPDATE), across runs and
// nested "@" scripts: a later run's or a nested script's COMMIT or ROLLBACK
// ends it, and HoldsTransaction tells a caller whether one is still open at
// the end. Statements that ran inside a transaction the session did not
// begin (the begin answered 10023) make COMMIT and ROLLBACK fail with 10023,
// since the session cannot end what it does not own.
//
// Script files are read through LoadSqlTextFile (UTF-8 converted once to
// code page 1250, or code page 1250 as it is); "@" scripts nest at most
// kMaxScriptDepth deep, and never run a script that is already running on
// the chain of "@" that reached them (a script that calls itself).
//
// A failure inside an "@" script is told once, where it happens: the failed
// statement's message ends with a line naming the chain of scripts that led
// to it ("in c.sql, called from b.sql row 3, called from main.sql row 1").
// Each "@" above it fails in turn (2020, "Script b.sql failed: 1 failure in
// it or in the scripts it called.") without the text again, and
// FailedThroughNestedScript tells a display which of those it has already
// shown the cause of.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DbDescMap.h"
#include "RdmTable.h"
#include "RdmView.h"
#include "SqlSelectColumn.h"
#include "SqlTextFile.h"
#include "SqlToken.h"

class RdmSqlExec;

class RdmFileImport : public DbDescMap {
public:
    using ProgressCallback = void (*)(void*);
    // The event code of the client library's statement progress.
    static constexpr int kProgressEvent = 71;
    // How deep "@" scripts may nest (the outermost script is not counted).
    static constexpr int kMaxScriptDepth = 16;

    RdmFileImport();
    // Releases the text and every member; an open transaction is not ended.
    ~RdmFileImport();
    RdmFileImport(const RdmFileImport&) = delete;
    RdmFileImport& operator=(const RdmFileImport&) = delete;

    // ---- set-up ----------------------------------------------------------------

    // Binds the session to a connection's map: its handle for server-side
    // calls, local or server-side execution, and a copy of the map.
    void SetSession(const DbDescMap& map, bool serverSide);
    // A null function switches the callback off.
    void SetProgressCallback(void* argument, ProgressCallback callback);
    // How script and import files are read (UTF-8 unless set).
    void SetFileEncoding(SqlFileEncoding encoding) { m_encoding = encoding; }
    SqlFileEncoding GetFileEncoding() const { return m_encoding; }

    // ---- loading and running -------------------------------------------------------

    // Loads the file (10011 [file] when it cannot be read) and, with an empty
    // target, runs it as a script (ImportSql): a syntax error leaves its text
    // in the message and is thrown on. With a target "TABLESPACE.TABLE" it
    // imports the file into that table (ImportTable).
    void Import(const char* fileName, const DbDescMap& map, const std::string& target);
    // Loads a script from a string; nothing is parsed.
    void SetText(const char* text);
    // Loads a script file as Import reads it, without running it.
    void LoadScriptFile(const std::string& fileName);
    // Tokenizes the loaded text into the statements; a syntax error becomes
    // the status "PARSER:ERROR:<code>" and the message, never an exception.
    void CheckSql();
    void CheckText(const char* text);
    // CheckText, then ExecSql: the entry of the "@" statement.
    void RunText(const char* text);
    // Runs the parsed statements, locally or on the server.
    void ExecSql();

    // ---- results of the last statement -------------------------------------------------

    // The result table of the last statement; it works on the statement's
    // view, which the session took over from the executor (GetView), so it
    // stays valid until the next statement replaces both. A statement
    // without one leaves an empty table.
    RdmTable GetSqlResult();
    const char* GetSqlResultText();
    // Local mode only (10038 in server-side mode).
    RdmView& GetView();
    const char* GetStatus() const;
    const SqlSelectList& GetColumns() const { return m_columns; }
    // The status and message of the first statement of the last run (or
    // syntax check) that failed; empty when none did. Nested "@" scripts
    // keep their own record while they run.
    const std::string& GetFirstFailure() const { return m_firstFailure; }

    // ---- transaction ownership ---------------------------------------------------------

    // Whether the session holds the client transaction its statements began.
    bool HoldsTransaction() const { return m_ownsTransaction; }
    // Whether statements ran inside a transaction the session did not begin.
    bool RanInForeignTransaction() const { return m_inForeignTransaction; }
    // Ends the session's own transaction (commit or abort) through the map;
    // false when it held none.
    bool EndOwnTransaction(bool commit);

    // ---- table import (RdmFileImportTable.cpp) ----------------------------------------

    // Imports the loaded text into the target table inside one strict client
    // transaction "IMPORT": the text is one flat stream of values (lines are
    // not records) that fill the table's fields in order, a record inserted
    // after every field count of values. The message becomes "N record
    // imported." and, when values were left over, a second line "k values
    // after the last whole record were not imported.". 2000 for a target
    // that names no tablespace (saying TS.TABLE is expected), 2003 for a
    // table without fields; a value a field refuses or a refused insert
    // aborts the transaction (nothing is kept) and is thrown on, its text
    // naming the record and the field and value (of a refused insert, its
    // unique keys).
    void ImportTable();
    // Reads the value at the read position into the current value and steps
    // past its terminator (a comma outside quotes, a line end, the text's
    // end). A backslash takes the next byte literally (a last backslash is
    // itself); a double quote toggles quoting and is dropped; a carriage
    // return skips a line feed that follows it.
    void ReadValue();
    const std::string& GetCurrentValue() const { return m_currentValue; }
    uint32_t GetReadPosition() const { return m_readPosition; }

    // ---- nested scripts ------------------------------------------------------------------

    // An "@" script running: its name as the statement gave it, and the row
    // of that statement in the script that called it (as an editor counts
    // it: SqlToken::line).
    struct ScriptCall {
        std::string name;
        int row = 0;
    };

    // How many "@" scripts are running now (0: the outermost script's
    // statements).
    int GetScriptDepth() const { return static_cast<int>(m_scriptCalls.size()); }
    // Names the loaded text where a nested failure names its chain ("standard
    // input"); a script file is named by its file, a text set otherwise by
    // "the script".
    void SetScriptName(const std::string& name) { m_scriptName = name; }
    // Whether the last statement is an "@" that failed because something in
    // its script (or in a script that one called) failed, which was reported
    // as it happened.
    bool FailedThroughNestedScript() const { return m_failedThroughScript; }

    // ---- helpers -------------------------------------------------------------------------

    // An RdmTable over "TABLESPACE.TABLE" of the session's own descriptions;
    // name becomes the table part.
    RdmTable OpenTable(std::string& name);
    // Calls the progress callback; whatever it throws is dropped.
    void FireProgress();
    // The client library's event hook: progress on event 71.
    static void EventProc(RdmFileImport* session, int event);

private:
    friend class RdmSqlExec;  // runs nested scripts (chain, failures), notes transactions

    // Records that the session began the transaction, that statements ran in
    // one it did not begin, or that every transaction was ended.
    void NoteTransactionBegun() {
        m_ownsTransaction = true;
        m_inForeignTransaction = false;  // a begin that succeeds means the other one has ended
    }
    void NoteForeignTransaction() { m_inForeignTransaction = true; }
    void NoteTransactionsEnded();

    void ImportSql();
    // Empties the statements and parses the loaded text into them.
    void ParseText();
    void ExecOnServer(const std::vector<SqlStatement>& statements);
    void ExecLocally(const std::vector<SqlStatement>& statements);
    // Takes over the executor's view (by move) and its result table.
    void TakeResultView(RdmSqlExec& exec);
    // After a statement or a syntax check: a failure (not an "@" that failed
    // through its script) gets the chain of scripts it ran in and is
    // counted, and the first failure of the run is kept.
    void NoteOutcome();
    // "in c.sql, called from b.sql row 3, called from main.sql row 1".
    std::string NestedScriptPlace() const;

    int32_t m_clientHandle = kNoHandle;
    std::string m_target;
    bool m_serverSide = false;
    std::string m_fileName;
    std::string m_text;
    uint32_t m_readPosition = 0;
    std::string m_currentValue;
    std::vector<SqlStatement> m_statements;
    char m_separator = ',';
    char m_quote = '"';
    char m_escape = '\\';
    ProgressCallback m_callback = nullptr;
    void* m_callbackArgument = nullptr;
    RdmTable m_resultTable;
    RdmView m_resultView;
    std::string m_message;
    std::string m_status;
    SqlSelectList m_columns;

    SqlFileEncoding m_encoding = SqlFileEncoding::Utf8;
    bool m_ownsTransaction = false;
    bool m_inForeignTransaction = false;
    std::vector<ScriptCall> m_scriptCalls;          // the "@" scripts running now, outermost first
    std::string m_scriptName;                       // of the outermost script ("" for a text)
    SqlFileIdentity m_loadedScript;                 // the script file loaded last
    std::vector<SqlFileIdentity> m_runningScripts;  // the script files running now, outermost first
    std::string m_firstFailure;
    int m_failureCount = 0;              // failures reported; an "@" failed through its script is not one
    bool m_failedThroughScript = false;  // see FailedThroughNestedScript
};
