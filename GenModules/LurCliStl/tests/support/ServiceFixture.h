// Test support: a service of its own for a test, in a temporary directory
// (LUR_REGISTRY and LURDB_DATA point there), created by lurdbadm from a
// schema text, with a logged-in client handle and descriptions loaded from
// the client library's description blobs.
//
// The client library and lurdbadm are taken from LUR_TEST_BIN_DIR (the
// build's bin directory). The directory is removed and the handle released
// when the fixture ends.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "DbDesc.h"
#include "ScratchDir.h"

namespace lurtest {

class ServiceFixture {
public:
    // Creates the service and its tablespaces and logs the user in; a
    // failure of lurdbadm or of the client raises std::runtime_error with
    // its output or status.
    explicit ServiceFixture(const std::string& schemaText, const std::string& service = "TESTSVC",
                            const std::string& user = "ADMIN", const std::string& password = "SECRET");
    ~ServiceFixture();
    ServiceFixture(const ServiceFixture&) = delete;
    ServiceFixture& operator=(const ServiceFixture&) = delete;

    const std::string& Dir() const { return m_scratch.Path(); }
    const std::string& Service() const { return m_service; }
    int32_t Handle() const { return m_handle; }

    // Runs "lurdbadm <arguments>"; its exit status, its output in *output.
    int RunAdmin(const std::string& arguments, std::string* output = nullptr) const;
    // Loads CSV text into a table with lurdbadm; std::runtime_error on failure.
    void Load(const std::string& tablespace, const std::string& table, const std::string& csv) const;

    // Opens the tablespace on the handle and loads its description into
    // desc (structure kept by the fixture, shared by every load of the same
    // name); the description carries the handle (by default the fixture's).
    void LoadDesc(DbDesc& desc, const std::string& name, int32_t dbNo, int32_t handle = DbDesc::kNoHandle);
    // One more login of the fixture's user: a second connection, released
    // when the fixture ends.
    int32_t Login();

private:
    ScratchDir m_scratch;  // first in, last out: the handle goes before the directory
    std::string m_service;
    std::string m_user;
    std::string m_password;
    int32_t m_handle = DbDesc::kNoHandle;
    std::vector<int32_t> m_extraHandles;
    std::map<std::string, std::shared_ptr<DbStruct>> m_structs;  // by upper-case tablespace name
};

}  // namespace lurtest
