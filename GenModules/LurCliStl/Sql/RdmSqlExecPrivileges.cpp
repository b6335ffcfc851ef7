// GRANT and REVOKE: system privileges (names of SYSDB's "sysprivilegdict")
// as rows of "sysprivilegs", users and roles as rows of "userlink".
// Privileges are recorded, not enforced. Each statement commits what the
// session had open first and then changes all of its names in one
// transaction of its own, or none of them.
#include <string>
#include <utility>
#include <vector>

#include "Crt.h"
#include "DbDescError.h"
#include "RdmSqlExec.h"
#include "SqlAscii.h"
#include "StringScrambler.h"
#include "lurdbcli.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlExec"};

// The catalogue tables a GRANT or REVOKE works on, over one description copy.
struct GrantTables {
    explicit GrantTables(const DbDescMap& descs)
        : catalogue(descs.GetDescCopy(DbDescMap::kCatalogueName)),
          links(&catalogue, "userlink"),
          dictionary(&catalogue, "sysprivilegdict"),
          grants(&catalogue, "sysprivilegs") {}

    // The dictionary's id of a privilege name (ASCII case ignored), or -1.
    int32_t PrivilegeId(const std::string& name) {
        if (privileges.empty() && dictionary.FindList("", 5)) {
            for (bool more = dictionary.ListMove(0); more; more = dictionary.ListNext())
                privileges.emplace_back(dictionary.Fld("spname").GetString(), dictionary.Fld("spid").GetLong());
        }
        for (const auto& [privilege, id] : privileges)
            if (lurclistl::EqualsIgnoringAsciiCase(privilege, name)) return id;
        return -1;
    }

    DbDesc catalogue;
    RdmTable links;
    RdmTable dictionary;
    RdmTable grants;
    std::vector<std::pair<std::string, int32_t>> privileges;  // the dictionary, read once
};

}  // namespace

int32_t RdmSqlExec::UserIdByName(const std::string& name, SqlTokenIterator token, bool strict) {
    DbDesc catalogue = m_descs.GetDescCopy(DbDescMap::kCatalogueName);
    RdmTable users(&catalogue, "dbuser");
    // CREATE USER takes a name that fills the field but for its zero.
    if (name.size() > static_cast<size_t>(users.GetFieldLength("name", true))) {
        if (!strict) return -1;
        ThrowSyntaxError(2021, "Username to long: " + name, token, Here(__LINE__));
    }
    users.Fld("name").SetString(ScrambledCredential(name));
    if (users.FindRecByKey("name")) return users.Fld("userid").GetLong();
    if (strict) ThrowSyntaxError(2021, "Missing username: " + name, token, Here(__LINE__));
    return -1;
}

void RdmSqlExec::ParseGrant(int32_t& granteeId, std::vector<std::string>& names, SqlTokenIterator& granteePosition,
                            SqlTokenIterator& it, std::string& object, int16_t& grantOption, bool grant) {
    CommitOpenTransaction();
    m_statementName = grant ? "GRANT" : "REVOKE";
    const SqlTokenIterator keyword = FindToken(it, m_statementEnd, grant ? "TO" : "FROM");
    if (keyword == m_statementEnd)
        ThrowSyntaxError(2020, grant ? "TO keyword is missing!" : "FROM keyword is missing!", it, Here(__LINE__));

    SqlTokenIterator grantee = keyword;
    Advance(grantee);
    if (grantee->IsStatementEnd()) ThrowSyntaxError(2020, "Username not found!", grantee, Here(__LINE__));
    granteeId = UserIdByName(grantee->text, grantee, true);
    granteePosition = grantee;
    Advance(granteePosition);
    if (!granteePosition->IsStatementEnd()) {
        if (!AcceptKeyword(granteePosition, "WITH"))
            ThrowSyntaxError(2020, "Missing ';' from end of command!", granteePosition, Here(__LINE__));
        if (!AcceptKeyword(granteePosition, "GRANT"))
            ThrowSyntaxError(2020, "Missing 'GRANT' after 'WITH'!", granteePosition, Here(__LINE__));
        if (!AcceptKeyword(granteePosition, "OPTION"))
            ThrowSyntaxError(2020, "Missing 'OPTION' after 'GRANT'!", granteePosition, Here(__LINE__));
        RequireClauseEnd(granteePosition, nullptr, "Missing ';' from end of command!");
        grantOption = 1;
    }

    SqlTokenIterator listEnd = FindToken(it, keyword, "ON");
    if (listEnd != keyword) {
        SqlTokenIterator objectToken = listEnd;
        Advance(objectToken);
        if (objectToken == keyword)
            ThrowSyntaxError(2020, "Object name not found after ON clausure.", objectToken, Here(__LINE__));
        object = ResolveGrantObject(objectToken);
    } else {
        listEnd = keyword;
    }

    std::string current;
    for (; it != listEnd; ++it) {
        if (it->Matches(",")) {
            names.push_back(current);
            current.clear();
            continue;
        }
        current += it->text;
        const SqlTokenIterator next = it + 1;
        if (next != listEnd && !next->Matches(",")) current += ' ';
    }
    if (!current.empty()) names.push_back(current);
    if (names.empty()) ThrowSyntaxError(2020, "Privileg not found!", it, Here(__LINE__));
}

