#include "LuConn.h"

#include <unistd.h>

#include <algorithm>

#include "Registry.h"

namespace {

// Every query reads into a buffer of this size.
constexpr uint32_t kQueryCapacity = 260;
// The computer name is asked for with the capacity the platform allows for it.
constexpr size_t kComputerNameCapacity = 16;

// An open registry key, closed when it goes.
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() {
        if (m_key) win::RegCloseKey(m_key);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    win::HKEY* Out() { return &m_key; }
    win::HKEY Get() const { return m_key; }

private:
    win::HKEY m_key = nullptr;
};

std::string SettingsKeyPath(const std::string& service) { return LuConn::kSettingsRoot + service; }

// The bytes a value holds, at most kQueryCapacity of them; false when the
// value cannot be read.
bool QueryValue(win::HKEY key, const char* name, std::string& bytes) {
    uint8_t buffer[kQueryCapacity] = {};
    uint32_t size = kQueryCapacity;
    if (win::RegQueryValueExA(key, name, nullptr, nullptr, buffer, &size) != win::ERROR_SUCCESS)
        return false;
    bytes.assign(reinterpret_cast<const char*>(buffer), size);
    return true;
}

// A text value goes into its field only when it fits with its zero; a text
// is the returned bytes up to the first zero.
bool ReadText(win::HKEY key, const char* name, ConnectInfo& info, size_t field) {
    std::string bytes;
    return QueryValue(key, name, bytes) && info.SetText(field, bytes.substr(0, bytes.find('\0')));
}

// The first byte of whatever data the value holds, whatever its type.
void ReadFlag(win::HKEY key, const char* name, ConnectInfo& info, size_t field) {
    std::string bytes;
    if (QueryValue(key, name, bytes) && !bytes.empty()) info.SetFlag(field, static_cast<uint8_t>(bytes[0]));
}

// The first four bytes as a little-endian number (fewer bytes count as
// zeros above them); 0 when the value cannot be read.
uint32_t ReadNumber(win::HKEY key, const char* name) {
    std::string bytes;
    if (!QueryValue(key, name, bytes)) return 0;
    uint32_t n = 0;
    for (size_t i = std::min<size_t>(bytes.size(), 4); i-- > 0;)
        n = (n << 8) | static_cast<uint8_t>(bytes[i]);
    return n;
}

// The machine's name as the platform reports it within its capacity: the
// host name up to its first dot, at most 15 characters.
std::string ComputerName() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) return {};
    std::string name(host);
    name = name.substr(0, name.find('.'));
    if (name.size() >= kComputerNameCapacity) return {};
    return name;
}

bool WriteText(win::HKEY key, const char* name, const ConnectInfo& info, size_t field) {
    const std::string text = info.GetText(field).substr(0, ConnectInfo::kTextSize - 1);
    return win::RegSetValueExA(key, name, 0, win::REG_SZ, reinterpret_cast<const uint8_t*>(text.c_str()),
                               static_cast<uint32_t>(text.size() + 1)) == win::ERROR_SUCCESS;
}

bool WriteNumber(win::HKEY key, const char* name, uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return win::RegSetValueExA(key, name, 0, win::REG_DWORD, bytes, 4) == win::ERROR_SUCCESS;
}

}  // namespace

LuConn::LuConn() = default;

