// DbDesc: aggregates of one field over a table's selected list. Values are
// read from the list's records, not through the record buffer, so the
// buffer and the position stay as they were.
#include <cstdio>

#include "DbDesc.h"
#include "DbDescError.h"
#include "RdmFld.h"

namespace {

constexpr int kBadAggregateKind = 2007;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\DbDesc"};

}  // namespace

std::string DbDesc::AggregateNumberText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string DbDesc::Aggregate(std::string& out, const std::string& table, const std::string& field, int32_t kind) {
    const int32_t index = RecTypeOrThrow(table, Here, __LINE__) - kRecTypeBase;
    if (!(kind == kAggregateCount && field == "*")) FieldNoOrThrow(table, field, Here(__LINE__));
    if (kind < kAggregateCount || kind > kAggregateMinimum)
        throw DbDescError(kBadAggregateKind, Here(__LINE__), StrVector(table));

    const RecordList& list = GetListAt(index);
    const int32_t count = list.Count();
    if (kind == kAggregateCount) return out = std::to_string(count);

    // Detached fields read each record's bytes by the field's own rules (a
    // text ends at its zero or at the field's length, whichever is first).
    RdmFld best(this, table, field, true);
    RdmFld candidate(this, table, field, true);
    const int32_t offset = FieldOffset(table, field);
    const auto valueAt = [&](int32_t i) { return list.RecordAt(i) + offset; };

    if (kind == kAggregateSum || kind == kAggregateAverage) {
        if (count == 0) return out = "0";
        double sum = 0;
        for (int32_t i = 0; i < count; ++i) {
            candidate.SetRaw(valueAt(i));
            sum += candidate.GetDouble();
        }
        return out = AggregateNumberText(kind == kAggregateSum ? sum : sum / count);
    }

    if (count == 0) {
        best.SetInt(0);
        return out = best.GetString();
    }
    // Among equal values the first record wins.
    best.SetRaw(valueAt(0));
    for (int32_t i = 1; i < count; ++i) {
        candidate.SetRaw(valueAt(i));
        if (kind == kAggregateMaximum ? best < candidate : best > candidate) best.SetRaw(valueAt(i));
    }
    return out = best.GetString();
}
