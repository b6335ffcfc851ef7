#include "QuotedValue.h"

#include "CodePage.h"

namespace lurquote {

namespace {

// The quoted part of a value as a message can carry it: a NUL byte would
// end the message there (every text of the system ends at its first zero),
// so it is shown as \0.
std::string Shown(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        if (c == '\0') {
            shown += "\\0";
        } else {
            shown += c;
        }
    }
    return shown;
}

// The value between the marks, cut at byte `cut` when the value has more
// than kQuotedCharacters characters; `characters` is its whole length.
std::string Quote(std::string_view text, char mark, size_t characters, size_t cut) {
    if (characters <= kQuotedCharacters) return mark + Shown(text) + mark;
    // A line break stays whole: the CR goes with its LF.
    if (cut > 0 && cut < text.size() && text[cut - 1] == '\r' && text[cut] == '\n') --cut;
    return mark + Shown(text.substr(0, cut)) + mark + "... (" + std::to_string(characters) + " characters)";
}

}  // namespace

std::string QuotedValue(std::string_view cp1250, char mark) {
    return Quote(cp1250, mark, cp1250.size(), kQuotedCharacters);
}

std::string QuotedUtf8Value(std::string_view utf8, char mark) {
    // Characters as the console shows them: a byte sequence that is no UTF-8
    // is one character of its own (one replacement mark), so a long run of
    // such bytes is cut like any other value.
    size_t characters = 0;
    size_t cut = utf8.size();
    for (size_t i = 0; i < utf8.size(); i = win::Utf8CharacterEnd(utf8, i)) {
        if (characters == kQuotedCharacters) cut = i;
        ++characters;
    }
    return Quote(utf8, mark, characters, cut);
}

}  // namespace lurquote
