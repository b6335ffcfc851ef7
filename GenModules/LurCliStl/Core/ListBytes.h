// ListBytes: the bytes of a record list. A list search's result stays the
// block the client library handed over (a million records are not copied
// once more) and goes back to the library with its FreePtr; every other
// list owns its bytes. Writes that keep the size happen in place; a list
// that grows moves a handed-over block's bytes into storage of its own
// first. A copy always owns its bytes.
#pragma once

#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "ClientBlock.h"

class ListBytes {
public:
    ListBytes() = default;
    ListBytes(const ListBytes& other) : m_own(other.data(), other.data() + other.size()) {}
    ListBytes& operator=(const ListBytes& other) {
        if (this != &other) Assign(other.data(), other.size());
        return *this;
    }
    ListBytes(ListBytes&&) noexcept = default;
    ListBytes& operator=(ListBytes&&) noexcept = default;

    char* data() { return m_block ? m_block.get() : m_own.data(); }
    const char* data() const { return m_block ? m_block.get() : m_own.data(); }
    size_t size() const { return m_block ? m_blockSize : m_own.size(); }
    bool empty() const { return size() == 0; }

    // The list becomes a copy of size bytes.
    void Assign(const char* bytes, size_t size) {
        Release();
        m_own.assign(bytes, bytes + size);
    }
    // The list becomes the first size bytes of the client's block, which it
    // now owns (an empty block is given back at once).
    void Adopt(ClientBlock block, size_t size) {
        Clear();
        if (!block || size == 0) return;
        m_block = std::move(block);
        m_blockSize = size;
    }
    void Append(const char* bytes, size_t size) {
        if (size == 0) return;
        if (m_block) {
            std::vector<char> own;
            own.reserve(m_blockSize + size);
            own.assign(m_block.get(), m_block.get() + m_blockSize);
            Release();
            m_own.swap(own);
        }
        m_own.insert(m_own.end(), bytes, bytes + size);
    }
    // Removes size bytes at offset (both within the list).
    void Erase(size_t offset, size_t size) {
        char* bytes = data();
        std::memmove(bytes + offset, bytes + offset + size, this->size() - offset - size);
        if (m_block) {
            m_blockSize -= size;
        } else {
            m_own.resize(m_own.size() - size);
        }
    }
    void Clear() {
        Release();
        m_own.clear();
    }

private:
    void Release() {
        m_block.reset();
        m_blockSize = 0;
    }

    std::vector<char> m_own;
    ClientBlock m_block;  // when set, the list is its first m_blockSize bytes
    size_t m_blockSize = 0;
};
