// LurExceptTrans: a failure reported in the server's own words, such as the
// error texts an extension package function hands back. Its message is the
// text it carries, never a resource text.
#pragma once

#include "LurExceptBaseArg.h"

class LurExceptTrans : public LurExceptBaseArg {
public:
    LurExceptTrans(int code, const std::string& text, const ErrorLocation& where, const StrVector& args,
                   const std::string& language);
    LurExceptTrans(int code, const std::string& text, const StrVector& args, const std::string& language);
    // Its code, its message for the empty language, location, arguments and language.
    explicit LurExceptTrans(const LurExceptBaseArg& other);
    // Its code, its text, location and language; no arguments.
    explicit LurExceptTrans(const LurExceptBase& other);
    LurExceptTrans(const LurExceptTrans& other) = default;
    LurExceptTrans& operator=(const LurExceptTrans& other) = default;
    ~LurExceptTrans() override;
};
