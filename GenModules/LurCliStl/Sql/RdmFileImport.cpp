#include "RdmFileImport.h"

#include <utility>

#include "ClientBlock.h"
#include "DbDescError.h"
#include "FunctionLoader.h"
#include "RdmSqlExec.h"
#include "RdmSqlParser.h"
#include "SqlAscii.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmFileImport"};

// The field names of a server result: the block split at tabs, empty pieces
// skipped.
std::vector<std::string> SplitAtTabs(const char* names) {
    std::vector<std::string> pieces;
    if (!names) return pieces;
    std::string piece;
    for (const char* p = names;; ++p) {
        if (*p == '\t' || *p == '\0') {
            if (!piece.empty()) pieces.push_back(piece);
            piece.clear();
            if (*p == '\0') break;
        } else {
            piece += *p;
        }
    }
    return pieces;
}

bool IsFailureStatus(const std::string& status) { return status.find(":ERROR:") != std::string::npos; }

}  // namespace

RdmFileImport::RdmFileImport() = default;

RdmFileImport::~RdmFileImport() = default;

void RdmFileImport::SetSession(const DbDescMap& map, bool serverSide) {
    m_clientHandle = map.GetHandle();
    m_serverSide = serverSide;
    DbDescMap::operator=(map);
}

void RdmFileImport::SetProgressCallback(void* argument, ProgressCallback callback) {
    m_callbackArgument = argument;
    m_callback = callback;
}

// ---- loading and running ------------------------------------------------------------

void RdmFileImport::LoadScriptFile(const std::string& fileName) {
    SqlTextFile file = ReadSqlTextFile(fileName, m_encoding);
    if (file.fault != SqlTextFile::kNone)
        throw DbDescError(lurdbcli::kNoDescription, Here(__LINE__), StrVector(file.faultText));
    m_text = std::move(file.text);
    m_loadedScript = file.identity;
    m_scriptName = fileName;
    m_statements.clear();
    m_readPosition = 0;
}

void RdmFileImport::Import(const char* fileName, const DbDescMap& map, const std::string& target) {
    const std::string name = fileName ? fileName : "";
    LoadScriptFile(name);
    m_fileName = name;
    m_target = target;
    DbDescMap::operator=(map);
    if (!m_target.empty()) return ImportTable();
    ImportSql();
}

void RdmFileImport::ParseText() {
    m_statements.clear();
    RdmSqlParser parser;
    parser.Parse(m_text.data(), static_cast<uint32_t>(m_text.size()), m_statements);
}

void RdmFileImport::ImportSql() {
    m_firstFailure.clear();
    // The script is running while it runs: an "@" of it is refused.
    m_runningScripts.push_back(m_loadedScript);
    try {
        ParseText();
        ExecSql();
    } catch (const LurExceptBase& error) {
        m_runningScripts.pop_back();
        m_message = error.what();
        throw;
    }
    m_runningScripts.pop_back();
}

void RdmFileImport::SetText(const char* text) {
    // A nested script's text ("@") keeps the outermost script's name.
    if (m_scriptCalls.empty()) m_scriptName.clear();
    m_text = text ? text : "";
    m_statements.clear();
    m_readPosition = 0;
}

void RdmFileImport::CheckSql() {
    m_statements.clear();
    m_status.clear();
    m_firstFailure.clear();
    m_failedThroughScript = false;
    try {
        ParseText();
        m_status = "PARSER:SUCCESS:0";
    } catch (const LurExceptBase& error) {
        m_status = "PARSER:ERROR:" + std::to_string(error.GetCode());
        m_message = error.what();
        m_statements.clear();
        NoteOutcome();
        FireProgress();
    }
}

void RdmFileImport::CheckText(const char* text) {
    SetText(text);
    CheckSql();
}

void RdmFileImport::RunText(const char* text) {
    CheckText(text);
    ExecSql();
}

void RdmFileImport::ExecSql() {
    // A statement may run a nested script through this session ("@"), which
    // replaces the text and the statements: work on a copy.
    const std::vector<SqlStatement> statements = m_statements;
    if (m_serverSide) {
        ExecOnServer(statements);
    } else {
        ExecLocally(statements);
    }
}

void RdmFileImport::ExecOnServer(const std::vector<SqlStatement>& statements) {
    auto sqlOperation = LUR_CLIENT_FUNCTION(SqlOperation, "RdmFileImport");
    for (const SqlStatement& statement : statements) {
        // Literals and quoted identifiers get their quotes back, so the server
        // reads the tokens the session read.
        const std::string text = StatementSqlText(statement);
        const int32_t status = sqlOperation(m_clientHandle, text.c_str(), kProgressEvent);
        if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());
        FireProgress();
    }
}

void RdmFileImport::ExecLocally(const std::vector<SqlStatement>& statements) {
    RdmSqlExec exec(this);
    for (const SqlStatement& statement : statements) {
        m_failedThroughScript = false;
        exec.Execute(*this, statement);
        m_message = exec.ResultText();
        m_status = exec.StatusText();
        m_columns = exec.ResultColumns();
        TakeResultView(exec);
        NoteOutcome();
        FireProgress();
    }
}

