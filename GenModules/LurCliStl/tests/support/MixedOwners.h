// Test support: a three-level chain whose owner rows are of both kinds for
// the detail loads: values one OR-search serves, and values that must search
// alone because the store tells apart what the client's comparison folds
// (text differing only in ASCII case, with accented letters inside too, and
// an exact key). Heads own Mids by CODE (or by the exact XCODE); Mids own
// Subs by SUB. Besides the rows, the join a reader expects of them, worked
// out here without the table layer.
#pragma once

#include <algorithm>
#include <array>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace lurtest {

inline constexpr const char* kMixedOwnersSchema =
    "tablespace Mixed 9\n"
    "table Heads\n"
    "  field ID    l 4 u\n"
    "  field CODE  c 8 d\n"
    "table Mids\n"
    "  field ID    l 4 u\n"
    "  field CODE  c 8 d\n"
    "  field XCODE c 8 d exact\n"
    "  field SUB   c 8 d\n"
    "table Subs\n"
    "  field ID    l 4 u\n"
    "  field SUB   c 8 d\n";
inline constexpr int32_t kMixedOwnersDbNo = 9;

// The rows as lurdbadm loads them (CSV in UTF-8, header first).
struct MixedOwnersRows {
    // Heads 1 and 2 are case twins; head 3 is served by the one search.
    std::string heads = "ID,CODE\n1,abc\n2,ABC\n3,xyz\n";
    std::string mids = "ID,CODE,XCODE,SUB\n60,xyz,xyz,w\n70,xyz,XYZ,W\n";
    std::string subs = "ID,SUB\n200,W\n";
};

// Rows drawn from values with case twins that find rows and that find none
// ("nnn" is only ever an owner's value), accented twins ("ábc", "áBC"),
// repeats and the empty value, after the fixed rows above.
inline MixedOwnersRows RandomMixedOwnersRows(unsigned seed) {
    static const std::vector<std::string> values{"abc",
                                                 "ABC",
                                                 "Abc",
                                                 "xyz",
                                                 "q",
                                                 "",
                                                 "nnn",
                                                 "NNN",
                                                 "\xC3\xA1"
                                                 "bc",
                                                 "\xC3\xA1"
                                                 "BC",
                                                 "\xC3\x81"
                                                 "bc",
                                                 "w"};
    std::mt19937 random(seed);
    const auto value = [&](bool ownerOnly) {
        for (;;) {
            const std::string& v = values[random() % values.size()];
            if (ownerOnly || (v != "nnn" && v != "NNN")) return v;
        }
    };
    MixedOwnersRows rows;
    for (int id = 4; id < 30; ++id) rows.heads += std::to_string(id) + "," + value(true) + "\n";
    for (int id = 100; id < 140; ++id)
        rows.mids += std::to_string(id) + "," + value(false) + "," + value(false) + "," + value(true) + "\n";
    for (int id = 201; id < 240; ++id) rows.subs += std::to_string(id) + "," + value(false) + "\n";
    return rows;
}

// Head, mid and sub ids of one row of the join.
using MixedJoinRow = std::array<int, 3>;

// The rows of Heads, Mids and Subs joined by Mids.CODE (or Mids.XCODE when
// exact) = Heads.CODE and Subs.SUB = Mids.SUB, as the store compares them:
// ASCII letters without case, unless exact; sorted.
inline std::vector<MixedJoinRow> MixedOwnersJoin(const MixedOwnersRows& rows, bool exact) {
    const auto records = [](const std::string& csv) {
        std::vector<std::vector<std::string>> parsed;
        std::istringstream lines(csv);
        std::string line;
        std::getline(lines, line);  // the header
        while (std::getline(lines, line)) {
            std::vector<std::string> fields(1);
            for (const char c : line) {
                if (c == ',')
                    fields.emplace_back();
                else
                    fields.back() += c;
            }
            parsed.push_back(fields);
        }
        return parsed;
    };
    const auto same = [](std::string a, std::string b, bool exactly) {
        if (!exactly) {
            for (std::string* text : {&a, &b})
                std::transform(text->begin(), text->end(), text->begin(),
                               [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
        }
        return a == b;
    };
    std::vector<MixedJoinRow> joined;
    for (const auto& head : records(rows.heads))
        for (const auto& mid : records(rows.mids))
            if (same(mid[exact ? 2 : 1], head[1], exact))
                for (const auto& sub : records(rows.subs))
                    if (same(sub[1], mid[3], false))
                        joined.push_back({std::stoi(head[0]), std::stoi(mid[0]), std::stoi(sub[0])});
    std::sort(joined.begin(), joined.end());
    return joined;
}

}  // namespace lurtest
