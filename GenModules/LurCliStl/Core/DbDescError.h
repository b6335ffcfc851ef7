// DbDescError: the one exception class of the database layers. Its code is
// either one of the library's own database codes (2000-2045), a status of
// the client library passed on unchanged (10000-10073), or a socket error
// that the client library reports as a number below -20000.
#pragma once

#include <cstdint>
#include <string>

#include "LurExceptBaseArg.h"

class DbDescError : public LurExceptBaseArg {
public:
    DbDescError(int code, const ErrorLocation& where, const StrVector& args, const char* language = nullptr);
    DbDescError(const DbDescError&);
    ~DbDescError() override;

    // Looks the text up afresh on every call: database codes at 20000 + code,
    // client codes at 13000 + code, any other code at 23044; a socket error
    // takes the system's text. An empty text falls back to the family's rule.
    const char* LoadText(const std::string& language) const override;

    // Not severe: code 0 and the client answers that callers treat as
    // ordinary outcomes (not found, locked, already open, ...).
    bool IsSevere() const override;

private:
    const char* LoadSocketErrorText(const std::string& language) const;

    // The text of a socket error lives with its exception, so that the
    // pointer handed out stays valid as long as the exception does.
    mutable std::string m_socketText;
};

namespace lurclistl {

// The location of a throw site in a source file of this library, named as
// the error reports show it: ("DbStruct", __LINE__) gives
// "GenModules\LurCliStl\DbStruct", function "NULL".
ErrorLocation ThrowSite(const char* sourceFile, int line);

// Resource ids of the texts.
inline constexpr int kClientTextBase = 13000;    // client codes 10000-10073
inline constexpr int kDatabaseTextBase = 20000;  // database codes 2000-2045
inline constexpr int kOtherCodeText = 23044;
inline constexpr int kSocketErrorLabel = 24051;

// Registers the library's message texts with the program's string
// resources; the first call does it. DbDescError's lookup calls it, so a
// program that can raise one always carries the texts.
void RegisterDbErrorTexts();

}  // namespace lurclistl
