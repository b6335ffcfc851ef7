// The interface of the link module libLurDbLink.so, shared by the module and
// every program that loads it (the database server, DbSrv/host).
//
// The server keeps numbered link sets. A link set is a group of connections
// to further database services; the server sends it the record changes of
// its transactions, and the module replays them in every linked database
// and commits or aborts them there.
//
// Binding: the six functions are exported under their plain names
// ("CreateLink", ...), found with dlsym; the *Fn types below are their
// pointer types. Every function returns 0 for success, otherwise a code,
// and never lets an exception out. The functions are called one at a time.
//
// Records crossing the interface (DbLink, TransactionElem) use the standard
// library that module and server share, and the one heap: the element
// copies that GetTransactionListLink puts into the server's vector are freed
// by the server. TransactionElem is defined here in full, so that both sides
// copy and destroy elements with the same code.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#define LURDBLINK_EXPORT __attribute__((visibility("default")))

// One link as the server describes it; the module only reads it.
struct DbLink {
    int32_t reserved = 0;  // not used by the module
    std::string name;      // link name: the key in the set and part of reports
    std::string service;   // database service (its client settings in the registry)
    std::string user;
    std::string password;
    int16_t enabled = 1;  // 0: the link is skipped
};

// One recorded change of a transaction: the record bytes of a record type
// (10000 + the table's index) of a database (tablespace) number. Owns its
// copy of the bytes.
class TransactionElem {
public:
    static constexpr int16_t kNew = 1;
    static constexpr int16_t kDelete = 2;
    static constexpr int16_t kModify = 3;

    TransactionElem() = default;
    TransactionElem(const TransactionElem& other) { *this = other; }
    TransactionElem(TransactionElem&& other) noexcept { Take(other); }
    // Copies the numbers and the bytes; the target is unchanged when the copy
    // of the bytes cannot be allocated (std::bad_alloc).
    TransactionElem& operator=(const TransactionElem& other) {
        if (this != &other)
            Replace(other.m_type, other.m_dbNo, other.m_recType, other.m_keyField, other.m_size, other.m_data);
        return *this;
    }
    TransactionElem& operator=(TransactionElem&& other) noexcept {
        if (this != &other) {
            delete[] m_data;
            Take(other);
        }
        return *this;
    }
    virtual ~TransactionElem() { delete[] m_data; }

    // Sets every field; with data, the element keeps its own copy of size
    // bytes, without data it has none (size is kept). std::bad_alloc (also
    // for a negative size with data) leaves the element unchanged.
    void SetFields(int16_t type, int32_t dbNo, int32_t recType, int32_t keyField, int32_t size,
                   const unsigned char* data) {
        Replace(type, dbNo, recType, keyField, size, data);
    }

    int16_t GetType() const { return m_type; }
    int32_t GetDbNo() const { return m_dbNo; }
    int32_t GetRecType() const { return m_recType; }
    int32_t GetKeyField() const { return m_keyField; }
    int32_t GetSize() const { return m_size; }
    unsigned char* GetData() { return m_data; }
    const unsigned char* GetData() const { return m_data; }

private:
    void Replace(int16_t type, int32_t dbNo, int32_t recType, int32_t keyField, int32_t size,
                 const unsigned char* data) {
        unsigned char* copy = nullptr;
        if (data) {
            if (size < 0) throw std::bad_array_new_length();
            copy = new unsigned char[static_cast<size_t>(size)];
            if (size > 0) std::memcpy(copy, data, static_cast<size_t>(size));
        }
        delete[] m_data;
        m_data = copy;
        m_type = type;
        m_dbNo = dbNo;
        m_recType = recType;
        m_keyField = keyField;
        m_size = size;
    }
    void Take(TransactionElem& other) noexcept {
        m_type = other.m_type;
        m_dbNo = other.m_dbNo;
        m_recType = other.m_recType;
        m_keyField = other.m_keyField;
        m_size = other.m_size;
        m_data = std::exchange(other.m_data, nullptr);
    }

    int16_t m_type = -1;      // kNew, kDelete, kModify
    int32_t m_dbNo = -1;      // database (tablespace) number
    int32_t m_recType = -1;   // 10000 + the table's index
    int32_t m_keyField = -1;  // field number of the unique key; -1 none
    int32_t m_size = 0;       // byte length of the record
    unsigned char* m_data = nullptr;
};

// The server's report function, called when connecting a link fails with an
// exception; its result is ignored.
using LinkReportCallback = int32_t (*)(int32_t linkId, char* text);

extern "C" {

// Connects the enabled links of the set linkId (ending the connections it
// had first). 10015 when a login is refused; an exception's code, reported
// through report, when connecting raises one. A link to a service an
// earlier link of the set reaches already is refused so (10015, reported
// with both link names): the set keeps one connection per service.
LURDBLINK_EXPORT int32_t CreateLink(int32_t linkId, const std::vector<DbLink>& links, LinkReportCallback report);
// Disconnects and deletes the set's connections and drops its lists.
LURDBLINK_EXPORT int32_t DestroyLink(int32_t linkId);
// Begins the transaction "TR_LINK" on every connection of the set; trId and
// name are not used.
LURDBLINK_EXPORT int32_t BeginTransactionLink(int32_t linkId, int32_t trId, const char* name);
// Commit (nonzero): replays the list of trId into every connection, then
// commits each. Abort (0): drops the list and aborts each.
LURDBLINK_EXPORT int32_t EndTransactionLink(int32_t linkId, int32_t trId, int32_t commit);
// Records one change (type kNew, kDelete or kModify) of transaction trId;
// mode 2 replays the transaction's list at once.
LURDBLINK_EXPORT int32_t AddElemLink(int32_t linkId, int16_t type, int32_t trId, int32_t dbNo, int32_t recType,
                                     int32_t size, const unsigned char* data, int mode);
// Replaces out by a copy of the list of trId; 10002 when trId has none.
LURDBLINK_EXPORT int32_t GetTransactionListLink(int32_t linkId, int32_t trId, std::vector<TransactionElem>& out);

}  // extern "C"

using CreateLinkFn = decltype(&CreateLink);
using DestroyLinkFn = decltype(&DestroyLink);
using BeginTransactionLinkFn = decltype(&BeginTransactionLink);
using EndTransactionLinkFn = decltype(&EndTransactionLink);
using AddElemLinkFn = decltype(&AddElemLink);
using GetTransactionListLinkFn = decltype(&GetTransactionListLink);

// The mode of AddElemLink that replays the list at once.
inline constexpr int kApplyAtOnce = 2;
