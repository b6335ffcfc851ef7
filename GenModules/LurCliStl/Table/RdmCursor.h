// RdmCursor: a table paired with one of its key fields, moving through the
// table in that key's order without changing the key the table navigates
// by. It keeps no position of its own (moves start from the table's current
// record) and creates nothing on the server.
#pragma once

#include <string>

#include "RdmSrvObject.h"

class RdmTable;

class RdmCursor : public RdmSrvObject {
public:
    RdmCursor() = default;
    RdmCursor(DbDesc* desc, const std::string& table, const std::string& key);
    RdmCursor(const RdmTable& table, const std::string& key);
    RdmCursor(const RdmCursor& other);
    RdmCursor& operator=(const RdmCursor& other);
    ~RdmCursor() override;

    const std::string& GetTableName() const { return m_tableName; }
    const std::string& GetKeyName() const { return m_keyName; }
    // Always 0: the cursor needs nothing from the server.
    int32_t Open(DbDesc* desc, std::string table, std::string key);
    // A server move (0 first, 1 previous, 2 next, 3 last, 4 re-read) along
    // the cursor's key; the table's own key is current again afterwards, on
    // every path. 0 moved, 10002 no record there.
    int32_t Move(int32_t code);

protected:
    int32_t CreateOnServer(int32_t* id) override;
    int32_t DropOnServer(int32_t id) override;

private:
    std::string m_keyName;
    std::string m_tableName;
};
