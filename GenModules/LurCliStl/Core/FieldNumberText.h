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
//   ".5", "2.", "1e-3"). The field keeps the nearest value of its type (a
//   4-byte field the float nearest the text's double), and one rule holds
//   for both types: a number whose nearest value is infinite (beyond the
//   type's largest value and what rounds to it: "3.40282347e+38" is the
//   4-byte maximum, "3.5e38" is out) or, for a text that is not zero, is 0
//   ("1e-50" in 4 bytes, "1e-400" in 8) is out of the field's range and
//   refused, never stored as infinity or 0. A value nearer 0 than the
//   smallest normal number keeps its nearest subnormal.
// - Blanks and tabs around the number are allowed; nothing else is. An empty
//   text is the cleared field, 0.
// Text fields and fields without a value are no number fields.
#pragma once

#include <string>
#include <string_view>

namespace lurfieldnumber {

// What a number field makes of a text.
enum class Verdict {
    kTakes,       // stored as written (other types: always)
    kRefused,     // not a number of the field's form, or a whole number outside the range WhatItTakes names
    kOutOfRange,  // a floating number the field's type cannot hold (see above)
};

// What messages say of a kOutOfRange verdict.
inline constexpr const char* kOutOfRangeText = "out of the field's range";

// Whether fields of the type letter hold numbers.
bool IsNumberType(char type);
// What the field of the type makes of the text.
Verdict Judge(char type, bool isUnsigned, std::string_view text);
// What the field takes, for messages: "a whole number from -32768 to 32767",
// "a number" ...; empty for other types.
std::string WhatItTakes(char type, bool isUnsigned);
// The number of a text Judge takes, blanks dropped ("" gives 0).
long long IntegerOf(std::string_view text);
// As the field keeps it: a 4-byte field's number rounded to the float the
// client stores, so that what is loaded is what every client reads back.
double FloatingOf(char type, std::string_view text);
// The float nearest the double under round-to-nearest: a value beyond
// FLT_MAX that still rounds to it gives FLT_MAX, a farther one an infinity
// (a plain conversion of a double beyond the float range is undefined).
float NearestFloat(double value);

}  // namespace lurfieldnumber
