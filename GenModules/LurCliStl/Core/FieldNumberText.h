// The one rule for the text a number field takes from outside the program:
// SQL values, the table import and lurdbadm's CSV load all keep it, so that
// a value is either stored as written or refused, never stored as 0, cut at
// its first non-digit or clipped to the field's range.
//
// - Integer fields ('s' 16 bits, 'i' 'l' 'd' 32 bits; 'd', and 's' or 'l'
//   marked unsigned, without a sign): an optionally signed decimal integer
//   within the field's range.
// - Floating fields ('f' float, 'F' double): a decimal number, optionally
//   signed, with an optional fraction and an optional exponent ("1", "-1.5",
//   ".5", "2.", "1e-3"), finite in the field's type.
// - Blanks and tabs around the number are allowed; nothing else is. An empty
//   text is the cleared field, 0.
// Text fields and fields without a value are no number fields.
#pragma once

#include <string>
#include <string_view>

namespace lurfieldnumber {

// Whether fields of the type letter hold numbers.
bool IsNumberType(char type);
// Whether the number field takes the text (always true for other types).
bool Takes(char type, bool isUnsigned, std::string_view text);
// What the field takes, for messages: "a whole number from -32768 to 32767",
// "a number" ...; empty for other types.
std::string WhatItTakes(char type, bool isUnsigned);
// The number of a text Takes accepted, blanks dropped ("" gives 0).
long long IntegerOf(std::string_view text);
// As the field keeps it: a 4-byte field's number rounded to the float the
// client stores, so that what is loaded is what every client reads back.
double FloatingOf(char type, std::string_view text);

}  // namespace lurfieldnumber
