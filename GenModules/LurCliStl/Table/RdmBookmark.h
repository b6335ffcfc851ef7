// RdmBookmark: a server bookmark of one table, marking a record that the
// table can return to. Copies share the server bookmark; the last copy to go
// drops it.
#pragma once

#include <string>

#include "RdmSrvObject.h"

class RdmTable;

class RdmBookmark : public RdmSrvObject {
public:
    RdmBookmark() = default;
    // Both open the bookmark at once; the open's code is not kept (an
    // object whose create failed has id -1).
    RdmBookmark(DbDesc* desc, const std::string& table);
    explicit RdmBookmark(const RdmTable& table);
    RdmBookmark(const RdmBookmark& other);
    RdmBookmark& operator=(const RdmBookmark& other);
    ~RdmBookmark() override;

    std::string GetTableName() const { return m_tableName; }
    int32_t Open(DbDesc* desc, std::string table);
    // Operation 0 (mark the current record) and 1 (go to the marked one);
    // 2034 without a server bookmark, else the client's answer.
    int32_t Mark();
    int32_t GoTo();

protected:
    int32_t CreateOnServer(int32_t* id) override;
    int32_t DropOnServer(int32_t id) override;

private:
    std::string m_tableName;  // upper case
};
