// RdmSrvObject: an object kept on the database server for a table (a
// bookmark or a cursor), shared by all copies of the C++ object through one
// handle record, so that the server object is dropped exactly once, when the
// last copy lets go of it.
#pragma once

#include <cstdint>

class DbDesc;

// The record shared by the copies of one server object.
struct RdmSrvHandle {
    // A count that reached kStuckRefs no longer knows its holders: it stays
    // there, and the record and its server object are never freed. Leaking
    // them is the safe side; a wrapped count would drop them while copies
    // still use them.
    static constexpr int16_t kStuckRefs = INT16_MAX;

    int32_t id = -1;   // the server object's id; -1 none
    int16_t refs = 0;  // holders; 1 or more while any object holds the record
};

class RdmSrvObject {
public:
    RdmSrvObject() = default;
    // Shares the other object's server object.
    RdmSrvObject(const RdmSrvObject& other);
    // Derived destructors call Release: the drop is theirs.
    virtual ~RdmSrvObject() = default;

    // Creates a new server object on the description, after letting go of
    // the one held. A failed create leaves the object holding nothing.
    int32_t Open(DbDesc* desc);
    // Lets go of the server object; the last holder drops it on the server.
    int32_t Release();
    // Lets go of what this object holds and shares the other's object.
    RdmSrvObject& Share(const RdmSrvObject& other);

    int32_t GetId() const { return m_handle ? m_handle->id : -1; }
    // 2011 when the object has no description.
    DbDesc* GetDesc() const;

protected:
    RdmSrvObject& operator=(const RdmSrvObject& other) { return Share(other); }

    virtual int32_t CreateOnServer(int32_t* id) = 0;
    virtual int32_t DropOnServer(int32_t id) = 0;

private:
    DbDesc* m_desc = nullptr;          // not owned
    RdmSrvHandle* m_handle = nullptr;  // owned jointly by its holders (refs); freed by the last
};
