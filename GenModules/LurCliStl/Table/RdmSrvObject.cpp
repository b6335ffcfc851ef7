#include "RdmSrvObject.h"

#include "DbDescError.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSrvObject"};

constexpr int kNoDescription = 2011;

}  // namespace

RdmSrvObject::RdmSrvObject(const RdmSrvObject& other) { Share(other); }

int32_t RdmSrvObject::Open(DbDesc* desc) {
    // The held object is dropped through the description it was made on,
    // before the new one takes its place.
    Release();
    m_desc = desc;
    auto* handle = new RdmSrvHandle;
    int32_t code = 0;
    try {
        code = CreateOnServer(&handle->id);
    } catch (...) {
        delete handle;
        throw;
    }
    if (code != 0) {
        // Nothing was created: hold nothing, so no copy can share a handle
        // that no one counts.
        delete handle;
        return code;
    }
    handle->refs = 1;
    m_handle = handle;
    return 0;
}

int32_t RdmSrvObject::Release() {
    if (!m_handle) return 0;
    RdmSrvHandle* handle = m_handle;
    m_handle = nullptr;
    if (handle->refs == RdmSrvHandle::kStuckRefs) return 0;
    if (--handle->refs > 0) return 0;
    int32_t code = 0;
    try {
        code = DropOnServer(handle->id);
    } catch (...) {
        delete handle;
        throw;
    }
    delete handle;
    return code;
}

RdmSrvObject& RdmSrvObject::Share(const RdmSrvObject& other) {
    if (&other == this || (other.m_handle && other.m_handle == m_handle)) {
        m_desc = other.m_desc;
        return *this;
    }
    Release();
    m_desc = other.m_desc;
    if (other.m_handle) {
        m_handle = other.m_handle;
        if (m_handle->refs < RdmSrvHandle::kStuckRefs) ++m_handle->refs;
    }
    return *this;
}

DbDesc* RdmSrvObject::GetDesc() const {
    if (!m_desc) throw DbDescError(kNoDescription, Here(__LINE__), StrVector());
    return m_desc;
}
