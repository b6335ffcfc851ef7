// DbDescMap: the calls that concern the whole connection: transactions,
// server parameters, dotted names and locks over several tables.
#include <cstdio>
#include <cstring>

#include "DbDescError.h"
#include "DbDescMap.h"
#include "FunctionLoader.h"
#include "LurStrings.h"
#include "RdmExtPackage.h"

namespace {

constexpr int kNotOpen = 2000;
constexpr int kNoTable = 2002;
constexpr int kBadName = 2019;
constexpr int kAmbiguousTable = 2042;
constexpr int32_t kTransactionOpen = 10023;
// The package and function that answer "volumeid" when the library has no
// parameter function.
constexpr const char* kVolumePackage = "RaRerurud";
constexpr const char* kVolumeFunction = "xd16";
constexpr size_t kVolumeIdSize = 4;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\DbDescMap"};

// The parts of a dotted name, upper case; empty parts (runs of dots, dots at
// either end) are dropped.
std::vector<std::string> Parts(const std::string& name) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= name.size()) {
        size_t dot = name.find('.', start);
        if (dot == std::string::npos) dot = name.size();
        if (dot > start) parts.push_back(lurutils::ToUpper(name.substr(start, dot - start)));
        start = dot + 1;
    }
    return parts;
}

}  // namespace

int32_t DbDescMap::BeginTransaction(std::string name) {
    return LUR_CLIENT_FUNCTION(BeginTransaction, "DbDescMap")(m_handle, name.c_str(), 0, 0);
}

int32_t DbDescMap::EndTransaction(bool commit) {
    return LUR_CLIENT_FUNCTION(EndTransaction, "DbDescMap")(m_handle, commit ? 1 : 0);
}

bool DbDescMap::BeginTrans(std::string name, bool strict) {
    const int32_t status = BeginTransaction(name);
    if (status == 0) return true;
    if (status == kTransactionOpen && !strict) return false;
    throw DbDescError(status, Here(__LINE__), StrVector(name));
}

void DbDescMap::EndTrans(bool commit) {
    const int32_t status = EndTransaction(commit);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());
}

void DbDescMap::GetServerParam(const char* name, std::string& value) {
    const std::string parameter = name ? name : "";
    FunctionLoader& client = GetFunctionLoader();
    if (parameter == "volumeid" && !client.pfGetServerParam) {
        RdmExtPackage package(m_handle, kVolumePackage);
        package.CallExtFnc(kVolumeFunction, nullptr, 0, true);
        // The id is the first four bytes of the result; a shorter result
        // holds no id to read.
        if (package.ResultSize() < static_cast<int32_t>(kVolumeIdSize))
            throw DbDescError(lurdbcli::kBadArgument, Here(__LINE__),
                              StrVector(parameter) << "volume id shorter than 4 bytes");
        const unsigned char* bytes = package.Result();
        const uint32_t id = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                            (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
        value = std::to_string(id);
        return;
    }
    char* text = nullptr;
    const int32_t status = LUR_CLIENT_FUNCTION(GetServerParam, "DbDescMap")(m_handle, parameter.c_str(), &text);
    if (status != 0) {
        if (text && client.pfFreePtr) client.pfFreePtr(text);
        throw DbDescError(status, Here(__LINE__), StrVector(parameter));
    }
    value = text ? text : "";
    if (text) LUR_CLIENT_FUNCTION(FreePtr, "DbDescMap")(text);
}

void DbDescMap::SetServerParam(const char* name, const char* value) {
    const int32_t status = LUR_CLIENT_FUNCTION(SetServerParam, "DbDescMap")(m_handle, name, value);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(name ? name : ""));
}

int32_t DbDescMap::FindTableInAll(const std::string& table, int32_t* count, int32_t* dbNo) {
    int32_t recType = -1;
    for (auto entry = m_descs.begin(); entry != m_descs.end() && *count < 2; ++entry) {
        const int32_t found = entry->second.GetRecType(lurutils::ToUpper(table));
        if (found == -1) continue;
        recType = found;
        *dbNo = entry->second.GetDbNo();
        ++*count;
    }
    return recType;
}

