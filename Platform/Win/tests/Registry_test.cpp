#include "Registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "EnvScope.h"
#include "LastError.h"

namespace fs = std::filesystem;
using namespace win;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lur_registry_test_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        m_file = m_dir + "/sub/registry.reg";
        ::setenv("LUR_REGISTRY", m_file.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("LUR_REGISTRY");
        fs::remove_all(m_dir);
    }

    std::string FileText() const {
        std::ifstream in(m_file);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    void WriteFile(const std::string& text) const {
        fs::create_directories(fs::path(m_file).parent_path());
        std::ofstream(m_file) << text;
    }

    HKEY Create(const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    void SetString(HKEY key, const char* name, const std::string& text) {
        ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const uint8_t*>(text.c_str()),
                                 static_cast<uint32_t>(text.size() + 1)),
                  ERROR_SUCCESS);
    }
    void SetDword(HKEY key, const char* name, uint32_t n) {
        uint8_t bytes[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
        ASSERT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, bytes, 4), ERROR_SUCCESS);
    }
    std::string Query(HKEY key, const char* name, uint32_t* type = nullptr) {
        uint8_t buf[260];
        uint32_t size = sizeof buf;
        EXPECT_EQ(RegQueryValueExA(key, name, nullptr, type, buf, &size), ERROR_SUCCESS);
        return std::string(reinterpret_cast<char*>(buf), size);
    }

    std::string m_dir;
    std::string m_file;
};

TEST_F(RegistryTest, WrittenValuesReadBackAndFileIsRegFormat) {
    HKEY key = Create("software\\ludbclients\\CARDB");
    SetString(key, "server", "db\"host\\1");
    SetDword(key, "timeout", 300);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    std::string text = FileText();
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\software\\ludbclients\\CARDB]"), std::string::npos);
    EXPECT_NE(text.find("\"server\"=\"db\\\"host\\\\1\""), std::string::npos);
    EXPECT_NE(text.find("\"timeout\"=dword:0000012c"), std::string::npos);

    // Key and value names are case-insensitive.
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\LudbClients\\cardb", 0, KEY_READ, &again), ERROR_SUCCESS);
    uint32_t type = 0;
    EXPECT_EQ(Query(again, "SERVER", &type), std::string("db\"host\\1", 10));
    EXPECT_EQ(type, uint32_t(REG_SZ));
    EXPECT_EQ(Query(again, "timeout", &type), std::string("\x2c\x01\x00\x00", 4));
    EXPECT_EQ(type, uint32_t(REG_DWORD));
    RegCloseKey(again);

    // Accented letters fold too (code page 1250), whatever the locale:
    // "ÁRVÍZ" opens the key written as "árvíz".
    RegCloseKey(Create("software\\ludbclients\\\xE1rv\xEDz"));
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\ludbclients\\\xC1RV\xCDZ", 0, KEY_READ, &again),
              ERROR_SUCCESS);
    RegCloseKey(again);
}

TEST_F(RegistryTest, TextsAreCp1250InsideAndUtf8InTheFile) {
    HKEY key = Create("software\\x");
    SetString(key, "name", "\xE1rv\xED\x7A");  // "árvíz" in code page 1250
    RegCloseKey(key);
    EXPECT_NE(FileText().find("\"name\"=\"\xC3\xA1rv\xC3\xADz\""), std::string::npos);
    key = Create("software\\x");
    EXPECT_EQ(Query(key, "name"), std::string("\xE1rv\xEDz", 6));
    RegCloseKey(key);
}

TEST_F(RegistryTest, QueryFailures) {
    HKEY key = Create("software\\q");
    SetString(key, "long", std::string(300, 'x'));
    uint8_t buf[260];
    uint32_t size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(key, "long", nullptr, nullptr, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 301u);
    size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, nullptr, buf, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    HKEY none = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\nothere", 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(none, nullptr);

    // A key opened for reading cannot be written.
    HKEY ro = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\q", 0, KEY_READ, &ro), ERROR_SUCCESS);
    uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_EQ(RegSetValueExA(ro, "x", 0, REG_DWORD, one, 4), ERROR_ACCESS_DENIED);
    RegCloseKey(ro);
}

