#include "RdmFld.h"

#include <cstring>

#include "Crt.h"
#include "DbDesc.h"
#include "DbDescError.h"
#include "FieldNumberText.h"
#include "LurNumbers.h"
#include "QuotedValue.h"
#include "RdmTable.h"

namespace {

constexpr int kFieldNotFound = 2003;
constexpr int kBadType = 2006;
constexpr int kNoWidth = 2022;
constexpr int kBadLength = 2040;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmFld"};

template <class T>
T Load(const void* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <class T>
int CompareValues(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// The first character of a text as the signed char of the original platform.
signed char FirstChar(const std::string& text) { return text.empty() ? 0 : static_cast<signed char>(text[0]); }

}  // namespace

// ---- construction -------------------------------------------------------------

RdmFld::RdmFld() = default;

RdmFld::RdmFld(const std::string& table, const std::string& field, char type, int16_t length, bool isUnsigned)
    : m_table(table), m_name(field) {
    switch (type) {
        case 'F': length = 8; break;
        case 'd':
        case 'f':
        case 'i':
        case 'l': length = 4; break;
        case 's': length = 2; break;
        case 'c':
            // A negative length is refused too: the raw form is read up to it.
            if (length > 0) break;
            [[fallthrough]];
        default: throw DbDescError(kBadType, Here(__LINE__), StrVector(table) << field);
    }
    m_fieldDesc.type = type;
    m_fieldDesc.length = length;
    m_fieldDesc.flags = isUnsigned ? FieldDesc::kUnsigned : 0;
}

RdmFld::RdmFld(DbDesc* desc, const std::string& table, const std::string& field, bool detached)
    : m_table(table), m_name(field), m_detached(detached) {
    m_fieldNo = desc ? desc->GetFieldNo(table, field) : -1;
    if (m_fieldNo == -1) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(table) << field);
    m_desc = desc;
    m_fieldDesc = desc->GetFieldDesc(m_fieldNo);
    m_sqlInfo = desc->GetFieldSqlInfo(m_fieldNo);
}

RdmFld::RdmFld(const RdmTable& table, const std::string& field, bool detached)
    : RdmFld(table.GetDesc(Here, __LINE__), table.GetName(), field, detached) {}

RdmFld::RdmFld(const RdmFld& other)
    : m_desc(other.m_desc),
      m_table(other.m_table),
      m_name(other.m_name),
      m_fieldNo(other.m_fieldNo),
      m_fieldDesc(other.m_fieldDesc),
      m_text(other.m_text),
      m_number(other.m_number),
      m_detached(other.m_detached),
      m_sqlInfo(other.m_sqlInfo) {}

RdmFld& RdmFld::operator=(const RdmFld& other) {
    if (this == &other) return *this;
    m_compare.reset();
    m_desc = other.m_desc;
    m_table = other.m_table;
    m_name = other.m_name;
    m_fieldNo = other.m_fieldNo;
    m_fieldDesc = other.m_fieldDesc;
    m_text = other.m_text;
    m_number = other.m_number;
    m_detached = other.m_detached;
    m_sqlInfo = other.m_sqlInfo;
    return *this;
}

RdmFld::~RdmFld() = default;

// ---- getters --------------------------------------------------------------------

const std::string& RdmFld::Value() const {
    if (IsBound()) {
        m_desc->GetFieldText(m_fieldNo, m_text);
        m_number.reset();
    }
    return CachedText();
}

const std::string& RdmFld::CachedText() const {
    if (m_number) {
        m_text = std::to_string(*m_number);
        m_number.reset();
    }
    return m_text;
}

void RdmFld::ThrowType(int line, const char* source) const {
    throw DbDescError(kBadType, lurclistl::ThrowSite(source, line), StrVector(m_table) << m_name);
}

int32_t RdmFld::GetLong() const {
    RefuseGroupsAndTexts(__LINE__);
    // An integer field's number without the detour through its text.
    int64_t number = 0;
    if (IsBound() && m_fieldDesc.type != 'c' && m_desc->GetFieldInteger(m_fieldNo, number)) {
        m_number = number;
        return DbDesc::IntegerToLong(number, m_fieldDesc);
    }
    const std::string& text = Value();
    return m_fieldDesc.type == 'c' ? FirstChar(text) : DbDesc::DecimalToLong(text, m_fieldDesc);
}

int RdmFld::GetInt() const { return GetLong(); }

int16_t RdmFld::GetShort() const {
    // The decimal text kept to its low 16 bits.
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(GetLong()) & 0xFFFFu));
}

