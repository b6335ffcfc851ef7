// RdmDateTimeFld: bound and detached values over a record buffer, binding
// without writing, the stored digits, and the server time.
#include "RdmDateTimeFld.h"

#include <gtest/gtest.h>

#include <ctime>

#include "DbDesc.h"
#include "DbDescError.h"
#include "DescBlob.h"
#include "FunctionLoader.h"
#include "RdmFld.h"

namespace {

class RdmDateTimeFldTest : public ::testing::Test {
protected:
    lurtest::BlobDesc blob{{
        {"T", {{"WHEN", 'F', 8}, {"STAMP", 'c', 15}, {"SHORT", 'c', 10}, {"N", 'l', 4}}, {}},
    }};
    DbDesc& desc = blob.Desc();

    std::string Text(const std::string& field) { return desc.GetFieldText("T", field); }
};

TEST_F(RdmDateTimeFldTest, BoundValuesLiveInTheField) {
    for (const char* field : {"WHEN", "STAMP"}) {
        SCOPED_TRACE(field);
        RdmDateTimeFld value(&desc, "T", field, false);
        ASSERT_TRUE(value.Set(2012, 6, 12, 14, 30, 5, false));
        EXPECT_EQ(Text(field), "20120612143005");
        desc.SetFieldText("T", field, "20111231235959");
        EXPECT_EQ(value.GetDouble(), 20111231235959.0);
        EXPECT_EQ(value.GetYear(false), 2011);

        ASSERT_TRUE(value.Clear());
        EXPECT_EQ(Text(field), field == std::string("WHEN") ? "0" : "");
        EXPECT_TRUE(value.IsNull());
        desc.SetFieldText("T", field, "0");
        EXPECT_TRUE(value.IsNull());

        // An early year is written in full, not as the zero broken-down time.
        ASSERT_TRUE(value.Set(1848, 3, 15, 9, 0, 0, false));
        EXPECT_EQ(Text(field), "18480315090000");
        EXPECT_EQ(value.GetDouble(), 18480315090000.0);
    }
}

TEST_F(RdmDateTimeFldTest, BindingDoesNotWrite) {
    desc.SetFieldText("T", "STAMP", "20240229153000");
    desc.SetFieldText("T", "WHEN", "20240301000000");
    const RdmDateTimeFld stamp(&desc, "T", "STAMP", false);  // 14 digits in a text field
    EXPECT_EQ(stamp.GetDouble(), 20240229153000.0);
    RdmFld when(&desc, "T", "WHEN", false);
    desc.SetFieldText("T", "STAMP", "0");
    const RdmDateTimeFld fromField(when, false);
    EXPECT_EQ(fromField.GetDouble(), 20240301000000.0);
    EXPECT_EQ(Text("WHEN"), "20240301000000");
    // Not even an empty value writes the field at binding.
    const RdmDateTimeFld empty(&desc, "T", "STAMP", false);
    EXPECT_EQ(Text("STAMP"), "0");
    (void)empty;
}

TEST_F(RdmDateTimeFldTest, DetachedValuesLeaveTheField) {
    desc.SetFieldText("T", "WHEN", "20240229153000");
    RdmDateTimeFld detached(&desc, "T", "WHEN", true);
    EXPECT_TRUE(detached.IsDetached());
    desc.SetFieldText("T", "WHEN", "20250101000000");
    EXPECT_EQ(detached.GetDouble(), 20240229153000.0);
    ASSERT_TRUE(detached.AddDays(1));
    EXPECT_EQ(Text("WHEN"), "20250101000000");

    RdmDateTimeFld plain(&desc, 20240229153000.0, false);
    EXPECT_TRUE(plain.IsDetached());
    EXPECT_EQ(plain.GetFieldNo(), -1);
    EXPECT_EQ(plain.GetDesc(), &desc);
}

TEST_F(RdmDateTimeFldTest, CopiesAndSumsKeepTheBinding) {
    RdmDateTimeFld a(&desc, "T", "WHEN", false);
    RdmDateTimeFld b(&desc, "T", "STAMP", false);
    a.Set(2024, 1, 31, 12, 0, 0, false);
    b.Set(2024, 1, 31, 13, 0, 0, false);
    EXPECT_TRUE(a < b);
    desc.SetFieldText("T", "WHEN", "20240131140000");
    EXPECT_TRUE(a > b);  // the values now in their fields

    lurDate::LurDateTime span;
    ASSERT_TRUE(span.Set(0, 0, 0, 1, 0, 0, false));  // one hour on the empty date
    const RdmDateTimeFld later = a + span;
    EXPECT_EQ(Text("WHEN"), "20240131150000");
    EXPECT_EQ(later.GetFieldNo(), a.GetFieldNo());

    RdmDateTimeFld copy(b);
    copy.Set(2030, 1, 1, 0, 0, 0, false);
    EXPECT_EQ(Text("STAMP"), "20300101000000");
}

TEST_F(RdmDateTimeFldTest, StoreAnswersWhetherTheFieldTookTheValue) {
    RdmDateTimeFld tooShort(&desc, "T", "SHORT", false);
    // A 'c' field of 10 bytes cannot take 14 digits: the write's error passes
    // through, and the next store works again.
    EXPECT_THROW(tooShort.Set(2024, 1, 1, 0, 0, 0, false), DbDescError);
    desc.SetFieldText("T", "SHORT", "0");
    EXPECT_TRUE(tooShort.IsNull());  // loads from the field again after the failed store
    RdmDateTimeFld fine(&desc, "T", "STAMP", false);
    EXPECT_TRUE(fine.Set(2024, 1, 1, 0, 0, 0, false));

    // Without a description there is nowhere to store.
    RdmDateTimeFld nowhere(RdmFld(), false);
    EXPECT_FALSE(nowhere.Set(2024, 1, 1, 0, 0, 0, false));
}

int32_t AnswerZero(int32_t, int32_t* time) {
    *time = 0;
    return 0;
}

int32_t AnswerNoHandle(int32_t, int32_t*) { return 10014; }

TEST_F(RdmDateTimeFldTest, ServerTime) {
    FunctionLoader& loader = GetFunctionLoader();
    const lurdbcli::GetServerTimeFn saved = loader.pfGetServerTime;

    RdmDateTimeFld value;
    const time_t before = std::time(nullptr);
    value.SetServerTimeFromDesc(nullptr);
    EXPECT_GE(value.GetTimeT(), before);

    loader.pfGetServerTime = nullptr;
    value.SetDouble(20240101000000.0, true, false, true);
    try {
        value.SetServerTimeFromDesc(&desc);
        ADD_FAILURE() << "a missing GetServerTime must raise";
    } catch (const DbDescError& e) {
        EXPECT_EQ(e.GetCode(), 10038);
        EXPECT_EQ(e.GetArgs().at(0), "pfGetServerTime");
        EXPECT_EQ(e.GetLocation().line, 114);
    }
    EXPECT_EQ(value.GetDouble(), 20240101000000.0);

    loader.pfGetServerTime = AnswerNoHandle;
    try {
        value.SetServerTime(5);
        ADD_FAILURE() << "a refusal must raise";
    } catch (const DbDescError& e) {
        EXPECT_EQ(e.GetCode(), 10014);
        EXPECT_EQ(e.GetLocation().line, 118);
    }
    loader.pfGetServerTime = AnswerZero;
    value.SetServerTime(5);
    EXPECT_TRUE(value.IsNull());
    loader.pfGetServerTime = saved;
}

}  // namespace
