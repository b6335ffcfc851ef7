// LurBuf: an owned block of raw bytes with a read position.
//
// The block is obtained with ::operator new and returned with
// ::operator delete, and has no spare capacity (its size is exactly the
// length). A block handed over by Attach must come from ::operator new; a
// block taken out with Release is the caller's to ::operator delete. Every
// operation that replaces or gives up the block puts the read position
// back to 0.
#pragma once

#include <cstdint>
#include <string>

class LurBuf;

struct BufStorage {
    void* data = nullptr;  // null exactly when length is 0
    uint32_t length = 0;
};

// The read position of a buffer; it never exceeds the owner's length.
class BufCursor {
public:
    explicit BufCursor(LurBuf* owner) : m_owner(owner) {}

    uint32_t GetPos() const { return m_offset; }
    // pos beyond the owner's length raises LurExceptBaseArg code 10.
    BufCursor& SetPos(uint32_t pos);
    // Moves by delta; before the start raises 11 (or stops at 0), past the
    // end raises 10 (or stops at the end) when throwOnError is set.
    uint32_t Seek(int32_t delta, bool throwOnError);

private:
    LurBuf* m_owner;
    uint32_t m_offset = 0;
};

class LurBuf {
public:
    LurBuf();
    LurBuf(const void* data, uint32_t length);
    LurBuf(char fill, uint32_t count);
    LurBuf(const LurBuf& other);
    LurBuf(const std::string& text);  // the text up to its first zero byte, and that zero
    virtual ~LurBuf();

    LurBuf& operator=(const LurBuf& other);

    LurBuf& Assign(const void* data, uint32_t length);
    LurBuf& Assign(char fill, uint32_t count);
    LurBuf& Assign(const std::string& text);

    // Appending may take its bytes from the buffer's own content. A total
    // beyond 32 bits raises std::bad_alloc.
    LurBuf& Append(const void* data, uint32_t length);
    LurBuf& Append(const LurBuf& other);
    LurBuf& Append(const std::string& text);
    LurBuf& Append(const char* text);  // with its terminating zero; null appends nothing
    LurBuf& AppendFill(char fill, uint32_t count);

    LurBuf& Free();
    // A new zero-filled block of size bytes in place of the content; false
    // for size 0.
    bool Allocate(uint32_t size);
    // Takes ownership of a block from ::operator new as the content.
    LurBuf& Attach(void* data, uint32_t length);
    // Hands the block to the caller, who deletes it with ::operator delete.
    LurBuf& Release(void*& data, uint32_t& length);
    template <class T>
    LurBuf& Release(T*& data, uint32_t& length) {
        void* block = nullptr;
        Release(block, length);
        data = static_cast<T*>(block);
        return *this;
    }
    // Forgets the block without deleting it (its owner took it by GetData).
    LurBuf& Detach();

    // Overwrites bytes inside the block; never grows it. A range that does
    // not lie inside raises code 12, or returns false without throwOnError.
    bool WriteAt(uint32_t pos, const void* data, uint32_t length, bool throwOnError);

    void* GetData() const { return m_storage.data; }
    const char* GetText() const;  // "" when empty; not necessarily zero-terminated
    uint32_t GetLength() const { return m_storage.length; }
    bool IsEmpty() const { return m_storage.length == 0; }

    BufCursor& Cursor() { return m_cursor; }
    const BufCursor& Cursor() const { return m_cursor; }
    uint32_t GetPos() const { return m_cursor.GetPos(); }
    BufCursor& SetPos(uint32_t pos) { return m_cursor.SetPos(pos); }
    uint32_t Seek(int32_t delta, bool throwOnError) { return m_cursor.Seek(delta, throwOnError); }

private:
    // Replaces the block by one the buffer now owns; resets the position.
    void Install(void* data, uint32_t length);

    BufStorage m_storage;
    BufCursor m_cursor;
};

bool operator==(const LurBuf& a, const LurBuf& b);
// p must hold at least a's length of bytes; a null p equals only an empty buffer.
bool operator==(const LurBuf& a, const void* p);
bool operator!=(const LurBuf& a, const char* p);