void RdmFileImport::TakeResultView(RdmSqlExec& exec) {
    // The view (descriptions included) becomes the session's by move, so the
    // rows are held once; the executor is left with an empty one. The old
    // result table works on the old view's descriptions: it goes first.
    m_resultTable = RdmTable();
    m_resultView = std::move(exec.ResultView());
    // It was made on the executor's map, which goes with the executor.
    m_resultView.SetTablespaces(this);
    try {
        m_resultTable = m_resultView.Table(exec.ResultTableName());
    } catch (const LurExceptBase&) {
        m_resultTable = RdmTable();  // no result table: none of an earlier view either
    }
}

void RdmFileImport::NoteOutcome() {
    if (!IsFailureStatus(m_status)) return;
    // What failed is told where it happened, with the chain of scripts that
    // led there; an "@" that failed through its script only counts it.
    if (!m_failedThroughScript) {
        ++m_failureCount;
        if (!m_scriptCalls.empty()) m_message += "\r\n" + NestedScriptPlace();
    }
    if (m_firstFailure.empty()) m_firstFailure = m_status + (m_message.starts_with("\r\n") ? "" : "\r\n") + m_message;
}

std::string RdmFileImport::NestedScriptPlace() const {
    std::string place = "in " + m_scriptCalls.back().name;
    for (size_t i = m_scriptCalls.size(); i-- > 0;) {
        const std::string caller =
            i > 0 ? m_scriptCalls[i - 1].name : (m_scriptName.empty() ? "the script" : m_scriptName);
        place += ", called from " + caller + " row " + std::to_string(m_scriptCalls[i].row);
    }
    return place;
}

// ---- results ------------------------------------------------------------------------------

RdmTable RdmFileImport::GetSqlResult() {
    if (!m_serverSide) return m_resultTable;

    auto getResult = LUR_CLIENT_FUNCTION(SqlGetResult, "RdmFileImport");
    // The blocks the call hands over go back with FreePtr: test it first, so
    // that no block is ever left unreturned.
    LUR_CLIENT_FUNCTION(FreePtr, "RdmFileImport");
    int32_t dbNo = -1;
    int32_t recType = -1;
    char* data = nullptr;
    int32_t length = 0;
    char* names = nullptr;
    const int32_t status = getResult(m_clientHandle, &dbNo, &recType, &data, &length, &names);
    // Declared in this order, the names go back before the data on every path.
    ClientBlock dataBlock(data);
    ClientBlock namesBlock(names);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());

    DbDesc* desc = nullptr;
    for (int32_t i = 0; i < Count() && !desc; ++i) {
        DbDesc* candidate = GetDescAtPtr(i);
        if (candidate->GetDbNo() == dbNo) desc = candidate;
    }
    if (!desc) throw DbDescError(2000, Here(__LINE__), StrVector());

    m_resultTable = RdmTable(desc, desc->GetTableName(recType));
    m_resultTable.SetFields(SplitAtTabs(names));
    namesBlock.reset();
    m_resultTable.SetList(data, length);
    return m_resultTable;
}

const char* RdmFileImport::GetSqlResultText() {
    if (!m_serverSide) return m_message.c_str();

    m_message.clear();
    auto getText = LUR_CLIENT_FUNCTION(SqlGetResultText, "RdmFileImport");
    LUR_CLIENT_FUNCTION(FreePtr, "RdmFileImport");
    char* text = nullptr;
    const int32_t status = getText(m_clientHandle, &text);
    ClientBlock textBlock(text);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());
    if (text) m_message = text;
    return m_message.c_str();
}

RdmView& RdmFileImport::GetView() {
    if (m_serverSide) throw DbDescError(lurdbcli::kFunctionMissing, Here(__LINE__), StrVector());
    return m_resultView;
}

const char* RdmFileImport::GetStatus() const {
    if (m_serverSide) throw DbDescError(lurdbcli::kFunctionMissing, Here(__LINE__), StrVector());
    return m_status.c_str();
}

// ---- transactions ----------------------------------------------------------------------------

void RdmFileImport::NoteTransactionsEnded() {
    m_ownsTransaction = false;
    m_inForeignTransaction = false;
}

bool RdmFileImport::EndOwnTransaction(bool commit) {
    if (!m_ownsTransaction) return false;
    m_ownsTransaction = false;
    EndTransaction(commit);
    return true;
}

// ---- helpers ------------------------------------------------------------------------------------

RdmTable RdmFileImport::OpenTable(std::string& name) {
    const size_t dot = name.find('.');
    if (dot == std::string::npos) throw DbDescError(2000, Here(__LINE__), StrVector(name));
    const std::string tablespace = lurclistl::AsciiUpper(name.substr(0, dot));
    name = name.substr(dot + 1);
    DbDesc* desc = GetDesc(tablespace);
    try {
        return RdmTable(desc, name);
    } catch (const LuMapExcept&) {
        throw DbDescError(2000, Here(__LINE__), StrVector(tablespace + "." + name));
    }
}

void RdmFileImport::FireProgress() {
    if (!m_callback) return;
    try {
        m_callback(m_callbackArgument);
    } catch (...) {
        // the caller's display must not end the run
    }
}

void RdmFileImport::EventProc(RdmFileImport* session, int event) {
    if (session && event == kProgressEvent) session->FireProgress();
}
