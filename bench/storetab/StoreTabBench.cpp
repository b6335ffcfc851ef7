// Stored tables (RdmStoreTab) against the same client calls made through
// plain RdmTable objects, on the shop schema of the test fixtures with N
// customers of 10 orders each (LUR_BENCH_MASTERS, default 10,000; the
// service is made before any timing starts):
//   (a) loading the tree: one root FindList and the orders of every customer
//       (one OR-search), against a root FindList and one FindList per
//       customer through RdmTable, walked with ListNext and copied;
//   (b) LoadSorted against LoadDetailRows (each one OR-search for all
//       customers; LoadDetailRows applies the filters, here none), the best
//       of three runs each, in turns;
//   (c) saving N deferred changes on both levels (every tenth customer and
//       nine of its orders) against the same updates through RdmTable in one
//       transaction;
//   (d) deleting every order (10 N rows) from a stored list row by row, as
//       the SQL DELETE does, against DelRec through RdmTable over the list,
//       each in one transaction.
// Prints each side's rate, and the stored table's time over the plain
// table's. A timed program, not a test: run it with scripts/bench.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "RdmStoreTab.h"
#include "RdmTable.h"
#include "ShopService.h"

namespace {

constexpr int32_t kOrdersPerCustomer = 10;

int32_t CustomerCount() {
    const char* text = std::getenv("LUR_BENCH_MASTERS");
    const long value = text ? std::strtol(text, nullptr, 10) : 0;
    return value > 0 ? static_cast<int32_t>(value) : 10000;
}

class Stopwatch {
public:
    double Seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count(); }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

struct Result {
    double seconds = 0;
    long long items = 0;
};

struct Side {
    const char* label;
    Result result;
};

void Report(const char* title, const char* unit, const Side& left, const Side& right) {
    std::printf("%s\n", title);
    for (const Side* side : {&left, &right}) {
        std::printf("  %-16s %12.0f %s/s  (%lld in %.3f s)\n", side->label, side->result.items / side->result.seconds,
                    unit, side->result.items, side->result.seconds);
    }
    std::printf("  time ratio %s / %s: %.2f\n", left.label, right.label, left.result.seconds / right.result.seconds);
    if (left.result.items != right.result.items) std::printf("  MISMATCH: the two sides handled different counts\n");
    std::fflush(stdout);
}

class Bench {
public:
    Bench() : m_customers(CustomerCount()), m_service(lurtest::FixtureText("shop.schema"), "STOREBENCH") {
        std::string customers = "CU_ID,CU_NAME,CU_CITY\n";
        for (int32_t i = 1; i <= m_customers; ++i)
            customers += std::to_string(i) + ",N" + std::to_string(i % 100) + ",city\n";
        m_service.Load("Shop", "Customer", customers);
        LoadOrders();
        m_service.LoadDesc(m_shop, "Shop", lurtest::kShopDbNo);
        WarmUp();
    }

    // The stored tree: Customer with its Orders by OR_CUST; changes through the unique keys.
    std::unique_ptr<RdmStoreTab> MakeTree() {
        auto customer = std::make_unique<RdmStoreTab>(nullptr, &m_shop, "Customer", "Customer", false);
        auto* orders = new RdmStoreTab(customer.get(), &m_shop, "Orders", "Orders", false);
        orders->AddLink("CU_ID", "OR_CUST", "OR_CUST");
        customer->AddTableOption(0);
        orders->AddTableOption(0);
        return customer;
    }
    static RdmStoreTab& OrdersOf(RdmStoreTab& customer) { return *customer.GetChildren().at("ORDERS"); }

    void LoadTree() {
        Result stored;
        {
            auto customer = MakeTree();
            const Stopwatch watch;
            customer->FindList("", 0);
            stored.seconds = watch.Seconds();
            stored.items = customer->GetRowStore().Count() + OrdersOf(*customer).GetRowStore().Count();
        }
        Result plain;
        {
            RdmTable customer(&m_shop, "Customer");
            RdmTable orders(&m_shop, "Orders");
            std::vector<std::vector<char>> copies;
            std::vector<char> record;
            std::vector<int32_t> ids;
            const Stopwatch watch;
            if (customer.FindList("", 5)) {
                while (customer.ListNext()) {
                    ids.push_back(customer.Fld("CU_ID").GetLong());
                    m_shop.CopyRecord(record, "CUSTOMER");
                    copies.push_back(record);
                }
            }
            for (const int32_t id : ids) {
                orders.Fld("OR_CUST").SetLong(id);
                if (!orders.FindList("OR_CUST", 5)) continue;
                while (orders.ListNext()) {
                    m_shop.CopyRecord(record, "ORDERS");
                    copies.push_back(record);
                }
            }
            plain.seconds = watch.Seconds();
            plain.items = static_cast<long long>(copies.size());
        }
        Report("(a) loading the tree: the customers, then their orders", "rows", {"RdmStoreTab", stored},
               {"RdmTable", plain});
    }

