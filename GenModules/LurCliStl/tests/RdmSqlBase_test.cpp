#include "RdmSqlBase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DbDescError.h"
#include "ServiceTest.h"
#include "SqlTestStatement.h"

namespace {

// Two tablespaces that share the table name ITEM; QTY is a field of
// Shop.Stock and of Depot.Bin.
constexpr const char* kShopDepotSchema =
    "tablespace Shop 3\n"
    "table Item\n"
    "  field ID    l 4  u\n"
    "  field NAME  c 20 d\n"
    "table Stock\n"
    "  field ITEM  l 4  u\n"
    "  field QTY   l 4  n\n"
    "tablespace Depot 4\n"
    "table Item\n"
    "  field ID    l 4  u\n"
    "  field PLACE c 10 n\n"
    "table Bin\n"
    "  field CODE  c 8  u\n"
    "  field QTY   l 4  n\n";

// A statement over the service's two tablespaces, with its tokens parsed
// from text and the FROM list given directly.
class TestStatement : public RdmSqlBase {
public:
    TestStatement(const DbDescMap& descs, const std::string& text,
                  std::vector<std::pair<std::string, std::string>> from = {}) {
        SetDescs(descs);
        m_statement = lurtest::ParseFirstStatement(text);
        SetStatement(m_statement);
        m_fromList = std::move(from);
    }

    using RdmSqlBase::ReadSelectColumns;

    SqlTokenIterator Begin() const { return m_statement.begin(); }
    SqlTokenIterator TokenAt(size_t index) const { return m_statement.begin() + static_cast<std::ptrdiff_t>(index); }

private:
    SqlStatement m_statement;
};

struct Raised {
    int code = 0;
    std::string text;
};

template <class Body>
Raised Catch(Body&& body) {
    try {
        body();
    } catch (const DbDescError& error) {
        return {error.GetCode(), error.GetArgs().empty() ? std::string() : error.GetArgs()[0]};
    }
    return {};
}

std::string ErrorText(int row, int column, const std::string& text) {
    return "Error in the row " + std::to_string(row) + "., column " + std::to_string(column) + ".: " + text;
}

class RdmSqlBaseTest : public lurtest::SuiteServiceTest<RdmSqlBaseTest> {
protected:
    static void SetUpTestSuite() {
        MakeService(kShopDepotSchema);
        descs_ = std::make_unique<DbDescMap>();
        for (const auto& [name, number] : {std::pair<const char*, int32_t>{"Shop", 3}, {"Depot", 4}}) {
            DbDesc desc;
            service_->LoadDesc(desc, name, number);
            descs_->StoreDesc(desc);
        }
    }
    static void TearDownTestSuite() {
        descs_.reset();
        SuiteServiceTest::TearDownTestSuite();
    }

