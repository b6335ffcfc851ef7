#include "RdmBookmark.h"

#include "DbDesc.h"
#include "RdmTable.h"

namespace {

constexpr int32_t kNoBookmark = 2034;
constexpr int32_t kMarkOperation = 0;
constexpr int32_t kGoToOperation = 1;

}  // namespace

RdmBookmark::RdmBookmark(DbDesc* desc, const std::string& table) { Open(desc, table); }

RdmBookmark::RdmBookmark(const RdmTable& table) { Open(table.GetDescPtr(), table.GetName()); }

RdmBookmark::RdmBookmark(const RdmBookmark& other) : RdmSrvObject(other), m_tableName(other.m_tableName) {}

RdmBookmark& RdmBookmark::operator=(const RdmBookmark& other) {
    if (&other == this) return *this;
    Share(other);
    m_tableName = other.m_tableName;
    return *this;
}

RdmBookmark::~RdmBookmark() {
    try {
        Release();
    } catch (...) {
        // A destructor does not report the drop.
    }
}

int32_t RdmBookmark::Open(DbDesc* desc, std::string table) {
    m_tableName = std::move(table);
    return RdmSrvObject::Open(desc);
}

int32_t RdmBookmark::Mark() {
    if (GetId() == -1) return kNoBookmark;
    return GetDesc()->BookmarkOperation(GetId(), kMarkOperation);
}

int32_t RdmBookmark::GoTo() {
    if (GetId() == -1) return kNoBookmark;
    return GetDesc()->BookmarkOperation(GetId(), kGoToOperation);
}

int32_t RdmBookmark::CreateOnServer(int32_t* id) { return GetDesc()->BookmarkCreate(*id, m_tableName); }

int32_t RdmBookmark::DropOnServer(int32_t id) { return GetDesc()->BookmarkDrop(id); }
