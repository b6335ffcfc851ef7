// DbDescMap: opening tablespaces, loading their descriptions into the
// description cache, and handing them out.
#include "DbDescMap.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "ClientBlock.h"
#include "DbDescError.h"
#include "FunctionLoader.h"
#include "LurMsgBox.h"
#include "LurResources.h"
#include "LurStrings.h"
#include "RdmTable.h"

namespace {

constexpr int kNotOpen = 2000;
constexpr int32_t kNoDescription = 10011;
constexpr int32_t kTablespaceNotOpen = 10004;
constexpr int32_t kAlreadyOpen = 10020;
// No current record after a list search, so that ListNext starts at the first.
constexpr int kNoCurrent = 5;
// Reports show at most this much of an exception's text.
constexpr size_t kReportTextLimit = 512;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\DbDescMap"};

bool g_interactive = true;

// The process-wide description cache: per client handle, per upper-case
// tablespace name, the one structure that every description and copy of
// that tablespace shares. The descriptions own the structure together; the
// cache only finds it, so a structure goes with the last description of its
// connection, and a handle number that the client library hands out again
// later starts without structures (its tablespaces may have another layout).
using CachedStructures = std::map<int32_t, std::map<std::string, std::weak_ptr<DbStruct>>>;

CachedStructures& DescriptionCache() {
    static CachedStructures cache;
    return cache;
}

// Forgets the structures whose last description has gone, and handles left
// without any, so that a server that connects and disconnects all day keeps
// a cache of what is in use.
void ForgetUnusedStructures() {
    CachedStructures& cache = DescriptionCache();
    for (auto handle = cache.begin(); handle != cache.end();) {
        std::erase_if(handle->second, [](const auto& entry) { return entry.second.expired(); });
        handle = handle->second.empty() ? cache.erase(handle) : std::next(handle);
    }
}

// Whether two parses lay records out alike: a description built on one can
// then safely work on the other.
bool SameLayout(const DbStruct& a, const DbStruct& b) {
    const std::vector<RecordDesc> recordsA = a.GetRecordDescs(), recordsB = b.GetRecordDescs();
    const std::vector<FieldDesc> fieldsA = a.GetAllFieldDescs(), fieldsB = b.GetAllFieldDescs();
    return recordsA.size() == recordsB.size() && fieldsA.size() == fieldsB.size() &&
           std::memcmp(recordsA.data(), recordsB.data(), recordsA.size() * sizeof(RecordDesc)) == 0 &&
           std::memcmp(fieldsA.data(), fieldsB.data(), fieldsA.size() * sizeof(FieldDesc)) == 0 &&
           a.GetTableNames() == b.GetTableNames() && a.GetAllFieldNames() == b.GetAllFieldNames();
}

bool IsCatalogue(const std::string& name) { return lurutils::ToUpper(name) == DbDescMap::kCatalogueName; }

}  // namespace

namespace lurclistl {

void SetInteractive(bool interactive) { g_interactive = interactive; }
bool IsInteractive() { return g_interactive; }

void ReportError(const LurExceptBase& error) {
    const std::string additional = lurutils::GetTextFromResource(24050, "Additional datas:", nullptr, false, true);
    const std::string codeLabel = lurutils::GetTextFromResource(24051, "ErrCode:", nullptr, false, true);
    const std::string location = error.FormatLocation("%s\t%s\n%s\t%s\n%s\t%d");
    const std::string text = std::string(error.what()).substr(0, kReportTextLimit);
    if (!IsInteractive()) {
        std::printf("%s\n-------------------------------------------------\n\n%s\n%s\t%d\n%s\n", text.c_str(),
                    additional.c_str(), codeLabel.c_str(), error.GetCode(), location.c_str());
        std::fflush(stdout);
        return;
    }
    const std::string caption = lurutils::GetTextFromResource(24052, "Error occured:", nullptr, false, true);
    const std::string details =
        additional + "\n" + codeLabel + "\t" + std::to_string(error.GetCode()) + "\n" + location;
    lurutils::ShowMsgBox(nullptr, caption, lurutils::_TextInfo(text, lurutils::_FontInf("", 14, 1, 0xA4, 255)),
                         lurutils::_TextInfo(details, lurutils::_FontInf("", 0, 0x400, lurutils::kSystemColour, 255)),
                         win::MB_TOPMOST, nullptr);
}

}  // namespace lurclistl

