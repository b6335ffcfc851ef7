#include "LuConn.h"

#include <unistd.h>

#include <algorithm>
#include <exception>

#include "CodePage.h"
#include "Crt.h"
#include "DbDescError.h"
#include "FunctionLoader.h"
#include "LurMsgBox.h"
#include "LurStrings.h"
#include "Registry.h"
#include "StoreLocation.h"
#include "StringScrambler.h"
#include "TRdmLogin.h"

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
    if (win::RegQueryValueExA(key, name, nullptr, nullptr, buffer, &size) != win::ERROR_SUCCESS) return false;
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
    for (size_t i = std::min<size_t>(bytes.size(), 4); i-- > 0;) n = (n << 8) | static_cast<uint8_t>(bytes[i]);
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

// The value's write: the registry's Windows code.
int32_t WriteText(win::HKEY key, const char* name, const ConnectInfo& info, size_t field) {
    const std::string text = info.GetText(field).substr(0, ConnectInfo::kTextSize - 1);
    return win::RegSetValueExA(key, name, 0, win::REG_SZ, reinterpret_cast<const uint8_t*>(text.c_str()),
                               static_cast<uint32_t>(text.size() + 1));
}

int32_t WriteNumber(win::HKEY key, const char* name, uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return win::RegSetValueExA(key, name, 0, win::REG_DWORD, bytes, 4);
}

constexpr ThrowSource Here{"GenModules\\LurCliStl\\LuConn"};

// The process's one login dialog (none until an interactive login needs
// it); a cancelled dialog stays for the next Open with what was typed.
std::unique_ptr<TRdmLogin>& LoginDialogSlot() {
    static std::unique_ptr<TRdmLogin> dialog;
    return dialog;
}

// The refusal texts, converted once from the source's UTF-8.
std::string RefusalText(int id) {
    static const std::map<int, std::string> texts = {
        {LuConn::kWrongPasswordMessage, win::Utf8ToCp1250("Nem megfelelő jelszó!")},
        {LuConn::kUnknownUserMessage, win::Utf8ToCp1250("Ismeretlen felhasználónév!")},
        {LuConn::kUserDisabledMessage, win::Utf8ToCp1250("A felhasználó tiltott!")},
    };
    return texts.at(id);
}

}  // namespace

LuConn::LuConn() {
    m_messages[kWrongPasswordMessage] = RefusalText(kWrongPasswordMessage);
    m_messages[kUserDisabledMessage] = RefusalText(kUserDisabledMessage);
    m_messages[kUnknownUserMessage] = RefusalText(kUnknownUserMessage);
    LoginDialogSlot().reset();
}

LuConn::LuConn(const LuConn& other) {
    LoginDialogSlot().reset();
    *this = other;
}

LuConn& LuConn::operator=(const LuConn& other) {
    if (this == &other) return *this;
    // This object's own login ends first; the handle taken over below stays
    // the source's, so this object must never release it.
    if (m_connected) Disconnect();
    m_connectInfo = other.m_connectInfo;
    m_registeredService = other.m_registeredService;
    m_userId = other.m_userId;
    m_onConnect = other.m_onConnect;
    m_armed = other.m_armed;
    m_user = other.m_user;
    m_password = other.m_password;
    m_service = other.m_service;
    m_code = other.m_code;
    m_tablespaces = other.m_tablespaces;
    m_catalogue = other.m_catalogue;
    // The users table works on this object's own catalogue copy, never on
    // the source's, which may go before this object does.
    m_users = other.m_users.GetDescPtr() ? RdmTable(&m_catalogue, other.m_users.GetName()) : RdmTable();
    m_handle = kNoHandle;
    m_connected = false;
    if (other.m_connected)
        Open(other.m_service, other.m_user, other.m_password, false, other.m_code, {}, true, nullptr);
    return *this;
}

LuConn::~LuConn() {
    if (!m_connected) return;
    try {
        Disconnect();
    } catch (const LurExceptBase&) {
        // A destructor reports nothing: the handle is forgotten either way.
    }
}

TRdmLogin* LuConn::GetLoginDialog() { return LoginDialogSlot().get(); }

