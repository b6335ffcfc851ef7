// WHERE clauses: reading the conditions, and the one key search of the
// view's master that the value conditions on the master become. What that
// search cannot express is refused, never dropped or answered loosely.
#include "DbDescError.h"
#include "RdmSqlBase.h"
#include "SqlAscii.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlBase"};

constexpr int kMissingKey = 2019;
constexpr int kBadCondition = 2021;
constexpr int kUnsupportedOperator = 2024;

// The comparison seen from the other side: 5 <= a is a >= 5.
std::string Mirrored(const std::string& op) {
    if (op == "<=") return ">=";
    if (op == ">=") return "<=";
    if (op == "<") return ">";
    if (op == ">") return "<";
    return op;
}

bool IsField(const SqlFieldRef& ref) { return !ref.field.empty(); }

// A side of a condition as the messages show it.
std::string SideText(const SqlFieldRef& ref) {
    return IsField(ref) ? ref.tablespace + "." + ref.table + "." + ref.field : ref.value;
}

std::string ConditionText(const SqlCondition& condition) {
    return SideText(condition.left) + condition.op.value + SideText(condition.right);
}

bool OnTable(const SqlFieldRef& ref, const std::string& tablespace, const std::string& table) {
    return ref.tablespace == tablespace && ref.table == table;
}

}  // namespace

int RdmSqlBase::TryField(SqlTokenIterator token, SqlFieldRef& ref) {
    ref = SqlFieldRef{};
    ref.token = &*token;
    // Literals, function calls, keywords (SYSDATE) and operators are values
    // whatever fields the tables have.
    if (token->kind == SqlTokenKind::Word || token->kind == SqlTokenKind::QuotedIdentifier) {
        try {
            ResolveField(token->text, ref.tablespace, ref.table, ref.field, token);
            return 0;
        } catch (const LurExceptBase&) {
            ref.tablespace.clear();
            ref.table.clear();
            ref.field.clear();
        }
    }
    ref.value = token->text;
    return 1;
}

void RdmSqlBase::ParseCondition(SqlTokenIterator it, SqlTokenIterator end) {
    m_conditions.clear();
    m_linkConditions.clear();
    m_valueConditions.clear();
    m_detailTables.clear();
    while (it != end) {
        SqlCondition condition;
        const SqlTokenIterator first = it;
        const auto step = [&] {
            Advance(it);
            if (it == end)
                ThrowSyntaxError(kBadCondition, "Incomplete condition: " + first->text, first, Here(__LINE__));
        };
        const bool leftIsValue = TryField(it, condition.left) != 0;
        step();
        TryField(it, condition.op);
        const SqlTokenIterator opToken = it;
        step();
        const bool rightIsValue = TryField(it, condition.right) != 0;
        Advance(it);

        if (leftIsValue && rightIsValue)
            ThrowSyntaxError(kBadCondition, ConditionText(condition), first, Here(__LINE__));
        const std::string& op = condition.op.value;
        const bool between = lurclistl::EqualsIgnoringAsciiCase(op, "BETWEEN");
        if (leftIsValue) {
            // A value first is read from the field's side.
            if (between || op == "LIKE") ThrowSyntaxError(kUnsupportedOperator, op, opToken, Here(__LINE__));
            std::swap(condition.left, condition.right);
            condition.op.value = Mirrored(op);
        }
        if (between) {
            if (it == end || !it->Matches("AND"))
                ThrowSyntaxError(kBadCondition, "Missing AND keyword! " + ConditionText(condition), it, Here(__LINE__));
            ++it;
            if (it == end)
                ThrowSyntaxError(kBadCondition,
                                 "Missing second value after the AND keyword! " + ConditionText(condition), it,
                                 Here(__LINE__));
            TryField(it, condition.secondValue);
            Advance(it);
        }
        condition.kind = !leftIsValue && !rightIsValue ? SqlCondition::kLink : SqlCondition::kValue;
        if (condition.kind == SqlCondition::kLink && op != "=")
            ThrowSyntaxError(kUnsupportedOperator, op, opToken, Here(__LINE__));
        m_conditions.push_back(condition);
        if (it == end) break;
        // The search is one conjunction: any other joining word is refused.
        if (!it->Matches("AND")) ThrowSyntaxError(kUnsupportedOperator, it->text, it, Here(__LINE__));
        Advance(it);
        if (it == end) ThrowSyntaxError(kBadCondition, "Missing condition after AND", it, Here(__LINE__));
    }
    for (const SqlCondition& condition : m_conditions)
        (condition.kind == SqlCondition::kLink ? m_linkConditions : m_valueConditions).push_back(condition);
}