float RdmFld::GetFloat() const { return DbDesc::DoubleToFloat(GetDouble()); }

double RdmFld::GetDouble() const {
    RefuseGroupsAndTexts(__LINE__);
    const std::string& text = Value();
    return m_fieldDesc.type == 'c' ? FirstChar(text) : lurutils::StringToDouble(text, true);
}

char RdmFld::GetChar() const {
    RefuseGroups(__LINE__);
    return FirstChar(Value());
}

const char* RdmFld::GetCStr() const {
    RefuseGroups(__LINE__);
    return Value().c_str();
}

std::string RdmFld::GetString() const {
    RefuseGroups(__LINE__);
    return Value();
}

// ---- setters --------------------------------------------------------------------

void RdmFld::SetString(const std::string& text) {
    if (IsBound()) m_desc->SetFieldText(m_fieldNo, text);
    m_text = text;
    m_number.reset();
}

std::string RdmFld::Refusal(const std::string& text) const {
    switch (lurfieldnumber::Judge(m_fieldDesc.type, IsUnsigned(), text)) {
        case lurfieldnumber::Verdict::kTakes: return "";
        case lurfieldnumber::Verdict::kOutOfRange:
            return m_table + "." + m_name + " cannot hold " + lurquote::QuotedValue(text) + ": " +
                   lurfieldnumber::kOutOfRangeText;
        case lurfieldnumber::Verdict::kRefused: break;
    }
    return m_table + "." + m_name + " takes " + lurfieldnumber::WhatItTakes(m_fieldDesc.type, IsUnsigned()) + ", not " +
           lurquote::QuotedValue(text);
}

void RdmFld::SetCheckedString(const std::string& text) {
    if (const std::string refusal = Refusal(text); !refusal.empty())
        throw DbDescError(kBadType, Here(__LINE__), StrVector(refusal));
    SetString(text);
}

void RdmFld::SetCStr(const char* text) { SetString(text ? text : ""); }

void RdmFld::SetLong(int32_t value) {
    // An integer field takes the number as it would take its decimal text.
    if (IsBound() && m_desc->SetFieldInteger(m_fieldNo, value)) {
        m_number = value;
        return;
    }
    SetString(std::to_string(value));
}

void RdmFld::SetInt(int value) { SetLong(value); }

void RdmFld::SetShort(int16_t value) { SetLong(value); }

void RdmFld::SetFloat(float value) { SetDouble(static_cast<double>(value)); }

void RdmFld::SetDouble(double value) { SetString(lurutils::ToString(value, static_cast<short>(-1))); }

void RdmFld::SetChar(char value) { SetString(value == '\0' ? std::string() : std::string(1, value)); }

void RdmFld::SetRaw(const void* bytes) {
    switch (m_fieldDesc.type) {
        case 'F': SetDouble(Load<double>(bytes)); break;
        case 'c': {
            if (IsUnsigned()) ThrowType(__LINE__, "RdmFld");
            const auto* text = static_cast<const char*>(bytes);
            if (m_fieldDesc.length == 1) {
                SetChar(text[0]);
            } else {
                // A field without its terminating zero ends at its length.
                const auto length = static_cast<size_t>(m_fieldDesc.length);
                const auto* end = static_cast<const char*>(std::memchr(text, '\0', length));
                SetString(std::string(text, end ? static_cast<size_t>(end - text) : length));
            }
            break;
        }
        case 'd':
        case 'l': SetLong(Load<int32_t>(bytes)); break;
        case 'f': SetFloat(Load<float>(bytes)); break;
        case 'i': SetInt(Load<int32_t>(bytes)); break;
        case 's': SetShort(Load<int16_t>(bytes)); break;
        default: ThrowType(__LINE__, "RdmFld");
    }
}

RdmFld& RdmFld::operator=(int32_t value) {
    SetLong(value);
    return *this;
}

RdmFld& RdmFld::operator=(int16_t value) {
    SetShort(value);
    return *this;
}

RdmFld& RdmFld::operator=(char value) {
    SetChar(value);
    return *this;
}

// ---- comparison -----------------------------------------------------------------

