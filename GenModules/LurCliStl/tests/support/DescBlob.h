// Test support: description blobs built in memory, and descriptions loaded
// from them, for tests that need a tablespace but no service.
//
// Layout of the built blobs, as the server lays records out: every record
// image starts with 4 bytes the client does not exchange (the data offset),
// then the fields in declaration order without padding; groups and compound
// keys take no bytes, and a table's compound keys follow its fields.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DbDesc.h"

namespace lurtest {

struct FieldSpec {
    std::string name;
    char type;
    int16_t length = 0;  // ignored for 'g'
    char keyKind = 'n';
    int16_t flags = 0;  // FieldDesc::kUnsigned for unsigned / raw
};

struct KeySpec {
    std::string name;
    char keyKind = 'u';
    std::vector<std::string> components;  // field names of the same table
};

struct TableSpec {
    std::string name;
    std::vector<FieldSpec> fields;
    std::vector<KeySpec> keys;
};

inline constexpr int16_t kDataOffset = 4;

std::string BuildDescBlob(const std::vector<TableSpec>& tables);

// A description loaded from a built blob, with the structure it points at.
class BlobDesc {
public:
    explicit BlobDesc(const std::vector<TableSpec>& tables, const std::string& name = "TESTDB", int32_t dbNo = 7);
    BlobDesc(const BlobDesc&) = delete;
    BlobDesc& operator=(const BlobDesc&) = delete;

    DbDesc& Desc() { return m_desc; }
    DbStruct& Struct() { return *m_struct; }

private:
    std::shared_ptr<DbStruct> m_struct;  // shared with the description
    DbDesc m_desc;
};

}  // namespace lurtest
