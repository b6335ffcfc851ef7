// Moves and finds of DbDesc against a service of the client library: the
// order rules (key order, ties and no key by insertion order), positions,
// and what a move or find leaves in the record buffer and the main list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DbDesc.h"
#include "DbDescError.h"
#include "DbErrorCode.h"
#include "ServiceFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Nav 5\n"
    "table Item\n"
    "  field ID   l 4  u\n"
    "  field GRP  l 4  d\n"
    "  field NAME c 11 d\n"
    "  field NOTE c 11 n\n"
    "table Empty\n"
    "  field ID   l 4  u\n";

// Insertion order differs from every key order.
constexpr const char* kRows =
    "ID,GRP,NAME,NOTE\n"
    "3,2,bravo,x\n"
    "1,1,alpha,y\n"
    "4,2,Charlie,z\n"
    "2,1,delta,w\n";

using lurtest::ErrorCode;

struct NavService {
    lurtest::ServiceFixture service{kSchema};
    DbDesc desc;
    NavService() {
        service.Load("Nav", "Item", kRows);
        service.LoadDesc(desc, "Nav", 5);
    }
    std::string Id() const { return desc.GetFieldText("Item", "ID"); }
};

// One step: a server move (code 0-4) or a find (F, N, P = FindRec, Next,
// Prev) with the GRP value to search for.
struct Step {
    char what;  // 'm' move, 'F', 'N', 'P'
    int32_t code;
    bool found;
    std::string id;  // the record buffer's ID afterwards
};

struct NavCase {
    const char* name;
    const char* key;  // "" for no current key
    std::vector<Step> steps;
};

}  // namespace

TEST(DbDescNavigation, MovesAndFindsFollowTheOrderRules) {
    const std::vector<NavCase> cases = {
        {"first and last by unique key", "ID", {{'m', 0, true, "1"}, {'m', 3, true, "4"}}},
        {"next from no position is the first", "ID", {{'m', 2, true, "1"}, {'m', 2, true, "2"}}},
        {"previous from no position is the last", "ID", {{'m', 1, true, "4"}, {'m', 1, true, "3"}}},
        {"past the end keeps the last record", "ID", {{'m', 3, true, "4"}, {'m', 2, false, "4"}}},
        {"no key walks in insertion order",
         "",
         {{'m', 0, true, "3"}, {'m', 2, true, "1"}, {'m', 2, true, "4"}, {'m', 3, true, "2"}}},
        {"duplicate keys tie by insertion order",
         "GRP",
         {{'m', 0, true, "1"}, {'m', 2, true, "2"}, {'m', 2, true, "3"}, {'m', 2, true, "4"}, {'m', 1, true, "3"}}},
        {"re-read gives the current record", "ID", {{'m', 3, true, "4"}, {'m', 4, true, "4"}}},
        {"find and continue among equal keys", "GRP", {{'F', 2, true, "3"}, {'N', 2, true, "4"}, {'N', 2, false, ""}}},
        {"find previous among equal keys", "GRP", {{'F', 1, true, "1"}, {'N', 1, true, "2"}, {'P', 1, true, "1"}}},
        {"find of a missing value answers false", "GRP", {{'F', 9, false, ""}}},
    };
    for (const NavCase& c : cases) {
        SCOPED_TRACE(c.name);
        NavService nav;
        nav.desc.DefineKey("Item", c.key);
        for (const Step& step : c.steps) {
            bool found = false;
            if (step.what == 'm') {
                found = nav.desc.Move(step.code, "Item");
            } else {
                nav.desc.SetFieldText("Item", "GRP", std::to_string(step.code));
                found = step.what == 'F'   ? nav.desc.FindRec("Item")
                        : step.what == 'N' ? nav.desc.FindRecNext("Item")
                                           : nav.desc.FindRecPrev("Item");
            }
            EXPECT_EQ(found, step.found) << step.what << step.code;
            if (!step.id.empty()) {
                EXPECT_EQ(nav.Id(), step.id) << step.what << step.code;
            }
            if (found) {
                EXPECT_EQ(nav.desc.GetListCount("Item"), 1);
                EXPECT_EQ(nav.desc.GetListPos("Item"), 0);
            }
        }
    }
}

