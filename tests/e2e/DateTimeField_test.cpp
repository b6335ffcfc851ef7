// Date-time fields end to end: values given in local time under a TZ rule
// are stored through RdmDateTimeFld as universal time, inserted, read back
// through another table object and found as universal digits in the dump.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "DbDesc.h"
#include "RdmDateTimeFld.h"
#include "RdmTable.h"
#include "ServiceFixture.h"
#include "TzScope.h"

namespace {

constexpr const char* kSchema =
    "tablespace Naplo 8 1.0.0.0\n"
    "table Esemeny\n"
    "  field E_ID l 4 u\n"
    "  field E_IDO F 8 n\n"
    "  field E_BELYEG c 15 n\n";

TEST(DateTimeField, LocalValuesAreStoredAsUniversalTime) {
    const lurtest::TzScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
    lurtest::ServiceFixture service(kSchema, "DATES");
    DbDesc writerDesc;
    service.LoadDesc(writerDesc, "Naplo", 8);
    RdmTable writer(&writerDesc, "Esemeny");

    struct Row {
        int32_t id;
        short when[6];
        short stamp[6];
    };
    const Row rows[] = {
        {1, {2024, 7, 15, 12, 0, 0}, {2024, 1, 15, 12, 0, 0}},
        {2, {2024, 1, 1, 0, 30, 0}, {2024, 10, 27, 2, 59, 59}},
    };
    for (const Row& row : rows) {
        writer.ClearRecord();
        writer.Fld("E_ID").SetLong(row.id);
        RdmDateTimeFld when(writer, "E_IDO", false);
        RdmDateTimeFld stamp(writer, "E_BELYEG", false);
        ASSERT_TRUE(when.Set(row.when[0], row.when[1], row.when[2], row.when[3], row.when[4], row.when[5], true));
        ASSERT_TRUE(
            stamp.Set(row.stamp[0], row.stamp[1], row.stamp[2], row.stamp[3], row.stamp[4], row.stamp[5], true));
        writer.NewRec();
    }

    DbDesc readerDesc;
    service.LoadDesc(readerDesc, "Naplo", 8);
    RdmTable reader(&readerDesc, "Esemeny");
    reader.Fld("E_ID").SetLong(1);
    ASSERT_TRUE(reader.FindRecByKey("E_ID"));
    const RdmDateTimeFld when(reader, "E_IDO", false);
    const RdmDateTimeFld stamp(reader, "E_BELYEG", false);
    EXPECT_EQ(when.GetDouble(true), 20240715120000.0);
    EXPECT_EQ(when.GetDouble(false), 20240715100000.0);
    EXPECT_EQ(stamp.FormatDateTime(true), "2024.01.15. 12:00:00");
    EXPECT_EQ(stamp.GetHour(false), 11);

    std::string dump;
    ASSERT_EQ(service.RunAdmin("dump DATES Naplo Esemeny", &dump), 0) << dump;
    EXPECT_EQ(dump,
              "E_ID,E_IDO,E_BELYEG\n"
              "1,20240715100000,20240115110000\n"
              "2,20231231233000,20241027005959\n");

    // The server's clock through the client library.
    RdmDateTimeFld now;
    const time_t before = std::time(nullptr);
    now.SetServerTimeFromDesc(&readerDesc);
    EXPECT_GE(now.GetTimeT(), before);
    EXPECT_LE(now.GetTimeT(), std::time(nullptr));
}

}  // namespace
