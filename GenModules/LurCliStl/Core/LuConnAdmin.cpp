// The server's administration calls of a connection: on its own handle
// (archives, databases, tablespaces, indexes, service names) and with a
// handle of their own for one operation (database creation, time stamps,
// data-file information).
#include <cstring>

#include "ClientBlock.h"
#include "DbDescError.h"
#include "DbStruct.h"
#include "FunctionLoader.h"
#include "LuConn.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\LuConn"};

// A handle of its own for one operation, connected to the server; released
// when it goes, whatever happened. The caller tested CreateDbHandler,
// Connect and FreeDbHandler. A failure of either call raises its status with
// errorArgs.
class PrivateHandle {
public:
    PrivateHandle(const std::string& server, const StrVector& errorArgs) {
        FunctionLoader& client = GetFunctionLoader();
        int32_t status = client.pfCreateDbHandler(&m_handle);
        if (status != 0) throw DbDescError(status, Here(__LINE__), errorArgs);
        status = client.pfConnect(m_handle, server.c_str());
        if (status != 0) {
            Release();
            throw DbDescError(status, Here(__LINE__), errorArgs);
        }
    }
    ~PrivateHandle() { Release(); }
    PrivateHandle(const PrivateHandle&) = delete;
    PrivateHandle& operator=(const PrivateHandle&) = delete;

    int32_t Get() const { return m_handle; }
    void Release() {
        if (m_handle == LuConn::kNoHandle) return;
        GetFunctionLoader().pfFreeDbHandler(m_handle);
        m_handle = LuConn::kNoHandle;
    }

private:
    int32_t m_handle = LuConn::kNoHandle;
};

int32_t ReadInt32(const char* bytes) {
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(bytes[i]);
    return static_cast<int32_t>(bits);
}

// One tablespace of the library's descriptor block.
struct DescriptorEntry {
    std::string name;
    const char* description;
    int32_t length;
};

constexpr size_t kDescriptorNameSize = lurdbcli::kDescriptorNameSize;

// The entries of a descriptor block: an int32 count, then per tablespace a
// zero-terminated name in 260 bytes, an int32 length n and n bytes. The
// whole block is checked against its length before any of it is used; false
// for a block that does not hold exactly that.
bool ParseDescriptorBlock(const char* block, int32_t length, std::vector<DescriptorEntry>& entries) {
    if (!block || length < 4) return false;
    const size_t size = static_cast<size_t>(length);
    const int32_t count = ReadInt32(block);
    if (count < 0) return false;
    size_t offset = 4;
    for (int32_t i = 0; i < count; ++i) {
        if (size - offset < kDescriptorNameSize + 4) return false;
        const char* name = block + offset;
        if (!std::memchr(name, '\0', kDescriptorNameSize)) return false;
        offset += kDescriptorNameSize;
        const int32_t n = ReadInt32(block + offset);
        offset += 4;
        if (n < 0 || static_cast<size_t>(n) > size - offset) return false;
        entries.push_back({name, block + offset, n});
        offset += static_cast<size_t>(n);
    }
    return offset == size;
}

}  // namespace

void LuConn::RequireConnected() const {
    if (!m_connected) throw DbDescError(lurdbcli::kNoHandle, Here(__LINE__), StrVector());
}

bool LuConn::ArchiveDb() {
    RequireConnected();
    const int32_t status = LUR_CLIENT_FUNCTION(ArchiveDb, "LuConn")(m_handle);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(m_service) << "ArchiveDb");
    return true;
}

bool LuConn::RestoreArchive(const std::string& archive) {
    RequireConnected();
    const int32_t status = LUR_CLIENT_FUNCTION(RestoreArchive, "LuConn")(m_handle, archive.c_str());
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(archive));
    return true;
}

void LuConn::DropDatabase(const std::string& name) {
    RequireConnected();
    const int32_t status = LUR_CLIENT_FUNCTION(DropDatabase, "LuConn")(m_handle, name.c_str());
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(name));
}

void LuConn::CreateTablespace(const std::string& name) {
    RequireConnected();
    const int32_t status = LUR_CLIENT_FUNCTION(CreateTablespace, "LuConn")(m_handle, name.c_str());
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());
}

bool LuConn::CanReindex(bool oneFile) const {
    const FunctionLoader& client = GetFunctionLoader();
    return client.pfReindex || (!oneFile && client.pfReindexAll);
}

void LuConn::Reindex(int32_t file) {
    RequireConnected();
    const bool all = file == -1;
    if (!CanReindex(!all)) throw DbDescError(lurdbcli::kFunctionMissing, Here(__LINE__), StrVector("pfReindex"));
    const FunctionLoader& client = GetFunctionLoader();
    const int32_t status =
        all && client.pfReindexAll ? client.pfReindexAll(m_handle) : client.pfReindex(m_handle, file);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());
}