bool LuConn::ReadClientSettings(const std::string& service, ConnectInfo& info) {
    OpenKey key;
    const int32_t rc =
        win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, SettingsKeyPath(service).c_str(), 0, win::KEY_READ, key.Out());
    info.Clear();
    if (rc != win::ERROR_SUCCESS) return false;

    if (ReadText(key.Get(), "service", info, ConnectInfo::kService))
        m_registeredService = info.GetText(ConnectInfo::kService);
    ReadText(key.Get(), "server", info, ConnectInfo::kServer);
    ReadText(key.Get(), "defaultuser", info, ConnectInfo::kUser);
    ReadText(key.Get(), "openmode", info, ConnectInfo::kOpenMode);
    ReadFlag(key.Get(), "useblob", info, ConnectInfo::kUseBlob);
    info.SetInt(ConnectInfo::kTimeout, static_cast<int32_t>(ReadNumber(key.Get(), "timeout")));
    ReadFlag(key.Get(), "enableevents", info, ConnectInfo::kEnableEvents);
    ReadFlag(key.Get(), "uselock", info, ConnectInfo::kUseLock);
    info.SetText(ConnectInfo::kComputer, ComputerName());
    // Only the low byte of the page counts is passed on.
    info.SetInt(ConnectInfo::kRegDbPages, static_cast<int32_t>(ReadNumber(key.Get(), "regdbpages") & 0xFF));
    info.SetInt(ConnectInfo::kRegOwlPages, static_cast<int32_t>(ReadNumber(key.Get(), "regowlpages") & 0xFF));

    info.SetInt(ConnectInfo::kProcessId, static_cast<int32_t>(::getpid()));
    info.SetInt(ConnectInfo::kBlockSize, static_cast<int32_t>(ConnectInfo::kSize));
    info.SetInt(ConnectInfo::kConstant4, 4);
    info.SetText(ConnectInfo::kEmpty, "");
    return true;
}

bool LuConn::WriteClientSettings(const std::string& service, const ConnectInfo& info) {
    OpenKey key;
    if (win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, SettingsKeyPath(service).c_str(), 0, "",
                             win::REG_OPTION_NON_VOLATILE, win::KEY_WRITE, nullptr, key.Out(),
                             nullptr) != win::ERROR_SUCCESS)
        return false;
    // Every value is attempted; one that fails makes the whole write fail.
    const win::HKEY k = key.Get();
    bool ok = WriteText(k, "service", info, ConnectInfo::kService);
    ok = WriteText(k, "server", info, ConnectInfo::kServer) && ok;
    ok = WriteText(k, "defaultuser", info, ConnectInfo::kUser) && ok;
    ok = WriteText(k, "openmode", info, ConnectInfo::kOpenMode) && ok;
    ok = WriteNumber(k, "useblob", info.GetFlag(ConnectInfo::kUseBlob)) && ok;
    ok = WriteNumber(k, "timeout", static_cast<uint32_t>(info.GetInt(ConnectInfo::kTimeout))) && ok;
    ok = WriteNumber(k, "enableevents", info.GetFlag(ConnectInfo::kEnableEvents)) && ok;
    ok = WriteNumber(k, "uselock", info.GetFlag(ConnectInfo::kUseLock)) && ok;
    ok = WriteNumber(k, "regdbpages", static_cast<uint32_t>(info.GetInt(ConnectInfo::kRegDbPages))) && ok;
    ok = WriteNumber(k, "regowlpages", static_cast<uint32_t>(info.GetInt(ConnectInfo::kRegOwlPages))) && ok;
    return ok;
}

bool LuConn::DeleteClientSettings(const std::string& service) {
    OpenKey root;
    if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kSettingsRoot, 0, win::KEY_READ, root.Out()) !=
        win::ERROR_SUCCESS)
        return false;
    return win::RegDeleteKeyA(root.Get(), service.c_str()) == win::ERROR_SUCCESS;
}

void LuConn::ListClientServices(std::vector<std::string>& list) {
    OpenKey root;
    if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kSettingsRoot, 0, win::KEY_READ, root.Out()) !=
        win::ERROR_SUCCESS)
        return;
    for (uint32_t index = 0;; ++index) {
        char name[kQueryCapacity] = {};
        uint32_t size = kQueryCapacity;
        if (win::RegEnumKeyExA(root.Get(), index, name, &size) != win::ERROR_SUCCESS) break;
        list.emplace_back(name, size);
    }
}

std::string LuConn::GetConnectUser() const { return m_connectInfo.GetText(ConnectInfo::kUser); }

std::string LuConn::GetServer() const { return m_connectInfo.GetText(ConnectInfo::kServer); }
