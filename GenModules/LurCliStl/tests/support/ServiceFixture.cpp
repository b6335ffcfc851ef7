#include "ServiceFixture.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ConnectInfo.h"
#include "FunctionLoader.h"
#include "LurStrings.h"

namespace lurtest {

namespace {

void Check(int32_t status, const std::string& what) {
    if (status != 0) throw std::runtime_error(what + " answered " + std::to_string(status));
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

ServiceFixture::ServiceFixture(const std::string& schemaText, const std::string& service, const std::string& user,
                               const std::string& password)
    : m_scratch("lurclistl_test"), m_service(lurutils::ToUpper(service)), m_user(user), m_password(password) {
    // The library is loaded once per process, on the first use of the table.
    setenv("LURDBCLI_LIBRARY", (BinDir() + "/liblurdbcli.so").c_str(), 0);

    std::string output;
    if (RunAdmin("create-service " + service + " " + user + " " + password, &output) != 0)
        throw std::runtime_error("lurdbadm create-service: " + output);
    WriteFile(Dir() + "/schema.txt", schemaText);
    if (RunAdmin("create-tablespace " + service + " " + Dir() + "/schema.txt", &output) != 0)
        throw std::runtime_error("lurdbadm create-tablespace: " + output);

    m_handle = Login();
}

int32_t ServiceFixture::Login() {
    FunctionLoader& client = GetFunctionLoader();
    if (!client.pfCreateDbHandler || !client.pfInitUserEx)
        throw std::runtime_error("the client library was not loaded from " + BinDir());
    int32_t handle = DbDesc::kNoHandle;
    Check(client.pfCreateDbHandler(&handle), "CreateDbHandler");

    ConnectInfo info;
    info.SetInt(ConnectInfo::kBlockSize, static_cast<int32_t>(ConnectInfo::kSize));
    info.SetInt(ConnectInfo::kConstant4, 4);
    info.SetText(ConnectInfo::kUser, m_user);
    info.SetText(ConnectInfo::kServer, "localhost");
    info.SetText(ConnectInfo::kService, m_service);
    info.SetText(ConnectInfo::kOpenMode, "s");
    info.SetText(ConnectInfo::kPassword, m_password);
    const int32_t status = client.pfInitUserEx(handle, info.Data());
    if (status != 0) {
        client.pfFreeDbHandler(handle);
        Check(status, "InitUserEx");
    }
    if (m_handle != DbDesc::kNoHandle) m_extraHandles.push_back(handle);
    return handle;
}

ServiceFixture::~ServiceFixture() {
    FunctionLoader& client = GetFunctionLoader();
    if (!client.pfFreeDbHandler) return;
    for (const int32_t handle : m_extraHandles) client.pfFreeDbHandler(handle);
    if (m_handle != DbDesc::kNoHandle) client.pfFreeDbHandler(m_handle);
}

int ServiceFixture::RunAdmin(const std::string& arguments, std::string* output) const {
    const std::string outFile = Dir() + "/admin.out";
    const int status = std::system((BinDir() + "/lurdbadm " + arguments + " >" + outFile + " 2>&1").c_str());
    if (output) *output = ReadText(outFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ServiceFixture::Load(const std::string& tablespace, const std::string& table, const std::string& csv) const {
    const std::string path = Dir() + "/load.csv";
    WriteFile(path, csv);
    std::string output;
    if (RunAdmin("load " + m_service + " " + tablespace + " " + table + " " + path, &output) != 0)
        throw std::runtime_error("lurdbadm load: " + output);
}

void ServiceFixture::LoadDesc(DbDesc& desc, const std::string& name, int32_t dbNo, int32_t handle) {
    if (handle == DbDesc::kNoHandle) handle = m_handle;
    FunctionLoader& client = GetFunctionLoader();
    const int32_t opened = client.pfOpenDbExA(handle, dbNo, name.c_str(), 0);
    if (opened != 0 && opened != 10020) Check(opened, "OpenDbExA " + name);

    char* block = nullptr;
    int32_t length = 0;
    Check(client.pfGetDbDescription(handle, dbNo, &block, &length), "GetDbDescription " + name);
    std::shared_ptr<DbStruct>& structure = m_structs[lurutils::ToUpper(name)];
    if (!structure) structure = std::make_shared<DbStruct>();
    desc.SetStruct(structure);
    desc.SetHandle(handle);
    try {
        desc.LoadBlob(block, length, name, dbNo, nullptr);
    } catch (...) {
        client.pfFreePtr(block);
        throw;
    }
    client.pfFreePtr(block);
}

}  // namespace lurtest
