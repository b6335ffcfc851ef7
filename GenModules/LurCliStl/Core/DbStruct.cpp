#include "DbStruct.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "DbDescError.h"
#include "File.h"
#include "LastError.h"
#include "LurExceptBaseArg.h"
#include "LurStrings.h"

static_assert(std::endian::native == std::endian::little, "the description blob is little-endian");

namespace {

constexpr int kNoDescription = 10011;
constexpr int kNotWritten = 10006;
constexpr int kNoMemory = 10016;
constexpr int kFileNotFound = 2001;
constexpr int kTableNotFound = 2002;
constexpr int kFieldNotFound = 2003;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\DbStruct"};

// The header's leading bytes, carried as received; the counts follow.
constexpr size_t kHeaderCarriedBytes = 8;

// The bytes of a table's record that the client exchanges.
int ExchangedBytes(const RecordDesc& r) { return r.recordLength - r.dataOffset; }

// Reads the parts of a description blob one after the other.
class BlobReader {
public:
    BlobReader(const char* blob, int length) : m_blob(blob), m_length(length) {}

    int16_t Int16At(int offset) const {
        int16_t value;
        std::memcpy(&value, m_blob + offset, sizeof value);
        return value;
    }

    template <class Entry>
    void ReadArray(int count, std::vector<Entry>& out) {
        out.resize(static_cast<size_t>(count));
        if (count > 0) std::memcpy(out.data(), m_blob + m_pos, sizeof(Entry) * out.size());
        m_pos += static_cast<int>(sizeof(Entry)) * count;
    }

    // A name runs to its newline; one cut off by the end of the blob is taken
    // as far as it goes, and every name after the end is "".
    std::string ReadName() {
        const int start = m_pos;
        while (m_pos < m_length && m_blob[m_pos] != '\n') ++m_pos;
        std::string name(m_blob + start, static_cast<size_t>(m_pos - start));
        ++m_pos;
        return lurutils::ToUpper(name);
    }

    void Seek(int pos) { m_pos = pos; }

private:
    const char* m_blob;
    int m_length;
    int m_pos = 0;
};

// The bytes a value of a type letter occupies when read or written; 0 for
// the letters without a value of their own (and unknown ones, never read).
int ValueWidth(char type) {
    switch (type) {
        case 'c': return 1;
        case 's': return 2;
        case 'i':
        case 'l':
        case 'd':
        case 'f': return 4;
        case 'F': return 8;
        default: return 0;
    }
}

template <class Entry>
void AppendEntries(std::string& image, const std::vector<Entry>& entries) {
    image.append(reinterpret_cast<const char*>(entries.data()), sizeof(Entry) * entries.size());
}

void AppendCount(std::string& image, size_t count) {
    const auto value = static_cast<int16_t>(count);
    image.append(reinterpret_cast<const char*>(&value), sizeof value);
}

[[noreturn]] void ThrowBadBlob(const std::string& reason, int line) {
    throw DbDescError(kNoDescription, Here(line), StrVector("Invalid description blob: " + reason));
}

}  // namespace

void DbStruct::Clear() {
    m_files.clear();
    m_records.clear();
    m_fields.clear();
    m_keys.clear();
    m_sets.clear();
    m_members.clear();
    m_sorts.clear();
    m_tableNames.clear();
    m_fieldNames.clear();
    m_sqlInfo.clear();
    m_blobFiles.clear();
    m_name.clear();
    m_dbNo = -1;
}

