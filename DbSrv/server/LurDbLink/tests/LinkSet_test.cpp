// The link set against two services of the client library stand-in. The
// client functions of the replay and of the transactions are wrapped by
// recorders that note every call and can refuse one of them.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "ConnectInfo.h"
#include "DbDescError.h"
#include "DbDescMap.h"
#include "EnvScope.h"
#include "FunctionLoader.h"
#include "InteractiveScope.h"
#include "LinkSet.h"
#include "LuConn.h"
#include "ServiceFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Garage 7 1.0.0.1\n"
    "table Vehicle\n"
    "  field VehId l 4  u\n"
    "  field Plate c 11 n\n"
    "  field Owner c 31 n\n"
    "table Note\n"
    "  field VehId l 4  d\n"
    "  field Text  c 40 n\n";
constexpr int32_t kGarage = 7;
constexpr int32_t kVehicle = 10000;
constexpr int32_t kNote = 10001;
constexpr int32_t kVehicleKey = 0;  // VehId
constexpr int32_t kVehicleSize = 4 + 11 + 31;

std::vector<unsigned char> Vehicle(int32_t id, const char* plate, const char* owner) {
    std::vector<unsigned char> record(kVehicleSize, 0);
    std::memcpy(record.data(), &id, 4);
    std::memcpy(record.data() + 4, plate, std::strlen(plate));
    std::memcpy(record.data() + 15, owner, std::strlen(owner));
    return record;
}

// ---- recorders of the client calls ------------------------------------------

struct ClientCall {
    std::string function;
    int32_t handle;
    int32_t value;  // record type; DefineKey: the key field; EndTransaction: the commit flag
    bool operator==(const ClientCall&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ClientCall& call) {
    return out << call.function << "(" << call.handle << ", " << call.value << ")";
}

std::vector<ClientCall> g_calls;
// A call to refuse: the function on the handle, after `skip` calls that pass.
struct Refusal {
    std::string function;
    int32_t handle = 0;
    int skip = 0;
    int32_t code = 0;
} g_refusal;
FunctionLoader g_real(false);  // the library's own functions while the recorders stand in

template <class Call>
int32_t Record(const char* function, int32_t handle, int32_t value, Call real) {
    g_calls.push_back({function, handle, value});
    if (g_refusal.function == function && g_refusal.handle == handle && g_refusal.skip-- == 0) return g_refusal.code;
    return real();
}

int32_t NewRec(int32_t h, int32_t db, int32_t rt, int32_t size, char* record) {
    return Record("NewRec", h, rt, [&] { return g_real.pfNewRec(h, db, rt, size, record); });
}
int32_t ModRec(int32_t h, int32_t db, int32_t rt, int32_t size, char* record) {
    return Record("ModRec", h, rt, [&] { return g_real.pfModRec(h, db, rt, size, record); });
}
int32_t DelRec(int32_t h, int32_t db, int32_t rt, int32_t size, char* record) {
    return Record("DelRec", h, rt, [&] { return g_real.pfDelRec(h, db, rt, size, record); });
}
int32_t DefineKey(int32_t h, int32_t db, int32_t rt, int32_t key) {
    return Record("DefineKey", h, key, [&] { return g_real.pfDefineKey(h, db, rt, key); });
}
int32_t BeginTransaction(int32_t h, const char* name, int32_t a, int32_t b) {
    return Record("BeginTransaction", h, 0, [&] { return g_real.pfBeginTransaction(h, name, a, b); });
}
int32_t EndTransaction(int32_t h, int32_t commit) {
    return Record("EndTransaction", h, commit, [&] { return g_real.pfEndTransaction(h, commit); });
}

// ---- fixture -------------------------------------------------------------------

class LinkSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteSchema();
        ASSERT_EQ(m_services.RunAdmin("create-service LINKB ADMIN SECRET"), 0);
        ASSERT_EQ(m_services.RunAdmin("create-tablespace LINKB " + SchemaPath()), 0);
        g_calls.clear();
        g_refusal = Refusal();
    }
    void TearDown() override { StopRecording(); }

    std::string SchemaPath() const { return m_services.Dir() + "/link.schema"; }
    void WriteSchema() const { std::ofstream(SchemaPath()) << kSchema; }

    // Links "a" to LINKA and "b" to LINKB, given in the opposite order.
    int32_t ConnectBoth() { return m_set.CreateLinks(5, {Link("b", "LINKB"), Link("a", "LINKA")}, nullptr); }
    static DbLink Link(const std::string& name, const std::string& service, const std::string& password = "SECRET") {
        DbLink link;
        link.name = name;
        link.service = service;
        link.user = "ADMIN";
        link.password = password;
        return link;
    }

    void StartRecording() {
        FunctionLoader& client = GetFunctionLoader();
        g_real.pfNewRec = std::exchange(client.pfNewRec, &NewRec);
        g_real.pfModRec = std::exchange(client.pfModRec, &ModRec);
        g_real.pfDelRec = std::exchange(client.pfDelRec, &DelRec);
        g_real.pfDefineKey = std::exchange(client.pfDefineKey, &DefineKey);
        g_real.pfBeginTransaction = std::exchange(client.pfBeginTransaction, &BeginTransaction);
        g_real.pfEndTransaction = std::exchange(client.pfEndTransaction, &EndTransaction);
        m_recording = true;
    }
    void StopRecording() {
        if (!m_recording) return;
        FunctionLoader& client = GetFunctionLoader();
        client.pfNewRec = g_real.pfNewRec;
        client.pfModRec = g_real.pfModRec;
        client.pfDelRec = g_real.pfDelRec;
        client.pfDefineKey = g_real.pfDefineKey;
        client.pfBeginTransaction = g_real.pfBeginTransaction;
        client.pfEndTransaction = g_real.pfEndTransaction;
        m_recording = false;
    }

    int32_t Add(int16_t type, int32_t trId, const std::vector<unsigned char>& record, int mode = 0) {
        return m_set.AddElem(type, trId, kGarage, kVehicle, static_cast<int32_t>(record.size()), record.data(), mode);
    }
    // The Vehicle table of a service as lurdbadm dumps it, header line first.
    std::string Stored(const std::string& service) const {
        std::string output;
        EXPECT_EQ(m_services.RunAdmin("dump " + service + " Garage Vehicle", &output), 0) << output;
        return output;
    }
    int32_t A() const { return m_set.GetLinkHandle("a"); }
    int32_t B() const { return m_set.GetLinkHandle("b"); }

    lurtest::InteractiveScope m_noUser{false};  // as inside the database server
    lurtest::ServiceFixture m_services{kSchema, "LINKA"};
    LinkSet m_set;
    bool m_recording = false;
};

