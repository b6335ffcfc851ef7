// LinkSet: the changes recorded per transaction and their replay into every
// connection of the set.
#include <new>

#include "DbDescError.h"
#include "FunctionLoader.h"
#include "LinkSet.h"

namespace {

constexpr ThrowSource Here{"DbSrv\\server\\LurDbLink\\TransactionElem"};

// The failure to copy an element's record bytes.
DbDescError ElementOutOfMemory(int line) { return DbDescError(lurdbcli::kOutOfMemory, Here(line), StrVector()); }

}  // namespace

int32_t LinkSet::KeyFieldOf(int32_t dbNo, int32_t recType) const {
    const auto found = m_descriptions.find(dbNo);
    return found == m_descriptions.end() ? -1 : found->second.GetUniqueKey(recType);
}

int32_t LinkSet::AddElem(int16_t type, int32_t trId, int32_t dbNo, int32_t recType, int32_t size,
                         const unsigned char* data, int mode) {
    if (m_connections.empty()) return 0;

    // A delete or modify selects its record by the unique key; without one
    // the linked databases would change whatever record is current there.
    const int32_t keyField = KeyFieldOf(dbNo, recType);
    if (type == TransactionElem::kDelete || type == TransactionElem::kModify) {
        if (!ServesDatabase(dbNo)) return kNoTablespace;
        if (keyField < 0) return kNoUniqueKey;
    }

    try {
        TransactionElem elem;
        elem.SetFields(type, dbNo, recType, keyField, size, data);
        m_transactionLists[trId].push_back(std::move(elem));
    } catch (const std::bad_alloc&) {
        throw ElementOutOfMemory(__LINE__);
    }

    if (mode != kApplyAtOnce) return 0;
    int32_t result = 0;
    try {
        result = ReplayList(trId);
    } catch (...) {
        DropList(trId);
        throw;
    }
    DropList(trId);
    return result;
}

int32_t LinkSet::EndTransaction(int32_t trId, bool commit) {
    if (m_connections.empty()) return 0;

    int32_t result = 0;
    try {
        // A failed replay has aborted every connection already.
        if (commit) result = ReplayList(trId);
        if (result == 0) result = EndOnAll(commit);
    } catch (...) {
        DropList(trId);
        throw;
    }
    DropList(trId);
    return result;
}

int32_t LinkSet::GetList(int32_t trId, std::vector<TransactionElem>& out) const {
    const auto found = m_transactionLists.find(trId);
    if (found == m_transactionLists.end()) return lurdbcli::kNotFound;
    try {
        std::vector<TransactionElem> copy(found->second);
        out.swap(copy);
    } catch (const std::bad_alloc&) {
        throw ElementOutOfMemory(__LINE__);
    }
    return 0;
}

void LinkSet::DropList(int32_t trId) {
    const auto found = m_transactionLists.find(trId);
    if (found != m_transactionLists.end()) found->second.clear();
}

int32_t LinkSet::ReplayList(int32_t trId) {
    const auto found = m_transactionLists.find(trId);
    if (found == m_transactionLists.end()) return 0;

    int32_t result = 0;
    for (TransactionElem& elem : found->second) {
        result = ReplayElem(elem);
        if (result != 0) break;
    }
    // Part of the list reached part of the connections: none of it may be
    // committed later.
    if (result != 0) EndOnAll(false);
    return result;
}

int32_t LinkSet::ReplayElem(TransactionElem& elem) {
    const FunctionLoader& loader = GetFunctionLoader();
    // One buffer serves every connection in turn.
    char* record = reinterpret_cast<char*>(elem.GetData());
    const int32_t dbNo = elem.GetDbNo();
    const int32_t recType = elem.GetRecType();
    const int32_t size = elem.GetSize();

    switch (elem.GetType()) {
        case TransactionElem::kNew: return ForEachConnection(loader.pfNewRec, dbNo, recType, size, record);
        case TransactionElem::kDelete:
        case TransactionElem::kModify: {
            const int32_t result = DefineKeyOnAll(dbNo, recType, elem.GetKeyField());
            if (result != 0) return result;
            const RecordFunction change =
                elem.GetType() == TransactionElem::kDelete ? loader.pfDelRec : loader.pfModRec;
            return ForEachConnection(change, dbNo, recType, size, record);
        }
        default: return kBadElementType;
    }
}

int32_t LinkSet::ForEachConnection(RecordFunction function, int32_t dbNo, int32_t recType, int32_t size, char* data) {
    if (!function) return lurdbcli::kFunctionMissing;
    for (auto& [name, connection] : m_connections) {
        const int32_t result = function(connection->GetHandle(), dbNo, recType, size, data);
        if (result != 0) return result;
    }
    return 0;
}

int32_t LinkSet::DefineKeyOnAll(int32_t dbNo, int32_t recType, int32_t keyField) {
    const lurdbcli::DefineKeyFn defineKey = GetFunctionLoader().pfDefineKey;
    if (!defineKey) return lurdbcli::kFunctionMissing;
    for (auto& [name, connection] : m_connections) {
        const int32_t result = defineKey(connection->GetHandle(), dbNo, recType, keyField);
        if (result != 0) return result;
    }
    return 0;
}

int32_t LinkSet::EndOnAll(bool commit) {
    // Once a commit has failed the transaction as a whole has failed: the
    // failed connection and the ones after it are aborted, none stays open.
    int32_t first = 0;
    for (auto& [name, connection] : m_connections) {
        DbDescMap& descMap = connection->GetDescMap();
        const bool commitHere = commit && first == 0;
        const int32_t result = descMap.EndTransaction(commitHere);
        if (result == 0 || first != 0) continue;
        first = result;
        if (commitHere) descMap.EndTransaction(false);
    }
    return first;
}