std::string RdmSqlExec::ResolveGrantObject(SqlTokenIterator objectToken) {
    const std::string& object = objectToken->text;
    try {
        std::string tablespace;
        FindDatabase(object, tablespace, objectToken);
        return object;
    } catch (const LurExceptBase&) {
    }
    try {
        std::string tablespace;
        std::string table;
        ResolveTable(object, tablespace, table, objectToken);
        return tablespace + "." + lurclistl::AsciiUpper(table);
    } catch (const LurExceptBase&) {
    }
    // Sequence names are stored in upper case.
    DbDesc catalogue = m_descs.GetDescCopy(DbDescMap::kCatalogueName);
    RdmTable sequences(&catalogue, "sequencies");
    sequences.Fld("seq_name").SetString(win::crt::UpperCp1250(object));
    if (sequences.FindRecByKey("seq_name")) return object;
    ThrowSyntaxError(2020, "Unknown object.", objectToken, Here(__LINE__));
}

void RdmSqlExec::Grant(SqlTokenIterator& it) { ChangeGrants(it, true); }

void RdmSqlExec::Revoke(SqlTokenIterator& it) { ChangeGrants(it, false); }

void RdmSqlExec::ChangeGrants(SqlTokenIterator& it, bool grant) {
    GrantTables tables(m_descs);
    int32_t granteeId = -1;
    std::vector<std::string> names;
    SqlTokenIterator granteePosition = it;
    std::string object;
    int16_t grantOption = 0;  // REVOKE accepts the clause to no effect
    ParseGrant(granteeId, names, granteePosition, it, object, grantOption, grant);

    tables.links.BeginTrans(grant ? "GRANT" : "REVOKE", true);
    try {
        for (const std::string& name : names) {
            const int32_t id = UserIdByName(name, it, false);
            const int32_t privilegeId = tables.PrivilegeId(name);
            const bool privilege = privilegeId != -1;
            if (!privilege && id == -1) {
                const std::string text = "Following system-privilege or role not found: " + name + "\n";
                if (grant) ThrowSyntaxError(2020, text, it, Here(__LINE__));
                throw DbDescError(2021, Here(__LINE__), StrVector(text));
            }
            // The row's unique key: user, privilege and object, or user and role.
            RdmTable& target = privilege ? tables.grants : tables.links;
            target.ClearRecord();
            if (privilege) {
                target.Fld("dbuserid").SetLong(granteeId);
                target.Fld("spid").SetLong(privilegeId);
                target.Fld("sp_object").SetString(object);
            } else {
                target.Fld("userid").SetLong(granteeId);
                target.Fld("roleid").SetLong(id);
            }
            try {
                if (grant) {
                    target.Fld("grantoption").SetShort(grantOption);
                    target.NewRec();
                } else {
                    target.DefineKey(privilege ? "uid_sp_obj" : "userlinkkey");
                    target.DelRec(true);
                }
            } catch (const LurExceptBase& error) {
                if (!grant) {
                    throw DbDescError(error.GetCode(), Here(__LINE__),
                                      StrVector((privilege ? "User have not privileg: " : "User have not role: ") +
                                                name + ". Can't revoke.\n"));
                }
                if (error.GetCode() != lurdbcli::kLockedOrDuplicate)
                    throw DbDescError(error.GetCode(), Here(__LINE__), {});
                ThrowSyntaxError(2020, (privilege ? "User alredy have privileg: " : "User alredy have role: ") + name,
                                 it, Here(__LINE__));
            }
        }
        tables.links.EndTrans(true);
    } catch (...) {
        tables.links.EndTrans(false);
        throw;
    }
    it = granteePosition;
    m_resultMessage = grant ? "Role(s) granted." : "Role(s) revoked.";
}
