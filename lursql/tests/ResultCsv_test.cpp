// The rows of a result view as lursql prints them: the select list's
// aliases or names as the header, one CSV line per row, UTF-8.
#include "ResultCsv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ConnectionFixture.h"

namespace {

// What WriteResultCsv writes, caught in memory.
std::string Written(RdmView& view, const SqlSelectList& columns) {
    char* bytes = nullptr;
    size_t size = 0;
    win::CheckedOutput out(open_memstream(&bytes, &size), "memory");
    WriteResultCsv(out, view, columns);
    EXPECT_TRUE(out.Close());
    std::string text(bytes, size);
    std::free(bytes);
    return text;
}

TEST(ResultCsv, PrintsTheSelectedColumnsOfEveryRow) {
    lurtest::ConnectionFixture fixture(
        "tablespace Car 7 1.0.0.0\n"
        "table Gepjarmu\n"
        "  field GJ_ID l 4 u\n"
        "  field Rendszam c 11 d\n",
        "CSVSVC");
    // "ÁRVÍZ, 1" needs quoting; the accented letters come back as UTF-8.
    fixture.Load("Car", "Gepjarmu", "GJ_ID,Rendszam\n1,\"\xC3\x81RV\xC3\x8DZ, 1\"\n2,BBB-222\n");
    RdmView view(&fixture.Tablespaces(), "SQLEXEC", DbDesc::DefaultTableOptions());
    view.AddTable("", "CAR", "GEPJARMU", "", "", "", "");
    ASSERT_TRUE(view.FindList("", 5));

    const SqlSelectList columns{{"GEPJARMU", "RENDSZAM", "Plate"}, {"GEPJARMU", "GJ_ID", ""}};
    EXPECT_EQ(Written(view, columns), "Plate,GJ_ID\n\"\xC3\x81RV\xC3\x8DZ, 1\",1\nBBB-222,2\n");
    EXPECT_EQ(Written(view, {}), "");
}

}  // namespace
