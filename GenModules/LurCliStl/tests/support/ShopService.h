// Test support: the shop tree of tests/fixtures (shop.schema, rows from
// shop/*.csv) as a service of its own, for the stored-table tests.
//
// Customer (CU_ID unique, CU_NAME duplicates) -> Orders by OR_CUST
// (duplicates; states "open", "OPEN" and "closed", so that a filter can differ
// from a value only in case) -> Item by IT_ORDER (unique compound key IT_KEY
// over IT_ORDER, IT_LINE); Customer -> Note by NO_CUST (no unique key, one
// row twice). Customer 4 has no orders; order 12 has no items.
#pragma once

#include <memory>
#include <string>

#include "DbDesc.h"
#include "ServiceFixture.h"

class RdmStoreTab;

namespace lurtest {

inline constexpr int32_t kShopDbNo = 9;

// The text of a file under tests/fixtures.
std::string FixtureText(const std::string& relativePath);

class ShopService : public ServiceFixture {
public:
    ShopService();
    // The Shop description on the fixture's handle.
    void LoadShop(DbDesc& desc) { LoadDesc(desc, "Shop", kShopDbNo); }
    // "lurdbadm dump" of a Shop table: header line and rows in insertion order.
    std::string Dump(const std::string& table) const;
};

// The stored tree Customer -> Orders (OR_CUST = CU_ID, key OR_CUST) -> Item
// (IT_ORDER = OR_ID, key IT_ORDER), and Customer -> Note (NO_CUST = CU_ID).
// The root owns the details.
std::unique_ptr<RdmStoreTab> MakeShopTree(DbDesc& shop);

// The shop tree with a pointer to each table. Its tables list in the store's
// order, whatever key an earlier user of the same login left current.
struct ShopTree {
    explicit ShopTree(DbDesc& shop);
    std::unique_ptr<RdmStoreTab> customer;
    RdmStoreTab* orders = nullptr;
    RdmStoreTab* item = nullptr;
    RdmStoreTab* note = nullptr;
};

}  // namespace lurtest
