// DbDescMap: the open tablespaces of one connection, one DbDesc per
// tablespace keyed by its upper-case name, with the connection's client
// handle. It opens tablespaces on the server, loads their descriptions into
// the process-wide description cache (one DbStruct per handle and
// tablespace, shared by every DbDesc and copy of it, and gone with the last
// of them), reads each tablespace's version row from the catalogue "SYSDB",
// and hands the descriptions out by name or position, as pointers or as
// copies.
//
// The connection-wide calls (transactions, server parameters, dotted names,
// record locks) are in DbDescMapCalls.cpp.
//
// Interactive use. A program with a user in front of it (the default) shows
// failures that the layer reports without raising in the message box; the
// link module, which runs inside the database server, calls
// lurclistl::SetInteractive(false) once at load: it then has no message box
// and no login dialog, refusals are silent and the version-row failure is
// written to standard output.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "DbDesc.h"

class LurExceptBase;

namespace lurclistl {

// Whether the process may show message boxes and the login dialog; true
// until a module without a user (the link module) clears it.
void SetInteractive(bool interactive);
bool IsInteractive();

// The report of a failure that the operation goes on after: a message box
// captioned "Error occured:" with the text, code and location, or, in a
// process that is not interactive, the same text on standard output.
void ReportError(const LurExceptBase& error);

}  // namespace lurclistl

class DbDescMap {
public:
    static constexpr int32_t kNoHandle = 10014;
    static constexpr int32_t kCatalogueNumber = 19;
    static constexpr const char* kCatalogueName = "SYSDB";

    // Why a tablespace could not be opened or loaded by a quiet open
    // (OpenAll opens quietly): the name as asked for, its number, the
    // client status (or the code of the refusal) and a text.
    struct OpenFailure {
        std::string name;
        int32_t dbNo = -1;
        int32_t status = 0;
        std::string reason;
    };

    DbDescMap() = default;
    DbDescMap(const DbDescMap& other) = default;
    DbDescMap& operator=(const DbDescMap& other) = default;
    ~DbDescMap() = default;

    void SetHandle(int32_t handle) { m_handle = handle; }
    int32_t GetHandle() const { return m_handle; }

    // ---- opening and loading -------------------------------------------------

    // Opens "SYSDB" and every tablespace its table "tablespace" lists. False
    // only when "SYSDB" cannot be opened or lists no tablespace; a
    // tablespace that fails to open is left out and its reason kept
    // (GetOpenFailures).
    bool OpenAll();
    // Opens one tablespace; the catalogue's number for the name replaces
    // dbNo when the catalogue lists the name.
    bool OpenTablespace(const char* name, int32_t dbNo, char mode, bool quiet);
    // Loads a description, opening the tablespace on the server when it is
    // not open yet. A failed open is false when quiet, else DbDescError.
    bool OpenDb(const char* name, int32_t dbNo, char mode, bool quiet);
    // Fetches and loads one description; false when the tablespace is not
    // open for the handle (10011, 10004).
    bool GetDescription(int32_t dbNo, const char* name);
    // Parses a fetched blob into a new description and stores it. A reload
    // of a tablespace whose structure some description on the handle still
    // uses parses aside and takes the new structure only when its layout
    // (tables, fields, names) is unchanged, so that no copy ever sees
    // buffers of another layout; otherwise the reload is refused (false, the
    // old entry stays). A blob that fails to parse raises and changes nothing.
    bool LoadDescription(const char* blob, int32_t length, const char* name, int32_t dbNo);
    // The failures of the quiet opens since the last OpenAll began.
    const std::vector<OpenFailure>& GetOpenFailures() const { return m_openFailures; }
    // The structures in the description cache, over all handles: those that
    // some description still uses.
    static int32_t CachedStructureCount();

    // ---- entries -------------------------------------------------------------

    bool StoreDesc(const DbDesc& desc);
    bool RemoveDesc(std::string name);
    void Clear() { m_descs.clear(); }

    // Lookups by name upper-case it; an unknown name raises 2000 [NAME].
    DbDesc* GetDesc(std::string name);
    const DbDesc* GetDescConst(std::string name) const;
    DbDesc GetDescCopy(std::string name) const;
    // Positions follow the names' byte order; outside 0..Count()-1 raises
    // 2000 ["index: n"].
    DbDesc GetDescAt(int32_t index) const;
    DbDesc* GetDescAtPtr(int32_t index);
    bool HasDesc(std::string name) const;
    int32_t Count() const { return static_cast<int32_t>(m_descs.size()); }

    void AddOptionToAll(int32_t code);
    void RemoveOptionFromAll(int32_t code);
    void AddOptionsToAll(const TableOptions& codes);
    void RemoveOptionsFromAll(const TableOptions& codes);
    void SetOptionsForAll(const TableOptions& codes);

    // ---- connection-wide calls (DbDescMapCalls.cpp) --------------------------

    // The client status of beginning / ending the handle's transaction.
    int32_t BeginTransaction(std::string name);
    int32_t EndTransaction(bool commit);
    // True when begun; false when one is open already and not strict;
    // otherwise DbDescError (status) [name].
    bool BeginTrans(std::string name, bool strict);
    // A nonzero status raises DbDescError without arguments.
    void EndTrans(bool commit);
    // "volumeid" is read through the extension package "RaRerurud" when the
    // client library lacks GetServerParam.
    void GetServerParam(const char* name, std::string& value);
    void SetServerParam(const char* name, const char* value);
    // "table" or "tablespace.table": 2002 unknown, 2042 in two tablespaces,
    // 2000 tablespace not open, 2019 any other number of parts.
    void ResolveName(const std::string& name, int32_t* dbNo, int32_t* recType);
    // The same, possibly ending in a field; -1 for whatever is not found.
    void ResolveFieldName(const std::string& name, int32_t* dbNo, int32_t* recType, int32_t* fieldNo);
    void SplitName(const std::string& name, std::string& tablespace, std::string& table, std::string& field);
    // The record type of the table in the open tablespaces (stops counting
    // at 2); -1 when none has it.
    int32_t FindTableInAll(const std::string& table, int32_t* count, int32_t* dbNo);
    // Locks the tables (names as for ResolveName, the mode's first
    // character) in one client call; a refusal raises DbDescError.
    int32_t LockRecords(const std::vector<std::pair<std::string, std::string>>& entries);

private:
    using DescMap = std::map<std::string, DbDesc>;

    void NoteFailure(const char* name, int32_t dbNo, int32_t status, const std::string& reason);
    // Reads the version row of a new description from the catalogue.
    void ReadVersion(DbDesc& desc, DbDesc& catalogue, const char* name);

    DescMap m_descs;  // by upper-case tablespace name
    int32_t m_handle = kNoHandle;
    std::vector<OpenFailure> m_openFailures;
};
