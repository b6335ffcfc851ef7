// ALTER SESSION (the process's locale) and ALTER SYSTEM (the server's log
// categories "debuglog" and network lock "net_lock").
#include <cstdlib>
#include <string>

#include "Crt.h"
#include "RdmSqlExec.h"
#include "SqlAscii.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlExec"};

struct LogCategory {
    const char* word;
    long bit;
};

// The words of "debuglog", matched exactly (upper case). ALL is its own
// bit, not the union of the others; NO clears the mask.
constexpr LogCategory kLogCategories[] = {
    {"NO", 0},         {"ALL", 1},      {"DML", 0x2},           {"TRANSACTION", 0x4},
    {"CONNECT", 0x8},  {"QUERY", 0x10}, {"PARAMETERS", 0x20},   {"SQL", 0x40},
    {"LOCKING", 0x80}, {"DDL", 0x100},  {"PERFORMANCE", 0x200},
};

}  // namespace

void RdmSqlExec::AlterSession(SqlTokenIterator& it) {
    m_resultMessage = "Cannot alter session.";
    if (!Take(it, "SET")) ThrowSyntaxError(2020, "Missing SET directive!", it, Here(__LINE__));
    if (it == m_statementEnd || !it->Matches("NLS_TERRITORY")) ThrowSyntaxError(2027, it->text, it, Here(__LINE__));
    const std::string parameter = it->text;
    Advance(it);
    if (!Take(it, "=")) ThrowSyntaxError(2031, "", it, Here(__LINE__));
    const SqlTokenIterator localeToken = it;
    const std::string locale = it->text;
    Advance(it);
    RequireClauseEnd(it, nullptr, ";");

    const std::string previous = win::crt::LocaleName();
    // Case conversion, character classes and collation follow the runtime's
    // tables; number text never does. An unknown name changes nothing.
    if (win::crt::SetLocale(locale.c_str()) == nullptr) ThrowSyntaxError(2022, locale, localeToken, Here(__LINE__));
    m_resultMessage = "Session altered: " + parameter + " set from " + previous + " to " + locale + ".";
}

void RdmSqlExec::AlterSystem(SqlTokenIterator& it) {
    m_resultMessage = "Cannot alter system.";
    if (!Take(it, "SET")) ThrowSyntaxError(2020, "Missing SET directive!", it, Here(__LINE__));
    const std::string parameter = it->text;
    Advance(it);
    std::string previous;
    std::string newValue;
    if (lurclistl::AsciiUpper(parameter) == "LOGLEVEL") {
        long mask = 0;
        bool first = true;
        while (!it->IsStatementEnd()) {
            // "=" introduces the list; after AND it may be repeated.
            if (!Take(it, "=") && first) ThrowSyntaxError(2031, "", it, Here(__LINE__));
            first = false;
            if (!newValue.empty()) newValue += ", ";
            newValue += it->text;
            const long bit = LogCategoryBit(it);
            mask = bit <= 1 ? bit : mask | bit;  // a word named twice counts once
        }
        m_descs.GetServerParam("debuglog", previous);
        previous = LogMaskText(previous);
        m_descs.SetServerParam("debuglog", std::to_string(mask).c_str());
    } else if (lurclistl::AsciiUpper(parameter) == "NETLOCK") {
        if (!Take(it, "=")) ThrowSyntaxError(2031, "", it, Here(__LINE__));
        newValue = it->text;
        m_descs.GetServerParam("net_lock", previous);
        previous = previous == "1" ? "true" : "false";
        const std::string upper = lurclistl::AsciiUpper(newValue);
        if (upper != "TRUE" && upper != "FALSE") ThrowSyntaxError(2022, newValue, it, Here(__LINE__));
        m_descs.SetServerParam("net_lock", newValue.c_str());
        Advance(it);
    } else {
        ThrowSyntaxError(2019, it->text, it, Here(__LINE__));
    }
    m_resultMessage = "System altered: " + parameter + " set from " + previous + " to " + newValue + ".";
}

long RdmSqlExec::LogCategoryBit(SqlTokenIterator& it) {
    const LogCategory* match = nullptr;
    for (const LogCategory& category : kLogCategories)
        if (it->text == category.word) {
            match = &category;
            break;
        }
    if (match == nullptr) ThrowSyntaxError(2027, it->text, it, Here(__LINE__));
    Advance(it);
    if (!Take(it, "AND") && !it->IsStatementEnd()) ThrowSyntaxError(2020, it->text, it, Here(__LINE__));
    return match->bit;
}

std::string RdmSqlExec::LogMaskText(const std::string& mask) {
    const long value = std::strtol(mask.c_str(), nullptr, 10);
    if (value == 0) return "NO";
    std::string words;
    for (const LogCategory& category : kLogCategories) {
        if (category.bit == 0 || (value & category.bit) == 0) continue;
        if (!words.empty()) words += ", ";
        words += category.word;
    }
    return words;
}
