#include "RdmSqlExec.h"

#include <algorithm>
#include <vector>

#include "DbDescError.h"
#include "RdmExtPackage.h"
#include "RdmFileImport.h"
#include "SqlTextFile.h"
#include "lurdbcli.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlExec"};

// Replaces every "%i" by the number and keeps every other "%": a message is
// text, never a format.
std::string FillCount(const std::string& message, int32_t count) {
    std::string filled;
    const std::string number = std::to_string(count);
    for (size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '%' && i + 1 < message.size() && message[i + 1] == 'i') {
            filled += number;
            ++i;
        } else {
            filled += message[i];
        }
    }
    return filled;
}

// One "@" script more on the session's chain while it lives: the call and
// the file running.
class ScriptLevel {
public:
    ScriptLevel(std::vector<RdmFileImport::ScriptCall>& calls, std::vector<SqlFileIdentity>& running,
                RdmFileImport::ScriptCall call, const SqlFileIdentity& script)
        : m_calls(calls), m_running(running) {
        m_calls.push_back(std::move(call));
        m_running.push_back(script);
    }
    ~ScriptLevel() {
        m_running.pop_back();
        m_calls.pop_back();
    }
    ScriptLevel(const ScriptLevel&) = delete;
    ScriptLevel& operator=(const ScriptLevel&) = delete;

private:
    std::vector<RdmFileImport::ScriptCall>& m_calls;
    std::vector<SqlFileIdentity>& m_running;
};

// What an "@" says of its script's failures, each reported where it happened.
std::string FailuresText(int failures) {
    return std::to_string(failures) + (failures == 1 ? " failure" : " failures") +
           " in it or in the scripts it called.";
}

}  // namespace

RdmSqlExec::RdmSqlExec(RdmFileImport* session) : m_session(session) {}

RdmSqlExec::~RdmSqlExec() = default;

void RdmSqlExec::Execute(RdmFileImport& session, const SqlStatement& statement) {
    m_affected = 0;
    m_resultMessage.clear();
    m_statementName.clear();
    m_view = RdmView();
    m_transactionAborted = false;
    try {
        m_tokens = statement;
        SetStatement(m_tokens);
        m_descs = session;
        SqlTokenIterator it = m_tokens.begin();
        SqlTokenIterator start = it;
        while (it != m_statementEnd) {
            Dispatch(it);
            if (it == start) ThrowSyntaxError(2027, it->text, it, Here(__LINE__));
            start = it;
        }
        m_statementName += ":SUCCESS:0";
    } catch (const LurExceptBase& error) {
        m_resultMessage = m_resultMessage + "\r\n" + error.what();
        m_statementName += ":ERROR:" + std::to_string(error.GetCode());
        if (m_transactionAborted) m_resultMessage += "\r\nTransaction aborted.";
    }
}

bool RdmSqlExec::Take(SqlTokenIterator& it, const char* word) {
    const SqlTokenIterator before = it;
    AcceptKeyword(it, word);
    return it != before;
}

void RdmSqlExec::Dispatch(SqlTokenIterator& it) {
    // A word no statement starts with falls through to 2027.
    if (Take(it, "COMMIT")) return Commit(it);
    if (Take(it, "ROLLBACK")) return Rollback(it);
    if (Take(it, "@")) return RunScriptFile(it);
    if (Take(it, "PRINT")) return Print(it);
    if (Take(it, "TRUNCATE") && Take(it, "TABLE")) return Truncate(it);
    if (Take(it, "EXEC") || Take(it, "EXECUTE")) return ExecuteProcedure(it);
    if (Take(it, "INSERT") && Take(it, "INTO")) return Insert(it);
    if (Take(it, "DELETE") && Take(it, "FROM")) return Delete(it);
    if (Take(it, "UPDATE")) return Update(it);
    if (Take(it, "SELECT")) return Select(it);
    if (Take(it, "ORDER") && Take(it, "BY")) return OrderBy(it);
    if (Take(it, "CREATE")) return Create(it);
    if (Take(it, "ALTER")) return Alter(it);
    if (Take(it, "DROP")) return Drop(it);
    if (Take(it, "DESCRIBE") || Take(it, "DESC")) return Describe(it);
    if (Take(it, "GRANT")) return Grant(it);
    if (Take(it, "REVOKE")) return Revoke(it);
    Take(it, ";");
}

