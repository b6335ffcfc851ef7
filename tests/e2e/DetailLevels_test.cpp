// Joins over detail levels whose owner rows are of both kinds (case twins
// that search alone beside values one search serves), through a view and
// through lursql, against the join worked out without the table layer:
// no row lost, none added.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ConnectionFixture.h"
#include "LurSqlFixture.h"
#include "MixedOwners.h"
#include "RdmView.h"

namespace {

constexpr unsigned kSeeds[] = {0, 1, 2, 3, 4, 5};

lurtest::MixedOwnersRows RowsOf(unsigned seed) {
    return seed == 0 ? lurtest::MixedOwnersRows{} : lurtest::RandomMixedOwnersRows(seed);
}

TEST(DetailLevels, AViewWalksEveryRowOfTheJoin) {
    for (const unsigned seed : kSeeds) {
        for (const bool exact : {false, true}) {
            SCOPED_TRACE("seed " + std::to_string(seed) + (exact ? ", exact link" : ""));
            const lurtest::MixedOwnersRows rows = RowsOf(seed);
            lurtest::ConnectionFixture service(lurtest::kMixedOwnersSchema);
            service.Load("Mixed", "Heads", rows.heads);
            service.Load("Mixed", "Mids", rows.mids);
            service.Load("Mixed", "Subs", rows.subs);

            RdmView view(&service.Tablespaces(), "chain", RdmView::DefaultOptions());
            view.AddTable("", "Mixed", "Heads", "", "", "", "");
            view.AddTable("", "Mixed", "Mids", exact ? "XCODE" : "CODE", "HEADS", "CODE", "");
            view.AddTable("", "Mixed", "Subs", "SUB", "MIDS", "SUB", "");
            std::vector<lurtest::MixedJoinRow> walked;
            if (view.FindList("", 0)) {
                view.StartIteration();
                while (view.NextRecord()) {
                    walked.push_back({view.Table("HEADS").Fld("ID").GetLong(), view.Table("MIDS").Fld("ID").GetLong(),
                                      view.Table("SUBS").Fld("ID").GetLong()});
                }
                view.EndIteration();
            }
            std::sort(walked.begin(), walked.end());
            EXPECT_EQ(walked, lurtest::MixedOwnersJoin(rows, exact));
        }
    }
}

class DetailLevelsSqlTest : public lurtest::LurSqlFixture {
protected:
    DetailLevelsSqlTest() : LurSqlFixture(lurtest::kMixedOwnersSchema) {}

    void LoadRows(const lurtest::MixedOwnersRows& rows) const {
        service.Load("Mixed", "Heads", rows.heads);
        service.Load("Mixed", "Mids", rows.mids);
        service.Load("Mixed", "Subs", rows.subs);
    }
};

TEST_F(DetailLevelsSqlTest, AJoinPrintsTheRowsOfOwnersBesideCaseTwins) {
    LoadRows(lurtest::MixedOwnersRows{});
    const lurtest::ProgramRun run =
        Script("SELECT Heads.ID, Heads.CODE, Mids.ID FROM Heads, Mids WHERE Mids.CODE = Heads.CODE;\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "ID,CODE,ID\n3,xyz,60\n3,xyz,70\n2 row selected.\n");
}

TEST_F(DetailLevelsSqlTest, AThreeTableJoinPrintsEveryRowOfTheJoin) {
    for (const unsigned seed : kSeeds) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Script(
            "DELETE FROM Heads WHERE ID >= 0;\nDELETE FROM Mids WHERE ID >= 0;\nDELETE FROM Subs WHERE ID >= 0;\n"
            "COMMIT;\n");
        const lurtest::MixedOwnersRows rows = RowsOf(seed);
        LoadRows(rows);
        const lurtest::ProgramRun run = Script(
            "SELECT Heads.ID, Mids.ID, Subs.ID FROM Heads, Mids, Subs "
            "WHERE Mids.CODE = Heads.CODE AND Subs.SUB = Mids.SUB;\n");
        EXPECT_EQ(run.status, 0) << run.err;
        std::vector<lurtest::MixedJoinRow> printed;
        std::istringstream lines(run.out);
        std::string line;
        std::getline(lines, line);  // the header
        while (std::getline(lines, line) && line.find("row selected") == std::string::npos) {
            lurtest::MixedJoinRow row{};
            char comma = 0;
            std::istringstream(line) >> row[0] >> comma >> row[1] >> comma >> row[2];
            printed.push_back(row);
        }
        std::sort(printed.begin(), printed.end());
        const std::vector<lurtest::MixedJoinRow> expected = lurtest::MixedOwnersJoin(rows, false);
        EXPECT_EQ(printed, expected);
        EXPECT_NE(run.out.find(std::to_string(expected.size()) + " row selected."), std::string::npos) << run.out;
    }
}

}  // namespace
