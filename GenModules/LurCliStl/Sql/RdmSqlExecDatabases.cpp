// CREATE DATABASE, DROP DATABASE and ALTER DATABASE ADD/DROP BLOBFILE.
// A database is created and dropped on the server through the client
// library; its client settings (the registry key named like the database)
// are written after a creation and deleted after a drop. Blob files are rows
// of SYSDB's "fileblobs", changed over a private copy of the SYSDB
// description.
#include <string>

#include "ConnectInfo.h"
#include "DbDescError.h"
#include "FunctionLoader.h"
#include "LuConn.h"
#include "LurStrings.h"
#include "LurWinUtils.h"
#include "RdmSqlExec.h"
#include "Registry.h"
#include "lurdbcli.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlExec"};

// The server CREATE DATABASE reaches without an ON clause.
constexpr const char* kLocalHost = "localhost";
constexpr const char* kBlobFileTable = "fileblobs";
constexpr const char* kBlobFileCounter = "sysdb_fileblobs";
constexpr int kBadValue = 2022;

// The reason a host name or a blob file alias cannot be used, or "" when it
// can: each fills a text field (of the client settings, of "fileblobs").
std::string NameRefusal(const std::string& name, const char* what) {
    if (name.empty()) return std::string("Empty ") + what + "!";
    if (name.size() >= ConnectInfo::kTextSize)
        return std::string("Too long ") + what + " (at most " + std::to_string(ConnectInfo::kTextSize - 1) +
               " characters): " + name;
    return "";
}

// A database name is a service's name: the one rule of the client library
// (which also keeps ":" out, since the server reads a collation after it).
std::string DatabaseNameRefusal(const std::string& name) {
    if (const char* fault = lurdbcli::ServiceNameFault(name)) return "Invalid database name \"" + name + "\": " + fault;
    return "";
}

}  // namespace

void RdmSqlExec::CreateDatabase(SqlTokenIterator& it) {
    m_resultMessage = "Can not create database";
    if (it->IsStatementEnd()) ThrowSyntaxError(2020, "Missing database name!", it, Here(__LINE__));
    const SqlTokenIterator nameToken = it;
    const std::string name = it->text;
    Advance(it);

    struct Clause {
        const char* keyword;
        const char* missingValue;
        std::string value;
    };
    Clause clauses[] = {
        {"ON", "Missing value after ON clausure!", ""},
        {"COLLATE", "Missing value after COLLATE clausure!", ""},
        {"DBPATH", "Missing value after DBPATH clausure!", ""},
        {"ARCHIVE", "Missing value after ARCHIVE clausure!", ""},
    };
    for (Clause& clause : clauses) {
        if (!it->Matches(clause.keyword)) continue;
        Advance(it);
        if (it->IsStatementEnd()) ThrowSyntaxError(2020, clause.missingValue, it, Here(__LINE__));
        clause.value = it->text;
        Advance(it);
    }
    // Clauses out of order or repeated stop the statement before anything is made.
    RequireClauseEnd(it);
    if (const std::string refusal = DatabaseNameRefusal(name); !refusal.empty())
        ThrowSyntaxError(kBadValue, refusal, nameToken, Here(__LINE__));
    std::string host = clauses[0].value;
    if (host.empty()) host = kLocalHost;
    if (const std::string refusal = NameRefusal(host, "host name"); !refusal.empty())
        ThrowSyntaxError(kBadValue, refusal, nameToken, Here(__LINE__));

    const std::string& collation = clauses[1].value;
    std::string databasePath = clauses[2].value;
    if (databasePath.empty()) databasePath = "%DBHOME%\\" + name;
    std::string archivePath = clauses[3].value;
    if (archivePath.empty()) archivePath = "%ARCHIVEHOME%\\" + name;

    LuConn().CreateDatabase(host, collation.empty() ? name : name + ":" + collation, databasePath, archivePath);

    ConnectInfo settings;
    settings.SetText(ConnectInfo::kService, name);
    settings.SetText(ConnectInfo::kServer, host);
    settings.SetText(ConnectInfo::kOpenMode, "s");
    if (int32_t failure = 0; !LuConn::WriteClientSettings(name, settings, &failure)) {
        // Unregistered, the new database could not be logged in to and
        // would block a retry: it goes again, and so does what of its key
        // was written.
        LuConn::DeleteClientSettings(name);
        if (auto dropDatabase = GetFunctionLoader().pfDropDatabase) dropDatabase(m_descs.GetHandle(), name.c_str());
        const std::string reason = lurutils::TrimRight(lurutils::GetSystemErrorText(failure, ""), "\r\n");
        throw DbDescError(lurdbcli::kNoClientSettings, Here(__LINE__),
                          StrVector(name) << "not written to " + win::DescribeRegistryFile() + ": " + reason +
                                                 " The database is not created.");
    }
    m_resultMessage = "Database " + name + " created.\n";
}