    static inline std::unique_ptr<DbDescMap> descs_;
};

struct NameCase {
    const char* name;
    int code;              // 0: resolves
    const char* resolved;  // "TS.TABLE[.FIELD]" when it resolves, else the error's text
};

// The name is the statement's only word; a word's column is one past its end.
std::string Expected(const NameCase& c) {
    if (c.code == 0 || c.code == 2000) return c.resolved;
    return ErrorText(1, static_cast<int>(std::string(c.name).size()) + 1, c.resolved);
}

TEST_F(RdmSqlBaseTest, TablesResolveOverTheOpenTablespaces) {
    const NameCase cases[] = {
        {"Stock", 0, "SHOP.STOCK"},    {"..stock..", 0, "SHOP.STOCK"},  {"Bin", 0, "DEPOT.BIN"},
        {"Shop.Item", 0, "SHOP.ITEM"}, {"depot.item", 0, "DEPOT.ITEM"}, {"Item", 2042, "ITEM"},
        {"Nothing", 2002, "NOTHING"},  {"Shop.Bin", 2002, "SHOP.BIN"},  {"Nowhere.Item", 2000, "NOWHERE"},
        {"Shop.Item.ID", 2045, ""},
    };
    for (const NameCase& c : cases) {
        TestStatement statement(*descs_, std::string(c.name) + " ;");
        std::string tablespace, table;
        const Raised raised = Catch([&] { statement.ResolveTable(c.name, tablespace, table, statement.Begin()); });
        EXPECT_EQ(raised.code, c.code) << c.name;
        if (c.code == 0) {
            EXPECT_EQ(tablespace + "." + table, c.resolved) << c.name;
        } else if (c.code != 2000) {  // the map's own error carries the name alone
            EXPECT_EQ(raised.text, Expected(c)) << c.name;
        }
    }
}

TEST_F(RdmSqlBaseTest, FieldsResolveOverTheFromTablesOrEveryTablespace) {
    const std::vector<std::pair<std::string, std::string>> from = {
        {"SHOP", "ITEM"}, {"SHOP", "STOCK"}, {"DEPOT", "BIN"}};
    const NameCase cases[] = {
        {"name", 0, "SHOP.ITEM.NAME"},
        {"ID", 0, "SHOP.ITEM.ID"},  // Depot.Item is not in FROM
        {"QTY", 2043, "QTY"},       // Shop.Stock and Depot.Bin
        {"PLACE", 2003, "PLACE"},
        {"Stock.QTY", 0, "SHOP.STOCK.QTY"},
        {"item.place", 0, "DEPOT.ITEM.PLACE"},
        {"Item.ID", 2043, "ID"},  // ITEM in both tablespaces
        {"Item.NOPE", 2003, "ITEM.NOPE"},
        {"Depot.Item.Id", 0, "DEPOT.ITEM.ID"},
        {"Depot.Item.NAME", 2003, "DEPOT.ITEM.NAME"},
        {"Nowhere.Item.ID", 2000, "NOWHERE"},
        {"a.b.c.d", 2003, "a.b.c.d"},
    };
    for (const NameCase& c : cases) {
        TestStatement statement(*descs_, std::string(c.name) + " ;", from);
        std::string tablespace, table, field;
        const Raised raised =
            Catch([&] { statement.ResolveField(c.name, tablespace, table, field, statement.Begin()); });
        EXPECT_EQ(raised.code, c.code) << c.name;
        if (c.code == 0) {
            EXPECT_EQ(tablespace + "." + table + "." + field, c.resolved) << c.name;
        } else if (c.code != 2000) {
            EXPECT_EQ(raised.text, Expected(c)) << c.name;
        }
    }
    // Without FROM tables no plain field resolves.
    TestStatement bare(*descs_, "NAME ;");
    std::string tablespace, table, field;
    EXPECT_EQ(Catch([&] { bare.ResolveField("NAME", tablespace, table, field, bare.Begin()); }).code, 2003);
}

TEST_F(RdmSqlBaseTest, DatabasesAreFoundIgnoringCase) {
    TestStatement statement(*descs_, "GRANT x TO shop ;");
    std::string canonical;
    statement.FindDatabase("shop", canonical, statement.TokenAt(3));
    EXPECT_EQ(canonical, "SHOP");
    const Raised raised = Catch([&] { statement.FindDatabase("Nope", canonical, statement.TokenAt(3)); });
    EXPECT_EQ(raised.code, 2000);
    EXPECT_EQ(raised.text, ErrorText(1, 16, "Nope"));
}

TEST_F(RdmSqlBaseTest, KeywordsAndSearchesSkipQuotedTokens) {
    TestStatement commit(*descs_, "COMMIT ;");
    SqlTokenIterator it = commit.Begin();
    EXPECT_TRUE(commit.AcceptKeyword(it, "commit"));
    EXPECT_EQ(it, commit.TokenAt(1));
    EXPECT_FALSE(commit.AcceptKeyword(it, "ROLLBACK"));
    EXPECT_EQ(it, commit.TokenAt(1));
    EXPECT_FALSE(commit.AcceptKeyword(it, ";"));  // consumed, but nothing is left
    EXPECT_EQ(it, commit.StatementEnd());
    EXPECT_FALSE(commit.AcceptKeyword(it, ";"));

    TestStatement update(*descs_, "UPDATE t SET a = 'WHERE' , b = \"WHERE\" WHERE c = ';' ;");
    it = update.TokenAt(5);
    EXPECT_FALSE(update.AcceptKeyword(it, "WHERE"));  // the literal
    EXPECT_EQ(it, update.TokenAt(5));
    EXPECT_EQ(update.FindToken(update.Begin(), update.StatementEnd(), "where"), update.TokenAt(10));
    EXPECT_EQ(update.FindToken(update.Begin(), update.StatementEnd(), ";"), update.TokenAt(14));
    EXPECT_EQ(update.FindToken(update.Begin(), update.TokenAt(10), "WHERE"), update.TokenAt(10));
}

TEST_F(RdmSqlBaseTest, ErrorsAtTheStatementEndShowItsSeparator) {
    TestStatement statement(*descs_, "PRINT\n  x\n ;");
    SqlTokenIterator it = statement.TokenAt(1);
    statement.Advance(it);
    EXPECT_EQ(it, statement.TokenAt(2));
    Raised raised = Catch([&] { statement.Advance(it); });
    EXPECT_EQ(raised.code, 2020);
    EXPECT_EQ(raised.text, ErrorText(3, 3, "Unexpected end of the statement"));
    EXPECT_EQ(it, statement.StatementEnd());
    EXPECT_EQ(Catch([&] { statement.Advance(it); }).code, 2020);

    // The text is cut to the limit; the position in front of it stays.
    raised = Catch([&] { statement.ThrowSyntaxError(2019, std::string(1000, 'v'), it, ErrorLocation()); });
    EXPECT_EQ(raised.text.size(), RdmSqlBase::kMessageLimit - 1u);
    EXPECT_EQ(raised.text.rfind(ErrorText(3, 3, ""), 0), 0u);
}

std::string Describe(const SqlSelectList& list) {
    std::string out;
    for (const SqlSelectColumn& column : list) out += column.table + "." + column.field + ":" + column.alias + " ";
    return out;
}

TEST_F(RdmSqlBaseTest, SelectListTakesAliasesAfterAs) {
    const std::vector<std::pair<std::string, std::string>> from = {{"SHOP", "ITEM"}, {"SHOP", "STOCK"}};
    TestStatement statement(*descs_, "SELECT name AS Label, item id Shop.Item.ID as 'x' qty FROM Item, Stock ;", from);
    SqlTokenIterator it = statement.TokenAt(1);
    const SqlTokenIterator end = statement.FindToken(it, statement.StatementEnd(), "FROM");
    const auto columns = statement.ReadSelectColumns(it, end);
    EXPECT_EQ(it, end);
    EXPECT_EQ(Describe(statement.GetSelectList()), "ITEM.NAME:Label STOCK.ITEM: ITEM.ID: ITEM.ID:x STOCK.QTY: ");
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(Describe(columns.at("ITEM")), "ITEM.NAME:Label ITEM.ID: ITEM.ID:x ");
    EXPECT_EQ(Describe(columns.at("STOCK")), "STOCK.ITEM: STOCK.QTY: ");
}

TEST_F(RdmSqlBaseTest, SelectListAliasErrors) {
    const std::vector<std::pair<std::string, std::string>> from = {{"SHOP", "STOCK"}, {"DEPOT", "BIN"}};
    struct Case {
        const char* text;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {"SELECT item AS, code FROM t ;", 2020, ErrorText(1, 15, "Missing alias after the AS keyword!")},
        {"SELECT item AS FROM t ;", 2020, ErrorText(1, 16, "Missing alias after the AS keyword!")},
        {"SELECT item,\n code AS FROM t ;", 2020, ErrorText(2, 11, "Missing alias after the AS keyword!")},
        {"SELECT qty FROM t ;", 2043, ErrorText(1, 11, "QTY")},
    };
    for (const Case& c : cases) {
        TestStatement statement(*descs_, c.text, from);
        SqlTokenIterator it = statement.TokenAt(1);
        const SqlTokenIterator end = statement.FindToken(it, statement.StatementEnd(), "FROM");
        const Raised raised = Catch([&] { statement.ReadSelectColumns(it, end); });
        EXPECT_EQ(raised.code, c.code) << c.text;
        EXPECT_EQ(raised.text, c.message) << c.text;
    }
}

// A view of the statement: ITEM the master, STOCK its detail (STOCK.ITEM =
// ITEM.ID), as a SELECT over both builds it.
void BuildItemStockView(TestStatement& statement) {
    RdmView& view = statement.GetView();
    view.Open(&statement.GetDescs(), "SQL", RdmView::DefaultOptions());
    view.AddTable("", "SHOP", "ITEM", "", "", "", "");
    view.AddTable("", "SHOP", "STOCK", "ITEM", "ITEM", "ID", "");
}

std::vector<std::string> FieldNames(const RdmView& view, const std::string& table) {
    const StrVector names = view.Table(table).GetFieldNames();
    return {names.begin(), names.end()};
}

using Names = std::vector<std::string>;

TEST_F(RdmSqlBaseTest, SelectListSetsTheFieldsAndAliasesOfTheView) {
    const std::vector<std::pair<std::string, std::string>> from = {{"SHOP", "ITEM"}, {"SHOP", "STOCK"}};
    struct Case {
        const char* text;
        const char* selectList;
        Names itemFields;
        Names stockFields;
    };
    const Case cases[] = {
        {"SELECT name AS Label, Stock.qty, id FROM Item, Stock ;",
         "ITEM.NAME:Label STOCK.QTY: ITEM.ID: ",
         {"NAME", "ID"},
         {"QTY"}},
        {"SELECT id FROM Item, Stock ;", "ITEM.ID: ", {"ID"}, {}},
        // "*" alone: the master's fields; the view's field sets stay.
        {"SELECT * FROM Item, Stock ;", "ITEM.ID: ITEM.NAME: ", {"ID", "NAME"}, {"ITEM", "QTY"}},
        {"SELECT *, qty FROM Item, Stock ;", "STOCK.QTY: ", {}, {"QTY"}},
    };
    for (const Case& c : cases) {
        TestStatement statement(*descs_, c.text, from);
        BuildItemStockView(statement);
        SqlTokenIterator it = statement.TokenAt(1);
        const SqlTokenIterator end = statement.FindToken(it, statement.StatementEnd(), "FROM");
        statement.ParseSelectList(it, end);
        EXPECT_EQ(it, end) << c.text;
        EXPECT_EQ(Describe(statement.GetSelectList()), c.selectList) << c.text;
        EXPECT_EQ(FieldNames(statement.GetView(), "ITEM"), c.itemFields) << c.text;
        EXPECT_EQ(FieldNames(statement.GetView(), "STOCK"), c.stockFields) << c.text;
    }
    // The alias names the field in the view (upper case) in place of its name.
    TestStatement aliased(*descs_, "SELECT name AS Label FROM Item ;", from);
    BuildItemStockView(aliased);
    SqlTokenIterator it = aliased.TokenAt(1);
    aliased.ParseSelectList(it, aliased.TokenAt(4));
    EXPECT_TRUE(aliased.GetView().HasField("ITEM", "LABEL"));
    EXPECT_FALSE(aliased.GetView().HasField("ITEM", "NAME"));

    // "*" needs the view's master; without one the view says so.
    TestStatement bare(*descs_, "SELECT * FROM Item ;", from);
    it = bare.TokenAt(1);
    EXPECT_EQ(Catch([&] { bare.ParseSelectList(it, bare.TokenAt(2)); }).code, 2011);
}

TEST_F(RdmSqlBaseTest, NamesSplitAtDotsIntoUpperCaseParts) {
    TestStatement statement(*descs_, "x ;");
    std::vector<std::string> parts = {"KEPT"};
    statement.SplitName("ts..Tab.fld", parts);
    EXPECT_EQ(parts, (std::vector<std::string>{"KEPT", "TS", "TAB", "FLD"}));
    parts.clear();
    statement.SplitName("...", parts);
    EXPECT_TRUE(parts.empty());
}

}  // namespace
