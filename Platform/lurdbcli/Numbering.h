// Numbers the library hands out (handles, cursors, bookmarks): counted from
// 1 up to INT32_MAX and then round again from 1, so that a long-lived
// process never runs a counter past the 32-bit range.
#pragma once

#include <cstdint>
#include <limits>

#include "Sqlite.h"
#include "lurdbcli.h"

namespace lurdbcli {

// The first number from next on that taken() does not refuse; next moves
// past it. kOutOfMemory when every number is taken.
template <typename Taken>
int32_t TakeNextNumber(int32_t& next, Taken&& taken) {
    constexpr int32_t kLast = std::numeric_limits<int32_t>::max();
    for (int32_t tries = 0; tries < kLast; ++tries) {
        const int32_t number = next >= 1 ? next : 1;
        next = number == kLast ? 1 : number + 1;
        if (!taken(number)) {
            return number;
        }
    }
    throw StoreError{kOutOfMemory, "every number is in use"};
}

}  // namespace lurdbcli