void RdmSqlExec::DropDatabase(SqlTokenIterator& it) {
    m_resultMessage = "Can not drop database";
    if (it->IsStatementEnd()) ThrowSyntaxError(2020, "Missing database name!", it, Here(__LINE__));
    const SqlTokenIterator nameToken = it;
    const std::string name = it->text;
    Advance(it);
    RequireClauseEnd(it);
    if (const std::string refusal = DatabaseNameRefusal(name); !refusal.empty())
        ThrowSyntaxError(kBadValue, refusal, nameToken, Here(__LINE__));

    // The server drops the database the settings register as the service.
    ConnectInfo settings;
    LuConn settingsReader;
    if (!settingsReader.ReadClientSettings(name, settings)) throw LuConn::NoClientSettings(name, Here(__LINE__));
    auto dropDatabase = GetFunctionLoader().pfDropDatabase;
    if (dropDatabase == nullptr)
        throw DbDescError(lurdbcli::kFunctionMissing, Here(__LINE__), StrVector("pfDropDatabase"));
    const int32_t status = dropDatabase(m_descs.GetHandle(), settings.GetText(ConnectInfo::kService).c_str());
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());
    LuConn::DeleteClientSettings(name);
    m_resultMessage = "Database " + name + " dropped.\n";
}

void RdmSqlExec::AlterDatabase(SqlTokenIterator& it) {
    DbDesc catalogue = m_descs.GetDescCopy(DbDescMap::kCatalogueName);
    RdmTable blobFiles(&catalogue, kBlobFileTable);
    m_resultMessage = "Cannot alter database.";
    std::string alias;
    std::string action;
    if (it->Matches("ADD")) {
        action = "added.";
        Advance(it);
        if (!AcceptKeyword(it, "BLOBFILE"))
            ThrowSyntaxError(2020, "Need 'blobfile' keyword after add", it, Here(__LINE__));
        const std::string fileName = it->text;
        Advance(it);
        if (!AcceptKeyword(it, "AS")) ThrowSyntaxError(2020, "Need 'as' keyword after filename", it, Here(__LINE__));
        const SqlTokenIterator aliasToken = it;
        alias = it->text;
        Advance(it);
        RequireClauseEnd(it);
        // A longer alias would be cut to the field and could name another row.
        if (const std::string refusal = NameRefusal(alias, "blobfile alias"); !refusal.empty())
            ThrowSyntaxError(kBadValue, refusal, aliasToken, Here(__LINE__));
        blobFiles.ClearRecord();
        blobFiles.SetNextIdName(kBlobFileCounter);
        blobFiles.Fld("fb_id").SetInt(blobFiles.GetNextId());
        blobFiles.Fld("fb_alias").SetString(alias);
        blobFiles.Fld("fb_filename").SetString(fileName);
        try {
            blobFiles.NewRec();
        } catch (const DbDescError& error) {
            if (error.GetCode() != 10005) throw;
            ThrowSyntaxError(2020, "Following blobfile exist, cannot create: " + alias + "\n", aliasToken,
                             Here(__LINE__));
        }
    } else if (it->Matches("DROP")) {
        action = "dropped.";
        Advance(it);
        if (!AcceptKeyword(it, "BLOBFILE"))
            ThrowSyntaxError(2020, "Need 'blobfile' keyword after drop", it, Here(__LINE__));
        const SqlTokenIterator aliasToken = it;
        alias = it->text;
        Advance(it);
        RequireClauseEnd(it);
        blobFiles.DefineKey("fb_alias");
        blobFiles.ClearRecord();
        blobFiles.Fld("fb_alias").SetString(alias);
        if (!blobFiles.DelRec())
            ThrowSyntaxError(2020, "Following blobfile not found: " + alias + "\n", aliasToken, Here(__LINE__));
    } else {
        ThrowSyntaxError(2018, it->text, it, Here(__LINE__));
    }
    m_resultMessage = "Database altered " + alias + " blobfile " + action;
}
