#include "QuotedValue.h"

namespace lurquote {

namespace {

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The value between the marks, cut at byte `cut` when the value has more
// than kQuotedCharacters characters; `characters` is its whole length.
std::string Quote(std::string_view text, char mark, size_t characters, size_t cut) {
    if (characters <= kQuotedCharacters) return mark + std::string(text) + mark;
    // A line break stays whole: the CR goes with its LF.
    if (cut > 0 && cut < text.size() && text[cut - 1] == '\r' && text[cut] == '\n') --cut;
    return mark + std::string(text.substr(0, cut)) + mark + "... (" + std::to_string(characters) + " characters)";
}

}  // namespace

std::string QuotedValue(std::string_view cp1250, char mark) {
    return Quote(cp1250, mark, cp1250.size(), kQuotedCharacters);
}

std::string QuotedUtf8Value(std::string_view utf8, char mark) {
    size_t characters = 0;
    size_t cut = utf8.size();
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (IsUtf8Continuation(utf8[i])) continue;
        if (characters == kQuotedCharacters) cut = i;
        ++characters;
    }
    return Quote(utf8, mark, characters, cut);
}

}  // namespace lurquote
