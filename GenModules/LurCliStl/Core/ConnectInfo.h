// ConnectInfo: the 251-byte connect block of a database service that the
// client library's InitUserEx receives: the service's registry settings, the
// computer, the process and the user who logs in. The fields lie back to
// back at the offsets below (integers little-endian 32 bits, texts
// zero-terminated in 32-byte fields) and are read and written with memcpy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "lurdbcli.h"

class ConnectInfo {
public:
    static constexpr size_t kSize = lurdbcli::connect_info::kSize;          // 251
    static constexpr size_t kTextSize = lurdbcli::connect_info::kTextSize;  // 31 characters and the zero

    // Integers.
    static constexpr size_t kBlockSize = lurdbcli::connect_info::kBlockSize;  // always 251
    static constexpr size_t kConstant4 = lurdbcli::connect_info::kConstant4;  // always 4
    static constexpr size_t kProcessId = lurdbcli::connect_info::kProcessId;
    static constexpr size_t kTimeout = lurdbcli::connect_info::kTimeout;
    static constexpr size_t kRegDbPages = lurdbcli::connect_info::kRegDbPages;    // 0-255
    static constexpr size_t kRegOwlPages = lurdbcli::connect_info::kRegOwlPages;  // 0-255
    // Texts.
    static constexpr size_t kUser = lurdbcli::connect_info::kUser;  // "defaultuser", then the user who logs in
    static constexpr size_t kComputer = lurdbcli::connect_info::kComputer;
    static constexpr size_t kServer = lurdbcli::connect_info::kServer;
    static constexpr size_t kService = lurdbcli::connect_info::kService;
    static constexpr size_t kEmpty = lurdbcli::connect_info::kEmpty;  // always empty
    static constexpr size_t kOpenMode = lurdbcli::connect_info::kOpenMode;
    static constexpr size_t kPassword = lurdbcli::connect_info::kPassword;  // from the login only
    // Flags, one byte each.
    static constexpr size_t kUseBlob = lurdbcli::connect_info::kUseBlob;
    static constexpr size_t kUseLock = lurdbcli::connect_info::kUseLock;
    static constexpr size_t kEnableEvents = lurdbcli::connect_info::kEnableEvents;

    ConnectInfo() = default;  // all zero

    int32_t GetInt(size_t offset) const {
        int32_t value;
        std::memcpy(&value, m_bytes + offset, sizeof value);
        return value;
    }
    void SetInt(size_t offset, int32_t value) { std::memcpy(m_bytes + offset, &value, sizeof value); }

    uint8_t GetFlag(size_t offset) const { return m_bytes[offset]; }
    void SetFlag(size_t offset, uint8_t value) { m_bytes[offset] = value; }

    // The text up to its zero (at most 32 bytes).
    std::string GetText(size_t offset) const {
        const char* text = reinterpret_cast<const char*>(m_bytes + offset);
        return std::string(text, strnlen(text, kTextSize));
    }
    // Stores a text that fits with its zero; a longer one is refused (false)
    // and leaves the field as it was.
    bool SetText(size_t offset, const std::string& text) {
        if (text.size() >= kTextSize) return false;
        std::memcpy(m_bytes + offset, text.c_str(), text.size() + 1);
        return true;
    }

    // Zeroes every byte.
    void Clear() { std::memset(m_bytes, 0, kSize); }

    // The block as the client library receives it.
    const unsigned char* Data() const { return m_bytes; }
    unsigned char* Data() { return m_bytes; }

private:
    unsigned char m_bytes[kSize] = {};
};

static_assert(sizeof(ConnectInfo) == ConnectInfo::kSize);
