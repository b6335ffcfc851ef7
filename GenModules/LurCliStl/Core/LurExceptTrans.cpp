#include "LurExceptTrans.h"

LurExceptTrans::LurExceptTrans(int code, const std::string& text, const ErrorLocation& where, const StrVector& args,
                               const std::string& language)
    : LurExceptBaseArg(code, text.c_str(), where, args, language.c_str()) {}

LurExceptTrans::LurExceptTrans(int code, const std::string& text, const StrVector& args, const std::string& language)
    : LurExceptTrans(code, text, ErrorLocation(), args, language) {}

LurExceptTrans::LurExceptTrans(const LurExceptBaseArg& other)
    : LurExceptTrans(other.GetCode(), other.what(""), other.GetLocation(), other.GetArgs(), other.GetLanguage()) {}

LurExceptTrans::LurExceptTrans(const LurExceptBase& other)
    : LurExceptTrans(other.GetCode(), other.what(), other.GetLocation(), StrVector(), other.GetLanguage()) {}

LurExceptTrans::~LurExceptTrans() = default;
