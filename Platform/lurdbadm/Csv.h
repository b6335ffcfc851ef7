// Comma-separated values as lurdbadm reads and writes them: fields separated
// by commas, a field in double quotes may hold commas, line breaks and
// doubled quotes.
#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <vector>

// Skips a UTF-8 byte-order mark at the start of the input, as some editors
// write one.
void SkipByteOrderMark(std::istream& in);

// Reads one record; false at the end of the input. line counts the input
// lines consumed (for messages). Throws std::runtime_error for an
// unterminated quote and for a read that fails.
bool ReadCsvRecord(std::istream& in, std::vector<std::string>& fields, int& line);

// One record as a line (without the line break), quoting where needed.
std::string FormatCsvRecord(const std::vector<std::string>& fields);
// One field of such a line appended to it, quoted where needed (a comma, a
// quote or a line break in it, or a leading blank).
void AppendCsvField(std::string& line, std::string_view field);