// ---- results ------------------------------------------------------------------------------

const std::string& RdmSqlExec::ResultText() {
    if (m_resultMessage.find("%i") != std::string::npos) {
        if (m_resultMessage.find("row selected") != std::string::npos) m_affected = m_view.RecordCount();
        m_resultMessage = FillCount(m_resultMessage, m_affected);
    }
    return m_resultMessage;
}

RdmTable RdmSqlExec::ResultTable() { return m_view.Table(m_masterTable); }

// ---- transactions -------------------------------------------------------------------------

void RdmSqlExec::BeginTransIfNeeded(RdmTable& table, SqlTokenIterator token) {
    if (m_session->HoldsTransaction()) return;
    try {
        table.BeginTrans("SQL", true);
        m_session->NoteTransactionBegun();
    } catch (const LurExceptBase& error) {
        if (error.GetCode() == lurdbcli::kTransactionOpen) {
            // Someone else's transaction: the statement runs inside it, and
            // the session will not claim to end it.
            m_session->NoteForeignTransaction();
            return;
        }
        ThrowPositioned(error, token, Here(__LINE__));
    }
}

void RdmSqlExec::EndTransaction(SqlTokenIterator& it, bool commit) {
    const char* name = commit ? "COMMIT" : "ROLLBACK";
    if (!m_session->HoldsTransaction()) {
        if (!m_session->RanInForeignTransaction()) return;  // nothing to end: ":SUCCESS:0"
        m_statementName = name;
        ThrowSyntaxError(
            lurdbcli::kTransactionOpen,
            std::string("The statements ran inside a transaction this session did not begin; it was not ") +
                (commit ? "commited." : "aborted."),
            it, Here(__LINE__));
    }
    m_statementName = name;
    try {
        m_descs.EndTrans(commit);  // a COMMIT the store refused is no success
    } catch (const LurExceptBase& error) {
        m_session->NoteTransactionsEnded();
        ThrowPositioned(error, it, Here(__LINE__));
    }
    m_resultMessage = commit ? "Transaction commited." : "Transaction aborted.";
    m_session->NoteTransactionsEnded();
}

void RdmSqlExec::Commit(SqlTokenIterator& it) { EndTransaction(it, true); }

void RdmSqlExec::Rollback(SqlTokenIterator& it) { EndTransaction(it, false); }

void RdmSqlExec::CommitOpenTransaction() {
    const int32_t status = m_descs.EndTransaction(true);  // also passes when none is open
    m_session->NoteTransactionsEnded();
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());
}

// ---- target table -------------------------------------------------------------------------

RdmView& RdmSqlExec::OpenTarget(SqlTokenIterator& it) {
    m_view = RdmView();
    m_fromList.clear();
    m_fromNames.clear();
    m_fromNames.push_back(m_masterTable);
    const std::string target = m_masterTable;
    ResolveTable(target, m_masterTablespace, m_masterTable, it);
    m_fromList.emplace_back(m_masterTablespace, m_masterTable);
    try {
        m_view = RdmView(&m_descs, "SQLEXEC", DbDesc::DefaultTableOptions());
        m_view.AddTable("", m_masterTablespace, m_masterTable, "", "", "", "");
    } catch (const LuMapExcept&) {
        throw DbDescError(2000, Here(__LINE__), StrVector(m_masterTablespace));
    }
    return m_view;
}

// ---- scripts, PRINT, TRUNCATE, EXECUTE ----------------------------------------------------

