#include "Csv.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

// The next line of the input; false at its end. A read that fails is no
// end: what follows it would be left out without a word.
bool ReadLine(std::istream& in, std::string& text, int lineNumber) {
    if (!in.bad()) errno = 0;  // else it is the reason of the read that failed before (a peek)
    if (std::getline(in, text)) return true;
    if (in.bad()) {
        const int error = errno;
        throw std::runtime_error("line " + std::to_string(lineNumber) + " cannot be read" +
                                 (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
    }
    return false;
}

}  // namespace

void SkipByteOrderMark(std::istream& in) {
    constexpr char kMark[] = "\xEF\xBB\xBF";
    for (size_t i = 0; i < 3; ++i) {
        if (in.peek() != static_cast<unsigned char>(kMark[i])) {
            for (; i > 0; --i) {
                in.unget();  // a partial mark is data
            }
            return;
        }
        in.get();
    }
}

bool ReadCsvRecord(std::istream& in, std::vector<std::string>& fields, int& line) {
    fields.clear();
    std::string text;
    if (!ReadLine(in, text, line + 1)) {
        return false;
    }
    ++line;
    const int firstLine = line;
    std::string field;
    bool quoted = false;
    for (size_t i = 0;; ++i) {
        if (i == text.size()) {
            if (!quoted) {
                break;
            }
            std::string more;  // a quoted field goes on over the line break
            if (!ReadLine(in, more, line + 1)) {
                throw std::runtime_error("line " + std::to_string(firstLine) + ": unterminated quote");
            }
            ++line;
            field += '\n';
            text = more;
            i = static_cast<size_t>(-1);
            continue;
        }
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(field);
            field.clear();
        } else if (c != '\r' || i + 1 != text.size()) {
            field += c;
        }
    }
    fields.push_back(field);
    return true;
}

void AppendCsvField(std::string& line, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos && (field.empty() || field.front() != ' ')) {
        line += field;
        return;
    }
    line += '"';
    for (char c : field) {
        if (c == '"') {
            line += '"';
        }
        line += c;
    }
    line += '"';
}

std::string FormatCsvRecord(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i != 0) {
            line += ',';
        }
        AppendCsvField(line, fields[i]);
    }
    return line;
}
