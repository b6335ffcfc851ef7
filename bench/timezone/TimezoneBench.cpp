// Local <-> universal time of the date classes against the C library's
// localtime_r / mktime, on the same 1,000,000 moments and the same TZ rule.
// The date classes query the zone on every conversion (so a changed TZ
// counts at once) and keep each year's daylight-saving window. Reports
// conversions per second and the count of results that differ from the C
// library's (expected 0 outside the repeated hour of the autumn change).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "LurDateTime.h"
#include "LurDateWin32.h"

namespace {

constexpr const char* kZone = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr int kValues = 1000000;

// Moments spread over 2000-2030 (universal time), as time_t and as values.
struct Moments {
    std::vector<time_t> times;
    std::vector<lurDate::DateTimeValue> values;

    Moments() {
        const time_t first = 946684800;          // 2000-01-01
        const time_t span = 1893456000 - first;  // to 2030-01-01
        times.reserve(kValues);
        values.reserve(kValues);
        for (int i = 0; i < kValues; ++i) {
            const time_t t = first + static_cast<time_t>((static_cast<long long>(i) * 7919 % kValues) * span / kValues);
            times.push_back(t);
            values.push_back(lurDate::FromTimeT(t));
        }
    }
};

const Moments& Data() {
    static const Moments moments;
    return moments;
}

lurDate::DateTimeValue FromTm(const std::tm& t) {
    lurDate::DateTimeValue v;
    lurDate::SetDate(v.date, static_cast<short>(t.tm_year + 1900), static_cast<short>(t.tm_mon + 1),
                     static_cast<short>(t.tm_mday), false, false);
    lurDate::SetTime(v, static_cast<short>(t.tm_hour), static_cast<short>(t.tm_min), static_cast<short>(t.tm_sec),
                     false, false);
    return v;
}

void Rate(benchmark::State& state, long long differing) {
    state.counters["conversions"] = benchmark::Counter(static_cast<double>(kValues), benchmark::Counter::kIsRate);
    state.counters["differing"] = static_cast<double>(differing);
}

void UtcToLocal(benchmark::State& state) {
    const Moments& data = Data();
    long long differing = 0;
    for (auto _ : state) {
        for (int i = 0; i < kValues; ++i) benchmark::DoNotOptimize(lurDate::UtcToLocal(data.values[i]));
    }
    for (int i = 0; i < kValues; ++i) {
        std::tm local{};
        localtime_r(&data.times[i], &local);
        if (lurDate::UtcToLocal(data.values[i]) != FromTm(local)) ++differing;
    }
    Rate(state, differing);
}

void LocaltimeR(benchmark::State& state) {
    const Moments& data = Data();
    for (auto _ : state) {
        std::tm local{};
        for (int i = 0; i < kValues; ++i) benchmark::DoNotOptimize(localtime_r(&data.times[i], &local));
    }
    Rate(state, 0);
}

// The local fields of every moment, for the way back.
const std::vector<std::tm>& LocalFields() {
    static const std::vector<std::tm> fields = [] {
        std::vector<std::tm> out(kValues);
        for (int i = 0; i < kValues; ++i) localtime_r(&Data().times[i], &out[i]);
        return out;
    }();
    return fields;
}

void LocalToUtc(benchmark::State& state) {
    const std::vector<std::tm>& fields = LocalFields();
    std::vector<lurDate::DateTimeValue> locals;
    locals.reserve(kValues);
    for (const std::tm& t : fields) locals.push_back(FromTm(t));
    for (auto _ : state) {
        for (int i = 0; i < kValues; ++i) benchmark::DoNotOptimize(lurDate::LocalToUtc(locals[i]));
    }
    long long differing = 0;
    for (int i = 0; i < kValues; ++i)
        if (lurDate::LocalToUtc(locals[i]) != Data().values[i]) ++differing;
    Rate(state, differing);
}

void Mktime(benchmark::State& state) {
    const std::vector<std::tm>& fields = LocalFields();
    for (auto _ : state) {
        for (int i = 0; i < kValues; ++i) {
            std::tm copy = fields[i];
            copy.tm_isdst = -1;
            benchmark::DoNotOptimize(mktime(&copy));
        }
    }
    Rate(state, 0);
}

BENCHMARK(UtcToLocal)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LocaltimeR)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LocalToUtc)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Mktime)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    setenv("TZ", kZone, 1);
    tzset();
    Data();
    LocalFields();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
