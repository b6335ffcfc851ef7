// A named client transaction around a registry change: begun without the
// strict flag, so that a transaction already open on the connection is
// joined, and ended only by the call that began it: committed when the
// change returns, aborted when an exception passes (which then travels on).
// Owner is a DbDesc or a DbDescMap; both begin and end the connection's
// transaction.
#pragma once

#include <exception>

#include "LurExceptBase.h"

// Aborts the connection's transaction while a failure is on its way: that
// failure is the one to report, so a failing abort must not replace it.
template <class Owner>
void AbortAfterFailure(Owner& owner) {
    try {
        owner.EndTrans(false);
    } catch (const LurExceptBase&) {
    }
}

template <class Owner, class Change>
auto InRegistryTransaction(Owner& owner, const char* name, Change change) {
    const bool begun = owner.BeginTrans(name, false);
    try {
        auto result = change();
        if (begun) owner.EndTrans(true);
        return result;
    } catch (...) {
        if (begun) AbortAfterFailure(owner);
        throw;
    }
}