// ---- opening and loading --------------------------------------------------------

bool DbDescMap::OpenAll() {
    m_openFailures.clear();
    if (!HasDesc(kCatalogueName) && !OpenDb(kCatalogueName, kCatalogueNumber, 0, true)) return false;
    DbDesc catalogue = GetDescCopy(kCatalogueName);
    RdmTable tablespaces(&catalogue, "TABLESPACE");
    if (!tablespaces.FindList("", kNoCurrent)) return false;
    while (tablespaces.ListNext()) {
        const std::string name = lurutils::ToUpper(tablespaces.Fld("name").GetString());
        OpenDb(name.c_str(), tablespaces.Fld("dbid").GetLong(), 0, true);
    }
    return true;
}

bool DbDescMap::OpenTablespace(const char* name, int32_t dbNo, char mode, bool quiet) {
    if (!HasDesc(kCatalogueName) && !OpenDb(kCatalogueName, kCatalogueNumber, 0, true)) return false;
    const std::string wanted = lurutils::ToUpper(name ? name : "");
    if (wanted != kCatalogueName) {
        DbDesc catalogue = GetDescCopy(kCatalogueName);
        RdmTable tablespaces(&catalogue, "tablespace");
        if (tablespaces.FindList("", kNoCurrent)) {
            while (tablespaces.ListNext()) {
                if (lurutils::ToUpper(tablespaces.Fld("name").GetString()) == wanted) {
                    dbNo = tablespaces.Fld("dbid").GetLong();
                    break;
                }
            }
        }
    }
    return OpenDb(name, dbNo, mode, quiet);
}

bool DbDescMap::OpenDb(const char* name, int32_t dbNo, char mode, bool quiet) {
    if (GetDescription(dbNo, name)) return true;
    const int32_t status = LUR_CLIENT_FUNCTION(OpenDbExA, "DbDescMap")(
        m_handle, dbNo, name, static_cast<int32_t>(static_cast<unsigned char>(mode)));
    if (status == 0 || status == kAlreadyOpen) {
        if (GetDescription(dbNo, name)) return true;
        NoteFailure(name, dbNo, kNoDescription, "opened, but its description was not given or not taken");
        return false;
    }
    if (quiet) {
        NoteFailure(name, dbNo, status, "the tablespace did not open");
        return false;
    }
    throw DbDescError(status, Here(__LINE__), StrVector(name ? name : ""));
}

bool DbDescMap::GetDescription(int32_t dbNo, const char* name) {
    char* block = nullptr;
    int32_t length = 0;
    const int32_t status = LUR_CLIENT_FUNCTION(GetDbDescription, "DbDescMap")(m_handle, dbNo, &block, &length);
    if (status == kNoDescription || status == kTablespaceNotOpen) return false;
    if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(name ? name : ""));
    // The block is the library's: it goes back whatever the load does.
    const ClientBlock owned(block);
    const char* description = ReturnedBytes(owned, true, Here(__LINE__), StrVector(name ? name : ""));
    const bool ok = LoadDescription(description, length, name, dbNo);
    LUR_CLIENT_FUNCTION(FreePtr, "DbDescMap");
    return ok;
}

bool DbDescMap::LoadDescription(const char* blob, int32_t length, const char* name, int32_t dbNo) {
    const std::string given = name ? name : "";
    const std::string key = lurutils::ToUpper(given);

    // The catalogue first: a non-catalogue description needs it (2000).
    std::unique_ptr<DbDesc> catalogue;
    if (!IsCatalogue(given)) catalogue = std::make_unique<DbDesc>(GetDescCopy(kCatalogueName));

    // Parse aside; a cached structure changes only once the parse and the
    // catalogue step have succeeded.
    auto fresh = std::make_shared<DbStruct>();
    DbDesc desc;
    desc.SetHandle(m_handle);
    desc.SetStruct(fresh);
    desc.LoadBlob(blob, length, given, dbNo, catalogue.get());

    ForgetUnusedStructures();
    std::weak_ptr<DbStruct>& cached = DescriptionCache()[m_handle][key];
    if (const std::shared_ptr<DbStruct> inUse = cached.lock()) {
        if (!SameLayout(*inUse, *fresh)) {
            NoteFailure(name, dbNo, kNoDescription,
                        "the new description lays its records out differently from the one in use");
            return false;
        }
        *inUse = std::move(*fresh);
        desc.SetStruct(inUse);
    } else {
        cached = fresh;
    }

    try {
        ReadVersion(desc, catalogue ? *catalogue : desc, name);
    } catch (const LurExceptBase& error) {
        lurclistl::ReportError(error);
    }
    return StoreDesc(desc);
}