    void LoadDetails() {
        auto customer = MakeTree();
        customer->FindList("", 0);
        RdmStoreTab& orders = OrdersOf(*customer);
        // Each the best of three runs, in turns, so that neither side alone
        // pays for the first run's fresh memory.
        Result sorted{1e9, 0};
        Result perCustomer{1e9, 0};
        const auto time = [&orders](Result& best, void (RdmStoreTab::*load)()) {
            const Stopwatch watch;
            (orders.*load)();
            best.seconds = std::min(best.seconds, watch.Seconds());
            best.items = orders.GetRowStore().Count();
        };
        for (int run = 0; run < 3; ++run) {
            time(sorted, &RdmStoreTab::LoadSorted);
            time(perCustomer, &RdmStoreTab::LoadDetailRows);
        }
        Report("(b) the detail rows: LoadSorted against LoadDetailRows, best of 3 each", "rows", {"LoadSorted", sorted},
               {"LoadDetailRows", perCustomer});
    }

    void SaveChanges() {
        Result stored;
        {
            auto customer = MakeTree();
            customer->FindList("", 0);
            RdmStoreTab& orders = OrdersOf(*customer);
            customer->SetDeferred(true);
            for (int32_t i = 0; i < customer->GetListCount(); i += 10) {
                customer->GoToPos(i, 0);
                customer->Fld("CU_NAME").SetString("S" + std::to_string(i % 1000));
                customer->ModRec(true);
                ++stored.items;
                for (int32_t k = 0; k < kOrdersPerCustomer - 1 && k < orders.GetListCount(); ++k) {
                    orders.GoToPos(k, 5);
                    orders.Fld("OR_NOTE").SetString("changed" + std::to_string(k));
                    orders.ModRec(true);
                    ++stored.items;
                }
            }
            const Stopwatch watch;
            customer->SaveChanges();
            stored.seconds = watch.Seconds();
        }
        Result plain;
        {
            RdmTable customer(&m_shop, "Customer");
            RdmTable orders(&m_shop, "Orders");
            customer.DefineKey("CU_ID");
            orders.DefineKey("OR_ID");
            const Stopwatch watch;
            m_shop.BeginTrans("BENCH", true);
            for (int32_t i = 0; i < m_customers; i += 10) {
                const int32_t id = i + 1;
                customer.Fld("CU_ID").SetLong(id);
                customer.Fld("CU_NAME").SetString("T" + std::to_string(i % 1000));
                customer.Fld("CU_CITY").SetString("city");
                customer.ModRec(true);
                ++plain.items;
                for (int32_t k = 0; k < kOrdersPerCustomer - 1; ++k) {
                    orders.Fld("OR_ID").SetLong(id * kOrdersPerCustomer + k);
                    orders.Fld("OR_CUST").SetLong(id);
                    orders.Fld("OR_STATE").SetString("open");
                    orders.Fld("OR_NOTE").SetString("again" + std::to_string(k));
                    orders.ModRec(true);
                    ++plain.items;
                }
            }
            m_shop.EndTrans(true);
            plain.seconds = watch.Seconds();
        }
        Report("(c) saving deferred changes on both levels, one transaction each", "changes", {"RdmStoreTab", stored},
               {"RdmTable", plain});
    }

    void DeleteRows() {
        Result stored;
        {
            RdmStoreTab orders(nullptr, &m_shop, "Orders", "Orders", false);
            orders.FindList("", 5);
            orders.DefineKey(orders.GetUniqueKeyName());
            const Stopwatch watch;
            m_shop.BeginTrans("SQL", true);
            if (orders.GoToPos(0, 5)) {
                while (orders.DelRec(false)) ++stored.items;
            }
            m_shop.EndTrans(true);
            stored.seconds = watch.Seconds();
        }
        LoadOrders();
        WarmUp();
        Result plain;
        {
            RdmTable orders(&m_shop, "Orders");
            orders.FindList("", 5);
            orders.DefineKey("OR_ID");
            const Stopwatch watch;
            m_shop.BeginTrans("BENCH", true);
            for (bool more = orders.ListMove(0); more; more = orders.ListNext()) {
                if (orders.DelRec(false)) ++plain.items;
            }
            m_shop.EndTrans(true);
            plain.seconds = watch.Seconds();
        }
        Report("(d) deleting a stored list row by row against DelRec over the list", "rows", {"RdmStoreTab", stored},
               {"RdmTable", plain});
    }

private:
    // One untimed read of both tables, so that the side timed first does not
    // pay for the store's cold pages.
    void WarmUp() {
        for (const char* name : {"Customer", "Orders"}) {
            RdmTable table(&m_shop, name);
            if (table.FindList("", 5))
                while (table.ListNext()) {
                }
        }
    }
    void LoadOrders() {
        std::string orders = "OR_ID,OR_CUST,OR_STATE,OR_NOTE\n";
        for (int32_t i = 1; i <= m_customers; ++i) {
            for (int32_t k = 0; k < kOrdersPerCustomer; ++k) {
                orders += std::to_string(i * kOrdersPerCustomer + k) + "," + std::to_string(i) + ",open,note" +
                          std::to_string(k) + "\n";
            }
        }
        m_service.Load("Shop", "Orders", orders);
    }

    int32_t m_customers;
    lurtest::ServiceFixture m_service;
    DbDesc m_shop;
};

}  // namespace

// Arguments meant for the other benchmark programs are ignored.
int main() {
    std::printf("Setting up a service of %d customers with %d orders each (not timed) ...\n", CustomerCount(),
                kOrdersPerCustomer);
    std::fflush(stdout);
    Bench bench;
    bench.LoadTree();
    bench.LoadDetails();
    bench.SaveChanges();
    bench.DeleteRows();
    return 0;
}