std::string LuConn::GetMessage(int id) const {
    const auto found = m_messages.find(id);
    return found == m_messages.end() ? std::string() : found->second;
}

void LuConn::FireOnConnect() {
    if (!m_armed || !m_onConnect) return;
    m_armed = false;
    try {
        m_onConnect(*this);
    } catch (...) {
        // The callback's failure is its own affair; the login goes on.
    }
}

bool LuConn::Open(const std::string& service, const std::string& user, const std::string& password, bool interactive,
                  const std::string& code, const std::vector<const char*>& captions, bool allowServiceChoice,
                  const std::vector<std::string>* services) {
    if (m_connected) Disconnect();
    m_armed = true;
    m_refusal = 0;
    m_user = win::crt::UpperCp1250(user);
    m_password = win::crt::UpperCp1250(password);
    m_service = win::crt::UpperCp1250(service);
    m_code = code;
    for (size_t i = 0; i < captions.size() && i < 6; ++i)
        if (captions[i] && *captions[i]) SetMessage(kUserCaption + static_cast<int>(i), captions[i]);

    // The link module has no dialog: there an interactive login only fires
    // the callback and then logs in with what it was given.
    const bool withDialog = interactive && lurclistl::IsInteractive();
    if (withDialog) {
        PrepareLoginDialog(m_service, m_user, m_password, allowServiceChoice, services);
    } else if (interactive) {
        FireOnConnect();
    }

    try {
        while (Login(withDialog) && !m_connected) {
        }
    } catch (...) {
        Disconnect();
        throw;
    }
    if (m_connected)
        LoginDialogSlot().reset();
    else
        Disconnect();
    return m_connected;
}

TRdmLogin& LuConn::PrepareLoginDialog(const std::string& service, const std::string& user, const std::string& password,
                                      bool allowServiceChoice, const std::vector<std::string>* services) {
    std::vector<std::string> list;
    if (services)
        list = *services;
    else
        ListClientServices(list);
    std::unique_ptr<TRdmLogin>& dialog = LoginDialogSlot();
    if (!dialog) dialog = std::make_unique<TRdmLogin>();
    dialog->SetCaptions(GetMessage(3), GetMessage(4), GetMessage(5), GetMessage(6), GetMessage(7), GetMessage(8),
                        allowServiceChoice);
    dialog->SetServices(list);
    dialog->SetService(service);
    dialog->SetUser(user);
    dialog->SetPassword(password);
    return *dialog;
}

bool LuConn::PromptLogin(std::string& service, std::string& user, std::string& password, bool allowServiceChoice,
                         const std::vector<std::string>* services) {
    // A process without a user has no dialog to show.
    if (!lurclistl::IsInteractive()) return false;
    TRdmLogin& dialog = PrepareLoginDialog(service, user, password, allowServiceChoice, services);
    const bool confirmed = dialog.Run();
    if (confirmed) {
        user = dialog.GetUser();
        password = dialog.GetPassword();
        service = dialog.GetService();
    }
    LoginDialogSlot().reset();
    return confirmed;
}

bool LuConn::OpenAs(const LuConn& other, bool interactive) {
    return Open(other.m_service, other.m_user, other.m_password, interactive, other.m_code, {}, true, nullptr);
}

