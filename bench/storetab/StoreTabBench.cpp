// Stored tables (RdmStoreTab) against the same client calls made through
// plain RdmTable objects, on N orders with 10 lines each (LUR_BENCH_MASTERS,
// default 10,000; the service is made before any timing starts):
//   (a) loading the tree: one root FindList and one detail FindList per
//       order, against the same searches walked with ListNext and copied;
//   (b) LoadSorted (one OR-search for all orders) against LoadDetailRows
//       (one search per order);
//   (c) saving N deferred changes on both levels (every tenth order and nine
//       of its lines) against the same updates through RdmTable in one
//       transaction;
//   (d) deleting every line (10 N rows) from a stored list row by row, as
//       the SQL DELETE does, against DelRec through RdmTable over the list,
//       each in one transaction.
// Prints each side's rate, and the stored table's time over the plain
// table's. A timed program, not a test: run it with scripts/bench.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "RdmStoreTab.h"
#include "RdmTable.h"
#include "ServiceFixture.h"

namespace {

constexpr const char* kSchema =
    "tablespace Shop 8\n"
    "table Orders\n"
    "  field ID    l 4  u\n"
    "  field CUST  c 11 d\n"
    "table Lines\n"
    "  field ID    l 4  u\n"
    "  field ORDID l 4  d\n"
    "  field ITEM  c 11 n\n"
    "  field QTY   l 4  n\n";

constexpr int32_t kLinesPerOrder = 10;

int32_t OrderCount() {
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
    Bench() : m_orders(OrderCount()), m_service(kSchema, "STOREBENCH") {
        std::string orders = "ID,CUST\n";
        for (int32_t i = 1; i <= m_orders; ++i) orders += std::to_string(i) + ",C" + std::to_string(i % 100) + "\n";
        m_service.Load("Shop", "Orders", orders);
        LoadLines();
        m_service.LoadDesc(m_desc, "Shop", 8);
    }

    // The stored tree: Orders with its Lines by ORDID; changes through the unique keys.
    std::unique_ptr<RdmStoreTab> MakeTree() {
        auto orders = std::make_unique<RdmStoreTab>(nullptr, &m_desc, "Orders", "Orders", false);
        auto* lines = new RdmStoreTab(orders.get(), &m_desc, "Lines", "Lines", false);
        lines->AddLink("ID", "ORDID", "ORDID");
        orders->AddTableOption(0);
        lines->AddTableOption(0);
        return orders;
    }
    static RdmStoreTab& LinesOf(RdmStoreTab& orders) { return *orders.GetChildren().at("LINES"); }

    void LoadTree() {
        Result stored;
        {
            auto orders = MakeTree();
            const Stopwatch watch;
            orders->FindList("", 0);
            stored.seconds = watch.Seconds();
            stored.items = orders->GetRowStore().Count() + LinesOf(*orders).GetRowStore().Count();
        }
        Result plain;
        {
            RdmTable orders(&m_desc, "Orders");
            RdmTable lines(&m_desc, "Lines");
            std::vector<std::vector<char>> copies;
            std::vector<char> record;
            const Stopwatch watch;
            std::vector<int32_t> ids;
            if (orders.FindList("", 5)) {
                while (orders.ListNext()) {
                    ids.push_back(orders.Fld("ID").GetLong());
                    m_desc.CopyRecord(record, "ORDERS");
                    copies.push_back(record);
                }
            }
            for (const int32_t id : ids) {
                lines.Fld("ORDID").SetLong(id);
                if (!lines.FindList("ORDID", 5)) continue;
                while (lines.ListNext()) {
                    m_desc.CopyRecord(record, "LINES");
                    copies.push_back(record);
                }
            }
            plain.seconds = watch.Seconds();
            plain.items = static_cast<long long>(copies.size());
        }
        Report("(a) loading the tree: one root FindList, one detail FindList per order", "rows",
               {"RdmStoreTab", stored}, {"RdmTable", plain});
    }

    void LoadDetails() {
        auto orders = MakeTree();
        orders->FindList("", 0);
        RdmStoreTab& lines = LinesOf(*orders);
        Result sorted;
        {
            const Stopwatch watch;
            lines.LoadSorted();
            sorted.seconds = watch.Seconds();
            sorted.items = lines.GetRowStore().Count();
        }
        Result perOrder;
        {
            const Stopwatch watch;
            lines.LoadDetailRows();
            perOrder.seconds = watch.Seconds();
            perOrder.items = lines.GetRowStore().Count();
        }
        Report("(b) the detail rows: one OR-search against one search per order", "rows", {"LoadSorted", sorted},
               {"LoadDetailRows", perOrder});
    }

    void SaveChanges() {
        Result stored;
        {
            auto orders = MakeTree();
            orders->FindList("", 0);
            RdmStoreTab& lines = LinesOf(*orders);
            orders->SetDeferred(true);
            for (int32_t i = 0; i < orders->GetListCount(); i += 10) {
                orders->GoToPos(i, 0);
                orders->Fld("CUST").SetString("S" + std::to_string(i % 1000));
                orders->ModRec(true);
                ++stored.items;
                for (int32_t k = 0; k < kLinesPerOrder - 1 && k < lines.GetListCount(); ++k) {
                    lines.GoToPos(k, 5);
                    lines.Fld("QTY").SetLong(100 + k);
                    lines.ModRec(true);
                    ++stored.items;
                }
            }
            const Stopwatch watch;
            orders->SaveChanges();
            stored.seconds = watch.Seconds();
        }
        Result plain;
        {
            RdmTable orders(&m_desc, "Orders");
            RdmTable lines(&m_desc, "Lines");
            orders.DefineKey("ID");
            lines.DefineKey("ID");
            const Stopwatch watch;
            m_desc.BeginTrans("BENCH", true);
            for (int32_t i = 0; i < m_orders; i += 10) {
                const int32_t order = i + 1;
                orders.Fld("ID").SetLong(order);
                orders.Fld("CUST").SetString("T" + std::to_string(i % 1000));
                orders.ModRec(true);
                ++plain.items;
                for (int32_t k = 0; k < kLinesPerOrder - 1; ++k) {
                    lines.Fld("ID").SetLong(order * kLinesPerOrder + k);
                    lines.Fld("ORDID").SetLong(order);
                    lines.Fld("ITEM").SetString("item" + std::to_string(k));
                    lines.Fld("QTY").SetLong(200 + k);
                    lines.ModRec(true);
                    ++plain.items;
                }
            }
            m_desc.EndTrans(true);
            plain.seconds = watch.Seconds();
        }
        Report("(c) saving deferred changes on both levels, one transaction each", "changes", {"RdmStoreTab", stored},
               {"RdmTable", plain});
    }

    void DeleteRows() {
        Result stored;
        {
            RdmStoreTab lines(nullptr, &m_desc, "Lines", "Lines", false);
            lines.FindList("", 5);
            lines.DefineKey(lines.GetUniqueKeyName());
            const Stopwatch watch;
            m_desc.BeginTrans("SQL", true);
            if (lines.GoToPos(0, 5)) {
                while (lines.DelRec(false)) ++stored.items;
            }
            m_desc.EndTrans(true);
            stored.seconds = watch.Seconds();
        }
        LoadLines();
        Result plain;
        {
            RdmTable lines(&m_desc, "Lines");
            lines.FindList("", 5);
            lines.DefineKey("ID");
            const Stopwatch watch;
            m_desc.BeginTrans("BENCH", true);
            for (bool more = lines.ListMove(0); more; more = lines.ListNext()) {
                if (lines.DelRec(false)) ++plain.items;
            }
            m_desc.EndTrans(true);
            plain.seconds = watch.Seconds();
        }
        Report("(d) deleting a stored list row by row against DelRec over the list", "rows", {"RdmStoreTab", stored},
               {"RdmTable", plain});
    }

private:
    void LoadLines() {
        std::string lines = "ID,ORDID,ITEM,QTY\n";
        for (int32_t i = 1; i <= m_orders; ++i) {
            for (int32_t k = 0; k < kLinesPerOrder; ++k) {
                lines += std::to_string(i * kLinesPerOrder + k) + "," + std::to_string(i) + ",item" +
                         std::to_string(k) + "," + std::to_string(k) + "\n";
            }
        }
        m_service.Load("Shop", "Lines", lines);
    }

    int32_t m_orders;
    lurtest::ServiceFixture m_service;
    DbDesc m_desc;
};

}  // namespace

// Arguments meant for the other benchmark programs are ignored.
int main() {
    std::printf("Setting up a service of %d orders with %d lines each (not timed) ...\n", OrderCount(), kLinesPerOrder);
    std::fflush(stdout);
    Bench bench;
    bench.LoadTree();
    bench.LoadDetails();
    bench.SaveChanges();
    bench.DeleteRows();
    return 0;
}
