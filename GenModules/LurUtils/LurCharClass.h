// Character classes: tests and scans of a text's characters by class.
//
// The class masks are the library's own numbers (stored and passed as
// 16-bit values); only the eleven below are supported. With a locale whose
// std::ctype<char> facet is present the facet decides membership (the mask
// is translated to the facet's own bits); otherwise the runtime's tables
// (win::crt) do. Ranges follow CheckRange of LurStrings.h.
#pragma once

#include <locale>
#include <string>
#include <vector>

#include "LurStrings.h"

namespace lurutils {

enum CharClassMask : short {
    ClassUpper = 1,
    ClassLower = 2,
    ClassDigit = 4,
    ClassPunct = 16,
    ClassCntrl = 32,
    ClassSpace = 72,
    ClassXDigit = 128,
    ClassAlpha = 259,
    ClassAlnum = 263,
    ClassGraph = 279,
    ClassPrint = 471,
};

// A classification function of the runtime (nonzero when c, an unsigned
// byte, has the class).
using CtypeFunc = int (*)(int c);

// The runtime's classification function of a mask, or null for a mask
// that is not one of the eleven.
CtypeFunc CtypeFunction(short mask);

bool IsClass(short mask, const std::string& text, unsigned pos = 0, unsigned count = npos,
             const std::locale* loc = nullptr);
bool IsDigit(const std::string& text, unsigned pos = 0, unsigned count = npos, const std::locale* loc = nullptr);
bool IsPunct(const std::string& text, unsigned pos = 0, unsigned count = npos, const std::locale* loc = nullptr);
bool IsSpace(const std::string& text, unsigned pos = 0, unsigned count = npos, const std::locale* loc = nullptr);
// True when every character of the range has at least one of the classes
// (an empty range gives true).
bool IsAnyClass(const std::vector<short>& masks, const std::string& text, unsigned pos = 0, unsigned count = npos,
                const std::locale* loc = nullptr);

// The position of the first character of the range that has the class
// (having) or lacks it; npos when the scan reached the end of the text, the
// range's end when it found nothing in a shorter range. runLength, when
// given, receives the length of the run that starts there.
unsigned FindClass(const std::string& text, short mask, unsigned pos = 0, unsigned count = npos,
                   const std::locale* loc = nullptr, bool having = true, unsigned* runLength = nullptr);
unsigned FindAnyClass(const std::vector<short>& masks, const std::string& text, unsigned pos = 0, unsigned count = npos,
                      const std::locale* loc = nullptr, bool having = true, unsigned* runLength = nullptr);

// Appends every maximal run of characters of the class within the range.
void SplitByClass(const std::string& text, std::vector<std::string>& list, short mask, unsigned pos = 0,
                  unsigned count = npos, const std::locale* loc = nullptr, bool clearFirst = false);

}  // namespace lurutils