void DbStruct::ParseBlob(const char* blob, int length) {
    if (!blob || length < kHeaderSize) ThrowBadBlob("shorter than its header", __LINE__);
    BlobReader reader(blob, length);
    const int nF = reader.Int16At(8), nR = reader.Int16At(10), nD = reader.Int16At(12), nS = reader.Int16At(14),
              nM = reader.Int16At(16), nO = reader.Int16At(18), nK = reader.Int16At(20);
    if (std::min({nF, nR, nD, nS, nM, nO, nK}) < 0) ThrowBadBlob("negative count", __LINE__);
    const long long namesStart =
        kHeaderSize + 60LL * nF + 12LL * nR + 20LL * nD + 12LL * nS + 8LL * nM + 4LL * nO + 8LL * nK;
    if (namesStart > length) ThrowBadBlob("shorter than its arrays", __LINE__);

    // Built apart, so that a bad blob leaves this structure as it was.
    DbStruct parsed;
    std::memcpy(parsed.m_header.data(), blob, kHeaderSize);
    reader.Seek(kHeaderSize);
    reader.ReadArray(nF, parsed.m_files);
    reader.ReadArray(nR, parsed.m_records);
    reader.ReadArray(nD, parsed.m_fields);
    reader.ReadArray(nS, parsed.m_sets);
    reader.ReadArray(nM, parsed.m_members);
    reader.ReadArray(nO, parsed.m_sorts);
    reader.ReadArray(nK, parsed.m_keys);

    for (const RecordDesc& r : parsed.m_records) {
        if (r.recordLength < 0 || r.dataOffset < 0 || r.dataOffset > r.recordLength)
            ThrowBadBlob("record length or data offset out of range", __LINE__);
        if (r.firstField < 0 || r.firstField > nD) ThrowBadBlob("first field out of range", __LINE__);
    }
    for (const FieldDesc& f : parsed.m_fields) {
        if (f.length < 0 || f.record < 0 || f.record >= nR)
            ThrowBadBlob("field length or table out of range", __LINE__);
        // Values are read and written at their type's width: a shorter field
        // would let a read or write run past it.
        if (f.length < ValueWidth(f.type)) ThrowBadBlob("field shorter than its type", __LINE__);
        const RecordDesc& r = parsed.m_records[static_cast<size_t>(f.record)];
        // A group has no bytes of its own to read: only its start must lie
        // in the record.
        const bool badPosition = f.type == 'k'   ? f.position < 0 || f.position > nK
                                 : f.type == 'g' ? f.position < r.dataOffset || f.position > r.recordLength
                                                 : f.position < r.dataOffset || f.position + f.length > r.recordLength;
        if (badPosition) ThrowBadBlob("field position out of range", __LINE__);
    }
    for (const KeyDesc& k : parsed.m_keys) {
        if (k.keyField < 0 || k.keyField >= nD || k.component < 0 || k.component >= nD)
            ThrowBadBlob("key entry out of range", __LINE__);
    }

    reader.Seek(static_cast<int>(namesStart));
    for (int i = 0; i < nR; ++i) parsed.m_tableNames.push_back(reader.ReadName());
    for (int i = 0; i < nD; ++i) parsed.m_fieldNames.push_back(reader.ReadName());
    parsed.m_sqlInfo.assign(static_cast<size_t>(nD), FieldSqlInfo{});

    *this = std::move(parsed);
}

// ---- the memory image ----------------------------------------------------------

std::string DbStruct::GetImage() const {
    // The counts come from the arrays, not from the header as parsed: after
    // a Clear the header still holds the old ones.
    std::string image(reinterpret_cast<const char*>(m_header.data()), kHeaderCarriedBytes);
    for (size_t count : {m_files.size(), m_records.size(), m_fields.size(), m_sets.size(), m_members.size(),
                         m_sorts.size(), m_keys.size()})
        AppendCount(image, count);
    AppendEntries(image, m_files);
    AppendEntries(image, m_records);
    AppendEntries(image, m_fields);
    AppendEntries(image, m_sets);
    AppendEntries(image, m_members);
    AppendEntries(image, m_sorts);
    AppendEntries(image, m_keys);
    for (const std::string& name : m_tableNames) image += name + '\n';
    for (const std::string& name : m_fieldNames) image += name + '\n';
    return image;
}

