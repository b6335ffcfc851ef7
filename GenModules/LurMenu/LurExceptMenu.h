// The application registry's exception: codes 900-999, texts at string
// resources 20900 + (code - 900), compiled into every program that links
// the registry.
#pragma once

#include "LurExceptBaseArg.h"

class LurExceptMenu : public LurExceptBaseArg {
public:
    enum Code {
        AppNotFound = 910,
        AppExists = 911,
        PluginNotFound = 913,
        PluginExists = 914,
    };

    LurExceptMenu(int code, const StrVector& args, const char* language = nullptr);
    LurExceptMenu(int code, const ErrorLocation& where, const StrVector& args, const char* language = nullptr);
    LurExceptMenu(const LurExceptMenu&);
    ~LurExceptMenu() override;

    Range GetOwnRange() const override { return {900, 999}; }
    unsigned short GetOwnResourceBase() const override { return 20900; }
};
