// Character classes (see LurCharClass.h).

#include "LurCharClass.h"

#include <cstdint>

#include "Crt.h"

namespace lurutils {

namespace {

using namespace win::crt;

// The runtime's classification functions, on its own tables.
template <uint16_t Bits>
int TestBits(int c) {
    return IsType(c, Bits) ? 1 : 0;
}

struct ClassEntry {
    short mask;
    CtypeFunc function;
    std::ctype_base::mask facetMask;
};

constexpr uint16_t kAlphaBits = kUpper | kLower | kAlpha;
constexpr uint16_t kAlnumBits = kAlphaBits | kDigit;
constexpr uint16_t kGraphBits = kAlnumBits | kPunct;

// Printable: the graphic characters and the blanks that are no control
// characters (the tab is a blank of the table, but not printable).
int TestPrint(int c) { return IsType(c, kGraphBits) || (IsType(c, kBlank) && !IsType(c, kControl)) ? 1 : 0; }

const ClassEntry kClasses[] = {
    {ClassUpper, &TestBits<kUpper>, std::ctype_base::upper},
    {ClassLower, &TestBits<kLower>, std::ctype_base::lower},
    {ClassDigit, &TestBits<kDigit>, std::ctype_base::digit},
    {ClassPunct, &TestBits<kPunct>, std::ctype_base::punct},
    {ClassCntrl, &TestBits<kControl>, std::ctype_base::cntrl},
    {ClassSpace, &TestBits<kSpace>, std::ctype_base::space},
    {ClassXDigit, &TestBits<kHex>, std::ctype_base::xdigit},
    {ClassAlpha, &TestBits<kAlphaBits>, std::ctype_base::alpha},
    {ClassAlnum, &TestBits<kAlnumBits>, std::ctype_base::alnum},
    {ClassGraph, &TestBits<kGraphBits>, std::ctype_base::graph},
    {ClassPrint, &TestPrint, std::ctype_base::print},
};

const ClassEntry* FindEntry(short mask) {
    for (const ClassEntry& entry : kClasses) {
        if (entry.mask == mask) return &entry;
    }
    return nullptr;
}

// Membership of one character in one class: the locale's ctype facet when
// there is one, else the runtime's function. An unsupported mask has no
// members.
class ClassTest {
public:
    explicit ClassTest(const std::locale* loc)
        : m_facet(loc != nullptr && std::has_facet<std::ctype<char>>(*loc) ? &std::use_facet<std::ctype<char>>(*loc)
                                                                           : nullptr) {}

    bool Has(short mask, char c) const {
        const ClassEntry* entry = FindEntry(mask);
        if (entry == nullptr) return false;
        if (m_facet != nullptr) return m_facet->is(entry->facetMask, c);
        return entry->function(static_cast<unsigned char>(c)) != 0;
    }

    bool HasAny(const std::vector<short>& masks, char c) const {
        for (short mask : masks) {
            if (Has(mask, c)) return true;
        }
        return false;
    }

private:
    const std::ctype<char>* m_facet;
};

// The scan of FindClass/FindAnyClass for any membership test.
template <class Member>
unsigned ScanClass(const std::string& text, unsigned pos, unsigned count, bool having, unsigned* runLength,
                   Member member) {
    CheckRange(text, pos, count);
    const unsigned end = pos + count;
    unsigned first = pos;
    while (first < end && member(text[first]) != having) ++first;
    if (runLength != nullptr) {
        unsigned next = first;
        while (next < end && member(text[next]) == having) ++next;
        *runLength = next - first;
    }
    return first == text.size() ? npos : first;
}

}  // namespace

CtypeFunc CtypeFunction(short mask) {
    const ClassEntry* entry = FindEntry(mask);
    return entry != nullptr ? entry->function : nullptr;
}

bool IsClass(short mask, const std::string& text, unsigned pos, unsigned count, const std::locale* loc) {
    CheckRange(text, pos, count);
    if (count == 0) return false;
    const ClassTest test(loc);
    for (unsigned i = pos; i < pos + count; ++i) {
        if (!test.Has(mask, text[i])) return false;
    }
    return true;
}

bool IsDigit(const std::string& text, unsigned pos, unsigned count, const std::locale* loc) {
    return IsClass(ClassDigit, text, pos, count, loc);
}

bool IsPunct(const std::string& text, unsigned pos, unsigned count, const std::locale* loc) {
    return IsClass(ClassPunct, text, pos, count, loc);
}

bool IsSpace(const std::string& text, unsigned pos, unsigned count, const std::locale* loc) {
    return IsClass(ClassSpace, text, pos, count, loc);
}

bool IsAnyClass(const std::vector<short>& masks, const std::string& text, unsigned pos, unsigned count,
                const std::locale* loc) {
    CheckRange(text, pos, count);
    const ClassTest test(loc);
    for (unsigned i = pos; i < pos + count; ++i) {
        if (!test.HasAny(masks, text[i])) return false;
    }
    return true;
}

unsigned FindClass(const std::string& text, short mask, unsigned pos, unsigned count, const std::locale* loc,
                   bool having, unsigned* runLength) {
    const ClassTest test(loc);
    return ScanClass(text, pos, count, having, runLength, [&](char c) { return test.Has(mask, c); });
}

unsigned FindAnyClass(const std::vector<short>& masks, const std::string& text, unsigned pos, unsigned count,
                      const std::locale* loc, bool having, unsigned* runLength) {
    const ClassTest test(loc);
    return ScanClass(text, pos, count, having, runLength, [&](char c) { return test.HasAny(masks, c); });
}

void SplitByClass(const std::string& text, std::vector<std::string>& list, short mask, unsigned pos, unsigned count,
                  const std::locale* loc, bool clearFirst) {
    CheckRange(text, pos, count);
    if (clearFirst) list.clear();
    const ClassTest test(loc);
    const unsigned end = pos + count;
    unsigned at = pos;
    while (true) {
        while (at < end && !test.Has(mask, text[at])) ++at;
        if (at >= end) break;
        unsigned runEnd = at;
        while (runEnd < end && test.Has(mask, text[runEnd])) ++runEnd;
        list.push_back(text.substr(at, runEnd - at));
        at = runEnd;
    }
}

}  // namespace lurutils