int DbStruct::ToBlob(char** image, int* length) const {
    const std::string bytes = GetImage();
    auto block = std::make_unique<char[]>(bytes.size());
    std::memcpy(block.get(), bytes.data(), bytes.size());
    *length = static_cast<int>(bytes.size());
    *image = block.release();
    return 0;
}

int DbStruct::LoadImage(const char* image, int length, std::string name, int dbNo) {
    ParseBlob(image, length);
    m_dbNo = dbNo;
    if (!name.empty()) m_name = lurutils::ToUpper(name);
    return 0;
}

int DbStruct::SaveDbd(const char* prefix) const {
    const std::string target = std::string(prefix != nullptr ? prefix : "") + m_name + ".dbd";
    // One temporary per process, so that two saves at once never write
    // into each other's file.
    const std::string temporary = target + "." + std::to_string(::getpid()) + ".tmp";
    const std::string image = GetImage();
    bool whole = false;
    {
        File file(temporary.c_str(), 'w', false);
        whole = file.IsValid() && file.Recreate() &&
                file.AppendLocked(image.data(), static_cast<unsigned>(image.size())) >= 0 && file.Close(false);
    }
    // One rename over the target: a reader beside the save finds the old
    // file or the new one, never none, and one that has the old file open
    // keeps reading it. A read-only target stays, as it always did.
    if (whole && win::MoveFileExA(temporary.c_str(), target.c_str(), win::MOVEFILE_REPLACE_EXISTING)) return 0;
    // The caller's reason is the failed step's, not the cleanup's.
    const uint32_t error = win::GetLastError();
    const int cause = win::GetLastErrno();
    lurutils::RemoveFile(temporary, false, false);
    if (cause != 0) {
        win::SetLastErrorFromErrno(cause);
    } else {
        win::SetLastError(error);
    }
    return kNotWritten;
}

int DbStruct::ReadDbdFile(const char* path, std::unique_ptr<char[]>& block, int& length) {
    File file(path, 'r', false);
    if (!file.IsValid()) return kNoDescription;
    const uint32_t size = file.GetSize(false);
    if (size == win::INVALID_FILE_SIZE || size > static_cast<uint32_t>(INT32_MAX)) return kNoDescription;
    std::unique_ptr<char[]> contents(new (std::nothrow) char[size]);
    if (contents == nullptr) return kNoMemory;
    // A file that shrank since its size was taken is no description.
    if (file.ReadLocked(contents.get(), size, 0) != size) return kNoDescription;
    block = std::move(contents);
    length = static_cast<int>(size);
    return 0;
}

int DbStruct::LoadDbd(const char* path, const char* name, int dbNo) {
    std::unique_ptr<char[]> block;
    int length = 0;
    if (const int result = ReadDbdFile(path, block, length); result != 0) return result;
    ParseBlob(block.get(), length);
    m_name = name != nullptr ? name : "";
    m_dbNo = dbNo;
    return 0;
}

void DbStruct::SetBlobFile(const std::string& alias, int32_t id) { m_blobFiles[lurutils::ToUpper(alias)] = id; }

// ---- lookups by index and number --------------------------------------------

FileDesc DbStruct::GetFileDesc(int index) const {
    const int i = Index16(index, m_files.size());
    if (i < 0) throw DbDescError(kFileNotFound, Here(__LINE__), StrVector(m_name + " ID: " + std::to_string(index)));
    return m_files[static_cast<size_t>(i)];
}

void DbStruct::ThrowRecordIndex(int index) const {
    throw DbDescError(kTableNotFound, Here(__LINE__), StrVector(m_name + " offset: " + std::to_string(index)));
}

RecordDesc DbStruct::GetRecDescByName(const std::string& table) const {
    try {
        return GetRecDescAt(GetRecType(table) - kRecTypeBase);
    } catch (const DbDescError& e) {
        throw LurExceptBaseArg(e.GetCode(), StrVector(table));
    }
}

