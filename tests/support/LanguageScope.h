// Test support: the language of the texts a test reads, for the scope's life.
// UiLanguageScope sets the preferred language of the compiled-in string
// tables and puts back the setting it replaced. ResourceTextsScope installs
// texts over the tables (lurutils::SetResourceTexts); installed texts cannot
// be read back, so when it ends none are left, as when a program starts.
#pragma once

#include <cstdint>
#include <string>

#include "LurResources.h"
#include "StringResources.h"

namespace lurtest {

class UiLanguageScope {
public:
    explicit UiLanguageScope(uint16_t primaryLanguage) : m_saved(win::SetUILanguage(primaryLanguage)) {}
    ~UiLanguageScope() { win::SetUILanguage(m_saved); }
    UiLanguageScope(const UiLanguageScope&) = delete;
    UiLanguageScope& operator=(const UiLanguageScope&) = delete;

private:
    uint16_t m_saved;
};

class ResourceTextsScope {
public:
    explicit ResourceTextsScope(const std::string& language, const lurutils::ResourceTextTable& texts = {}) {
        lurutils::SetResourceTexts(language, texts);
    }
    ~ResourceTextsScope() { lurutils::SetResourceTexts("", {}); }
    ResourceTextsScope(const ResourceTextsScope&) = delete;
    ResourceTextsScope& operator=(const ResourceTextsScope&) = delete;
};

}  // namespace lurtest
