// RdmSqlBase: the base of the statement classes. It holds what one
// statement works on while it is parsed and run (a copy of the session's
// open tablespaces, the FROM tables, the select list and the results the
// executors fill) and the operations every statement uses to read its
// tokens and to turn names into tablespaces, tables and fields.
//
// Token iterators run over the statement set with SetStatement and stop at
// its end (one past its ";"). Only unquoted tokens are syntax: a keyword
// test or a token search never matches a literal or a quoted identifier.
//
// The view holds the statement's tables, the master first; the executors
// build it from the FROM list.
//
// Names: TABLE or TS.TABLE for tables; FIELD, TABLE.FIELD or TS.TABLE.FIELD
// for fields. Parts are split at dots (empty parts skipped) and upper-cased
// (ASCII). A plain field is looked up in the FROM tables, TABLE.FIELD and a
// plain table in every open tablespace; found twice is an error, never a
// guess.
//
// Errors are DbDescError with one text, "Error in the row r., column c.:
// <text>", from the token's position (the statement's ";" when the iterator
// is at the statement end), at most kMessageLimit - 1 characters; the
// tablespace map's own 2000 for an unknown tablespace passes through.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "DbDescMap.h"
#include "LurDateTime.h"
#include "LurExceptBase.h"
#include "RdmFld.h"
#include "RdmView.h"
#include "SqlCondition.h"
#include "SqlSelectColumn.h"
#include "SqlToken.h"

using SqlTokenIterator = SqlStatement::const_iterator;

class RdmSqlBase {
public:
    static constexpr int kMessageLimit = 500;  // a syntax error's text, terminator included

    RdmSqlBase();
    RdmSqlBase(const RdmSqlBase&) = delete;
    RdmSqlBase& operator=(const RdmSqlBase&) = delete;
    virtual ~RdmSqlBase();

    // ---- the statement and the tablespaces ------------------------------------

    // The statement the iterators run over; it must outlive its use here.
    void SetStatement(const SqlStatement& statement);
    SqlTokenIterator StatementEnd() const { return m_statementEnd; }
    // The copy of the session's open tablespaces that names resolve against.
    void SetDescs(const DbDescMap& descs) { m_descs = descs; }
    DbDescMap& GetDescs() { return m_descs; }

    // ---- reading tokens ---------------------------------------------------------

    // False, iterator unchanged, at the statement end or when the token is
    // not the word (ASCII case ignored; quoted tokens never match).
    // Otherwise steps past it and answers whether that is still before the
    // statement end: a matching last token is consumed and answers false.
    virtual bool AcceptKeyword(SqlTokenIterator& it, const std::string& word);
    // Steps to the next token; 2020 when already at, or stepping onto, the
    // statement end.
    virtual void Advance(SqlTokenIterator& it);
    // Appends the upper-cased parts of a dotted name to parts (not emptied
    // first); empty parts are skipped.
    virtual void SplitName(const std::string& name, std::vector<std::string>& parts);
    // The first token in [from, to) that is the word (as AcceptKeyword
    // compares), or to.
    SqlTokenIterator FindToken(SqlTokenIterator from, SqlTokenIterator to, const std::string& word) const;
    // The clause read so far ends at it: the token there is the statement's
    // ";" or, when given, the keyword of the clause that may follow (WHERE,
    // ORDER). Otherwise 2020 naming what stands there (or the refusal text
    // given): no statement ignores what follows its clauses, and each checks
    // before it changes anything.
    void RequireClauseEnd(SqlTokenIterator it, const char* nextClause = nullptr, const char* refusal = nullptr) const;
    // Where the conditions of a WHERE clause begin: after the WHERE token at
    // where, or stop when where is stop (no WHERE). A WHERE without a
    // condition before stop is 2021: an empty WHERE never means every row.
    SqlTokenIterator ConditionsAfterWhere(SqlTokenIterator where, SqlTokenIterator stop) const;

    // ---- names ---------------------------------------------------------------------

    // TABLE or TS.TABLE: 2002 not found, 2042 in two tablespaces, 2045 any
    // other shape; errors at the token at.
    virtual void ResolveTable(const std::string& name, std::string& tablespace, std::string& table,
                              SqlTokenIterator at);
    // FIELD (in the FROM tables), TABLE.FIELD (in every tablespace) or
    // TS.TABLE.FIELD: 2003 not found or any other shape, 2043 found twice.
    // The results may hold the name's parts when an error is raised.
    virtual void ResolveField(const std::string& name, std::string& tablespace, std::string& table, std::string& field,
                              SqlTokenIterator at);
    // The open tablespace whose name equals name (ASCII case ignored), as
    // the map holds it; 2000 when there is none.
    void FindDatabase(const std::string& name, std::string& canonical, SqlTokenIterator at);