FieldDesc DbStruct::GetFieldDescAt(int index) const {
    const int i = Index16(index, m_fields.size());
    if (i < 0)
        throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(m_name + ".fldoffset: " + std::to_string(index)));
    return m_fields[static_cast<size_t>(i)];
}

void DbStruct::ThrowFieldNo(int fieldNo, int line) const {
    throw DbDescError(kFieldNotFound, Here(line), StrVector(m_name + ".fld: " + std::to_string(fieldNo)));
}

void DbStruct::ThrowFieldDesc(int fieldNo) const { ThrowFieldNo(fieldNo, __LINE__); }

std::string DbStruct::GetFieldName(int fieldNo, std::string* tableOut) const {
    const int g = GlobalFieldIndex(fieldNo, m_fieldNames.size());
    if (g < 0) return "";
    if (tableOut) *tableOut = m_tableNames[static_cast<size_t>(fieldNo / kFieldsPerTable)];
    return m_fieldNames[static_cast<size_t>(g)];
}

FieldSqlInfo DbStruct::GetFieldSqlInfo(int fieldNo) const {
    bool recordOk = false;
    const int g = GlobalFieldIndex(fieldNo, m_sqlInfo.size(), &recordOk);
    if (!recordOk) ThrowFieldNo(fieldNo, __LINE__);
    if (g < 0) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector());
    return m_sqlInfo[static_cast<size_t>(g)];
}

// ---- lookups by name ----------------------------------------------------------

std::pair<int, int> DbStruct::TableFields(int recordIndex) const {
    if (recordIndex < 0 || static_cast<size_t>(recordIndex) >= m_records.size()) return {0, 0};
    const int first = m_records[static_cast<size_t>(recordIndex)].firstField;
    int end = first;
    while (static_cast<size_t>(end) < m_fields.size() && m_fields[static_cast<size_t>(end)].record == recordIndex)
        ++end;
    return {first, end};
}

int DbStruct::GetRecType(const std::string& table) const {
    // The record paths look a table up on every call, nearly always by the
    // name as stored (upper case): that is tried as given before the name
    // is checked for case at all.
    auto it = std::find(m_tableNames.begin(), m_tableNames.end(), table);
    if (it == m_tableNames.end() && !lurutils::IsUpperCase(table))
        it = std::find(m_tableNames.begin(), m_tableNames.end(), lurutils::ToUpper(table));
    return it == m_tableNames.end() ? -1 : kRecTypeBase + static_cast<int>(it - m_tableNames.begin());
}

std::string DbStruct::GetTableName(int recType) const {
    const int r = recType - kRecTypeBase;
    return (r < 0 || static_cast<size_t>(r) >= m_tableNames.size()) ? "" : m_tableNames[static_cast<size_t>(r)];
}

int DbStruct::GetFieldNo(const std::string& table, const std::string& field) const {
    return GetFieldNoIn(GetRecType(table), field);
}

int DbStruct::GetFieldNoIn(int recType, const std::string& field) const {
    if (recType < 0) return -1;
    const int r = recType - kRecTypeBase;
    const lurutils::UpperName name(field);
    const auto [first, end] = TableFields(r);
    for (int i = first; i < end; ++i)
        if (m_fieldNames[static_cast<size_t>(i)] == name.str()) return r * kFieldsPerTable + (i - first);
    return -1;
}

FieldDesc DbStruct::GetFieldDescByName(const std::string& table, const std::string& field) const {
    const int fieldNo = GetFieldNo(table, field);
    if (fieldNo < 0) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(table) << field);
    return GetFieldDesc(fieldNo);
}

FieldSqlInfo DbStruct::GetFieldSqlInfoByName(const std::string& table, const std::string& field) const {
    const int fieldNo = GetFieldNo(table, field);
    if (fieldNo < 0) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(table) << field);
    return GetFieldSqlInfo(fieldNo);
}

