// RdmView: life cycle, descriptions, and the building of the table tree.
#include "RdmView.h"

#include "DbDescError.h"
#include "LurStrings.h"

namespace {

constexpr int kDbNotOpen = 2000;
constexpr int kTableNotFound = 2002;
constexpr int kFieldNotFound = 2003;
constexpr int kNoMaster = 2011;
constexpr int kNoView = 2016;
constexpr int kDuplicate = 10005;
constexpr int kNoKey = 10021;

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmView"};

}  // namespace

// ---- life cycle -------------------------------------------------------------------

RdmView::RdmView() = default;

RdmView::RdmView(DbDescMap* tablespaces, const std::string& name, const TableOptions& options) {
    Init(tablespaces, name, options);
}

RdmView::RdmView(const RdmView& other) {
    try {
        CopyContentFrom(other);
    } catch (...) {
        DropContent();  // the descriptions copied so far are this view's to delete
        throw;
    }
}

RdmView& RdmView::operator=(const RdmView& other) {
    if (this == &other) return *this;
    RdmView copy(other);  // built first, so a failing copy leaves this view as it was
    Close();
    SwapContent(copy);
    return *this;
}

RdmView::RdmView(RdmView&& other) noexcept { SwapContent(other); }

RdmView& RdmView::operator=(RdmView&& other) {
    if (this == &other) return *this;
    Close();
    RdmView taken(std::move(other));  // leaves the source as a new view is
    SwapContent(taken);
    return *this;
}

RdmView::~RdmView() {
    try {
        Close();
    } catch (...) {
        // A failing unlock is dropped here; a direct Close reports it.
    }
}

bool RdmView::Init(DbDescMap* tablespaces, const std::string& name, const TableOptions&) {
    if (m_open) return false;
    m_lockMode = -1;
    m_iterating = false;
    m_name = lurutils::ToUpper(name);
    m_prefix.clear();
    m_master.reset();
    m_tablesDirty = true;
    m_tablespaces = tablespaces;
    m_open = true;
    return true;
}

bool RdmView::Open(DbDescMap* tablespaces, const std::string& name, const TableOptions& options) {
    if (m_open) Close();
    return Init(tablespaces, name, options);
}

void RdmView::Close() {
    // The lock goes first, while the master and its description still
    // exist; its failure is reported only after everything else is gone.
    std::exception_ptr unlockFailure;
    try {
        ReleaseLock();
    } catch (...) {
        unlockFailure = std::current_exception();
    }
    DropContent();
    // A closed view edits nothing: a later Init starts a view afresh.
    m_editing = false;
    m_savedOptions.clear();
    m_open = false;
    if (unlockFailure) std::rethrow_exception(unlockFailure);
}

void RdmView::ReleaseLock() {
    if (m_lockMode == -1) return;
    const int32_t mode = m_lockMode;
    m_lockMode = -1;
    if (m_master) m_master->UnlockRecord(mode);
}

void RdmView::DropContent() {
    // The master first: its destructor deletes the details, but not the
    // masters of attached views, which their own views delete next.
    m_master.reset();
    m_subViews.clear();
    for (auto& entry : m_descs) delete entry.second;
    m_descs.clear();
    m_tablesDirty = true;
    m_fieldsByName.clear();
    m_fieldList.clear();
    m_tableList.clear();
    m_aliasByTable.clear();
}

void RdmView::CopyContentFrom(const RdmView& other) {
    m_name = other.m_name;
    m_tablespaces = other.m_tablespaces;
    m_iterating = other.m_iterating;
    // A copy never holds its source's record lock: the lock belongs to the
    // view that took it, and only that view releases it.
    m_lockMode = -1;
    m_prefix = other.m_prefix;
    m_open = other.m_open;
    m_tablesDirty = true;

    for (const auto& entry : other.m_descs) {
        auto copy = std::make_unique<DbDesc>(*entry.second);
        m_descs.emplace(entry.first, copy.get());
        copy.release();
    }
    if (other.m_master) {
        const RdmStoreTab& source = *other.m_master;
        DbDesc* desc = m_descs.Get(lurutils::ToUpper(source.GetDbName()));
        m_master = std::make_unique<RdmStoreTab>(nullptr, desc, source.GetName(), source.GetDisplayName(), true);
        m_master->CopyFields(source);
        m_master->CopyState(source);  // rows, journal, links, options and the rest
        RdmStoreTab::CopyChildren(source, m_master.get(), m_descs);
    }
    for (const auto& entry : other.m_subViews) {
        auto copy = std::make_unique<RdmView>(*entry.second);
        RdmStoreTab* sourceOwner = entry.second->m_master ? entry.second->m_master->GetOwner() : nullptr;
        if (sourceOwner && m_master && copy->m_master) {
            RdmStoreTab* owner = m_master->FindTable(sourceOwner->GetDisplayName(), "");
            if (owner) copy->m_master->SetOwner(owner);
        }
        m_subViews.emplace(entry.first, std::move(copy));
    }
}

