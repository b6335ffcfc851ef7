// A view search and walk against the same join run straight on SQLite.
//
// The service has N masters with 10 details each (LUR_BENCH_MASTERS, default
// 10,000). The view (master MASTER, detail DETAIL linked by LINK) searches
// the masters from key N/2 + 1 on with FindGreater, then walks every
// combination with NextRecord, reading one field of each table. SQLite runs
// the same join on the same store file: one statement prepared once, bound
// and stepped to the end. Prints the joined rows per second of both (best of
// three runs), their ratio, and the client calls of one search of the view
// (counted in a run of its own, not timed).
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include "ClientCallCounter.h"
#include "ConnectionFixture.h"
#include "RdmView.h"

namespace {

constexpr const char* kSchema =
    "tablespace TS 6\n"
    "table Master\n"
    "  field K    l 4 u\n"
    "  field NAME c 12 n\n"
    "table Detail\n"
    "  field LINK l 4 d\n"
    "  field V    l 4 n\n";

constexpr int32_t kDetailsPerMaster = 10;
constexpr int kRuns = 3;

constexpr const char* kJoin =
    "SELECT m.K, d.V FROM \"TS.MASTER\" m JOIN \"TS.DETAIL\" d ON d.LINK = m.K WHERE m.K >= ? "
    "ORDER BY m.K, d.rowid";

int32_t MasterCount() {
    const char* text = std::getenv("LUR_BENCH_MASTERS");
    const long value = text ? std::strtol(text, nullptr, 10) : 0;
    return value > 0 ? static_cast<int32_t>(value) : 10000;
}

struct BenchService {
    int32_t masters = MasterCount();
    int32_t firstKey = masters / 2 + 1;
    int64_t expectedRows = static_cast<int64_t>(masters - firstKey + 1) * kDetailsPerMaster;
    lurtest::ConnectionFixture connection{kSchema, "VIEWBENCH"};

    BenchService() {
        std::string masterRows = "K,NAME\n";
        std::string detailRows = "LINK,V\n";
        for (int32_t k = 1; k <= masters; ++k) {
            masterRows += std::to_string(k) + ",M" + std::to_string(k) + "\n";
            for (int32_t d = 0; d < kDetailsPerMaster; ++d)
                detailRows += std::to_string(k) + "," + std::to_string(k * kDetailsPerMaster + d) + "\n";
        }
        connection.Load("TS", "Master", masterRows);
        connection.Load("TS", "Detail", detailRows);
    }

    std::string StorePath() {
        return std::string(std::getenv("LURDB_DATA")) + "/" + connection.Service().Service() + ".lurdb";
    }
};

// One search and walk; the joined rows, or -1 when the search fails.
int64_t SearchAndWalk(RdmView& view, int32_t firstKey, int64_t& checksum) {
    RdmStoreTab& master = view.Table("MASTER");
    RdmStoreTab& detail = view.Table("DETAIL");
    master.Fld("K").SetLong(firstKey);
    if (!view.FindGreater("K", 5)) return -1;
    int64_t rows = 0;
    while (view.NextRecord()) {
        checksum += master.Fld("K").GetLong() + detail.Fld("V").GetLong();
        ++rows;
    }
    view.EndIteration();
    return rows;
}

std::unique_ptr<RdmView> MakeView(DbDescMap& tablespaces) {
    auto view = std::make_unique<RdmView>(&tablespaces, "bench", RdmView::DefaultOptions());
    view->AddTable("", "TS", "Master", "", "", "", "");
    view->AddTable("", "TS", "Detail", "LINK", "MASTER", "K", "");
    return view;
}

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The best of a few runs of one search and walk, in joined rows per second.
double ViewRowsPerSecond(BenchService& bench, RdmView& view, int64_t& checksum) {
    double best = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        const int64_t rows = SearchAndWalk(view, bench.firstKey, checksum);
        const double seconds = Seconds(start);
        if (rows != bench.expectedRows) throw std::runtime_error("the view's walk missed rows");
        best = std::max(best, static_cast<double>(rows) / seconds);
    }
    return best;
}

// The same for the join on SQLite: prepared once, bound and stepped to the
// end in every run.
double SqliteRowsPerSecond(BenchService& bench, int64_t& checksum) {
    sqlite3* db = nullptr;
    sqlite3_stmt* join = nullptr;
    if (sqlite3_open_v2(bench.StorePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, kJoin, -1, &join, nullptr) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db);
        sqlite3_close(db);
        throw std::runtime_error("SQLite: " + message);
    }
    double best = 0;
    int64_t rows = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        sqlite3_reset(join);
        sqlite3_bind_int(join, 1, bench.firstKey);
        rows = 0;
        while (sqlite3_step(join) == SQLITE_ROW) {
            checksum += sqlite3_column_int64(join, 0) + sqlite3_column_int64(join, 1);
            ++rows;
        }
        const double seconds = Seconds(start);
        if (rows != bench.expectedRows) break;
        best = std::max(best, static_cast<double>(rows) / seconds);
    }
    sqlite3_finalize(join);
    sqlite3_close(db);
    if (rows != bench.expectedRows) throw std::runtime_error("the SQLite join missed rows");
    return best;
}

}  // namespace

int main() {
    try {
        std::printf("Setting up a service of %d masters x %d details (not timed) ...\n", MasterCount(),
                    kDetailsPerMaster);
        std::fflush(stdout);
        const auto setUp = Clock::now();
        BenchService bench;
        std::printf("Set up in %.1f s. Searching masters from %d on: %lld joined rows, best of %d runs.\n",
                    Seconds(setUp), bench.firstKey, static_cast<long long>(bench.expectedRows), kRuns);

        std::unique_ptr<RdmView> view = MakeView(bench.connection.Tablespaces());
        int64_t checksum = 0;
        const double viewRate = ViewRowsPerSecond(bench, *view, checksum);
        const double sqliteRate = SqliteRowsPerSecond(bench, checksum);

        // The client calls of one search and walk, counted apart from the timing.
        lurtest::ClientCallCounter calls;
        SearchAndWalk(*view, bench.firstKey, checksum);
        const int64_t listSearches = calls.Of("FindGreater") + calls.Of("FindList") + calls.Of("FindListOr");

        std::printf("view search + walk : %12.0f rows/s\n", viewRate);
        std::printf("SQLite join        : %12.0f rows/s\n", sqliteRate);
        std::printf("ratio SQLite/view  : %12.2f\n", sqliteRate / viewRate);
        std::printf("client calls per search: %lld (%lld list searches: 1 for the masters, 1 for their details)\n",
                    static_cast<long long>(calls.Total()), static_cast<long long>(listSearches));
        std::printf("(checksum %lld)\n", static_cast<long long>(checksum));
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_view: %s\n", error.what());
        return 1;
    }
}