namespace {
// Group and compound key fields have no value of their own.
bool HasOwnValue(const FieldDesc& f) { return f.type != 'g' && f.type != 'k'; }
}  // namespace

void DbStruct::GetFieldDescs(int recType, std::vector<FieldDesc>& out, bool all) const {
    out.clear();
    const auto [first, end] = TableFields(recType - kRecTypeBase);
    for (int i = first; i < end; ++i)
        if (all || HasOwnValue(m_fields[static_cast<size_t>(i)])) out.push_back(m_fields[static_cast<size_t>(i)]);
}

void DbStruct::GetFieldNames(int recType, std::vector<std::string>& out, bool all) const {
    out.clear();
    const auto [first, end] = TableFields(recType - kRecTypeBase);
    for (int i = first; i < end; ++i)
        if (all || HasOwnValue(m_fields[static_cast<size_t>(i)])) out.push_back(m_fieldNames[static_cast<size_t>(i)]);
}

void DbStruct::GetFieldDescsByName(const std::string& table, std::vector<FieldDesc>& out, bool all) const {
    GetFieldDescs(GetRecType(table), out, all);
}

void DbStruct::GetFieldNamesByName(const std::string& table, std::vector<std::string>& out, bool all) const {
    GetFieldNames(GetRecType(table), out, all);
}

// ---- keys -----------------------------------------------------------------------

int DbStruct::GetUniqueKey(int recType) const {
    const int r = Index16(recType - kRecTypeBase, m_records.size());
    if (r < 0) return -1;
    const auto [first, end] = TableFields(r);
    for (int i = first; i < end; ++i)
        if (m_fields[static_cast<size_t>(i)].keyKind == 'u') return r * kFieldsPerTable + (i - first);
    return -1;
}

int DbStruct::GetUniqueKeyByName(const std::string& table) const { return GetUniqueKey(GetRecType(table)); }

FieldDesc DbStruct::GetUniqueKeyDesc(const std::string& table) const { return GetFieldDesc(GetUniqueKeyByName(table)); }

bool DbStruct::IsUniqueKey(const std::string& table, const std::string& field) const {
    if (field.empty()) return false;
    return GetFieldDescByName(table, field).keyKind == 'u';
}

bool DbStruct::IsCompoundKey(const std::string& table, const std::string& field) const {
    return GetFieldDescByName(table, field).type == 'k';
}

bool DbStruct::IsCompoundKey(int fieldNo) const { return GetFieldDesc(fieldNo).type == 'k'; }

void DbStruct::GetKeyComponents(int fieldNo, std::vector<KeyDesc>& out) const {
    out.clear();
    const int g = GlobalFieldIndex(fieldNo, m_fields.size());
    if (g < 0 || m_fields[static_cast<size_t>(g)].type != 'k') return;
    for (size_t k = static_cast<size_t>(m_fields[static_cast<size_t>(g)].position);
         k < m_keys.size() && m_keys[k].keyField == g; ++k)
        out.push_back(m_keys[k]);
}

void DbStruct::GetKeyComponentDescs(int fieldNo, std::vector<FieldDesc>& out) const {
    std::vector<KeyDesc> components;
    GetKeyComponents(fieldNo, components);
    out.clear();
    for (const KeyDesc& k : components) out.push_back(m_fields[static_cast<size_t>(k.component)]);
}

void DbStruct::GetKeyComponentNames(int fieldNo, std::vector<std::string>& out) const {
    if (GlobalFieldIndex(fieldNo, m_fields.size()) < 0) {
        out.clear();
        return;
    }
    std::vector<KeyDesc> components;
    GetKeyComponents(fieldNo, components);
    for (const KeyDesc& k : components) out.push_back(m_fieldNames[static_cast<size_t>(k.component)]);
}

