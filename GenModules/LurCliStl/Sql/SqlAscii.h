// SqlAscii: the letter-case rules of the SQL dialect. Keywords, names and
// quoted identifiers compare and upper-case ASCII letters only, whatever
// locale the process runs under, so that an accented byte of code page 1250
// never changes meaning.
#pragma once

#include <string>
#include <string_view>

namespace lurclistl {

constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = AsciiUpper(c);
    return upper;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

}  // namespace lurclistl
