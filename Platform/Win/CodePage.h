// Code pages: our own CP1250 <-> UTF-16/UTF-8 codec (all 256 bytes round-trip;
// a character CP1250 lacks becomes '?', invalid UTF-8 becomes U+FFFD), iconv
// only for other code pages, and the console's output code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace win {

enum : uint32_t {
    CP_ACP = 0,  // the process's ANSI code page: 1250
    CP_1250 = 1250,
    CP_1252 = 1252,
    CP_UTF8 = 65001,
};

// Windows-style conversions. length -1 means zero-terminated (the zero is
// converted and counted). outSize 0 asks for the size needed. Return the
// number of units written (or needed); 0 with the last error set on failure
// (ERROR_INVALID_PARAMETER for an unknown code page, ERROR_INSUFFICIENT_BUFFER
// when out is too small).
int MultiByteToWideChar(uint32_t codePage, const char* text, int length, char16_t* out, int outSize);
int WideCharToMultiByte(uint32_t codePage, const char16_t* text, int length, char* out, int outSize);

// The conversions at the system's edges.
std::string Cp1250ToUtf8(std::string_view text);
std::string Utf8ToCp1250(std::string_view text);

// The strict conversion, for text that must arrive whole (the command line,
// the text files the programs read): the first byte sequence that is not
// UTF-8, the first character code page 1250 lacks, or the first NUL byte (no
// text holds one: the system's strings end there, so whatever follows it
// would be lost without a word) is a fault at its byte offset in the UTF-8
// text.
enum class Utf8Fault { None, InvalidUtf8, NotInCp1250, NulByte };
struct StrictCp1250 {
    std::string text;  // code page 1250; only what came before the fault
    Utf8Fault fault = Utf8Fault::None;
    size_t offset = 0;
};
StrictCp1250 Utf8ToCp1250Strict(std::string_view text);
// The same conversion of text from byte from on, done in text's own buffer
// (code page 1250 is never longer than the UTF-8 it comes from), so that a
// large file is never held twice; the bytes before from are dropped, and a
// fault's offset counts in the whole text.
StrictCp1250 Utf8ToCp1250StrictInPlace(std::string text, size_t from = 0);
// A fault as messages name it: "is not valid UTF-8 at byte <offset>",
// "holds a character that code page 1250 lacks at byte <offset>" or "holds
// a NUL byte at byte <offset>".
std::string Utf8FaultText(Utf8Fault fault, size_t offset);

// The byte after the UTF-8 character that begins at byte at of text (a
// maximal invalid subsequence counts as one character, as it decodes to one
// U+FFFD); text.size() when at is at or past the end.
size_t Utf8CharacterEnd(std::string_view text, size_t at);

// The console's output code page, a process value (1250 at start is not
// assumed: it starts as 65001, the terminal's own).
uint32_t GetConsoleOutputCP();
bool SetConsoleOutputCP(uint32_t codePage);

// The system's line breaks (CR LF, as in its message texts) as the
// terminal's LF; a lone CR or LF stays.
std::string WithLineFeeds(std::string text);

// Text given in the console's output code page, converted to the UTF-8 that
// the console is written in, with the system's CR LF line breaks as LF.
std::string ConsoleOutputText(std::string_view text);

}  // namespace win
