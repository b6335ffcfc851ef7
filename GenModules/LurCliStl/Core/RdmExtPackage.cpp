#include "RdmExtPackage.h"

#include <cstring>
#include <new>

#include "ClientBlock.h"
#include "DbDescError.h"
#include "FunctionLoader.h"
#include "LurExceptTrans.h"

namespace {

constexpr int kDataWithoutLength = 10050;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmExtPackage"};

bool IsDatabaseCode(int32_t status) {
    return (status >= lurdbcli::kFirstStatus && status <= lurdbcli::kLastStatus) || (status >= 2000 && status <= 2045);
}

// The zero-ended text that starts at offset, never read past the block's
// length; "" when the offset lies outside it.
std::string TextWithin(const char* block, int32_t length, size_t offset) {
    if (offset >= static_cast<size_t>(length)) return {};
    const char* text = block + offset;
    return std::string(text, strnlen(text, static_cast<size_t>(length) - offset));
}

}  // namespace

RdmExtPackage::RdmExtPackage() = default;

RdmExtPackage::RdmExtPackage(int32_t handle, const std::string& name) { Open(handle, name, true); }

RdmExtPackage::~RdmExtPackage() {
    if (m_opened && GetFunctionLoader().pfCloseExtPackage)
        GetFunctionLoader().pfCloseExtPackage(m_handle, m_name.c_str());
}

bool RdmExtPackage::Open(int32_t handle, const std::string& name, bool strict) {
    m_handle = handle;
    m_name = name;
    const int32_t status = LUR_CLIENT_FUNCTION(OpenExtPackage, "RdmExtPackage")(m_handle, m_name.c_str());
    m_opened = status == 0;
    if (status != 0 && strict) throw DbDescError(status, Here(__LINE__), StrVector(m_name));
    return m_opened;
}

int32_t RdmExtPackage::CallExtFnc(const std::string& function, const void* data, int32_t length, bool strict) {
    if (data && length == 0)
        throw DbDescError(kDataWithoutLength, Here(__LINE__),
                          StrVector("RdmExtPackage::CallExtFnc") << function.c_str());
    const auto call = LUR_CLIENT_FUNCTION(CallExtFnc, "RdmExtPackage");
    char* block = nullptr;
    int32_t blockLength = length;
    const int32_t status =
        call(m_handle, m_name.c_str(), function.c_str(), static_cast<const char*>(data), &block, &blockLength);
    // The block is the library's: it goes back whatever happens below.
    const ClientBlock owned(block);
    if (blockLength < 0) blockLength = 0;

    if (status != 0 && strict) {
        if (IsDatabaseCode(status)) throw DbDescError(status, Here(__LINE__), StrVector(function));
        if (block) {
            // The server's texts: the message, then its language, both read
            // only within the returned length.
            const std::string message = TextWithin(block, blockLength, 0);
            const std::string language = TextWithin(block, blockLength, message.size() + 1);
            throw LurExceptTrans(status, message, Here(__LINE__), StrVector(""), language);
        }
        throw LurExceptBaseArg(status, Here(__LINE__), StrVector(""));
    }
    if (status == 0) ReturnedBytes(owned, blockLength > 0, Here(__LINE__), StrVector(function));
    SetResultSize(blockLength);
    if (block && blockLength != 0) {
        std::memcpy(m_result.get(), block, static_cast<size_t>(blockLength));
        LUR_CLIENT_FUNCTION(FreePtr, "RdmExtPackage");
    }
    return status;
}

void RdmExtPackage::SetResultSize(int32_t n) {
    m_result.reset();
    m_resultSize = 0;
    if (n != 0) {
        m_result.reset(new (std::nothrow) unsigned char[static_cast<size_t>(n)]());
        if (!m_result) throw DbDescError(lurdbcli::kOutOfMemory, Here(__LINE__), StrVector());
    }
    m_resultSize = n;
}