    // ---- values (RdmSqlValues.cpp) -------------------------------------------------------

    // The value of the token for the target field. What the token is decides:
    // the keyword SYSDATE (the server's time, for 'F' and 'l' fields), the
    // calls ENCODE('text') (the scrambled credential), TO_DATE('value',
    // 'format') (for 'F' and 'l' fields) and SUBSTR(field, start[, length])
    // (a part of the current text of a field of the target's table), and a
    // word name.nextval (the server counter's next number). Anything else,
    // a literal or a quoted identifier above all, is its text as written.
    // Errors 2006 at the token.
    std::string EvalValue(SqlTokenIterator at, RdmFld& target);
    // EvalValue, then the value set into the field; a number field takes
    // only a number it can hold (RdmFld::SetCheckedString: 2006 naming the
    // field and the value, at the token), and keeps its value otherwise.
    void SetValue(SqlTokenIterator at, RdmFld& target);
    // True when the text is name.nextval; the text then becomes the name.
    static bool IsNextval(std::string& text);
    // Fills the date-time from a TO_DATE('value', 'format') call, read as
    // local time; 2006 for a malformed call or a date that does not exist.
    void ConvertValue(const std::string& call, lurDate::LurDateTime& out, SqlTokenIterator at);
    // Splits a list of quoted strings ('a', 'b\'c') into out (appended).
    void SplitParameters(const std::string& text, std::vector<std::string>& out, SqlTokenIterator at);

    // ---- conditions (RdmSqlConditions.cpp) ---------------------------------------------

    // Reads the WHERE clause from it up to end (exclusive, normally the
    // statement's ";") into the conditions: link conditions (field = field)
    // and value conditions (field op value). Conditions join with AND only
    // (any other word is 2024); 2021 when neither side is a field.
    void ParseCondition(SqlTokenIterator it, SqlTokenIterator end);
    // Resolves the token as a field into ref and answers 0; when it is no
    // field, ref's value becomes the token's text and the answer is 1.
    int TryField(SqlTokenIterator token, SqlFieldRef& ref);
    // Turns the value conditions on the master into one search of the view
    // (every row without any). A condition the search cannot take is refused
    // instead of dropped: 2021 for a condition on no table of the view or a
    // link condition no FROM link used, 2024 for an operator the search
    // cannot express (LIKE too unless likeAllowed), 2019 when several
    // conditions have no compound key of exactly their fields. Errors are
    // raised at the token at (the first token after WHERE).
    void ConditionsToSearch(SqlTokenIterator at, bool likeAllowed = false);
    const SqlConditions& GetConditions() const { return m_conditions; }
    const SqlConditions& GetLinkConditions() const { return m_linkConditions; }
    const SqlConditions& GetValueConditions() const { return m_valueConditions; }

    // ---- FROM tables and their links (RdmSqlFrom.cpp) --------------------------------

    using TablePairs = std::vector<std::pair<std::string, std::string>>;  // (tablespace, table)
    // (field, value) pairs: a detail's link field with an empty value, or a
    // field of the detail fixed by a value condition with its value text.
    using LinkColumns = std::vector<std::pair<std::string, std::string>>;

    // Reads the FROM tables, builds the view from them (the master, and each
    // other table as a detail of the table a WHERE condition "detail field =
    // parent field" links it to) and runs the search of the master. 2023
    // for several tables without WHERE, 2025 when not exactly one table is
    // free of links or a table is linked to nothing of the tree.
    void ParseFromWhere(SqlTokenIterator from, SqlTokenIterator fromEnd, SqlTokenIterator where,
                        SqlTokenIterator whereEnd, bool likeAllowed = true);
    // The one table of the list that is on no link condition's detail side
    // becomes the master names and leaves the list; 2025 otherwise.
    void FindMasterTable(TablePairs& tables, SqlTokenIterator at);
    // Adds below the parent every table of the list linked to it, recursively.
    void AddLinkedTables(const std::string& parentTablespace, const std::string& parentTable, TablePairs& tables,
                         SqlTokenIterator at);
    // The key of the detail table through which its rows are found for the
    // link columns; 2025 when no field or compound key fits.
    std::string ChooseLinkKey(const std::string& tablespace, const std::string& table, const std::string& linkField,
                              const LinkColumns& columns, SqlTokenIterator at);
    // Fixes the key's other fields as column values of the detail and gives
    // the link columns left to it as filters; 2021 for a key field without
    // a link column.
    void SetLinkValues(RdmStoreTab& detail, const std::string& key, const std::string& linkField, LinkColumns columns,
                       SqlTokenIterator at);
    static void RemoveTablePair(const std::string& tablespace, const std::string& table, TablePairs& tables);

