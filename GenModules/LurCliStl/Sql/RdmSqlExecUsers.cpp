// CREATE USER, CREATE ROLE, ALTER USER, DROP USER and DROP ROLE: rows of
// SYSDB's "dbuser". Names and passwords are stored as ScrambledCredential
// makes them (upper case by the code page 1250 table, whatever the session's
// locale, then scrambled): exactly what every login compares, so a user made
// here logs in from any program and under any locale.
#include <string>
#include <utility>
#include <vector>

#include "Crt.h"
#include "RdmSqlExec.h"
#include "StringScrambler.h"
#include "lurdbcli.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlExec"};

constexpr const char* kUserTable = "dbuser";
constexpr const char* kMissingEnd = "Missing ';' from end of command!";
constexpr const char* kUserLinkTable = "userlink";
constexpr const char* kGrantTable = "sysprivilegs";

// The "type" byte of a role's "dbuser" row.
constexpr char kTypeRole = 1;

}  // namespace

void RdmSqlExec::UserClauses(SqlTokenIterator& it, UserChanges& changes) {
    if (AcceptKeyword(it, "IDENTIFIED")) {
        if (!AcceptKeyword(it, "BY")) ThrowSyntaxError(2032, "", it, Here(__LINE__));
        changes.password = it->text;
        changes.hasPassword = true;
        Advance(it);
    }
    if (AcceptKeyword(it, "ACCOUNT")) {
        if (AcceptKeyword(it, "LOCK"))
            changes.enabled = "0x00";
        else if (AcceptKeyword(it, "UNLOCK"))
            changes.enabled = "0x01";
        else
            ThrowSyntaxError(2020, "Missing LOCK or UNLOCK keyword after the ACCOUNT!", it, Here(__LINE__));
    }
    if (AcceptKeyword(it, "TYPE")) {
        if (AcceptKeyword(it, "HIDDEN"))
            changes.type = "0x02";
        else if (AcceptKeyword(it, "VISIBLE"))
            changes.type = "0x00";
        else
            ThrowSyntaxError(2020, "Missing HIDDEN or VISIBLE keyword after the TYPE!", it, Here(__LINE__));
    }
    // Clauses out of order would otherwise write the row and leave the rest
    // to run as a command of its own.
    RequireClauseEnd(it, nullptr, kMissingEnd);
}

void RdmSqlExec::CreateUser(SqlTokenIterator& it, bool role) {
    DbDesc catalogue = m_descs.GetDescCopy(DbDescMap::kCatalogueName);
    RdmTable users(&catalogue, kUserTable);
    users.SetNextIdName("sysdb_dbuser");
    users.ClearRecord();
    users.Fld("userid").SetLong(users.GetNextId());  // drawn before the syntax check, as ever
    users.Fld("type").SetCStr(role ? "0x01" : "0x00");
    m_resultMessage = role ? "Cannot create role: " : "Cannot create user: ";
    if (it->IsStatementEnd()) ThrowSyntaxError(2020, "Missing User or Role name!", it, Here(__LINE__));
    m_resultMessage += it->text;
    const std::string name = win::crt::UpperCp1250(it->text);
    Advance(it);

    UserChanges changes;
    changes.enabled = "0x01";
    if (role)
        RequireClauseEnd(it, nullptr, kMissingEnd);
    else
        UserClauses(it, changes);
    if (!changes.type.empty()) users.Fld("type").SetCStr(changes.type.c_str());

    users.Fld("name").SetString(ScrambledCredential(name));
    users.Fld("psw").SetString(ScrambledCredential(changes.password));
    users.Fld("enabled").SetCStr(changes.enabled.c_str());
    users.NewRec();
    users.EndTrans(true);
    m_resultMessage = std::string(role ? "Role " : "User ") + name + " created succesfuly!";
}