void RdmSqlExec::RunScriptFile(SqlTokenIterator& it) {
    m_statementName = "@SQLFILE";
    const bool wellFormed = m_tokens.front().Matches("@") &&
                            (m_tokens.size() == 2 || (m_tokens.size() > 2 && m_tokens[2].IsStatementEnd()));
    if (!wellFormed) ThrowSyntaxError(2020, "Bad file processing command!", it, Here(__LINE__));

    const SqlTokenIterator fileToken = it;
    const std::string fileName = it->text;
    if (m_session->GetScriptDepth() >= RdmFileImport::kMaxScriptDepth) {
        ThrowSyntaxError(2020,
                         "Scripts nest more than " + std::to_string(RdmFileImport::kMaxScriptDepth) +
                             " deep: " + fileName + " is not run.",
                         it, Here(__LINE__));
    }
    SqlTextFile file = ReadSqlTextFile(fileName, m_session->GetFileEncoding());
    switch (file.fault) {
        case SqlTextFile::kNone: break;
        case SqlTextFile::kCannotOpen:
            ThrowSyntaxError(lurdbcli::kNoDescription, "File cannot open! " + file.faultText, it, Here(__LINE__));
        case SqlTextFile::kReadError:
            ThrowSyntaxError(lurdbcli::kNoDescription, "File read error! " + file.faultText, it, Here(__LINE__));
        case SqlTextFile::kBadText: ThrowSyntaxError(lurdbcli::kNoDescription, file.faultText, it, Here(__LINE__));
    }
    // A script that reached itself through "@" would run again and again.
    const std::vector<SqlFileIdentity>& running = m_session->m_runningScripts;
    if (file.identity.Known() && std::find(running.begin(), running.end(), file.identity) != running.end())
        ThrowSyntaxError(2020, "Script " + fileName + " is already running: it is not run again.", it, Here(__LINE__));

    // The nested run keeps its own record of its first failure; the outer
    // run's record is put back afterwards. Its failures were reported as
    // they happened, with the chain of scripts: the "@" only counts them.
    const std::string outerFailure = m_session->m_firstFailure;
    const int failuresBefore = m_session->m_failureCount;
    try {
        ScriptLevel level(m_session->m_scriptCalls, m_session->m_runningScripts, {fileName, fileToken->line},
                          file.identity);
        m_session->RunText(file.text.c_str());
    } catch (const LurExceptBase& error) {
        m_session->m_firstFailure = outerFailure;
        m_session->m_failedThroughScript = false;  // the nested statements' flag; nobody reported this one
        m_view = RdmView();
        m_resultMessage.clear();
        ThrowSyntaxError(2020, error.what(), fileToken, Here(__LINE__));
    }
    m_session->m_firstFailure = outerFailure;
    m_session->m_failedThroughScript = false;  // the nested statements' flag
    Advance(it);
    if (const int failures = m_session->m_failureCount - failuresBefore; failures > 0) {
        m_session->m_failedThroughScript = true;
        ThrowSyntaxError(2020, "Script " + fileName + " failed: " + FailuresText(failures), fileToken, Here(__LINE__));
    }
}

void RdmSqlExec::Print(SqlTokenIterator& it) {
    m_statementName = "PRINT";
    if (it->IsStatementEnd()) {
        m_resultMessage.clear();
        return;
    }
    m_resultMessage = it->text;
    Advance(it);
}

void RdmSqlExec::Truncate(SqlTokenIterator& it) {
    CommitOpenTransaction();
    m_statementName = "TRUNCATE";
    m_resultMessage = "Invalid object name";
    try {
        m_masterTable = it->text;
        Advance(it);
        OpenTarget(it);
        RdmTable table = m_view.Table(m_masterTable);
        table.TruncateFile();
        m_resultMessage = "Table " + m_masterTable + " truncated.";
    } catch (const LurExceptBase& error) {
        ThrowPositioned(error, it, Here(__LINE__));
    }
}

void RdmSqlExec::ExecuteProcedure(SqlTokenIterator& it) {
    m_statementName = "EXECUTE";
    m_resultMessage = "Cannot execute procedure";
    std::vector<std::string> pieces;
    std::string piece;
    for (char c : it->text + '.') {
        if (c != '.') {
            piece += c;
        } else if (!piece.empty()) {
            pieces.push_back(piece);
            piece.clear();
        }
    }
    if (pieces.size() < 2) ThrowSyntaxError(2020, it->text, it, Here(__LINE__));
    const std::string& packageName = pieces[0];
    const std::string& functionName = pieces[1];
    Advance(it);

    RdmExtPackage package(m_descs.GetHandle(), packageName);
    std::string arguments;  // the tokens joined with nothing between them
    while (!it->IsStatementEnd()) {
        arguments += it->text;
        Advance(it);
    }
    package.CallExtFnc(functionName, arguments.empty() ? nullptr : arguments.data(),
                       static_cast<int32_t>(arguments.size()), true);
    m_resultMessage = packageName + "." + functionName + " executed.";
}
