#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "LuConn.h"

namespace fs = std::filesystem;

namespace {

class ClientSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lur_settings_test_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        m_file = m_dir + "/registry.reg";
        ::setenv("LUR_REGISTRY", m_file.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("LUR_REGISTRY");
        fs::remove_all(m_dir);
    }
    // Writes a registry holding one service key with the given value lines.
    void WriteService(const std::string& service, const std::string& valueLines) const {
        std::ofstream(m_file) << "Windows Registry Editor Version 5.00\n\n"
                              << "[HKEY_LOCAL_MACHINE\\software\\ludbclients\\" << service << "]\n"
                              << valueLines;
    }

    std::string m_dir;
    std::string m_file;
};

TEST_F(ClientSettingsTest, ValuesAreTakenAsTheRulesSay) {
    struct Case {
        const char* what;
        std::string lines;
        std::function<void(const ConnectInfo&)> check;
    };
    const std::string s31(31, 's');
    const std::string s32(32, 's');
    const std::vector<Case> cases = {
        {"text of 31 characters is taken", "\"server\"=\"" + s31 + "\"\n",
         [&](const ConnectInfo& i) { EXPECT_EQ(i.GetText(ConnectInfo::kServer), s31); }},
        {"text of 32 characters leaves the field empty", "\"server\"=\"" + s32 + "\"\n",
         [](const ConnectInfo& i) { EXPECT_EQ(i.GetText(ConnectInfo::kServer), ""); }},
        {"page counts keep their low byte", "\"regdbpages\"=dword:0000012c\n\"regowlpages\"=dword:000000ff\n",
         [](const ConnectInfo& i) {
             EXPECT_EQ(i.GetInt(ConnectInfo::kRegDbPages), 44);
             EXPECT_EQ(i.GetInt(ConnectInfo::kRegOwlPages), 255);
         }},
        {"timeout is taken whole", "\"timeout\"=dword:0000012c\n",
         [](const ConnectInfo& i) { EXPECT_EQ(i.GetInt(ConnectInfo::kTimeout), 300); }},
        {"a flag stored as text takes its first byte", "\"useblob\"=\"1\"\n",
         [](const ConnectInfo& i) { EXPECT_EQ(i.GetFlag(ConnectInfo::kUseBlob), 0x31); }},
        {"flags take the first byte of a number", "\"uselock\"=dword:00000101\n\"enableevents\"=dword:00000002\n",
         [](const ConnectInfo& i) {
             EXPECT_EQ(i.GetFlag(ConnectInfo::kUseLock), 1);
             EXPECT_EQ(i.GetFlag(ConnectInfo::kEnableEvents), 2);
         }},
        // Only the bytes a query returned count.
        {"an empty value leaves its flag zero", "\"useblob\"=hex:\n",
         [](const ConnectInfo& i) { EXPECT_EQ(i.GetFlag(ConnectInfo::kUseBlob), 0); }},
        {"a short number counts only its bytes", "\"timeout\"=hex:2c,01\n",
         [](const ConnectInfo& i) { EXPECT_EQ(i.GetInt(ConnectInfo::kTimeout), 300); }},
        {"a text without its zero is the bytes returned", "\"openmode\"=hex(1):72,77\n",
         [](const ConnectInfo& i) { EXPECT_EQ(i.GetText(ConnectInfo::kOpenMode), "rw"); }},
        {"missing values leave their fields zero", "",
         [](const ConnectInfo& i) {
             EXPECT_EQ(i.GetText(ConnectInfo::kUser), "");
             EXPECT_EQ(i.GetInt(ConnectInfo::kTimeout), 0);
             EXPECT_EQ(i.GetFlag(ConnectInfo::kUseBlob), 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteService("CARDB", c.lines);
        ConnectInfo info;
        std::memset(info.Data(), 0xAA, ConnectInfo::kSize);
        LuConn conn;
        ASSERT_TRUE(conn.ReadClientSettings("CARDB", info));
        EXPECT_EQ(info.GetInt(ConnectInfo::kBlockSize), 251);
        EXPECT_EQ(info.GetInt(ConnectInfo::kConstant4), 4);
        EXPECT_EQ(info.GetInt(ConnectInfo::kProcessId), static_cast<int32_t>(::getpid()));
        EXPECT_EQ(info.GetText(ConnectInfo::kEmpty), "");
        EXPECT_EQ(info.GetText(ConnectInfo::kPassword), "");
        c.check(info);
    }
}

TEST_F(ClientSettingsTest, MissingKeyGivesFalseAndAZeroBlock) {
    ConnectInfo info;
    std::memset(info.Data(), 0xAA, ConnectInfo::kSize);
    LuConn conn;
    EXPECT_FALSE(conn.ReadClientSettings("NOSUCH", info));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.Data()), ConnectInfo::kSize),
              std::string(ConnectInfo::kSize, '\0'));
}