const std::string kEmpty = "VehId,Plate,Owner\n";

// ---- links -------------------------------------------------------------------

TEST_F(LinkSetTest, ConnectsEnabledLinksAndVisitsThemInNameOrder) {
    std::vector<DbLink> links = {Link("b", "LINKB"), Link("off", "NOSUCH"), Link("a", "LINKA")};
    links[1].enabled = 0;
    ASSERT_EQ(m_set.CreateLinks(5, links, nullptr), 0);
    EXPECT_EQ(m_set.GetLinkId(), 5);
    EXPECT_EQ(m_set.GetLinkNames(), (std::vector<std::string>{"a", "b"}));
    EXPECT_NE(A(), LinkConnection::kNoHandle);
    EXPECT_NE(B(), LinkConnection::kNoHandle);
    EXPECT_TRUE(m_set.ServesDatabase(kGarage));
    EXPECT_EQ(m_set.KeyFieldOf(kGarage, kVehicle), kVehicleKey);
    EXPECT_EQ(m_set.KeyFieldOf(kGarage, kNote), -1);

    StartRecording();
    EXPECT_EQ(m_set.BeginTransaction(), 0);
    EXPECT_EQ(g_calls, (std::vector<ClientCall>{{"BeginTransaction", A(), 0}, {"BeginTransaction", B(), 0}}));
}

