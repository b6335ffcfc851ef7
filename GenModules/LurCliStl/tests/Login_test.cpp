// The login of LuConn against the client library stand-in: settings from
// the registry, the library's own refusals, the catalogue's user check, the
// refusal box, the dialog, copies and disconnection.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include <string>
#include <vector>

#include "CodePage.h"
#include "DbDescError.h"
#include "FakeWindowSystem.h"
#include "FunctionLoader.h"
#include "InteractiveScope.h"
#include "LuConn.h"
#include "ServiceTest.h"
#include "TRdmLogin.h"

namespace {

constexpr const char* kSchema =
    "tablespace Car 7 1.0.0.3\n"
    "table Gepjarmu\n"
    "  field GJ_ID l 4 u\n";

// Whether the user saw a dialog holding the text somewhere.
bool Shown(const win::FakeWindowSystem& windows, const std::string& text) {
    for (const win::DialogView& view : windows.Views())
        for (const win::ControlView& control : view.controls)
            if (control.text == text) return true;
    return false;
}

class LoginTest : public lurtest::SuiteServiceTest<LoginTest> {
protected:
    static void SetUpTestSuite() {
        MakeService(kSchema);
        ASSERT_EQ(service_->RunAdmin("add-user TESTSVC clerk pass"), 0);
        ASSERT_EQ(service_->RunAdmin("add-user TESTSVC blocked pass"), 0);
        ASSERT_EQ(service_->RunAdmin("disable-user TESTSVC blocked"), 0);
    }

