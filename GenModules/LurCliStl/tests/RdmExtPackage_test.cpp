// Extension packages through the client library stand-in: opening, results,
// and the forms a failing call is raised in.
#include <gtest/gtest.h>

#include <string>

#include "DbDescError.h"
#include "LurExceptTrans.h"
#include "RdmExtPackage.h"
#include "ServiceTest.h"

namespace {

constexpr const char* kSchema = "tablespace Car 7\ntable T\n  field ID l 4 u\n";

class RdmExtPackageTest : public lurtest::SuiteServiceTest<RdmExtPackageTest> {
protected:
    static void SetUpTestSuite() { MakeService(kSchema); }
    void SetUp() override { ASSERT_TRUE(package_.Open(service_->Handle(), "LurTest", true)); }

    // Calls "fail" with the argument bytes and hands back what it raised.
    template <class Exception>
    Exception Raised(const std::string& argument) {
        try {
            package_.CallExtFnc("fail", argument.data(), static_cast<int32_t>(argument.size()), true);
        } catch (const Exception& error) {
            return error;
        }
        throw std::runtime_error("nothing raised for " + argument);
    }

    RdmExtPackage package_;
};

TEST_F(RdmExtPackageTest, OpeningAnUnknownPackageIsRefused) {
    RdmExtPackage other;
    EXPECT_FALSE(other.Open(service_->Handle(), "NoSuch", false));
    EXPECT_FALSE(other.IsOpen());
    try {
        RdmExtPackage strict(service_->Handle(), "NoSuch");
        FAIL();
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetArgs()[0], "NoSuch");
    }
}

TEST_F(RdmExtPackageTest, ResultsAreCopiedAndDataWithoutLengthIsRefused) {
    const std::string data("ab\0cd", 5);
    EXPECT_EQ(package_.CallExtFnc("echo", data.data(), 5, true), 0);
    ASSERT_EQ(package_.ResultSize(), 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(package_.Result()), 5), data);
    EXPECT_EQ(package_.CallExtFnc("echo", nullptr, 0, true), 0);
    EXPECT_EQ(package_.ResultSize(), 0);
    try {
        package_.CallExtFnc("echo", data.data(), 0, true);
        FAIL();
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10050);
        EXPECT_EQ(error.GetArgs()[1], "echo");
    }
}

TEST_F(RdmExtPackageTest, FailuresAreRaisedInTheirForms) {
    // A client or database code.
    const DbDescError client = Raised<DbDescError>(std::string("10023"));
    EXPECT_EQ(client.GetCode(), 10023);
    EXPECT_EQ(client.GetArgs()[0], "fail");
    // The server's two texts: message and language.
    const LurExceptTrans two = Raised<LurExceptTrans>(std::string("15\0Disk full\0ENU\0", 17));
    EXPECT_EQ(two.GetCode(), 15);
    EXPECT_EQ(std::string(two.what()).substr(0, 9), "Disk full");
    EXPECT_STREQ(two.GetLanguage(), "ENU");
    // One text only, and a text without its zero: nothing is read past the
    // returned length.
    EXPECT_STREQ(Raised<LurExceptTrans>(std::string("15\0Only\0", 8)).GetLanguage(), "");
    const LurExceptTrans cut = Raised<LurExceptTrans>(std::string("15\0Cut", 6));
    EXPECT_EQ(std::string(cut.what()).substr(0, 3), "Cut");
    EXPECT_STREQ(cut.GetLanguage(), "");
    // No block at all.
    const LurExceptBaseArg bare = Raised<LurExceptBaseArg>("15");
    EXPECT_EQ(bare.GetCode(), 15);
}

TEST_F(RdmExtPackageTest, ANonStrictFailureKeepsTheServersBlock) {
    const std::string argument("15\0why", 6);
    EXPECT_EQ(package_.CallExtFnc("fail", argument.data(), 6, false), 15);
    ASSERT_EQ(package_.ResultSize(), 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(package_.Result()), 3), "why");
}

TEST(LurExceptTransTest, CopiesOtherExceptionsOfTheFamily) {
    const LurExceptBaseArg source(42, "text %s", ErrorLocation("f", "NULL", 3), StrVector("arg"), "HUN");
    const LurExceptTrans fromArg(source);
    EXPECT_EQ(fromArg.GetCode(), 42);
    EXPECT_EQ(fromArg.GetLocation().line, 3);
    EXPECT_STREQ(fromArg.GetLanguage(), "HUN");
    const LurExceptTrans fromBase(static_cast<const LurExceptBase&>(source));
    EXPECT_TRUE(fromBase.GetArgs().empty());
    EXPECT_EQ(std::string(fromBase.what()), std::string(source.what()));
}

}  // namespace
