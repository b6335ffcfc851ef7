// RdmExtPackage: one extension package of the database server, opened
// through the client library on a connection's handle. It calls the
// package's functions with an argument block and keeps a copy of the last
// call's result block; it closes the package when it goes.
//
// A strict call that fails raises: a client or database code as
// DbDescError [function], another code with the server's texts as
// LurExceptTrans (message = first text, language = second text), another
// code without texts as LurExceptBaseArg.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class RdmExtPackage {
public:
    static constexpr int32_t kNoHandle = 10014;

    RdmExtPackage();
    // Opens the package strictly.
    RdmExtPackage(int32_t handle, const std::string& name);
    // Closes the package when it is open (its answer ignored); never throws.
    ~RdmExtPackage();
    RdmExtPackage(const RdmExtPackage&) = delete;
    RdmExtPackage& operator=(const RdmExtPackage&) = delete;

    // Opens the package on the handle; a refusal raises DbDescError
    // (status) [name] when strict, else it is false.
    bool Open(int32_t handle, const std::string& name, bool strict);
    bool IsOpen() const { return m_opened; }

    // Calls a function of the package with length bytes of data (none:
    // null and 0); answers the client status. Data with length 0 raises
    // 10050 before any call. On success, or when not strict, the result
    // block (zero-filled when the library gave none) is copied into Result.
    int32_t CallExtFnc(const std::string& function, const void* data, int32_t length, bool strict);

    // Replaces the result buffer by n zero bytes (none for 0).
    void SetResultSize(int32_t n);

    // The last call's result and its size in bytes.
    const unsigned char* Result() const { return m_result.get(); }
    int32_t ResultSize() const { return m_resultSize; }

private:
    int32_t m_handle = kNoHandle;
    std::string m_name;
    std::unique_ptr<unsigned char[]> m_result;
    int32_t m_resultSize = 0;
    bool m_opened = false;
};
