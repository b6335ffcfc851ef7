// HandOutBlock: bytes that the library hands to its caller, who frees them
// with FreePtr (std::free). The block grows in place (realloc, which moves a
// large block's pages instead of copying them) and always has a zero after
// its bytes, so that a text block is also a C string; Release hands it over
// as it is, without a copy.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

namespace lurdbcli {

class HandOutBlock {
public:
    HandOutBlock() = default;
    // size bytes, not set, and the zero after them.
    explicit HandOutBlock(size_t size) { Extend(size); }
    HandOutBlock(HandOutBlock&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)),
          m_size(std::exchange(other.m_size, 0)),
          m_capacity(std::exchange(other.m_capacity, 0)) {}
    HandOutBlock& operator=(HandOutBlock&& other) noexcept {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
        return *this;
    }
    HandOutBlock(const HandOutBlock&) = delete;
    HandOutBlock& operator=(const HandOutBlock&) = delete;
    ~HandOutBlock() { std::free(m_data); }

    // size more bytes at the end, for the caller to fill.
    char* Extend(size_t size) {
        if (m_size + size + 1 > m_capacity) {
            Grow(m_size + size + 1);
        }
        char* added = m_data + m_size;
        m_size += size;
        m_data[m_size] = '\0';
        return added;
    }
    char* Data() const { return m_data; }
    size_t Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }
    // The block (never null: an empty one is its zero alone), now the
    // caller's, who may keep it for long: the room it grew beyond its bytes
    // goes back first. This object is empty again.
    char* Release() {
        if (m_data == nullptr) {
            Extend(0);
        }
        if (m_capacity > m_size + 1) {
            if (void* fitted = std::realloc(m_data, m_size + 1)) m_data = static_cast<char*>(fitted);
        }
        m_size = m_capacity = 0;
        return std::exchange(m_data, nullptr);
    }

private:
    void Grow(size_t needed) {
        const size_t capacity = std::max(needed, m_capacity * 2);
        void* grown = std::realloc(m_data, capacity);
        if (grown == nullptr) {
            throw std::bad_alloc();
        }
        m_data = static_cast<char*>(grown);
        m_capacity = capacity;
    }

    char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

}  // namespace lurdbcli
