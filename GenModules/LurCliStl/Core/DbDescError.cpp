#include "DbDescError.h"

#include "LurResources.h"
#include "LurWinUtils.h"
#include "SystemErrorText.h"

namespace {

constexpr int kClientFirst = 10000;
constexpr int kClientLast = 10073;
constexpr int kDatabaseFirst = 2000;
constexpr int kDatabaseLast = 2045;
// Socket errors arrive as -(10000 + W); -20000 itself is not one.
constexpr int kSocketErrorLimit = -20000;
constexpr uint16_t kLangUserDefault = 0x0400;

// The client answers that mean a normal outcome rather than a failure.
bool IsSevereClientCode(int code) {
    switch (code) {
        case 10001:
        case 10003:
        case 10004:
        case 10006:
        case 10007:
        case 10008:
        case 10009:
        case 10010:
        case 10011:
        case 10012:
        case 10013:
        case 10014:
        case 10015:
        case 10016:
        case 10017:
        case 10018:
        case 10021:
        case 10022:
        case 10023:
        case 10024:
        case 10025:
        case 10026:
        case 10027:
        case 10028:
        case 10029:
        case 10030:
        case 10031:
        case 10032:
        case 10033:
        case 10034:
        case 10035:
        case 10036:
        case 10037:
        case 10039:
        case 10042:
        case 10043:
        case 10044:
        case 10045:
        case 10046:
        case 10047:
        case 10048:
        case 10049:
        case 10050:
        case 10051:
        case 10052:
        case 10053:
        case 10055:
        case 10057:
        case 10065:
        case 10070: return true;
        default: return false;
    }
}

// The language id the system's message lookup takes for a language name.
uint16_t LanguageIdOf(const std::string& language) {
    if (language.empty()) return kLangUserDefault;
    return static_cast<uint16_t>(lurutils::LcidFromLocaleName(language.c_str()) & 0xFFFF);
}

}  // namespace

DbDescError::DbDescError(int code, const ErrorLocation& where, const StrVector& args, const char* language)
    : LurExceptBaseArg(code, where, args, language) {}

DbDescError::DbDescError(const DbDescError&) = default;

DbDescError::~DbDescError() = default;

const char* DbDescError::LoadText(const std::string& language) const {
    lurclistl::RegisterDbErrorTexts();
    const std::string& effective = language.empty() ? lurutils::GetCurrentLanguage() : language;
    if (m_code < kSocketErrorLimit) return LoadSocketErrorText(effective);

    int id = lurclistl::kOtherCodeText;
    if (m_code >= kClientFirst && m_code <= kClientLast)
        id = m_code + lurclistl::kClientTextBase;
    else if (m_code >= kDatabaseFirst && m_code <= kDatabaseLast)
        id = m_code + lurclistl::kDatabaseTextBase;
    m_message = lurutils::GetResString(id, nullptr, false, true, effective);
    if (!m_message.empty()) return m_message.c_str();
    return LurExceptBase::LoadText(language);
}

const char* DbDescError::LoadSocketErrorText(const std::string& language) const {
    const long long socketError = -static_cast<long long>(m_code) - 10000;  // -20061 gives 10061
    const std::string label = lurutils::GetResString(lurclistl::kSocketErrorLabel, nullptr, false, true, language);
    std::string systemText;
    const auto id = static_cast<uint32_t>(socketError);
    if (win::FormatSystemMessage(id, LanguageIdOf(language), systemText) || win::FormatSystemMessage(id, 0, systemText))
        m_socketText = systemText + label;
    else
        m_socketText = "Unknown WSA error! " + label;
    m_socketText += " WSA-" + std::to_string(socketError) + ".";
    return m_socketText.c_str();
}

bool DbDescError::IsSevere() const {
    if (m_code == 0) return false;
    if (m_code < kClientFirst || m_code > kClientLast) return true;
    return IsSevereClientCode(m_code);
}

namespace lurclistl {

ErrorLocation ThrowSite(const char* sourceFile, int line) {
    return ErrorLocation(std::string("GenModules\\LurCliStl\\") + sourceFile, "NULL", line);
}

}  // namespace lurclistl
