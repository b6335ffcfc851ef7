// The handle's raw data and blob streams. Raw data lives in the internal
// table _lur_data of the store (made with the store, or when an older store
// is opened).
#include <algorithm>
#include <cstring>
#include <memory>

#include "Session.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

// A read hands out the blob in pieces of this size.
constexpr size_t kStreamPiece = 4096;

}  // namespace

std::string Session::FindData(int32_t dbNo, int32_t mode, int32_t firstKey, int32_t secondKey) {
    Store& store = LoggedIn();
    if (!store.FindTablespace(dbNo)) {
        throw StoreError{kUnknownTablespace, "no tablespace numbered " + std::to_string(dbNo)};
    }
    Statement& query =
        store.Db().Cached("SELECT data FROM _lur_data WHERE dbno = ? AND mode = ? AND key1 = ? AND key2 = ?");
    query.Bind(1, static_cast<long long>(dbNo))
        .Bind(2, static_cast<long long>(mode))
        .Bind(3, static_cast<long long>(firstKey))
        .Bind(4, static_cast<long long>(secondKey));
    if (!query.Step()) {
        throw StoreError{kNotFound, "no data under key " + std::to_string(firstKey) + "/" + std::to_string(secondKey)};
    }
    const SqlValue value = query.Column(0);
    query.Run();
    if (const auto* bytes = std::get_if<Bytes>(&value)) {
        return std::string(bytes->begin(), bytes->end());
    }
    return std::string();
}

void Session::WriteData(int32_t dbNo, int32_t mode, int32_t key, const char* data, int32_t length) {
    Store& store = LoggedIn();
    if (!store.FindTablespace(dbNo)) {
        throw StoreError{kUnknownTablespace, "no tablespace numbered " + std::to_string(dbNo)};
    }
    const Bytes bytes = length > 0 ? Bytes(data, data + length) : Bytes();
    store.Db()
        .Cached("INSERT OR REPLACE INTO _lur_data (dbno, mode, key1, key2, data) VALUES (?, ?, ?, 0, ?)")
        .Bind(1, static_cast<long long>(dbNo))
        .Bind(2, static_cast<long long>(mode))
        .Bind(3, static_cast<long long>(key))
        .Bind(4, SqlValue{bytes})
        .Run();
}

void Session::CreateBlobStream(int32_t stream, int32_t blobId) {
    if (m_streams.count(stream) != 0) {
        throw StoreError{kLockedOrDuplicate, "blob stream " + std::to_string(stream) + " exists"};
    }
    ReadBlob(blobId);  // the blob must exist (kNotFound)
    BlobStream entry;
    entry.blobId = blobId;
    m_streams.emplace(stream, std::move(entry));
}

namespace {

template <class Streams>
auto& StreamOf(Streams& streams, int32_t stream) {
    const auto found = streams.find(stream);
    if (found == streams.end()) {
        throw StoreError{kNotFound, "no blob stream " + std::to_string(stream)};
    }
    return found->second;
}

}  // namespace

void Session::WriteBlobStream(int32_t stream, int32_t first, int32_t second) {
    BlobStream& entry = StreamOf(m_streams, stream);
    char bytes[2 * sizeof(int32_t)];
    std::memcpy(bytes, &first, sizeof first);
    std::memcpy(bytes + sizeof first, &second, sizeof second);
    entry.written.append(bytes, sizeof bytes);
    entry.wrote = true;
}

std::string Session::ReadBlobStream(int32_t stream) {
    BlobStream& entry = StreamOf(m_streams, stream);
    // Only the piece is read from the store, not the whole blob per piece.
    sqlite3_blob* opened = nullptr;
    const int status = sqlite3_blob_open(LoggedIn().Db().Raw(), "main", "_lur_blobs", "data", entry.blobId, 0, &opened);
    const std::unique_ptr<sqlite3_blob, decltype(&sqlite3_blob_close)> blob(opened, sqlite3_blob_close);
    if (status != SQLITE_OK) {
        // SQLITE_ERROR is what a missing row answers; anything else is the store's.
        throw StoreError{status == SQLITE_ERROR ? kNotFound : kStoreError, "no blob " + std::to_string(entry.blobId)};
    }
    const auto size = static_cast<size_t>(sqlite3_blob_bytes(blob.get()));
    if (entry.readOffset >= size) {
        throw StoreError{kEndOfStream, "end of blob stream " + std::to_string(stream)};
    }
    std::string piece(std::min(kStreamPiece, size - entry.readOffset), '\0');
    const auto offset = static_cast<int>(entry.readOffset);
    if (sqlite3_blob_read(blob.get(), piece.data(), static_cast<int>(piece.size()), offset) != SQLITE_OK) {
        throw StoreError{kStoreError, "cannot read blob " + std::to_string(entry.blobId)};
    }
    entry.readOffset += piece.size();
    return piece;
}

void Session::CloseBlobStream(int32_t stream, bool keep) {
    BlobStream& entry = StreamOf(m_streams, stream);
    if (keep && entry.wrote) {
        // One statement: the blob holds either its old or its new content.
        Database& db = LoggedIn().Db();
        db.Cached("UPDATE _lur_blobs SET data = ? WHERE id = ?")
            .Bind(1, SqlValue{Bytes(entry.written.begin(), entry.written.end())})
            .Bind(2, static_cast<long long>(entry.blobId))
            .Run();
        if (sqlite3_changes(db.Raw()) == 0) {
            throw StoreError{kNotFound, "no blob " + std::to_string(entry.blobId)};
        }
    }
    entry.written.clear();
    entry.wrote = false;
    entry.readOffset = 0;
}

void Session::DestroyBlobStream(int32_t stream) {
    StreamOf(m_streams, stream);
    m_streams.erase(stream);
}

}  // namespace lurdbcli
