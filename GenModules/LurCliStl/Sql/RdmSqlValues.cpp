// Evaluation of the values of a statement (INSERT and SET values, WHERE
// values of the master) before they are set into their field.
#include <cstdlib>

#include "DbDescError.h"
#include "LurNumbers.h"
#include "LurStrings.h"
#include "RdmDateTimeFld.h"
#include "RdmSqlBase.h"
#include "SqlAscii.h"
#include "StringScrambler.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlBase"};

constexpr int kBadValue = 2006;
constexpr const char* kBlanks = " \t";

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// A date-time as an 'F' field (yyyymmddhhmmss) or an 'l' field (seconds
// since 1970) holds it, both in universal time.
std::string DateTimeText(const lurDate::LurDateTime& time, char type) {
    if (type == 'F') return lurutils::ToString(time.GetDouble(false), static_cast<short>(-1));
    return std::to_string(static_cast<long long>(time.GetTimeT(false)));
}

// Leading decimal digits (with a sign) as a number; no number reads as 0.
long ReadNumber(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

}  // namespace

std::string RdmSqlBase::EvalValue(SqlTokenIterator at, RdmFld& target) {
    const SqlToken& token = *at;
    const std::string& value = token.text;
    FieldDesc fieldDesc{};
    target.GetFieldDesc(fieldDesc);
    const char type = fieldDesc.type;
    const auto wrongType = [&] { ThrowSyntaxError(kBadValue, target.GetName() + " " + value, at, Here(__LINE__)); };

    // What the value is comes from the token: a literal or a quoted
    // identifier is a value as written, whatever its text looks like.
    switch (token.kind) {
        case SqlTokenKind::Keyword:
            if (value != "SYSDATE") return value;
            if (type != 'F' && type != 'l') wrongType();
            {
                RdmDateTimeFld now;
                now.SetServerTimeFromSession(&m_descs);
                return DateTimeText(now, type);
            }
        case SqlTokenKind::Word: {
            std::string counter = value;
            if (!IsNextval(counter)) return value;
            return std::to_string(m_descs.GetDescAtPtr(0)->GetNextId(counter));
        }
        case SqlTokenKind::FunctionCall: break;
        default: return value;
    }
    if (StartsWith(value, "ENCODE")) {
        std::vector<std::string> parameters;
        SplitParameters(CallArguments(value, value.substr(6), at), parameters, at);
        if (parameters.size() != 1)
            ThrowSyntaxError(kBadValue, "Cannot encode field value - parameter number is invalid: " + value, at,
                             Here(__LINE__));
        // The form CREATE USER stores and the login compares, so that the
        // text finds the stored one.
        return ScrambledCredential(parameters[0]);
    }
    if (StartsWith(value, "TO_DATE")) {
        lurDate::LurDateTime date;
        ConvertValue(value, date, at);
        if (type != 'F' && type != 'l') wrongType();
        return DateTimeText(date, type);
    }
    if (StartsWith(value, "SUBSTR")) return Substring(value, target, at);
    return value;  // TO_CHAR has no evaluation: its call text is the value
}

void RdmSqlBase::SetValue(SqlTokenIterator at, RdmFld& target) {
    const std::string value = EvalValue(at, target);
    if (const std::string refusal = target.Refusal(value); !refusal.empty())
        ThrowSyntaxError(kBadValue, refusal, at, Here(__LINE__));
    target.SetString(value);
}

std::string RdmSqlBase::CallArguments(const std::string& call, const std::string& rest, SqlTokenIterator at) {
    if (rest.empty() || rest.front() != '(')
        ThrowSyntaxError(kBadValue, "Missing open parentheses: " + call, at, Here(__LINE__));
    if (rest.size() < 2 || rest.back() != ')')
        ThrowSyntaxError(kBadValue, "Missing close parentheses: " + call, at, Here(__LINE__));
    return lurutils::Trim(rest.substr(1, rest.size() - 2), kBlanks);
}

