// SELECT through the SQL session: the WHERE clause as one search of the
// view's master (and what it refuses), the FROM tables as a tree of linked
// tables, ORDER BY and the server-parameter form.
#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "ConnectionFixture.h"
#include "DbDescError.h"
#include "RdmFileImport.h"
#include "RdmSqlBase.h"
#include "SqlTestStatement.h"

namespace {

constexpr const char* kSchema =
    "tablespace Shop 3\n"
    "table Customer\n"
    "  field ID    l 4  u\n"
    "  field NAME  c 20 d\n"
    "  field CITY  c 10 d\n"
    "  field SCORE l 4  n\n"
    "  key NAMECITY u NAME CITY\n"
    "table Orders\n"
    "  field NO    l 4  u\n"
    "  field CUST  l 4  d\n"
    "  field KIND  c 1  d\n"
    "  field QTY   l 4  n\n"
    "  key CUSTKIND d CUST KIND\n"
    "table Line\n"
    "  field ORD   l 4  d\n"
    "  field ITEM  c 10 n\n"
    "  field STATE c 1  n\n"
    "table Other\n"
    "  field X     l 4  u\n";

struct Refusal {
    const char* statement;
    int code;
    const char* text;  // in the error's text
};

struct Result {
    std::string status;
    std::string message;
    std::vector<std::string> rows;  // the select list's values of each row, joined by ","
};

class SqlSelectTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fixture_ = std::make_unique<lurtest::ConnectionFixture>(kSchema, "SQLSELECT");
        fixture_->Load("Shop", "Customer",
                       "ID,NAME,CITY,SCORE\n1,Ann,Pest,10\n2,Bob,Buda,20\n3,Cid,Pest,30\n4,Ann,Buda,40\n"
                       "5,Dan,Obuda,50\n");
        fixture_->Load("Shop", "Orders", "NO,CUST,KIND,QTY\n10,1,A,5\n11,1,B,6\n12,2,A,7\n13,4,A,8\n14,1,A,9\n");
        fixture_->Load("Shop", "Line", "ORD,ITEM,STATE\n10,bolt,X\n10,nut,Y\n12,screw,X\n14,pin,X\n");
    }
    static void TearDownTestSuite() { fixture_.reset(); }

    SqlSelectTest() { session.SetSession(fixture_->Tablespaces(), false); }

    Result Run(const std::string& text) {
        session.RunText(text.c_str());
        Result result{session.GetStatus(), session.GetSqlResultText(), {}};
        if (result.status.find(":ERROR:") != std::string::npos) return result;
        RdmView& view = session.GetView();
        view.StartIteration();
        while (view.NextRecord()) {
            std::string row;
            for (const SqlSelectColumn& column : session.GetColumns())
                row += (&column == &session.GetColumns().front() ? "" : ",") +
                       view.Table(column.table).Fld(column.field).GetString();
            result.rows.push_back(row);
        }
        view.EndIteration();
        return result;
    }

    // Each statement fails with its code and a text holding the given one.
    void ExpectRefused(std::initializer_list<Refusal> refusals) {
        for (const Refusal& refusal : refusals) {
            const Result result = Run(refusal.statement);
            EXPECT_EQ(result.status, "SELECT:ERROR:" + std::to_string(refusal.code))
                << refusal.statement << result.message;
            EXPECT_NE(result.message.find(refusal.text), std::string::npos) << refusal.statement << result.message;
        }
    }

    static inline std::unique_ptr<lurtest::ConnectionFixture> fixture_;
    RdmFileImport session;
};

using Rows = std::vector<std::string>;