    lurtest::InteractiveScope interactive_{true};
    win::FakeWindowSystem windows_;
};

TEST_F(LoginTest, LogsInWithUpperCasedCredentialsAndOpensTheCatalogue) {
    LuConn conn;
    ASSERT_TRUE(conn.Open("testsvc", "admin", "secret", false));
    EXPECT_TRUE(conn.IsConnected());
    EXPECT_NE(conn.GetHandle(), LuConn::kNoHandle);
    EXPECT_EQ(conn.GetService(), "TESTSVC");
    EXPECT_EQ(conn.GetRegisteredService(), "TESTSVC");
    EXPECT_EQ(conn.GetConnectUser(), "ADMIN");
    EXPECT_EQ(conn.GetUserId(), 1);
    EXPECT_EQ(conn.GetUserName(1), "ADMIN");
    EXPECT_EQ(conn.GetUserName(99), "");
    EXPECT_TRUE(conn.GetTablespaces().HasDesc("sysdb"));
    EXPECT_EQ(conn.GetTablespaces().GetHandle(), conn.GetHandle());
    EXPECT_TRUE(windows_.Views().empty());
}

struct Refusal {
    const char* user;
    const char* password;
    const char* message;  // UTF-8
};

TEST_F(LoginTest, RefusedLoginsShowWhyAndReleaseTheHandle) {
    const std::string longText(32, 'A');
    const Refusal refusals[] = {
        {"admin", "wrong", "Nem megfelelő jelszó!"},
        {"nobody", "secret", "Ismeretlen felhasználónév!"},
        {"blocked", "pass", "A felhasználó tiltott!"},
        {longText.c_str(), "secret", "Ismeretlen felhasználónév!"},
        {"admin", longText.c_str(), "Nem megfelelő jelszó!"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(std::string(refusal.user) + " / " + refusal.password);
        win::FakeWindowSystem windows;
        LuConn conn;
        EXPECT_FALSE(conn.Open("TESTSVC", refusal.user, refusal.password, false));
        EXPECT_FALSE(conn.IsConnected());
        EXPECT_EQ(conn.GetHandle(), LuConn::kNoHandle);
        EXPECT_EQ(conn.GetService(), "");
        EXPECT_TRUE(Shown(windows, win::Utf8ToCp1250(refusal.message)));
    }
}

TEST_F(LoginTest, TheLibraryAnswersTheRefusalCodes) {
    struct Case {
        const char* user;
        const char* password;
        int32_t status;
    };
    const std::string longText(32, 'A');
    const Case cases[] = {
        {"ADMIN", "WRONG", 10068}, {"NOBODY", "X", 10014}, {"BLOCKED", "PASS", 10067}, {"clerk", "pass", 0}};
    FunctionLoader& client = GetFunctionLoader();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        LuConn settings;
        ConnectInfo info;
        ASSERT_TRUE(settings.ReadClientSettings("TESTSVC", info));
        info.SetText(ConnectInfo::kUser, c.user);
        info.SetText(ConnectInfo::kPassword, c.password);
        int32_t handle = 0;
        ASSERT_EQ(client.pfCreateDbHandler(&handle), 0);
        EXPECT_EQ(client.pfInitUserEx(handle, info.Data()), c.status);
        client.pfFreeDbHandler(handle);
    }
    // A user field without its zero never matches on a cut name.
    ConnectInfo info;
    LuConn().ReadClientSettings("TESTSVC", info);
    std::memset(info.Data() + ConnectInfo::kUser, 'A', ConnectInfo::kTextSize);
    info.SetText(ConnectInfo::kPassword, "SECRET");
    int32_t handle = 0;
    ASSERT_EQ(client.pfCreateDbHandler(&handle), 0);
    EXPECT_EQ(client.pfInitUserEx(handle, info.Data()), 10014);
    client.pfFreeDbHandler(handle);
}

TEST_F(LoginTest, WithoutAUserInFrontRefusalsAreSilent) {
    lurclistl::SetInteractive(false);
    LuConn conn;
    EXPECT_FALSE(conn.Open("TESTSVC", "admin", "wrong", false));
    EXPECT_TRUE(windows_.Views().empty());
    // An interactive login has no dialog there: it only fires the callback.
    int fired = 0;
    conn.SetOnConnect([&](LuConn&) { ++fired; });
    EXPECT_TRUE(conn.Open("TESTSVC", "admin", "secret", true));
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(LuConn::GetLoginDialog(), nullptr);
}

TEST_F(LoginTest, AServiceWithoutSettingsRaises10039) {
    LuConn conn;
    try {
        conn.Open("NOSUCH", "admin", "secret", false);
        FAIL() << "no exception";
    } catch (const DbDescError& error) {
        EXPECT_EQ(error.GetCode(), 10039);
        EXPECT_EQ(error.GetArgs()[0], "NOSUCH");
        // After the code's text: which registry file was read, and what to do.
        const std::string cause = std::string("not in the registry file ") + std::getenv("LUR_REGISTRY") +
                                  " that LUR_REGISTRY names; lurdbadm create-service makes a service";
        EXPECT_EQ(std::string(error.what()), "No client settings for the service.\r\n (NOSUCH, " + cause + ")");
    }
    EXPECT_FALSE(conn.IsConnected());
}

TEST_F(LoginTest, DisconnectReleasesOnceAndCopiesKeepTheSourceWorking) {
    LuConn source;
    ASSERT_TRUE(source.Open("TESTSVC", "admin", "secret", false));
    {
        LuConn copy(source);
        EXPECT_TRUE(copy.IsConnected());
        EXPECT_NE(copy.GetHandle(), source.GetHandle());
        LuConn assigned;
        assigned = source;
        EXPECT_TRUE(assigned.IsConnected());
        EXPECT_NE(assigned.GetHandle(), source.GetHandle());
        assigned = copy;  // a connected target lets its own login go first
        EXPECT_TRUE(assigned.IsConnected());
    }
    // The source's handle still answers.
    DbDescMap& tablespaces = source.GetTablespaces();
    EXPECT_TRUE(tablespaces.OpenAll());
    EXPECT_TRUE(tablespaces.HasDesc("CAR"));

    source.Disconnect();
    EXPECT_FALSE(source.IsConnected());
    EXPECT_EQ(source.GetHandle(), LuConn::kNoHandle);
    EXPECT_EQ(source.GetUserId(), -1);
    EXPECT_NO_THROW(source.Disconnect());
}

TEST_F(LoginTest, TheDialogAsksAgainAfterARefusalAndTheCallbackFiresOnce) {
    LuConn conn;
    int fired = 0;
    conn.SetOnConnect([&](LuConn&) { ++fired; });
    windows_.Script({{win::UserAction::Type, TRdmLogin::kPasswordEntryId, "wrong"}, {win::UserAction::Enter}});
    windows_.Script({{win::UserAction::Enter}});  // the refusal box
    windows_.Script({{win::UserAction::Type, TRdmLogin::kPasswordEntryId, "secret"}, {win::UserAction::Enter}});
    EXPECT_TRUE(conn.Open("TESTSVC", "admin", "", true));
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(conn.GetUserId(), 1);
    EXPECT_EQ(LuConn::GetLoginDialog(), nullptr);  // gone after the login
}

TEST_F(LoginTest, ACancelledDialogStaysForTheNextOpen) {
    LuConn conn;
    windows_.Script({{win::UserAction::Type, TRdmLogin::kUserEntryId, "clerk"}, {win::UserAction::Escape}});
    EXPECT_FALSE(conn.Open("TESTSVC", "admin", "secret", true));
    ASSERT_NE(LuConn::GetLoginDialog(), nullptr);
    EXPECT_EQ(LuConn::GetLoginDialog()->GetUser(), "CLERK");
}

}  // namespace