void RdmView::SwapContent(RdmView& other) noexcept {
    std::swap(m_name, other.m_name);
    std::swap(m_prefix, other.m_prefix);
    std::swap(m_master, other.m_master);
    std::swap(m_descs, other.m_descs);
    std::swap(m_savedOptions, other.m_savedOptions);
    std::swap(m_iterating, other.m_iterating);
    std::swap(m_editing, other.m_editing);
    std::swap(m_open, other.m_open);
    std::swap(m_lockMode, other.m_lockMode);
    std::swap(m_subViews, other.m_subViews);
    std::swap(m_tablespaces, other.m_tablespaces);
    std::swap(m_tablesDirty, other.m_tablesDirty);
    std::swap(m_fieldsByName, other.m_fieldsByName);
    std::swap(m_fieldList, other.m_fieldList);
    std::swap(m_tableList, other.m_tableList);
    std::swap(m_aliasByTable, other.m_aliasByTable);
}

TableOptions RdmView::DefaultOptions() {
    TableOptions options;
    for (int32_t code = 0; code <= 3; ++code) options.insert(code);
    return options;
}

// ---- descriptions -------------------------------------------------------------------

DbDesc* RdmView::DescFor(const std::string& dbName, const ErrorLocation& where) {
    auto found = m_descs.find(dbName);
    if (found != m_descs.end()) return found->second;
    if (!m_tablespaces || !m_tablespaces->HasDesc(dbName)) throw DbDescError(kDbNotOpen, where, StrVector(dbName));
    // The copy shares the connection's handle and structure, with record
    // buffers and lists of its own.
    auto copy = std::make_unique<DbDesc>(*m_tablespaces->GetDesc(dbName));
    m_descs.emplace(dbName, copy.get());
    return copy.release();
}

std::string RdmView::DbNameOf(int32_t dbNo) const {
    for (const auto& entry : m_descs)
        if (entry.second->GetDbNo() == dbNo) return entry.first;
    return "";
}

// ---- tables and links ---------------------------------------------------------------

RdmView& RdmView::AddTable(std::string alias, const std::string& dbName, const std::string& tableName,
                           const std::string& detailField, const std::string& parentName,
                           const std::string& parentField, std::string keyName) {
    if (m_master && parentName.empty()) throw DbDescError(kTableNotFound, Here(335), StrVector(m_name));
    if (alias.empty()) alias = tableName;
    if (keyName.empty()) keyName = detailField;
    const std::string db = lurutils::ToUpper(dbName);
    if (m_master) {
        RdmStoreTab* parent = TreeTable(parentName, 355);
        if (m_master->FindTable(alias, "")) throw DbDescError(kTableNotFound, Here(358), StrVector(m_name) << alias);
        // The new detail is listed among the parent's children, which owns it.
        auto* detail = new RdmStoreTab(parent, DescFor(db, Here(360)), tableName, alias, false);
        detail->AddLink(parentField, detailField, keyName);
    } else {
        m_master = std::make_unique<RdmStoreTab>(nullptr, DescFor(db, Here(347)), tableName, alias, true);
    }
    m_tablesDirty = true;
    return *this;
}

RdmView& RdmView::AddDetailTable(std::string alias, const std::string& dbName, const std::string& tableName,
                                 const std::string& parentName, LinkPairs links, const std::string& keyName) {
    if (!m_master) throw DbDescError(kNoMaster, Here(383), StrVector(m_name));
    if (parentName.empty()) throw DbDescError(kTableNotFound, Here(386), StrVector(m_name) << alias);
    if (links.empty()) throw DbDescError(kFieldNotFound, Here(389), StrVector(m_name) << alias);
    if (keyName.empty()) throw DbDescError(kNoKey, Here(392), StrVector(m_name) << alias);
    if (alias.empty()) alias = tableName;
    const std::string db = lurutils::ToUpper(dbName);
    RdmStoreTab* parent = TreeTable(parentName, 401);
    if (m_master->FindTable(alias, "")) throw DbDescError(kTableNotFound, Here(404), StrVector(m_name) << alias);
    // Unlike AddTable, the database must already be among the view's
    // descriptions (the map's LuMapExcept otherwise).
    DbDesc* desc = m_descs.Get(db);
    auto* detail = new RdmStoreTab(parent, desc, tableName, alias, false);
    detail->SetLinks(links, keyName);
    m_tablesDirty = true;
    return *this;
}

