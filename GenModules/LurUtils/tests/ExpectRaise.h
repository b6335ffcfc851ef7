// Test helper shared by the module's test files.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "LurExceptBaseArg.h"

namespace testing_lurutils {

// The code, source file and line, and arguments of the LurExceptBaseArg an
// operation raises.
template <class Operation>
void ExpectRaiseAt(Operation operation, int code, const std::string& file, int line, const StrVector& args) {
    try {
        operation();
        ADD_FAILURE() << "no raise";
    } catch (const LurExceptBaseArg& e) {
        EXPECT_EQ(e.GetCode(), code);
        EXPECT_EQ(e.GetLocation().file, file);
        EXPECT_EQ(e.GetLocation().line, line);
        EXPECT_EQ(e.GetArgs(), args);
    }
}

}  // namespace testing_lurutils
