#include "ShopService.h"

#include <stdexcept>

#include "RdmStoreTab.h"
#include "ScratchDir.h"

namespace lurtest {

std::string FixtureText(const std::string& relativePath) {
    return ReadText(std::string(LUR_FIXTURES_DIR) + "/" + relativePath);
}

ShopService::ShopService() : ServiceFixture(FixtureText("shop.schema")) {
    for (const char* table : {"Customer", "Orders", "Item", "Note"})
        Load("Shop", table, FixtureText(std::string("shop/") + table + ".csv"));
}

std::string ShopService::Dump(const std::string& table) const {
    std::string output;
    if (RunAdmin("dump " + Service() + " Shop " + table, &output) != 0)
        throw std::runtime_error("lurdbadm dump: " + output);
    return output;
}

std::unique_ptr<RdmStoreTab> MakeShopTree(DbDesc& shop) {
    auto customer = std::make_unique<RdmStoreTab>(nullptr, &shop, "Customer", "Customer", false);
    auto* orders = new RdmStoreTab(customer.get(), &shop, "Orders", "Orders", false);
    orders->AddLink("CU_ID", "OR_CUST", "OR_CUST");
    auto* item = new RdmStoreTab(orders, &shop, "Item", "Item", false);
    item->AddLink("OR_ID", "IT_ORDER", "IT_ORDER");
    auto* note = new RdmStoreTab(customer.get(), &shop, "Note", "Note", false);
    note->AddLink("CU_ID", "NO_CUST", "NO_CUST");
    return customer;
}

ShopTree::ShopTree(DbDesc& shop)
    : customer(MakeShopTree(shop)),
      orders(customer->FindTable("Orders", "")),
      item(customer->FindTable("Item", "")),
      note(customer->FindTable("Note", "")) {
    for (RdmStoreTab* table : {customer.get(), orders, item, note}) table->DefineKey("");
}

}  // namespace lurtest