void DbDescMap::ReadVersion(DbDesc& desc, DbDesc& catalogue, const char* name) {
    RdmTable tablespaces(&catalogue, "tablespace");
    tablespaces.Fld("name").SetString(name ? name : "");
    if (!tablespaces.FindRecByKey("name", kNoCurrent)) return;
    desc.SetVersion(tablespaces.Fld("vermajor").GetLong(), tablespaces.Fld("verminor").GetLong(),
                    tablespaces.Fld("versub").GetLong(), tablespaces.Fld("verbuild").GetLong());
}

void DbDescMap::NoteFailure(const char* name, int32_t dbNo, int32_t status, const std::string& reason) {
    m_openFailures.push_back(OpenFailure{name ? name : "", dbNo, status, reason});
}

int32_t DbDescMap::CachedStructureCount() {
    ForgetUnusedStructures();
    int32_t count = 0;
    for (const auto& entry : DescriptionCache()) count += static_cast<int32_t>(entry.second.size());
    return count;
}

// ---- entries ----------------------------------------------------------------------

bool DbDescMap::StoreDesc(const DbDesc& desc) {
    const std::string name = desc.GetDbName();
    RemoveDesc(name);
    return m_descs.emplace(lurutils::ToUpper(name), desc).second;
}

bool DbDescMap::RemoveDesc(std::string name) { return m_descs.erase(lurutils::ToUpper(name)) == 1; }

DbDesc* DbDescMap::GetDesc(std::string name) {
    return const_cast<DbDesc*>(static_cast<const DbDescMap*>(this)->GetDescConst(std::move(name)));
}

const DbDesc* DbDescMap::GetDescConst(std::string name) const {
    const std::string key = lurutils::ToUpper(name);
    const auto found = m_descs.find(key);
    if (found == m_descs.end()) throw DbDescError(kNotOpen, Here(__LINE__), StrVector(key));
    return &found->second;
}

DbDesc DbDescMap::GetDescCopy(std::string name) const { return *GetDescConst(std::move(name)); }

DbDesc DbDescMap::GetDescAt(int32_t index) const {
    if (index < 0 || index >= Count())
        throw DbDescError(kNotOpen, Here(__LINE__), StrVector("index: " + std::to_string(index)));
    return std::next(m_descs.begin(), index)->second;
}

DbDesc* DbDescMap::GetDescAtPtr(int32_t index) {
    if (index < 0 || index >= Count())
        throw DbDescError(kNotOpen, Here(__LINE__), StrVector("index: " + std::to_string(index)));
    return &std::next(m_descs.begin(), index)->second;
}

bool DbDescMap::HasDesc(std::string name) const { return m_descs.count(lurutils::ToUpper(name)) == 1; }

void DbDescMap::AddOptionToAll(int32_t code) {
    for (auto& entry : m_descs) entry.second.AddOptionToAll(code);
}
void DbDescMap::RemoveOptionFromAll(int32_t code) {
    for (auto& entry : m_descs) entry.second.RemoveOptionFromAll(code);
}
void DbDescMap::AddOptionsToAll(const TableOptions& codes) {
    for (auto& entry : m_descs) entry.second.AddOptionsToAll(codes);
}
void DbDescMap::RemoveOptionsFromAll(const TableOptions& codes) {
    for (auto& entry : m_descs) entry.second.RemoveOptionsFromAll(codes);
}
void DbDescMap::SetOptionsForAll(const TableOptions& codes) {
    for (auto& entry : m_descs) entry.second.SetOptionsForAll(codes);
}
