// String functions of the utility library (see LurStrings.h).

#include "LurStrings.h"

#include <cstring>
#include <functional>
#include <string_view>

#include "Crt.h"
#include "LurCharClass.h"
#include "LurExceptBaseArg.h"

namespace lurutils {

namespace {

unsigned SizeOf(const std::string& text) { return static_cast<unsigned>(text.size()); }

[[noreturn]] void ThrowRangeError(const std::string& text, unsigned pos) {
    throw LurExceptBaseArg(10, StrVector() << text << "\r\npos, size: " << pos << SizeOf(text));
}

const std::ctype<char>* CtypeFacet(const std::locale* loc) {
    if (loc == nullptr || !std::has_facet<std::ctype<char>>(*loc)) return nullptr;
    return &std::use_facet<std::ctype<char>>(*loc);
}

// The text side of the case-insensitive searches: with the locale when one
// is given, else as the runtime upper-cases.
std::string UpperForSearch(const std::string& text, const std::locale* loc) {
    return loc != nullptr ? ToUpper(text, loc) : ToUpper(text);
}

bool IsAlnumChar(char c) { return CtypeFunction(ClassAlnum)(static_cast<unsigned char>(c)) != 0; }

// A match at p is a whole word when no alphanumeric character touches it.
bool IsWholeWord(const std::string& text, std::size_t p, std::size_t length) {
    if (p > 0 && IsAlnumChar(text[p - 1])) return false;
    return p + length >= text.size() || !IsAlnumChar(text[p + length]);
}

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// Appends one piece of a split, upper-cased when asked.
void AppendPiece(std::vector<std::string>& list, std::string piece, bool upperCase) {
    list.push_back(upperCase && !piece.empty() ? ToUpper(piece) : std::move(piece));
}

// Cuts pieces longer than width at the last blank at or before width, or
// hard at width when that blank would leave a line shorter than
// width - threshold; appends every line but the last and returns what is left.
std::string WrapPiece(std::string piece, std::vector<std::string>& list, bool upperCase, unsigned width,
                      unsigned threshold, bool skipAllBlanks) {
    while (piece.size() > width) {
        std::size_t cut = piece.rfind(' ', width);
        if (cut == std::string::npos || cut + threshold < width) cut = width;
        AppendPiece(list, piece.substr(0, cut), upperCase);
        std::size_t rest = cut;
        if (skipAllBlanks) {
            while (rest < piece.size() && IsBlankOrTab(piece[rest])) ++rest;
        } else if (IsSpace(piece, static_cast<unsigned>(cut), 1)) {
            ++rest;
        }
        piece.erase(0, rest);
    }
    return piece;
}

}  // namespace

// ---- range checks ----------------------------------------------------------

void CheckRange(const std::string& text, unsigned pos, unsigned& count) {
    const unsigned size = SizeOf(text);
    if (pos > size) ThrowRangeError(text, pos);
    if (count == npos || count > size - pos) count = size - pos;
}

void CheckRangeBackward(const std::string& text, unsigned& pos, unsigned& count) {
    const unsigned size = SizeOf(text);
    if (pos == npos) pos = size;
    if (pos > size) ThrowRangeError(text, pos);
    if (count == npos || count > pos) count = pos;
}

void CheckIterators(const std::string& target, const char* start, const char* end) {
    const std::less<const char*> before;
    const char* first = target.data();
    const char* last = target.data() + target.size();
    if (before(start, first)) throw LurExceptBaseArg(11, StrVector() << "startIt < target.begin()");
    if (before(last, start)) throw LurExceptBaseArg(10, StrVector() << "startIt > target.end()");
    if (before(last, end)) throw LurExceptBaseArg(10, StrVector() << "endIt > target.end()");
    if (before(end, start)) throw LurExceptBaseArg(10, StrVector() << "endIt < startIt");
}

// ---- case ------------------------------------------------------------------

std::string ToUpper(const std::string& text) {
    std::string copy = text;
    win::crt::StrUpr(copy.data());
    return copy;
}

bool IsUpperCase(const std::string& text) { return win::crt::IsUpperText(text.data(), text.size()); }

std::string ToLower(const std::string& text) {
    std::string copy = text;
    win::crt::StrLwr(copy.data());
    return copy;
}

std::string ToUpper(const std::string& text, const std::locale* loc) {
    std::string copy = text;
    if (const auto* facet = CtypeFacet(loc)) {
        facet->toupper(copy.data(), copy.data() + copy.size());
    } else {
        for (char& c : copy) c = static_cast<char>(win::crt::ToUpper(static_cast<unsigned char>(c)));
    }
    return copy;
}

std::string ToLower(const std::string& text, const std::locale* loc) {
    std::string copy = text;
    if (const auto* facet = CtypeFacet(loc)) {
        facet->tolower(copy.data(), copy.data() + copy.size());
    } else {
        for (char& c : copy) c = static_cast<char>(win::crt::ToLower(static_cast<unsigned char>(c)));
    }
    return copy;
}

char* ToUpperInPlace(char* text) { return text != nullptr ? win::crt::StrUpr(text) : text; }

char* ToLowerInPlace(char* text) { return text != nullptr ? win::crt::StrLwr(text) : text; }

// ---- comparison and counting ----------------------------------------------

int CompareText(const std::string& a, const std::string& b, bool ignoreCase) {
    if (a.empty()) return b.empty() ? 0 : -1;
    if (b.empty()) return 1;
    if (!ignoreCase) return std::strcmp(a.c_str(), b.c_str());
    return std::strcmp(ToUpper(a).c_str(), ToUpper(b).c_str());
}

int CompareText(const std::string& a, const std::string& b, const std::locale* loc, bool ignoreCase) {
    if (a.empty()) return b.empty() ? 0 : -1;
    if (b.empty()) return 1;
    if (loc == nullptr || !std::has_facet<std::collate<char>>(*loc)) {
        return CompareText(a, b, ignoreCase);
    }
    const auto& collate = std::use_facet<std::collate<char>>(*loc);
    const std::string left = ignoreCase ? ToUpper(a, loc) : a;
    const std::string right = ignoreCase ? ToUpper(b, loc) : b;
    return collate.compare(left.data(), left.data() + left.size(), right.data(), right.data() + right.size());
}

int CountChar(const std::string& text, char c) {
    if (c == '\0') return 0;
    int n = 0;
    for (char ch : text) n += ch == c ? 1 : 0;
    return n;
}

int CountString(const std::string& text, const std::string& piece) {
    if (piece.empty()) return 0;
    int n = 0;
    for (std::size_t p = text.find(piece); p != std::string::npos; p = text.find(piece, p + piece.size())) {
        ++n;
    }
    return n;
}

int CountAnyOf(const std::string& text, const std::string& set) {
    if (set.empty()) return 0;
    int n = 0;
    for (char ch : text) n += set.find(ch) != std::string::npos ? 1 : 0;
    return n;
}

// ---- search ----------------------------------------------------------------

unsigned Find(const std::string& text, const std::string& piece, unsigned pos, unsigned count, bool ignoreCase,
              const std::locale* loc) {
    CheckRange(text, pos, count);
    std::size_t found;
    if (ignoreCase) {
        found = UpperForSearch(text.substr(pos, count), loc).find(ToUpper(piece));
    } else {
        found = std::string_view(text).substr(pos, count).find(piece);
    }
    return found == std::string::npos ? npos : pos + static_cast<unsigned>(found);
}

unsigned RFind(const std::string& text, const std::string& piece, unsigned pos, unsigned count, bool ignoreCase,
               const std::locale* loc) {
    CheckRangeBackward(text, pos, count);
    const unsigned start = pos - count;
    std::size_t found;
    if (ignoreCase) {
        found = UpperForSearch(text.substr(start, count), loc).rfind(ToUpper(piece));
    } else {
        found = std::string_view(text).substr(start, count).rfind(piece);
    }
    return found == std::string::npos ? npos : start + static_cast<unsigned>(found);
}

unsigned FindWord(const std::string& text, const std::string& word, unsigned pos, unsigned count, bool ignoreCase,
                  const std::locale* loc) {
    if (word.empty()) return npos;
    CheckRange(text, pos, count);
    if (ignoreCase) {
        const unsigned found = FindWord(UpperForSearch(text.substr(pos, count), loc), ToUpper(word), 0, npos, false);
        return found == npos ? npos : pos + found;
    }
    const std::size_t end = std::size_t{pos} + count;
    for (std::size_t p = text.find(word, pos); p != std::string::npos && p < end;
         p = text.find(word, p + word.size())) {
        if (IsWholeWord(text, p, word.size())) return static_cast<unsigned>(p);
    }
    return npos;
}

unsigned RFindWord(const std::string& text, const std::string& word, unsigned pos, unsigned count, bool ignoreCase,
                   const std::locale* loc) {
    if (word.empty()) return npos;
    CheckRangeBackward(text, pos, count);
    const unsigned start = pos - count;
    if (ignoreCase) {
        const unsigned found =
            RFindWord(UpperForSearch(text.substr(start, count), loc), ToUpper(word), npos, npos, false);
        return found == npos ? npos : start + found;
    }
    for (std::size_t p = text.rfind(word, pos); p != std::string::npos && p >= start;) {
        if (IsWholeWord(text, p, word.size())) return static_cast<unsigned>(p);
        if (p == 0) break;
        p = text.rfind(word, p - 1);
    }
    return npos;
}

// ---- trimming --------------------------------------------------------------

std::string TrimLeft(const std::string& text, char c) {
    const std::size_t first = text.find_first_not_of(c);
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string TrimRight(const std::string& text, char c) {
    const std::size_t last = text.find_last_not_of(c);
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

std::string Trim(const std::string& text, char c) { return TrimRight(TrimLeft(text, c), c); }

std::string TrimLeft(const std::string& text, const std::string& set) {
    if (set.empty()) return text;
    const std::size_t first = text.find_first_not_of(set);
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string TrimRight(const std::string& text, const std::string& set) {
    const std::size_t last = text.find_last_not_of(set);
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

std::string Trim(const std::string& text, const std::string& set) { return TrimRight(TrimLeft(text, set), set); }

// An empty piece would match forever; it removes nothing.
std::string TrimLeftString(const std::string& text, const std::string& piece) {
    if (piece.empty()) return text;
    std::size_t from = 0;
    while (text.size() - from >= piece.size() && text.compare(from, piece.size(), piece) == 0) {
        from += piece.size();
    }
    return text.substr(from);
}

std::string TrimRightString(const std::string& text, const std::string& piece) {
    if (piece.empty()) return text;
    std::size_t end = text.size();
    while (end >= piece.size() && text.compare(end - piece.size(), piece.size(), piece) == 0) {
        end -= piece.size();
    }
    return text.substr(0, end);
}

std::string TrimString(const std::string& text, const std::string& piece) {
    return TrimRightString(TrimLeftString(text, piece), piece);
}

namespace {

// Trims by each piece in turn and starts again with the first whenever one
// changed the text, until a whole pass changes nothing.
std::string TrimByPieces(std::string text, const std::vector<std::string>& pieces,
                         std::string (*trim)(const std::string&, const std::string&)) {
    for (bool changed = true; changed;) {
        changed = false;
        for (const std::string& piece : pieces) {
            std::string trimmed = trim(text, piece);
            if (trimmed.size() != text.size()) {
                text = std::move(trimmed);
                changed = true;
                break;
            }
        }
    }
    return text;
}

}  // namespace

std::string TrimLeftStrings(const std::string& text, const std::vector<std::string>& pieces) {
    return TrimByPieces(text, pieces, &TrimLeftString);
}

std::string TrimRightStrings(const std::string& text, const std::vector<std::string>& pieces) {
    return TrimByPieces(text, pieces, &TrimRightString);
}

std::string TrimStrings(const std::string& text, const std::vector<std::string>& pieces) {
    return TrimRightStrings(TrimLeftStrings(text, pieces), pieces);
}

// ---- splitting -------------------------------------------------------------

bool SplitString(const std::string& text, std::vector<std::string>& list, char separator, bool upperCase,
                 unsigned width) {
    if (text.empty()) return false;
    const bool wrap = width > 0;
    const unsigned threshold = static_cast<unsigned>(width * 0.2);
    const bool split = !wrap || separator != '\0';
    std::size_t start = 0;
    while (true) {
        std::size_t end = split ? text.find(separator, start) : std::string::npos;
        const bool last = end == std::string::npos;
        if (last) end = text.size();
        std::string piece = text.substr(start, end - start);
        if (wrap) piece = WrapPiece(std::move(piece), list, upperCase, width, threshold, false);
        AppendPiece(list, std::move(piece), upperCase);
        if (last) break;
        start = end + 1;
    }
    return !list.empty();
}

bool SplitString(const std::string& text, std::vector<std::string>& list, const std::string& separator, bool upperCase,
                 unsigned width) {
    if (text.empty()) return false;
    const bool wrap = width > 0;
    const unsigned threshold = static_cast<unsigned>(width * 0.3 + 0.5);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = separator.empty() ? std::string::npos : text.find(separator, start);
        const bool last = end == std::string::npos;
        if (last) end = text.size();
        std::string piece = text.substr(start, end - start);
        if (wrap) piece = WrapPiece(std::move(piece), list, upperCase, width, threshold, true);
        AppendPiece(list, std::move(piece), upperCase);
        if (last) break;
        start = end + separator.size();
    }
    return !list.empty();
}

// ---- replacing and removing ------------------------------------------------

namespace {

// The two sides of a replacement search: as they are, or both upper-cased
// with loc (the runtime's tables when loc is null) for an ignore-case search.
struct MatchTexts {
    std::string upperText;
    std::string upperOld;
    const std::string& text;
    const std::string& oldText;

    MatchTexts(const std::string& original, const std::string& old, bool ignoreCase, const std::locale* loc)
        : upperText(ignoreCase ? ToUpper(original, loc) : std::string()),
          upperOld(ignoreCase ? ToUpper(old, loc) : std::string()),
          text(ignoreCase ? upperText : original),
          oldText(ignoreCase ? upperOld : old) {}
};

}  // namespace

std::string Replace(const std::string& text, const std::string& oldText, const std::string& newText, unsigned pos,
                    unsigned count, bool ignoreCase, const std::locale* loc) {
    if (oldText == newText) return text;
    CheckRange(text, pos, count);
    if (oldText.empty()) return text;
    const MatchTexts match(text, oldText, ignoreCase, loc);
    const std::size_t end = std::size_t{pos} + count;
    std::string result = text.substr(0, pos);
    std::size_t from = pos;
    // Only occurrences that lie wholly inside the range are replaced.
    for (std::size_t p = match.text.find(match.oldText, from); p != std::string::npos && p + oldText.size() <= end;
         p = match.text.find(match.oldText, from)) {
        result.append(text, from, p - from);
        result += newText;
        from = p + oldText.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

std::string ReplaceReverse(const std::string& text, const std::string& oldText, const std::string& newText,
                           unsigned pos, unsigned count, bool ignoreCase, const std::locale* loc) {
    if (oldText == newText) return text;
    CheckRangeBackward(text, pos, count);
    if (oldText.empty()) return text;
    const MatchTexts match(text, oldText, ignoreCase, loc);
    const std::size_t start = pos - count;
    const std::size_t length = oldText.size();
    // Matches wholly inside start .. pos, taken from pos backwards; the kept
    // pieces are collected back to front.
    std::vector<std::string_view> pieces{std::string_view(text).substr(pos)};
    std::size_t end = pos;
    while (end - start >= length) {
        const std::size_t p = match.text.rfind(match.oldText, end - length);
        if (p == std::string::npos || p < start) break;
        pieces.push_back(std::string_view(text).substr(p + length, end - p - length));
        pieces.push_back(newText);
        end = p;
    }
    std::string result = text.substr(0, end);
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) result += *piece;
    return result;
}

std::string RemoveChars(const std::string& text, const std::string& set, unsigned pos, unsigned count) {
    if (set.empty()) return text;
    CheckRange(text, pos, count);
    const std::size_t end = std::size_t{pos} + count;
    std::string result = text.substr(0, pos);
    for (std::size_t i = pos; i < end; ++i) {
        if (set.find(text[i]) == std::string::npos) result += text[i];
    }
    result.append(text, end, std::string::npos);
    return result;
}

// ---- tabs ------------------------------------------------------------------

namespace {

void CheckTabWidth(unsigned tabWidth) {
    if (tabWidth < 1) throw LurExceptBaseArg(10, StrVector() << "ExpandTabs (tabWidth < 1)" << tabWidth);
}

std::string ExpandLine(std::string_view line, unsigned tabWidth) {
    std::string out;
    out.reserve(line.size());
    for (char c : line) {
        if (c == '\t') {
            out.append(tabWidth - out.size() % tabWidth, ' ');
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string ExpandTabs(const std::string& text, unsigned tabWidth, unsigned from, unsigned to) {
    CheckTabWidth(tabWidth);
    unsigned count = to > from ? to - from : 0;
    CheckRange(text, from, count);
    return ExpandLine(std::string_view(text).substr(from, count), tabWidth);
}

std::string ExpandTabs(const std::string& text, unsigned tabWidth, const std::string& lineSeparator) {
    CheckTabWidth(tabWidth);
    if (lineSeparator.empty()) return ExpandLine(text, tabWidth);
    const std::string_view all(text);
    std::string out;
    std::size_t start = 0;
    for (std::size_t p = all.find(lineSeparator); p != std::string_view::npos; p = all.find(lineSeparator, start)) {
        out += ExpandLine(all.substr(start, p - start), tabWidth);
        out += lineSeparator;
        start = p + lineSeparator.size();
    }
    if (start < all.size()) out += ExpandLine(all.substr(start), tabWidth);
    return out;
}

}  // namespace lurutils