    // ---- select list -------------------------------------------------------------

    // Reads the select list from it up to end: "*" alone, or columns
    // (FIELD, TABLE.FIELD, TS.TABLE.FIELD), each with an optional
    // "AS alias", commas optional. 2020 "Missing alias after the AS
    // keyword!" when AS ends the range or a comma follows it.
    // "*" alone selects the master's fields and leaves the view's field sets
    // alone; columns become the field sets (and aliases) of their tables in
    // the view, whose other tables keep no field. A "*" followed by columns
    // is ignored.
    void ParseSelectList(SqlTokenIterator& it, SqlTokenIterator end);
    const SqlSelectList& GetSelectList() const { return m_selectList; }

    // ---- results -----------------------------------------------------------------

    const std::string& GetResultMessage() const { return m_resultMessage; }
    const std::string& GetStatementName() const { return m_statementName; }
    int32_t GetAffected() const { return m_affected; }
    RdmView& GetView() { return m_view; }
    const RdmView& GetView() const { return m_view; }

    // ---- errors ----------------------------------------------------------------------

    // Throws DbDescError code with "Error in the row r., column c.: text" at
    // the token at (the statement's last token when at is the statement
    // end); where names the raising site.
    [[noreturn]] void ThrowSyntaxError(int code, const char* text, SqlTokenIterator at,
                                       const ErrorLocation& where) const;
    [[noreturn]] void ThrowSyntaxError(int code, const std::string& text, SqlTokenIterator at,
                                       const ErrorLocation& where) const;
    // Raises a caught error again as a syntax error at the token, with its
    // code; its code's text shows once, followed by the position and the
    // raiser's arguments ("Error in the row r., column c.: TABLE, FIELD").
    // An error that carries its position already (raised by the statement's
    // own reading) keeps it as it is: a message shows one "Error in the row".
    [[noreturn]] void ThrowPositioned(const LurExceptBase& error, SqlTokenIterator at,
                                      const ErrorLocation& where) const;

protected:
    // The columns of a select list, each table's in order of appearance,
    // by table name (tables of one name in two tablespaces share an entry).
    using SelectColumnsByTable = std::map<std::string, std::vector<SqlSelectColumn>>;
    // Reads the columns of a select list (not "*") from it up to end into
    // the select list.
    SelectColumnsByTable ReadSelectColumns(SqlTokenIterator& it, SqlTokenIterator end);
    // The trimmed text between the parentheses that rest (the call after
    // its function name) must begin and end with; 2006 naming the call
    // otherwise.
    std::string CallArguments(const std::string& call, const std::string& rest, SqlTokenIterator at);
    // The iterator of a token of the statement.
    SqlTokenIterator IteratorOf(const SqlToken* token) const { return m_statementEnd - (m_lastToken + 1 - token); }
    // SUBSTR(field, start[, length]) of a field of the target's table.
    std::string Substring(const std::string& call, const RdmFld& target, SqlTokenIterator at);

    SqlTokenIterator m_statementEnd{};
    const SqlToken* m_lastToken = nullptr;  // the statement's ";", for errors at its end
    DbDescMap m_descs;
    std::vector<std::pair<std::string, std::string>> m_fromList;  // (tablespace, table) in FROM order
    RdmView m_view;
    std::string m_resultMessage;
    std::string m_masterTable;
    std::string m_masterTablespace;
    int32_t m_affected = 0;
    std::vector<std::string> m_fromNames;  // the FROM tokens as written
    std::string m_linkKeyName;
    std::string m_statementName;
    SqlSelectList m_selectList;
    SqlConditions m_conditions;                                       // in WHERE order
    SqlConditions m_linkConditions;                                   // field = field, until a FROM link takes them
    SqlConditions m_valueConditions;                                  // field op value
    std::vector<std::pair<std::string, std::string>> m_detailTables;  // (tablespace, table) linked below the master
};