TEST(DbDescNavigation, FailedMovesAndFindsLeaveBufferAndListAsDescribed) {
    NavService nav;
    // First on an empty table: false, buffer zero, list empty.
    EXPECT_FALSE(nav.desc.Move(0, "Empty"));
    EXPECT_EQ(nav.desc.GetFieldText("Empty", "ID"), "0");
    EXPECT_EQ(nav.desc.GetListCount("Empty"), 0);
    EXPECT_EQ(nav.desc.GetListPos("Empty"), -1);

    // A failed find clears the buffer with option 5, keeps it without.
    nav.desc.DefineKey("Item", "ID");
    nav.desc.SetFieldText("Item", "ID", "77");
    EXPECT_FALSE(nav.desc.FindRec("Item"));
    EXPECT_EQ(nav.Id(), "0");
    nav.desc.RemoveTableOption("Item", 5);
    nav.desc.SetFieldText("Item", "ID", "77");
    EXPECT_FALSE(nav.desc.FindRec("Item"));
    EXPECT_EQ(nav.Id(), "77");
    EXPECT_EQ(nav.desc.GetListPos("Item"), -1);
}

TEST(DbDescNavigation, AddFormsAppendAndKeepTheSearchValues) {
    NavService nav;
    nav.desc.DefineKey("Item", "ID");
    nav.desc.SetFieldText("Item", "ID", "2");
    ASSERT_TRUE(nav.desc.FindRec("Item"));
    nav.desc.SetFieldText("Item", "ID", "4");
    ASSERT_TRUE(nav.desc.FindRecAdd("Item"));
    EXPECT_EQ(nav.Id(), "4");  // the search value, not a list record
    EXPECT_EQ(nav.desc.GetFieldText("Item", "NAME"), "delta");
    EXPECT_EQ(nav.desc.GetListCount("Item"), 2);
    EXPECT_EQ(nav.desc.GetListPos("Item"), 0);
    ASSERT_TRUE(nav.desc.SetListPos("Item", 1));
    EXPECT_EQ(nav.desc.GetFieldText("Item", "NAME"), "Charlie");
    // A failed Add find empties the list.
    nav.desc.SetFieldText("Item", "ID", "99");
    EXPECT_FALSE(nav.desc.FindRecAdd("Item"));
    EXPECT_EQ(nav.desc.GetListCount("Item"), 0);
}

TEST(DbDescNavigation, KeysAndRefusals) {
    NavService nav;
    nav.desc.DefineKey("item", "grp");
    EXPECT_EQ(nav.desc.GetCurrentKey("ITEM"), "GRP");
    nav.desc.DefineKey("Item", "");
    EXPECT_EQ(nav.desc.GetCurrentKey("Item"), "");
    EXPECT_EQ(ErrorCode([&] { nav.desc.DefineKey("Item", "NOTE"); }), 2009);
    EXPECT_EQ(ErrorCode([&] { nav.desc.DefineKey("Item", "NOPE"); }), 2003);
    EXPECT_EQ(ErrorCode([&] { nav.desc.Move(0, "Nope"); }), 2002);
    EXPECT_EQ(ErrorCode([&] { nav.desc.Move(7, "Item"); }), 2005);
    EXPECT_EQ(ErrorCode([&] { nav.desc.Move(5, "Item"); }), 2005);
    // A find without a current key is refused by the server (no key field), not "not found".
    EXPECT_EQ(ErrorCode([&] { nav.desc.FindRec("Item"); }), 10010);
    // MoveByKey takes the key before the table.
    EXPECT_TRUE(nav.desc.MoveByKey(3, "NAME", "Item"));
    EXPECT_EQ(nav.Id(), "2");  // delta
}

TEST(DbDescNavigation, ReadCurrentRecLeavesTheListsAlone) {
    NavService nav;
    EXPECT_FALSE(nav.desc.ReadCurrentRec("Item", false));
    EXPECT_EQ(ErrorCode([&] { nav.desc.ReadCurrentRec("Item", true); }), 10002);
    nav.desc.DefineKey("Item", "ID");
    ASSERT_TRUE(nav.desc.Move(0, "Item"));
    nav.desc.ClearList("Item");
    nav.desc.ClearRecord("Item");
    EXPECT_TRUE(nav.desc.ReadCurrentRec("Item", true));
    EXPECT_EQ(nav.Id(), "1");
    EXPECT_EQ(nav.desc.GetListCount("Item"), 0);
}

