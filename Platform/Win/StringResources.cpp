#include "StringResources.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "CodePage.h"
#include "LastError.h"
#include "Locale.h"
#include "ModuleRecord.h"

namespace win {

namespace {

uint16_t g_uiLanguageOverride = LANG_NEUTRAL;

// The text of id in the preferred language, else neutral, else English, else
// the first registered; null when the module has no such id.
const StringResource* FindString(const ModuleRecord& module, uint32_t id) {
    const uint16_t preferences[] = {GetUILanguage(), LANG_NEUTRAL, LANG_ENGLISH};
    const StringResource* any = nullptr;
    const StringResource* best = nullptr;
    size_t bestRank = std::size(preferences);
    for (const auto& table : module.stringTables) {
        for (const StringResource& entry : table) {
            if (entry.id != id) continue;
            if (any == nullptr) any = &entry;
            const auto* rank = std::find(std::begin(preferences), std::end(preferences), entry.language);
            const size_t r = static_cast<size_t>(rank - std::begin(preferences));
            if (r < bestRank) {
                bestRank = r;
                best = &entry;
            }
        }
    }
    return best != nullptr ? best : any;
}

}  // namespace

bool RegisterStringTable(HMODULE module, const StringResource* table, size_t count) {
    ModuleRecord* record = ResolveModule(module);
    if (record == nullptr || (table == nullptr && count != 0)) return false;
    record->stringTables.emplace_back(table, count);
    return true;
}

void UnregisterStringTables(HMODULE module) {
    if (ModuleRecord* record = ResolveModule(module)) record->stringTables.clear();
}

int LoadString(HMODULE module, uint32_t id, char* buffer, int size) {
    const ModuleRecord* record = ResolveModule(module);
    if (record == nullptr) return 0;
    if (buffer == nullptr || size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    buffer[0] = '\0';
    const StringResource* entry = FindString(*record, id);
    if (entry == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    const std::string text = entry->text != nullptr ? Utf8ToCp1250(entry->text) : std::string();
    if (text.empty()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    const size_t copied = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
    return static_cast<int>(copied);
}

uint16_t GetUILanguage() {
    if (g_uiLanguageOverride != LANG_NEUTRAL) return g_uiLanguageOverride;
    return PrimaryLangId(LangIdFromLcid(GetUserDefaultLCID()));
}

uint16_t SetUILanguage(uint16_t primaryLanguage) { return std::exchange(g_uiLanguageOverride, primaryLanguage); }

}  // namespace win
