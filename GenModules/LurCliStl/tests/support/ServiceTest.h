// Test support: GoogleTest fixtures over ServiceFixture, for the test files
// that share a service shape.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DbDesc.h"
#include "ServiceFixture.h"
#include "ShopService.h"

namespace lurtest {

// A service made once for all the tests of a suite and dropped after the
// last. Suite is the fixture deriving from this, so that every suite has a
// service of its own; its SetUpTestSuite calls MakeService.
template <class Suite>
class SuiteServiceTest : public ::testing::Test {
protected:
    static void MakeService(const std::string& schemaText) { service_ = std::make_unique<ServiceFixture>(schemaText); }
    static void TearDownTestSuite() { service_.reset(); }

    static inline std::unique_ptr<ServiceFixture> service_;
};

// Tablespace Car (5) with table Auto: a unique ID and a plate (RENDSZ) with
// a duplicate key.
inline constexpr const char* kCarAutoSchema =
    "tablespace Car 5\n"
    "table Auto\n"
    "  field ID     l 4  u\n"
    "  field RENDSZ c 11 d\n";

// Every test gets a service of its own made from kCarAutoSchema, with the
// description of Car loaded into car.
class CarAutoTest : public ::testing::Test {
protected:
    void SetUp() override {
        service = std::make_unique<ServiceFixture>(kCarAutoSchema);
        service->LoadDesc(car, "Car", 5);
    }

    std::unique_ptr<ServiceFixture> service;
    DbDesc car;
};

// One shop service for all the tests of a suite (Suite: the fixture deriving
// from this); every test gets its own description and stored tree.
template <class Suite>
class ShopSuiteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { service_ = std::make_unique<ShopService>(); }
    static void TearDownTestSuite() { service_.reset(); }
    void SetUp() override {
        service_->LoadShop(shop);
        tree = std::make_unique<ShopTree>(shop);
        customer = tree->customer.get();
        orders = tree->orders;
        item = tree->item;
        note = tree->note;
    }

    static inline std::unique_ptr<ShopService> service_;
    DbDesc shop;
    std::unique_ptr<ShopTree> tree;
    RdmStoreTab* customer = nullptr;
    RdmStoreTab* orders = nullptr;
    RdmStoreTab* item = nullptr;
    RdmStoreTab* note = nullptr;
};

}  // namespace lurtest
