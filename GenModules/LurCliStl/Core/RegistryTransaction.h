// A named client transaction around a change to the database: begun
// without the strict flag, so that a transaction already open on the
// connection (a caller's, or the SQL engine's "SQL") is joined and governs,
// and ended only by the call that began it: committed when the change
// returns, aborted when an exception passes (which then travels on).
// Owner is anything with BeginTrans (name, strict) and EndTrans (commit):
// DbDesc, DbDescMap, RdmTable. The one home of this pattern: the registry,
// the version updater and the stored tables' save use it.
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
