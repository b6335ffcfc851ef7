// String functions of the utility library: range checks, case conversion,
// comparison, counting, plain and whole-word search, trimming, splitting
// with optional wrapping, replacing and tab expansion.
//
// Texts are code-page 1250 bytes. Positions and counts are unsigned 32-bit;
// lurutils::npos (all bits set) means "to the end" as a count and "not
// found" as a result. Compare results with lurutils::npos, not with
// std::string::npos, which is wider.
//
// A locale argument may be null: the functions then use the runtime's
// tables (win::crt), as they do when the locale lacks the needed facet.
#pragma once

#include <locale>
#include <string>
#include <vector>

namespace lurutils {

inline constexpr unsigned npos = static_cast<unsigned>(-1);

// Range checks; a position past the end raises LurExceptBaseArg code 10
// with the arguments text, "\r\npos, size: ", pos, size.
void CheckRange(const std::string& text, unsigned pos, unsigned& count);
void CheckRangeBackward(const std::string& text, unsigned& pos, unsigned& count);
void CheckIterators(const std::string& target, const char* start, const char* end);

// Case.
std::string ToUpper(const std::string& text);
std::string ToLower(const std::string& text);
std::string ToUpper(const std::string& text, const std::locale* loc);
std::string ToLower(const std::string& text, const std::locale* loc);
char* ToUpperInPlace(char* text);
char* ToLowerInPlace(char* text);
// Whether ToUpper (text) would give the text unchanged.
bool IsUpperCase(const std::string& text);

// ToUpper of a name that is copied only when it is not upper case already.
// The lookups by name take it: their names mostly arrive upper-cased by the
// layer above. The name passed must outlive the object.
class UpperName {
public:
    explicit UpperName(const std::string& name) : m_name(&name) {
        if (!IsUpperCase(name)) {
            m_copy = ToUpper(name);
            m_name = &m_copy;
        }
    }
    UpperName(const UpperName&) = delete;
    UpperName& operator=(const UpperName&) = delete;

    const std::string& str() const { return *m_name; }
    operator const std::string&() const { return *m_name; }

private:
    const std::string* m_name;
    std::string m_copy;
};

// Comparison (<0, 0, >0; an empty text sorts before any other) and counting.
int CompareText(const std::string& a, const std::string& b, bool ignoreCase = false);
int CompareText(const std::string& a, const std::string& b, const std::locale* loc, bool ignoreCase = false);
int CountChar(const std::string& text, char c);
int CountString(const std::string& text, const std::string& piece);
int CountAnyOf(const std::string& text, const std::string& set);

// Search; results are positions in text or npos.
unsigned Find(const std::string& text, const std::string& piece, unsigned pos = 0, unsigned count = npos,
              bool ignoreCase = false, const std::locale* loc = nullptr);
unsigned RFind(const std::string& text, const std::string& piece, unsigned pos = npos, unsigned count = npos,
               bool ignoreCase = false, const std::locale* loc = nullptr);
unsigned FindWord(const std::string& text, const std::string& word, unsigned pos = 0, unsigned count = npos,
                  bool ignoreCase = false, const std::locale* loc = nullptr);
unsigned RFindWord(const std::string& text, const std::string& word, unsigned pos = npos, unsigned count = npos,
                   bool ignoreCase = false, const std::locale* loc = nullptr);

// Trimming: runs of one character, of any character of a set, or repeated
// whole occurrences of a piece (an empty piece or set leaves the text as is).
std::string TrimLeft(const std::string& text, char c);
std::string TrimRight(const std::string& text, char c);
std::string Trim(const std::string& text, char c);
std::string TrimLeft(const std::string& text, const std::string& set);
std::string TrimRight(const std::string& text, const std::string& set);
std::string Trim(const std::string& text, const std::string& set);
std::string TrimLeftString(const std::string& text, const std::string& piece);
std::string TrimRightString(const std::string& text, const std::string& piece);
std::string TrimString(const std::string& text, const std::string& piece);
// Repeated occurrences of any of the pieces, taken in order and starting
// again with the first whenever one was removed.
std::string TrimLeftStrings(const std::string& text, const std::vector<std::string>& pieces);
std::string TrimRightStrings(const std::string& text, const std::vector<std::string>& pieces);
std::string TrimStrings(const std::string& text, const std::vector<std::string>& pieces);

// Appends the pieces of text to list (never empties it first); width 0 only
// splits, any other width also wraps longer pieces. True when list is not
// empty afterwards.
bool SplitString(const std::string& text, std::vector<std::string>& list, char separator, bool upperCase = false,
                 unsigned width = 0);
bool SplitString(const std::string& text, std::vector<std::string>& list, const std::string& separator,
                 bool upperCase = false, unsigned width = 0);

// Occurrences lying wholly inside the range are replaced, the rest of the
// text is kept; ignoreCase compares both texts upper-cased with loc. The
// reverse form takes the occurrences from pos backwards (range as
// CheckRangeBackward), so overlapping ones pair from the end.
std::string Replace(const std::string& text, const std::string& oldText, const std::string& newText, unsigned pos = 0,
                    unsigned count = npos, bool ignoreCase = false, const std::locale* loc = nullptr);
std::string ReplaceReverse(const std::string& text, const std::string& oldText, const std::string& newText,
                           unsigned pos = npos, unsigned count = npos, bool ignoreCase = false,
                           const std::locale* loc = nullptr);
std::string RemoveChars(const std::string& text, const std::string& set, unsigned pos = 0, unsigned count = npos);

// Tabs replaced by blanks up to the next multiple of tabWidth (at least 1,
// else code 10); columns count from the start of the output.
std::string ExpandTabs(const std::string& text, unsigned tabWidth, unsigned from, unsigned to);
// The same per line; tab stops start afresh after every lineSeparator.
std::string ExpandTabs(const std::string& text, unsigned tabWidth, const std::string& lineSeparator);

}  // namespace lurutils