TEST_F(SqlSelectTest, WhereBecomesOneSearchOfTheMaster) {
    const struct {
        const char* where;
        Rows ids;
    } cases[] = {
        {"", {"1", "2", "3", "4", "5"}},
        {"WHERE id = 3", {"3"}},
        {"WHERE 3 = id", {"3"}},
        {"WHERE name = 'Ann'", {"1", "4"}},
        {"WHERE id >= 4", {"4", "5"}},
        {"WHERE id <= 2", {"1", "2"}},
        // A value on the left is read from the field's side.
        {"WHERE 4 <= id", {"4", "5"}},
        {"WHERE 2 >= id", {"1", "2"}},
        {"WHERE id <> 2", {"1", "3", "4", "5"}},
        {"WHERE id BETWEEN 2 AND 4", {"2", "3", "4"}},
        // LIKE in SELECT: the rows from the value on.
        {"WHERE name LIKE 'B'", {"2", "3", "5"}},
        // Several conditions: the compound key of exactly their fields.
        {"WHERE name = 'Ann' AND city = 'Buda'", {"4"}},
        {"WHERE city = 'Pest' AND name = 'Cid'", {"3"}},
        {"WHERE id = 99", {}},
    };
    for (const auto& c : cases) {
        const Result result = Run(std::string("SELECT id FROM customer ") + c.where + ";");
        EXPECT_EQ(result.status, "SELECT:SUCCESS:0") << c.where << result.message;
        EXPECT_EQ(result.rows, c.ids) << c.where;
        EXPECT_EQ(result.message, std::to_string(c.ids.size()) + " row selected.") << c.where;
    }
}

TEST_F(SqlSelectTest, WhatTheSearchCannotExpressIsRefused) {
    ExpectRefused({
        {"SELECT id FROM customer WHERE id = 1 OR id = 2;", 2024, "OR"},
        {"SELECT id FROM customer WHERE name = 'Ann' AND city >= 'B';", 2024, ">="},
        {"SELECT id FROM customer WHERE name >= 'A' AND city = 'B';", 2024, ">="},
        {"SELECT id FROM customer WHERE id BETWEEN 1 AND 3 AND score = 10;", 2024, "BETWEEN"},
        {"SELECT id FROM customer WHERE id < 3;", 2024, "<"},
        {"SELECT id FROM customer WHERE 'A' LIKE name;", 2024, "LIKE"},
        {"SELECT id FROM customer WHERE id = score;", 2021, "SHOP.CUSTOMER.ID=SHOP.CUSTOMER.SCORE"},
        {"SELECT id FROM customer WHERE other.x = 1;", 2021, "SHOP.OTHER.X=1"},
        {"SELECT id FROM customer WHERE 1 = 2;", 2021, "1=2"},
        {"SELECT id FROM customer WHERE id BETWEEN 1 3;", 2021, "Missing AND keyword! SHOP.CUSTOMER.ID"},
        {"SELECT id FROM customer WHERE id BETWEEN 1 AND;", 2021, "Missing second value after the AND keyword!"},
        {"SELECT id FROM customer WHERE id =;", 2021, "Incomplete condition: id"},
        {"SELECT id FROM customer WHERE id = 1 AND score = 10;", 2019,
         "Missing link index for the following columns: ID, SCORE, in the SHOP.CUSTOMER table!"},
        {"SELECT id FROM customer WHERE score = 10 AND name = 'Ann';", 2019, "Missing link index"},
        {"SELECT id customer;", 2020, "There are not any FROM keyword!"},
    });
}

TEST_F(SqlSelectTest, LinkedTablesFormATreeBelowTheMaster) {
    // The detail is the left side of "detail field = parent field".
    EXPECT_EQ(Run("SELECT customer.id, orders.no FROM customer, orders WHERE orders.cust = customer.id AND "
                  "customer.id = 1;")
                  .rows,
              (Rows{"1,10", "1,11", "1,14"}));
    EXPECT_EQ(Run("SELECT orders.no, customer.name FROM customer, orders WHERE customer.id = orders.cust AND "
                  "orders.no BETWEEN 12 AND 13;")
                  .rows,
              (Rows{"12,Bob", "13,Ann"}));
    // A chain: customer, its orders, their lines.
    EXPECT_EQ(Run("SELECT name, no, item FROM customer, orders, line WHERE orders.cust = customer.id AND "
                  "line.ord = orders.no AND customer.id = 1;")
                  .rows,
              (Rows{"Ann,10,bolt", "Ann,10,nut", "Ann,14,pin"}));
}

