// The date-time field: a lurDate::LurDateTime whose load and store hooks
// read and write one field of a record buffer.
#include "RdmDateTimeFld.h"

#include <cstdlib>

#include "DbDesc.h"
#include "DbDescError.h"
#include "DbDescMap.h"
#include "FunctionLoader.h"
#include "RdmFld.h"
#include "RdmTable.h"

namespace {

// The lines the error reports of this class have always shown.
constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmDateTimeFld"};
constexpr int kLineMissingServerTime = 114;
constexpr int kLineServerTimeRefused = 118;

}  // namespace

RdmDateTimeFld::RdmDateTimeFld() = default;

RdmDateTimeFld::RdmDateTimeFld(DbDesc* desc, double yyyymmddhhmmss, bool convertZone)
    : LurDateTime(yyyymmddhhmmss, convertZone), m_desc(desc) {}

RdmDateTimeFld::RdmDateTimeFld(DbDesc* desc, time_t t, bool convertZone) : LurDateTime(t, convertZone), m_desc(desc) {}

RdmDateTimeFld::RdmDateTimeFld(DbDesc* desc, short year, short month, short day, short hour, short minute, short second,
                               bool convertZone)
    : LurDateTime(year, month, day, hour, minute, second, convertZone), m_desc(desc) {}

RdmDateTimeFld::RdmDateTimeFld(const RdmFld& field, bool detached) {
    Bind(field);
    m_detached = detached;
}

RdmDateTimeFld::RdmDateTimeFld(const RdmTable& table, const std::string& field, bool detached) {
    Bind(table.Fld(field));
    m_detached = detached;
}

RdmDateTimeFld::RdmDateTimeFld(DbDesc* desc, const std::string& table, const std::string& field, bool detached) {
    Bind(RdmFld(desc, table, field, false));
    m_detached = detached;
}

RdmDateTimeFld::RdmDateTimeFld(const RdmDateTimeFld& other) : LurDateTime() { *this = other; }

RdmDateTimeFld::~RdmDateTimeFld() = default;

void RdmDateTimeFld::Bind(const RdmFld& field) {
    // The field's text, as LoadValue reads it: a 'c' field of fourteen
    // digits binds as well as a number field. The value is set before the
    // binding is taken, so that not even an empty value writes the field.
    const std::string text = field.GetString();
    m_detached = true;
    SetFromFieldText(text);
    m_desc = field.GetDesc();
    m_tableName = field.GetTableName();
    m_fieldName = field.GetName();
    m_fieldNo = field.GetFieldNo();
    m_detached = field.IsDetached();
}

void RdmDateTimeFld::SetFromFieldText(const std::string& text) const {
    // LoadValue is const but refreshes the value; no notification is sent
    // except by the empty value, whose store writes the empty text.
    const_cast<RdmDateTimeFld*>(this)->SetDouble(std::strtod(text.c_str(), nullptr), false, false, true);
}

RdmDateTimeFld& RdmDateTimeFld::operator=(const RdmDateTimeFld& other) {
    if (this == &other) return *this;
    m_desc = other.m_desc;
    m_fieldNo = other.m_fieldNo;
    m_tableName = other.m_tableName;
    m_fieldName = other.m_fieldName;
    m_detached = other.m_detached;
    LurDateTime::operator=(other);
    return *this;
}

RdmDateTimeFld& RdmDateTimeFld::operator=(const lurDate::LurDateTime& other) {
    LurDateTime::operator=(other);
    return *this;
}

RdmDateTimeFld& RdmDateTimeFld::operator+=(const lurDate::LurDateTime& span) {
    LurDateTime::operator+=(span);
    return *this;
}

RdmDateTimeFld& RdmDateTimeFld::operator-=(const lurDate::LurDateTime& span) {
    LurDateTime::operator-=(span);
    return *this;
}

bool RdmDateTimeFld::StoreValue() {
    if (m_detached) return true;
    if (m_desc == nullptr) return false;
    // While storing, LoadValue leaves the value alone; reset on every way out.
    struct StoringFlag {
        bool& flag;
        explicit StoringFlag(bool& f) : flag(f) { flag = true; }
        ~StoringFlag() { flag = false; }
    } storing(m_storing);
    return m_desc->SetFieldText(m_fieldNo, lurDate::FormatDigits(value));
}

bool RdmDateTimeFld::LoadValue() const {
    if (m_detached || m_storing) return true;
    if (m_desc == nullptr) return false;
    SetFromFieldText(m_desc->GetFieldText(m_fieldNo));
    return true;
}

RdmDateTimeFld& RdmDateTimeFld::SetServerTime(int32_t handle) {
    lurdbcli::GetServerTimeFn getServerTime = GetFunctionLoader().pfGetServerTime;
    if (getServerTime == nullptr)
        throw DbDescError(lurdbcli::kFunctionMissing, Here(kLineMissingServerTime), StrVector("pfGetServerTime"));
    int32_t serverTime = 0;
    const int32_t code = getServerTime(handle, &serverTime);
    if (code != 0) throw DbDescError(code, Here(kLineServerTimeRefused), StrVector());
    LurDateTime::operator=(static_cast<time_t>(serverTime));
    return *this;
}

RdmDateTimeFld& RdmDateTimeFld::SetServerTimeFromDesc(DbDesc* desc) {
    if (desc != nullptr) return SetServerTime(desc->GetHandle());
    if (m_desc != nullptr) return SetServerTime(m_desc->GetHandle());
    LurDateTime::operator=(std::time(nullptr));
    return *this;
}

RdmDateTimeFld& RdmDateTimeFld::SetServerTimeFromSession(DbDescMap* session) {
    if (session != nullptr) return SetServerTime(session->GetHandle());
    return SetServerTimeFromDesc(nullptr);
}

RdmDateTimeFld operator+(RdmDateTimeFld a, const lurDate::LurDateTime& span) {
    a += span;
    return a;
}

RdmDateTimeFld operator-(RdmDateTimeFld a, const lurDate::LurDateTime& span) {
    a -= span;
    return a;
}
