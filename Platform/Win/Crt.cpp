// The runtime's class and case tables. Two sets exist: "C" (ASCII only) and
// code page 1250, which every locale of the locale table uses, because all
// text of the system is code page 1250.
//
// Collation, kept simple: characters compare first by letter (accented
// letters share their base letter; digits and other signs come before
// letters, by code), then by accent (plain first), then by case (lower
// first). In the Hungarian locale ö/ő and ü/ű are letters of their own that
// follow o and u; digraphs (cs, dz, gy, ...) are not treated specially. The
// "C" locale compares bytes.
#include "Crt.h"

#include <array>
#include <cstring>
#include <string>

#include "Locale.h"

namespace win::crt {

namespace {

struct CaseTables {
    std::array<uint16_t, 256> classes{};
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
};

void FillAscii(CaseTables& t) {
    for (int c = 0; c < 256; ++c) {
        uint16_t bits = 0;
        if (c < 0x20 || c == 0x7F) bits |= kControl;
        if (c >= 0x09 && c <= 0x0D) bits |= kSpace;
        if (c == 0x09 || c == 0x20) bits |= kBlank;
        if (c == 0x20) bits |= kSpace;
        if (c >= '0' && c <= '9') bits |= kDigit | kHex;
        if (c >= 'A' && c <= 'Z') bits |= kUpper | kAlpha;
        if (c >= 'a' && c <= 'z') bits |= kLower | kAlpha;
        if ((c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) bits |= kHex;
        if (c > 0x20 && c < 0x7F && !(bits & (kDigit | kAlpha))) bits |= kPunct;
        t.classes[c] = bits;
        t.upper[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 0x20 : c);
        t.lower[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 0x20 : c);
    }
}

const CaseTables& CTables() {
    static const CaseTables tables = [] {
        CaseTables t;
        FillAscii(t);
        return t;
    }();
    return tables;
}

// Upper/lower pairs of code page 1250 above ASCII; ß (0xDF) and µ (0xB5)
// are lower-case letters without an upper case.
constexpr unsigned char kCp1250Pairs[][2] = {
    {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F},
    {0xA3, 0xB3}, {0xA5, 0xB9}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xBC, 0xBE},
};

const CaseTables& Cp1250Tables() {
    static const CaseTables tables = [] {
        CaseTables t;
        FillAscii(t);
        auto pair = [&t](unsigned char up, unsigned char low) {
            t.classes[up] = kUpper | kAlpha;
            t.classes[low] = kLower | kAlpha;
            t.lower[up] = low;
            t.upper[low] = up;
        };
        for (int c = 0x80; c < 0x100; ++c) t.classes[c] = kPunct;
        for (const auto& p : kCp1250Pairs) pair(p[0], p[1]);
        for (int c = 0xC0; c <= 0xDE; ++c) {
            if (c != 0xD7) pair(static_cast<unsigned char>(c), static_cast<unsigned char>(c + 0x20));
        }
        t.classes[0xDF] = kLower | kAlpha;
        t.classes[0xB5] = kLower | kAlpha;
        // Bytes the code page leaves undefined stand for C1 controls.
        for (int c : {0x81, 0x83, 0x88, 0x90, 0x98}) t.classes[c] = kControl;
        t.classes[0xA0] = kSpace | kBlank;  // no-break space
        return t;
    }();
    return tables;
}

// Collation weights of one byte; see the file comment.
struct Weight {
    uint16_t primary = 0;
    uint8_t accent = 0;
    uint8_t upper = 0;
};

using WeightTable = std::array<Weight, 256>;

WeightTable BuildWeights(bool hungarian) {
    // Letter groups in alphabet order: the plain letter first, then its
    // accented forms in code page 1250 (escaped, the source being UTF-8).
    const std::string o = hungarian ? "o\xF3\xF4" : "o\xF3\xF4\xF6\xF5";
    const std::string u = hungarian ? "u\xFA\xF9" : "u\xFA\xF9\xFC\xFB";
    std::string groups[] = {
        "a\xE1\xE2\xE3\xE4\xB9",
        "b",
        "c\xE6\xE7\xE8",
        "d\xEF\xF0",
        "e\xE9\xEA\xEB\xEC",
        "f",
        "g",
        "h",
        "i\xED\xEE",
        "j",
        "k",
        "l\xE5\xBE\xB3",
        "m\xB5",
        "n\xF1\xF2",
        o,
        hungarian ? "\xF6\xF5" : "",
        "p",
        "q",
        "r\xE0\xF8",
        "s\x9C\x9A\xBA\xDF",
        "t\x9D\xFE",
        u,
        hungarian ? "\xFC\xFB" : "",
        "v",
        "w",
        "x",
        "y\xFD",
        "z\x9F\x9E\xBF",
    };
    const CaseTables& t = Cp1250Tables();
    WeightTable w{};
    for (int c = 0; c < 256; ++c) w[c].primary = static_cast<uint16_t>(c);
    uint16_t letter = 0x100;
    for (const std::string& group : groups) {
        if (group.empty()) continue;
        for (size_t i = 0; i < group.size(); ++i) {
            const auto low = static_cast<unsigned char>(group[i]);
            const Weight lowWeight{letter, static_cast<uint8_t>(i), 0};
            w[low] = lowWeight;
            const unsigned char up = t.upper[low];
            if (up != low) w[up] = Weight{letter, static_cast<uint8_t>(i), 1};
        }
        ++letter;
    }
    return w;
}

struct RuntimeLocale {
    std::string name;
    const CaseTables* tables;
    const WeightTable* weights;  // null: byte order
};

RuntimeLocale& Current() {
    static RuntimeLocale current{"C", &CTables(), nullptr};
    return current;
}

int Byte(int c) { return (c < -1 && c >= -128) ? (c & 0xFF) : c; }

int CompareWeighted(const WeightTable& w, const unsigned char* a, const unsigned char* b, bool ignoreCase) {
    const size_t na = std::strlen(reinterpret_cast<const char*>(a));
    const size_t nb = std::strlen(reinterpret_cast<const char*>(b));
    const size_t n = na < nb ? na : nb;
    for (int level = 0; level < (ignoreCase ? 2 : 3); ++level) {
        for (size_t i = 0; i < n; ++i) {
            const Weight& x = w[a[i]];
            const Weight& y = w[b[i]];
            const int d = level == 0 ? x.primary - y.primary : level == 1 ? x.accent - y.accent : x.upper - y.upper;
            if (d != 0) return d < 0 ? -1 : 1;
        }
        if (level == 0 && na != nb) return na < nb ? -1 : 1;
    }
    return 0;
}

const WeightTable& WeightsOf(LCID lcid) {
    static const WeightTable hungarianWeights = BuildWeights(true);
    static const WeightTable generalWeights = BuildWeights(false);
    const bool hungarian = PrimaryLangId(LangIdFromLcid(lcid)) == PrimaryLangId(LCID_HUNGARIAN);
    return hungarian ? hungarianWeights : generalWeights;
}

int Collate(const WeightTable* w, const char* a, const char* b) {
    if (w == nullptr) {
        const int d = std::strcmp(a, b);
        return d < 0 ? -1 : d > 0 ? 1 : 0;
    }
    return CompareWeighted(*w, reinterpret_cast<const unsigned char*>(a), reinterpret_cast<const unsigned char*>(b),
                           false);
}

}  // namespace

const char* SetLocale(const char* name) {
    if (name == nullptr) return Current().name.c_str();
    if (std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0) {
        Current() = RuntimeLocale{"C", &CTables(), nullptr};
        return Current().name.c_str();
    }
    const LCID lcid = *name == '\0' ? GetUserDefaultLCID() : LocaleFromName(name);
    if (lcid == 0) return nullptr;
    Current() = RuntimeLocale{WindowsLocaleName(lcid), &Cp1250Tables(), &WeightsOf(lcid)};
    return Current().name.c_str();
}

const char* LocaleName() { return Current().name.c_str(); }

uint16_t CharClass(int c) {
    c = Byte(c);
    return (c >= 0 && c < 256) ? Current().tables->classes[c] : 0;
}

bool IsType(int c, uint16_t bits) { return (CharClass(c) & bits) != 0; }

int ToUpper(int c) {
    const int b = Byte(c);
    return (b >= 0 && b < 256) ? Current().tables->upper[b] : c;
}

int ToUpperCp1250(int c) {
    const int b = Byte(c);
    return (b >= 0 && b < 256) ? Cp1250Tables().upper[b] : c;
}

std::string UpperCp1250(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(ToUpperCp1250(static_cast<unsigned char>(c)));
    return upper;
}

int ToLower(int c) {
    const int b = Byte(c);
    return (b >= 0 && b < 256) ? Current().tables->lower[b] : c;
}

char* StrUpr(char* text) {
    if (text == nullptr) return text;
    const auto& upper = Current().tables->upper;
    for (char* p = text; *p; ++p) *p = static_cast<char>(upper[static_cast<unsigned char>(*p)]);
    return text;
}

bool IsUpperText(const char* text, size_t length) {
    const auto& upper = Current().tables->upper;
    for (size_t i = 0; i < length && text[i] != '\0'; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (upper[c] != c) return false;
    }
    return true;
}

char* StrLwr(char* text) {
    if (text == nullptr) return text;
    const auto& lower = Current().tables->lower;
    for (char* p = text; *p; ++p) *p = static_cast<char>(lower[static_cast<unsigned char>(*p)]);
    return text;
}

int StrNICmp(const char* a, const char* b, unsigned count) {
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    for (unsigned i = 0; i < count; ++i) {
        const int d = ToLower(x[i]) - ToLower(y[i]);
        if (d != 0 || x[i] == 0) return d;
    }
    return 0;
}

int StrICmp(const char* a, const char* b) { return StrNICmp(a, b, ~0u); }

int StrColl(const char* a, const char* b) { return Collate(Current().weights, a, b); }

int StrCollIn(LCID lcid, const char* a, const char* b) { return Collate(lcid != 0 ? &WeightsOf(lcid) : nullptr, a, b); }

int StrIColl(const char* a, const char* b) {
    const WeightTable* w = Current().weights;
    if (w == nullptr) return StrICmp(a, b);
    return CompareWeighted(*w, reinterpret_cast<const unsigned char*>(a), reinterpret_cast<const unsigned char*>(b),
                           true);
}

}  // namespace win::crt