void DbStruct::GetKeyFields(const std::string& table, const std::string& key, std::vector<std::string>& out) const {
    const int fieldNo = GetFieldNo(table, key);
    if (fieldNo < 0) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(table) << key);
    GetKeyComponentNames(fieldNo, out);
}

bool DbStruct::KeyHasField(int fieldNo, const std::string& field) const {
    if (GetFieldDesc(fieldNo).type != 'k') return false;
    std::vector<std::string> names;
    GetKeyComponentNames(fieldNo, names);
    return std::find(names.begin(), names.end(), field) != names.end();
}

bool DbStruct::KeyHasField(const std::string& table, const std::string& key, const std::string& field) const {
    const int fieldNo = GetFieldNo(table, key);
    return fieldNo >= 0 && KeyHasField(fieldNo, lurutils::ToUpper(field));
}

void DbStruct::GetKeyFieldNames(const std::string& table, const std::string& field,
                                std::vector<std::string>& out) const {
    const int fieldNo = GetFieldNo(table, field);
    if (GetFieldDesc(fieldNo).type == 'k')
        GetKeyComponentNames(fieldNo, out);
    else
        out.push_back(GetFieldName(fieldNo));
}

std::string DbStruct::FindKeyByFields(const std::string& table, const std::vector<std::string>& names) const {
    const int recType = GetRecType(table);
    if (recType < 0) return std::string();
    // Compared as multisets: {"P1", "P1"} is not the key (P1, P2).
    std::vector<std::string> wanted;
    for (const std::string& name : names) wanted.push_back(lurutils::ToUpper(name));
    std::sort(wanted.begin(), wanted.end());
    const int r = recType - kRecTypeBase;
    const auto [first, end] = TableFields(r);
    for (int i = first; i < end; ++i) {
        if (m_fields[static_cast<size_t>(i)].type != 'k') continue;
        std::vector<std::string> components;
        GetKeyComponentNames(r * kFieldsPerTable + (i - first), components);
        std::sort(components.begin(), components.end());
        if (components == wanted) return m_fieldNames[static_cast<size_t>(i)];
    }
    return std::string();
}

// ---- sizes and checked lookups ------------------------------------------------

int DbStruct::GetRecordSize(const std::string& table) const { return ExchangedBytes(GetRecDescByName(table)); }

int DbStruct::GetRecordSizeOf(int recType) const { return ExchangedBytes(GetRecDesc(recType)); }

int DbStruct::GetFieldLength(const std::string& table, const std::string& field, bool asText) const {
    const FieldDesc f = GetFieldDescByName(table, field);
    const bool textWithZero = f.type == 'c' && f.length >= 2 && !(f.flags & FieldDesc::kUnsigned);
    return (asText && textWithZero) ? f.length - 1 : f.length;
}

int DbStruct::GetRecTypeOrThrow(const std::string& table, const ErrorLocation& where) const {
    const int recType = GetRecType(table);
    if (recType < 0) throw DbDescError(kTableNotFound, where, StrVector(table));
    return recType;
}

int DbStruct::GetFieldNoOrThrow(const std::string& table, const std::string& field, const ErrorLocation& where) const {
    const int fieldNo = GetFieldNo(table, field);
    if (fieldNo < 0) throw DbDescError(kFieldNotFound, where, StrVector(table) << field);
    return fieldNo;
}

std::pair<int, int> DbStruct::GetFieldAddress(const std::string& table, const std::string& field,
                                              const ErrorLocation& where) const {
    const int recType = GetRecTypeOrThrow(table, where);
    return {recType, GetFieldNoOrThrow(table, field, where)};
}

int DbStruct::GetBlobFileId(const std::string& alias, bool strict) const {
    const auto it = m_blobFiles.find(lurutils::ToUpper(alias));
    if (it != m_blobFiles.end()) return it->second;
    if (strict) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector("SYS.FILEBLOBS.FB_ALIAS: " + alias));
    return -1;
}