void LuConn::GetServiceNames(std::vector<std::string>& list) {
    char* names = nullptr;
    int32_t length = 0;
    int32_t count = 0;
    const int32_t status = LUR_CLIENT_FUNCTION(GetServiceNames, "LuConn")(m_handle, &names, &length, &count);
    const ClientBlock block(names);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());
    // Every name must end inside the block: nothing is read past it.
    std::vector<std::string> found;
    size_t offset = 0;
    const size_t size = length > 0 ? static_cast<size_t>(length) : 0;
    for (int32_t i = 0; i < count; ++i) {
        const void* end = names && offset < size ? std::memchr(names + offset, '\0', size - offset) : nullptr;
        if (!end) throw DbDescError(lurdbcli::kBadArgument, Here(__LINE__), StrVector());
        const size_t nameLength = static_cast<size_t>(static_cast<const char*>(end) - (names + offset));
        found.emplace_back(names + offset, nameLength);
        offset += nameLength + 1;
    }
    list.insert(list.end(), found.begin(), found.end());
    LUR_CLIENT_FUNCTION(FreePtr, "LuConn");
}

void LuConn::CreateDatabase(const std::string& server, const std::string& name, const std::string& databasePath,
                            const std::string& archivePath) {
    LUR_CLIENT_FUNCTION(CreateDbHandler, "LuConn");
    LUR_CLIENT_FUNCTION(Connect, "LuConn");
    LUR_CLIENT_FUNCTION(CreateDatabase, "LuConn");
    LUR_CLIENT_FUNCTION(FreeDbHandler, "LuConn");
    PrivateHandle handle(server, StrVector());
    const int32_t status =
        GetFunctionLoader().pfCreateDatabase(handle.Get(), name.c_str(), databasePath.c_str(), archivePath.c_str());
    handle.Release();
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(server + "::" + name));
}

bool LuConn::RestoreTimestamps(std::string service, std::string user, std::string password, bool interactive,
                               bool allowServiceChoice) {
    LUR_CLIENT_FUNCTION(CreateDbHandler, "LuConn");
    LUR_CLIENT_FUNCTION(Connect, "LuConn");
    LUR_CLIENT_FUNCTION(RestoreTimestamps, "LuConn");
    LUR_CLIENT_FUNCTION(FreeDbHandler, "LuConn");
    if (interactive && !PromptLogin(service, user, password, allowServiceChoice)) return false;
    ConnectInfo info;
    if (!ReadClientSettings(service, info)) throw NoClientSettings(service, Here(__LINE__));
    PrivateHandle handle(info.GetText(ConnectInfo::kServer), StrVector(service));
    const int32_t status = GetFunctionLoader().pfRestoreTimestamps(
        handle.Get(), info.GetText(ConnectInfo::kService).c_str(), user.c_str(), password.c_str());
    handle.Release();
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(service));
    return true;
}

void LuConn::GetV3FileInfo(const std::string& service, std::vector<V3FileInfo>& list) {
    LUR_CLIENT_FUNCTION(CreateDbHandler, "LuConn");
    LUR_CLIENT_FUNCTION(Connect, "LuConn");
    LUR_CLIENT_FUNCTION(GetV3FileInfo, "LuConn");
    LUR_CLIENT_FUNCTION(FreeDbHandler, "LuConn");
    LUR_CLIENT_FUNCTION(GetAllBinaryDescriptor, "LuConn");
    LUR_CLIENT_FUNCTION(FreePtr, "LuConn");
    ConnectInfo info;
    if (!ReadClientSettings(service, info)) throw NoClientSettings(service, Here(__LINE__));
    const std::string serverService = info.GetText(ConnectInfo::kService);
    PrivateHandle handle(info.GetText(ConnectInfo::kServer), StrVector(service));
    FunctionLoader& client = GetFunctionLoader();

    char* descriptors = nullptr;
    int32_t length = 0;
    const int32_t status = client.pfGetAllBinaryDescriptor(handle.Get(), serverService.c_str(), &descriptors, &length);
    const ClientBlock block(descriptors);
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(service));

    // Every description is read before anything is asked or appended, so
    // that a bad block or description leaves the list as it was.
    std::vector<DescriptorEntry> entries;
    if (!ParseDescriptorBlock(descriptors, length, entries))
        throw DbDescError(lurdbcli::kNoDescription, Here(__LINE__), StrVector(service));
    std::vector<FileDesc> dataFiles;
    for (const DescriptorEntry& entry : entries) {
        DbStruct structure;
        try {
            structure.ParseBlob(entry.description, entry.length);
        } catch (const DbDescError&) {
            throw DbDescError(lurdbcli::kNoDescription, Here(__LINE__), StrVector(service));
        }
        for (const FileDesc& file : structure.GetFileDescs())
            if (file.bytes[lurdbcli::file_entry::kType] == 'd') dataFiles.push_back(file);
    }
    for (const FileDesc& file : dataFiles) {
        V3FileInfo found;
        found.fileEntry = file;
        const int32_t fileStatus =
            client.pfGetV3FileInfo(handle.Get(), serverService.c_str(), reinterpret_cast<const char*>(file.bytes),
                                   &found.result, &found.second, &found.third);
        if (fileStatus != 0) found.result = lurdbcli::kNoDescription;
        list.push_back(found);
    }
}