// A refused login, a second link of a name and a service whose tablespaces
// cannot be opened end the walk with 10015, and the report function hears
// nothing of them: it is told of exceptions only. The links before stay.
TEST_F(LinkSetTest, RefusedLinksEndTheWalkWithoutAReport) {
    // LINKC's catalogue lists no tablespace, so opening them answers false.
    ASSERT_EQ(m_services.RunAdmin("create-service LINKC ADMIN SECRET"), 0);
    sqlite3* store = nullptr;
    ASSERT_EQ(sqlite3_open((std::string(std::getenv("LURDB_DATA")) + "/LINKC.lurdb").c_str(), &store), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(store, "DELETE FROM \"SYSDB.TABLESPACE\"", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(store);

    static int reports = 0;
    const LinkReportCallback count = [](int32_t, char*) -> int32_t {
        ++reports;
        return 0;
    };
    const struct {
        const char* refused;
        std::vector<DbLink> links;
    } cases[] = {
        {"wrong password", {Link("a", "LINKA"), Link("b", "LINKB", "WRONG"), Link("c", "LINKB")}},
        {"a second link of a name", {Link("a", "LINKA"), Link("a", "LINKB"), Link("c", "LINKB")}},
        {"no tablespaces to open", {Link("a", "LINKA"), Link("b", "LINKC"), Link("c", "LINKB")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refused);
        reports = 0;
        EXPECT_EQ(m_set.CreateLinks(5, c.links, count), LinkSet::kLinkRefused);
        EXPECT_EQ(reports, 0);
        EXPECT_EQ(m_set.GetLinkNames(), (std::vector<std::string>{"a"}));  // the third is not tried
    }
}

// A second link to a service the set reaches already (by its name in any
// case, or by another settings key naming it) would wait for the first one's
// transaction at every replay. It is refused with a report naming both
// links, and the set goes on replaying through the links it kept, at once.
TEST_F(LinkSetTest, ASecondLinkToOneServiceIsRefusedNamingBoth) {
    // Without the refusal the replay below waits this long for each record.
    const lurtest::EnvScope shortWait("LURDB_BUSY_TIMEOUT_MS", "300");
    {
        LuConn settings;
        ConnectInfo info;
        ASSERT_TRUE(settings.ReadClientSettings("LINKA", info));
        ASSERT_TRUE(LuConn::WriteClientSettings("TWIN", info));
    }
    static std::string reported;
    const LinkReportCallback keep = [](int32_t, char* text) -> int32_t {
        reported = text;
        return 0;
    };
    int32_t id = 0;
    for (const char* service : {"LINKA", "linka", "TWIN"}) {
        SCOPED_TRACE(service);
        reported.clear();
        const std::vector<DbLink> links = {Link("a", "LINKA"), Link("b", "LINKB"), Link("second", service)};
        EXPECT_EQ(m_set.CreateLinks(5, links, keep), LinkSet::kLinkRefused);
        EXPECT_EQ(reported,
                  "Cannot create datalink second (10015 - The links a and second name the same service LINKA.)\n");
        EXPECT_EQ(m_set.GetLinkNames(), (std::vector<std::string>{"a", "b"}));

        ++id;
        ASSERT_EQ(m_set.BeginTransaction(), 0);
        ASSERT_EQ(Add(TransactionElem::kNew, id, Vehicle(id, "AAA", "Anna")), 0);
        EXPECT_EQ(m_set.EndTransaction(id, true), 0);
    }
    for (const char* service : {"LINKA", "LINKB"}) {
        EXPECT_EQ(Stored(service), kEmpty + "1,AAA,Anna\n2,AAA,Anna\n3,AAA,Anna\n");
    }
}

TEST_F(LinkSetTest, ServiceWithoutSettingsIsReportedWithItsCode) {
    static std::string reported;
    static int32_t reportedId = 0;
    const LinkReportCallback keep = [](int32_t linkId, char* text) -> int32_t {
        reportedId = linkId;
        reported = text;
        return 0;
    };
    const std::vector<DbLink> links = {Link("a", "LINKA"), Link("lost", "NOSUCH")};
    EXPECT_EQ(m_set.CreateLinks(9, links, keep), lurdbcli::kNoClientSettings);
    EXPECT_EQ(reportedId, 9);
    EXPECT_EQ(reported.rfind("Cannot create datalink lost (10039 - ", 0), 0u) << reported;
    EXPECT_EQ(reported.back(), '\n');
    EXPECT_EQ(reported, m_set.GetErrorText());
    EXPECT_EQ(m_set.GetLinkNames(), (std::vector<std::string>{"a"}));

    // A long link name is reported whole.
    const std::string longName(600, 'n');
    EXPECT_EQ(m_set.CreateLinks(9, {Link(longName, "NOSUCH")}, keep), lurdbcli::kNoClientSettings);
    EXPECT_EQ(reported.rfind("Cannot create datalink " + longName + " (10039 - ", 0), 0u);

    // Without a report function the failure is only answered.
    LinkSet quiet;
    EXPECT_EQ(quiet.CreateLinks(9, {Link("lost", "NOSUCH")}, nullptr), lurdbcli::kNoClientSettings);
}

TEST_F(LinkSetTest, CreateLinksAgainEndsTheFirstConnections) {
    ASSERT_EQ(ConnectBoth(), 0);
    const int32_t oldHandle = A();
    ASSERT_EQ(Add(TransactionElem::kNew, 1, Vehicle(1, "AAA", "Anna")), 0);
    ASSERT_EQ(m_set.CreateLinks(5, {Link("b", "LINKB")}, nullptr), 0);
    EXPECT_EQ(m_set.GetLinkNames(), (std::vector<std::string>{"b"}));
    EXPECT_FALSE(m_set.HasList(1));
    // The old handle was released.
    EXPECT_EQ(GetFunctionLoader().pfEndTransaction(oldHandle, 0), lurdbcli::kNoHandle);
}

TEST_F(LinkSetTest, DestroyLinksDisconnectsEveryLink) {
    ASSERT_EQ(ConnectBoth(), 0);
    const int32_t a = A(), b = B();
    ASSERT_EQ(Add(TransactionElem::kNew, 1, Vehicle(1, "AAA", "Anna")), 0);
    EXPECT_EQ(m_set.DestroyLinks(), 0);
    EXPECT_TRUE(m_set.GetLinkNames().empty());
    EXPECT_FALSE(m_set.HasList(1));
    for (int32_t handle : {a, b}) EXPECT_EQ(GetFunctionLoader().pfEndTransaction(handle, 0), lurdbcli::kNoHandle);
}

TEST_F(LinkSetTest, ConnectingAndDisconnectingLeavesTheDescriptionCacheAsItWas) {
    const int32_t before = DbDescMap::CachedStructureCount();
    ASSERT_EQ(ConnectBoth(), 0);
    EXPECT_GT(DbDescMap::CachedStructureCount(), before);
    // A server makes and ends links all day: nothing of the ended ones may stay.
    for (int cycle = 0; cycle < 1000; ++cycle) {
        ASSERT_EQ(m_set.CreateLinks(5, {Link("a", "LINKA")}, nullptr), 0) << cycle;
        ASSERT_EQ(m_set.DestroyLinks(), 0) << cycle;
    }
    EXPECT_EQ(DbDescMap::CachedStructureCount(), before);
    EXPECT_FALSE(m_set.ServesDatabase(kGarage));
}

TEST_F(LinkSetTest, FailedDisconnectKeepsTheLinksNotYetDeleted) {
    ASSERT_EQ(ConnectBoth(), 0);
    const int32_t b = B();
    FunctionLoader& client = GetFunctionLoader();
    const lurdbcli::FreeDbHandlerFn freeDbHandler = std::exchange(client.pfFreeDbHandler, nullptr);
    try {
        m_set.DestroyLinks();
        ADD_FAILURE() << "DestroyLinks went through without FreeDbHandler";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), lurdbcli::kFunctionMissing);
    }
    client.pfFreeDbHandler = freeDbHandler;
    EXPECT_EQ(m_set.GetLinkNames(), (std::vector<std::string>{"a", "b"}));

    // The failed one was closed already; the next walk deletes both.
    EXPECT_EQ(m_set.DestroyLinks(), 0);
    EXPECT_TRUE(m_set.GetLinkNames().empty());
    EXPECT_EQ(client.pfEndTransaction(b, 0), lurdbcli::kNoHandle);
}

// ---- transactions --------------------------------------------------------------

TEST_F(LinkSetTest, CommitReplaysEveryElementToEveryLinkInNameOrder) {
    ASSERT_EQ(ConnectBoth(), 0);
    StartRecording();
    ASSERT_EQ(m_set.BeginTransaction(), 0);
    ASSERT_EQ(Add(TransactionElem::kNew, 1, Vehicle(1, "AAA", "Anna")), 0);
    ASSERT_EQ(Add(TransactionElem::kNew, 1, Vehicle(2, "BBB", "Bela")), 0);
    ASSERT_EQ(Add(TransactionElem::kModify, 1, Vehicle(1, "AAA", "Cecil")), 0);
    ASSERT_EQ(Add(TransactionElem::kDelete, 1, Vehicle(2, "", "")), 0);
    g_calls.clear();

    EXPECT_EQ(m_set.EndTransaction(1, true), 0);
    const int32_t a = A(), b = B();
    EXPECT_EQ(g_calls, (std::vector<ClientCall>{{"NewRec", a, kVehicle},
                                                {"NewRec", b, kVehicle},
                                                {"NewRec", a, kVehicle},
                                                {"NewRec", b, kVehicle},
                                                {"DefineKey", a, kVehicleKey},
                                                {"DefineKey", b, kVehicleKey},
                                                {"ModRec", a, kVehicle},
                                                {"ModRec", b, kVehicle},
                                                {"DefineKey", a, kVehicleKey},
                                                {"DefineKey", b, kVehicleKey},
                                                {"DelRec", a, kVehicle},
                                                {"DelRec", b, kVehicle},
                                                {"EndTransaction", a, 1},
                                                {"EndTransaction", b, 1}}));
    for (const char* service : {"LINKA", "LINKB"}) EXPECT_EQ(Stored(service), kEmpty + "1,AAA,Cecil\n");

    // The list is emptied but kept.
    std::vector<TransactionElem> list(1);
    EXPECT_EQ(m_set.GetList(1, list), 0);
    EXPECT_TRUE(list.empty());
}

TEST_F(LinkSetTest, AbortSendsNoChangeAndEndsEveryLink) {
    ASSERT_EQ(ConnectBoth(), 0);
    StartRecording();
    struct Case {
        const char* name;
        bool recordChange;
    };
    for (const Case& c : {Case{"with a change", true}, Case{"without any change", false}}) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(m_set.BeginTransaction(), 0);
        if (c.recordChange) {
            ASSERT_EQ(Add(TransactionElem::kNew, 3, Vehicle(1, "AAA", "Anna")), 0);
        }
        g_calls.clear();
        EXPECT_EQ(m_set.EndTransaction(3, false), 0);
        EXPECT_EQ(g_calls, (std::vector<ClientCall>{{"EndTransaction", A(), 0}, {"EndTransaction", B(), 0}}));
    }
    for (const char* service : {"LINKA", "LINKB"}) EXPECT_EQ(Stored(service), kEmpty);
}

