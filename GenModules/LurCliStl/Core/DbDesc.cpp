// DbDesc: the object, its loading, the structure accessors, the record
// buffers, field values as text and the table options.
#include "DbDesc.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "DbDescError.h"
#include "FieldNumberText.h"
#include "LurNumbers.h"
#include "LurStrings.h"

namespace {

constexpr int kNoDescription = 10011;
constexpr int kFieldNotFound = 2003;
constexpr int kBadByteText = 2004;
constexpr int kTextTooLong = 2040;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\DbDesc"};

bool IsUnsigned(const FieldDesc& desc) { return (desc.flags & FieldDesc::kUnsigned) != 0; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

template <class T>
T Load(const char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <class T>
void Store(char* at, T value) {
    std::memcpy(at, &value, sizeof value);
}

bool IsInteger(const FieldDesc& desc) {
    return desc.type == 'd' || desc.type == 'i' || desc.type == 'l' || desc.type == 's';
}

// Whether DecimalToLong reads the field's text as an unsigned number.
bool IsUnsignedNumber(const FieldDesc& desc) { return desc.type == 'd' || (desc.type == 'l' && IsUnsigned(desc)); }

// The value of an integer field: 'd' unsigned, 'i' signed, 'l' and 's' by
// the unsigned flag.
int64_t LoadInteger(const char* at, const FieldDesc& desc) {
    const bool isUnsigned = IsUnsigned(desc);
    switch (desc.type) {
        case 'd': return Load<uint32_t>(at);
        case 'l': return isUnsigned ? int64_t{Load<uint32_t>(at)} : int64_t{Load<int32_t>(at)};
        case 's': return isUnsigned ? int64_t{Load<uint16_t>(at)} : int64_t{Load<int16_t>(at)};
        default: return Load<int32_t>(at);
    }
}

// The 32 bits of a number into an integer field; 's' keeps the low 16.
void StoreInteger(char* at, int32_t number, const FieldDesc& desc) {
    if (desc.type == 's')
        Store(at, static_cast<uint16_t>(static_cast<uint32_t>(number) & 0xFFFFu));
    else
        Store(at, number);
}

}  // namespace

// ---- object -----------------------------------------------------------------

DbDesc::DbDesc() = default;

DbDesc::DbDesc(const DbDesc& other)
    : m_records(other.m_records),
      m_lists(other.m_lists),
      m_privateLists(other.m_privateLists),
      m_tableStates(other.m_tableStates),
      m_sortedStates(other.m_sortedStates),
      m_handle(other.m_handle),
      m_struct(other.m_struct) {
    std::copy(std::begin(other.m_version), std::end(other.m_version), std::begin(m_version));
}

// Copy and swap: everything that can fail happens on the copy, so a failed
// assignment leaves this object as it was (self-assignment included).
DbDesc& DbDesc::operator=(const DbDesc& other) {
    DbDesc copy(other);
    SwapCopiedState(copy);
    return *this;
}

void DbDesc::SwapCopiedState(DbDesc& other) noexcept {
    std::swap(m_version, other.m_version);
    m_records.swap(other.m_records);
    m_lists.swap(other.m_lists);
    m_privateLists.swap(other.m_privateLists);
    m_tableStates.swap(other.m_tableStates);
    std::swap(m_sortedStates, other.m_sortedStates);
    std::swap(m_handle, other.m_handle);
    std::swap(m_struct, other.m_struct);
}

DbDesc::~DbDesc() = default;

const DbStruct& DbDesc::EmptyStruct() {
    static const DbStruct empty;
    return empty;
}

DbStruct* DbDesc::WritableStruct(int line) {
    if (!m_struct)
        throw DbDescError(kNoDescription, Here(line),
                          StrVector("no description structure for " + std::string(GetDbName())));
    return m_struct.get();
}

void DbDesc::SetVersion(int32_t major, int32_t minor, int32_t sub, int32_t build) {
    m_version[0] = major;
    m_version[1] = minor;
    m_version[2] = sub;
    m_version[3] = build;
}

// ---- loading ----------------------------------------------------------------

int32_t DbDesc::LoadBlob(const char* blob, int32_t length, const std::string& name, int32_t dbNo, DbDesc* catalogue) {
    DbStruct* structure = WritableStruct(__LINE__);
    BuildBuffers(blob, length);
    structure->SetDbNo(dbNo);
    if (!name.empty()) structure->SetDbName(lurutils::ToUpper(name));
    structure->ReadSysTables(dbNo, catalogue);
    return 0;
}

int32_t DbDesc::LoadFile(const char* path, const std::string& name, int32_t dbNo) {
    std::unique_ptr<char[]> block;
    int length = 0;
    if (const int result = DbStruct::ReadDbdFile(path, block, length); result != 0) return result;
    return LoadBlob(block.get(), length, name, dbNo, nullptr);
}

void DbDesc::FreeBuffers() {
    m_records.clear();
    m_lists.clear();
    m_privateLists.clear();
}

void DbDesc::BuildBuffers(const char* blob, int32_t length) {
    // The parse comes first: it leaves the structure as it was when the blob
    // is bad, and this object then keeps its buffers too.
    DbStruct* structure = WritableStruct(__LINE__);
    structure->ParseBlob(blob, length);
    FreeBuffers();

    const std::vector<std::string> tables = structure->GetTableNames();
    for (const std::string& table : tables) m_tableStates.Add(table, TableState{-1, "", DefaultTableOptions()});

    const std::vector<RecordDesc> records = structure->GetRecordDescs();
    for (const RecordDesc& record : records) {
        const int32_t size = record.recordLength - record.dataOffset;
        m_records.emplace_back(static_cast<size_t>(size), '\0');
        RecordList list;
        list.recordSize = size;
        m_lists.push_back(list);
        m_privateLists.push_back(list);
    }
}

// ---- structure accessors ------------------------------------------------------

const char* DbDesc::GetDbName() const { return GetStruct().GetDbName(); }
std::string DbDesc::GetTableName(int32_t recType) const { return GetStruct().GetTableName(recType); }
int32_t DbDesc::GetFieldNo(const std::string& table, const std::string& field) const {
    return GetStruct().GetFieldNo(table, field);
}
std::string DbDesc::GetFieldName(int32_t fieldNo, std::string* tableOut) const {
    return GetStruct().GetFieldName(fieldNo, tableOut);
}
bool DbDesc::HasTable(const std::string& table) const { return GetRecType(table) != -1; }
bool DbDesc::HasField(const std::string& table, const std::string& field) const {
    return GetFieldNo(table, field) != -1;
}
RecordDesc DbDesc::GetRecDescByName(const std::string& table) const { return GetStruct().GetRecDescByName(table); }
FieldDesc DbDesc::GetFieldDescByName(const std::string& table, const std::string& field) const {
    return GetStruct().GetFieldDescByName(table, field);
}
FieldDesc DbDesc::GetFieldDescAt(int32_t index) const { return GetStruct().GetFieldDescAt(index); }
void DbDesc::GetFieldDescs(int32_t recType, std::vector<FieldDesc>& out, bool withGroups) const {
    GetStruct().GetFieldDescs(recType, out, withGroups);
}
void DbDesc::GetFieldDescsByName(const std::string& table, std::vector<FieldDesc>& out, bool withGroups) const {
    GetStruct().GetFieldDescsByName(table, out, withGroups);
}
void DbDesc::GetFieldNames(int32_t recType, std::vector<std::string>& out, bool withGroups) const {
    GetStruct().GetFieldNames(recType, out, withGroups);
}
void DbDesc::GetFieldNamesByName(const std::string& table, std::vector<std::string>& out, bool withGroups) const {
    GetStruct().GetFieldNamesByName(table, out, withGroups);
}
DbStruct::Header DbDesc::GetHeader() const { return GetStruct().GetHeader(); }
FileDesc DbDesc::GetFileDesc(int32_t index) const { return GetStruct().GetFileDesc(index); }
void DbDesc::GetFileDescs(std::vector<FileDesc>& out) const { out = GetStruct().GetFileDescs(); }
void DbDesc::GetTableNames(std::vector<std::string>& out) const { out = GetStruct().GetTableNames(); }
void DbDesc::GetRecordDescs(std::vector<RecordDesc>& out) const { out = GetStruct().GetRecordDescs(); }
void DbDesc::GetAllFieldDescs(std::vector<FieldDesc>& out) const { out = GetStruct().GetAllFieldDescs(); }
void DbDesc::GetAllFieldNames(std::vector<std::string>& out) const { out = GetStruct().GetAllFieldNames(); }
void DbDesc::GetKeyComponents(int32_t fieldNo, std::vector<KeyDesc>& out) const {
    GetStruct().GetKeyComponents(fieldNo, out);
}
void DbDesc::GetKeyComponentDescs(int32_t fieldNo, std::vector<FieldDesc>& out) const {
    GetStruct().GetKeyComponentDescs(fieldNo, out);
}
void DbDesc::GetKeyComponentNames(int32_t fieldNo, std::vector<std::string>& out) const {
    GetStruct().GetKeyComponentNames(fieldNo, out);
}
FieldSqlInfo DbDesc::GetFieldSqlInfo(int32_t fieldNo) const { return GetStruct().GetFieldSqlInfo(fieldNo); }
FieldSqlInfo DbDesc::GetFieldSqlInfoByName(const std::string& table, const std::string& field) const {
    return GetStruct().GetFieldSqlInfoByName(table, field);
}
int32_t DbDesc::GetFileBlobId(const std::string& alias, bool strict) const {
    return GetStruct().GetBlobFileId(alias, strict);
}

// ---- record buffers -------------------------------------------------------------

bool DbDesc::SetRecord(const void* bytes, const std::string& table) {
    return SetRecordAt(RecordIndex(GetRecType(table)), bytes);
}

bool DbDesc::SetRecord(const void* bytes, const std::string& table, int32_t recType) {
    return SetRecordAt(RecordIndex(GetStruct().IsRecTypeOf(recType, table) ? recType : GetRecType(table)), bytes);
}

bool DbDesc::SetRecordAt(int32_t index, const void* bytes) {
    if (index < 0) return false;
    std::vector<char>& buffer = RecordBufferAt(index);
    if (!buffer.empty()) std::memcpy(buffer.data(), bytes, buffer.size());
    return true;
}

bool DbDesc::CopyRecord(std::vector<char>& out, const std::string& table) const {
    const int32_t index = RecordIndex(GetRecType(table));
    if (index < 0) return false;
    try {
        out = RecordBufferAt(index);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

std::string_view DbDesc::RecordView(const std::string& table) const {
    const int32_t index = RecordIndex(GetRecType(table));
    if (index < 0) return {};
    const std::vector<char>& buffer = RecordBufferAt(index);
    return {buffer.data(), buffer.size()};
}

std::string_view DbDesc::ListView(const std::string& table) const {
    const int32_t index = RecordIndex(GetRecType(table));
    if (index < 0) return {};
    const RecordList& list = GetListAt(index);
    return {list.data.data(), static_cast<size_t>(list.Count()) * static_cast<size_t>(list.recordSize)};
}

bool DbDesc::ClearRecord(const std::string& table) {
    const int32_t index = RecordIndex(GetRecType(table));
    if (index < 0) return false;
    std::vector<char>& buffer = RecordBufferAt(index);
    std::fill(buffer.begin(), buffer.end(), '\0');
    return true;
}

int32_t DbDesc::GetRecordSize(const std::string& table) const { return GetStruct().GetRecordSize(table); }

int32_t DbDesc::GetFieldLength(const std::string& table, const std::string& field, bool asText) const {
    return GetStruct().GetFieldLength(table, field, asText);
}

// ---- field places -------------------------------------------------------------

void DbDesc::ThrowFieldNo(int32_t fieldNo, int line) const {
    throw DbDescError(kFieldNotFound, Here(line),
                      StrVector(std::string(GetDbName()) + ".fld: " + std::to_string(fieldNo)));
}

FieldDesc DbDesc::OwnFieldDesc(int32_t fieldNo) const {
    // The structure checks only the record and the global index, so a number
    // past its table's last field would reach the next table's field: the
    // field must belong to the table its number names.
    if (fieldNo < 0) ThrowFieldNo(fieldNo, __LINE__);
    const FieldDesc desc = GetStruct().GetFieldDesc(fieldNo);
    if (desc.record != fieldNo / kFieldsPerTable) ThrowFieldNo(fieldNo, __LINE__);
    return desc;
}

const char* DbDesc::ValueInBuffer(int32_t fieldNo, FieldDesc& desc) const {
    int32_t dataOffset = 0;
    const FieldDesc* field = GetStruct().OwnField(fieldNo, dataOffset);
    if (!field) {
        OwnFieldDesc(fieldNo);  // raises, as for every number the quick lookup refuses
        ThrowFieldNo(fieldNo, __LINE__);
    }
    desc = *field;
    if (desc.type == 'g' || desc.type == 'k') return nullptr;
    const int32_t recordIndex = desc.record;
    if (recordIndex >= static_cast<int32_t>(m_records.size())) return nullptr;
    const int32_t offset = desc.position - dataOffset;
    const std::vector<char>& buffer = RecordBufferAt(recordIndex);
    if (offset < 0 || static_cast<size_t>(offset) + desc.length > buffer.size()) return nullptr;
    return buffer.data() + offset;
}

char* DbDesc::ValueInBuffer(int32_t fieldNo, FieldDesc& desc) {
    return const_cast<char*>(std::as_const(*this).ValueInBuffer(fieldNo, desc));
}

void DbDesc::CheckRawField(int32_t fieldNo, FieldDesc& desc, int32_t& offset) const {
    desc = OwnFieldDesc(fieldNo);
    if (desc.type == 'k' || desc.type == 'g') ThrowFieldNo(fieldNo, __LINE__);
    offset = desc.position - GetRecDescAt(desc.record).dataOffset;
}

// ---- field values as text ---------------------------------------------------------

std::string DbDesc::GetFieldText(int32_t fieldNo) const {
    std::string text;
    GetFieldText(fieldNo, text);
    return text;
}

void DbDesc::GetFieldText(int32_t fieldNo, std::string& text) const {
    FieldDesc desc;
    const char* value = ValueInBuffer(fieldNo, desc);
    if (desc.type == 'g' || desc.type == 'k') {
        text.clear();  // no value of their own
        return;
    }
    if (!value) ThrowFieldNo(fieldNo, __LINE__);
    ValueToText(value, text, desc);
}

std::string DbDesc::GetFieldText(const std::string& table, const std::string& field) const {
    const int32_t fieldNo = GetFieldNo(table, field);
    if (fieldNo == -1) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(table) << field);
    return GetFieldText(fieldNo);
}

bool DbDesc::SetFieldText(int32_t fieldNo, const std::string& text) {
    FieldDesc desc;
    char* value = ValueInBuffer(fieldNo, desc);
    return value && TextToValue(value, text, desc, fieldNo);
}

void DbDesc::SetFieldText(const std::string& table, const std::string& field, const std::string& text) {
    const int32_t fieldNo = GetFieldNo(table, field);
    if (fieldNo == -1) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(table) << field);
    SetFieldText(fieldNo, text);
}

void DbDesc::GetFieldTexts(const std::string& table, const std::vector<std::string>& fields,
                           std::vector<std::string>& texts) const {
    texts.clear();
    for (const std::string& field : fields) texts.push_back(GetFieldText(table, field));
}

bool DbDesc::GetFieldInteger(int32_t fieldNo, int64_t& number) const {
    FieldDesc desc;
    const char* value = ValueInBuffer(fieldNo, desc);
    if (!value || !IsInteger(desc)) return false;
    number = LoadInteger(value, desc);
    return true;
}

bool DbDesc::SetFieldInteger(int32_t fieldNo, int32_t value) {
    FieldDesc desc;
    char* bytes = ValueInBuffer(fieldNo, desc);
    if (!bytes || !IsInteger(desc)) return false;
    // DecimalToLong gives any 32-bit value back from its decimal text (an
    // unsigned reading wraps a negative one to the same bits).
    StoreInteger(bytes, value, desc);
    return true;
}

int32_t DbDesc::IntegerToLong(int64_t number, const FieldDesc& desc) {
    // The number lies between the 32-bit signed minimum and the unsigned
    // maximum: an unsigned reading keeps its low 32 bits, a signed one
    // saturates at the signed maximum.
    if (IsUnsignedNumber(desc)) return static_cast<int32_t>(static_cast<uint32_t>(number));
    return static_cast<int32_t>(std::min<int64_t>(number, std::numeric_limits<int32_t>::max()));
}

void DbDesc::GetFieldBytes(const void* record, void* destination, int32_t fieldNo) const {
    FieldDesc desc;
    int32_t offset = 0;
    CheckRawField(fieldNo, desc, offset);
    std::memcpy(destination, static_cast<const char*>(record) + offset, static_cast<size_t>(desc.length));
}

void DbDesc::SetFieldBytes(void* record, const void* source, int32_t fieldNo) const {
    FieldDesc desc;
    int32_t offset = 0;
    CheckRawField(fieldNo, desc, offset);
    std::memcpy(static_cast<char*>(record) + offset, source, static_cast<size_t>(desc.length));
}

void DbDesc::GetFieldBytes(const void* record, void* destination, const std::string& table,
                           const std::string& field) const {
    GetFieldBytes(record, destination, FieldNoOrThrow(table, field, Here(__LINE__)));
}

void DbDesc::SetFieldBytes(void* record, const void* source, const std::string& table, const std::string& field) const {
    SetFieldBytes(record, source, FieldNoOrThrow(table, field, Here(__LINE__)));
}

// The caller's value lies in a record of the field's own table: a number
// past that table's last field is refused like every buffer access.
bool DbDesc::ValueToText(const char* value, std::string& text, int32_t fieldNo) const {
    return ValueToText(value, text, OwnFieldDesc(fieldNo));
}

bool DbDesc::TextToValue(char* value, const std::string& text, int32_t fieldNo) const {
    return TextToValue(value, text, OwnFieldDesc(fieldNo), fieldNo);
}

bool DbDesc::ValueToText(const char* value, std::string& text, const FieldDesc& desc) {
    text.clear();
    const bool isUnsigned = IsUnsigned(desc);
    switch (desc.type) {
        case 'F': text = lurutils::ToString(Load<double>(value), static_cast<short>(-1)); return true;
        case 'f':
            text = lurutils::ToString(static_cast<double>(Load<float>(value)), static_cast<short>(-1));
            return true;
        case 'c':
            if (desc.length == 1) {
                if (isUnsigned || value[0] != '\0') text.assign(1, value[0]);
            } else {
                // Never past the field, even when its bytes hold no zero.
                const auto* end = static_cast<const char*>(std::memchr(value, '\0', static_cast<size_t>(desc.length)));
                text.assign(value, end ? static_cast<size_t>(end - value) : static_cast<size_t>(desc.length));
            }
            return true;
        case 'd':
        case 'i':
        case 'l':
        case 's': text = std::to_string(LoadInteger(value, desc)); return true;
        default: return false;
    }
}

bool DbDesc::TextToValue(char* value, const std::string& text, const FieldDesc& desc, int32_t fieldNo) const {
    const auto tableAndField = [&] {
        std::string table;
        const std::string field = GetFieldName(fieldNo, &table);
        return StrVector(table) << field;
    };
    switch (desc.type) {
        case 'F': Store(value, lurutils::StringToDouble(text, true)); return true;
        case 'f': Store(value, DoubleToFloat(lurutils::StringToDouble(text, true))); return true;
        case 'c':
            if (desc.length == 1) {
                try {
                    value[0] = CharFromText(text);
                } catch (const DbDescError& e) {
                    if (e.GetCode() != kBadByteText) throw;
                    throw DbDescError(kBadByteText, Here(__LINE__), tableAndField());
                }
            } else {
                const size_t room = static_cast<size_t>(desc.length) - 1;
                if (text.size() > room) throw DbDescError(kTextTooLong, Here(__LINE__), tableAndField());
                // The rest of the field is zeroed, so record images stay
                // free of earlier values' leftovers.
                std::memcpy(value, text.data(), text.size());
                std::memset(value + text.size(), 0, static_cast<size_t>(desc.length) - text.size());
            }
            return true;
        case 'd':
        case 'l':
        case 'i':
        case 's': StoreInteger(value, DecimalToLong(text, desc), desc); return true;
        default: return false;
    }
}

std::string DbDesc::ByteToText(uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[byte >> 4] + kDigits[byte & 0x0F];
}

char DbDesc::CharFromText(const std::string& text) {
    if (text.empty()) return '\0';
    if (text.size() == 1) return text[0];
    std::string hex = lurutils::ToUpper(text);
    if (hex.size() == 4) {
        if (hex[0] != '0' || hex[1] != 'X') throw DbDescError(kBadByteText, Here(__LINE__), StrVector(text));
        hex.erase(0, 2);
    }
    if (hex.size() != 2) throw DbDescError(kBadByteText, Here(__LINE__), StrVector(text));
    const int high = HexDigit(hex[0]);
    if (high < 0) throw DbDescError(kBadByteText, Here(__LINE__), StrVector(text));
    const int low = HexDigit(hex[1]);
    if (low < 0) throw DbDescError(kBadByteText, Here(__LINE__), StrVector(text));
    return static_cast<char>(high * 16 + low);
}

int32_t DbDesc::DecimalToLong(const std::string& text, const FieldDesc& desc) {
    return IsUnsignedNumber(desc) ? static_cast<int32_t>(lurutils::StringToULong(text)) : lurutils::StringToLong(text);
}

float DbDesc::DoubleToFloat(double value) { return lurfieldnumber::NearestFloat(value); }

// ---- table options ----------------------------------------------------------------

TableState& DbDesc::StateOf(const std::string& table) { return m_tableStates.Get(lurutils::UpperName(table)); }

const TableState& DbDesc::StateOf(const std::string& table) const {
    return m_tableStates.Get(lurutils::UpperName(table));
}

void DbDesc::AddTableOption(const std::string& table, int32_t code) { StateOf(table).options.Add(code); }
void DbDesc::RemoveTableOption(const std::string& table, int32_t code) { StateOf(table).options.Remove(code); }
void DbDesc::AddTableOptions(const std::string& table, const TableOptions& codes) {
    StateOf(table).options.AddAll(codes);
}
void DbDesc::RemoveTableOptions(const std::string& table, const TableOptions& codes) {
    StateOf(table).options.RemoveAll(codes);
}
void DbDesc::SetTableOptions(const std::string& table, const TableOptions& codes) { StateOf(table).options = codes; }
TableOptions DbDesc::GetTableOptions(const std::string& table) const { return StateOf(table).options; }
bool DbDesc::HasTableOption(const std::string& table, int32_t code) const {
    return StateOf(table).options.Contains(code);
}

void DbDesc::AddOptionToAll(int32_t code) {
    for (auto& [name, state] : m_tableStates) state.options.Add(code);
}
void DbDesc::RemoveOptionFromAll(int32_t code) {
    for (auto& [name, state] : m_tableStates) state.options.Remove(code);
}
void DbDesc::AddOptionsToAll(const TableOptions& codes) {
    for (auto& [name, state] : m_tableStates) state.options.AddAll(codes);
}
void DbDesc::RemoveOptionsFromAll(const TableOptions& codes) {
    for (auto& [name, state] : m_tableStates) state.options.RemoveAll(codes);
}
void DbDesc::SetOptionsForAll(const TableOptions& codes) {
    for (auto& [name, state] : m_tableStates) state.options = codes;
}

TableOptions DbDesc::DefaultTableOptions() { return TableOptions{5}; }
