// The exports of libLurDbLink.so and the module's load. Every export finds
// its link set in the link table, runs, and turns any exception into its
// answer: the code of a LurExceptBase, 10064 for anything else.
#include "LurDbLink.h"

#include "DbDescMap.h"
#include "LinkTable.h"
#include "LurExceptBase.h"

namespace {

template <class Operation>
int32_t RunOnSet(int32_t linkId, Operation operation) noexcept {
    try {
        return operation(GetLinkTable()[linkId]);
    } catch (const LurExceptBase& error) {
        return error.GetCode();
    } catch (...) {
        return LinkSet::kUnknownException;
    }
}

// The module runs inside the database server: no message box and no login
// dialog, refusals stay silent.
__attribute__((constructor)) void OnModuleLoad() { lurclistl::SetInteractive(false); }

}  // namespace

extern "C" {

int32_t CreateLink(int32_t linkId, const std::vector<DbLink>& links, LinkReportCallback report) {
    return RunOnSet(linkId, [&](LinkSet& set) { return set.CreateLinks(linkId, links, report); });
}

int32_t DestroyLink(int32_t linkId) {
    return RunOnSet(linkId, [](LinkSet& set) { return set.DestroyLinks(); });
}

int32_t BeginTransactionLink(int32_t linkId, int32_t /*trId*/, const char* /*name*/) {
    return RunOnSet(linkId, [](LinkSet& set) { return set.BeginTransaction(); });
}

int32_t EndTransactionLink(int32_t linkId, int32_t trId, int32_t commit) {
    return RunOnSet(linkId, [&](LinkSet& set) { return set.EndTransaction(trId, commit != 0); });
}

int32_t AddElemLink(int32_t linkId, int16_t type, int32_t trId, int32_t dbNo, int32_t recType, int32_t size,
                    const unsigned char* data, int mode) {
    return RunOnSet(linkId, [&](LinkSet& set) { return set.AddElem(type, trId, dbNo, recType, size, data, mode); });
}

int32_t GetTransactionListLink(int32_t linkId, int32_t trId, std::vector<TransactionElem>& out) {
    return RunOnSet(linkId, [&](LinkSet& set) { return set.GetList(trId, out); });
}

}  // extern "C"
