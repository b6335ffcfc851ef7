// Test support: the code of the database error that a call raises, for
// tests that assert on the code alone.
#pragma once

#include "DbDescError.h"

namespace lurtest {

// The code of the DbDescError that body raises, 0 when it raises none; any
// other exception passes through to the test.
template <class Body>
int ErrorCode(Body&& body) {
    try {
        body();
    } catch (const DbDescError& error) {
        return error.GetCode();
    }
    return 0;
}

}  // namespace lurtest