// A record found on the server becomes the whole main list and the buffer,
// whatever the table's lists held before: the main list is selected again,
// its sort field is forgotten, and the private list keeps its records.
TEST(DbDescNavigation, FoundRecordsReplaceASortedListAndSelectTheMainList) {
    struct Case {
        const char* name;
        const char* table;  // as the caller spells it
        bool (*read)(DbDesc&, const char* table);
        std::string id;
    };
    const std::vector<Case> cases = {
        {"move", "Item", [](DbDesc& d, const char* t) { return d.Move(3, t); }, "4"},
        {"move, lower case", "item", [](DbDesc& d, const char* t) { return d.Move(0, t); }, "1"},
        {"find", "ITEM",
         [](DbDesc& d, const char* t) {
             d.SetFieldText(t, "ID", "2");
             return d.FindRec(t);
         },
         "2"},
        {"find, lower case", "item",
         [](DbDesc& d, const char* t) {
             d.SetFieldText(t, "ID", "3");
             return d.FindRec(t);
         },
         "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NavService nav;
        nav.desc.DefineKey("Item", "ID");
        ASSERT_TRUE(nav.desc.FindList("Item", "", 5));  // all four in the main list
        nav.desc.SortList("Item", "NAME", false);
        nav.desc.BeginPrivateList("Item");
        for (const char* id : {"7", "8"}) {
            nav.desc.SetFieldText("Item", "ID", id);
            nav.desc.AddCurrentToList("Item");
        }

        ASSERT_TRUE(c.read(nav.desc, c.table));
        EXPECT_EQ(nav.Id(), c.id);
        EXPECT_FALSE(nav.desc.UsesPrivateList(0));
        EXPECT_EQ(nav.desc.GetListCount("Item"), 1);
        EXPECT_EQ(nav.desc.GetListPos("Item"), 0);
        EXPECT_EQ(nav.desc.GetSortField("Item"), "");
        nav.desc.SetPrivateList("Item", true);
        EXPECT_EQ(nav.desc.GetListCount("Item"), 2);
    }
}

// A failing find names the table in upper case, however the caller spelt it.
TEST(DbDescNavigation, FailedFindsNameTheTableInUpperCase) {
    NavService nav;
    try {
        nav.desc.FindRec("item");  // no current key: the server refuses
        ADD_FAILURE() << "the find did not raise";
    } catch (const DbDescError& e) {
        EXPECT_EQ(e.GetCode(), 10010);
        EXPECT_EQ(e.GetArgs(), StrVector("ITEM"));
    }
}

// The table layer passes the record type it keeps beside the table's name.
// While the two agree the type spares the lookup; when they do not (another
// table's type, one outside the description, a name not spelled as stored)
// the name decides, with the answers and errors of the calls by name alone.
TEST(DbDescNavigation, AKeptRecordTypeYieldsToTheName) {
    struct KeptCase {
        const char* table;
        const char* typeOf;  // the table whose record type is passed; "" for one outside
        const char* first;   // what a first move gives: the ID found, "none" or the error code
        const char* find;    // the same for a find of ID 3
    };
    const std::vector<KeptCase> cases = {
        {"ITEM", "Item", "1", "3"}, {"ITEM", "Empty", "1", "3"},       {"Item", "Item", "1", "3"},
        {"ITEM", "", "1", "3"},     {"EMPTY", "Item", "none", "none"}, {"NOPE", "Item", "2002", "2002"},
    };
    // What a call answered, and the ID in the table's buffer when it found one.
    const auto outcome = [](NavService& nav, const std::string& table, const auto& call) -> std::string {
        try {
            return call() ? nav.desc.GetFieldText(table, "ID") : "none";
        } catch (const DbDescError& e) {
            return std::to_string(e.GetCode());
        }
    };
    for (const KeptCase& c : cases) {
        SCOPED_TRACE(std::string(c.table) + " with the type of " + c.typeOf);
        for (const bool kept : {false, true}) {
            NavService nav;
            nav.desc.DefineKey("Item", "ID");
            nav.desc.DefineKey("Empty", "ID");
            const int32_t recType = *c.typeOf ? nav.desc.GetRecType(c.typeOf) : 10099;
            EXPECT_EQ(outcome(nav, c.table,
                              [&] { return kept ? nav.desc.Move(0, c.table, recType) : nav.desc.Move(0, c.table); }),
                      c.first)
                << kept;
            if (nav.desc.HasTable(c.table)) nav.desc.SetFieldText(c.table, "ID", "3");
            EXPECT_EQ(outcome(nav, c.table,
                              [&] { return kept ? nav.desc.FindRec(c.table, recType) : nav.desc.FindRec(c.table); }),
                      c.find)
                << kept;
        }
    }
}
