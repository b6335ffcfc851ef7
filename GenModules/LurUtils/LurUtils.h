// Byte data as text: hexadecimal encoding and decoding, a formatted hex
// dump, UTF-8 <-> ANSI (code page 1250) conversion of texts, and matching a
// text against a pattern with '*' and '?', and whole files read or written as
// a byte buffer or a text.
#pragma once

#include <string>

#include "LurBuf.h"

namespace lurutils {

// Two upper-case hexadecimal digits per byte, no separators; out is
// replaced. Return the number of bytes encoded.
unsigned ToHex(const void* data, unsigned length, std::string& out);
unsigned ToHex(const LurBuf& data, std::string& out);
std::string ToHex(const std::string& text);

// Decodes hexadecimal text. The text is cut into tokens at runs of the
// separator characters and of carriage return, line feed, blank and tab;
// each token is pairs of hex digits (either case). A token of odd length or
// with a character that is no hex digit raises LurExceptBase code 18 and
// leaves the output as it was. An empty text leaves the output unchanged; a
// text of separators only empties it.
void FromHex(const std::string& text, LurBuf& out, const std::string& separators);
std::string FromHex(const std::string& text, const std::string& separators);
// The decoded bytes as a new block that the caller deletes with
// ::operator delete (null and 0 when there are none).
void FromHex(const std::string& text, void*& data, unsigned& length, const std::string& separators);

// out replaced by indent blanks and then, per byte, its two hex digits
// followed by the separator, or by "\r\n" and indent blanks when the line
// (indent included) would otherwise grow past lineWidth. Every byte is
// followed by one of the two, the last one too. lineWidth must exceed indent.
void HexDump(const void* data, unsigned length, std::string& out, unsigned lineWidth, const std::string& separator,
             unsigned indent);
void HexDump(const LurBuf& data, std::string& out, unsigned lineWidth, const std::string& separator, unsigned indent);

// UTF-8 <-> the ANSI code page, through ConvertCodePage (a null text
// converts as ""). A failure leaves the outputs untouched and answers 0,
// false or ""; with throwOnError the conversion's LurExceptSys passes.
// The char** form: a new zero-terminated block for ::operator delete, and
// its length with the zero. The LurBuf form: that block, zero included.
// The std::string forms: the text up to the first zero.
unsigned Utf8ToAnsi(const char* text, char** out, bool throwOnError);
unsigned AnsiToUtf8(const char* text, char** out, bool throwOnError);
bool Utf8ToAnsi(const char* text, LurBuf& out, bool throwOnError);
bool AnsiToUtf8(const char* text, LurBuf& out, bool throwOnError);
bool Utf8ToAnsi(const std::string& text, std::string& out, bool throwOnError);
bool AnsiToUtf8(const std::string& text, std::string& out, bool throwOnError);
std::string Utf8ToAnsi(const std::string& text, bool throwOnError);
std::string AnsiToUtf8(const std::string& text, bool throwOnError);

// '*' matches any run of characters (none too), '?' exactly one; every other
// character matches itself, case-sensitively. A null pointer is taken as "".
bool WildcardMatch(const char* pattern, const char* text);

// Whole files, through File. The path is made full first; one that cannot be
// raises LurFileExcept 705 whatever throwOnError says. Other failures answer
// false, or raise File's or ChangeAttributes' exception with throwOnError.
// LoadFile opens an existing file for reading (others may read) and reads it
// whole; a failed size query (LurExceptSys, line 393) or a read that
// delivers fewer bytes than the size fails. The text form empties out first
// and fills it only on success.
bool LoadFile(const std::string& path, LurBuf& out, bool throwOnError);
bool LoadFile(const std::string& path, std::string& out, bool throwOnError);
// SaveFile creates or empties the file (others may read) and writes data.
// clearReadOnly first clears a read-only attribute of an existing file;
// createDirectories creates the missing directories of the path. The text
// form writes the characters up to the first zero.
bool SaveFile(const LurBuf& data, const std::string& path, bool throwOnError, bool clearReadOnly,
              bool createDirectories);
bool SaveFile(const std::string& text, const std::string& path, bool throwOnError, bool clearReadOnly,
              bool createDirectories);

}  // namespace lurutils
