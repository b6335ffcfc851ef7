// FunctionLoader: the table of the client library's functions. The process
// has one (GetFunctionLoader); every database operation reads its function
// pointer from it and, when the pointer is empty, raises DbDescError 10038
// with the pointer's name (RequireFunction).
#pragma once

#include <string>

#include "DbDescError.h"
#include "Module.h"
#include "lurdbcli.h"

// The pointers in member order: pf + the name, of type lurdbcli::<name>Fn.
// The order is that of lurdbcli::kClientFunctions.
// clang-format off
#define LUR_CLIENT_FUNCTIONS(X)                                                                  \
    X(FreePtr) X(CreateDbHandler) X(InitUserEx) X(SetCode) X(FreeDbHandler) X(ArchiveDb)        \
    X(RestoreArchive) X(CreateDatabase) X(Connect) X(DropDatabase) X(CreateTablespace)           \
    X(Reindex) X(ReindexAll) X(GetServiceNames) X(FindRecNext) X(FindRecPrev) X(StepToRelative) \
    X(ReadCurrentRec) X(SetEventPtr) X(SetEventCookie) X(SqlGetResult) X(SqlGetResultText)       \
    X(OpenExtPackage) X(CloseExtPackage) X(CallExtFnc) X(CloseDb) X(OpenDbEx) X(OpenDbExA)       \
    X(GetLurVersion) X(GetDbDescription) X(BeginTransaction) X(AddToTransaction)                 \
    X(EndTransaction) X(GetServerParam) X(FindBlob) X(NewBlob) X(DelBlob) X(FirstRec)            \
    X(PrevRec) X(NextRec) X(LastRec) X(DefineKey) X(FindRec) X(NewRec) X(ModRec) X(DelRec)       \
    X(FindData) X(WriteData) X(LockRecord) X(UnlockRecord) X(WhoMadeLock) X(GetNextId)           \
    X(GetServerTime) X(GetStatuses) X(DbStatistic) X(KillUser) X(GetMaxuser)                     \
    X(GetCompanyDataFile) X(CursorCreate) X(CursorDrop) X(CursorOperation) X(BookmarkCreate)     \
    X(BookmarkDrop) X(BookmarkOperation) X(GetCount) X(GetConditionedCount) X(FindList)          \
    X(FindGreater) X(FindLess) X(GetAllRec) X(SqlOperation) X(FindListOr) X(GetLockList)         \
    X(RestoreTimestamps) X(GetV3FileInfo) X(GetAllBinaryDescriptor) X(Restructure)               \
    X(SetServerParam) X(LockRecords) X(SetUserInfo) X(FindBetween) X(TruncateFile) X(ServerLog)  \
    X(CreateBlobStream) X(WriteBlobStream) X(ReadBlobStream) X(CloseBlobStream)                  \
    X(DestroyBlobStream)
// clang-format on

class FunctionLoader {
public:
    // The client library's Windows-style name.
    static constexpr const char* kLibraryName = "lurdbcli.dll";

    // Empties the table; with load, loads the library and fetches every
    // function. A library or function that is missing leaves its pointers
    // empty, without a report.
    explicit FunctionLoader(bool load);
    ~FunctionLoader();  // Unload
    FunctionLoader(const FunctionLoader&) = delete;
    FunctionLoader& operator=(const FunctionLoader&) = delete;

    // Looks every function up in module, in the library's fetch order; a
    // missing one stays empty and does not stop the others.
    void GetFunctions(win::HMODULE module);
    // Loads the library again; on failure nothing changes.
    void Load();
    // Releases the library when one is held, then empties the table.
    void Unload();
    // Empties the module handle and every pointer.
    void Clear();

    // Sets the runtime library's locale for all categories and returns the
    // name in force; a refused name raises DbDescError 0.
    static std::string SetLocale(const std::string& name);

    win::HMODULE GetModule() const { return m_module; }

#define LUR_DECLARE_POINTER(name) lurdbcli::name##Fn pf##name = nullptr;
    LUR_CLIENT_FUNCTIONS(LUR_DECLARE_POINTER)
#undef LUR_DECLARE_POINTER

private:
    win::HMODULE m_module = nullptr;
};

// The process's one table, loaded when it is first asked for. A program
// calls it once at start, before any database work.
FunctionLoader& GetFunctionLoader();

// The pointer, or DbDescError 10038 [pointerName] at the caller's location
// when it is empty.
template <class Fn>
Fn RequireFunction(Fn pointer, const char* pointerName, const ErrorLocation& where) {
    if (!pointer) throw DbDescError(lurdbcli::kFunctionMissing, where, StrVector(pointerName));
    return pointer;
}

// The same with the location built only for the report: every client call
// tests its pointer.
template <class Fn>
Fn RequireFunction(Fn pointer, const char* pointerName, ThrowSource source, int line) {
    return pointer ? pointer : RequireFunction(pointer, pointerName, source(line));
}

// The process table's pointer of a client function, tested before use:
// LUR_CLIENT_FUNCTION(FindRec, "DbDesc") gives pfFindRec or raises 10038
// ["pfFindRec"] at the caller's line in GenModules\LurCliStl\DbDesc. The
// source name must be a string literal: it is joined to the library's path.
#define LUR_CLIENT_FUNCTION(name, sourceFile)                                                                    \
    RequireFunction(GetFunctionLoader().pf##name, "pf" #name, ThrowSource{"GenModules\\LurCliStl\\" sourceFile}, \
                    __LINE__)