TEST_F(LinkSetTest, ReplayStopsAtTheFirstFailureAndAbortsEveryLink) {
    ASSERT_EQ(ConnectBoth(), 0);
    StartRecording();
    ASSERT_EQ(m_set.BeginTransaction(), 0);
    for (int32_t id = 1; id <= 3; ++id) ASSERT_EQ(Add(TransactionElem::kNew, 1, Vehicle(id, "X", "Y")), 0);
    g_refusal = {"NewRec", B(), 1, lurdbcli::kLockedOrDuplicate};
    g_calls.clear();

    EXPECT_EQ(m_set.EndTransaction(1, true), lurdbcli::kLockedOrDuplicate);
    const int32_t a = A(), b = B();
    EXPECT_EQ(g_calls, (std::vector<ClientCall>{{"NewRec", a, kVehicle},
                                                {"NewRec", b, kVehicle},
                                                {"NewRec", a, kVehicle},
                                                {"NewRec", b, kVehicle},
                                                {"EndTransaction", a, 0},
                                                {"EndTransaction", b, 0}}));
    for (const char* service : {"LINKA", "LINKB"}) EXPECT_EQ(Stored(service), kEmpty);
    std::vector<TransactionElem> list;
    EXPECT_EQ(m_set.GetList(1, list), 0);
    EXPECT_TRUE(list.empty());
}

