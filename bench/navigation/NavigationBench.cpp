// Walks a table of vehicles by its key, one server move per record, and
// finds each vehicle's log row in a second table by key: the access pattern
// of the emission-data transfer. Reports records per second, outside a
// transaction (every call its own read) and inside one, each beside the same
// statements run straight on SQLite (RawSqliteWalk.c) on the same store.
// WalkBesideRaw runs both walks outside a transaction in turns, a slice of
// vehicles each, and reports the median of the slices' ratios: on a shared
// machine whose speed drifts, the steady form of the first comparison.
//
// LUR_BENCH_RECORDS sets the table size (default 1,000,000); the service is
// made once, in a temporary directory, before the timing starts.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "RawSqliteWalk.h"
#include "RdmTable.h"
#include "ServiceFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Bench 8\n"
    "table Vehicle\n"
    "  field ID    l 4  u\n"
    "  field PLATE c 11 d\n"
    "  field LOGID l 4  d\n"
    "table Log\n"
    "  field LOGID l 4  u\n"
    "  field CO2   F 8  n\n";

int32_t RecordCount() {
    const char* text = std::getenv("LUR_BENCH_RECORDS");
    const long value = text ? std::strtol(text, nullptr, 10) : 0;
    return value > 0 ? static_cast<int32_t>(value) : 1000000;
}

// Vehicle ids ascend while their log ids run the other way round, so the
// finds do not follow the walk's order.
struct BenchService {
    int32_t records = RecordCount();
    lurtest::ServiceFixture service{kSchema, "BENCHSVC"};
    DbDesc desc;

    BenchService() {
        std::string vehicles = "ID,PLATE,LOGID\n";
        std::string logs = "LOGID,CO2\n";
        vehicles.reserve(static_cast<size_t>(records) * 24);
        logs.reserve(static_cast<size_t>(records) * 16);
        for (int32_t i = 1; i <= records; ++i) {
            vehicles += std::to_string(i) + ",P" + std::to_string(i) + "," + std::to_string(records + 1 - i) + "\n";
            logs += std::to_string(i) + "," + std::to_string(i % 300) + ".5\n";
        }
        service.Load("Bench", "Vehicle", vehicles);
        service.Load("Bench", "Log", logs);
        service.LoadDesc(desc, "Bench", 8);
    }
};

BenchService& Service() {
    static BenchService service;
    return service;
}

std::string StorePath(const BenchService& bench) {
    return std::string(std::getenv("LURDB_DATA")) + "/" + bench.service.Service() + ".lurdb";
}

// The two tables of a walk, with the fields it reads and sets kept as
// handles, as the transfer keeps its fields.
struct WalkTables {
    RdmTable vehicles;
    RdmTable logs;
    RdmFld& vehicleLogId;
    RdmFld& logId;

    explicit WalkTables(DbDesc& desc)
        : vehicles(&desc, "Vehicle"),
          logs(&desc, "Log"),
          vehicleLogId(vehicles.Fld("LOGID")),
          logId(logs.Fld("LOGID")) {
        logs.DefineKey("LOGID");
    }
    // The walk's work for the vehicle the table stands on: its log row
    // found by key. False when the log row is missing.
    bool FindLog() {
        logId.SetLong(vehicleLogId.GetLong());
        return logs.FindRec();
    }
};

// The walk through the library; state.range(0) non-zero: inside one transaction.
void WalkWithKeyedFinds(benchmark::State& state) {
    BenchService& bench = Service();
    const bool inTransaction = state.range(0) != 0;
    WalkTables tables(bench.desc);
    int64_t walked = 0;
    int64_t found = 0;
    for (auto _ : state) {
        if (inTransaction) bench.desc.BeginTrans("BENCH", true);
        for (bool more = tables.vehicles.MoveByKey(0, "ID"); more; more = tables.vehicles.Move(2)) {
            ++walked;
            if (tables.FindLog()) ++found;
        }
        if (inTransaction) bench.desc.EndTrans(true);
    }
    if (found != walked) state.SkipWithError("a log row was not found");
    state.counters["records"] = benchmark::Counter(static_cast<double>(walked), benchmark::Counter::kIsRate);
}