void DbDescMap::ResolveName(const std::string& name, int32_t* dbNo, int32_t* recType) {
    const std::vector<std::string> parts = Parts(name);
    if (parts.size() == 1) {
        int32_t count = 0;
        *recType = FindTableInAll(name, &count, dbNo);
        if (count == 0) throw DbDescError(kNoTable, Here(__LINE__), StrVector(parts[0]));
        if (count > 1) throw DbDescError(kAmbiguousTable, Here(__LINE__), StrVector(parts[0]));
        return;
    }
    if (parts.size() == 2) {
        const std::string joined = parts[0] + "." + parts[1];
        if (!HasDesc(parts[0])) throw DbDescError(kNotOpen, Here(__LINE__), StrVector(joined));
        const DbDesc* desc = GetDescConst(parts[0]);
        const int32_t found = desc->GetRecType(parts[1]);
        if (found == -1) throw DbDescError(kNoTable, Here(__LINE__), StrVector(joined));
        *dbNo = desc->GetDbNo();
        *recType = found;
        return;
    }
    throw DbDescError(kBadName, Here(__LINE__), StrVector(name));
}

void DbDescMap::ResolveFieldName(const std::string& name, int32_t* dbNo, int32_t* recType, int32_t* fieldNo) {
    *dbNo = *recType = *fieldNo = -1;
    const std::vector<std::string> parts = Parts(name);
    int32_t count = 0;
    if (parts.size() == 1) {
        *recType = FindTableInAll(parts[0], &count, dbNo);
    } else if (parts.size() == 2 && HasDesc(parts[0])) {
        const DbDesc* desc = GetDescConst(parts[0]);
        *recType = desc->GetRecType(parts[1]);
        *dbNo = desc->GetDbNo();
    } else if (parts.size() == 2) {
        *recType = FindTableInAll(parts[0], &count, dbNo);
        for (const auto& entry : m_descs)
            if (*dbNo != -1 && entry.second.GetDbNo() == *dbNo) *fieldNo = entry.second.GetFieldNo(parts[0], parts[1]);
    } else if (parts.size() == 3 && HasDesc(parts[0])) {
        const DbDesc* desc = GetDescConst(parts[0]);
        if (desc->HasTable(parts[1])) {
            *recType = desc->GetRecType(parts[1]);
            *dbNo = desc->GetDbNo();
            *fieldNo = desc->GetFieldNo(parts[1], parts[2]);
        }
    }
}

void DbDescMap::SplitName(const std::string& name, std::string& tablespace, std::string& table, std::string& field) {
    const std::vector<std::string> parts = Parts(name);
    if (parts.size() == 1) {
        table = name;
    } else if (parts.size() == 2) {
        // "tablespace.table" when the first part is an open tablespace,
        // otherwise "table.field" (a table found in some tablespace must
        // not be taken for a tablespace).
        if (HasDesc(parts[0])) {
            tablespace = parts[0];
            table = parts[1];
        } else {
            table = parts[0];
            field = parts[1];
        }
    } else if (parts.size() == 3) {
        tablespace = parts[0];
        table = parts[1];
        field = parts[2];
    }
}

int32_t DbDescMap::LockRecords(const std::vector<std::pair<std::string, std::string>>& entries) {
    const auto lock = LUR_CLIENT_FUNCTION(LockRecords, "DbDescMap");
    std::vector<char> wire;
    wire.reserve(entries.size() * lurdbcli::kLockRequestSize);
    for (const auto& [name, mode] : entries) {
        int32_t dbNo = -1, recType = -1;
        ResolveName(name, &dbNo, &recType);
        char entry[lurdbcli::kLockRequestSize] = {};
        std::memcpy(entry, &dbNo, 4);
        std::memcpy(entry + 4, &recType, 4);
        entry[8] = mode.empty() ? '\0' : mode[0];
        wire.insert(wire.end(), entry, entry + sizeof entry);
    }
    const int32_t status = lock(m_handle, static_cast<int32_t>(wire.size()), wire.data());
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());
    return 0;
}
