// RdmTable: record changes, transactions, locks, counters and counts, and
// the table object's named server bookmarks and cursors. All forward to the
// description.
#include "DbDesc.h"
#include "DbDescError.h"
#include "RdmTable.h"
#include "lurdbcli.h"

namespace {

constexpr int kNoBookmark = 2034;
constexpr int kBookmarkTaken = 2036;
constexpr int kNoCursor = 2037;
constexpr int kCursorTaken = 2038;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmTable"};

}  // namespace

// ---- record changes ---------------------------------------------------------------

bool RdmTable::NewRec() {
    GetDesc(Here, __LINE__)->NewRec(m_name);
    return true;
}

bool RdmTable::ModRec(bool strict) { return GetDesc(Here, __LINE__)->ModRec(m_name, strict); }

bool RdmTable::DelRec(bool strict) { return GetDesc(Here, __LINE__)->DelRec(m_name, strict); }

void RdmTable::TruncateFile() { GetDesc(Here, __LINE__)->TruncateFile(m_name); }

bool RdmTable::ClearRecord() { return GetDesc(Here, __LINE__)->ClearRecord(m_name); }

bool RdmTable::ReadCurrentRec(bool strict) { return GetDesc(Here, __LINE__)->ReadCurrentRec(m_name, strict); }

bool RdmTable::SaveChanges() { throw DbDescError(lurdbcli::kFunctionMissing, Here(__LINE__), StrVector()); }

// ---- transactions, locks, counters ----------------------------------------------------

bool RdmTable::BeginTrans(const std::string& name, bool strict) {
    return GetDesc(Here, __LINE__)->BeginTrans(name, strict);
}

void RdmTable::EndTrans(bool commit) { GetDesc(Here, __LINE__)->EndTrans(commit); }

bool RdmTable::LockRecord(int32_t mode, std::string& holder) {
    return GetDesc(Here, __LINE__)->LockRecord(m_name, mode, holder);
}

bool RdmTable::UnlockRecord(int32_t mode) { return GetDesc(Here, __LINE__)->UnlockRecord(m_name, mode); }

bool RdmTable::WhoMadeLock(int32_t mode, std::string& holder) {
    return GetDesc(Here, __LINE__)->WhoMadeLock(m_name, mode, holder);
}

int32_t RdmTable::GetNextId() { return GetDesc(Here, __LINE__)->GetNextId(GetNextIdName()); }

int32_t RdmTable::GetCount() { return GetDesc(Here, __LINE__)->GetCount(m_name); }

// ---- bookmarks --------------------------------------------------------------------------

bool RdmTable::CreateBookmark(const std::string& name) {
    if (m_bookmarks.count(name) != 0) throw DbDescError(kBookmarkTaken, Here(__LINE__), StrVector(name));
    RdmBookmark bookmark;
    const int32_t code = bookmark.Open(GetDesc(Here, __LINE__), m_name);
    if (code != 0) throw DbDescError(code, Here(__LINE__), StrVector(name));
    m_bookmarks.emplace(name, bookmark);
    return true;
}

void RdmTable::DropBookmark(const std::string& name) { m_bookmarks.erase(name); }

bool RdmTable::GoToBookmark(const std::string& name) {
    const auto found = m_bookmarks.find(name);
    if (found == m_bookmarks.end()) throw DbDescError(kNoBookmark, Here(__LINE__), StrVector(name));
    const int32_t code = found->second.GoTo();
    if (code != 0) throw DbDescError(code, Here(__LINE__), StrVector(name));
    return true;
}

bool RdmTable::MarkBookmark(const std::string& name) {
    const auto found = m_bookmarks.find(name);
    if (found == m_bookmarks.end()) throw DbDescError(kNoBookmark, Here(__LINE__), StrVector(name));
    const int32_t code = found->second.Mark();
    if (code != 0) throw DbDescError(code, Here(__LINE__), StrVector(name));
    return true;
}

// ---- cursors ------------------------------------------------------------------------------

bool RdmTable::CreateCursor(const std::string& name, const std::string& key) {
    if (m_cursors.count(name) != 0) throw DbDescError(kCursorTaken, Here(__LINE__), StrVector(name));
    RdmCursor cursor;
    const int32_t code = cursor.Open(GetDesc(Here, __LINE__), m_name, ResolveKeyName(key));
    if (code != 0) throw DbDescError(code, Here(__LINE__), StrVector(name));
    m_cursors.emplace(name, cursor);
    return true;
}

void RdmTable::DropCursor(const std::string& name) { m_cursors.erase(name); }

bool RdmTable::CursorMove(const std::string& name, int32_t code, int) {
    const auto found = m_cursors.find(name);
    if (found == m_cursors.end()) throw DbDescError(kNoCursor, Here(__LINE__), StrVector(name));
    const int32_t status = found->second.Move(code);
    if (status == lurdbcli::kNotFound) return false;
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector());
    return true;
}