int RdmFld::Compare(const RdmFld& other) const {
    const bool isUnsigned = IsUnsigned();
    switch (m_fieldDesc.type) {
        case 'F': return CompareValues(GetDouble(), other.GetDouble());
        case 'f': return CompareValues(GetFloat(), other.GetFloat());
        case 'c':
            // Signed, as on the original platform, whatever char is here.
            if (m_fieldDesc.length == 1)
                return CompareValues(static_cast<signed char>(GetChar()), static_cast<signed char>(other.GetChar()));
            return win::crt::StrIColl(GetCStr(), other.GetCStr());
        case 'i':
            return isUnsigned ? CompareValues(GetUInt(), other.GetUInt()) : CompareValues(GetInt(), other.GetInt());
        case 'l':
            return isUnsigned ? CompareValues(GetULong(), other.GetULong()) : CompareValues(GetLong(), other.GetLong());
        case 's':
            return isUnsigned ? CompareValues(GetUShort(), other.GetUShort())
                              : CompareValues(GetShort(), other.GetShort());
        default: ThrowType(__LINE__, "rdmfld");
    }
}

const RdmFld& RdmFld::TextOperand(const std::string& text) const {
    if (!m_compare) m_compare = std::make_unique<RdmFld>();
    *m_compare = *this;
    m_compare->m_detached = true;
    m_compare->m_text = text;
    m_compare->m_number.reset();
    return *m_compare;
}

bool RdmFld::operator<(const RdmFld& other) const { return Compare(other) < 0; }
bool RdmFld::operator>(const RdmFld& other) const { return Compare(other) > 0; }
bool RdmFld::operator==(const RdmFld& other) const { return Compare(other) == 0; }
bool RdmFld::operator!=(const RdmFld& other) const { return !(*this == other); }
bool RdmFld::operator<(const std::string& text) const { return Compare(TextOperand(text)) < 0; }
bool RdmFld::operator>(const std::string& text) const { return Compare(TextOperand(text)) > 0; }
bool RdmFld::operator==(const std::string& text) const { return Compare(TextOperand(text)) == 0; }
bool RdmFld::operator!=(const std::string& text) const { return !(*this == text); }

// ---- description ------------------------------------------------------------------

std::string RdmFld::GetDbName() const { return (m_detached || !m_desc) ? std::string() : m_desc->GetDbName(); }

std::string RdmFld::GetFullName() const { return GetDbName() + "." + m_table + "." + m_name; }

bool RdmFld::HasNoCurrentRecord() const { return IsBound() && m_desc->GetListPos(m_table) == -1; }

bool RdmFld::UpdateRecord() {
    if (!IsBound()) throw DbDescError(2010, Here(__LINE__), StrVector(m_table) << m_name);
    return m_desc->ModRec(m_table, false);
}

int32_t RdmFld::GetSqlLength() const { return m_sqlInfo.length > 0 ? m_sqlInfo.length : m_fieldDesc.length; }

int32_t RdmFld::GetPrecision() const {
    const StrVector fullName(m_table + "." + m_name);
    if (m_sqlInfo.length > 0) return m_sqlInfo.length;
    if (m_sqlInfo.length < 0) throw DbDescError(kBadLength, Here(__LINE__), fullName);

    const char type = m_fieldDesc.type;
    const int32_t length = m_fieldDesc.length;
    const bool isText = type == 'c' && length >= 2;
    switch (m_sqlInfo.sqlType) {
        case 1:
            if (isText) return IsUnsigned() ? length : length - 1;
            break;
        case 2:
            if (type == 'F') return 16;
            if (type == 'f') return 7;
            [[fallthrough]];
        case 8:
            if (type == 'c' && length == 1) return 5;
            if (type == 'i' || type == 'l') return 12;
            if (type == 's') return 7;
            break;
        case 4: return 0;
        case 16:
            if (type == 'l') return 8;
            break;
        case 32:
            if (type == 'F') return 14;
            break;
        default:
            switch (type) {
                case 'F': return 15;
                case 'c': return (isText && !IsUnsigned()) ? length - 1 : length;
                case 'f': return 6;
                case 'i':
                case 'l': return 12;
                case 's': return 7;
                default: return 0;
            }
    }
    throw DbDescError(kNoWidth, Here(__LINE__), fullName);
}

int32_t RdmFld::GetScale() const {
    if (m_sqlInfo.precision <= 0) return 0;
    if (m_sqlInfo.sqlType != 0 && m_sqlInfo.sqlType != 2) return 0;
    if (m_fieldDesc.type == 'F' || m_fieldDesc.type == 'f') return m_sqlInfo.precision;
    throw DbDescError(kNoWidth, Here(__LINE__), StrVector(m_table + "." + m_name));
}
