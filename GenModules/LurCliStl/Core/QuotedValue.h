// The one rule for quoting a user's value in a message (SQL values, imported
// records, lurdbadm's CSV values and arguments): a value of at most
// kQuotedCharacters characters is quoted whole; a longer one is cut after
// that many characters and says how long it was, so that a refused 1 MB
// value makes a short message:
//
//   value 'ABC'
//   value 'AAAA...A'... (1048576 characters)
//          (its first kQuotedCharacters characters between the marks)
//
// The cut falls between characters: code page 1250 text has one byte per
// character, UTF-8 text is never cut inside a character (a byte sequence
// that is no UTF-8 counts as one character, as it shows as one replacement
// mark), and neither form is cut between the CR and LF of a line break (the
// console writes the pair as one). A NUL byte is shown as \0 (one
// character), since a message ends at its first zero.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lurquote {

// How many characters of a long value a message quotes.
inline constexpr size_t kQuotedCharacters = 60;

// A code page 1250 value between two marks, cut by the rule above.
std::string QuotedValue(std::string_view cp1250, char mark = '\'');
// The same for a UTF-8 value, counted in UTF-8 characters.
std::string QuotedUtf8Value(std::string_view utf8, char mark = '"');

}  // namespace lurquote