void RdmSqlExec::AlterUser(SqlTokenIterator& it) {
    DbDesc catalogue = m_descs.GetDescCopy(DbDescMap::kCatalogueName);
    RdmTable users(&catalogue, kUserTable);
    m_resultMessage = "Cannot alter user: ";
    if (it->IsStatementEnd()) ThrowSyntaxError(2020, "Missing User name!", it, Here(__LINE__));
    m_resultMessage += it->text;
    const SqlTokenIterator nameToken = it;
    const std::string written = it->text;
    Advance(it);
    UserChanges changes;
    UserClauses(it, changes);

    users.Fld("name").SetString(ScrambledCredential(written));
    if (!users.FindRecByKey("name"))
        ThrowSyntaxError(lurdbcli::kNotFound, "Missing user: " + written, nameToken, Here(__LINE__));
    if (users.Fld("type").GetChar() == kTypeRole)
        ThrowSyntaxError(lurdbcli::kNotFound, "Can not alter role: " + written, nameToken, Here(__LINE__));
    if (changes.hasPassword) users.Fld("psw").SetString(ScrambledCredential(changes.password));
    if (!changes.enabled.empty()) users.Fld("enabled").SetCStr(changes.enabled.c_str());
    if (!changes.type.empty()) users.Fld("type").SetCStr(changes.type.c_str());
    users.ModRec();
    users.EndTrans(true);
    m_resultMessage = "User " + written + " altered!";
}

void RdmSqlExec::DropUser(SqlTokenIterator& it, bool role) {
    DbDesc catalogue = m_descs.GetDescCopy(DbDescMap::kCatalogueName);
    RdmTable users(&catalogue, kUserTable);
    RdmTable links(&catalogue, kUserLinkTable);
    RdmTable grants(&catalogue, kGrantTable);
    m_resultMessage = role ? "Cannot drop role: " : "Cannot drop user: ";
    if (it->IsStatementEnd()) ThrowSyntaxError(2020, "", it, Here(__LINE__));
    m_resultMessage += it->text;
    const SqlTokenIterator nameToken = it;
    const std::string name = win::crt::UpperCp1250(it->text);
    Advance(it);
    RequireClauseEnd(it, nullptr, kMissingEnd);

    // DROP ROLE takes only a role, DROP USER only a user (visible or hidden).
    users.Fld("name").SetString(ScrambledCredential(name));
    const bool found = users.FindRecByKey("name");
    const bool isRole = found && users.Fld("type").GetChar() == kTypeRole;
    if (!found || isRole != role)
        ThrowSyntaxError(lurdbcli::kNotFound, std::string(role ? "Missing role: " : "Missing user: ") + name, nameToken,
                         Here(__LINE__));
    const int32_t id = users.Fld("userid").GetLong();

    // The row, its memberships on either side and its privileges go together.
    users.BeginTrans(role ? "DROP ROLE" : "DROP USER", true);
    try {
        users.DefineKey("name");
        users.DelRec(true);
        DeleteRowsOf(links, "userid", id, {"userid", "roleid"}, "userlinkkey");
        DeleteRowsOf(links, "roleid", id, {"userid", "roleid"}, "userlinkkey");
        DeleteRowsOf(grants, "dbuserid", id, {"dbuserid", "spid", "sp_object"}, "uid_sp_obj");
        users.EndTrans(true);
    } catch (...) {
        users.EndTrans(false);
        throw;
    }
    m_resultMessage = std::string(role ? "Role " : "User ") + name + " dropped!";
}

void RdmSqlExec::DeleteRowsOf(RdmTable& table, const char* field, int32_t id, const std::vector<std::string>& keyFields,
                              const char* uniqueKey) {
    table.ClearRecord();
    table.Fld(field).SetLong(id);
    if (!table.FindList(field, 5)) return;
    // The rows' unique keys first: each delete moves the server's position.
    std::vector<std::vector<std::string>> rows;
    for (bool more = table.ListMove(0); more; more = table.ListNext()) {
        std::vector<std::string> values;
        for (const std::string& keyField : keyFields) values.push_back(table.Fld(keyField).GetString());
        rows.push_back(std::move(values));
    }
    table.DefineKey(uniqueKey);
    for (const std::vector<std::string>& values : rows) {
        table.ClearRecord();
        for (size_t i = 0; i < keyFields.size(); ++i) table.Fld(keyFields[i]).SetString(values[i]);
        table.DelRec(true);
    }
}
