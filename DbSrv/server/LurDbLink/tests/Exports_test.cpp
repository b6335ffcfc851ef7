// The module as its hosts see it: loaded with dlopen, the six exports found
// by their plain names, nothing else of the module visible.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "LurDbLink.h"
#include "ScratchDir.h"
#include "ServiceFixture.h"

namespace {

class ExportsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // An empty registry: no service has client settings.
        s_scratch = std::make_unique<lurtest::ScratchDir>("lurdblink_exports");
        setenv("LURDBCLI_LIBRARY", (lurtest::BinDir() + "/liblurdbcli.so").c_str(), 0);
        s_module = dlopen((lurtest::BinDir() + "/libLurDbLink.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(s_module, nullptr) << dlerror();
    }
    static void TearDownTestSuite() {
        // The module stays loaded, as in a server; only its directory goes.
        s_scratch.reset();
    }

    template <class Fn>
    static Fn Export(const char* name) {
        return reinterpret_cast<Fn>(dlsym(s_module, name));
    }

    static inline void* s_module = nullptr;
    static inline std::unique_ptr<lurtest::ScratchDir> s_scratch;
};

TEST_F(ExportsTest, OnlyTheSixExportsAreVisible) {
    for (const char* name : {"CreateLink", "DestroyLink", "BeginTransactionLink", "EndTransactionLink", "AddElemLink",
                             "GetTransactionListLink"})
        EXPECT_NE(dlsym(s_module, name), nullptr) << name;
    for (const char* name : {"_Z12GetLinkTablev", "_Z17GetFunctionLoaderv",
                             "_ZN7LinkSet11CreateLinksEiRKSt6vectorI6DbLinkSaIS1_EEPFiiPcE"})
        EXPECT_EQ(dlsym(s_module, name), nullptr) << name;
}

TEST_F(ExportsTest, AnIdNeverCreatedGetsAnEmptySet) {
    const int32_t id = 901;
    const unsigned char record[4] = {1, 0, 0, 0};
    EXPECT_EQ(Export<BeginTransactionLinkFn>("BeginTransactionLink")(id, 1, "x"), 0);
    EXPECT_EQ(Export<AddElemLinkFn>("AddElemLink")(id, TransactionElem::kNew, 1, 7, 10000, 4, record, 0), 0);
    EXPECT_EQ(Export<AddElemLinkFn>("AddElemLink")(id, TransactionElem::kNew, 1, 7, 10000, 4, record, kApplyAtOnce), 0);
    EXPECT_EQ(Export<EndTransactionLinkFn>("EndTransactionLink")(id, 1, 1), 0);
    EXPECT_EQ(Export<EndTransactionLinkFn>("EndTransactionLink")(id, 1, 0), 0);
    std::vector<TransactionElem> list(2);
    EXPECT_EQ(Export<GetTransactionListLinkFn>("GetTransactionListLink")(id, 1, list), 10002);
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(Export<DestroyLinkFn>("DestroyLink")(id), 0);
}

TEST_F(ExportsTest, CreateLinkReportsAnExceptionAndAnswersItsCode) {
    static std::vector<std::string> reports;
    reports.clear();
    const LinkReportCallback keep = [](int32_t linkId, char* text) -> int32_t {
        reports.push_back(std::to_string(linkId) + ":" + text);
        return 0;
    };
    DbLink link;
    link.name = "far";
    link.service = "NOWHERE";
    link.user = "ADMIN";
    link.password = "SECRET";
    EXPECT_EQ(Export<CreateLinkFn>("CreateLink")(902, {link}, keep), 10039);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("902:Cannot create datalink far (10039 - ", 0), 0u) << reports[0];

    // Empty and disabled link lists connect nothing and succeed.
    link.enabled = 0;
    EXPECT_EQ(Export<CreateLinkFn>("CreateLink")(902, {}, keep), 0);
    EXPECT_EQ(Export<CreateLinkFn>("CreateLink")(902, {link}, nullptr), 0);
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(Export<DestroyLinkFn>("DestroyLink")(902), 0);
}

}  // namespace