TEST_F(LinkSetTest, FailedCommitOnOneLinkAbortsItAndTheLinksAfterIt) {
    ASSERT_EQ(ConnectBoth(), 0);
    StartRecording();
    ASSERT_EQ(m_set.BeginTransaction(), 0);
    ASSERT_EQ(Add(TransactionElem::kNew, 1, Vehicle(1, "AAA", "Anna")), 0);
    g_refusal = {"EndTransaction", A(), 0, lurdbcli::kStoreError};
    g_calls.clear();

    EXPECT_EQ(m_set.EndTransaction(1, true), lurdbcli::kStoreError);
    const int32_t a = A(), b = B();
    EXPECT_EQ(std::vector<ClientCall>(g_calls.begin() + 2, g_calls.end()),
              (std::vector<ClientCall>{{"EndTransaction", a, 1}, {"EndTransaction", a, 0}, {"EndTransaction", b, 0}}));
    EXPECT_EQ(Stored("LINKB"), kEmpty);
}

TEST_F(LinkSetTest, ImmediateModeReplaysAtOnceAndEmptiesTheList) {
    ASSERT_EQ(ConnectBoth(), 0);
    StartRecording();
    ASSERT_EQ(Add(TransactionElem::kNew, 4, Vehicle(1, "AAA", "Anna"), kApplyAtOnce), 0);
    EXPECT_EQ(g_calls, (std::vector<ClientCall>{{"NewRec", A(), kVehicle}, {"NewRec", B(), kVehicle}}));
    for (const char* service : {"LINKA", "LINKB"}) EXPECT_EQ(Stored(service), kEmpty + "1,AAA,Anna\n");

    // An unknown type shows at the replay, and the list is emptied anyway.
    g_calls.clear();
    EXPECT_EQ(Add(7, 4, Vehicle(2, "BBB", "Bela"), kApplyAtOnce), LinkSet::kBadElementType);
    EXPECT_EQ(g_calls, (std::vector<ClientCall>{{"EndTransaction", A(), 0}, {"EndTransaction", B(), 0}}));
    std::vector<TransactionElem> list;
    EXPECT_EQ(m_set.GetList(4, list), 0);
    EXPECT_TRUE(list.empty());
}