void RdmSqlBase::ConditionsToSearch(SqlTokenIterator at, bool likeAllowed) {
    // Every link condition left was used by no FROM link (two fields of one
    // table, or a link the tree already has): refused, not dropped.
    if (!m_linkConditions.empty())
        ThrowSyntaxError(kBadCondition, "Condition not usable: " + ConditionText(m_linkConditions.front()), at,
                         Here(__LINE__));

    std::vector<const SqlCondition*> onMaster;
    for (const SqlCondition& condition : m_valueConditions) {
        if (OnTable(condition.left, m_masterTablespace, m_masterTable)) {
            onMaster.push_back(&condition);
            continue;
        }
        bool linked = false;  // a value condition of a detail is part of its link
        for (const auto& [tablespace, table] : m_detailTables) linked |= OnTable(condition.left, tablespace, table);
        if (!linked)
            ThrowSyntaxError(kBadCondition, "Condition not usable: " + ConditionText(condition), at, Here(__LINE__));
    }
    if (!onMaster.empty()) {
        const SqlCondition& first = *onMaster.front();
        const std::string& op = first.op.value;
        const SqlTokenIterator opAt = IteratorOf(first.op.token);
        static const char* const kSearchable[] = {"=", "LIKE", ">=", "<=", "<>", "BETWEEN"};
        bool searchable = false;
        for (const char* known : kSearchable) searchable |= op == known;
        if (!searchable || (op == "LIKE" && !likeAllowed))
            ThrowSyntaxError(kUnsupportedOperator, op, opAt, Here(__LINE__));
        // Several conditions are one compound key's values: equality only.
        for (const SqlCondition* condition : onMaster)
            if (onMaster.size() > 1 && condition->op.value != "=")
                ThrowSyntaxError(kUnsupportedOperator, condition->op.value, IteratorOf(condition->op.token),
                                 Here(__LINE__));
    }

    try {
        if (onMaster.empty()) {
            m_view.FindList("", 5);
            return;
        }
        RdmStoreTab& master = m_view.Table(m_masterTable);
        const auto setValues = [&](SqlFieldRef SqlCondition::*side) {
            for (const SqlCondition* condition : onMaster) {
                RdmFld& field = master.Fld(condition->left.field);
                field.SetCheckedString(EvalValue(IteratorOf((condition->*side).token), field));
            }
        };
        setValues(&SqlCondition::right);
        std::string key = onMaster.front()->left.field;
        if (onMaster.size() > 1) {
            std::vector<std::string> fields;
            std::string list;
            for (const SqlCondition* condition : onMaster) {
                fields.push_back(condition->left.field);
                list += condition->left.field + ", ";
            }
            key = m_descs.GetDescCopy(m_masterTablespace).FindKeyByFields(m_masterTable, fields);
            if (key.empty())
                throw DbDescError(kMissingKey, Here(__LINE__),
                                  StrVector("Missing link index for the following columns: " + list + "in the " +
                                            m_masterTablespace + "." + m_masterTable + " table!"));
        }
        const std::string& op = onMaster.front()->op.value;
        if (op == "=") {
            m_view.FindList(key, 5);
        } else if (op == "LIKE" || op == ">=") {
            m_view.FindGreater(key, 5);
        } else if (op == "<=") {
            m_view.FindLess(key, 5);
        } else if (op == "<>") {
            m_view.FindNotEqual(key, 5);
        } else {  // BETWEEN: the list's first two records are the bounds
            master.AddCurrentToList();
            setValues(&SqlCondition::secondValue);
            master.AddCurrentToList();
            m_view.FindBetween(key, 5);
        }
    } catch (const LurExceptBase& error) {
        ThrowPositioned(error, at, Here(__LINE__));
    }
}
