// Test support: a small shop over two tablespaces, for views and their
// users. Sales (3) holds the orders and their lines; Stock (4) the items the
// lines name and a log table without unique key. Order 3 has no lines.
//
//   ORDERS  O_ID unique, CUST duplicates, TOTAL
//   LINES   L_ID unique, O_REF duplicates (-> ORDERS.O_ID), ITEM duplicates, QTY
//   ITEMS   ITEM unique, PRICE
//   MOVES   M_ITEM duplicates, M_QTY (no unique key)
#pragma once

#include <memory>
#include <string>

#include "ConnectionFixture.h"
#include "RdmView.h"

namespace lurtest {

inline constexpr const char* kOrderStockSchema =
    "tablespace Sales 3\n"
    "table Orders\n"
    "  field O_ID  l 4  u\n"
    "  field CUST  c 12 d\n"
    "  field TOTAL l 4  n\n"
    "table Lines\n"
    "  field L_ID  l 4  u\n"
    "  field O_REF l 4  d\n"
    "  field ITEM  c 12 d\n"
    "  field QTY   l 4  n\n"
    "tablespace Stock 4\n"
    "table Items\n"
    "  field ITEM  c 12 u\n"
    "  field PRICE l 4  n\n"
    "table Moves\n"
    "  field M_ITEM c 12 d\n"
    "  field M_QTY  l 4  n\n";

// The shop's rows as lurdbadm dumps them.
inline constexpr const char* kOrderStockOrders = "O_ID,CUST,TOTAL\n1,ALICE,0\n2,BOB,0\n3,CAROL,0\n";
inline constexpr const char* kOrderStockLines = "L_ID,O_REF,ITEM,QTY\n10,1,PEN,2\n11,1,INK,1\n12,2,PAD,5\n";
inline constexpr const char* kOrderStockItems = "ITEM,PRICE\nINK,7\nPAD,4\nPEN,3\n";

// The shop service with its rows, and a connection with both tablespaces open.
class OrderStockService : public ConnectionFixture {
public:
    OrderStockService() : ConnectionFixture(kOrderStockSchema, "SALES") {
        Load("Sales", "Orders", kOrderStockOrders);
        Load("Sales", "Lines", kOrderStockLines);
        Load("Stock", "Items", kOrderStockItems);
    }
};

// A view "SALES" over the tablespaces: ORDERS, its LINES by O_REF, and the
// view "STOCK" (ITEMS) attached to LINES by ITEM under the alias K, so that
// its master is KITEMS. The join has three rows; order 3 has no lines.
inline std::unique_ptr<RdmView> MakeOrderStockView(DbDescMap& tablespaces) {
    auto view = std::make_unique<RdmView>(&tablespaces, "sales", RdmView::DefaultOptions());
    view->AddTable("", "Sales", "Orders", "", "", "", "");
    view->AddTable("", "sales", "Lines", "O_REF", "ORDERS", "O_ID", "");
    RdmView stock(&tablespaces, "stock", RdmView::DefaultOptions());
    stock.AddTable("", "Stock", "Items", "", "", "", "");
    view->AddView(stock, "ITEM", "LINES", "ITEM", "", "k", true);
    return view;
}

}  // namespace lurtest
