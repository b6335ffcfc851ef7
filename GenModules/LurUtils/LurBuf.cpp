// LurBuf (see LurBuf.h). This class owns its block and is the one place
// that allocates and frees it, with ::operator new / ::operator delete.

#include "LurBuf.h"

#include <cstring>
#include <limits>
#include <new>

#include "LurExceptBaseArg.h"

namespace {

constexpr ThrowSource Where{"GenModules\\LurUtils\\LurBuf"};

void DeleteBlock(void* data) { ::operator delete(data); }

}  // namespace

// ---- BufCursor -------------------------------------------------------------

BufCursor& BufCursor::SetPos(uint32_t pos) {
    if (pos > m_owner->GetLength()) throw LurExceptBaseArg(10, Where(192), StrVector() << pos);
    m_offset = pos;
    return *this;
}

uint32_t BufCursor::Seek(int32_t delta, bool throwOnError) {
    const long long target = static_cast<long long>(m_offset) + delta;
    if (target < 0) {
        if (throwOnError) throw LurExceptBaseArg(11, Where(172), StrVector() << delta);
        m_offset = 0;
    } else if (target > static_cast<long long>(m_owner->GetLength())) {
        if (throwOnError) throw LurExceptBaseArg(10, Where(179), StrVector() << delta);
        m_offset = m_owner->GetLength();
    } else {
        m_offset = static_cast<uint32_t>(target);
    }
    return m_offset;
}

// ---- LurBuf ----------------------------------------------------------------

LurBuf::LurBuf() : m_cursor(this) {}

LurBuf::LurBuf(const void* data, uint32_t length) : m_cursor(this) { Assign(data, length); }

LurBuf::LurBuf(char fill, uint32_t count) : m_cursor(this) {
    if (Allocate(count)) std::memset(m_storage.data, static_cast<unsigned char>(fill), count);
}

LurBuf::LurBuf(const LurBuf& other) : m_cursor(this) { *this = other; }

LurBuf::LurBuf(const std::string& text) : m_cursor(this) { Assign(text); }

LurBuf::~LurBuf() { DeleteBlock(m_storage.data); }

LurBuf& LurBuf::operator=(const LurBuf& other) {
    if (this == &other) return *this;
    Assign(other.GetData(), other.GetLength());
    SetPos(other.GetPos());
    return *this;
}

void LurBuf::Install(void* data, uint32_t length) {
    DeleteBlock(m_storage.data);
    m_storage.data = data;
    m_storage.length = data != nullptr ? length : 0;
    m_cursor.SetPos(0);
}

// The copy is made before the old block goes, so data may lie inside it.
LurBuf& LurBuf::Assign(const void* data, uint32_t length) {
    if (data == nullptr || length == 0) return Free();
    void* block = ::operator new(length);
    std::memcpy(block, data, length);
    Install(block, length);
    return *this;
}

LurBuf& LurBuf::Assign(char fill, uint32_t count) {
    Free();
    return AppendFill(fill, count);
}

LurBuf& LurBuf::Assign(const std::string& text) {
    Free();
    return Append(text);
}

LurBuf& LurBuf::Append(const void* data, uint32_t length) {
    if (data == nullptr || length == 0) return *this;
    const uint32_t current = m_storage.length;
    if (length > std::numeric_limits<uint32_t>::max() - current) throw std::bad_alloc();
    void* block = ::operator new(current + length);
    if (current > 0) std::memcpy(block, m_storage.data, current);
    std::memcpy(static_cast<char*>(block) + current, data, length);
    Install(block, current + length);
    return *this;
}

LurBuf& LurBuf::Append(const LurBuf& other) { return Append(other.GetData(), other.GetLength()); }

LurBuf& LurBuf::Append(const std::string& text) { return Append(text.c_str()); }

LurBuf& LurBuf::Append(const char* text) {
    if (text == nullptr) return *this;
    const std::size_t length = std::strlen(text) + 1;
    if (length > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
    return Append(static_cast<const void*>(text), static_cast<uint32_t>(length));
}

LurBuf& LurBuf::AppendFill(char fill, uint32_t count) { return Append(LurBuf(fill, count)); }

LurBuf& LurBuf::Free() {
    if (m_storage.data != nullptr) Install(nullptr, 0);
    return *this;
}

bool LurBuf::Allocate(uint32_t size) {
    if (size == 0) return false;
    void* block = ::operator new(size);
    std::memset(block, 0, size);
    Install(block, size);
    return true;
}

LurBuf& LurBuf::Attach(void* data, uint32_t length) {
    if (length == 0) {
        DeleteBlock(data);  // ours now, but an empty buffer holds no block
        return Free();
    }
    Install(data, length);
    return *this;
}

LurBuf& LurBuf::Release(void*& data, uint32_t& length) {
    data = m_storage.data;
    length = m_storage.length;
    return Detach();
}

LurBuf& LurBuf::Detach() {
    m_storage = BufStorage();
    m_cursor.SetPos(0);
    return *this;
}

bool LurBuf::WriteAt(uint32_t pos, const void* data, uint32_t length, bool throwOnError) {
    const uint32_t size = m_storage.length;
    const bool inside = length <= size && pos <= size - length && (data != nullptr || length == 0);
    if (!inside) {
        if (throwOnError) throw LurExceptBaseArg(12, Where(132), StrVector() << size << pos);
        return false;
    }
    if (length > 0) std::memcpy(static_cast<char*>(m_storage.data) + pos, data, length);
    return true;
}

const char* LurBuf::GetText() const {
    return m_storage.data != nullptr ? static_cast<const char*>(m_storage.data) : "";
}

bool operator==(const LurBuf& a, const LurBuf& b) {
    if (a.IsEmpty()) return b.IsEmpty();
    return a.GetLength() == b.GetLength() && std::memcmp(a.GetData(), b.GetData(), a.GetLength()) == 0;
}

bool operator==(const LurBuf& a, const void* p) {
    if (p == nullptr) return a.IsEmpty();
    if (a.IsEmpty()) return false;
    return std::memcmp(p, a.GetData(), a.GetLength()) == 0;
}

bool operator!=(const LurBuf& a, const char* p) { return !(a == static_cast<const void*>(p)); }