TEST_F(SqlSelectTest, ValueConditionsOnADetailJoinItsLink) {
    // CUST and KIND are exactly the compound key CUSTKIND: KIND is a column value.
    EXPECT_EQ(Run("SELECT customer.id, no FROM customer, orders WHERE orders.cust = customer.id AND "
                  "orders.kind = 'A' AND customer.id = 1;")
                  .rows,
              (Rows{"1,10", "1,14"}));
    const RdmStoreTab& orders = session.GetView().Table("ORDERS");
    EXPECT_EQ(orders.GetLinkKey(), "CUSTKIND");
    EXPECT_EQ(orders.GetColumnValues(), (std::map<std::string, std::string>{{"KIND", "A"}}));
    EXPECT_TRUE(orders.GetFilters().empty());

    // ORD is a plain key of LINE and STATE no key: STATE becomes a filter.
    EXPECT_EQ(Run("SELECT no, item FROM orders, line WHERE line.ord = orders.no AND line.state = 'X' AND "
                  "orders.cust = 1;")
                  .rows,
              (Rows{"10,bolt", "14,pin"}));
    const RdmStoreTab& line = session.GetView().Table("LINE");
    EXPECT_EQ(line.GetLinkKey(), "ORD");
    EXPECT_TRUE(line.GetColumnValues().empty());
    EXPECT_EQ(line.GetFilters(), (RdmStoreTab::FieldTexts{{"STATE", "X"}}));
}

TEST_F(SqlSelectTest, TheSessionHoldsEachStatementsSearchedViewUntilTheNext) {
    // Each statement's rows as the progress callback sees them while the run goes on.
    struct Seen {
        RdmFileImport* session;
        std::vector<Rows> rows;
    } seen{&session, {}};
    session.SetProgressCallback(&seen, [](void* argument) {
        Seen& seen = *static_cast<Seen*>(argument);
        RdmView& view = seen.session->GetView();
        Rows rows;
        if (!view.MasterName().empty()) {
            view.StartIteration();
            while (view.NextRecord()) rows.push_back(view.Table("").Fld("NAME").GetString());
            view.EndIteration();
        }
        seen.rows.push_back(rows);
    });
    session.RunText(
        "SELECT name FROM customer WHERE city = 'Pest'; SELECT name, no FROM customer, orders WHERE orders.cust = "
        "customer.id AND customer.id = 1; PRINT 'x'; SELECT name FROM customer WHERE city = 'Buda';");
    EXPECT_EQ(seen.rows, (std::vector<Rows>{{"Ann", "Cid"}, {"Ann", "Ann", "Ann"}, {}, {"Bob", "Ann"}}));

    // After the run the last statement's view and result table are the
    // session's: the table works on the view's own description and sees
    // the rows the search found.
    RdmView& view = session.GetView();
    RdmTable result = session.GetSqlResult();
    EXPECT_EQ(result.GetName(), "CUSTOMER");
    EXPECT_EQ(result.GetDescPtr(), view.Table("CUSTOMER").GetDescPtr());
    EXPECT_EQ(view.RecordCount(), 2);
    EXPECT_EQ(std::string(session.GetSqlResultText()), "2 row selected.");
    Rows listed;
    result.SetListPos(-1);
    while (result.ListNext()) listed.push_back(result.Fld("NAME").GetString());
    EXPECT_EQ(listed, seen.rows.back());

    // A table of another tablespace added to the view later takes its
    // description from the session's map, not from the executor's, which
    // went with the run.
    view.AddTable("", "SYSDB", "dbuser", "userid", "CUSTOMER", "ID", "");
    EXPECT_EQ(view.Table("DBUSER").GetDbName(), "SYSDB");
}

