// RdmCursor: moves along its own key and gives the table its key back.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DbDesc.h"
#include "DbDescError.h"
#include "RdmCursor.h"
#include "RdmTable.h"
#include "ServiceTest.h"

namespace {

class RdmCursorTest : public lurtest::CarAutoTest {
protected:
    void SetUp() override {
        CarAutoTest::SetUp();
        for (const auto& [id, plate] : {std::pair{2, "AAA"}, std::pair{1, "BBB"}}) {
            car.SetFieldText("Auto", "ID", std::to_string(id));
            car.SetFieldText("Auto", "RENDSZ", plate);
            car.NewRec("Auto");
        }
    }
};

TEST_F(RdmCursorTest, MovesAlongItsKeyAndRestoresTheTablesKey) {
    RdmTable table(&car, "Auto");
    RdmCursor cursor(table, "ID");
    EXPECT_EQ(cursor.GetId(), -1);  // nothing on the server
    for (const std::string tableKey : {"RENDSZ", ""}) {
        SCOPED_TRACE(tableKey);
        car.DefineKey("AUTO", tableKey);
        ASSERT_EQ(cursor.Move(0), 0);
        EXPECT_EQ(table.Fld("ID").GetLong(), 1);
        EXPECT_EQ(cursor.Move(1), 10002);
        EXPECT_EQ(car.GetCurrentKey("AUTO"), tableKey);
    }
}

TEST_F(RdmCursorTest, ABadMoveCodeStillRestoresTheKey) {
    car.DefineKey("AUTO", "RENDSZ");
    RdmCursor cursor(&car, "AUTO", "ID");
    try {
        cursor.Move(6);
        FAIL() << "move code 6";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 2005);
    }
    EXPECT_EQ(car.GetCurrentKey("AUTO"), "RENDSZ");

    RdmCursor unopened;
    EXPECT_EQ(unopened.Open(nullptr, "AUTO", "ID"), 0);
    try {
        unopened.Move(0);
        FAIL() << "no description";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 2011);
    }
}

}  // namespace