bool LuConn::Login(bool interactive) {
    if (interactive) {
        TRdmLogin* dialog = LoginDialogSlot().get();
        if (!dialog || !dialog->Run()) {
            m_refusal = 0;  // cancelled: no refusal to report
            return false;
        }
        m_user = win::crt::UpperCp1250(dialog->GetUser());
        m_password = win::crt::UpperCp1250(dialog->GetPassword());
        m_service = win::crt::UpperCp1250(dialog->GetService());
        FireOnConnect();
    }
    if (!ReadClientSettings(m_service, m_connectInfo)) throw NoClientSettings(m_service, Here(__LINE__));
    // The fields hold 31 characters and the zero: a longer name or password
    // cannot be sent whole, so the login fails as the server would fail it.
    if (!m_connectInfo.SetText(ConnectInfo::kUser, m_user)) return Refuse(interactive, lurdbcli::kNoHandle);
    if (!m_connectInfo.SetText(ConnectInfo::kPassword, m_password))
        return Refuse(interactive, lurdbcli::kWrongPassword);

    FunctionLoader& client = GetFunctionLoader();
    LUR_CLIENT_FUNCTION(CreateDbHandler, "LuConn");
    LUR_CLIENT_FUNCTION(InitUserEx, "LuConn");
    int32_t status = client.pfCreateDbHandler(&m_handle);
    if (status != 0) {
        m_handle = kNoHandle;
        throw DbDescError(status, Here(__LINE__), StrVector(m_service) << "CreateDbHandler");
    }
    status = client.pfInitUserEx(m_handle, m_connectInfo.Data());
    if (status == lurdbcli::kNoHandle || status == lurdbcli::kUserDisabled || status == lurdbcli::kWrongPassword)
        return Refuse(interactive, status);
    if (status != 0) {
        // The handle is ours and of no further use: it goes back before the
        // failure is reported.
        if (client.pfFreeDbHandler) client.pfFreeDbHandler(m_handle);
        m_handle = kNoHandle;
        StrVector args = StrVector(m_service) << "InitUserEx";
        // Where the store was looked for, as 10039 names the registry file.
        if (status == lurdbcli::kNoStore)
            args << win::Utf8ToCp1250(lurstore::DescribeStoreFile(m_connectInfo.GetText(ConnectInfo::kService)));
        throw DbDescError(status, Here(__LINE__), args);
    }
    m_connected = true;

    if (!m_code.empty()) {
        status = LUR_CLIENT_FUNCTION(SetCode, "LuConn")(m_handle, static_cast<int32_t>(m_code.size()), m_code.c_str());
        if (status != 0) throw DbDescError(status, Here(__LINE__), StrVector(m_service) << "SetCode");
    }
    m_tablespaces.SetHandle(m_handle);
    if (!m_tablespaces.OpenTablespace(DbDescMap::kCatalogueName, DbDescMap::kCatalogueNumber, 0, false))
        throw DbDescError(lurdbcli::kNotOpen, Here(__LINE__), StrVector(m_service) << "OpenTablespace: SYSDB");
    m_catalogue = m_tablespaces.GetDescCopy(DbDescMap::kCatalogueName);
    m_users = RdmTable(&m_catalogue, "dbuser");

    m_connected = CheckUser(m_user, m_password, interactive);  // says why not itself
    if (m_connected) return true;
    return Refuse(interactive);
}

bool LuConn::Refuse(bool interactive, int32_t code) {
    m_refusal = code;
    ShowRefusal(code == lurdbcli::kNoHandle       ? kUnknownUserMessage
                : code == lurdbcli::kUserDisabled ? kUserDisabledMessage
                                                  : kWrongPasswordMessage);
    return Refuse(interactive);
}

bool LuConn::Refuse(bool interactive) {
    if (m_handle != kNoHandle) {
        LUR_CLIENT_FUNCTION(FreeDbHandler, "LuConn")(m_handle);
        m_handle = kNoHandle;
    }
    m_connected = false;
    m_user.clear();
    m_password.clear();
    m_service.clear();
    return interactive;
}

void LuConn::ShowRefusal(int messageId) const {
    if (!lurclistl::IsInteractive()) return;
    lurutils::ShowMsgBox(
        nullptr, std::string(),
        lurutils::_TextInfo(GetMessage(messageId), lurutils::_FontInf("", 14, 1, 0xA4, 255), lurutils::kSystemColour),
        lurutils::_TextInfo(""), win::MB_TOPMOST, nullptr);
}

bool LuConn::CheckUser(const std::string& user, const std::string& password, bool interactive) {
    const auto refuse = [&](int32_t code, int messageId) {
        m_refusal = code;
        if (interactive) ShowRefusal(messageId);
        return false;
    };
    try {
        const std::string scrambledPassword = ScrambledCredential(password);
        m_users.Fld("NAME").SetString(ScrambledCredential(user));
        if (!m_users.FindRecByKey("NAME", 0)) return refuse(lurdbcli::kNoHandle, kUnknownUserMessage);
        const bool passwordOk = m_users.Fld("PSW").GetString() == scrambledPassword;
        const bool enabled = m_users.Fld("enabled").GetChar() == 1;
        if (passwordOk && enabled) m_userId = m_users.Fld("userid").GetLong();
        if (!enabled) return refuse(lurdbcli::kUserDisabled, kUserDisabledMessage);
        if (!passwordOk) return refuse(lurdbcli::kWrongPassword, kWrongPasswordMessage);
        return true;
    } catch (const LurExceptBase& error) {
        m_refusal = error.GetCode();  // the catalogue could not be read
        return false;
    }
}