TEST_F(RegistryTest, EnumerateAndDeleteSubkeys) {
    HKEY parent = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\ludbclients", 0, KEY_READ, &parent), ERROR_FILE_NOT_FOUND);
    RegCloseKey(Create("software\\ludbclients\\beta"));
    RegCloseKey(Create("software\\ludbclients\\ALPHA\\deeper"));
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\ludbclients", 0, KEY_READ, &parent), ERROR_SUCCESS);
    std::vector<std::string> names;
    char name[260];
    for (uint32_t i = 0;; ++i) {
        uint32_t size = sizeof name;
        if (RegEnumKeyExA(parent, i, name, &size) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"ALPHA", "beta"}));

    EXPECT_EQ(RegDeleteKeyA(parent, "alpha"), ERROR_ACCESS_DENIED);  // has a subkey
    EXPECT_EQ(RegDeleteKeyA(parent, "ALPHA\\DEEPER"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(parent, "alpha"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(parent, "alpha"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(parent, ""), ERROR_INVALID_PARAMETER);
    uint32_t size = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(parent, 0, name, &size), ERROR_SUCCESS);
    EXPECT_STREQ(name, "beta");
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(parent, 1, name, &size), ERROR_NO_MORE_ITEMS);
    RegCloseKey(parent);
}

TEST_F(RegistryTest, HandEditedFileIsReadAndUnknownLinesSurviveAWrite) {
    WriteFile(
        "Windows Registry Editor Version 5.00\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\software\\ludbclients\\S1]\r\n"
        "\"blob\"=hex:01,02,\\\r\n"
        "  ff\r\n"
        "\"multi\"=hex(7):41,00,00\r\n"
        "something odd\r\n");
    HKEY key = Create("software\\ludbclients\\S1");
    uint32_t type = 0;
    EXPECT_EQ(Query(key, "blob", &type), std::string("\x01\x02\xff", 3));
    EXPECT_EQ(type, uint32_t(REG_BINARY));
    EXPECT_EQ(Query(key, "multi", &type), std::string("A\0\0", 3));
    EXPECT_EQ(type, 7u);
    SetDword(key, "new", 1);
    RegCloseKey(key);
    std::string text = FileText();
    EXPECT_NE(text.find("something odd"), std::string::npos);
    EXPECT_NE(text.find("\"multi\"=hex(7):41,00,00"), std::string::npos);
    EXPECT_NE(text.find("\"blob\"=hex:01,02,ff"), std::string::npos);
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
    RegCloseKey(Create("software\\conc"));
    constexpr int kWriters = 4;
    constexpr int kValues = 15;
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            HKEY key = nullptr;
            int bad = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\conc", 0, KEY_ALL_ACCESS, &key);
            for (int i = 0; i < kValues && bad == 0; ++i) {
                std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
                uint8_t d[4] = {uint8_t(i), 0, 0, 0};
                bad = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, d, 4);
            }
            ::_exit(bad);
        }
        writers.push_back(pid);
    }
    for (const pid_t pid : writers) {
        int status = -1;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    HKEY key = Create("software\\conc");
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kValues; ++i) {
            std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
            EXPECT_EQ(Query(key, name.c_str()), std::string({char(i), 0, 0, 0})) << name;
        }
    RegCloseKey(key);
    // No temporary file is left behind.
    for (const auto& entry : fs::directory_iterator(fs::path(m_file).parent_path()))
        EXPECT_TRUE(entry.path() == m_file || entry.path().string() == m_file + ".lock") << entry.path();
}

// A message about a key that is not there names the file read, what chose
// it, and whether it could be read at all.
TEST_F(RegistryTest, DescribesTheFileItReads) {
    const lurtest::EnvScope config("XDG_CONFIG_HOME", m_dir + "/config");
    const std::string named = "the registry file " + m_file + " that LUR_REGISTRY names";
    EXPECT_EQ(DescribeRegistryFile(), named + ", which does not exist");
    WriteFile("");
    EXPECT_EQ(DescribeRegistryFile(), named);
    fs::remove(m_file);
    fs::create_directory(m_file);
    EXPECT_EQ(DescribeRegistryFile(), named + ", which cannot be read: Is a directory");
    for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
        const lurtest::EnvScope registry("LUR_REGISTRY", unset);
        EXPECT_EQ(DescribeRegistryFile(), "the registry file " + m_dir +
                                              "/config/lur/registry.reg (the default, as LUR_REGISTRY is not set), "
                                              "which does not exist");
    }
}

}  // namespace