// The same pattern straight on SQLite, on the service's store.
void RawSqliteWalkWithKeyedFinds(benchmark::State& state) {
    BenchService& bench = Service();
    const std::string store = StorePath(bench);
    int64_t walked = 0;
    for (auto _ : state) {
        const long long count = RawSqliteWalk(store.c_str(), state.range(0) != 0 ? 1 : 0);
        if (count != bench.records) {
            state.SkipWithError("the raw walk failed or missed records");
            return;
        }
        walked += count;
    }
    state.counters["records"] = benchmark::Counter(static_cast<double>(walked), benchmark::Counter::kIsRate);
}

// Outside a transaction: the library walks a slice of vehicles, then the raw
// walk the same slice (in turns which goes first), each slice timed.
void WalkBesideRaw(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    constexpr int32_t kSlice = 10000;
    BenchService& bench = Service();
    std::vector<double> ratios;  // per slice: the library's speed over the raw walk's
    double librarySeconds = 0;
    double rawSeconds = 0;
    int64_t walked = 0;
    for (auto _ : state) {
        RawWalk* raw = RawWalkOpen(StorePath(bench).c_str(), 0);
        if (raw == nullptr) {
            state.SkipWithError("the raw walk could not start");
            return;
        }
        WalkTables tables(bench.desc);
        bool started = false;
        bool more = true;
        bool failed = false;
        for (int slice = 0; more && !failed; ++slice) {
            int32_t count = 0;
            const auto walkLibrary = [&] {
                const auto start = Clock::now();
                for (more = started ? tables.vehicles.Move(2) : tables.vehicles.MoveByKey(0, "ID"); more;
                     more = tables.vehicles.Move(2)) {
                    started = true;
                    if (!tables.FindLog()) failed = true;
                    if (++count == kSlice) break;
                }
                return std::chrono::duration<double>(Clock::now() - start).count();
            };
            long long rawCount = 0;
            const auto walkRaw = [&](long long vehicles) {
                const auto start = Clock::now();
                rawCount = RawWalkSteps(raw, vehicles);
                return std::chrono::duration<double>(Clock::now() - start).count();
            };
            double library = 0;
            double rawTime = 0;
            if (slice % 2 == 0) {
                library = walkLibrary();
                rawTime = walkRaw(count);
            } else {  // the raw walk first, as far as a whole slice goes
                rawTime = walkRaw(kSlice);
                library = walkLibrary();
            }
            if (rawCount != count) failed = true;
            if (count == 0) break;
            walked += count;
            librarySeconds += library;
            rawSeconds += rawTime;
            if (count == kSlice) ratios.push_back(rawTime / library);
        }
        RawWalkClose(raw);
        if (failed || walked != bench.records) {
            state.SkipWithError("the walks failed or disagree");
            return;
        }
    }
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios.empty() ? 0 : ratios[ratios.size() / 2];
    state.counters["records"] = benchmark::Counter(static_cast<double>(walked) / librarySeconds);
    state.counters["raw_records"] = benchmark::Counter(static_cast<double>(walked) / rawSeconds);
    state.counters["ratio_median"] = benchmark::Counter(median);
}

}  // namespace

// Argument: 0 every call on its own, 1 inside one transaction.
BENCHMARK(WalkWithKeyedFinds)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(RawSqliteWalkWithKeyedFinds)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(WalkBesideRaw)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The service is made before the library's report starts, saying so, as it
// takes a while for the default size.
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::printf("Setting up a service of %d vehicles and log rows (not timed) ...\n", RecordCount());
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    Service();
    std::printf("Set up in %.1f s.\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    std::fflush(stdout);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