void LuConn::Disconnect() {
    if (!m_connected) return;
    m_connected = false;
    m_registeredService.clear();
    m_userId = -1;
    m_user.clear();
    m_password.clear();
    m_service.clear();
    LoginDialogSlot().reset();
    try {
        LUR_CLIENT_FUNCTION(FreeDbHandler, "LuConn")(m_handle);
        m_handle = kNoHandle;
    } catch (const LurExceptBase&) {
        m_handle = kNoHandle;
        if (std::uncaught_exceptions() == 0) throw;
    }
}

std::string LuConn::GetUserName(int32_t userId) {
    m_userName.clear();
    if (!m_users.GetDescPtr()) return m_userName;
    m_users.Fld("userid").SetLong(userId);
    if (!m_users.FindRecByKey("userid", 0)) return m_userName;
    std::string name = m_users.Fld("name").GetString();
    // The name field holds 31 characters and the zero at most.
    name = name.substr(0, ConnectInfo::kTextSize - 1);
    StringScrambler().Unscramble(static_cast<int32_t>(name.size()), name.data());
    m_userName = win::crt::UpperCp1250(name);
    return m_userName;
}

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

DbDescError LuConn::NoClientSettings(const std::string& service, const ErrorLocation& where) {
    return DbDescError(lurdbcli::kNoClientSettings, where,
                       StrVector(service)
                           << "not in " + win::DescribeRegistryFile() + "; lurdbadm create-service makes a service");
}

bool LuConn::WriteClientSettings(const std::string& service, const ConnectInfo& info, int32_t* failure) {
    OpenKey key;
    int32_t code = win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, SettingsKeyPath(service).c_str(), 0, "",
                                        win::REG_OPTION_NON_VOLATILE, win::KEY_WRITE, nullptr, key.Out(), nullptr);
    if (code == win::ERROR_SUCCESS) {
        // Every value is attempted (in this order); the first that fails
        // makes the whole write fail.
        const win::HKEY k = key.Get();
        const int32_t codes[] = {
            WriteText(k, "service", info, ConnectInfo::kService),
            WriteText(k, "server", info, ConnectInfo::kServer),
            WriteText(k, "defaultuser", info, ConnectInfo::kUser),
            WriteText(k, "openmode", info, ConnectInfo::kOpenMode),
            WriteNumber(k, "useblob", info.GetFlag(ConnectInfo::kUseBlob)),
            WriteNumber(k, "timeout", static_cast<uint32_t>(info.GetInt(ConnectInfo::kTimeout))),
            WriteNumber(k, "enableevents", info.GetFlag(ConnectInfo::kEnableEvents)),
            WriteNumber(k, "uselock", info.GetFlag(ConnectInfo::kUseLock)),
            WriteNumber(k, "regdbpages", static_cast<uint32_t>(info.GetInt(ConnectInfo::kRegDbPages))),
            WriteNumber(k, "regowlpages", static_cast<uint32_t>(info.GetInt(ConnectInfo::kRegOwlPages))),
        };
        for (const int32_t each : codes)
            if (code == win::ERROR_SUCCESS) code = each;
    }
    if (failure) *failure = code;
    return code == win::ERROR_SUCCESS;
}

bool LuConn::DeleteClientSettings(const std::string& service) {
    OpenKey root;
    if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kSettingsRoot, 0, win::KEY_READ, root.Out()) != win::ERROR_SUCCESS)
        return false;
    return win::RegDeleteKeyA(root.Get(), service.c_str()) == win::ERROR_SUCCESS;
}

void LuConn::ListClientServices(std::vector<std::string>& list) {
    OpenKey root;
    if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kSettingsRoot, 0, win::KEY_READ, root.Out()) != win::ERROR_SUCCESS)
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