bool RdmView::AddView(const RdmView& other, const std::string& otherField, const std::string& parentName,
                      const std::string& parentField, std::string keyName, std::string alias, bool strict) {
    alias = alias.empty() ? other.m_name : lurutils::ToUpper(alias);
    if (!m_master) throw DbDescError(kNoMaster, Here(435), StrVector(m_name));
    if (!other.m_master) throw DbDescError(kNoView, Here(438), StrVector());
    if (!other.m_master->HasFldName(lurutils::ToUpper(otherField), false))
        throw DbDescError(kFieldNotFound, Here(440),
                          StrVector(m_name) << other.m_master->GetDisplayName() << otherField);
    if (m_subViews.count(alias) != 0) {
        if (strict) throw DbDescError(kDuplicate, Here(446), StrVector(m_name) << alias);
        return false;
    }
    RdmStoreTab* parent = TreeTable(parentName, 454);
    if (!parent->HasFldName(lurutils::ToUpper(parentField), false))
        throw DbDescError(kFieldNotFound, Here(456), StrVector(m_name) << parentName << parentField);
    if (keyName.empty()) keyName = otherField;
    RdmView& copy = AttachCopy(other, alias, parent);
    copy.m_master->AddLink(parentField, otherField, keyName);
    return true;
}

bool RdmView::AddView(const RdmView& other, const std::string& parentName, LinkPairs links, const std::string& keyName,
                      std::string alias, bool strict) {
    if (!m_master || parentName.empty()) throw DbDescError(kTableNotFound, Here(497), StrVector(m_name) << parentName);
    if (links.empty()) throw DbDescError(kFieldNotFound, Here(499), StrVector(m_name));
    if (keyName.empty()) throw DbDescError(kNoKey, Here(501), StrVector(m_name));
    if (!other.m_master) throw DbDescError(kNoView, Here(503), StrVector());
    if (links.size() > 1) throw DbDescError(kNoKey, Here(505), StrVector(m_name));
    RdmStoreTab* parent = m_master->FindTable(parentName, "");
    if (!parent) throw DbDescError(kTableNotFound, Here(528), StrVector(parentName));
    // The parent field belongs to the named parent table: checking it on
    // the master would accept a link the first reload cannot follow.
    const auto& [parentField, detailField] = links.front();
    if (!parent->HasFldName(lurutils::ToUpper(parentField), false))
        throw DbDescError(kFieldNotFound, Here(510), StrVector(m_name) << parentField);
    if (!other.m_master->HasFldName(lurutils::ToUpper(detailField), false))
        throw DbDescError(kFieldNotFound, Here(512), StrVector(m_name) << detailField);
    alias = lurutils::ToUpper(alias.empty() ? other.m_name : alias);
    if (m_subViews.count(alias) != 0) {
        if (strict) throw DbDescError(kDuplicate, Here(520), StrVector(alias));
        return false;
    }
    RdmView& copy = AttachCopy(other, alias, parent);
    copy.m_master->SetLinks(links, keyName);
    return true;
}

RdmView& RdmView::AttachCopy(const RdmView& other, const std::string& alias, RdmStoreTab* parent) {
    auto copy = std::make_unique<RdmView>(other);
    // Renamed before it is hung, so that it is listed under its prefixed
    // name only (an unprefixed name could clash with another child).
    copy->SetPrefix(alias);
    copy->m_master->SetOwner(parent);
    RdmView& attached = *copy;
    m_subViews.emplace(alias, std::move(copy));
    m_tablesDirty = true;
    return attached;
}

RdmView* RdmView::GetSubView(const std::string& alias) {
    auto found = m_subViews.find(lurutils::ToUpper(alias));
    return found == m_subViews.end() ? nullptr : found->second.get();
}

RdmView& RdmView::SubView(const std::string& alias) {
    RdmView* view = GetSubView(alias);
    if (!view) throw DbDescError(kNoView, Here(1037), StrVector(alias));
    return *view;
}

void RdmView::SetPrefix(const std::string& alias) {
    m_prefix = alias;
    if (m_master) m_master->Rename(alias + m_master->GetDisplayName());
    m_tablesDirty = true;
}

RdmStoreTab* RdmView::TreeTable(const std::string& name, int line) const {
    RdmStoreTab* table = m_master->FindTable(name, "");
    if (!table) throw DbDescError(kTableNotFound, Here(line), StrVector(m_name) << name);
    return table;
}