std::string RdmSqlBase::Substring(const std::string& call, const RdmFld& target, SqlTokenIterator at) {
    const std::string arguments = CallArguments(call, call.substr(6), at);
    std::vector<std::string> pieces;
    size_t begin = 0;
    for (;;) {
        const size_t comma = arguments.find(',', begin);
        pieces.push_back(lurutils::Trim(arguments.substr(begin, comma - begin), kBlanks));
        if (comma == std::string::npos) break;
        begin = comma + 1;
    }
    if (pieces.size() < 2 || pieces.size() > 3)
        ThrowSyntaxError(kBadValue, "Wrong paremeter list.", at, Here(__LINE__));

    // The source is a field of the target's table (the target itself in
    // the usual SET f = SUBSTR(f, ...)), read from the current record.
    std::vector<std::string> nameParts;
    SplitName(pieces[0], nameParts);
    DbDesc* desc = target.GetDesc();
    if (nameParts.empty() || desc == nullptr || !desc->HasField(target.GetTableName(), nameParts.back()))
        ThrowSyntaxError(kBadValue, "Unknown field in " + call, at, Here(__LINE__));
    const std::string source = RdmFld(desc, target.GetTableName(), nameParts.back(), false).GetString();

    const long start = ReadNumber(pieces[1]);
    const long length = pieces.size() == 3 ? ReadNumber(pieces[2]) : static_cast<long>(source.size());
    if (start < 0 || static_cast<size_t>(start) > source.size() || length < 0)
        ThrowSyntaxError(kBadValue, "Position out of the text: " + call, at, Here(__LINE__));
    return source.substr(static_cast<size_t>(start), static_cast<size_t>(length));
}

bool RdmSqlBase::IsNextval(std::string& text) {
    const size_t dot = text.find('.');
    if (dot == std::string::npos) return false;
    if (!lurclistl::EqualsIgnoringAsciiCase(std::string_view(text).substr(dot + 1), "nextval")) return false;
    text.resize(dot);
    return true;
}

void RdmSqlBase::ConvertValue(const std::string& call, lurDate::LurDateTime& out, SqlTokenIterator at) {
    // Unlike ENCODE and SUBSTR, blanks may stand before the parenthesis.
    std::vector<std::string> parameters;
    SplitParameters(CallArguments(call, lurutils::Trim(call.substr(7), kBlanks), at), parameters, at);
    if (parameters.size() != 2)
        ThrowSyntaxError(kBadValue, "Cannot convert field value - parameter number is invalid: " + call, at,
                         Here(__LINE__));
    const std::string& value = parameters[0];
    const std::string& format = parameters[1];
    if (value.size() != format.size())
        ThrowSyntaxError(kBadValue, "Cannot convert field value - parameters length is not equal: " + call, at,
                         Here(__LINE__));

    static constexpr std::string_view kPartLetters = "YMDHmS";  // year, month, day, hour, minute, second
    std::string digits[kPartLetters.size()];
    for (size_t i = 0; i < format.size(); ++i) {
        const size_t part = kPartLetters.find(format[i]);
        if (part == std::string_view::npos) {
            if (format[i] != value[i])
                ThrowSyntaxError(
                    kBadValue,
                    "Bad date time value: " + value + " - bad character in position " + std::to_string(i) + ".", at,
                    Here(__LINE__));
            continue;
        }
        if (value[i] < '0' || value[i] > '9')
            ThrowSyntaxError(
                kBadValue,
                "Bad date time value: " + value + " character in position " + std::to_string(i) + " not a number.", at,
                Here(__LINE__));
        digits[part] += value[i];
    }
    short parts[kPartLetters.size()];
    for (size_t part = 0; part < kPartLetters.size(); ++part) {
        // More digits than a short holds cannot be a valid part.
        const long number = digits[part].size() > 4 ? -1 : ReadNumber(digits[part]);
        parts[part] = static_cast<short>(number);
    }
    // A date or time that does not exist is refused, never stored empty.
    if (!out.Set(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], true))
        ThrowSyntaxError(kBadValue, "Bad date time value: " + value, at, Here(__LINE__));
}

void RdmSqlBase::SplitParameters(const std::string& text, std::vector<std::string>& out, SqlTokenIterator at) {
    const size_t n = text.size();
    if (n < 2) ThrowSyntaxError(kBadValue, "Missing parameter.", at, Here(__LINE__));
    if (text[0] != '\'') ThrowSyntaxError(kBadValue, "Missing string begin delimeter.", at, Here(__LINE__));
    std::string current;
    bool inString = true;
    size_t i = 1;
    while (i < n) {
        if (inString) {
            if (text[i] == '\\') {
                if (i + 1 < n) current += text[i + 1];
                i += 2;
            } else if (text[i] == '\'') {
                out.push_back(current);
                current.clear();
                inString = false;
                ++i;
            } else {
                current += text[i++];
            }
            continue;
        }
        // Between two strings: exactly one comma up to the next quote.
        int commas = 0;
        size_t next = i;
        for (; next < n && text[next] != '\''; ++next)
            if (text[next] == ',') ++commas;
        if (next == n || commas != 1) ThrowSyntaxError(kBadValue, "Wrong paremeter list.", at, Here(__LINE__));
        inString = true;
        i = next + 1;
    }
    if (i > n) ThrowSyntaxError(kBadValue, "Missing string end delimeter.", at, Here(__LINE__));
}
