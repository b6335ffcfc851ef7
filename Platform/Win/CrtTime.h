// The runtime library's strftime, following the runtime locale in force
// (crt::SetLocale): "C" gives the runtime's English names and forms (%c is
// "%m/%d/%y %H:%M:%S"), a locale of the table its own day and month names,
// AM/PM designators and short date and time formats. Never the machine's
// installed locales.
#pragma once

#include <cstddef>
#include <ctime>

namespace win::crt {

// Directives: %a %A %b %B %c %d %H %I %j %m %M %p %S %U %w %W %x %X %y %Y
// %z %Z (the zone's standard or daylight name by tm_isdst) and %%. Writes
// at most max characters including the terminating zero and returns the
// count without it; 0, with buffer[0] = 0 when max > 0, when the result does
// not fit or the format holds an unknown directive (a lone '%' at the end
// included).
size_t StrFTime(char* buffer, size_t max, const char* format, const std::tm& time);

}  // namespace win::crt
