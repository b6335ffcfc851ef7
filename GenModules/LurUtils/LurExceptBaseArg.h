// The exception classes that carry an argument list: LurExceptBaseArg and
// the utility library's classes derived from it.
#pragma once

#include "LurExceptBase.h"
#include "StrVector.h"

class LurExceptBaseArg : public LurExceptBase {
public:
    LurExceptBaseArg(int code, const StrVector& args, const char* language = nullptr);
    LurExceptBaseArg(int code, const ErrorLocation& where, const StrVector& args, const char* language = nullptr);
    LurExceptBaseArg(const char* text, const StrVector& args, const char* language = nullptr);
    LurExceptBaseArg(const char* text, const ErrorLocation& where, const StrVector& args,
                     const char* language = nullptr);
    LurExceptBaseArg(int code, const char* text, const ErrorLocation& where, const StrVector& args,
                     const char* language = nullptr);
    LurExceptBaseArg(const LurExceptBaseArg&) = default;
    LurExceptBaseArg& operator=(const LurExceptBaseArg&) = default;
    ~LurExceptBaseArg() override;

    virtual StrVector& GetArgs();
    const StrVector& GetArgs() const;
    virtual std::string FormatArgs(std::string text) const;

protected:
    const char* BuildWhat(const std::string& language) const override;

    mutable std::string m_formatted;
    mutable StrVector m_args;  // mutable: LurExceptSys adds the original code while building its text

private:
    // What the formatted text was last built from, so that `what` rebuilds
    // only when the message or the arguments changed and a pointer from an
    // earlier call stays valid.
    mutable std::string m_builtFromMessage;
    mutable StrVector m_builtFromArgs;
    mutable bool m_built = false;
};

// A Windows error code; its text is the system's own text for the code.
class LurExceptSys : public LurExceptBaseArg {
public:
    LurExceptSys(int windowsError, const ErrorLocation& where, const StrVector& args, const char* language = nullptr);
    LurExceptSys(const LurExceptSys&);
    ~LurExceptSys() override;

    const char* LoadText(const std::string& language) const override;

private:
    mutable bool m_originalCodeAdded = false;
};

class LurFileExcept : public LurExceptBaseArg {
public:
    LurFileExcept(int code, const StrVector& args, const char* language = nullptr);
    LurFileExcept(int code, const ErrorLocation& where, const StrVector& args, const char* language = nullptr);
    LurFileExcept(const LurFileExcept&);
    ~LurFileExcept() override;

    Range GetOwnRange() const override { return {700, 749}; }
    unsigned short GetOwnResourceBase() const override { return 20700; }
};

namespace lurDate {
class LurExceptDateTime : public LurExceptBaseArg {
public:
    LurExceptDateTime(int code, const StrVector& args, const char* language = nullptr);
    LurExceptDateTime(int code, const ErrorLocation& where, const StrVector& args, const char* language = nullptr);
    LurExceptDateTime(const LurExceptDateTime&);
    ~LurExceptDateTime() override;

    Range GetOwnRange() const override { return {650, 699}; }
    unsigned short GetOwnResourceBase() const override { return 20650; }
};
}  // namespace lurDate