TEST_F(LinkSetTest, ChangesThatCannotSelectTheirRecordAreRefusedUnsent) {
    ASSERT_EQ(ConnectBoth(), 0);
    StartRecording();
    const std::vector<unsigned char> note(44, 0);
    struct Case {
        int16_t type;
        int32_t dbNo;
        int32_t recType;
        int32_t expected;
    };
    for (const Case& c : {Case{TransactionElem::kDelete, kGarage, kNote, LinkSet::kNoUniqueKey},
                          Case{TransactionElem::kModify, kGarage, kNote, LinkSet::kNoUniqueKey},
                          Case{TransactionElem::kModify, kGarage, 10099, LinkSet::kNoUniqueKey},
                          Case{TransactionElem::kDelete, 8, kVehicle, LinkSet::kNoTablespace},
                          Case{TransactionElem::kModify, 8, kVehicle, LinkSet::kNoTablespace}}) {
        SCOPED_TRACE(testing::Message() << c.type << " " << c.dbNo << " " << c.recType);
        EXPECT_EQ(m_set.AddElem(c.type, 1, c.dbNo, c.recType, 44, note.data(), kApplyAtOnce), c.expected);
    }
    EXPECT_TRUE(g_calls.empty());
    EXPECT_FALSE(m_set.HasList(1));
}

TEST_F(LinkSetTest, GetListGivesIndependentCopies) {
    ASSERT_EQ(ConnectBoth(), 0);
    const std::vector<unsigned char> first = Vehicle(1, "AAA", "Anna");
    ASSERT_EQ(Add(TransactionElem::kNew, 2, first), 0);
    ASSERT_EQ(m_set.AddElem(TransactionElem::kNew, 2, kGarage, kVehicle, kVehicleSize, nullptr, 0), 0);

    std::vector<TransactionElem> list;
    ASSERT_EQ(m_set.GetList(2, list), 0);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].GetKeyField(), kVehicleKey);
    EXPECT_EQ(std::vector<unsigned char>(list[0].GetData(), list[0].GetData() + kVehicleSize), first);
    EXPECT_EQ(list[1].GetData(), nullptr);
    EXPECT_EQ(list[1].GetSize(), kVehicleSize);

    list[0].GetData()[4] = 'Z';
    std::vector<TransactionElem> again;
    ASSERT_EQ(m_set.GetList(2, again), 0);
    EXPECT_EQ(again[0].GetData()[4], 'A');

    std::vector<TransactionElem> untouched(3);
    EXPECT_EQ(m_set.GetList(77, untouched), lurdbcli::kNotFound);
    EXPECT_EQ(untouched.size(), 3u);
}

TEST_F(LinkSetTest, SetWithoutConnectionsRecordsNothing) {
    ASSERT_EQ(m_set.CreateLinks(5, {}, nullptr), 0);
    EXPECT_EQ(Add(TransactionElem::kNew, 1, Vehicle(1, "AAA", "Anna")), 0);
    EXPECT_EQ(Add(TransactionElem::kDelete, 1, Vehicle(1, "AAA", "Anna")), 0);
    EXPECT_EQ(m_set.BeginTransaction(), 0);
    EXPECT_EQ(m_set.EndTransaction(1, true), 0);
    EXPECT_EQ(m_set.EndTransaction(1, false), 0);
    std::vector<TransactionElem> list;
    EXPECT_EQ(m_set.GetList(1, list), lurdbcli::kNotFound);
}

}  // namespace