TEST_F(SqlSelectTest, TablesWithoutALinkAreRefused) {
    ExpectRefused({
        {"SELECT * FROM customer, orders;", 2023, ""},
        {"SELECT * FROM customer, orders WHERE customer.id = 1;", 2025, ""},
        {"SELECT * FROM customer, orders, other WHERE orders.cust = customer.id;", 2025, ""},
        // Orders and Line link only to each other: no link reaches them from the master.
        {"SELECT * FROM customer, orders, line WHERE orders.qty = line.ord AND line.ord = orders.no;", 2025,
         "No link reaches the table SHOP.ORDERS"},
        // A second link between the same tables is used by no link of the tree.
        {"SELECT * FROM customer, orders WHERE orders.cust = customer.id AND orders.qty = customer.score;", 2021,
         "SHOP.ORDERS.QTY=SHOP.CUSTOMER.SCORE"},
        {"SELECT * FROM customer, orders WHERE orders.cust = customer.id AND orders.qty <> customer.score;", 2024,
         "<>"},
    });
}

TEST_F(SqlSelectTest, OrderBySortsTheResultByOneField) {
    EXPECT_EQ(Run("SELECT id, score FROM customer ORDER BY score DESC;").rows,
              (Rows{"5,50", "4,40", "3,30", "2,20", "1,10"}));
    EXPECT_EQ(Run("SELECT id, city FROM customer WHERE id >= 2 ORDER BY city;").rows,
              (Rows{"2,Buda", "4,Buda", "5,Obuda", "3,Pest"}));
    EXPECT_EQ(Run("SELECT name, id FROM customer ORDER BY name ASC;").rows,
              (Rows{"Ann,1", "Ann,4", "Bob,2", "Cid,3", "Dan,5"}));
    const Result up = Run("SELECT id FROM customer ORDER BY name UP;");
    EXPECT_EQ(up.status, "SELECT:ERROR:2020");
    EXPECT_NE(up.message.find("Following keywords required after the field name: ASCENDING, DESCENDING"),
              std::string::npos);
    EXPECT_EQ(Run("SELECT id FROM customer ORDER BY name, id;").status, "SELECT:ERROR:2020");
}

TEST_F(SqlSelectTest, SystemReadsServerParameters) {
    const Result result = Run("SELECT volumeid, nosuch FROM system;");
    ASSERT_EQ(result.status, "SELECT:SUCCESS:0") << result.message;
    ASSERT_EQ(result.rows.size(), 1u);
    const std::string& row = result.rows[0];

    const std::string volume = row.substr(0, row.find(','));
    EXPECT_FALSE(volume.empty());
    EXPECT_EQ(volume.find_first_not_of("0123456789"), std::string::npos) << row;
    EXPECT_GT(row.size(), volume.size() + 1) << "the unknown name's column holds the error text";
    EXPECT_EQ(result.message, "1 row selected.");
}

// DELETE and UPDATE search their target the same way, without LIKE.
class TargetStatement : public RdmSqlBase {
public:
    TargetStatement(DbDescMap& descs, const std::string& text) {
        SetDescs(descs);
        m_statement = lurtest::ParseFirstStatement(text);
        SetStatement(m_statement);
        m_masterTablespace = "SHOP";
        m_masterTable = "CUSTOMER";
        m_fromList = {{"SHOP", "CUSTOMER"}};
        m_view = RdmView(&m_descs, "SQLEXEC", DbDesc::DefaultTableOptions());
        m_view.AddTable("", "SHOP", "CUSTOMER", "", "", "", "");
    }
    int Search() {
        try {
            ParseCondition(m_statement.begin(), m_statement.end() - 1);
            ConditionsToSearch(m_statement.begin(), false);
        } catch (const DbDescError& error) {
            return error.GetCode();
        }
        return 0;
    }

private:
    SqlStatement m_statement;
};

TEST_F(SqlSelectTest, TargetSearchesRefuseLikeAndUnusedConditions) {
    EXPECT_EQ(TargetStatement(fixture_->Tablespaces(), "id = 1;").Search(), 0);
    EXPECT_EQ(TargetStatement(fixture_->Tablespaces(), "name LIKE 'A';").Search(), 2024);
    EXPECT_EQ(TargetStatement(fixture_->Tablespaces(), "id = score;").Search(), 2021);
    EXPECT_EQ(TargetStatement(fixture_->Tablespaces(), "id = 1 OR id = 2;").Search(), 2024);
}

}  // namespace