TEST_F(ClientSettingsTest, WriteReadDeleteAndList) {
    std::vector<std::string> list{"kept"};
    LuConn::ListClientServices(list);
    EXPECT_EQ(list, std::vector<std::string>{"kept"});  // nothing configured: unchanged

    ConnectInfo info;
    info.SetText(ConnectInfo::kService, "CARDB");
    info.SetText(ConnectInfo::kServer, "dbhost");
    info.SetText(ConnectInfo::kUser, "ADMIN");
    info.SetText(ConnectInfo::kOpenMode, "rw");
    info.SetText(ConnectInfo::kPassword, "SECRET");
    info.SetFlag(ConnectInfo::kUseBlob, 1);
    info.SetFlag(ConnectInfo::kUseLock, 1);
    info.SetInt(ConnectInfo::kTimeout, 300);
    info.SetInt(ConnectInfo::kRegDbPages, 20);
    ASSERT_TRUE(LuConn::WriteClientSettings("CARDB", info));
    ASSERT_TRUE(LuConn::WriteClientSettings("OTHER", info));

    LuConn conn;
    ConnectInfo read;
    ASSERT_TRUE(conn.ReadClientSettings("cardb", read));  // key names ignore case
    EXPECT_EQ(read.GetText(ConnectInfo::kService), "CARDB");
    EXPECT_EQ(read.GetText(ConnectInfo::kServer), "dbhost");
    EXPECT_EQ(read.GetText(ConnectInfo::kUser), "ADMIN");
    EXPECT_EQ(read.GetText(ConnectInfo::kOpenMode), "rw");
    EXPECT_EQ(read.GetText(ConnectInfo::kPassword), "");  // never stored
    EXPECT_EQ(read.GetFlag(ConnectInfo::kUseBlob), 1);
    EXPECT_EQ(read.GetFlag(ConnectInfo::kUseLock), 1);
    EXPECT_EQ(read.GetFlag(ConnectInfo::kEnableEvents), 0);
    EXPECT_EQ(read.GetInt(ConnectInfo::kTimeout), 300);
    EXPECT_EQ(read.GetInt(ConnectInfo::kRegDbPages), 20);
    EXPECT_EQ(conn.GetRegisteredService(), "CARDB");
    EXPECT_LT(read.GetText(ConnectInfo::kComputer).size(), 16u);

    list.clear();
    LuConn::ListClientServices(list);
    EXPECT_EQ(list, (std::vector<std::string>{"CARDB", "OTHER"}));

    EXPECT_TRUE(LuConn::DeleteClientSettings("CARDB"));
    EXPECT_FALSE(LuConn::DeleteClientSettings("CARDB"));
    EXPECT_FALSE(conn.ReadClientSettings("CARDB", read));
}

TEST_F(ClientSettingsTest, WriteFailsWhenTheRegistryCannotBeWritten) {
    // The registry's directory is a plain file, so nothing can be created.
    std::ofstream(m_dir + "/blocker") << "x";
    ::setenv("LUR_REGISTRY", (m_dir + "/blocker/registry.reg").c_str(), 1);
    ConnectInfo info;
    EXPECT_FALSE(LuConn::WriteClientSettings("CARDB", info));
    EXPECT_FALSE(LuConn::DeleteClientSettings("CARDB"));
}

}  // namespace
