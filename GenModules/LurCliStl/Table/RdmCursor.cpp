#include "RdmCursor.h"

#include "DbDesc.h"
#include "RdmTable.h"
#include "ScopedKey.h"
#include "lurdbcli.h"

RdmCursor::RdmCursor(DbDesc* desc, const std::string& table, const std::string& key) { Open(desc, table, key); }

RdmCursor::RdmCursor(const RdmTable& table, const std::string& key) { Open(table.GetDescPtr(), table.GetName(), key); }

RdmCursor::RdmCursor(const RdmCursor& other)
    : RdmSrvObject(other), m_keyName(other.m_keyName), m_tableName(other.m_tableName) {}

RdmCursor& RdmCursor::operator=(const RdmCursor& other) {
    if (&other == this) return *this;
    Share(other);
    m_keyName = other.m_keyName;
    m_tableName = other.m_tableName;
    return *this;
}

RdmCursor::~RdmCursor() {
    try {
        Release();
    } catch (...) {
    }
}

int32_t RdmCursor::Open(DbDesc* desc, std::string table, std::string key) {
    m_tableName = std::move(table);
    m_keyName = std::move(key);
    return RdmSrvObject::Open(desc);
}

int32_t RdmCursor::Move(int32_t code) {
    DbDesc& desc = *GetDesc();
    ScopedKey tableKey(desc, m_tableName);
    desc.DefineKey(m_tableName, m_keyName);
    const bool moved = desc.Move(code, m_tableName);
    tableKey.Restore();
    return moved ? 0 : lurdbcli::kNotFound;
}

int32_t RdmCursor::CreateOnServer(int32_t* /*id: a cursor has none*/) { return 0; }

int32_t RdmCursor::DropOnServer(int32_t /*id*/) { return 0; }
